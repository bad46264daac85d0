// Engine-wide switches. Four are set through VB_SetOptions; the rest stay 0 for the
// life of the library and the code is written for that value.
#pragma once

namespace zandrel {

struct EngineOptions {
    int idealSyntax = 0;
    int lowerCaseText = 0;
    int tabAfterMnemonic = 0;
    int showDefaultSegment = 0;
};

extern EngineOptions gOptions;

// Fixed options, kept as named constants so the code that depends on them reads plainly.
constexpr int kSpaceAfterComma = 0;
constexpr int kAlwaysShowMemorySize = 0;
constexpr int kShowNearKeyword = 0;
constexpr int kPreferShortStringForms = 0;
constexpr int kSizeSuffixMode = 0;
constexpr int kSymbolicAddresses = 0;
constexpr int kDecodeVxdCalls = 0;
constexpr int kAcceptFarTransfers = 0;
constexpr int kAcceptPrivileged = 0;
constexpr int kAcceptIoCommands = 0;
constexpr int kAcceptBadShift = 0;
constexpr int kAcceptExtraPrefix = 0;
constexpr int kAcceptLockPrefix = 0;
constexpr int kAcceptUnalignedStack = 0;
constexpr int kAssumeNtKernel = 0;

}  // namespace zandrel

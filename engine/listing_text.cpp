#include "listing_text.h"

#include "engine_api.h"
#include "instruction_table.h"

namespace zandrel {
namespace {

// Indexed by DisasmError.
const char* const kErrorComments[] = {
    "",                                     // ErrNone
    "Unknown command",                      // ErrUnknownCommand
    "Command crosses end of memory block",  // ErrCrossesEnd
    "Undefined segment register",           // ErrBadSegment
    "Illegal use of register",              // ErrRegisterMisuse
    "Memory address not allowed",           // ErrMemoryNotAllowed
    "Internal VARNOKE error",               // ErrInternal
};

// Checked in this order; the first that applies gives the comment. Far transfers are
// named by class, so they sit apart below.
struct WarningText {
    unsigned flag;
    const char* text;
};
//  flag             text
const WarningText kWarningsAfterFar[] = {
    // clang-format off
    {WarnSegWrite,    "Modification of segment register"},
    {WarnShift,       "Shift constant out of range 1..31"},
    {WarnExtraPrefix, "Superfluous prefix"},
    {WarnLock,        "LOCK prefix"},
    {WarnStack,       "Unaligned stack operation"},
    // clang-format on
};

}  // namespace

const char* ErrorComment(int errorCode) {
    if (errorCode < 0 || errorCode > ErrInternal) return "Unknown error";
    return kErrorComments[errorCode];
}

const char* WarningComment(unsigned warningFlags, uint8_t commandType) {
    if (warningFlags & WarnPrivileged) return "Privileged command";
    if (warningFlags & WarnIo) return "I/O command";
    if (warningFlags & WarnFar) {
        switch (commandType & kClassMask) {
            case ClassJump: return "Far jump";
            case ClassCall: return "Far call";
            case ClassReturn: return "Far return";
            default: break;
        }
    }
    for (const WarningText& w : kWarningsAfterFar)
        if (warningFlags & w.flag) return w.text;
    return "";
}

const char* PrefixName(uint8_t prefix) {
    switch (prefix) {
        case 0x26: return SegmentNames[SegEs];
        case 0x2E: return SegmentNames[SegCs];
        case 0x36: return SegmentNames[SegSs];
        case 0x3E: return SegmentNames[SegDs];
        case 0x64: return SegmentNames[SegFs];
        case 0x65: return SegmentNames[SegGs];
        case 0x66: return "DATASIZE";
        case 0x67: return "ADDRSIZE";
        case 0xF0: return "LOCK";
        case 0xF2: return "REPNE";
        case 0xF3: return "REPE";
        default: return "";
    }
}

}  // namespace zandrel

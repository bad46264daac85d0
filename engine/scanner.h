// The assembler's source scanner: hands out one token of a command line at a time.
#pragma once

namespace zandrel {

enum TokenKind : int {
    TokEnd = 0,       // NUL or ";" (comment)
    TokReg8,          // value: register number 0-7, 8 for "R8"
    TokReg16,         // 0-7, 8 for "R16"
    TokReg32,         // 0-7, 8 for "R32"
    TokSegReg,        // segment code 0-5
    TokFpuReg,        // 0-7, 8 for "FPU"
    TokMmxReg,        // 0-7, 8 for "MMX"
    TokCtrlReg,       // 0-7, 8 for "CRX"
    TokDbgReg,        // 0-7, 8 for "DRX"
    TokSize,          // size in bytes; a following "PTR" is absorbed
    TokJumpModifier,  // one JumpModifier bit
    TokLocal,         // "LOCAL." n: n
    TokArg,           // "ARG." n: n
    TokPtr,           // "PTR" not absorbed by a size word
    TokRep,
    TokRepe,   // REPE or REPZ
    TokRepne,  // REPNE or REPNZ
    TokLock,
    TokAnyConst,  // "CONST" or "OFFSET"
    TokReserved,  // EIP SIGNED UNSIGNED CHAR FLOAT DOUBLE FLOAT10 STRING UNICODE MSG
    TokName,      // other identifier where names are allowed; value: its length
    TokInteger,   // value modulo 2^32
    TokFloat,     // value unused
    TokPunct,     // character code; two-character operators: first * 256 + second
    TokError,     // message in tokenError
};

enum JumpModifier : int {
    ModShort = 1,
    ModLong = 2,
    ModNear = 4,
    ModFar = 8,
};

constexpr int kTokenTextSize = 256;

struct ScanState {
    const char* cursor = nullptr;  // next character to read
    TokenKind tokenKind = TokEnd;
    int tokenValue = 0;
    char tokenText[kTokenTextSize] = {};  // identifier as written, or the punctuation characters
    const char* tokenError = "";          // message of the last TokError token (static text)
    const char* lineStart = nullptr;      // start of the line, for error positions
};

// Engine-wide scanner state used by Assemble; calls must not overlap.
extern ScanState gScanState;

// Points the scanner at a NUL-terminated line and clears the token.
void StartScan(ScanState& state, const char* line);
inline void StartScan(const char* line) { StartScan(gScanState, line); }

// Reads the next token. Without namesAllowed an identifier that is no keyword
// comes out as TokError "Unknown identifier".
void NextToken(ScanState& state, bool namesAllowed);
inline void NextToken(bool namesAllowed) { NextToken(gScanState, namesAllowed); }

// Turns the current token into TokError with a fixed message; the cursor stays put.
void SetScanError(ScanState& state, const char* message);
inline void SetScanError(const char* message) { SetScanError(gScanState, message); }

// Number of characters of the line before the cursor.
inline int ScanPosition(const ScanState& state) { return static_cast<int>(state.cursor - state.lineStart); }
inline int ScanPosition() { return ScanPosition(gScanState); }

inline bool IsPunct(const ScanState& state, int code) {
    return state.tokenKind == TokPunct && state.tokenValue == code;
}

}  // namespace zandrel

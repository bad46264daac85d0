#include "operand_parser.h"

namespace zandrel {

namespace {

// Operand parser messages.
constexpr const char* kMsgBadModifiers = "Invalid combination of jump address modifiers";
constexpr const char* kMsgIntegerExpected = "Integer number expected";
constexpr const char* kMsgAddressExpected = "Integer address expected";
constexpr const char* kMsgFloat = "Floating-point numbers are not allowed in command";
constexpr const char* kMsgUnrecognized = "Unrecognized operand";
constexpr const char* kMsgTwoBrackets = "Only one opening bracket allowed";
constexpr const char* kMsgDuplicatedSize = "Duplicated size modifier";
constexpr const char* kMsgDuplicatedSegment = "Duplicated segment register";
constexpr const char* kMsgColonExpected = "Semicolon expected";
constexpr const char* kMsgNeedBrackets = "Address expression requires brackets";
constexpr const char* kMsgSyntax = "Syntax error";
constexpr const char* kMsgSubtractRegister = "Unable to subtract register";
constexpr const char* kMsgTooManyRegisters = "Too many registers";
constexpr const char* kMsg16BitAddress = "Sorry, 16-bit addressing is not supported";
constexpr const char* kMsgUndefinedScale = "Undefined scale is not allowed";
constexpr const char* kMsgInvalidScale = "Invalid scale";
constexpr const char* kMsgOneScaled = "Only one register may be scaled";
constexpr const char* kMsgInvalidAddress = "Invalid address";
constexpr const char* kMsgModifierNotAllowed = "Jump address modifier is not allowed";

constexpr int kRegEbx = 3;
constexpr int kRegEbp = 5;
constexpr int kRegisterSlots = 9;  // 0-7 and the wildcard 8

// Pending sign of the next address term; kSignNone means two terms would touch.
enum TermSign { kSignNone, kSignPlus, kSignMinus };

void next(ScanState& s) { NextToken(s, false); }

bool isPunct(const ScanState& s, int code) { return s.tokenKind == TokPunct && s.tokenValue == code; }

bool badScale(int n) { return n == 6 || n == 7 || n > 9; }

// Additions wrap modulo 2^32 like the scanner's constants.
int wrapAdd(int a, int b) { return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b)); }
int wrapMul(int a, int b) { return static_cast<int>(static_cast<unsigned>(a) * static_cast<unsigned>(b)); }
int wrapNeg(int a) { return static_cast<int>(0u - static_cast<unsigned>(a)); }

// Returns false after setting an error.
bool fail(ScanState& s, const char* message) {
    SetScanError(s, message);
    return false;
}

// Places the counted registers as base and index; the lower number becomes the base.
bool placeRegisters(ScanState& s, const int (&counts)[kRegisterSlots], ParsedOperand& op) {
    int placed = 0;
    for (int r = 0; r < kRegisterSlots; ++r) {
        const int c = counts[r];
        if (c == 0) continue;
        if (c == 1) {
            if (op.base < 0) {
                op.base = r;
            } else if (op.index >= 0) {
                return fail(s, kMsgTooManyRegisters);
            } else {
                op.index = r;
                op.scale = 1;
            }
        } else if (c == 2 || c == 4 || c == 8) {
            if (op.index >= 0) return fail(s, placed < 2 ? kMsgOneScaled : kMsgTooManyRegisters);
            op.index = r;
            op.scale = c;
        } else if (c == 3 || c == 5 || c == 9) {
            // r*3 is r plus r*2: the register is base and index at once.
            if (op.base >= 0 || op.index >= 0) return fail(s, kMsgTooManyRegisters);
            op.base = r;
            op.index = r;
            op.scale = c - 1;
        } else {
            return fail(s, kMsgInvalidScale);
        }
        ++placed;
    }
    return true;
}

// Brackets, size and segment in any order, then the address expression up to "]".
// The current token is the first one of that part. Returns false on error.
bool parseMemory(ScanState& s, ParsedOperand& op) {
    bool bracket = false;
    for (;;) {
        if (isPunct(s, '[')) {
            if (bracket) return fail(s, kMsgTwoBrackets);
            bracket = true;
        } else if (s.tokenKind == TokSize) {
            if (op.size != 0) return fail(s, kMsgDuplicatedSize);
            op.size = s.tokenValue;
        } else if (s.tokenKind == TokSegReg) {
            if (op.segment >= 0) return fail(s, kMsgDuplicatedSegment);
            op.segment = s.tokenValue;
            next(s);
            if (!isPunct(s, ':')) return fail(s, kMsgColonExpected);
        } else if (s.tokenKind == TokError) {
            return false;
        } else {
            if (!bracket) return fail(s, kMsgNeedBrackets);
            break;
        }
        next(s);
    }

    int counts[kRegisterSlots] = {};
    TermSign sign = kSignPlus;
    bool xlatAl = false;
    for (;;) {
        if (isPunct(s, '+') || isPunct(s, '-')) {
            sign = isPunct(s, '-') ? kSignMinus : kSignPlus;
            next(s);
        }
        if (s.tokenKind == TokError) return false;
        if (sign == kSignNone) return fail(s, kMsgSyntax);

        if (s.tokenKind == TokReg8 && s.tokenValue == 0) {
            if (sign == kSignMinus) return fail(s, kMsgSubtractRegister);
            if (xlatAl) return fail(s, kMsgTooManyRegisters);
            xlatAl = true;
            next(s);
        } else if (s.tokenKind == TokReg16) {
            return fail(s, kMsg16BitAddress);
        } else if (s.tokenKind == TokReg32) {
            if (sign == kSignMinus) return fail(s, kMsgSubtractRegister);
            const int reg = s.tokenValue;
            next(s);
            if (isPunct(s, '*')) {
                next(s);
                if (s.tokenKind == TokError) return false;
                if (s.tokenKind == TokAnyConst) return fail(s, kMsgUndefinedScale);
                if (s.tokenKind != TokInteger) return fail(s, kMsgSyntax);
                if (badScale(s.tokenValue)) return fail(s, kMsgInvalidScale);
                counts[reg] = wrapAdd(counts[reg], s.tokenValue);
                next(s);
            } else {
                counts[reg] = wrapAdd(counts[reg], 1);
            }
        } else if (s.tokenKind == TokLocal || s.tokenKind == TokArg) {
            // Stack-frame shorthands: locals below EBP, arguments above the return address.
            const int n = s.tokenValue;
            counts[kRegEbp] = wrapAdd(counts[kRegEbp], 1);
            op.value = wrapAdd(op.value, s.tokenKind == TokLocal ? wrapMul(-4, n) : wrapAdd(4, wrapMul(4, n)));
            next(s);
        } else if (s.tokenKind == TokInteger) {
            const int n = s.tokenValue;
            next(s);
            if (isPunct(s, '*')) {
                next(s);
                if (s.tokenKind == TokError) return false;
                if (sign == kSignMinus) return fail(s, kMsgSubtractRegister);
                if (s.tokenKind == TokReg16) return fail(s, kMsg16BitAddress);
                if (s.tokenKind != TokReg32) return fail(s, kMsgSyntax);
                if (badScale(n)) return fail(s, kMsgInvalidScale);
                counts[s.tokenValue] = wrapAdd(counts[s.tokenValue], n);
                next(s);
            } else {
                op.value = wrapAdd(op.value, sign == kSignMinus ? wrapNeg(n) : n);
            }
        } else if (s.tokenKind == TokAnyConst) {
            next(s);
            if (isPunct(s, '*')) return fail(s, kMsgUndefinedScale);
            op.anyConstant = 1;
        } else {
            break;
        }
        if (isPunct(s, ']')) break;
        sign = kSignNone;
    }

    if (s.tokenKind == TokError) return false;
    if (!isPunct(s, ']')) return fail(s, kMsgSyntax);

    if (xlatAl) {
        for (int r = 0; r < kRegisterSlots; ++r) {
            if (counts[r] != (r == kRegEbx ? 1 : 0)) return fail(s, kMsgInvalidAddress);
        }
        if (op.value != 0 || op.anyConstant != 0) return fail(s, kMsgInvalidAddress);
        op.operandClass = ParsedXlat;
        return true;
    }
    if (!placeRegisters(s, counts, op)) return false;
    op.operandClass = ParsedMemory;
    return true;
}

// Everything but the closing check. Returns true when the closing check applies.
bool parseBody(ScanState& s, ParsedOperand& op) {
    int modifiers = 0;
    while (s.tokenKind == TokJumpModifier) {
        modifiers |= s.tokenValue;
        next(s);
    }
    if (modifiers != 0) {
        const bool shortLong = (modifiers & ModShort) && (modifiers & ModLong);
        const bool nearFar = (modifiers & ModNear) && (modifiers & ModFar);
        const bool shortFar = (modifiers & ModShort) && (modifiers & ModFar);
        if (shortLong || nearFar || shortFar) return fail(s, kMsgBadModifiers);
        if (!(modifiers & ModFar)) modifiers |= ModNear;
    }
    op.jumpModifiers = modifiers;

    switch (s.tokenKind) {
        case TokReg8:
        case TokReg16:
        case TokReg32:
            op.operandClass = ParsedRegister;
            op.index = s.tokenValue;
            op.size = s.tokenKind == TokReg8 ? 1 : s.tokenKind == TokReg16 ? 2 : 4;
            return true;
        case TokFpuReg:
            op.operandClass = ParsedFpuRegister;
            op.index = s.tokenValue;
            return true;
        case TokMmxReg:
            op.operandClass = ParsedMmxRegister;
            op.index = s.tokenValue;
            return true;
        case TokCtrlReg:
            op.operandClass = ParsedCtrlRegister;
            op.index = s.tokenValue;
            return true;
        case TokDbgReg:
            op.operandClass = ParsedDbgRegister;
            op.index = s.tokenValue;
            return true;
        case TokInteger:
        case TokAnyConst: {
            const int number = s.tokenValue;
            if (s.tokenKind == TokAnyConst) op.anyConstant = 1;
            next(s);
            if (!isPunct(s, ':')) {
                op.operandClass = ParsedImmediate;
                op.value = number;
                return false;  // the current token already follows the operand
            }
            next(s);
            if (s.tokenKind != TokInteger && s.tokenKind != TokAnyConst) return fail(s, kMsgAddressExpected);
            if (s.tokenKind == TokAnyConst) op.anyConstant = 1;
            op.operandClass = ParsedFarAddress;
            op.segment = number;
            op.value = s.tokenValue;
            return true;
        }
        case TokFloat: return fail(s, kMsgFloat);
        case TokSegReg: {
            const int code = s.tokenValue;
            next(s);
            if (!isPunct(s, ':')) {
                op.operandClass = ParsedSegmentRegister;
                op.index = code;
                op.segment = code;
                return false;
            }
            op.segment = code;
            next(s);
            return parseMemory(s, op);
        }
        case TokSize: return parseMemory(s, op);
        case TokPunct:
            if (s.tokenValue == '-' || s.tokenValue == '+') {
                const bool negate = s.tokenValue == '-';
                next(s);
                if (s.tokenKind != TokInteger && s.tokenKind != TokAnyConst) return fail(s, kMsgIntegerExpected);
                if (s.tokenKind == TokAnyConst) op.anyConstant = 1;
                op.operandClass = ParsedImmediate;
                op.value = negate ? wrapNeg(s.tokenValue) : s.tokenValue;
                return true;
            }
            if (s.tokenValue == '[') return parseMemory(s, op);
            return fail(s, kMsgUnrecognized);
        default: return fail(s, kMsgUnrecognized);
    }
}

}  // namespace

void ParseOperand(ScanState& state, ParsedOperand& operand) {
    if (state.tokenKind == TokEnd || state.tokenKind == TokError) return;
    if (!parseBody(state, operand)) return;
    const int cls = operand.operandClass;
    if (operand.jumpModifiers != 0 && cls != ParsedImmediate && cls != ParsedFarAddress && cls != ParsedMemory) {
        SetScanError(state, kMsgModifierNotAllowed);
        return;
    }
    NextToken(state, false);
}

}  // namespace zandrel

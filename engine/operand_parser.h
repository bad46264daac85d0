// The assembler's operand parser: one operand's tokens become one ParsedOperand.
#pragma once

#include "scanner.h"

namespace zandrel {

enum OperandClass : int {
    ParsedNone = 0,
    ParsedRegister,  // integer register of 8, 16 or 32 bits
    ParsedFpuRegister,
    ParsedMmxRegister,
    ParsedCtrlRegister,
    ParsedDbgRegister,
    ParsedSegmentRegister,  // standing alone
    ParsedImmediate,
    ParsedFarAddress,  // selector ":" offset
    ParsedMemory,
    ParsedXlat,  // [EBX+AL]
};

// Defaults are the values before parsing.
struct ParsedOperand {
    int operandClass = ParsedNone;
    int size = 0;           // 1/2/4 for integer registers, size word for memory, 0 when none
    int index = -1;         // register number (8 = wildcard); for memory the index register
    int scale = 0;          // memory: scale of the index register
    int base = -1;          // memory: base register (8 = wildcard)
    int value = 0;          // immediate, displacement, or offset of a far address
    int anyConstant = 0;    // "CONST"/"OFFSET" written: constant bytes stay open in the mask
    int segment = -1;       // override segment code; code of a segment-register operand; far selector
    int jumpModifiers = 0;  // JumpModifier bits written before the operand
};

inline void ResetOperand(ParsedOperand& operand) { operand = ParsedOperand{}; }

// On entry the current token is the operand's first token; on return it is the first
// token behind the operand, or TokError carrying the parser's message.
void ParseOperand(ScanState& state, ParsedOperand& operand);
inline void ParseOperand(ParsedOperand& operand) { ParseOperand(gScanState, operand); }

}  // namespace zandrel

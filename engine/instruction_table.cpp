#include "instruction_table.h"

namespace zandrel {
namespace {

// A commandType is written as its class joined with flags or an element size.
constexpr uint8_t operator|(CommandClass cls, CommandFlag flag) { return uint8_t(uint8_t(cls) | uint8_t(flag)); }
constexpr uint8_t operator|(uint8_t type, CommandFlag flag) { return uint8_t(type | uint8_t(flag)); }
constexpr uint8_t operator|(CommandClass cls, ElementSize elem) { return uint8_t(uint8_t(cls) | uint8_t(elem)); }

}  // namespace

constexpr CommandEntry InstructionTable[kCommandRowCount + 1] = {
#include "instruction_table_rows.inc"
    {0x00000000, 0x00000000, 0, BitsNone, OpNone, OpNone, OpNone, ClassPlain, ""},  // end row
};

// A missing row would leave a zero row in front of the end row.
static_assert(InstructionTable[kCommandRowCount - 1].matchMask != 0);
static_assert(InstructionTable[kCommandRowCount].matchMask == 0);

// Only matchMask, matchCode and commandType (the hazard class) are read here.
//   matchMask   matchCode   len sizeBits  operandKind1 operandKind2 operandKind3 hazard class    mnemonic
constexpr CommandEntry HazardTable[kHazardRowCount] = {
    // clang-format off
    {0x0000FFFF, 0x0000DCF7, 0, BitsNone, OpNone, OpNone, OpNone, HazardOldOs,    "NEG ESP"},    // old Windows versions
    {0x0000FFFF, 0x0000D4F7, 0, BitsNone, OpNone, OpNone, OpNone, HazardOldOs,    "NOT ESP"},    // old Windows versions
    {0x0000FFFF, 0x000020CD, 0, BitsNone, OpNone, OpNone, OpNone, HazardOldOs,    "INT 20"},     // VxD call, old Windows versions
    {0x00F8FFFF, 0x00C8C70F, 0, BitsNone, OpNone, OpNone, OpNone, HazardLockOnly, "CMPXCHG8B"},  // register operand: only with LOCK
    // clang-format on
};

const char* const RegisterNames[3][9] = {
    // clang-format off
    {"AL", "CL", "DL", "BL", "AH", "CH", "DH", "BH", "R8"},
    {"AX", "CX", "DX", "BX", "SP", "BP", "SI", "DI", "R16"},
    {"EAX", "ECX", "EDX", "EBX", "ESP", "EBP", "ESI", "EDI", "R32"},
    // clang-format on
};

const char* const SegmentNames[8] = {"ES", "CS", "SS", "DS", "FS", "GS", "SEG?", "SEG?"};

// Indexed by size in bytes.
const char* const SizeNames[11] = {
    "(0-BYTE)", "BYTE", "WORD", "(3-BYTE)", "DWORD", "(5-BYTE)", "FWORD", "(7-BYTE)", "QWORD", "(9-BYTE)", "TBYTE",
};

const char* const FpuNames[9] = {"ST0", "ST1", "ST2", "ST3", "ST4", "ST5", "ST6", "ST7", "FPU"};
const char* const MmxNames[9] = {"MM0", "MM1", "MM2", "MM3", "MM4", "MM5", "MM6", "MM7", "MMX"};
const char* const ControlRegNames[9] = {"CR0", "CR1", "CR2", "CR3", "CR4", "CR5", "CR6", "CR7", "CRX"};
const char* const DebugRegNames[9] = {"DR0", "DR1", "DR2", "DR3", "DR4", "DR5", "DR6", "DR7", "DRX"};

// r/m 4 of the 32-bit forms means a SIB byte, so ESP is never named through this row;
// its text stays empty while the SIB base 4 still takes SS as default segment.
//  defaultSegment registerText
const AddressForm AddressForms[16] = {
    // clang-format off
    {SegDs, "BX+SI"},  // 16-bit r/m 0
    {SegDs, "BX+DI"},  // 16-bit r/m 1
    {SegSs, "BP+SI"},  // 16-bit r/m 2
    {SegSs, "BP+DI"},  // 16-bit r/m 3
    {SegDs, "SI"},     // 16-bit r/m 4
    {SegDs, "DI"},     // 16-bit r/m 5
    {SegSs, "BP"},     // 16-bit r/m 6
    {SegDs, "BX"},     // 16-bit r/m 7
    {SegDs, "EAX"},    // 32-bit register 0
    {SegDs, "ECX"},    // 32-bit register 1
    {SegDs, "EDX"},    // 32-bit register 2
    {SegDs, "EBX"},    // 32-bit register 3
    {SegSs, ""},       // 32-bit register 4 (ESP)
    {SegSs, "EBP"},    // 32-bit register 5
    {SegDs, "ESI"},    // 32-bit register 6
    {SegDs, "EDI"},    // 32-bit register 7
    // clang-format on
};

}  // namespace zandrel

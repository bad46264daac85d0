// The instruction table shared by the decoder and the assembler, its codes and
// the small name tables both directions use.
#pragma once

#include <cstdint>

namespace zandrel {

struct CommandEntry {
    uint32_t matchMask;  // which bits of the command code identify the command
    uint32_t matchCode;  // required value of those bits (3DNow! rows keep the suffix in bits 16-23)
    uint8_t opcodeLength;
    uint8_t sizeBits;
    uint8_t operandKind1;
    uint8_t operandKind2;
    uint8_t operandKind3;
    uint8_t commandType;
    const char* mnemonic;
};

enum SizeBits : uint8_t {
    BitsNone = 0x00,
    BitsW0 = 0x01,
    BitsS1 = 0x02,
    BitsW0S1 = 0x03,
    BitsW3 = 0x08,
    BitsCond = 0x10,
    BitsWord = 0x20,
    BitsLoop = 0x40,
    BitsPrivileged = 0x80,
    BitsIoW0 = 0x81,
};

// CommandType: class in the high four bits, flags in the low four.
enum CommandClass : uint8_t {
    ClassPlain = 0x00,
    ClassPush = 0x10,
    ClassPop = 0x20,
    ClassMmx = 0x30,
    ClassFpu = 0x40,
    ClassJump = 0x50,
    ClassCondJump = 0x60,
    ClassCall = 0x70,
    ClassReturn = 0x80,
    ClassFlagsPop = 0x90,
    ClassIntReturn = 0xA0,
    ClassRepString = 0xB0,
    ClassHalt = 0xC0,
    ClassNow = 0xE0,
    ClassUnknown = 0xF0,
};
constexpr uint8_t kClassMask = 0xF0;

// In the Mmx and Now classes the low four bits give the element size of the packed data.
enum ElementSize : uint8_t {
    ElemNone = 0x00,
    ElemByte = 0x01,
    ElemWord = 0x02,
    ElemDword = 0x04,
};
constexpr uint8_t kTypeLowMask = 0x0F;

enum CommandFlag : uint8_t {
    FlagExplicitSize = 0x01,
    FlagRare = 0x08,
};

enum OperandKind : uint8_t {
    OpNone = 0x00,
    OpReg = 0x01,
    OpRegLow3 = 0x02,
    OpReg32 = 0x03,
    OpAccum = 0x04,
    OpAx = 0x05,
    OpDx = 0x06,
    OpCl = 0x07,
    OpSt0 = 0x08,
    OpStLow3 = 0x09,
    OpMmxReg = 0x0A,
    OpNowReg = 0x0B,
    OpRm = 0x0C,
    OpRm8 = 0x0D,
    OpRm16 = 0x0E,
    OpRm32 = 0x0F,
    OpReg32Rm = 0x10,
    OpMmxRm = 0x11,
    OpMmxRegRm = 0x12,
    OpNowRm = 0x13,
    OpNowRegRm = 0x14,
    OpRmTarget = 0x15,
    OpMemAddr = 0x16,
    OpMemFarLoad = 0x17,
    OpMemFarTarget = 0x18,
    OpMemDescriptor = 0x19,
    OpMemBounds = 0x1A,
    OpMemInt16 = 0x1B,
    OpMemWord16 = 0x1C,
    OpMemInt32 = 0x1D,
    OpMemQword = 0x1E,
    OpMemBcd = 0x1F,
    OpMemFloat32 = 0x20,
    OpMemFloat64 = 0x21,
    OpMemFloat80 = 0x22,
    OpMemFpuEnv = 0x23,
    OpMemFpuState = 0x24,
    OpMemFpuExtState = 0x25,
    OpStrSource = 0x26,
    OpStrDest = 0x27,
    OpXlat = 0x28,
    OpImm = 0x29,
    OpImmUnsigned = 0x2A,
    OpVxdService = 0x2B,
    OpImmByteExt = 0x2C,
    OpOne = 0x2D,
    OpShiftCount = 0x2E,
    OpImm8 = 0x2F,
    OpImm16 = 0x30,
    OpMemOffset = 0x31,
    OpJumpShort = 0x32,
    OpJumpNear = 0x33,
    OpJumpFar = 0x34,
    OpSegReg = 0x35,
    OpSegLow = 0x36,
    OpCtrlReg = 0x37,
    OpDbgReg = 0x38,
    // Hidden operands: never written in listing text, never typed.
    OpHidNearRet = 0x80,
    OpHidFarRet = 0x81,
    OpHidAccum = 0x82,
    OpHidAh = 0x83,
    OpHidFlags = 0x84,
    OpHidSt0 = 0x85,
    OpHidSt1 = 0x86,
    OpHidCount = 0x87,
    OpHidEdi = 0x88,
};
constexpr uint8_t kHiddenOperandFirst = 0x80;

enum MemoryType : uint8_t {
    MemNone = 0,
    MemByte = 1,
    MemWord = 2,
    MemDword = 4,
    MemFloat32 = 5,
    MemFword = 6,
    MemFloat64 = 7,
    MemQword = 8,
    MemFloat80 = 9,
    MemTbyte = 10,
    MemNowPair = 13,
};

// Segment codes; -1 means no segment prefix.
enum SegmentCode : int { SegNone = -1, SegEs = 0, SegCs = 1, SegSs = 2, SegDs = 3, SegFs = 4, SegGs = 5 };

constexpr int kCommandRowCount = 585;

// 585 rows in their fixed order, then the end row whose matchMask is 0.
extern const CommandEntry InstructionTable[kCommandRowCount + 1];

// Hazard class sits in the commandType column: 1 old Windows versions, 7 only with LOCK.
constexpr int kHazardRowCount = 4;
enum HazardClass : uint8_t { HazardOldOs = 1, HazardLockOnly = 7 };
extern const CommandEntry HazardTable[kHazardRowCount];

// The last entry of each register group names any register of it (assembler only).
extern const char* const RegisterNames[3][9];
extern const char* const SegmentNames[8];
extern const char* const SizeNames[11];
extern const char* const FpuNames[9];
extern const char* const MmxNames[9];
extern const char* const ControlRegNames[9];
extern const char* const DebugRegNames[9];

struct AddressForm {
    int defaultSegment;
    const char* registerText;
};
// Rows 0-7: 16-bit ModRM forms by r/m; rows 8-15: 32-bit base registers by number.
extern const AddressForm AddressForms[16];

}  // namespace zandrel

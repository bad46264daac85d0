// The instruction table is data both directions trust blindly, so these tests pin its
// shape, the telling rows, and the row order the decoder's first-match search depends on.
#include "engine/instruction_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace zandrel {
namespace {

constexpr int kNowFirst = 503;
constexpr int kNowLast = 526;
constexpr int kAssemblerOnlyFirst = 527;

bool isHidden(uint8_t kind) { return kind >= kHiddenOperandFirst; }

// The decoder's rule: the first row whose identifying bits agree with the code.
int firstMatch(uint32_t code, int from = 0) {
    for (int i = from; InstructionTable[i].matchMask != 0; ++i) {
        if (((code ^ InstructionTable[i].matchCode) & InstructionTable[i].matchMask) == 0) return i;
    }
    return -1;
}

uint32_t codeOf(const std::vector<uint8_t>& bytes) {
    uint32_t code = 0;
    for (size_t i = 0; i < bytes.size() && i < 4; ++i) code |= uint32_t(bytes[i]) << (8 * i);
    return code;
}

struct Pattern {
    uint32_t mask = 0;
    uint32_t code = 0;
};

// Reads the listing notation: bytes in order, "/mask" where a byte's mask is not FF, and
// for 3DNow! rows ", suffix XX" which lands in bits 16-23 of the code outside the mask.
Pattern parsePattern(const std::string& text) {
    Pattern p;
    std::string bytes = text;
    const std::string suffixMark = ", suffix ";
    size_t at = text.find(suffixMark);
    if (at != std::string::npos) {
        bytes = text.substr(0, at);
        p.code |= uint32_t(std::strtoul(text.c_str() + at + suffixMark.size(), nullptr, 16)) << 16;
    }
    int shift = 0;
    for (const char* s = bytes.c_str(); *s != '\0';) {
        char* end = nullptr;
        uint32_t value = std::strtoul(s, &end, 16);
        uint32_t mask = 0xFF;
        if (*end == '/') mask = std::strtoul(end + 1, &end, 16);
        p.code |= value << shift;
        p.mask |= mask << shift;
        shift += 8;
        while (*end == ' ') ++end;
        s = end;
    }
    return p;
}

std::string rowName(int row) {
    char text[64];
    std::snprintf(text, sizeof text, "row %d \"%s\"", row, InstructionTable[row].mnemonic);
    return text;
}

TEST(InstructionTable, HasAllRowsThenTheEndRow) {
    for (int i = 0; i < kCommandRowCount; ++i) {
        SCOPED_TRACE(rowName(i));
        EXPECT_NE(InstructionTable[i].matchMask, 0u);
        ASSERT_NE(InstructionTable[i].mnemonic, nullptr);
        EXPECT_GT(std::strlen(InstructionTable[i].mnemonic), 0u);
        EXPECT_TRUE(InstructionTable[i].opcodeLength == 1 || InstructionTable[i].opcodeLength == 2);
        EXPECT_NE(InstructionTable[i].commandType & kClassMask, ClassUnknown);
    }
    EXPECT_EQ(InstructionTable[kCommandRowCount].matchMask, 0u);
}

TEST(InstructionTable, OperandListsEndAtNoneAndHiddenOperandsComeLast) {
    for (int i = 0; i < kCommandRowCount; ++i) {
        const CommandEntry& row = InstructionTable[i];
        const uint8_t kinds[3] = {row.operandKind1, row.operandKind2, row.operandKind3};
        bool ended = false;
        bool hiddenSeen = false;
        for (int k = 0; k < 3; ++k) {
            if (kinds[k] == OpNone) {
                ended = true;
                continue;
            }
            EXPECT_FALSE(ended) << rowName(i) << ": operand " << k + 1 << " after OpNone";
            if (isHidden(kinds[k])) {
                hiddenSeen = true;
                EXPECT_LE(kinds[k], OpHidEdi) << rowName(i) << ": operand " << k + 1;
            } else {
                EXPECT_FALSE(hiddenSeen) << rowName(i) << ": written operand " << k + 1 << " after a hidden one";
                EXPECT_LE(kinds[k], OpDbgReg) << rowName(i) << ": operand " << k + 1;
            }
        }
    }
}

TEST(InstructionTable, CodeBitsStayInsideTheMaskExceptTheNowSuffix) {
    std::vector<int> suffixSeen(256, -1);
    for (int i = 0; i < kCommandRowCount; ++i) {
        const CommandEntry& row = InstructionTable[i];
        const bool now = i >= kNowFirst && i <= kNowLast;
        if (!now) {
            EXPECT_EQ(row.matchCode & ~row.matchMask, 0u) << rowName(i);
            continue;
        }
        // 0F 0F, then the suffix byte that follows the operands.
        EXPECT_EQ(row.matchMask, 0x0000FFFFu) << rowName(i);
        EXPECT_EQ(row.matchCode & 0xFF00FFFFu, 0x00000F0Fu) << rowName(i);
        EXPECT_EQ(row.commandType & kClassMask, ClassNow) << rowName(i);
        const uint8_t suffix = uint8_t(row.matchCode >> 16);
        EXPECT_EQ(suffixSeen[suffix], -1) << rowName(i) << " repeats the suffix of row " << suffixSeen[suffix];
        suffixSeen[suffix] = i;
    }
    // Only these rows are 3DNow! ones.
    for (int i = 0; i < kCommandRowCount; ++i) {
        const bool now = i >= kNowFirst && i <= kNowLast;
        EXPECT_EQ((InstructionTable[i].commandType & kClassMask) == ClassNow, now) << rowName(i);
    }
}

struct TellingRow {
    int row;
    const char* mnemonic;
    const char* pattern;
    uint8_t length;
    uint8_t sizeBits;
    uint8_t op1, op2, op3;
    uint8_t type;
};

// row  mnemonic  pattern  length  sizeBits  operands  type
const TellingRow kTellingRows[] = {
    // clang-format off
    {0, "NOP", "90", 1, BitsNone, OpNone, OpNone, OpNone, 0x00},
    {1, "MOV", "8A/FE", 1, BitsW0, OpReg, OpRm, OpNone, 0x00},
    {5, "PUSH", "68/FD", 1, BitsS1, OpImm, OpNone, OpNone, 0x10},
    {9, "ADD", "80/FC 00/38", 1, BitsW0S1, OpRm, OpImm, OpNone, 0x01},
    {19, "RETN,RET", "C3", 1, BitsNone, OpHidNearRet, OpNone, OpNone, 0x80},
    {20, "MOV", "B0/F0", 1, BitsW3, OpRegLow3, OpImm, OpNone, 0x00},
    {21, "MOV", "A0/FE", 1, BitsW0, OpAccum, OpMemOffset, OpNone, 0x00},
    {22, "JE,JZ", "0F 84", 2, BitsCond, OpJumpNear, OpNone, OpNone, 0x60},
    {30, "PUSH", "FF 30/38", 1, BitsNone, OpRm, OpNone, OpNone, 0x11},
    {41, "SHR", "C0/FE 28/38", 1, BitsW0, OpRm, OpShiftCount, OpNone, 0x01},
    {49, "&PUSHA*", "60", 1, BitsNone, OpNone, OpNone, OpNone, 0x08},
    {53, "XCHG", "86/FE", 1, BitsW0, OpRm, OpReg, OpNone, 0x00},
    {80, "IMUL", "6B", 1, BitsNone, OpReg, OpRm, OpImmByteExt, 0x08},
    {86, "ROL", "D0/FE 00/38", 1, BitsW0, OpRm, OpOne, OpNone, 0x01},
    {115, "$JCXZ:JECXZ", "E3", 1, BitsNone, OpJumpShort, OpNone, OpNone, 0x68},
    {137, "MOV", "8C", 1, BitsWord, OpRm, OpSegReg, OpNone, 0x08},
    {139, "CMPS", "A6/FE", 1, BitsW0, OpStrSource, OpStrDest, OpNone, 0x01},
    {144, "REP MOVS", "F3 A4/FE", 1, BitsW0, OpStrDest, OpStrSource, OpHidCount, 0xB1},
    {151, "JMP", "EA", 1, BitsNone, OpJumpFar, OpNone, OpNone, 0x58},
    {152, "JMP", "FF 28/38", 1, BitsNone, OpMemFarTarget, OpNone, OpNone, 0x59},
    {156, "RETF", "CA", 1, BitsNone, OpImm16, OpHidFarRet, OpNone, 0x88},
    {163, "$LOOP*", "E2", 1, BitsLoop, OpJumpShort, OpHidCount, OpNone, 0x60},
    {167, "IN", "E4/FE", 1, BitsIoW0, OpAccum, OpImm8, OpNone, 0x08},
    {183, "HLT", "F4", 1, BitsPrivileged, OpNone, OpNone, OpNone, 0xC8},
    {184, "PUSH", "0E", 1, BitsNone, OpSegLow, OpNone, OpNone, 0x18},
    {200, "LAHF", "9F", 1, BitsNone, OpHidAh, OpHidFlags, OpNone, 0x08},
    {232, "LDS", "C5", 1, BitsNone, OpReg, OpMemFarLoad, OpNone, 0x08},
    {278, "MOV", "0F 22 C0/C0", 2, BitsPrivileged, OpCtrlReg, OpReg32Rm, OpNone, 0x08},
    {304, "FPATAN", "D9 F3", 2, BitsNone, OpHidSt0, OpHidSt1, OpNone, 0x40},
    {319, "FSTSW", "DF E0", 2, BitsWord, OpAx, OpNone, OpNone, 0x40},
    {337, "FADD", "D8 C0/F8", 2, BitsNone, OpSt0, OpStLow3, OpNone, 0x40},
    {363, "FADD", "D8 00/38", 1, BitsNone, OpMemFloat32, OpHidSt0, OpNone, 0x41},
    {432, "PADDB", "0F FC", 2, BitsNone, OpMmxReg, OpMmxRm, OpNone, 0x31},
    {484, "MASKMOVQ", "0F F7", 2, BitsNone, OpMmxReg, OpMmxRegRm, OpHidEdi, 0x31},
    {504, "PFADD", "0F 0F, suffix 9E", 2, BitsNone, OpNowReg, OpNowRm, OpNone, 0xE4},
    {537, "SCASW", "66 AF", 2, BitsNone, OpNone, OpNone, OpNone, 0x00},
    {542, "REP MOVSB", "F3 A4", 1, BitsNone, OpNone, OpNone, OpNone, 0xB0},
    {543, "REP MOVSW", "66 F3 A5", 2, BitsNone, OpNone, OpNone, OpNone, 0xB0},
    {580, "VxDCall", "CD 20", 2, BitsNone, OpVxdService, OpNone, OpNone, 0x78},
    {581, "JCC", "70/F0", 1, BitsCond, OpJumpShort, OpNone, OpNone, 0x60},
    {584, "CMOVCC", "0F 40/F0", 2, BitsCond, OpReg, OpRm, OpNone, 0x00},
    // clang-format on
};

TEST(InstructionTable, TellingRowsHoldEveryColumn) {
    for (const TellingRow& t : kTellingRows) {
        const CommandEntry& row = InstructionTable[t.row];
        const Pattern p = parsePattern(t.pattern);
        SCOPED_TRACE(std::string("row ") + std::to_string(t.row) + " " + t.mnemonic + " " + t.pattern);
        EXPECT_STREQ(row.mnemonic, t.mnemonic);
        EXPECT_EQ(row.matchMask, p.mask);
        EXPECT_EQ(row.matchCode, p.code);
        EXPECT_EQ(row.opcodeLength, t.length);
        EXPECT_EQ(row.sizeBits, t.sizeBits);
        EXPECT_EQ(row.operandKind1, t.op1);
        EXPECT_EQ(row.operandKind2, t.op2);
        EXPECT_EQ(row.operandKind3, t.op3);
        EXPECT_EQ(row.commandType, t.type);
    }
}

struct FirstMatchCase {
    std::vector<uint8_t> bytes;  // after prefixes; a REP prefix stands first
    int row;
    const char* mnemonic;
};

// Where patterns overlap, the specific row must come first.
const FirstMatchCase kFirstMatchCases[] = {
    // clang-format off
    {{0x90}, 0, "NOP"},
    {{0x91}, 52, "XCHG"},
    {{0x87, 0xC0}, 53, "XCHG"},
    {{0xD4, 0x0A}, 177, "AAM"},
    {{0xD4, 0x08}, 178, "AAM"},
    {{0xD5, 0x0A}, 179, "AAD"},
    {{0xD5, 0x10}, 180, "AAD"},
    {{0xA4}, 141, "MOVS"},
    {{0xA5}, 141, "MOVS"},
    {{0xA6}, 139, "CMPS"},
    {{0xAC}, 140, "LODS"},
    {{0xAE}, 142, "SCAS"},
    {{0xAB}, 143, "STOS"},
    {{0x6C}, 171, "INS"},
    {{0x6F}, 172, "OUTS"},
    {{0xF3, 0xA4}, 144, "REP MOVS"},
    {{0xF3, 0xAD}, 145, "REP LODS"},
    {{0xF3, 0xAA}, 146, "REP STOS"},
    {{0xF3, 0xA7}, 147, "REPE CMPS"},
    {{0xF3, 0xAE}, 148, "REPE SCAS"},
    {{0xF2, 0xA6}, 149, "REPNE CMPS"},
    {{0xF2, 0xAF}, 150, "REPNE SCAS"},
    {{0xF3, 0x6D}, 173, "REP INS"},
    {{0xF3, 0x6E}, 174, "REP OUTS"},
    {{0x9B}, 199, "WAIT"},
    {{0xD7}, 195, "XLAT"},
    {{0xCD, 0x20}, 204, "INT"},
    {{0x74, 0x00}, 7, "JE,JZ"},
    {{0x70, 0x00}, 105, "JO"},
    {{0x7F, 0x00}, 44, "JG,JNLE"},
    {{0x0F, 0x80}, 116, "JO"},
    {{0x0F, 0x84}, 22, "JE,JZ"},
    {{0x0F, 0x8F}, 129, "JG,JNLE"},
    {{0x0F, 0x90, 0xC0}, 208, "SETO"},
    {{0x0F, 0x9F, 0xC0}, 223, "SETG,SETNLE"},
    {{0x0F, 0x40, 0xC0}, 242, "CMOVO"},
    {{0x0F, 0x4F, 0xC0}, 257, "CMOVG,CMOVNLE"},
    {{0xE1, 0x00}, 164, "$LOOP*E"},
    {{0xE0, 0x00}, 165, "$LOOP*NE"},
    {{0x0F, 0xC4, 0xC0}, 489, "PINSRW"},
    {{0x0F, 0x0F, 0xC1}, kNowFirst, "PAVGUSB"},
    {{0x0F, 0x22, 0xC0}, 278, "MOV"},
    {{0x0F, 0x22, 0x00}, -1, "(memory form of MOV CRn)"},
    {{0xF3, 0x90}, -1, "(REP with a plain command)"},
    // clang-format on
};

TEST(InstructionTable, FirstMatchingRowKeepsTheOrderRules) {
    for (const FirstMatchCase& c : kFirstMatchCases) {
        const int row = firstMatch(codeOf(c.bytes));
        EXPECT_EQ(row, c.row) << c.mnemonic;
        if (row >= 0 && c.row >= 0) {
            EXPECT_STREQ(InstructionTable[row].mnemonic, c.mnemonic);
        }
    }
}

// With a REP prefix in front, only the REP string rows can match; any other command
// with REP finds no row at all.
TEST(InstructionTable, RepPrefixedCodesMatchOnlyRepStringRows) {
    const std::vector<int> repRows = {144, 145, 146, 147, 148, 149, 150, 173, 174};
    for (uint32_t prefix : {0xF2u, 0xF3u}) {
        for (uint32_t opcode = 0; opcode < 256; ++opcode) {
            for (uint32_t next = 0; next < 256; ++next) {
                const uint32_t code = prefix | opcode << 8 | next << 16;
                const int row = firstMatch(code);
                if (row < 0) continue;
                bool allowed = false;
                for (int r : repRows) allowed = allowed || r == row;
                EXPECT_TRUE(allowed) << "code " << std::hex << code << " matches " << rowName(row);
                EXPECT_EQ(InstructionTable[row].commandType & kClassMask, ClassRepString) << rowName(row);
            }
        }
    }
}

// The decoder never lands on an assembler-only row: it either finds an earlier row or
// takes the leading 66 as a prefix. Every code the row's pattern allows is tried,
// with every value of the byte after the pattern.
TEST(InstructionTable, AssemblerOnlyRowsNeverMatchFirst) {
    for (int i = kAssemblerOnlyFirst; i < kCommandRowCount; ++i) {
        const CommandEntry& row = InstructionTable[i];
        if ((row.matchCode & 0xFF) == 0x66) {
            EXPECT_EQ(row.matchMask & 0xFF, 0xFFu) << rowName(i);
            continue;
        }
        int patternBytes = 0;
        while (patternBytes < 4 && (row.matchMask >> (8 * patternBytes)) != 0) ++patternBytes;
        ASSERT_LE(patternBytes, 2) << rowName(i);
        // The open bits of the pattern bytes and all of the byte after them.
        const uint32_t open = ~row.matchMask & ((1u << (8 * (patternBytes + 1))) - 1);
        uint32_t sub = 0;
        int tried = 0;
        bool reached = false;
        do {
            const uint32_t code = row.matchCode | sub;
            reached = firstMatch(code) >= i;
            EXPECT_FALSE(reached) << rowName(i) << " is the first match for code " << std::hex << code;
            ++tried;
            sub = (sub - open) & open;
        } while (sub != 0 && !reached);
        if (!reached) {
            EXPECT_GE(tried, 256) << rowName(i);
        }
    }
}

TEST(InstructionTable, ShortStringRowsCountTheSizeByteAsOpcode) {
    for (int i = kAssemblerOnlyFirst; i < kCommandRowCount; ++i) {
        const CommandEntry& row = InstructionTable[i];
        const bool sizeByte = (row.matchCode & 0xFF) == 0x66;
        const size_t len = std::strlen(row.mnemonic);
        const bool wordForm =
            row.operandKind1 == OpNone && row.mnemonic[len - 1] == 'W' && (row.commandType & kClassMask) != ClassNow;
        if (!wordForm && !sizeByte) continue;
        EXPECT_TRUE(sizeByte) << rowName(i) << " is a 16-bit short form without the 66 byte";
        EXPECT_TRUE(wordForm) << rowName(i);
        EXPECT_EQ(row.opcodeLength, 2) << rowName(i);
    }
}

struct HazardCase {
    std::vector<uint8_t> bytes;
    int row;  // first hazard row that matches, -1 for none
    uint8_t hazardClass;
};

const HazardCase kHazardCases[] = {
    // clang-format off
    {{0xF7, 0xDC}, 0, HazardOldOs},          // NEG ESP
    {{0xF7, 0xD4}, 1, HazardOldOs},          // NOT ESP
    {{0xCD, 0x20}, 2, HazardOldOs},          // INT 20
    {{0x0F, 0xC7, 0xC8}, 3, HazardLockOnly},  // CMPXCHG8B EAX
    {{0x0F, 0xC7, 0xCF}, 3, HazardLockOnly},  // CMPXCHG8B EDI
    {{0x0F, 0xC7, 0x08}, -1, 0},              // CMPXCHG8B with memory is fine
    {{0xF7, 0xD8}, -1, 0},                    // NEG EAX
    {{0xCD, 0x21}, -1, 0},
    // clang-format on
};

TEST(InstructionTable, HazardRowsMatchTheirCommandsOnly) {
    for (const HazardCase& c : kHazardCases) {
        const uint32_t code = codeOf(c.bytes);
        int found = -1;
        for (int i = 0; i < kHazardRowCount && found < 0; ++i) {
            if (((code ^ HazardTable[i].matchCode) & HazardTable[i].matchMask) == 0) found = i;
        }
        EXPECT_EQ(found, c.row) << "code " << std::hex << code;
        if (found >= 0 && c.row >= 0) {
            EXPECT_EQ(HazardTable[found].commandType, c.hazardClass) << "code " << std::hex << code;
        }
    }
}

struct NameCase {
    const char* table;
    const char* actual;
    const char* expected;
};

const NameCase kNameCases[] = {
    // clang-format off
    {"RegisterNames[0][0]", RegisterNames[0][0], "AL"},
    {"RegisterNames[0][4]", RegisterNames[0][4], "AH"},
    {"RegisterNames[0][8]", RegisterNames[0][8], "R8"},
    {"RegisterNames[1][4]", RegisterNames[1][4], "SP"},
    {"RegisterNames[1][8]", RegisterNames[1][8], "R16"},
    {"RegisterNames[2][5]", RegisterNames[2][5], "EBP"},
    {"RegisterNames[2][8]", RegisterNames[2][8], "R32"},
    {"SegmentNames[0]", SegmentNames[0], "ES"},
    {"SegmentNames[5]", SegmentNames[5], "GS"},
    {"SegmentNames[7]", SegmentNames[7], "SEG?"},
    {"SizeNames[0]", SizeNames[0], "(0-BYTE)"},
    {"SizeNames[4]", SizeNames[4], "DWORD"},
    {"SizeNames[6]", SizeNames[6], "FWORD"},
    {"SizeNames[9]", SizeNames[9], "(9-BYTE)"},
    {"SizeNames[10]", SizeNames[10], "TBYTE"},
    {"FpuNames[0]", FpuNames[0], "ST0"},
    {"FpuNames[8]", FpuNames[8], "FPU"},
    {"MmxNames[7]", MmxNames[7], "MM7"},
    {"MmxNames[8]", MmxNames[8], "MMX"},
    {"ControlRegNames[3]", ControlRegNames[3], "CR3"},
    {"ControlRegNames[8]", ControlRegNames[8], "CRX"},
    {"DebugRegNames[6]", DebugRegNames[6], "DR6"},
    {"DebugRegNames[8]", DebugRegNames[8], "DRX"},
    {"AddressForms[0]", AddressForms[0].registerText, "BX+SI"},
    {"AddressForms[6]", AddressForms[6].registerText, "BP"},
    {"AddressForms[12]", AddressForms[12].registerText, ""},
    {"AddressForms[15]", AddressForms[15].registerText, "EDI"},
    // clang-format on
};

TEST(NameTables, SpellRegistersSizesAndAddressForms) {
    for (const NameCase& c : kNameCases) EXPECT_STREQ(c.actual, c.expected) << c.table;
}

TEST(NameTables, AddressFormsTakeSsExactlyForBpAndEsp) {
    // BP-based 16-bit forms and EBP/ESP bases default to SS; all others to DS.
    const bool stack[16] = {false, false, true,  true,  false, false, true,  false,
                            false, false, false, false, true,  true,  false, false};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(AddressForms[i].defaultSegment, stack[i] ? SegSs : SegDs) << "AddressForms[" << i << "]";
}

}  // namespace
}  // namespace zandrel

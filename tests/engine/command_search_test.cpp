// Name test and the name index that replaces the row-by-row name comparison.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/command_search.h"
#include "engine/engine_api.h"
#include "engine/instruction_table.h"

namespace {

using namespace zandrel;

struct NameCase {
    const char* tableName;
    const char* searchName;
    bool fits;
    int dataSize;
    int addressSize;
};

//  tableName      searchName     fits   dataSize addressSize
const NameCase kNameCases[] = {
    // clang-format off
    {"NOP", "NOP", true, 0, 4},
    {"NOP", "NOPS", false, 0, 0},
    {"JE,JZ", "JZ", true, 0, 4},
    {"JE,JZ", "JE", true, 0, 4},
    {"JE,JZ", "J", false, 0, 0},
    {"VxDCall", "VXDCALL", true, 0, 4},
    {"&PUSHA*", "PUSHA", true, 2, 4},
    {"&PUSHA*", "PUSHAW", true, 2, 4},
    {"&PUSHA*", "PUSHAD", true, 4, 4},
    {"&PUSHA*", "PUSHAX", false, 0, 0},
    {"&CBW:CWDE", "CBW", true, 2, 4},
    {"&CBW:CWDE", "CWDE", true, 4, 4},
    {"&CBW:CWDE", "CWD", false, 0, 0},
    {"$JCXZ:JECXZ", "JCXZ", true, 0, 2},
    {"$JCXZ:JECXZ", "JECXZ", true, 0, 4},
    {"$LOOP*", "LOOP", true, 0, 2},
    {"$LOOP*", "LOOPW", true, 0, 2},
    {"$LOOP*", "LOOPD", true, 0, 4},
    {"$LOOP*", "LOOPE", false, 0, 0},
    {"$LOOP*E", "LOOPE", true, 0, 2},
    {"$LOOP*E", "LOOPDE", true, 0, 4},
    {"$LOOP*NE", "LOOPWNE", true, 0, 2},
    {"REP MOVS", "REP MOVS", true, 0, 4},
    {"REP MOVS", "REP MOVSB", false, 0, 0},
    // clang-format on
};

TEST(CommandSearch, NameTest) {
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(std::string(c.tableName) + " vs " + c.searchName);
        int dataSize = -1;
        int addressSize = -1;
        EXPECT_EQ(NameFits(c.tableName, c.searchName, &dataSize, &addressSize), c.fits);
        if (c.fits) {
            EXPECT_EQ(dataSize, c.dataSize);
            EXPECT_EQ(addressSize, c.addressSize);
        }
    }
}

// Every spelling a row allows: its alternatives with "*" as no letter, W and D.
std::set<std::string> spellings() {
    std::set<std::string> names;
    for (int r = 0; r < kCommandRowCount; ++r) {
        std::string name = InstructionTable[r].mnemonic;
        if (name[0] == '&' || name[0] == '$') name.erase(0, 1);
        std::string alternative;
        for (size_t i = 0; i <= name.size(); ++i) {
            if (i == name.size() || name[i] == ',' || name[i] == ':') {
                std::string upper;
                for (char c : alternative) upper += char(c >= 'a' && c <= 'z' ? c - 32 : c);
                const size_t star = upper.find('*');
                if (star == std::string::npos) {
                    names.insert(upper);
                } else {
                    for (const char* letter : {"", "W", "D"}) {
                        names.insert(upper.substr(0, star) + letter + upper.substr(star + 1));
                    }
                }
                alternative.clear();
            } else {
                alternative += name[i];
            }
        }
    }
    return names;
}

// The index gives, for every name, exactly the rows a walk with the name test finds, in
// table order and with the same sizes: the first-fit rule is unchanged.
TEST(CommandSearch, NameIndexMatchesTheWalk) {
    std::set<std::string> names = spellings();
    for (const char* extra : {"FOO", "MOVSQ", "PUSHAQ", "LOOPQ", "REP NOP", "A", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}) {
        names.insert(extra);
    }
    ASSERT_GT(names.size(), 400u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::vector<NameEntry> walk;
        for (int r = 0; r < kCommandRowCount; ++r) {
            int dataSize = 0;
            int addressSize = 0;
            if (NameFits(InstructionTable[r].mnemonic, name.c_str(), &dataSize, &addressSize)) {
                walk.push_back(NameEntry{int16_t(r), int8_t(dataSize), int8_t(addressSize)});
            }
        }
        const NameEntry* entries = nullptr;
        const int count = LookUpName(name.c_str(), &entries);
        ASSERT_EQ(count, int(walk.size()));
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(entries[i].row, walk[size_t(i)].row);
            EXPECT_EQ(entries[i].dataSize, walk[size_t(i)].dataSize);
            EXPECT_EQ(entries[i].addressSize, walk[size_t(i)].addressSize);
        }
    }
}

// Operand test of single rows: the flags, the operand size it settles on, and whether the
// first operand's jump modifiers are still waiting for a row operand that takes them.
struct OperandCase {
    int row;
    const char* operands;
    int dataSize;  // as the name test and BitsWord leave it
    bool longFormPass;
    int flags;
    int dataSizeAfter;
    bool markLeft;
};

constexpr int K = MisKind, C = MisCount, Z = MisSize, X = MisSizeConflict, G = MisSegment, R = MisRange,
              M = MisModifier;

//  row  operands                              dataSize long  flags  after  markLeft
const OperandCase kOperandCases[] = {
    // clang-format off
    {1,   "EAX,EBX",                           0,  false, 0,     4,  false},  // MOV Reg,Rm (width bit)
    {1,   "AL,[EAX]",                          0,  false, 0,     1,  false},
    {1,   "EAX,[EAX]",                         0,  false, 0,     4,  false},
    {1,   "EAX,BX",                            0,  false, X,     4,  false},
    {1,   "EAX,WORD PTR [EAX]",                0,  false, X,     4,  false},
    {1,   "EAX,5",                             0,  false, K,     4,  false},
    {1,   "[EAX],EAX",                         0,  false, K,     0,  false},
    {1,   "EAX",                               0,  false, C,     4,  false},
    {1,   "EAX,EBX,ECX",                       0,  false, C,     4,  false},
    {2,   "AX",                                0,  false, 0,     2,  false},  // PUSH RegLow3, no width bit
    {2,   "AL",                                0,  false, Z,     0,  false},
    {21,  "EAX,[1234]",                        0,  false, 0,     4,  false},  // MOV Accum,MemOffset
    {21,  "R32,[1234]",                        0,  false, 0,     4,  false},
    {21,  "ECX,[1234]",                        0,  false, K,     0,  false},
    {21,  "EAX,[EBX]",                         0,  false, K,     4,  false},
    {494, "EAX,MM1",                           0,  false, 0,     4,  false},  // PMOVMSKB Reg32,MmxRegRm
    {494, "AX,MM1",                            0,  false, Z,     0,  false},
    {494, "EAX,[EAX]",                         0,  false, K,     4,  false},
    {319, "AX",                                2,  false, 0,     2,  false},  // FSTSW Ax
    {319, "EAX",                               2,  false, Z,     2,  false},
    {319, "CX",                                2,  false, K,     2,  false},
    {168, "AL,DX",                             0,  false, 0,     1,  false},  // IN Accum,Dx
    {168, "AL,EDX",                            0,  false, Z,     1,  false},
    {168, "AL,CX",                             0,  false, K,     1,  false},
    {93,  "EAX,CL",                            0,  false, 0,     4,  false},  // ROL Rm,Cl
    {93,  "EAX,CX",                            0,  false, Z,     4,  false},
    {325, "ST,ST(1)",                          0,  false, 0,     0,  false},  // FCMOVB St0,StLow3
    {325, "FPU,ST(1)",                         0,  false, 0,     0,  false},
    {325, "ST(1),ST(2)",                       0,  false, K,     0,  false},
    {427, "MM0,QWORD PTR [EAX]",               0,  false, 0,     0,  false},  // MOVQ MmxReg,MmxRm
    {427, "MM0,DWORD PTR [EAX]",               0,  false, Z,     0,  false},
    {427, "MM0,EAX",                           0,  false, K,     0,  false},
    {196, "EAX,BYTE PTR [EAX]",                0,  false, 0,     4,  false},  // MOVSX Reg,Rm8
    {196, "EAX,BL",                            0,  false, 0,     4,  false},
    {196, "EAX,WORD PTR [EAX]",                0,  false, Z,     4,  false},
    {278, "CR0,EAX",                           0,  false, 0,     4,  false},  // MOV CtrlReg,Reg32Rm
    {278, "CR0,AX",                            0,  false, Z,     4,  false},
    {278, "CR0,[EAX]",                         0,  false, K,     4,  false},
    {280, "DR7,EAX",                           0,  false, 0,     4,  false},  // MOV DbgReg,Reg32Rm
    {18,  "EAX",                               0,  false, 0,     0,  false},  // CALL RmTarget
    {18,  "WORD PTR [EAX]",                    0,  false, Z,     0,  false},
    {18,  "LONG [EAX]",                        0,  false, 0,     0,  false},
    {18,  "SHORT [EAX]",                       0,  false, M,     0,  false},
    {18,  "FAR [EAX]",                         0,  false, M,     0,  false},
    {18,  "NEAR 5",                            0,  false, K,     0,  false},
    {232, "EAX,[EBX]",                         0,  false, 0,     4,  false},  // LDS Reg,MemFarLoad
    {232, "AX,[EBX]",                          0,  false, X,     2,  false},
    {232, "EAX,DWORD PTR [EBX]",               0,  false, Z,     4,  false},
    {152, "FAR [EAX]",                         0,  false, 0,     0,  false},  // JMP MemFarTarget
    {152, "FWORD PTR [EAX]",                   0,  false, 0,     0,  false},
    {152, "DWORD PTR [EAX]",                   0,  false, Z,     0,  false},
    {152, "NEAR [EAX]",                        0,  false, M,     0,  false},
    {152, "FAR 5",                             0,  false, K,     0,  false},
    {266, "[EAX]",                             0,  false, 0,     0,  false},  // LGDT MemDescriptor
    {266, "DWORD PTR [EAX]",                   0,  false, Z,     0,  false},
    {266, "EAX",                               0,  false, K,     0,  false},
    {238, "EAX,QWORD PTR [EBX]",               0,  false, 0,     4,  false},  // BOUND Reg,MemBounds
    {238, "EAX,DWORD PTR [EBX]",               0,  false, X,     4,  false},
    {366, "WORD PTR [EAX]",                    0,  false, 0,     0,  false},  // FIADD MemInt16
    {366, "DWORD PTR [EAX]",                   0,  false, Z,     0,  false},
    {363, "DWORD PTR [EAX]",                   0,  false, 0,     0,  false},  // FADD MemFloat32
    {363, "QWORD PTR [EAX]",                   0,  false, Z,     0,  false},
    {259, "QWORD PTR [EAX]",                   0,  false, 0,     0,  false},  // CMPXCHG8B MemQword
    {259, "EAX",                               0,  false, K,     0,  false},
    {391, "TBYTE PTR [EAX]",                   0,  false, 0,     0,  false},  // FBLD MemBcd
    {391, "QWORD PTR [EAX]",                   0,  false, Z,     0,  false},
    {415, "[EAX]",                             0,  false, 0,     0,  false},  // FLDENV MemFpuEnv
    {415, "DWORD PTR [EAX]",                   0,  false, Z,     0,  false},
    {139, "[ESI],[EDI]",                       0,  false, 0,     0,  false},  // CMPS StrSource,StrDest
    {139, "BYTE PTR [ESI],ES:[EDI]",           0,  false, 0,     1,  false},
    {139, "[ESI],DS:[EDI]",                    0,  false, G,     0,  false},
    {139, "[ESI+1],[EDI]",                     0,  false, K,     0,  false},
    {139, "[ESI],[EDI+CONST]",                 0,  false, K,     0,  false},
    {139, "DWORD PTR [ESI],BYTE PTR [EDI]",    0,  false, X,     4,  false},
    {195, "[EBX+AL]",                          0,  false, 0,     0,  false},  // XLAT Xlat
    {195, "[EBX]",                             0,  false, K,     0,  false},
    {5,   "5",                                 0,  false, 0,     0,  false},  // PUSH Imm
    {5,   "EAX",                               0,  false, K,     0,  false},
    {5,   "SHORT 5",                           0,  false, M,     0,  true},
    {580, "5",                                 0,  false, 0,     4,  false},  // VxDCall VxdService
    {580, "5",                                 2,  false, Z,     2,  false},
    {80,  "EAX,EBX,7F",                        0,  false, 0,     4,  false},  // IMUL Reg,Rm,ImmByteExt
    {80,  "EAX,EBX,-80",                       0,  false, 0,     4,  false},
    {80,  "EAX,EBX,80",                        0,  false, R,     4,  false},
    {86,  "EAX,1",                             0,  false, 0,     4,  false},  // ROL Rm,One
    {86,  "EAX,CONST",                         0,  false, 0,     4,  false},
    {86,  "EAX,2",                             0,  false, K,     4,  false},
    {41,  "EAX,0FF",                           0,  false, 0,     4,  false},  // SHR Rm,ShiftCount
    {41,  "EAX,-80",                           0,  false, 0,     4,  false},
    {41,  "EAX,100",                           0,  false, R,     4,  false},
    {41,  "EAX,-81",                           0,  false, R,     4,  false},
    {166, "0FFFF,0",                           0,  false, 0,     0,  false},  // ENTER Imm16,Imm8
    {166, "10000,0",                           0,  false, R,     0,  false},
    {166, "-1,0",                              0,  false, R,     0,  false},
    {7,   "70",                                0,  false, 0,     0,  false},  // JE JumpShort
    {7,   "SHORT 70",                          0,  false, 0,     0,  false},
    {7,   "NEAR 70",                           0,  false, 0,     0,  false},
    {7,   "LONG 70",                           0,  false, M,     0,  false},
    {7,   "70",                                0,  true,  K,     0,  false},
    {4,   "LONG 70",                           0,  false, 0,     0,  false},  // CALL JumpNear
    {4,   "SHORT 70",                          0,  false, M,     0,  false},
    {4,   "FAR 70",                            0,  false, M,     0,  false},
    {151, "1234:5678",                         0,  false, 0,     0,  false},  // JMP JumpFar
    {151, "FAR 1234:5678",                     0,  false, 0,     0,  false},
    {151, "NEAR 1234:5678",                    0,  false, M,     0,  false},
    {151, "FAR 5",                             0,  false, K,     0,  false},
    {137, "AX,DS",                             2,  false, 0,     2,  false},  // MOV Rm,SegReg (BitsWord)
    {137, "[EAX],DS",                          2,  false, 0,     2,  false},
    {137, "EAX,DS",                            2,  false, X,     2,  false},
    {137, "EAX,DS",                            0,  false, X,     4,  false},
    {184, "FS",                                0,  false, 0,     0,  false},  // PUSH SegLow
    {184, "EAX",                               0,  false, K,     0,  false},
    // clang-format on
};

TEST(CommandSearch, OperandTest) {
    VB_SetOptions(0, 0, 0, 1);
    for (const OperandCase& c : kOperandCases) {
        SCOPED_TRACE(std::string("row ") + std::to_string(c.row) + " \"" + c.operands + "\"");
        SearchState s;
        ScanState scan;
        StartScan(scan, c.operands);
        NextToken(scan, false);
        ParseOperand(scan, s.operands[0]);
        for (int i = 1; i < 3 && IsPunct(scan, ','); ++i) {
            NextToken(scan, false);
            ParseOperand(scan, s.operands[i]);
        }
        ASSERT_EQ(scan.tokenKind, TokEnd) << scan.tokenError;
        s.pendingModifiers = s.operands[0].jumpModifiers;
        if (s.pendingModifiers != 0) s.pendingModifiers |= kModifiersPending;
        s.dataSize = c.dataSize;
        s.longFormPass = c.longFormPass;
        EXPECT_EQ(TestOperands(InstructionTable[c.row], s), c.flags);
        EXPECT_EQ(s.dataSize, c.dataSizeAfter);
        EXPECT_EQ((s.pendingModifiers & kModifiersPending) != 0, c.markLeft);
    }
}

}  // namespace

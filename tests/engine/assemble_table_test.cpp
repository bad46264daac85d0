// Every table row, written as a line from its name and operand kinds, assembles through that
// row and decodes back to the same command.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/command_search.h"
#include "engine/engine_api.h"
#include "engine/instruction_table.h"

namespace {

using namespace zandrel;

// Rows from here on serve the assembler only; the decoder meets an earlier row first.
constexpr int kFirstAssemblerOnlyRow = 527;

// Rows the assembler cannot reach by design, or whose bytes decode through another row.
struct Unreachable {
    int row;
    const char* reason;
};
//  row  reason
const Unreachable kUnreachable[] = {
    // clang-format off
    {502, "SFENCE: the row's pattern 0F AE F8 has length 2, so both directions stop after 0F AE"},
    {580, "VxDCall: the decoder lists CD 20 as INT 20 and the service number as further commands"},
    // clang-format on
};

// One operand text per kind; sizes follow the row so the line fits this row only.
std::string operandText(const CommandEntry& row, uint8_t kind) {
    const bool word = row.sizeBits == BitsWord;
    switch (kind) {
        case OpReg: return word ? "CX" : "ECX";
        case OpRegLow3: return "EDX";
        case OpReg32: return "EBX";
        case OpAccum: return "EAX";
        case OpAx: return "AX";
        case OpDx: return "DX";
        case OpCl: return "CL";
        case OpSt0: return "ST";
        case OpStLow3: return "ST(3)";
        case OpMmxReg:
        case OpNowReg: return "MM2";
        case OpRm: return word ? "WORD PTR [EBX+8]" : "DWORD PTR [EBX+8]";
        case OpRm8: return "BYTE PTR [ESI]";
        case OpRm16: return "WORD PTR [ESI]";
        case OpRm32: return "DWORD PTR [ESI]";
        case OpReg32Rm: return "EDI";
        case OpMmxRm:  // register: the shift-by-constant groups take no memory
        case OpNowRm:
        case OpMmxRegRm:
        case OpNowRegRm: return "MM5";
        case OpRmTarget: return "DWORD PTR [EAX]";
        case OpMemAddr: return "[EAX+ECX*4+10]";
        case OpMemFarLoad:
        case OpMemFarTarget:
        case OpMemDescriptor: return "FWORD PTR [EAX]";
        case OpMemBounds: return "QWORD PTR [EAX]";
        case OpMemInt16:
        case OpMemWord16: return "WORD PTR [EAX]";
        case OpMemInt32:
        case OpMemFloat32: return "DWORD PTR [EAX]";
        case OpMemQword:
        case OpMemFloat64: return "QWORD PTR [EAX]";
        case OpMemBcd:
        case OpMemFloat80: return "TBYTE PTR [EAX]";
        case OpMemFpuEnv:
        case OpMemFpuState:
        case OpMemFpuExtState: return "[EAX]";
        case OpStrSource: return "DWORD PTR [ESI]";
        case OpStrDest: return "DWORD PTR ES:[EDI]";
        case OpXlat: return "[EBX+AL]";
        case OpImm:
        case OpImmUnsigned: return "12";
        case OpVxdService: return "12345678";
        case OpImmByteExt: return "5";
        case OpOne: return "1";
        case OpShiftCount: return "3";
        case OpImm8: return "7";
        case OpImm16: return "1234";
        case OpMemOffset: return "[12345678]";
        case OpJumpShort: return "70";
        case OpJumpNear: return "LONG 70";
        case OpJumpFar: return "1234:5678";
        case OpSegReg: return "DS";
        case OpSegLow: {
            const uint32_t code = row.matchCode & row.matchMask;
            if (row.opcodeLength == 2) return ((code >> 8) & 0xF8) == 0xA0 ? "FS" : "GS";
            static const char* const kSegments[] = {"ES", "CS", "SS", "DS"};
            return kSegments[(code >> 3) & 3];
        }
        case OpCtrlReg: return "CR2";
        case OpDbgReg: return "DR3";
        default: return "?";
    }
}

// The row's first spelling, as the decoder would write it.
std::string firstName(const CommandEntry& row) {
    std::string name;
    const char* p = row.mnemonic;
    const bool bySize = *p == '&' || *p == '$';
    if (bySize) ++p;
    for (; *p && *p != ',' && *p != ':'; ++p) {
        if (*p == '*') {
            name += 'D';  // the 32-bit form
        } else {
            name += *p;
        }
    }
    return name;
}

// All spellings of a row's name, upper case.
bool nameHasSpelling(const CommandEntry& row, const std::string& word) {
    int dataSize = 0;
    int addressSize = 0;
    std::string upper;
    for (char c : word) upper += char(c >= 'a' && c <= 'z' ? c - 32 : c);
    return NameFits(row.mnemonic, upper.c_str(), &dataSize, &addressSize);
}

std::string lineFor(const CommandEntry& row) {
    std::string line = firstName(row);
    const uint8_t kinds[3] = {row.operandKind1, row.operandKind2, row.operandKind3};
    for (int i = 0; i < 3 && kinds[i] != OpNone && kinds[i] < kHiddenOperandFirst; ++i) {
        line += i == 0 ? " " : ",";
        line += operandText(row, kinds[i]);
    }
    return line;
}

const char* unreachableReason(int row) {
    for (const Unreachable& u : kUnreachable) {
        if (u.row == row) return u.reason;
    }
    return nullptr;
}

std::string mnemonicOf(const char* commandText) {
    std::string text(commandText);
    // "REP MOVS" style names keep their two words; operands follow the last word.
    const size_t space = text.find(' ');
    if (space == std::string::npos) return text;
    const std::string first = text.substr(0, space);
    if (first == "REP" || first == "REPE" || first == "REPNE") {
        const size_t second = text.find(' ', space + 1);
        return second == std::string::npos ? text : text.substr(0, second);
    }
    return first;
}

TEST(AssembleTable, EveryRowAssemblesAndDecodesBack) {
    VB_SetOptions(0, 0, 0, 1);
    for (int r = 0; r < kCommandRowCount; ++r) {
        const CommandEntry& row = InstructionTable[r];
        const std::string line = lineFor(row);
        SCOPED_TRACE("row " + std::to_string(r) + " \"" + line + "\"");
        if (const char* reason = unreachableReason(r)) {
            SUCCEED() << reason;
            continue;
        }
        AsmModel model{};
        char error[256] = "";
        int length = 0;
        int lastResult = 0;
        for (int attempt = 0; attempt < 16 && length == 0; ++attempt) {
            lastResult = Assemble(line.c_str(), 100, &model, attempt, 0, error);
            if (lastResult <= 0) break;
            if (LastEncodedRow() == r) length = lastResult;
        }
        ASSERT_GT(length, 0) << "no attempt reaches the row; last result " << lastResult << " " << error;

        DisasmRecord record;
        const int decoded = Disasm(model.codeBytes, unsigned(length), 100, &record, 3);
        EXPECT_EQ(record.errorCode, 0) << record.commentText;
        EXPECT_EQ(decoded, length) << record.commandText;
        const std::string mnemonic = mnemonicOf(record.commandText);
        if (r < kFirstAssemblerOnlyRow) {
            // The decoder comes back to this very row: its name and its type.
            EXPECT_TRUE(nameHasSpelling(row, mnemonic)) << record.commandText;
            EXPECT_EQ(record.commandType | FlagRare, row.commandType | FlagRare) << record.commandText;
        }
        // Assembler-only rows are covered by an earlier row (or start with the 66 prefix): the
        // length above and the way back below are what they share with it.
        // Whatever row decodes it, re-assembling its text gives the same bytes back.
        AsmModel again{};
        bool same = false;
        for (int attempt = 0; attempt < 16 && !same; ++attempt) {
            const int back = Assemble(record.commandText, 100, &again, attempt, 0, error);
            if (back <= 0) break;
            same = back == length && std::memcmp(again.codeBytes, model.codeBytes, size_t(length)) == 0;
        }
        EXPECT_TRUE(same) << "listing \"" << record.commandText << "\" does not assemble back";
    }
}

}  // namespace

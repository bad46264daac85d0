// Assemble: lines, attempts and constant sizes against bytes, masks, jump fields and messages.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "engine/engine_api.h"

// Counts every allocation through operator new, to show that Assemble makes none.
std::atomic<long> gAllocations{0};

[[gnu::noinline]] void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// Kept out of line so the compiler never pairs a visible new with this free.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kAtEnd = 1000000;  // error position: the end of the line (or its ";")

struct Case {
    const char* line;
    int attempt;
    int constSize;
    const char* code;     // hexadecimal bytes; empty for an error
    const char* mask;     // hexadecimal mask bytes; empty when all FF
    const char* message;  // empty on success
    int position;         // error position (kAtEnd = end of line)
};

// Address 100 for all of these.
//  line                                         attempt constSize code                           mask            message                                              position
const Case kCases[] = {
    // clang-format off
    {"", 0, 0, "", "", "", 0},
    {"   ; comment", 0, 0, "", "", "", 0},
    {"; comment", 0, 0, "", "", "", 0},
    {"NOP", 0, 0, "90", "", "", 0},
    {"nop", 0, 0, "90", "", "", 0},
    {"  Nop  ; why not", 0, 0, "90", "", "", 0},
    {"MOV EAX,1", 0, 0, "C7 C0 01 00 00 00", "", "", 0},
    {"mov eax,1", 0, 0, "C7 C0 01 00 00 00", "", "", 0},
    {"ADD EAX,1", 0, 0, "81 C0 01 00 00 00", "", "", 0},
    {"MOV EAX,1", 1, 0, "B8 01 00 00 00", "", "", 0},
    {"MOV EAX,1", 2, 0, "", "", "Command does not support given operands", kAtEnd},
    {"NOP", 1, 0, "", "", "Unrecognized command", 3},
    {"ADD EAX,1", 1, 0, "05 01 00 00 00", "", "", 0},
    {"ADD EAX,1", 2, 0, "", "", "Unrecognized command", 4},
    {"RETN", 1, 0, "", "", "Wrong number of operands", kAtEnd},
    {"MOV EAX,EBX", 0, 0, "8B C3", "", "", 0},
    {"MOV EAX,EBX", 1, 0, "89 D8", "", "", 0},
    {"mov eax,ebx ; x", 0, 0, "8B C3", "", "", 0},
    {"MOV EAX,EBX,", 0, 0, "8B C3", "", "", 0},
    {"MOV EAX,EBX ECX", 0, 0, "", "", "Extra input after operand", 15},
    {"MOV", 0, 0, "", "", "Too few operands", kAtEnd},
    {"MOV EAX", 0, 0, "", "", "Too few operands", kAtEnd},
    {"MOV EAX,EBX,ECX", 0, 0, "", "", "Too many operands", kAtEnd},
    {"PUSH EAX,EBX", 0, 0, "", "", "Too many operands", kAtEnd},
    {"RET 8", 0, 0, "", "", "Too many operands", kAtEnd},
    {"MOV EAX,BL", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"MOV 1,EAX", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"LEA EAX,EBX", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"FOO", 0, 0, "", "", "Unrecognized command", 3},
    {"FOO EAX", 0, 0, "", "", "Unrecognized command", 4},
    {"ABCDEFGHIJKLMNOPQ", 0, 0, "", "", "Command mnemonic expected", 17},
    {"ABCDEFGHIJKLMNOP", 0, 0, "", "", "Unrecognized command", 16},
    {"REP", 0, 0, "", "", "Command mnemonic expected", 3},
    {"EIP", 0, 0, "", "", "Command mnemonic expected", 3},
    {"REP REP MOVSB", 0, 0, "", "", "Duplicated REP prefix", 8},
    {"REP REPE MOVSB", 0, 0, "", "", "Duplicated REP prefix", 9},
    {"LOCK LOCK NOP", 0, 0, "", "", "Duplicated LOCK prefix", 10},
    {"REP MOVSB", 0, 0, "F3 A4", "", "", 0},
    {"REPZ CMPSB", 0, 0, "F3 A6", "", "", 0},
    {"REPNE SCASB", 0, 0, "F2 AE", "", "", 0},
    {"REP CMPSB", 0, 0, "", "", "Unrecognized command", 9},
    {"REP NOP", 0, 0, "", "", "Unrecognized command", 7},
    {"LOCK REP MOVSB", 0, 0, "F0 F3 A4", "", "", 0},
    {"REP LOCK MOVSB", 0, 0, "F0 F3 A4", "", "", 0},
    {"LOCK NOP", 0, 0, "F0 90", "", "", 0},
    {"PUSHA", 0, 0, "66 60", "", "", 0},
    {"PUSHAW", 0, 0, "66 60", "", "", 0},
    {"PUSHAD", 0, 0, "60", "", "", 0},
    {"SHL EAX,1", 0, 0, "C1 E0 01", "", "", 0},
    {"SHL EAX,1", 1, 0, "D1 E0", "", "", 0},
    {"SAR EAX,1", 0, 0, "D1 F8", "", "", 0},
    {"CBW", 0, 0, "66 98", "", "", 0},
    {"CWDE", 0, 0, "98", "", "", 0},
    {"CWD", 0, 0, "66 99", "", "", 0},
    {"CDQ", 0, 0, "99", "", "", 0},
    {"LOOP 70", 0, 0, "67 E2 09", "", "", 0},
    {"LOOPD 70", 0, 0, "E2 0A", "", "", 0},
    {"JCXZ 70", 0, 0, "67 E3 09", "", "", 0},
    {"JECXZ 70", 0, 0, "E3 0A", "", "", 0},
    // Size-dependent names: 16-bit spellings get 66 or 67, the D forms nothing.
    {"LOOPE 70", 0, 0, "67 E1 09", "", "", 0},
    {"LOOPNE 70", 0, 0, "67 E0 09", "", "", 0},
    {"LOOPZ 70", 0, 0, "67 E1 09", "", "", 0},
    {"LOOPNZ 70", 0, 0, "67 E0 09", "", "", 0},
    {"LOOPW 70", 0, 0, "67 E2 09", "", "", 0},
    {"LOOPDE 70", 0, 0, "E1 0A", "", "", 0},
    {"POPA", 0, 0, "66 61", "", "", 0},
    {"POPAD", 0, 0, "61", "", "", 0},
    {"PUSHF", 0, 0, "66 9C", "", "", 0},
    {"PUSHFD", 0, 0, "9C", "", "", 0},
    {"POPF", 0, 0, "66 9D", "", "", 0},
    {"IRET", 0, 0, "66 CF", "", "", 0},
    {"IRETD", 0, 0, "CF", "", "", 0},
    {"JZ 70", 0, 0, "74 0A", "", "", 0},
    {"JNE 70", 0, 0, "75 0A", "", "", 0},
    {"JECXZ LONG 70", 0, 0, "", "", "Invalid jump size modifier", kAtEnd},
    // A refused modifier counts whatever the operand is; an accepted one leaves the operand's kind.
    {"JECXZ FAR 1234:5678", 0, 0, "", "", "Invalid jump size modifier", kAtEnd},
    {"LOOPD LONG [EAX]", 0, 0, "", "", "Invalid jump size modifier", kAtEnd},
    {"JECXZ NEAR [EAX]", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"INT 100", 0, 0, "", "", "Constant out of expected range", kAtEnd},
    {"ENTER 10,100", 0, 0, "", "", "Constant out of expected range", kAtEnd},
    {"RETN -1", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"SHL EAX,100", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"MOVS DWORD PTR DS:[EDI],DWORD PTR [ESI]", 0, 0, "", "", "Invalid segment register", kAtEnd},
    {"MOVS DWORD PTR [EDI],BYTE PTR [ESI]", 0, 0, "", "", "Different size of operands", kAtEnd},
    {"LES AX,[EBX]", 0, 0, "", "", "Different size of operands", kAtEnd},
    {"LES EAX,DWORD PTR [EBX]", 0, 0, "", "", "Bad operand size", kAtEnd},
    {"SETE EAX", 0, 0, "", "", "Bad operand size", kAtEnd},
    {"LGDT DWORD PTR [EAX]", 0, 0, "", "", "Bad operand size", kAtEnd},
    {"BOUND EAX,QWORD PTR [EBX]", 0, 0, "62 03", "", "", 0},
    {"BOUND EAX,DWORD PTR [EBX]", 0, 0, "", "", "Different size of operands", kAtEnd},
    {"MOV DS,AX", 0, 0, "8E D8", "", "", 0},
    {"MOV DS,EAX", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"MOV EAX,SHORT 5", 0, 0, "C7 C0 05 00 00 00", "", "", 0},
    {"INC SHORT [EAX]", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"PUSH SHORT 5", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    // clang-format off
    // clang-format on
    // NEAR fits the one-byte, long and indirect near forms; SHORT only the one-byte form;
    // LONG the long and indirect near forms; FAR only the far forms.
    {"JMP NEAR 70", 0, 0, "EB 0A", "", "", 0},
    {"JMP SHORT 70", 0, 0, "EB 0A", "", "", 0},
    {"JMP NEAR [EAX]", 0, 0, "FF 20", "", "", 0},
    {"JMP LONG [EAX]", 0, 0, "FF 20", "", "", 0},
    {"JMP SHORT [EAX]", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"JMP FAR 70", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"JMP NEAR 1234:5678", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"CALL FAR [EAX]", 0, 0, "FF 18", "", "", 0},
    {"CALL LONG 70", 0, 0, "E8 07 00 00 00", "", "", 0},
    // Scanner and operand parser messages come out at their own positions.
    {"MOV EAX,FFh", 0, 0, "", "", "Unknown identifier", 11},
    {"JMP SHORT", 0, 0, "", "", "Unrecognized operand", 9},
    {"FLD 1.5", 0, 0, "", "", "Floating-point numbers are not allowed in command", 7},
    // Encoder
    {"MOV EAX,[EBX]", 0, 0, "8B 03", "", "", 0},
    {"MOV EAX,[EBX+4]", 0, 0, "8B 83 04 00 00 00", "", "", 0},
    {"MOV EAX,[EBX+4]", 0, 1, "8B 43 04", "", "", 0},
    {"MOV EAX,[EBX-80]", 0, 1, "8B 43 80", "", "", 0},
    {"MOV EAX,[EBX-81]", 0, 1, "8B 83 7F FF FF FF", "", "", 0},
    {"MOV EAX,[EBX*4]", 0, 0, "8B 04 9D 00 00 00 00", "", "", 0},
    {"MOV EAX,[EBX*2]", 0, 0, "8B 04 1B", "", "", 0},
    {"MOV EAX,[EBX*2+7F]", 0, 0, "8B 84 1B 7F 00 00 00", "", "", 0},
    {"MOV EAX,[EBX*2+80]", 0, 0, "8B 04 5D 80 00 00 00", "", "", 0},
    {"MOV EAX,[EBX*0]", 0, 0, "8B 05 00 00 00 00", "", "", 0},
    {"MOV EAX,[ESP]", 0, 0, "8B 04 24", "", "", 0},
    {"MOV EAX,[EBP]", 0, 0, "8B 85 00 00 00 00", "", "", 0},
    {"MOV EAX,[EBP]", 0, 1, "8B 45 00", "", "", 0},
    {"MOV EAX,[ESP+EAX]", 0, 0, "8B 04 04", "", "", 0},
    {"MOV EAX,[EAX+ESP]", 0, 0, "8B 04 04", "", "", 0},
    {"MOV EAX,[ESP*2]", 0, 0, "", "", "Invalid indexing mode", kAtEnd},
    {"MOV EAX,[ESP+ESP]", 0, 0, "", "", "Invalid indexing mode", kAtEnd},
    {"MOV EAX,[EBP+ESI]", 0, 0, "8B 04 2E", "", "", 0},
    {"MOV EAX,[ESI+EBP]", 0, 0, "8B 04 2E", "", "", 0},
    {"MOV EAX,[EBP+ESI+4]", 0, 0, "8B 84 35 04 00 00 00", "", "", 0},
    {"MOV EAX,[1234]", 0, 0, "8B 05 34 12 00 00", "", "", 0},
    {"MOV EAX,DS:[1234]", 0, 0, "8B 05 34 12 00 00", "", "", 0},
    {"MOV EAX,ES:[1234]", 0, 0, "26 8B 05 34 12 00 00", "", "", 0},
    {"MOV EAX,SS:[EBP]", 0, 0, "8B 85 00 00 00 00", "", "", 0},
    {"MOV EAX,DS:[EBP]", 0, 0, "3E 8B 85 00 00 00 00", "", "", 0},
    {"MOV EAX,SS:[EAX]", 0, 0, "36 8B 00", "", "", 0},
    {"MOV EAX,DS:[EAX]", 0, 0, "8B 00", "", "", 0},
    {"MOV EAX,SS:[EAX*4]", 0, 0, "36 8B 04 85 00 00 00 00", "", "", 0},
    {"MOV EAX,DS:[EAX*4]", 0, 0, "8B 04 85 00 00 00 00", "", "", 0},
    {"MOV EAX,[EAX+CONST]", 0, 0, "8B 80 00 00 00 00", "FF FF 00 00 00 00", "", 0},
    {"MOV EAX,[EBX+CONST]", 0, 1, "8B 43 00", "FF FF 00", "", 0},
    {"MOV EAX,R32", 0, 0, "8B C0", "FF F8", "", 0},
    {"MOV R32,R32", 0, 0, "8B C0", "FF C0", "", 0},
    {"MOV EAX,[R32]", 0, 0, "8B 00", "FF F8", "", 0},
    {"MOV EAX,[EBX+R32*4]", 0, 0, "8B 04 83", "FF FF C7", "", 0},
    {"FLD FPU", 0, 0, "D9 C0", "FF F8", "", 0},
    {"MOV AL,R8", 0, 0, "8A C0", "FF F8", "", 0},
    {"MOV R16,R16", 0, 0, "66 8B C0", "FF FF C0", "", 0},
    {"PUSH R32", 0, 0, "50", "F8", "", 0},
    {"MOV EAX,[R32+4]", 0, 0, "8B 80 04 00 00 00", "FF F8 FF FF FF FF", "", 0},
    {"MOV EAX,FS:[R32]", 0, 0, "64 8B 00", "FF FF F8", "", 0},
    {"MOV EAX,[R32*2]", 0, 0, "8B 04 00", "FF FF C0", "", 0},
    {"MOV EAX,[EBP+CONST]", 0, 0, "8B 85 00 00 00 00", "FF FF 00 00 00 00", "", 0},
    {"MOV EAX,[ESP+EBP]", 0, 0, "8B 04 2C", "", "", 0},
    {"MOV EAX,[EBP*2]", 0, 0, "8B 84 2D 00 00 00 00", "", "", 0},
    {"MOV EAX,[EBP*2+80]", 0, 0, "8B 04 6D 80 00 00 00", "", "", 0},
    {"MOV AX,BX", 0, 0, "66 8B C3", "", "", 0},
    {"MOV AX,DS", 0, 0, "8C D8", "", "", 0},
    {"ARPL AX,BX", 0, 0, "66 63 D8", "", "", 0},
    {"MOV AL,-1", 0, 0, "C6 C0 FF", "", "", 0},
    {"MOV AL,-81", 0, 0, "C6 C0 7F", "", "", 0},
    {"MOV AL,1FF", 0, 0, "", "", "Constant does not fit into operand", kAtEnd},
    {"MOV WORD PTR [EAX],-10000", 0, 0, "66 C7 00 00 00", "", "", 0},
    {"MOV WORD PTR [EAX],-10001", 0, 0, "", "", "Constant does not fit into operand", kAtEnd},
    {"MOV [EAX],1", 0, 0, "", "", "Please specify operand size", kAtEnd},
    {"INC [EAX]", 0, 0, "", "", "Please specify operand size", kAtEnd},
    {"SHL [EAX],1", 0, 0, "", "", "Please specify operand size", kAtEnd},
    {"MOV BYTE PTR [EAX],1", 0, 0, "C6 00 01", "", "", 0},
    {"MOV WORD PTR [EAX],1", 0, 0, "66 C7 00 01 00", "", "", 0},
    {"MOV DWORD PTR [EAX],1", 0, 0, "C7 00 01 00 00 00", "", "", 0},
    {"PUSH 5", 0, 0, "68 05 00 00 00", "", "", 0},
    {"PUSH 5", 0, 2, "6A 05", "", "", 0},
    {"ADD EAX,1", 0, 2, "83 C0 01", "", "", 0},
    {"ADD EAX,80", 0, 2, "81 C0 80 00 00 00", "", "", 0},
    {"ADD EAX,-80", 0, 2, "83 C0 80", "", "", 0},
    {"ADD AX,1", 0, 2, "66 83 C0 01", "", "", 0},
    {"ADD EAX,CONST", 0, 2, "83 C0 00", "FF FF 00", "", 0},
    {"ENTER 10,2", 0, 0, "C8 10 00 02", "", "", 0},
    {"ENTER CONST,CONST", 0, 0, "C8 00 00 00", "FF 00 00 00", "", 0},
    {"PUSH ES", 0, 0, "06", "", "", 0},
    {"PUSH FS", 0, 0, "0F A0", "", "", 0},
    {"POP GS", 0, 0, "0F A9", "", "", 0},
    {"POP CS", 0, 0, "", "", "Unable to POP CS", kAtEnd},
    {"MOV EAX,CR0", 0, 0, "0F 20 C0", "", "", 0},
    {"MOV CR3,EAX", 0, 0, "0F 22 D8", "", "", 0},
    {"FLD ST(1)", 0, 0, "D9 C1", "", "", 0},
    {"FADD ST(2),ST", 0, 0, "DC C2", "", "", 0},
    {"FLD QWORD PTR [EAX]", 0, 0, "DD 00", "", "", 0},
    {"MOVQ MM0,MM1", 0, 0, "0F 6F C1", "", "", 0},
    {"PFADD MM0,MM1", 0, 0, "0F 0F C1 9E", "", "", 0},
    {"REP MOVSW", 0, 0, "66 F3 A5", "", "", 0},
    {"REP MOVS DWORD PTR ES:[EDI],DWORD PTR [ESI]", 0, 0, "F3 A5", "", "", 0},
    {"REP MOVS BYTE PTR [EDI],[ESI]", 0, 0, "F3 A4", "", "", 0},
    {"MOVS [EDI],[ESI]", 0, 0, "", "", "Please specify operand size", kAtEnd},
    {"SCASW", 0, 0, "66 AF", "", "", 0},
    {"LOCK ADD [EAX],EBX", 0, 0, "F0 01 18", "", "", 0},
    {"XLAT ES:[EBX+AL]", 0, 0, "26 D7", "", "", 0},
    {"JMP 70", 0, 0, "EB 0A", "", "", 0},
    {"JMP 0E5", 0, 0, "EB 7F", "", "", 0},
    {"JMP 0E6", 0, 0, "E9 7D 00 00 00", "", "", 0},
    // One-byte JMP targets reach from -26 to 229 (decimal) at address 100.
    {"JMP -1A", 0, 0, "EB 80", "", "", 0},
    {"JMP -1B", 0, 0, "E9 7C FF FF FF", "", "", 0},
    {"JMP 200", 0, 0, "E9 97 01 00 00", "", "", 0},
    {"JE 100", 0, 0, "0F 84 96 00 00 00", "", "", 0},
    {"JMP SHORT 200", 0, 0, "", "", "Relative jump out of range, use JMP LONG form", kAtEnd},
    {"JE SHORT 100", 0, 0, "", "", "Relative jump out of range, use JE LONG form", kAtEnd},
    {"CALL 70", 0, 0, "E8 07 00 00 00", "", "", 0},
    {"JMP -1", 0, 0, "EB 99", "", "", 0},
    {"JMP CONST", 0, 0, "EB 9A", "FF 00", "", 0},
    {"LOOP 200", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"JECXZ 200", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"LOOPD SHORT 200", 0, 0, "", "", "Relative jump out of range, use LOOPD LONG form", kAtEnd},
    {"LOOPD 200", 0, 0, "", "", "Command does not support given operands", kAtEnd},
    {"JCXZ SHORT 200", 0, 0, "", "", "Relative jump out of range, use JCXZ LONG form", kAtEnd},
    {"JMP FAR 1234:5678", 0, 0, "EA 78 56 00 00 34 12", "", "", 0},
    {"JMP 1234:5678", 0, 0, "EA 78 56 00 00 34 12", "", "", 0},
    {"CALL 1234:5678", 0, 0, "9A 78 56 00 00 34 12", "", "", 0},
    {"JMP 12345:5678", 0, 0, "", "", "Constant does not fit into operand", kAtEnd},
    {"JMP [EAX]", 0, 0, "FF 20", "", "", 0},
    {"JMP FAR [EAX]", 0, 0, "FF 28", "", "", 0},
    {"CALL EAX", 0, 0, "FF D0", "", "", 0},
    {"SETE AL", 0, 0, "0F 94 C0", "FF FF C7", "", 0},
    {"JCC 70", 0, 0, "70 0A", "F0 FF", "", 0},
    {"JMP NEAR 200", 0, 0, "E9 97 01 00 00", "", "", 0},
    {"JMP LONG 70", 0, 0, "E9 07 00 00 00", "", "", 0},
    // Sizes beyond a double word have no integer encoding.
    {"INC QWORD PTR [EAX]", 0, 0, "", "", "Bad operand size", kAtEnd},
    {"MOV EAX,EBX ; comment", 0, 0, "8B C3", "", "", 0},
    {"MOV EAX,BL ; comment", 0, 0, "", "", "Command does not support given operands", 11},
    // clang-format on
};

std::string hexOf(const unsigned char* bytes, int count) {
    std::string text;
    char pair[4];
    for (int i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

std::string allFf(const char* code) {
    std::string mask;
    for (size_t i = 0; i < std::strlen(code); i += 3) mask += i ? " FF" : "FF";
    return mask;
}

TEST(Assemble, EdgeCases) {
    VB_SetOptions(0, 0, 0, 1);
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string("line \"") + c.line + "\" attempt " + std::to_string(c.attempt) + " constSize " +
                     std::to_string(c.constSize));
        AsmModel model;
        std::memset(&model, 0xCC, sizeof model);
        char error[256];
        std::memset(error, 'x', sizeof error);
        const int result = Assemble(c.line, 100, &model, c.attempt, c.constSize, error);
        if (*c.code != '\0') {
            EXPECT_STREQ(error, "");
            ASSERT_GT(result, 0);
            EXPECT_EQ(model.codeLength, result);
            EXPECT_EQ(hexOf(model.codeBytes, result), c.code);
            EXPECT_EQ(hexOf(model.maskBytes, result), *c.mask ? std::string(c.mask) : allFf(c.code));
        } else if (*c.message == '\0') {
            EXPECT_EQ(result, 0);
            EXPECT_STREQ(error, "");
            EXPECT_EQ(model.codeLength, 0);
        } else {
            EXPECT_STREQ(error, c.message);
            const char* comment = std::strchr(c.line, ';');
            const int end = comment ? int(comment - c.line) : int(std::strlen(c.line));
            EXPECT_EQ(result, -(c.position == kAtEnd ? end : c.position));
            EXPECT_EQ(model.codeLength, 0);
        }
    }
}

struct JumpCase {
    const char* line;
    unsigned address;
    const char* code;
    int jumpSize;
    int jumpOffset;
    int jumpPosition;
};

//  line        address       code                 jumpSize jumpOffset jumpPosition
const JumpCase kJumpCases[] = {
    // clang-format off
    {"NOP", 100, "90", 0, -1, 1},
    {"JMP 70", 0, "EB 00", 1, 110, 1},
    {"JMP 70", 1000, "E9 83 FC FF FF", 4, 0x70 - 5, 1},
    {"JMP 10", 0xFFFFFFF0u, "EB 1E", 1, 0x10 - 2, 1},
    {"JE 100", 100, "0F 84 96 00 00 00", 4, 0x100 - 6, 2},
    {"LOOP 70", 100, "67 E2 09", 1, 0x70 - 3, 2},
    {"CALL 70", 0, "E8 00 00 00 00", 4, 0x70 - 5, 1},
    {"MOV EAX,1", 100, "C7 C0 01 00 00 00", 0, -6, 6},
    // clang-format on
};

TEST(Assemble, JumpFields) {
    VB_SetOptions(0, 0, 0, 1);
    for (const JumpCase& c : kJumpCases) {
        SCOPED_TRACE(std::string("line \"") + c.line + "\" at " + std::to_string(c.address));
        AsmModel model{};
        char error[256];
        const int result = Assemble(c.line, c.address, &model, 0, 0, error);
        ASSERT_GT(result, 0) << error;
        EXPECT_EQ(hexOf(model.codeBytes, result), c.code);
        EXPECT_EQ(model.jumpSize, c.jumpSize);
        EXPECT_EQ(model.jumpOffset, c.jumpOffset);
        EXPECT_EQ(model.jumpPosition, c.jumpPosition);
    }
}

TEST(Assemble, IdealSyntaxHalvesNoBoundsSize) {
    struct IdealCase {
        const char* line;
        const char* code;
        const char* message;
    };
    //  line                           code     message
    const IdealCase cases[] = {
        // clang-format off
        {"BOUND EAX,QWORD PTR [EBX]", "", "Different size of operands"},
        {"BOUND EAX,DWORD PTR [EBX]", "62 03", ""},
        // clang-format on
    };
    VB_SetOptions(1, 0, 0, 1);
    for (const IdealCase& c : cases) {
        SCOPED_TRACE(c.line);
        AsmModel model{};
        char error[256];
        const int result = Assemble(c.line, 100, &model, 0, 0, error);
        if (*c.code) {
            ASSERT_GT(result, 0) << error;
            EXPECT_EQ(hexOf(model.codeBytes, result), c.code);
        } else {
            EXPECT_LT(result, 0);
            EXPECT_STREQ(error, c.message);
        }
    }
    VB_SetOptions(0, 0, 0, 1);
}

TEST(Assemble, NullArguments) {
    struct NullCase {
        bool text;
        bool model;
        bool error;
    };
    //  text   model  error
    const NullCase cases[] = {
        // clang-format off
        {false, true, true},
        {true, false, true},
        {true, true, false},
        {false, false, false},
        // clang-format on
    };
    for (const NullCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.text) + std::to_string(c.model) + std::to_string(c.error));
        AsmModel model;
        std::memset(&model, 0xCC, sizeof model);
        char error[256] = "untouched";
        const int result =
            Assemble(c.text ? "NOP" : nullptr, 100, c.model ? &model : nullptr, 0, 0, c.error ? error : nullptr);
        EXPECT_EQ(result, 0);
        if (c.error) {
            EXPECT_STREQ(error, "Internal VARNOKE error");
        }
        if (c.model) {
            EXPECT_EQ(model.codeLength, 0);
        }
    }
}

// Nothing is written past the 48-byte model, and messages stay within 64 characters.
TEST(Assemble, StaysInsideBuffers) {
    const char* lines[] = {
        "LOCK ADD WORD PTR ES:[EAX*4+12345678],1234",
        "JMP SHORT 200",
        "REPNE ABCDEFGHIJKLMNOP 1",
        "LOOPD SHORT 12345678",
        "IMUL AX,WORD PTR FS:[EBX+ECX*8+12345678],1234",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        struct {
            AsmModel model;
            unsigned char guard[16];
        } box;
        std::memset(&box, 0xA5, sizeof box);
        char error[300];
        std::memset(error, 0x5A, sizeof error);
        Assemble(line, 100, &box.model, 0, 0, error);
        for (unsigned char g : box.guard) EXPECT_EQ(g, 0xA5);
        EXPECT_LE(std::strlen(error), 64u);
        EXPECT_EQ(static_cast<unsigned char>(error[299]), 0x5A);
    }
}

TEST(Assemble, AllocatesNothingPerCall) {
    AsmModel model;
    char error[256];
    Assemble("NOP", 100, &model, 0, 0, error);  // the name index is built once, on first use
    std::vector<const char*> lines;
    for (const Case& c : kCases) lines.push_back(c.line);
    const long before = gAllocations.load();
    for (const char* line : lines) {
        for (int attempt = 0; attempt < 3; ++attempt) Assemble(line, 100, &model, attempt, 3, error);
    }
    EXPECT_EQ(gAllocations.load(), before);
}

}  // namespace

// Disasm: bytes, options and mode against the hex dump, command text, comment and the
// record's analysis fields; mode bands; the row lookup against a plain scan.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/decoder.h"
#include "engine/engine_api.h"
#include "tests/support/hex_bytes.h"
#include "engine/listing_text.h"

namespace {

using kovrel::testing::parseHex;

// The record's numeric fields by name, for the field lists of the cases below.
struct FieldRef {
    const char* name;
    long long (*get)(const DisasmRecord&);
};
const FieldRef kFields[] = {
    // clang-format off
    {"commandType", [](const DisasmRecord& r) { return (long long)r.commandType; }},
    {"memorySizeCode", [](const DisasmRecord& r) { return (long long)r.memorySizeCode; }},
    {"prefixCount", [](const DisasmRecord& r) { return (long long)r.prefixCount; }},
    {"addressRegisterScale", [](const DisasmRecord& r) { return (long long)r.addressRegisterScale; }},
    {"jumpTarget", [](const DisasmRecord& r) { return (long long)r.jumpTarget; }},
    {"switchTableAddress", [](const DisasmRecord& r) { return (long long)r.switchTableAddress; }},
    {"memoryDisplacement", [](const DisasmRecord& r) { return (long long)(unsigned)r.memoryDisplacement; }},
    {"immediateValue", [](const DisasmRecord& r) { return (long long)(unsigned)r.immediateValue; }},
    {"hasZeroConstant", [](const DisasmRecord& r) { return (long long)r.hasZeroConstant; }},
    {"fixupPosition", [](const DisasmRecord& r) { return (long long)r.fixupPosition; }},
    {"fixupBytes", [](const DisasmRecord& r) { return (long long)r.fixupBytes; }},
    {"errorCode", [](const DisasmRecord& r) { return (long long)r.errorCode; }},
    {"warningFlags", [](const DisasmRecord& r) { return (long long)r.warningFlags; }},
    // clang-format on
};

// Checks "name=value name=value ..." (values in C notation) against the record.
std::string checkFields(const DisasmRecord& r, const char* wanted) {
    std::string problems;
    std::istringstream in(wanted);
    std::string item;
    while (in >> item) {
        const size_t eq = item.find('=');
        const std::string name = item.substr(0, eq);
        const long long want = std::strtoll(item.c_str() + eq + 1, nullptr, 0);
        bool known = false;
        for (const FieldRef& f : kFields) {
            if (name != f.name) continue;
            known = true;
            const long long got = f.get(r);
            if (got != want) problems += name + "=" + std::to_string(got) + " (want " + std::to_string(want) + ") ";
        }
        if (!known) problems += "unknown field " + name + " ";
    }
    return problems;
}

struct Options {
    int ideal, lower, tab, showSeg;
};
constexpr Options kConverter{0, 0, 0, 1};
constexpr Options kPlain{0, 0, 0, 0};
constexpr Options kLower{0, 1, 0, 1};
constexpr Options kTab{0, 0, 1, 1};
constexpr Options kIdeal{1, 0, 0, 1};
constexpr Options kIdealLower{1, 1, 0, 0};
constexpr Options kOddValues{-1, 2, 0x100, 0};  // any non-zero value is on

constexpr unsigned kAt = 0x401000;

struct Case {
    const char* bytes;
    Options options;
    int mode;
    int length;
    const char* hexDump;  // listing modes only
    const char* text;     // listing modes only
    const char* comment;  // listing modes only
    const char* fields;   // "name=value ..." to check
};

// Address 401000 throughout.
//  bytes                         options     mode length hexDump              text                                              comment                                 fields
const Case kCases[] = {
    // clang-format off
    // The converter's own settings.
    {"8B 45 08",                  kConverter, 3, 3, "8B45 08",             "MOV EAX,SS:[EBP+8]",                             "",                                     "memorySizeCode=4 addressRegisterScale=1 memoryDisplacement=8 commandType=0"},
    {"C7 45 F8 01 00 00 00",      kConverter, 3, 7, "C745 F8 01000000",    "MOV DWORD PTR SS:[EBP-8],1",                     "",                                     "fixupPosition=3 fixupBytes=4 immediateValue=1 memoryDisplacement=0xFFFFFFF8"},
    {"8B 04 24",                  kConverter, 3, 3, "8B0424",              "MOV EAX,SS:[ESP]",                               "",                                     "addressRegisterScale=1 hasZeroConstant=0"},
    {"8B 04 85 00 10 40 00",      kConverter, 3, 7, "8B0485 00104000",     "MOV EAX,DS:[EAX*4+401000]",                      "",                                     "addressRegisterScale=4 fixupPosition=3 fixupBytes=4 switchTableAddress=0"},
    {"FF 24 85 00 10 40 00",      kConverter, 3, 7, "FF2485 00104000",     "JMP DS:[EAX*4+401000]",                          "",                                     "switchTableAddress=0x401000 memorySizeCode=4 commandType=0x50"},
    {"E8 00 00 00 00",            kConverter, 3, 5, "E8 00000000",         "CALL 00401005",                                  "",                                     "jumpTarget=0x401005 fixupBytes=0 hasZeroConstant=0"},
    {"74 05",                     kConverter, 3, 2, "74 05",               "JE SHORT 00401007",                              "",                                     "jumpTarget=0x401007 commandType=0x60"},
    {"6A FF",                     kConverter, 3, 2, "6A FF",               "PUSH -1",                                        "",                                     "immediateValue=0xFFFFFFFF fixupBytes=0"},
    {"B8 01 00 00 00",            kConverter, 3, 5, "B8 01000000",         "MOV EAX,1",                                      "",                                     "fixupPosition=1 fixupBytes=4"},
    {"C2 08 00",                  kConverter, 3, 3, "C2 0800",             "RETN 8",                                         "",                                     "immediateValue=8 warningFlags=0"},
    {"64 A1 00 00 00 00",         kConverter, 3, 6, "64:A1 00000000",      "MOV EAX,FS:[0]",                                 "",                                     "commandType=0x08 prefixCount=1 hasZeroConstant=1 fixupPosition=2 memorySizeCode=4"},
    {"F3 A5",                     kConverter, 3, 2, "F3:A5",               "REP MOVS DWORD PTR ES:[EDI],DWORD PTR DS:[ESI]", "",                                     "commandType=0xB1 memorySizeCode=4 addressRegisterScale=1"},
    {"DD D8",                     kConverter, 3, 2, "DDD8",                "FSTP ST(0)",                                     "",                                     ""},
    {"D8 C1",                     kConverter, 3, 2, "D8C1",                "FADD ST(0),ST(1)",                               "",                                     ""},
    {"0F 0F C1 9E",               kConverter, 3, 4, "0F0FC1 9E",           "PFADD MM0,MM1",                                  "",                                     "commandType=0xE4 errorCode=0"},
    {"66 66 90",                  kConverter, 3, 1, "66:",                 "PREFIX DATASIZE:",                               "Superfluous prefix",                   "commandType=0x08 prefixCount=1 warningFlags=0x20 errorCode=0"},
    {"EA 00 10 40 00 10 00",      kConverter, 3, 7, "EA 00104000 1000",    "JMP FAR 0010:00401000",                          "Far jump",                             "jumpTarget=0x401000 immediateValue=0x10 warningFlags=1"},
    {"0F B6",                     kConverter, 3, 2, "0FB6",                "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"F3 C3 90",                  kConverter, 3, 2, "F3:C3",               "???",                                            "Unknown command",                      "errorCode=1 commandType=0xF0"},
    // Options.
    {"8B 45 08",                  kPlain,     3, 3, "8B45 08",             "MOV EAX,[EBP+8]",                                "",                                     ""},
    {"8B 45 1C",                  kLower,     3, 3, "8B45 1C",             "mov eax,ss:[ebp+1C]",                            "",                                     ""},
    {"0F 20 C0",                  kLower,     3, 3, "0F20C0",              "mov eax,cr0",                                    "",                                     "warningFlags=0"},
    {"8B 45 08",                  kTab,       3, 3, "8B45 08",             "MOV     EAX,SS:[EBP+8]",                         "",                                     ""},
    {"F3 A5",                     kTab,       3, 2, "F3:A5",               "REP     MOVS DWORD PTR ES:[EDI],DWORD PTR DS:[ESI]", "",                                  ""},
    {"F0 FF 00",                  kTab,       3, 3, "F0:FF00",             "LOCK INC DWORD PTR DS:[EAX]",                    "LOCK prefix",                          ""},
    {"90",                        kTab,       3, 1, "90",                  "NOP",                                            "",                                     ""},
    {"C7 45 F8 01 00 00 00",      kIdeal,     3, 7, "C745 F8 01000000",    "MOV [DWORD SS:EBP-8],1",                         "",                                     ""},
    {"C7 45 F8 01 00 00 00",      kIdealLower,3, 7, "C745 F8 01000000",    "mov [dword ebp-8],1",                            "",                                     ""},
    {"62 00",                     kIdeal,     3, 2, "6200",                "BOUND EAX,[DS:EAX]",                             "",                                     ""},
    {"66 66 90",                  kLower,     3, 1, "66:",                 "prefix datasize:",                               "Superfluous prefix",                   ""},
    {"C7 45 F8 01 00 00 00",      kOddValues, 3, 7, "C745 F8 01000000",    "mov     [dword ebp-8],1",                        "",                                     ""},
    {"DD D8",                     kLower,     3, 2, "DDD8",                "fstp st(0)",                                     "",                                     ""},
    {"0F 0F C1 9E",               kLower,     3, 4, "0F0FC1 9E",           "pfadd mm0,mm1",                                  "",                                     ""},
    {"EA 00 10 40 00 10 00",      kLower,     3, 7, "EA 00104000 1000",    "jmp far 0010:00401000",                          "Far jump",                             ""},
    {"74 05",                     kLower,     3, 2, "74 05",               "je short 00401007",                              "",                                     ""},
    {"64 A1 00 00 00 00",         kPlain,     3, 6, "64:A1 00000000",      "MOV EAX,FS:[0]",                                 "",                                     ""},
    {"F3 A5",                     kPlain,     3, 2, "F3:A5",               "REP MOVS DWORD PTR [EDI],DWORD PTR [ESI]",       "",                                     ""},
    {"26 A4",                     kPlain,     3, 2, "26:A4",               "MOVS BYTE PTR [EDI],BYTE PTR ES:[ESI]",          "",                                     ""},
    // Warnings, errors and comments.
    {"8E D8",                     kConverter, 3, 2, "8ED8",                "MOV DS,AX",                                      "Modification of segment register",     "warningFlags=2 errorCode=0"},
    {"8E F0",                     kConverter, 3, 2, "8EF0",                "MOV SEG?,AX",                                    "Undefined segment register",           "errorCode=3"},
    {"8D C0",                     kConverter, 3, 2, "8DC0",                "LEA EAX,EAX",                                    "Illegal use of register",              "errorCode=4"},
    {"83 C4 02",                  kConverter, 3, 3, "83C4 02",             "ADD ESP,2",                                      "Unaligned stack operation",            "warningFlags=0x80 commandType=0x09"},
    {"83 EC 08",                  kConverter, 3, 3, "83EC 08",             "SUB ESP,8",                                      "",                                     "warningFlags=0"},
    {"44",                        kConverter, 3, 1, "44",                  "INC ESP",                                        "Unaligned stack operation",            "warningFlags=0x80 commandType=0x08"},
    {"C1 E0 20",                  kConverter, 3, 3, "C1E0 20",             "SHL EAX,20",                                     "Shift constant out of range 1..31",    "warningFlags=0x10 commandType=0x09"},
    {"C1 E0 00",                  kConverter, 3, 3, "C1E0 00",             "SHL EAX,0",                                      "Shift constant out of range 1..31",    "hasZeroConstant=1"},
    {"D1 E0",                     kConverter, 3, 2, "D1E0",                "SHL EAX,1",                                      "",                                     "immediateValue=1"},
    {"67 8B 40 FF",               kConverter, 3, 4, "67:8B40 FF",          "MOV EAX,DS:[BX+SI+FFFF]",                        "",                                     "memoryDisplacement=0xFFFF commandType=0x08"},
    {"8B 04",                     kConverter, 3, 1, "8B",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"8B",                        kConverter, 3, 1, "8B",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"2E C3",                     kConverter, 3, 2, "2E:C3",               "RETN",                                           "Superfluous prefix",                   "warningFlags=0x20 commandType=0x88"},
    {"26 A4",                     kConverter, 3, 2, "26:A4",               "MOVS BYTE PTR ES:[EDI],BYTE PTR ES:[ESI]",       "",                                     "memorySizeCode=1 warningFlags=0"},
    {"F0 FF 00",                  kConverter, 3, 3, "F0:FF00",             "LOCK INC DWORD PTR DS:[EAX]",                    "LOCK prefix",                          "warningFlags=0x40 commandType=0x09"},
    {"F0 0F C7 C8",               kConverter, 3, 4, "F0:0FC7C8",           "LOCK CMPXCHG8B EAX",                             "Illegal use of register",              "warningFlags=0x3040 errorCode=4"},
    {"0F C7 C8",                  kConverter, 3, 3, "0FC7C8",              "CMPXCHG8B EAX",                                  "Illegal use of register",              "warningFlags=0"},
    {"0F D7 01",                  kConverter, 3, 3, "0FD701",              "PMOVMSKB EAX,QWORD PTR DS:[ECX]",                "Memory address not allowed",           "errorCode=5"},
    {"81 C0 00 C0 FF FF",         kConverter, 3, 6, "81C0 00C0FFFF",       "ADD EAX,-4000",                                  "",                                     ""},
    {"81 C0 00 B0 FF FF",         kConverter, 3, 6, "81C0 00B0FFFF",       "ADD EAX,FFFFB000",                               "",                                     ""},
    {"8B 80 00 C0 FF FF",         kConverter, 3, 6, "8B80 00C0FFFF",       "MOV EAX,DS:[EAX+FFFFC000]",                      "",                                     ""},
    {"8B 80 01 C0 FF FF",         kConverter, 3, 6, "8B80 01C0FFFF",       "MOV EAX,DS:[EAX-3FFF]",                          "",                                     ""},
    {"66 EB FE",                  kConverter, 3, 3, "66:EB FE",            "JMP SHORT 00001001",                             "",                                     "jumpTarget=0x1001"},
    {"60",                        kConverter, 3, 1, "60",                  "PUSHAD",                                         "",                                     ""},
    {"66 60",                     kConverter, 3, 2, "66:60",               "PUSHA",                                          "",                                     ""},
    {"9C",                        kConverter, 3, 1, "9C",                  "PUSHFD",                                         "",                                     ""},
    {"CF",                        kConverter, 3, 1, "CF",                  "IRETD",                                          "",                                     ""},
    {"98",                        kConverter, 3, 1, "98",                  "CWDE",                                           "",                                     ""},
    {"66 98",                     kConverter, 3, 2, "66:98",               "CBW",                                            "",                                     ""},
    {"E2 FE",                     kConverter, 3, 2, "E2 FE",               "LOOPD SHORT 00401000",                           "",                                     "jumpTarget=0x401000"},
    {"67 E2 FE",                  kConverter, 3, 3, "67:E2 FE",            "LOOP SHORT 00401001",                            "",                                     "jumpTarget=0x401001 warningFlags=0"},
    {"67 E0 FE",                  kConverter, 3, 3, "67:E0 FE",            "LOOPNE SHORT 00401001",                          "",                                     ""},
    {"E3 00",                     kConverter, 3, 2, "E3 00",               "JECXZ SHORT 00401002",                           "",                                     ""},
    {"F7 DC",                     kConverter, 3, 2, "F7DC",                "NEG ESP",                                        "",                                     "warningFlags=0x1000"},
    {"CD 20",                     kConverter, 3, 2, "CD 20",               "INT 20",                                         "",                                     "warningFlags=0x1000 immediateValue=0x20"},
    {"90",                        kConverter, 3, 1, "90",                  "NOP",                                            "",                                     ""},
    {"87 C0",                     kConverter, 3, 2, "87C0",                "XCHG EAX,EAX",                                   "",                                     ""},
    {"D4 0A",                     kConverter, 3, 2, "D40A",                "AAM",                                            "",                                     ""},
    {"D4 08",                     kConverter, 3, 2, "D4 08",               "AAM 8",                                          "",                                     ""},
    {"F3 A4",                     kConverter, 3, 2, "F3:A4",               "REP MOVS BYTE PTR ES:[EDI],BYTE PTR DS:[ESI]",   "",                                     "commandType=0xB1 memorySizeCode=1"},
    {"0F 0F C1 00",               kConverter, 3, 2, "0F0F",                "???",                                            "Unknown command",                      "errorCode=1"},
    {"0F 0F C1",                  kConverter, 3, 2, "0F0F",                "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"0F 0F 44 24 08",            kConverter, 3, 2, "0F0F",                "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"0F 0F 44 24 08 B4",         kConverter, 3, 6, "0F0F4424 08 B4",      "PFMUL MM0,QWORD PTR SS:[ESP+8]",                 "",                                     "memorySizeCode=13"},
    {"9A 00 10 40 00 10 00",      kConverter, 3, 7, "9A 00104000 1000",    "CALL FAR 0010:00401000",                         "Far call",                             ""},
    {"CB",                        kConverter, 3, 1, "CB",                  "RETF",                                           "Far return",                           "warningFlags=1"},
    {"CA 02 00",                  kConverter, 3, 3, "CA 0200",             "RETF 2",                                         "Far return",                           "warningFlags=0x81"},
    {"C8 03 00 00",               kConverter, 3, 4, "C8 030000",           "ENTER 3,0",                                      "Unaligned stack operation",            "warningFlags=0x80 hasZeroConstant=1 immediateValue=3"},
    {"E4 60",                     kConverter, 3, 2, "E4 60",               "IN AL,60",                                       "I/O command",                          "warningFlags=8"},
    {"F4",                        kConverter, 3, 1, "F4",                  "HLT",                                            "Privileged command",                   "warningFlags=4"},
    {"1F",                        kConverter, 3, 1, "1F",                  "POP DS",                                         "Modification of segment register",     "warningFlags=2"},
    {"FF 2D 00 10 40 00",         kConverter, 3, 6, "FF2D 00104000",       "JMP FAR FWORD PTR DS:[401000]",                  "Far jump",                             "memorySizeCode=6 warningFlags=1"},
    // Operand forms.
    {"6B C0 FF",                  kConverter, 3, 3, "6BC0 FF",             "IMUL EAX,EAX,-1",                                "",                                     ""},
    {"66 B8 FF FF",               kConverter, 3, 4, "66:B8 FFFF",          "MOV AX,FFFF",                                    "",                                     "fixupBytes=0"},
    {"66 83 C0 FF",               kConverter, 3, 4, "66:83C0 FF",          "ADD AX,FFFF",                                    "",                                     "immediateValue=0xFFFF"},
    {"E8 FB EF BF FF",            kConverter, 3, 5, "E8 FBEFBFFF",         "CALL 00000000",                                  "",                                     "jumpTarget=0 hasZeroConstant=1"},
    {"66 E8 10 00",               kConverter, 3, 4, "66:E8 1000",          "CALL 00001014",                                  "",                                     "jumpTarget=0x1014"},
    {"B8 01 00",                  kConverter, 3, 1, "B8",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"FF FF",                     kConverter, 3, 2, "FFFF",                "???",                                            "Unknown command",                      "errorCode=1"},
    {"0F 05 90",                  kConverter, 3, 2, "0F05",                "???",                                            "Unknown command",                      "errorCode=1"},
    {"F3 0F B8 C0",               kConverter, 3, 3, "F3:0FB8",             "???",                                            "Unknown command",                      "errorCode=1"},
    {"67 8B 00",                  kConverter, 3, 3, "67:8B00",             "MOV EAX,DS:[BX+SI]",                             "",                                     "hasZeroConstant=1 addressRegisterScale=1"},
    {"67 8B 06 34 12",            kConverter, 3, 5, "67:8B06 3412",        "MOV EAX,DS:[1234]",                              "",                                     "memoryDisplacement=0x1234 addressRegisterScale=0 fixupBytes=0"},
    {"67 8B 46 08",               kConverter, 3, 4, "67:8B46 08",          "MOV EAX,SS:[BP+8]",                              "",                                     ""},
    {"67 A1 34 12",               kConverter, 3, 4, "67:A1 3412",          "MOV EAX,DS:[1234]",                              "",                                     "fixupBytes=0"},
    {"67 A1 34",                  kConverter, 3, 2, "67:A1",               "???",                                            "Command crosses end of memory block",  ""},
    {"8B 44 24 04",               kConverter, 3, 4, "8B4424 04",           "MOV EAX,SS:[ESP+4]",                             "",                                     ""},
    {"8B 04 25 00 10 40 00",      kConverter, 3, 7, "8B0425 00104000",     "MOV EAX,DS:[401000]",                            "",                                     "addressRegisterScale=0"},
    {"FF 24 45 00 10 40 00",      kConverter, 3, 7, "FF2445 00104000",     "JMP DS:[EAX*2+401000]",                          "",                                     "switchTableAddress=0 addressRegisterScale=2"},
    {"FF 24 45 00 10 40 00",      kConverter, 1, 7, "",                    "",                                               "",                                     "switchTableAddress=0x401000 addressRegisterScale=2"},
    {"8B 4C 88 FC",               kConverter, 3, 4, "8B4C88 FC",           "MOV ECX,DS:[EAX+ECX*4-4]",                       "",                                     "addressRegisterScale=4 memoryDisplacement=0xFFFFFFFC"},
    {"FF 15 00 10 40 00",         kConverter, 3, 6, "FF15 00104000",       "CALL DS:[401000]",                               "",                                     "switchTableAddress=0"},
    {"FF 90 00 10 40 00",         kConverter, 3, 6, "FF90 00104000",       "CALL DS:[EAX+401000]",                           "",                                     "switchTableAddress=0x401000"},
    {"D7",                        kConverter, 3, 1, "D7",                  "XLAT BYTE PTR DS:[EBX+AL]",                      "",                                     "memorySizeCode=1 addressRegisterScale=1"},
    {"66 A5",                     kConverter, 3, 2, "66:A5",               "MOVS WORD PTR ES:[EDI],WORD PTR DS:[ESI]",       "",                                     "memorySizeCode=2"},
    {"67 A5",                     kConverter, 3, 2, "67:A5",               "MOVS DWORD PTR ES:[DI],DWORD PTR DS:[SI]",       "",                                     "warningFlags=0 commandType=0x09"},
    {"C5 00",                     kConverter, 3, 2, "C500",                "LDS EAX,DS:[EAX]",                               "Modification of segment register",     "memorySizeCode=6 warningFlags=2"},
    {"D8 00",                     kConverter, 3, 2, "D800",                "FADD DWORD PTR DS:[EAX]",                        "",                                     "memorySizeCode=5"},
    // Memory forms: 16-bit, SIB and absolute addresses, and how displacements are written.
    {"67 8B 80 34 12",            kConverter, 3, 5, "67:8B80 3412",        "MOV EAX,DS:[BX+SI+1234]",                        "",                                     "memoryDisplacement=0x1234 addressRegisterScale=1 fixupBytes=0 commandType=0x08"},
    {"8B 04 0C",                  kConverter, 3, 3, "8B040C",              "MOV EAX,SS:[ESP+ECX]",                           "",                                     "addressRegisterScale=1 hasZeroConstant=0"},
    {"8B 44 0D 08",               kConverter, 3, 4, "8B440D 08",           "MOV EAX,SS:[EBP+ECX+8]",                         "",                                     "memoryDisplacement=8"},
    {"8B 04 8D FC FF FF FF",      kConverter, 3, 7, "8B048D FCFFFFFF",     "MOV EAX,DS:[ECX*4-4]",                           "",                                     "addressRegisterScale=4 fixupPosition=3 fixupBytes=4"},
    {"A1 FC FF FF FF",            kConverter, 3, 5, "A1 FCFFFFFF",         "MOV EAX,DS:[FFFFFFFC]",                          "",                                     "memoryDisplacement=0xFFFFFFFC fixupPosition=1 memorySizeCode=4"},
    {"A3 00 10 40 00",            kConverter, 3, 5, "A3 00104000",         "MOV DS:[401000],EAX",                            "",                                     "memorySizeCode=4 fixupPosition=1 fixupBytes=4"},
    {"C7 05 00 10 40 00 01 00 00 00", kConverter, 3, 10, "C705 00104000 01000000", "MOV DWORD PTR DS:[401000],1",              "",                                     "fixupPosition=2 fixupBytes=8 immediateValue=1"},
    {"8B 40 00",                  kConverter, 3, 3, "8B40 00",             "MOV EAX,DS:[EAX]",                               "",                                     "hasZeroConstant=1"},
    {"3E 8B 00",                  kPlain,     3, 3, "3E:8B00",             "MOV EAX,[EAX]",                                  "",                                     "warningFlags=0 prefixCount=1"},
    {"36 8B 45 08",               kPlain,     3, 4, "36:8B45 08",          "MOV EAX,[EBP+8]",                                "",                                     "warningFlags=0"},
    {"64 8B 00",                  kIdeal,     3, 3, "64:8B00",             "MOV EAX,[FS:EAX]",                               "",                                     "commandType=0x08"},
    {"65 8B 00",                  kConverter, 3, 3, "65:8B00",             "MOV EAX,GS:[EAX]",                               "",                                     "commandType=0x08"},
    {"FF 2D 00 10 40 00",         kIdealLower,3, 6, "FF2D 00104000",       "jmp far [fword 401000]",                         "Far jump",                             ""},
    {"FF 2D 00 10 40 00",         kLower,     3, 6, "FF2D 00104000",       "jmp far fword ptr ds:[401000]",                  "Far jump",                             ""},
    {"0F FC 00",                  kConverter, 3, 3, "0FFC00",              "PADDB MM0,QWORD PTR DS:[EAX]",                   "",                                     "memorySizeCode=8"},
    {"DB 28",                     kConverter, 3, 2, "DB28",                "FLD TBYTE PTR DS:[EAX]",                         "",                                     "memorySizeCode=9"},
    {"DF 30",                     kConverter, 3, 2, "DF30",                "FBSTP TBYTE PTR DS:[EAX]",                       "",                                     "memorySizeCode=10"},
    {"D9 30",                     kConverter, 3, 2, "D930",                "FSTENV DS:[EAX]",                                "",                                     "memorySizeCode=0"},
    {"66 62 00",                  kIdealLower,3, 3, "66:6200",             "bound ax,[eax]",                                 "",                                     "memorySizeCode=0"},
    {"66 C5 00",                  kConverter, 3, 3, "66:C500",             "LDS AX,DS:[EAX]",                                "Modification of segment register",     "memorySizeCode=0"},
    {"67 D7",                     kConverter, 3, 2, "67:D7",               "XLAT BYTE PTR DS:[BX+AL]",                       "",                                     "memorySizeCode=1 warningFlags=0 commandType=0x09"},
    {"67 D7",                     kConverter, 1, 2, "",                    "",                                               "",                                     "memorySizeCode=0 warningFlags=0x20 commandType=0x09"},
    {"26 D7",                     kConverter, 3, 2, "26:D7",               "XLAT BYTE PTR ES:[EBX+AL]",                      "",                                     "warningFlags=0"},
    {"36 AA",                     kConverter, 3, 2, "36:AA",               "STOS BYTE PTR ES:[EDI]",                         "",                                     "memorySizeCode=1 warningFlags=0"},
    {"36 AA",                     kConverter, 2, 2, "",                    "",                                               "",                                     "memorySizeCode=0 warningFlags=0x20"},
    // Case tables: only jumps and calls through memory with registers and a 32-bit displacement.
    {"FF 24 25 00 10 40 00",      kConverter, 3, 7, "FF2425 00104000",     "JMP DS:[401000]",                                "",                                     "switchTableAddress=0 addressRegisterScale=0"},
    {"FF A4 24 00 10 40 00",      kConverter, 3, 7, "FFA424 00104000",     "JMP SS:[ESP+401000]",                            "",                                     "switchTableAddress=0x401000 addressRegisterScale=1"},
    {"FF A4 C8 00 10 40 00",      kConverter, 3, 7, "FFA4C8 00104000",     "JMP DS:[EAX+ECX*8+401000]",                      "",                                     "switchTableAddress=0 addressRegisterScale=8"},
    {"FF A4 C8 00 10 40 00",      kConverter, 2, 7, "",                    "",                                               "",                                     "switchTableAddress=0x401000 addressRegisterScale=8"},
    {"FF 25 00 10 40 00",         kConverter, 3, 6, "FF25 00104000",       "JMP DS:[401000]",                                "",                                     "switchTableAddress=0 memoryDisplacement=0x401000"},
    {"8B 84 88 00 10 40 00",      kConverter, 3, 7, "8B8488 00104000",     "MOV EAX,DS:[EAX+ECX*4+401000]",                  "",                                     "switchTableAddress=0"},
    // Immediates and jumps.
    {"83 C8 FF",                  kConverter, 3, 3, "83C8 FF",             "OR EAX,FFFFFFFF",                                "",                                     "immediateValue=0xFFFFFFFF"},
    {"66 83 C8 FF",               kConverter, 3, 4, "66:83C8 FF",          "OR AX,FFFF",                                     "",                                     "immediateValue=0xFFFF"},
    {"25 FF FF FF FF",            kConverter, 3, 5, "25 FFFFFFFF",         "AND EAX,FFFFFFFF",                               "",                                     "fixupPosition=1 fixupBytes=4"},
    {"05 00 C0 FF FF",            kConverter, 3, 5, "05 00C0FFFF",         "ADD EAX,-4000",                                  "",                                     ""},
    {"05 FF BF FF FF",            kConverter, 3, 5, "05 FFBFFFFF",         "ADD EAX,FFFFBFFF",                               "",                                     ""},
    {"6B C0 80",                  kConverter, 3, 3, "6BC0 80",             "IMUL EAX,EAX,-80",                               "",                                     "immediateValue=0xFFFFFF80"},
    {"66 6B C0 FF",               kConverter, 3, 4, "66:6BC0 FF",          "IMUL AX,AX,FFFF",                                "",                                     "immediateValue=0xFFFF"},
    {"B0 FF",                     kConverter, 3, 2, "B0 FF",               "MOV AL,FF",                                      "",                                     "immediateValue=0xFF"},
    {"C2 FC FF",                  kConverter, 3, 3, "C2 FCFF",             "RETN FFFC",                                      "",                                     "warningFlags=0"},
    {"C2 FE FF",                  kConverter, 3, 3, "C2 FEFF",             "RETN FFFE",                                      "Unaligned stack operation",            "warningFlags=0x80 commandType=0x80"},
    {"C8 00 00 01",               kConverter, 3, 4, "C8 000001",           "ENTER 0,1",                                      "",                                     "immediateValue=1 hasZeroConstant=1 warningFlags=0"},
    {"C1 E0 FF",                  kConverter, 3, 3, "C1E0 FF",             "SHL EAX,FF",                                     "Shift constant out of range 1..31",    "immediateValue=0xFF"},
    {"C1 E0 1F",                  kConverter, 3, 3, "C1E0 1F",             "SHL EAX,1F",                                     "",                                     "warningFlags=0 commandType=0x01"},
    {"EB 80",                     kConverter, 3, 2, "EB 80",               "JMP SHORT 00400F82",                             "",                                     "jumpTarget=0x400F82"},
    {"66 0F 84 00 00",            kConverter, 3, 5, "66:0F84 0000",        "JE 00001005",                                    "",                                     "jumpTarget=0x1005 hasZeroConstant=0"},
    {"67 E3 00",                  kConverter, 3, 3, "67:E3 00",            "JCXZ SHORT 00401003",                            "",                                     "warningFlags=0 commandType=0x68"},
    {"EA 00 10 40 00 00 00",      kConverter, 3, 7, "EA 00104000 0000",    "JMP FAR 0000:00401000",                          "Far jump",                             "hasZeroConstant=1 immediateValue=0 fixupBytes=0"},
    {"67 EA 00 10 10 00",         kConverter, 3, 6, "67:EA 0010 1000",     "JMP FAR 0010:00001000",                          "Far jump",                             "jumpTarget=0x1000 warningFlags=0x21 commandType=0x58"},
    // 3DNow! suffixes behind 16-bit and SIB address forms.
    {"67 0F 0F 40 08 9E",         kConverter, 3, 6, "67:0F0F40 08 9E",     "PFADD MM0,QWORD PTR DS:[BX+SI+8]",               "",                                     "memorySizeCode=13 commandType=0xEC"},
    {"0F 0F 04 25 00 10 40 00 9E", kConverter, 3, 9, "0F0F0425 00104000 9E", "PFADD MM0,QWORD PTR DS:[401000]",             "",                                     "fixupPosition=4 fixupBytes=4"},
    {"0F 0F 04",                  kConverter, 3, 2, "0F0F",                "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"0F 0F C1 9E 90",            kConverter, 3, 4, "0F0FC1 9E",           "PFADD MM0,MM1",                                  "",                                     ""},
    // Commands cut by the end of the input: one byte beyond the prefixes and opcode is taken.
    {"EA 00 10 40 00 10",         kConverter, 3, 1, "EA",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"66 E8 10",                  kConverter, 3, 2, "66:E8",               "???",                                            "Command crosses end of memory block",  "errorCode=2 prefixCount=1"},
    {"67 8B 06 34",               kConverter, 3, 2, "67:8B",               "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"8B 05 00 10 40",            kConverter, 3, 1, "8B",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"8B 04 05 00 10 40",         kConverter, 3, 1, "8B",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"8B 44 24",                  kConverter, 3, 1, "8B",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"8B 80 00 00 00",            kConverter, 3, 1, "8B",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"C7 45 F8 01 00 00",         kConverter, 3, 1, "C7",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"0F",                        kConverter, 3, 1, "0F",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"FF",                        kConverter, 3, 1, "FF",                  "???",                                            "Command crosses end of memory block",  "errorCode=2"},
    {"0F 05",                     kConverter, 3, 2, "0F05",                "???",                                            "Unknown command",                      "errorCode=1 commandType=0xF0"},
    {"66 FF FF 90",               kConverter, 3, 3, "66:FFFF",             "???",                                            "Unknown command",                      "errorCode=1 prefixCount=1"},
    {"0F FF 90",                  kConverter, 3, 2, "0FFF",                "???",                                            "Unknown command",                      "errorCode=1"},
    // Registers, segment registers and the comment that wins.
    {"06",                        kConverter, 3, 1, "06",                  "PUSH ES",                                        "",                                     "warningFlags=0"},
    {"07",                        kConverter, 3, 1, "07",                  "POP ES",                                         "Modification of segment register",     "warningFlags=2"},
    {"8C F0",                     kConverter, 3, 2, "8CF0",                "MOV AX,SEG?",                                    "Undefined segment register",           "errorCode=3"},
    {"0F 21 C0",                  kLower,     3, 3, "0F21C0",              "mov eax,dr0",                                    "Privileged command",                   "warningFlags=4"},
    {"0F 22 C0",                  kConverter, 3, 3, "0F22C0",              "MOV CR0,EAX",                                    "Privileged command",                   "warningFlags=4"},
    {"D9 C9",                     kLower,     3, 2, "D9C9",                "fxch st(1)",                                     "",                                     ""},
    {"4C",                        kConverter, 3, 1, "4C",                  "DEC ESP",                                        "Unaligned stack operation",            "warningFlags=0x80 commandType=0x08"},
    {"81 EC 02 00 00 00",         kConverter, 3, 6, "81EC 02000000",       "SUB ESP,2",                                      "Unaligned stack operation",            "warningFlags=0x80 commandType=0x09"},
    {"F7 D4",                     kConverter, 3, 2, "F7D4",                "NOT ESP",                                        "",                                     "warningFlags=0x1000"},
    {"26 E4 60",                  kConverter, 3, 3, "26:E4 60",            "IN AL,60",                                       "I/O command",                          "warningFlags=0x28"},
    {"2E C1 E0 20",               kConverter, 3, 4, "2E:C1E0 20",          "SHL EAX,20",                                     "Shift constant out of range 1..31",    "warningFlags=0x30"},
    {"F0 2E 90",                  kConverter, 3, 3, "F0:2E:90",            "LOCK NOP",                                       "Superfluous prefix",                   "warningFlags=0x60 prefixCount=2 commandType=0x08"},
    {"F0 83 C4 02",               kConverter, 3, 4, "F0:83C4 02",          "LOCK ADD ESP,2",                                 "LOCK prefix",                          "warningFlags=0xC0 commandType=0x09"},
    {"F0 F3 A5",                  kTab,       3, 3, "F0:F3:A5",            "LOCK REP MOVS DWORD PTR ES:[EDI],DWORD PTR DS:[ESI]", "LOCK prefix",                 "commandType=0xB9"},
    {"2E 2E",                     kLower,     3, 1, "2E:",                 "prefix cs:",                                     "Superfluous prefix",                   ""},
    {"F3 F3",                     kConverter, 3, 1, "F3:",                 "PREFIX REPE:",                                   "Superfluous prefix",                   ""},
    {"67 67",                     kConverter, 3, 1, "67:",                 "PREFIX ADDRSIZE:",                               "Superfluous prefix",                   ""},
    // Repeated prefixes.
    {"F0 F0 90",                  kConverter, 3, 1, "F0:",                 "PREFIX LOCK:",                                   "Superfluous prefix",                   "warningFlags=0x60 commandType=0x08"},
    {"F2 F3 A4",                  kConverter, 3, 1, "F2:",                 "PREFIX REPNE:",                                  "Superfluous prefix",                   ""},
    {"26 66 3E 8B 00",            kConverter, 3, 1, "26:",                 "PREFIX ES:",                                     "Superfluous prefix",                   "prefixCount=1"},
    {"66 67 F3 67 90",            kConverter, 3, 1, "66:",                 "PREFIX DATASIZE:",                               "Superfluous prefix",                   "prefixCount=1"},
    // The analysis modes leave string operands without size, so a prefix on them is superfluous.
    {"26 A4",                     kConverter, 1, 2, "",                    "",                                               "",                                     "memorySizeCode=0 addressRegisterScale=0 warningFlags=0x20 commandType=0x09"},
    {"8B 45 08",                  kConverter, 2, 3, "",                    "",                                               "",                                     "memorySizeCode=4 addressRegisterScale=1"},
    {"F0 0F C7 C8",               kConverter, 1, 4, "",                    "",                                               "",                                     "warningFlags=0x3040 errorCode=4"},
    {"8B 45 08",                  kConverter, 0, 3, "",                    "",                                               "",                                     ""},
    {"0F B6",                     kConverter, 0, 2, "",                    "",                                               "",                                     "errorCode=2"},
    {"66 66 90",                  kConverter, -7, 1, "",                   "",                                               "",                                     ""},
    // clang-format on
};

// A record filled with a pattern, so that fields the call must not write stay visible.
DisasmRecord patterned() {
    DisasmRecord r;
    std::memset(&r, 0xA5, sizeof r);
    return r;
}

int decode(const std::vector<unsigned char>& b, const Options& o, int mode, DisasmRecord& r, unsigned at = kAt) {
    VB_SetOptions(o.ideal, o.lower, o.tab, o.showSeg);
    return Disasm(b.data(), unsigned(b.size()), at, &r, mode);
}

TEST(Disasm, Cases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.bytes) + " mode " + std::to_string(c.mode) + " options " +
                     std::to_string(c.options.ideal) + std::to_string(c.options.lower) + std::to_string(c.options.tab) +
                     std::to_string(c.options.showSeg));
        const std::vector<unsigned char> b = parseHex(c.bytes);
        DisasmRecord r = patterned();
        EXPECT_EQ(decode(b, c.options, c.mode, r), c.length);
        EXPECT_EQ(r.address, kAt);
        EXPECT_STREQ(r.commentText, c.mode >= 3 ? c.comment : "");
        if (c.mode >= 3) {
            EXPECT_STREQ(r.hexDump, c.hexDump);
            EXPECT_STREQ(r.commandText, c.text);
        } else {
            // The texts belong to the listing modes only.
            EXPECT_EQ(static_cast<unsigned char>(r.hexDump[0]), 0xA5);
            EXPECT_EQ(static_cast<unsigned char>(r.commandText[0]), 0xA5);
        }
        EXPECT_EQ(checkFields(r, c.fields), "");
    }
    VB_SetOptions(0, 0, 0, 0);
}

// Any mode of 3 or more is the same listing; 1 and 2 are the same analysis; every band
// consumes the same bytes.
TEST(Disasm, ModeBands) {
    const int listingModes[] = {4, 5, 1245000, 0x7FFFFFFF};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.bytes);
        const std::vector<unsigned char> b = parseHex(c.bytes);
        DisasmRecord three = patterned();
        const int length = decode(b, c.options, 3, three);
        for (int mode : listingModes) {
            DisasmRecord other = patterned();
            EXPECT_EQ(decode(b, c.options, mode, other), length) << "mode " << mode;
            EXPECT_EQ(std::memcmp(&three, &other, sizeof three), 0) << "mode " << mode;
        }
        DisasmRecord one = patterned(), two = patterned();
        EXPECT_EQ(decode(b, c.options, 1, one), length);
        EXPECT_EQ(decode(b, c.options, 2, two), length);
        EXPECT_EQ(std::memcmp(&one, &two, sizeof one), 0);
        for (int mode : {0, -1, int(0x80000000)}) {
            DisasmRecord zero = patterned();
            EXPECT_EQ(decode(b, c.options, mode, zero), length) << "mode " << mode;
            EXPECT_EQ(zero.address, kAt);
        }
    }
    VB_SetOptions(0, 0, 0, 0);
}

TEST(Disasm, EmptyInputReportsCrossingTheEndAndLeavesTheDumpAlone) {
    const unsigned char none[1] = {0x90};
    for (int mode : {0, 1, 3}) {
        SCOPED_TRACE(mode);
        DisasmRecord r = patterned();
        EXPECT_EQ(Disasm(none, 0, kAt, &r, mode), 0);
        EXPECT_EQ(r.errorCode, ErrCrossesEnd);
        EXPECT_EQ(r.address, kAt);
        EXPECT_EQ(static_cast<unsigned char>(r.hexDump[0]), 0xA5);
        if (mode >= 3) {
            EXPECT_STREQ(r.commandText, "???");
            EXPECT_STREQ(r.commentText, "Command crosses end of memory block");
        }
    }
}

// Every error code's comment, and codes outside the list; warnings in their order of precedence.
TEST(Disasm, CommentTexts) {
    struct ErrorCase {
        int code;
        const char* text;
    };
    //  code                 text
    const ErrorCase errors[] = {
        // clang-format off
        {ErrNone,             ""},
        {ErrUnknownCommand,   "Unknown command"},
        {ErrCrossesEnd,       "Command crosses end of memory block"},
        {ErrBadSegment,       "Undefined segment register"},
        {ErrRegisterMisuse,   "Illegal use of register"},
        {ErrMemoryNotAllowed, "Memory address not allowed"},
        {ErrInternal,         "Internal VARNOKE error"},
        {7,                   "Unknown error"},
        {-1,                  "Unknown error"},
        // clang-format on
    };
    for (const ErrorCase& e : errors) EXPECT_STREQ(zandrel::ErrorComment(e.code), e.text) << "code " << e.code;

    struct WarningCase {
        unsigned flags;
        int commandType;
        const char* text;
    };
    //  flags                          commandType text
    const WarningCase warnings[] = {
        // clang-format off
        {0xFFu,                        0x50,       "Privileged command"},
        {0xFBu,                        0x50,       "I/O command"},
        {0xF3u,                        0x58,       "Far jump"},
        {0xF3u,                        0x78,       "Far call"},
        {0xF3u,                        0x88,       "Far return"},
        {0xF3u,                        0x00,       "Modification of segment register"},
        {0xF1u,                        0x00,       "Shift constant out of range 1..31"},
        {0xE1u,                        0x00,       "Superfluous prefix"},
        {0xC1u,                        0x00,       "LOCK prefix"},
        {0x81u,                        0x00,       "Unaligned stack operation"},
        {0x3000u,                      0x00,       ""},
        {0u,                           0x00,       ""},
        // clang-format on
    };
    for (const WarningCase& w : warnings)
        EXPECT_STREQ(zandrel::WarningComment(w.flags, uint8_t(w.commandType)), w.text)
            << "flags " << std::hex << w.flags << " type " << w.commandType;
}

// Every prefix alone, and every prefix followed by its own kind, at the end of the input.
TEST(Disasm, PrefixesAtTheEnd) {
    const unsigned char prefixes[] = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3};
    for (unsigned char p : prefixes) {
        SCOPED_TRACE(int(p));
        DisasmRecord r = patterned();
        const unsigned char one[] = {p};
        EXPECT_EQ(Disasm(one, 1, kAt, &r, 3), 1);
        EXPECT_EQ(r.errorCode, ErrCrossesEnd);
        EXPECT_EQ(r.prefixCount, 1);
        const unsigned char two[] = {p, p};
        EXPECT_EQ(Disasm(two, 2, kAt, &r, 3), 1);
        EXPECT_EQ(r.errorCode, ErrNone);
        EXPECT_EQ(r.warningFlags & WarnExtraPrefix, unsigned(WarnExtraPrefix));
    }
}

// The candidate lists give the first matching row, as a scan in row order would.
TEST(Disasm, RowLookupAgreesWithTheScan) {
    EXPECT_TRUE(zandrel::RowIndexInUse());
    const unsigned thirdBytes[] = {0x00, 0x08, 0x10, 0x18, 0x20, 0x28, 0x30, 0x38, 0xC0, 0xC8, 0xF8, 0xFF, 0x9E, 0xB4};
    int mismatches = 0;
    for (unsigned b0 = 0; b0 < 256; ++b0)
        for (unsigned b1 = 0; b1 < 256; ++b1)
            for (unsigned b2 : thirdBytes) {
                const unsigned code = b0 | b1 << 8 | b2 << 16;
                if (zandrel::FindFirstRow(code) != zandrel::ScanFirstRow(code)) ++mismatches;
            }
    for (unsigned rep : {0xF2u, 0xF3u})
        for (unsigned b0 = 0; b0 < 256; ++b0)
            for (unsigned b1 : {0x00u, 0xC0u, 0xFFu}) {
                const unsigned code = (b0 | b1 << 8) << 8 | rep;
                if (zandrel::FindFirstRow(code) != zandrel::ScanFirstRow(code)) ++mismatches;
            }
    EXPECT_EQ(mismatches, 0);
}

// Each single- and two-byte opcode with a few ModRM bytes: the result stays within the
// input and is at least 1, and the texts stay NUL-terminated within their buffers.
TEST(Disasm, EveryOpcodeStaysWithinItsBuffers) {
    VB_SetOptions(1, 1, 1, 1);
    unsigned char code[16];
    for (unsigned b0 = 0; b0 < 256; ++b0)
        for (unsigned b1 = 0; b1 < 256; b1 += 7)
            for (unsigned b2 : {0x00u, 0x44u, 0x84u, 0xC5u}) {
                std::memset(code, 0xFF, sizeof code);
                code[0] = uint8_t(b0);
                code[1] = uint8_t(b1);
                code[2] = uint8_t(b2);
                DisasmRecord r = patterned();
                const int n = Disasm(code, sizeof code, kAt, &r, 3);
                ASSERT_GE(n, 1) << b0 << " " << b1;
                ASSERT_LE(n, 16) << b0 << " " << b1;
                ASSERT_NE(std::memchr(r.commandText, 0, sizeof r.commandText), nullptr);
                ASSERT_NE(std::memchr(r.hexDump, 0, sizeof r.hexDump), nullptr);
                ASSERT_NE(std::memchr(r.commentText, 0, sizeof r.commentText), nullptr);
                ASSERT_GT(std::strlen(r.commandText), 0u);
            }
    VB_SetOptions(0, 0, 0, 0);
}

}  // namespace

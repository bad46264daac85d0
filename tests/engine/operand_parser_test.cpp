#include "engine/operand_parser.h"

#include <gtest/gtest.h>

#include <string>

using namespace zandrel;

namespace {

// Parses the first operand of a line; the scanner state is left on the token behind it.
ParsedOperand parse(ScanState& s, const char* text) {
    StartScan(s, text);
    NextToken(s, false);
    ParsedOperand op;
    ParseOperand(s, op);
    return op;
}

std::string show(const ParsedOperand& o) {
    return "class " + std::to_string(o.operandClass) + " size " + std::to_string(o.size) + " index " +
           std::to_string(o.index) + " scale " + std::to_string(o.scale) + " base " + std::to_string(o.base) +
           " value " + std::to_string(o.value) + " any " + std::to_string(o.anyConstant) + " segment " +
           std::to_string(o.segment) + " mods " + std::to_string(o.jumpModifiers);
}

bool same(const ParsedOperand& a, const ParsedOperand& b) {
    return a.operandClass == b.operandClass && a.size == b.size && a.index == b.index && a.scale == b.scale &&
           a.base == b.base && a.value == b.value && a.anyConstant == b.anyConstant && a.segment == b.segment &&
           a.jumpModifiers == b.jumpModifiers;
}

constexpr int R = ParsedRegister, F = ParsedFpuRegister, X = ParsedMmxRegister, C = ParsedCtrlRegister,
              D = ParsedDbgRegister, S = ParsedSegmentRegister, I = ParsedImmediate, A = ParsedFarAddress,
              M = ParsedMemory, L = ParsedXlat;

struct OperandCase {
    const char* text;
    ParsedOperand expected;
    const char* next;  // text of the token behind the operand ("" at the end of the line)
};

// text                          class size index scale base value  any seg mods   next
const OperandCase kOperands[] = {
    // clang-format off
    {"EAX",                         {R, 4, 0, 0, -1, 0, 0, -1, 0},     ""},
    {"bl",                          {R, 1, 3, 0, -1, 0, 0, -1, 0},     ""},
    {"SP,",                         {R, 2, 4, 0, -1, 0, 0, -1, 0},     ","},
    {"R32",                         {R, 4, 8, 0, -1, 0, 0, -1, 0},     ""},
    {"ST(3)",                       {F, 0, 3, 0, -1, 0, 0, -1, 0},     ""},
    {"FPU",                         {F, 0, 8, 0, -1, 0, 0, -1, 0},     ""},
    {"MM5",                         {X, 0, 5, 0, -1, 0, 0, -1, 0},     ""},
    {"CR3",                         {C, 0, 3, 0, -1, 0, 0, -1, 0},     ""},
    {"DR7",                         {D, 0, 7, 0, -1, 0, 0, -1, 0},     ""},
    {"ES",                          {S, 0, 0, 0, -1, 0, 0, 0, 0},      ""},
    {"GS ,",                        {S, 0, 5, 0, -1, 0, 0, 5, 0},      ","},
    {"SHORT SS",                    {S, 0, 2, 0, -1, 0, 0, 2, 5},      ""},
    {"[EBX]",                       {M, 0, -1, 0, 3, 0, 0, -1, 0},     ""},
    {"[EBX+EAX]",                   {M, 0, 3, 1, 0, 0, 0, -1, 0},      ""},
    {"[EAX+EBX]",                   {M, 0, 3, 1, 0, 0, 0, -1, 0},      ""},
    {"[EAX][EBX]",                  {M, 0, 3, 1, 0, 0, 0, -1, 0},      ""},
    {"[EBX*4]",                     {M, 0, 3, 4, -1, 0, 0, -1, 0},     ""},
    {"[4*EBX]",                     {M, 0, 3, 4, -1, 0, 0, -1, 0},     ""},
    {"[EBX*3]",                     {M, 0, 3, 2, 3, 0, 0, -1, 0},      ""},
    {"[EAX+EAX+EAX]",               {M, 0, 0, 2, 0, 0, 0, -1, 0},      ""},
    {"[EAX*9]",                     {M, 0, 0, 8, 0, 0, 0, -1, 0},      ""},
    {"[EAX*2+EBX]",                 {M, 0, 0, 2, 3, 0, 0, -1, 0},      ""},
    {"[EBX*0+5]",                   {M, 0, -1, 0, -1, 5, 0, -1, 0},    ""},
    {"[EAX*0FFFFFFFFh+EAX*2]",      {M, 0, -1, 0, 0, 0, 0, -1, 0},     ""},
    {"[]",                          {M, 0, -1, 0, -1, 0, 0, -1, 0},    ""},
    {"[+]",                         {M, 0, -1, 0, -1, 0, 0, -1, 0},    ""},
    {"[EAX+]",                      {M, 0, -1, 0, 0, 0, 0, -1, 0},     ""},
    {"[10+EAX*4+EBX]",              {M, 0, 0, 4, 3, 16, 0, -1, 0},     ""},
    {"[-5]",                        {M, 0, -1, 0, -1, -5, 0, -1, 0},   ""},
    {"[10.-20h+'A']",               {M, 0, -1, 0, -1, 43, 0, -1, 0},   ""},
    {"[LOCAL.1]",                   {M, 0, -1, 0, 5, -4, 0, -1, 0},    ""},
    {"[LOCAL.2+4]",                 {M, 0, -1, 0, 5, -4, 0, -1, 0},    ""},
    {"[-LOCAL.2]",                  {M, 0, -1, 0, 5, -8, 0, -1, 0},    ""},
    {"[ARG.1]",                     {M, 0, -1, 0, 5, 8, 0, -1, 0},     ""},
    {"[EAX+LOCAL.1]",               {M, 0, 5, 1, 0, -4, 0, -1, 0},     ""},
    {"[EAX+CONST]",                 {M, 0, -1, 0, 0, 0, 1, -1, 0},     ""},
    {"[R32*4+EAX]",                 {M, 0, 8, 4, 0, 0, 0, -1, 0},      ""},
    {"FS:[0]",                      {M, 0, -1, 0, -1, 0, 0, 4, 0},     ""},
    {"[FS:0]",                      {M, 0, -1, 0, -1, 0, 0, 4, 0},     ""},
    {"DWORD PTR FS:[0]",            {M, 4, -1, 0, -1, 0, 0, 4, 0},     ""},
    {"FS:DWORD PTR [0]",            {M, 4, -1, 0, -1, 0, 0, 4, 0},     ""},
    {"[DWORD FS:0]",                {M, 4, -1, 0, -1, 0, 0, 4, 0},     ""},
    {"TBYTE PTR [ESI],",            {M, 10, -1, 0, 6, 0, 0, -1, 0},    ","},
    {"[EBX+AL]",                    {L, 0, -1, 0, -1, 0, 0, -1, 0},    ""},
    {"[AL+EBX]",                    {L, 0, -1, 0, -1, 0, 0, -1, 0},    ""},
    {"BYTE PTR [EBX+AL]",           {L, 1, -1, 0, -1, 0, 0, -1, 0},    ""},
    {"DS:[EBX+AL]",                 {L, 0, -1, 0, -1, 0, 0, 3, 0},     ""},
    {"-1",                          {I, 0, -1, 0, -1, -1, 0, -1, 0},   ""},
    {"+5",                          {I, 0, -1, 0, -1, 5, 0, -1, 0},    ""},
    {"-'A'",                        {I, 0, -1, 0, -1, -65, 0, -1, 0},  ""},
    {"-CONST",                      {I, 0, -1, 0, -1, 0, 1, -1, 0},    ""},
    {"CONST",                       {I, 0, -1, 0, -1, 0, 1, -1, 0},    ""},
    {"12 EAX",                      {I, 0, -1, 0, -1, 0x12, 0, -1, 0}, "EAX"},
    {"1234:5678",                   {A, 0, -1, 0, -1, 0x5678, 0, 0x1234, 0}, ""},
    {"CONST:10",                    {A, 0, -1, 0, -1, 16, 1, 0, 0},    ""},
    {"SHORT SHORT 70",              {I, 0, -1, 0, -1, 0x70, 0, -1, 5}, ""},
    {"LONG 70",                     {I, 0, -1, 0, -1, 0x70, 0, -1, 6}, ""},
    {"NEAR -70",                    {I, 0, -1, 0, -1, -0x70, 0, -1, 4}, ""},
    {"LONG FAR 70",                 {I, 0, -1, 0, -1, 0x70, 0, -1, 10}, ""},
    {"FAR 1234:5678",               {A, 0, -1, 0, -1, 0x5678, 0, 0x1234, 8}, ""},
    {"FAR DWORD PTR [EAX]",         {M, 4, -1, 0, 0, 0, 0, -1, 8},     ""},
    // clang-format on
};

TEST(OperandParserTest, Operands) {
    for (const OperandCase& c : kOperands) {
        ScanState s;
        const ParsedOperand op = parse(s, c.text);
        ASSERT_NE(s.tokenKind, TokError) << c.text << ": " << s.tokenError;
        EXPECT_TRUE(same(op, c.expected)) << c.text << "\n got      " << show(op) << "\n expected " << show(c.expected);
        EXPECT_STREQ(s.tokenText, c.next) << c.text;
    }
}

struct ErrorCase {
    const char* text;
    const char* message;
    int position;  // characters before the cursor
};

// text                   message                                               position
const ErrorCase kErrors[] = {
    // clang-format off
    {"[EBX+AL+1]",           "Invalid address",                                    10},
    {"[AL]",                 "Invalid address",                                    4},
    {"[EBX+AL+CONST]",       "Invalid address",                                    14},
    {"[EAX*8+EBX*2]",        "Only one register may be scaled",                    13},
    {"[EAX*8+EAX*2]",        "Invalid scale",                                      13},
    {"[EAX*0FFFFFFFFh]",     "Invalid scale",                                      16},
    {"[EAX*7]",              "Invalid scale",                                      6},
    {"[0Ah*EAX]",            "Invalid scale",                                      8},
    {"[EAX+EBX+ECX]",        "Too many registers",                                 13},
    {"[EAX*3+EBX]",          "Too many registers",                                 11},
    {"[EAX+ECX+EDX*2]",      "Too many registers",                                 15},
    {"[AL+AL+EBX]",          "Too many registers",                                 6},
    {"[EAX EBX]",            "Syntax error",                                       8},
    {"[EAX+-5]",             "Syntax error",                                       6},
    {"[EAX",                 "Syntax error",                                       4},
    {"[EAX*EBX]",            "Syntax error",                                       8},
    {"[2*3]",                "Syntax error",                                       4},
    {"[BL]",                 "Syntax error",                                       3},
    {"[AX]",                 "Sorry, 16-bit addressing is not supported",          3},
    {"[BX+SI]",              "Sorry, 16-bit addressing is not supported",          3},
    {"[3*AX]",               "Sorry, 16-bit addressing is not supported",          5},
    {"[-EAX]",               "Unable to subtract register",                        5},
    {"[EBX-EAX]",            "Unable to subtract register",                        8},
    {"[-2*EAX]",             "Unable to subtract register",                        7},
    {"[-AL+EBX]",            "Unable to subtract register",                        4},
    {"[EAX*CONST]",          "Undefined scale is not allowed",                     10},
    {"[CONST*2]",            "Undefined scale is not allowed",                     7},
    {"DWORD PTR EAX",        "Address expression requires brackets",               13},
    {"DWORD PTR 1234",       "Address expression requires brackets",               14},
    {"FS:",                  "Address expression requires brackets",               3},
    {"[[EAX]",               "Only one opening bracket allowed",                   2},
    {"BYTE WORD [EAX]",      "Duplicated size modifier",                           10},
    {"FS:GS:[0]",            "Duplicated segment register",                        5},
    {"[FS 0]",               "Semicolon expected",                                 5},
    {"--1",                  "Integer number expected",                            2},
    {"-EAX",                 "Integer number expected",                            4},
    {"1234:EAX",             "Integer address expected",                           8},
    {"1.5",                  "Floating-point numbers are not allowed in command",  3},
    {"(5)",                  "Unrecognized operand",                               1},
    {"EIP",                  "Unrecognized operand",                               3},
    {"PTR",                  "Unrecognized operand",                               3},
    {"LOCAL.1",              "Unrecognized operand",                               7},
    {"SHORT",                "Unrecognized operand",                               5},
    {"NEAR FOO",             "Unrecognized operand",                               8},
    {"SHORT LONG 70",        "Invalid combination of jump address modifiers",      13},
    {"NEAR FAR 70",          "Invalid combination of jump address modifiers",      11},
    {"SHORT FAR 70",         "Invalid combination of jump address modifiers",      12},
    {"SHORT EAX",            "Jump address modifier is not allowed",               9},
    {"FAR EAX",              "Jump address modifier is not allowed",               7},
    {"NEAR ST(1)",           "Jump address modifier is not allowed",               10},
    {"SHORT [EBX+AL]",       "Jump address modifier is not allowed",               14},
    {"FOO",                  "Unknown identifier",                                 3},
    {"[EAX+FOO]",            "Unknown identifier",                                 8},
    {"[EAX*ST(9)]",          "FPU registers have indexes 0 to 7",                  9},
    // clang-format on
};

TEST(OperandParserTest, Errors) {
    for (const ErrorCase& c : kErrors) {
        ScanState s;
        parse(s, c.text);
        ASSERT_EQ(s.tokenKind, TokError) << c.text;
        EXPECT_STREQ(s.tokenError, c.message) << c.text;
        EXPECT_EQ(ScanPosition(s), c.position) << c.text;
    }
}

// The end of the line or a lexical error leaves the operand untouched.
TEST(OperandParserTest, NothingToParse) {
    const char* const lines[] = {"", "  ; comment", "ST(8)", "0x"};
    for (const char* line : lines) {
        ScanState s;
        const TokenKind before = (StartScan(s, line), NextToken(s, false), s.tokenKind);
        const int position = ScanPosition(s);
        ParsedOperand op;
        ParseOperand(s, op);
        EXPECT_TRUE(same(op, ParsedOperand{})) << line << ": " << show(op);
        EXPECT_EQ(s.tokenKind, before) << line;
        EXPECT_EQ(ScanPosition(s), position) << line;
    }
}

// Three operands read in a row, as the command search does, through the engine-wide state.
TEST(OperandParserTest, ConsecutiveOperands) {
    StartScan("EAX , DWORD PTR [ESI+4] ,-1");
    NextToken(false);
    ParsedOperand ops[3];
    for (ParsedOperand& op : ops) {
        ParseOperand(op);
        if (IsPunct(gScanState, ',')) NextToken(false);
    }
    EXPECT_EQ(gScanState.tokenKind, TokEnd);
    EXPECT_TRUE(same(ops[0], ParsedOperand{R, 4, 0, 0, -1, 0, 0, -1, 0})) << show(ops[0]);
    EXPECT_TRUE(same(ops[1], ParsedOperand{M, 4, -1, 0, 6, 4, 0, -1, 0})) << show(ops[1]);
    EXPECT_TRUE(same(ops[2], ParsedOperand{I, 0, -1, 0, -1, -1, 0, -1, 0})) << show(ops[2]);

    ParsedOperand reset{M, 4, 1, 2, 3, 4, 1, 5, 8};
    ResetOperand(reset);
    EXPECT_TRUE(same(reset, ParsedOperand{})) << show(reset);
    EXPECT_TRUE(same(reset, ParsedOperand{ParsedNone, 0, -1, 0, -1, 0, 0, -1, 0})) << show(reset);
}

}  // namespace

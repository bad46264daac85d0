#include "engine/scanner.h"
#include "engine/instruction_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zandrel;

namespace {

struct Tok {
    TokenKind kind;
    int value;
};

bool operator==(const Tok& a, const Tok& b) { return a.kind == b.kind && a.value == b.value; }

std::string show(const std::vector<Tok>& tokens) {
    std::string out;
    for (const Tok& t : tokens) {
        out += '(';
        out += std::to_string(t.kind);
        out += ',';
        out += std::to_string(t.value);
        out += ')';
    }
    return out;
}

// Scans until the end or an error, which is included.
std::vector<Tok> scanAll(ScanState& s, const char* line, bool names) {
    StartScan(s, line);
    std::vector<Tok> tokens;
    for (int guard = 0; guard < 100; ++guard) {
        NextToken(s, names);
        tokens.push_back({s.tokenKind, s.tokenValue});
        if (s.tokenKind == TokEnd || s.tokenKind == TokError) break;
    }
    return tokens;
}

constexpr int P(char a, char b) { return a * 256 + b; }

struct SequenceCase {
    const char* input;
    bool names;
    std::vector<Tok> tokens;  // TokEnd at the end is implied
};

// input                      names  tokens
const SequenceCase kSequences[] = {
    // clang-format off
    {"10",                       false, {{TokInteger, 16}}},
    {"10.",                      false, {{TokInteger, 10}}},
    {"10h",                      false, {{TokInteger, 16}}},
    {"10H",                      false, {{TokInteger, 16}}},
    {"0x10",                     false, {{TokInteger, 16}}},
    {"0X10",                     false, {{TokInteger, 16}}},
    {"0FFh",                     false, {{TokInteger, 255}}},
    {"0ffffffffh",               false, {{TokInteger, -1}}},
    {"100000000",                false, {{TokInteger, 0}}},
    {"4294967297.",              false, {{TokInteger, 1}}},
    {"10G",                      true,  {{TokInteger, 16}, {TokName, 1}}},
    {"10.h",                     true,  {{TokInteger, 10}, {TokName, 1}}},
    {"1.5",                      false, {{TokFloat, 0}}},
    {"1.E5",                     false, {{TokFloat, 0}}},
    {"2.5E-3",                   false, {{TokFloat, 0}}},
    {"1.0E123456789012",         false, {{TokFloat, 0}}},
    {"1.5 +",                    false, {{TokFloat, 0}, {TokPunct, '+'}}},
    {"'A'",                      false, {{TokInteger, 65}}},
    {"'\\''",                    false, {{TokInteger, 39}}},
    {"'\\n'",                    false, {{TokInteger, 110}}},
    {"';' ;x",                   false, {{TokInteger, ';'}}},
    {"'\xC4'",                   false, {{TokInteger, 0xC4}}},
    {"ST",                       false, {{TokFpuReg, 0}}},
    {"ST0",                      false, {{TokFpuReg, 0}}},
    {"ST(0)",                    false, {{TokFpuReg, 0}}},
    {"ST ( 0 )",                 false, {{TokFpuReg, 0}}},
    {"ST(0.)",                   false, {{TokFpuReg, 0}}},
    {"st(7),ST(0x3)",            false, {{TokFpuReg, 7}, {TokPunct, ','}, {TokFpuReg, 3}}},
    {"ST ,ST1",                  false, {{TokFpuReg, 0}, {TokPunct, ','}, {TokFpuReg, 1}}},
    {"FPU ST7",                  false, {{TokFpuReg, 8}, {TokFpuReg, 7}}},
    {"DWORD PTR",                false, {{TokSize, 4}}},
    {"dword ptr",                false, {{TokSize, 4}}},
    {"DWORD",                    false, {{TokSize, 4}}},
    {"byte word fword qword tbyte", false, {{TokSize, 1}, {TokSize, 2}, {TokSize, 6}, {TokSize, 8}, {TokSize, 10}}},
    {"DWORD PTRX",               true,  {{TokSize, 4}, {TokName, 4}}},
    {"DWORD PTR PTR",            false, {{TokSize, 4}, {TokPtr, 0}}},
    {"BYTE PTR[EAX]",            false, {{TokSize, 1}, {TokPunct, '['}, {TokReg32, 0}, {TokPunct, ']'}}},
    {"LOCAL.1",                  false, {{TokLocal, 1}}},
    {"LOCAL . 12",               false, {{TokLocal, 12}}},
    {"arg.10+",                  false, {{TokArg, 10}, {TokPunct, '+'}}},
    {"LOCAL",                    true,  {{TokName, 5}}},
    {"LOCAL 1",                  true,  {{TokName, 5}, {TokInteger, 1}}},
    {"[EAX][EBX]",               false, {{TokPunct, '['}, {TokReg32, 0}, {TokPunct, '+'}, {TokReg32, 3}, {TokPunct, ']'}}},
    {"] [",                      false, {{TokPunct, '+'}}},
    {"] x",                      true,  {{TokPunct, ']'}, {TokName, 1}}},
    {"<<>=&&",                   false, {{TokPunct, P('<', '<')}, {TokPunct, P('>', '=')}, {TokPunct, P('&', '&')}}},
    {"|| == != <= >>",           false, {{TokPunct, P('|', '|')}, {TokPunct, P('=', '=')}, {TokPunct, P('!', '=')},
                                         {TokPunct, P('<', '=')}, {TokPunct, P('>', '>')}}},
    {"< = &",                    false, {{TokPunct, '<'}, {TokPunct, '='}, {TokPunct, '&'}}},
    {"\xB0\xA1",                 false, {{TokPunct, 0xB0}, {TokPunct, 0xA1}}},
    {"; comment",                false, {}},
    {"  EAX\t; x",               false, {{TokReg32, 0}}},
    {"al cl dl bl ah ch dh bh r8", false, {{TokReg8, 0}, {TokReg8, 1}, {TokReg8, 2}, {TokReg8, 3}, {TokReg8, 4},
                                         {TokReg8, 5}, {TokReg8, 6}, {TokReg8, 7}, {TokReg8, 8}}},
    {"SP R16 ESP R32",           false, {{TokReg16, 4}, {TokReg16, 8}, {TokReg32, 4}, {TokReg32, 8}}},
    {"ES CS SS DS FS GS",        false, {{TokSegReg, 0}, {TokSegReg, 1}, {TokSegReg, 2}, {TokSegReg, 3},
                                         {TokSegReg, 4}, {TokSegReg, 5}}},
    {"MM3 MMX CR0 CRX DR7 DRX",  false, {{TokMmxReg, 3}, {TokMmxReg, 8}, {TokCtrlReg, 0}, {TokCtrlReg, 8},
                                         {TokDbgReg, 7}, {TokDbgReg, 8}}},
    {"SHORT LONG NEAR FAR",      false, {{TokJumpModifier, ModShort}, {TokJumpModifier, ModLong},
                                         {TokJumpModifier, ModNear}, {TokJumpModifier, ModFar}}},
    {"REP REPE REPZ REPNE REPNZ LOCK", false, {{TokRep, 0}, {TokRepe, 0}, {TokRepe, 0}, {TokRepne, 0},
                                         {TokRepne, 0}, {TokLock, 0}}},
    {"PTR CONST offset",         false, {{TokPtr, 0}, {TokAnyConst, 0}, {TokAnyConst, 0}}},
    // clang-format on
    {"EIP SIGNED UNSIGNED CHAR FLOAT DOUBLE FLOAT10 STRING UNICODE MSG",
     false,
     // clang-format off
                                        {{TokReserved, 0}, {TokReserved, 0}, {TokReserved, 0}, {TokReserved, 0},
                                         {TokReserved, 0}, {TokReserved, 0}, {TokReserved, 0}, {TokReserved, 0},
                                         {TokReserved, 0}, {TokReserved, 0}}},
    {"MOV foo_1 @x _",           true,  {{TokName, 3}, {TokName, 5}, {TokName, 2}, {TokName, 1}}},
    {"FFh EAXX ST8",             true,  {{TokName, 3}, {TokName, 4}, {TokName, 3}}},
    // clang-format on
};

TEST(ScannerTest, TokenSequences) {
    for (const SequenceCase& c : kSequences) {
        ScanState s;
        std::vector<Tok> expected = c.tokens;
        expected.push_back({TokEnd, 0});
        const std::vector<Tok> got = scanAll(s, c.input, c.names);
        EXPECT_EQ(got, expected) << "input: " << c.input << " got " << show(got) << " expected " << show(expected);
        if (!got.empty() && got.back().kind == TokError) ADD_FAILURE() << c.input << ": " << s.tokenError;
    }
}

struct ErrorCase {
    const char* input;
    bool names;
    const char* message;
    int position;  // characters before the cursor
};

// input             names  message                                      position
const ErrorCase kErrors[] = {
    // clang-format off
    {"FFh",             false, "Unknown identifier",                        3},
    {"foo  ,",          false, "Unknown identifier",                        5},
    {"LOCAL 1",         false, "Unknown identifier",                        6},
    {"EAX ARG",         false, "Unknown identifier",                        7},
    {"0x10h",           false, "Please don't mix 0xXXXX and XXXXh forms",   4},
    {"0x",              false, "Hexadecimal digits after 0x... expected",   2},
    {"0xG",             false, "Hexadecimal digits after 0x... expected",   2},
    {"1A.",             false, "Not a decimal number",                      2},
    {"0x1.",            false, "Not a decimal number",                      3},
    {"1.E+5",           false, "Invalid exponent",                          3},
    {"1.5E",            false, "Invalid exponent",                          4},
    {"2.5e-x",          false, "Invalid exponent",                          5},
    {"''",              false, "Empty character constant",                  1},
    {"'AB'",            false, "Unterminated character constant",           2},
    {"'",               false, "Unterminated character constant",           1},
    {"'\\",             false, "Unterminated character constant",           1},
    {"'A",              false, "Unterminated character constant",           2},
    {"'\\nx'",          false, "Unterminated character constant",           3},
    {"ST(8)",           false, "FPU registers have indexes 0 to 7",         4},
    {"ST(EAX)",         false, "FPU registers have indexes 0 to 7",         6},
    {"ST(0FFFFFFFFh)",  false, "FPU registers have indexes 0 to 7",         13},
    {"ST()",            false, "FPU registers have indexes 0 to 7",         4},
    {"ST(",             false, "FPU registers have indexes 0 to 7",         3},
    {"ST(foo)",         false, "FPU registers have indexes 0 to 7",         6},
    {"ST(1",            false, "Closing parenthesis expected",              4},
    {"ST(1 2)",         false, "Closing parenthesis expected",              6},
    {"ST(ST(1))",       false, "FPU registers have indexes 0 to 7",         8},
    {"ST(ST)",          false, "FPU registers have indexes 0 to 7",         5},
    {"ST(1 ST)",        false, "Closing parenthesis expected",              7},
    {"ST(ST(ST(9",      false, "FPU registers have indexes 0 to 7",         10},
    {"<&",              false, "Syntax error",                              1},
    {"LOCAL.",          false, "Integer number expected",                   6},
    {"ARG. x",          false, "Integer number expected",                   5},
    // clang-format on
};

TEST(ScannerTest, LexicalErrors) {
    for (const ErrorCase& c : kErrors) {
        ScanState s;
        scanAll(s, c.input, c.names);
        ASSERT_EQ(s.tokenKind, TokError) << "input: " << c.input;
        EXPECT_STREQ(s.tokenError, c.message) << "input: " << c.input;
        EXPECT_EQ(ScanPosition(s), c.position) << "input: " << c.input;
    }
}

TEST(ScannerTest, IdentifierLengthLimit) {
    struct LengthCase {
        int length;
        TokenKind kind;
        int position;
    };
    // length  kind       position
    const LengthCase cases[] = {
        // clang-format off
        {255,      TokName,   255},
        {256,      TokError,  256},
        {300,      TokError,  256},
        // clang-format on
    };
    for (const LengthCase& c : cases) {
        const std::string line = std::string(static_cast<size_t>(c.length), 'q') + ",";
        ScanState s;
        StartScan(s, line.c_str());
        NextToken(s, true);
        EXPECT_EQ(s.tokenKind, c.kind) << "length " << c.length;
        EXPECT_EQ(ScanPosition(s), c.position) << "length " << c.length;
        if (c.kind == TokError) {
            EXPECT_STREQ(s.tokenError, "Too long identifier") << "length " << c.length;
        } else {
            EXPECT_EQ(s.tokenValue, c.length) << "length " << c.length;
        }
    }
}

TEST(ScannerTest, TextKeepsCaseAndPunctuationCharacters) {
    struct TextCase {
        const char* input;
        const char* text;
        int position;  // cursor after the first token
    };
    // input         first token text  position
    const TextCase cases[] = {
        // clang-format off
        {"MoV  eax",     "MoV",            5},
        {"dWord ptr [",  "dWord",          10},
        {"St ( 2 ) x",   "St",             8},
        {"St x",         "St",             3},
        {">= 1",         ">=",             2},
        {"] [x",         "+",              3},
        {"]  x",         "]",              1},
        {"  ,",          ",",              3},
        {"5 ,",          "",               2},
        {"1.5 ,",        "",               3},
        {"LOCAL.3 ,",    "LOCAL",          7},
        {"; x",          "",               0},
        // clang-format on
    };
    for (const TextCase& c : cases) {
        ScanState s;
        StartScan(s, c.input);
        NextToken(s, true);
        EXPECT_STREQ(s.tokenText, c.text) << "input: " << c.input;
        EXPECT_EQ(ScanPosition(s), c.position) << "input: " << c.input;
    }
}

TEST(ScannerTest, EndRepeatsAtTheSamePlace) {
    const char* const lines[] = {"EAX", "EAX ; comment", "", "  ", "[EAX];"};
    for (const char* line : lines) {
        ScanState s;
        scanAll(s, line, false);
        ASSERT_EQ(s.tokenKind, TokEnd) << line;
        const int position = ScanPosition(s);
        for (int i = 0; i < 3; ++i) {
            NextToken(s, false);
            EXPECT_EQ(s.tokenKind, TokEnd) << line;
            EXPECT_EQ(ScanPosition(s), position) << line;
        }
    }
}

// Every entry of the name tables reads back as its own token with its position as value.
TEST(ScannerTest, NameTablesAreKeywords) {
    struct Group {
        const char* const* names;
        int count;
        TokenKind kind;
    };
    const Group groups[] = {
        // clang-format off
        {RegisterNames[0], 9, TokReg8},   {RegisterNames[1], 9, TokReg16},     {RegisterNames[2], 9, TokReg32},
        {SegmentNames, 6, TokSegReg},     {FpuNames, 9, TokFpuReg},            {MmxNames, 9, TokMmxReg},
        {ControlRegNames, 9, TokCtrlReg}, {DebugRegNames, 9, TokDbgReg},
        // clang-format on
    };
    for (const Group& g : groups) {
        for (int i = 0; i < g.count; ++i) {
            ScanState s;
            StartScan(s, g.names[i]);
            NextToken(s, false);
            EXPECT_EQ(s.tokenKind, g.kind) << g.names[i];
            EXPECT_EQ(s.tokenValue, i) << g.names[i];
        }
    }
    const int sizes[] = {1, 2, 4, 6, 8, 10};
    for (int size : sizes) {
        ScanState s;
        StartScan(s, SizeNames[size]);
        NextToken(s, false);
        EXPECT_EQ(s.tokenKind, TokSize) << SizeNames[size];
        EXPECT_EQ(s.tokenValue, size) << SizeNames[size];
    }
}

// Each line starts from scratch: an error on one line leaves nothing for the next.
TEST(ScannerTest, EngineWideStateRestartsPerLine) {
    StartScan("ST(9)");
    NextToken(false);
    ASSERT_EQ(gScanState.tokenKind, TokError);
    StartScan("ECX");
    EXPECT_EQ(ScanPosition(), 0);
    NextToken(false);
    EXPECT_EQ(gScanState.tokenKind, TokReg32);
    EXPECT_EQ(gScanState.tokenValue, 1);
}

}  // namespace

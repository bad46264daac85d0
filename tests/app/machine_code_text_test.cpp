#include "app/machine_code_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace kovrel::app {
namespace {

using std::string;
using View = std::vector<std::string_view>;

// Full-width characters in GBK.
#define FW_SPACE "\xA1\xA1"
#define FW_1 "\xA3\xB1"
#define FW_4 "\xA3\xB4"
#define FW_8 "\xA3\xB8"
#define FW_MINUS "\xA3\xAD"

TEST(TextRules, Split) {
    struct Case {
        string text, separator;
        View expected;
    } cases[] = {
        // clang-format off
        // text                       separator  segments
        {"",                          ",",       {}},
        {"a",                         ",",       {"a"}},
        {"a,",                        ",",       {"a"}},
        {",a",                        ",",       {"", "a"}},
        {",",                         ",",       {""}},
        {"a,,b",                      ",",       {"a", "", "b"}},
        {"1,2,",                      ",",       {"1", "2"}},
        {"a\r\nb\r\n",                "\r\n",    {"a", "b"}},
        {"\r\n\r\na",                 "\r\n",    {"", "", "a"}},
        {"a\r\n\r\n",                 "\r\n",    {"a", ""}},
        {"\x81|x|y",                  "|",       {"\x81|x", "y"}},       // "|" as a trail byte is no separator
        {"\xB0{a{b",                  "{",       {"\xB0{a", "b"}},
        {"a,\x81",                    ",",       {"a", "\x81"}},         // lone lead byte at the end
        {"00000000  90        nop",   "  ",      {"00000000", "90", "", "", "", "nop"}},
        {"         -0000",            "  ",      {"", "", "", "", " -0000"}},
        // clang-format on
    };
    for (const Case& c : cases) {
        const View got = split(c.text, c.separator);
        EXPECT_EQ(got, c.expected) << "split(\"" << c.text << "\", \"" << c.separator << "\")";
    }
}

TEST(TextRules, FindAtCharacterStartsOnly) {
    struct Case {
        string text, part;
        long long first, last;
    } cases[] = {
        // clang-format off
        // text             part   first  last
        {"abcabc",          "b",   2,     5},
        {"abc",             "x",   -1,    -1},
        {"",                "a",   -1,    -1},
        {"\xB0" "A" "A",    "A",   3,     3},   // B0 41 is one character
        {"a  b   c",        "  ",  2,     6},
        {"\x81{",           "{",   -1,    -1},
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(find(c.text, c.part), c.first) << c.text;
        EXPECT_EQ(findLast(c.text, c.part), c.last) << c.text;
    }
}

TEST(TextRules, SpacesTrimAndRemove) {
    struct Case {
        string text, start, both, removed;
    } cases[] = {
        // clang-format off
        // text                              trim start              trim both         remove spaces
        {"",                                 "",                     "",               ""},
        {" " FW_SPACE " a b " FW_SPACE " ",  "a b " FW_SPACE " ",    "a b",            "ab"},
        {"\ta\t",                            "\ta\t",                "\ta\t",          "\ta\t"},
        {"\r\n x \r\n",                      "\r\n x \r\n",          "\r\n x \r\n",    "\r\nx\r\n"},
        {"\xD6\xA1\xA1",                     "\xD6\xA1\xA1",         "\xD6\xA1\xA1",   "\xD6\xA1\xA1"},  // D6 A1, then a lone A1
        {FW_SPACE "\xA1x",                   "\xA1x",                "\xA1x",          "\xA1x"},
        {"B8 01" FW_SPACE "00",              "B8 01" FW_SPACE "00",  "B8 01" FW_SPACE "00", "B80100"},
        {"   ",                              "",                     "",               ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trimStart(c.text), c.start) << c.text;
        EXPECT_EQ(trimBothEnds(c.text), c.both) << c.text;
        EXPECT_EQ(removeSpaces(c.text), c.removed) << c.text;
    }
}

TEST(TextRules, TextToByte) {
    struct Case {
        string text;
        int expected;
    } cases[] = {
        // clang-format off
        // text                            byte
        {"184",                            184},
        {"256",                            0},
        {"-1",                             255},
        {"300",                            44},
        {"",                               0},
        {"abc",                            0},
        {" 12",                            12},
        {"\t\r\n\v\f 12",                  12},
        {"+5",                             5},
        {"--5",                            0},
        {"- 5",                            0},
        {"12abc",                          12},
        {FW_1 FW_8 FW_4,                   184},
        {FW_SPACE "7",                     7},
        {FW_MINUS FW_1,                    255},
        {"\xA3\xAB" "7",                   7},    // full-width plus sign
        {"1" FW_8,                         18},
        {"1\xB0\xA1" "2",                  1},    // another double-byte character ends the number
        {string("1\0" "2", 3),             1},
        {"99999999999999999999999999",     255},  // 10^26 - 1, only the remainder counts
        {"-256",                           0},
        {"\xA3",                           0},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(textToByte(c.text), c.expected) << c.text;
}

TEST(TextRules, CaseSkipsDoubleByteCharacters) {
    struct Case {
        string text, upper, lower;
    } cases[] = {
        // clang-format off
        // text                   upper                 lower
        {"mov eax,1",             "MOV EAX,1",          "mov eax,1"},
        {"MOV EAX,[EBP+8]",       "MOV EAX,[EBP+8]",    "mov eax,[ebp+8]"},
        {"\xB0\x61x;\xBB\xE3",    "\xB0\x61X;\xBB\xE3", "\xB0\x61x;\xBB\xE3"},
        {"\xB0\x41X",             "\xB0\x41X",          "\xB0\x41x"},
        {"\x80" "a",              "\x80" "a",           "\x80" "a"},
        {"a\xC0",                 "A\xC0",              "a\xC0"},
        {"",                      "",                   ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUpperCase(c.text), c.upper) << c.text;
        EXPECT_EQ(toLowerCase(c.text), c.lower) << c.text;
    }
}

TEST(Writers, FormatBothForms) {
    struct Case {
        Bytes bytes;
        string literal, hex;
    } cases[] = {
        // clang-format off
        // bytes                 ByteSetLiteral          HexByteText
        {{184, 1, 0, 0, 0},      "{184,1,0,0,0}",        "B8 01 00 00 00"},
        {{},                     "{ }",                  ""},
        {{255},                  "{255}",                "FF"},
        {{10, 99, 100, 9},       "{10,99,100,9}",        "0A 63 64 09"},
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatByteSetLiteral(c.bytes), c.literal) << c.literal;
        EXPECT_EQ(formatHexByteText(c.bytes), c.hex) << c.literal;
    }
    for (int b = 0; b < 256; ++b) {
        const char digits[] = "0123456789ABCDEF";
        EXPECT_EQ(hexDigitPair(static_cast<uint8_t>(b)), (string{digits[b >> 4], digits[b & 15]})) << b;
    }
}

TEST(Readers, ParseByteSetLiteral) {
    struct Case {
        string text;
        Bytes expected;
    } cases[] = {
        // clang-format off
        // text                    bytes
        {"{184,1,0,0,0}",          {184, 1, 0, 0, 0}},
        {"{}",                     {}},
        {"{ }",                    {0}},
        {"{1,,2}",                 {1, 0, 2}},
        {"{1,2,}",                 {1, 2}},
        {"{,1}",                   {0, 1}},
        {"{256,-1,300}",           {0, 255, 44}},
        {" {1}",                   {}},
        {"{1}\r\n",                {}},
        {"{" FW_1 FW_8 FW_4 "}",   {184}},
        {"{",                      {}},
        {"}",                      {}},
        {"",                       {}},
        {"B8 01",                  {}},
        {"{x,{2}",                 {0, 0}},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(parseByteSetLiteral(c.text), c.expected) << c.text;
}

TEST(Readers, ReadByteList) {
    struct Case {
        string text;
        Bytes expected;
    } cases[] = {
        // clang-format off
        // text                bytes
        {"{-31,132}",          {225, 132}},
        {"184,1,0,0,0",        {184, 1, 0, 0, 0}},
        {"{{1}},}2",           {1, 2}},
        {"",                   {}},
        {"{}",                 {}},
        {"{ }",                {0}},
        {" {1}\r\n",           {1}},
        {"{1,\x81},2}",        {1, 0, 2}},       // 81 7D is one character, not a brace
        {"\x81{1}",            {0}},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(readByteList(c.text), c.expected) << c.text;
}

TEST(Readers, ParseHexByteText) {
    struct Case {
        string text;
        Bytes expected;
    } cases[] = {
        // clang-format off
        // text                  bytes
        {"B8 01 00",             {0xB8, 0x01, 0x00}},
        {"ABC",                  {0xAB}},
        {"b8",                   {0xE8}},          // b counts as -2
        {"B8\r\n01",             {0xB8, 222, 0x01}},  // the line break pairs like any character
        {FW_SPACE "B8",          {0xB8}},
        {"",                     {}},
        {"GG",                   {222}},
        {"{184}",                {0xE1, 0x84}},       // "{" counts -2, the unpaired "}" is dropped
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(parseHexByteText(c.text), c.expected) << c.text;
}

TEST(Readers, HexPairValueAndHexLiteral) {
    struct Case {
        string group, value;
    } pairs[] = {
        // clang-format off
        // group   value
        {"B8",     "184"},
        {"b8",     "184"},
        {"G1",     "-31"},
        {"F",      "15"},
        {"",       "0"},
        {"GG",     "-34"},
        {"1G",     "14"},
        // clang-format on
    };
    for (const Case& c : pairs) EXPECT_EQ(hexPairValue(c.group), c.value) << c.group;

    struct LiteralCase {
        string text, literal;
    } literals[] = {
        // clang-format off
        // text        literal
        {"b8 01",      "{184,1}"},
        {"ABC",        "{171,12,}"},
        {"G1",         "{-31}"},
        {"",           "{}"},
        {"A",          "{10,}"},
        {"B8 01 00 00 00", "{184,1,0,0,0}"},
        // clang-format on
    };
    for (const LiteralCase& c : literals) EXPECT_EQ(hexTextToByteSetLiteral(c.text), c.literal) << c.text;
}

TEST(Readers, CountsAgreeWithTheReaders) {
    const string texts[] = {"{184,1,0,0,0}",  "{}",  "{ }", "{1,2,}",       " {1}",
                            "B8 01 00 00 00", "ABC", "",    FW_SPACE "B8 0"};
    for (const string& t : texts) {
        EXPECT_EQ(countByteSetLiteral(t), parseByteSetLiteral(t).size()) << t;
        EXPECT_EQ(countHexByteText(t), parseHexByteText(t).size()) << t;
    }
}

TEST(Readers, PendingEventsAfterEveryByte) {
    int calls = 0;
    const Bytes bytes = parseByteSetLiteral("{1,2,3,,}", [&] { ++calls; });
    EXPECT_EQ(bytes.size(), 4u);
    EXPECT_EQ(calls, 4);
}

TEST(Readers, LineEndsBecomeCrLf) {
    struct Case {
        string text, expected;
    } cases[] = {
        {"a\nb", "a\r\nb"}, {"a\r\nb", "a\r\nb"}, {"\n\n", "\r\n\r\n"}, {"", ""}, {"\r", "\r"},
    };
    for (const Case& c : cases) EXPECT_EQ(withCrLf(c.text), c.expected) << c.text;
}

// Large, hostile texts: every reader finishes and gives what its rule says.
TEST(BadInput, LargeAndMalformedTexts) {
    const size_t tenMegabytes = 10u << 20;
    std::mt19937 random(7);
    string noise(tenMegabytes, '\0');
    for (char& c : noise) c = static_cast<char>(random());

    string literal = "{";
    while (literal.size() < tenMegabytes) literal += "255,";
    literal += "1}";
    const size_t literalBytes = static_cast<size_t>(std::count(literal.begin(), literal.end(), ',')) + 1;

    string hex;
    while (hex.size() < tenMegabytes) hex += "9A ";
    string leads(tenMegabytes, '\x81');  // lone lead bytes pair with each other
    string digits(tenMegabytes, '9');
    string nuls(tenMegabytes, '\0');

    EXPECT_EQ(parseByteSetLiteral(literal).size(), literalBytes);
    EXPECT_EQ(readByteList(literal).size(), literalBytes);
    EXPECT_EQ(parseHexByteText(hex).size(), hex.size() / 3);
    EXPECT_EQ(hexTextToByteSetLiteral(hex).size(), 2 + (hex.size() / 3) * 4 - 1);
    EXPECT_EQ(textToByte(digits), 255) << "10^n - 1 wraps to 255";
    EXPECT_EQ(parseByteSetLiteral("{" + digits + "}"), Bytes{255});
    EXPECT_EQ(parseHexByteText(nuls).size(), nuls.size() / 2);
    EXPECT_EQ(split(leads, ",").size(), 1u);
    EXPECT_EQ(toUpperCase(leads), leads);
    EXPECT_EQ(trimBothEnds(leads).size(), leads.size());
    for (const string* t : {&noise, &leads, &nuls}) {
        const Bytes strict = parseByteSetLiteral(*t);
        const Bytes lenient = readByteList(*t);
        const Bytes fromHex = parseHexByteText(*t);
        EXPECT_EQ(fromHex.size(), removeSpaces(*t).size() / 2);
        EXPECT_LE(strict.size(), t->size());
        EXPECT_LE(lenient.size(), t->size());
        EXPECT_EQ(toLowerCase(*t).size(), t->size());
        EXPECT_EQ(parseByteSetLiteral(formatByteSetLiteral(fromHex)), fromHex.empty() ? Bytes{0} : fromHex);
        EXPECT_EQ(parseHexByteText(formatHexByteText(fromHex)), fromHex);
    }
}

}  // namespace
}  // namespace kovrel::app

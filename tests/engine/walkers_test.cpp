// Disassembleforward and Disassembleback: stepping whole commands inside a block.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/hex_bytes.h"

namespace {

using kovrel::testing::parseHex;

enum Direction { Forward, Back };

struct Case {
    const char* name;
    Direction direction;
    const char* block;
    unsigned blockBase;
    unsigned address;
    int count;
    unsigned expected;
};

// PUSH EBP / MOV EBP,ESP / SUB ESP,8 / MOV EAX,1 / LEAVE / RETN at 401000.
constexpr const char* kFrame = "55 8B EC 83 EC 08 B8 01 00 00 00 C9 C3";

//  name                               direction block          base      address   count expected
const Case kCases[] = {
    // clang-format off
    {"prologue forward three",         Forward, "55 8B EC 83 EC 08", 0x401000, 0x401000, 3, 0x401006},
    {"prologue back one",              Back,    "55 8B EC 83 EC 08", 0x401000, 0x401006, 1, 0x401003},
    {"forward three",                  Forward, kFrame,         0x401000, 0x401000, 3,    0x401006},
    {"forward one",                    Forward, kFrame,         0x401000, 0x401001, 1,    0x401003},
    {"forward zero count",             Forward, kFrame,         0x401000, 0x401003, 0,    0x401003},
    {"forward negative count",         Forward, kFrame,         0x401000, 0x401003, -5,   0x401003},
    {"forward stops at block end",     Forward, kFrame,         0x401000, 0x401000, 100,  0x40100D},
    {"forward from below base",        Forward, kFrame,         0x401000, 0x400000, 1,    0x401001},
    {"forward below base, no count",   Forward, kFrame,         0x401000, 0x400000, 0,    0x401000},
    {"forward from past end",          Forward, kFrame,         0x401000, 0x500000, 2,    0x40100D},
    {"forward through a cut command",  Forward, "55 8B",        0x401000, 0x401000, 5,    0x401002},
    {"back one",                       Back,    kFrame,         0x401000, 0x401006, 1,    0x401003},
    {"back two",                       Back,    kFrame,         0x401000, 0x401006, 2,    0x401001},
    {"back four",                      Back,    kFrame,         0x401000, 0x40100D, 4,    0x401003},
    {"back zero count",                Back,    kFrame,         0x401000, 0x401006, 0,    0x401006},
    {"back negative count is zero",    Back,    kFrame,         0x401000, 0x401006, -3,   0x401006},
    {"back near the base",             Back,    kFrame,         0x401000, 0x401002, 2,    0x401000},
    {"back at base plus count",        Back,    kFrame,         0x401000, 0x401003, 3,    0x401000},
    {"back below base",                Back,    kFrame,         0x401000, 0x400000, 1,    0x401000},
    {"back from past end",             Back,    kFrame,         0x401000, 0x500000, 1,    0x40100C},
    {"back more than walked",          Back,    kFrame,         0x401000, 0x401006, 5,    0x401000},
    {"back mid-command: 83 EC cut, EC", Back,   kFrame,         0x401000, 0x401005, 1,    0x401004},
    // A block whose end passes the top of the address space: offsets into the block stay exact.
    {"forward near the top of memory",  Forward, kFrame,         0xFFFFFFF8, 0xFFFFFFF8, 3, 0xFFFFFFFE},
    {"forward across the top of memory",Forward, kFrame,         0xFFFFFFF8, 0xFFFFFFF8, 5, 0x00000004},
    {"back near the top of memory",     Back,    kFrame,         0xFFFFFFF8, 0xFFFFFFFE, 1, 0xFFFFFFFB},
    // clang-format on
};

unsigned walk(const Case& c, const std::vector<unsigned char>& block) {
    return c.direction == Forward
               ? Disassembleforward(block.data(), c.blockBase, unsigned(block.size()), c.address, c.count)
               : Disassembleback(block.data(), c.blockBase, unsigned(block.size()), c.address, c.count);
}

TEST(Walkers, Cases) {
    for (const Case& c : kCases) {
        const std::vector<unsigned char> block = parseHex(c.block);
        EXPECT_EQ(walk(c, block), c.expected) << c.name;
    }
}

TEST(Walkers, NullBlockGivesZero) {
    EXPECT_EQ(Disassembleforward(nullptr, 0x401000, 10, 0x401000, 1), 0u);
    EXPECT_EQ(Disassembleback(nullptr, 0x401000, 10, 0x401005, 1), 0u);
}

// In a long run of NOPs the window starts well inside the block, and the walk back
// lands exactly count commands before; with a longer run of 5-byte commands too.
TEST(Walkers, LongBlocks) {
    std::vector<unsigned char> nops(4000, 0x90);
    for (int count : {1, 2, 50, 127, 128, 1000}) {
        const int stepped = count > 127 ? 127 : count;
        EXPECT_EQ(Disassembleback(nops.data(), 0x10000, 4000, 0x10000 + 3000, count), 0x10000u + 3000 - stepped)
            << count;
        EXPECT_EQ(Disassembleforward(nops.data(), 0x10000, 4000, 0x10000 + 100, count), 0x10000u + 100 + count)
            << count;
    }
    std::vector<unsigned char> moves;
    for (int i = 0; i < 800; ++i) moves.insert(moves.end(), {0xB8, 0x01, 0x00, 0x00, 0x00});
    EXPECT_EQ(Disassembleback(moves.data(), 0, unsigned(moves.size()), 2000, 10), 1950u);
    EXPECT_EQ(Disassembleforward(moves.data(), 0, unsigned(moves.size()), 2000, 10), 2050u);
}

// The two walkers agree: back n from forward n of a command start comes home.
TEST(Walkers, BackUndoesForward) {
    const std::vector<unsigned char> block = parseHex(kFrame);
    const unsigned base = 0x401000, size = unsigned(block.size());
    const unsigned starts[] = {0x401000, 0x401001, 0x401003, 0x401006, 0x40100B};
    for (unsigned start : starts)
        for (int n = 1; n <= 3; ++n) {
            const unsigned ahead = Disassembleforward(block.data(), base, size, start, n);
            if (ahead >= base + size) continue;
            EXPECT_EQ(Disassembleback(block.data(), base, size, ahead, n), start) << std::hex << start << " " << n;
        }
}

}  // namespace

// Name test and the name index that replaces the row-by-row name comparison.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/command_search.h"
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

}  // namespace

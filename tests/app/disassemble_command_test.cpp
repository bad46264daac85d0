#include "app/disassemble_command.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/main_window.h"
#include "tests/app/app_fixture.h"

namespace kovrel::app::testing {
namespace {

using std::string;
using Row = std::vector<string>;

const string kCommandLine = "vev_uvi  -b 32 /tmp/3e8.tmp";

// Listings as `ndisasm -b 32` (NASM 2.16) writes them, LF line ends.
const string kMovListing = "00000000  B801000000        mov eax,0x1\n";
const string kLongListing =
    "00000000  C784887856341278  mov dword [eax+ecx*4+0x12345678],0x12345678\n"
    "         -563412\n"
    "0000000B  90                nop\n"
    "0000000C  EBFE              jmp short 0xc\n";

// The engine's own text for one command at an address, lower-cased as the box shows it.
string engineText(const Bytes& bytes, size_t offset, size_t length) {
    DisasmRecord record{};
    VB_SetOptions(0, 0, 0, 1);
    Disasm(bytes.data() + offset, static_cast<unsigned>(length), static_cast<unsigned>(offset), &record, 3);
    return toLowerCase(string(record.commandText, strnlen(record.commandText, sizeof record.commandText)));
}

// The engine's listing of a byte string walked command by command, each at its offset.
string engineWalk(const Bytes& bytes) {
    string listing;
    for (size_t offset = 0; offset < bytes.size();) {
        DisasmRecord record{};
        VB_SetOptions(0, 0, 0, 1);
        const int n = Disasm(bytes.data() + offset, static_cast<unsigned>(bytes.size() - offset),
                             static_cast<unsigned>(offset), &record, 3);
        if (n <= 0) return listing + "<engine returned " + std::to_string(n) + ">";
        if (!listing.empty()) listing += "\r\n";
        listing += toLowerCase(record.commandText);
        offset += static_cast<size_t>(n);
    }
    return listing;
}

class DisassembleCommand : public AppFixture {
protected:
    DisassembleCommand() {
        bindMainWindow(context);
        memory.processes.onRun([this](const string& commandLine, bool) {
            toolInput = memory.files.read(context.disassemblerInputPath).value_or("<missing>");
            auto it = toolOutputs.find(toolInput);
            EXPECT_EQ(commandLine, kCommandLine);
            if (it == toolOutputs.end()) return platform::ToolRun{};
            return platform::ToolRun{true, it->second};
        });
    }
    std::vector<Row> rows() const {
        std::vector<Row> all;
        for (const auto& row : memory.ui.rows(kListView)) {
            Row r = row;
            r.resize(5);
            all.push_back(r);
        }
        return all;
    }

    std::map<string, string> toolOutputs;  // the tool's output for the bytes of its input file
    string toolInput;
};

TEST_F(DisassembleCommand, ToolListingFillsListAndEditor) {
    struct Case {
        string output;
        std::vector<Row> rows;
        string editor;
    } cases[] = {
        // tool output (see the listings above)     rows                                                           editor
        {kMovListing, {{"1", "00000000", "184 1 0 0 0", "B8 01 00 00 00", "mov eax,0x1"}}, "mov eax,0x1\r\n"},
        {"00000000  B801000000        mov eax,0x1\r\n",
         {{"1", "00000000", "184 1 0 0 0", "B8 01 00 00 00", "mov eax,0x1"}},
         "mov eax,0x1\r\n"},
        {kLongListing,
         {{"1", "00000000", "199 132 136 120 86 52 18 120", "C7 84 88 78 56 34 12 78",
           "mov dword [eax+ecx*4+0x12345678],0x12345678"},
          // clang-format off
                                                     {"2", "", "", "", "-563412"},
                                                     {"3", "0000000B", "144", "90", "nop"},
                                                     {"4", "0000000C", "235 254", "EB FE", "jmp short 0xc"}},
         // clang-format on
         "mov dword [eax+ecx*4+0x12345678],0x12345678\r\n-563412\r\nnop\r\njmp short 0xc\r\n"},
        // clang-format off
        {"",                                        {},                                                            ""},
        {"00000000  ABC  x\n",                      {{"1", "00000000", "171 12 ", "AB C ", "x"}},                   "x\r\n"},
        {"00000000  GG  x\n",                       {{"1", "00000000", "-34", "GG", "x"}},                         "x\r\n"},
        {"no gaps\n\n",                             {{"1", "no gaps", "", "", "no gaps"}, {"1" "0", "", "", "", ""}}, ""},
        // clang-format on
    };
    cases[6].rows[1][0] = "2";
    for (const Case& c : cases) {
        memory.ui.setText(kCodeEditor, "old editor text");
        readToolListing(context, c.output);
        EXPECT_EQ(rows(), c.rows) << c.output;
        EXPECT_EQ(text(kCodeEditor), c.editor) << c.output;
    }
}

TEST_F(DisassembleCommand, BothListingsFromEitherForm) {
    toolOutputs[string("\xB8\x01\x00\x00\x00", 5)] = kMovListing;
    const std::vector<Row> expectedRows{{"1", "00000000", "184 1 0 0 0", "B8 01 00 00 00", "mov eax,0x1"}};
    for (const string box : {"B8 01 00 00 00", "{184,1,0,0,0}", "  {184,1,0,0,0}"}) {
        memory.ui.setText(kMachineCodeBox, box);
        const Snapshot before = snapshot();
        memory.ui.click(kDisassembleButton);
        EXPECT_EQ(rows(), expectedRows) << box;
        EXPECT_EQ(text(kCodeEditor), "mov eax,0x1\r\n") << box;
        EXPECT_EQ(text(kAssemblyBox), "mov eax,1") << box;
        EXPECT_EQ(text(kLineCountLabel), gbk("共：1 行")) << box;
        EXPECT_FALSE(memory.files.exists(context.disassemblerInputPath)) << box;
        expectOnlyChanged(before, {kListView, kCodeEditor, kAssemblyBox, kLineCountLabel}, box);
    }
    EXPECT_EQ(memory.processes.runs().size(), 3u);
}

TEST_F(DisassembleCommand, NoMachineCodeEmptiesEveryListing) {
    toolOutputs[""] = "";  // the tool lists nothing for an empty file
    struct Case {
        string box;
    } cases[] = {
        // clang-format off
        // machine-code box
        {""},
        {"   "},
        {"\xA1\xA1 "},  // full-width and ASCII spaces
        // clang-format on
    };
    for (const Case& c : cases) {
        const int row = memory.ui.appendRow(kListView);
        memory.ui.setCell(kListView, row, 0, "1");
        memory.ui.setText(kCodeEditor, "old editor text");
        memory.ui.setText(kAssemblyBox, "old assembly");
        memory.ui.setText(kMachineCodeBox, c.box);
        memory.ui.click(kDisassembleButton);
        EXPECT_EQ(toolInput, "") << "[" << c.box << "]";
        EXPECT_EQ(memory.ui.rowCount(kListView), 0) << "[" << c.box << "]";
        EXPECT_EQ(text(kCodeEditor), "") << "[" << c.box << "]";
        EXPECT_EQ(text(kAssemblyBox), "") << "[" << c.box << "]";
        EXPECT_EQ(text(kLineCountLabel), gbk("共：0 行")) << "[" << c.box << "]";
    }
}

TEST_F(DisassembleCommand, HiddenButtonRunsTheSameCommand) {
    toolOutputs[string("\xB8\x01\x00\x00\x00", 5)] = kMovListing;
    memory.ui.setText(kMachineCodeBox, "B8 01 00 00 00");
    memory.ui.click(kHiddenDisassembleButton);
    EXPECT_EQ(memory.ui.rowCount(kListView), 1);
    EXPECT_EQ(text(kAssemblyBox), "mov eax,1");
}

TEST_F(DisassembleCommand, ReadersDisagreeOnMalformedForms) {
    struct Case {
        string box;
        string toolBytes;   // what the tool's file holds
        Bytes engineBytes;  // what the engine walks
    } cases[] = {
        // clang-format off
        // machine-code box   tool file bytes                     engine bytes
        {"{144}",             string("\xE1\x44\xFE", 3),          {0x90}},                          // no comma: hex for the tool
        {"184,1,0,0,0",       string("\xB8\x01\x00\x00\x00", 5),  {0x18, 0x3E, 0x0E, 0xFE, 0xFE}},  // no braces: hex for the engine
        {"",                  "",                                 {}},
        {"8B 45 08",          string("\x8B\x45\x08", 3),          {0x8B, 0x45, 0x08}},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.setText(kMachineCodeBox, c.box);
        memory.ui.click(kDisassembleButton);
        EXPECT_EQ(toolInput, c.toolBytes) << c.box;
        EXPECT_EQ(text(kAssemblyBox), engineWalk(c.engineBytes)) << c.box;
        EXPECT_TRUE(memory.ui.rows(kListView).empty()) << c.box << ": no tool output scripted";
        EXPECT_EQ(text(kCodeEditor), "") << c.box;
    }
    EXPECT_EQ(engineText(Bytes{0x8B, 0x45, 0x08}, 0, 3), "mov eax,ss:[ebp+8]");
}

TEST_F(DisassembleCommand, JumpTargetsCountFromTheFirstByte) {
    const Bytes code{0x90, 0x90, 0xEB, 0xFE, 0xE8, 0x00, 0x00, 0x00, 0x00};
    memory.ui.setText(kMachineCodeBox, formatHexByteText(code));
    memory.ui.click(kDisassembleButton);
    const string expected = engineText(code, 0, 9) + "\r\n" + engineText(code, 1, 8) + "\r\n" + engineText(code, 2, 7) +
                            "\r\n" + engineText(code, 4, 5);
    EXPECT_EQ(text(kAssemblyBox), expected);
    EXPECT_NE(engineText(code, 2, 7), engineText(Bytes{0xEB, 0xFE}, 0, 2)) << "the offset is the address";
}

TEST_F(DisassembleCommand, CommandCutOffAtTheEnd) {
    memory.ui.setText(kMachineCodeBox, "90 B8 01");
    memory.ui.click(kDisassembleButton);
    // The engine decides what a command crossing the end gives; the walk never passes the end.
    EXPECT_EQ(text(kAssemblyBox), engineWalk(Bytes{0x90, 0xB8, 0x01}));
    EXPECT_EQ(text(kAssemblyBox).substr(0, 5), "nop\r\n");
}

TEST_F(DisassembleCommand, MissingToolEmptiesListAndEditorOnly) {
    memory.processes.onRun(nullptr);
    const int row = memory.ui.appendRow(kListView);
    memory.ui.setCell(kListView, row, 0, "1");
    memory.ui.setText(kCodeEditor, "old");
    memory.ui.setText(kMachineCodeBox, "90");
    memory.ui.click(kDisassembleButton);
    EXPECT_EQ(memory.ui.rowCount(kListView), 0);
    EXPECT_EQ(text(kCodeEditor), "");
    EXPECT_EQ(text(kAssemblyBox), "nop");
    EXPECT_TRUE(memory.dialogs.messages().empty());
}

TEST_F(DisassembleCommand, EndsByProcessingPendingEvents) {
    memory.ui.setText(kMachineCodeBox, "90");
    const int before = memory.ui.pendingEventRuns();
    memory.ui.click(kDisassembleButton);
    EXPECT_EQ(memory.ui.pendingEventRuns(), before + 1);
}

// The installed ndisasm on the written file: the tool listing format the reader expects.
TEST_F(DisassembleCommand, RealToolListing) {
    if (!std::ifstream("/usr/bin/ndisasm")) GTEST_SKIP() << "ndisasm is not installed";
    memory.processes.onRun([this](const string& commandLine, bool) {
        const string path = ::testing::TempDir() + "kovrel_tool_input.bin";
        std::ofstream(path, std::ios::binary) << memory.files.read(context.disassemblerInputPath).value_or("");
        const string real =
            "/usr/bin/ndisasm" + commandLine.substr(string("vev_uvi").size(), string("  -b 32 ").size()) + path;
        string output;
        if (FILE* pipe = popen(real.c_str(), "r")) {
            char buffer[1024];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
            pclose(pipe);
        }
        std::remove(path.c_str());
        return platform::ToolRun{true, output};
    });
    memory.ui.setText(kMachineCodeBox, "C7 84 88 78 56 34 12 78 56 34 12 90 EB FE B8 01 00 00 00");
    memory.ui.click(kDisassembleButton);
    const std::vector<Row> expected{
        // clang-format off
        {"1", "00000000", "199 132 136 120 86 52 18 120", "C7 84 88 78 56 34 12 78", "mov dword [eax+ecx*4+0x12345678],0x12345678"},
        {"2", "", "", "", "-563412"},
        {"3", "0000000B", "144", "90", "nop"},
        {"4", "0000000C", "235 254", "EB FE", "jmp short 0xc"},
        {"5", "0000000E", "184 1 0 0 0", "B8 01 00 00 00", "mov eax,0x1"},
        // clang-format on
    };
    EXPECT_EQ(rows(), expected);
}

TEST_F(DisassembleCommand, HostileMachineCode) {
    string noise(1u << 20, '\0');
    uint32_t state = 99;
    for (char& ch : noise) {
        state = state * 1103515245u + 12345u;
        ch = static_cast<char>(state >> 24);
    }
    string hexNoise;
    for (size_t i = 0; i < (1u << 20) / 3; ++i)
        hexNoise += hexDigitPair(static_cast<uint8_t>(i * 2654435761u >> 13)) + " ";
    for (const string& box : {noise, hexNoise, string(1u << 20, '\x81'), string("{1,\x81}"), string("{\0,\0}", 5)}) {
        memory.ui.setText(kMachineCodeBox, box);
        const Snapshot before = snapshot();
        memory.ui.click(kDisassembleButton);
        expectOnlyChanged(before, {kListView, kCodeEditor, kAssemblyBox, kLineCountLabel}, box.substr(0, 8));
        EXPECT_EQ(text(kMachineCodeBox), box);
    }
}

}  // namespace
}  // namespace kovrel::app::testing

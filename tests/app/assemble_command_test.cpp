#include "app/assemble_command.h"

#include "app/main_window.h"
#include "tests/app/app_fixture.h"

namespace kovrel::app::testing {
namespace {

using std::string;

// What the command hands the engine, recorded on the way through to the real Assemble.
struct AssembleCall {
    string text;
    unsigned address;
    int attempt, constSize;
};
std::vector<AssembleCall> gCalls;
int gOptionCalls = 0;

int recordingAssemble(const char* text, unsigned address, AsmModel* model, int attempt, int constSize,
                      char* errorText) {
    gCalls.push_back({text, address, attempt, constSize});
    return Assemble(text, address, model, attempt, constSize, errorText);
}
void recordingOptions(int a, int b, int c, int d) {
    EXPECT_EQ((std::vector<int>{a, b, c, d}), (std::vector<int>{0, 0, 0, 1}));
    ++gOptionCalls;
    VB_SetOptions(a, b, c, d);
}

// Assembling never disassembles.
int absentDisasm(const unsigned char*, unsigned, unsigned, DisasmRecord*, int) {
    ADD_FAILURE() << "the assemble command called Disasm";
    return 0;
}

class AssembleCommand : public AppFixture {
protected:
    AssembleCommand() {
        bindMainWindow(context);
        gCalls.clear();
        gOptionCalls = 0;
        memory.libraries.provide("zandrel_od.so", {{"VB_SetOptions", reinterpret_cast<void*>(&recordingOptions)},
                                                   {"Disasm", reinterpret_cast<void*>(&absentDisasm)},
                                                   {"Assemble", reinterpret_cast<void*>(&recordingAssemble)}});
    }
    std::vector<platform::MessageRecord> badCommand(const string& line) {
        return {{gbk("错误的汇编指令：") + line, 0, gbk("Kovrel提示：")}};
    }
};

TEST_F(AssembleCommand, CommandsBecomeOneByteString) {
    struct Case {
        string text;
        bool hex;
        string box;
        std::vector<string> linesToEngine;  // the last one is rejected when the box is empty
    } cases[] = {
        // clang-format off
        // assembly box              hex    machine-code box            lines given to Assemble
        {"mov eax,1|ret",            false, "{199,192,1,0,0,0,195}",    {"mov eax,1", "ret"}},
        {"mov eax,1\r\nret",         true,  "C7 C0 01 00 00 00 C3",     {"mov eax,1", "ret"}},
        {"nop\r\n",                  false, "{144}",                    {"nop"}},
        {"nop|",                     false, "{144}",                    {"nop"}},
        {"  nop \xA1\xA1",           false, "{144}",                    {"nop"}},
        {"nop\nret",                 false, "{144,195}",                {"nop", "ret"}},
        {"",                         false, "{ }",                      {}},
        {"",                         true,  "",                         {}},
        {"nop||nop",                 false, "{ }",                      {"nop", ""}},
        {"\r\nnop",                  false, "{ }",                      {""}},
        {"nop\r\nxyzzy eax",         false, "{ }",                      {"nop", "xyzzy eax"}},
        {"nop\r\n  bad bad  ",       true,  "",                         {"nop", "bad bad"}},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.setText(kAssemblyBox, c.text);
        memory.ui.setChecked(kDecimalRadio, !c.hex);
        memory.ui.setChecked(kHexRadio, c.hex);
        memory.ui.setText(kMachineCodeBox, "previous");
        memory.dialogs.clear();
        gCalls.clear();
        const Snapshot before = snapshot();
        memory.ui.click(kAssembleButton);

        EXPECT_EQ(text(kMachineCodeBox), c.box) << c.text;
        std::vector<string> lines;
        for (const AssembleCall& call : gCalls) {
            lines.push_back(call.text);
            EXPECT_EQ(call.address, 100u) << c.text;
            EXPECT_EQ(call.attempt, 0) << c.text;
            EXPECT_EQ(call.constSize, 0) << c.text;
        }
        EXPECT_EQ(lines, c.linesToEngine) << c.text;
        const bool rejected = !c.linesToEngine.empty() && (c.box == "{ }" || c.box.empty());
        EXPECT_EQ(memory.dialogs.messages(),
                  rejected ? badCommand(c.linesToEngine.back()) : std::vector<platform::MessageRecord>{})
            << c.text;
        expectOnlyChanged(before, {kMachineCodeBox, kByteCountLabel}, c.text);
    }
    EXPECT_GT(gOptionCalls, 0);
}

TEST_F(AssembleCommand, TabsReachTheEngine) {
    memory.ui.setText(kAssemblyBox, " \tnop\t ");
    memory.ui.click(kAssembleButton);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].text, "\tnop\t");
}

TEST_F(AssembleCommand, RelativeTargetsCountFromAddress100) {
    for (const string line : {"jmp 200", "call 300", "jnz 104"}) {
        AsmModel model{};
        char error[256] = {};
        const int n = Assemble(line.c_str(), 100, &model, 0, 0, error);
        ASSERT_GT(n, 0) << line << ": " << error;
        memory.ui.setText(kAssemblyBox, line);
        memory.ui.click(kAssembleButton);
        EXPECT_EQ(text(kMachineCodeBox), formatByteSetLiteral(Bytes(model.codeBytes, model.codeBytes + n))) << line;
    }
}

TEST_F(AssembleCommand, ByteCountAndSwitchingForms) {
    memory.ui.setText(kAssemblyBox, "mov eax,1|ret");
    memory.ui.click(kAssembleButton);
    EXPECT_EQ(text(kByteCountLabel), gbk("共：7 字节"));
    gCalls.clear();
    memory.ui.click(kHexRadio);
    EXPECT_EQ(text(kMachineCodeBox), "C7 C0 01 00 00 00 C3");
    memory.ui.click(kDecimalRadio);
    EXPECT_EQ(text(kMachineCodeBox), "{199,192,1,0,0,0,195}");
    EXPECT_TRUE(gCalls.empty()) << "switching forms does not run the engine";
}

TEST_F(AssembleCommand, HostileTextsStopAtTheFirstRejectedCommand) {
    const string inputs[] = {
        string(10u << 20, 'x'),
        string(1u << 20, '\x81'),
        string("nop\0nop", 7),
        "nop|" + string(1u << 20, '|'),
    };
    for (const string& input : inputs) {
        memory.ui.setText(kAssemblyBox, input);
        memory.dialogs.clear();
        const Snapshot before = snapshot();
        memory.ui.click(kAssembleButton);
        EXPECT_LE(memory.dialogs.messages().size(), 1u);
        expectOnlyChanged(before, {kMachineCodeBox, kByteCountLabel}, input.substr(0, 8));
    }
}

}  // namespace
}  // namespace kovrel::app::testing

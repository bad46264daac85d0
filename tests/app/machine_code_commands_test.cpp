#include "app/machine_code_commands.h"

#include "app/main_window.h"
#include "tests/app/app_fixture.h"

namespace kovrel::app::testing {
namespace {

using std::string;

class MachineCodeCommands : public AppFixture {
protected:
    MachineCodeCommands() { bindMainWindow(context); }
    string bytesLabel(int n) { return gbk("共：") + std::to_string(n) + gbk(" 字节"); }
    string linesLabel(int n) { return gbk("共：") + std::to_string(n) + gbk(" 行"); }
};

TEST_F(MachineCodeCommands, ByteCountLabelFollowsTheBox) {
    struct Case {
        string text;
        int bytes;
    } cases[] = {
        // clang-format off
        // machine-code box        bytes
        {"{184,1,0,0,0}",          5},
        {"B8 01 00 00 00",         5},
        {"",                       0},
        {"{ }",                    1},
        {"{}",                     1},   // no bytes from the literal, so hex: "{}" is one pair
        {" {1,2}",                 2},   // no literal: read as hex text, " {1,2}" pairs as "{1" ",2"
        {"ABC",                    1},
        // clang-format on
    };
    for (const Case& c : cases) {
        const Snapshot before = snapshot();
        memory.ui.type(kMachineCodeBox, c.text);
        EXPECT_EQ(text(kByteCountLabel), bytesLabel(c.bytes)) << c.text;
        expectOnlyChanged(before, {kMachineCodeBox, kByteCountLabel}, c.text);
    }
}

TEST_F(MachineCodeCommands, LineCountLabelFollowsTheBox) {
    struct Case {
        string text;
        int lines;
    } cases[] = {
        // clang-format off
        // assembly box                 lines
        {"mov eax,1\r\nnop",            2},
        {"mov eax,1\r\nnop\r\n",        2},
        {"",                            0},
        {"\r\n",                        1},
        {"a\r\n\r\nb",                  3},
        {"a\nb",                        2},   // a toolkit handing out LF line ends
        {"\xBB\xE3\xB1\xE0\r\nnop",     2},
        {"nop\r\n\x81\r\n",              2},   // 81 0D is one character: the last CR LF is no line break
        // clang-format on
    };
    for (const Case& c : cases) {
        const Snapshot before = snapshot();
        memory.ui.type(kAssemblyBox, c.text);
        EXPECT_EQ(text(kLineCountLabel), linesLabel(c.lines)) << c.text;
        expectOnlyChanged(before, {kAssemblyBox, kLineCountLabel}, c.text);
    }
}

TEST_F(MachineCodeCommands, SwitchToDecimal) {
    struct Case {
        string before, after;
    } cases[] = {
        // clang-format off
        // machine-code box     after clicking 十进制
        {"B8 01 00 00 00",      "{184,1,0,0,0}"},
        {"184,1",               "{184,1}"},
        {"00 01 90",            "{00 01 90}"},
        {"",                    "{}"},
        {"{184,1",              "{184,1}"},
        {"{A",                  "{A"},
        {"{1}",                 "{1}"},
        {" B8 \xA1\xA1",        "{184}"},
        {"A",                   "{ }"},
        {"b8",                  "{b8}"},
        {"1}",                  "{1}"},
        {"B8 0A",               "{184,10}"},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.setText(kMachineCodeBox, c.before);
        const Snapshot before = snapshot();
        memory.ui.click(kDecimalRadio);
        EXPECT_EQ(text(kMachineCodeBox), c.after) << c.before;
        EXPECT_TRUE(memory.ui.checked(kDecimalRadio)) << c.before;
        EXPECT_FALSE(memory.ui.checked(kHexRadio)) << c.before;
        expectOnlyChanged(before, {kMachineCodeBox, kByteCountLabel}, c.before);
    }
}

TEST_F(MachineCodeCommands, SwitchToHex) {
    struct Case {
        string before, after;
    } cases[] = {
        // clang-format off
        // machine-code box        after clicking 十六进制
        {"{184,1,0,0,0}",          "B8 01 00 00 00"},
        {"B8 01",                  "B8 01"},
        {"{184,1}\r\n",            ""},   // the strict reader sees no closing brace at the end
        {"  {1}",                  "01"},
        {"{}",                     ""},
        {"{ }",                    "00"},
        {"x{",                     ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.setText(kMachineCodeBox, c.before);
        const Snapshot before = snapshot();
        memory.ui.click(kHexRadio);
        EXPECT_EQ(text(kMachineCodeBox), c.after) << c.before;
        EXPECT_TRUE(memory.ui.checked(kHexRadio)) << c.before;
        expectOnlyChanged(before, {kMachineCodeBox, kByteCountLabel}, c.before);
    }
}

TEST_F(MachineCodeCommands, ShowBytesAsText) {
    struct Case {
        string box, shown;
    } cases[] = {
        // clang-format off
        // machine-code box         message text
        {"{187,227,177,224}",       "\xBB\xE3\xB1\xE0"},   // the GBK bytes of 汇编
        {"{65,0,66}",               "A"},
        {"B8 01",                   ""},
        {"{ }",                     ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.setText(kMachineCodeBox, c.box);
        memory.dialogs.clear();
        const Snapshot before = snapshot();
        memory.ui.click(kShowTextButton);
        const std::vector<platform::MessageRecord> expected{{c.shown, 64, gbk("机器码数据转换：")}};
        EXPECT_EQ(memory.dialogs.messages(), expected) << c.box;
        expectOnlyChanged(before, {}, c.box);
    }
}

TEST_F(MachineCodeCommands, LongConversionsKeepTheWindowAnswering) {
    memory.system.setTicks(0, 1);  // every clock read moves 1 ms on
    string literal = "{";
    for (int i = 0; i < 10000; ++i) literal += "1,";
    literal += "1}";
    memory.ui.setText(kMachineCodeBox, literal);
    const int runsBefore = memory.ui.pendingEventRuns();
    memory.ui.click(kHexRadio);
    const int runs = memory.ui.pendingEventRuns() - runsBefore;
    EXPECT_GT(runs, 10000 / 20 / 2) << "pending events run every 20 ms of reading";
    EXPECT_LT(runs, 10000 / 20 + 10);
}

// Hostile texts: each command finishes and changes only what it replaces.
TEST_F(MachineCodeCommands, BadInputChangesOnlyWhatACommandReplaces) {
    const size_t tenMegabytes = 10u << 20;
    string noise(tenMegabytes, '\0');
    uint32_t state = 12345;
    for (char& ch : noise) {
        state = state * 1103515245u + 12345u;
        ch = static_cast<char>(state >> 24);
    }
    const string inputs[] = {
        noise,
        string(tenMegabytes, '\x81'),
        string(tenMegabytes, '\0'),
        "{" + string(tenMegabytes, '9') + "}",
        "{1,\x81}",
        "\x81",
        string("{\0}", 3),
    };
    for (const string& input : inputs) {
        const string what = "input of " + std::to_string(input.size()) + " bytes starting " + input.substr(0, 4);
        memory.ui.setText(kMachineCodeBox, input);
        memory.ui.setText(kAssemblyBox, input);
        Snapshot before = snapshot();
        memory.ui.click(kShowTextButton);
        expectOnlyChanged(before, {}, what);
        before = snapshot();
        memory.ui.click(kHexRadio);
        expectOnlyChanged(before, {kMachineCodeBox, kByteCountLabel}, what);
        memory.ui.setText(kMachineCodeBox, input);
        before = snapshot();
        memory.ui.click(kDecimalRadio);
        expectOnlyChanged(before, {kMachineCodeBox, kByteCountLabel}, what);
    }
    EXPECT_EQ(text(kLineCountLabel).substr(0, 4), gbk("共："));
}

}  // namespace
}  // namespace kovrel::app::testing

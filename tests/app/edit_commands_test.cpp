#include "app/edit_commands.h"

#include "app/main_window.h"
#include "tests/app/app_fixture.h"

namespace kovrel::app::testing {
namespace {

using std::string;

class EditCommands : public AppFixture {
protected:
    EditCommands() {
        bindMainWindow(context);
        memory.ui.setText(kCodeEditor, "nop\r\n");
        const int row = memory.ui.appendRow(kListView);
        const char* cells[] = {"1", "00000000", "184 1 0 0 0", "B8 01 00 00 00", "mov eax,0x1"};
        for (int column = 0; column < 5; ++column) memory.ui.setCell(kListView, row, column, cells[column]);
    }
};

TEST_F(EditCommands, CaseConversion) {
    struct Case {
        string item, before, after;
    } cases[] = {
        // clang-format off
        // menu item   assembly box                       after
        {"到大写",     "mov eax,1",                        "MOV EAX,1"},
        {"到小写",     "MOV EAX,[EBP+8]",                  "mov eax,[ebp+8]"},
        {"到大写",     "nop ;\xD7\xA2\xCA\xCD\xB0\x61",    "NOP ;\xD7\xA2\xCA\xCD\xB0\x61"},  // a GBK comment stays
        {"到小写",     "NOP ;\xB0\x41",                    "nop ;\xB0\x41"},
        {"到大写",     "",                                 ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.setText(kAssemblyBox, c.before);
        const Snapshot before = snapshot();
        memory.ui.click(c.item);
        EXPECT_EQ(text(kAssemblyBox), c.after) << c.item << " " << c.before;
        expectOnlyChanged(before, {kAssemblyBox, kLineCountLabel}, c.item);
    }
}

TEST_F(EditCommands, PasteReplacesTheWholeText) {
    enum Clipboard { kText, kNoText, kCannotOpen };
    struct Case {
        Clipboard clipboard;
        string content, after;
    } cases[] = {
        // clang-format off
        // clipboard      holds              assembly box after
        {kText,           "push ebp\r\nret", "push ebp\r\nret"},
        {kText,           "",                ""},
        {kNoText,         "",                ""},
        {kCannotOpen,     "nop",             ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.clipboard.setCanOpen(c.clipboard != kCannotOpen);
        if (c.clipboard == kNoText) memory.clipboard.putNoText();
        else memory.clipboard.putText(c.content);
        memory.ui.setText(kAssemblyBox, "old text");
        memory.ui.click("粘贴");
        EXPECT_EQ(text(kAssemblyBox), c.after) << c.content;
        EXPECT_EQ(text(kLineCountLabel), gbk("共：") +
                                             (c.after.empty()    ? "0"
                                              : c.after == "nop" ? "1"
                                                                 : "2") +
                                             gbk(" 行"))
            << c.content;
    }
}

TEST_F(EditCommands, CopySelection) {
    struct Case {
        string selection;
        bool canOpen;
        string clipboardAfter;
    } cases[] = {
        // clang-format off
        // selection       clipboard opens  clipboard after
        {"eax",            true,            "eax"},
        {"",               true,            ""},
        {"eax",            false,           "before"},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.clipboard.setCanOpen(true);
        memory.clipboard.putText("before");
        memory.clipboard.setCanOpen(c.canOpen);
        memory.ui.setText(kAssemblyBox, "mov eax,1");
        memory.ui.setSelectedText(kAssemblyBox, c.selection);
        const Snapshot before = snapshot();
        memory.ui.click("复制被选择文本");
        EXPECT_EQ(memory.clipboard.content(), c.clipboardAfter) << c.selection;
        expectOnlyChanged(before, {}, c.selection);
    }
}

TEST_F(EditCommands, DeleteAllAsksFirst) {
    struct Case {
        string before;
        int answer;
        bool asks;
        string after;
    } cases[] = {
        // clang-format off
        // assembly box   answer  asks   after
        {"",              0,      false, ""},
        {"nop",           1,      true,  "nop"},
        {"nop",           0,      true,  ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.setText(kAssemblyBox, c.before);
        memory.dialogs.clear();
        memory.dialogs.scriptAnswers({c.answer});
        memory.ui.click("全部删除");
        std::vector<platform::MessageRecord> expected;
        // The box has no title of its own: the default, "信息：" in GBK.
        if (c.asks) expected.push_back({gbk("确定全部删除吗？"), 33, "\xD0\xC5\xCF\xA2\xA3\xBA"});
        EXPECT_EQ(memory.dialogs.messages(), expected) << c.before << " answer " << c.answer;
        EXPECT_EQ(text(kAssemblyBox), c.after) << c.before << " answer " << c.answer;
        memory.dialogs.scriptAnswers({});
    }
}

TEST_F(EditCommands, ClearListLeavesTheTexts) {
    memory.ui.setText(kAssemblyBox, "nop");
    const Snapshot before = snapshot();
    memory.ui.click("清空");
    EXPECT_EQ(memory.ui.rowCount(kListView), 0);
    expectOnlyChanged(before, {kListView}, "清空");
    EXPECT_EQ(text(kCodeEditor), "nop\r\n");
}

TEST_F(EditCommands, CopyCellOfTheSelectedRow) {
    struct Case {
        string item;
        int selected;
        string clipboardAfter;
    } cases[] = {
        // clang-format off
        // menu item          selected row  clipboard after
        {"机器码十进制",      0,            "184 1 0 0 0"},
        {"机器码十六进制",    0,            "B8 01 00 00 00"},
        {"汇编代码",          0,            "mov eax,0x1"},
        {"汇编代码",          -1,           ""},
        {"机器码十进制",      5,            ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.clipboard.putText("before");
        memory.ui.selectRow(kListView, c.selected);
        const Snapshot before = snapshot();
        memory.ui.click(c.item);
        EXPECT_EQ(memory.clipboard.content(), c.clipboardAfter) << c.item << " row " << c.selected;
        expectOnlyChanged(before, {}, c.item);
    }
}

TEST_F(EditCommands, RightClicksPopUpTheMenus) {
    memory.ui.rightClick(kAssemblyBox);
    memory.ui.rightClick(kListView);
    memory.ui.rightClick(kMachineCodeBox);
    EXPECT_EQ(memory.ui.popupMenus(), (std::vector<string>{"菜单", "菜单2"}));
}

}  // namespace
}  // namespace kovrel::app::testing

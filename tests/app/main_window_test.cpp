#include "app/main_window.h"

#include "tests/app/app_fixture.h"

namespace kovrel::app::testing {
namespace {

using platform::UiEvent;
using std::string;

constexpr unsigned kSciSetLexer = 4001;
constexpr unsigned kSciStyleSetFore = 2051;

const string kVersionCaption = "Kovrel" + string(50, ' ') +
                               "\xB0\xE6\xB1\xBE\xBA\xC5\xA3\xBA"
                               "3.2";

class MainWindow : public AppFixture {
protected:
    MainWindow() {
        context.disassemblerInputPath.clear();
        bindMainWindow(context);
    }
    bool sent(unsigned message) const {
        for (const platform::EditorMessage& m : memory.ui.editorMessages()) {
            if (m.message == message) return true;
        }
        return false;
    }
};

TEST_F(MainWindow, VersionCaption) {
    EXPECT_EQ(versionCaption(), kVersionCaption);
    EXPECT_EQ(versionCaption(), "Kovrel" + string(50, ' ') + gbk("版本号：") + "3.2");
    const string credit = creditLine();
    const size_t gap = credit.find("     ");
    ASSERT_NE(gap, string::npos) << "credit and contact are five spaces apart";
    EXPECT_GT(gap, 0u);
    EXPECT_LT(gap + 5, credit.size());
}

TEST_F(MainWindow, StartUp) {
    onWindowCreated(context);
    EXPECT_EQ(text(platform::kMainWindowName), kVersionCaption);
    EXPECT_EQ(memory.ui.width(), 1007);
    EXPECT_EQ(memory.ui.height(), 404);
    EXPECT_EQ(memory.system.heldGuards(), std::set<string>{"Kovrel"});
    EXPECT_EQ(memory.files.read("/opt/kovrel/vev_uvi"), "disassembler image");
    EXPECT_EQ(context.disassemblerInputPath, "/tmp/3e8.tmp");
    EXPECT_FALSE(memory.files.exists(context.disassemblerInputPath));
    const platform::FontChoice font = memory.ui.font("通用对话框1");
    EXPECT_EQ(font.name, "Fixedsys") << "no data.dsn: the font falls back";
    EXPECT_EQ(font.pointSize, 12);
    EXPECT_TRUE(sent(kSciSetLexer)) << "the code editor is set up";
    EXPECT_TRUE(memory.ui.checked(kDecimalRadio));
    EXPECT_EQ(text(kLineCountLabel), "");
    EXPECT_EQ(text(kByteCountLabel), "");
    EXPECT_EQ(memory.ui.rowCount(kListView), 0);
    EXPECT_TRUE(memory.dialogs.messages().empty());
    EXPECT_FALSE(memory.system.ended());
    EXPECT_EQ(memory.libraries.loadAttempts(), 0) << "the engine is loaded on first use";
}

TEST_F(MainWindow, SecondInstanceEndsAfterItsMessage) {
    memory.system.holdElsewhere("Kovrel");
    onWindowCreated(context);
    const std::vector<platform::MessageRecord> expected{{gbk("程序已运行，请确定！"), 64, gbk("提示信息")}};
    EXPECT_EQ(memory.dialogs.messages(), expected);
    EXPECT_EQ(memory.system.endings(), std::vector<int>{0});
    EXPECT_EQ(text(platform::kMainWindowName), "");
    EXPECT_TRUE(memory.files.writeLog().empty());
    EXPECT_TRUE(memory.ui.editorMessages().empty());
    EXPECT_EQ(memory.ui.width(), 0);
}

TEST_F(MainWindow, CopyUnderAnotherNameRunsBeside) {
    memory.system.holdElsewhere("Kovrel");
    memory.system.setExecutablePath("/opt/kovrel/Kovrel-copy");
    onWindowCreated(context);
    EXPECT_TRUE(memory.dialogs.messages().empty());
    EXPECT_FALSE(memory.system.ended());
    EXPECT_EQ(memory.system.heldGuards(), std::set<string>{"Kovrel-copy"});
}

TEST_F(MainWindow, CloseAsksFirst) {
    struct Case {
        int answer;
        bool closes;
    } cases[] = {
        // clang-format off
        // answer        closes
        {platform::kMessageCancel, false},
        {platform::kMessageOk,     true},
        // clang-format on
    };
    onWindowCreated(context);
    memory.ui.setText(kAssemblyBox, "nop");
    memory.ui.setText(kMachineCodeBox, "{144}");
    for (const Case& c : cases) {
        memory.dialogs.clear();
        memory.dialogs.scriptAnswers({c.answer});
        const Snapshot before = snapshot();
        EXPECT_EQ(memory.ui.requestClose(), c.closes) << c.answer;
        const std::vector<platform::MessageRecord> expected{{gbk("确定关闭吗？"), 33, "Kovrel"}};
        EXPECT_EQ(memory.dialogs.messages(), expected) << c.answer;
        expectOnlyChanged(before, {}, "close");
    }
}

TEST_F(MainWindow, AboutShowsTheCreditForSixSeconds) {
    onWindowCreated(context);
    string captionWhileSleeping;
    memory.system.onSleep([&] { captionWhileSleeping = text(platform::kMainWindowName); });
    memory.ui.click("关于");
    EXPECT_EQ(captionWhileSleeping, creditLine());
    EXPECT_EQ(memory.system.sleeps(), std::vector<int>{6000});
    EXPECT_EQ(text(platform::kMainWindowName), kVersionCaption);
}

TEST_F(MainWindow, EveryEventHasItsHandler) {
    struct Case {
        const char* control;
        UiEvent event;
    } cases[] = {
        // clang-format off
        // control            event
        {"编辑框1汇编",       UiEvent::TextChanged},
        {"编辑框1汇编",       UiEvent::RightMouseDown},
        {"编辑框2机器码",     UiEvent::TextChanged},
        {"按钮1汇编",         UiEvent::Clicked},
        {"按钮2反汇编",       UiEvent::Clicked},
        {"按钮1转换汉字",     UiEvent::Clicked},
        {"单选框1十进制",     UiEvent::Clicked},
        {"单选框2十六进制",   UiEvent::Clicked},
        {"按钮8",             UiEvent::Clicked},
        {"超级列表框",        UiEvent::RightMouseDown},
        {"寄存器",            UiEvent::ColourChosen},
        {"按钮1字体",         UiEvent::Clicked},
        {"按钮3保存色",       UiEvent::Clicked},
        {"按钮4默认",         UiEvent::Clicked},
        {"按钮5撤销",         UiEvent::Clicked},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_TRUE(memory.ui.hasHandler(c.control, c.event)) << c.control;
    // Every menu item that opens no submenu is chosen by its caption.
    for (const MenuItemDesign& item : menuItems()) {
        EXPECT_EQ(memory.ui.hasHandler(item.caption, UiEvent::Clicked), !opensSubmenu(item.menu, item.caption))
            << item.caption;
    }
}

TEST_F(MainWindow, SchemeButtonsReachTheEditor) {
    onWindowCreated(context);
    memory.ui.clearEditorMessages();
    memory.ui.chooseColour("寄存器", 0x123456);
    EXPECT_TRUE(sent(kSciStyleSetFore)) << "a colour choice reapplies the scheme";

    memory.ui.scriptFontDialog(std::nullopt);
    memory.ui.click("按钮1字体");
    EXPECT_EQ(memory.ui.fontDialogsOpened().size(), 1u);

    memory.ui.click("按钮3保存色");
    EXPECT_TRUE(memory.files.exists("data.dsn"));

    memory.ui.clearEditorMessages();
    memory.ui.click("按钮4默认");
    EXPECT_EQ(memory.ui.colour("寄存器"), 65535u);
    EXPECT_TRUE(sent(kSciStyleSetFore));

    memory.ui.clearEditorMessages();
    memory.ui.click("按钮5撤销");
    EXPECT_EQ(memory.ui.colour("寄存器"), 0x123456u) << "the saved scheme comes back";
}

TEST_F(MainWindow, UpdateCheckRunsFromTheMenu) {
    onWindowCreated(context);
    memory.ui.click("检测升级");
    EXPECT_EQ(memory.http.requests().size(), 1u);
    EXPECT_EQ(text(platform::kMainWindowName), kVersionCaption);
}

TEST_F(MainWindow, ExitCleanUpReleasesThePathOnly) {
    onWindowCreated(context);
    const std::map<string, string> files = memory.files.files();
    exitCleanUp(context);
    EXPECT_EQ(context.disassemblerInputPath, "");
    EXPECT_EQ(memory.files.files(), files);
}

}  // namespace
}  // namespace kovrel::app::testing

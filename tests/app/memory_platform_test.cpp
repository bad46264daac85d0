// The in-memory platform behaves like the real controls where commands depend on it.
#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kovrel::platform {
namespace {

using std::string;

TEST(MemoryUi, SetTextFiresTextChangedLikeTheRealEditBox) {
    MemoryUi ui;
    int changes = 0;
    ui.bind("box", UiEvent::TextChanged, [&] { ++changes; });
    ui.setText("box", "a");
    ui.setText("box", "a");
    ui.setText("label", "b");
    EXPECT_EQ(changes, 2) << "every write fires, also an unchanged text";
    EXPECT_EQ(ui.text("box"), "a");
    EXPECT_EQ(ui.textChangedCount("label"), 1);
}

TEST(MemoryUi, EditorTextModel) {
    struct Step {
        unsigned message;
        string text;
        string after;
    } steps[] = {
        // clang-format off
        // message         text argument    editor text after
        {kSciSetText,      "abc",           "abc"},
        {kSciAddText,      "12",            "12abc"},   // at the caret, which SETTEXT put at 0
        {kSciAddText,      "3",             "123abc"},
        {kSciAppendText,   "!",             "123abc!"},
        {kSciAddText,      "4",             "1234abc!"},
        {kSciClearAll,     "",              ""},
        {kSciAddText,      "x",             "x"},
        // clang-format on
    };
    MemoryUi ui;
    for (Step& s : steps) {
        const bool counted = s.message == kSciAddText || s.message == kSciAppendText;
        ui.sendEditor("ed", s.message, counted ? s.text.size() : 0, reinterpret_cast<intptr_t>(s.text.c_str()));
        EXPECT_EQ(ui.text("ed"), s.after) << s.message << " " << s.text;
        EXPECT_EQ(ui.editorMessages().back().text, counted || s.message == kSciSetText ? s.text : "") << s.message;
    }
    ui.sendEditor("ed", kSciAddText, 3, reinterpret_cast<intptr_t>("x\0y"));
    EXPECT_EQ(ui.text("ed"), string("xx\0y", 4));
    EXPECT_EQ(ui.sendEditor("ed", kSciGetLength, 0, 0), 4);
    char buffer[3];
    EXPECT_EQ(ui.sendEditor("ed", kSciGetText, sizeof buffer, reinterpret_cast<intptr_t>(buffer)), 2);
    EXPECT_EQ(string(buffer), "xx");
}

TEST(MemoryUi, ListsPickersFontsAndEvents) {
    MemoryUi ui;
    ui.declare("list");
    EXPECT_EQ(ui.appendRow("list"), 0);
    EXPECT_EQ(ui.appendRow("list"), 1);
    ui.setCell("list", 1, 4, "cell");
    ui.setCell("list", 7, 0, "ignored");
    EXPECT_EQ(ui.cell("list", 1, 4), "cell");
    EXPECT_EQ(ui.cell("list", -1, 4), "");
    EXPECT_EQ(ui.cell("list", 1, 9), "");
    EXPECT_EQ(ui.rowCount("list"), 2);
    ui.selectRow("list", 1);
    EXPECT_EQ(ui.selectedRow("list"), 1);
    ui.clearRows("list");
    EXPECT_EQ(ui.selectedRow("list"), -1);
    EXPECT_EQ(ui.unknownNames(), std::vector<string>{});
    ui.text("typo");
    EXPECT_EQ(ui.unknownNames(), std::vector<string>{"typo"});

    uint32_t seen = 0;
    ui.bind("picker", UiEvent::ColourChosen, [&] { seen = ui.colour("picker"); });
    EXPECT_TRUE(ui.chooseColour("picker", 0xABCDEF));
    EXPECT_EQ(seen, 0xABCDEFu) << "the colour has changed when the handler runs";
    EXPECT_FALSE(ui.click("nothing bound"));

    ui.setFont("chooser", {"Fixedsys", 12});
    EXPECT_FALSE(ui.chooseFont("chooser"));
    ui.scriptFontDialog(FontChoice{"Courier", 10});
    EXPECT_TRUE(ui.chooseFont("chooser"));
    EXPECT_EQ(ui.font("chooser").name, "Courier");
    ASSERT_EQ(ui.fontDialogsOpened().size(), 2u);
    EXPECT_EQ(ui.fontDialogsOpened()[1].name, "Fixedsys");

    ui.setRadioGroup({"r1", "r2"});
    ui.setChecked("r1", true);
    ui.click("r2");
    EXPECT_FALSE(ui.checked("r1"));
    EXPECT_TRUE(ui.checked("r2"));

    EXPECT_TRUE(ui.requestClose()) << "no handler: the window closes";
    ui.onCloseRequest([] { return false; });
    EXPECT_FALSE(ui.requestClose());
}

TEST(MemoryUi, PendingEventsRunTheirHookOnceAtATime) {
    MemoryUi ui;
    int hookRuns = 0;
    ui.onPendingEvents([&] {
        ++hookRuns;
        ui.processPendingEvents();
    });
    ui.processPendingEvents();
    EXPECT_EQ(hookRuns, 1);
    EXPECT_EQ(ui.pendingEventRuns(), 2);
}

TEST(MemoryServices, DialogsClipboardFilesProcesses) {
    MemoryDialogs dialogs;
    dialogs.scriptAnswers({kMessageCancel});
    EXPECT_EQ(dialogs.messageBox("a", 33, "t"), kMessageCancel);
    EXPECT_EQ(dialogs.messageBox("b", 0, "t"), kMessageOk);
    dialogs.timedMessageBox("c", "t", 3000);
    EXPECT_EQ(dialogs.messages(), (std::vector<MessageRecord>{{"a", 33, "t"}, {"b", 0, "t"}}));
    EXPECT_EQ(dialogs.timedMessages(), (std::vector<TimedMessageRecord>{{"c", "t", 3000}}));

    MemoryClipboard clipboard;
    EXPECT_EQ(clipboard.text(), std::nullopt);
    EXPECT_TRUE(clipboard.setText("x"));
    EXPECT_EQ(clipboard.text(), "x");
    clipboard.setCanOpen(false);
    EXPECT_EQ(clipboard.text(), std::nullopt);
    EXPECT_FALSE(clipboard.setText("y"));

    MemoryFiles files;
    EXPECT_TRUE(files.write("/a/f", "1"));
    EXPECT_TRUE(files.createDirectory("/a/d"));
    EXPECT_FALSE(files.write("/a/d", "x")) << "a folder is not a file";
    files.makeReadOnly("/ro");
    EXPECT_FALSE(files.write("/ro/f", "x"));
    EXPECT_TRUE(files.exists("/a/d"));
    EXPECT_TRUE(files.isDirectory("/a/d"));
    EXPECT_EQ(files.read("/a/f"), "1");
    EXPECT_TRUE(files.remove("/a/f"));
    EXPECT_FALSE(files.remove("/a/f"));
    EXPECT_EQ(files.read("/a/f"), std::nullopt);

    MemoryProcesses processes;
    processes.script("tool -x", "out");
    EXPECT_EQ(processes.runConsoleTool("tool -x", true).output, "out");
    EXPECT_EQ(processes.runConsoleTool("tool -x", false).output, "");
    EXPECT_FALSE(processes.runConsoleTool("other", true).started);
    EXPECT_EQ(processes.runs().size(), 3u);
}

void stand_in() {}

TEST(MemoryServices, LibrariesSystemNetwork) {
    MemoryLibraries libraries;
    EXPECT_EQ(libraries.load("lib.so"), nullptr);
    libraries.provide("lib.so", {{"f", reinterpret_cast<void*>(&stand_in)}});
    bool present = false;
    libraries.setPresence([&](const string&) { return present; });
    EXPECT_EQ(libraries.load("lib.so"), nullptr);
    present = true;
    void* lib = libraries.load("lib.so");
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(libraries.symbol(lib, "f"), reinterpret_cast<void*>(&stand_in));
    EXPECT_EQ(libraries.symbol(lib, "g"), nullptr);
    EXPECT_EQ(libraries.loadAttempts(), 3);
    EXPECT_EQ(libraries.successfulLoads(), 1);

    MemorySystem system;
    system.setTicks(10, 5);
    EXPECT_EQ(system.tickCount(), 10u);
    EXPECT_EQ(system.tickCount(), 15u);
    system.sleep(100);
    EXPECT_EQ(system.tickCount(), 120u);
    EXPECT_EQ(system.executableDirectory(), "/opt/kovrel");
    EXPECT_TRUE(system.acquireSingleInstance("K"));
    EXPECT_FALSE(system.acquireSingleInstance("K"));
    system.holdElsewhere("L");
    EXPECT_FALSE(system.acquireSingleInstance("L"));
    system.endProgram(0);
    EXPECT_EQ(system.endings(), std::vector<int>{0});

    MemoryHttp http;
    http.script("http://h/a", "body");
    EXPECT_EQ(http.get("http://h/a"), "body");
    EXPECT_EQ(http.get("http://h/b"), std::nullopt);

    MemoryXml xml;
    xml.scriptAttribute("r/e", "a", "v");
    xml.load("<r/>");
    EXPECT_EQ(xml.attribute("r/e", "a"), "v");
    EXPECT_EQ(xml.attribute("r/e", "b"), "");
    EXPECT_EQ(xml.loads(), std::vector<string>{"<r/>"});
}

TEST(MemoryPlatformBundle, HandsOutItsOwnParts) {
    MemoryPlatform memory;
    Platform& p = memory;
    p.ui.setText("x", "1");
    p.files.write("/f", "2");
    EXPECT_EQ(memory.ui.text("x"), "1");
    EXPECT_EQ(memory.files.read("/f"), "2");
    EXPECT_EQ(&p.feedDocument, static_cast<XmlDocument*>(&memory.feedDocument));
}

}  // namespace
}  // namespace kovrel::platform

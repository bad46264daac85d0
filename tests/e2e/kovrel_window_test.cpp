// The real window: start-up, assembling typed text, disassembling, the second start and the
// close confirmation, each on a fresh program in a fresh folder.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cctype>

#include "app/disassemble_command.h"
#include "engine/engine_api.h"
#include "platform/encoding.h"
#include "tests/e2e/window_driver.h"

namespace kovrel::e2e {
namespace {

const fs::path kProgram = KOVREL_PROGRAM;
constexpr char kMainTitle[] = "^Kovrel";

class KovrelWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { display_ = new Display; }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override {
        char pattern[] = "/tmp/kovrel-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    // Starts the program and waits for its window.
    std::unique_ptr<KovrelProcess> start(unsigned long& window, const std::string& dump = "dump",
                                         const std::map<std::string, std::string>& environment = {}) {
        auto process = std::make_unique<KovrelProcess>(root_, kProgram, dump, environment);
        window = process->findWindow(kMainTitle, 20s);
        // Now and then the X server refuses a new connection right after a client was killed
        // ("Unable to initialize GTK+"); that is the test display, not the program.
        for (int retry = 0; window == 0 && retry < 3 && !process->running() && process->exitCode() == 255; ++retry) {
            process = std::make_unique<KovrelProcess>(root_, kProgram, dump, environment);
            window = process->findWindow(kMainTitle, 20s);
        }
        if (window == 0) ADD_FAILURE() << "no main window; " << process->describe();
        return process;
    }

    static Display* display_;
    fs::path root_;
};

Display* KovrelWindowTest::display_ = nullptr;

std::string versionCaption() { return "Kovrel" + std::string(50, ' ') + "版本号：3.2"; }

// The engine's own text for one command, as the program lists it (lower case).
std::string engineText(const std::vector<unsigned char>& bytes) {
    void* library = ::dlopen(KOVREL_ENGINE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) return "<no engine>";
    auto setOptions = reinterpret_cast<VB_SetOptionsFn>(::dlsym(library, "VB_SetOptions"));
    auto disasm = reinterpret_cast<DisasmFn>(::dlsym(library, "Disasm"));
    if (!setOptions || !disasm) return "<no Disasm>";
    setOptions(0, 0, 0, 1);
    DisasmRecord record{};
    disasm(bytes.data(), static_cast<unsigned>(bytes.size()), 0, &record, app::kListingMode);
    std::string text(record.commandText);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// ndisasm's command column for bytes that form one command.
std::string toolText(const fs::path& folder, const std::vector<unsigned char>& bytes) {
    const fs::path file = folder / "tool-input.bin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::string line = run("ndisasm -b 32 " + file.string());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    const size_t gap = line.rfind("  ");
    return gap == std::string::npos ? line : line.substr(gap + 2);
}

TEST_F(KovrelWindowTest, StartsCentredAtItsFinalSizeWithCompanionFile) {
    unsigned long window = 0;
    auto kovrel = start(window);
    ASSERT_NE(window, 0u);
    const WindowState s = kovrel->state();
    EXPECT_EQ(s.caption, versionCaption());
    EXPECT_EQ(s.width, 1007);
    EXPECT_EQ(s.height, 404);
    EXPECT_EQ(kovrel->geometry(window), "1007x404");
    EXPECT_TRUE(s.checked.at("单选框1十进制"));
    EXPECT_FALSE(s.checked.at("单选框2十六进制"));
    EXPECT_EQ(s.texts.at("标签13"), "");
    EXPECT_EQ(s.texts.at("标签14"), "");
    EXPECT_EQ(s.rowCount, 0);
    EXPECT_EQ(s.fonts.at("通用对话框1"), "Fixedsys 12") << "no data.dsn in the working folder";
    EXPECT_TRUE(s.messages.empty());
    // The disassembler is put beside the program on a first start.
    const fs::path tool = root_ / "app" / "vev_uvi";
    EXPECT_TRUE(fs::is_regular_file(tool));
    EXPECT_EQ(::access(tool.c_str(), X_OK), 0) << "vev_uvi is not executable";
}

// typed text        radio clicked after assembling   machine code box               byte count label
struct AssembleCase {
    const char* typed;
    const char* radio;
    const char* expected;
    const char* byteCount;
};
const AssembleCase kAssembleCases[] = {
    // clang-format off
    {"mov eax,1|ret", "",                 "{199,192,1,0,0,0,195}", "共：7 字节"},
    {"mov eax,1|ret", "单选框2十六进制", "C7 C0 01 00 00 00 C3",  "共：7 字节"},
    {"nop",           "",                 "{144}",                 "共：1 字节"},
    // clang-format on
};

TEST_F(KovrelWindowTest, AssemblesTypedTextAndWritesTheEngineLibraryWhenMissing) {
    for (const AssembleCase& c : kAssembleCases) {
        SCOPED_TRACE(std::string(c.typed) + " / " + c.radio);
        fs::remove_all(root_ / "data");
        unsigned long window = 0;
        auto kovrel = start(window);
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(kovrel->enter(window, "编辑框1汇编", c.typed)) << "typing did not reach the assembly box";
        kovrel->click(window, "按钮1汇编");
        if (*c.radio) {
            kovrel->waitState([](const WindowState& s) { return !s.texts.at("编辑框2机器码").empty(); });
            kovrel->click(window, c.radio);
        }
        EXPECT_TRUE(kovrel->waitState([&](const WindowState& s) { return s.texts.at("编辑框2机器码") == c.expected; }))
            << "machine code box holds: " << kovrel->state().texts.at("编辑框2机器码");
        const WindowState s = kovrel->state();
        EXPECT_EQ(s.texts.at("标签14"), c.byteCount);
        EXPECT_TRUE(s.messages.empty()) << s.messages.front().first << ": " << s.messages.front().second;
        // The engine library was not beside the program, so it was written to the system folder.
        EXPECT_TRUE(fs::is_regular_file(root_ / "data" / "kovrel" / "zandrel_od.so"));
    }
}

TEST_F(KovrelWindowTest, DisassemblesHexTextIntoListEditorAndAssemblyBox) {
    const std::vector<unsigned char> bytes = {0xB8, 0x01, 0x00, 0x00, 0x00};
    unsigned long window = 0;
    auto kovrel = start(window);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(kovrel->enter(window, "编辑框2机器码", "B8 01 00 00 00"));
    ASSERT_TRUE(kovrel->waitState([](const WindowState& s) { return s.texts.at("标签14") == "共：5 字节"; }));
    kovrel->click(window, "按钮2反汇编");
    ASSERT_TRUE(kovrel->waitState([](const WindowState& s) {
        return s.rowCount == 1 && !s.texts.at("编辑框1汇编").empty();
    })) << "rows: "
        << kovrel->state().rowCount;
    const WindowState s = kovrel->state();
    const std::string tool = toolText(root_, bytes);
    ASSERT_EQ(s.rows.size(), 1u);
    const std::vector<std::string> expectedRow = {"1", "00000000", "184 1 0 0 0", "B8 01 00 00 00", tool};
    EXPECT_EQ(s.rows[0], expectedRow);
    EXPECT_EQ(s.texts.at("代码编辑框"), tool + "\r\n");
    EXPECT_EQ(s.texts.at("编辑框1汇编"), engineText(bytes));
    EXPECT_TRUE(s.messages.empty());
    // The tool's input file is gone after the run.
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
    // "十进制" is checked already; clicking it again still converts the hex text.
    ASSERT_TRUE(s.checked.at("单选框1十进制"));
    kovrel->click(window, "单选框1十进制");
    EXPECT_TRUE(kovrel->waitState([](const WindowState& s) { return s.texts.at("编辑框2机器码") == "{184,1,0,0,0}"; }))
        << "machine code box holds: " << kovrel->state().texts.at("编辑框2机器码");
}

TEST_F(KovrelWindowTest, RightClickOnTheAssemblyBoxOpensItsMenu) {
    unsigned long window = 0;
    auto kovrel = start(window);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(kovrel->enter(window, "编辑框1汇编", "mov eax,1 ; 注释"));
    const app::ControlDesign* box = app::findControl("编辑框1汇编");
    const app::Point at = app::windowPosition(*box);
    run("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(at.x + 40) + " " +
        std::to_string(at.y + 40) + " click 3");
    std::this_thread::sleep_for(500ms);
    // "转换大小写" is the first item; its submenu starts with "到大写".
    run("xdotool key Down Right Return");
    EXPECT_TRUE(kovrel->waitState([](const WindowState& s) { return s.texts.at("编辑框1汇编") == "MOV EAX,1 ; 注释"; }))
        << kovrel->state().texts.at("编辑框1汇编");
}

TEST_F(KovrelWindowTest, RightClickOnAListRowCopiesItsCommandThroughTheListMenu) {
    unsigned long window = 0;
    auto kovrel = start(window);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(kovrel->enter(window, "编辑框2机器码", "B8 01 00 00 00 C3"));
    kovrel->click(window, "按钮2反汇编");
    ASSERT_TRUE(kovrel->waitState([](const WindowState& s) { return s.rowCount == 2; }));
    const WindowState s = kovrel->state();
    // The second row: below the header and the first row, each about 25 pixels high.
    const app::ControlDesign* list = app::findControl("超级列表框");
    const app::Point at = app::windowPosition(*list);
    kovrel->focus(window);
    run("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(at.x + 300) + " " +
        std::to_string(at.y + 62) + " click 3");
    std::this_thread::sleep_for(500ms);
    // "清空", then "复制" with its submenu "机器码十进制", "机器码十六进制", "汇编代码".
    run("xdotool key Down Down Right Down Down Return");
    std::string clipboard;
    waitFor([&] {
        clipboard = run("timeout 5 xclip -selection clipboard -o 2>/dev/null");
        return clipboard == s.rows[1][4];
    });
    EXPECT_EQ(clipboard, s.rows[1][4]);
    EXPECT_EQ(kovrel->state().rowCount, 2) << "copying leaves the rows";
}

TEST_F(KovrelWindowTest, AnEngineThatCannotBeWrittenShowsTheTimedMessageTwice) {
    // The system folder cannot be created, and no engine library is beside the program.
    unsigned long window = 0;
    auto kovrel = start(window, "dump", {{"XDG_DATA_HOME", "/proc/kovrel-no-such-folder"}});
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(kovrel->enter(window, "编辑框1汇编", "nop"));
    kovrel->click(window, "按钮1汇编");
    // Both timed boxes close by themselves; the third box waits for OK.
    ASSERT_TRUE(kovrel->waitState([](const WindowState& s) { return s.messages.size() == 3; }, 20s))
        << kovrel->describe();
    const WindowState s = kovrel->state();
    const std::vector<std::pair<std::string, std::string>> expected = {
        // clang-format off
        {"提示信息", "Kovrel：加载汇编库失败！"},
        {"提示信息", "Kovrel：加载汇编库失败！"},
        {"Kovrel提示：", "错误的汇编指令：nop"},
        // clang-format on
    };
    EXPECT_EQ(s.messages, expected);
    EXPECT_EQ(s.openBox, expected.back());
    const unsigned long box = kovrel->findWindow("^Kovrel提示：$");
    ASSERT_NE(box, 0u);
    kovrel->key(box, "Return");
    EXPECT_TRUE(kovrel->waitState([](const WindowState& s) { return s.texts.at("编辑框2机器码") == "{ }"; }));
}

TEST_F(KovrelWindowTest, TheTimedMessageLeavesTheMainWindowUsable) {
    // The timed box has no owner: while it waits, a click in the main window still works.
    unsigned long window = 0;
    auto kovrel = start(window, "dump", {{"XDG_DATA_HOME", "/proc/kovrel-no-such-folder"}});
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(kovrel->enter(window, "编辑框1汇编", "nop"));
    kovrel->click(window, "按钮1汇编");
    ASSERT_TRUE(kovrel->waitState([](const WindowState& s) { return s.openBox.second == "Kovrel：加载汇编库失败！"; }))
        << kovrel->describe();
    kovrel->click(window, "单选框2十六进制");
    EXPECT_TRUE(kovrel->waitState([](const WindowState& s) { return s.checked.at("单选框2十六进制"); }, 2s))
        << "the main window did not take the click while the timed box was open";
}

TEST_F(KovrelWindowTest, SecondStartShowsTheMessageAndEnds) {
    unsigned long window = 0;
    auto first = start(window);
    ASSERT_NE(window, 0u);
    KovrelProcess second(root_, kProgram, "dump2");
    const unsigned long box = second.findWindow("^提示信息$");
    ASSERT_NE(box, 0u) << "the second start showed no message";
    const WindowState s = second.state();
    EXPECT_EQ(s.openBox.first, "提示信息");
    EXPECT_EQ(s.openBox.second, "程序已运行，请确定！");
    second.key(box, "Return");
    ASSERT_TRUE(second.waitExit());
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(first->running());
    EXPECT_EQ(first->state().caption, versionCaption());
}

TEST_F(KovrelWindowTest, CancelInTheCloseConfirmationKeepsTheWindowAndOkEndsIt) {
    unsigned long window = 0;
    auto kovrel = start(window);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(kovrel->enter(window, "编辑框1汇编", "mov eax,1"));
    const WindowState before = kovrel->state();

    ASSERT_TRUE(requestClose(window));
    unsigned long box = kovrel->findWindow("^Kovrel$");
    ASSERT_NE(box, 0u);
    ASSERT_TRUE(kovrel->waitState([](const WindowState& s) { return s.openBox.second == "确定关闭吗？"; }));
    kovrel->key(box, "Escape");
    ASSERT_TRUE(kovrel->waitState([](const WindowState& s) { return s.openBox.first.empty(); }));
    EXPECT_TRUE(kovrel->running());
    const WindowState after = kovrel->state();
    EXPECT_EQ(after.texts, before.texts);
    EXPECT_EQ(after.caption, before.caption);

    ASSERT_TRUE(requestClose(window));
    box = kovrel->findWindow("^Kovrel$");
    ASSERT_NE(box, 0u);
    kovrel->key(box, "Return");
    ASSERT_TRUE(kovrel->waitExit());
    EXPECT_EQ(kovrel->exitCode(), 0);
}

}  // namespace
}  // namespace kovrel::e2e

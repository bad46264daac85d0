// The colour scheme as a real wxStyledTextCtrl sees it: styles, margins and caret read back
// from the editor of the real window, words as the assembler lexer styles them, and the
// scheme file round trip in a temporary working directory. Skips without a display.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/stc/stc.h>
#include <wx/utils.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/code_editor.h"
#include "editor/colour_scheme.h"
#include "editor/colour_slots.h"
#include "platform/memory/memory_platform.h"
#include "platform/posix/posix_system.h"
#include "platform/wx/wx_ui.h"

namespace kovrel::editor {
namespace {

using platform::FontChoice;

// Scintilla's read-back messages.
enum : unsigned {
    SCI_GETSTYLEAT = 2010,
    SCI_SELECTALL = 2013,
    SCI_GETVIEWWS = 2020,
    SCI_GETEOLMODE = 2030,
    SCI_GETCARETPERIOD = 2075,
    SCI_GETCARETLINEVISIBLE = 2095,
    SCI_GETCARETLINEBACK = 2097,
    SCI_GETHSCROLLBAR = 2131,
    SCI_GETINDENTATIONGUIDES = 2133,
    SCI_GETCODEPAGE = 2137,
    SCI_GETCARETFORE = 2138,
    SCI_GETREADONLY = 2140,
    SCI_GETCARETWIDTH = 2189,
    SCI_GETMARGINTYPEN = 2241,
    SCI_GETMARGINWIDTHN = 2243,
    SCI_GETWRAPMODE = 2269,
    SCI_GETVSCROLLBAR = 2281,
    SCI_GETVIEWEOL = 2355,
    SCI_GETCURSOR = 2387,
    SCI_STYLEGETFORE = 2481,
    SCI_STYLEGETBACK = 2482,
    SCI_STYLEGETSIZE = 2485,
    SCI_COLOURISE = 4003,
    SCI_GETLEXER = 4002,
};

const char* const kEditor = "代码编辑框";
const char* const kChooser = "通用对话框1";
const std::vector<std::string> kPickers = {"寄存器",   "基础指令", "跳转指令", "标点符号", "数字常量", "背景颜色",
                                           "代码错误", "行号背景", "行号编号", "文本前景", "文本背景", "光标颜色"};
uint32_t C(int slot) { return 0x030201u * static_cast<uint32_t>(slot) + 0x204000u; }

class Window : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!std::getenv("DISPLAY")) return;
        static int argc = 1;
        static char name[] = "scintilla_scheme_test";
        static char* argv[] = {name, nullptr};
        wxApp::SetInstance(new wxApp);
        started_ = wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    }
    static void TearDownTestSuite() {
        if (started_) wxEntryCleanup();
        started_ = false;
    }

    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
        ASSERT_TRUE(started_) << "the window system did not start";
        ui_ = std::make_unique<platform::WxUi>();
        platform_ = std::make_unique<platform::Platform>(
            platform::Platform{*ui_, memory_.dialogs, memory_.clipboard, files_, memory_.processes, memory_.libraries,
                               memory_.system, memory_.http, memory_.feedDocument});
        applyInitialEditorSettings(*platform_);
    }
    void TearDown() override {
        platform_.reset();
        if (ui_) ui_->frame()->Destroy();
        ui_.reset();
        if (wxTheApp) wxTheApp->ProcessPendingEvents();
    }

    intptr_t ask(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) {
        return ui_->sendEditor(kEditor, message, wParam, lParam);
    }
    uint32_t fore(int style) { return static_cast<uint32_t>(ask(SCI_STYLEGETFORE, style)); }
    uint32_t back(int style) { return static_cast<uint32_t>(ask(SCI_STYLEGETBACK, style)); }
    void setColours() {
        for (int slot = 1; slot <= 12; ++slot) ui_->setColour(kPickers[slot - 1], C(slot));
    }

    static inline bool started_ = false;
    platform::MemoryPlatform memory_;
    platform::PosixFiles files_;
    std::unique_ptr<platform::WxUi> ui_;
    std::unique_ptr<platform::Platform> platform_;
};

TEST_F(Window, PickersAreCreatedWithTheSlotDefaults) {
    for (int slot = 1; slot <= 12; ++slot)
        EXPECT_EQ(ui_->colour(kPickers[slot - 1]), slotDefaultColour(slot)) << kPickers[slot - 1];
}

TEST_F(Window, InitialSettingsReadBack) {
    struct Case {
        const char* name;
        unsigned getter;
        uintptr_t wParam;
        intptr_t value;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name                     getter                    wParam  value
        {"symbol margin width",     SCI_GETMARGINWIDTHN,      1,      0       },
        {"read-only",               SCI_GETREADONLY,          0,      0       },
        {"horizontal scroll bar",   SCI_GETHSCROLLBAR,        0,      0       },
        {"vertical scroll bar",     SCI_GETVSCROLLBAR,        0,      0       },
        {"visible whitespace",      SCI_GETVIEWWS,            0,      0       },
        {"mouse cursor",            SCI_GETCURSOR,            0,      -1      },
        {"line-end mode",           SCI_GETEOLMODE,           0,      0       },
        {"visible line ends",       SCI_GETVIEWEOL,           0,      0       },
        {"caret colour",            SCI_GETCARETFORE,         0,      0xFFFFFF},
        {"current-line highlight",  SCI_GETCARETLINEVISIBLE,  0,      0       },
        {"current-line colour",     SCI_GETCARETLINEBACK,     0,      0x474438},
        {"indentation guides",      SCI_GETINDENTATIONGUIDES, 0,      0       },
        {"wrapping",                SCI_GETWRAPMODE,          0,      0       },
        {"caret period",            SCI_GETCARETPERIOD,       0,      500     },
        {"caret width",             SCI_GETCARETWIDTH,        0,      1       },
        {"code page",               SCI_GETCODEPAGE,          0,      0       },
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(ask(c.getter, c.wParam), c.value) << c.name;
}

TEST_F(Window, SchemeReadsBackFromTheEditor) {
    setColours();
    ui_->setFont(kChooser, FontChoice{"Monospace", 13});
    setUpCodeEditor(*platform_);

    EXPECT_EQ(ask(SCI_GETLEXER), 34);
    struct Case {
        int style;
        uint32_t fore;
        uint32_t back;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // style  foreground  background
        {  8,     0xFFFF00,   C(6) },
        {  7,     C(1),       C(6) },
        {  0,     C(6),       C(6) },
        {  2,     C(5),       C(6) },
        {  4,     C(4),       C(6) },
        {  5,     C(7),       C(6) },
        {  6,     C(2),       C(6) },
        { 10,     C(3),       C(6) },
        { 33,     C(9),       C(8) },
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fore(c.style), c.fore) << "style " << c.style;
        EXPECT_EQ(back(c.style), c.back) << "style " << c.style;
        EXPECT_EQ(ask(SCI_STYLEGETSIZE, c.style), 13) << "style " << c.style;
    }
    EXPECT_EQ(back(32), C(6));
    EXPECT_EQ(ask(SCI_GETMARGINTYPEN, 0), 1);
    EXPECT_EQ(ask(SCI_GETMARGINWIDTHN, 0), 32);
    EXPECT_EQ(ask(SCI_GETMARGINTYPEN, 1), 0);
    EXPECT_EQ(ask(SCI_GETMARGINWIDTHN, 1), 8);
    EXPECT_EQ(static_cast<uint32_t>(ask(SCI_GETCARETFORE)), C(12));
}

TEST_F(Window, WordsTakeTheirSlotColours) {
    setColours();
    ui_->setFont(kChooser, FontChoice{"Monospace", 10});
    // Styles the scheme never sets, as the editor starts with them.
    const int untouched[] = {1, 3, 12, 13};
    std::vector<std::pair<uint32_t, uint32_t>> initial;
    for (int style : untouched) initial.emplace_back(fore(style), back(style));
    setUpCodeEditor(*platform_);
    for (size_t i = 0; i < std::size(untouched); ++i) {
        EXPECT_EQ(fore(untouched[i]), initial[i].first) << "style " << untouched[i];
        EXPECT_EQ(back(untouched[i]), initial[i].second) << "style " << untouched[i];
    }

    struct Case {
        const char* word;  // found on its own line of the listing below
        int style;
        uint32_t colour;
    };
    const std::
        vector<Case>
            cases =
                {
                    // clang-format off
        // word         style  colour
        {"mov",         6,     C(2)     },
        {"MOV",         6,     C(2)     },  // the lexer lowers words before the look-up
        {"Eax",         7,     C(1)     },
        {"EAX",         7,     C(1)     },
        {"ds",          7,     C(1)     },  // in sets 1 and 2: set 1 wins
        {"ss",          8,     0xFFFF00 },
        {"fs",          8,     0xFFFF00 },
        {"dword",       8,     0xFFFF00 },
        {"es",          5,     C(7)     },  // in no set
        {"gs",          5,     C(7)     },
        {"call",        10,    C(3)     },
        {"jnz",         10,    C(3)     },
        {"loop",        6,     C(2)     },
        {"int",         6,     C(2)     },
        {"scas",        6,     C(2)     },  // the word after the double space
        {"sbb",         6,     C(2)     },
        {"shl",         6,     C(2)     },  // the last word of set 0
        {"1234",        2,     C(5)     },
        {"+",           4,     C(4)     },
        {"{",           0,     C(6)     },  // starts no token: drawn in the background colour
        {"#",           0,     C(6)     },
        {"\xB0\xA1",    0,     C(6)     },  // a GBK character
                    // clang-format on
                };
    std::string text;
    std::vector<size_t> at;
    for (const Case& c : cases) {
        at.push_back(text.size());
        text += c.word;
        text += "\r\n";
    }
    // Comments, strings and characters keep the editor's own styles.
    struct Kept {
        const char* line;
        int style;
    };
    const std::vector<Kept> kept = {
        // clang-format off
        // line                 style
        {"; a comment",         1 },
        {"\"a string\"",        3 },
        {"'c'",                 12},
        {"\"unterminated",      13},
        // clang-format on
    };
    std::vector<size_t> keptAt;
    for (const Kept& k : kept) {
        keptAt.push_back(text.size());
        text += k.line;
        text += "\r\n";
    }
    setEditorText(*platform_, text);
    ask(SCI_COLOURISE, 0, -1);
    for (size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(ask(SCI_GETSTYLEAT, keptAt[i]), kept[i].style) << kept[i].line;
        EXPECT_EQ(ask(SCI_GETSTYLEAT, keptAt[i] + 2), kept[i].style) << kept[i].line;
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const int style = static_cast<int>(ask(SCI_GETSTYLEAT, at[i]));
        EXPECT_EQ(style, c.style) << c.word;
        EXPECT_EQ(fore(style), c.colour) << c.word;
        EXPECT_EQ(back(style), C(6)) << c.word;
    }
}

TEST_F(Window, APickerRestylesAtOnce) {
    setColours();
    setUpCodeEditor(*platform_);
    struct Case {
        int slot;
        int style;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // slot  style whose foreground follows it
        {  1,    7  },
        {  2,    6  },
        {  3,    10 },
        {  4,    4  },
        {  5,    2  },
        {  7,    5  },
        {  9,    33 },
        // clang-format on
    };
    for (const Case& c : cases) {
        ui_->setColour(kPickers[c.slot - 1], 0x123456);
        ASSERT_TRUE(ui_->fire(kPickers[c.slot - 1], platform::UiEvent::ColourChosen)) << "slot " << c.slot;
        EXPECT_EQ(fore(c.style), 0x123456u) << "slot " << c.slot;
        ui_->setColour(kPickers[c.slot - 1], C(c.slot));
    }
    ui_->setColour(kPickers[5], 0x654321);
    ui_->fire(kPickers[5], platform::UiEvent::ColourChosen);
    for (int style : {0, 2, 4, 5, 6, 7, 8, 10, 32}) EXPECT_EQ(back(style), 0x654321u) << "style " << style;
    EXPECT_EQ(fore(0), 0x654321u);
    ui_->setColour(kPickers[7], 0x111111);
    ui_->fire(kPickers[7], platform::UiEvent::ColourChosen);
    EXPECT_EQ(back(33), 0x111111u);
    ui_->setColour(kPickers[11], 0x222222);
    ui_->fire(kPickers[11], platform::UiEvent::ColourChosen);
    EXPECT_EQ(static_cast<uint32_t>(ask(SCI_GETCARETFORE)), 0x222222u);
}

TEST_F(Window, NoScrollBarsWhateverTheText) {
    setUpCodeEditor(*platform_);
    std::string text;
    for (int i = 0; i < 500; ++i) text += std::string(300, 'a') + " mov eax,1\r\n";
    setEditorText(*platform_, text);
    appendEditorText(*platform_, "ret\r\n");
    EXPECT_EQ(ask(SCI_GETHSCROLLBAR), 0);
    EXPECT_EQ(ask(SCI_GETVSCROLLBAR), 0);
    EXPECT_EQ(ask(SCI_GETMARGINWIDTHN, 0), 32) << "the line-number margin keeps its width";
}

wxStyledTextCtrl* findEditor(wxWindow* window) {
    if (auto* editor = dynamic_cast<wxStyledTextCtrl*>(window)) return editor;
    for (wxWindow* child : window->GetChildren())
        if (wxStyledTextCtrl* editor = findEditor(child)) return editor;
    return nullptr;
}

// Selected text is drawn in slots 10 and 11, as the screen shows it.
TEST_F(Window, SelectionIsDrawnInItsSlotColours) {
    // Colours far apart, so that no blend at a glyph's edge matches one of them exactly.
    setColours();
    ui_->setColour(kPickers[9], 0x00FF00);   // selection foreground
    ui_->setColour(kPickers[10], 0xFF0000);  // selection background
    ui_->setColour(kPickers[7], 0x0000FF);   // line-number margin
    ui_->setFont(kChooser, FontChoice{"Monospace", 14});
    setUpCodeEditor(*platform_);
    setEditorText(*platform_, "mov eax,ebx\r\npush ebp\r\nWWWW MMMM\r\n");
    ask(SCI_SELECTALL);
    ui_->show();
    wxStyledTextCtrl* editor = findEditor(ui_->frame());
    ASSERT_NE(editor, nullptr);
    editor->Refresh();
    editor->Update();
    for (int i = 0; i < 20; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(10);
    }
    const wxRect area(editor->GetScreenPosition(), editor->GetClientSize());
    wxBitmap shot(area.width, area.height, 24);
    {
        wxScreenDC screen;
        wxMemoryDC memoryDc(shot);
        memoryDc.Blit(0, 0, area.width, area.height, &screen, area.x, area.y);
    }
    const wxImage image = shot.ConvertToImage();
    auto count = [&](uint32_t colour) {
        int n = 0;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                if (image.GetRed(x, y) == (colour & 0xFF) && image.GetGreen(x, y) == ((colour >> 8) & 0xFF) &&
                    image.GetBlue(x, y) == ((colour >> 16) & 0xFF))
                    ++n;
        return n;
    };
    const int selectionBack = count(0xFF0000), selectionFore = count(0x00FF00), margin = count(0x0000FF);
    EXPECT_GT(selectionBack, 1000) << "selection background";
    EXPECT_GT(selectionFore, 20) << "selection foreground";
    EXPECT_GT(margin, 1000) << "line-number margin";
}

class TemporaryDirectory {
public:
    TemporaryDirectory() {
        char pattern[] = "/tmp/kovrel-scheme-XXXXXX";
        path_ = mkdtemp(pattern);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~TemporaryDirectory() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

TEST_F(Window, SaveRestoreUndoRoundTripThroughTheFile) {
    TemporaryDirectory cwd;
    loadSchemeAtStartup(*platform_);
    EXPECT_EQ(ui_->font(kChooser).name, "Fixedsys");
    EXPECT_EQ(ui_->font(kChooser).pointSize, 12);
    setUpCodeEditor(*platform_);

    // Save the default scheme: the built-in image.
    saveColourScheme(*platform_);
    EXPECT_EQ(files_.read("data.dsn").value_or(""), std::string(defaultColourScheme()));

    // Change, save, change again, undo: back to what was saved.
    setColours();
    ui_->setFont(kChooser, FontChoice{"Monospace", 15});
    saveColourScheme(*platform_);
    const std::string saved = files_.read("data.dsn").value_or("");
    ui_->setColour(kPickers[1], 0x000001);
    ui_->fire(kPickers[1], platform::UiEvent::ColourChosen);
    EXPECT_EQ(fore(6), 0x000001u);
    undoSchemeChanges(*platform_);
    EXPECT_EQ(ui_->colour(kPickers[1]), C(2));
    EXPECT_EQ(fore(6), C(2));
    EXPECT_EQ(ask(SCI_STYLEGETSIZE, 6), 15);

    // Restore the default: applied at once, the file untouched.
    restoreDefaultScheme(*platform_);
    for (int slot = 1; slot <= 12; ++slot) EXPECT_EQ(ui_->colour(kPickers[slot - 1]), slotDefaultColour(slot));
    EXPECT_EQ(fore(6), slotDefaultColour(2));
    EXPECT_EQ(back(32), slotDefaultColour(6));
    EXPECT_EQ(ask(SCI_STYLEGETSIZE, 6), 12);
    EXPECT_EQ(files_.read("data.dsn").value_or(""), saved);

    // Undo with the file gone: the default scheme.
    std::filesystem::remove("data.dsn");
    setColours();
    undoSchemeChanges(*platform_);
    EXPECT_EQ(ui_->colour(kPickers[0]), slotDefaultColour(1));
    EXPECT_EQ(fore(7), slotDefaultColour(1));
}

}  // namespace
}  // namespace kovrel::editor

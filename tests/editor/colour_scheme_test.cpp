#include "editor/colour_scheme.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "editor/code_editor.h"
#include "platform/memory/memory_platform.h"

namespace kovrel::editor {
namespace {

using platform::EditorMessage;
using platform::FontChoice;
using platform::MemoryPlatform;

const char* const kChooser = "通用对话框1";
const char* const kFile = "data.dsn";
const std::array<std::string, 12> kPickers = {"寄存器",   "基础指令", "跳转指令", "标点符号", "数字常量", "背景颜色",
                                              "代码错误", "行号背景", "行号编号", "文本前景", "文本背景", "光标颜色"};
using Colours = std::array<uint32_t, 12>;
const Colours kDefaults = {65535, 65280,   33023,   8429696,  16711935, 2499614,
                           255,   2499614, 8421504, 16777215, 16744576, 16776960};
const Colours kBefore = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112};
const std::string kDefaultText =
    "65535,65280,33023,8429696,16711935,2499614,255,2499614,8421504,16777215,16744576,16776960\r\nFixedsys,12";
const std::string kSong = "\xCB\xCE\xCC\xE5";  // 宋体 in GBK

struct SchemeFixture : ::testing::Test {
    MemoryPlatform memory;
    void SetUp() override {
        for (const std::string& p : kPickers) memory.ui.declare(p);
        memory.ui.declare(kChooser);
        memory.ui.declare("代码编辑框");
        setColours(kBefore);
        memory.ui.setFont(kChooser, FontChoice{"Before", 5});
    }
    void TearDown() override { EXPECT_TRUE(memory.ui.unknownNames().empty()) << memory.ui.unknownNames().front(); }
    void setColours(const Colours& colours) {
        for (size_t i = 0; i < 12; ++i) memory.ui.setColour(kPickers[i], colours[i]);
    }
    Colours colours() {
        Colours out{};
        for (size_t i = 0; i < 12; ++i) out[i] = memory.ui.colour(kPickers[i]);
        return out;
    }
    // The scheme was pushed into the editor: its last message sets style 32's background.
    bool applied() {
        const auto& log = memory.ui.editorMessages();
        return !log.empty() && log.back().message == 2052 && log.back().wParam == 32 &&
               log.back().lParam == static_cast<intptr_t>(memory.ui.colour("背景颜色"));
    }
};

std::string show(const Colours& c) {
    std::string s;
    for (uint32_t v : c) s += std::to_string(v) + " ";
    return s;
}

Colours mix(std::initializer_list<uint32_t> first) {
    Colours out = kBefore;
    size_t i = 0;
    for (uint32_t v : first) out[i++] = v;
    return out;
}

TEST(TextToInteger, Readings) {
    struct Case {
        const char* text;
        int32_t value;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // text                                 value
        {"123",                                 123},
        {"0",                                   0},
        {"  42",                                42},
        {"\t\r\n 8",                            8},
        {"-5",                                  -5},
        {"+7",                                  7},
        {"12ab",                                12},
        {"abc",                                 0},
        {"",                                    0},
        {"-",                                   0},
        {" - 3",                                0},
        {"1 2",                                 1},
        {"\xA3\xB1\xA3\xB2\xA3\xB3",            123},    // full-width digits
        {"\xA3\xAD\xA3\xB5",                    -5},     // full-width minus
        {"\xA3\xAB" "9",                        9},      // full-width plus
        {"\xA1\xA1" "77",                       77},     // full-width blank
        {"\xA3\xB1" "2",                        12},
        {"1\xBA\xBA" "2",                       1},      // a Chinese character ends the number
        {"\xBA\xBA" "2",                        0},
        {"\xA3",                                0},      // a lead byte alone
        {"2147483647",                          2147483647},
        {"4294967295",                          -1},     // wraps, no range check
        {"4294967296",                          0},
        {"-2147483648",                         INT32_MIN},
        {"16777215",                            16777215},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(textToInteger(c.text), c.value) << "\"" << c.text << "\"";
}

using LoadColourScheme = SchemeFixture;

TEST_F(LoadColourScheme, Texts) {
    struct Case {
        const char* name;
        std::string text;
        bool loaded;
        Colours colours;
        std::string font;
        int size;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name                         scheme text                                      loaded colours after                         font      size
        {"default",                     kDefaultText,                                    true,  kDefaults,                              "Fixedsys", 12},
        {"five colours",                "1,2,3,4,5\r\nArial,10",                         true,  mix({1, 2, 3, 4, 5}),                   "Arial",   10},
        {"font line starts with comma", "1\r\n,14",                                      true,  mix({1}),                               "",        14},
        {"leading blanks",              "  77,   88\r\n  Arial,  9",                     true,  mix({77, 88}),                          "  Arial", 9},
        {"no digits",                   "x,,abc\r\nA,b",                                 true,  mix({0, 0, 0}),                         "A",       0},
        {"full-width digits",           "\xA3\xB1\xA3\xB0,\xA3\xAD\xA3\xB1\r\nA,\xA3\xB9", true, mix({10, 0xFFFFFFFF}),                "A",       9},
        {"negative colour",             "-1,-16777216\r\nA,1",                           true,  mix({0xFFFFFFFF, 0xFF000000}),          "A",       1},
        {"twelve and a trailing comma", "1,2,3,4,5,6,7,8,9,10,11,12,\r\nA,1",            true,  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, "A",      1},
        {"trailing comma on few",       "1,2,\r\nA,1",                                   true,  mix({1, 2}),                            "A",       1},
        {"empty field in the middle",   "1,,3\r\nA,1",                                   true,  mix({1, 0, 3}),                         "A",       1},
        {"empty colour line",           "\r\nA,3",                                       true,  kBefore,                                "A",       3},
        {"third line ignored",          "1\r\nA,3\r\nB,4",                               true,  mix({1}),                               "A",       3},
        {"font line of three fields",   "1\r\nA,3,4",                                    true,  mix({1}),                               "A",       3},
        {"font name cut at a comma",    "1\r\nLucida, Sans,9",                           true,  mix({1}),                               "Lucida",  0},
        {"gbk font name",               "1\r\n" + kSong + ",9",                          true,  mix({1}),                               kSong,     9},
        {"lone line feeds",             "1\n2,3\r\nA,1",                                 true,  mix({1, 3}),                            "A",       1},
        {"text ends at a zero byte",    std::string("1\r\nA,2\0tail", 10),               true,  mix({1}),                               "A",       2},
        // Malformed: nothing changes.
        {"nothing packed",              "",                                              false, kBefore,                                "Before",  5},
        {"one line",                    "1,2,3",                                         false, kBefore,                                "Before",  5},
        {"one line and a line break",   "1,2\r\n",                                       false, kBefore,                                "Before",  5},
        {"zero byte before line two",   std::string("1,2\0\r\nA,3", 10),                 false, kBefore,                                "Before",  5},
        {"thirteen colours",            "1,2,3,4,5,6,7,8,9,10,11,12,13\r\nA,1",          false, kBefore,                                "Before",  5},
        {"font line of one field",      "1\r\nFixedsys",                                 false, kBefore,                                "Before",  5},
        {"font line of one and comma",  "1\r\nFixedsys,",                                false, kBefore,                                "Before",  5},
        {"empty font line",             "1\r\n\r\n",                                     false, kBefore,                                "Before",  5},
        {"empty font line then more",   "1\r\n\r\nA,2",                                  false, kBefore,                                "Before",  5},
        // clang-format on
    };
    for (const Case& c : cases) {
        setColours(kBefore);
        memory.ui.setFont(kChooser, FontChoice{"Before", 5});
        EXPECT_EQ(loadColourScheme(memory, packData(c.text)), c.loaded) << c.name;
        EXPECT_EQ(show(colours()), show(c.colours)) << c.name;
        EXPECT_EQ(memory.ui.font(kChooser).name, c.font) << c.name;
        EXPECT_EQ(memory.ui.font(kChooser).pointSize, c.size) << c.name;
    }
    EXPECT_TRUE(memory.ui.editorMessages().empty()) << "loading must not apply the scheme";
}

// The in-memory window, with every font the chooser is given recorded in order.
class FontRecordingUi final : public platform::Ui {
public:
    explicit FontRecordingUi(platform::MemoryUi& inner) : inner_(inner) {}
    std::vector<FontChoice> fontsSet;

    std::string text(std::string_view c) const override { return inner_.text(c); }
    void setText(std::string_view c, std::string_view t) override { inner_.setText(c, t); }
    bool checked(std::string_view c) const override { return inner_.checked(c); }
    void setChecked(std::string_view c, bool on) override { inner_.setChecked(c, on); }
    std::string selectedText(std::string_view c) const override { return inner_.selectedText(c); }
    int width() const override { return inner_.width(); }
    int height() const override { return inner_.height(); }
    void setSize(int w, int h) override { inner_.setSize(w, h); }
    void clearRows(std::string_view l) override { inner_.clearRows(l); }
    int appendRow(std::string_view l) override { return inner_.appendRow(l); }
    void setCell(std::string_view l, int r, int c, std::string_view t) override { inner_.setCell(l, r, c, t); }
    std::string cell(std::string_view l, int r, int c) const override { return inner_.cell(l, r, c); }
    int rowCount(std::string_view l) const override { return inner_.rowCount(l); }
    int selectedRow(std::string_view l) const override { return inner_.selectedRow(l); }
    uint32_t colour(std::string_view p) const override { return inner_.colour(p); }
    void setColour(std::string_view p, uint32_t c) override { inner_.setColour(p, c); }
    FontChoice font(std::string_view c) const override { return inner_.font(c); }
    void setFont(std::string_view c, const FontChoice& f) override {
        fontsSet.push_back(f);
        inner_.setFont(c, f);
    }
    bool chooseFont(std::string_view c) override { return inner_.chooseFont(c); }
    intptr_t sendEditor(std::string_view e, unsigned m, uintptr_t w, intptr_t l) override {
        return inner_.sendEditor(e, m, w, l);
    }
    void popupMenu(std::string_view m) override { inner_.popupMenu(m); }
    void processPendingEvents() override { inner_.processPendingEvents(); }
    void bind(std::string_view c, platform::UiEvent e, std::function<void()> h) override {
        inner_.bind(c, e, std::move(h));
    }
    void onCloseRequest(std::function<bool()> h) override { inner_.onCloseRequest(std::move(h)); }

private:
    platform::MemoryUi& inner_;
};

TEST_F(LoadColourScheme, FontSizeIsSetBeforeTheName) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::pair<std::string, int>> fontsSet;  // name, size, in the order given
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name              scheme text          fonts given to the chooser
        {"default",          kDefaultText,        {{"Before", 12}, {"Fixedsys", 12}}},
        {"empty name",       "1\r\n,14",          {{"Before", 14}, {"", 14}}},
        {"malformed",        "1\r\nFixedsys",     {}},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.setFont(kChooser, FontChoice{"Before", 5});
        FontRecordingUi ui(memory.ui);
        platform::Platform bundle{ui,
                                  memory.dialogs,
                                  memory.clipboard,
                                  memory.files,
                                  memory.processes,
                                  memory.libraries,
                                  memory.system,
                                  memory.http,
                                  memory.feedDocument};
        loadColourScheme(bundle, packData(c.text));
        std::vector<std::pair<std::string, int>> got;
        for (const FontChoice& f : ui.fontsSet) got.emplace_back(f.name, f.pointSize);
        EXPECT_EQ(got, c.fontsSet) << c.name;
    }
}

TEST_F(LoadColourScheme, ImagesThatDoNotUnpackChangeNothing) {
    std::string damaged(defaultColourScheme());
    damaged[40] = static_cast<char>(damaged[40] ^ 0xFF);
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name                  bytes
        {"no bytes",             ""},
        {"plain text",           kDefaultText},
        {"header only",          std::string(defaultColourScheme().substr(0, 8))},
        {"damaged stream",       damaged},
        {"truncated",            std::string(defaultColourScheme().substr(0, 60))},
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(loadColourScheme(memory, c.bytes)) << c.name;
        EXPECT_EQ(show(colours()), show(kBefore)) << c.name;
        EXPECT_EQ(memory.ui.font(kChooser).name, "Before") << c.name;
    }
}

using SchemeFile = SchemeFixture;

TEST_F(SchemeFile, SavingTheDefaultSchemeWritesTheBuiltInImage) {
    setColours(kDefaults);
    memory.ui.setFont(kChooser, FontChoice{"Fixedsys", 12});
    EXPECT_EQ(currentSchemeText(memory), kDefaultText);
    saveColourScheme(memory);
    ASSERT_EQ(memory.files.files().count(kFile), 1u);
    EXPECT_EQ(memory.files.files().at(kFile), std::string(defaultColourScheme()));
    EXPECT_TRUE(memory.ui.editorMessages().empty());
}

TEST_F(SchemeFile, SaveWritesSignedColoursAndTheFontAsStored) {
    setColours({0xFFFFFFFF, 0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x80000000});
    memory.ui.setFont(kChooser, FontChoice{kSong, 9});
    saveColourScheme(memory);
    EXPECT_EQ(unpackData(memory.files.files().at(kFile)), "-1,0,3,4,5,6,7,8,9,10,11,-2147483648\r\n" + kSong + ",9");
}

TEST_F(SchemeFile, SaveChangeUndoRoundTrip) {
    memory.ui.setFont(kChooser, FontChoice{kSong, 9});
    saveColourScheme(memory);
    setColours(kDefaults);
    memory.ui.setFont(kChooser, FontChoice{"Other", 30});
    undoSchemeChanges(memory);
    EXPECT_EQ(show(colours()), show(kBefore));
    EXPECT_EQ(memory.ui.font(kChooser).name, kSong);
    EXPECT_EQ(memory.ui.font(kChooser).pointSize, 9);
    EXPECT_TRUE(applied());
}

TEST_F(SchemeFile, UndoFallsBackToTheDefaultScheme) {
    struct Case {
        const char* name;
        bool present;
        std::string file;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name            present  file
        {"no file",        false,   ""},
        {"empty file",     true,    ""},
        {"garbage",        true,    "not a scheme"},
        {"malformed text", true,    packData("1,2,3")},
        // clang-format on
    };
    for (const Case& c : cases) {
        MemoryPlatform fresh;
        if (c.present) fresh.files.put(kFile, c.file);
        for (const std::string& p : kPickers) fresh.ui.setColour(p, 1);
        undoSchemeChanges(fresh);
        for (size_t i = 0; i < 12; ++i)
            EXPECT_EQ(fresh.ui.colour(kPickers[i]), kDefaults[i]) << c.name << " slot " << i + 1;
        EXPECT_EQ(fresh.ui.font(kChooser).name, "Fixedsys") << c.name;
        EXPECT_EQ(fresh.ui.font(kChooser).pointSize, 12) << c.name;
        EXPECT_FALSE(fresh.ui.editorMessages().empty()) << c.name << ": scheme not applied";
        EXPECT_TRUE(fresh.files.writeLog().empty()) << c.name;
    }
}

TEST_F(SchemeFile, RestoreDefaultAppliesWithoutTouchingTheFile) {
    const std::string saved = packData("1,2\r\nA,3");
    memory.files.put(kFile, saved);
    restoreDefaultScheme(memory);
    EXPECT_EQ(show(colours()), show(kDefaults));
    EXPECT_EQ(memory.ui.font(kChooser).name, "Fixedsys");
    EXPECT_EQ(memory.ui.font(kChooser).pointSize, 12);
    EXPECT_TRUE(applied());
    EXPECT_EQ(memory.files.files().at(kFile), saved);
    EXPECT_TRUE(memory.files.writeLog().empty());
}

TEST_F(SchemeFile, StartUp) {
    struct Case {
        const char* name;
        bool present;
        std::string file;
        Colours colours;
        std::string font;
        int size;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name               present  file                             colours after          font        size
        {"no file",           false,   "",                              kBefore,               "Fixedsys", 12},
        {"empty file",        true,    "",                              kBefore,               "Fixedsys", 12},
        {"malformed",         true,    packData("1,2\r\nNoSize"),       kBefore,               "Fixedsys", 12},
        {"saved scheme",      true,    packData("1,2\r\nArial,10"),     mix({1, 2}),           "Arial",    10},
        {"default image",     true,    std::string(defaultColourScheme()), kDefaults,          "Fixedsys", 12},
        // clang-format on
    };
    for (const Case& c : cases) {
        MemoryPlatform fresh;
        for (size_t i = 0; i < 12; ++i) fresh.ui.setColour(kPickers[i], kBefore[i]);
        fresh.ui.setFont(kChooser, FontChoice{"Before", 5});
        if (c.present) fresh.files.put(kFile, c.file);
        loadSchemeAtStartup(fresh);
        Colours after{};
        for (size_t i = 0; i < 12; ++i) after[i] = fresh.ui.colour(kPickers[i]);
        EXPECT_EQ(show(after), show(c.colours)) << c.name;
        EXPECT_EQ(fresh.ui.font(kChooser).name, c.font) << c.name;
        EXPECT_EQ(fresh.ui.font(kChooser).pointSize, c.size) << c.name;
        EXPECT_TRUE(fresh.ui.editorMessages().empty()) << c.name;
    }
}

}  // namespace
}  // namespace kovrel::editor

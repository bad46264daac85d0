#include "editor/code_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/colour_slots.h"
#include "platform/memory/memory_platform.h"

namespace kovrel::editor {
namespace {

using platform::EditorMessage;
using platform::FontChoice;
using platform::MemoryPlatform;
using platform::UiEvent;

const char* const kEditor = "代码编辑框";
const char* const kChooser = "通用对话框1";
const std::vector<std::string> kPickers = {"寄存器",   "基础指令", "跳转指令", "标点符号", "数字常量", "背景颜色",
                                           "代码错误", "行号背景", "行号编号", "文本前景", "文本背景", "光标颜色"};

// A colour per slot that no other slot and no fixed colour shares.
uint32_t C(int slot) { return 0x010203u * static_cast<uint32_t>(slot) + 0x100000u; }

// One message as text: number, wParam, then lParam or the quoted text argument.
struct Msg {
    unsigned message;
    intptr_t wParam;
    intptr_t lParam;
    const char* text = nullptr;
};

std::string show(unsigned message, intptr_t wParam, intptr_t lParam, const char* text) {
    std::string s = std::to_string(message) + " " + std::to_string(wParam) + " ";
    if (text) {
        s += '"';
        s += text;
        s += '"';
    } else {
        s += std::to_string(lParam);
    }
    return s;
}
std::string show(const Msg& m) { return show(m.message, m.wParam, m.lParam, m.text); }
std::string show(const EditorMessage& m, bool hasText) {
    return show(m.message, static_cast<intptr_t>(m.wParam), m.lParam, hasText ? m.text.c_str() : nullptr);
}

void expectMessages(const std::vector<EditorMessage>& got, const std::vector<Msg>& expected, const char* what) {
    const size_t n = std::max(got.size(), expected.size());
    for (size_t i = 0; i < n; ++i) {
        const std::string want = i < expected.size() ? show(expected[i]) : "(none)";
        const std::string have = i < got.size() ? show(got[i], i < expected.size() && expected[i].text) : "(none)";
        EXPECT_EQ(have, want) << what << ", message #" << i;
        if (i < got.size()) {
            EXPECT_EQ(got[i].editor, kEditor) << what << ", message #" << i;
        }
    }
}

struct Fixture : ::testing::Test {
    MemoryPlatform memory;
    void SetUp() override {
        for (const std::string& p : kPickers) memory.ui.declare(p);
        memory.ui.declare(kEditor);
        memory.ui.declare(kChooser);
        for (int slot = 1; slot <= 12; ++slot) memory.ui.setColour(kPickers[slot - 1], C(slot));
        memory.ui.setFont(kChooser, FontChoice{"Consolas", 11});
    }
    void TearDown() override { EXPECT_TRUE(memory.ui.unknownNames().empty()) << memory.ui.unknownNames().front(); }
};

// What applyColourScheme sends for the colours C(slot) and the font Consolas 11.
std::vector<Msg> schemeMessages(const char* font, intptr_t size) {
    const intptr_t back = C(6);
    const struct {
        intptr_t style, fore, back;
    } styles[] = {
        // clang-format off
        // style  foreground  background
        {  8,     0xFFFF00,   back  },
        {  7,     C(1),       back  },
        {  0,     C(6),       back  },
        {  2,     C(5),       back  },
        {  4,     C(4),       back  },
        {  5,     C(7),       back  },
        {  6,     C(2),       back  },
        { 10,     C(3),       back  },
        { 33,     C(9),       C(8)  },
        // clang-format on
    };
    std::vector<Msg> out;
    for (const auto& s : styles) {
        out.push_back({2051, s.style, s.fore});
        out.push_back({2052, s.style, s.back});
        out.push_back({2056, s.style, 0, font});
        out.push_back({2055, s.style, size});
    }
    const std::vector<Msg> tail = {
        // clang-format off
        // message  wParam  lParam
        {2240,      1,      0      },  // margin 1 symbols
        {2242,      1,      8      },
        {2240,      0,      1      },  // margin 0 line numbers
        {2242,      0,      32     },
        {2069,      C(12),  0      },  // caret
        {2067,      1,      C(10)  },  // selection foreground
        {2068,      1,      C(11)  },  // selection background
        {2052,      32,     C(6)   },  // default style background
        // clang-format on
    };
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

const char* const kSet0 =
    "aaa aad aam aas adc add and arpl bound bsf bsr bswap bt btc btr bts cbw cdq clc cld cli clts cmc cmov cmp "
    "cmps cmpsb cmpsd cmpsw cmpxchg cmpxchg8b cpuid cwd cwde daa das dec div emms enter esc fcmov fcomi fwait "
    "finit fadd fsub fld fild fbld fldz fld1 fldpi fldl2t fld2e fldlg2 fldln2 fst fstp fist fistp fbst fbstp "
    "fcom ficom ficomp fcomp ftst fucom fucomp fucompp fxam faddp fiadd fsubp fsubr fsubrp fisub fisubr fmul "
    "fmulp fimul fdiv fdivp fidiv fdivr fdivrp fidivr fsqrt fscale fprem1 fprem frndint fabs fchs f2xm1 fyl2x "
    "fcos fptan fpatan fsin fsincos fyl2xp1 fstsw fnstsw fldcw fstcw fclex fstenv fldenv fsave frstor fincstp "
    "fdecstp ffree fnop wait hlt idiv imul in inc ins insb insd insw int into invd invlpg iret iretd lahf lar "
    "lds lea leave les lfs lgdt lgs lidt lldt lmsw lock lods lodsb lodsd lodsw loop loope loopne loopnz loopz "
    "lsl lss ltr mov movd movq movs movsb movsd movsw movsx movzx msw mul neg nop not xor or out outs outsb "
    "outsd outsw packsswb packssdw paddb paddw paddd paddsb paddsw paddusb paddusw pand pandn setng setnge "
    "setnl setnle setno setnp setns setnz seto setp setpe setpo sets setz sgdt shld shrd sidt sldt smsw stc "
    "std sti stos stosb stosd stosw str sub test verr verw wbinvd wrmsr xadd xchg xlat xlatb invoke addr "
    "pcmpeqb pcmpeqw pcmpeqd pcmpgtb pcmpgtw pcmpgtd pmulhw pmullw pmaddwd pop popa popad popf popfd por "
    "psllw pslld psllq psrlw psrld psrlq psraw psrad psubb psubw psubd psubsb psubsw psubusb psubusw "
    "punpckhbw punpckhwd punpckhdq punpcklbw punpcklwd punpckldq push pusha pushad pushf pushfd rcl rcr "
    "rdmsr rdpmc rdtsc rep repe repne repnz repz ret retf retn rol ror rsm sahf sal sar sbb  scas scasb "
    "scasd scasw setae setb setbe setc sete setg setge setl setle setna setnae setnb setnc setne shr shl";
const char* const kSet1 = "eax ebx ecx edx edi esi ebp esp eip ah al ax bh bl bp bx ch cl cs cx dh di dl ds dx";
const char* const kSet2 = "dword byte word qword ptr ss ds fs";
const char* const kSet4 =
    "call ja jae jb jbe jc jcxz je jecxz jg jge jl jle jmp jna jnae jnb jnbe jnc jne jng jnge jnl jnle jno jnp "
    "jns jnz jo jp jpe jpo js jz";

using CodeEditor = Fixture;

TEST_F(CodeEditor, InitialSettingsInOrder) {
    applyInitialEditorSettings(memory);
    const std::vector<Msg> expected = {
        // clang-format off
        // message  wParam    lParam
        {2242,      1,        0        },  // margin 1 width 0
        {2171,      0,        0        },  // not read-only
        {2130,      0,        0        },  // no horizontal scroll bar
        {2280,      0,        0        },  // no vertical scroll bar
        {2021,      0,        0        },  // whitespace not shown
        {2084,      1,        0x000000 },
        {2085,      1,        0xFFFFFF },
        {2386,      -1,       0        },  // normal cursor
        {2031,      0,        0        },  // CR LF
        {2356,      0,        0        },  // line ends not shown
        {2067,      1,        0xFFFFFF },
        {2068,      1,        0xFF8080 },
        {2069,      0xFFFFFF, 0        },
        {2096,      0,        0        },
        {2098,      0x474438, 0        },
        {2132,      0,        0        },
        {2268,      0,        0        },
        {2076,      500,      0        },
        {2188,      1,        0        },
        {2037,      0,        0        },  // single-byte code page
        // clang-format on
    };
    expectMessages(memory.ui.editorMessages(), expected, "initial settings");
}

TEST_F(CodeEditor, SetUpSendsLexerKeywordsThenTheScheme) {
    setUpCodeEditor(memory);
    std::vector<Msg> expected = {
        // clang-format off
        // message  wParam  lParam  text
        {4001,      34,     0                },
        {4005,      0,      0,      kSet0    },
        {4005,      1,      0,      kSet1    },
        {4005,      2,      0,      kSet2    },
        {4005,      4,      0,      kSet4    },
        // clang-format on
    };
    const std::vector<Msg> scheme = schemeMessages("Consolas", 11);
    expected.insert(expected.end(), scheme.begin(), scheme.end());
    expectMessages(memory.ui.editorMessages(), expected, "setUpCodeEditor");
}

TEST_F(CodeEditor, SchemeReadsPickersAndChooserEachTime) {
    applyColourScheme(memory);
    expectMessages(memory.ui.editorMessages(), schemeMessages("Consolas", 11), "first application");

    // An empty font name still reaches the editor, as "".
    memory.ui.clearEditorMessages();
    memory.ui.setFont(kChooser, FontChoice{"", 0});
    applyColourScheme(memory);
    expectMessages(memory.ui.editorMessages(), schemeMessages("", 0), "empty font");
}

TEST_F(CodeEditor, EveryPickerRunsTheSchemeWithItsOwnColour) {
    setUpCodeEditor(memory);
    for (int slot = 1; slot <= 12; ++slot) {
        const std::string& picker = kPickers[slot - 1];
        memory.ui.clearEditorMessages();
        ASSERT_TRUE(memory.ui.chooseColour(picker, C(slot))) << picker << " has no handler";
        // The same colour chosen again reapplies the whole scheme.
        expectMessages(memory.ui.editorMessages(), schemeMessages("Consolas", 11), picker.c_str());
        for (int other = 1; other <= 12; ++other)
            EXPECT_EQ(memory.ui.colour(kPickers[other - 1]), C(other)) << "after choosing in " << picker;
    }
}

TEST_F(CodeEditor, ANewColourReachesItsStylesAtOnce) {
    setUpCodeEditor(memory);
    struct Case {
        int slot;
        unsigned message;
        uintptr_t wParam;  // the style, or the flag of the selection colours
        bool inLParam;     // the colour travels in lParam (else in wParam)
    };
    const std::vector<Case> cases = {
        // clang-format off
        // slot  message  wParam  colour in lParam
        {  1,    2051,    7,      true  },
        {  2,    2051,    6,      true  },
        {  3,    2051,    10,     true  },
        {  4,    2051,    4,      true  },
        {  5,    2051,    2,      true  },
        {  6,    2052,    32,     true  },
        {  7,    2051,    5,      true  },
        {  8,    2052,    33,     true  },
        {  9,    2051,    33,     true  },
        { 10,    2067,    1,      true  },
        { 11,    2068,    1,      true  },
        { 12,    2069,    0,      false },
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.clearEditorMessages();
        const uint32_t colour = 0xABCDEF;
        memory.ui.chooseColour(kPickers[c.slot - 1], colour);
        bool found = false;
        for (const EditorMessage& m : memory.ui.editorMessages()) {
            if (m.message != c.message) continue;
            if (c.inLParam && m.wParam == c.wParam && m.lParam == colour) found = true;
            if (!c.inLParam && m.wParam == colour) found = true;
        }
        EXPECT_TRUE(found) << "slot " << c.slot;
        memory.ui.setColour(kPickers[c.slot - 1], C(c.slot));
    }
}

TEST_F(CodeEditor, SetEditorStyleFillsOmittedArguments) {
    struct Case {
        const char* name;
        std::optional<uint32_t> back;
        std::optional<std::string_view> font;
        std::optional<int> size;
        intptr_t wantBack;
        const char* wantFont;
        intptr_t wantSize;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name                  back       font           size          want back  want font   want size
        {"all omitted",          {},        {},            {},           C(6),      "Consolas", 11 },
        {"background given",     0x123456,  {},            {},           0x123456,  "Consolas", 11 },
        {"font given",           {},        "Courier New", {},           C(6),      "Courier New", 11 },
        {"everything given",     0x000001,  "",            24,           0x000001,  "",         24 },
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.ui.clearEditorMessages();
        setEditorStyle(memory, 9, 0x777777, c.back, c.font, c.size);
        expectMessages(memory.ui.editorMessages(),
                       {{2051, 9, 0x777777}, {2052, 9, c.wantBack}, {2056, 9, 0, c.wantFont}, {2055, 9, c.wantSize}},
                       c.name);
    }
}

TEST_F(CodeEditor, ChooseFontAppliesOnlyAConfirmedChoice) {
    memory.ui.scriptFontDialog(std::nullopt);
    chooseFont(memory);
    ASSERT_EQ(memory.ui.fontDialogsOpened().size(), 1u);
    EXPECT_EQ(memory.ui.fontDialogsOpened()[0].name, "Consolas");
    EXPECT_EQ(memory.ui.fontDialogsOpened()[0].pointSize, 11);
    EXPECT_TRUE(memory.ui.editorMessages().empty()) << "cancel must not touch the editor";
    EXPECT_EQ(memory.ui.font(kChooser).name, "Consolas");

    memory.ui.scriptFontDialog(FontChoice{"\xCB\xCE\xCC\xE5", 14});
    chooseFont(memory);
    EXPECT_EQ(memory.ui.font(kChooser).name, "\xCB\xCE\xCC\xE5");
    expectMessages(memory.ui.editorMessages(), schemeMessages("\xCB\xCE\xCC\xE5", 14), "confirmed font");
}

TEST_F(CodeEditor, TextOperations) {
    const std::string line = "00000000  B801000000        mov eax,0x1\r\n";
    const std::string withZero("ret\0x", 5);  // a byte count, not a zero byte, ends it
    setEditorText(memory, "old");
    setEditorText(memory, "");
    appendEditorText(memory, line);
    appendEditorText(memory, withZero);
    EXPECT_EQ(memory.ui.text(kEditor), line + withZero);
    const auto& log = memory.ui.editorMessages();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].message, 2181u);
    EXPECT_EQ(log[0].wParam, 0u);
    EXPECT_EQ(log[2].message, 2001u);
    EXPECT_EQ(log[2].wParam, line.size());
    EXPECT_EQ(log[3].wParam, 5u);
}

}  // namespace
}  // namespace kovrel::editor

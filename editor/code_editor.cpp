#include "editor/code_editor.h"

#include <string>

#include "editor/colour_slots.h"

namespace kovrel::editor {
namespace {

// Word lists given to the assembler lexer; lower case, since it lowers a word before the look-up.
// Set 0 carries one double space (between "sbb" and "scas"); the lexer does not mind it.
constexpr std::string_view kInstructionWords =
    "aaa aad aam aas adc add and arpl bound bsf bsr bswap bt btc btr bts cbw cdq clc cld cli clts "
    "cmc cmov cmp cmps cmpsb cmpsd cmpsw cmpxchg cmpxchg8b cpuid cwd cwde daa das dec div emms enter "
    "esc fcmov fcomi fwait finit fadd fsub fld fild fbld fldz fld1 fldpi fldl2t fld2e fldlg2 fldln2 "
    "fst fstp fist fistp fbst fbstp fcom ficom ficomp fcomp ftst fucom fucomp fucompp fxam faddp "
    "fiadd fsubp fsubr fsubrp fisub fisubr fmul fmulp fimul fdiv fdivp fidiv fdivr fdivrp fidivr "
    "fsqrt fscale fprem1 fprem frndint fabs fchs f2xm1 fyl2x fcos fptan fpatan fsin fsincos fyl2xp1 "
    "fstsw fnstsw fldcw fstcw fclex fstenv fldenv fsave frstor fincstp fdecstp ffree fnop wait hlt "
    "idiv imul in inc ins insb insd insw int into invd invlpg iret iretd lahf lar lds lea leave les "
    "lfs lgdt lgs lidt lldt lmsw lock lods lodsb lodsd lodsw loop loope loopne loopnz loopz lsl lss "
    "ltr mov movd movq movs movsb movsd movsw movsx movzx msw mul neg nop not xor or out outs outsb "
    "outsd outsw packsswb packssdw paddb paddw paddd paddsb paddsw paddusb paddusw pand pandn setng "
    "setnge setnl setnle setno setnp setns setnz seto setp setpe setpo sets setz sgdt shld shrd sidt "
    "sldt smsw stc std sti stos stosb stosd stosw str sub test verr verw wbinvd wrmsr xadd xchg xlat "
    "xlatb invoke addr pcmpeqb pcmpeqw pcmpeqd pcmpgtb pcmpgtw pcmpgtd pmulhw pmullw pmaddwd pop "
    "popa popad popf popfd por psllw pslld psllq psrlw psrld psrlq psraw psrad psubb psubw psubd "
    "psubsb psubsw psubusb psubusw punpckhbw punpckhwd punpckhdq punpcklbw punpcklwd punpckldq push "
    "pusha pushad pushf pushfd rcl rcr rdmsr rdpmc rdtsc rep repe repne repnz repz ret retf retn rol "
    "ror rsm sahf sal sar sbb  scas scasb scasd scasw setae setb setbe setc sete setg setge setl "
    "setle setna setnae setnb setnc setne shr shl";
constexpr std::string_view kRegisterWords =
    "eax ebx ecx edx edi esi ebp esp eip ah al ax bh bl bp bx ch cl cs cx dh di dl ds dx";
constexpr std::string_view kSizeAndSegmentWords = "dword byte word qword ptr ss ds fs";
constexpr std::string_view kJumpWords =
    "call ja jae jb jbe jc jcxz je jecxz jg jge jl jle jmp jna jnae jnb jnbe jnc jne jng jnge jnl "
    "jnle jno jnp jns jnz jo jp jpe jpo js jz";

}  // namespace

// clang-format off
const std::array<KeywordSet, 4> kKeywordSets = {{
    // set  style                     slot  words
    {  0,   kStyleCpuInstruction,     2,    kInstructionWords    },
    {  1,   kStyleMathInstruction,    1,    kRegisterWords       },
    {  2,   kStyleRegister,           0,    kSizeAndSegmentWords },
    {  4,   kStyleDirectiveOperand,   3,    kJumpWords           },
}};

const std::array<EditorSetting, 20> kInitialEditorSettings = {{
    // message                      wParam      lParam
    { SCI_SETMARGINWIDTHN,          1,          0        },  // no symbol margin until a scheme
    { SCI_SETREADONLY,              0,          0        },
    { SCI_SETHSCROLLBAR,            0,          0        },
    { SCI_SETVSCROLLBAR,            0,          0        },
    { SCI_SETVIEWWS,                0,          0        },
    { SCI_SETWHITESPACEFORE,        1,          0x000000 },
    { SCI_SETWHITESPACEBACK,        1,          0xFFFFFF },
    { SCI_SETCURSOR,                uintptr_t(-1), 0     },  // normal mouse cursor
    { SCI_SETEOLMODE,               0,          0        },  // CR LF
    { SCI_SETVIEWEOL,               0,          0        },
    { SCI_SETSELFORE,               1,          0xFFFFFF },
    { SCI_SETSELBACK,               1,          0xFF8080 },
    { SCI_SETCARETFORE,             0xFFFFFF,   0        },
    { SCI_SETCARETLINEVISIBLE,      0,          0        },
    { SCI_SETCARETLINEBACK,         0x474438,   0        },
    { SCI_SETINDENTATIONGUIDES,     0,          0        },
    { SCI_SETWRAPMODE,              0,          0        },
    { SCI_SETCARETPERIOD,           500,        0        },
    { SCI_SETCARETWIDTH,            1,          0        },
    { SCI_SETCODEPAGE,              0,          0        },  // single-byte: the texts are GBK
}};

namespace {

// Steps 1-9 of applying a scheme: style, foreground slot (0: the fixed register colour),
// background slot (0: slot 6 as for every style).
struct SchemeStyle {
    int style;
    int foregroundSlot;
    int backgroundSlot;
};
constexpr std::array<SchemeStyle, 9> kSchemeStyles = {{
    // style                    fore  back
    { kStyleRegister,           0,    0 },
    { kStyleMathInstruction,    1,    0 },
    { kStyleDefault,            6,    0 },  // whitespace drawn in the background colour
    { kStyleNumber,             5,    0 },
    { kStyleOperator,           4,    0 },
    { kStyleIdentifier,         7,    0 },
    { kStyleCpuInstruction,     2,    0 },
    { kStyleDirectiveOperand,   3,    0 },
    { kStyleLineNumber,         9,    8 },
}};
// clang-format on

constexpr int kBackgroundSlot = 6;
constexpr int kCaretSlot = 12;
constexpr int kSelectionForegroundSlot = 10;
constexpr int kSelectionBackgroundSlot = 11;

intptr_t send(platform::Platform& platform, unsigned message, uintptr_t wParam, intptr_t lParam) {
    return platform.ui.sendEditor(kCodeEditorName, message, wParam, lParam);
}

// Scintilla reads text arguments up to their zero byte.
intptr_t sendText(platform::Platform& platform, unsigned message, uintptr_t wParam, std::string_view text) {
    const std::string terminated(text);
    return send(platform, message, wParam, reinterpret_cast<intptr_t>(terminated.c_str()));
}

uint32_t slotColour(platform::Platform& platform, int slot) { return platform.ui.colour(slotPicker(slot)); }

}  // namespace

void applyInitialEditorSettings(platform::Platform& platform) {
    for (const EditorSetting& s : kInitialEditorSettings) send(platform, s.message, s.wParam, s.lParam);
}

void setUpCodeEditor(platform::Platform& platform) {
    // 通用对话框1 is a font chooser by construction in every platform::Ui, so there is no
    // dialog kind to switch.
    send(platform, SCI_SETLEXER, kAsmLexer, 0);
    for (const KeywordSet& set : kKeywordSets) sendText(platform, SCI_SETKEYWORDS, set.index, set.words);

    // One handler for all twelve pickers; each keeps its own colour.
    platform::Platform bundle = platform;
    auto onColourChosen = [bundle]() mutable { applyColourScheme(bundle); };
    for (int slot = 1; slot <= kSlotCount; ++slot)
        platform.ui.bind(slotPicker(slot), platform::UiEvent::ColourChosen, onColourChosen);

    applyColourScheme(platform);
}

void setEditorStyle(platform::Platform& platform, int style, uint32_t foreground, std::optional<uint32_t> background,
                    std::optional<std::string_view> fontName, std::optional<int> fontSize) {
    const uint32_t back = background ? *background : slotColour(platform, kBackgroundSlot);
    const platform::FontChoice font = platform.ui.font(kFontChooserName);
    const std::string_view name = fontName ? *fontName : std::string_view(font.name);
    const int size = fontSize ? *fontSize : font.pointSize;

    send(platform, SCI_STYLESETFORE, style, foreground);
    send(platform, SCI_STYLESETBACK, style, back);
    sendText(platform, SCI_STYLESETFONT, style, name);
    send(platform, SCI_STYLESETSIZE, style, size);
}

void applyColourScheme(platform::Platform& platform) {
    for (const SchemeStyle& s : kSchemeStyles) {
        const uint32_t fore = s.foregroundSlot ? slotColour(platform, s.foregroundSlot) : kRegisterStyleColour;
        std::optional<uint32_t> back;
        if (s.backgroundSlot) back = slotColour(platform, s.backgroundSlot);
        setEditorStyle(platform, s.style, fore, back);
    }
    send(platform, SCI_SETMARGINTYPEN, 1, 0);  // symbol margin, shows nothing
    send(platform, SCI_SETMARGINWIDTHN, 1, 8);
    send(platform, SCI_SETMARGINTYPEN, 0, 1);  // line numbers, fixed width whatever the line count
    send(platform, SCI_SETMARGINWIDTHN, 0, 32);
    send(platform, SCI_SETCARETFORE, slotColour(platform, kCaretSlot), 0);
    send(platform, SCI_SETSELFORE, 1, slotColour(platform, kSelectionForegroundSlot));
    send(platform, SCI_SETSELBACK, 1, slotColour(platform, kSelectionBackgroundSlot));
    send(platform, SCI_STYLESETBACK, kStyleEditorDefault, slotColour(platform, kBackgroundSlot));
}

void chooseFont(platform::Platform& platform) {
    if (platform.ui.chooseFont(kFontChooserName)) applyColourScheme(platform);
}

void setEditorText(platform::Platform& platform, std::string_view text) { sendText(platform, SCI_SETTEXT, 0, text); }

void appendEditorText(platform::Platform& platform, std::string_view text) {
    // Takes a byte count, so the text need not end in a zero byte.
    send(platform, SCI_ADDTEXT, text.size(), reinterpret_cast<intptr_t>(text.data()));
}

}  // namespace kovrel::editor

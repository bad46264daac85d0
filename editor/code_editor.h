// The code editor 代码编辑框: its Scintilla set-up, the assembler lexer with its keyword
// sets, and the colour scheme pushed into its styles from the twelve pickers and the font
// chooser 通用对话框1. Everything goes through platform::Ui::sendEditor by message number.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/platform.h"

namespace kovrel::editor {

inline constexpr std::string_view kCodeEditorName = "代码编辑框";
inline constexpr std::string_view kFontChooserName = "通用对话框1";
inline constexpr std::string_view kFontButtonName = "按钮1字体";

// Scintilla message numbers, as the public Scintilla.h names them.
enum SciMessage : unsigned {
    SCI_ADDTEXT = 2001,
    SCI_SETVIEWWS = 2021,
    SCI_SETEOLMODE = 2031,
    SCI_SETCODEPAGE = 2037,
    SCI_STYLESETFORE = 2051,
    SCI_STYLESETBACK = 2052,
    SCI_STYLESETSIZE = 2055,
    SCI_STYLESETFONT = 2056,
    SCI_SETSELFORE = 2067,
    SCI_SETSELBACK = 2068,
    SCI_SETCARETFORE = 2069,
    SCI_SETCARETPERIOD = 2076,
    SCI_SETWHITESPACEFORE = 2084,
    SCI_SETWHITESPACEBACK = 2085,
    SCI_SETCARETLINEVISIBLE = 2096,
    SCI_SETCARETLINEBACK = 2098,
    SCI_SETHSCROLLBAR = 2130,
    SCI_SETINDENTATIONGUIDES = 2132,
    SCI_SETREADONLY = 2171,
    SCI_SETTEXT = 2181,
    SCI_SETCARETWIDTH = 2188,
    SCI_SETMARGINTYPEN = 2240,
    SCI_SETMARGINWIDTHN = 2242,
    SCI_SETWRAPMODE = 2268,
    SCI_SETVSCROLLBAR = 2280,
    SCI_SETVIEWEOL = 2356,
    SCI_SETCURSOR = 2386,
    SCI_SETLEXER = 4001,
    SCI_SETKEYWORDS = 4005,
};

inline constexpr int kAsmLexer = 34;  // Scintilla's "asm" lexer

// Styles of the assembler lexer that the scheme sets, and Scintilla's own two.
enum AsmStyle : int {
    kStyleDefault = 0,
    kStyleNumber = 2,
    kStyleOperator = 4,
    kStyleIdentifier = 5,
    kStyleCpuInstruction = 6,
    kStyleMathInstruction = 7,
    kStyleRegister = 8,
    kStyleDirectiveOperand = 10,
    kStyleEditorDefault = 32,
    kStyleLineNumber = 33,
};

inline constexpr uint32_t kRegisterStyleColour = 0xFFFF00;  // style 8; no slot changes it

struct KeywordSet {
    int index;  // the lexer's keyword set
    int style;  // the style its words take
    int slot;   // the colour slot of that style; 0 for the fixed colour
    std::string_view words;
};

// Given to the lexer in this order; sets 3 and 5 stay empty.
extern const std::array<KeywordSet, 4> kKeywordSets;

// One Scintilla message with plain numeric arguments.
struct EditorSetting {
    unsigned message;
    uintptr_t wParam;
    intptr_t lParam;
};

// Sent in this order when the editor is created, before any scheme is applied.
extern const std::array<EditorSetting, 20> kInitialEditorSettings;

// For the window implementation: call once right after creating the editor control
// 代码编辑框 (before start-up loads the scheme). Sends kInitialEditorSettings.
void applyInitialEditorSettings(platform::Platform& platform);

// Start-up, after the scheme is loaded: lexer, keyword sets, one colour-chosen handler for
// all twelve pickers, then applyColourScheme.
void setUpCodeEditor(platform::Platform& platform);

// Reads the twelve pickers and the font chooser now and pushes them into the editor.
void applyColourScheme(platform::Platform& platform);

// Foreground, background, font name and size of one style. An omitted background is
// slot 6's current colour; an omitted font name or size is the font chooser's.
void setEditorStyle(platform::Platform& platform, int style, uint32_t foreground,
                    std::optional<uint32_t> background = std::nullopt,
                    std::optional<std::string_view> fontName = std::nullopt,
                    std::optional<int> fontSize = std::nullopt);

// Handler of 按钮1字体: the font dialog on the current font; a confirmed choice is applied.
void chooseFont(platform::Platform& platform);

// Replaces the editor's whole text (GBK bytes).
void setEditorText(platform::Platform& platform, std::string_view text);
// Inserts the text at the caret; the caret moves behind it.
void appendEditorText(platform::Platform& platform, std::string_view text);

}  // namespace kovrel::editor

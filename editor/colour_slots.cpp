#include "editor/colour_slots.h"

namespace kovrel::editor {

// clang-format off
const std::array<ColourSlot, kSlotCount> kColourSlots = {{
    // slot  picker        label      label caption       default     what it colours
    {  1,    "寄存器",     "标签1",   "寄存器字高亮",     0x00FFFF,   "foreground of style 7 (keyword set 1: registers)"                    },
    {  2,    "基础指令",   "标签2",   "基础指令高亮",     0x00FF00,   "foreground of style 6 (keyword set 0: instructions)"                 },
    {  3,    "跳转指令",   "标签5",   "跳转指令高亮",     0x0080FF,   "foreground of style 10 (keyword set 4: calls and jumps)"             },
    {  4,    "标点符号",   "标签3",   "标点符号高亮",     0x80A080,   "foreground of style 4 (operators)"                                   },
    {  5,    "数字常量",   "标签4",   "数字常量高亮",     0xFF00FF,   "foreground of style 2 (numbers)"                                     },
    {  6,    "背景颜色",   "标签6",   "背景颜色高亮",     0x26241E,   "background of styles 0 2 4 5 6 7 8 10 32; foreground of style 0"    },
    {  7,    "代码错误",   "标签9",   "代码错误高亮",     0x0000FF,   "foreground of style 5 (words in no keyword set)"                     },
    {  8,    "行号背景",   "标签10",  "行号背景高亮",     0x26241E,   "background of style 33 (line-number margin)"                         },
    {  9,    "行号编号",   "标签11",  "行号编号高亮",     0x808080,   "foreground of style 33 (line numbers)"                               },
    { 10,    "文本前景",   "标签7",   "选择文本前景",     0xFFFFFF,   "foreground of selected text"                                         },
    { 11,    "文本背景",   "标签8",   "选择文本背景",     0xFF8080,   "background of selected text"                                         },
    { 12,    "光标颜色",   "标签12",  "光标颜色高亮",     0xFFFF00,   "caret colour"                                                        },
}};
// clang-format on

std::string_view slotPicker(int slot) {
    if (slot < 1 || slot > kSlotCount) return {};
    return kColourSlots[slot - 1].picker;
}

uint32_t slotDefaultColour(int slot) {
    if (slot < 1 || slot > kSlotCount) return 0;
    return kColourSlots[slot - 1].defaultColour;
}

}  // namespace kovrel::editor

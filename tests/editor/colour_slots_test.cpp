#include "editor/colour_slots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kovrel::editor {
namespace {

TEST(ColourSlots, TableMatchesTheWindowDesign) {
    struct Row {
        int slot;
        const char* picker;
        const char* label;
        const char* caption;
        uint32_t defaultColour;
    };
    const std::vector<Row> rows = {
        // clang-format off
        // slot picker       label     caption           default
        {  1,  "寄存器",     "标签1",  "寄存器字高亮",   65535    },
        {  2,  "基础指令",   "标签2",  "基础指令高亮",   65280    },
        {  3,  "跳转指令",   "标签5",  "跳转指令高亮",   33023    },
        {  4,  "标点符号",   "标签3",  "标点符号高亮",   8429696  },
        {  5,  "数字常量",   "标签4",  "数字常量高亮",   16711935 },
        {  6,  "背景颜色",   "标签6",  "背景颜色高亮",   2499614  },
        {  7,  "代码错误",   "标签9",  "代码错误高亮",   255      },
        {  8,  "行号背景",   "标签10", "行号背景高亮",   2499614  },
        {  9,  "行号编号",   "标签11", "行号编号高亮",   8421504  },
        { 10,  "文本前景",   "标签7",  "选择文本前景",   16777215 },
        { 11,  "文本背景",   "标签8",  "选择文本背景",   16744576 },
        { 12,  "光标颜色",   "标签12", "光标颜色高亮",   16776960 },
        // clang-format on
    };
    ASSERT_EQ(rows.size(), kColourSlots.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        const ColourSlot& s = kColourSlots[i];
        EXPECT_EQ(s.slot, r.slot) << "row " << i;
        EXPECT_EQ(s.picker, r.picker) << "slot " << r.slot;
        EXPECT_EQ(s.label, r.label) << "slot " << r.slot;
        EXPECT_EQ(s.labelCaption, r.caption) << "slot " << r.slot;
        EXPECT_EQ(s.defaultColour, r.defaultColour) << "slot " << r.slot;
        EXPECT_EQ(slotPicker(r.slot), r.picker) << "slot " << r.slot;
        EXPECT_EQ(slotDefaultColour(r.slot), r.defaultColour) << "slot " << r.slot;
    }
}

TEST(ColourSlots, NumbersOutsideOneToTwelveHaveNoPicker) {
    for (int slot : {-1, 0, 13, 1000}) {
        EXPECT_EQ(slotPicker(slot), "") << "slot " << slot;
        EXPECT_EQ(slotDefaultColour(slot), 0u) << "slot " << slot;
    }
}

}  // namespace
}  // namespace kovrel::editor

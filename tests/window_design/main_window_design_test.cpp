// Consistency of the window design table that both the real frame and the in-memory
// window are built from.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/main_window_design.h"

namespace kovrel::app {
namespace {

TEST(MainWindowDesignTest, NamesAreUniqueAndParentsAreEarlierGroupBoxes) {
    std::set<std::string_view> seen;
    for (const ControlDesign& c : mainWindowControls()) {
        EXPECT_TRUE(seen.insert(c.name).second) << "name twice: " << c.name;
        EXPECT_EQ(findControl(c.name), &c) << c.name;
        if (c.parent.empty()) continue;
        const ControlDesign* group = findControl(c.parent);
        ASSERT_NE(group, nullptr) << c.name << " names a missing parent " << c.parent;
        EXPECT_EQ(group->kind, ControlKind::GroupBox) << c.name;
        EXPECT_TRUE(seen.count(group->name)) << c.name << " comes before its group box";
    }
    EXPECT_EQ(findControl("没有这个控件"), nullptr);
}

TEST(MainWindowDesignTest, ChildrenFitInsideTheirGroupBoxes) {
    for (const ControlDesign& c : mainWindowControls()) {
        if (c.parent.empty()) continue;
        const ControlDesign* group = findControl(c.parent);
        ASSERT_NE(group, nullptr);
        EXPECT_LE(c.left + c.width, group->width) << c.name;
        EXPECT_LE(c.top + c.height, group->height) << c.name;
        const Point at = windowPosition(c);
        EXPECT_EQ(at.x, group->left + c.left) << c.name;
        EXPECT_EQ(at.y, group->top + c.top) << c.name;
    }
}

TEST(MainWindowDesignTest, VisibleControlsLieInsideTheStartUpWindow) {
    for (const ControlDesign& c : mainWindowControls()) {
        const Point at = windowPosition(c);
        if (c.flags & kFlagHidden) {
            // The hidden button sits beyond the right edge, out of the user's reach.
            EXPECT_GE(at.x, kStartupWidth) << c.name;
            continue;
        }
        EXPECT_LE(at.x + c.width, kStartupWidth) << c.name;
        EXPECT_LE(at.y + c.height, kStartupHeight) << c.name;
    }
}

TEST(MainWindowDesignTest, EveryPickerHasAColourAndOneRadioStartsChecked) {
    int pickers = 0, checked = 0;
    for (const ControlDesign& c : mainWindowControls()) {
        if (c.kind == ControlKind::ColourPicker) {
            ++pickers;
            EXPECT_LE(c.colour, 0xFFFFFFu) << c.name;
        } else {
            EXPECT_EQ(c.colour, 0u) << c.name << " is no picker";
        }
        if (c.flags & kFlagChecked) {
            EXPECT_EQ(c.kind, ControlKind::RadioButton) << c.name;
            ++checked;
        }
    }
    EXPECT_EQ(pickers, 12);
    EXPECT_EQ(checked, 1);
}

TEST(MainWindowDesignTest, MenuItemsHangUnderEarlierItemsOfTheSameMenu) {
    std::set<std::pair<std::string_view, std::string_view>> seen;
    std::set<std::string_view> captions;
    for (const MenuItemDesign& item : menuItems()) {
        EXPECT_TRUE(item.menu == kAssemblyMenu || item.menu == kListMenu) << item.caption;
        if (!item.parent.empty()) {
            EXPECT_TRUE(seen.count({item.menu, item.parent})) << item.caption << " under a later or missing item";
            EXPECT_TRUE(opensSubmenu(item.menu, item.parent)) << item.parent;
        }
        seen.insert({item.menu, item.caption});
        // Items are named by caption, so no two may share one.
        EXPECT_TRUE(captions.insert(item.caption).second) << "caption twice: " << item.caption;
    }
    EXPECT_FALSE(opensSubmenu(kAssemblyMenu, "粘贴"));
    EXPECT_FALSE(opensSubmenu(kListMenu, "转换大小写")) << "a submenu belongs to its own menu";
}

TEST(MainWindowDesignTest, ListColumnsFitTheList) {
    const ControlDesign* list = findControl(kListName);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->kind, ControlKind::ListView);
    int width = 0;
    for (const ColumnDesign& column : listColumns()) width += column.width;
    EXPECT_LE(width, list->width);
    EXPECT_EQ(listColumns().size(), 5u);
}

}  // namespace
}  // namespace kovrel::app

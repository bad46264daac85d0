// The editor's slot table and names against the window design the frame is built from.
#include <gtest/gtest.h>

#include <string_view>

#include "app/main_window_design.h"
#include "editor/code_editor.h"
#include "editor/colour_slots.h"

namespace kovrel::editor {
namespace {

const app::ControlDesign* findControl(std::string_view name) {
    for (const app::ControlDesign& c : app::kMainWindowControls)
        if (c.name == name) return &c;
    return nullptr;
}

TEST(WindowDesign, EverySlotHasItsPickerAndLabel) {
    for (const ColourSlot& slot : kColourSlots) {
        const app::ControlDesign* picker = findControl(slot.picker);
        ASSERT_NE(picker, nullptr) << "slot " << slot.slot << " picker " << slot.picker;
        EXPECT_EQ(picker->kind, app::ControlKind::ColourPicker) << slot.picker;
        EXPECT_EQ(picker->colour, slot.defaultColour) << slot.picker << ": created with another colour";
        EXPECT_EQ(picker->parent, "分组框1") << slot.picker;

        const app::ControlDesign* label = findControl(slot.label);
        ASSERT_NE(label, nullptr) << "slot " << slot.slot << " label " << slot.label;
        EXPECT_EQ(label->kind, app::ControlKind::Label) << slot.label;
        EXPECT_EQ(label->caption, slot.labelCaption) << slot.label;
        // A label sits right above its picker.
        EXPECT_EQ(label->left, picker->left) << slot.label;
        EXPECT_LT(label->top, picker->top) << slot.label;
        EXPECT_LE(picker->top - label->top, 14) << slot.label;
    }
}

TEST(WindowDesign, EditorChooserAndFontButton) {
    struct Case {
        std::string_view name;
        app::ControlKind kind;
    };
    const Case cases[] = {
        // clang-format off
        // name              kind
        {kCodeEditorName,    app::ControlKind::CodeEditor },
        {kFontChooserName,   app::ControlKind::FontChooser},
        {kFontButtonName,    app::ControlKind::Button     },
        // clang-format on
    };
    for (const Case& c : cases) {
        const app::ControlDesign* control = findControl(c.name);
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(control->kind, c.kind) << c.name;
    }
}

}  // namespace
}  // namespace kovrel::editor

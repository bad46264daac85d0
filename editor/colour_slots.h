// The twelve colour slots of the code editor's scheme: which picker holds each colour,
// the label beside it, the colour the picker is created with, and what it colours.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kovrel::editor {

inline constexpr int kSlotCount = 12;

struct ColourSlot {
    int slot;                       // 1..12, also the order of the colours in "data.dsn"
    std::string_view picker;        // control name of the colour picker
    std::string_view label;         // control name of the label above it
    std::string_view labelCaption;  // UTF-8; take it through platform::gbk before showing it
    uint32_t defaultColour;         // 0x00BBGGRR; the picker's colour at creation and in the default scheme
    std::string_view colours;       // what the slot colours in the editor
};

extern const std::array<ColourSlot, kSlotCount> kColourSlots;

// The picker of a slot 1..12; "" for any other number.
std::string_view slotPicker(int slot);
// The default colour of a slot 1..12; 0 for any other number.
uint32_t slotDefaultColour(int slot);

}  // namespace kovrel::editor

// Fuzzes the scheme file readers: unpackData and loadColourScheme against the in-memory
// platform. Random bytes rarely form a zlib stream, so each input is also packed as a
// scheme text, given as the stored length of a good image, and laid over the built-in
// image as damage.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/colour_scheme.h"
#include "editor/colour_slots.h"
#include "editor/packed_data.h"
#include "platform/memory/memory_platform.h"

using namespace kovrel;

namespace {

void load(std::string_view image) {
    platform::MemoryPlatform memory;
    for (int slot = 1; slot <= editor::kSlotCount; ++slot) memory.ui.setColour(editor::slotPicker(slot), 7);
    memory.ui.setFont("通用对话框1", platform::FontChoice{"Before", 5});
    const bool loaded = editor::loadColourScheme(memory, image);
    if (!loaded) {
        // A refused scheme changes nothing.
        for (int slot = 1; slot <= editor::kSlotCount; ++slot)
            if (memory.ui.colour(editor::slotPicker(slot)) != 7) __builtin_trap();
        if (memory.ui.font("通用对话框1").name != "Before") __builtin_trap();
        return;
    }
    // What was loaded saves to a scheme that loads again.
    editor::saveColourScheme(memory);
    const std::optional<std::string> saved = memory.files.read("data.dsn");
    if (!saved || !editor::loadColourScheme(memory, *saved)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The input as an image.
    const std::string unpacked = editor::unpackData(input);
    if (unpacked.size() > editor::kUnpackLimit) __builtin_trap();
    load(input);

    // The input as a scheme text.
    const std::string packed = editor::packData(input);
    if (size * 2 <= editor::kUnpackLimit && size != 0 && editor::unpackData(packed) != input) __builtin_trap();
    load(packed);
    editor::textToInteger(input);

    // The first four bytes as the stored length of the built-in image.
    std::string image(editor::defaultColourScheme());
    for (size_t i = 0; i < 4 && i < size; ++i) image[4 + i] = static_cast<char>(data[i]);
    load(image);

    // The input as damage over the built-in image.
    image = std::string(editor::defaultColourScheme());
    for (size_t i = 0; i < size; ++i) image[(i % (image.size() - 8)) + 8] ^= static_cast<char>(data[i]);
    load(image);
    return 0;
}

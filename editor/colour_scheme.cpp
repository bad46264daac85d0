#include "editor/colour_scheme.h"

#include <optional>
#include <vector>

#include "editor/code_editor.h"
#include "editor/colour_slots.h"

namespace kovrel::editor {

// clang-format off
const std::array<unsigned char, 90> kDefaultColourSchemeImage = {
    0x0D, 0x0F, 0x3E, 0x03, 0x66, 0x00, 0x00, 0x00, 0x78, 0x9C, 0x45, 0x8B,
    0xBB, 0x0D, 0x80, 0x40, 0x0C, 0xC5, 0x7A, 0x24, 0x36, 0x49, 0x91, 0xDF,
    0x4B, 0xC8, 0x02, 0x4C, 0x02, 0x05, 0xF5, 0x35, 0xB0, 0x3D, 0x39, 0x1A,
    0x3A, 0x4B, 0xB6, 0x03, 0x30, 0x50, 0x40, 0x37, 0x26, 0x33, 0x56, 0xA3,
    0xCD, 0xB5, 0xA2, 0x82, 0x24, 0x52, 0xA4, 0x5A, 0xAA, 0x57, 0x85, 0x38,
    0x29, 0x7E, 0xEE, 0x48, 0xC0, 0x3E, 0xA3, 0xCC, 0xC6, 0x09, 0xEE, 0xC8,
    0x6F, 0xCB, 0xDE, 0x79, 0x5D, 0xF6, 0xEB, 0x3E, 0x8F, 0xF1, 0x0C, 0x12,
    0x7D, 0x01, 0x27, 0x20, 0x15, 0xDF,
};
// clang-format on

std::string_view defaultColourScheme() {
    return {reinterpret_cast<const char*>(kDefaultColourSchemeImage.data()), kDefaultColourSchemeImage.size()};
}

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kFieldSeparator = ",";

// Empty parts between separators count; one empty part after the last separator does not;
// an empty text has no parts.
std::vector<std::string_view> splitParts(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    if (text.empty()) return parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            if (start < text.size()) parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// GBK full-width forms to ASCII; other characters stay as they are.
std::string narrowFullWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0x81 && lead <= 0xFE && i + 1 < text.size()) {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                out.push_back(static_cast<char>(trail - 0x80));
            } else if (lead == 0xA1 && trail == 0xA1) {
                out.push_back(' ');
            } else {
                out.append(text.substr(i, 2));  // a double-byte character stops a number
            }
            ++i;
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

struct ParsedScheme {
    std::vector<uint32_t> colours;  // slots 1..colours.size()
    platform::FontChoice font;
};

std::optional<ParsedScheme> parseScheme(std::string_view bytes) {
    const std::string unpacked = unpackData(bytes);
    std::string_view text = unpacked;
    text = text.substr(0, text.find('\0'));

    const std::vector<std::string_view> lines = splitParts(text, kLineBreak);
    if (lines.size() < 2) return std::nullopt;
    const std::vector<std::string_view> colourFields = splitParts(lines[0], kFieldSeparator);
    if (colourFields.size() > static_cast<size_t>(kSlotCount)) return std::nullopt;
    const std::vector<std::string_view> fontFields = splitParts(lines[1], kFieldSeparator);
    if (fontFields.size() < 2) return std::nullopt;

    ParsedScheme scheme;
    for (std::string_view field : colourFields) scheme.colours.push_back(static_cast<uint32_t>(textToInteger(field)));
    scheme.font.name = std::string(fontFields[0]);  // as stored, no trimming
    scheme.font.pointSize = textToInteger(fontFields[1]);
    return scheme;
}

std::string decimal(int32_t value) { return std::to_string(value); }

}  // namespace

int32_t textToInteger(std::string_view gbkText) {
    const std::string text = narrowFullWidth(gbkText);
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t value = 0;  // wraps: any 32-bit value is a colour
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10u + uint32_t(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

bool loadColourScheme(platform::Platform& platform, std::string_view bytes) {
    if (bytes.empty()) return false;
    // Read everything first, so a malformed scheme leaves the pickers and the font alone.
    const std::optional<ParsedScheme> scheme = parseScheme(bytes);
    if (!scheme) return false;
    for (size_t i = 0; i < scheme->colours.size(); ++i)
        platform.ui.setColour(slotPicker(static_cast<int>(i) + 1), scheme->colours[i]);
    // The chooser takes the size first, then the name.
    platform::FontChoice font = platform.ui.font(kFontChooserName);
    font.pointSize = scheme->font.pointSize;
    platform.ui.setFont(kFontChooserName, font);
    font.name = scheme->font.name;
    platform.ui.setFont(kFontChooserName, font);
    return true;
}

std::string currentSchemeText(platform::Platform& platform) {
    std::string text;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (slot > 1) text += kFieldSeparator;
        text += decimal(static_cast<int32_t>(platform.ui.colour(slotPicker(slot))));
    }
    const platform::FontChoice font = platform.ui.font(kFontChooserName);
    text += kLineBreak;
    text += font.name;
    text += kFieldSeparator;
    text += decimal(font.pointSize);
    return text;
}

void saveColourScheme(platform::Platform& platform) {
    const std::string image = packData(currentSchemeText(platform));
    if (image.empty()) return;
    platform.files.writeAtomically(std::string(kSchemeFileName), image);
}

void restoreDefaultScheme(platform::Platform& platform) {
    loadColourScheme(platform, defaultColourScheme());
    applyColourScheme(platform);
}

void undoSchemeChanges(platform::Platform& platform) {
    const std::optional<std::string> bytes = platform.files.read(std::string(kSchemeFileName));
    if (!loadColourScheme(platform, bytes.value_or(std::string()))) loadColourScheme(platform, defaultColourScheme());
    applyColourScheme(platform);
}

void loadSchemeAtStartup(platform::Platform& platform) {
    const std::optional<std::string> bytes = platform.files.read(std::string(kSchemeFileName));
    if (!loadColourScheme(platform, bytes.value_or(std::string())))
        platform.ui.setFont(kFontChooserName, platform::FontChoice{std::string(kFallbackFontName), kFallbackFontSize});
}

}  // namespace kovrel::editor

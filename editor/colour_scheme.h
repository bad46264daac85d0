// The user's colour scheme in "data.dsn": twelve colours and the editor font, as the
// PackedData image of a two-line text ("c1,...,c12" CR LF "font name,size"), and the
// three buttons of 设置 that save, restore and reload it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/packed_data.h"
#include "platform/platform.h"

namespace kovrel::editor {

inline constexpr std::string_view kSchemeFileName = "data.dsn";
inline constexpr std::string_view kFallbackFontName = "Fixedsys";
inline constexpr int kFallbackFontSize = 12;

// packData of the default scheme text; unpacks to kDefaultSchemeText.
extern const std::array<unsigned char, 90> kDefaultColourSchemeImage;
std::string_view defaultColourScheme();
inline constexpr std::string_view kDefaultSchemeText =
    "65535,65280,33023,8429696,16711935,2499614,255,2499614,8421504,16777215,16744576,16776960\r\n"
    "Fixedsys,12";

// Full-width ASCII (GBK A3A1..A3FE, and the full-width blank A1A1) read as ASCII; then
// blanks, an optional sign and decimal digits up to the first other character. No digits
// gives 0; the value wraps to 32 bits, with no range check.
int32_t textToInteger(std::string_view gbkText);

// Reads a PackedData image of a scheme text into the twelve pickers and the font chooser,
// without applying it to the editor. A malformed scheme (empty or unpackable image, fewer
// than two lines, more than twelve colours, a font line without a size) gives false and
// changes nothing.
bool loadColourScheme(platform::Platform& platform, std::string_view bytes);

// The scheme text of what the pickers and the font chooser hold now (GBK).
std::string currentSchemeText(platform::Platform& platform);

// Handler of 按钮3保存色: packs the current scheme into "data.dsn". Nothing is reported.
void saveColourScheme(platform::Platform& platform);
// Handler of 按钮4默认: loads and applies the default scheme; the file stays as it is.
void restoreDefaultScheme(platform::Platform& platform);
// Handler of 按钮5撤销: reloads "data.dsn" (the default scheme when it cannot be read) and applies it.
void undoSchemeChanges(platform::Platform& platform);
// Start-up, before setUpCodeEditor: "data.dsn" into the pickers and chooser, or the font
// Fixedsys 12 with the pickers' own colours.
void loadSchemeAtStartup(platform::Platform& platform);

}  // namespace kovrel::editor

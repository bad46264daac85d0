// PackedData, the container of "data.dsn": a little-endian header (magic, uncompressed
// length) followed by a zlib stream of the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kovrel::editor {

inline constexpr uint32_t kPackedMagic = 0x033E0F0D;  // bytes 0D 0F 3E 03
inline constexpr size_t kPackedHeaderSize = 8;
// unpackData refuses images that would need more output room than this: a scheme text is
// about a hundred bytes, and the stored length must not decide how much memory we take.
inline constexpr size_t kUnpackLimit = 64 * 1024;

// Header plus the level-6 zlib stream of the data (header alone for no data); "" when the
// compression fails.
std::string packData(std::string_view data);

// The decompressed bytes of an image; "" on any failure (short, wrong magic, stored length
// giving no room or more room than kUnpackLimit, damaged or oversized stream).
std::string unpackData(std::string_view image);

}  // namespace kovrel::editor

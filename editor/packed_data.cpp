#include "editor/packed_data.h"

#include <zlib.h>

#include <algorithm>

namespace kovrel::editor {
namespace {

constexpr int kCompressionLevel = 6;
constexpr int kWindowBits = 15;
constexpr int kMemoryLevel = 8;

void putLittleEndian(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t getLittleEndian(std::string_view bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

}  // namespace

std::string packData(std::string_view data) {
    const size_t n = data.size();
    const size_t room = n + n / 1000 + 1024;
    // The header stores the length in 32 bits, and zlib counts in 32 bits.
    if (room > UINT32_MAX) return {};

    std::string image;
    image.reserve(kPackedHeaderSize + room);
    putLittleEndian(image, kPackedMagic);
    putLittleEndian(image, static_cast<uint32_t>(n));
    if (n == 0) return image;

    image.resize(kPackedHeaderSize + room);
    z_stream stream{};
    if (deflateInit2(&stream, kCompressionLevel, Z_DEFLATED, kWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(n);
    stream.next_out = reinterpret_cast<Bytef*>(image.data() + kPackedHeaderSize);
    stream.avail_out = static_cast<uInt>(room);
    const int result = deflate(&stream, Z_FINISH);
    const size_t written = stream.total_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END) return {};  // includes a stream that did not fit
    image.resize(kPackedHeaderSize + written);
    return image;
}

std::string unpackData(std::string_view image) {
    if (image.size() < kPackedHeaderSize || getLittleEndian(image, 0) != kPackedMagic) return {};

    // Twice the stored length, wrapped to 32 bits and read as signed, as the format has it.
    const int32_t room = static_cast<int32_t>(getLittleEndian(image, 4) * 2u);
    if (room <= 0 || static_cast<size_t>(room) > kUnpackLimit) return {};

    std::string out(static_cast<size_t>(room), '\0');
    z_stream stream{};
    if (inflateInit2(&stream, kWindowBits) != Z_OK) return {};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(image.data() + kPackedHeaderSize));
    // An image past 4 GiB is cut short here and then fails as a truncated stream.
    stream.avail_in = static_cast<uInt>(std::min<size_t>(image.size() - kPackedHeaderSize, UINT32_MAX));
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(room);
    // One call that must reach the stream's end within the room.
    const int result = inflate(&stream, Z_FINISH);
    const size_t produced = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END) return {};
    out.resize(produced);
    return out;
}

}  // namespace kovrel::editor

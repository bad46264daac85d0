#include "editor/packed_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/colour_scheme.h"

namespace kovrel::editor {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

std::string hex(std::string_view data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : data) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

// The built-in image, written out independently of the program's copy.
const std::string kDefaultImage = bytes({
    0x0D, 0x0F, 0x3E, 0x03, 0x66, 0x00, 0x00, 0x00, 0x78, 0x9C, 0x45, 0x8B, 0xBB, 0x0D, 0x80, 0x40, 0x0C, 0xC5,
    0x7A, 0x24, 0x36, 0x49, 0x91, 0xDF, 0x4B, 0xC8, 0x02, 0x4C, 0x02, 0x05, 0xF5, 0x35, 0xB0, 0x3D, 0x39, 0x1A,
    0x3A, 0x4B, 0xB6, 0x03, 0x30, 0x50, 0x40, 0x37, 0x26, 0x33, 0x56, 0xA3, 0xCD, 0xB5, 0xA2, 0x82, 0x24, 0x52,
    0xA4, 0x5A, 0xAA, 0x57, 0x85, 0x38, 0x29, 0x7E, 0xEE, 0x48, 0xC0, 0x3E, 0xA3, 0xCC, 0xC6, 0x09, 0xEE, 0xC8,
    0x6F, 0xCB, 0xDE, 0x79, 0x5D, 0xF6, 0xEB, 0x3E, 0x8F, 0xF1, 0x0C, 0x12, 0x7D, 0x01, 0x27, 0x20, 0x15, 0xDF,
});
const std::string kDefaultText =
    "65535,65280,33023,8429696,16711935,2499614,255,2499614,8421504,16777215,16744576,16776960\r\nFixedsys,12";

TEST(PackedData, DefaultSchemeTextPacksToTheBuiltInImage) {
    EXPECT_EQ(kDefaultImage.size(), 90u);
    EXPECT_EQ(hex(packData(kDefaultText)), hex(kDefaultImage));
    EXPECT_EQ(hex(defaultColourScheme()), hex(kDefaultImage));
    EXPECT_EQ(kDefaultSchemeText, kDefaultText);
    EXPECT_EQ(unpackData(kDefaultImage), kDefaultText);
}

TEST(PackedData, NoDataPacksToTheHeaderAlone) {
    EXPECT_EQ(hex(packData("")), hex(bytes({0x0D, 0x0F, 0x3E, 0x03, 0, 0, 0, 0})));
}

TEST(PackedData, RoundTrips) {
    std::string binary;
    for (int i = 0; i < 3000; ++i) binary.push_back(static_cast<char>((i * 7919) >> 3));
    const std::string incompressible = [] {
        std::string s;
        uint32_t x = 12345;
        for (int i = 0; i < 20000; ++i) {
            x = x * 1103515245u + 12345u;
            s.push_back(static_cast<char>(x >> 24));
        }
        return s;
    }();
    struct Case {
        const char* name;
        std::string data;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name              data
        {"one byte",         "x"},
        {"zero bytes inside", std::string("a\0b\0", 4)},
        {"scheme text",      kDefaultText},
        {"gbk font name",    "1,2,3\r\n\xCB\xCE\xCC\xE5,9"},
        {"binary",           binary},
        {"incompressible",   incompressible},
        // clang-format on
    };
    for (const Case& c : cases) {
        const std::string image = packData(c.data);
        ASSERT_GE(image.size(), kPackedHeaderSize) << c.name;
        EXPECT_EQ(image.substr(0, 4), bytes({0x0D, 0x0F, 0x3E, 0x03})) << c.name;
        const uint32_t stored =
            uint8_t(image[4]) | uint8_t(image[5]) << 8 | uint8_t(image[6]) << 16 | uint32_t(uint8_t(image[7])) << 24;
        EXPECT_EQ(stored, c.data.size()) << c.name;
        EXPECT_EQ(unpackData(image), c.data) << c.name;
    }
}

std::string withStoredLength(std::string image, uint32_t length) {
    for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<char>(length >> (8 * i));
    return image;
}

TEST(PackedData, UnpackingRefusesDamagedImages) {
    std::string flippedStream = kDefaultImage;
    flippedStream[30] = static_cast<char>(flippedStream[30] ^ 0x40);
    std::string badChecksum = kDefaultImage;
    badChecksum.back() = static_cast<char>(badChecksum.back() ^ 1);
    std::string badZlibHeader = kDefaultImage;
    badZlibHeader[8] = 0x79;
    struct Case {
        const char* name;
        std::string image;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name                               image
        {"empty",                             ""},
        {"seven bytes",                       kDefaultImage.substr(0, 7)},
        {"header only, length 0",             bytes({0x0D, 0x0F, 0x3E, 0x03, 0, 0, 0, 0})},
        {"header only, length 102",           kDefaultImage.substr(0, 8)},
        {"wrong first byte",                  bytes({0x0E}) + kDefaultImage.substr(1)},
        {"wrong last magic byte",             kDefaultImage.substr(0, 3) + bytes({0x04}) + kDefaultImage.substr(4)},
        {"stream cut in half",                kDefaultImage.substr(0, 50)},
        {"stream without checksum",           kDefaultImage.substr(0, 86)},
        {"stream one byte short",             kDefaultImage.substr(0, 89)},
        {"damaged deflate data",              flippedStream},
        {"damaged checksum",                  badChecksum},
        {"not a zlib header",                 badZlibHeader},
        {"room too small for the text",       withStoredLength(kDefaultImage, 50)},
        {"stored length makes room negative", withStoredLength(kDefaultImage, 0x40000000)},
        {"stored length 0xFFFFFFFF",          withStoredLength(kDefaultImage, 0xFFFFFFFF)},
        {"room wraps to 2",                   withStoredLength(kDefaultImage, 0x80000001)},
        {"room of a gigabyte",                withStoredLength(kDefaultImage, 0x20000000)},
        {"room just past the limit",          withStoredLength(kDefaultImage, kUnpackLimit / 2 + 1)},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(unpackData(c.image), "") << c.name;
}

TEST(PackedData, UnpackingDoesNotCompareTheStoredLength) {
    struct Case {
        const char* name;
        uint32_t storedLength;
    };
    const std::vector<Case> cases = {
        // clang-format off
        // name                          stored length
        {"room exactly the text",        51},
        {"stored length larger",         4000},
        {"room exactly the limit",       kUnpackLimit / 2},
        {"room wraps to just the text",  0x80000033},
        // clang-format on
    };
    for (const Case& c : cases)
        EXPECT_EQ(unpackData(withStoredLength(kDefaultImage, c.storedLength)), kDefaultText) << c.name;
}

TEST(PackedData, TrailingBytesAfterTheStreamAreIgnored) {
    EXPECT_EQ(unpackData(kDefaultImage + "trailing"), kDefaultText);
}

}  // namespace
}  // namespace kovrel::editor

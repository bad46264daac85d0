#include "platform/encoding.h"

#include <gtest/gtest.h>

using kovrel::platform::gbkToUtf8;
using kovrel::platform::utf8ToGbk;

TEST(Encoding, ConvertsBothWays) {
    struct Case {
        const char* utf8;
        const char* gbk;
    } cases[] = {
        // clang-format off
        {"", ""},
        {"mov eax,1", "mov eax,1"},
        {"汇编", "\xBB\xE3\xB1\xE0"},
        {"共：5 字节", "\xB9\xB2\xA3\xBA" "5 \xD7\xD6\xBD\xDA"},
        {"\xE3\x80\x80", "\xA1\xA1"},  // full-width space
        {"１８４", "\xA3\xB1\xA3\xB8\xA3\xB4"},
        // clang-format on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8ToGbk(c.utf8), c.gbk) << c.utf8;
        EXPECT_EQ(gbkToUtf8(c.gbk), c.utf8) << c.utf8;
    }
}

TEST(Encoding, ReplacesWhatCannotBeConverted) {
    EXPECT_EQ(utf8ToGbk("a\xF0\x9F\x98\x80"
                        "b"),
              "a?b");  // emoji: not in code page 936
    EXPECT_EQ(utf8ToGbk("a\xFF"
                        "b"),
              "a?b");                                // malformed UTF-8
    EXPECT_EQ(gbkToUtf8("a\x81"), "a\xEF\xBF\xBD");  // lone lead byte at the end
}

// Conversions between UTF-8 (source files, XML feeds, the toolkit) and GBK (code page 936),
// the encoding every text of the core is in.
#pragma once

#include <string>
#include <string_view>

namespace kovrel::platform {

// Characters that code page 936 cannot hold become "?", its default character; malformed
// UTF-8 sequences likewise.
std::string utf8ToGbk(std::string_view utf8);
// Malformed GBK sequences become U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

// The core writes its Chinese texts as UTF-8 literals and takes them through here.
inline std::string gbk(std::string_view utf8) { return utf8ToGbk(utf8); }

}  // namespace kovrel::platform

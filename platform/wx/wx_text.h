// Texts cross between the core (GBK bytes, CR LF line ends) and the toolkit (wxString,
// LF line ends) only through here.
#pragma once

#include <string>
#include <string_view>

#include <wx/string.h>

namespace kovrel::platform {

// GBK bytes to the toolkit's string; malformed bytes become U+FFFD rather than an empty text.
wxString gbkToWx(std::string_view gbk);
// Characters code page 936 cannot hold become "?".
std::string wxToGbk(const wxString& text);

// "\r\n" -> "\n" for the toolkit's text boxes and clipboard, and back.
std::string toLf(std::string_view crlf);
std::string toCrLf(std::string_view lf);

}  // namespace kovrel::platform

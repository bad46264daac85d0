#include "platform/wx/wx_text.h"

#include "platform/encoding.h"

namespace kovrel::platform {

// The shared iconv CP936 converters are used instead of wxCSConv: wxCSConv gives up on the
// whole text at the first malformed byte, and the core shows arbitrary bytes as text.
wxString gbkToWx(std::string_view gbk) {
    const std::string utf8 = gbkToUtf8(gbk);
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

std::string wxToGbk(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return utf8ToGbk(std::string_view(utf8.data(), utf8.length()));
}

std::string toLf(std::string_view crlf) {
    std::string out;
    out.reserve(crlf.size());
    for (size_t i = 0; i < crlf.size(); ++i) {
        if (crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n') continue;
        out.push_back(crlf[i]);
    }
    return out;
}

std::string toCrLf(std::string_view lf) {
    std::string out;
    out.reserve(lf.size() + lf.size() / 16);
    for (size_t i = 0; i < lf.size(); ++i) {
        if (lf[i] == '\n' && (i == 0 || lf[i - 1] != '\r')) out.push_back('\r');
        out.push_back(lf[i]);
    }
    return out;
}

}  // namespace kovrel::platform

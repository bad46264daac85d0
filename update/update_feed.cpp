#include "update/update_feed.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/encoding.h"

namespace kovrel::update {
namespace {

using platform::gbk;

#ifndef KOVREL_DEFAULT_UPDATE_SERVER
#define KOVREL_DEFAULT_UPDATE_SERVER "update.kovrel.invalid"
#endif

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

size_t skipDigits(std::string_view s, size_t i) {
    while (i < s.size() && isDigit(s[i])) ++i;
    return i;
}

}  // namespace

std::string versionCaption() {
    // At most 13 significant digits and no trailing zeros: "3.2".
    char version[32];
    auto written =
        std::to_chars(version, version + sizeof version, kApplicationVersion, std::chars_format::general, 13);
    return gbk("Kovrel" + std::string(50, ' ') + "版本号：" + std::string(version, written.ptr));
}

std::string updateServer() {
    const char* configured = std::getenv(kUpdateServerVariable);
    if (configured && *configured) return configured;
    return KOVREL_DEFAULT_UPDATE_SERVER;
}

std::string feedUrl(std::string_view server) { return "http://" + std::string(server) + std::string(kFeedPath); }

std::string fullWidthToAscii(std::string_view text) {
    // Mapped in Unicode, where the full-width block lines up with ASCII one to one.
    std::string utf8 = platform::gbkToUtf8(text);
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 == 0xE3 && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
            static_cast<unsigned char>(utf8[i + 2]) == 0x80) {
            out += ' ';  // U+3000
            i += 2;
            continue;
        }
        if (b0 == 0xEF && i + 2 < utf8.size()) {
            auto b1 = static_cast<unsigned char>(utf8[i + 1]);
            auto b2 = static_cast<unsigned char>(utf8[i + 2]);
            unsigned code = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
            if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && code >= 0xFF01 && code <= 0xFF5E) {
                out += static_cast<char>(code - 0xFF01 + 0x21);
                i += 2;
                continue;
            }
        }
        out += utf8[i];
    }
    return platform::utf8ToGbk(out);
}

double readVersionNumber(std::string_view text) {
    std::string ascii = fullWidthToAscii(text);
    std::string_view s = ascii;
    size_t i = 0;
    while (i < s.size() && isBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    size_t start = i;
    size_t end = skipDigits(s, i);
    bool digits = end > start;
    if (end < s.size() && s[end] == '.') {
        size_t fraction = skipDigits(s, end + 1);
        digits = digits || fraction > end + 1;
        end = fraction;
    }
    if (!digits) return 0.0;
    if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
        size_t e = end + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
        size_t exponentEnd = skipDigits(s, e);
        if (exponentEnd > e) end = exponentEnd;
    }
    std::string_view number = s.substr(start, end - start);
    double value = 0.0;
    auto [ptr, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    (void)ptr;
    if (error == std::errc::result_out_of_range) {
        // Like strtod: too large becomes infinity, too small becomes zero.
        size_t e = number.find_first_of("eE");
        bool tiny = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

bool isNewerVersion(double version) { return version - kApplicationVersion > kNewerThreshold; }

std::string updaterCommandLine(const platform::XmlDocument& feed, std::string_view runDirectory, char separator) {
    auto word = [&](std::string_view attribute) {
        return platform::gbkToUtf8(feed.attribute(gbk(kFeedElementPath), gbk(attribute)));
    };
    std::string line(runDirectory);
    line += separator;
    line += kUpdaterFolderName;
    line += separator;
    line += kUpdaterFileName;
    line += " 甲乙丙丁";
    line += ' ' + word(kAddressAttribute);
    line += ' ' + word(kTitleAttribute);
    line += " 运行 ";
    line += kConverterFileName;
    line += ' ' + word(kFileNameAttribute);
    line += ' ' + word(kNotesAttribute);
    return line;
}

}  // namespace kovrel::update

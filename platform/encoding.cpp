#include "platform/encoding.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace kovrel::platform {
namespace {

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
size_t utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

size_t gbkSequenceLength(unsigned char lead) { return lead >= 0x81 && lead <= 0xFE ? 2 : 1; }

// Converts with iconv, replacing each unconvertible input sequence by `replacement`.
std::string convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    size_t (*sequenceLength)(unsigned char)) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: skip one input sequence and write the replacement.
        size_t skip = std::min(srcLeft, sequenceLength(static_cast<unsigned char>(*src)));
        src += skip;
        srcLeft -= skip;
        out.append(replacement);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) { return convert("CP936", "UTF-8", utf8, "?", utf8SequenceLength); }

std::string gbkToUtf8(std::string_view gbk) {
    return convert("UTF-8", "CP936", gbk, "\xEF\xBF\xBD", gbkSequenceLength);
}

}  // namespace kovrel::platform

#include "app/machine_code_text.h"

namespace kovrel::app {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

inline uint8_t byteAt(std::string_view text, size_t i) { return static_cast<uint8_t>(text[i]); }

inline bool isLeadByte(uint8_t b) { return b >= 0x81 && b <= 0xFE; }

// Length of the space starting at text[i]: 1 for " ", 2 for the full-width space, else 0.
inline size_t spaceAt(std::string_view text, size_t i) {
    if (text[i] == ' ') return 1;
    if (byteAt(text, i) == 0xA1 && i + 1 < text.size() && byteAt(text, i + 1) == 0xA1) return 2;
    return 0;
}

inline bool startsAt(std::string_view text, size_t i, std::string_view part) {
    return text.size() - i >= part.size() && text.compare(i, part.size(), part) == 0;
}

// Index of `c` in the digit table, or -2 when absent.
inline int hexDigitValue(char c, bool ignoreCase) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (ignoreCase && c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -2;
}

inline uint8_t wrapToByte(long long value) { return static_cast<uint8_t>(((value % 256) + 256) % 256); }

// Walks the segments of split() without building them.
template <typename Visit>
void forEachSegment(std::string_view text, std::string_view separator, Visit&& visit) {
    if (text.empty()) return;
    if (separator.empty()) {
        visit(text);
        return;
    }
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (startsAt(text, i, separator)) {
            visit(text.substr(start, i - start));
            i += separator.size();
            start = i;
        } else {
            i += characterLength(text, i);
        }
    }
    if (start < text.size()) visit(text.substr(start));
}

}  // namespace

size_t characterLength(std::string_view text, size_t i) {
    return isLeadByte(byteAt(text, i)) && i + 1 < text.size() ? 2 : 1;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> segments;
    forEachSegment(text, separator, [&](std::string_view segment) { segments.push_back(segment); });
    return segments;
}

size_t countSegments(std::string_view text, std::string_view separator) {
    size_t count = 0;
    forEachSegment(text, separator, [&](std::string_view) { ++count; });
    return count;
}

long long find(std::string_view text, std::string_view part) {
    if (part.empty()) return -1;
    for (size_t i = 0; i < text.size(); i += characterLength(text, i)) {
        if (startsAt(text, i, part)) return static_cast<long long>(i) + 1;
    }
    return -1;
}

long long findLast(std::string_view text, std::string_view part) {
    long long last = -1;
    if (part.empty()) return last;
    for (size_t i = 0; i < text.size(); i += characterLength(text, i)) {
        if (startsAt(text, i, part)) last = static_cast<long long>(i) + 1;
    }
    return last;
}

bool contains(std::string_view text, std::string_view part) { return find(text, part) != -1; }

std::string_view trimStart(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const size_t n = spaceAt(text, i);
        if (n == 0) break;
        i += n;
    }
    return text.substr(i);
}

std::string_view trimBothEnds(std::string_view text) {
    text = trimStart(text);
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t n = spaceAt(text, i);
        if (n != 0) {
            i += n;
        } else {
            i += characterLength(text, i);
            end = i;
        }
    }
    return text.substr(0, end);
}

std::string removeSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = spaceAt(text, i);
        if (n != 0) {
            i += n;
            continue;
        }
        const size_t len = characterLength(text, i);
        out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    if (from.empty()) return std::string(text);
    for (size_t i = 0; i < text.size();) {
        if (startsAt(text, i, from)) {
            out.append(to);
            i += from.size();
        } else {
            const size_t len = characterLength(text, i);
            out.append(text.substr(i, len));
            i += len;
        }
    }
    return out;
}

uint8_t textToByte(std::string_view text) {
    enum { kLeadingSpace, kSign, kDigits } phase = kLeadingSpace;
    bool negative = false;
    unsigned value = 0;
    for (size_t i = 0; i < text.size();) {
        // Full-width ASCII reads as ASCII; any other double-byte character ends the number.
        int c;
        size_t len = characterLength(text, i);
        if (len == 2) {
            const uint8_t lead = byteAt(text, i), trail = byteAt(text, i + 1);
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) c = trail & 0x7F;
            else if (lead == 0xA1 && trail == 0xA1) c = ' ';
            else c = -1;
        } else {
            c = byteAt(text, i);
        }
        i += len;
        if (phase == kLeadingSpace) {
            if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') continue;
            phase = kSign;
        }
        if (phase == kSign) {
            phase = kDigits;
            if (c == '+' || c == '-') {
                negative = c == '-';
                continue;
            }
        }
        if (c < '0' || c > '9') break;
        value = (value * 10 + static_cast<unsigned>(c - '0')) % 256;
    }
    return static_cast<uint8_t>(negative ? (256 - value) % 256 : value);
}

std::string toUpperCase(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(out[i]);
        if (b >= 0x80) ++i;  // the trail byte stays even when it looks like a letter
        else if (b >= 'a' && b <= 'z') out[i] = static_cast<char>(b - 'a' + 'A');
    }
    return out;
}

std::string toLowerCase(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(out[i]);
        if (b >= 0x80) ++i;
        else if (b >= 'A' && b <= 'Z') out[i] = static_cast<char>(b - 'A' + 'a');
    }
    return out;
}

std::string bytesAsText(const Bytes& bytes) {
    std::string out;
    for (uint8_t b : bytes) {
        if (b == 0) break;
        out.push_back(static_cast<char>(b));
    }
    return out;
}

std::string formatByteSetLiteral(const Bytes& bytes) {
    if (bytes.empty()) return "{ }";
    std::string out;
    out.reserve(bytes.size() * 4 + 2);
    out.push_back('{');
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) out.push_back(',');
        const unsigned b = bytes[i];
        if (b >= 100) out.push_back(static_cast<char>('0' + b / 100));
        if (b >= 10) out.push_back(static_cast<char>('0' + b / 10 % 10));
        out.push_back(static_cast<char>('0' + b % 10));
    }
    out.push_back('}');
    return out;
}

std::string formatHexByteText(const Bytes& bytes) {
    std::string out;
    if (bytes.empty()) return out;
    out.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) out.push_back(' ');
        out.push_back(kHexDigits[bytes[i] >> 4]);
        out.push_back(kHexDigits[bytes[i] & 15]);
    }
    return out;
}

std::string hexDigitPair(uint8_t byte) { return {kHexDigits[byte >> 4], kHexDigits[byte & 15]}; }

namespace {

// The inner text of a literal, or false when the braces are not where they must be.
bool literalInner(std::string_view text, std::string_view& inner) {
    if (text.size() < 2 || text.front() != '{' || text.back() != '}') return false;
    inner = text.substr(1, text.size() - 2);
    return true;
}

}  // namespace

Bytes parseByteSetLiteral(std::string_view text, const PendingEvents& pendingEvents) {
    Bytes bytes;
    std::string_view inner;
    if (!literalInner(text, inner)) return bytes;
    forEachSegment(inner, ",", [&](std::string_view segment) {
        bytes.push_back(textToByte(segment));
        if (pendingEvents) pendingEvents();
    });
    return bytes;
}

size_t countByteSetLiteral(std::string_view text, const PendingEvents& pendingEvents) {
    size_t count = 0;
    std::string_view inner;
    if (!literalInner(text, inner)) return count;
    forEachSegment(inner, ",", [&](std::string_view) {
        ++count;
        if (pendingEvents) pendingEvents();
    });
    return count;
}

Bytes readByteList(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        // A brace that is the trail byte of a double-byte character is part of that character.
        const size_t len = characterLength(text, i);
        if (len == 2 || (text[i] != '{' && text[i] != '}')) plain.append(text.substr(i, len));
        i += len;
    }
    Bytes bytes;
    forEachSegment(plain, ",", [&](std::string_view segment) { bytes.push_back(textToByte(segment)); });
    return bytes;
}

Bytes parseHexByteText(std::string_view text) {
    const std::string digits = removeSpaces(text);
    Bytes bytes;
    bytes.reserve(digits.size() / 2);
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        const int high = hexDigitValue(digits[i], false);
        const int low = hexDigitValue(digits[i + 1], false);
        bytes.push_back(wrapToByte(high * 16 + low));
    }
    return bytes;
}

size_t countHexByteText(std::string_view text) { return removeSpaces(text).size() / 2; }

std::string hexPairValue(std::string_view group) {
    // Groups are one or two digits; longer ones wrap rather than overflow.
    uint64_t value = 0;
    for (char c : group) value = value * 16 + static_cast<uint64_t>(static_cast<int64_t>(hexDigitValue(c, true)));
    return std::to_string(static_cast<int64_t>(value));
}

std::string hexTextToByteSetLiteral(std::string_view text) {
    const std::string digits = removeSpaces(text);
    const size_t n = digits.size();
    std::string out;
    out.reserve(n * 2 + 2);
    out.push_back('{');
    for (size_t i = 1; i <= n; i += 2) {
        out += hexPairValue(std::string_view(digits).substr(i - 1, 2));
        if (i + 1 != n) out.push_back(',');
    }
    out.push_back('}');
    return out;
}

std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace kovrel::app

// Turns the engine's listing text into text its assembler reads back.
#pragma once

#include <cctype>
#include <string>

namespace kovrel::testing {

// The listing writes hexadecimal numbers without the leading 0 that the assembler needs before
// a letter (A, FFFFFFF0); this puts it in, and changes nothing else.
inline std::string withLeadingZeros(const char* text) {
    std::string out;
    const char* p = text;
    // Prefix words and the mnemonic are names, never numbers.
    for (;;) {
        const char* word = p;
        while (*p && *p != ' ') ++p;
        const std::string w(word, size_t(p - word));
        out += w;
        if (*p) out += *p++;
        if (w != "LOCK" && w != "REP" && w != "REPE" && w != "REPNE" && w != "lock" && w != "rep" && w != "repe" &&
            w != "repne")
            break;
    }
    while (*p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) {
            const char* start = p;
            bool hex = true;
            while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_') {
                hex = hex && std::isxdigit(static_cast<unsigned char>(*p));
                ++p;
            }
            if (hex && !std::isdigit(static_cast<unsigned char>(*start))) out += '0';
            out.append(start, size_t(p - start));
        } else {
            out += *p++;
        }
    }
    return out;
}

}  // namespace kovrel::testing

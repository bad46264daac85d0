// Text building for the listing: a cursor into one of the record's 256-character
// buffers, and the fixed message texts. Every listing text is bounded well below 256
// characters by the command formats, so the cursor writes without checks.
#pragma once

#include <cstdint>

namespace zandrel {

struct TextCursor {
    char* text;
    int length;

    void put(char c) { text[length++] = c; }
    void put(const char* s) {
        while (*s) text[length++] = *s++;
    }
    void padTo(int width) {
        while (length < width) text[length++] = ' ';
    }
    void finish() { text[length] = '\0'; }

    // Two upper-case hexadecimal digits.
    void hexByte(uint8_t b) {
        text[length++] = kHexDigits[b >> 4];
        text[length++] = kHexDigits[b & 15];
    }
    // Exactly `digits` hexadecimal digits, leading zeros kept.
    void hexFixed(uint32_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text[length++] = kHexDigits[(value >> shift) & 15];
    }
    // Hexadecimal without leading zeros ("0" for zero).
    void hex(uint32_t value) {
        int digits = 1;
        for (uint32_t v = value >> 4; v; v >>= 4) ++digits;
        hexFixed(value, digits);
    }
    void decimal(uint32_t value) {
        char digits[10];
        int n = 0;
        do {
            digits[n++] = char('0' + value % 10);
            value /= 10;
        } while (value);
        while (n) text[length++] = digits[--n];
    }
    // Letters A-Z written from `from` on become a-z.
    void lowerFrom(int from) {
        for (int i = from; i < length; ++i)
            if (text[i] >= 'A' && text[i] <= 'Z') text[i] = char(text[i] + ('a' - 'A'));
    }

    static constexpr char kHexDigits[] = "0123456789ABCDEF";
};

// Comment for a DisasmError code ("Unknown error" for codes outside the list).
const char* ErrorComment(int errorCode);

// The first warning comment that applies, or "" when none does.
const char* WarningComment(unsigned warningFlags, uint8_t commandType);

// Name of a prefix byte as the repeated-prefix text spells it ("DATASIZE", "ES", ...).
const char* PrefixName(uint8_t prefix);

}  // namespace zandrel

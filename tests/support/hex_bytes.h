// "8B 45 08" -> {0x8B, 0x45, 0x08}, for byte cases written as text.
#pragma once

#include <sstream>
#include <vector>

namespace kovrel::testing {

inline std::vector<unsigned char> parseHex(const char* text) {
    std::vector<unsigned char> out;
    std::istringstream in(text);
    unsigned value;
    while (in >> std::hex >> value) out.push_back(static_cast<unsigned char>(value));
    return out;
}

}  // namespace kovrel::testing

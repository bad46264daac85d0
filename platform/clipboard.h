// The system clipboard, plain text only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kovrel::platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The clipboard's text; nullopt when it holds no text or cannot be opened.
    virtual std::optional<std::string> text() = 0;
    // Empties the clipboard and puts the text on it; false when it cannot be opened.
    virtual bool setText(std::string_view text) = 0;
};

}  // namespace kovrel::platform

// Message boxes and the clipboard on wxWidgets.
#pragma once

#include <functional>

#include "platform/clipboard.h"
#include "platform/dialogs.h"

namespace kovrel::platform {

class WxDialogs final : public Dialogs {
public:
    int messageBox(std::string_view text, int style, std::string_view title = kDefaultMessageTitle) override;
    void timedMessageBox(std::string_view text, std::string_view title, int milliseconds) override;

    // Told when a box opens (true) and closes (false); the test dump listens here.
    std::function<void(std::string_view title, std::string_view text, bool open)> observer;
};

class WxClipboard final : public Clipboard {
public:
    std::optional<std::string> text() override;
    bool setText(std::string_view text) override;
};

}  // namespace kovrel::platform

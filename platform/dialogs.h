// Modal message boxes with Windows message-box style numbers.
#pragma once

#include <string>
#include <string_view>

namespace kovrel::platform {

enum MessageStyle : int {
    kStyleOk = 0,
    kStyleOkCancelQuestion = 33,
    kStyleInformation = 64,
    kStyleOkCancelInformation = 65,
};

// "信息：" in GBK, like every text handed to the dialogs.
inline constexpr std::string_view kDefaultMessageTitle = "\xD0\xC5\xCF\xA2\xA3\xBA";
inline constexpr int kMessageOk = 0;
inline constexpr int kMessageCancel = 1;

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Task-modal box without owner; 0 for OK, 1 for Cancel.
    virtual int messageBox(std::string_view text, int style, std::string_view title = kDefaultMessageTitle) = 0;
    // Like style 0, closing itself after the given time.
    virtual void timedMessageBox(std::string_view text, std::string_view title, int milliseconds) = 0;
};

}  // namespace kovrel::platform

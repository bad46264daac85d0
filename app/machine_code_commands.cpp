#include "app/machine_code_commands.h"

#include <memory>

#include "app/names.h"
#include "platform/encoding.h"

namespace kovrel::app {

namespace {

constexpr uint32_t kEventPumpMilliseconds = 20;

std::string countCaption(size_t count, std::string_view suffix) {
    return platform::gbk(kCountPrefix) + std::to_string(count) + platform::gbk(suffix);
}

bool hasCapitalLetter(std::string_view text) {
    for (size_t i = 0; i < text.size(); i += characterLength(text, i)) {
        if (text[i] >= 'A' && text[i] <= 'Z') return true;
    }
    return false;
}

}  // namespace

std::string boxText(AppContext& context, std::string_view box) { return withCrLf(context.platform.ui.text(box)); }

PendingEvents pendingEventsPump(AppContext& context) {
    platform::Platform* p = &context.platform;
    auto last = std::make_shared<uint32_t>(p->system.tickCount());
    return [p, last] {
        const uint32_t now = p->system.tickCount();
        if (now - *last < kEventPumpMilliseconds) return;
        *last = now;
        p->ui.processPendingEvents();
    };
}

void updateByteCountLabel(AppContext& context) {
    const std::string text = boxText(context, kMachineCodeBox);
    size_t count = countByteSetLiteral(text, pendingEventsPump(context));
    if (count == 0) count = countHexByteText(text);
    context.platform.ui.setText(kByteCountLabel, countCaption(count, kBytesSuffix));
}

void updateLineCountLabel(AppContext& context) {
    // The same segments the assemble command cuts the text into.
    const size_t count = countSegments(boxText(context, kAssemblyBox), "\r\n");
    context.platform.ui.setText(kLineCountLabel, countCaption(count, kLinesSuffix));
}

void switchToDecimal(AppContext& context) {
    platform::Ui& ui = context.platform.ui;
    std::string text = boxText(context, kMachineCodeBox);
    if (!contains(text, "{") && hasCapitalLetter(text)) {
        ui.setText(kMachineCodeBox, formatByteSetLiteral(parseHexByteText(trimBothEnds(text))));
        text = boxText(context, kMachineCodeBox);
    }
    if (contains(text, "A")) return;
    std::string completed = text;
    if (completed.empty() || completed.front() != '{') completed = "{" + completed;
    if (!contains(completed, "}")) completed.push_back('}');
    if (completed != text) ui.setText(kMachineCodeBox, completed);
}

void switchToHex(AppContext& context) {
    const std::string text = boxText(context, kMachineCodeBox);
    if (!contains(text, "{")) return;
    const Bytes bytes = parseByteSetLiteral(trimStart(text), pendingEventsPump(context));
    context.platform.ui.setText(kMachineCodeBox, formatHexByteText(bytes));
}

void showBytesAsText(AppContext& context) {
    const Bytes bytes = parseByteSetLiteral(boxText(context, kMachineCodeBox), pendingEventsPump(context));
    context.platform.dialogs.messageBox(bytesAsText(bytes), kMsgBytesAsText.style,
                                        platform::gbk(kMsgBytesAsText.title));
}

}  // namespace kovrel::app

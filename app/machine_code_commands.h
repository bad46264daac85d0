// The small commands built directly on the machine-code text forms: the two count labels,
// the two radio buttons and "转换成汉字".
#pragma once

#include <string>
#include <string_view>

#include "app/app_context.h"
#include "app/machine_code_text.h"

namespace kovrel::app {

// Text change of 编辑框2机器码: 标签14 shows the byte count.
void updateByteCountLabel(AppContext& context);
// Text change of 编辑框1汇编: 标签13 shows the line count.
void updateLineCountLabel(AppContext& context);
// 单选框1十进制 clicked: hex text becomes a ByteSetLiteral, braces are completed.
void switchToDecimal(AppContext& context);
// 单选框2十六进制 clicked: a ByteSetLiteral becomes hex text.
void switchToHex(AppContext& context);
// "转换成汉字": the bytes of the literal shown as text.
void showBytesAsText(AppContext& context);

// The text of an edit box with CR LF line breaks.
std::string boxText(AppContext& context, std::string_view box);
// Keeps the window answering during a long conversion: processes pending events at most
// every 20 ms of the system clock.
PendingEvents pendingEventsPump(AppContext& context);

}  // namespace kovrel::app

#include "app/assemble_command.h"

#include <algorithm>
#include <string>

#include "app/companion_files.h"
#include "app/machine_code_commands.h"
#include "app/names.h"
#include "platform/encoding.h"

namespace kovrel::app {

void setEngineOptions(AppContext& context) {
    if (!ensureEngineLoaded(context)) return;
    context.engine.setOptions(0, 0, 0, 1);
}

Bytes assembleLine(AppContext& context, std::string_view line) {
    setEngineOptions(context);
    AsmModel model{};
    char errorText[256] = {};
    int length = 0;
    // The engine reads a NUL-terminated line.
    const std::string text(line);
    if (ensureEngineLoaded(context)) {
        length = context.engine.assemble(text.c_str(), kAssembleAddress, &model, 0, 0, errorText);
    }
    if (length > 0) {
        const size_t n = std::min<size_t>(static_cast<size_t>(length), sizeof model.codeBytes);
        return Bytes(model.codeBytes, model.codeBytes + n);
    }
    context.platform.dialogs.messageBox(platform::gbk(kMsgBadCommand.text) + text, kMsgBadCommand.style,
                                        platform::gbk(kMsgBadCommand.title));
    return {};
}

void assembleCommand(AppContext& context) {
    platform::Ui& ui = context.platform.ui;
    // "|" separates commands exactly like a line break.
    const std::string text = replaceAll(boxText(context, kAssemblyBox), "|", "\r\n");
    Bytes code;
    for (std::string_view segment : split(text, "\r\n")) {
        const Bytes bytes = assembleLine(context, trimBothEnds(segment));
        if (bytes.empty()) {
            code.clear();
            break;
        }
        code.insert(code.end(), bytes.begin(), bytes.end());
    }
    ui.setText(kMachineCodeBox, ui.checked(kDecimalRadio) ? formatByteSetLiteral(code) : formatHexByteText(code));
}

}  // namespace kovrel::app

#include "app/edit_commands.h"

#include "app/machine_code_commands.h"
#include "app/machine_code_text.h"
#include "app/names.h"
#include "platform/encoding.h"

namespace kovrel::app {

void upperCaseAssembly(AppContext& context) {
    context.platform.ui.setText(kAssemblyBox, toUpperCase(boxText(context, kAssemblyBox)));
}

void lowerCaseAssembly(AppContext& context) {
    context.platform.ui.setText(kAssemblyBox, toLowerCase(boxText(context, kAssemblyBox)));
}

void pasteAssembly(AppContext& context) {
    // No text on the clipboard, or no access to it, pastes the empty text.
    context.platform.ui.setText(kAssemblyBox, context.platform.clipboard.text().value_or(std::string()));
}

void copyAssemblySelection(AppContext& context) {
    context.platform.clipboard.setText(context.platform.ui.selectedText(kAssemblyBox));
}

void deleteAllAssembly(AppContext& context) {
    platform::Platform& p = context.platform;
    if (p.ui.text(kAssemblyBox).empty()) return;
    // No title of its own: the box shows the default "信息：".
    const int answer = p.dialogs.messageBox(platform::gbk(kMsgConfirmDeleteAll.text), kMsgConfirmDeleteAll.style);
    if (answer == platform::kMessageOk) p.ui.setText(kAssemblyBox, "");
}

void clearList(AppContext& context) { context.platform.ui.clearRows(kListView); }

void copySelectedCell(AppContext& context, int column) {
    platform::Ui& ui = context.platform.ui;
    context.platform.clipboard.setText(ui.cell(kListView, ui.selectedRow(kListView), column));
}

}  // namespace kovrel::app

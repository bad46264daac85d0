#include "app/main_window.h"

#include <functional>

#include "app/assemble_command.h"
#include "app/companion_files.h"
#include "app/disassemble_command.h"
#include "app/edit_commands.h"
#include "app/machine_code_commands.h"
#include "app/names.h"
#include "editor/code_editor.h"
#include "editor/colour_scheme.h"
#include "platform/encoding.h"
#include "update/update_check.h"

namespace kovrel::app {

namespace {

using platform::UiEvent;
using Command = void (*)(AppContext&);

// control or menu item       event                    command
struct Binding {
    std::string_view control;
    UiEvent event;
    Command command;
};

void popUpAssemblyMenu(AppContext& c) { c.platform.ui.popupMenu(kAssemblyMenuName); }
void popUpListMenu(AppContext& c) { c.platform.ui.popupMenu(kListMenuName); }
void copyDecimalCell(AppContext& c) { copySelectedCell(c, kColumnDecimal); }
void copyHexCell(AppContext& c) { copySelectedCell(c, kColumnHex); }
void copyCommandCell(AppContext& c) { copySelectedCell(c, kColumnCommand); }
void checkForUpdate(AppContext& c) { update::checkForUpdate(c.platform, c.updaterImage); }
void chooseFont(AppContext& c) { editor::chooseFont(c.platform); }
void saveColourScheme(AppContext& c) { editor::saveColourScheme(c.platform); }
void restoreDefaultScheme(AppContext& c) { editor::restoreDefaultScheme(c.platform); }
void undoSchemeChanges(AppContext& c) { editor::undoSchemeChanges(c.platform); }
void applyColourScheme(AppContext& c) { editor::applyColourScheme(c.platform); }

// control                      event                      command
const Binding kBindings[] = {
    // clang-format off
    {kAssemblyBox,              UiEvent::TextChanged,     updateLineCountLabel},
    {kAssemblyBox,              UiEvent::RightMouseDown,  popUpAssemblyMenu},
    {kMachineCodeBox,           UiEvent::TextChanged,     updateByteCountLabel},
    {kAssembleButton,           UiEvent::Clicked,         assembleCommand},
    {kDisassembleButton,        UiEvent::Clicked,         disassembleCommand},
    {kHiddenDisassembleButton,  UiEvent::Clicked,         disassembleCommand},
    {kShowTextButton,           UiEvent::Clicked,         showBytesAsText},
    {kDecimalRadio,             UiEvent::Clicked,         switchToDecimal},
    {kHexRadio,                 UiEvent::Clicked,         switchToHex},
    {kListView,                 UiEvent::RightMouseDown,  popUpListMenu},
    {kRegisterPicker,           UiEvent::ColourChosen,    applyColourScheme},
    {kFontButton,               UiEvent::Clicked,         chooseFont},
    {kSaveSchemeButton,         UiEvent::Clicked,         saveColourScheme},
    {kDefaultSchemeButton,      UiEvent::Clicked,         restoreDefaultScheme},
    {kUndoSchemeButton,         UiEvent::Clicked,         undoSchemeChanges},
    {kItemUpperCase,            UiEvent::Clicked,         upperCaseAssembly},
    {kItemLowerCase,            UiEvent::Clicked,         lowerCaseAssembly},
    {kItemPaste,                UiEvent::Clicked,         pasteAssembly},
    {kItemCopySelection,        UiEvent::Clicked,         copyAssemblySelection},
    {kItemDeleteAll,            UiEvent::Clicked,         deleteAllAssembly},
    {kItemCheckUpdate,          UiEvent::Clicked,         checkForUpdate},
    {kItemAbout,                UiEvent::Clicked,         showAbout},
    {kItemClearList,            UiEvent::Clicked,         clearList},
    {kItemCopyDecimal,          UiEvent::Clicked,         copyDecimalCell},
    {kItemCopyHex,              UiEvent::Clicked,         copyHexCell},
    {kItemCopyCommand,          UiEvent::Clicked,         copyCommandCell},
    // clang-format on
};

std::string fileName(std::string_view path, char separator) {
    const size_t cut = path.find_last_of(separator);
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace

std::string versionCaption() {
    return std::string(kApplicationName) + std::string(kVersionCaptionSpaces, ' ') + platform::gbk(kVersionLabel) +
           std::string(kApplicationVersionText);
}

std::string creditLine() { return platform::gbk(kCreditAuthors) + "     " + platform::gbk(kCreditContact); }

void bindMainWindow(AppContext& context) {
    platform::Ui& ui = context.platform.ui;
    for (const Binding& binding : kBindings) {
        const Command command = binding.command;
        ui.bind(binding.control, binding.event, [&context, command] { command(context); });
    }
    ui.onCloseRequest([&context] { return confirmClose(context); });
}

void onWindowCreated(AppContext& context) {
    platform::Platform& p = context.platform;
    const std::string guardName = fileName(p.system.executablePath(), p.system.pathSeparator());
    if (!p.system.acquireSingleInstance(guardName)) {
        p.dialogs.messageBox(platform::gbk(kMsgAlreadyRunning.text), kMsgAlreadyRunning.style,
                             platform::gbk(kMsgAlreadyRunning.title));
        p.system.endProgram(0);
        return;
    }
    writeDisassemblerAtStartup(context);
    p.ui.setText(platform::kMainWindowName, versionCaption());
    // Themed drawing: the toolkit already draws every control in the desktop's theme, so
    // there is nothing to switch on here.
    context.disassemblerInputPath = chooseDisassemblerInputPath(context);
    editor::loadSchemeAtStartup(p);
    editor::setUpCodeEditor(p);
    p.ui.setSize(1007, 404);
}

bool confirmClose(AppContext& context) {
    const int answer = context.platform.dialogs.messageBox(platform::gbk(kMsgConfirmClose.text), kMsgConfirmClose.style,
                                                           platform::gbk(kMsgConfirmClose.title));
    return answer == platform::kMessageOk;
}

void showAbout(AppContext& context) {
    platform::Platform& p = context.platform;
    p.ui.setText(platform::kMainWindowName, creditLine());
    p.system.sleep(kAboutMilliseconds);
    p.ui.setText(platform::kMainWindowName, versionCaption());
}

void exitCleanUp(AppContext& context) { context.disassemblerInputPath.clear(); }

}  // namespace kovrel::app

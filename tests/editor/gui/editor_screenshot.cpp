// Shows the real window with the default colour scheme and a disassembly listing in the code
// editor, for scripts/editor_screenshot.sh to photograph; quits by itself after a while.
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <memory>
#include <string_view>

#include "editor/code_editor.h"
#include "editor/colour_scheme.h"
#include "platform/memory/memory_platform.h"
#include "platform/wx/wx_ui.h"

namespace {

using namespace kovrel;

// As the disassemble command fills the editor: one command text per line.
constexpr std::string_view kListing[] = {
    "push ebp",
    "mov ebp,esp",
    "sub esp,byte +0x10",
    "push ebx",
    "push esi",
    "mov esi,[ebp+0x8]",
    "xor ebx,ebx",
    "mov dword [ss:ebp-0x4],0x0",
    "mov ax,ds",
    "mov es,ax",
    "cld",
    "mov ecx,0x100",
    "rep stosd",
    "cmp byte [esi],0x0",
    "jz 0x2c",
    "MOVZX EAX,BYTE [ESI]",
    "add ebx,eax",
    "inc esi",
    "loop 0x1c",
    "call 0x401000",
    "test eax,eax",
    "jnz 0x40",
    "fld qword [fs:0x30]",
    "int 0x80",
    "pop esi",
    "pop ebx",
    "leave",
    "ret 0x4",
};

class ScreenshotApp final : public wxApp {
public:
    bool OnInit() override {
        ui_ = std::make_unique<platform::WxUi>();
        platform_ = std::make_unique<platform::Platform>(
            platform::Platform{*ui_, memory_.dialogs, memory_.clipboard, memory_.files, memory_.processes,
                               memory_.libraries, memory_.system, memory_.http, memory_.feedDocument});
        editor::applyInitialEditorSettings(*platform_);
        editor::loadSchemeAtStartup(*platform_);  // no data.dsn here: the default colours, Fixedsys 12
        editor::setUpCodeEditor(*platform_);
        editor::setEditorText(*platform_, "");
        for (std::string_view line : kListing) {
            editor::appendEditorText(*platform_, line);
            editor::appendEditorText(*platform_, "\r\n");
        }
        ui_->show();
        timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ui_->frame()->Destroy(); });
        timer_.StartOnce(8000);
        return true;
    }

private:
    platform::MemoryPlatform memory_;
    std::unique_ptr<platform::WxUi> ui_;
    std::unique_ptr<platform::Platform> platform_;
    wxTimer timer_;
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(ScreenshotApp);

int main(int argc, char** argv) { return wxEntry(argc, argv); }

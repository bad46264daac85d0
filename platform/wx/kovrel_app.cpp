// Kovrel: the converter program. Builds the real platform, hands it to the commands and
// runs the window.
#include <wx/app.h>

#include <cstdlib>
#include <memory>
#include <string_view>

#include "app/app_context.h"
#include "app/main_window.h"
#include "editor/code_editor.h"
#include "platform/net/curl_http_client.h"
#include "platform/net/feed_document.h"
#include "platform/posix/posix_system.h"
#include "platform/wx/test_dump.h"
#include "platform/wx/wx_dialogs.h"
#include "platform/wx/wx_ui.h"

// The companion files, stored in the program by companion_images.S.
extern "C" {
extern const char kovrel_engine_image_begin[], kovrel_engine_image_end[];
extern const char kovrel_disassembler_image_begin[], kovrel_disassembler_image_end[];
extern const char kovrel_updater_image_begin[], kovrel_updater_image_end[];
}

namespace kovrel {
namespace {

std::string_view image(const char* begin, const char* end) {
    return std::string_view(begin, static_cast<size_t>(end - begin));
}

class KovrelApp final : public wxApp {
public:
    // Runs before the toolkit starts. The window draws nothing with OpenGL; without this the
    // toolkit loads the GL drivers at start-up only to choose a visual.
    KovrelApp() { ::setenv("GDK_GL", "disable", 0); }

    bool OnInit() override {
        platform::initialiseCurl();
        // The feed document exists before the window, and the exit clean-up is registered
        // before anything can end the program.
        feedDocument_ = std::make_unique<platform::PugiXmlDocument>();
        system_.addExitCleanup([this] {
            if (context_) app::exitCleanUp(*context_);
            feedDocument_.reset();
        });

        ui_ = std::make_unique<platform::WxUi>();
        platform_ = std::make_unique<platform::Platform>(platform::Platform{
            *ui_, dialogs_, clipboard_, files_, processes_, libraries_, system_, http_, *feedDocument_});
        context_ =
            std::make_unique<app::AppContext>(*platform_, image(kovrel_engine_image_begin, kovrel_engine_image_end),
                                              image(kovrel_disassembler_image_begin, kovrel_disassembler_image_end),
                                              image(kovrel_updater_image_begin, kovrel_updater_image_end));
        // The editor's own settings come with its creation, before any scheme.
        editor::applyInitialEditorSettings(*platform_);
        platform::installTestDump(*ui_, dialogs_);

        app::bindMainWindow(*context_);
        app::onWindowCreated(*context_);
        ui_->show();
        return true;
    }

    int OnExit() override {
        system_.runExitCleanup();
        return wxApp::OnExit();
    }

private:
    platform::WxDialogs dialogs_;
    platform::WxClipboard clipboard_;
    platform::PosixFiles files_;
    platform::PosixSystem system_;
    platform::PosixProcesses processes_{system_};
    platform::PosixLibraries libraries_{system_};
    platform::CurlHttpClient http_;
    std::unique_ptr<platform::PugiXmlDocument> feedDocument_;
    std::unique_ptr<platform::WxUi> ui_;
    std::unique_ptr<platform::Platform> platform_;
    std::unique_ptr<app::AppContext> context_;
};

}  // namespace
}  // namespace kovrel

wxIMPLEMENT_APP(kovrel::KovrelApp);

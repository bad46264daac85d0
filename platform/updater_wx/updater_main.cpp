// The updater's window: the task row, the log box and the close request, over the logic in
// updater/. The download's worker thread hands each event to this thread with CallAfter.
#include <spawn.h>
#include <unistd.h>

#include <wx/wx.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/net/background_download.h"
#include "platform/net/zip_reader.h"
#include "updater/updater.h"

extern char** environ;

namespace kovrel::updater {
namespace {

// Test-only: with this variable set, message boxes print "title: text" to standard error
// and answer OK (Cancel when the value is "cancel"), and the log box's lines are echoed
// there too, so a test can observe the updater without clicking.
constexpr char kMessagesToStderrVariable[] = "KOVREL_MESSAGES_TO_STDERR";

std::vector<std::string> gArguments;  // raw bytes, before the toolkit converts anything

wxString fromUtf8(std::string_view text) { return wxString::FromUTF8(text.data(), text.size()); }

std::string ownFolder() {
    std::vector<char> buffer(4096);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    std::string path = length > 0 ? std::string(buffer.data(), length) : std::string(".");
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

int showMessage(std::string_view text, int style, std::string_view title) {
    std::string caption = title.empty() ? std::string(kDefaultMessageTitle) : std::string(title);
    if (const char* toStderr = std::getenv(kMessagesToStderrVariable)) {
        std::fprintf(stderr, "%s: %.*s\n", caption.c_str(), static_cast<int>(text.size()), text.data());
        std::fflush(stderr);
        return std::string_view(toStderr) == "cancel" ? 1 : kMessageOk;
    }
    long flags = wxOK | wxCENTRE;
    if (style == kStyleErrorOk) flags |= wxICON_ERROR;
    if (style == kStyleOkCancelInformation) flags |= wxCANCEL | wxICON_INFORMATION;
    int answer = wxMessageBox(fromUtf8(text), fromUtf8(caption), flags);
    return answer == wxOK ? 0 : 1;
}

class UpdaterFrame : public wxFrame, public UpdaterHost {
public:
    UpdaterFrame() : wxFrame(nullptr, wxID_ANY, fromUtf8(kWindowCaption), wxDefaultPosition, wxSize(560, 300)) {
        auto* panel = new wxPanel(this);
        auto* grid = new wxFlexGridSizer(5, wxSize(12, 6));
        for (std::string_view caption : kColumnCaptions)
            grid->Add(new wxStaticText(panel, wxID_ANY, fromUtf8(caption)));
        title_ = new wxStaticText(panel, wxID_ANY, "", wxDefaultPosition, wxSize(140, -1));
        size_ = new wxStaticText(panel, wxID_ANY, "", wxDefaultPosition, wxSize(80, -1));
        progress_ = new wxGauge(panel, wxID_ANY, 100, wxDefaultPosition, wxSize(120, 16));
        speed_ = new wxStaticText(panel, wxID_ANY, "", wxDefaultPosition, wxSize(90, -1));
        status_ = new wxStaticText(panel, wxID_ANY, "", wxDefaultPosition, wxSize(80, -1));
        for (wxWindow* cell : std::initializer_list<wxWindow*>{title_, size_, progress_, speed_, status_})
            grid->Add(cell, 0, wxALIGN_CENTER_VERTICAL);
        log_ = new wxTextCtrl(panel, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_MULTILINE | wxTE_READONLY,
                              wxDefaultValidator, fromUtf8(kLogBoxName));
        auto* column = new wxBoxSizer(wxVERTICAL);
        column->Add(grid, 0, wxALL, 8);
        column->Add(log_, 1, wxEXPAND | wxALL, 8);
        panel->SetSizer(column);
        Bind(wxEVT_CLOSE_WINDOW, &UpdaterFrame::onClose, this);
        updater_ = std::make_unique<Updater>(*this, ownFolder());
    }

    bool begin() { return updater_->start(gArguments); }

    // UpdaterHost
    void showTitle(std::string_view title) override { title_->SetLabel(fromUtf8(title)); }
    void showSize(std::string_view size) override { size_->SetLabel(fromUtf8(size)); }
    void showProgressBar(bool visible) override { progress_->Show(visible); }
    void setProgress(int percent) override { progress_->SetValue(percent); }
    void showSpeed(std::string_view speed) override { speed_->SetLabel(fromUtf8(speed)); }
    void showStatus(bool visible, std::string_view text) override {
        status_->SetLabel(fromUtf8(text));
        status_->Show(visible);
    }
    void appendLog(std::string_view text) override {
        log_->AppendText(fromUtf8(text));
        if (std::getenv(kMessagesToStderrVariable)) {
            std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
            std::fflush(stderr);
        }
    }
    int messageBox(std::string_view text, int style, std::string_view title) override {
        return showMessage(text, style, title);
    }
    void processPendingEvents() override { wxTheApp->Yield(true); }
    bool startDownload(const std::string& url, const std::string& path) override {
        return download_.start(url, path, [this](platform::DownloadEvent event, const platform::DownloadProgress& p) {
            CallAfter([this, event, p] { updater_->onDownloadEvent(static_cast<int>(event), p); });
        });
    }
    void stopDownload() override { download_.stop(); }
    bool unpackZip(const std::string& archive, const std::string& folder) override {
        return platform::unpackZip(archive, folder);
    }
    bool startProgram(const std::string& path) override {
        std::vector<char*> argv{const_cast<char*>(path.c_str()), nullptr};
        pid_t child = 0;
        return posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
    }
    void endProgram() override {
        download_.stop();
        Destroy();
    }

private:
    void onClose(wxCloseEvent& event) {
        if (updater_->onCloseRequest() || !event.CanVeto()) {
            download_.stop();
            Destroy();
        } else {
            event.Veto();
        }
    }

    wxStaticText* title_;
    wxStaticText* size_;
    wxGauge* progress_;
    wxStaticText* speed_;
    wxStaticText* status_;
    wxTextCtrl* log_;
    std::unique_ptr<Updater> updater_;
    // Declared last so it is stopped (its worker joined) before anything it reports to goes.
    platform::BackgroundDownload download_;
};

class UpdaterApp : public wxApp {
public:
    bool OnInit() override {
        auto* frame = new UpdaterFrame();
        if (!frame->begin()) {
            frame->Destroy();
            return false;
        }
        frame->Centre();
        frame->Show();
        return true;
    }
};

}  // namespace
}  // namespace kovrel::updater

wxIMPLEMENT_APP_NO_MAIN(kovrel::updater::UpdaterApp);

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) kovrel::updater::gArguments.emplace_back(argv[i]);
    return wxEntry(argc, argv);
}

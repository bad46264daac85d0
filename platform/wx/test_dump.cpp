#include "platform/wx/test_dump.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <wx/timer.h>

#include "app/main_window_design.h"
#include "platform/encoding.h"
#include "platform/wx/wx_dialogs.h"
#include "platform/wx/wx_ui.h"

namespace kovrel::platform {
namespace {

volatile std::sig_atomic_t dumpRequested = 0;

void onSignal(int) { dumpRequested = 1; }

std::string field(std::string_view gbk) {
    std::string out;
    for (char c : gbkToUtf8(gbk)) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

class TestDump {
public:
    TestDump(WxUi& ui, std::string path) : ui_(ui), path_(std::move(path)) {
        timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            if (!dumpRequested) return;
            dumpRequested = 0;
            write();
        });
        timer_.Start(50);
    }

    void onMessage(std::string_view title, std::string_view text, bool open) {
        if (open) {
            messages_.push_back("message\t" + field(title) + "\t" + field(text));
            open_ = "open\t" + field(title) + "\t" + field(text);
        } else {
            open_.clear();
        }
        write();
    }

    void onHandled(std::string_view control, UiEvent event, double milliseconds) {
        char took[32];
        std::snprintf(took, sizeof took, "%.1f", milliseconds);
        handled_.push_back("handled\t" + std::to_string(++handledCount_) + "\t" + std::string(control) + "\t" +
                           std::to_string(static_cast<int>(event)) + "\t" + took);
        if (handled_.size() > 20) handled_.erase(handled_.begin());
    }

    void write() {
        std::string out = "dump\t" + std::to_string(++count_) + "\n";
        out += "window\t" + field(ui_.text(kMainWindowName)) + "\t" + std::to_string(ui_.width()) + "\t" +
               std::to_string(ui_.height()) + "\n";
        for (const app::ControlDesign& c : app::mainWindowControls()) {
            const std::string name(c.name);
            switch (c.kind) {
                case app::ControlKind::RadioButton:
                    out += "checked\t" + name + "\t" + (ui_.checked(name) ? "1" : "0") + "\n";
                    break;
                case app::ControlKind::ColourPicker: {
                    char hex[16];
                    std::snprintf(hex, sizeof hex, "%06X", static_cast<unsigned>(ui_.colour(name)));
                    out += "colour\t" + name + "\t" + hex + "\n";
                    break;
                }
                case app::ControlKind::FontChooser: {
                    const FontChoice font = ui_.font(name);
                    out += "font\t" + name + "\t" + field(font.name) + "\t" + std::to_string(font.pointSize) + "\n";
                    break;
                }
                case app::ControlKind::ListView: {
                    const int rows = ui_.rowCount(name);
                    out += "rows\t" + name + "\t" + std::to_string(rows) + "\n";
                    for (int row = 0; row < rows; ++row) {
                        if (row >= 50 && row != rows - 1) continue;
                        out += "row\t";
                        out += std::to_string(row);
                        for (int column = 0; column < static_cast<int>(app::listColumns().size()); ++column) {
                            out += '\t';
                            out += field(ui_.cell(name, row, column));
                        }
                        out += "\n";
                    }
                    break;
                }
                default: out += "text\t" + name + "\t" + field(ui_.text(name)) + "\n";
            }
        }
        for (const std::string& line : messages_) out += line + "\n";
        if (!open_.empty()) out += open_ + "\n";
        for (const std::string& line : handled_) out += line + "\n";

        const std::string temp = path_ + ".part";
        if (FILE* file = std::fopen(temp.c_str(), "wb")) {
            std::fwrite(out.data(), 1, out.size(), file);
            std::fclose(file);
            std::rename(temp.c_str(), path_.c_str());
        }
    }

private:
    WxUi& ui_;
    std::string path_;
    wxTimer timer_;
    int count_ = 0;
    std::vector<std::string> messages_;
    std::string open_;
    std::vector<std::string> handled_;
    int handledCount_ = 0;
};

}  // namespace

void installTestDump(WxUi& ui, WxDialogs& dialogs) {
    const char* path = std::getenv("KOVREL_TEST_DUMP");
    if (!path || !*path) return;
    // Lives as long as the process.
    static TestDump* dump = new TestDump(ui, path);
    dialogs.observer = [](std::string_view title, std::string_view text, bool open) {
        dump->onMessage(title, text, open);
    };
    ui.handledObserver = [](std::string_view control, UiEvent event, double milliseconds) {
        dump->onHandled(control, event, milliseconds);
    };
    std::signal(SIGUSR1, onSignal);
}

}  // namespace kovrel::platform

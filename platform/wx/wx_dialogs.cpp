#include "platform/wx/wx_dialogs.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include "platform/wx/wx_text.h"

namespace kovrel::platform {
namespace {

// Windows message-box style numbers and what they ask of the box.
struct BoxStyle {
    int style;
    long wxStyle;
    bool hasCancel;
};
// style                        wx flags                                  cancel
constexpr BoxStyle kBoxStyles[] = {
    // clang-format off
    {kStyleOk,                  wxOK,                                     false},
    {kStyleOkCancelQuestion,    wxOK | wxCANCEL | wxICON_QUESTION,        true},
    {kStyleInformation,         wxOK | wxICON_INFORMATION,                false},
    {kStyleOkCancelInformation, wxOK | wxCANCEL | wxICON_INFORMATION,     true},
    // clang-format on
};

// Tells the observer about a box for as long as it is open.
class Observed {
public:
    Observed(WxDialogs& dialogs, std::string_view title, std::string_view text)
        : dialogs_(dialogs), title_(title), text_(text) {
        if (dialogs_.observer) dialogs_.observer(title_, text_, true);
    }
    ~Observed() {
        if (dialogs_.observer) dialogs_.observer(title_, text_, false);
    }

private:
    WxDialogs& dialogs_;
    std::string_view title_, text_;
};

}  // namespace

int WxDialogs::messageBox(std::string_view text, int style, std::string_view title) {
    BoxStyle box = kBoxStyles[0];
    for (const BoxStyle& candidate : kBoxStyles) {
        if (candidate.style == style) box = candidate;
    }
    Observed observed(*this, title, text);
    // No owner: the box belongs to the task, not to the main window.
    wxMessageDialog dialog(nullptr, gbkToWx(toLf(text)), gbkToWx(title), box.wxStyle | wxCENTRE);
    const int answer = dialog.ShowModal();
    // A box with OK alone answers OK however it is closed.
    return box.hasCancel && answer != wxID_OK ? kMessageCancel : kMessageOk;
}

void WxDialogs::timedMessageBox(std::string_view text, std::string_view title, int milliseconds) {
    Observed observed(*this, title, text);
    wxDialog dialog(nullptr, wxID_ANY, gbkToWx(title), wxDefaultPosition, wxDefaultSize,
                    wxDEFAULT_DIALOG_STYLE | wxDIALOG_NO_PARENT);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(&dialog, wxID_ANY, gbkToWx(toLf(text))), 0, wxALL, 16);
    sizer->Add(dialog.CreateButtonSizer(wxOK), 0, wxALIGN_CENTRE | wxBOTTOM, 12);
    dialog.SetSizerAndFit(sizer);
    dialog.Centre();
    // The box has no owner, so unlike the other boxes it leaves the main window usable: it is
    // shown modeless and the call waits in a local event loop until OK or the timer ends it.
    wxGUIEventLoop loop;
    auto finish = [&loop] {
        if (loop.IsRunning()) loop.Exit();
    };
    dialog.Bind(
        wxEVT_BUTTON, [&finish](wxCommandEvent&) { finish(); }, wxID_OK);
    dialog.Bind(wxEVT_CLOSE_WINDOW, [&finish](wxCloseEvent&) { finish(); });
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&finish](wxTimerEvent&) { finish(); });
    timer.StartOnce(milliseconds > 0 ? milliseconds : 1);
    dialog.Show();
    loop.Run();
    dialog.Hide();
    timer.Stop();
}

std::optional<std::string> WxClipboard::text() {
    wxClipboardLocker lock;
    if (!lock || !wxTheClipboard->IsSupported(wxDF_UNICODETEXT)) return std::nullopt;
    wxTextDataObject data;
    if (!wxTheClipboard->GetData(data)) return std::nullopt;
    return toCrLf(wxToGbk(data.GetText()));
}

bool WxClipboard::setText(std::string_view text) {
    wxClipboardLocker lock;
    if (!lock) return false;
    wxTheClipboard->Clear();
    const bool placed = wxTheClipboard->SetData(new wxTextDataObject(gbkToWx(toLf(text))));
    // Keep the text available after the program ends.
    wxTheClipboard->Flush();
    return placed;
}

}  // namespace kovrel::platform

#include "platform/wx/wx_ui.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/clrpicker.h>
#include <wx/fontdata.h>
#include <wx/fontdlg.h>
#include <wx/fontenum.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/stc/stc.h>
#include <wx/textctrl.h>
#include <wx/evtloop.h>

#include <algorithm>

#include "platform/encoding.h"
#include "platform/wx/wx_text.h"

namespace kovrel::platform {

using app::ControlDesign;
using app::ControlKind;

namespace {

// Scintilla messages the window sends or looks at itself.
enum : unsigned {
    kSciAddText = 2001,
    kSciGetLength = 2006,
    kSciStyleSetFont = 2056,
    kSciSetText = 2181,
    kSciGetText = 2182,
    kSciSetModEventMask = 2359,
};

// Pending events are dispatched at most this often (the byte reader asks after every byte),
// and for at most this long.
constexpr auto kDispatchInterval = std::chrono::milliseconds(15);
constexpr auto kDispatchBudget = std::chrono::milliseconds(30);

// Windows fonts this system's window names, and the installed faces that stand in for them.
struct FontStandIn {
    std::string_view wanted;       // UTF-8
    std::string_view standIns[4];  // first installed one wins
};
// wanted       stand-ins
constexpr FontStandIn kFontStandIns[] = {
    // clang-format off
    {"新宋体",   {"NSimSun", "Noto Sans Mono CJK SC", "Noto Sans CJK SC", "Monospace"}},
    {"宋体",     {"SimSun", "Noto Sans CJK SC", "Noto Serif CJK SC", "Sans"}},
    {"微软雅黑", {"Microsoft YaHei", "Noto Sans CJK SC", "Sans", ""}},
    {"Fixedsys", {"Noto Sans Mono", "DejaVu Sans Mono", "Noto Sans Mono CJK SC", "Monospace"}},
    // clang-format on
};

bool installed(const wxString& face) { return !face.empty() && wxFontEnumerator::IsValidFacename(face); }

// The face to draw with for a wanted face name (UTF-8); unknown faces fall back to a
// monospaced one, since every font the window asks for is a code font or a CJK font.
wxString installedFace(std::string_view wanted) {
    const wxString face = wxString::FromUTF8(wanted.data(), wanted.size());
    if (installed(face)) return face;
    for (const FontStandIn& entry : kFontStandIns) {
        if (entry.wanted != wanted) continue;
        for (std::string_view standIn : entry.standIns) {
            const wxString candidate = wxString::FromUTF8(standIn.data(), standIn.size());
            if (installed(candidate)) return candidate;
        }
    }
    return wxString("Monospace");
}

wxColour toWxColour(uint32_t bgr) {
    wxColour colour;
    colour.SetRGB(bgr & 0xFFFFFFu);
    return colour;
}

uint32_t fromWxColour(const wxColour& colour) { return colour.GetRGB() & 0xFFFFFFu; }

}  // namespace

// `超级列表框`: a virtual report list, so any number of rows costs nothing until drawn.
class RowStoreList final : public wxListCtrl {
public:
    using Row = std::array<std::string, std::size(app::kListColumns)>;

    RowStoreList(wxWindow* parent, const wxPoint& at, const wxSize& size)
        : wxListCtrl(parent, wxID_ANY, at, size,
                     wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL | wxLC_HRULES | wxLC_VRULES | wxBORDER_SUNKEN) {
        int index = 0;
        for (const app::ColumnDesign& column : app::listColumns()) {
            InsertColumn(index++, wxString::FromUTF8(column.title.data(), column.title.size()), wxLIST_FORMAT_LEFT,
                         column.width);
        }
    }

    std::vector<Row> rows;

    void syncCount() {
        if (GetItemCount() != static_cast<long>(rows.size())) SetItemCount(static_cast<long>(rows.size()));
    }

private:
    wxString OnGetItemText(long item, long column) const override {
        if (item < 0 || static_cast<size_t>(item) >= rows.size() || column < 0 ||
            static_cast<size_t>(column) >= std::tuple_size_v<Row>)
            return wxString();
        return gbkToWx(rows[static_cast<size_t>(item)][static_cast<size_t>(column)]);
    }
};

WxUi::WxUi() { build(); }

WxUi::~WxUi() = default;

void WxUi::build() {
    const app::WindowDesign& design = app::kMainWindowDesign;
    windowCaption_ = utf8ToGbk(design.caption);
    frame_ = new wxFrame(nullptr, wxID_ANY, wxString::FromUTF8(design.caption.data(), design.caption.size()),
                         wxPoint(design.left, design.top), wxSize(design.width, design.height),
                         wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX);
    auto* panel = new wxPanel(frame_, wxID_ANY);
    // The controls were laid out for the Windows default: 宋体 9 pt, 12 pixels high.
    panel->SetFont(wxFont(wxFontInfo(9).FaceName(installedFace("宋体"))));
    frame_->Bind(wxEVT_CLOSE_WINDOW, &WxUi::onClose, this);
    frame_->Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
        flushEditorText();
        if (list_) list_->syncCount();
        event.Skip();
    });

    bool firstRadio = true;
    for (const ControlDesign& c : app::mainWindowControls()) {
        const app::Point at = app::windowPosition(c);
        const wxPoint pos(at.x, at.y);
        const wxSize size(c.width, c.height);
        const wxString caption = wxString::FromUTF8(c.caption.data(), c.caption.size());
        Control control;
        control.design = &c;
        control.caption = utf8ToGbk(c.caption);
        switch (c.kind) {
            case ControlKind::GroupBox: control.window = new wxStaticBox(panel, wxID_ANY, caption, pos, size); break;
            case ControlKind::EditBox: {
                auto* box = new wxTextCtrl(panel, wxID_ANY, wxString(), pos, size,
                                           wxTE_MULTILINE | wxTE_WORDWRAP | wxVSCROLL | wxBORDER_SUNKEN);
                box->SetBackgroundColour(*wxWHITE);
                control.window = box;
                break;
            }
            case ControlKind::Label: {
                auto* label = new wxStaticText(panel, wxID_ANY, wxString(), pos, size, wxST_NO_AUTORESIZE);
                label->SetLabelText(caption);
                control.window = label;
                break;
            }
            case ControlKind::Button: {
                auto* button = new wxButton(panel, wxID_ANY, wxString(), pos, size);
                button->SetLabelText(caption);
                control.window = button;
                break;
            }
            case ControlKind::RadioButton: {
                auto* radio = new wxRadioButton(panel, wxID_ANY, wxString(), pos, size, firstRadio ? wxRB_GROUP : 0);
                radio->SetLabelText(caption);
                firstRadio = false;
                control.window = radio;
                break;
            }
            case ControlKind::ListView:
                list_ = new RowStoreList(panel, pos, size);
                control.window = list_;
                break;
            case ControlKind::CodeEditor:
                editor_ = new wxStyledTextCtrl(panel, wxID_ANY, pos, size, wxBORDER_SUNKEN);
                // Nothing listens to the editor's change notifications.
                editor_->SendMsg(kSciSetModEventMask, 0, 0);
                control.window = editor_;
                break;
            case ControlKind::ColourPicker:
                control.window = new wxColourPickerCtrl(panel, wxID_ANY, toWxColour(c.colour), pos, size);
                break;
            case ControlKind::FontChooser: fonts_[std::string(c.name)] = FontChoice{}; break;
        }
        if (control.window) {
            if (!c.fontName.empty()) {
                control.window->SetFont(wxFont(wxFontInfo(c.fontPointSize).FaceName(installedFace(c.fontName))));
            }
            if (c.flags & app::kFlagHidden) control.window->Hide();
        }
        auto [it, inserted] = controls_.emplace(std::string(c.name), std::move(control));
        if (inserted) wireEvents(it->first, it->second);
    }
    for (const ControlDesign& c : app::mainWindowControls()) {
        if (c.kind == ControlKind::RadioButton && (c.flags & app::kFlagChecked)) setChecked(c.name, true);
    }
}

void WxUi::wireEvents(const std::string& name, Control& control) {
    if (!control.window) return;
    switch (control.design->kind) {
        case ControlKind::Button:
            control.window->Bind(wxEVT_BUTTON, [this, name](wxCommandEvent&) { fire(name, UiEvent::Clicked); });
            break;
        case ControlKind::RadioButton:
            control.window->Bind(wxEVT_RADIOBUTTON, [this, name](wxCommandEvent&) { fire(name, UiEvent::Clicked); });
            break;
        case ControlKind::EditBox:
            control.window->Bind(wxEVT_TEXT, [this, name, &control](wxCommandEvent&) {
                control.cachedText.reset();
                fire(name, UiEvent::TextChanged);
            });
            // Handled here, the toolkit's own context menu does not open as well.
            control.window->Bind(wxEVT_RIGHT_DOWN, [this, name](wxMouseEvent& event) {
                if (!fire(name, UiEvent::RightMouseDown)) event.Skip();
            });
            break;
        case ControlKind::ListView: {
            // The list selects the clicked row first; the handler runs after that.
            auto onRight = [this, name](wxMouseEvent& event) {
                event.Skip();
                frame_->CallAfter([this, name] { fire(name, UiEvent::RightMouseDown); });
            };
            control.window->Bind(wxEVT_RIGHT_DOWN, onRight);
            for (wxWindow* child : control.window->GetChildren()) child->Bind(wxEVT_RIGHT_DOWN, onRight);
            break;
        }
        case ControlKind::ColourPicker:
            control.window->Bind(wxEVT_COLOURPICKER_CHANGED,
                                 [this, name](wxColourPickerEvent&) { fire(name, UiEvent::ColourChosen); });
            break;
        default: break;
    }
}

void WxUi::show() {
    frame_->Centre();
    frame_->Show();
}

const WxUi::Control* WxUi::find(std::string_view name) const {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : &it->second;
}

WxUi::Control* WxUi::find(std::string_view name) {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : &it->second;
}

std::vector<std::string> WxUi::controlNames() const {
    std::vector<std::string> names;
    for (const ControlDesign& c : app::mainWindowControls()) names.emplace_back(c.name);
    return names;
}

bool WxUi::fire(std::string_view control, UiEvent event) {
    const auto it = handlers_.find({std::string(control), event});
    if (it == handlers_.end() || !it->second) return false;
    // A copy: the handler may rebind itself.
    const std::function<void()> handler = it->second;
    const auto started = std::chrono::steady_clock::now();
    handler();
    if (handledObserver) {
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started;
        handledObserver(control, event, took.count());
    }
    return true;
}

std::string WxUi::text(std::string_view name) const {
    if (name == kMainWindowName) return windowCaption_;
    const Control* control = find(name);
    if (!control || !control->window) return {};
    switch (control->design->kind) {
        case ControlKind::EditBox:
            // Commands read a box several times after writing it; converting megabytes each
            // time would dominate a large disassembly.
            if (!control->cachedText)
                control->cachedText = toCrLf(wxToGbk(static_cast<wxTextCtrl*>(control->window)->GetValue()));
            return *control->cachedText;
        case ControlKind::CodeEditor: {
            flushEditorText();
            const intptr_t length = editor_->SendMsg(kSciGetLength, 0, 0);
            std::string bytes(static_cast<size_t>(length) + 1, '\0');
            editor_->SendMsg(kSciGetText, static_cast<wxUIntPtr>(length + 1), reinterpret_cast<wxIntPtr>(bytes.data()));
            bytes.resize(static_cast<size_t>(length));
            return bytes;
        }
        default: return control->caption;
    }
}

void WxUi::setText(std::string_view name, std::string_view text) {
    if (name == kMainWindowName) {
        windowCaption_ = std::string(text);
        frame_->SetTitle(gbkToWx(text));
        return;
    }
    Control* control = find(name);
    if (!control || !control->window) return;
    switch (control->design->kind) {
        case ControlKind::EditBox:
            // ChangeValue raises nothing; the one TextChanged is raised here, as a user edit would.
            control->cachedText.reset();
            static_cast<wxTextCtrl*>(control->window)->ChangeValue(gbkToWx(toLf(text)));
            fire(name, UiEvent::TextChanged);
            break;
        case ControlKind::CodeEditor: {
            pendingEditorText_.clear();
            const std::string terminated(text);
            editor_->SendMsg(kSciSetText, 0, reinterpret_cast<wxIntPtr>(terminated.c_str()));
            break;
        }
        case ControlKind::Label:
        case ControlKind::Button:
        case ControlKind::RadioButton:
        case ControlKind::GroupBox:
            // Shown as given: "&" is a character here, not a mnemonic marker.
            control->caption = std::string(text);
            static_cast<wxControl*>(control->window)->SetLabelText(gbkToWx(text));
            break;
        default: break;
    }
}

bool WxUi::checked(std::string_view name) const {
    const Control* control = find(name);
    if (!control || control->design->kind != ControlKind::RadioButton) return false;
    return static_cast<wxRadioButton*>(control->window)->GetValue();
}

void WxUi::setChecked(std::string_view name, bool on) {
    Control* control = find(name);
    if (!control || control->design->kind != ControlKind::RadioButton) return;
    if (on) {
        static_cast<wxRadioButton*>(control->window)->SetValue(true);
        return;
    }
    // A radio button cannot be cleared by itself: check another of the group.
    for (auto& [otherName, other] : controls_) {
        if (otherName != name && other.design->kind == ControlKind::RadioButton) {
            static_cast<wxRadioButton*>(other.window)->SetValue(true);
            return;
        }
    }
}

std::string WxUi::selectedText(std::string_view name) const {
    const Control* control = find(name);
    if (!control || control->design->kind != ControlKind::EditBox) return {};
    return toCrLf(wxToGbk(static_cast<wxTextCtrl*>(control->window)->GetStringSelection()));
}

int WxUi::width() const { return frame_->GetSize().GetWidth(); }

int WxUi::height() const { return frame_->GetSize().GetHeight(); }

void WxUi::setSize(int width, int height) {
    // The border is fixed for the user, not for the program.
    frame_->SetMinSize(wxDefaultSize);
    frame_->SetMaxSize(wxDefaultSize);
    frame_->SetSize(width, height);
}

void WxUi::clearRows(std::string_view name) {
    if (!list_ || name != app::kListName) return;
    list_->rows.clear();
    list_->syncCount();
    list_->Refresh();
}

int WxUi::appendRow(std::string_view name) {
    if (!list_ || name != app::kListName) return -1;
    // The list learns its new length when the window next draws or dispatches.
    list_->rows.emplace_back();
    return static_cast<int>(list_->rows.size()) - 1;
}

void WxUi::setCell(std::string_view name, int row, int column, std::string_view text) {
    if (!list_ || name != app::kListName) return;
    if (row < 0 || static_cast<size_t>(row) >= list_->rows.size() || column < 0 ||
        static_cast<size_t>(column) >= std::tuple_size_v<RowStoreList::Row>)
        return;
    list_->rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = std::string(text);
    const long top = list_->GetTopItem();
    if (row >= top && row <= top + list_->GetCountPerPage()) list_->RefreshItem(row);
}

std::string WxUi::cell(std::string_view name, int row, int column) const {
    if (!list_ || name != app::kListName) return {};
    if (row < 0 || static_cast<size_t>(row) >= list_->rows.size() || column < 0 ||
        static_cast<size_t>(column) >= std::tuple_size_v<RowStoreList::Row>)
        return {};
    return list_->rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

int WxUi::rowCount(std::string_view name) const {
    if (!list_ || name != app::kListName) return 0;
    return static_cast<int>(list_->rows.size());
}

int WxUi::selectedRow(std::string_view name) const {
    if (!list_ || name != app::kListName) return -1;
    const long row = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    return row < 0 || static_cast<size_t>(row) >= list_->rows.size() ? -1 : static_cast<int>(row);
}

uint32_t WxUi::colour(std::string_view name) const {
    const Control* control = find(name);
    if (!control || control->design->kind != ControlKind::ColourPicker) return 0;
    return fromWxColour(static_cast<wxColourPickerCtrl*>(control->window)->GetColour());
}

void WxUi::setColour(std::string_view name, uint32_t colour) {
    Control* control = find(name);
    if (!control || control->design->kind != ControlKind::ColourPicker) return;
    static_cast<wxColourPickerCtrl*>(control->window)->SetColour(toWxColour(colour));
}

FontChoice WxUi::font(std::string_view chooser) const {
    const auto it = fonts_.find(chooser);
    return it == fonts_.end() ? FontChoice{} : it->second;
}

void WxUi::setFont(std::string_view chooser, const FontChoice& font) {
    const auto it = fonts_.find(chooser);
    if (it != fonts_.end()) it->second = font;
}

bool WxUi::chooseFont(std::string_view chooser) {
    const auto it = fonts_.find(chooser);
    if (it == fonts_.end()) return false;
    wxFontData data;
    const std::string faceUtf8 = gbkToWx(it->second.name).utf8_string();
    data.SetInitialFont(
        wxFont(wxFontInfo(it->second.pointSize > 0 ? it->second.pointSize : 9).FaceName(installedFace(faceUtf8))));
    data.EnableEffects(true);
    wxFontDialog dialog(frame_, data);
    if (dialog.ShowModal() != wxID_OK) return false;
    const wxFont chosen = dialog.GetFontData().GetChosenFont();
    it->second.name = wxToGbk(chosen.GetFaceName());
    it->second.pointSize = chosen.GetPointSize();
    return true;
}

intptr_t WxUi::sendEditor(std::string_view name, unsigned message, uintptr_t wParam, intptr_t lParam) {
    const Control* control = find(name);
    if (!editor_ || !control || control->window != editor_) return 0;
    if (message == kSciStyleSetFont && lParam != 0) {
        // The editor's drawing layer reads face names as UTF-8 and knows no Windows fonts.
        const std::string wanted = gbkToWx(reinterpret_cast<const char*>(lParam)).utf8_string();
        const std::string face = installedFace(wanted).utf8_string();
        flushEditorText();
        return editor_->SendMsg(static_cast<int>(message), wParam, reinterpret_cast<wxIntPtr>(face.c_str()));
    }
    if (message == kSciAddText) {
        // Consecutive insertions at the caret are one insertion of their joined text; sent
        // one by one, each would cost a redraw check and a round of notifications.
        if (lParam != 0) pendingEditorText_.append(reinterpret_cast<const char*>(lParam), wParam);
        return 0;
    }
    flushEditorText();
    return editor_->SendMsg(static_cast<int>(message), wParam, lParam);
}

void WxUi::popupMenu(std::string_view menuName) {
    wxMenu menu;
    std::map<int, std::string> captions;
    std::map<std::string, wxMenu*> submenus;
    int nextId = wxID_HIGHEST + 1;
    for (const app::MenuItemDesign& item : app::menuItems()) {
        if (item.menu != menuName) continue;
        const wxString caption = wxString::FromUTF8(item.caption.data(), item.caption.size());
        wxMenu* into = &menu;
        if (!item.parent.empty()) {
            const auto sub = submenus.find(std::string(item.parent));
            if (sub == submenus.end()) continue;
            into = sub->second;
        }
        if (app::opensSubmenu(menuName, item.caption)) {
            auto* sub = new wxMenu;
            submenus[std::string(item.caption)] = sub;
            into->AppendSubMenu(sub, caption);
        } else {
            captions[nextId] = std::string(item.caption);
            into->Append(nextId++, caption);
        }
    }
    const int chosen = frame_->GetPopupMenuSelectionFromUser(menu);
    const auto it = captions.find(chosen);
    if (it != captions.end()) fire(it->second, UiEvent::Clicked);
}

void WxUi::processPendingEvents() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDispatch_ < kDispatchInterval) return;
    flushEditorText();
    if (list_) list_->syncCount();
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (!loop || loop->IsYielding()) {
        lastDispatch_ = now;
        return;
    }
    // Input and paint come first in the toolkit's queue; what stays pending after the budget
    // is its own background work (laying out long texts), which the main loop finishes later.
    while (loop->Pending() && std::chrono::steady_clock::now() - now < kDispatchBudget) loop->Dispatch();
    lastDispatch_ = std::chrono::steady_clock::now();
}

void WxUi::flushEditorText() const {
    if (pendingEditorText_.empty() || !editor_) return;
    const std::string text = std::move(pendingEditorText_);
    pendingEditorText_.clear();
    editor_->SendMsg(kSciAddText, static_cast<wxUIntPtr>(text.size()), reinterpret_cast<wxIntPtr>(text.data()));
}

void WxUi::bind(std::string_view control, UiEvent event, std::function<void()> handler) {
    handlers_[{std::string(control), event}] = std::move(handler);
}

void WxUi::onCloseRequest(std::function<bool()> handler) { closeHandler_ = std::move(handler); }

void WxUi::onClose(wxCloseEvent& event) {
    if (closeHandler_ && event.CanVeto() && !closeHandler_()) {
        event.Veto();
        return;
    }
    frame_->Destroy();
}

}  // namespace kovrel::platform

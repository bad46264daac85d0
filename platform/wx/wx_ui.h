// The main window as a wxFrame built from the design table, reached by control names.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_design.h"
#include "platform/ui.h"

class wxFrame;
class wxWindow;
class wxStyledTextCtrl;
class wxCloseEvent;

namespace kovrel::platform {

class RowStoreList;

class WxUi final : public Ui {
public:
    WxUi();  // creates the frame, hidden, at its design size
    ~WxUi() override;

    wxFrame* frame() const { return frame_; }
    // Shows the frame centred on the screen.
    void show();

    std::string text(std::string_view control) const override;
    void setText(std::string_view control, std::string_view text) override;
    bool checked(std::string_view control) const override;
    void setChecked(std::string_view control, bool on) override;
    std::string selectedText(std::string_view control) const override;
    int width() const override;
    int height() const override;
    void setSize(int width, int height) override;
    void clearRows(std::string_view list) override;
    int appendRow(std::string_view list) override;
    void setCell(std::string_view list, int row, int column, std::string_view text) override;
    std::string cell(std::string_view list, int row, int column) const override;
    int rowCount(std::string_view list) const override;
    int selectedRow(std::string_view list) const override;
    uint32_t colour(std::string_view picker) const override;
    void setColour(std::string_view picker, uint32_t colour) override;
    FontChoice font(std::string_view chooser) const override;
    void setFont(std::string_view chooser, const FontChoice& font) override;
    bool chooseFont(std::string_view chooser) override;
    intptr_t sendEditor(std::string_view editor, unsigned message, uintptr_t wParam, intptr_t lParam) override;
    void popupMenu(std::string_view menu) override;
    void processPendingEvents() override;
    void bind(std::string_view control, UiEvent event, std::function<void()> handler) override;
    void onCloseRequest(std::function<bool()> handler) override;

    // Runs the handler bound to (control, event); false when there is none.
    bool fire(std::string_view control, UiEvent event);
    // Told after each handler ran, with its duration; the test dump listens here.
    std::function<void(std::string_view control, UiEvent event, double milliseconds)> handledObserver;
    // Every control by design name, for the test dump.
    std::vector<std::string> controlNames() const;

private:
    struct Control {
        const app::ControlDesign* design = nullptr;
        wxWindow* window = nullptr;
        std::string caption;                            // GBK, exactly as last set
        mutable std::optional<std::string> cachedText;  // an edit box's text as last read, until it changes
    };

    void build();
    void wireEvents(const std::string& name, Control& control);
    void onClose(wxCloseEvent& event);
    // Sends the text gathered from SCI_ADDTEXT calls; every other editor access flushes first.
    void flushEditorText() const;
    const Control* find(std::string_view name) const;
    Control* find(std::string_view name);

    wxFrame* frame_ = nullptr;
    std::string windowCaption_;
    std::map<std::string, Control, std::less<>> controls_;
    RowStoreList* list_ = nullptr;
    wxStyledTextCtrl* editor_ = nullptr;
    mutable std::string pendingEditorText_;
    std::map<std::string, FontChoice, std::less<>> fonts_;
    std::map<std::pair<std::string, UiEvent>, std::function<void()>> handlers_;
    std::function<bool()> closeHandler_;
    std::chrono::steady_clock::time_point lastDispatch_{};
};

}  // namespace kovrel::platform

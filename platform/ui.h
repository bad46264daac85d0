// The main window's controls, reached by their design names. Every text is a GBK
// byte string; the real implementation converts at the control boundary.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kovrel::platform {

// The window itself is addressed by this name (caption, size, close request).
inline constexpr std::string_view kMainWindowName = "MainWindow";

enum class UiEvent {
    Clicked,         // button, radio button, or menu item (menu items are named by caption)
    TextChanged,     // edit box text changed, by the user or by setText
    RightMouseDown,  // right mouse button pressed on a control
    ColourChosen,    // a colour picker's pop-up completed a choice
};

struct FontChoice {
    std::string name;  // GBK
    int pointSize = 0;
};

class Ui {
public:
    virtual ~Ui() = default;

    // Text of an edit box or code editor, caption of a label, button or the window.
    virtual std::string text(std::string_view control) const = 0;
    // Replaces the whole text; edit boxes raise TextChanged as on a user edit.
    virtual void setText(std::string_view control, std::string_view text) = 0;
    virtual bool checked(std::string_view control) const = 0;
    virtual void setChecked(std::string_view control, bool on) = 0;
    // The selected part of an edit box's text; empty when nothing is selected.
    virtual std::string selectedText(std::string_view control) const = 0;

    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void setSize(int width, int height) = 0;

    // Report-style list.
    virtual void clearRows(std::string_view list) = 0;
    virtual int appendRow(std::string_view list) = 0;  // index of the new, empty row
    virtual void setCell(std::string_view list, int row, int column, std::string_view text) = 0;
    virtual std::string cell(std::string_view list, int row, int column) const = 0;  // "" when out of range
    virtual int rowCount(std::string_view list) const = 0;
    virtual int selectedRow(std::string_view list) const = 0;  // -1 when none

    // Colour pickers hold 0x00BBGGRR colours.
    virtual uint32_t colour(std::string_view picker) const = 0;
    virtual void setColour(std::string_view picker, uint32_t colour) = 0;

    // The font chooser (common dialog) keeps a face name and a point size.
    virtual FontChoice font(std::string_view chooser) const = 0;
    virtual void setFont(std::string_view chooser, const FontChoice& font) = 0;
    // Opens the font dialog on the current choice; true when confirmed (the chooser then holds it).
    virtual bool chooseFont(std::string_view chooser) = 0;

    // A Scintilla message to the code editor, by number. A text argument goes in lParam
    // as a pointer to GBK bytes.
    virtual intptr_t sendEditor(std::string_view editor, unsigned message, uintptr_t wParam, intptr_t lParam) = 0;

    // Pops up a menu ("菜单", "菜单2") at the mouse position.
    virtual void popupMenu(std::string_view menu) = 0;
    // Dispatches the window events that are waiting, then returns.
    virtual void processPendingEvents() = 0;

    // Connects a handler; a control may carry one handler per event.
    virtual void bind(std::string_view control, UiEvent event, std::function<void()> handler) = 0;
    // Asked when the user closes the window; returning false keeps it open.
    virtual void onCloseRequest(std::function<bool()> handler) = 0;
};

}  // namespace kovrel::platform

#include "app/main_window_design.h"

namespace kovrel::app {

const ControlDesign* findControl(std::string_view name) {
    for (const ControlDesign& control : kMainWindowControls) {
        if (control.name == name) return &control;
    }
    return nullptr;
}

Point windowPosition(const ControlDesign& control) {
    Point at{control.left, control.top};
    if (control.parent.empty()) return at;
    if (const ControlDesign* group = findControl(control.parent)) {
        const Point origin = windowPosition(*group);
        at.x += origin.x;
        at.y += origin.y;
    }
    return at;
}

bool opensSubmenu(std::string_view menu, std::string_view caption) {
    for (const MenuItemDesign& item : kMenuItems) {
        if (item.menu == menu && item.parent == caption) return true;
    }
    return false;
}

}  // namespace kovrel::app

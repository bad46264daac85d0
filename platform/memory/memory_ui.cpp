#include <algorithm>
#include <cstring>

#include "platform/memory/memory_platform.h"

namespace kovrel::platform {

namespace {

const std::vector<std::vector<std::string>> kNoRows;

// The text argument of a message, or "" for messages that carry none.
std::string textArgument(unsigned message, uintptr_t wParam, intptr_t lParam) {
    const char* text = reinterpret_cast<const char*>(lParam);
    if (text == nullptr) return {};
    switch (message) {
        case kSciAddText:
        case kSciAppendText: return std::string(text, wParam);
        case kSciSetText:
        case kSciSetKeywords:
        case kSciStyleSetFont:
        case kSciSetLexerLanguage: return std::string(text);
        default: return {};
    }
}

}  // namespace

void MemoryUi::declare(std::string_view control) { declared_.emplace(control); }

void MemoryUi::setRadioGroup(std::vector<std::string> members) { radioGroups_.push_back(std::move(members)); }

void MemoryUi::note(std::string_view name) const {
    if (declared_.empty() || name == kMainWindowName || declared_.count(name) != 0) return;
    if (std::find(unknownNames_.begin(), unknownNames_.end(), name) == unknownNames_.end()) {
        unknownNames_.emplace_back(name);
    }
}

MemoryUi::Control& MemoryUi::at(std::string_view name) {
    note(name);
    auto it = controls_.find(name);
    if (it == controls_.end()) it = controls_.emplace(std::string(name), Control{}).first;
    return it->second;
}

const MemoryUi::Control* MemoryUi::find(std::string_view name) const {
    note(name);
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : &it->second;
}

std::string MemoryUi::text(std::string_view control) const {
    const Control* c = find(control);
    return c ? c->text : std::string();
}

void MemoryUi::setText(std::string_view control, std::string_view text) {
    Control& c = at(control);
    c.text.assign(text.data(), text.size());
    c.caret = 0;
    c.selection.clear();
    ++c.textChanges;
    fire(control, UiEvent::TextChanged);
}

bool MemoryUi::checked(std::string_view control) const {
    const Control* c = find(control);
    return c && c->checked;
}

void MemoryUi::setChecked(std::string_view control, bool on) { at(control).checked = on; }

std::string MemoryUi::selectedText(std::string_view control) const {
    const Control* c = find(control);
    return c ? c->selection : std::string();
}

void MemoryUi::setSize(int width, int height) {
    width_ = width;
    height_ = height;
}

void MemoryUi::clearRows(std::string_view list) {
    Control& c = at(list);
    c.rows.clear();
    c.selectedRow = -1;
}

int MemoryUi::appendRow(std::string_view list) {
    Control& c = at(list);
    c.rows.emplace_back();
    return static_cast<int>(c.rows.size()) - 1;
}

void MemoryUi::setCell(std::string_view list, int row, int column, std::string_view text) {
    Control& c = at(list);
    if (row < 0 || column < 0 || row >= static_cast<int>(c.rows.size())) return;
    std::vector<std::string>& cells = c.rows[static_cast<size_t>(row)];
    if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)].assign(text.data(), text.size());
}

std::string MemoryUi::cell(std::string_view list, int row, int column) const {
    const Control* c = find(list);
    if (!c || row < 0 || column < 0 || row >= static_cast<int>(c->rows.size())) return {};
    const std::vector<std::string>& cells = c->rows[static_cast<size_t>(row)];
    return static_cast<size_t>(column) < cells.size() ? cells[static_cast<size_t>(column)] : std::string();
}

int MemoryUi::rowCount(std::string_view list) const {
    const Control* c = find(list);
    return c ? static_cast<int>(c->rows.size()) : 0;
}

int MemoryUi::selectedRow(std::string_view list) const {
    const Control* c = find(list);
    return c ? c->selectedRow : -1;
}

const std::vector<std::vector<std::string>>& MemoryUi::rows(std::string_view list) const {
    const Control* c = find(list);
    return c ? c->rows : kNoRows;
}

uint32_t MemoryUi::colour(std::string_view picker) const {
    const Control* c = find(picker);
    return c ? c->colour : 0;
}

void MemoryUi::setColour(std::string_view picker, uint32_t colour) { at(picker).colour = colour; }

FontChoice MemoryUi::font(std::string_view chooser) const {
    const Control* c = find(chooser);
    return c ? c->font : FontChoice{};
}

void MemoryUi::setFont(std::string_view chooser, const FontChoice& font) { at(chooser).font = font; }

bool MemoryUi::chooseFont(std::string_view chooser) {
    Control& c = at(chooser);
    fontDialogsOpened_.push_back(c.font);
    if (!fontDialogAnswer_) return false;
    c.font = *fontDialogAnswer_;
    return true;
}

intptr_t MemoryUi::sendEditor(std::string_view editor, unsigned message, uintptr_t wParam, intptr_t lParam) {
    editorMessages_.push_back({std::string(editor), message, wParam, lParam, textArgument(message, wParam, lParam)});
    Control& c = at(editor);
    switch (message) {
        case kSciSetText:
            c.text = editorMessages_.back().text;
            c.caret = 0;
            return 0;
        case kSciAddText: {
            const std::string& added = editorMessages_.back().text;
            c.caret = std::min(c.caret, c.text.size());
            c.text.insert(c.caret, added);
            c.caret += added.size();
            return 0;
        }
        case kSciAppendText: c.text += editorMessages_.back().text; return 0;
        case kSciClearAll:
            c.text.clear();
            c.caret = 0;
            return 0;
        case kSciGetLength:
        case kSciGetTextLength: return static_cast<intptr_t>(c.text.size());
        case kSciGetCurrentPos: return static_cast<intptr_t>(c.caret);
        case kSciGetText: {
            // wParam is the buffer's size, the terminating zero included.
            char* buffer = reinterpret_cast<char*>(lParam);
            if (buffer == nullptr) return static_cast<intptr_t>(c.text.size());
            if (wParam == 0) return 0;
            const size_t n = std::min(static_cast<size_t>(wParam) - 1, c.text.size());
            std::memcpy(buffer, c.text.data(), n);
            buffer[n] = '\0';
            return static_cast<intptr_t>(n);
        }
        default: return 0;
    }
}

void MemoryUi::popupMenu(std::string_view menu) { popupMenus_.emplace_back(menu); }

void MemoryUi::processPendingEvents() {
    ++pendingEventRuns_;
    // A waiting event may itself process events; it must not run twice.
    if (pendingHook_ && !inPendingHook_) {
        inPendingHook_ = true;
        std::function<void()> hook = pendingHook_;
        hook();
        inPendingHook_ = false;
    }
}

void MemoryUi::bind(std::string_view control, UiEvent event, std::function<void()> handler) {
    note(control);
    handlers_[{std::string(control), event}] = std::move(handler);
}

void MemoryUi::onCloseRequest(std::function<bool()> handler) { closeHandler_ = std::move(handler); }

bool MemoryUi::hasHandler(std::string_view control, UiEvent event) const {
    return handlers_.count({std::string(control), event}) != 0;
}

bool MemoryUi::fire(std::string_view control, UiEvent event) {
    auto it = handlers_.find({std::string(control), event});
    if (it == handlers_.end() || !it->second) return false;
    // Copy: the handler may rebind itself.
    std::function<void()> handler = it->second;
    handler();
    return true;
}

bool MemoryUi::click(std::string_view control) {
    for (const std::vector<std::string>& group : radioGroups_) {
        if (std::find(group.begin(), group.end(), control) == group.end()) continue;
        for (const std::string& member : group) at(member).checked = member == control;
    }
    return fire(control, UiEvent::Clicked);
}

bool MemoryUi::rightClick(std::string_view control) { return fire(control, UiEvent::RightMouseDown); }

bool MemoryUi::chooseColour(std::string_view picker, uint32_t colour) {
    at(picker).colour = colour;
    return fire(picker, UiEvent::ColourChosen);
}

bool MemoryUi::requestClose() {
    if (!closeHandler_) return true;
    std::function<bool()> handler = closeHandler_;
    return handler();
}

void MemoryUi::setSelectedText(std::string_view control, std::string_view text) {
    at(control).selection.assign(text.data(), text.size());
}

void MemoryUi::selectRow(std::string_view list, int row) { at(list).selectedRow = row; }

int MemoryUi::textChangedCount(std::string_view control) const {
    const Control* c = find(control);
    return c ? c->textChanges : 0;
}

}  // namespace kovrel::platform

// The in-memory platform: every interface of platform/*.h kept in plain containers, for
// tests that run commands without a window or an operating system. Each object records what
// was asked of it and answers from scripts the test sets up beforehand.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace kovrel::platform {

// ---------------------------------------------------------------- window

struct EditorMessage {
    std::string editor;
    unsigned message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::string text;  // the text argument of the messages that carry one, else ""
};

// Scintilla message numbers the text model understands.
enum : unsigned {
    kSciAddText = 2001,
    kSciClearAll = 2004,
    kSciGetLength = 2006,
    kSciGetCurrentPos = 2008,
    kSciStyleSetFont = 2056,
    kSciSetText = 2181,
    kSciGetText = 2182,
    kSciGetTextLength = 2183,
    kSciAppendText = 2282,
    kSciSetKeywords = 4005,
    kSciSetLexerLanguage = 4006,
};

class MemoryUi final : public Ui {
public:
    // Declaring controls is optional; once any is declared, every access to an undeclared
    // name is recorded in unknownNames() so tests catch misspelt names.
    void declare(std::string_view control);
    const std::vector<std::string>& unknownNames() const { return unknownNames_; }
    // Clicking one member of a group checks it and clears the others, then fires Clicked.
    void setRadioGroup(std::vector<std::string> members);

    // Ui
    std::string text(std::string_view control) const override;
    void setText(std::string_view control, std::string_view text) override;
    bool checked(std::string_view control) const override;
    void setChecked(std::string_view control, bool on) override;
    std::string selectedText(std::string_view control) const override;
    int width() const override { return width_; }
    int height() const override { return height_; }
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

    // What the user does. Each returns false when no handler is bound for the event.
    bool click(std::string_view control);
    bool rightClick(std::string_view control);
    bool chooseColour(std::string_view picker, uint32_t colour);
    // Sets the text as typing would (fires TextChanged like setText).
    void type(std::string_view control, std::string_view text) { setText(control, text); }
    // Returns whether the window may close: true when no handler is bound.
    bool requestClose();
    bool fire(std::string_view control, UiEvent event);
    bool hasHandler(std::string_view control, UiEvent event) const;

    // Test set-up.
    void setSelectedText(std::string_view control, std::string_view text);
    void selectRow(std::string_view list, int row);  // -1 for none
    const std::vector<std::vector<std::string>>& rows(std::string_view list) const;
    // The font dialog's answer: a choice confirms, nullopt cancels.
    void scriptFontDialog(std::optional<FontChoice> answer) { fontDialogAnswer_ = std::move(answer); }
    // Runs inside processPendingEvents, standing for the events that were waiting.
    void onPendingEvents(std::function<void()> hook) { pendingHook_ = std::move(hook); }

    // Records.
    const std::vector<EditorMessage>& editorMessages() const { return editorMessages_; }
    void clearEditorMessages() { editorMessages_.clear(); }
    const std::vector<std::string>& popupMenus() const { return popupMenus_; }
    const std::vector<FontChoice>& fontDialogsOpened() const { return fontDialogsOpened_; }
    int pendingEventRuns() const { return pendingEventRuns_; }
    int textChangedCount(std::string_view control) const;

private:
    struct Control {
        std::string text;
        bool checked = false;
        std::string selection;
        uint32_t colour = 0;
        FontChoice font;
        std::vector<std::vector<std::string>> rows;
        int selectedRow = -1;
        size_t caret = 0;  // code editor caret, a byte offset into text
        int textChanges = 0;
    };
    Control& at(std::string_view name);
    const Control* find(std::string_view name) const;
    void note(std::string_view name) const;

    std::map<std::string, Control, std::less<>> controls_;
    std::set<std::string, std::less<>> declared_;
    mutable std::vector<std::string> unknownNames_;
    std::vector<std::vector<std::string>> radioGroups_;
    std::map<std::pair<std::string, UiEvent>, std::function<void()>> handlers_;
    std::function<bool()> closeHandler_;
    std::optional<FontChoice> fontDialogAnswer_;
    std::vector<FontChoice> fontDialogsOpened_;
    std::function<void()> pendingHook_;
    std::vector<EditorMessage> editorMessages_;
    std::vector<std::string> popupMenus_;
    int pendingEventRuns_ = 0;
    bool inPendingHook_ = false;
    int width_ = 0;
    int height_ = 0;
};

// ---------------------------------------------------------------- dialogs

struct MessageRecord {
    std::string text;
    int style = 0;
    std::string title;
    bool operator==(const MessageRecord&) const = default;
};

struct TimedMessageRecord {
    std::string text;
    std::string title;
    int milliseconds = 0;
    bool operator==(const TimedMessageRecord&) const = default;
};

class MemoryDialogs final : public Dialogs {
public:
    int messageBox(std::string_view text, int style, std::string_view title = kDefaultMessageTitle) override;
    void timedMessageBox(std::string_view text, std::string_view title, int milliseconds) override;

    // Answers given in order; when none is left the box answers OK.
    void scriptAnswers(std::vector<int> answers) { answers_.assign(answers.begin(), answers.end()); }
    // Runs while a box is open (after it is logged, before it answers).
    void onMessage(std::function<void()> hook) { hook_ = std::move(hook); }
    const std::vector<MessageRecord>& messages() const { return messages_; }
    const std::vector<TimedMessageRecord>& timedMessages() const { return timed_; }
    void clear() {
        messages_.clear();
        timed_.clear();
    }

private:
    std::deque<int> answers_;
    std::function<void()> hook_;
    std::vector<MessageRecord> messages_;
    std::vector<TimedMessageRecord> timed_;
};

// ---------------------------------------------------------------- clipboard

class MemoryClipboard final : public Clipboard {
public:
    std::optional<std::string> text() override;
    bool setText(std::string_view text) override;

    void putText(std::string_view text) { content_ = std::string(text); }
    void putNoText() { content_.reset(); }  // an image, say
    void setCanOpen(bool on) { canOpen_ = on; }
    const std::optional<std::string>& content() const { return content_; }
    int writes() const { return writes_; }

private:
    std::optional<std::string> content_;
    bool canOpen_ = true;
    int writes_ = 0;
};

// ---------------------------------------------------------------- files

class MemoryFiles final : public Files {
public:
    bool exists(const std::string& path) override;
    bool isDirectory(const std::string& path) override;
    std::optional<std::string> read(const std::string& path) override;
    bool write(const std::string& path, std::string_view bytes) override;
    bool writeAtomically(const std::string& path, std::string_view bytes) override;
    bool remove(const std::string& path) override;
    bool createDirectory(const std::string& path) override;
    bool setExecutable(const std::string& path) override;

    // Writes under a read-only folder (path prefix) fail.
    void makeReadOnly(const std::string& prefix) { readOnly_.push_back(prefix); }
    void put(const std::string& path, std::string_view bytes) { files_[path] = std::string(bytes); }
    const std::map<std::string, std::string>& files() const { return files_; }
    const std::set<std::string>& directories() const { return directories_; }
    const std::vector<std::string>& writeLog() const { return writeLog_; }  // every path written
    const std::vector<std::string>& removeLog() const { return removeLog_; }
    bool isExecutable(const std::string& path) const { return executable_.count(path) != 0; }

private:
    bool writable(const std::string& path) const;
    std::map<std::string, std::string> files_;
    std::set<std::string> directories_;
    std::set<std::string> executable_;
    std::vector<std::string> readOnly_;
    std::vector<std::string> writeLog_;
    std::vector<std::string> removeLog_;
};

// ---------------------------------------------------------------- processes

struct ProcessRecord {
    std::string commandLine;
    bool capture = false;
};

class MemoryProcesses final : public Processes {
public:
    ToolRun runConsoleTool(const std::string& commandLine, bool capture) override;
    bool startProgram(const std::string& commandLine) override;

    // A command line that is scripted starts and writes that output; others do not start.
    void script(const std::string& commandLine, std::string output) { scripted_[commandLine] = std::move(output); }
    // Decides every run that has no script (for tools that read their input file).
    void onRun(std::function<ToolRun(const std::string&, bool)> handler) { handler_ = std::move(handler); }
    void setStartProgramResult(bool started) { startResult_ = started; }
    const std::vector<ProcessRecord>& runs() const { return runs_; }
    const std::vector<std::string>& startedPrograms() const { return started_; }

private:
    std::map<std::string, std::string> scripted_;
    std::function<ToolRun(const std::string&, bool)> handler_;
    bool startResult_ = true;
    std::vector<ProcessRecord> runs_;
    std::vector<std::string> started_;
};

// ---------------------------------------------------------------- libraries

class MemoryLibraries final : public Libraries {
public:
    using Symbols = std::map<std::string, void*, std::less<>>;
    void* load(const std::string& name) override;
    void* symbol(void* library, const char* name) override;

    // A library the loader can find, with its exported symbols.
    void provide(const std::string& name, Symbols symbols);
    // When set, a provided library loads only while this says it is present
    // (for example once its file has been written somewhere).
    void setPresence(std::function<bool(const std::string&)> present) { present_ = std::move(present); }
    int loadAttempts() const { return attempts_; }
    int successfulLoads() const { return successes_; }
    const std::vector<std::string>& loadLog() const { return log_; }

private:
    struct Library {
        std::string name;
        Symbols symbols;
    };
    std::map<std::string, Library> libraries_;
    std::function<bool(const std::string&)> present_;
    int attempts_ = 0;
    int successes_ = 0;
    std::vector<std::string> log_;
};

// ---------------------------------------------------------------- system

class MemorySystem final : public System {
public:
    std::string executablePath() override { return executablePath_; }
    std::string executableDirectory() override;
    std::string temporaryDirectory() override { return temporaryDirectory_; }
    std::string systemDirectory() override { return systemDirectory_; }
    char pathSeparator() override { return '/'; }
    uint32_t tickCount() override;
    void sleep(int milliseconds) override;
    bool acquireSingleInstance(const std::string& name) override;
    void endProgram(int exitCode) override;

    void setExecutablePath(std::string path) { executablePath_ = std::move(path); }
    void setTemporaryDirectory(std::string path) { temporaryDirectory_ = std::move(path); }
    void setSystemDirectory(std::string path) { systemDirectory_ = std::move(path); }
    // The clock starts at `ticks` and moves on by `step` at every read.
    void setTicks(uint32_t ticks, uint32_t step = 0) {
        ticks_ = ticks;
        tickStep_ = step;
    }
    void advance(uint32_t milliseconds) { ticks_ += milliseconds; }
    // Another process holds this guard.
    void holdElsewhere(const std::string& name) { heldElsewhere_.insert(name); }
    // Runs inside sleep, after it is logged (for looking at the window meanwhile).
    void onSleep(std::function<void()> hook) { sleepHook_ = std::move(hook); }

    const std::vector<int>& sleeps() const { return sleeps_; }
    const std::set<std::string>& heldGuards() const { return held_; }
    const std::vector<int>& endings() const { return endings_; }  // exit codes of endProgram
    bool ended() const { return !endings_.empty(); }

private:
    std::string executablePath_ = "/opt/kovrel/Kovrel";
    std::string temporaryDirectory_ = "/tmp";
    std::string systemDirectory_ = "/home/user/.local/lib/kovrel";
    uint32_t ticks_ = 1000;
    uint32_t tickStep_ = 0;
    std::set<std::string> heldElsewhere_;
    std::set<std::string> held_;
    std::function<void()> sleepHook_;
    std::vector<int> sleeps_;
    std::vector<int> endings_;
};

// ---------------------------------------------------------------- network

class MemoryHttp final : public HttpClient {
public:
    std::optional<std::string> get(const std::string& url) override;
    // Unscripted addresses give nothing (server unreachable).
    void script(const std::string& url, std::optional<std::string> body) { replies_[url] = std::move(body); }
    const std::vector<std::string>& requests() const { return requests_; }

private:
    std::map<std::string, std::optional<std::string>> replies_;
    std::vector<std::string> requests_;
};

// A stand-in document: load() keeps the bytes; attributes come from a script keyed by
// path and name. Tests of the feed reading use the real reader.
class MemoryXml final : public XmlDocument {
public:
    void load(std::string_view bytes) override;
    std::string attribute(std::string_view path, std::string_view name) const override;
    void scriptAttribute(std::string path, std::string name, std::string value);
    const std::vector<std::string>& loads() const { return loads_; }

private:
    std::map<std::pair<std::string, std::string>, std::string, std::less<>> attributes_;
    std::vector<std::string> loads_;
};

// ---------------------------------------------------------------- the bundle

class MemoryPlatform {
public:
    MemoryPlatform() = default;
    MemoryPlatform(const MemoryPlatform&) = delete;
    MemoryPlatform& operator=(const MemoryPlatform&) = delete;

    MemoryUi ui;
    MemoryDialogs dialogs;
    MemoryClipboard clipboard;
    MemoryFiles files;
    MemoryProcesses processes;
    MemoryLibraries libraries;
    MemorySystem system;
    MemoryHttp http;
    MemoryXml feedDocument;

    Platform& platform() { return bundle_; }
    operator Platform&() { return bundle_; }

private:
    Platform bundle_{ui, dialogs, clipboard, files, processes, libraries, system, http, feedDocument};
};

}  // namespace kovrel::platform

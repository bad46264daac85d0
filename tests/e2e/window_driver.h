// Drives the real Kovrel program from outside: starts it in a fresh folder with its own
// runtime and data folders, finds its window with xdotool, types and clicks through the X
// server, and reads the window's state from the program's test dump (KOVREL_TEST_DUMP, see
// platform/wx/test_dump.h).
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window_design.h"

namespace kovrel::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out.push_back(c);
    }
    return out + "'";
}

// Runs a command, returns its standard output.
inline std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(50ms);
    }
    return done();
}

// The display the program runs on: $DISPLAY when set, else a private Xvfb.
class Display {
public:
    Display() {
        const char* current = std::getenv("DISPLAY");
        if (current && *current) {
            name_ = current;
            return;
        }
        for (int number = 140; number < 200 && name_.empty(); ++number) {
            std::string candidate(1, ':');
            candidate += std::to_string(number);
            if (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
                fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
                continue;
            xvfb_ = ::fork();
            if (xvfb_ == 0) {
                const int null = ::open("/dev/null", O_RDWR);
                ::dup2(null, 1);
                ::dup2(null, 2);
                ::execlp("Xvfb", "Xvfb", candidate.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                         static_cast<char*>(nullptr));
                ::_exit(127);
            }
            name_ = candidate;
        }
        ::setenv("DISPLAY", name_.c_str(), 1);
        waitFor([] { return std::system("xdpyinfo >/dev/null 2>&1") == 0; });
    }
    ~Display() {
        if (xvfb_ > 0) {
            ::kill(xvfb_, SIGTERM);
            ::waitpid(xvfb_, nullptr, 0);
        }
    }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    pid_t xvfb_ = -1;
};

// One reading of the program's dump file.
struct WindowState {
    int number = 0;
    std::string caption;
    int width = 0, height = 0;
    std::map<std::string, std::string> texts;
    std::map<std::string, bool> checked;
    std::map<std::string, std::string> fonts;  // "name size"
    int rowCount = 0;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::pair<std::string, std::string>> messages;  // title, text
    std::pair<std::string, std::string> openBox;                // empty when none is open
};

inline std::string unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out.push_back(field[i]);
            continue;
        }
        const char c = field[++i];
        out.push_back(c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c);
    }
    return out;
}

inline WindowState parseDump(const std::string& content) {
    WindowState state;
    std::istringstream lines(content);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        size_t at = 0;
        for (;;) {
            const size_t tab = line.find('\t', at);
            f.push_back(unescape(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at)));
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        const std::string& kind = f[0];
        if (kind == "dump" && f.size() > 1) state.number = std::atoi(f[1].c_str());
        else if (kind == "window" && f.size() > 3) {
            state.caption = f[1];
            state.width = std::atoi(f[2].c_str());
            state.height = std::atoi(f[3].c_str());
        } else if (kind == "text" && f.size() > 2) state.texts[f[1]] = f[2];
        else if (kind == "checked" && f.size() > 2) state.checked[f[1]] = f[2] == "1";
        else if (kind == "font" && f.size() > 3) state.fonts[f[1]] = f[2] + " " + f[3];
        else if (kind == "rows" && f.size() > 2) state.rowCount = std::atoi(f[2].c_str());
        else if (kind == "row" && f.size() > 1) state.rows.emplace_back(f.begin() + 2, f.end());
        else if (kind == "message" && f.size() > 2) state.messages.emplace_back(f[1], f[2]);
        else if (kind == "open" && f.size() > 2) state.openBox = {f[1], f[2]};
    }
    return state;
}

// Sends the close request a window manager sends for the close box.
inline bool requestClose(unsigned long window) {
    ::Display* x = XOpenDisplay(nullptr);
    if (!x) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(x, window, False, NoEventMask, &event) != 0;
    XFlush(x);
    XCloseDisplay(x);
    return sent;
}

// A started Kovrel in its own folders: app/ (the executable), run/ (the working folder),
// data/ (XDG_DATA_HOME, the per-user system folder), xdg/ (XDG_RUNTIME_DIR, the
// single-instance lock) and tmp/ (TMPDIR).
class KovrelProcess {
public:
    // `root` is shared by the instances that must see each other (second start).
    // `environment` overrides the variables set here, after they are set.
    KovrelProcess(const fs::path& root, const fs::path& executable, const std::string& dumpName = "dump",
                  const std::map<std::string, std::string>& environment = {})
        : root_(root), dump_(root / dumpName) {
        for (const char* dir : {"app", "run", "data", "xdg", "tmp"}) fs::create_directories(root / dir);
        const fs::path copy = root / "app" / executable.filename();
        if (!fs::exists(copy)) fs::copy_file(executable, copy);
        fs::remove(dump_);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::chdir((root / "run").c_str());
            ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", (root / "xdg").c_str(), 1);
            ::setenv("TMPDIR", (root / "tmp").c_str(), 1);
            ::setenv("KOVREL_TEST_DUMP", dump_.c_str(), 1);
            for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
            const int null = ::open("/dev/null", O_RDWR);
            const int log = ::open((root / (dumpName + ".stderr")).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(null, 1);
            ::dup2(log >= 0 ? log : null, 2);
            ::execl(copy.c_str(), copy.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~KovrelProcess() {
        if (running()) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    pid_t pid() const { return pid_; }

    bool running() {
        if (exited_) return false;
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exited_ = true;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return false;
        }
        return true;
    }
    bool waitExit(std::chrono::milliseconds timeout = 10s) {
        return waitFor([this] { return !running(); }, timeout);
    }
    int exitCode() const { return exitCode_; }

    // For failure messages: whether it runs, and its last dump.
    std::string describe() {
        std::string out = running() ? "running" : "ended with " + std::to_string(exitCode_);
        std::ifstream in(dump_);
        std::stringstream content;
        content << in.rdbuf();
        std::ifstream err(dump_.string() + ".stderr");
        std::stringstream errors;
        errors << err.rdbuf();
        return out + "; dump:\n" + content.str() + "\nstandard error:\n" + errors.str();
    }

    // The visible top-level window whose title starts with `titlePrefix` (a regular expression).
    unsigned long findWindow(const std::string& titleRegex, std::chrono::milliseconds timeout = 10s) {
        unsigned long window = 0;
        waitFor(
            [&] {
                const std::string out = run("xdotool search --onlyvisible --pid " + std::to_string(pid_) + " --name " +
                                            shellQuote(titleRegex) + " 2>/dev/null");
                window = std::strtoul(out.c_str(), nullptr, 10);
                return window != 0 || !running();
            },
            timeout);
        return window;
    }

    // Asks for a dump and waits until a newer one than the last seen is written.
    WindowState state() {
        const int before = last_.number;
        ::kill(pid_, SIGUSR1);
        waitFor([&] {
            std::ifstream in(dump_);
            std::stringstream content;
            content << in.rdbuf();
            WindowState read = parseDump(content.str());
            if (read.number <= before) return false;
            last_ = std::move(read);
            return true;
        });
        return last_;
    }
    // Waits until the dump satisfies `done`.
    bool waitState(const std::function<bool(const WindowState&)>& done, std::chrono::milliseconds timeout = 15s) {
        return waitFor([&] { return done(state()); }, timeout);
    }

    // Moves the pointer to the centre of a control of the design and clicks it.
    void click(unsigned long window, std::string_view control) {
        const app::ControlDesign* c = app::findControl(control);
        if (!c) return;
        const app::Point at = app::windowPosition(*c);
        focus(window);
        run("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(at.x + c->width / 2) + " " +
            std::to_string(at.y + c->height / 2) + " click 1");
    }
    // Types into a control after clicking into it; synthetic events to a window are ignored
    // by GTK, so the keys go to the focused window.
    void type(unsigned long window, std::string_view control, const std::string& text) {
        click(window, control);
        std::this_thread::sleep_for(100ms);
        run("xdotool type --delay 15 " + shellQuote(text));
    }
    // Types the text into an edit box until the box holds exactly it: under load the first
    // keys can arrive before the box has the focus.
    bool enter(unsigned long window, std::string_view control, const std::string& text) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            type(window, control, text);
            const std::string name(control);
            if (waitState([&](const WindowState& s) { return s.texts.count(name) && s.texts.at(name) == text; }, 3s))
                return true;
            click(window, control);
            run("xdotool key ctrl+a BackSpace");
        }
        return false;
    }
    void focus(unsigned long window) { run("xdotool windowfocus --sync " + std::to_string(window) + " 2>/dev/null"); }
    void key(unsigned long window, const std::string& keys) {
        focus(window);
        run("xdotool key " + keys);
    }
    std::string geometry(unsigned long window) {
        const std::string out = run("xdotool getwindowgeometry " + std::to_string(window));
        const size_t at = out.find("Geometry: ");
        if (at == std::string::npos) return {};
        return out.substr(at + 10, out.find('\n', at) - at - 10);
    }

private:
    fs::path root_;
    fs::path dump_;
    pid_t pid_ = -1;
    bool exited_ = false;
    int exitCode_ = -1;
    WindowState last_;
};

}  // namespace kovrel::e2e

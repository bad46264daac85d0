#include "platform/posix/posix_system.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/defs.h>
#include <wx/snglinst.h>
#include <wx/string.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

extern char** environ;

namespace kovrel::platform {
namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void makeDirectories(const std::string& path) {
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        ::mkdir(path.substr(0, at).c_str(), 0755);
        if (at == std::string::npos) break;
    }
}

// Everything a spawned child needs but the program; owned here so no path leaks.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    SpawnSetup() { posix_spawn_file_actions_init(&actions); }
    ~SpawnSetup() { posix_spawn_file_actions_destroy(&actions); }
};

pid_t spawn(const std::string& program, const std::vector<std::string>& words, SpawnSetup& setup) {
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &setup.actions, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

}  // namespace

// ---- Files

bool PosixFiles::exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool PosixFiles::isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> PosixFiles::read(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

bool PosixFiles::write(const std::string& path, std::string_view bytes) {
    // An existing file gets a new inode rather than being truncated: the file may be a
    // library this process has mapped, and truncating it would pull the pages from under it.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && replace(path, bytes, false)) return true;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = writeAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

bool PosixFiles::writeAtomically(const std::string& path, std::string_view bytes) { return replace(path, bytes, true); }

bool PosixFiles::replace(const std::string& path, std::string_view bytes, bool sync) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    // Keep the target's permissions (the updater replaces executables this way).
    struct stat st {};
    ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    const bool written = writeAll(fd, bytes) && (!sync || ::fsync(fd) == 0);
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool PosixFiles::remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool PosixFiles::createDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && isDirectory(path));
}

bool PosixFiles::setExecutable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    // Execute for whoever may read it.
    const mode_t mode = st.st_mode | ((st.st_mode & 0444) >> 2);
    return ::chmod(path.c_str(), mode & 07777) == 0;
}

// ---- Processes

std::vector<std::string> PosixProcesses::splitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < commandLine.size()) {
        while (at < commandLine.size() && commandLine[at] == ' ') ++at;
        const size_t end = commandLine.find(' ', at);
        const size_t stop = end == std::string::npos ? commandLine.size() : end;
        if (stop > at) words.push_back(commandLine.substr(at, stop - at));
        at = stop;
    }
    return words;
}

std::string PosixProcesses::resolveProgram(const std::string& word) {
    if (word.find('/') != std::string::npos) return word;
    const std::string beside = system_.executableDirectory() + "/" + word;
    if (isExecutableFile(beside)) return beside;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t at = 0;
    while (at <= dirs.size()) {
        const size_t colon = dirs.find(':', at);
        const size_t stop = colon == std::string::npos ? dirs.size() : colon;
        // An empty entry means the current folder.
        const std::string candidate = (stop > at ? dirs.substr(at, stop - at) : std::string(1, '.')) + "/" + word;
        if (isExecutableFile(candidate)) return candidate;
        at = stop + 1;
    }
    return {};
}

ToolRun PosixProcesses::runConsoleTool(const std::string& commandLine, bool capture) {
    ToolRun run;
    const std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty()) return run;
    const std::string program = resolveProgram(words[0]);
    if (program.empty()) return run;

    int pipeEnds[2] = {-1, -1};
    if (capture && ::pipe2(pipeEnds, O_CLOEXEC) != 0) return run;
    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    if (capture) {
        posix_spawn_file_actions_adddup2(&setup.actions, pipeEnds[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
    const pid_t pid = spawn(program, words, setup);
    if (capture) ::close(pipeEnds[1]);
    if (pid < 0) {
        if (capture) ::close(pipeEnds[0]);
        return run;
    }
    run.started = true;
    if (capture) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            run.output.append(buffer, static_cast<size_t>(n));
        }
        ::close(pipeEnds[0]);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return run;
}

bool PosixProcesses::startProgram(const std::string& commandLine) {
    const std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty()) return false;
    const std::string program = resolveProgram(words[0]);
    if (program.empty()) return false;
    SpawnSetup setup;
    return spawn(program, words, setup) >= 0;
}

// ---- Libraries

void* PosixLibraries::load(const std::string& name) {
    if (name.find('/') != std::string::npos) return ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    for (const std::string& dir : {system_.executableDirectory(), system_.systemDirectory()}) {
        const std::string path = dir + "/" + name;
        if (::access(path.c_str(), R_OK) != 0) continue;
        if (void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
    }
    return ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* PosixLibraries::symbol(void* library, const char* name) { return library ? ::dlsym(library, name) : nullptr; }

// ---- System

PosixSystem::PosixSystem() = default;
PosixSystem::~PosixSystem() = default;

std::string PosixSystem::executablePath() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) return {};
    path.resize(static_cast<size_t>(n));
    return path;
}

std::string PosixSystem::executableDirectory() { return parentOf(executablePath()); }

std::string PosixSystem::temporaryDirectory() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string PosixSystem::systemDirectory() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    const std::string dir = base + "/kovrel";
    // Asked for just before a missing library is written there.
    makeDirectories(dir);
    return dir;
}

uint32_t PosixSystem::tickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

void PosixSystem::sleep(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool PosixSystem::acquireSingleInstance(const std::string& name) {
    // The lock lives in the session's runtime folder when there is one, else in the home folder.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const wxString folder = runtime && *runtime ? wxString::FromUTF8(runtime) : wxString();
    auto checker = std::make_unique<wxSingleInstanceChecker>();
    if (!checker->Create(wxString::FromUTF8("." + name + ".instance"), folder)) return true;
    if (checker->IsAnotherRunning()) return false;
    instance_ = std::move(checker);
    return true;
}

void PosixSystem::addExitCleanup(std::function<void()> cleanup) { cleanups_.push_back(std::move(cleanup)); }

void PosixSystem::runExitCleanup() {
    while (!cleanups_.empty()) {
        std::function<void()> cleanup = std::move(cleanups_.back());
        cleanups_.pop_back();
        cleanup();
    }
    instance_.reset();
}

void PosixSystem::endProgram(int exitCode) {
    runExitCleanup();
    std::fflush(nullptr);
    // The toolkit's own teardown is not needed: nothing it holds outlives the process.
    ::_exit(exitCode);
}

}  // namespace kovrel::platform

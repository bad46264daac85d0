// Files, programs, libraries and the system's paths on a POSIX system.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"

class wxSingleInstanceChecker;

namespace kovrel::platform {

class PosixFiles final : public Files {
public:
    bool exists(const std::string& path) override;
    bool isDirectory(const std::string& path) override;
    std::optional<std::string> read(const std::string& path) override;
    bool write(const std::string& path, std::string_view bytes) override;
    bool writeAtomically(const std::string& path, std::string_view bytes) override;
    bool remove(const std::string& path) override;
    bool createDirectory(const std::string& path) override;
    bool setExecutable(const std::string& path) override;

private:
    // Writes a temporary file beside the target and renames it over the target.
    bool replace(const std::string& path, std::string_view bytes, bool sync);
};

class PosixSystem;

class PosixProcesses final : public Processes {
public:
    explicit PosixProcesses(PosixSystem& system) : system_(system) {}
    ToolRun runConsoleTool(const std::string& commandLine, bool capture) override;
    bool startProgram(const std::string& commandLine) override;

    // The command line cut at spaces, as the original system cuts it: runs of spaces separate
    // words, nothing is quoted. Exposed for the tests.
    static std::vector<std::string> splitCommandLine(const std::string& commandLine);
    // The program a bare first word names: the executable's folder first, then PATH.
    std::string resolveProgram(const std::string& word);

private:
    PosixSystem& system_;
};

class PosixLibraries final : public Libraries {
public:
    explicit PosixLibraries(PosixSystem& system) : system_(system) {}
    void* load(const std::string& name) override;
    void* symbol(void* library, const char* name) override;

private:
    PosixSystem& system_;
};

class PosixSystem final : public System {
public:
    PosixSystem();
    ~PosixSystem() override;
    std::string executablePath() override;
    std::string executableDirectory() override;
    std::string temporaryDirectory() override;
    std::string systemDirectory() override;
    char pathSeparator() override { return '/'; }
    uint32_t tickCount() override;
    void sleep(int milliseconds) override;
    bool acquireSingleInstance(const std::string& name) override;
    [[noreturn]] void endProgram(int exitCode) override;

    // Runs at endProgram and at a normal exit, most recent first.
    void addExitCleanup(std::function<void()> cleanup);
    void runExitCleanup();

private:
    std::unique_ptr<wxSingleInstanceChecker> instance_;
    std::vector<std::function<void()>> cleanups_;
};

}  // namespace kovrel::platform

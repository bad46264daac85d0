// Operating-system services: files, programs, paths, time, the single-instance guard.
// Paths are byte strings in the system's own encoding.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kovrel::platform {

struct ToolRun {
    bool started = false;
    std::string output;  // standard output when captured, exactly as written
};

class Files {
public:
    virtual ~Files() = default;
    virtual bool exists(const std::string& path) = 0;  // a file or a folder
    virtual bool isDirectory(const std::string& path) = 0;
    virtual std::optional<std::string> read(const std::string& path) = 0;     // nullopt when unreadable
    virtual bool write(const std::string& path, std::string_view bytes) = 0;  // create or truncate
    // Writes beside the target and renames over it, so a failure never leaves half a file.
    virtual bool writeAtomically(const std::string& path, std::string_view bytes) = 0;
    virtual bool remove(const std::string& path) = 0;
    virtual bool createDirectory(const std::string& path) = 0;
    virtual bool setExecutable(const std::string& path) = 0;
};

class Processes {
public:
    virtual ~Processes() = default;
    // Starts a console program from a command line (first word looked up in the executable's
    // folder first, then on the search path) and blocks until it ends.
    virtual ToolRun runConsoleTool(const std::string& commandLine, bool capture) = 0;
    // Starts a program without waiting for it to end.
    virtual bool startProgram(const std::string& commandLine) = 0;
};

class Libraries {
public:
    virtual ~Libraries() = default;
    // Loads a shared library by bare name (executable's folder, then the per-user system
    // folder, then the usual search) or by path; nullptr on failure. Never unloaded.
    virtual void* load(const std::string& name) = 0;
    virtual void* symbol(void* library, const char* name) = 0;
};

class System {
public:
    virtual ~System() = default;
    virtual std::string executablePath() = 0;  // full path of the running program
    virtual std::string executableDirectory() = 0;
    virtual std::string temporaryDirectory() = 0;
    virtual std::string systemDirectory() = 0;  // where a missing engine library is written
    virtual char pathSeparator() = 0;
    virtual uint32_t tickCount() = 0;          // milliseconds
    virtual void sleep(int milliseconds) = 0;  // without dispatching window events
    // Takes the named single-instance guard; false when another process holds it.
    virtual bool acquireSingleInstance(const std::string& name) = 0;
    // Runs the exit clean-up and ends the process with the code.
    virtual void endProgram(int exitCode) = 0;
};

}  // namespace kovrel::platform

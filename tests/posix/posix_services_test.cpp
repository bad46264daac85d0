// Files, console tool runs, library loading and the single-instance guard on POSIX.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/init.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/posix_system.h"

namespace kovrel::platform {
namespace {

namespace fs = std::filesystem;

class PosixServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kovrel-posix-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    static void writeScript(const fs::path& path, const std::string& body) {
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
    }

    fs::path root_;
    PosixSystem system_;
    PosixFiles files_;
    PosixProcesses processes_{system_};
    PosixLibraries libraries_{system_};
};

// command line                      words
struct SplitCase {
    const char* line;
    std::vector<std::string> words;
};
const SplitCase kSplitCases[] = {
    // clang-format off
    {"vev_uvi  -b 32 /tmp/1a2b.tmp",  {"vev_uvi", "-b", "32", "/tmp/1a2b.tmp"}},
    {"",                              {}},
    {"   ",                           {}},
    {"tool",                          {"tool"}},
    {"  tool   a  ",                  {"tool", "a"}},
    {"tool /tmp/with space/x.tmp",    {"tool", "/tmp/with", "space/x.tmp"}},  // unquoted, as the original
    {"tool \"a b\"",                  {"tool", "\"a", "b\""}},
    {"tool\ta",                       {"tool\ta"}},                           // only spaces separate
    // clang-format on
};

TEST_F(PosixServicesTest, SplitsCommandLinesAtRunsOfSpaces) {
    for (const SplitCase& c : kSplitCases) {
        EXPECT_EQ(PosixProcesses::splitCommandLine(c.line), c.words) << "line: [" << c.line << "]";
    }
}

// command line                         started  captured output
struct ToolCase {
    const char* line;
    bool started;
    const char* output;
};
const ToolCase kToolCases[] = {
    // clang-format off
    {"printf abc",                       true,    "abc"},
    {"echo  a   b",                      true,    "a b\n"},
    {"printf a\\r\\nb",                  true,    "a\r\nb"},                 // bytes exactly as written
    {"ls /kovrel-no-such-folder",        true,    ""},                       // standard error goes nowhere
    {"cat",                              true,    ""},                       // standard input is empty
    {"kovrel-no-such-program -b 32 x",   false,   ""},
    {"",                                 false,   ""},
    {"/kovrel/no/such/path",             false,   ""},
    // clang-format on
};

TEST_F(PosixServicesTest, RunsConsoleToolsAndCapturesTheirOutput) {
    for (const ToolCase& c : kToolCases) {
        const ToolRun run = processes_.runConsoleTool(c.line, true);
        EXPECT_EQ(run.started, c.started) << c.line;
        EXPECT_EQ(run.output, c.output) << c.line;
    }
    EXPECT_TRUE(processes_.runConsoleTool("printf abc", false).output.empty()) << "nothing captured when not asked";
}

TEST_F(PosixServicesTest, CapturesMoreOutputThanAPipeHolds) {
    const ToolRun run = processes_.runConsoleTool("head -c 5000000 /dev/zero", true);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.output.size(), 5000000u);
}

TEST_F(PosixServicesTest, LooksInTheExecutablesFolderBeforeThePath) {
    const std::string name = "kovrel-test-tool-" + std::to_string(::getpid());
    const fs::path beside = fs::path(system_.executableDirectory()) / name;
    const fs::path onPath = root_ / name;
    writeScript(beside, "echo beside");
    writeScript(onPath, "echo path");
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (root_.string() + ":" + savedPath).c_str(), 1);
    EXPECT_EQ(processes_.runConsoleTool(name, true).output, "beside\n");
    fs::remove(beside);
    EXPECT_EQ(processes_.runConsoleTool(name, true).output, "path\n");
    ::setenv("PATH", savedPath.c_str(), 1);
}

TEST_F(PosixServicesTest, WritesReadsAndReplacesFiles) {
    const std::string path = (root_ / "data.dsn").string();
    EXPECT_FALSE(files_.exists(path));
    EXPECT_EQ(files_.read(path), std::nullopt);
    ASSERT_TRUE(files_.write(path, std::string("a\0b", 3)));
    EXPECT_EQ(files_.read(path), std::string("a\0b", 3));
    ASSERT_TRUE(files_.write(path, ""));
    EXPECT_EQ(files_.read(path), "");
    ASSERT_TRUE(files_.writeAtomically(path, "new"));
    EXPECT_EQ(files_.read(path), "new");
    EXPECT_EQ(files_.read(root_.string()), std::nullopt) << "a folder reads as nothing";
    EXPECT_TRUE(files_.isDirectory(root_.string()));
    EXPECT_FALSE(files_.isDirectory(path));
    EXPECT_FALSE(files_.write((root_ / "no-folder" / "x").string(), "x"));
    EXPECT_TRUE(files_.remove(path));
    EXPECT_FALSE(files_.exists(path));
    // No temporary file is left beside the target.
    EXPECT_TRUE(fs::is_empty(root_));
}

TEST_F(PosixServicesTest, RewritingAMappedFileLeavesTheMappingIntact) {
    const std::string path = (root_ / "zandrel_od.so").string();
    const std::string before(8192, 'A');
    ASSERT_TRUE(files_.write(path, before));
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    void* mapped = ::mmap(nullptr, before.size(), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    ASSERT_NE(mapped, MAP_FAILED);
    ASSERT_TRUE(files_.write(path, "short"));
    // Truncating in place would make this read fault.
    EXPECT_EQ(std::string(static_cast<const char*>(mapped), before.size()), before);
    EXPECT_EQ(files_.read(path), "short");
    ::munmap(mapped, before.size());
}

TEST_F(PosixServicesTest, SetExecutableAndAtomicWritesKeepModes) {
    const std::string path = (root_ / "vev_uvi").string();
    ASSERT_TRUE(files_.write(path, "#!/bin/sh\necho hi\n"));
    ASSERT_TRUE(files_.setExecutable(path));
    EXPECT_EQ(::access(path.c_str(), X_OK), 0);
    ASSERT_TRUE(files_.writeAtomically(path, "#!/bin/sh\necho again\n"));
    EXPECT_EQ(::access(path.c_str(), X_OK), 0);
    EXPECT_EQ(processes_.runConsoleTool(path, true).output, "again\n");
    EXPECT_FALSE(files_.setExecutable((root_ / "missing").string()));
}

TEST_F(PosixServicesTest, SystemFolderFollowsXdgDataHomeAndIsCreated) {
    ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    EXPECT_EQ(system_.systemDirectory(), (root_ / "data" / "kovrel").string());
    EXPECT_TRUE(fs::is_directory(root_ / "data" / "kovrel"));
    ::setenv("TMPDIR", (root_.string() + "//").c_str(), 1);
    EXPECT_EQ(system_.temporaryDirectory(), root_.string());
    ::unsetenv("TMPDIR");
    EXPECT_EQ(system_.temporaryDirectory(), "/tmp");
    EXPECT_EQ(fs::path(system_.executablePath()).filename(), "posix_posix_services_test");
}

TEST_F(PosixServicesTest, LoadsLibrariesByBareNameFromTheSystemFolder) {
    ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    const std::string name = "zandrel_test_" + std::to_string(::getpid()) + ".so";
    EXPECT_EQ(libraries_.load(name), nullptr);
    fs::copy_file(KOVREL_ENGINE_LIBRARY, fs::path(system_.systemDirectory()) / name);
    void* library = libraries_.load(name);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(libraries_.symbol(library, "Disasm"), nullptr);
    EXPECT_EQ(libraries_.symbol(library, "NoSuchExport"), nullptr);
    EXPECT_EQ(libraries_.symbol(nullptr, "Disasm"), nullptr);
}

TEST_F(PosixServicesTest, SingleInstanceGuardIsHeldPerName) {
    wxInitializer toolkit;
    ::setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        PosixSystem other;
        const char held = other.acquireSingleInstance("Kovrel") ? '1' : '0';
        (void)::write(ready[1], &held, 1);
        ::pause();
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    EXPECT_EQ(held, '1');
    EXPECT_FALSE(system_.acquireSingleInstance("Kovrel")) << "the other process holds it";
    EXPECT_TRUE(system_.acquireSingleInstance("Kovrel-copy")) << "another file name is another guard";
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    PosixSystem later;
    EXPECT_TRUE(later.acquireSingleInstance("Kovrel")) << "a guard left by a dead process is free again";
    later.runExitCleanup();
    system_.runExitCleanup();
}

}  // namespace
}  // namespace kovrel::platform

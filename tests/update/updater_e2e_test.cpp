// The updater program itself under a real display: it downloads a package from a loopback
// server, installs it over a scratch converter folder and starts a stand-in converter.
// Message boxes and log lines go to standard error (KOVREL_MESSAGES_TO_STDERR).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/update/loopback_servers.h"

#ifdef KOVREL_UPDATER_PROGRAM
#include "tests/e2e/window_driver.h"
#endif

namespace {

namespace fs = std::filesystem;
using kovrel::testing::ScratchFolder;
using kovrel::testing::ZipEntry;

#ifdef KOVREL_UPDATER_PROGRAM
constexpr char kUpdaterProgram[] = KOVREL_UPDATER_PROGRAM;
#else
constexpr char kUpdaterProgram[] = "";
#endif

// Records that it ran (and which version of it), next to itself.
constexpr char kOldConverter[] = "#!/bin/sh\necho old >> \"$(dirname \"$0\")/ran.txt\"\n";
constexpr char kNewConverter[] = "#!/bin/sh\necho new >> \"$(dirname \"$0\")/ran.txt\"\n";

#ifdef KOVREL_UPDATER_PROGRAM
// Sends the close request a window manager sends for the close box of the updater's window.
bool requestClose(pid_t pid) {
    const std::string found = kovrel::e2e::run("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                               " --name '^下载管理器$' 2>/dev/null");
    const unsigned long window = std::strtoul(found.c_str(), nullptr, 10);
    return window != 0 && kovrel::e2e::requestClose(window);
}
#else
bool requestClose(pid_t) { return false; }
#endif

bool waitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1200; ++i) {  // 60 s at most
        if (done()) return true;
        usleep(50 * 1000);
    }
    return done();
}

// The updater started from the converter's folder, as the converter starts it.
class UpdaterRun {
public:
    // `answer`: the value of KOVREL_MESSAGES_TO_STDERR ("cancel" answers Cancel).
    UpdaterRun(const std::string& converterFolder, const std::vector<std::string>& arguments, const char* answer = "1")
        : stderrPath_(converterFolder + ".stderr") {
        std::string program = converterFolder + "/升级文件/update";
        pid_ = fork();
        if (pid_ == 0) {
            int err = open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(err, 2);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            setenv("KOVREL_MESSAGES_TO_STDERR", answer, 1);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
    }
    ~UpdaterRun() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code error;
        fs::remove(stderrPath_, error);
    }
    bool waitForExit() {
        return waitUntil([&] {
            if (!exited_ && waitpid(pid_, nullptr, WNOHANG) == pid_) exited_ = true;
            return exited_;
        });
    }
    pid_t pid() const { return pid_; }
    std::string errors() const { return kovrel::testing::readFile(stderrPath_); }
    bool waitForError(const std::string& text) {
        return waitUntil([&] { return errors().find(text) != std::string::npos; });
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    std::string stderrPath_;
};

class UpdaterProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
        if (!*kUpdaterProgram) GTEST_SKIP() << "the updater program is not built (KOVREL_GUI=OFF)";
        converter_ = scratch_ / "kovrel";
        fs::create_directories(converter_ + "/升级文件");
        fs::copy_file(kUpdaterProgram, converter_ + "/升级文件/update");
        kovrel::testing::writeFile(converter_ + "/Kovrel", kOldConverter);
        fs::permissions(converter_ + "/Kovrel", fs::perms::owner_all, fs::perm_options::add);
        kovrel::testing::writeFile(converter_ + "/data.dsn", "scheme");
        kovrel::testing::writeFile(converter_ + "/readme.txt", "old readme");
        fs::create_directory(serverRoot());
        http_ = std::make_unique<kovrel::testing::HttpServer>(serverRoot());
        ftp_ = std::make_unique<kovrel::testing::FtpServer>(serverRoot());
        ASSERT_GT(http_->port(), 0);
        ASSERT_GT(ftp_->port(), 0);
    }

    std::string serverRoot() const { return scratch_ / "server"; }
    std::vector<std::string> arguments(const std::string& url) const {
        return {"甲乙丙丁", url, "升级包", "运行", "Kovrel", "p.zip", "修复", "两处", "错误"};
    }
    // Every path under the scratch folder but outside the converter's folder.
    std::set<std::string> outside() const {
        std::set<std::string> paths;
        for (const auto& e : fs::recursive_directory_iterator(scratch_.path())) {
            std::string p = e.path().string();
            if (p.rfind(converter_ + "/", 0) != 0 && p.rfind(serverRoot(), 0) != 0 &&
                p.find(".stderr") == std::string::npos)
                paths.insert(p);
        }
        return paths;
    }

    ScratchFolder scratch_;
    std::string converter_;
    std::unique_ptr<kovrel::testing::HttpServer> http_;
    std::unique_ptr<kovrel::testing::FtpServer> ftp_;
};

TEST_F(UpdaterProgram, InstallsThePackageAndRestartsTheConverter) {
    const std::vector<ZipEntry> package{
        // clang-format off
        {"exec", "Kovrel", kNewConverter},
        {"file", "readme.txt", "new readme"},
        {"file", "docs/用法/说明.txt", "notes"},
        {"dir", "plugins", ""},
        {"file", ".git/HEAD", "ref"},
        {"file", ".profile", "dot file"},
        // clang-format on
    };
    ASSERT_TRUE(kovrel::testing::makeZip(serverRoot() + "/p.zip", package));
    struct Case {
        const char* name;
        bool ftp;
    };
    // name    ftp
    const Case cases[] = {
        // clang-format off
        {"HTTP", false},
        {"FTP",  true},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kovrel::testing::writeFile(converter_ + "/Kovrel", kOldConverter);
        kovrel::testing::writeFile(converter_ + "/readme.txt", "old readme");
        std::error_code error;
        fs::remove(converter_ + "/ran.txt", error);
        std::set<std::string> before = outside();
        UpdaterRun run(converter_, arguments(c.ftp ? ftp_->url("/p.zip") : http_->url("/p.zip")));
        ASSERT_TRUE(run.waitForExit()) << run.errors();
        ASSERT_TRUE(waitUntil([&] { return fs::exists(converter_ + "/ran.txt"); })) << run.errors();

        EXPECT_EQ(kovrel::testing::readFile(converter_ + "/ran.txt"), "new\n");
        EXPECT_EQ(kovrel::testing::readFile(converter_ + "/readme.txt"), "new readme");
        EXPECT_EQ(kovrel::testing::readFile(converter_ + "/data.dsn"), "scheme");
        EXPECT_EQ(kovrel::testing::readFile(converter_ + "/docs/用法/说明.txt"), "notes");
        EXPECT_EQ(kovrel::testing::readFile(converter_ + "/.profile"), "dot file");
        EXPECT_TRUE(fs::is_directory(converter_ + "/plugins"));
        EXPECT_FALSE(fs::exists(converter_ + "/.git"));
        EXPECT_FALSE(fs::exists(converter_ + "/升级文件/升级文件/temp1.zip"));
        EXPECT_FALSE(fs::exists(converter_ + "/升级文件/e_update"));
        EXPECT_TRUE(fs::is_directory(converter_ + "/升级文件/升级文件"));
        EXPECT_EQ(outside(), before);
        std::string log = run.errors();
        EXPECT_NE(log.find("执行下载任务1"), std::string::npos) << log;
        EXPECT_NE(log.find(" #传送常量.下载上传开始\r\n"), std::string::npos) << log;
        EXPECT_NE(log.find(" #传送常量.下载上传结束\r\n"), std::string::npos) << log;
    }
}

TEST_F(UpdaterProgram, WrongArgumentsOnlyShowTheError) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
    };
    // name            arguments
    const Case cases[] = {
        // clang-format off
        {"five",        {"甲乙丙丁", "http://127.0.0.1/p.zip", "升级包", "运行", "Kovrel"}},
        {"other word",  {"甲乙丙", "http://127.0.0.1/p.zip", "升级包", "运行", "Kovrel", "p.zip"}},
        {"none",        {}},
        // clang-format on
    };
    for (const Case& c : cases) {
        UpdaterRun run(converter_, c.arguments);
        ASSERT_TRUE(run.waitForExit()) << c.name;
        EXPECT_EQ(run.errors(), "信息：: 程序调用参数错误！\n") << c.name;
        EXPECT_FALSE(fs::exists(converter_ + "/升级文件/升级文件")) << c.name;
        EXPECT_FALSE(fs::exists(converter_ + "/ran.txt")) << c.name;
    }
}

TEST_F(UpdaterProgram, AHostilePackageWritesNothingOutside) {
    ASSERT_TRUE(kovrel::testing::makeZip(serverRoot() + "/evil.zip",
                                         // clang-format off
                                         {{"file", "../outside1.txt", "E"},
                                          {"file", "../../outside2.txt", "E"},
                                          {"file", "docs/../../outside3.txt", "E"},
                                          {"file", "/tmp/kovrel-e2e-absolute.txt", "E"},
                                          {"link", "up", ".."},
                                          {"file", "up/outside4.txt", "E"},
                                          {"link", "linked.txt", "../victim.txt"},
                                          // clang-format on
                                          {"file", "inside.txt", "I"}}));
    kovrel::testing::writeFile(scratch_ / "victim.txt", "untouched");
    std::set<std::string> before = outside();
    UpdaterRun run(converter_, arguments(http_->url("/evil.zip")));
    ASSERT_TRUE(run.waitForExit()) << run.errors();
    ASSERT_TRUE(waitUntil([&] { return fs::exists(converter_ + "/ran.txt"); }));
    EXPECT_EQ(outside(), before);
    EXPECT_EQ(kovrel::testing::readFile(scratch_ / "victim.txt"), "untouched");
    EXPECT_FALSE(fs::exists("/tmp/kovrel-e2e-absolute.txt"));
    EXPECT_FALSE(fs::is_symlink(converter_ + "/up"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(converter_ + "/linked.txt")));
    EXPECT_EQ(kovrel::testing::readFile(converter_ + "/inside.txt"), "I");
    EXPECT_EQ(kovrel::testing::readFile(converter_ + "/ran.txt"), "old\n");
}

TEST_F(UpdaterProgram, CloseWhileDownloadingAsksFirst) {
    const std::string question = "提示信息: 请等待下载完成...\n";
    const std::string data = " #传送常量.收到数据\r\n";
    {
        // OK: the window stays and the download goes on.
        UpdaterRun run(converter_, arguments(http_->url("/slow.zip")), "1");
        ASSERT_TRUE(run.waitForError(data)) << run.errors();
        ASSERT_TRUE(waitUntil([&] { return requestClose(run.pid()); }));
        ASSERT_TRUE(run.waitForError(question)) << run.errors();
        size_t asked = run.errors().find(question);
        EXPECT_TRUE(waitUntil([&] { return run.errors().find(data, asked) != std::string::npos; })) << run.errors();
    }
    {
        // Cancel: the download stops, the window closes, nothing is installed.
        UpdaterRun run(converter_, arguments(http_->url("/slow.zip")), "cancel");
        ASSERT_TRUE(run.waitForError(data)) << run.errors();
        ASSERT_TRUE(waitUntil([&] { return requestClose(run.pid()); }));
        ASSERT_TRUE(run.waitForExit()) << run.errors();
        EXPECT_NE(run.errors().find(question), std::string::npos) << run.errors();
        EXPECT_FALSE(fs::exists(converter_ + "/升级文件/升级文件/temp1.zip"));
        EXPECT_FALSE(fs::exists(converter_ + "/ran.txt"));
        EXPECT_EQ(kovrel::testing::readFile(converter_ + "/readme.txt"), "old readme");
    }
}

TEST_F(UpdaterProgram, AFailedDownloadInstallsNothing) {
    struct Case {
        const char* name;
        std::string path;
    };
    // name          path
    const Case cases[] = {
        // clang-format off
        {"not found",  "/missing.zip"},
        {"cut short",  "/truncated.zip"},
        // clang-format on
    };
    for (const Case& c : cases) {
        UpdaterRun run(converter_, arguments(http_->url(c.path)));
        ASSERT_TRUE(run.waitForError(" #传送常量.线程异常结束\r\n")) << c.name << ": " << run.errors();
        EXPECT_EQ(run.errors().find("下载上传结束"), std::string::npos) << c.name;
        EXPECT_FALSE(fs::exists(converter_ + "/升级文件/升级文件/temp1.zip")) << c.name;
        EXPECT_FALSE(fs::exists(converter_ + "/升级文件/e_update")) << c.name;
        EXPECT_FALSE(fs::exists(converter_ + "/ran.txt")) << c.name;
        EXPECT_EQ(kovrel::testing::readFile(converter_ + "/readme.txt"), "old readme") << c.name;
    }
}

}  // namespace

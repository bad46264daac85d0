// The updater's logic behind a recording host: arguments, event log lines, display, close
// request, the tree copy and the install step over a scratch converter folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/net/zip_reader.h"
#include "tests/update/loopback_servers.h"
#include "updater/tree_copy.h"
#include "updater/updater.h"

namespace {

namespace fs = std::filesystem;
using kovrel::platform::DownloadEvent;
using kovrel::platform::DownloadProgress;
using kovrel::testing::ScratchFolder;
using kovrel::updater::Updater;

struct Message {
    std::string text;
    int style;
    std::string title;
    bool operator==(const Message&) const = default;
};

class RecordingHost : public kovrel::updater::UpdaterHost {
public:
    void showTitle(std::string_view t) override { title = t; }
    void showSize(std::string_view s) override { size = s; }
    void showProgressBar(bool v) override { progressVisible = v; }
    void setProgress(int p) override { progress = p; }
    void showSpeed(std::string_view s) override { speed = s; }
    void showStatus(bool v, std::string_view t) override {
        statusVisible = v;
        status = t;
    }
    void appendLog(std::string_view t) override { log += t; }
    int messageBox(std::string_view text, int style, std::string_view title) override {
        messages.push_back({std::string(text), style, std::string(title)});
        return answer;
    }
    void processPendingEvents() override { ++pendingEventRuns; }
    bool startDownload(const std::string& url, const std::string& path) override {
        downloads.push_back(url + " -> " + path);
        return true;
    }
    void stopDownload() override { ++stops; }
    bool unpackZip(const std::string& archive, const std::string& folder) override {
        return kovrel::platform::unpackZip(archive, folder);
    }
    bool startProgram(const std::string& path) override {
        started.push_back(path);
        return true;
    }
    void endProgram() override { ++endings; }

    std::string title, size, speed, status, log;
    bool progressVisible = true, statusVisible = false;
    int progress = -1, answer = 0, pendingEventRuns = 0, stops = 0, endings = 0;
    std::vector<Message> messages;
    std::vector<std::string> downloads, started;
};

const std::vector<std::string> kGoodArguments{
    "甲乙丙丁", "http://127.0.0.1/p.zip", "升级包", "运行", "Kovrel", "p.zip", "修复", "错误"};

TEST(UpdaterArguments, NeedSixAndTheFixedWord) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        bool accepted;
    };
    // name                 arguments                                                          accepted
    const Case cases[] = {
        // clang-format off
        {"all eight",        kGoodArguments,                                                     true},
        {"exactly six",      {"甲乙丙丁", "http://h/p.zip", "t", "运行", "Kovrel", "p.zip"},     true},
        {"many note words",  {"甲乙丙丁", "http://h/p.zip", "t", "运行", "Kovrel", "p.zip", "一", "二", "三", "四", "五", "六"}, true},
        {"five",             {"甲乙丙丁", "http://h/p.zip", "t", "运行", "Kovrel"},               false},
        {"none",             {},                                                                 false},
        {"other word",       {"甲乙丙", "http://h/p.zip", "t", "运行", "Kovrel", "p.zip"},       false},
        {"word with space",  {"甲乙丙丁 ", "http://h/p.zip", "t", "运行", "Kovrel", "p.zip"},    false},
        {"GBK form",         {"\xBC\xD7\xD2\xD2\xB1\xFB\xB6\xA1", "h", "t", "运行", "K", "p"},    false},
        // clang-format on
    };
    for (const Case& c : cases) {
        ScratchFolder converter;
        std::string own = converter / "升级文件";
        fs::create_directory(own);
        RecordingHost host;
        Updater updater(host, own);
        EXPECT_EQ(updater.start(c.arguments), c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_TRUE(host.messages.empty()) << c.name;
            EXPECT_EQ(host.log, "执行下载任务1") << c.name;
            EXPECT_EQ(host.downloads, std::vector<std::string>{c.arguments[1] + " -> " + own + "/升级文件/temp1.zip"})
                << c.name;
            EXPECT_TRUE(fs::is_directory(own + "/升级文件")) << c.name;
        } else {
            EXPECT_EQ(host.messages, (std::vector<Message>{{"程序调用参数错误！", 16, ""}})) << c.name;
            EXPECT_TRUE(host.downloads.empty()) << c.name;
            EXPECT_TRUE(host.log.empty()) << c.name;
            EXPECT_FALSE(fs::exists(own + "/升级文件")) << c.name;
        }
    }
}

TEST(UpdaterArguments, StartRemovesAnOldPackage) {
    ScratchFolder converter;
    std::string own = converter / "升级文件";
    kovrel::testing::writeFile(own + "/升级文件/temp1.zip", "left over");
    RecordingHost host;
    Updater updater(host, own);
    ASSERT_TRUE(updater.start(kGoodArguments));
    EXPECT_FALSE(fs::exists(own + "/升级文件/temp1.zip"));
}

TEST(UpdaterEvents, AppendTheirLogLines) {
    struct Case {
        int event;
        const char* line;
    };
    // event                                            log line
    const Case cases[] = {
        // clang-format off
        {static_cast<int>(DownloadEvent::TransferStarted),       " #传送常量.下载上传开始\r\n"},
        {static_cast<int>(DownloadEvent::DataReceived),          " #传送常量.收到数据\r\n"},
        {static_cast<int>(DownloadEvent::ThreadContinues),       " #传送常量.下载线程继续下载\r\n"},
        {static_cast<int>(DownloadEvent::ThreadEndedNormally),   " #传送常量.线程正常结束\r\n"},
        {static_cast<int>(DownloadEvent::ThreadEndedAbnormally), " #传送常量.线程异常结束\r\n"},
        {static_cast<int>(DownloadEvent::SameNameFileExists),    " #传送常量.存在同名文件\r\n"},
        {static_cast<int>(DownloadEvent::DownloadRange),         " #传送常量.下载数据范围\r\n"},
        {0,                                                      "未知消息 0\r\n"},
        {42,                                                     "未知消息 42\r\n"},
        {-7,                                                     "未知消息 -7\r\n"},
        // clang-format on
    };
    for (const Case& c : cases) {
        ScratchFolder converter;
        RecordingHost host;
        Updater updater(host, converter / "升级文件");
        ASSERT_TRUE(updater.start(kGoodArguments));
        updater.onDownloadEvent(c.event, DownloadProgress{10, 100, 1000.0});
        EXPECT_EQ(host.log, std::string("执行下载任务1") + c.line) << "event " << c.event;
        EXPECT_EQ(updater.log(), host.log) << "event " << c.event;
        EXPECT_EQ(host.endings, 0) << "event " << c.event;
    }
}

TEST(UpdaterEvents, ShowSizeProgressSpeedAndStatus) {
    ScratchFolder converter;
    RecordingHost host;
    Updater updater(host, converter / "升级文件");
    ASSERT_TRUE(updater.start(kGoodArguments));
    EXPECT_EQ(host.title, "升级包");

    updater.onDownloadEvent(static_cast<int>(DownloadEvent::TransferStarted), DownloadProgress{0, 123456, 0.0});
    EXPECT_EQ(host.size, "123.46K");
    EXPECT_FALSE(host.progressVisible);
    EXPECT_TRUE(host.statusVisible);
    EXPECT_EQ(host.status, "下载开始");

    updater.onDownloadEvent(static_cast<int>(DownloadEvent::DataReceived), DownloadProgress{41152, 123456, 2345.6});
    EXPECT_TRUE(host.progressVisible);
    EXPECT_FALSE(host.statusVisible);
    EXPECT_EQ(host.progress, 33);
    EXPECT_EQ(host.speed, "2.35KB/s");
}

TEST(UpdaterTexts, FormatSizesSpeedsAndPercentages) {
    struct SizeCase {
        int64_t bytes;
        const char* text;
    };
    // bytes      text
    const SizeCase sizes[] = {
        // clang-format off
        {0,          "0K"},
        {1000,       "1K"},
        {1500,       "1.5K"},
        {1234,       "1.23K"},
        {1235,       "1.24K"},
        {999999,     "1000K"},
        {5,          "0.01K"},
        // clang-format on
    };
    for (const SizeCase& c : sizes) EXPECT_EQ(kovrel::updater::sizeText(c.bytes), c.text) << c.bytes;

    struct SpeedCase {
        double bytesPerSecond;
        const char* text;
    };
    // bytes/s     text
    const SpeedCase speeds[] = {
        // clang-format off
        {0.0,        "0.00KB/s"},
        {1500.0,     "1.50KB/s"},
        {2345.6,     "2.35KB/s"},
        {1e6,        "1000.00KB/s"},
        // clang-format on
    };
    for (const SpeedCase& c : speeds)
        EXPECT_EQ(kovrel::updater::speedText(c.bytesPerSecond), c.text) << c.bytesPerSecond;

    struct PercentCase {
        int64_t received, total;
        int percent;
    };
    // received   total     percent
    const PercentCase percents[] = {
        // clang-format off
        {0,          100,      0},
        {1,          3,        33},
        {2,          3,        67},
        {100,        100,      100},
        {5,          0,        0},
        {5,          -1,       0},
        {200,        100,      100},
        // clang-format on
    };
    for (const PercentCase& c : percents)
        EXPECT_EQ(kovrel::updater::progressPercent(c.received, c.total), c.percent) << c.received << "/" << c.total;
}

TEST(UpdaterClose, AsksOnlyWhileTheDownloadRuns) {
    struct Case {
        const char* name;
        bool started;
        bool finished;
        int answer;
        bool closes;
        bool asked;
        bool stopped;
    };
    // name                 started finished answer closes asked  stopped
    const Case cases[] = {
        // clang-format off
        {"empty log",        false,  false,   0,     true,  false, false},
        {"running, OK",      true,   false,   0,     false, true,  false},
        {"running, Cancel",  true,   false,   1,     true,  true,  true},
        {"finished",         true,   true,    0,     true,  false, false},
        // clang-format on
    };
    for (const Case& c : cases) {
        ScratchFolder converter;
        RecordingHost host;
        host.answer = c.answer;
        Updater updater(host, converter / "升级文件");
        if (c.started) {
            ASSERT_TRUE(updater.start(kGoodArguments));
        }
        if (c.finished) updater.onDownloadEvent(static_cast<int>(DownloadEvent::TransferFinished), DownloadProgress{});
        host.messages.clear();
        EXPECT_EQ(updater.onCloseRequest(), c.closes) << c.name;
        EXPECT_EQ(host.messages.size(), c.asked ? 1u : 0u) << c.name;
        if (c.asked) {
            EXPECT_EQ(host.messages[0], (Message{"请等待下载完成...", 65, "提示信息"})) << c.name;
        }
        EXPECT_EQ(host.stops, c.stopped ? 1 : 0) << c.name;
    }
}

TEST(TreeCopy, ReplacesFilesRecreatesFoldersSkipsDotFolders) {
    ScratchFolder scratch;
    std::string source = scratch / "source";
    std::string target = scratch / "target";
    kovrel::testing::writeFile(source + "/Kovrel", "new program");
    kovrel::testing::writeFile(source + "/.profile", "dot file");
    kovrel::testing::writeFile(source + "/lib/a/b.so", "b");
    kovrel::testing::writeFile(source + "/.svn/entries", "svn");
    kovrel::testing::writeFile(source + "/lib/.cache/c", "c");
    fs::create_directories(source + "/empty");
    kovrel::testing::writeFile(target + "/Kovrel", "old program");
    kovrel::testing::writeFile(target + "/data.dsn", "kept");
    int folders = 0;
    kovrel::updater::copyFolderTree(source, target, [&] { ++folders; });

    struct Expect {
        const char* path;
        const char* content;  // nullptr: absent; "/" : a folder
    };
    // path               content
    const Expect expect[] = {
        // clang-format off
        {"Kovrel",          "new program"},
        {".profile",        "dot file"},
        {"data.dsn",        "kept"},
        {"lib/a/b.so",      "b"},
        {"empty",           "/"},
        {".svn",            nullptr},
        {"lib/.cache",      nullptr},
        // clang-format on
    };
    for (const Expect& e : expect) {
        std::string path = target + "/" + e.path;
        if (!e.content) EXPECT_FALSE(fs::exists(path)) << e.path;
        else if (std::string(e.content) == "/") EXPECT_TRUE(fs::is_directory(path)) << e.path;
        else EXPECT_EQ(kovrel::testing::readFile(path), e.content) << e.path;
    }
    EXPECT_EQ(folders, 4);  // source, lib, lib/a, empty
}

TEST(TreeCopy, NeverWritesThroughLinks) {
    ScratchFolder scratch;
    std::string source = scratch / "source";
    std::string target = scratch / "target";
    kovrel::testing::writeFile(source + "/conf.txt", "new");
    kovrel::testing::writeFile(source + "/plugins/p.so", "p");
    kovrel::testing::writeFile(scratch / "outside/conf.txt", "outside");
    fs::create_directories(target);
    fs::create_symlink(scratch / "outside/conf.txt", target + "/conf.txt");
    fs::create_symlink(scratch / "outside", target + "/plugins");
    fs::create_symlink(scratch / "outside", source + "/linked");
    kovrel::updater::copyFolderTree(source, target, nullptr);
    EXPECT_FALSE(fs::is_symlink(target + "/conf.txt"));
    EXPECT_EQ(kovrel::testing::readFile(target + "/conf.txt"), "new");
    EXPECT_EQ(kovrel::testing::readFile(scratch / "outside/conf.txt"), "outside");
    EXPECT_FALSE(fs::exists(scratch / "outside/p.so"));
    EXPECT_FALSE(fs::exists(target + "/linked"));
}

TEST(UpdaterInstall, UnpacksCopiesCleansUpAndStartsTheConverter) {
    ScratchFolder converter;
    std::string own = converter / "升级文件";
    fs::create_directory(own);
    kovrel::testing::writeFile(converter / "Kovrel", "old program");
    kovrel::testing::writeFile(converter / "data.dsn", "scheme");
    RecordingHost host;
    Updater updater(host, own);
    ASSERT_TRUE(updater.start(kGoodArguments));
    ASSERT_TRUE(kovrel::testing::makeZip(updater.packagePath(),
                                         // clang-format off
                                         {{"file", "Kovrel", "new program"},
                                          {"file", "docs/说明.txt", "notes"},
                                          {"file", ".git/HEAD", "ref"},
                                          // clang-format on
                                          {"file", "../../escaped.txt", "E"}}));
    updater.onDownloadEvent(static_cast<int>(DownloadEvent::TransferFinished), DownloadProgress{});

    EXPECT_EQ(kovrel::testing::readFile(converter / "Kovrel"), "new program");
    EXPECT_EQ(kovrel::testing::readFile(converter / "data.dsn"), "scheme");
    EXPECT_EQ(kovrel::testing::readFile(converter / "docs/说明.txt"), "notes");
    EXPECT_FALSE(fs::exists(converter / ".git"));
    EXPECT_FALSE(fs::exists(fs::path(converter.path()).parent_path() / "escaped.txt"));
    EXPECT_FALSE(fs::exists(updater.packagePath()));
    EXPECT_FALSE(fs::exists(updater.unpackFolder()));
    EXPECT_TRUE(fs::is_directory(own + "/升级文件"));
    EXPECT_EQ(host.started, std::vector<std::string>{own + "/../Kovrel"});
    EXPECT_EQ(host.endings, 1);
    EXPECT_FALSE(host.statusVisible && host.status != "下载结束");
    EXPECT_EQ(host.status, "下载结束");
    EXPECT_EQ(host.speed, "");
    EXPECT_GE(host.pendingEventRuns, 1);
}

TEST(UpdaterInstall, AFailedDownloadInstallsNothingAndKeepsTheWindow) {
    ScratchFolder converter;
    std::string own = converter / "升级文件";
    fs::create_directory(own);
    kovrel::testing::writeFile(converter / "Kovrel", "old program");
    RecordingHost host;
    host.answer = 1;  // Cancel in the close confirmation
    Updater updater(host, own);
    ASSERT_TRUE(updater.start(kGoodArguments));
    ASSERT_TRUE(kovrel::testing::makeZip(updater.packagePath(), {{"file", "Kovrel", "new program"}}));
    updater.onDownloadEvent(static_cast<int>(DownloadEvent::TransferStarted), DownloadProgress{0, 5000, 0.0});
    updater.onDownloadEvent(static_cast<int>(DownloadEvent::ThreadEndedAbnormally), DownloadProgress{});
    EXPECT_EQ(kovrel::testing::readFile(converter / "Kovrel"), "old program");
    EXPECT_FALSE(fs::exists(updater.unpackFolder()));
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(host.endings, 0);
    EXPECT_TRUE(updater.onCloseRequest());
    EXPECT_EQ(host.messages, (std::vector<Message>{{"请等待下载完成...", 65, "提示信息"}}));
    EXPECT_EQ(host.stops, 1);
}

TEST(UpdaterInstall, InstallsThePackageWholeOrNotAtAll) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* damaged;  // stored bytes changed in the package; nullptr: intact
        bool stale;           // an unpack folder left over from an interrupted run
        bool installed;
        const char* program;  // started after the install, under the converter's folder
    };
    const std::vector<std::string> manyWords{
        "甲乙丙丁", "http://h/p.zip", "t", "运行", "Kovrel", "p.zip", "一", "二", "三", "四", "五", "六", "七"};
    // name                   arguments        damaged         stale  installed program
    const Case cases[] = {
        // clang-format off
        {"intact",             kGoodArguments,  nullptr,        false, true,     "Kovrel"},
        {"many note words",    manyWords,       nullptr,        false, true,     "Kovrel"},
        {"damaged entry",      kGoodArguments,  "NEW-NOTES-1",  false, false,    "Kovrel"},
        {"stale unpack folder", kGoodArguments, nullptr,        true,  true,     "Kovrel"},
        // clang-format on
    };
    for (const Case& c : cases) {
        ScratchFolder converter;
        std::string own = converter / "升级文件";
        fs::create_directory(own);
        kovrel::testing::writeFile(converter / "Kovrel", "old program");
        kovrel::testing::writeFile(converter / "notes.txt", "old notes");
        RecordingHost host;
        Updater updater(host, own);
        ASSERT_TRUE(updater.start(c.arguments)) << c.name;
        ASSERT_TRUE(kovrel::testing::makeZip(
            updater.packagePath(), {{"file", "Kovrel", "new program"}, {"stored", "notes.txt", "NEW-NOTES-1"}}))
            << c.name;
        if (c.damaged) {
            ASSERT_TRUE(kovrel::testing::damageFile(updater.packagePath(), c.damaged)) << c.name;
        }
        if (c.stale) kovrel::testing::writeFile(updater.unpackFolder() + "/stale.txt", "stale");
        updater.onDownloadEvent(static_cast<int>(DownloadEvent::TransferFinished), DownloadProgress{});

        EXPECT_EQ(kovrel::testing::readFile(converter / "Kovrel"), c.installed ? "new program" : "old program")
            << c.name;
        EXPECT_EQ(kovrel::testing::readFile(converter / "notes.txt"), c.installed ? "NEW-NOTES-1" : "old notes")
            << c.name;
        EXPECT_FALSE(fs::exists(converter / "stale.txt")) << c.name;
        EXPECT_FALSE(fs::exists(updater.packagePath())) << c.name;
        EXPECT_FALSE(fs::exists(updater.unpackFolder())) << c.name;
        EXPECT_EQ(host.started, std::vector<std::string>{own + "/../" + c.program}) << c.name;
        EXPECT_EQ(host.endings, 1) << c.name;
    }
}

TEST(UpdaterInstall, APackageThatIsNotAnArchiveStillRestartsTheConverter) {
    ScratchFolder converter;
    std::string own = converter / "升级文件";
    kovrel::testing::writeFile(converter / "Kovrel", "old program");
    RecordingHost host;
    Updater updater(host, own);
    ASSERT_TRUE(updater.start(kGoodArguments));
    kovrel::testing::writeFile(updater.packagePath(), "<html>not found</html>");
    updater.onDownloadEvent(static_cast<int>(DownloadEvent::TransferFinished), DownloadProgress{});
    EXPECT_EQ(kovrel::testing::readFile(converter / "Kovrel"), "old program");
    EXPECT_FALSE(fs::exists(updater.packagePath()));
    EXPECT_FALSE(fs::exists(updater.unpackFolder()));
    EXPECT_EQ(host.started, std::vector<std::string>{own + "/../Kovrel"});
}

}  // namespace

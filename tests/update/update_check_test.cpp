// checkForUpdate on the in-memory window, with the real HTTP client and XML reader talking
// to a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/memory/memory_platform.h"
#include "platform/net/curl_http_client.h"
#include "platform/net/feed_document.h"
#include "tests/update/loopback_servers.h"
#include "update/update_check.h"
#include "update/update_feed.h"

namespace {

namespace fs = std::filesystem;
using kovrel::platform::gbk;
using kovrel::platform::kMainWindowName;
using kovrel::platform::kMessageCancel;
using kovrel::platform::kMessageOk;
using kovrel::testing::HttpServer;
using kovrel::testing::ScratchFolder;

constexpr char kUpdaterImage[] =
    "\x7F"
    "ELF stand-in for the updater";
constexpr char kRunDirectory[] = "/opt/kovrel";

// The window side in memory, the network and the feed reader real.
struct CheckPlatform {
    kovrel::platform::MemoryPlatform memory;
    kovrel::platform::CurlHttpClient http;
    kovrel::platform::PugiXmlDocument feedDocument;
    kovrel::platform::Platform platform{memory.ui,        memory.dialogs,   memory.clipboard, memory.files,
                                        memory.processes, memory.libraries, memory.system,    http,
                                        feedDocument};
};
constexpr char kUpdaterPath[] = "/opt/kovrel/升级文件/update";

enum class Reply { Feed, NotFound, Empty, NoServer };

std::string feed(const std::string& attributes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<最新版本>\n  <版本信息 " + attributes + "/>\n</最新版本>\n";
}

std::string attributes(const std::string& version, const std::string& notes = "修复错误") {
    return "版本号=\"" + version + "\" 升级说明=\"" + notes +
           "\" 下载地址=\"http://127.0.0.1/p.zip\" 文件标题=\"升级包\" 文件名=\"p.zip\"";
}

struct CheckCase {
    const char* name;
    Reply reply;
    std::string body;         // the feed's bytes (UTF-8) for Reply::Feed
    int answer;               // to the "版本升级" box
    const char* message;      // expected box text (UTF-8), nullptr: no box
    const char* commandLine;  // expected updater start, nullptr: none
};

const char kStartLine[] =
    "/opt/kovrel/升级文件/update 甲乙丙丁 http://127.0.0.1/p.zip 升级包 运行 Kovrel p.zip 修复错误";

// name                 reply            body                                                                   answer         box text                                                                  updater start
const CheckCase kCheckCases[] = {
    // clang-format off
    {"newer, OK",        Reply::Feed,     feed(attributes("3.3")),                                                kMessageOk,     "发现有新版本可以更新！\r\n\r\n版本号：3.3\r\n下载说明：修复错误",          kStartLine},
    {"newer, Cancel",    Reply::Feed,     feed(attributes("3.3")),                                                kMessageCancel, "发现有新版本可以更新！\r\n\r\n版本号：3.3\r\n下载说明：修复错误",          nullptr},
    {"3.21",             Reply::Feed,     feed(attributes("3.21")),                                               kMessageCancel, "发现有新版本可以更新！\r\n\r\n版本号：3.21\r\n下载说明：修复错误",         nullptr},
    {"full-width 3.3",   Reply::Feed,     feed(attributes("３．３")),                                             kMessageCancel, "发现有新版本可以更新！\r\n\r\n版本号：３．３\r\n下载说明：修复错误",       nullptr},
    {"equal 3.2",        Reply::Feed,     feed(attributes("3.2")),                                                kMessageOk,     nullptr,                                                                   nullptr},
    {"equal 3.2000001",  Reply::Feed,     feed(attributes("3.2000001")),                                          kMessageOk,     nullptr,                                                                   nullptr},
    {"older 3.1",        Reply::Feed,     feed(attributes("3.1")),                                                kMessageOk,     nullptr,                                                                   nullptr},
    {"older 3.10",       Reply::Feed,     feed(attributes("3.10")),                                               kMessageOk,     nullptr,                                                                   nullptr},
    {"no digits",        Reply::Feed,     feed(attributes("最新版")),                                             kMessageOk,     nullptr,                                                                   nullptr},
    {"not well formed",  Reply::Feed,     "<最新版本><版本信息 版本号=\"3.3\">",                                   kMessageOk,     nullptr,                                                                   nullptr},
    {"other root",       Reply::Feed,     "<新版本><版本信息 版本号=\"3.3\"/></新版本>",                           kMessageOk,     nullptr,                                                                   nullptr},
    {"child elements",   Reply::Feed,     "<最新版本><版本信息><版本号>3.3</版本号></版本信息></最新版本>",        kMessageOk,     nullptr,                                                                   nullptr},
    {"first of two",     Reply::Feed,     "<最新版本><版本信息 版本号=\"3.1\"/><版本信息 版本号=\"3.9\"/></最新版本>", kMessageOk,  nullptr,                                                                   nullptr},
    {"zero byte cuts",   Reply::Feed,     feed(attributes("3.3")) + std::string(1, '\0') + "<garbage",            kMessageCancel, "发现有新版本可以更新！\r\n\r\n版本号：3.3\r\n下载说明：修复错误",          nullptr},
    {"zero byte inside", Reply::Feed,     "<最新版本><版本信息 版本号=\"3.3\"" + std::string(1, '\0') + "/></最新版本>", kMessageOk, nullptr,                                                                   nullptr},
    {"Chinese notes",    Reply::Feed,     feed(attributes("3.4", "新增：反汇编列表可复制；修正“&lt;”显示")),       kMessageCancel, "发现有新版本可以更新！\r\n\r\n版本号：3.4\r\n下载说明：新增：反汇编列表可复制；修正“<”显示", nullptr},
    {"error page",       Reply::NotFound, "",                                                                     kMessageOk,     nullptr,                                                                   nullptr},
    {"empty reply",      Reply::Empty,    "",                                                                     kMessageOk,     nullptr,                                                                   nullptr},
    {"no server",        Reply::NoServer, "",                                                                     kMessageOk,     nullptr,                                                                   nullptr},
    // clang-format on
};

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<HttpServer>(root_.path());
        ASSERT_GT(server_->port(), 0) << "the loopback HTTP server did not start";
    }
    void TearDown() override { unsetenv(kovrel::update::kUpdateServerVariable); }

    void serve(const CheckCase& c) {
        std::error_code error;
        fs::remove(root_ / "Kovrel.xml", error);
        int port = server_->port();
        if (c.reply == Reply::Feed) kovrel::testing::writeFile(root_ / "Kovrel.xml", c.body);
        if (c.reply == Reply::Empty) kovrel::testing::writeFile(root_ / "Kovrel.xml", "");
        if (c.reply == Reply::NoServer) port = kovrel::testing::closedLoopbackPort();
        setenv(kovrel::update::kUpdateServerVariable, ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    }

    ScratchFolder root_;
    std::unique_ptr<HttpServer> server_;
};

TEST_F(UpdateCheck, FollowsTheFeed) {
    for (const CheckCase& c : kCheckCases) {
        SCOPED_TRACE(c.name);
        serve(c);
        CheckPlatform check;
        auto& memory = check.memory;
        auto& platform = check.platform;
        memory.system.setExecutablePath(std::string(kRunDirectory) + "/Kovrel");
        memory.dialogs.scriptAnswers({c.answer});
        std::vector<std::string> captionsAtBox, captionsAtSleep;
        memory.dialogs.onMessage([&] { captionsAtBox.push_back(memory.ui.text(kMainWindowName)); });
        memory.system.onSleep([&] { captionsAtSleep.push_back(memory.ui.text(kMainWindowName)); });

        kovrel::update::checkForUpdate(platform, kUpdaterImage);

        // The updater is always put in place first.
        EXPECT_EQ(memory.files.files().count(kUpdaterPath) ? memory.files.files().at(kUpdaterPath) : "", kUpdaterImage);
        EXPECT_TRUE(memory.files.isExecutable(kUpdaterPath));

        bool noServer = c.reply == Reply::NoServer || c.reply == Reply::Empty;
        if (noServer) {
            ASSERT_EQ(memory.dialogs.timedMessages().size(), 1u);
            EXPECT_EQ(memory.dialogs.timedMessages()[0],
                      (kovrel::platform::TimedMessageRecord{gbk("未接通升级服务器"), gbk("提示信息"), 3000}));
        } else {
            EXPECT_TRUE(memory.dialogs.timedMessages().empty());
        }

        if (c.message) {
            ASSERT_EQ(memory.dialogs.messages().size(), 1u);
            EXPECT_EQ(memory.dialogs.messages()[0],
                      (kovrel::platform::MessageRecord{gbk(c.message), 65, gbk("版本升级")}));
            EXPECT_EQ(captionsAtBox, std::vector<std::string>{gbk("检测升级中...")});
            EXPECT_TRUE(captionsAtSleep.empty());
        } else {
            EXPECT_TRUE(memory.dialogs.messages().empty());
            if (!noServer) {
                EXPECT_EQ(memory.system.sleeps(), std::vector<int>{3000});
                EXPECT_EQ(captionsAtSleep, std::vector<std::string>{gbk("未检测到新版本")});
            }
        }

        if (c.commandLine) {
            EXPECT_EQ(memory.processes.startedPrograms(), std::vector<std::string>{c.commandLine});
            EXPECT_EQ(memory.system.endings(), std::vector<int>{0});
        } else {
            EXPECT_TRUE(memory.processes.startedPrograms().empty());
            EXPECT_FALSE(memory.system.ended());
            EXPECT_EQ(memory.ui.text(kMainWindowName), kovrel::update::versionCaption());
        }
    }
}

TEST_F(UpdateCheck, KeepsAnExistingUpdater) {
    struct Case {
        const char* name;
        bool folder;
        bool file;
        bool written;
    };
    // name                folder  file    written
    const Case cases[] = {
        // clang-format off
        {"nothing there",   false,  false,  true},
        {"folder only",     true,   false,  true},
        {"folder and file", true,   true,   false},
        // clang-format on
    };
    serve({"no server", Reply::NoServer, "", kMessageOk, nullptr, nullptr});
    for (const Case& c : cases) {
        CheckPlatform check;
        auto& memory = check.memory;
        auto& platform = check.platform;
        memory.system.setExecutablePath(std::string(kRunDirectory) + "/Kovrel");
        if (c.folder) memory.files.createDirectory("/opt/kovrel/升级文件");
        if (c.file) memory.files.put(kUpdaterPath, "older updater");
        kovrel::update::checkForUpdate(platform, kUpdaterImage);
        EXPECT_EQ(memory.files.files().at(kUpdaterPath), c.written ? kUpdaterImage : "older updater") << c.name;
        EXPECT_TRUE(memory.files.directories().count("/opt/kovrel/升级文件")) << c.name;
    }
}

TEST_F(UpdateCheck, StartsTheUpdaterWithTheFeedsWordsUnquoted) {
    struct Case {
        const char* name;
        const char* attributes;  // inside <版本信息 ...>
        const char* executable;  // the running converter
        const char* commandLine;
    };
    // Spaces in the attributes and in the run directory are passed on unquoted: the updater
    // sees more words. The program to restart is always named Kovrel, whatever the running
    // executable is called.
    // name                 attributes                                                                                          executable                      command line
    const Case cases[] = {
        // clang-format off
        {"spaces",           R"(版本号="9" 升级说明="一 二" 下载地址="http://127.0.0.1/a b.zip" 文件标题="新 版" 文件名="p.zip")",  "/home/a user/kovrel/Kovrel",   "/home/a user/kovrel/升级文件/update 甲乙丙丁 http://127.0.0.1/a b.zip 新 版 运行 Kovrel p.zip 一 二"},
        {"renamed program",  R"(版本号="9" 升级说明="n" 下载地址="http://h/p.zip" 文件标题="t" 文件名="p.zip")",                  "/opt/kovrel/kovrel-copy",      "/opt/kovrel/升级文件/update 甲乙丙丁 http://h/p.zip t 运行 Kovrel p.zip n"},
        {"empty attributes", R"(版本号="9")",                                                                                     "/opt/kovrel/Kovrel",           "/opt/kovrel/升级文件/update 甲乙丙丁   运行 Kovrel  "},
        {"not in GBK",       R"(版本号="9" 升级说明="€🙂" 下载地址="http://h/p.zip" 文件标题="t" 文件名="p.zip")",                 "/opt/kovrel/Kovrel",           "/opt/kovrel/升级文件/update 甲乙丙丁 http://h/p.zip t 运行 Kovrel p.zip €?"},
        // clang-format on
    };
    for (const Case& c : cases) {
        serve({c.name, Reply::Feed, feed(c.attributes), kMessageOk, nullptr, nullptr});
        CheckPlatform check;
        auto& memory = check.memory;
        auto& platform = check.platform;
        memory.system.setExecutablePath(c.executable);
        kovrel::update::checkForUpdate(platform, kUpdaterImage);
        EXPECT_EQ(memory.processes.startedPrograms(), std::vector<std::string>{c.commandLine}) << c.name;
        EXPECT_EQ(memory.system.endings(), std::vector<int>{0}) << c.name;
    }
}

}  // namespace

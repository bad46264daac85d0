// The whole update, from outside: the real Kovrel under a display asks a loopback server,
// the user accepts in "版本升级", Kovrel ends, its updater downloads the package, installs it
// over Kovrel's folder and starts the new Kovrel (here a stand-in script that records it ran).
#include <gtest/gtest.h>

#ifdef KOVREL_PROGRAM

#include <cstdlib>

#include "tests/e2e/window_driver.h"
#include "tests/update/loopback_servers.h"

namespace {

namespace fs = std::filesystem;
using kovrel::e2e::KovrelProcess;
using kovrel::e2e::WindowState;

constexpr char kNewConverter[] = "#!/bin/sh\necho new >> \"$(dirname \"$0\")/ran.txt\"\n";

class UpdateFlow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
        fs::create_directory(scratch_ / "server");
        server_ = std::make_unique<kovrel::testing::HttpServer>(scratch_ / "server");
        ASSERT_GT(server_->port(), 0);
        setenv("KOVREL_UPDATE_SERVER", ("127.0.0.1:" + std::to_string(server_->port())).c_str(), 1);
    }
    void TearDown() override { unsetenv("KOVREL_UPDATE_SERVER"); }

    void serveFeed(const std::string& version) {
        kovrel::testing::writeFile(scratch_ / "server/Kovrel.xml",
                                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<最新版本><版本信息 版本号=\"" +
                                       version + "\" 升级说明=\"修复错误\" 下载地址=\"" + server_->url("/p.zip") +
                                       "\" 文件标题=\"升级包\" 文件名=\"p.zip\"/></最新版本>\n");
    }
    // Chooses "检测升级" until the "版本升级" box is open (a popup menu can miss keys that
    // arrive while it is still opening); false when it never opened.
    bool openUpdateBox(KovrelProcess& kovrel, unsigned long window) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            chooseCheckForUpdate(kovrel, window);
            if (kovrel.waitState([](const WindowState& s) { return s.openBox.first == "版本升级"; },
                                 std::chrono::seconds(8)))
                return true;
            kovrel::e2e::run("xdotool key Escape Escape Escape");
        }
        return false;
    }
    // Right-click in the assembly box, then "升级" > "检测升级" with the keyboard.
    void chooseCheckForUpdate(KovrelProcess& kovrel, unsigned long window) {
        const kovrel::app::ControlDesign* box = kovrel::app::findControl("编辑框1汇编");
        ASSERT_NE(box, nullptr);
        const kovrel::app::Point at = kovrel::app::windowPosition(*box);
        kovrel.focus(window);
        kovrel::e2e::run("xdotool mousemove --window " + std::to_string(window) + " " +
                         std::to_string(at.x + box->width / 2) + " " + std::to_string(at.y + box->height / 2) +
                         " click 3");
        usleep(500 * 1000);  // the popup menu opens
        kovrel::e2e::run("xdotool key Down Down Down Down Down");
        usleep(200 * 1000);
        kovrel::e2e::run("xdotool key Right");
        usleep(300 * 1000);
        kovrel::e2e::run("xdotool key Return");
    }

    kovrel::testing::ScratchFolder scratch_;
    std::unique_ptr<kovrel::testing::HttpServer> server_;
};

TEST_F(UpdateFlow, AcceptedUpdateReplacesAndRestartsKovrel) {
    serveFeed("3.3");
    ASSERT_TRUE(kovrel::testing::makeZip(scratch_ / "server/p.zip",
                                         {{"exec", "Kovrel", kNewConverter}, {"file", "docs/说明.txt", "notes"}}));
    fs::path root = scratch_ / "kovrel";
    fs::path app = root / "app";
    KovrelProcess kovrel(root, KOVREL_PROGRAM);
    unsigned long window = kovrel.findWindow("^Kovrel");
    ASSERT_NE(window, 0u);

    ASSERT_TRUE(openUpdateBox(kovrel, window));
    EXPECT_EQ(kovrel.state().openBox.second, "发现有新版本可以更新！\r\n\r\n版本号：3.3\r\n下载说明：修复错误");
    EXPECT_EQ(kovrel.state().caption, "检测升级中...");
    EXPECT_TRUE(fs::exists(app / "升级文件/update"));
    kovrel.key(window, "Return");

    ASSERT_TRUE(kovrel.waitExit(std::chrono::seconds(30)));
    EXPECT_EQ(kovrel.exitCode(), 0);
    ASSERT_TRUE(kovrel::e2e::waitFor([&] { return fs::exists(app / "ran.txt"); }, std::chrono::seconds(60)));
    EXPECT_EQ(kovrel::testing::readFile(app / "ran.txt"), "new\n");
    EXPECT_EQ(kovrel::testing::readFile(app / "docs/说明.txt"), "notes");
    EXPECT_FALSE(fs::exists(app / "升级文件/升级文件/temp1.zip"));
    EXPECT_FALSE(fs::exists(app / "升级文件/e_update"));
}

TEST_F(UpdateFlow, CancelKeepsKovrelRunningUnchanged) {
    serveFeed("3.3");
    fs::path root = scratch_ / "kovrel";
    KovrelProcess kovrel(root, KOVREL_PROGRAM);
    unsigned long window = kovrel.findWindow("^Kovrel");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(openUpdateBox(kovrel, window));
    kovrel.key(window, "Escape");
    ASSERT_TRUE(kovrel.waitState([](const WindowState& s) {
        return s.openBox.first.empty() && s.caption == "Kovrel" + std::string(50, ' ') + "版本号：3.2";
    }));
    EXPECT_TRUE(kovrel.running());
    EXPECT_FALSE(fs::exists(root / "app/ran.txt"));
}

}  // namespace

#endif  // KOVREL_PROGRAM

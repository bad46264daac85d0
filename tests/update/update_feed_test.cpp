// The version rule and the updater's command line.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/encoding.h"
#include "platform/net/feed_document.h"
#include "update/update_feed.h"

namespace {

using kovrel::platform::gbk;
namespace update = kovrel::update;

struct VersionCase {
    const char* text;  // UTF-8; read in its GBK form
    double expected;
    bool newer;
};

// text                 expected   newer than 3.2
const VersionCase kVersionCases[] = {
    // clang-format off
    {"3.3",              3.3,       true},
    {"3.21",             3.21,      true},
    {"3.2",              3.2,       false},
    {"3.2000001",        3.2000001, false},
    {"3.2000002",        3.2000002, true},
    {"3.20",             3.2,       false},
    {"3.10",             3.1,       false},
    {"3.1",              3.1,       false},
    {"4",                4.0,       true},
    {"  \t3.5",          3.5,       true},
    {"+3.5",             3.5,       true},
    {"-3.5",             -3.5,      false},
    {"3.5beta",          3.5,       true},
    {"3.5.1",            3.5,       true},
    {".5",               0.5,       false},
    {"5.",               5.0,       true},
    {"1e1",              10.0,      true},
    {"32E-1",            3.2,       false},
    {"33e-1",            3.3,       true},
    {"1e",               1.0,       false},
    {"4e+",              4.0,       true},
    {"1e999",            HUGE_VAL,  true},
    {"1e-999",           0.0,       false},
    {"0x10",             0.0,       false},
    {"inf",              0.0,       false},
    {"nan",              0.0,       false},
    {"",                 0.0,       false},
    {"新版本",           0.0,       false},
    {"v3.3",             0.0,       false},
    {".",                0.0,       false},
    {"-",                0.0,       false},
    {"３．３",           3.3,       true},
    {"＋３．５",         3.5,       true},
    {"　３．３",         3.3,       true},
    {"３.２",            3.2,       false},
    {"３．３版",         3.3,       true},
    {"3。3",             3.0,       false},
    // clang-format on
};

TEST(VersionRule, ReadsTheLeadingNumber) {
    for (const VersionCase& c : kVersionCases) {
        double value = update::readVersionNumber(gbk(c.text));
        EXPECT_DOUBLE_EQ(value, c.expected) << "version text \"" << c.text << "\"";
        EXPECT_EQ(update::isNewerVersion(value), c.newer) << "version text \"" << c.text << "\"";
    }
}

struct FullWidthCase {
    const char* text;
    const char* expected;
};

// text                    expected
const FullWidthCase kFullWidthCases[] = {
    // clang-format off
    {"ＡＢＣ１２３",          "ABC123"},
    {"！～",                 "!~"},
    {"　",                   " "},
    {"版本３．３",            "版本3.3"},
    {"plain",                "plain"},
    {"￥",                   "￥"},
    // clang-format on
};

TEST(VersionRule, MapsFullWidthFormsToAscii) {
    for (const FullWidthCase& c : kFullWidthCases)
        EXPECT_EQ(update::fullWidthToAscii(gbk(c.text)), gbk(c.expected)) << "text \"" << c.text << "\"";
}

TEST(UpdaterCommandLine, JoinsTheFeedsWordsUnquoted) {
    struct Case {
        const char* name;
        const char* attributes;  // inside <版本信息 ...>
        const char* runDirectory;
        const char* expected;
    };
    // name              attributes                                                                                      run directory        expected
    const Case cases[] = {
        // clang-format off
        {"plain",         R"(下载地址="http://h/p.zip" 文件标题="升级包" 文件名="p.zip" 升级说明="修复错误")",                 "/opt/kovrel",       "/opt/kovrel/升级文件/update 甲乙丙丁 http://h/p.zip 升级包 运行 Kovrel p.zip 修复错误"},
        {"spaces pass",   R"(下载地址="http://h/a b.zip" 文件标题="新 版" 文件名="p.zip" 升级说明="一 二 三")",              "/opt/my kovrel",    "/opt/my kovrel/升级文件/update 甲乙丙丁 http://h/a b.zip 新 版 运行 Kovrel p.zip 一 二 三"},
        {"all missing",   "",                                                                                             "/k",                "/k/升级文件/update 甲乙丙丁   运行 Kovrel  "},
        {"entities",      R"(下载地址="http://h/p.zip?a=1&amp;b=2" 文件标题="&lt;t&gt;" 文件名="&#65;" 升级说明="&quot;")", "/k",                "/k/升级文件/update 甲乙丙丁 http://h/p.zip?a=1&b=2 <t> 运行 Kovrel &#65; \""},
        // clang-format on
    };
    for (const Case& c : cases) {
        kovrel::platform::PugiXmlDocument feed;
        feed.load(gbk(std::string("<最新版本><版本信息 ") + c.attributes + "/></最新版本>"));
        EXPECT_EQ(update::updaterCommandLine(feed, c.runDirectory, '/'), c.expected) << c.name;
    }
}

TEST(UpdateServer, EnvironmentOverridesTheBuiltInAddress) {
    unsetenv(update::kUpdateServerVariable);
    std::string builtIn = update::updateServer();
    EXPECT_FALSE(builtIn.empty());
    setenv(update::kUpdateServerVariable, "127.0.0.1:8123", 1);
    EXPECT_EQ(update::updateServer(), "127.0.0.1:8123");
    EXPECT_EQ(update::feedUrl(update::updateServer()), "http://127.0.0.1:8123/Kovrel.xml");
    setenv(update::kUpdateServerVariable, "", 1);
    EXPECT_EQ(update::updateServer(), builtIn);
    unsetenv(update::kUpdateServerVariable);
}

TEST(VersionCaption, ShowsTheVersionAfterFiftySpaces) {
    EXPECT_EQ(update::versionCaption(), gbk("Kovrel" + std::string(50, ' ') + "版本号：3.2"));
}

}  // namespace

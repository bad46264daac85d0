// The feed's XML reader: element paths, entity handling and malformed documents. Every case
// runs twice: on the UTF-8 document, and on its GBK form as the update check loads it.
#include <gtest/gtest.h>

#include <string>

#include "platform/encoding.h"
#include "platform/net/feed_document.h"

namespace {

using kovrel::platform::PugiXmlDocument;
using kovrel::platform::utf8ToGbk;

constexpr char kPath[] = "最新版本/版本信息";

struct FeedCase {
    const char* name;
    const char* document;
    const char* path;
    const char* attribute;
    const char* expected;
};

// name                      document                                                                     path        attribute   expected
const FeedCase kFeedCases[] = {
    // clang-format off
    {"plain",                 R"(<最新版本><版本信息 版本号="3.3" 文件名="a.zip"/></最新版本>)",             kPath,      "版本号",   "3.3"},
    {"second attribute",      R"(<最新版本><版本信息 版本号="3.3" 文件名="a.zip"/></最新版本>)",             kPath,      "文件名",   "a.zip"},
    {"missing attribute",     R"(<最新版本><版本信息 版本号="3.3"/></最新版本>)",                           kPath,      "升级说明", ""},
    {"declaration, comment",  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- feed -->\n<最新版本><版本信息 版本号=\"4\"/></最新版本>", kPath, "版本号", "4"},
    {"first of two",          R"(<最新版本><版本信息 版本号="3.5"/><版本信息 版本号="3.9"/></最新版本>)",    kPath,      "版本号",   "3.5"},
    {"other child first",     R"(<最新版本><其他 版本号="9"/><版本信息 版本号="3.4"/></最新版本>)",         kPath,      "版本号",   "3.4"},
    {"root attribute",        R"(<最新版本 版本号="7"><版本信息/></最新版本>)",                            "最新版本", "版本号",   "7"},
    {"wrong root",            R"(<最新><版本信息 版本号="3.3"/></最新>)",                                   kPath,      "版本号",   ""},
    {"nested deeper",         R"(<最新版本><外层><版本信息 版本号="3.3"/></外层></最新版本>)",              kPath,      "版本号",   ""},
    {"child elements",        R"(<最新版本><版本信息><版本号>3.3</版本号></版本信息></最新版本>)",          kPath,      "版本号",   ""},
    {"text ignored",          R"(<最新版本><版本信息 版本号="3.3">正文</版本信息></最新版本>)",              kPath,      "版本号",   "3.3"},
    {"five entities",         R"(<最新版本><版本信息 升级说明="&lt;a&gt; &amp; &apos;b&apos; &quot;c&quot;"/></最新版本>)", kPath, "升级说明", "<a> & 'b' \"c\""},
    {"quote entity",          R"(<最新版本><版本信息 升级说明="&quote;x&quote;"/></最新版本>)",             kPath,      "升级说明", "\"x\""},
    {"amp not twice",         R"(<最新版本><版本信息 升级说明="&amp;lt;"/></最新版本>)",                     kPath,      "升级说明", "&lt;"},
    {"numeric kept",          R"(<最新版本><版本信息 升级说明="a&#65;b&#x42;c"/></最新版本>)",              kPath,      "升级说明", "a&#65;b&#x42;c"},
    {"unknown entity kept",   R"(<最新版本><版本信息 升级说明="&nbsp;&copy;"/></最新版本>)",                kPath,      "升级说明", "&nbsp;&copy;"},
    {"bare ampersand kept",   R"(<最新版本><版本信息 升级说明="a & b &lt"/></最新版本>)",                    kPath,      "升级说明", "a & b &lt"},
    {"single quotes",         R"(<最新版本><版本信息 版本号='3.6'/></最新版本>)",                           kPath,      "版本号",   "3.6"},
    {"spaces kept",           R"(<最新版本><版本信息 升级说明="修复 两处 错误"/></最新版本>)",              kPath,      "升级说明", "修复 两处 错误"},
    {"unclosed root",         R"(<最新版本><版本信息 版本号="3.3"/>)",                                     kPath,      "版本号",   ""},
    {"mismatched end",        R"(<最新版本><版本信息 版本号="3.3"></其他></最新版本>)",                     kPath,      "版本号",   ""},
    {"unquoted value",        R"(<最新版本><版本信息 版本号=3.3/></最新版本>)",                             kPath,      "版本号",   ""},
    {"html error page",       "<html><body><h1>404 Not Found</h1></body></html>",                           kPath,      "版本号",   ""},
    {"plain text",            "Not Found",                                                                  kPath,      "版本号",   ""},
    {"empty document",        "",                                                                           kPath,      "版本号",   ""},
    {"blanks only",           " \r\n\t",                                                                    kPath,      "版本号",   ""},
    {"two roots",             R"(<最新版本><版本信息 版本号="3.3"/></最新版本><最新版本/>)",                 kPath,      "版本号",   ""},
    {"text before root",      R"(junk<最新版本><版本信息 版本号="3.3"/></最新版本>)",                       kPath,      "版本号",   ""},
    {"text after root",       R"(<最新版本><版本信息 版本号="3.3"/></最新版本>junk)",                       kPath,      "版本号",   ""},
    {"blanks around root",    "\n  <最新版本><版本信息 版本号=\"3.3\"/></最新版本>\r\n\t",                  kPath,      "版本号",   "3.3"},
    {"comment after root",    R"(<最新版本><版本信息 版本号="3.3"/></最新版本><!-- end -->)",               kPath,      "版本号",   "3.3"},
    {"doctype",               R"(<!DOCTYPE 最新版本><最新版本><版本信息 版本号="3.3"/></最新版本>)",          kPath,      "版本号",   "3.3"},
    {"CDATA beside root",     R"(<最新版本><版本信息 版本号="3.3"/></最新版本><![CDATA[x]]>)",              kPath,      "版本号",   ""},
    {"empty path",            R"(<最新版本><版本信息 版本号="3.3"/></最新版本>)",                           "",         "版本号",   ""},
    {"path with empty step",  R"(<最新版本><版本信息 版本号="3.3"/></最新版本>)",                           "最新版本//版本信息", "版本号", ""},
    // clang-format on
};

TEST(FeedDocument, ReadsAttributesByPath) {
    for (const FeedCase& c : kFeedCases) {
        PugiXmlDocument utf8;
        utf8.load(c.document);
        EXPECT_EQ(utf8.attribute(c.path, c.attribute), c.expected) << c.name << " (UTF-8)";

        PugiXmlDocument gbk;
        gbk.load(utf8ToGbk(c.document));
        EXPECT_EQ(gbk.attribute(utf8ToGbk(c.path), utf8ToGbk(c.attribute)), utf8ToGbk(c.expected))
            << c.name << " (GBK)";
    }
}

TEST(FeedDocument, LoadReplacesThePreviousDocument) {
    PugiXmlDocument document;
    document.load(R"(<最新版本><版本信息 版本号="3.3"/></最新版本>)");
    ASSERT_EQ(document.attribute(kPath, "版本号"), "3.3");
    document.load(R"(<最新版本><版本信息 文件名="b.zip"/></最新版本>)");
    EXPECT_EQ(document.attribute(kPath, "版本号"), "");
    EXPECT_EQ(document.attribute(kPath, "文件名"), "b.zip");
    document.load("<broken");
    EXPECT_EQ(document.attribute(kPath, "文件名"), "");
}

}  // namespace

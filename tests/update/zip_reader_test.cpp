// Unpacking packages built during the test with Python's zipfile, including hostile ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/net/zip_reader.h"
#include "tests/update/loopback_servers.h"

namespace {

namespace fs = std::filesystem;
using kovrel::testing::ScratchFolder;
using kovrel::testing::ZipEntry;

struct Expect {
    const char* path;     // under the unpack folder
    const char* content;  // nullptr: must be a folder; "" with absent=true: must not exist
    bool absent;
};

struct UnpackCase {
    const char* name;
    std::vector<ZipEntry> entries;
    std::vector<Expect> expect;
};

// name                      entries (kind, name, content)                                              expected results under the unpack folder
const UnpackCase kUnpackCases[] = {
    // clang-format off
    {"flat files",            {{"file", "a.txt", "A"}, {"file", ".hidden", "H"}},                          {{"a.txt", "A", false}, {".hidden", "H", false}}},
    {"subfolders",            {{"file", "lib/x/y.bin", "Y"}, {"dir", "empty", ""}},                        {{"lib/x/y.bin", "Y", false}, {"empty", nullptr, false}}},
    {"dot folder",            {{"file", ".git/config", "C"}},                                              {{".git/config", "C", false}}},
    {"backslash separators",  {{"file", "sub\\z.txt", "Z"}},                                               {{"sub/z.txt", "Z", false}}},
    {"Chinese UTF-8 name",    {{"file", "说明.txt", "S"}},                                                 {{"说明.txt", "S", false}}},
    {"Chinese GBK name",      {{"gbk", "文档/说明.txt", "G"}},                                             {{"文档/说明.txt", "G", false}}},
    {"dot parts",             {{"file", "./a/./b.txt", "B"}},                                              {{"a/b.txt", "B", false}}},
    {"parent escape",         {{"file", "../escaped.txt", "E"}, {"file", "ok.txt", "O"}},                  {{"../escaped.txt", "", true}, {"ok.txt", "O", false}}},
    {"deep parent escape",    {{"file", "a/../../escaped.txt", "E"}},                                      {{"../escaped.txt", "", true}, {"a", "", true}}},
    {"backslash escape",      {{"file", "..\\escaped.txt", "E"}},                                          {{"../escaped.txt", "", true}}},
    {"absolute name",         {{"file", "/tmp/kovrel-absolute-escape.txt", "E"}},                          {{"tmp", "", true}}},
    {"drive letter",          {{"file", "C:/escaped.txt", "E"}},                                           {{"C:", "", true}, {"escaped.txt", "", true}}},
    {"symbolic link",         {{"link", "link", "/etc/passwd"}, {"file", "after.txt", "A"}},               {{"link", "", true}, {"after.txt", "A", false}}},
    {"write through link",    {{"link", "out", ".."}, {"file", "out/escaped.txt", "E"}},                   {{"out", nullptr, false}, {"../escaped.txt", "", true}}},
    // clang-format on
};

TEST(ZipReader, UnpacksInsideTheFolderOnly) {
    for (const UnpackCase& c : kUnpackCases) {
        SCOPED_TRACE(c.name);
        ScratchFolder scratch;
        std::string archive = scratch / "package.zip";
        std::string folder = scratch / "unpack";
        fs::create_directory(folder);
        ASSERT_TRUE(kovrel::testing::makeZip(archive, c.entries));
        EXPECT_TRUE(kovrel::platform::unpackZip(archive, folder));
        for (const Expect& e : c.expect) {
            std::string path = folder + "/" + e.path;
            if (e.absent) {
                EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << e.path;
            } else if (!e.content) {
                EXPECT_TRUE(fs::is_directory(fs::symlink_status(path))) << e.path;
            } else {
                EXPECT_EQ(kovrel::testing::readFile(path), e.content) << e.path;
            }
        }
        // Nothing besides the archive and the unpack folder appeared in the scratch folder.
        for (const auto& entry : fs::directory_iterator(scratch.path()))
            EXPECT_TRUE(entry.path() == archive || entry.path() == folder) << entry.path();
        EXPECT_FALSE(fs::exists("/tmp/kovrel-absolute-escape.txt"));
    }
}

TEST(ZipReader, ReplacesFilesAndNeverWritesThroughLinks) {
    ScratchFolder scratch;
    std::string folder = scratch / "unpack";
    fs::create_directory(folder);
    kovrel::testing::writeFile(folder + "/same.txt", "old");
    kovrel::testing::writeFile(scratch / "outside.txt", "outside");
    fs::create_symlink(scratch / "outside.txt", folder + "/linked.txt");
    fs::create_directory(scratch / "elsewhere");
    fs::create_symlink(scratch / "elsewhere", folder + "/linkdir");
    std::string archive = scratch / "package.zip";
    ASSERT_TRUE(kovrel::testing::makeZip(
        archive, {{"file", "same.txt", "new"}, {"file", "linked.txt", "fresh"}, {"file", "linkdir/x.txt", "X"}}));
    EXPECT_TRUE(kovrel::platform::unpackZip(archive, folder));
    EXPECT_EQ(kovrel::testing::readFile(folder + "/same.txt"), "new");
    EXPECT_EQ(kovrel::testing::readFile(scratch / "outside.txt"), "outside");
    EXPECT_FALSE(fs::is_symlink(folder + "/linked.txt"));
    EXPECT_EQ(kovrel::testing::readFile(folder + "/linked.txt"), "fresh");
    EXPECT_FALSE(fs::exists(scratch / "elsewhere/x.txt"));
}

TEST(ZipReader, KeepsExecuteBitsOfUnixEntries) {
    ScratchFolder scratch;
    std::string archive = scratch / "package.zip";
    fs::create_directory(scratch / "unpack");
    ASSERT_TRUE(kovrel::testing::makeZip(archive, {{"exec", "Kovrel", "#!/bin/sh\n"}, {"file", "data.txt", "d"}}));
    EXPECT_TRUE(kovrel::platform::unpackZip(archive, scratch / "unpack"));
    auto executable = [](const std::string& path) {
        return (fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none;
    };
    EXPECT_TRUE(executable(scratch / "unpack/Kovrel"));
    EXPECT_FALSE(executable(scratch / "unpack/data.txt"));
}

TEST(ZipReader, ADamagedEntryFailsTheWholeUnpacking) {
    struct Case {
        const char* name;
        std::vector<ZipEntry> entries;
        const char* damaged;  // the stored bytes changed in the archive; nullptr: none
        bool whole;
    };
    // name                 entries                                                                   damaged               whole
    const Case cases[] = {
        // clang-format off
        {"intact",           {{"file", "a.txt", "A"}, {"stored", "b.txt", "BBBB-marker-BBBB"}},          nullptr,              true },
        {"last entry bad",   {{"file", "a.txt", "A"}, {"stored", "b.txt", "BBBB-marker-BBBB"}},          "BBBB-marker-BBBB",   false},
        {"first entry bad",  {{"stored", "b.txt", "BBBB-marker-BBBB"}, {"file", "a.txt", "A"}},          "BBBB-marker-BBBB",   false},
        // clang-format on
    };
    for (const Case& c : cases) {
        ScratchFolder scratch;
        std::string archive = scratch / "package.zip";
        fs::create_directory(scratch / "unpack");
        ASSERT_TRUE(kovrel::testing::makeZip(archive, c.entries)) << c.name;
        if (c.damaged) {
            ASSERT_TRUE(kovrel::testing::damageFile(archive, c.damaged)) << c.name;
        }
        EXPECT_EQ(kovrel::platform::unpackZip(archive, scratch / "unpack"), c.whole) << c.name;
        // The damaged entry never stays behind, half written.
        EXPECT_EQ(fs::exists(scratch / "unpack/b.txt"), c.whole) << c.name;
    }
}

TEST(ZipReader, RefusesWhatIsNotAnArchive) {
    struct Case {
        const char* name;
        const char* bytes;  // nullptr: no file at all
    };
    // name           bytes
    const Case cases[] = {
        // clang-format off
        {"missing",    nullptr},
        {"empty",      ""},
        {"text",       "this is not a zip archive"},
        {"bare magic", "PK\x03\x04"},
        // clang-format on
    };
    for (const Case& c : cases) {
        ScratchFolder scratch;
        std::string archive = scratch / "package.zip";
        if (c.bytes) kovrel::testing::writeFile(archive, c.bytes);
        fs::create_directory(scratch / "unpack");
        EXPECT_FALSE(kovrel::platform::unpackZip(archive, scratch / "unpack")) << c.name;
        EXPECT_TRUE(fs::is_empty(scratch / "unpack")) << c.name;
    }
}

}  // namespace

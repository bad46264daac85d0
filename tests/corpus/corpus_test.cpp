#include "tests/support/corpus.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using kovrel::testing::CorpusChunk;
using kovrel::testing::loadCorpus;

TEST(Corpus, BuiltCorpusHoldsMegabytesOfRealCode) {
    const std::vector<CorpusChunk> chunks = kovrel::testing::loadDefaultCorpus();
    ASSERT_FALSE(chunks.empty()) << "corpus missing or damaged: " << kovrel::testing::defaultCorpusPath();
    size_t total = 0;
    size_t moves = 0;
    for (const CorpusChunk& c : chunks) {
        EXPECT_FALSE(c.empty());
        total += c.size();
        for (uint8_t b : c) moves += b == 0x89 || b == 0x8B;
    }
    EXPECT_GE(total, 1500u * 1024u);
    EXPECT_GE(chunks.size(), 3000u);
    // MOV's two opcodes make up about a tenth of compiled x86 code; random or misplaced
    // bytes (a section cut at the wrong offset, data) would hold well under one percent.
    EXPECT_GE(moves * 100, total * 5) << "the corpus does not look like x86 code";
}

struct ReaderCase {
    const char* name;
    std::vector<uint8_t> file;
    std::vector<CorpusChunk> expected;
};

const ReaderCase kReaderCases[] = {
    // clang-format off
    {"empty file", {}, {}},
    {"two chunks", {2, 0, 0, 0, 0x90, 0xC3, 1, 0, 0, 0, 0xCC}, {{0x90, 0xC3}, {0xCC}}},
    {"size past the end", {3, 0, 0, 0, 0x90, 0xC3}, {}},
    {"huge size", {0xFF, 0xFF, 0xFF, 0xFF, 0x90}, {}},
    {"half a size field", {1, 0, 0, 0, 0x90, 1, 0}, {}},
    // clang-format on
};

TEST(Corpus, ReaderKeepsChunksAndRejectsDamagedFiles) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("kovrel_corpus_test_" + std::to_string(std::random_device{}()) + ".bin");
    for (const ReaderCase& c : kReaderCases) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(c.file.data()), std::streamsize(c.file.size()));
        }
        EXPECT_EQ(loadCorpus(path.string()), c.expected) << c.name;
    }
    std::filesystem::remove(path);
    EXPECT_TRUE(loadCorpus(path.string()).empty()) << "missing file";
}

}  // namespace

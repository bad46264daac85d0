// Reader for the real-code corpus: a sequence of chunks, each a little-endian uint32 size
// followed by that many bytes of code, one chunk per code section so no command straddles two.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kovrel::testing {

using CorpusChunk = std::vector<uint8_t>;

// Path of the corpus the build made, empty when the target does not link test_corpus.
inline std::string defaultCorpusPath() {
#ifdef KOVREL_CORPUS_PATH
    return KOVREL_CORPUS_PATH;
#else
    return {};
#endif
}

// Returns no chunks at all when the file is missing or any size runs past its end,
// so a damaged corpus fails loudly instead of feeding half a section to a test.
inline std::vector<CorpusChunk> loadCorpus(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<CorpusChunk> chunks;
    size_t at = 0;
    while (at < data.size()) {
        if (data.size() - at < 4) return {};
        const uint32_t size = uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
                              uint32_t(data[at + 3]) << 24;
        at += 4;
        if (size > data.size() - at) return {};
        chunks.emplace_back(data.begin() + at, data.begin() + at + size);
        at += size;
    }
    return chunks;
}

inline std::vector<CorpusChunk> loadDefaultCorpus() { return loadCorpus(defaultCorpusPath()); }

}  // namespace kovrel::testing

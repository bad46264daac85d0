// Differential test: Disasm's command lengths against Capstone's, over real 32-bit code
// (the MinGW runtime corpus) and over random bytes. Wherever both decode a command without
// error the lengths must agree, except in the classes below, which this decoder's own rules
// cause on purpose.
#include <capstone/capstone.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/corpus.h"

namespace {

// Skips prefix bytes, returning the first byte after them (or size when none follows).
size_t afterPrefixes(const unsigned char* p, size_t size) {
    size_t i = 0;
    while (i < size) {
        switch (p[i]) {
            case 0x26:
            case 0x2E:
            case 0x36:
            case 0x3E:
            case 0x64:
            case 0x65:
            case 0x66:
            case 0x67:
            case 0xF0:
            case 0xF2:
            case 0xF3: ++i; continue;
            default: return i;
        }
    }
    return i;
}

bool hasPrefix(const unsigned char* p, size_t end, unsigned char prefix) {
    for (size_t i = 0; i < end; ++i)
        if (p[i] == prefix) return true;
    return false;
}

struct Exception {
    const char* name;
    const char* reason;
    bool (*applies)(const unsigned char* p, size_t size, const DisasmRecord& r, int length);
};

const Exception kExceptions[] = {
    {"repeated prefix",
     "a second prefix of the same group ends the prefixes; the first prefix alone is listed as a one-byte command",
     [](const unsigned char*, size_t, const DisasmRecord& r, int length) {
         return length == 1 && r.commandType == 0x08 && (r.warningFlags & WarnExtraPrefix) != 0;
     }},
    {"far pointer under 66/67",
     "the offset of an immediate far jump or call takes the address size here, the operand size in the processor",
     [](const unsigned char* p, size_t size, const DisasmRecord&, int) {
         const size_t op = afterPrefixes(p, size);
         return op < size && (p[op] == 0xEA || p[op] == 0x9A) && (hasPrefix(p, op, 0x66) || hasPrefix(p, op, 0x67));
     }},
    {"SFENCE without ModRM",
     "the SFENCE row fixes the byte after 0F AE in its pattern but has no ModRM operand, so that byte is not consumed",
     [](const unsigned char* p, size_t size, const DisasmRecord&, int) {
         const size_t op = afterPrefixes(p, size);
         return op + 2 < size && p[op] == 0x0F && p[op + 1] == 0xAE && p[op + 2] == 0xF8;
     }},
};
constexpr size_t kExceptionCount = sizeof(kExceptions) / sizeof(kExceptions[0]);

struct Figures {
    long decoded = 0;         // commands walked
    long compared = 0;        // both without error
    long ourErrors = 0;       // Disasm reported an error (unknown or unsupported command, misuse)
    long capstoneFailed = 0;  // Capstone refused the bytes
    long excused[kExceptionCount] = {};
    long unexplained = 0;
    std::vector<std::string> unexplainedSamples;

    void print(const char* title) const {
        std::printf("%s: %ld commands, %ld compared, %ld with a Disasm error, %ld refused by Capstone\n", title,
                    decoded, compared, ourErrors, capstoneFailed);
        for (size_t i = 0; i < kExceptionCount; ++i)
            std::printf("  length differs, %-26s %ld\n", kExceptions[i].name, excused[i]);
        std::printf("  length differs, unexplained               %ld\n", unexplained);
    }
};

class Capstone {
public:
    Capstone() {
        if (cs_open(CS_ARCH_X86, CS_MODE_32, &handle_) != CS_ERR_OK) return;
        insn_ = cs_malloc(handle_);
    }
    ~Capstone() {
        if (insn_) cs_free(insn_, 1);
        if (handle_) cs_close(&handle_);
    }
    bool ok() const { return insn_ != nullptr; }
    // Length of the command at p, 0 when Capstone cannot decode it.
    size_t length(const unsigned char* p, size_t size, uint64_t address) {
        const uint8_t* code = p;
        size_t left = size;
        return cs_disasm_iter(handle_, &code, &left, &address, insn_) ? insn_->size : 0;
    }

private:
    csh handle_ = 0;
    cs_insn* insn_ = nullptr;
};

std::string hexBytes(const unsigned char* p, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02X ", p[i]);
        s += b;
    }
    return s;
}

// Compares the command at p and returns Disasm's length.
int compareOne(Capstone& cs, const unsigned char* p, size_t size, unsigned address, Figures& f) {
    DisasmRecord r;
    const int length = Disasm(p, unsigned(size), address, &r, 0);
    ++f.decoded;
    const size_t theirs = cs.length(p, size, address);
    if (r.errorCode != ErrNone) {
        ++f.ourErrors;
    } else if (theirs == 0) {
        ++f.capstoneFailed;
    } else {
        ++f.compared;
        if (theirs != size_t(length)) {
            bool excused = false;
            for (size_t i = 0; i < kExceptionCount && !excused; ++i)
                if (kExceptions[i].applies(p, size, r, length)) {
                    ++f.excused[i];
                    excused = true;
                }
            if (!excused) {
                ++f.unexplained;
                if (f.unexplainedSamples.size() < 20)
                    f.unexplainedSamples.push_back(hexBytes(p, size < 16 ? size : 16) + "ours " +
                                                   std::to_string(length) + " theirs " + std::to_string(theirs));
            }
        }
    }
    return length;
}

TEST(DisasmCapstone, RealCodeLengthsAgree) {
    Capstone cs;
    ASSERT_TRUE(cs.ok());
    const auto chunks = kovrel::testing::loadDefaultCorpus();
    ASSERT_FALSE(chunks.empty()) << "corpus missing: " << kovrel::testing::defaultCorpusPath();
    Figures f;
    for (const auto& chunk : chunks) {
        size_t at = 0;
        while (at < chunk.size()) at += size_t(compareOne(cs, chunk.data() + at, chunk.size() - at, unsigned(at), f));
    }
    f.print("MinGW runtime code");
    EXPECT_GT(f.compared, 100000);
    EXPECT_EQ(f.unexplained, 0);
    for (const auto& s : f.unexplainedSamples) ADD_FAILURE() << s;
}

TEST(DisasmCapstone, RandomBytesLengthsAgreeOutsideTheExceptions) {
    Capstone cs;
    ASSERT_TRUE(cs.ok());
    std::mt19937 random(20261211);
    Figures f;
    unsigned char bytes[16];
    for (int round = 0; round < 400000; ++round) {
        for (auto& b : bytes) b = static_cast<unsigned char>(random());
        compareOne(cs, bytes, sizeof bytes, 0x401000, f);
    }
    f.print("random bytes");
    EXPECT_GT(f.compared, 300000);
    EXPECT_EQ(f.unexplained, 0);
    for (const auto& s : f.unexplainedSamples) ADD_FAILURE() << s;
}

// Each exception class is real: an example of it does differ, and is recognised.
TEST(DisasmCapstone, ExceptionClassesHaveExamples) {
    struct Example {
        const char* klass;
        std::vector<unsigned char> bytes;
    };
    const Example examples[] = {
        // clang-format off
        {"repeated prefix", {0x66, 0x66, 0x90}},
        {"repeated prefix", {0xF3, 0xF3, 0xA4}},
        {"far pointer under 66/67", {0x66, 0xEA, 0x00, 0x10, 0x40, 0x00, 0x10, 0x00}},
        {"far pointer under 66/67", {0x67, 0x9A, 0x00, 0x10, 0x40, 0x00, 0x10, 0x00}},
        {"SFENCE without ModRM", {0x0F, 0xAE, 0xF8, 0x90}},
        // clang-format on
    };
    Capstone cs;
    ASSERT_TRUE(cs.ok());
    for (const Example& e : examples) {
        Figures f;
        compareOne(cs, e.bytes.data(), e.bytes.size(), 0, f);
        long excused = 0;
        for (long n : f.excused) excused += n;
        EXPECT_EQ(f.compared, 1) << e.klass;
        EXPECT_EQ(excused, 1) << e.klass;
        EXPECT_EQ(f.unexplained, 0) << e.klass;
    }
}

}  // namespace

// Round trip over real code: every command the decoder lists without error assembles from its
// listing text, at the same address, back to the original bytes with some attempt and constSize.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/listing_for_assembly.h"
#include "tests/support/corpus.h"

namespace {

constexpr unsigned kBaseAddress = 0x401000;

// Sanitizer builds take every Nth command so the test stays within a couple of minutes;
// KOVREL_ROUNDTRIP_STRIDE overrides the default.
int sampleStride() {
    if (const char* env = std::getenv("KOVREL_ROUNDTRIP_STRIDE")) {
        const int stride = std::atoi(env);
        if (stride > 0) return stride;
    }
#if defined(__SANITIZE_ADDRESS__)
    return 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return 4;
#endif
#endif
    return 1;
}

// Commands the assembler does not give back byte for byte, by design.
enum ExceptionClass {
    ExSuperfluousPrefix,
    ExAddressSize16,
    ExZeroDisplacement,
    ExRegisterOrder,
    ExOperandSizePrefix,
    ExSignExtendedWord,
    ExUnexplained,
    kExceptionClasses
};

struct ExceptionInfo {
    const char* name;
    const char* reason;
};

//  name                          reason
const ExceptionInfo kExceptions[kExceptionClasses] = {
    // clang-format off
    {"superfluous prefix", "the listing drops a prefix that changes nothing, so the text cannot ask for it"},
    {"16-bit address form", "the assembler refuses 16-bit addressing (address-size prefix 67) by design"},
    // clang-format on
    {"zero displacement",
     "the bytes carry a displacement of 0 that the listing does not write (padding such as "
     "8D 74 26 00, 8D B4 26 00 00 00 00, 8D 76 00); the assembler writes a displacement of 0 "
     "only after base EBP or for CONST, and a SIB byte only for an index or base ESP, so any "
     "attempt and constSize give the shorter form"},
    {"base and index order",
     "the assembler makes the lower-numbered register the base whatever the text's order "
     "(it exchanges them only for EBP with an unscaled index and no displacement, and for "
     "an unscaled ESP index); these bytes have the higher-numbered register as base"},
    {"unshown 66 prefix",
     "an operand-size prefix that the listing does not show (66 90 listed as NOP, 66 before "
     "MMX rows that real CPUs read as SSE2), so the text cannot ask for it"},
    {"sign-extended word",
     "66 83 /n with a negative byte: the listing writes the 16-bit value (CMP AX,FFFF), "
     "and the assembler takes the sign-extended byte only for a 32-bit value in -128..127, "
     "so 0FFFF comes back as 66 81 /n with a full word"},
    {"unexplained", "none: every such command is a fault"},
};

using kovrel::testing::withLeadingZeros;

// Memory operands with their terms sorted, so base and index order does not count.
std::string canonical(const char* text) {
    std::string out;
    for (const char* p = text; *p;) {
        if (*p != '[') {
            out += *p++;
            continue;
        }
        const char* close = std::strchr(p, ']');
        if (close == nullptr) {
            out += p;
            break;
        }
        std::vector<std::string> terms;
        std::string term;
        for (const char* q = p + 1; q < close; ++q) {
            if ((*q == '+' || *q == '-') && !term.empty()) {
                terms.push_back(term);
                term.clear();
            }
            if (*q != '+') term += *q;
        }
        terms.push_back(term);
        std::sort(terms.begin(), terms.end());
        out += '[';
        for (size_t i = 0; i < terms.size(); ++i) out += (i ? "," : "") + terms[i];
        out += ']';
        p = close + 1;
    }
    return out;
}

bool assemblesBack(const char* text, unsigned address, const uint8_t* bytes, int length) {
    AsmModel model;
    char error[256];
    for (int attempt = 0; attempt < 16; ++attempt) {
        bool anyRow = false;
        for (int constSize = 0; constSize < 4; ++constSize) {
            const int result = Assemble(text, address, &model, attempt, constSize, error);
            if (result <= 0) continue;
            anyRow = true;
            if (result == length && std::memcmp(model.codeBytes, bytes, size_t(length)) == 0) return true;
        }
        // With no fitting row left at this attempt, later attempts find none either.
        if (!anyRow && std::strcmp(error, "Unrecognized command") == 0) break;
    }
    return false;
}

// Some encoding the assembler gives for the text (ready to assemble) decodes to the listing
// (as written); with anyOrder, memory terms may come in another order.
bool ownBytesListSame(const std::string& ready, unsigned address, const char* listing, bool anyOrder,
                      AsmModel* found = nullptr) {
    AsmModel model;
    char error[256];
    const std::string wanted = anyOrder ? canonical(listing) : std::string(listing);
    for (int attempt = 0; attempt < 16; ++attempt) {
        for (int constSize = 0; constSize < 4; ++constSize) {
            const int result = Assemble(ready.c_str(), address, &model, attempt, constSize, error);
            if (result <= 0) return false;
            DisasmRecord again;
            Disasm(model.codeBytes, unsigned(result), address, &again, 3);
            if (again.errorCode != 0) continue;
            if ((anyOrder ? canonical(again.commandText) : std::string(again.commandText)) == wanted) {
                if (found != nullptr) *found = model;
                return true;
            }
        }
    }
    return false;
}

// Number of prefix bytes the assembler put in front of its command.
int prefixCount(const uint8_t* code, int length) {
    static constexpr uint8_t kPrefixes[] = {0xF0, 0x66, 0x67, 0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65};
    int n = 0;
    while (n < length && std::memchr(kPrefixes, code[n], sizeof kPrefixes) != nullptr) ++n;
    return n;
}

ExceptionClass classify(const DisasmRecord& record, const std::string& ready, const uint8_t* bytes) {
    if ((record.warningFlags & WarnExtraPrefix) != 0) return ExSuperfluousPrefix;
    for (int i = 0; i < record.prefixCount; ++i) {
        if (bytes[i] == 0x67) return ExAddressSize16;
    }
    AsmModel own{};
    if (ownBytesListSame(ready, record.address, record.commandText, false, &own)) {
        const bool memory = std::strchr(record.commandText, '[') != nullptr;
        if (memory && record.memoryDisplacement == 0) return ExZeroDisplacement;
        const int ownPrefixes = prefixCount(own.codeBytes, own.codeLength);
        const bool had66 = std::memchr(bytes, 0x66, size_t(record.prefixCount)) != nullptr;
        const bool has66 = std::memchr(own.codeBytes, 0x66, size_t(ownPrefixes)) != nullptr;
        if (had66 && !has66) return ExOperandSizePrefix;
        // Only the word forms of 83 /n are expected to come back as 81 /n.
        if (had66 && has66 && bytes[record.prefixCount] == 0x83 && own.codeBytes[ownPrefixes] == 0x81)
            return ExSignExtendedWord;
        return ExUnexplained;
    }
    if (ownBytesListSame(ready, record.address, record.commandText, true)) return ExRegisterOrder;
    return ExUnexplained;
}

struct Options {
    const char* name;
    int idealSyntax, lowerCaseText, tabAfterMnemonic, showDefaultSegment;
};

//  name                   ideal lower tab segment
const Options kOptions[] = {
    // clang-format off
    {"converter (0,0,0,1)", 0, 0, 0, 1},
    {"all options off", 0, 0, 0, 0},
    // clang-format on
};

TEST(AssembleCorpus, ListedCommandsAssembleBack) {
    const std::vector<kovrel::testing::CorpusChunk> chunks = kovrel::testing::loadDefaultCorpus();
    ASSERT_FALSE(chunks.empty()) << "corpus missing: " << kovrel::testing::defaultCorpusPath();
    const int stride = sampleStride();

    for (const Options& options : kOptions) {
        SCOPED_TRACE(options.name);
        VB_SetOptions(options.idealSyntax, options.lowerCaseText, options.tabAfterMnemonic, options.showDefaultSegment);
        long listed = 0;
        long matched = 0;
        long matchedAsListed = 0;
        long counts[kExceptionClasses] = {};
        std::vector<std::string> samples[kExceptionClasses];
        std::set<std::string> mnemonicsSeen[kExceptionClasses];
        long seen = 0;
        unsigned address = kBaseAddress;
        for (const auto& chunk : chunks) {
            size_t at = 0;
            while (at < chunk.size()) {
                DisasmRecord record;
                const uint8_t* bytes = chunk.data() + at;
                const int length = Disasm(bytes, unsigned(chunk.size() - at), address, &record, 3);
                ASSERT_GT(length, 0);
                if (record.errorCode == 0 && seen++ % stride == 0) {
                    ++listed;
                    const std::string zeroed = withLeadingZeros(record.commandText);
                    if (assemblesBack(record.commandText, address, bytes, length)) {
                        ++matched;
                        ++matchedAsListed;
                    } else if (zeroed != record.commandText && assemblesBack(zeroed.c_str(), address, bytes, length)) {
                        ++matched;
                    } else {
                        const ExceptionClass cls = classify(record, zeroed, bytes);
                        ++counts[cls];
                        // A few examples per class, one per mnemonic.
                        const size_t keep = cls == ExUnexplained ? 40 : 6;
                        const std::string mnemonic =
                            std::string(record.commandText).substr(0, std::strcspn(record.commandText, " "));
                        if (samples[cls].size() < keep && mnemonicsSeen[cls].insert(mnemonic).second) {
                            samples[cls].push_back(std::string(record.hexDump) + "  " + record.commandText);
                        }
                    }
                }
                at += size_t(length);
                address += unsigned(length);
            }
        }
        long byDesign = 0;
        for (int c = 0; c < ExUnexplained; ++c) byDesign += counts[c];
        const auto percent = [](long part, long whole) { return whole ? 100.0 * double(part) / double(whole) : 0.0; };
        std::printf("[%s] %ld commands listed (every %d)\n", options.name, listed, stride);
        std::printf("    assembled back from the listing as written:        %7ld  %.3f%%\n", matchedAsListed,
                    percent(matchedAsListed, listed));
        std::printf("    ... with a leading 0 put before hexadecimal letters: %7ld  %.3f%%\n", matched,
                    percent(matched, listed));
        std::printf("    ... of the commands outside the classes below:      %7ld  %.3f%%\n", matched,
                    percent(matched, listed - byDesign));
        std::printf("    highest share the assembler can reach by design:    %7ld  %.3f%%\n", listed - byDesign,
                    percent(listed - byDesign, listed));
        for (int c = 0; c < kExceptionClasses; ++c) {
            std::printf("    %-22s %7ld  %6.3f%%  %s\n", kExceptions[c].name, counts[c], percent(counts[c], listed),
                        kExceptions[c].reason);
            for (const std::string& line : samples[c]) std::printf("        e.g. %s\n", line.c_str());
        }
        EXPECT_GT(listed, 0);
        EXPECT_GE(percent(matched, listed - byDesign), 99.0);
        EXPECT_EQ(counts[ExUnexplained], 0);
    }
    VB_SetOptions(0, 0, 0, 1);
}

}  // namespace

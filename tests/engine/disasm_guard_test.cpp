// Disasm never reads past bytes + byteCount and never writes outside its record: every
// truncation of long commands is placed right before an inaccessible page, and the record
// sits between canary bytes (and, once, right before an inaccessible page as well).
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/hex_bytes.h"

namespace {

using kovrel::testing::parseHex;

// Two pages: the first readable and writable, the second without any access.
class GuardedPage {
public:
    GuardedPage() {
        pageSize_ = size_t(sysconf(_SC_PAGESIZE));
        void* p = mmap(nullptr, 2 * pageSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return;
        base_ = static_cast<unsigned char*>(p);
        if (mprotect(base_ + pageSize_, pageSize_, PROT_NONE) != 0) {
            munmap(base_, 2 * pageSize_);
            base_ = nullptr;
        }
    }
    ~GuardedPage() {
        if (base_) munmap(base_, 2 * pageSize_);
    }
    bool ok() const { return base_ != nullptr; }
    // Copies bytes so that they end exactly at the inaccessible page.
    const unsigned char* placeAtEnd(const unsigned char* bytes, size_t count) {
        unsigned char* at = base_ + pageSize_ - count;
        if (count) std::memcpy(at, bytes, count);
        return at;
    }
    unsigned char* end() { return base_ + pageSize_; }

private:
    size_t pageSize_ = 0;
    unsigned char* base_ = nullptr;
};

// Long commands of every shape: prefixes, SIB, 32-bit displacement and immediate, far
// pointers, 3DNow! suffixes, 16-bit addresses, FPU memory forms, REP forms.
const char* const kLongCommands[] = {
    "26 66 67 F0 81 84 24 00 10 40 00 78 56",
    "C7 84 88 00 10 40 00 01 00 00 00",
    "69 84 88 00 10 40 00 01 00 00 00",
    "6B 44 24 08 FF",
    "EA 00 10 40 00 10 00",
    "9A 00 10 40 00 10 00",
    "67 EA 00 10 10 00",
    "0F 0F 84 88 00 10 40 00 9E",
    "0F 0F 04 25 00 10 40 00 B4",
    "67 0F 0F 86 34 12 9E",
    "67 C7 86 34 12 78 56 34 12",
    "67 8B 06 34 12",
    "C8 10 00 01",
    "0F A4 84 88 00 10 40 00 05",
    "64 A1 00 00 00 00",
    "67 A3 00 10",
    "0F 84 00 10 00 00",
    "66 0F 84 00 10",
    "DF 2C 25 00 10 40 00",
    "DD B4 24 00 10 40 00",
    "0F AE 84 24 00 10 40 00",
    "FF 24 85 00 10 40 00",
    "FF 2D 00 10 40 00",
    "F3 66 A5",
    "F2 AE",
    "F3 0F B8 C0",
    "F0 0F C7 4C 24 08",
    "66 66 90",
    "C1 E0 20",
    "0F 20 C0",
    "8E F0",
};

void checkAll(GuardedPage& page, const std::vector<unsigned char>& command, const std::string& name) {
    const int modes[] = {0, 1, 3};
    const int optionSets[][4] = {{0, 0, 0, 1}, {1, 1, 1, 0}};
    for (size_t cut = 0; cut <= command.size(); ++cut) {
        const unsigned char* at = page.placeAtEnd(command.data(), cut);
        for (const auto& o : optionSets) {
            VB_SetOptions(o[0], o[1], o[2], o[3]);
            for (int mode : modes) {
                unsigned char frame[64 + sizeof(DisasmRecord) + 64];
                std::memset(frame, 0x5A, sizeof frame);
                auto* record = reinterpret_cast<DisasmRecord*>(frame + 64);
                const int n = Disasm(at, unsigned(cut), 0x401000, record, mode);
                SCOPED_TRACE(name + " cut " + std::to_string(cut) + " mode " + std::to_string(mode));
                ASSERT_GE(n, cut ? 1 : 0);
                ASSERT_LE(size_t(n), cut);
                for (size_t i = 0; i < 64; ++i) {
                    ASSERT_EQ(frame[i], 0x5A) << "written before the record at " << i;
                    ASSERT_EQ(frame[64 + sizeof(DisasmRecord) + i], 0x5A) << "written after the record at " << i;
                }
            }
        }
    }
    VB_SetOptions(0, 0, 0, 0);
}

TEST(DisasmGuard, EveryTruncationOfLongCommands) {
    GuardedPage page;
    ASSERT_TRUE(page.ok());
    for (const char* text : kLongCommands) checkAll(page, parseHex(text), text);
}

// A full command cut short never decodes as if its missing bytes were there.
TEST(DisasmGuard, CutCommandsReportTheEnd) {
    GuardedPage page;
    ASSERT_TRUE(page.ok());
    for (const char* text : kLongCommands) {
        const std::vector<unsigned char> command = parseHex(text);
        DisasmRecord whole;
        VB_SetOptions(0, 0, 0, 1);
        const int full = Disasm(command.data(), unsigned(command.size()), 0, &whole, 3);
        if (full != int(command.size()) || whole.errorCode != ErrNone) continue;  // a prefix case or an error case
        for (size_t cut = 1; cut < command.size(); ++cut) {
            DisasmRecord r;
            const unsigned char* at = page.placeAtEnd(command.data(), cut);
            const int n = Disasm(at, unsigned(cut), 0, &r, 3);
            EXPECT_TRUE(n < int(cut) || r.errorCode == ErrCrossesEnd ||
                        std::strcmp(r.commandText, whole.commandText) != 0)
                << text << " cut " << cut;
        }
    }
    VB_SetOptions(0, 0, 0, 0);
}

TEST(DisasmGuard, RandomBytesAtThePageEnd) {
    GuardedPage page;
    ASSERT_TRUE(page.ok());
    std::mt19937 random(12345);
    std::vector<unsigned char> command(16);
    for (int round = 0; round < 3000; ++round) {
        for (auto& b : command) b = static_cast<unsigned char>(random());
        // Bias towards prefixes and escape bytes, where the decoder takes its longer paths.
        if (round % 3 == 0) command[0] = 0x0F;
        if (round % 5 == 0) command[0] = 0x66, command[1] = 0x67;
        checkAll(page, command, "random round " + std::to_string(round));
    }
}

// The record itself right before the inaccessible page: a write past it would fault.
TEST(DisasmGuard, RecordAtThePageEnd) {
    GuardedPage page;
    ASSERT_TRUE(page.ok());
    auto* record = reinterpret_cast<DisasmRecord*>(page.end() - sizeof(DisasmRecord));
    VB_SetOptions(1, 1, 1, 1);
    for (const char* text : kLongCommands) {
        const std::vector<unsigned char> command = parseHex(text);
        for (int mode : {0, 1, 3, 1245000}) Disasm(command.data(), unsigned(command.size()), 0x401000, record, mode);
        EXPECT_NE(std::memchr(record->commentText, 0, sizeof record->commentText), nullptr) << text;
    }
    VB_SetOptions(0, 0, 0, 0);
}

}  // namespace

// Row lookup for the decoder. The table is searched first-match in row order; to avoid
// walking hundreds of rows per command, candidate lists keep, per first code byte (and
// per second byte where the first byte is shared by many rows, as 0F, the REP bytes and
// the FPU escapes), only the rows that can match, still in row order.
#include "decoder.h"
#include "instruction_table.h"

namespace zandrel {
namespace {

// A first byte with more candidates than this gets lists per second byte.
constexpr int kSplitThreshold = 8;
// Room for all lists; the table needs about 3300 entries. Should an edited table need more,
// the index stays unused and the lookup falls back to the plain scan.
constexpr int kPoolSize = 8192;
constexpr int kMaxSplitBytes = 24;

// Fixed arrays only, so building the index allocates nothing either.
struct RowIndex {
    bool usable = false;
    uint16_t rows[kPoolSize];  // all lists back to back
    uint16_t firstStart[257];  // list of first byte b: rows[firstStart[b] .. firstStart[b+1])
    int8_t secondSlot[256];    // -1, or which block of secondStart serves first byte b
    uint16_t secondStart[kMaxSplitBytes][257];

    RowIndex() {
        int count[256] = {};
        for (int r = 0; r < kCommandRowCount; ++r)
            for (uint32_t b = 0; b < 256; ++b)
                if (matchesLow(r, b, 0xFF)) ++count[b];
        int slots = 0;
        for (int b = 0; b < 256; ++b) {
            secondSlot[b] = -1;
            if (count[b] > kSplitThreshold) {
                if (slots == kMaxSplitBytes) return;
                secondSlot[b] = int8_t(slots++);
            }
        }
        int used = 0;
        for (uint32_t b = 0; b < 256; ++b) {
            firstStart[b] = uint16_t(used);
            if (secondSlot[b] >= 0) continue;
            for (int r = 0; r < kCommandRowCount; ++r)
                if (matchesLow(r, b, 0xFF)) {
                    if (used == kPoolSize) return;
                    rows[used++] = uint16_t(r);
                }
        }
        firstStart[256] = uint16_t(used);
        for (uint32_t b = 0; b < 256; ++b) {
            if (secondSlot[b] < 0) continue;
            uint16_t* starts = secondStart[secondSlot[b]];
            for (uint32_t b1 = 0; b1 < 256; ++b1) {
                starts[b1] = uint16_t(used);
                for (int r = 0; r < kCommandRowCount; ++r)
                    if (matchesLow(r, b | b1 << 8, 0xFFFF)) {
                        if (used == kPoolSize) return;
                        rows[used++] = uint16_t(r);
                    }
            }
            starts[256] = uint16_t(used);
        }
        usable = true;
    }

    static bool matchesLow(int row, uint32_t code, uint32_t bytesMask) {
        const CommandEntry& e = InstructionTable[row];
        return ((code ^ e.matchCode) & e.matchMask & bytesMask) == 0;
    }
};

const RowIndex& rowIndex() {
    static const RowIndex index;
    return index;
}

}  // namespace

int FindFirstRow(uint32_t code) {
    const RowIndex& index = rowIndex();
    if (!index.usable) return ScanFirstRow(code);
    const uint32_t b0 = code & 0xFF;
    uint32_t from, to;
    if (index.secondSlot[b0] < 0) {
        from = index.firstStart[b0];
        to = index.firstStart[b0 + 1];
    } else {
        const uint16_t* starts = index.secondStart[index.secondSlot[b0]];
        const uint32_t b1 = (code >> 8) & 0xFF;
        from = starts[b1];
        to = starts[b1 + 1];
    }
    const uint16_t* rows = index.rows;
    for (uint32_t i = from; i < to; ++i) {
        const CommandEntry& e = InstructionTable[rows[i]];
        if (((code ^ e.matchCode) & e.matchMask) == 0) return rows[i];
    }
    return -1;
}

bool RowIndexInUse() { return rowIndex().usable; }

int ScanFirstRow(uint32_t code) {
    for (int r = 0; r < kCommandRowCount; ++r) {
        const CommandEntry& e = InstructionTable[r];
        if (((code ^ e.matchCode) & e.matchMask) == 0) return r;
    }
    return -1;
}

}  // namespace zandrel

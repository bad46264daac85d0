// Row lookup for the decoder. The table is searched first-match in row order; to avoid
// walking hundreds of rows per command, candidate lists keep, per first code byte (and
// per second byte where the first byte is shared by many rows, as 0F, the REP bytes and
// the FPU escapes), only the rows that can match, still in row order.
#include <vector>

#include "decoder.h"
#include "instruction_table.h"

namespace zandrel {
namespace {

// A first byte with more candidates than this gets lists per second byte.
constexpr size_t kSplitThreshold = 8;

struct RowIndex {
    std::vector<uint16_t> rows;          // all lists back to back
    uint32_t firstStart[257] = {};       // list of first byte b: rows[firstStart[b] .. firstStart[b+1])
    int16_t secondSlot[256];             // -1, or which second-level block serves first byte b
    std::vector<uint32_t> secondStart;   // per slot 257 offsets, like firstStart

    RowIndex() {
        std::vector<uint16_t> lists[256];
        for (int r = 0; r < kCommandRowCount; ++r) {
            const CommandEntry& e = InstructionTable[r];
            for (uint32_t b = 0; b < 256; ++b)
                if (((b ^ e.matchCode) & e.matchMask & 0xFF) == 0) lists[b].push_back(uint16_t(r));
        }
        int slots = 0;
        for (int b = 0; b < 256; ++b) secondSlot[b] = lists[b].size() > kSplitThreshold ? int16_t(slots++) : int16_t(-1);
        for (int b = 0; b < 256; ++b) {
            firstStart[b] = uint32_t(rows.size());
            if (secondSlot[b] < 0) rows.insert(rows.end(), lists[b].begin(), lists[b].end());
        }
        firstStart[256] = uint32_t(rows.size());
        secondStart.resize(size_t(slots) * 257);
        for (int b = 0; b < 256; ++b) {
            if (secondSlot[b] < 0) continue;
            uint32_t* starts = &secondStart[size_t(secondSlot[b]) * 257];
            for (uint32_t b1 = 0; b1 < 256; ++b1) {
                starts[b1] = uint32_t(rows.size());
                const uint32_t code = uint32_t(b) | b1 << 8;
                for (uint16_t r : lists[b]) {
                    const CommandEntry& e = InstructionTable[r];
                    if (((code ^ e.matchCode) & e.matchMask & 0xFFFF) == 0) rows.push_back(r);
                }
            }
            starts[256] = uint32_t(rows.size());
        }
    }
};

const RowIndex& rowIndex() {
    static const RowIndex index;
    return index;
}

}  // namespace

int FindFirstRow(uint32_t code) {
    const RowIndex& index = rowIndex();
    const uint32_t b0 = code & 0xFF;
    uint32_t from, to;
    if (index.secondSlot[b0] < 0) {
        from = index.firstStart[b0];
        to = index.firstStart[b0 + 1];
    } else {
        const uint32_t* starts = &index.secondStart[size_t(index.secondSlot[b0]) * 257];
        const uint32_t b1 = (code >> 8) & 0xFF;
        from = starts[b1];
        to = starts[b1 + 1];
    }
    const uint16_t* rows = index.rows.data();
    for (uint32_t i = from; i < to; ++i) {
        const CommandEntry& e = InstructionTable[rows[i]];
        if (((code ^ e.matchCode) & e.matchMask) == 0) return rows[i];
    }
    return -1;
}

int ScanFirstRow(uint32_t code) {
    for (int r = 0; r < kCommandRowCount; ++r) {
        const CommandEntry& e = InstructionTable[r];
        if (((code ^ e.matchCode) & e.matchMask) == 0) return r;
    }
    return -1;
}

}  // namespace zandrel

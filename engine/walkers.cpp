// Stepping over whole commands in a block of code, with lengths from the decoder in mode 0.
#include <cstdint>

#include "decoder.h"
#include "engine_api.h"

namespace {

// Each walker keeps its own record, as the decoder fills one per call.
DisasmRecord gForwardRecord;
DisasmRecord gBackRecord;

constexpr int kRingSize = 128;
uint32_t gStartRing[kRingSize];

}  // namespace

extern "C" unsigned int Disassembleforward(const unsigned char* block, unsigned int blockBase, unsigned int blockSize,
                                           unsigned int address, int count) {
    if (!block) return 0;
    // Offsets from the block's start, kept within the block even where addresses wrap.
    uint64_t at = address < blockBase ? 0 : uint64_t(address) - blockBase;
    if (at > blockSize) at = blockSize;
    if (count <= 0) return uint32_t(blockBase + at);
    for (int i = 0; i < count && at < blockSize; ++i) {
        const uint32_t here = uint32_t(blockBase + at);
        at += uint32_t(zandrel::DecodeCommand(block + at, uint32_t(blockSize - at), here, &gForwardRecord, 0));
    }
    return uint32_t(blockBase + at);
}

extern "C" unsigned int Disassembleback(const unsigned char* block, unsigned int blockBase, unsigned int blockSize,
                                        unsigned int address, int count) {
    if (!block) return 0;
    if (count < 0) count = 0;
    if (count > kRingSize - 1) count = kRingSize - 1;
    const uint64_t end = uint64_t(blockBase) + blockSize;
    if (address > end) address = uint32_t(end);
    if (count == 0) return address;
    if (uint64_t(address) <= uint64_t(blockBase) + uint32_t(count)) return blockBase;

    // Commands are at most 16 bytes long; three spare commands let the walk fall into step.
    const uint64_t stop = uint64_t(address) - blockBase;  // window end, as an offset into block
    const uint64_t span = uint64_t(count + 3) * 16;
    const uint64_t windowStart = stop > span ? stop - span : 0;
    uint64_t at = windowStart;
    int walked = 0;
    while (at < stop) {
        gStartRing[walked % kRingSize] = uint32_t(blockBase + at);
        at += uint32_t(
            zandrel::DecodeCommand(block + at, uint32_t(stop - at), uint32_t(blockBase + at), &gBackRecord, 0));
        ++walked;
    }
    if (walked < count) return uint32_t(blockBase + windowStart);
    return gStartRing[(walked - count) % kRingSize];
}

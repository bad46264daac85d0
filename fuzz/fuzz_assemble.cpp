// Assemble on random and mutated lines: never crashes, never writes past the model or the
// message buffer, and keeps its result consistent with the model.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/engine_api.h"

namespace {

constexpr size_t kMaxLine = 300;
constexpr unsigned char kGuard = 0xA5;

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

// Layout: byte 0 picks attempt (low 4 bits), constSize (bits 4-5) and ideal syntax (bit 7),
// so a printable first character covers every attempt and constSize; bytes 1-4 are the address
// (little-endian); the rest is the line. Seeds stay plain text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const int attempt = data[0] & 0x0F;
    const int constSize = (data[0] >> 4) & 3;
    const int ideal = (data[0] >> 7) & 1;
    const unsigned address =
        unsigned(data[1]) | unsigned(data[2]) << 8 | unsigned(data[3]) << 16 | unsigned(data[4]) << 24;
    data += 5;
    size -= 5;
    if (size > kMaxLine) size = kMaxLine;

    char line[kMaxLine + 1];
    std::memcpy(line, data, size);
    line[size] = '\0';

    struct {
        AsmModel model;
        unsigned char guard[32];
    } box;
    std::memset(&box, kGuard, sizeof box);
    char errorText[256 + 32];
    std::memset(errorText, kGuard, sizeof errorText);

    VB_SetOptions(ideal, 0, 0, 1);
    const int result = Assemble(line, address, &box.model, attempt, constSize, errorText);

    for (unsigned char g : box.guard) check(g == kGuard);
    for (size_t i = 256; i < sizeof errorText; ++i) check(static_cast<unsigned char>(errorText[i]) == kGuard);
    const size_t messageLength = strnlen(errorText, 256);
    check(messageLength <= 64);
    if (result > 0) {
        check(result <= 16);
        check(box.model.codeLength == result);
        check(messageLength == 0);
        check(box.model.jumpSize == 0 || box.model.jumpSize == 1 || box.model.jumpSize == 4);
        check(box.model.jumpPosition >= 0 && box.model.jumpPosition + box.model.jumpSize <= result);
    } else {
        check(box.model.codeLength == 0);
        check(-result <= int(size));
    }
    return 0;
}

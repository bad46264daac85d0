// Disasm and the walkers on arbitrary bytes. The first six input bytes choose the mode,
// the options and the address; the rest is the code, copied into a buffer of exactly its
// size so that any read past the end is caught by the sanitizer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/engine_api.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool terminated(const char* text) { return std::memchr(text, 0, 256) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    const int modes[] = {-5, 0, 1, 2, 3, 5, 1245000};
    const int mode = modes[data[0] % 7];
    const uint8_t o = data[1];
    const unsigned address =
        unsigned(data[2]) | unsigned(data[3]) << 8 | unsigned(data[4]) << 16 | unsigned(data[5]) << 24;
    data += 6;
    size -= 6;

    VB_SetOptions(o & 1, o & 2, o & 4, o & 8);
    std::unique_ptr<unsigned char[]> code(new unsigned char[size ? size : 1]);
    if (size) std::memcpy(code.get(), data, size);
    std::unique_ptr<DisasmRecord> record(new DisasmRecord);

    size_t at = 0;
    do {
        const int n = Disasm(code.get() + at, unsigned(size - at), address + unsigned(at), record.get(), mode);
        check(n >= 0 && size_t(n) <= size - at);
        check(size == at ? n == 0 : n >= 1);
        check(record->address == address + unsigned(at));
        check(terminated(record->commentText));
        if (mode >= 3) check(terminated(record->commandText));
        if (mode >= 3 && size > at) check(terminated(record->hexDump));
        if (n == 0) break;
        at += size_t(n);
    } while (at < size);

    const unsigned end = Disassembleforward(code.get(), address, unsigned(size), address, int(o >> 4) * 8);
    check(end - address <= size);
    const unsigned back =
        Disassembleback(code.get(), address, unsigned(size), address + unsigned(size), int(o >> 4) * 8);
    check(back - address <= size);
    return 0;
}

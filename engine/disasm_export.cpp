#include "decoder.h"
#include "engine_api.h"

// bytes and record are the caller's and must be valid; nothing is read past bytes + byteCount.
extern "C" int Disasm(const unsigned char* bytes, unsigned int byteCount, unsigned int address, DisasmRecord* record,
                      int mode) {
    return zandrel::DecodeCommand(bytes, byteCount, address, record, mode);
}

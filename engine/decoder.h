// The decoder behind Disasm: one command's bytes to a DisasmRecord.
#pragma once

#include <cstdint>

#include "engine_api.h"

namespace zandrel {

// Decodes the command at `bytes` (at most `byteCount` bytes are read) and returns its
// length. Modes: 0 or less and 1-2 fill the analysis fields, 3 and more the texts too.
int DecodeCommand(const uint8_t* bytes, uint32_t byteCount, uint32_t address, DisasmRecord* record, int mode);

// Index of the first InstructionTable row matching a command code, or -1. Gives the same
// row as a scan in table order, through candidate lists built once from the table.
int FindFirstRow(uint32_t code);

// Whether FindFirstRow uses its candidate lists (false only if the table outgrew them).
bool RowIndexInUse();

// Reference form of FindFirstRow: the plain scan in table order (tests compare the two).
int ScanFirstRow(uint32_t code);

}  // namespace zandrel

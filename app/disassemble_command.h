// "<< 反汇编": the machine code listed twice, by the external disassembler (list view and
// code editor) and by the engine's Disasm (the assembly box, lower-cased).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/app_context.h"
#include "app/machine_code_text.h"

namespace kovrel::app {

// Any mode of 3 or more gives the full listing.
inline constexpr int kListingMode = 1 << 20;

void disassembleCommand(AppContext& context);
// Fills the list view (one row per line) and the code editor from the tool's output.
void readToolListing(AppContext& context, std::string_view toolOutput);
// Columns 2 (decimal values) and 3 (hex pairs) of a row from the tool's hex column.
void fillByteColumns(AppContext& context, int row, std::string_view hex);
// The engine's listing, one command per line joined by CR LF.
std::string engineListing(AppContext& context, const Bytes& bytes);
// One command; its length, or 0 when the engine is not loaded. `address` is the command's
// offset from the first byte, so jump targets match the tool listing's offsets.
int disasmOne(AppContext& context, const uint8_t* command, size_t bytesLeft, unsigned address, DisasmRecord& record);
// The tool's output lines; it ends them with LF here, CR LF where it writes text mode.
std::vector<std::string_view> toolLines(std::string_view toolOutput);

}  // namespace kovrel::app

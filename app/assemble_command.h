// "汇编 >>": the assembly text, command by command through the engine's Assemble, into
// machine code. All or nothing: the first rejected command empties the result.
#pragma once

#include <string_view>

#include "app/app_context.h"
#include "app/machine_code_text.h"

namespace kovrel::app {

// Every command is assembled as if it stood alone at this address.
inline constexpr unsigned kAssembleAddress = 100;

void assembleCommand(AppContext& context);
// One trimmed command; no bytes (after the error message) when the engine rejects it.
Bytes assembleLine(AppContext& context, std::string_view line);
// VB_SetOptions(0, 0, 0, 1): "DWORD PTR" operands, upper case, one space after the
// mnemonic, the segment shown on every memory operand.
void setEngineOptions(AppContext& context);

}  // namespace kovrel::app

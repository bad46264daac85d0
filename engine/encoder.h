// Turns one fitting table row plus the parsed operands into machine code and masks.
#pragma once

#include "engine_api.h"
#include "instruction_table.h"
#include "operand_parser.h"

namespace zandrel {

// Longest message Assemble ever writes, without the terminating zero.
constexpr int kMaxAsmMessage = 64;

struct EncodeRequest {
    const CommandEntry* row = nullptr;
    int dataSize = 0;
    int addressSize = 4;
    bool lockPrefix = false;
    bool repPrefix = false;
    const ParsedOperand* operands = nullptr;  // three records
    int pendingModifiers = 0;
    const char* searchName = "";
    unsigned address = 0;
    int constSize = 0;
    bool longFormPass = false;
};

enum class EncodeStatus { Done, Failed, NeedLongForm };

// On Done returns the length in *length and fills model; on Failed writes the message
// (at most kMaxAsmMessage characters plus zero) into message.
EncodeStatus EncodeRow(const EncodeRequest& request, AsmModel* model, int* length, char (&message)[kMaxAsmMessage + 1]);

}  // namespace zandrel

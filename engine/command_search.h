// The assembler's command search: prefixes, mnemonic and operands of one line, then the
// first table row whose name and operand kinds fit, handed to the encoder.
#pragma once

#include <cstdint>

#include "encoder.h"
#include "engine_api.h"
#include "instruction_table.h"
#include "operand_parser.h"

namespace zandrel {

// Why a row whose name fitted was refused; the lowest bit picks the message when one row is left.
enum MismatchFlags : int {
    MisModifier = 0x01,
    MisCount = 0x02,
    MisKind = 0x04,
    MisSize = 0x10,
    MisSizeConflict = 0x20,
    MisSegment = 0x40,
    MisRange = 0x80,
    MisUnknownKind = 0x100,  // a row operand kind the search does not know
};

enum RepPrefix : int { RepNone = 0, RepPlain, RepEqual, RepNotEqual };

// Set beside the JumpModifier bits while no row operand has taken them.
constexpr int kModifiersPending = 0x100;

constexpr int kMaxMnemonic = 16;
constexpr int kSearchNameSize = 24;  // "REPNE " + 16 letters + zero

struct SearchState {
    int repPrefix = RepNone;
    bool lockPrefix = false;
    char searchName[kSearchNameSize] = {};
    const char* mnemonicEnd = nullptr;
    ParsedOperand operands[3];
    int pendingModifiers = 0;
    int dataSize = 0;
    int addressSize = 4;
    bool longFormPass = false;
    int attemptsLeft = 0;
    int nameMatches = 0;
    int fewestOperands = 3;
    int mostOperands = 0;
    int mismatch = 0;
};

// Name test of one table name against an upper-case search name. On a fit sets the
// operand and address sizes the spelling implies.
bool NameFits(const char* tableName, const char* searchName, int* dataSize, int* addressSize);

// Operand test of one row; dataSize may be filled in from the operands.
int TestOperands(const CommandEntry& row, SearchState& state);

// Whole command line into model: the length, 0 for an empty line, or the negated error
// position with the message in message.
int AssembleLine(const char* text, unsigned address, AsmModel* model, int attempt, int constSize,
                 char (&message)[kMaxAsmMessage + 1]);

// Row of the last command that Assemble encoded, -1 after a failure (for tests).
int LastEncodedRow();

// Rows whose name is spelled as given, in table order, with the sizes of that spelling.
struct NameEntry {
    int16_t row;
    int8_t dataSize;
    int8_t addressSize;
};
// Returns the number of entries and points *entries at them; 0 for an unknown name.
int LookUpName(const char* searchName, const NameEntry** entries);

}  // namespace zandrel

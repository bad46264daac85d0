// Random command lines through the scanner and the operand parser: no read past the
// line's NUL, the cursor only moves forward inside the line, errors carry short messages.
#include "engine/operand_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace zandrel;

namespace {

constexpr size_t kMaxLine = 300;

void check(bool condition) {
    if (!condition) std::abort();
}

void checkToken(const ScanState& s, const char* line, size_t length, const char*& last) {
    check(s.cursor >= last && s.cursor <= line + length);
    last = s.cursor;
    check(std::memchr(s.tokenText, '\0', kTokenTextSize) != nullptr);
    if (s.tokenKind == TokError) check(s.tokenError != nullptr && std::strlen(s.tokenError) <= 64);
}

// Every token of the line, alternating between names allowed and not.
void scanTokens(const char* line, size_t length) {
    ScanState s;
    StartScan(s, line);
    const char* last = line;
    for (size_t i = 0; i <= length + 1; ++i) {
        NextToken(s, (i & 1) != 0);
        checkToken(s, line, length, last);
        if (s.tokenKind == TokEnd) {
            NextToken(s, false);
            check(s.tokenKind == TokEnd && s.cursor == last);
            return;
        }
        if (s.tokenKind == TokError) return;
    }
    std::abort();  // every token consumes at least one character
}

// A mnemonic and then operands, the way the command search reads them.
void parseOperands(const char* line, size_t length) {
    ScanState s;
    StartScan(s, line);
    const char* last = line;
    NextToken(s, true);
    checkToken(s, line, length, last);
    NextToken(s, false);
    for (size_t i = 0; i <= length + 1; ++i) {
        checkToken(s, line, length, last);
        if (s.tokenKind == TokEnd || s.tokenKind == TokError) return;
        ParsedOperand op;
        ParseOperand(s, op);
        checkToken(s, line, length, last);
        if (s.tokenKind == TokError) return;
        check(op.operandClass != ParsedNone);
        check(op.operandClass == ParsedFarAddress || (op.segment >= -1 && op.segment <= 5));
        if (op.operandClass == ParsedMemory) {
            check(op.base >= -1 && op.base <= 8 && op.index >= -1 && op.index <= 8);
            check(op.index < 0 ? op.scale == 0 : (op.scale == 1 || op.scale == 2 || op.scale == 4 || op.scale == 8));
        }
        if (IsPunct(s, ',')) NextToken(s, false);
    }
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxLine) size = kMaxLine;
    // Exactly the line and its NUL, so any read beyond shows up under AddressSanitizer.
    std::vector<char> line(data, data + size);
    line.push_back('\0');
    const size_t length = std::strlen(line.data());
    scanTokens(line.data(), length);
    parseOperands(line.data(), length);
    return 0;
}

#include "scanner.h"

#include "instruction_table.h"

namespace zandrel {

ScanState gScanState;

namespace {

// Lexical error messages.
constexpr const char* kMsgTooLong = "Too long identifier";
constexpr const char* kMsgUnknownIdentifier = "Unknown identifier";
constexpr const char* kMsgFpuIndex = "FPU registers have indexes 0 to 7";
constexpr const char* kMsgCloseParen = "Closing parenthesis expected";
constexpr const char* kMsgIntegerExpected = "Integer number expected";
constexpr const char* kMsgHexDigits = "Hexadecimal digits after 0x... expected";
constexpr const char* kMsgMixedHex = "Please don't mix 0xXXXX and XXXXh forms";
constexpr const char* kMsgNotDecimal = "Not a decimal number";
constexpr const char* kMsgBadExponent = "Invalid exponent";
constexpr const char* kMsgUnterminatedChar = "Unterminated character constant";
constexpr const char* kMsgEmptyChar = "Empty character constant";
constexpr const char* kMsgSyntax = "Syntax error";

// Fixed words after the name tables, in comparison order.
struct KeywordRow {
    const char* word;
    TokenKind kind;
    int value;
};
// word        kind              value
constexpr KeywordRow kKeywords[] = {
    // clang-format off
    {"EIP",      TokReserved,     0},
    {"SHORT",    TokJumpModifier, ModShort},
    {"LONG",     TokJumpModifier, ModLong},
    {"NEAR",     TokJumpModifier, ModNear},
    {"FAR",      TokJumpModifier, ModFar},
    {"LOCAL",    TokLocal,        0},
    {"ARG",      TokArg,          0},
    {"REP",      TokRep,          0},
    {"REPE",     TokRepe,         0},
    {"REPZ",     TokRepe,         0},
    {"REPNE",    TokRepne,        0},
    {"REPNZ",    TokRepne,        0},
    {"LOCK",     TokLock,         0},
    {"PTR",      TokPtr,          0},
    {"CONST",    TokAnyConst,     0},
    {"OFFSET",   TokAnyConst,     0},
    {"SIGNED",   TokReserved,     0},
    {"UNSIGNED", TokReserved,     0},
    {"CHAR",     TokReserved,     0},
    {"FLOAT",    TokReserved,     0},
    {"DOUBLE",   TokReserved,     0},
    {"FLOAT10",  TokReserved,     0},
    {"STRING",   TokReserved,     0},
    {"UNICODE",  TokReserved,     0},
    {"MSG",      TokReserved,     0},
    // clang-format on
};

// Two-character operators that come out as one token.
constexpr const char* kDoubleOperators[] = {"||", "&&", "==", "!=", "<=", ">=", "<<", ">>"};

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentStart(char c) { return isLetter(c) || c == '_' || c == '@'; }
bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c); }
char toUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int hexDigitValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool sameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

const char* skipBlanks(const char* p) {
    while (isBlank(*p)) ++p;
    return p;
}

// Finds an upper-cased word in a name table; the position is the token value.
int findName(const char* const* names, int count, const char* word) {
    for (int i = 0; i < count; ++i) {
        if (sameText(names[i], word)) return i;
    }
    return -1;
}

// True when p starts the identifier `word` (upper case) written in any case.
bool startsWord(const char* p, const char* word) {
    for (; *word != '\0'; ++word, ++p) {
        if (toUpper(*p) != *word) return false;
    }
    return !isIdentChar(*p);
}

void setToken(ScanState& s, TokenKind kind, int value) {
    s.tokenKind = kind;
    s.tokenValue = value;
}

void setError(ScanState& s, const char* message) {
    s.tokenKind = TokError;
    s.tokenValue = 0;
    s.tokenError = message;
}

void setPunctText(ScanState& s, char first, char second) {
    s.tokenText[0] = first;
    s.tokenText[1] = second;
    s.tokenText[2] = '\0';
}

// Name-table words; the position in the table is the token value.
struct NameGroup {
    const char* const* names;
    int count;
    TokenKind kind;
};
// names              count  kind
const NameGroup kRegisterGroups[] = {
    // compared before "ST"
    // clang-format off
    {RegisterNames[0],   9,     TokReg8},
    {RegisterNames[1],   9,     TokReg16},
    {RegisterNames[2],   9,     TokReg32},
    {SegmentNames,       6,     TokSegReg},
    // clang-format on
};
const NameGroup kLaterGroups[] = {
    // compared after "ST"
    // clang-format off
    {FpuNames,           9,     TokFpuReg},
    {MmxNames,           9,     TokMmxReg},
    {ControlRegNames,    9,     TokCtrlReg},
    {DebugRegNames,      9,     TokDbgReg},
    {SizeNames,          11,    TokSize},
    // clang-format on
};

template <int N>
bool matchGroups(ScanState& s, const NameGroup (&groups)[N], const char* word) {
    for (const NameGroup& g : groups) {
        const int i = findName(g.names, g.count, word);
        if (i >= 0) {
            setToken(s, g.kind, i);
            return true;
        }
    }
    return false;
}

// "ST" with an optional "(index)". The cursor stands behind "ST" and its blanks.
// An "ST" met where the index or ")" belongs is itself resolved first; whatever it
// gives is not what was wanted, so every enclosing level fails behind it with its own
// message. Doing that in a loop keeps nesting from growing the stack.
void scanFpuRegister(ScanState& s) {
    const char* outerError = nullptr;
    for (;;) {
        const char* p = skipBlanks(s.cursor);
        if (*p != '(') {
            setToken(s, TokFpuReg, 0);
            break;
        }
        s.cursor = skipBlanks(p + 1);
        if (startsWord(s.cursor, "ST")) {
            if (outerError == nullptr) outerError = kMsgFpuIndex;
            s.cursor = skipBlanks(s.cursor + 2);
            continue;
        }
        NextToken(s, true);
        if (s.tokenKind != TokInteger || s.tokenValue < 0 || s.tokenValue > 7) {
            setError(s, kMsgFpuIndex);
            break;
        }
        const int number = s.tokenValue;
        const char* q = skipBlanks(s.cursor);
        if (startsWord(q, "ST")) {
            if (outerError == nullptr) outerError = kMsgCloseParen;
            s.cursor = skipBlanks(q + 2);
            continue;
        }
        NextToken(s, true);
        if (s.tokenKind != TokPunct || s.tokenValue != ')') {
            setError(s, kMsgCloseParen);
            break;
        }
        setToken(s, TokFpuReg, number);
        break;
    }
    if (outerError != nullptr) setError(s, outerError);
}

void scanIdentifier(ScanState& s, bool namesAllowed) {
    const char* start = s.cursor;
    const char* p = start;
    int length = 0;
    char upper[kTokenTextSize];
    while (isIdentChar(*p)) {
        if (length == kTokenTextSize - 1) {
            // The 256th character makes it too long; the cursor stops behind it.
            s.tokenText[length] = '\0';
            s.cursor = p + 1;
            setError(s, kMsgTooLong);
            return;
        }
        s.tokenText[length] = *p;
        upper[length] = toUpper(*p);
        ++length;
        ++p;
    }
    s.tokenText[length] = '\0';
    upper[length] = '\0';
    s.cursor = skipBlanks(p);

    char written[kTokenTextSize];
    for (int i = 0; i <= length; ++i) written[i] = s.tokenText[i];

    if (matchGroups(s, kRegisterGroups, upper)) return;
    if (sameText(upper, "ST")) {
        scanFpuRegister(s);
        // The index look-ahead overwrote the text; the token is still "ST".
        if (s.tokenKind == TokFpuReg) {
            for (int i = 0; i <= length; ++i) s.tokenText[i] = written[i];
        }
        return;
    }
    if (matchGroups(s, kLaterGroups, upper)) {
        if (s.tokenKind == TokSize && startsWord(s.cursor, "PTR")) s.cursor = skipBlanks(s.cursor + 3);
        return;
    }
    for (const KeywordRow& k : kKeywords) {
        if (!sameText(k.word, upper)) continue;
        if (k.kind == TokLocal || k.kind == TokArg) {
            // Only "LOCAL." and "ARG." are keywords; without the point the word is a name.
            if (*s.cursor != '.') continue;
            const char* q = skipBlanks(s.cursor + 1);
            if (!isDigit(*q)) {
                s.cursor = q;
                setError(s, kMsgIntegerExpected);
                return;
            }
            unsigned number = 0;
            while (isDigit(*q)) number = number * 10u + static_cast<unsigned>(*q++ - '0');
            s.cursor = q;
            setToken(s, k.kind, static_cast<int>(number));
            return;
        }
        setToken(s, k.kind, k.value);
        return;
    }
    if (namesAllowed) {
        setToken(s, TokName, length);
    } else {
        setError(s, kMsgUnknownIdentifier);
    }
}

void scanNumber(ScanState& s) {
    const char* p = s.cursor;
    bool hexPrefix = false;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        hexPrefix = true;
        p += 2;
    }
    unsigned hexValue = 0;
    unsigned decimalValue = 0;
    bool hexLetter = false;
    int digits = 0;
    for (int d; (d = hexDigitValue(*p)) >= 0; ++p, ++digits) {
        hexValue = hexValue * 16u + static_cast<unsigned>(d);
        if (d < 10) {
            decimalValue = decimalValue * 10u + static_cast<unsigned>(d);
        } else {
            hexLetter = true;
        }
    }
    if (digits == 0) {
        s.cursor = p;
        setError(s, kMsgHexDigits);
        return;
    }
    if (*p == 'H' || *p == 'h') {
        s.cursor = p;
        if (hexPrefix) {
            setError(s, kMsgMixedHex);
            return;
        }
        s.cursor = skipBlanks(p + 1);
        setToken(s, TokInteger, static_cast<int>(hexValue));
        return;
    }
    if (*p == '.') {
        if (hexPrefix || hexLetter) {
            s.cursor = p;
            setError(s, kMsgNotDecimal);
            return;
        }
        ++p;
        if (!isDigit(*p) && *p != 'E' && *p != 'e') {
            s.cursor = skipBlanks(p);
            setToken(s, TokInteger, static_cast<int>(decimalValue));
            return;
        }
        while (isDigit(*p)) ++p;
        if (*p == 'E' || *p == 'e') {
            ++p;
            if (*p == '-') ++p;
            if (!isDigit(*p)) {
                s.cursor = p;
                setError(s, kMsgBadExponent);
                return;
            }
            while (isDigit(*p)) ++p;
        }
        s.cursor = p;
        setToken(s, TokFloat, 0);
        return;
    }
    // A number without marks is hexadecimal.
    s.cursor = skipBlanks(p);
    setToken(s, TokInteger, static_cast<int>(hexValue));
}

void scanCharConstant(ScanState& s) {
    const char* p = s.cursor + 1;  // behind the opening quote
    if (*p == '\0' || (p[0] == '\\' && p[1] == '\0')) {
        s.cursor = p;
        setError(s, kMsgUnterminatedChar);
        return;
    }
    if (*p == '\'') {
        s.cursor = p;
        setError(s, kMsgEmptyChar);
        return;
    }
    if (*p == '\\') ++p;  // no escape letters: the next character stands for itself
    const int value = static_cast<unsigned char>(*p);
    ++p;
    if (*p != '\'') {
        s.cursor = p;
        setError(s, kMsgUnterminatedChar);
        return;
    }
    s.cursor = skipBlanks(p + 1);
    setToken(s, TokInteger, value);
}

void scanPunct(ScanState& s) {
    const char* p = s.cursor;
    const char c = p[0];
    const int code = static_cast<unsigned char>(c);
    if (c == '<' && p[1] == '&') {
        s.cursor = p + 1;
        setError(s, kMsgSyntax);
        return;
    }
    for (const char* op : kDoubleOperators) {
        if (c == op[0] && p[1] == op[1]) {
            setPunctText(s, op[0], op[1]);
            s.cursor = p + 2;
            setToken(s, TokPunct, code * 256 + static_cast<unsigned char>(op[1]));
            return;
        }
    }
    if (c == ']') {
        // "][" reads as "+", so [EAX][EBX] is [EAX+EBX].
        const char* q = skipBlanks(p + 1);
        if (*q == '[') {
            setPunctText(s, '+', '\0');
            s.cursor = q + 1;
            setToken(s, TokPunct, '+');
            return;
        }
    }
    setPunctText(s, c, '\0');
    s.cursor = p + 1;
    setToken(s, TokPunct, code);
}

}  // namespace

void StartScan(ScanState& state, const char* line) {
    state.cursor = line;
    state.lineStart = line;
    state.tokenKind = TokEnd;
    state.tokenValue = 0;
    state.tokenText[0] = '\0';
    state.tokenError = "";
}

void SetScanError(ScanState& state, const char* message) { setError(state, message); }

void NextToken(ScanState& state, bool namesAllowed) {
    state.tokenText[0] = '\0';
    state.tokenValue = 0;
    state.cursor = skipBlanks(state.cursor);
    const char c = *state.cursor;
    if (c == '\0' || c == ';') {
        setToken(state, TokEnd, 0);
    } else if (isIdentStart(c)) {
        scanIdentifier(state, namesAllowed);
    } else if (isDigit(c)) {
        scanNumber(state);
    } else if (c == '\'') {
        scanCharConstant(state);
    } else {
        scanPunct(state);
    }
}

}  // namespace zandrel

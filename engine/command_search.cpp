#include "command_search.h"

#include <cstring>

#include "engine_options.h"

namespace zandrel {
namespace {

constexpr int kWildcard = 8;

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// ---------------------------------------------------------------------------------------
// Name index: every spelling a table name allows, with the rows in table order. Built once;
// a lookup then replaces the name test of every row, which keeps the first-fit rule.

constexpr int kMaxSpellings = 2048;
constexpr int kNameSlots = 2048;  // power of two, well above the number of distinct spellings

struct Spelling {
    char text[kSearchNameSize];
    NameEntry entry;
};

struct NameSlot {
    char text[kSearchNameSize];
    int first;  // into entries
    int count;
};

class NameIndex {
public:
    NameIndex() {
        for (int row = 0; row < kCommandRowCount; ++row) expandRow(row);
        // Group the spellings by name, each group in row order.
        for (int i = 0; i < spellingCount_; ++i) {
            NameSlot& slot = slotFor(spellings_[i].text, true);
            ++slot.count;
        }
        int next = 0;
        for (NameSlot& slot : slots_) {
            if (slot.text[0] == '\0') continue;
            slot.first = next;
            next += slot.count;
            slot.count = 0;
        }
        for (int i = 0; i < spellingCount_; ++i) {
            NameSlot& slot = slotFor(spellings_[i].text, true);
            entries_[slot.first + slot.count++] = spellings_[i].entry;
        }
    }

    int lookUp(const char* name, const NameEntry** entries) const {
        const NameSlot* slot = find(name);
        if (slot == nullptr) return 0;
        *entries = entries_ + slot->first;
        return slot->count;
    }

private:
    static unsigned hash(const char* text) {
        unsigned h = 2166136261u;
        for (; *text; ++text) h = (h ^ uint8_t(*text)) * 16777619u;
        return h;
    }

    const NameSlot* find(const char* name) const {
        if (std::strlen(name) >= size_t(kSearchNameSize)) return nullptr;
        for (unsigned i = hash(name) & (kNameSlots - 1);; i = (i + 1) & (kNameSlots - 1)) {
            const NameSlot& slot = slots_[i];
            if (slot.text[0] == '\0') return nullptr;
            if (std::strcmp(slot.text, name) == 0) return &slot;
        }
    }

    NameSlot& slotFor(const char* name, bool) {
        for (unsigned i = hash(name) & (kNameSlots - 1);; i = (i + 1) & (kNameSlots - 1)) {
            NameSlot& slot = slots_[i];
            if (slot.text[0] == '\0') {
                std::strcpy(slot.text, name);
                return slot;
            }
            if (std::strcmp(slot.text, name) == 0) return slot;
        }
    }

    void add(const char* text, int length, int row, int dataSize, int addressSize) {
        if (spellingCount_ >= kMaxSpellings || length <= 0 || length >= kSearchNameSize) return;
        Spelling& s = spellings_[spellingCount_];
        for (int i = 0; i < length; ++i) s.text[i] = upper(text[i]);
        s.text[length] = '\0';
        // The same spelling twice in one row names the same encoding: keep the first.
        for (int i = spellingCount_ - 1; i >= 0 && spellings_[i].entry.row == row; --i) {
            if (std::strcmp(spellings_[i].text, s.text) == 0) return;
        }
        s.entry = NameEntry{int16_t(row), int8_t(dataSize), int8_t(addressSize)};
        ++spellingCount_;
    }

    void expandRow(int row) {
        const char* name = InstructionTable[row].mnemonic;
        const char mark = name[0];
        const bool bySize = mark == '&' || mark == '$';
        if (bySize) ++name;
        const char separator = bySize ? ':' : ',';
        int alternative = 0;
        while (*name) {
            const char* end = name;
            while (*end && *end != separator) ++end;
            const int length = int(end - name);
            if (!bySize) {
                add(name, length, row, 0, 4);
            } else {
                // First alternative is the 16-bit form; "*" takes W, D or no letter.
                const int size = alternative == 0 ? 2 : 4;
                const char* star = static_cast<const char*>(std::memchr(name, '*', size_t(length)));
                if (star == nullptr) {
                    addSized(mark, name, length, row, size);
                } else {
                    static constexpr struct {
                        const char* letter;
                        int size;
                    } kChoices[3] = {{"", 2}, {"W", 2}, {"D", 4}};
                    for (const auto& choice : kChoices) {
                        char text[kSearchNameSize + 2];
                        const int head = int(star - name);
                        const int tail = length - head - 1;
                        const int letters = int(std::strlen(choice.letter));
                        if (head + letters + tail >= kSearchNameSize) continue;
                        std::memcpy(text, name, size_t(head));
                        std::memcpy(text + head, choice.letter, size_t(letters));
                        std::memcpy(text + head + letters, star + 1, size_t(tail));
                        addSized(mark, text, head + letters + tail, row, choice.size);
                    }
                }
            }
            ++alternative;
            name = *end ? end + 1 : end;
        }
    }

    void addSized(char mark, const char* text, int length, int row, int size) {
        if (mark == '&') {
            add(text, length, row, size, 4);
        } else {
            add(text, length, row, 0, size);
        }
    }

    Spelling spellings_[kMaxSpellings] = {};
    int spellingCount_ = 0;
    NameSlot slots_[kNameSlots] = {};
    NameEntry entries_[kMaxSpellings] = {};
};

const NameIndex& nameIndex() {
    static const NameIndex index;
    return index;
}

// ---------------------------------------------------------------------------------------
// Operand test

bool widthCapable(uint8_t sizeBits) {
    return sizeBits == BitsW0 || sizeBits == BitsW0S1 || sizeBits == BitsW3 || sizeBits == BitsIoW0;
}

int writtenOperands(const CommandEntry& row) {
    const uint8_t kinds[3] = {row.operandKind1, row.operandKind2, row.operandKind3};
    int n = 0;
    while (n < 3 && kinds[n] != OpNone && kinds[n] < kHiddenOperandFirst) ++n;
    return n;
}

int testOperand(uint8_t kind, const ParsedOperand& op, const CommandEntry& row, SearchState& s, bool first) {
    const int cls = op.operandClass;
    const bool isReg = cls == ParsedRegister;
    const bool isMem = cls == ParsedMemory;
    const bool isImm = cls == ParsedImmediate;
    auto numberIs = [&](int n) { return op.index == n || op.index == kWildcard; };
    // dataSize follows the first operand that gives a size; later ones must agree.
    auto takeSize = [&](int size) {
        if (s.dataSize == 0) s.dataSize = size;
        return s.dataSize == size ? 0 : int(MisSizeConflict);
    };
    auto onlySize = [&](int size) { return (op.size != 0 && op.size != size) ? int(MisSize) : 0; };
    // Kinds that take jump modifiers clear the pending mark; the listed ones are refused.
    auto modifiers = [&](int refused) {
        if (!first) return 0;
        s.pendingModifiers &= ~kModifiersPending;
        return (s.pendingModifiers & refused) != 0 ? int(MisModifier) : 0;
    };

    switch (kind) {
        case OpReg:
        case OpRegLow3:
        case OpAccum: {
            if (!isReg || (kind == OpAccum && !numberIs(0))) return MisKind;
            if (op.size == 1 && !widthCapable(row.sizeBits)) return MisSize;
            return takeSize(op.size);
        }
        case OpReg32:
            if (!isReg) return MisKind;
            if (op.size != 4) return MisSize;
            return takeSize(op.size);
        case OpAx:
            if (!isReg || !numberIs(0)) return MisKind;
            if (op.size != 2) return MisSize;
            return takeSize(op.size);
        case OpDx:
            if (!isReg || !numberIs(2)) return MisKind;
            return op.size != 2 ? MisSize : 0;
        case OpCl:
            if (!isReg || !numberIs(1)) return MisKind;
            return op.size != 1 ? MisSize : 0;
        case OpSt0: return (cls == ParsedFpuRegister && numberIs(0)) ? 0 : MisKind;
        case OpStLow3: return cls == ParsedFpuRegister ? 0 : MisKind;
        case OpMmxReg:
        case OpNowReg: return cls == ParsedMmxRegister ? 0 : MisKind;
        case OpRm: {
            if (!isReg && !isMem) return MisKind;
            if (op.size == 1 && !widthCapable(row.sizeBits)) return MisSize;
            return op.size != 0 ? takeSize(op.size) : 0;
        }
        case OpRm8:
        case OpRm16:
        case OpRm32:
            if (!isReg && !isMem) return MisKind;
            return onlySize(kind == OpRm8 ? 1 : kind == OpRm16 ? 2 : 4);
        case OpReg32Rm:
            if (!isReg) return MisKind;
            return onlySize(4);
        case OpMmxRm:
        case OpNowRm:
            if (!isMem && cls != ParsedMmxRegister) return MisKind;
            return onlySize(8);
        case OpMmxRegRm:
        case OpNowRegRm:
            if (cls != ParsedMmxRegister) return MisKind;
            return onlySize(8);
        case OpRmTarget: {
            // The modifiers are taken whatever the operand's class, as by the relative kinds.
            const int flags = modifiers(ModShort | ModFar);
            if (!isReg && !isMem) return flags | MisKind;
            return flags | onlySize(4);
        }
        case OpMemAddr: return isMem ? 0 : MisKind;
        case OpMemFarLoad: {
            if (!isMem) return MisKind;
            int flags = onlySize(6);
            if (s.dataSize == 0) s.dataSize = 4;
            if (s.dataSize != 4) flags |= MisSizeConflict;
            return flags;
        }
        case OpMemFarTarget: {
            const int flags = modifiers(ModShort | ModLong | ModNear);
            if (!isMem) return flags | MisKind;
            return flags | onlySize(6);
        }
        case OpMemDescriptor:
            if (!isMem) return MisKind;
            return onlySize(6);
        case OpMemBounds: {
            if (!isMem) return MisKind;
            // Without ideal syntax the size names the pair, not one bound.
            const int size = (!gOptions.idealSyntax && op.size > 1) ? op.size / 2 : op.size;
            return (size == 0 || size == s.dataSize) ? 0 : MisSizeConflict;
        }
        case OpMemInt16:
        case OpMemWord16: return isMem ? onlySize(2) : MisKind;
        case OpMemInt32:
        case OpMemFloat32: return isMem ? onlySize(4) : MisKind;
        case OpMemQword:
        case OpMemFloat64: return isMem ? onlySize(8) : MisKind;
        case OpMemBcd:
        case OpMemFloat80: return isMem ? onlySize(10) : MisKind;
        case OpMemFpuEnv:
        case OpMemFpuState:
        case OpMemFpuExtState:
            if (!isMem) return MisKind;
            return op.size != 0 ? MisSize : 0;
        case OpStrSource:
        case OpStrDest: {
            const int wanted = kind == OpStrSource ? 6 : 7;  // ESI, EDI
            if (!isMem || !(op.base == wanted || op.base == kWildcard) || op.index >= 0 || op.value != 0 ||
                op.anyConstant != 0)
                return MisKind;
            int flags = 0;
            if (kind == OpStrDest && op.segment >= 0 && op.segment != SegEs) flags |= MisSegment;
            if (op.size != 0) flags |= takeSize(op.size);
            return flags;
        }
        case OpXlat: return cls == ParsedXlat ? 0 : MisKind;
        case OpImm:
        case OpImmUnsigned: return isImm ? 0 : MisKind;
        case OpVxdService:
            if (!isImm) return MisKind;
            if (s.dataSize == 0) s.dataSize = 4;
            return s.dataSize != 4 ? MisSize : 0;
        case OpImmByteExt:
            if (!isImm) return MisKind;
            return (op.value < -128 || op.value > 127) ? MisRange : 0;
        case OpOne: return (isImm && (op.value == 1 || op.anyConstant != 0)) ? 0 : MisKind;
        case OpShiftCount:
        case OpImm8:
            if (!isImm) return MisKind;
            return (op.value < -128 || op.value > 255) ? MisRange : 0;
        case OpImm16:
            if (!isImm) return MisKind;
            return (op.value < 0 || op.value > 65535) ? MisRange : 0;
        case OpMemOffset: return (isMem && op.base < 0 && op.index < 0) ? 0 : MisKind;
        case OpJumpShort: {
            const int flags = modifiers(ModLong | ModFar);
            return (isImm && !s.longFormPass) ? flags : flags | MisKind;
        }
        case OpJumpNear: {
            const int flags = modifiers(ModShort | ModFar);
            return isImm ? flags : flags | MisKind;
        }
        case OpJumpFar: {
            const int flags = modifiers(ModShort | ModNear);
            return cls == ParsedFarAddress ? flags : flags | MisKind;
        }
        case OpSegReg:
            if (cls != ParsedSegmentRegister) return MisKind;
            return takeSize(2);
        case OpSegLow: return cls == ParsedSegmentRegister ? 0 : MisKind;
        case OpCtrlReg:
        case OpDbgReg:
            if (cls != (kind == OpCtrlReg ? ParsedCtrlRegister : ParsedDbgRegister)) return MisKind;
            return takeSize(4);
        default: return MisUnknownKind;
    }
}

// ---------------------------------------------------------------------------------------
// Search passes

enum class PassResult { Done, Failed };

constexpr struct {
    int flag;
    const char* message;
} kMismatchMessages[] = {
    // clang-format off
    {MisModifier, "Invalid jump size modifier"},
    {MisCount, "Wrong number of operands"},
    {MisKind, "Command does not support given operands"},
    {MisSize, "Bad operand size"},
    {MisSizeConflict, "Different size of operands"},
    {MisSegment, "Invalid segment register"},
    {MisRange, "Constant out of expected range"},
    // clang-format on
};

void setMessage(char (&message)[kMaxAsmMessage + 1], const char* text) {
    size_t n = std::strlen(text);
    if (n > size_t(kMaxAsmMessage)) n = kMaxAsmMessage;
    std::memcpy(message, text, n);
    message[n] = '\0';
}

SearchState gSearch;
int gLastEncodedRow = -1;

}  // namespace

bool NameFits(const char* tableName, const char* searchName, int* dataSize, int* addressSize) {
    const char mark = tableName[0];
    const bool bySize = mark == '&' || mark == '$';
    const char separator = bySize ? ':' : ',';
    const char* alt = bySize ? tableName + 1 : tableName;
    for (int alternative = 0; *alt; ++alternative) {
        int size = alternative == 0 ? 2 : 4;
        const char* a = alt;
        const char* s = searchName;
        bool fits = true;
        while (*a && *a != separator) {
            if (bySize && *a == '*') {
                if (*s == 'W') {
                    size = 2;
                    ++s;
                } else if (*s == 'D') {
                    size = 4;
                    ++s;
                } else {
                    size = 2;
                }
                ++a;
                continue;
            }
            if (upper(*a) != upper(*s)) {
                fits = false;
                break;
            }
            ++a;
            ++s;
        }
        if (fits && (*a == '\0' || *a == separator) && *s == '\0') {
            *dataSize = mark == '&' ? size : 0;
            *addressSize = mark == '$' ? size : 4;
            return true;
        }
        while (*a && *a != separator) ++a;
        alt = *a ? a + 1 : a;
    }
    return false;
}

int LastEncodedRow() { return gLastEncodedRow; }

int LookUpName(const char* searchName, const NameEntry** entries) { return nameIndex().lookUp(searchName, entries); }

int TestOperands(const CommandEntry& row, SearchState& s) {
    const uint8_t kinds[3] = {row.operandKind1, row.operandKind2, row.operandKind3};
    const int written = writtenOperands(row);
    for (int i = 0; i < written; ++i) {
        const ParsedOperand& op = s.operands[i];
        int flags = op.operandClass == ParsedNone ? int(MisCount) : testOperand(kinds[i], op, row, s, i == 0);
        if ((s.pendingModifiers & kModifiersPending) != 0) flags |= MisModifier;
        if (flags != 0) return flags;
    }
    if (written < 3 && s.operands[written].operandClass != ParsedNone) return MisCount;
    return 0;
}

namespace {

// One pass over the rows of this name; ends in the encoder or with a message.
PassResult searchPass(SearchState& s, unsigned address, int constSize, AsmModel* model, int* length,
                      char (&message)[kMaxAsmMessage + 1], bool* wantLongForm) {
    *wantLongForm = false;
    s.nameMatches = 0;
    s.fewestOperands = 3;
    s.mostOperands = 0;
    const NameEntry* entries = nullptr;
    const int count = LookUpName(s.searchName, &entries);
    for (int e = 0; e < count; ++e) {
        const CommandEntry& row = InstructionTable[entries[e].row];
        s.dataSize = entries[e].dataSize;
        s.addressSize = entries[e].addressSize;
        ++s.nameMatches;
        const int n = writtenOperands(row);
        if (s.fewestOperands > n) s.fewestOperands = n;
        if (s.mostOperands < n) s.mostOperands = n;
        if (row.sizeBits == BitsWord) s.dataSize = 2;
        s.mismatch = TestOperands(row, s);
        if ((s.mismatch & MisUnknownKind) != 0) {
            setMessage(message, "Internal Assembler error");
            return PassResult::Failed;
        }
        if (s.mismatch != 0) continue;
        if (s.attemptsLeft > 0) {
            --s.attemptsLeft;
            s.nameMatches = 0;
            continue;
        }
        EncodeRequest request;
        request.row = &row;
        request.dataSize = s.dataSize;
        request.addressSize = s.addressSize;
        request.lockPrefix = s.lockPrefix;
        request.repPrefix = s.repPrefix != RepNone;
        request.operands = s.operands;
        request.pendingModifiers = s.pendingModifiers;
        request.searchName = s.searchName;
        request.address = address;
        request.constSize = constSize;
        request.longFormPass = s.longFormPass;
        const EncodeStatus status = EncodeRow(request, model, length, message);
        if (status == EncodeStatus::Done) {
            gLastEncodedRow = entries[e].row;
            return PassResult::Done;
        }
        if (status == EncodeStatus::NeedLongForm) *wantLongForm = true;
        return PassResult::Failed;
    }

    if (s.nameMatches == 0) {
        setMessage(message, "Unrecognized command");
        gScanState.cursor = s.mnemonicEnd;
    } else if (s.fewestOperands >= 1 && s.operands[s.fewestOperands - 1].operandClass == ParsedNone) {
        setMessage(message, "Too few operands");
    } else if (s.mostOperands < 3 && s.operands[s.mostOperands].operandClass != ParsedNone) {
        setMessage(message, "Too many operands");
    } else if (s.nameMatches >= 2) {
        setMessage(message, "Command does not support given operands");
    } else {
        const char* text = "Command does not support given operands";
        for (const auto& m : kMismatchMessages) {
            if ((s.mismatch & m.flag) != 0) {
                text = m.message;
                break;
            }
        }
        setMessage(message, text);
    }
    return PassResult::Failed;
}

}  // namespace

int AssembleLine(const char* text, unsigned address, AsmModel* model, int attempt, int constSize,
                 char (&message)[kMaxAsmMessage + 1]) {
    message[0] = '\0';
    ScanState& scan = gScanState;
    SearchState& s = gSearch;
    s = SearchState{};
    gLastEncodedRow = -1;

    auto failure = [&](const char* text) {
        if (text != nullptr) setMessage(message, text);
        model->codeLength = 0;
        return -ScanPosition(scan);
    };

    StartScan(scan, text);
    NextToken(scan, true);
    if (scan.tokenKind == TokEnd) return 0;

    // Prefix words, in any order.
    for (;;) {
        const TokenKind kind = scan.tokenKind;
        if (kind == TokRep || kind == TokRepe || kind == TokRepne) {
            if (s.repPrefix != RepNone) return failure("Duplicated REP prefix");
            s.repPrefix = kind == TokRep ? RepPlain : kind == TokRepe ? RepEqual : RepNotEqual;
        } else if (kind == TokLock) {
            if (s.lockPrefix) return failure("Duplicated LOCK prefix");
            s.lockPrefix = true;
        } else {
            break;
        }
        NextToken(scan, true);
    }

    if (scan.tokenKind != TokName || scan.tokenValue > kMaxMnemonic) return failure("Command mnemonic expected");
    static constexpr const char* kRepWords[] = {"", "REP ", "REPE ", "REPNE "};
    char* out = s.searchName;
    for (const char* p = kRepWords[s.repPrefix]; *p; ++p) *out++ = *p;
    for (int i = 0; i < scan.tokenValue && scan.tokenText[i]; ++i) *out++ = upper(scan.tokenText[i]);
    *out = '\0';
    s.mnemonicEnd = scan.cursor;

    // Up to three operands; a trailing comma leaves the next one empty.
    NextToken(scan, false);
    ParseOperand(scan, s.operands[0]);
    if (IsPunct(scan, ',')) {
        NextToken(scan, false);
        ParseOperand(scan, s.operands[1]);
        if (IsPunct(scan, ',')) {
            NextToken(scan, false);
            ParseOperand(scan, s.operands[2]);
        }
    }
    if (scan.tokenKind == TokError) return failure(scan.tokenError);
    if (scan.tokenKind != TokEnd) return failure("Extra input after operand");

    s.pendingModifiers = s.operands[0].jumpModifiers;
    if (s.pendingModifiers != 0) s.pendingModifiers |= kModifiersPending;
    s.attemptsLeft = attempt;

    int length = 0;
    bool wantLongForm = false;
    if (searchPass(s, address, constSize, model, &length, message, &wantLongForm) == PassResult::Done) return length;
    if (wantLongForm) {
        s.longFormPass = true;
        if (searchPass(s, address, constSize, model, &length, message, &wantLongForm) == PassResult::Done)
            return length;
    }
    return failure(nullptr);
}

}  // namespace zandrel

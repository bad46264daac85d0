// Disasm's decoder: prefixes, row lookup, operands, the record's analysis fields and,
// in the listing modes, the hex dump, the command text and the comment.
#include "decoder.h"

#include <cstddef>
#include <cstring>

#include "engine_options.h"
#include "instruction_table.h"
#include "listing_text.h"

namespace zandrel {
namespace {

// Prefix slots; a second prefix of a taken slot ends the prefixes as a repeated prefix.
enum PrefixSlot : uint8_t {
    SlotNone = 0,
    SlotSegment = 1,
    SlotOperandSize = 2,
    SlotAddressSize = 4,
    SlotLock = 8,
    SlotRep = 16
};

struct PrefixInfo {
    uint8_t slot;
    int8_t segment;
};

constexpr PrefixInfo prefixInfo(int b) {
    switch (b) {
        case 0x26: return {SlotSegment, SegEs};
        case 0x2E: return {SlotSegment, SegCs};
        case 0x36: return {SlotSegment, SegSs};
        case 0x3E: return {SlotSegment, SegDs};
        case 0x64: return {SlotSegment, SegFs};
        case 0x65: return {SlotSegment, SegGs};
        case 0x66: return {SlotOperandSize, SegNone};
        case 0x67: return {SlotAddressSize, SegNone};
        case 0xF0: return {SlotLock, SegNone};
        case 0xF2:
        case 0xF3: return {SlotRep, SegNone};
        default: return {SlotNone, SegNone};
    }
}

struct PrefixTable {
    PrefixInfo info[256];
    constexpr PrefixTable() : info() {
        for (int b = 0; b < 256; ++b) info[b] = prefixInfo(b);
    }
};
constexpr PrefixTable kPrefixes;

// What a ModRM operand kind (OpRm .. OpMemFpuExtState) means. Sizes of 0 stand for
// "by operand size" and are worked out per command.
enum RmFlags : uint8_t {
    RmMemoryOnly = 1,     // register form is ErrRegisterMisuse
    RmRegisterOnly = 2,   // memory form is ErrMemoryNotAllowed
    RmMmx = 4,            // register form names MMn
    RmFarPointer = 8,     // operand size + 2 bytes; size code 6 only for 32-bit offsets
    RmSegmentLoad = 16,   // LDS and friends write a segment register
    RmFarKeyword = 32,    // "FAR " before the operand
    RmSwitchTarget = 64,  // jump or call through memory: a displacement may be a case table
    RmBounds = 128,       // BOUND pair: twice the operand size unless written in ideal style
};

struct RmKind {
    uint16_t textSize;     // 0: operand size
    uint8_t sizeCode;      // memorySizeCode of the memory form; 0xFF: by operand size
    uint8_t registerSize;  // integer register size of the register form; 0: operand size
    uint8_t flags;
};
constexpr uint8_t kSizeByOperand = 0xFF;
constexpr uint8_t kSizeTargetRule = 0xFE;  // 4, none for 16-bit operands

//  textSize sizeCode         registerSize flags                                    kind
constexpr RmKind kRmKinds[] = {
    // clang-format off
    {0,   kSizeByOperand,  0, 0},                                              // OpRm
    {1,   MemByte,         1, 0},                                              // OpRm8
    {2,   MemWord,         2, 0},                                              // OpRm16
    {4,   MemDword,        4, 0},                                              // OpRm32
    {4,   MemDword,        4, RmRegisterOnly},                                 // OpReg32Rm
    {8,   MemQword,        0, RmMmx},                                          // OpMmxRm
    {8,   MemQword,        0, RmMmx | RmRegisterOnly},                         // OpMmxRegRm
    {8,   MemNowPair,      0, RmMmx},                                          // OpNowRm
    {8,   MemNowPair,      0, RmMmx | RmRegisterOnly},                         // OpNowRegRm
    {0,   kSizeTargetRule, 0, RmSwitchTarget},                                 // OpRmTarget
    {0,   MemNone,         0, RmMemoryOnly},                                   // OpMemAddr
    {0,   MemFword,        0, RmMemoryOnly | RmFarPointer | RmSegmentLoad},    // OpMemFarLoad
    {0,   MemFword,        0, RmMemoryOnly | RmFarPointer | RmFarKeyword},     // OpMemFarTarget
    {6,   MemFword,        0, RmMemoryOnly},                                   // OpMemDescriptor
    {0,   MemNone,         0, RmMemoryOnly | RmBounds},                        // OpMemBounds
    {2,   MemWord,         0, RmMemoryOnly},                                   // OpMemInt16
    {2,   MemWord,         0, RmMemoryOnly},                                   // OpMemWord16
    {4,   MemDword,        0, RmMemoryOnly},                                   // OpMemInt32
    {8,   MemQword,        0, RmMemoryOnly},                                   // OpMemQword
    {10,  MemTbyte,        0, RmMemoryOnly},                                   // OpMemBcd
    {4,   MemFloat32,      0, RmMemoryOnly},                                   // OpMemFloat32
    {8,   MemFloat64,      0, RmMemoryOnly},                                   // OpMemFloat64
    {10,  MemFloat80,      0, RmMemoryOnly},                                   // OpMemFloat80
    {28,  MemNone,         0, RmMemoryOnly},                                   // OpMemFpuEnv
    {108, MemNone,         0, RmMemoryOnly},                                   // OpMemFpuState
    {512, MemNone,         0, RmMemoryOnly},                                   // OpMemFpuExtState
    // clang-format on
};
static_assert(sizeof(kRmKinds) / sizeof(kRmKinds[0]) == OpMemFpuExtState - OpRm + 1);

inline uint32_t read16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t read32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline const char* registerName(int size, int number) {
    return RegisterNames[size == 1 ? 0 : size == 2 ? 1 : 2][number & 7];
}

// A memory operand once its address bytes are read.
struct MemoryForm {
    int defaultSegment = SegDs;
    const char* base = "";   // register text before the index
    const char* index = "";  // index register text, "" when none
    int scaleField = 0;
    uint32_t displacement = 0;
};

template <bool Listing>
class Decoder {
public:
    Decoder(const uint8_t* bytes, uint32_t byteCount, uint32_t address, DisasmRecord* record)
        : bytes_(bytes),
          pos_(bytes),
          remaining_(byteCount),
          address_(address),
          r_(record),
          text_{record->commandText, 0},
          dump_{record->hexDump, 0} {}

    int run();

private:
    // Byte at the position, 0 when none is left (never read past the end).
    uint8_t byteAt(uint32_t offset) const { return offset < remaining_ ? pos_[offset] : 0; }
    void advance() {
        ++pos_;
        ++address_;
        --remaining_;
    }
    // Offset from the opcode byte to the next unread byte of the command.
    uint32_t partLength() const { return 1 + hasModrm_ + hasSib_ + dispSize_ + immSize_; }
    void noteConstant(uint32_t offset) {
        r_->fixupBytes += 4;
        if (firstConstant_ < 0) firstConstant_ = int(pos_ - bytes_) + int(offset);
    }
    bool needs(uint32_t count) {
        if (remaining_ >= count) return true;
        error_ = ErrCrossesEnd;
        return false;
    }
    bool needModrm() {
        if (!needs(2)) return false;
        hasModrm_ = true;
        return true;
    }
    uint8_t modrm() const { return pos_[1]; }

    int repeatedPrefix(uint8_t first);
    int findRow(uint32_t code);
    void writeMnemonic(const char* name);
    void operand(uint8_t kind);
    void rmOperand(uint8_t kind);
    bool readMemory(bool switchTarget, MemoryForm& m);
    void writeMemory(int segment, const MemoryForm& m, int textSize);
    void immediate(uint8_t kind, uint32_t size, bool signExtend);
    void jump(uint8_t kind);
    void writeRegister(const char* name) {
        const int from = text_.length;
        text_.put(name);
        if (gOptions.lowerCaseText) text_.lowerFrom(from);
    }
    void writeIndexed(const char* name, int number) {  // "ST(1)", "MM3"
        const int from = text_.length;
        text_.put(name);
        if (gOptions.lowerCaseText) text_.lowerFrom(from);
        if (name[0] == 'S') {
            text_.put('(');
            text_.put(char('0' + number));
            text_.put(')');
        } else {
            text_.put(char('0' + number));
        }
    }
    void writeKeyword(const char* word) {  // "SHORT ", "FAR " and the like
        const int from = text_.length;
        text_.put(word);
        if (gOptions.lowerCaseText) text_.lowerFrom(from);
    }
    void finish();

    const uint8_t* const bytes_;
    const uint8_t* pos_;
    uint32_t remaining_;
    uint32_t address_;
    DisasmRecord* const r_;
    TextCursor text_;
    TextCursor dump_;

    int operandSize_ = 4;
    int addressSize_ = 4;
    int segment_ = SegNone;
    bool lock_ = false;
    uint8_t rep_ = 0;
    bool hasModrm_ = false;
    bool hasSib_ = false;
    uint32_t dispSize_ = 0;
    uint32_t immSize_ = 0;
    int error_ = ErrNone;
    int softError_ = ErrNone;
    int firstConstant_ = -1;
    uint32_t code_ = 0;
    const CommandEntry* row_ = nullptr;
    uint8_t opcode_ = 0;
    int writtenOperands_ = 0;
};

template <bool Listing>
int Decoder<Listing>::run() {
    DisasmRecord* r = r_;
    const uint32_t byteCount = remaining_;

    // Prefixes.
    uint8_t taken = 0;
    uint8_t firstPrefix = 0;
    while (remaining_) {
        const uint8_t b = *pos_;
        const PrefixInfo info = kPrefixes.info[b];
        if (info.slot == SlotNone) break;
        if (taken & info.slot) return repeatedPrefix(firstPrefix);
        if (!taken) firstPrefix = b;
        taken |= info.slot;
        switch (info.slot) {
            case SlotSegment: segment_ = info.segment; break;
            case SlotOperandSize: operandSize_ = 2; break;
            case SlotAddressSize: addressSize_ = 2; break;
            case SlotLock: lock_ = true; break;
            default: rep_ = b; break;
        }
        if constexpr (Listing) {
            dump_.hexByte(b);
            dump_.put(':');
        }
        ++r->prefixCount;
        advance();
    }

    if (lock_) {
        if constexpr (Listing) text_.put("LOCK ");
        r->warningFlags |= WarnLock;
    }

    // Command code and lookup.
    code_ = uint32_t(byteAt(0)) | uint32_t(byteAt(1)) << 8 | uint32_t(byteAt(2)) << 16;
    if (rep_) code_ = code_ << 8 | rep_;
    const int rowNumber = findRow(code_);
    if (rowNumber < 0) {
        error_ = remaining_ < 2 ? ErrCrossesEnd : ErrUnknownCommand;
        finish();
        return int(byteCount - remaining_);
    }
    const CommandEntry& row = InstructionTable[rowNumber];
    row_ = &row;

    // Row found.
    uint32_t type = row.commandType;
    if (segment_ == SegFs || segment_ == SegGs || lock_) type |= FlagRare;
    if (row.sizeBits == BitsPrivileged) r->warningFlags |= WarnPrivileged;
    if (row.sizeBits == BitsIoW0) r->warningFlags |= WarnIo;
    const uint8_t first = byteAt(0);
    if (first == 0x44 || first == 0x4C ||
        (remaining_ >= 3 && (first == 0x81 || first == 0x83) && (pos_[1] == 0xC4 || pos_[1] == 0xEC) &&
         (pos_[2] & 3))) {
        r->warningFlags |= WarnStack;
        type |= FlagRare;
    }
    if (first == 0x8E) r->warningFlags |= WarnSegWrite;
    r->commandType = int(type);

    // Two-byte opcodes.
    if (row.opcodeLength == 2) {
        if (!remaining_) {
            error_ = ErrCrossesEnd;
        } else {
            if constexpr (Listing) dump_.hexByte(*pos_);
            advance();
        }
        if (!remaining_) error_ = ErrCrossesEnd;
    }
    opcode_ = byteAt(0);

    // Operand size.
    if ((row.sizeBits & BitsW0) && !(opcode_ & 1)) {
        operandSize_ = 1;
    } else if ((row.sizeBits & BitsW3) && !(opcode_ & 8)) {
        operandSize_ = 1;
    } else if (row.sizeBits == BitsWord) {
        operandSize_ = 2;
    }

    if constexpr (Listing) writeMnemonic(row.mnemonic);

    const uint8_t kinds[3] = {row.operandKind1, row.operandKind2, row.operandKind3};
    for (uint8_t kind : kinds) {
        if (error_ != ErrNone || kind == OpNone) break;
        if constexpr (Listing) {
            if (kind < kHiddenOperandFirst) {
                if (writtenOperands_++ == 0) {
                    text_.put(' ');
                    if (gOptions.tabAfterMnemonic) text_.padTo(8);
                } else {
                    text_.put(',');
                }
            }
        }
        operand(kind);
    }

    // After the operands.
    if (r->fixupBytes > 0) r->fixupPosition = firstConstant_;
    if (r->memorySizeCode == 0 && (segment_ != SegNone || (addressSize_ == 2 && row.mnemonic[0] != '$'))) {
        r->warningFlags |= WarnExtraPrefix;
        r->commandType |= FlagRare;
    }
    if (addressSize_ == 2) r->commandType |= FlagRare;
    if ((row.commandType & kClassMask) == ClassNow) {
        // The suffix byte that told the 3DNow! command apart is its immediate.
        if (immSize_ == 0) immSize_ = 1;
        else error_ = ErrUnknownCommand;
    }

    finish();
    return int(byteCount - remaining_);
}

template <bool Listing>
int Decoder<Listing>::findRow(uint32_t code) {
    const int rowNumber = FindFirstRow(code);
    if (rowNumber < 0 || (InstructionTable[rowNumber].commandType & kClassMask) != ClassNow) return rowNumber;
    // 3DNow!: the command is named by a suffix byte behind the operands.
    if (remaining_ < 3) {
        error_ = ErrCrossesEnd;
        return rowNumber;
    }
    const uint8_t m = pos_[2];
    const int mod = m >> 6, rm = m & 7;
    uint32_t suffixAt = 3;
    if (mod != 3) {
        if (addressSize_ == 2) {
            suffixAt += mod == 1 ? 1 : mod == 2 ? 2 : rm == 6 ? 2 : 0;
        } else {
            int base = rm;
            if (rm == 4) {
                if (remaining_ < 4) {
                    error_ = ErrCrossesEnd;
                    return rowNumber;
                }
                suffixAt += 1;
                base = pos_[3] & 7;
            }
            suffixAt += mod == 1 ? 1 : mod == 2 ? 4 : base == 5 ? 4 : 0;
        }
    }
    if (suffixAt >= remaining_) {
        error_ = ErrCrossesEnd;
        return rowNumber;
    }
    const uint32_t suffix = pos_[suffixAt];
    for (int i = rowNumber; i < kCommandRowCount; ++i) {
        const CommandEntry& e = InstructionTable[i];
        if (((code ^ e.matchCode) & e.matchMask) == 0 && ((e.matchCode >> 16) & 0xFF) == suffix) return i;
    }
    return -1;
}

template <bool Listing>
int Decoder<Listing>::repeatedPrefix(uint8_t first) {
    DisasmRecord* r = r_;
    if constexpr (Listing) {
        dump_.length = 3;
        dump_.finish();
        r->prefixCount = 1;
        text_.length = 0;
        text_.put("PREFIX ");
        text_.put(PrefixName(first));
        text_.put(':');
        if (gOptions.lowerCaseText) text_.lowerFrom(0);
        text_.finish();
        std::strcpy(r->commentText, "Superfluous prefix");
    }
    r->warningFlags |= WarnExtraPrefix;
    if (lock_) r->warningFlags |= WarnLock;
    r->commandType = FlagRare;
    return 1;
}

template <bool Listing>
void Decoder<Listing>::writeMnemonic(const char* name) {
    TextCursor& t = text_;
    const char mark = name[0];
    if (mark == '&' || mark == '$') {
        const int size = mark == '&' ? operandSize_ : addressSize_;
        const int start = t.length;
        for (const char* c = name + 1; *c; ++c) {
            if (*c == ':') {
                if (size != 4) break;
                t.length = start;  // the 32-bit name follows the colon
            } else if (*c == '*') {
                if (size == 4) t.put('D');
            } else {
                t.put(*c);
            }
        }
    } else {
        const bool spread = rep_ && gOptions.tabAfterMnemonic;
        bool spaced = false;
        for (const char* c = name; *c && *c != ','; ++c) {
            t.put(*c);
            if (spread && *c == ' ' && !spaced) {
                spaced = true;
                t.padTo(8);
            }
        }
    }
    if (gOptions.lowerCaseText) t.lowerFrom(0);
}

template <bool Listing>
void Decoder<Listing>::operand(uint8_t kind) {
    DisasmRecord* r = r_;
    switch (kind) {
        case OpReg:
            if (!needModrm()) return;
            if constexpr (Listing) writeRegister(registerName(operandSize_, modrm() >> 3));
            return;
        case OpRegLow3:
            if constexpr (Listing) writeRegister(registerName(operandSize_, opcode_));
            return;
        case OpReg32:
            if (!needModrm()) return;
            if constexpr (Listing) writeRegister(registerName(4, modrm() >> 3));
            return;
        case OpAccum:
            if constexpr (Listing) writeRegister(registerName(operandSize_, 0));
            return;
        case OpAx:
            if constexpr (Listing) writeRegister(RegisterNames[1][0]);
            return;
        case OpDx:
            if constexpr (Listing) writeRegister(RegisterNames[1][2]);
            return;
        case OpCl:
            if constexpr (Listing) writeRegister(RegisterNames[0][1]);
            return;
        case OpSt0:
            if constexpr (Listing) writeIndexed("ST", 0);
            return;
        case OpStLow3:
            if constexpr (Listing) writeIndexed("ST", opcode_ & 7);
            return;
        case OpMmxReg:
        case OpNowReg:
            if (!needModrm()) return;
            if constexpr (Listing) writeIndexed("MM", (modrm() >> 3) & 7);
            return;
        case OpStrSource:
        case OpStrDest:
        case OpXlat: {
            MemoryForm m;
            int size = operandSize_;
            if (kind == OpXlat) {
                m.base = addressSize_ == 4 ? "EBX+AL" : "BX+AL";
                size = 1;
            } else if (kind == OpStrSource) {
                m.base = addressSize_ == 4 ? "ESI" : "SI";
            } else {
                m.base = addressSize_ == 4 ? "EDI" : "DI";
                m.defaultSegment = SegEs;
            }
            if constexpr (Listing) {
                r->memorySizeCode = size;
                r->addressRegisterScale = 1;
                const int segment = kind == OpStrDest ? SegEs : segment_ != SegNone ? segment_ : SegDs;
                writeMemory(segment, m, size);
            }
            return;
        }
        case OpImm:
        case OpImmUnsigned:
            if ((row_->sizeBits & BitsS1) && (opcode_ & 2)) immediate(kind, 1, true);
            else immediate(kind, uint32_t(operandSize_), false);
            return;
        case OpImmByteExt: immediate(kind, 1, true); return;
        case OpShiftCount: immediate(kind, 1, false); return;
        case OpImm8: immediate(kind, 1, false); return;
        case OpImm16:
            immediate(kind, 2, false);
            if (r->immediateValue & 3) r->warningFlags |= WarnStack;
            return;
        case OpOne:
            r->immediateValue = 1;
            if constexpr (Listing) text_.put('1');
            return;
        case OpMemOffset: {
            if (!needs(uint32_t(addressSize_) + 1)) return;
            const uint32_t at = addressSize_ == 4 ? read32(pos_ + 1) : read16(pos_ + 1);
            dispSize_ = uint32_t(addressSize_);
            r->memorySizeCode = operandSize_;
            r->memoryDisplacement = int(at);
            if (at == 0) r->hasZeroConstant = 1;
            if (addressSize_ == 4) noteConstant(1);
            if constexpr (Listing) {
                MemoryForm m;
                m.displacement = at;
                writeMemory(segment_ != SegNone ? segment_ : SegDs, m, operandSize_);
            }
            return;
        }
        case OpJumpShort:
        case OpJumpNear:
        case OpJumpFar: jump(kind); return;
        case OpSegReg:
        case OpSegLow: {
            int seg;
            if (kind == OpSegReg) {
                if (!needModrm()) return;
                seg = (modrm() >> 3) & 7;
            } else {
                seg = (opcode_ >> 3) & 7;
                if ((row_->commandType & kClassMask) == ClassPop) r->warningFlags |= WarnSegWrite;
            }
            if (seg >= 6) softError_ = ErrBadSegment;
            if constexpr (Listing) writeRegister(SegmentNames[seg]);
            return;
        }
        case OpCtrlReg:
        case OpDbgReg:
            if (!needModrm()) return;
            if constexpr (Listing) {
                const char* const* names = kind == OpCtrlReg ? &ControlRegNames[0] : &DebugRegNames[0];
                writeRegister(names[(modrm() >> 3) & 7]);
            }
            return;
        case OpHidFarRet: r->warningFlags |= WarnFar; return;
        case OpHidNearRet:
        case OpHidAccum:
        case OpHidAh:
        case OpHidFlags:
        case OpHidSt0:
        case OpHidSt1:
        case OpHidCount:
        case OpHidEdi: return;
        default:
            if (kind >= OpRm && kind <= OpMemFpuExtState) {
                rmOperand(kind);
                return;
            }
            error_ = ErrInternal;
            return;
    }
}

template <bool Listing>
void Decoder<Listing>::rmOperand(uint8_t kind) {
    if (!needModrm()) return;
    DisasmRecord* r = r_;
    const RmKind& k = kRmKinds[kind - OpRm];
    if (kind == OpMemFarTarget) r->warningFlags |= WarnFar;
    if (k.flags & RmSegmentLoad) r->warningFlags |= WarnSegWrite;
    if constexpr (Listing) {
        if (k.flags & RmFarKeyword) writeKeyword("FAR ");
    }
    const uint8_t m = modrm();
    if ((m >> 6) == 3) {
        if (k.flags & RmMemoryOnly) softError_ = ErrRegisterMisuse;
        if constexpr (Listing) {
            if (k.flags & RmMmx) writeIndexed("MM", m & 7);
            else writeRegister(registerName(k.registerSize ? k.registerSize : operandSize_, m));
        }
        return;
    }
    if (k.flags & RmRegisterOnly) softError_ = ErrMemoryNotAllowed;
    MemoryForm form;
    if (!readMemory(k.flags & RmSwitchTarget, form)) return;

    int sizeCode = k.sizeCode;
    if (sizeCode == kSizeByOperand) {
        sizeCode = operandSize_;
    } else if (sizeCode == kSizeTargetRule) {
        sizeCode = operandSize_ == 2 ? MemNone : MemDword;
    } else if ((k.flags & RmFarPointer) && operandSize_ != 4) {
        sizeCode = MemNone;
    }
    r->memorySizeCode = sizeCode;

    if constexpr (Listing) {
        int textSize = k.textSize ? k.textSize : operandSize_;
        if (k.flags & RmFarPointer) textSize = operandSize_ + 2;
        if (k.flags & RmBounds) textSize = gOptions.idealSyntax ? operandSize_ : 2 * operandSize_;
        writeMemory(segment_ != SegNone ? segment_ : form.defaultSegment, form, textSize);
    }
}

template <bool Listing>
bool Decoder<Listing>::readMemory(bool switchTarget, MemoryForm& m) {
    DisasmRecord* r = r_;
    const uint8_t modrmByte = modrm();
    const int mod = modrmByte >> 6, rm = modrmByte & 7;

    if (addressSize_ == 2) {
        uint32_t disp = 0;
        if (mod == 0 && rm == 6) {
            if (!needs(4)) return false;
            disp = read16(pos_ + 2);
            dispSize_ = 2;
            m.base = "";
        } else {
            r->addressRegisterScale = 1;
            if (mod == 1) {
                if (!needs(3)) return false;
                disp = uint32_t(int32_t(int8_t(pos_[2]))) & 0xFFFF;  // 16-bit addresses wrap
                dispSize_ = 1;
            } else if (mod == 2) {
                if (!needs(4)) return false;
                disp = read16(pos_ + 2);
                dispSize_ = 2;
            }
            m.base = AddressForms[rm].registerText;
            m.defaultSegment = AddressForms[rm].defaultSegment;
        }
        m.displacement = disp;
        r->memoryDisplacement = int(disp);
        if (disp == 0) r->hasZeroConstant = 1;
        return true;
    }

    if (mod == 0 && rm == 5) {
        if (!needs(6)) return false;
        m.displacement = read32(pos_ + 2);
        dispSize_ = 4;
        noteConstant(2);
        r->memoryDisplacement = int(m.displacement);
        if (m.displacement == 0) r->hasZeroConstant = 1;
        return true;
    }

    uint32_t dispAt = 2;
    if (rm == 4) {
        if (!needs(3)) return false;
        hasSib_ = true;
        const uint8_t sib = pos_[2];
        const int scale = sib >> 6, index = (sib >> 3) & 7, base = sib & 7;
        dispAt = 3;
        if (mod == 0 && base == 5) {
            if (!needs(7)) return false;
            m.displacement = read32(pos_ + 3);
            dispSize_ = 4;
            noteConstant(3);
            r->memoryDisplacement = int(m.displacement);
            if (m.displacement == 0) r->hasZeroConstant = 1;
            if (index != 4) {
                r->addressRegisterScale = 1;
                if (switchTarget) r->switchTableAddress = m.displacement;
            }
        } else {
            if (mod == 1) {
                if (!needs(4)) return false;
            } else if (mod == 2) {
                if (!needs(7)) return false;
            }
            r->addressRegisterScale = 1;
            m.base = RegisterNames[2][base];
            m.defaultSegment = AddressForms[8 + base].defaultSegment;
        }
        if (index != 4) {
            r->addressRegisterScale = 1 << scale;
            m.index = AddressForms[8 + index].registerText;
            m.scaleField = scale;
            if constexpr (Listing) {
                if (scale == 1 || scale == 3) r->switchTableAddress = 0;
            }
        }
        if (mod == 0) return true;
    } else {
        if (mod == 1) {
            if (!needs(3)) return false;
        } else if (mod == 2) {
            if (!needs(6)) return false;
        }
        r->addressRegisterScale = 1;
        m.base = AddressForms[8 + rm].registerText;
        m.defaultSegment = AddressForms[8 + rm].defaultSegment;
        if (mod == 0) return true;
    }

    if (mod == 1) {
        m.displacement = uint32_t(int32_t(int8_t(pos_[dispAt])));
        dispSize_ = 1;
    } else {
        m.displacement = read32(pos_ + dispAt);
        dispSize_ = 4;
        noteConstant(dispAt);
        if (switchTarget) r->switchTableAddress = m.displacement;
        // A scale of 2 or 8 cannot index a table of 4-byte case addresses.
        if constexpr (Listing) {
            if (*m.index && (m.scaleField == 1 || m.scaleField == 3)) r->switchTableAddress = 0;
        }
    }
    r->memoryDisplacement = int(m.displacement);
    if (m.displacement == 0) r->hasZeroConstant = 1;
    return true;
}

template <bool Listing>
void Decoder<Listing>::writeMemory(int segment, const MemoryForm& m, int textSize) {
    TextCursor& t = text_;
    const EngineOptions& o = gOptions;
    const int from = t.length;
    if (o.idealSyntax) t.put('[');
    const uint8_t type = row_->commandType;
    const uint8_t cls = type & kClassMask;
    if (cls == ClassMmx || cls == ClassNow || (type & FlagExplicitSize) || kAlwaysShowMemorySize) {
        if (textSize < 11) {
            t.put(SizeNames[textSize]);
            t.put(' ');
        } else {
            t.put('(');
            t.decimal(uint32_t(textSize));
            t.put("-BYTE) ");
        }
        if (!o.idealSyntax) t.put("PTR ");
    }
    if (o.showDefaultSegment || segment != m.defaultSegment) {
        t.put(SegmentNames[segment]);
        t.put(':');
    }
    if (!o.idealSyntax) t.put('[');
    const bool hasRegisters = *m.base || *m.index;
    t.put(m.base);
    if (*m.index) {
        if (*m.base) t.put('+');
        t.put(m.index);
        if (m.scaleField) {
            t.put('*');
            t.put(char('0' + (1 << m.scaleField)));
        }
    }
    if (o.lowerCaseText) t.lowerFrom(from);
    const uint32_t disp = m.displacement;
    const int32_t signedDisp = int32_t(disp);
    if (disp == 0) {
        if (!hasRegisters) t.put('0');
    } else if (signedDisp < 0 && signedDisp > -16384 && hasRegisters) {
        t.put('-');
        t.hex(uint32_t(-signedDisp));
    } else {
        if (hasRegisters) t.put('+');
        t.hex(disp);
    }
    t.put(']');
}

template <bool Listing>
void Decoder<Listing>::immediate(uint8_t kind, uint32_t size, bool signExtend) {
    DisasmRecord* r = r_;
    const uint32_t at = partLength();
    if (at + size > remaining_) {
        error_ = ErrCrossesEnd;
        return;
    }
    uint32_t value;
    if (size == 1) {
        value = signExtend ? uint32_t(int32_t(int8_t(pos_[at]))) : pos_[at];
    } else if (size == 2) {
        value = signExtend ? uint32_t(int32_t(int16_t(read16(pos_ + at)))) : read16(pos_ + at);
    } else {
        value = read32(pos_ + at);
        noteConstant(at);
    }
    if (signExtend && operandSize_ == 2) value &= 0xFFFF;
    immSize_ += size;
    if (kind == OpShiftCount && (value == 0 || value > 31)) {
        r->warningFlags |= WarnShift;
        r->commandType |= FlagRare;
    }
    if (value == 0) r->hasZeroConstant = 1;
    if (r->immediateValue == 0) r->immediateValue = int(value);
    if constexpr (Listing) {
        const int32_t v = int32_t(value);
        if (kind == OpImmUnsigned || kind == OpShiftCount || kind == OpImm16 || v >= 0 || v < -16384) {
            text_.hex(value);
        } else {
            text_.put('-');
            text_.hex(uint32_t(-v));
        }
    }
}

template <bool Listing>
void Decoder<Listing>::jump(uint8_t kind) {
    DisasmRecord* r = r_;
    if (kind == OpJumpFar) {
        const uint32_t offsetSize = uint32_t(addressSize_);
        if (!needs(offsetSize + 3)) return;
        const uint32_t offset = offsetSize == 4 ? read32(pos_ + 1) : read16(pos_ + 1);
        const uint32_t selector = read16(pos_ + 1 + offsetSize);
        dispSize_ = offsetSize;
        immSize_ += 2;
        r->jumpTarget = offset;
        r->immediateValue = int(selector);
        if (offset == 0 || selector == 0) r->hasZeroConstant = 1;
        r->warningFlags |= WarnFar;
        if constexpr (Listing) {
            writeKeyword("FAR ");
            text_.hexFixed(selector, 4);
            text_.put(':');
            text_.hexFixed(offset, 8);
        }
        return;
    }
    const uint32_t size = kind == OpJumpShort ? 1 : uint32_t(operandSize_);
    if (!needs(size + 1)) return;
    int32_t offset;
    if (size == 1) offset = int8_t(pos_[1]);
    else if (size == 2) offset = int16_t(read16(pos_ + 1));
    else offset = int32_t(read32(pos_ + 1));
    dispSize_ = size;
    uint32_t target = address_ + partLength() + uint32_t(offset);
    if (operandSize_ == 2) target &= 0xFFFF;
    r->jumpTarget = target;
    if (target == 0) r->hasZeroConstant = 1;
    if constexpr (Listing) {
        if (kind == OpJumpShort) writeKeyword("SHORT ");
        text_.hexFixed(target, 8);
    }
}

template <bool Listing>
void Decoder<Listing>::finish() {
    DisasmRecord* r = r_;
    const uint32_t byteCount = remaining_ + uint32_t(pos_ - bytes_);
    if (error_ == ErrNone) {
        const uint32_t part = partLength();
        if (part > remaining_) {
            error_ = ErrCrossesEnd;  // a row whose operands read nothing, past the end
        } else {
            if constexpr (Listing) {
                const uint32_t head = 1 + hasModrm_ + hasSib_;
                for (uint32_t i = 0; i < head; ++i) dump_.hexByte(pos_[i]);
                if (dispSize_) {
                    dump_.put(' ');
                    for (uint32_t i = 0; i < dispSize_; ++i) dump_.hexByte(pos_[head + i]);
                }
                if (immSize_) {
                    dump_.put(' ');
                    for (uint32_t i = 0; i < immSize_; ++i) dump_.hexByte(pos_[head + dispSize_ + i]);
                }
            }
            pos_ += part;
            remaining_ -= part;
        }
    }
    if (error_ != ErrNone) {
        if constexpr (Listing) {
            text_.length = 0;
            text_.put("???");
        }
        if (error_ == ErrUnknownCommand && remaining_ && (*pos_ == 0x0F || *pos_ == 0xFF)) {
            if constexpr (Listing) dump_.hexByte(*pos_);
            ++pos_;
            --remaining_;
        }
        if (remaining_) {
            if constexpr (Listing) dump_.hexByte(*pos_);
            ++pos_;
            --remaining_;
        }
    }

    // Hazards, searched with the same command code.
    for (const CommandEntry& h : HazardTable) {
        if (((code_ ^ h.matchCode) & h.matchMask) != 0) continue;
        if (h.commandType == HazardLockOnly && !lock_) break;
        r->warningFlags |= WarnHazardOldOs;
        if (h.commandType != HazardOldOs) r->warningFlags |= WarnHazard;
        break;
    }

    if (error_ == ErrNone && softError_ != ErrNone) error_ = softError_;
    r->errorCode = error_;

    if constexpr (Listing) {
        text_.finish();
        if (byteCount > 0) dump_.finish();
        const char* comment =
            error_ != ErrNone ? ErrorComment(error_) : WarningComment(r->warningFlags, uint8_t(r->commandType));
        std::strcpy(r->commentText, comment);
    }
}

}  // namespace

int DecodeCommand(const uint8_t* bytes, uint32_t byteCount, uint32_t address, DisasmRecord* record, int mode) {
    record->address = address;
    record->commandType = ClassUnknown;
    record->commentText[0] = '\0';
    // Fields 6 to 17 lie back to back after commandType.
    std::memset(&record->memorySizeCode, 0, sizeof(DisasmRecord) - offsetof(DisasmRecord, memorySizeCode));
    if (mode >= 3) return Decoder<true>(bytes, byteCount, address, record).run();
    return Decoder<false>(bytes, byteCount, address, record).run();
}

}  // namespace zandrel

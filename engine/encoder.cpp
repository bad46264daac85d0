#include "encoder.h"

#include <cstdint>
#include <cstring>

namespace zandrel {
namespace {

constexpr int kWildcard = 8;
constexpr int kEsp = 4;
constexpr int kEbp = 5;

constexpr uint8_t kPrefixLock = 0xF0;
constexpr uint8_t kPrefixOperandSize = 0x66;
constexpr uint8_t kPrefixAddressSize = 0x67;
constexpr uint8_t kSegmentPrefixes[6] = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65};  // by segment code

// The working values of one EncodeRow call; the command without its prefixes.
struct Work {
    uint8_t code[16] = {};
    uint8_t mask[16] = {};
    int opIndex = 0;
    bool hasModRM = false;
    bool hasSib = false;
    uint32_t displacement = 0;
    int displacementSize = 0;
    bool displacementOpen = false;
    uint32_t immediate = 0;
    int immediateSize = 0;
    bool immediateOpen = false;
    uint32_t jumpDestination = 0;
    int jumpFieldSize = 0;
    bool jumpOpen = false;
    int segmentPrefix = SegNone;

    uint8_t& modrm() { return code[opIndex + 1]; }
    uint8_t& modrmMask() { return mask[opIndex + 1]; }
    uint8_t& sib() { return code[opIndex + 2]; }
    uint8_t& sibMask() { return mask[opIndex + 2]; }
};

bool fitsSignedByte(int32_t value) { return value >= -128 && value <= 127; }

int defaultSegmentOf(int baseRegister) { return (baseRegister == kEsp || baseRegister == kEbp) ? SegSs : SegDs; }

// A segment-register operand carries its code in index; fall back on segment.
int segmentRegisterCode(const ParsedOperand& op) { return op.index >= 0 ? op.index : op.segment; }

void putRegisterField(Work& w, int number) {
    w.hasModRM = true;
    if (number == kWildcard) return;
    w.modrm() = uint8_t((w.modrm() & ~0x38) | ((number & 7) << 3));
    w.modrmMask() |= 0x38;
}

void putLowBits(Work& w, int number) {
    if (number == kWildcard) return;
    w.code[w.opIndex] = uint8_t((w.code[w.opIndex] & ~0x07) | (number & 7));
    w.mask[w.opIndex] |= 0x07;
}

// Memory operand: ModRM (and SIB) with the displacement.
const char* encodeMemory(Work& w, const ParsedOperand& op, int constSize) {
    w.hasModRM = true;
    int base = op.base;
    int index = op.index;
    int scale = op.scale;
    const int32_t value = op.value;
    const bool open = op.anyConstant != 0;
    w.displacement = uint32_t(value);
    w.displacementOpen = open;
    const bool shortAllowed = (constSize & 1) != 0 && (fitsSignedByte(value) || open);

    if (base < 0 && index < 0) {
        w.modrm() |= 0x05;
        w.modrmMask() |= 0xC7;
        w.displacementSize = 4;
        if (op.segment != SegDs) w.segmentPrefix = op.segment;
        return nullptr;
    }
    if (index < 0 && base != kEsp) {
        w.modrmMask() |= 0xC0;
        if (value != 0 || open || base == kEbp) {
            if (shortAllowed) {
                w.modrm() |= 0x40;
                w.displacementSize = 1;
            } else {
                w.modrm() |= 0x80;
                w.displacementSize = 4;
            }
        }
        if (base == kWildcard) {
            w.segmentPrefix = op.segment;
        } else {
            w.modrm() |= uint8_t(base);
            w.modrmMask() |= 0x07;
            if (op.segment != defaultSegmentOf(base)) w.segmentPrefix = op.segment;
        }
        return nullptr;
    }

    w.hasSib = true;
    if (index < 0) scale = 1;  // base ESP alone
    // EBP as base costs a displacement; as index it costs nothing.
    if (base == kEbp && index >= 0 && scale == 1 && value == 0 && !open) {
        base = index;
        index = kEbp;
    }
    // ESP can only be a base.
    if (index == kEsp && scale == 1) {
        index = base;
        base = kEsp;
    }
    // EAX*2 is shorter as EAX+EAX*1: no 32-bit displacement.
    if (base < 0 && index >= 0 && scale == 2 && fitsSignedByte(value) && !open) {
        base = index;
        scale = 1;
    }
    if (index == kEsp) return "Invalid indexing mode";

    w.modrm() |= 0x04;
    w.modrmMask() |= 0xC7;
    if (base < 0) {
        w.displacementSize = 4;
    } else if (value == 0 && !open && base != kEbp) {
        // no displacement
    } else if (shortAllowed) {
        w.modrm() |= 0x40;
        w.displacementSize = 1;
    } else {
        w.modrm() |= 0x80;
        w.displacementSize = 4;
    }
    int scaleBits = 0;
    if (index >= 0) scaleBits = scale == 8 ? 3 : scale == 4 ? 2 : scale == 2 ? 1 : 0;
    w.sib() = uint8_t(scaleBits << 6);
    w.sibMask() |= 0xC0;
    const int indexField = index < 0 ? 4 : index;
    if (indexField != kWildcard) {
        w.sib() |= uint8_t(indexField << 3);
        w.sibMask() |= 0x38;
    }
    const int baseField = base < 0 ? 5 : base;
    if (baseField != kWildcard) {
        w.sib() |= uint8_t(baseField);
        w.sibMask() |= 0x07;
    }
    if (base == kWildcard) {
        w.segmentPrefix = op.segment;
    } else if (base < 0) {
        if (op.segment != SegDs) w.segmentPrefix = op.segment;
    } else if (op.segment != defaultSegmentOf(base)) {
        w.segmentPrefix = op.segment;
    }
    return nullptr;
}

bool isImmediateRow(uint8_t sizeBits) { return sizeBits == BitsS1 || sizeBits == BitsW0S1; }

int writtenOperandCount(const CommandEntry& row) {
    const uint8_t kinds[3] = {row.operandKind1, row.operandKind2, row.operandKind3};
    int n = 0;
    while (n < 3 && kinds[n] != OpNone && kinds[n] < kHiddenOperandFirst) ++n;
    return n;
}

void putLittleEndian(uint8_t* code, uint8_t* mask, uint32_t value, int size, bool open) {
    for (int i = 0; i < size; ++i) {
        code[i] = uint8_t(value >> (8 * i));
        mask[i] = open ? 0x00 : 0xFF;
    }
}

void copyMessage(char (&message)[kMaxAsmMessage + 1], const char* text) {
    size_t n = std::strlen(text);
    if (n > size_t(kMaxAsmMessage)) n = kMaxAsmMessage;
    std::memcpy(message, text, n);
    message[n] = '\0';
}

void formatJumpMessage(char (&message)[kMaxAsmMessage + 1], const char* searchName) {
    static constexpr char kHead[] = "Relative jump out of range, use ";
    static constexpr char kTail[] = " LONG form";
    char* out = message;
    char* const end = message + kMaxAsmMessage;
    for (const char* p = kHead; *p && out < end; ++p) *out++ = *p;
    for (const char* p = searchName; *p && out < end; ++p) *out++ = *p;
    for (const char* p = kTail; *p && out < end; ++p) *out++ = *p;
    *out = '\0';
}

}  // namespace

EncodeStatus EncodeRow(const EncodeRequest& request, AsmModel* model, int* length,
                       char (&message)[kMaxAsmMessage + 1]) {
    const CommandEntry& row = *request.row;
    const ParsedOperand* operands = request.operands;
    int dataSize = request.dataSize;
    Work w;

    auto fail = [&](const char* text) {
        copyMessage(message, text);
        return EncodeStatus::Failed;
    };

    // Step 1: the row's opcode bytes with their fixed bits.
    const uint32_t code = row.matchCode & row.matchMask;
    for (int i = 0; i < 4; ++i) {
        w.code[i] = uint8_t(code >> (8 * i));
        w.mask[i] = uint8_t(row.matchMask >> (8 * i));
    }
    w.opIndex = row.opcodeLength - 1 + (request.repPrefix ? 1 : 0);
    if (w.opIndex < 0) w.opIndex = 0;

    // Integer operands above a double word have no encoding.
    if (dataSize > 4) return fail("Bad operand size");

    // Step 2: width bit.
    if (row.sizeBits == BitsW0 || row.sizeBits == BitsW0S1 || row.sizeBits == BitsIoW0 || row.sizeBits == BitsW3) {
        const uint8_t bit = row.sizeBits == BitsW3 ? 0x08 : 0x01;
        if (dataSize == 0) return fail("Please specify operand size");
        if (dataSize > 1) w.code[w.opIndex] |= bit;
        w.mask[w.opIndex] |= bit;
    }

    // Step 3: the 3DNow! suffix byte travels as a one-byte immediate.
    if ((row.commandType & kClassMask) == ClassNow) {
        w.immediateSize = 1;
        w.immediate = (row.matchCode >> 16) & 0xFF;
    }

    // Step 4: operands.
    const uint8_t kinds[3] = {row.operandKind1, row.operandKind2, row.operandKind3};
    for (int i = 0; i < 3 && kinds[i] != OpNone; ++i) {
        const uint8_t kind = kinds[i];
        const ParsedOperand& op = operands[i];
        const bool open = op.anyConstant != 0;
        switch (kind) {
            case OpReg:
            case OpReg32:
            case OpMmxReg:
            case OpNowReg:
            case OpCtrlReg:
            case OpDbgReg: putRegisterField(w, op.index); break;
            case OpRegLow3:
            case OpStLow3: putLowBits(w, op.index); break;
            case OpRm:
            case OpRm8:
            case OpRm16:
            case OpRm32:
            case OpReg32Rm:
            case OpMmxRm:
            case OpMmxRegRm:
            case OpNowRm:
            case OpNowRegRm:
            case OpRmTarget:
                if (op.operandClass == ParsedMemory) {
                    if (const char* error = encodeMemory(w, op, request.constSize)) return fail(error);
                } else {
                    w.hasModRM = true;
                    w.modrm() |= 0xC0;
                    w.modrmMask() |= 0xC0;
                    if (op.index != kWildcard) {
                        w.modrm() = uint8_t((w.modrm() & ~0x07) | (op.index & 7));
                        w.modrmMask() |= 0x07;
                    }
                }
                break;
            case OpStrSource:
            case OpXlat:
                if (op.segment >= 0 && op.segment != SegDs) w.segmentPrefix = op.segment;
                break;
            case OpMemOffset:
                if (op.segment >= 0 && op.segment != SegDs) w.segmentPrefix = op.segment;
                w.displacement = uint32_t(op.value);
                w.displacementSize = 4;
                w.displacementOpen = open;
                break;
            case OpImm:
            case OpImmUnsigned:
            case OpVxdService:
                if (dataSize == 0 && writtenOperandCount(row) < 2 && isImmediateRow(row.sizeBits)) dataSize = 4;
                if (dataSize == 0) return fail("Please specify operand size");
                w.immediate = uint32_t(op.value);
                w.immediateOpen = open;
                if (isImmediateRow(row.sizeBits)) {
                    if (dataSize >= 2 && (request.constSize & 2) != 0 && (fitsSignedByte(op.value) || open)) {
                        w.immediateSize = 1;
                        w.code[w.opIndex] |= 0x02;
                    } else {
                        w.immediateSize = dataSize;
                    }
                    w.mask[w.opIndex] |= 0x02;
                } else {
                    w.immediateSize = dataSize;
                }
                break;
            case OpImmByteExt:
            case OpShiftCount:
            case OpImm8:
                if (w.immediateSize == 2) {
                    w.immediate = (w.immediate & 0xFFFF) | (uint32_t(op.value & 0xFF) << 16);
                } else {
                    w.immediate = uint32_t(op.value);
                }
                ++w.immediateSize;
                w.immediateOpen = w.immediateOpen || open;
                break;
            case OpImm16:
                w.immediate = uint32_t(op.value);
                w.immediateSize = 2;
                w.immediateOpen = open;
                break;
            case OpJumpShort:
            case OpJumpNear:
                w.jumpDestination = uint32_t(op.value);
                w.jumpFieldSize = kind == OpJumpShort ? 1 : 4;
                w.jumpOpen = open;
                break;
            case OpJumpFar:
                w.displacement = uint32_t(op.value);
                w.displacementSize = 4;
                w.displacementOpen = open;
                w.immediate = uint32_t(op.segment);
                w.immediateSize = 2;
                w.immediateOpen = open;
                break;
            case OpSegReg:
                w.hasModRM = true;
                w.modrm() = uint8_t((w.modrm() & ~0x38) | ((segmentRegisterCode(op) & 7) << 3));
                w.modrmMask() |= 0x38;
                break;
            case OpSegLow: {
                const int segment = segmentRegisterCode(op);
                const bool push = std::strcmp(request.searchName, "PUSH") == 0;
                if (segment == SegFs || segment == SegGs) {
                    w.code[0] = 0x0F;
                    w.code[1] = uint8_t((segment == SegFs ? 0xA0 : 0xA8) | (push ? 0 : 1));
                    w.mask[0] = w.mask[1] = 0xFF;
                    w.opIndex = 1;
                } else {
                    if (segment == SegCs && std::strcmp(request.searchName, "POP") == 0)
                        return fail("Unable to POP CS");
                    w.code[w.opIndex] = uint8_t((w.code[w.opIndex] & ~0x38) | ((segment & 7) << 3));
                    w.mask[w.opIndex] |= 0x38;
                }
                break;
            }
            default:
                if (kind >= OpMemAddr && kind <= OpMemFpuExtState) {
                    if (const char* error = encodeMemory(w, op, request.constSize)) return fail(error);
                }
                // Accum, Ax, Dx, Cl, St0, StrDest, One and the hidden kinds add no bits.
                break;
        }
    }

    // Step 7: prefixes, straight into the model.
    int prefixBytes = 0;
    uint8_t prefixes[4];
    if (request.lockPrefix) prefixes[prefixBytes++] = kPrefixLock;
    if (dataSize == 2 && row.sizeBits != BitsWord) prefixes[prefixBytes++] = kPrefixOperandSize;
    if (request.addressSize == 2) prefixes[prefixBytes++] = kPrefixAddressSize;
    if (w.segmentPrefix >= 0 && w.segmentPrefix < 6) prefixes[prefixBytes++] = kSegmentPrefixes[w.segmentPrefix];

    // Steps 8 and 9: displacement, then immediate.
    int at = w.opIndex + 1 + (w.hasModRM ? 1 : 0) + (w.hasSib ? 1 : 0);
    const int needed = prefixBytes + at + w.displacementSize + w.immediateSize + w.jumpFieldSize;
    if (needed > 16) return fail("Internal Assembler error");
    putLittleEndian(w.code + at, w.mask + at, w.displacement, w.displacementSize, w.displacementOpen);
    at += w.displacementSize;
    if (w.immediateSize == 1 || w.immediateSize == 2) {
        const uint32_t upper = w.immediate >> (8 * w.immediateSize);
        const uint32_t allOnes = 0xFFFFFFFFu >> (8 * w.immediateSize);
        if (upper != 0 && upper != allOnes) return fail("Constant does not fit into operand");
    }
    putLittleEndian(w.code + at, w.mask + at, w.immediate, w.immediateSize, w.immediateOpen);
    at += w.immediateSize;

    // Step 10: the jump fields are written for every command.
    const int bodyLength = at;
    model->jumpSize = w.jumpFieldSize;
    model->jumpOffset = int32_t(w.jumpDestination - uint32_t(bodyLength + prefixBytes + w.jumpFieldSize));
    model->jumpPosition = bodyLength + prefixBytes;

    if (w.jumpFieldSize != 0) {
        uint32_t offset = 0;
        if (request.address != 0) {
            offset = uint32_t(model->jumpOffset) - request.address;
            if (w.jumpFieldSize == 1 && !w.jumpOpen && !fitsSignedByte(int32_t(offset))) {
                if (request.longFormPass || (request.pendingModifiers & (ModShort | ModLong)) != 0) {
                    formatJumpMessage(message, request.searchName);
                    return EncodeStatus::Failed;
                }
                return EncodeStatus::NeedLongForm;
            }
        }
        putLittleEndian(w.code + at, w.mask + at, offset, w.jumpFieldSize, w.jumpOpen);
        at += w.jumpFieldSize;
    }

    // Step 11: prefixes first, then the command.
    for (int i = 0; i < prefixBytes; ++i) {
        model->codeBytes[i] = prefixes[i];
        model->maskBytes[i] = 0xFF;
    }
    std::memcpy(model->codeBytes + prefixBytes, w.code, size_t(at));
    std::memcpy(model->maskBytes + prefixBytes, w.mask, size_t(at));
    model->codeLength = prefixBytes + at;
    *length = model->codeLength;
    return EncodeStatus::Done;
}

}  // namespace zandrel

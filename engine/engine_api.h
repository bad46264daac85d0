/* Public C interface of the zandrel_od engine library: five exports and the two
   fixed-layout records that cross the library boundary. */
#ifndef ZANDREL_ENGINE_API_H
#define ZANDREL_ENGINE_API_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define ZANDREL_EXPORT __declspec(dllexport)
#else
#define ZANDREL_EXPORT __attribute__((visibility("default")))
#endif

/* Result of one Disasm call; 824 bytes, 32-bit integers, fields in this order. */
typedef struct DisasmRecord {
    unsigned int address;
    char hexDump[256];
    char commandText[256];
    char commentText[256];
    int commandType;
    int memorySizeCode;
    int prefixCount;
    int addressRegisterScale;
    unsigned int jumpTarget;
    unsigned int switchTableAddress;
    int memoryDisplacement;
    int immediateValue;
    int hasZeroConstant;
    int fixupPosition;
    int fixupBytes;
    int errorCode;
    unsigned int warningFlags;
} DisasmRecord;

/* Result of one Assemble call; 48 bytes. */
typedef struct AsmModel {
    unsigned char codeBytes[16];
    unsigned char maskBytes[16];
    int codeLength;
    int jumpSize;
    int jumpOffset;
    int jumpPosition;
} AsmModel;

/* DisasmError: DisasmRecord.errorCode */
enum {
    ErrNone = 0,
    ErrUnknownCommand = 1,
    ErrCrossesEnd = 2,
    ErrBadSegment = 3,
    ErrRegisterMisuse = 4,
    ErrMemoryNotAllowed = 5,
    ErrInternal = 6
};

/* DisasmWarning: DisasmRecord.warningFlags */
enum {
    WarnFar = 0x01,
    WarnSegWrite = 0x02,
    WarnPrivileged = 0x04,
    WarnIo = 0x08,
    WarnShift = 0x10,
    WarnExtraPrefix = 0x20,
    WarnLock = 0x40,
    WarnStack = 0x80,
    WarnHazardOldOs = 0x1000,
    WarnHazard = 0x2000
};

ZANDREL_EXPORT void VB_SetOptions(int idealSyntax, int lowerCaseText, int tabAfterMnemonic, int showDefaultSegment);
ZANDREL_EXPORT int Disasm(const unsigned char* bytes, unsigned int byteCount, unsigned int address,
                          DisasmRecord* record, int mode);
ZANDREL_EXPORT int Assemble(const char* text, unsigned int address, AsmModel* model, int attempt, int constSize,
                            char* errorText);
ZANDREL_EXPORT unsigned int Disassembleback(const unsigned char* block, unsigned int blockBase, unsigned int blockSize,
                                            unsigned int address, int count);
ZANDREL_EXPORT unsigned int Disassembleforward(const unsigned char* block, unsigned int blockBase,
                                               unsigned int blockSize, unsigned int address, int count);

/* Function pointer types for callers that load the library at run time. */
typedef void (*VB_SetOptionsFn)(int, int, int, int);
typedef int (*DisasmFn)(const unsigned char*, unsigned int, unsigned int, DisasmRecord*, int);
typedef int (*AssembleFn)(const char*, unsigned int, AsmModel*, int, int, char*);
typedef unsigned int (*WalkFn)(const unsigned char*, unsigned int, unsigned int, unsigned int, int);

#ifdef __cplusplus
}

#include <cstddef>
static_assert(sizeof(DisasmRecord) == 824, "DisasmRecord must be 824 bytes");
static_assert(offsetof(DisasmRecord, commandType) == 772, "DisasmRecord layout");
static_assert(offsetof(DisasmRecord, warningFlags) == 820, "DisasmRecord layout");
static_assert(sizeof(AsmModel) == 48, "AsmModel must be 48 bytes");
static_assert(offsetof(AsmModel, codeLength) == 32, "AsmModel layout");
#endif

#endif

// The Assemble export: argument checks, then the command search and encoder.
#include <cstring>

#include "command_search.h"
#include "engine_api.h"

namespace {

// errorText is the caller's 256-character buffer; messages stay far below that.
void putText(char* errorText, const char* text) {
    size_t n = std::strlen(text);
    if (n > size_t(zandrel::kMaxAsmMessage)) n = zandrel::kMaxAsmMessage;
    std::memcpy(errorText, text, n);
    errorText[n] = '\0';
}

}  // namespace

extern "C" ZANDREL_EXPORT int Assemble(const char* text, unsigned int address, AsmModel* model, int attempt,
                                       int constSize, char* errorText) {
    if (model != nullptr) model->codeLength = 0;
    if (text == nullptr || model == nullptr || errorText == nullptr) {
        if (errorText != nullptr) putText(errorText, "Internal VARNOKE error");
        return 0;
    }
    errorText[0] = '\0';
    char message[zandrel::kMaxAsmMessage + 1];
    const int result = zandrel::AssembleLine(text, address, model, attempt, constSize, message);
    if (result <= 0) {
        model->codeLength = 0;
        putText(errorText, message);
    }
    return result;
}

#include "engine_api.h"
#include "engine_options.h"

namespace zandrel {
EngineOptions gOptions;
}

// Any non-zero value counts as on.
extern "C" void VB_SetOptions(int idealSyntax, int lowerCaseText, int tabAfterMnemonic, int showDefaultSegment) {
    zandrel::gOptions.idealSyntax = idealSyntax;
    zandrel::gOptions.lowerCaseText = lowerCaseText;
    zandrel::gOptions.tabAfterMnemonic = tabAfterMnemonic;
    zandrel::gOptions.showDefaultSegment = showDefaultSegment;
}

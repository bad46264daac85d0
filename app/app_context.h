// What every converter command works on: the platform bundle, the companion files the
// executable carries, and the state held for the whole run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/engine_api.h"
#include "platform/platform.h"

namespace kovrel::app {

// The engine library's entry points once it is loaded; all null until then.
struct EngineBinding {
    VB_SetOptionsFn setOptions = nullptr;
    DisasmFn disasm = nullptr;
    AssembleFn assemble = nullptr;
    bool loaded() const { return setOptions && disasm && assemble; }
};

struct AppContext {
    AppContext(platform::Platform& platform, std::string_view engineLibraryImage = {},
               std::string_view disassemblerImage = {}, std::string_view updaterImage = {})
        : platform(platform),
          engineLibraryImage(engineLibraryImage),
          disassemblerImage(disassemblerImage),
          updaterImage(updaterImage) {}

    platform::Platform& platform;
    // Stored companion files, written to disk when missing.
    std::string_view engineLibraryImage;
    std::string_view disassemblerImage;
    std::string_view updaterImage;

    // Chosen once at start-up; every disassembly reuses it.
    std::string disassemblerInputPath;
    // Counts the temporary names asked for in this process.
    uint32_t temporaryNameCounter = 0;
    EngineBinding engine;
};

}  // namespace kovrel::app

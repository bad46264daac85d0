// The files the converter needs beside itself (the engine library, the external
// disassembler), the temporary file that hands machine code to the disassembler, and the
// runs of that console tool.
#pragma once

#include <string>
#include <string_view>

#include "app/app_context.h"
#include "app/machine_code_text.h"

namespace kovrel::app {

inline constexpr std::string_view kEngineLibraryName = "zandrel_od.so";
inline constexpr std::string_view kDisassemblerName = "vev_uvi";
// Two spaces after the name; the path follows unquoted.
inline constexpr std::string_view kDisassemblerCommand = "vev_uvi  -b 32 ";

// Loads the engine by bare name; on failure writes the stored image into the system
// directory and tries once more. Shows the 3-second message and gives false when both
// fail. A failed load is retried at the next call.
bool ensureEngineLoaded(AppContext& context);

// Start-up: writes the stored disassembler next to the executable unless a file or
// folder of that name is there already. The outcome is ignored.
void writeDisassemblerAtStartup(AppContext& context);

// A path in the temporary directory whose file does not exist yet; nothing is created.
std::string chooseDisassemblerInputPath(AppContext& context);

// Runs a console program and waits for it; the captured standard output when asked.
platform::ToolRun runConsoleTool(AppContext& context, const std::string& commandLine, bool capture);

// Writes the bytes to disassemblerInputPath, runs the disassembler on it, deletes the
// file, and gives the tool's listing ("" when it could not run).
std::string runDisassembler(AppContext& context, const Bytes& bytes);

}  // namespace kovrel::app

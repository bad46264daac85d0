#include "app/companion_files.h"

#include <cstdio>

#include "app/names.h"
#include "platform/encoding.h"

namespace kovrel::app {

namespace {

// Temporary names are tried this many times before the last one is taken anyway.
constexpr uint32_t kTemporaryNameAttempts = 0x10000;

bool bindEngine(AppContext& context, void* library) {
    if (library == nullptr) return false;
    platform::Libraries& libraries = context.platform.libraries;
    EngineBinding binding;
    binding.setOptions = reinterpret_cast<VB_SetOptionsFn>(libraries.symbol(library, "VB_SetOptions"));
    binding.disasm = reinterpret_cast<DisasmFn>(libraries.symbol(library, "Disasm"));
    binding.assemble = reinterpret_cast<AssembleFn>(libraries.symbol(library, "Assemble"));
    if (!binding.loaded()) return false;
    context.engine = binding;
    return true;
}

std::string joinPath(platform::System& system, std::string directory, std::string_view name) {
    const char separator = system.pathSeparator();
    if (directory.empty() || directory.back() != separator) directory.push_back(separator);
    directory.append(name);
    return directory;
}

}  // namespace

bool ensureEngineLoaded(AppContext& context) {
    if (context.engine.loaded()) return true;
    platform::Platform& p = context.platform;
    const std::string name(kEngineLibraryName);
    if (bindEngine(context, p.libraries.load(name))) return true;
    p.files.write(joinPath(p.system, p.system.systemDirectory(), kEngineLibraryName), context.engineLibraryImage);
    if (bindEngine(context, p.libraries.load(name))) return true;
    p.dialogs.timedMessageBox(platform::gbk(kEngineLoadFailedText), platform::gbk(kEngineLoadFailedTitle),
                              kEngineLoadFailedMilliseconds);
    return false;
}

void writeDisassemblerAtStartup(AppContext& context) {
    platform::Platform& p = context.platform;
    const std::string path = joinPath(p.system, p.system.executableDirectory(), kDisassemblerName);
    if (p.files.exists(path)) return;
    // An executable without a stored copy leaves the name free for the installed tool.
    if (context.disassemblerImage.empty()) return;
    if (p.files.write(path, context.disassemblerImage)) p.files.setExecutable(path);
}

std::string chooseDisassemblerInputPath(AppContext& context) {
    platform::Platform& p = context.platform;
    const std::string directory = p.system.temporaryDirectory();
    uint32_t number = p.system.tickCount() + context.temporaryNameCounter++;
    std::string path;
    for (uint32_t attempt = 0; attempt < kTemporaryNameAttempts; ++attempt, ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "%x.tmp", static_cast<unsigned>(number));
        path = joinPath(p.system, directory, name);
        if (!p.files.exists(path)) break;
    }
    return path;
}

platform::ToolRun runConsoleTool(AppContext& context, const std::string& commandLine, bool capture) {
    return context.platform.processes.runConsoleTool(commandLine, capture);
}

std::string runDisassembler(AppContext& context, const Bytes& bytes) {
    platform::Files& files = context.platform.files;
    const std::string& path = context.disassemblerInputPath;
    files.write(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    platform::ToolRun run = runConsoleTool(context, std::string(kDisassemblerCommand) + path, true);
    files.remove(path);
    return run.started ? std::move(run.output) : std::string();
}

}  // namespace kovrel::app

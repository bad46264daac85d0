#include <algorithm>

#include "platform/memory/memory_platform.h"

namespace kovrel::platform {

// ---------------------------------------------------------------- dialogs

int MemoryDialogs::messageBox(std::string_view text, int style, std::string_view title) {
    messages_.push_back({std::string(text), style, std::string(title)});
    if (hook_) {
        std::function<void()> hook = hook_;
        hook();
    }
    if (answers_.empty()) return kMessageOk;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void MemoryDialogs::timedMessageBox(std::string_view text, std::string_view title, int milliseconds) {
    timed_.push_back({std::string(text), std::string(title), milliseconds});
}

// ---------------------------------------------------------------- clipboard

std::optional<std::string> MemoryClipboard::text() {
    if (!canOpen_) return std::nullopt;
    return content_;
}

bool MemoryClipboard::setText(std::string_view text) {
    if (!canOpen_) return false;
    content_ = std::string(text);
    ++writes_;
    return true;
}

// ---------------------------------------------------------------- files

bool MemoryFiles::writable(const std::string& path) const {
    for (const std::string& prefix : readOnly_) {
        if (path.compare(0, prefix.size(), prefix) == 0) return false;
    }
    return directories_.count(path) == 0;
}

bool MemoryFiles::exists(const std::string& path) { return files_.count(path) != 0 || directories_.count(path) != 0; }

bool MemoryFiles::isDirectory(const std::string& path) { return directories_.count(path) != 0; }

std::optional<std::string> MemoryFiles::read(const std::string& path) {
    auto it = files_.find(path);
    if (it == files_.end()) return std::nullopt;
    return it->second;
}

bool MemoryFiles::write(const std::string& path, std::string_view bytes) {
    writeLog_.push_back(path);
    if (!writable(path)) return false;
    files_[path] = std::string(bytes);
    return true;
}

bool MemoryFiles::writeAtomically(const std::string& path, std::string_view bytes) { return write(path, bytes); }

bool MemoryFiles::remove(const std::string& path) {
    removeLog_.push_back(path);
    executable_.erase(path);
    return files_.erase(path) != 0;
}

bool MemoryFiles::createDirectory(const std::string& path) {
    if (exists(path) || !writable(path)) return false;
    directories_.insert(path);
    return true;
}

bool MemoryFiles::setExecutable(const std::string& path) {
    if (files_.count(path) == 0) return false;
    executable_.insert(path);
    return true;
}

// ---------------------------------------------------------------- processes

ToolRun MemoryProcesses::runConsoleTool(const std::string& commandLine, bool capture) {
    runs_.push_back({commandLine, capture});
    auto it = scripted_.find(commandLine);
    if (it != scripted_.end()) return {true, capture ? it->second : std::string()};
    if (handler_) return handler_(commandLine, capture);
    return {};
}

bool MemoryProcesses::startProgram(const std::string& commandLine) {
    started_.push_back(commandLine);
    return startResult_;
}

// ---------------------------------------------------------------- libraries

void MemoryLibraries::provide(const std::string& name, Symbols symbols) {
    libraries_[name] = Library{name, std::move(symbols)};
}

void* MemoryLibraries::load(const std::string& name) {
    ++attempts_;
    log_.push_back(name);
    auto it = libraries_.find(name);
    if (it == libraries_.end()) return nullptr;
    if (present_ && !present_(name)) return nullptr;
    ++successes_;
    return &it->second;
}

void* MemoryLibraries::symbol(void* library, const char* name) {
    if (library == nullptr || name == nullptr) return nullptr;
    const Library* lib = static_cast<const Library*>(library);
    auto it = lib->symbols.find(std::string_view(name));
    return it == lib->symbols.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------- system

std::string MemorySystem::executableDirectory() {
    const size_t slash = executablePath_.rfind('/');
    return slash == std::string::npos ? std::string() : executablePath_.substr(0, slash);
}

uint32_t MemorySystem::tickCount() {
    const uint32_t now = ticks_;
    ticks_ += tickStep_;
    return now;
}

void MemorySystem::sleep(int milliseconds) {
    sleeps_.push_back(milliseconds);
    if (sleepHook_) {
        std::function<void()> hook = sleepHook_;
        hook();
    }
    if (milliseconds > 0) ticks_ += static_cast<uint32_t>(milliseconds);
}

bool MemorySystem::acquireSingleInstance(const std::string& name) {
    if (heldElsewhere_.count(name) != 0 || held_.count(name) != 0) return false;
    held_.insert(name);
    return true;
}

void MemorySystem::endProgram(int exitCode) { endings_.push_back(exitCode); }

// ---------------------------------------------------------------- network

std::optional<std::string> MemoryHttp::get(const std::string& url) {
    requests_.push_back(url);
    auto it = replies_.find(url);
    if (it == replies_.end()) return std::nullopt;
    return it->second;
}

void MemoryXml::load(std::string_view bytes) { loads_.emplace_back(bytes); }

std::string MemoryXml::attribute(std::string_view path, std::string_view name) const {
    auto it = attributes_.find(std::make_pair(std::string(path), std::string(name)));
    return it == attributes_.end() ? std::string() : it->second;
}

void MemoryXml::scriptAttribute(std::string path, std::string name, std::string value) {
    attributes_[{std::move(path), std::move(name)}] = std::move(value);
}

}  // namespace kovrel::platform

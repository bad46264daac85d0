#include "updater/tree_copy.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace kovrel::updater {
namespace {

namespace fs = std::filesystem;

// A real folder at `path` (created when missing); false when a link or a file is there.
bool ensureRealFolder(const fs::path& path) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(path, error);
    if (fs::is_symlink(status)) return false;
    if (fs::is_directory(status)) return true;
    if (fs::exists(status)) return false;
    return fs::create_directory(path, error);
}

void copyFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(to, error);
    if (fs::is_directory(status)) return;
    if (fs::is_symlink(status)) fs::remove(to, error);  // copy_file would write through it
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
}

void copyTree(const fs::path& source, const fs::path& target, const std::function<void()>& beforeEachFolder,
              int depth) {
    if (depth > 64) return;  // deeper than any package holds
    if (beforeEachFolder) beforeEachFolder();
    std::error_code error;
    std::vector<fs::path> files;
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(source, error), end; !error && it != end; it.increment(error)) {
        fs::file_status status = it->symlink_status(error);
        if (error) break;
        if (fs::is_regular_file(status)) files.push_back(it->path());
        if (fs::is_directory(status)) folders.push_back(it->path());
    }
    if (!files.empty()) {
        if (!ensureRealFolder(target)) return;
        for (const fs::path& file : files) copyFile(file, target / file.filename());
    }
    for (const fs::path& folder : folders) {
        std::string name = folder.filename().string();
        if (name.empty() || name[0] == '.') continue;
        fs::path into = target / folder.filename();
        if (!ensureRealFolder(target) || !ensureRealFolder(into)) continue;
        copyTree(folder, into, beforeEachFolder, depth + 1);
    }
}

}  // namespace

void copyFolderTree(const std::string& source, const std::string& target,
                    const std::function<void()>& beforeEachFolder) {
    copyTree(fs::path(source), fs::path(target), beforeEachFolder, 0);
}

}  // namespace kovrel::updater

// Copying the unpacked package over the converter's folder.
#pragma once

#include <functional>
#include <string>

namespace kovrel::updater {

// Copies every file of `source` into `target` (created when missing), replacing files of
// the same name, then every subfolder whose name does not start with "." into a folder of
// the same name under `target`. `beforeEachFolder` runs as each folder is entered (the
// window keeps answering). Symbolic links are neither followed nor created: a link in
// the source is skipped, a link in the target is replaced by the copied file, and a
// target folder that is a link is left alone, so nothing is written outside `target`.
void copyFolderTree(const std::string& source, const std::string& target,
                    const std::function<void()>& beforeEachFolder);

}  // namespace kovrel::updater

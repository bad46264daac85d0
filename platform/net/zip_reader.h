// Unpacks ZIP archives for the updater.
#pragma once

#include <string>

namespace kovrel::platform {

// Unpacks every file and folder entry of the archive under `folder` (which must exist),
// replacing files of the same name. Entries are skipped when their name is absolute, has a
// ".." part or would otherwise land outside `folder`, when they are symbolic links or other
// special files, or when a folder on their way is a symbolic link. Names that are not UTF-8
// are taken as GBK, the code page such packages are made in. False when the archive cannot
// be opened (missing, not a ZIP archive) or when a file entry that is not skipped cannot be
// unpacked whole (damaged data, a bad checksum, the size cap, a failed write): the folder
// then holds only part of the package and must not be installed.
bool unpackZip(const std::string& archivePath, const std::string& folder);

}  // namespace kovrel::platform

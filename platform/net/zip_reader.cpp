#include "platform/net/zip_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/encoding.h"

namespace kovrel::platform {
namespace {

// Caps what one package may write, so a crafted archive cannot fill the disk.
constexpr uint64_t kMaxUnpackedBytes = 4ull << 30;

bool isUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || i + length > s.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// The entry name split into safe parts; empty when the entry must be skipped. Windows
// tools sometimes write "\" as the separator.
std::vector<std::string> safeParts(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    if (name.empty() || name[0] == '/') return {};
    if (name.size() >= 2 && name[1] == ':') return {};  // drive letter
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= name.size()) {
        size_t slash = name.find('/', start);
        if (slash == std::string::npos) slash = name.size();
        std::string part = name.substr(start, slash - start);
        if (part == "..") return {};
        if (part.find('\0') != std::string::npos) return {};
        if (!part.empty() && part != ".") parts.push_back(part);
        start = slash + 1;
    }
    return parts;
}

bool isSymbolicLinkEntry(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
    if (system != ZIP_OPSYS_UNIX) return false;
    mode_t mode = attributes >> 16;
    return (mode & S_IFMT) != 0 && (mode & S_IFMT) != S_IFREG && (mode & S_IFMT) != S_IFDIR;
}

// Makes `path` a real folder; false when something else (a link, a file) is in the way.
bool ensureRealFolder(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    return mkdir(path.c_str(), 0755) == 0;
}

// 0755 for entries made on Unix with an execute bit (the converter itself), else 0644.
mode_t fileMode(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return 0644;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & 0111) ? 0755 : 0644;
}

bool writeEntry(zip_t* archive, zip_uint64_t index, const std::string& path, uint64_t& budget) {
    struct stat info;
    if (lstat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return false;
        unlink(path.c_str());  // replaces a file or a link by a fresh file, never writes through a link
    }
    zip_file_t* entry = zip_fopen_index(archive, index, 0);
    if (!entry) return false;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, fileMode(archive, index));
    if (fd < 0) {
        zip_fclose(entry);
        return false;
    }
    char buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        zip_int64_t n = zip_fread(entry, buffer, sizeof buffer);
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (static_cast<uint64_t>(n) > budget) {
            ok = false;
            break;
        }
        budget -= n;
        for (zip_int64_t done = 0; done < n;) {
            ssize_t w = write(fd, buffer + done, n - done);
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    close(fd);
    zip_fclose(entry);
    if (!ok) unlink(path.c_str());
    return ok;
}

}  // namespace

bool unpackZip(const std::string& archivePath, const std::string& folder) {
    int error = 0;
    zip_t* archive = zip_open(archivePath.c_str(), ZIP_RDONLY, &error);
    if (!archive) return false;
    std::string root = folder;
    if (root.empty() || root.back() != '/') root += '/';
    uint64_t budget = kMaxUnpackedBytes;
    bool whole = true;
    zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* rawName = zip_get_name(archive, i, ZIP_FL_ENC_RAW);
        if (!rawName || isSymbolicLinkEntry(archive, i)) continue;
        std::string name = rawName;
        if (!isUtf8(name)) name = gbkToUtf8(name);
        bool isFolder = !name.empty() && (name.back() == '/' || name.back() == '\\');
        std::vector<std::string> parts = safeParts(name);
        if (parts.empty()) continue;
        std::string path = root;
        bool reachable = true;
        size_t folders = isFolder ? parts.size() : parts.size() - 1;
        for (size_t k = 0; k < folders && reachable; ++k) {
            path += parts[k];
            reachable = ensureRealFolder(path);
            path += '/';
        }
        if (!reachable || isFolder) continue;
        if (!writeEntry(archive, i, path + parts.back(), budget)) whole = false;
    }
    zip_discard(archive);
    return whole;
}

}  // namespace kovrel::platform

// An update package as the updater unpacks it, into a scratch folder. Whatever the archive
// says, nothing may appear beside that folder.
//
// Input starting with "PK" is taken as the archive itself. Any other input describes one,
// a line per entry: <kind> TAB <name> TAB <content>, kind f (file), x (executable file),
// d (folder) or l (symbolic link to <content>); the archive is built from it first, so
// text seeds reach every kind of entry name.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/net/zip_reader.h"

namespace {

namespace fs = std::filesystem;

// Made once, removed when the fuzzer exits.
struct Scratch {
    fs::path folder;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "kovrel-fuzz-package-XXXXXX").string();
        if (mkdtemp(pattern.data())) folder = pattern;
    }
    ~Scratch() {
        std::error_code error;
        if (!folder.empty()) fs::remove_all(folder, error);
    }
};

const fs::path& scratch() {
    static const Scratch made;
    return made.folder;
}

void writeRaw(const fs::path& archive, std::string_view bytes) {
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void buildArchive(const fs::path& archive, std::string_view description) {
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) return;
    std::vector<std::string> contents;  // libzip reads the buffers when it closes
    contents.reserve(description.size() + 1);
    size_t start = 0;
    while (start < description.size()) {
        size_t end = description.find('\n', start);
        if (end == std::string_view::npos) end = description.size();
        std::string_view line = description.substr(start, end - start);
        start = end + 1;
        size_t tab1 = line.find('\t');
        size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos || tab1 != 1) continue;
        std::string name(line.substr(2, tab2 - 2));
        contents.emplace_back(line.substr(tab2 + 1));
        char kind = line[0];
        if (kind == 'd') {
            zip_dir_add(zip, name.c_str(), ZIP_FL_ENC_RAW);
            continue;
        }
        zip_source_t* source = zip_source_buffer(zip, contents.back().data(), contents.back().size(), 0);
        if (!source) continue;
        zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_RAW | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            continue;
        }
        if (kind == 'l') zip_file_set_external_attributes(zip, index, 0, ZIP_OPSYS_UNIX, 0120777u << 16);
        if (kind == 'x') zip_file_set_external_attributes(zip, index, 0, ZIP_OPSYS_UNIX, 0100755u << 16);
    }
    if (zip_close(zip) != 0) zip_discard(zip);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (scratch().empty()) return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    fs::path archive = scratch() / "package.zip";
    fs::path unpack = scratch() / "e_update";
    std::error_code error;
    fs::remove(archive, error);
    if (input.substr(0, 2) == "PK") writeRaw(archive, input);
    else buildArchive(archive, input);
    fs::remove_all(unpack, error);
    fs::create_directory(unpack, error);
    kovrel::platform::unpackZip(archive.string(), unpack.string());
    for (const auto& entry : fs::directory_iterator(scratch(), error))
        if (entry.path() != archive && entry.path() != unpack) __builtin_trap();
    fs::remove_all(unpack, error);
    return 0;
}

#include "common/file_util.h"

#include <cctype>
#include <cstdio>

#include "common/file.h"

namespace common {

std::optional<std::vector<uint8_t>> read_file(const std::string& path, size_t max_size) {
    // Only a regular file: a FIFO would wait for a writer, a device may
    // never end. Either reads as a file that is not there.
    const File f = File::open_regular(path);
    if (!f) return std::nullopt;
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    for (;;) {
        const size_t n = std::fread(chunk, 1, sizeof chunk, f.get());
        if (data.size() + n > max_size) return std::nullopt;
        data.insert(data.end(), chunk, chunk + n);
        if (n < sizeof chunk) break;
    }
    if (std::ferror(f.get())) return std::nullopt;
    return data;
}

bool has_extension(std::string_view name, std::string_view extension) {
    if (name.size() < extension.size()) return false;
    const std::string_view tail = name.substr(name.size() - extension.size());
    for (size_t i = 0; i < tail.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) !=
            std::tolower(static_cast<unsigned char>(extension[i]))) {
            return false;
        }
    }
    return true;
}

bool write_file_atomic(const std::string& path, std::string_view contents) {
    ReplacingFile f(path);
    if (!f.is_open()) return false;
    const bool written = std::fwrite(contents.data(), 1, contents.size(), f.get()) == contents.size();
    return f.close() && written && f.move_into_place();
}

}  // namespace common

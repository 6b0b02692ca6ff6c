#include "common/file_util.h"

#include <cctype>
#include <cstdio>
#include <memory>

namespace common {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::optional<std::vector<uint8_t>> read_file(const std::string& path, size_t max_size) {
    File f(std::fopen(path.c_str(), "rb"));
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
    const std::string temporary = path + ".tmp";
    {
        File f(std::fopen(temporary.c_str(), "wb"));
        if (!f) return false;
        const bool written =
            std::fwrite(contents.data(), 1, contents.size(), f.get()) == contents.size() &&
            std::fflush(f.get()) == 0;
        if (!written) {
            f.reset();
            std::remove(temporary.c_str());
            return false;
        }
        if (std::fclose(f.release()) != 0) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace common

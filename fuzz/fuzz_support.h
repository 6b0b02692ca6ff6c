// What every fuzz program shares: a scratch folder for the readers that
// take a file name, and the way a broken property ends the run.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// A broken property is a finding: libFuzzer keeps the input that did it.
[[noreturn]] inline void broken(const char* property) {
    std::fprintf(stderr, "broken property: %s\n", property);
    std::abort();
}

inline void check(bool holds, const char* property) {
    if (!holds) broken(property);
}

// A folder of this process, in memory when /dev/shm exists (every input
// becomes a file, so this is the speed of a run), removed at a normal exit.
inline const std::filesystem::path& scratch_folder() {
    static const std::filesystem::path folder = [] {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
        auto path = base / ("apf_fuzz_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratch_folder(), ignored);
        });
        return path;
    }();
    return folder;
}

inline std::string scratch_file(std::string_view name) { return (scratch_folder() / name).string(); }

inline void write_file(const std::string& path, const void* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) broken("the scratch file cannot be written");
    if (size > 0 && std::fwrite(data, 1, size, f) != size) broken("the scratch file cannot be written");
    std::fclose(f);
}

inline void write_file(const std::string& path, std::string_view text) {
    write_file(path, text.data(), text.size());
}

inline std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

inline bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace fuzz

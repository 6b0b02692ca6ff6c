// Small file helpers shared by the programs: whole-file reads with a size
// limit, atomic replacement of a file, and little-endian byte layouts (RIFF,
// BMP and the other PC formats the suite writes are little-endian).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// Reads a whole regular file. No value when it cannot be opened or read,
// when it is no regular file (a FIFO, a folder, a device), or when it is
// longer than max_size bytes.
std::optional<std::vector<uint8_t>> read_file(const std::string& path, size_t max_size);

// Replaces a file with new contents: writes a temporary file beside it, then
// renames it over the old one, so an interrupted write never leaves half a
// file. Returns false (and leaves any old file untouched) on failure.
bool write_file_atomic(const std::string& path, std::string_view contents);

// True when a file name ends in the extension (".wav"), in any letter case.
bool has_extension(std::string_view name, std::string_view extension);

inline void put_le16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void put_le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint16_t get_le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t get_le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace common

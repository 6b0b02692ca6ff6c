// Byte layout of an uncompressed 8-bit indexed BMP file.
//
// The file is a 14-byte file header ("BM", file size, two reserved words,
// offset of the pixels), a 40-byte information header (its own size, width,
// height, planes, bits per pixel, compression, image size, resolutions,
// colours used and important), a colour table of 256 entries of (blue, green,
// red, 0), and the pixel rows, bottom row first, each padded to a multiple
// of 4 bytes. Every field is little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/rgb.h"

namespace common {

inline constexpr size_t bmp_file_header_size = 14;
inline constexpr size_t bmp_info_header_size = 40;
inline constexpr size_t bmp_colour_table_entries = 256;
inline constexpr size_t bmp_pixel_offset =
    bmp_file_header_size + bmp_info_header_size + 4 * bmp_colour_table_entries;  // 1078

// The whole file of a width x height picture of palette indices, given top
// row first with width bytes a row. The colour table holds the palette's
// entries and zeros after them; "colours used" and "important colours" are
// the palette's size. The resolution fields are 0 (unspecified).
//
// No value when width or height is not positive, the picture would not fit a
// BMP's 32-bit size fields, pixels holds fewer than width x height bytes, or
// the palette is empty or longer than 256 entries.
std::optional<std::vector<uint8_t>> bmp_encode_indexed8(int width, int height,
                                                         std::span<const uint8_t> pixels,
                                                         std::span<const Rgb> palette);

}  // namespace common

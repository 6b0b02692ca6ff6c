// A small PNG writer: 8-bit palette (colour type 3) or RGB (colour type 2)
// pictures, no interlace, every scanline with filter 0 (none), and the image
// data as a zlib stream of stored (uncompressed) deflate blocks. That is a
// valid PNG every reader accepts; it trades file size for a writer with no
// compressor in it.
//
// File layout: the 8-byte signature, then chunks of (length, big-endian;
// 4-byte type; data; CRC-32 of type and data, big-endian): IHDR, PLTE (palette
// pictures only), one IDAT, IEND.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/rgb.h"

namespace common {

// CRC-32 of the PNG and zlib specifications (reflected polynomial
// 0xEDB88320, initial and final XOR 0xFFFFFFFF). Pass the previous result to
// continue over a further block.
uint32_t crc32(std::span<const uint8_t> data, uint32_t previous = 0);

// Adler-32 checksum of a zlib stream's uncompressed data. Pass the previous
// result (1 for a new stream) to continue over a further block.
uint32_t adler32(std::span<const uint8_t> data, uint32_t previous = 1);

// A width x height picture of palette indices, top row first, width bytes a
// row. No value when width or height is not positive, the image data would
// not fit a chunk (about 2 GB), pixels holds fewer than width x height bytes,
// the palette is empty or longer than 256 entries, or a pixel indexes past
// the end of the palette (a reader must reject such a file).
std::optional<std::vector<uint8_t>> png_encode_indexed8(int width, int height,
                                                        std::span<const uint8_t> pixels,
                                                        std::span<const Rgb> palette);

// A width x height picture of (red, green, blue) byte triples, top row
// first. No value when width or height is not positive, the image data would
// not fit a chunk, or pixels holds fewer than width x height x 3 bytes.
std::optional<std::vector<uint8_t>> png_encode_rgb8(int width, int height,
                                                    std::span<const uint8_t> pixels);

}  // namespace common

#include "common/bmp.h"

#include <cstring>

#include "common/file_util.h"

namespace common {

std::optional<std::vector<uint8_t>> bmp_encode_indexed8(int width, int height,
                                                         std::span<const uint8_t> pixels,
                                                         std::span<const Rgb> palette) {
    if (width <= 0 || height <= 0 || palette.empty() ||
        palette.size() > bmp_colour_table_entries) {
        return std::nullopt;
    }
    const uint64_t w = static_cast<uint64_t>(width);
    const uint64_t h = static_cast<uint64_t>(height);
    const uint64_t stride = (w + 3) & ~uint64_t{3};
    const uint64_t image_size = stride * h;
    const uint64_t file_size = bmp_pixel_offset + image_size;
    if (file_size > UINT32_MAX || pixels.size() < w * h) return std::nullopt;

    std::vector<uint8_t> file(static_cast<size_t>(file_size), 0);
    uint8_t* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    put_le32(p + 2, static_cast<uint32_t>(file_size));
    // 6: two reserved words, 0
    put_le32(p + 10, static_cast<uint32_t>(bmp_pixel_offset));
    put_le32(p + 14, static_cast<uint32_t>(bmp_info_header_size));
    put_le32(p + 18, static_cast<uint32_t>(width));
    put_le32(p + 22, static_cast<uint32_t>(height));  // positive: rows stored bottom-up
    put_le16(p + 26, 1);                              // planes
    put_le16(p + 28, 8);                              // bits per pixel
    // 30: compression 0, none
    put_le32(p + 34, static_cast<uint32_t>(image_size));
    // 38, 42: resolution 0
    put_le32(p + 46, static_cast<uint32_t>(palette.size()));  // colours used
    put_le32(p + 50, static_cast<uint32_t>(palette.size()));  // important colours

    uint8_t* table = p + bmp_file_header_size + bmp_info_header_size;
    for (size_t i = 0; i < palette.size(); ++i) {
        table[4 * i] = palette[i].blue;
        table[4 * i + 1] = palette[i].green;
        table[4 * i + 2] = palette[i].red;
    }

    for (uint64_t y = 0; y < h; ++y) {
        const uint8_t* source = pixels.data() + (h - 1 - y) * w;
        std::memcpy(p + bmp_pixel_offset + y * stride, source, static_cast<size_t>(w));
    }
    return file;
}

}  // namespace common

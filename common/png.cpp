#include "common/png.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace common {

namespace {

constexpr std::array<uint32_t, 256> crc_table = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

constexpr uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t colour_type_rgb = 2;
constexpr uint8_t colour_type_palette = 3;

// A deflate stored block holds at most 65535 bytes.
constexpr size_t stored_block_max = 65535;

void put_be32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void put_chunk(std::vector<uint8_t>& out, const char type[4], std::span<const uint8_t> data) {
    put_be32(out, static_cast<uint32_t>(data.size()));
    const size_t type_at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be32(out, crc32(std::span<const uint8_t>(out.data() + type_at, 4 + data.size())));
}

// The zlib stream of the scanlines: each row of row_bytes bytes preceded by
// its filter byte 0, split into stored deflate blocks.
std::vector<uint8_t> zlib_stored(const uint8_t* rows, size_t row_bytes, size_t height) {
    std::vector<uint8_t> raw;
    raw.reserve((row_bytes + 1) * height);
    for (size_t y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rows + y * row_bytes, rows + (y + 1) * row_bytes);
    }

    std::vector<uint8_t> z;
    const size_t blocks = (raw.size() + stored_block_max - 1) / stored_block_max;
    z.reserve(2 + raw.size() + blocks * 5 + 4);
    // CMF: deflate, 32K window; FLG: no dictionary, fastest level, and the
    // check bits that make CMF * 256 + FLG a multiple of 31 (0x7801).
    z.push_back(0x78);
    z.push_back(0x01);
    for (size_t at = 0; at < raw.size(); at += stored_block_max) {
        const size_t n = std::min(stored_block_max, raw.size() - at);
        const bool final_block = at + n == raw.size();
        z.push_back(final_block ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
        const auto len = static_cast<uint16_t>(n);
        z.push_back(static_cast<uint8_t>(len));
        z.push_back(static_cast<uint8_t>(len >> 8));
        z.push_back(static_cast<uint8_t>(~len));
        z.push_back(static_cast<uint8_t>(~len >> 8));
        z.insert(z.end(), raw.begin() + static_cast<ptrdiff_t>(at),
                 raw.begin() + static_cast<ptrdiff_t>(at + n));
    }
    put_be32(z, adler32(raw));
    return z;
}

std::vector<uint8_t> encode(int width, int height, uint8_t colour_type,
                            std::span<const uint8_t> pixels, size_t bytes_per_pixel,
                            std::span<const Rgb> palette) {
    std::vector<uint8_t> out(png_signature, png_signature + 8);

    std::array<uint8_t, 13> header{};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<uint8_t>(static_cast<uint32_t>(width) >> (24 - 8 * i));
        header[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (24 - 8 * i));
    }
    header[8] = 8;  // bit depth
    header[9] = colour_type;
    // 10-12: compression 0 (deflate), filter method 0, no interlace
    put_chunk(out, "IHDR", header);

    if (colour_type == colour_type_palette) {
        std::vector<uint8_t> plte;
        plte.reserve(palette.size() * 3);
        for (const Rgb& c : palette) {
            plte.push_back(c.red);
            plte.push_back(c.green);
            plte.push_back(c.blue);
        }
        put_chunk(out, "PLTE", plte);
    }

    const std::vector<uint8_t> z =
        zlib_stored(pixels.data(), static_cast<size_t>(width) * bytes_per_pixel,
                    static_cast<size_t>(height));
    put_chunk(out, "IDAT", z);
    put_chunk(out, "IEND", {});
    return out;
}

// The scanline data and its chunks must fit 32-bit chunk lengths.
bool size_fits(int width, int height, size_t bytes_per_pixel) {
    if (width <= 0 || height <= 0) return false;
    const uint64_t raw = (static_cast<uint64_t>(width) * bytes_per_pixel + 1) *
                         static_cast<uint64_t>(height);
    const uint64_t blocks = raw / stored_block_max + 1;
    return raw + blocks * 5 + 6 < UINT32_MAX / 2;
}

}  // namespace

uint32_t crc32(std::span<const uint8_t> data, uint32_t previous) {
    uint32_t c = previous ^ 0xFFFFFFFFu;
    for (uint8_t byte : data) c = crc_table[(c ^ byte) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t adler32(std::span<const uint8_t> data, uint32_t previous) {
    constexpr uint32_t modulus = 65521;
    uint32_t a = previous & 0xFFFF;
    uint32_t b = previous >> 16;
    // 5552 bytes is the longest run whose sums cannot overflow 32 bits
    // before the modulus is taken.
    size_t at = 0;
    while (at < data.size()) {
        const size_t end = std::min(data.size(), at + 5552);
        for (; at < end; ++at) {
            a += data[at];
            b += a;
        }
        a %= modulus;
        b %= modulus;
    }
    return b << 16 | a;
}

std::optional<std::vector<uint8_t>> png_encode_indexed8(int width, int height,
                                                        std::span<const uint8_t> pixels,
                                                        std::span<const Rgb> palette) {
    if (!size_fits(width, height, 1) || palette.empty() || palette.size() > 256) {
        return std::nullopt;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (pixels.size() < count) return std::nullopt;
    for (size_t i = 0; i < count; ++i) {
        if (pixels[i] >= palette.size()) return std::nullopt;
    }
    return encode(width, height, colour_type_palette, pixels.first(count), 1, palette);
}

std::optional<std::vector<uint8_t>> png_encode_rgb8(int width, int height,
                                                    std::span<const uint8_t> pixels) {
    if (!size_fits(width, height, 3)) return std::nullopt;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    if (pixels.size() < count) return std::nullopt;
    return encode(width, height, colour_type_rgb, pixels.first(count), 3, {});
}

}  // namespace common

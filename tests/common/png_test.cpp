// The PNG writer, checked by an independent reader written here: chunk
// order and lengths, every chunk's CRC, the IHDR and PLTE fields, and the
// zlib stream of stored blocks decoded back to the scanlines.
#include "common/png.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace {

using common::Rgb;

// Bit-by-bit CRC-32, the definition rather than a table.
uint32_t reference_crc(const uint8_t* data, size_t size) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// Adler-32 by its definition, reducing after every byte.
uint32_t reference_adler(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

uint32_t be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

std::span<const uint8_t> bytes(std::string_view s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// Splits a PNG into chunks, checking the signature, that every length stays
// inside the file and every CRC is right. Failures are test failures.
std::vector<Chunk> read_chunks(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (png.size() < 8 || !std::equal(signature, signature + 8, png.begin())) {
        ADD_FAILURE() << "bad signature";
        return chunks;
    }
    size_t at = 8;
    while (at < png.size()) {
        if (png.size() - at < 12) {
            ADD_FAILURE() << "truncated chunk at " << at;
            return chunks;
        }
        const uint32_t length = be32(&png[at]);
        if (png.size() - at - 12 < length) {
            ADD_FAILURE() << "chunk at " << at << " runs past the end";
            return chunks;
        }
        Chunk c;
        c.type.assign(png.begin() + static_cast<ptrdiff_t>(at + 4),
                      png.begin() + static_cast<ptrdiff_t>(at + 8));
        c.data.assign(png.begin() + static_cast<ptrdiff_t>(at + 8),
                      png.begin() + static_cast<ptrdiff_t>(at + 8 + length));
        EXPECT_EQ(be32(&png[at + 8 + length]), reference_crc(&png[at + 4], length + 4))
            << "CRC of " << c.type;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    return chunks;
}

// Decodes a zlib stream made of stored deflate blocks; checks the header,
// each block's LEN/NLEN pair, the final-block bit and the Adler-32 trailer.
std::vector<uint8_t> inflate_stored(const std::vector<uint8_t>& z, int* blocks) {
    std::vector<uint8_t> out;
    *blocks = 0;
    if (z.size() < 6) {
        ADD_FAILURE() << "zlib stream too short";
        return out;
    }
    EXPECT_EQ(z[0] & 0x0F, 8) << "compression method deflate";
    EXPECT_EQ((z[0] << 8 | z[1]) % 31, 0) << "header check bits";
    EXPECT_EQ(z[1] & 0x20, 0) << "no preset dictionary";
    size_t at = 2;
    for (;;) {
        if (z.size() - at < 5) {
            ADD_FAILURE() << "block header past the end";
            return out;
        }
        const uint8_t head = z[at];
        EXPECT_EQ(head & 0x06, 0) << "block type stored";
        const uint16_t len = static_cast<uint16_t>(z[at + 1] | z[at + 2] << 8);
        const uint16_t nlen = static_cast<uint16_t>(z[at + 3] | z[at + 4] << 8);
        EXPECT_EQ(static_cast<uint16_t>(~nlen), len);
        at += 5;
        if (z.size() - at < len) {
            ADD_FAILURE() << "block data past the end";
            return out;
        }
        out.insert(out.end(), z.begin() + static_cast<ptrdiff_t>(at),
                   z.begin() + static_cast<ptrdiff_t>(at + len));
        at += len;
        ++*blocks;
        if (head & 1) break;
    }
    EXPECT_EQ(z.size() - at, 4u) << "Adler-32 and nothing after it";
    if (z.size() - at >= 4) {
        EXPECT_EQ(be32(&z[at]), reference_adler(out));
    }
    return out;
}

// The scanlines a picture must decode to: a filter byte 0 before each row.
std::vector<uint8_t> filtered_rows(const std::vector<uint8_t>& pixels, size_t row_bytes) {
    std::vector<uint8_t> raw;
    for (size_t at = 0; at < pixels.size(); at += row_bytes) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels.begin() + static_cast<ptrdiff_t>(at),
                   pixels.begin() + static_cast<ptrdiff_t>(at + row_bytes));
    }
    return raw;
}

TEST(PngChecksums, KnownAnswersAndContinuation) {
    EXPECT_EQ(common::crc32(bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(common::crc32(bytes("IEND")), 0xAE426082u);  // every PNG ends with it
    EXPECT_EQ(common::crc32(bytes("")), 0u);
    EXPECT_EQ(common::crc32(bytes("6789"), common::crc32(bytes("12345"))), 0xCBF43926u);

    EXPECT_EQ(common::adler32(bytes("Wikipedia")), 0x11E60398u);
    EXPECT_EQ(common::adler32(bytes("")), 1u);
    EXPECT_EQ(common::adler32(bytes("pedia"), common::adler32(bytes("Wiki"))), 0x11E60398u);
    // Long runs of 0xFF are where a late modulus would overflow.
    const std::vector<uint8_t> ones(100000, 0xFF);
    EXPECT_EQ(common::adler32(ones), reference_adler(ones));
}

TEST(PngWriter, PalettePictureStructure) {
    constexpr int width = 5, height = 3;
    const std::vector<uint8_t> pixels = {0, 1, 2, 3, 0, 3, 3, 3, 3, 3, 2, 1, 0, 1, 2};
    const std::array<Rgb, 4> palette = {{{1, 2, 3}, {40, 224, 40}, {255, 0, 128}, {9, 8, 7}}};
    const auto png = common::png_encode_indexed8(width, height, pixels, palette);
    ASSERT_TRUE(png.has_value());

    const std::vector<Chunk> chunks = read_chunks(*png);
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "PLTE");
    EXPECT_EQ(chunks[2].type, "IDAT");
    EXPECT_EQ(chunks[3].type, "IEND");
    EXPECT_TRUE(chunks[3].data.empty());

    const std::vector<uint8_t> expected_header = {0, 0, 0, width, 0, 0, 0, height,
                                                  8,  // bit depth
                                                  3,  // colour type: palette
                                                  0, 0, 0};
    EXPECT_EQ(chunks[0].data, expected_header);
    const std::vector<uint8_t> expected_palette = {1, 2, 3, 40, 224, 40, 255, 0, 128, 9, 8, 7};
    EXPECT_EQ(chunks[1].data, expected_palette);

    int blocks = 0;
    EXPECT_EQ(inflate_stored(chunks[2].data, &blocks), filtered_rows(pixels, width));
    EXPECT_EQ(blocks, 1);
}

// 200 x 200 RGB is 120,200 bytes of scanlines: two stored blocks.
TEST(PngWriter, RgbPictureSpanningSeveralBlocks) {
    constexpr int width = 200, height = 200;
    std::vector<uint8_t> pixels(width * height * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + i / 600);
    const auto png = common::png_encode_rgb8(width, height, pixels);
    ASSERT_TRUE(png.has_value());

    const std::vector<Chunk> chunks = read_chunks(*png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    EXPECT_EQ(be32(chunks[0].data.data()), 200u);
    EXPECT_EQ(be32(chunks[0].data.data() + 4), 200u);
    EXPECT_EQ(chunks[0].data[9], 2);  // colour type: RGB

    int blocks = 0;
    EXPECT_EQ(inflate_stored(chunks[1].data, &blocks), filtered_rows(pixels, width * 3));
    EXPECT_EQ(blocks, 2);
}

TEST(PngWriter, RefusesBadInput) {
    const std::vector<uint8_t> four = {0, 1, 1, 0};
    const std::array<Rgb, 2> two_colours{};
    const std::vector<Rgb> too_many(257);
    EXPECT_FALSE(common::png_encode_indexed8(0, 2, four, two_colours));
    EXPECT_FALSE(common::png_encode_indexed8(2, -1, four, two_colours));
    EXPECT_FALSE(common::png_encode_indexed8(3, 2, four, two_colours));  // too few pixels
    EXPECT_FALSE(common::png_encode_indexed8(2, 2, four, {}));
    EXPECT_FALSE(common::png_encode_indexed8(2, 2, four, too_many));
    const std::vector<uint8_t> past_palette = {0, 1, 2, 0};
    EXPECT_FALSE(common::png_encode_indexed8(2, 2, past_palette, two_colours));
    EXPECT_FALSE(common::png_encode_rgb8(2, 2, std::vector<uint8_t>(11)));
    EXPECT_FALSE(common::png_encode_rgb8(-2, 2, std::vector<uint8_t>(12)));
    EXPECT_FALSE(common::png_encode_rgb8(1 << 30, 1 << 30, std::vector<uint8_t>(12)));
}

}  // namespace

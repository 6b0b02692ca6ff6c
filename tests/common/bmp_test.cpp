// The generic 8-bit BMP writer: rows stored bottom-up and padded to 4 bytes,
// the colour table always 256 entries, and bad sizes refused. (The
// screenshot tests check the trivo picture's file field by field.)
#include "common/bmp.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "common/file_util.h"

namespace {

using common::Rgb;

TEST(BmpWriter, RowsBottomUpPaddedToFourBytes) {
    // 3 x 2 picture: rows of 3 bytes become 4.
    const std::vector<uint8_t> pixels = {1, 2, 0, 2, 1, 1};
    const std::array<Rgb, 3> palette = {{{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}};
    const auto bmp = common::bmp_encode_indexed8(3, 2, pixels, palette);
    ASSERT_TRUE(bmp.has_value());
    ASSERT_EQ(bmp->size(), 1078u + 8u);
    const uint8_t* p = bmp->data();
    EXPECT_EQ(common::get_le32(p + 2), 1086u);     // file size
    EXPECT_EQ(common::get_le32(p + 34), 8u);       // image size, padding included
    EXPECT_EQ(common::get_le32(p + 46), 3u);       // colours used
    EXPECT_EQ(common::get_le32(p + 50), 3u);       // important colours
    const std::vector<uint8_t> table_start(p + 54, p + 66);
    EXPECT_EQ(table_start, (std::vector<uint8_t>{30, 20, 10, 0, 60, 50, 40, 0, 90, 80, 70, 0}));
    for (int i = 66; i < 1078; ++i) {
        ASSERT_EQ(p[i], 0) << "colour table byte " << i;
    }
    const std::vector<uint8_t> stored(p + 1078, p + 1086);
    EXPECT_EQ(stored, (std::vector<uint8_t>{2, 1, 1, 0, 1, 2, 0, 0}));
}

TEST(BmpWriter, RefusesBadSizes) {
    const std::vector<uint8_t> four(4);
    const std::array<Rgb, 1> one{};
    const std::vector<Rgb> too_many(257);
    EXPECT_FALSE(common::bmp_encode_indexed8(0, 1, four, one));
    EXPECT_FALSE(common::bmp_encode_indexed8(1, -1, four, one));
    EXPECT_FALSE(common::bmp_encode_indexed8(5, 1, four, one));  // too few pixels
    EXPECT_FALSE(common::bmp_encode_indexed8(2, 2, four, {}));
    EXPECT_FALSE(common::bmp_encode_indexed8(2, 2, four, too_many));
    // 65536 x 65536 would overflow the 32-bit size fields.
    EXPECT_FALSE(common::bmp_encode_indexed8(65536, 65536, four, one));
}

}  // namespace

#include "common/riff.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/file_util.h"

namespace {

// The header's derived fields follow the format: a 16-bit stereo file has
// four-byte blocks and four bytes a sample period; the RIFF size counts
// everything after its own 8 bytes.
TEST(Riff, WavHeaderFieldsForStereo16Bit) {
    const auto h = common::wav_header({2, 48000, 16}, 1000);
    EXPECT_EQ(std::memcmp(&h[0], "RIFF", 4), 0);
    EXPECT_EQ(common::get_le32(&h[4]), 1000u + 38u);
    EXPECT_EQ(std::memcmp(&h[8], "WAVEfmt ", 8), 0);
    EXPECT_EQ(common::get_le32(&h[16]), 18u);
    EXPECT_EQ(common::get_le16(&h[20]), 1);
    EXPECT_EQ(common::get_le16(&h[22]), 2);
    EXPECT_EQ(common::get_le32(&h[24]), 48000u);
    EXPECT_EQ(common::get_le32(&h[28]), 192000u);
    EXPECT_EQ(common::get_le16(&h[32]), 4);
    EXPECT_EQ(common::get_le16(&h[34]), 16);
    EXPECT_EQ(common::get_le16(&h[36]), 0);
    EXPECT_EQ(std::memcmp(&h[38], "data", 4), 0);
    EXPECT_EQ(common::get_le32(&h[42]), 1000u);

    // The largest data size still fits the RIFF size field without wrapping.
    const auto largest = common::wav_header({1, 8000, 8}, common::wav_max_data_size);
    EXPECT_EQ(common::get_le32(&largest[4]), 0xFFFFFFFFu);
}

}  // namespace

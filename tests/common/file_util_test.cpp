#include "common/file_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

using TempDir = test_support::ScratchFolder;

TEST(FileUtil, ReadFileHonoursTheSizeLimitAndMissingFiles) {
    TempDir dir;
    const auto file = (dir.path / "data.bin").string();
    std::ofstream(file, std::ios::binary) << std::string("\x01\x02\x03", 3);

    auto whole = common::read_file(file, 3);
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(common::read_file(file, 2));
    EXPECT_FALSE(common::read_file((dir.path / "missing").string(), 100));
}

TEST(FileUtil, AtomicWriteReplacesOrLeavesTheOldFileWhole) {
    TempDir dir;
    const auto file = (dir.path / "settings.ini").string();
    ASSERT_TRUE(common::write_file_atomic(file, "old"));
    ASSERT_TRUE(common::write_file_atomic(file, "new contents"));
    EXPECT_EQ(*common::read_file(file, 100), (std::vector<uint8_t>{'n', 'e', 'w', ' ', 'c', 'o',
                                                                   'n', 't', 'e', 'n', 't', 's'}));
    EXPECT_FALSE(fs::exists(file + ".tmp"));

    // A folder where the temporary file should go makes the write fail
    // before anything replaces the old file.
    fs::create_directory(file + ".tmp");
    EXPECT_FALSE(common::write_file_atomic(file, "lost"));
    EXPECT_EQ(common::read_file(file, 100)->size(), 12u);
}

TEST(FileUtil, LittleEndianLayouts) {
    uint8_t bytes[4];
    common::put_le32(bytes, 0x12345678);
    EXPECT_EQ(bytes[0], 0x78);
    EXPECT_EQ(bytes[3], 0x12);
    EXPECT_EQ(common::get_le32(bytes), 0x12345678u);
    common::put_le16(bytes, 0xBEEF);
    EXPECT_EQ(common::get_le16(bytes), 0xBEEF);
    EXPECT_EQ(bytes[0], 0xEF);
}

}  // namespace

namespace {

TEST(FileUtil, ExtensionsMatchInAnyCase) {
    const struct {
        const char* name;
        const char* extension;
        bool matches;
    } cases[] = {
        {"tape.wav", ".wav", true}, {"TAPE.WAV", ".wav", true}, {"shot.Png", ".png", true},
        {"tape.wav.cpf", ".wav", false}, {"wav", ".wav", false}, {"", ".wav", false},
        {"a.wavx", ".wav", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(common::has_extension(c.name, c.extension), c.matches) << c.name;
    }
}

}  // namespace

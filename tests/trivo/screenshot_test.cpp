// Screenshots: the BMP file checked field by field against its layout, the
// numbering and the counter written back to the configuration, and what
// happens when the file cannot be written.
#include "host/screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "machine/config.h"
#include "common/file_util.h"
#include "fake_host.h"
#include "machine/machine.h"
#include "video/video.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

namespace fs = std::filesystem;

using TempDir = test_support::ScratchFolder;

std::vector<uint8_t> slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A machine whose picture and colour table are easy to tell apart: pixel
// (x, y) holds (x + 3y) mod 49, entry i of the colour table is (i, 100 + i,
// 200 + i) so that a swapped red and blue shows.
std::unique_ptr<Machine> machine_with_known_frame() {
    auto machine = make_machine();
    Machine& m = *machine;
    for (int y = 0; y < frame_height; ++y) {
        for (int x = 0; x < frame_width; ++x) {
            m.frame_pixels[y * frame_width + x] = static_cast<uint8_t>((x + 3 * y) % 49);
        }
    }
    for (int i = 0; i < palette_entries; ++i) {
        m.video_palette[i] = PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(100 + i),
                                          static_cast<uint8_t>(200 + i)};
    }
    return machine;
}

TEST(ScreenshotFile, BmpLayoutFieldByField) {
    const auto machine = machine_with_known_frame();
    const std::vector<uint8_t> bmp = display_frame_bmp(*machine);
    ASSERT_EQ(bmp.size(), 61558u);
    const uint8_t* p = bmp.data();

    EXPECT_EQ(p[0], 'B');
    EXPECT_EQ(p[1], 'M');
    struct Field {
        int offset;
        int size;
        uint32_t value;
        const char* name;
    };
    constexpr Field fields[] = {
        {2, 4, 61558, "file size"},       {6, 4, 0, "reserved"},
        {10, 4, 1078, "pixel offset"},    {14, 4, 40, "header size"},
        {18, 4, 280, "width"},            {22, 4, 216, "height"},
        {26, 2, 1, "planes"},             {28, 2, 8, "bits per pixel"},
        {30, 4, 0, "compression"},        {34, 4, 60480, "image size"},
        {38, 4, 0, "horizontal resolution"}, {42, 4, 0, "vertical resolution"},
        {46, 4, 49, "colours used"},      {50, 4, 49, "important colours"},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.name);
        const uint32_t value = f.size == 2 ? common::get_le16(p + f.offset)
                                           : common::get_le32(p + f.offset);
        EXPECT_EQ(value, f.value);
    }

    // Colour table at 54: 256 entries of (blue, green, red, 0).
    for (int i = 0; i < 256; ++i) {
        SCOPED_TRACE(::testing::Message() << "colour " << i);
        const uint8_t* entry = p + 54 + 4 * i;
        if (i < 49) {
            EXPECT_EQ(entry[0], 200 + i);
            EXPECT_EQ(entry[1], 100 + i);
            EXPECT_EQ(entry[2], i);
        } else {
            EXPECT_EQ(entry[0] | entry[1] | entry[2], 0);
        }
        EXPECT_EQ(entry[3], 0);
    }

    // Pixels at 1078: the bottom row of the picture first, 280 bytes a row.
    int wrong = 0;
    for (int y = 0; y < frame_height; ++y) {
        for (int x = 0; x < frame_width; ++x) {
            const uint8_t stored = p[1078 + (frame_height - 1 - y) * frame_width + x];
            wrong += stored != machine->frame_pixels[y * frame_width + x];
        }
    }
    EXPECT_EQ(wrong, 0);
}

struct NumberingCase {
    int counter;
    const char* file;
    int next;
};

// Files are numbered by nscreenshot; 9999 is followed by 0, whose old file is
// replaced. The folder is created when missing and the advanced counter is
// in the configuration file at once.
TEST(Screenshot, NumberedFilesAndTheCounterWrittenBack) {
    constexpr NumberingCase cases[] = {
        {0, "screenshot_0000.bmp", 1},
        {41, "screenshot_0041.bmp", 42},
        {9999, "screenshot_9999.bmp", 0},
    };
    TempDir dir;
    const std::string config = dir.file("trivo.ini");
    common::write_file_atomic(config, "[FILES]\nscript=demo.txt\n");
    auto machine = machine_with_known_frame();
    Machine& m = *machine;
    test::FakeHost host;
    m.host = &host;
    for (const NumberingCase& c : cases) {
        SCOPED_TRACE(c.file);
        m.settings.nscreenshot = c.counter;
        const auto path = display_screenshot(m, dir.path.string(), config);
        ASSERT_TRUE(path.has_value());
        EXPECT_EQ(*path, dir.file(std::string("screenshots/") + c.file));
        EXPECT_EQ(slurp(*path), display_frame_bmp(m));
        EXPECT_EQ(m.settings.nscreenshot, c.next);
        Settings read;
        config_read_all(config, read);
        EXPECT_EQ(read.nscreenshot, c.next);
        EXPECT_EQ(read.script, "demo.txt");  // the rest of the file stays
    }
    EXPECT_TRUE(host.debug_lines.empty());

    // After 9999 the counter is 0 again, and screenshot 0000 is replaced.
    m.frame_pixels.fill(7);
    const auto again = display_screenshot(m, dir.path.string(), config);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, dir.file("screenshots/screenshot_0000.bmp"));
    EXPECT_EQ(slurp(*again), display_frame_bmp(m));
}

// The screenshot is the picture as last composed: memory that changed since
// the last render is not in it.
TEST(Screenshot, TakesTheLastComposedPictureWithoutRendering) {
    TempDir dir;
    auto machine = make_machine();
    Machine& m = *machine;
    m.char_rom.fill(0xFF);
    video_build_tables(m);
    video_render_frame(m);
    const std::vector<uint8_t> shown = display_frame_bmp(m);
    m.memory_image[text_screen_base] = 0x41;  // would draw a normal glyph
    const auto path = display_screenshot(m, dir.path.string(), dir.file("trivo.ini"));
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(slurp(*path), shown);
}

TEST(Screenshot, FileThatCannotBeWrittenIsReportedAndKeepsTheCounter) {
    TempDir dir;
    // A plain file where the folder should be: the folder cannot be created.
    common::write_file_atomic(dir.file("screenshots"), "not a folder");
    auto machine = machine_with_known_frame();
    Machine& m = *machine;
    test::FakeHost host;
    m.host = &host;
    m.settings.nscreenshot = 12;
    const std::string config = dir.file("trivo.ini");

    EXPECT_FALSE(display_screenshot(m, dir.path.string(), config).has_value());
    EXPECT_EQ(m.settings.nscreenshot, 12);
    ASSERT_EQ(host.debug_lines.size(), 1u);
    EXPECT_NE(host.debug_lines[0].find("screenshot_0012.bmp"), std::string::npos);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(fs::exists(config));  // the counter was not written either
}

TEST(Screenshot, CounterThatCannotBeWrittenIsReportedButTheScreenshotStands) {
    TempDir dir;
    auto machine = machine_with_known_frame();
    Machine& m = *machine;
    test::FakeHost host;
    m.host = &host;
    const std::string config = dir.file("missing-folder/trivo.ini");

    const auto path = display_screenshot(m, dir.path.string(), config);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(slurp(*path).size(), screenshot_file_size);
    EXPECT_EQ(m.settings.nscreenshot, 1);
    ASSERT_EQ(host.debug_lines.size(), 1u);
    EXPECT_NE(host.debug_lines[0].find("trivo.ini"), std::string::npos);
}

TEST(Screenshot, PngOfThePicture) {
    auto machine = machine_with_known_frame();
    const auto png = display_frame_png(*machine);
    ASSERT_TRUE(png.has_value());
    // Signature, then IHDR with the picture's size and colour type 3.
    ASSERT_GT(png->size(), 33u);
    EXPECT_EQ((*png)[1], 'P');
    EXPECT_EQ(std::string(png->begin() + 12, png->begin() + 16), "IHDR");
    EXPECT_EQ((*png)[18], 280 >> 8);
    EXPECT_EQ((*png)[19], 280 & 0xFF);
    EXPECT_EQ((*png)[23], 216);
    EXPECT_EQ((*png)[25], 3);

    // A picture holding an index past the palette has no PNG.
    machine->frame_pixels[100] = 49;
    EXPECT_FALSE(display_frame_png(*machine).has_value());
}

}  // namespace
}  // namespace trivo

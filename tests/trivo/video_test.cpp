// The video display generator: reference pictures of whole scenes (text,
// semigraphics, graphics, mode changes, artifacts, borders), the tables the
// memory viewer uses, and a program that changes the mode in mid-frame.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fake_host.h"
#include "machine/bus.h"
#include "machine/machine.h"
#include "machine/scheduler.h"
#include "video/video.h"

namespace trivo {
namespace {

// One character per palette index, as the reference pictures write them:
// 0-9, then a-z for 10-35, then A-M for 36-48.
char pixel_char(uint8_t index) {
    if (index < 10) return static_cast<char>('0' + index);
    if (index < 36) return static_cast<char>('a' + index - 10);
    if (index < 49) return static_cast<char>('A' + index - 36);
    return '?';
}

void set_mode_latches(Machine& m, uint8_t mode) {
    m.memory_image[pia1_base + 2] = static_cast<uint8_t>(mode & 0xC0);
    m.memory_image[pia1_base + 1] = static_cast<uint8_t>(mode & 0x08);
}

// A region of the picture, its rows expanded to one string a row.
struct Region {
    int x = 0, y = 0, width = 0, height = 0;
    std::string rows;  // height rows of width characters, each ended by '\n'
};

std::string picture_text(const Machine& m, const Region& r) {
    std::string text;
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
            text += pixel_char(m.frame_pixels[y * frame_width + x]);
        }
        text += '\n';
    }
    return text;
}

// Reads a scene file (format in golden/README.md), sets the machine up as it
// says and returns its expected regions. Problems with the file itself are
// reported as test failures naming the line.
std::vector<Region> load_scene(Machine& m, const std::string& name) {
    const std::string path = std::string(TRIVO_TEST_DATA_DIR) + "/trivo/golden/" + name + ".txt";
    std::ifstream file(path);
    std::vector<Region> regions;
    if (!file) {
        ADD_FAILURE() << "cannot open " << path;
        return regions;
    }
    std::string line;
    int number = 0;
    Region* open = nullptr;  // region still collecting rows
    int rows_seen = 0;
    auto fail = [&](const std::string& why) { ADD_FAILURE() << path << ":" << number << ": " << why; };
    while (std::getline(file, line)) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string word;
        if (!(words >> word)) continue;
        if (open != nullptr) {
            // A row of the region being read, optionally "*N" times.
            int repeat = 1;
            std::string count;
            if (words >> count) {
                if (count.size() < 2 || count[0] != '*') {
                    fail("bad repeat " + count);
                    return regions;
                }
                repeat = std::stoi(count.substr(1));
            }
            if (static_cast<int>(word.size()) != open->width) {
                fail("row is " + std::to_string(word.size()) + " wide, not " +
                     std::to_string(open->width));
                return regions;
            }
            for (int i = 0; i < repeat; ++i) open->rows += word + '\n';
            rows_seen += repeat;
            if (rows_seen > open->height) {
                fail("more rows than the region's height");
                return regions;
            }
            if (rows_seen == open->height) open = nullptr;
            continue;
        }
        words >> std::hex;
        if (word == "glyph") {
            int code = 0;
            words >> code;
            for (int row = 0; row < glyph_lines; ++row) {
                int value = 0;
                if (!(words >> value) || code < 0 || code > 63) {
                    fail("glyph needs a code 00-3F and 12 rows");
                    return regions;
                }
                m.char_rom[code * glyph_lines + row] = static_cast<uint8_t>(value);
            }
        } else if (word == "poke") {
            int address = 0, value = 0;
            words >> address;
            while (words >> value) m.memory_image[address++ & 0xFFFF] = static_cast<uint8_t>(value);
        } else if (word == "fill") {
            int address = 0, count = 0, value = 0;
            if (!(words >> address >> count >> value)) {
                fail("fill needs an address, a count and a value");
                return regions;
            }
            for (int i = 0; i < count; ++i) {
                m.memory_image[(address + i) & 0xFFFF] = static_cast<uint8_t>(value);
            }
        } else if (word == "mode") {
            int mode = 0;
            words >> mode;
            set_mode_latches(m, static_cast<uint8_t>(mode));
        } else if (word == "change") {
            int cycle = 0, mode = 0;
            words >> std::dec >> cycle >> std::hex >> mode;
            video_mode_log_note(m, static_cast<uint8_t>(mode), static_cast<uint32_t>(cycle),
                                video_mode_byte(m));
            set_mode_latches(m, static_cast<uint8_t>(mode));
        } else if (word == "artifact") {
            words >> m.settings.useartifact;
        } else if (word == "expect") {
            Region r;
            words >> std::dec >> r.x >> r.y >> r.width >> r.height;
            if (!words || r.x < 0 || r.y < 0 || r.width <= 0 || r.height <= 0 ||
                r.x + r.width > frame_width || r.y + r.height > frame_height) {
                fail("bad region");
                return regions;
            }
            regions.push_back(r);
            open = &regions.back();
            rows_seen = 0;
        } else {
            fail("unknown directive " + word);
            return regions;
        }
    }
    if (open != nullptr) fail("the last region is missing rows");
    if (regions.empty()) fail("no region to check");
    return regions;
}

class VideoGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(VideoGolden, PictureMatchesTheReference) {
    auto machine = make_machine();
    Machine& m = *machine;
    const std::vector<Region> regions = load_scene(m, GetParam());
    video_build_tables(m);
    video_render_frame(m);
    for (const Region& r : regions) {
        SCOPED_TRACE(::testing::Message() << "region at " << r.x << "," << r.y);
        EXPECT_EQ(picture_text(m, r), r.rows);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, VideoGolden,
                         ::testing::Values("text_colour_sets", "semigraphics4", "graphics4",
                                           "graphics2", "artifact", "mode_change", "borders"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

TEST(VideoTables, DefaultPaletteDrawsInverseAndNormalText) {
    auto machine = make_machine();
    Machine& m = *machine;
    m.char_rom[1 * glyph_lines + 0] = 0x80;  // glyph 1, row 0: leftmost pixel lit
    video_build_tables(m);
    const PaletteEntry bright{40, 224, 40}, dark{16, 96, 16};
    const CellPixels& inverse = m.video_tables.alpha_glyphs[0][0x01][0];
    const CellPixels& normal = m.video_tables.alpha_glyphs[0][0x41][0];
    EXPECT_EQ(m.video_palette[inverse[0]], bright);
    EXPECT_EQ(m.video_palette[inverse[1]], dark);
    EXPECT_EQ(m.video_palette[normal[0]], dark);
    EXPECT_EQ(m.video_palette[normal[1]], bright);

    // The picture's colour table follows the settings only when rebuilt.
    m.settings.video_palette[9] = PaletteEntry{1, 2, 3};
    EXPECT_EQ(m.video_palette[9], bright);
    video_build_tables(m);
    EXPECT_EQ(m.video_palette[9], (PaletteEntry{1, 2, 3}));
}

struct AltGlyphCase {
    int set;
    int code;
    int line;
    CellPixels pixels;
};

// The memory viewer's glyphs: text codes drawn from the external character
// ROM (here its built-in test pattern, row = code), semigraphics-6 blocks for
// codes 0x80-0xFF.
TEST(VideoTables, AltGlyphsShowTheExternalRomAndSemigraphics6) {
    constexpr AltGlyphCase cases[] = {
        // Test pattern: every row of glyph c is c. 0x41 = 01000001 in normal colours.
        {0, 0x41, 5, {6, 7, 6, 6, 6, 6, 6, 7}},
        {0, 0x7F, 11, {6, 7, 7, 7, 7, 7, 7, 7}},
        // 0x05 = 00000101, inverse, colour set 1.
        {1, 0x05, 0, {21, 21, 21, 21, 21, 22, 21, 22}},
        // E1: bit 6 set (red on black in set 0); bits 5-4 = 10, 3-2 = 00, 1-0 = 01.
        {0, 0xE1, 0, {14, 14, 14, 14, 10, 10, 10, 10}},
        {0, 0xE1, 3, {14, 14, 14, 14, 10, 10, 10, 10}},
        {0, 0xE1, 4, {10, 10, 10, 10, 10, 10, 10, 10}},
        {0, 0xE1, 11, {10, 10, 10, 10, 14, 14, 14, 14}},
        // 9E: bit 6 clear (magenta on black in set 1); bits 5-4 = 01, 3-2 = 11, 1-0 = 10.
        {1, 0x9E, 0, {23, 23, 23, 23, 30, 30, 30, 30}},
        {1, 0x9E, 7, {30, 30, 30, 30, 30, 30, 30, 30}},
        {1, 0x9E, 8, {30, 30, 30, 30, 23, 23, 23, 23}},
    };
    auto machine = make_machine();
    Machine& m = *machine;
    video_build_tables(m);
    for (const AltGlyphCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "set " << c.set << " code " << std::hex << c.code
                                          << std::dec << " line " << c.line);
        EXPECT_EQ(m.video_tables.alt_glyphs[c.set][c.code][c.line], c.pixels);
    }
}

TEST(VideoRender, DoesNothingBeforeTheTablesAreBuilt) {
    auto machine = make_machine();
    Machine& m = *machine;
    m.frame_pixels.fill(0xEE);
    video_render_frame(m);
    EXPECT_EQ(m.frame_pixels[0], 0xEE);
    EXPECT_EQ(m.frame_pixels[frame_width * frame_height - 1], 0xEE);
}

// The renderer marks the colour set of each graphics cell in the mode map, so
// the map must be rebuilt for every render: a tile that changes colour set
// between two renders of the same frame changes the border with it.
TEST(VideoRender, EachRenderReadsTheTilesAfresh) {
    auto machine = make_machine();
    Machine& m = *machine;
    set_mode_latches(m, 0xC0);
    video_build_tables(m);
    const int left_border_of_line_0 = frame_border * frame_width;

    m.memory_image[tile_map_base + 31] = 0x40;
    video_render_frame(m);
    EXPECT_EQ(m.frame_pixels[left_border_of_line_0], 1);
    m.memory_image[tile_map_base + 31] = 0x00;
    video_render_frame(m);
    EXPECT_EQ(m.frame_pixels[left_border_of_line_0], 0);
}

// A program switches to 2-colour graphics at once and back to text after a
// delay loop of about 7850 cycles, which is line 100 of the picture. The
// whole road runs: PIA1 write, mode log, mode map, picture.
TEST(VideoRender, ProgramChangingTheModeInMidFrame) {
    auto machine = make_machine();
    Machine& m = *machine;
    test::FakeHost host;
    m.host = &host;
    memory_map_build(m);
    set_timing_mode(m.settings, TimingMode::fast);
    timing_recompute(m);
    const uint8_t program[] = {
        0x86, 0xC0,        // a000 ldaa #$c0
        0xB7, 0x20, 0x02,  // a002 staa $2002   2-colour graphics
        0xCE, 0x03, 0xD4,  // a005 ldx  #980
        0x09,              // a008 dex          8 cycles a turn
        0x26, 0xFD,        // a009 bne  a008
        0x7F, 0x20, 0x02,  // a00b clr  $2002   text
        0x20, 0xFE,        // a00e bra  *
    };
    for (size_t i = 0; i < sizeof program; ++i) m.memory_image[0xA000 + i] = program[i];
    m.cpu.pc = 0xA000;
    video_build_tables(m);

    ASSERT_TRUE(frame_tick(m));
    video_render_frame(m);

    // Left border per line: 0 for 2-colour graphics in set 0, 4 for text.
    int first_text_line = -1;
    for (int line = 0; line < active_height; ++line) {
        const uint8_t border = m.frame_pixels[(frame_border + line) * frame_width];
        const uint8_t first_pixel = m.frame_pixels[(frame_border + line) * frame_width + frame_border];
        if (first_text_line < 0 && border == 4) first_text_line = line;
        if (first_text_line < 0) {
            EXPECT_EQ(border, 0) << "line " << line;
            EXPECT_EQ(first_pixel, 41) << "line " << line;
        } else {
            EXPECT_EQ(border, 4) << "line " << line;
            EXPECT_EQ(first_pixel, 8) << "line " << line;
        }
    }
    EXPECT_GE(first_text_line, 99);
    EXPECT_LE(first_text_line, 101);
    // The top and bottom borders follow the last line: text.
    EXPECT_EQ(m.frame_pixels[0], 4);
}

}  // namespace
}  // namespace trivo

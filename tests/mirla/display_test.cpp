// Golden pictures of the APF screen and the boards' LEDs. Each expected
// picture is written out from the drawing rules (cell layout, colours,
// block bits, the character art of our ROM, the LED layout), not taken from
// the renderer.
#include <array>
#include <string>
#include <vector>

#include "display/display.h"
#include "machine/bus.h"
#include "machine/run.h"
#include "mirla_fixture.h"

namespace {

using namespace mirla;
using namespace mirla_test;

uint8_t pixel(const Machine& m, int x, int y) { return m.display.pixels[y * image_max_width + x]; }

// The 8 x 12 pixels of one APF cell, as palette digits, row by row.
std::vector<std::string> cell(const Machine& m, int row, int col) {
    std::vector<std::string> out;
    for (int y = 0; y < 12; ++y) {
        std::string line;
        for (int x = 0; x < 8; ++x) line += static_cast<char>('0' + pixel(m, col * 8 + x, row * 12 + y));
        out.push_back(line);
    }
    return out;
}

void draw_all_rows(Machine& m) {
    for (int r = 0; r < 16; ++r) display_draw_row(m, r);
}

std::unique_ptr<Machine> apf_screen() {
    auto m = make_test_machine(MachineKind::apf, false);
    cpu_reset(*m);
    return m;
}

// 'A' as our character art draws it (rows 2-8 of its 12):
//   ....#...  ...#.#..  ..#...#.  ..#...#.  ..#####.  ..#...#.  ..#...#.
// A cell is 3 blank lines, those 7 rows, 2 blank lines.
const std::vector<std::string> glyph_a = {
    "........", "........", "........", "....#...", "...#.#..", "..#...#.",
    "..#...#.", "..#####.", "..#...#.", "..#...#.", "........", "........",
};

std::vector<std::string> paint(const std::vector<std::string>& art, char ink, char paper) {
    std::vector<std::string> out = art;
    for (auto& line : out)
        for (auto& c : line) c = c == '#' ? ink : paper;
    return out;
}

TEST(MirlaDisplay, TextCellsNormalInverseAndAlternate) {
    auto m = apf_screen();
    mem_write(*m, 0x0200, 0x01);  // 'A', codes 00-3F: green (1) on dark green (9)
    mem_write(*m, 0x0201, 0x41);  // the same glyph inverted: dark green on green
    mem_write(*m, 0x0222, 0x01);  // row 1, column 2
    draw_all_rows(*m);
    EXPECT_EQ(cell(*m, 0, 0), paint(glyph_a, '1', '9'));
    EXPECT_EQ(cell(*m, 0, 1), paint(glyph_a, '9', '1'));
    EXPECT_EQ(cell(*m, 1, 2), paint(glyph_a, '1', '9'));

    // PIA1 register 1 bit 3: codes 40-7F in black (0) on orange (8); codes
    // 00-3F keep their colours.
    mem_write(*m, 0x2001, 0x08);
    draw_all_rows(*m);
    EXPECT_EQ(cell(*m, 0, 1), paint(glyph_a, '0', '8'));
    EXPECT_EQ(cell(*m, 0, 0), paint(glyph_a, '1', '9'));
}

TEST(MirlaDisplay, SemigraphicsFourAndSix) {
    auto m = apf_screen();
    // Semi 4: 2 x 2 blocks of 4 pixels by 6 lines; bit 3 top left, 2 top
    // right, 1 bottom left, 0 bottom right; colour c (bits 6-4) is entry c+1.
    mem_write(*m, 0x0200, 0x9A);  // colour 1 (yellow, 2); top left, bottom left
    mem_write(*m, 0x0201, 0xF5);  // colour 7 (orange, 8); top right, bottom right
    mem_write(*m, 0x0202, 0x80);  // nothing lit: black
    draw_all_rows(*m);
    const std::vector<std::string> left_column = {
        "22220000", "22220000", "22220000", "22220000", "22220000", "22220000",
        "22220000", "22220000", "22220000", "22220000", "22220000", "22220000",
    };
    const std::vector<std::string> right_column = {
        "00008888", "00008888", "00008888", "00008888", "00008888", "00008888",
        "00008888", "00008888", "00008888", "00008888", "00008888", "00008888",
    };
    EXPECT_EQ(cell(*m, 0, 0), left_column);
    EXPECT_EQ(cell(*m, 0, 1), right_column);
    EXPECT_EQ(cell(*m, 0, 2), std::vector<std::string>(12, "00000000"));

    // Semi 6: 2 x 3 blocks 4 lines high; bits 5 and 4 top, 3 and 2 middle,
    // 1 and 0 bottom; yellow (2) with bit 6 clear, green (1) with it set.
    display_set_semigraphics(*m, Semigraphics::semi6);
    mem_write(*m, 0x0200, 0xA1);  // bit 6 clear: yellow; top left, bottom right
    mem_write(*m, 0x0201, 0xCC);  // bit 6 set: green; middle left and right
    draw_all_rows(*m);
    EXPECT_EQ(cell(*m, 0, 0), (std::vector<std::string>{
                                  "22220000", "22220000", "22220000", "22220000",
                                  "00000000", "00000000", "00000000", "00000000",
                                  "00002222", "00002222", "00002222", "00002222"}));
    EXPECT_EQ(cell(*m, 0, 1), (std::vector<std::string>{
                                  "00000000", "00000000", "00000000", "00000000",
                                  "11111111", "11111111", "11111111", "11111111",
                                  "00000000", "00000000", "00000000", "00000000"}));
}

// Graphics mode: from the split line down, rows of 16 lines from 0000-017F,
// 32 bytes a row; a byte's bits 3-0 light 2-pixel blocks (bit 3 leftmost) in
// entry 1 + (colour set << 2 | bits 5-4).
TEST(MirlaDisplay, GraphicsBelowTheSplitLine) {
    auto m = apf_screen();
    mem_write(*m, 0x0200 + 32 * 7, 0x01);  // text row 7 (lines 84-95): 'A' at column 0
    mem_write(*m, 0x0200 + 32 * 8, 0x01);  // text row 8 (lines 96-107): hidden by graphics
    mem_write(*m, 0x0000 + 32 * 6, 0x3A);  // graphics row 6 (lines 96-111), column 0
    mem_write(*m, 0x0000 + 32 * 6 + 1, 0x05);
    m->run.slice_index = 11;               // 12 x 11, less 226 x 12 / 678 = 4 lines still
    m->cpu.cycles_left = 226;              // to come in the slice, less 32: line 96
    mem_write(*m, 0x2002, 0x8F);
    ASSERT_EQ(m->apf.split_line, 96);
    draw_all_rows(*m);
    EXPECT_EQ(cell(*m, 7, 0), paint(glyph_a, '1', '9')) << "above the split: text";
    // 3A: bits 5-4 = 3, set 0: red (4); blocks 1010. 05: bits 5-4 = 0:
    // green (1); blocks 0101.
    for (int y = 96; y < 112; ++y) {
        std::string line;
        for (int x = 0; x < 16; ++x) line += static_cast<char>('0' + pixel(*m, x, y));
        EXPECT_EQ(line, "4400440000110011") << "line " << y;
    }
    // Colour set 1 adds 4: 3A in orange (8), 05 in buff (5).
    mem_write(*m, 0x2002, 0xCF);
    draw_all_rows(*m);
    std::string line;
    for (int x = 0; x < 16; ++x) line += static_cast<char>('0' + pixel(*m, x, 100));
    EXPECT_EQ(line, "8800880000550055");
    // Back to text: row 8 shows its character again.
    mem_write(*m, 0x2002, 0x0F);
    draw_all_rows(*m);
    EXPECT_EQ(cell(*m, 8, 0), paint(glyph_a, '1', '9'));
}

TEST(MirlaDisplay, RowsAreDrawnOnlyWhenMarked) {
    auto m = apf_screen();
    mem_write(*m, 0x0200, 0x60);  // inverse blanks: all green (1)
    mem_write(*m, 0x0201, 0x60);
    draw_all_rows(*m);
    m->display.image_changed = false;
    m->memory_image[0x0200] = 0x01;  // behind the bus's back: no mark
    draw_all_rows(*m);
    EXPECT_FALSE(m->display.image_changed);
    EXPECT_EQ(pixel(*m, 0, 3), 1) << "still the old blank cell";
    mem_write(*m, 0x0201, 0x01);  // marks row 0, which redraws both cells
    display_draw_row(*m, 0);
    EXPECT_TRUE(m->display.image_changed);
    EXPECT_EQ(pixel(*m, 0, 3), 9) << "'A' on dark green";
    EXPECT_EQ(pixel(*m, 8, 3), 9);
}

TEST(MirlaDisplay, ColourAndGreyPalettes) {
    // The APF's ten colours, and their grey levels (77 R + 150 G + 28 B) / 255.
    constexpr std::array<std::array<int, 4>, 10> expected = {{
        {0, 0, 0, 0},       {0, 255, 0, 150},     {255, 255, 0, 227},  {0, 63, 255, 65},
        {255, 31, 31, 99},  {255, 255, 223, 251}, {0, 255, 255, 178},  {255, 0, 255, 105},
        {240, 192, 0, 185}, {0, 80, 0, 47},
    }};
    const auto colour = display_palette(true);
    const auto grey = display_palette(false);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(colour[i].red, expected[i][0]);
        EXPECT_EQ(colour[i].green, expected[i][1]);
        EXPECT_EQ(colour[i].blue, expected[i][2]);
        EXPECT_EQ(grey[i].red, expected[i][3]);
        EXPECT_EQ(grey[i].green, expected[i][3]);
        EXPECT_EQ(grey[i].blue, expected[i][3]);
    }
}

// ---- boards ----

// Segment centres from a digit cell's corner (31-pixel cells at x = 4 + 31k,
// y = 4): a, b, c, d, e, f, g, point.
constexpr int centre[8][2] = {{14, 6}, {22, 15}, {22, 33}, {14, 42}, {6, 33}, {6, 15}, {14, 24}, {27, 43}};

void expect_digits(const Machine& m, const std::vector<uint8_t>& patterns, uint8_t lit) {
    for (size_t k = 0; k < patterns.size(); ++k) {
        for (int s = 0; s < 8; ++s) {
            const bool on = patterns[k] & (1 << s);
            EXPECT_EQ(pixel(m, 4 + 31 * static_cast<int>(k) + centre[s][0], 4 + centre[s][1]), on ? lit : led_unlit)
                << "digit cell " << k << " segment " << s;
        }
    }
}

TEST(MirlaDisplay, QLumen2DigitsFollowTheirLatches) {
    auto m = make_test_machine(MachineKind::qlumen2, false);
    cpu_reset(*m);
    EXPECT_EQ(m->display.width, 504);
    EXPECT_EQ(m->display.height, 56);
    // Digit 15 is leftmost: written first after the counter is set to 15.
    mem_write(*m, 0xC000, 0x40);
    const std::vector<uint8_t> shown = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                        0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0xF1};
    for (uint8_t p : shown) mem_write(*m, 0xC002, p);
    // 8 segments redrawn a slice: all 128 after 16 slices.
    for (int s = 0; s < 15; ++s) display_refresh_leds(*m);
    EXPECT_EQ(pixel(*m, 4 + centre[0][0], 4 + centre[0][1]), led_unlit) << "digit 15 is redrawn last";
    display_refresh_leds(*m);
    expect_digits(*m, shown, led_lit_red);
    // No afterglow: a cleared digit goes dark at its next redraw.
    mem_write(*m, 0xC000, 0xC0);
    mem_write(*m, 0xC000, 0x40);
    mem_write(*m, 0xC002, 0x00);
    for (int s = 0; s < 16; ++s) display_refresh_leds(*m);
    std::vector<uint8_t> after = shown;
    after[0] = 0;
    expect_digits(*m, after, led_lit_red);
    // "Color" off: lit segments in light grey.
    display_set_colour(*m, false);
    expect_digits(*m, after, led_lit_grey);
}

TEST(MirlaDisplay, QLumen1SegmentsGlowFor200Refreshes) {
    auto m = make_test_machine(MachineKind::qlumen1, false);
    cpu_reset(*m);
    mem_write(*m, 0x0082, static_cast<uint8_t>(~0x06));  // "1", active low
    mem_write(*m, 0x0080, 0x02);                        // on digit 2
    display_refresh_leds(*m);
    mem_write(*m, 0x0080, 0x0F);                        // no digit selected from now on
    // One segment is redrawn per refresh, stepping through the 80: after 80
    // refreshes every one shows its count.
    for (int i = 1; i < 80; ++i) display_refresh_leds(*m);
    expect_digits(*m, {0, 0, 0x06, 0, 0, 0, 0, 0, 0, 0}, led_lit_red);
    EXPECT_EQ(m->qlumen1.segment_count[2 * 8 + 1], 200 - 79);
    for (int i = 80; i < 200; ++i) display_refresh_leds(*m);
    EXPECT_EQ(m->qlumen1.segment_count[2 * 8 + 1], 1);
    display_refresh_leds(*m);
    EXPECT_EQ(m->qlumen1.segment_count[2 * 8 + 1], 0);
    for (int i = 0; i < 80; ++i) display_refresh_leds(*m);
    expect_digits(*m, std::vector<uint8_t>(10, 0), led_lit_red);
}

TEST(MirlaDisplay, VendelMatrixLightsWhereRowIsLowAndColumnHigh) {
    auto m = make_test_machine(MachineKind::vendel1, false);
    cpu_reset(*m);
    EXPECT_EQ(m->display.width, 136);
    for (uint16_t a = 0x0098; a <= 0x009F; ++a) mem_write(*m, a, 1);  // every row off
    mem_write(*m, 0x0092, 1);  // column 2
    mem_write(*m, 0x0097, 1);  // column 7
    mem_write(*m, 0x009C, 0);  // row 3 on (009F is row 0)
    for (int i = 0; i < 64; ++i) display_refresh_leds(*m);
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            const bool lit = r == 3 && (c == 2 || c == 7);
            EXPECT_EQ(pixel(*m, 4 + 16 * c + 7, 4 + 16 * r + 7), lit ? led_lit_red : led_unlit) << r << "," << c;
        }
    }
    EXPECT_EQ(m->vendel.led_count[3 * 8 + 2], 160);
    mem_write(*m, 0x009C, 1);
    for (int i = 0; i < 160; ++i) display_refresh_leds(*m);
    EXPECT_EQ(m->vendel.led_count[3 * 8 + 2], 0) << "160 refreshes of afterglow";
}

}  // namespace

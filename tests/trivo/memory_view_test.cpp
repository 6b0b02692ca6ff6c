// The Memory window's rows and byte editor, and the Map/Level window's rows
// in its eight formats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debugger/memory_view.h"
#include "running_machine.h"
#include "video/video.h"

namespace trivo {
namespace {

using test::RunningMachine;

TEST(MemoryView, RowsShowHexAndCharactersAndTheirBackground) {
    RunningMachine t;
    Machine& m = t.m;
    MemoryView view;
    const char text[] = "Hi!\x7f\x1f~ \x80";
    for (int i = 0; i < 8; ++i) m.memory_image[0xA000 + i] = static_cast<uint8_t>(text[i]);
    for (int i = 8; i < 16; ++i) m.memory_image[0xA000 + i] = static_cast<uint8_t>(0x30 + i);
    memory_view_reload(m, view);
    EXPECT_EQ(memory_row_text(view, 0xA00),
              "a000:48 69 21 7f 1f 7e 20 80 38 39 3a 3b 3c 3d 3e 3f   Hi!..~ .89:;<=>?");
    EXPECT_TRUE(memory_row_is_ram(m, 0xA00));
    EXPECT_FALSE(memory_row_is_ram(m, 0xF80)) << "system ROM";
    EXPECT_FALSE(memory_row_is_ram(m, 0x200)) << "PIA1";
}

TEST(MemoryView, CursorMovesTypesAndStopsAtTheEnds) {
    MemoryView view;
    EXPECT_FALSE(memory_view_type(view, '1')) << "no cursor";
    memory_view_place_cursor(view, 0x0001);
    memory_view_move(view, CursorMove::up);  // not past the first byte
    EXPECT_EQ(view.cursor, 0x0001);
    memory_view_move(view, CursorMove::left);
    EXPECT_EQ(view.cursor, 0x0000);
    EXPECT_EQ(view.edit[0x0000], edit_cursor_low);
    EXPECT_EQ(view.edit[0x0001], 0) << "the old cursor mark is gone";
    memory_view_move(view, CursorMove::left);
    memory_view_move(view, CursorMove::left);  // not before the first digit
    EXPECT_EQ(view.cursor, 0x0000);
    EXPECT_EQ(view.edit[0x0000], edit_cursor_high);
    memory_view_move(view, CursorMove::down);
    EXPECT_EQ(view.cursor, 0x0010);

    EXPECT_FALSE(memory_view_type(view, 'g'));
    EXPECT_TRUE(memory_view_type(view, 'A'));
    EXPECT_TRUE(memory_view_type(view, 'b'));
    EXPECT_TRUE(memory_view_type(view, '7'));
    EXPECT_EQ(view.copy[0x0010], 0xAB);
    EXPECT_EQ(view.edit[0x0010], edit_changed);
    EXPECT_EQ(view.copy[0x0011] >> 4, 7);
    EXPECT_EQ(view.edit[0x0011], edit_changed | edit_cursor_low);

    // Two digits at the last byte leave the cursor on that byte.
    memory_view_place_cursor(view, 0xFFFF);
    memory_view_move(view, CursorMove::down);
    EXPECT_TRUE(memory_view_type(view, '1'));
    EXPECT_TRUE(memory_view_type(view, '2'));
    EXPECT_EQ(view.cursor, 0xFFFF);
    EXPECT_EQ(view.copy[0xFFFF], 0x12);
    EXPECT_TRUE(memory_view_type(view, '3'));
    EXPECT_EQ(view.copy[0xFFFF], 0x13);
}

TEST(MemoryView, CommitWritesThroughTheBusAndReloadKeepsEdits) {
    RunningMachine t;
    Machine& m = t.m;
    MemoryView view;
    memory_view_reload(m, view);

    // RAM, a ROM byte (the bus drops the write) and PIA1's control
    // register B (a real register write: bit 3 drives the speaker, bit 7 is
    // the read-only interrupt flag).
    const uint8_t rom_byte = m.memory_image[0xF800];
    ASSERT_EQ(m.speaker_level, 0);
    const uint8_t crb_flag = m.memory_image[0x2003] & 0x80;
    const struct {
        uint16_t address;
        char high, low;
    } edits[] = {{0xA010, '0', '5'}, {0xF800, '0', '5'}, {0x2003, '8', 'd'}};
    for (const auto& e : edits) {
        memory_view_place_cursor(view, e.address);
        memory_view_type(view, e.high);
        memory_view_type(view, e.low);
    }
    // A refresh while editing keeps the typed bytes.
    m.memory_image[0xA011] = 0x99;
    memory_view_reload(m, view);
    EXPECT_EQ(view.copy[0xA010], 0x05);
    EXPECT_EQ(view.copy[0xA011], 0x99);
    EXPECT_EQ(m.memory_image[0xA010], 0x00) << "nothing written before commit";

    memory_view_commit(m, view);
    EXPECT_EQ(m.memory_image[0xA010], 0x05);
    EXPECT_EQ(m.memory_image[0xF800], rom_byte);
    EXPECT_EQ(view.copy[0xF800], rom_byte) << "reloaded after the commit";
    EXPECT_EQ(m.speaker_level, 1) << "the speaker bit went to the PIA";
    EXPECT_EQ(m.memory_image[0x2003], crb_flag | 0x0D) << "bit 7 is not written";
    EXPECT_EQ(view.cursor, -1);
    EXPECT_EQ(view.edit[0xA010], 0);
}

TEST(MapView, FieldsRowsAndTextCells) {
    const MapSettings d = map_parse_fields("junk", "0", "", "99", MapFormat::ascii);
    EXPECT_EQ(d.base, 0);
    EXPECT_EQ(d.width, 1);
    EXPECT_EQ(d.x_offset, 0);
    EXPECT_EQ(d.magnify, 16);
    EXPECT_EQ(map_parse_fields("$A000", "32", "4", "x", MapFormat::hex).magnify, 1);

    const MapSettings s = map_parse_fields("$FFF0", "$20", "2", "2", MapFormat::hex);
    EXPECT_EQ(map_row_address(s, 0), 0xFFF2);
    EXPECT_EQ(map_row_address(s, 1), 0x0012) << "wraps at 64K";
    EXPECT_EQ(map_row_label(0x0012), "0012: ");
    EXPECT_EQ(map_cell_text(MapFormat::hex, 0x0A), "0a");
    EXPECT_EQ(map_cell_text(MapFormat::ascii, 'A'), "A");
    EXPECT_EQ(map_cell_text(MapFormat::ascii, 0x7F), ".");
    EXPECT_EQ(map_cell_text(MapFormat::mono, 'A'), "");
    EXPECT_TRUE(map_cell_darker(0x0013));
    EXPECT_FALSE(map_cell_darker(0x0012));
}

TEST(MapView, PixelFormatsFollowTheVideoPalettes) {
    RunningMachine t;
    Machine& m = t.m;
    auto colour = [&](uint8_t index) {
        const PaletteEntry& e = m.video_palette[index];
        return static_cast<uint32_t>(e.red << 16 | e.green << 8 | e.blue);
    };
    const VideoTables& v = m.video_tables;
    uint32_t px[8];

    struct Case {
        MapFormat format;
        uint8_t byte;
        int line;
        std::vector<uint32_t> expected;
    };
    const auto g2 = v.graph2_pixels[0][0xA5];
    const auto g4a = v.graph4_pixels[0][0x1B];
    const auto g4b = v.graph4_pixels[1][0x1B];
    const auto sg4 = v.alpha_glyphs[0][0x9A][7];
    const auto sg6 = v.alt_glyphs[0][0xC9][2];
    const Case cases[] = {
        {MapFormat::mono, 0xA5, 0, {colour(g2[0]), colour(g2[1]), colour(g2[2]), colour(g2[3]),
                                    colour(g2[4]), colour(g2[5]), colour(g2[6]), colour(g2[7])}},
        {MapFormat::parrot, 0x1B, 0, {colour(g4a[0]), colour(g4a[2]), colour(g4a[4]), colour(g4a[6])}},
        {MapFormat::baboon, 0x1B, 0, {colour(g4b[0]), colour(g4b[2]), colour(g4b[4]), colour(g4b[6])}},
        {MapFormat::asg4, 0x1A, 7, {colour(sg4[0]), colour(sg4[1]), colour(sg4[2]), colour(sg4[3]),
                                    colour(sg4[4]), colour(sg4[5]), colour(sg4[6]), colour(sg4[7])}},
        {MapFormat::asg6, 0xC9, 2, {colour(sg6[0]), colour(sg6[1]), colour(sg6[2]), colour(sg6[3]),
                                    colour(sg6[4]), colour(sg6[5]), colour(sg6[6]), colour(sg6[7])}},
        {MapFormat::irgb, 0x4C, 0, {0xAA0000, 0xFF5555}},
        {MapFormat::irgb, 0x6F, 0, {0xAA5500, 0xFFFFFF}},
        {MapFormat::hex, 0x12, 0, {}},
        {MapFormat::asg4, 0x12, 12, {}},  // past the glyph's last line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        const int n = map_byte_pixels(m, c.format, c.byte, c.line, px);
        EXPECT_EQ(std::vector<uint32_t>(px, px + n), c.expected);
    }
    // Parrot's four pixels are the byte's bit pairs, high pair first: 00 01 10 11.
    map_byte_pixels(m, MapFormat::parrot, 0x1B, 0, px);
    EXPECT_NE(px[0], px[1]);
    EXPECT_NE(px[1], px[2]);
    EXPECT_NE(px[2], px[3]);
    EXPECT_EQ(map_lines_per_row(MapFormat::asg6), 12);
    EXPECT_EQ(map_lines_per_row(MapFormat::irgb), 1);
}

}  // namespace
}  // namespace trivo

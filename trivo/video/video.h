// The video display generator: an MC6847-style chip wired the APF way.
//
// What the machine shows:
// - a 32 x 16 text screen at $0200-$03FF, each character cell 8 pixels wide
//   and 12 lines high, glyphs from the 64-glyph character ROM; codes
//   0x00-0x3F draw inverse, 0x40-0x7F normal, and the colour-set bit of the
//   mode byte switches only the normal codes to colour set 1;
// - semigraphics-4 for codes 0x80-0xFF on the text screen: a 2 x 2 block
//   pattern (low nibble) in one of eight colours (bits 6-4) on black;
// - tile graphics, 4-colour or 2-colour: the tile map at $0000-$017F (12 rows
//   of 32 tiles) picks for each 8-pixel cell one of 32 patterns of 16 bytes
//   at $0200-$03FF, and bit 6 of the tile picks the colour set.
// The mode may change anywhere in the frame; it takes effect at the cell the
// beam is drawing (the frame scheduler logs the changes, video_mode_map_build
// turns the log into one mode byte per cell).
//
// The picture is 280 x 216 palette indices: the 256 x 192 active area inside
// a 12-pixel border on each side. Rendering only copies prerendered 8-pixel
// rows out of tables built by video_build_tables; nothing is decoded per
// pixel and nothing is allocated per frame.
//
// Not emulated: the chip modes the machine's wiring cannot select, and any
// analogue effect of the television beyond the artifact-colour rule of
// 2-colour graphics.
//
// Sources: the chip's data sheet for the mode lines and the semigraphics-4
// blocks; the machine's wiring of those lines to PIA1 (machine/io.cpp); and
// the row-counter behaviour at mode changes that programs mixing text and
// graphics on one screen depend on.
#pragma once

#include <array>
#include <cstdint>

#include "machine/settings.h"

namespace trivo {

struct Machine;

// Picture geometry.
inline constexpr int frame_width = 280;
inline constexpr int frame_height = 216;
inline constexpr int frame_border = 12;  // border pixels on each side
inline constexpr int active_width = 256;
inline constexpr int active_height = 192;
inline constexpr int cells_per_line = 32;
inline constexpr int cell_pixels = 8;
inline constexpr int glyph_lines = 12;  // lines of a text row

// The two windows of memory_image the display reads.
inline constexpr uint16_t text_screen_base = 0x0200;  // text screen and graphics patterns
inline constexpr uint16_t tile_map_base = 0x0000;

// Character ROMs: 64 glyphs of 12 rows for the text screen; the external ROM
// holds 256 glyphs of 16 rows (rows 0-11 drawn) for the memory viewer. In
// both, bit 7 of a row is its leftmost pixel.
inline constexpr int char_rom_size = 768;
inline constexpr int char_rom_ext_size = 4096;
inline constexpr int char_rom_ext_stride = 16;

// What char_rom_ext holds when no external character ROM is loaded: every
// drawn row of glyph c is the byte c (so each glyph shows its own code in
// binary), rows 12-15 are 0.
inline constexpr std::array<uint8_t, char_rom_ext_size> char_rom_ext_test_pattern = [] {
    std::array<uint8_t, char_rom_ext_size> rom{};
    for (int c = 0; c < 256; ++c) {
        for (int row = 0; row < glyph_lines; ++row) {
            rom[c * char_rom_ext_stride + row] = static_cast<uint8_t>(c);
        }
    }
    return rom;
}();

// Semigraphics-4 block patterns: bit 3 of the pattern lights the top-left
// quadrant, bit 2 the top-right, bit 1 the bottom-left, bit 0 the
// bottom-right; the top half is rows 0-5, the left half pixels 0-3.
inline constexpr std::array<std::array<uint8_t, glyph_lines>, 16> sg4_patterns = [] {
    std::array<std::array<uint8_t, glyph_lines>, 16> patterns{};
    for (int p = 0; p < 16; ++p) {
        const uint8_t top = static_cast<uint8_t>((p & 8 ? 0xF0 : 0) | (p & 4 ? 0x0F : 0));
        const uint8_t bottom = static_cast<uint8_t>((p & 2 ? 0xF0 : 0) | (p & 1 ? 0x0F : 0));
        for (int row = 0; row < glyph_lines; ++row) patterns[p][row] = row < 6 ? top : bottom;
    }
    return patterns;
}();

// Eight palette indices: one cell's pixels on one line, leftmost first.
using CellPixels = std::array<uint8_t, cell_pixels>;
// [colour set][code][glyph line]
using GlyphTable = std::array<std::array<std::array<CellPixels, glyph_lines>, 256>, 2>;
// [colour set][pattern byte]
using GraphicsTable = std::array<std::array<CellPixels, 256>, 2>;

// The prerendered tables, rebuilt by video_build_tables.
struct VideoTables {
    // The text screen: glyphs of char_rom for codes 0x00-0x7F,
    // semigraphics-4 for 0x80-0xFF.
    GlyphTable alpha_glyphs{};
    // The memory viewer's: glyphs of char_rom_ext for 0x00-0x7F,
    // semigraphics-6 for 0x80-0xFF. The main picture never uses it.
    GlyphTable alt_glyphs{};
    // 4-colour graphics: four pixel pairs from bit pairs 7-6 ... 1-0.
    GraphicsTable graph4_pixels{};
    // 2-colour graphics: eight pixels from bits 7 ... 0.
    GraphicsTable graph2_pixels{};
    // 2-colour graphics with artifact colouring: colour set 1 draws in the
    // artifact black and buff that the artifact pass looks for.
    GraphicsTable graph2_artifact_pixels{};
    // False until the first build; rendering does nothing before it.
    bool built = false;
};

// The picture: rows top to bottom, 280 palette indices a row, active pixel
// (x, y) at row 12 + y, column 12 + x.
using FramePixels = std::array<uint8_t, frame_width * frame_height>;

// Palette index of the border for a mode byte: the alphanumeric border is
// always entry 4 (entry 5 never reaches the picture); in graphics, bit 0 is
// the colour set of the cell (put there by the renderer), giving entries 0-1
// for 2-colour and 2-3 for 4-colour graphics.
inline constexpr uint8_t video_border_index(uint8_t mode) {
    if ((mode & 0x80) == 0) return 4;
    if (mode & 0x40) return static_cast<uint8_t>(mode & 1);
    return static_cast<uint8_t>(2 + (mode & 1));
}

// Regenerates every prerendered table from char_rom, char_rom_ext and the
// colour rules, and takes the settings' palette as the picture's colour table
// (video_palette). Call after the palette or a character ROM changes.
void video_build_tables(Machine& m);

// Composes the whole of frame_pixels from memory_image and the frame's mode
// log. Does nothing before the tables have been built.
void video_render_frame(Machine& m);

}  // namespace trivo

#include "video/video.h"

#include <cstring>

#include "machine/machine.h"
#include "machine/scheduler.h"

namespace trivo {

namespace {

// Palette entries the tables draw with (the Colors dialog's swatches).
constexpr uint8_t inverse_text_0[2] = {8, 21};  // codes 0x00-0x3F, per colour set
constexpr uint8_t inverse_text_1[2] = {9, 22};
constexpr uint8_t text_0[2] = {6, 19};          // codes 0x40-0x7F
constexpr uint8_t text_1[2] = {7, 20};
constexpr uint8_t semigraphics_black[2] = {10, 23};
constexpr uint8_t semigraphics_green[2] = {11, 24};  // first of the eight colours
constexpr uint8_t semigraphics6_blue[2] = {13, 30};  // blue, red of set 0; magenta, orange of set 1
constexpr uint8_t graph4_first[2] = {33, 37};        // green.. of set 0, buff.. of set 1
constexpr uint8_t graph2_dark[2] = {41, 43};
constexpr uint8_t graph2_lit[2] = {42, 44};
constexpr uint8_t artifact_black = 45;
constexpr uint8_t artifact_buff = 46;
constexpr uint8_t artifact_green = 47;  // the dark pixel sits at an odd x
constexpr uint8_t artifact_red = 48;    // the dark pixel sits at an even x

// Eight pixels from a row byte, bit 7 leftmost.
CellPixels expand_row(uint8_t row, uint8_t zero, uint8_t one) {
    CellPixels pixels{};
    for (int i = 0; i < cell_pixels; ++i) pixels[i] = (row & (0x80 >> i)) ? one : zero;
    return pixels;
}

// Semigraphics-6 row: bits 5-4 light the left and right 4-pixel blocks of
// rows 0-3, bits 3-2 those of rows 4-7, bits 1-0 those of rows 8-11.
uint8_t sg6_row(uint8_t code, int line) {
    const int shift = 4 - 2 * (line / 4);
    return static_cast<uint8_t>(((code >> (shift + 1)) & 1 ? 0xF0 : 0) |
                                ((code >> shift) & 1 ? 0x0F : 0));
}

// Colours of the text codes 0x00-0x7F, shared by both glyph tables.
void text_colours(int set, int code, uint8_t& zero, uint8_t& one) {
    if (code < 0x40) {
        zero = inverse_text_0[set];
        one = inverse_text_1[set];
    } else {
        zero = text_0[set];
        one = text_1[set];
    }
}

// Writes one line's left and right border.
void fill_side_borders(uint8_t* row, uint8_t index) {
    std::memset(row, index, frame_border);
    std::memset(row + frame_border + active_width, index, frame_border);
}

// Artifact colouring of one line of 2-colour graphics in colour set 1. On a
// real television the lit-dark-lit run of one dark pixel falls on the colour
// subcarrier and turns into a colour whose hue depends on the pixel's phase:
// the pair (dark pixel and the lit one before it) becomes red at even x and
// green at odd x. The walk works in place, so a pair coloured at one step is
// what the next step sees; x - 1 of pixel 0 and x + 1 of pixel 255 are border
// pixels, which are never artifact buff.
void artifact_line(uint8_t* active) {
    for (int x = 0; x < active_width; ++x) {
        if (active[x] == artifact_black && active[x - 1] == artifact_buff &&
            active[x + 1] == artifact_buff) {
            const uint8_t colour = (x & 1) ? artifact_green : artifact_red;
            active[x - 1] = colour;
            active[x] = colour;
        }
    }
}

}  // namespace

void video_build_tables(Machine& m) {
    VideoTables& t = m.video_tables;
    // The frame's colour table is the palette as it stands now; the
    // picture keeps its pixels until the next render.
    m.video_palette = m.settings.video_palette;

    for (int set = 0; set < 2; ++set) {
        for (int code = 0; code < 256; ++code) {
            for (int line = 0; line < glyph_lines; ++line) {
                uint8_t zero = 0, one = 0;
                uint8_t alpha_row = 0, alt_row = 0;
                uint8_t alt_zero = 0, alt_one = 0;
                if (code < 0x80) {
                    text_colours(set, code, zero, one);
                    alt_zero = zero;
                    alt_one = one;
                    alpha_row = m.char_rom[(code & 0x3F) * glyph_lines + line];
                    alt_row = m.char_rom_ext[code * char_rom_ext_stride + line];
                } else {
                    zero = semigraphics_black[set];
                    one = static_cast<uint8_t>(semigraphics_green[set] + ((code >> 4) & 7));
                    alpha_row = sg4_patterns[code & 0x0F][line];
                    alt_zero = semigraphics_black[set];
                    alt_one = static_cast<uint8_t>(semigraphics6_blue[set] + ((code >> 6) & 1));
                    alt_row = sg6_row(static_cast<uint8_t>(code), line);
                }
                t.alpha_glyphs[set][code][line] = expand_row(alpha_row, zero, one);
                t.alt_glyphs[set][code][line] = expand_row(alt_row, alt_zero, alt_one);
            }
        }
        for (int byte = 0; byte < 256; ++byte) {
            CellPixels four{};
            for (int pair = 0; pair < 4; ++pair) {
                const int v = (byte >> (6 - 2 * pair)) & 3;
                four[2 * pair] = four[2 * pair + 1] = static_cast<uint8_t>(graph4_first[set] + v);
            }
            t.graph4_pixels[set][byte] = four;
            const auto b = static_cast<uint8_t>(byte);
            t.graph2_pixels[set][byte] = expand_row(b, graph2_dark[set], graph2_lit[set]);
            t.graph2_artifact_pixels[set][byte] =
                set == 0 ? t.graph2_pixels[0][byte] : expand_row(b, artifact_black, artifact_buff);
        }
    }
    t.built = true;
}

// The picture is composed line by line from the mode map. Two counters say
// which memory a line shows: R, the row counter, and D, the line within a
// 12-line text row. Text lines step D and, after 12 lines, R; graphics lines
// step R every line, so a full graphics frame takes R = 0-191, the pattern
// line being R AND 15 and the tile row R >> 4. Where the mode changes between
// lines the counters carry over as the chip's would, which is what programs
// mixing text and graphics on one screen rely on.
void video_render_frame(Machine& m) {
    const VideoTables& t = m.video_tables;
    if (!t.built) return;

    // The map is rebuilt every time: the pass below writes colour sets into it.
    video_mode_map_build(m);
    const uint8_t* memory = m.memory_image.data();
    uint8_t* map = m.video_mode_map.data();
    const bool artifacts = m.settings.useartifact != 0;

    int row = 0;          // R
    int line_in_row = 0;  // D
    bool previous_graphics = false;
    for (int line = 0; line < active_height; ++line) {
        uint8_t* modes = map + line * cells_per_line;
        // A line starting in graphics part-way through a text row starts a
        // new row; a line starting in text after a graphics line takes back
        // the step that graphics line made.
        if (modes[0] & 0x80) {
            if (line_in_row != 0) {
                ++row;
                line_in_row = 0;
            }
        } else if (line > 0 && previous_graphics) {
            --row;
        }

        uint8_t* out = m.frame_pixels.data() + (frame_border + line) * frame_width;
        uint8_t* active = out + frame_border;
        bool two_colour = false;
        const uint8_t* tiles = memory + tile_map_base + (row >> 4) * cells_per_line;
        const uint8_t* patterns = memory + text_screen_base + (row & 15);
        const uint8_t* text = memory + text_screen_base + (row & 15) * cells_per_line;
        for (int cell = 0; cell < cells_per_line; ++cell) {
            const uint8_t mode = modes[cell];
            const CellPixels* pixels;
            if (mode & 0x80) {
                const uint8_t tile = tiles[cell];
                const int set = (tile >> 6) & 1;
                modes[cell] = static_cast<uint8_t>(mode | set);
                const uint8_t pattern = patterns[(tile & 0x1F) * 16];
                if (mode & 0x40) {
                    two_colour = true;
                    pixels = artifacts ? &t.graph2_artifact_pixels[set][pattern]
                                       : &t.graph2_pixels[set][pattern];
                } else {
                    pixels = &t.graph4_pixels[set][pattern];
                }
            } else {
                const uint8_t code = text[cell];
                // The colour-set bit affects only the normal text codes.
                const int set = ((mode & 0x08) && (code & 0xC0) == 0x40) ? 1 : 0;
                pixels = &t.alpha_glyphs[set][code][line_in_row];
            }
            std::memcpy(active + cell * cell_pixels, pixels->data(), cell_pixels);
        }
        fill_side_borders(out, video_border_index(modes[cells_per_line - 1]));
        if (artifacts && two_colour) artifact_line(active);

        // Whether the line counts as text or graphics is read from its
        // second-to-last cell.
        previous_graphics = (modes[cells_per_line - 2] & 0x80) != 0;
        if (previous_graphics) {
            ++row;
        } else if (++line_in_row > glyph_lines - 1) {
            line_in_row = 0;
            ++row;
        }
    }

    const uint8_t edge = video_border_index(map[(active_height - 1) * cells_per_line + 31]);
    std::memset(m.frame_pixels.data(), edge, frame_border * frame_width);
    std::memset(m.frame_pixels.data() + (frame_border + active_height) * frame_width, edge,
                frame_border * frame_width);
}

}  // namespace trivo

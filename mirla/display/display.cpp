// Drawing of the APF screen and the boards' LEDs into the window image.
//
// APF: 32 x 16 character cells of 8 x 12 pixels from 0200-03FF. A cell is 3
// empty lines, the glyph's 7 rows, 2 empty lines. Codes 00-3F: green on dark
// green; 40-7F: the same glyphs dark green on green, or black on orange while
// PIA1 register 1 bit 3 is set; 80-FF: semigraphics, lit blocks in a colour,
// unlit black. In graphics mode the lines from the split line down come from
// 0000-017F instead: 12 rows of 16 lines, 32 bytes a row, each byte one
// 8-pixel pattern line repeated down its 16 lines.
//
// Our graphics patterns: byte bits 3-0 light four 2-pixel blocks (bit 3
// leftmost); the lit colour is palette entry 1 + (colour set << 2 | bits 5-4),
// the colour set being PIA1 register 2 bit 6; unlit pixels are black.
//
// Boards: LEDs and segments are filled polygons; see display.h for where
// they sit.
#include "display/display.h"

#include "firmware/char_rom_image.h"

namespace mirla {

namespace {

constexpr common::Rgb apf_colours[10] = {
    {0, 0, 0},     {0, 255, 0},   {255, 255, 0}, {0, 63, 255},   {255, 31, 31},
    {255, 255, 223}, {0, 255, 255}, {255, 0, 255}, {240, 192, 0}, {0, 80, 0},
};
constexpr common::Rgb board_colours[4] = {
    {24, 24, 24}, {64, 24, 24}, {255, 32, 32}, {224, 224, 224},
};

constexpr uint8_t green = 1, dark_green = 9, black = 0, orange = 8, yellow = 2;

struct Point {
    int x, y;
};

// Fills a convex polygon (points in order, either direction): a pixel is in
// when its centre is on the inner side of every edge.
template <size_t n>
void fill_polygon(DisplayState& d, const Point (&p)[n], uint8_t colour) {
    int x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (const Point& q : p) {
        x0 = q.x < x0 ? q.x : x0;
        x1 = q.x > x1 ? q.x : x1;
        y0 = q.y < y0 ? q.y : y0;
        y1 = q.y > y1 ? q.y : y1;
    }
    // Twice the signed area tells the winding.
    long area = 0;
    for (size_t i = 0; i < n; ++i) {
        const Point& a = p[i];
        const Point& b = p[(i + 1) % n];
        area += static_cast<long>(a.x) * b.y - static_cast<long>(b.x) * a.y;
    }
    const int sign = area >= 0 ? 1 : -1;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            bool inside = true;
            for (size_t i = 0; i < n && inside; ++i) {
                const Point& a = p[i];
                const Point& b = p[(i + 1) % n];
                // Cross product with the pixel centre (x + 0.5, y + 0.5), doubled.
                const long cross = static_cast<long>(b.x - a.x) * (2 * y + 1 - 2 * a.y) -
                                   static_cast<long>(b.y - a.y) * (2 * x + 1 - 2 * a.x);
                inside = cross * sign >= 0;
            }
            if (inside && x >= 0 && x < d.width && y >= 0 && y < d.height) {
                d.pixels[y * image_max_width + x] = colour;
            }
        }
    }
}

uint8_t lit_colour(const DisplayState& d) { return d.colour ? led_lit_red : led_lit_grey; }

// ---- boards ----

void draw_matrix_led(DisplayState& d, int index, bool lit) {
    const int ox = 4 + 16 * (index % 8);
    const int oy = 4 + 16 * (index / 8);
    const Point octagon[] = {{ox + 4, oy + 1},  {ox + 11, oy + 1}, {ox + 14, oy + 4},
                             {ox + 14, oy + 11}, {ox + 11, oy + 14}, {ox + 4, oy + 14},
                             {ox + 1, oy + 11}, {ox + 1, oy + 4}};
    fill_polygon(d, octagon, lit ? lit_colour(d) : led_unlit);
}

// Segment `bit` of the digit in cell `position` (from the left).
void draw_segment(DisplayState& d, int position, int bit, bool lit) {
    const int ox = 4 + 31 * position;
    const int oy = 4;
    const uint8_t colour = lit ? lit_colour(d) : led_unlit;
    constexpr int left = 6, right = 22, top = 6, middle = 24, bottom = 42;
    // Horizontal segments span x left+3 .. right-2 and y-2 .. y+3; vertical
    // ones x-2 .. x+3 and y0+3 .. y1-2, so neighbours meet without overlapping.
    auto horizontal = [&](int y) {
        const Point hexagon[] = {{ox + left + 3, oy + y},      {ox + left + 5, oy + y - 2},
                                 {ox + right - 4, oy + y - 2}, {ox + right - 2, oy + y},
                                 {ox + right - 4, oy + y + 3}, {ox + left + 5, oy + y + 3}};
        fill_polygon(d, hexagon, colour);
    };
    auto vertical = [&](int x, int y0, int y1) {
        const Point hexagon[] = {{ox + x, oy + y0 + 3},     {ox + x + 3, oy + y0 + 5},
                                 {ox + x + 3, oy + y1 - 4}, {ox + x, oy + y1 - 2},
                                 {ox + x - 2, oy + y1 - 4}, {ox + x - 2, oy + y0 + 5}};
        fill_polygon(d, hexagon, colour);
    };
    switch (bit) {
        case 0: horizontal(top); break;
        case 1: vertical(right, top, middle); break;
        case 2: vertical(right, middle, bottom); break;
        case 3: horizontal(bottom); break;
        case 4: vertical(left, middle, bottom); break;
        case 5: vertical(left, top, middle); break;
        case 6: horizontal(middle); break;
        default: {
            const Point square[] = {{ox + 26, oy + 42}, {ox + 29, oy + 42}, {ox + 29, oy + 45}, {ox + 26, oy + 45}};
            fill_polygon(d, square, colour);
            break;
        }
    }
}

// Which cell from the left a digit occupies.
int digit_position(MachineKind kind, int digit) { return kind == MachineKind::qlumen2 ? 15 - digit : digit; }

void draw_board_segment(Machine& m, int segment) {
    DisplayState& d = m.display;
    switch (m.kind) {
        case MachineKind::vendel1: draw_matrix_led(d, segment, m.vendel.led_count[segment] != 0); break;
        case MachineKind::qlumen1:
            draw_segment(d, digit_position(m.kind, segment / 8), segment % 8, m.qlumen1.segment_count[segment] != 0);
            break;
        case MachineKind::qlumen2:
            draw_segment(d, digit_position(m.kind, segment / 8), segment % 8, m.qlumen2.segment_state[segment] != 0);
            break;
        case MachineKind::apf: break;
    }
}

int board_segments(MachineKind kind) {
    switch (kind) {
        case MachineKind::vendel1: return 64;
        case MachineKind::qlumen1: return 80;
        case MachineKind::qlumen2: return 128;
        case MachineKind::apf: break;
    }
    return 0;
}

// ---- APF ----

void draw_text_line(Machine& m, int row, int line, uint8_t* out) {
    const DisplayState& d = m.display;
    const uint8_t* codes = &m.memory_image[0x200 + 32 * row];
    for (int col = 0; col < 32; ++col, out += 8) {
        const uint8_t code = codes[col];
        if (code < 0x80) {
            const uint8_t bits = (line >= 3 && line <= 9) ? d.glyphs[(code & 0x3F) * 7 + line - 3] : 0;
            uint8_t fg = green, bg = dark_green;
            if (code >= 0x40) {
                fg = m.apf.alternate_glyphs ? black : dark_green;
                bg = m.apf.alternate_glyphs ? orange : green;
            }
            for (int i = 0; i < 8; ++i) out[i] = (bits & (0x80 >> i)) ? fg : bg;
            continue;
        }
        bool left_lit, right_lit;
        uint8_t colour;
        if (d.semigraphics == Semigraphics::semi4) {
            const int block_row = line / 6;
            left_lit = code & (block_row == 0 ? 0x08 : 0x02);
            right_lit = code & (block_row == 0 ? 0x04 : 0x01);
            colour = static_cast<uint8_t>(((code >> 4) & 7) + 1);
        } else {
            const int block_row = line / 4;
            left_lit = code & (0x20 >> (2 * block_row));
            right_lit = code & (0x10 >> (2 * block_row));
            colour = (code & 0x40) ? green : yellow;
        }
        for (int i = 0; i < 4; ++i) out[i] = left_lit ? colour : black;
        for (int i = 4; i < 8; ++i) out[i] = right_lit ? colour : black;
    }
}

void draw_graphics_line(Machine& m, int y, uint8_t* out) {
    const uint8_t* bytes = &m.memory_image[32 * (y / 16)];
    const uint8_t* patterns = &m.display.graphics_patterns[m.apf.colour_set ? 64 * 8 : 0];
    for (int col = 0; col < 32; ++col, out += 8) {
        const uint8_t* p = &patterns[(bytes[col] & 0x3F) * 8];
        for (int i = 0; i < 8; ++i) out[i] = p[i];
    }
}

}  // namespace

std::array<common::Rgb, palette_size> display_palette(bool colour) {
    std::array<common::Rgb, palette_size> p{};
    for (int i = 0; i < 10; ++i) {
        const common::Rgb c = apf_colours[i];
        if (colour) {
            p[i] = c;
        } else {
            const int sum = 77 * c.red + 150 * c.green + 28 * c.blue;
            const auto grey = static_cast<uint8_t>((sum * 2 + 255) / 510);
            p[i] = {grey, grey, grey};
        }
    }
    for (int i = 0; i < 4; ++i) p[10 + i] = board_colours[i];
    return p;
}

void display_build_tables(Machine& m) {
    DisplayState& d = m.display;
    // The character ROM draws each glyph in 12 rows with the letter in rows
    // 2-8; the screen's cells take those seven.
    for (int c = 0; c < 64; ++c)
        for (int r = 0; r < 7; ++r) d.glyphs[c * 7 + r] = trivo::firmware::char_rom_image[c * 12 + 2 + r];
    for (int set = 0; set < 2; ++set) {
        for (int v = 0; v < 64; ++v) {
            const auto colour = static_cast<uint8_t>(1 + (set << 2 | v >> 4));
            for (int i = 0; i < 8; ++i) {
                const bool lit = v & (0x08 >> (i / 2));
                d.graphics_patterns[(set * 64 + v) * 8 + i] = lit ? colour : black;
            }
        }
    }
}

void display_setup(Machine& m) {
    DisplayState& d = m.display;
    switch (m.kind) {
        case MachineKind::apf: d.width = 256; d.height = 192; break;
        case MachineKind::vendel1: d.width = 136; d.height = 136; break;
        case MachineKind::qlumen1: d.width = 318; d.height = 56; break;
        case MachineKind::qlumen2: d.width = 504; d.height = 56; break;
    }
    d.pixels.fill(m.kind == MachineKind::apf ? black : board_background);
    display_redraw_all(m);
}

void display_redraw_all(Machine& m) {
    DisplayState& d = m.display;
    d.row_dirty.fill(true);
    d.graphics_dirty.fill(true);
    const int n = board_segments(m.kind);
    for (int s = 0; s < n; ++s) draw_board_segment(m, s);
    d.image_changed = true;
}

void display_draw_row(Machine& m, int row) noexcept {
    DisplayState& d = m.display;
    const int first = 12 * row;
    const int last = first + 11;
    const bool graphics = m.apf.graphics_mode && last >= m.apf.split_line;
    const bool dirty =
        d.row_dirty[row] || (graphics && (d.graphics_dirty[first / 16] || d.graphics_dirty[last / 16]));
    // A graphics row's marks go once the character row holding its last line
    // has been drawn.
    for (int g = first / 16; g <= last / 16; ++g)
        if (16 * g + 15 <= last) d.graphics_dirty[g] = false;
    if (!dirty) return;
    d.row_dirty[row] = false;
    for (int y = first; y <= last; ++y) {
        uint8_t* out = &d.pixels[y * image_max_width];
        if (m.apf.graphics_mode && y >= m.apf.split_line) {
            draw_graphics_line(m, y, out);
        } else {
            draw_text_line(m, row, y - first, out);
        }
    }
    d.image_changed = true;
}

void display_frame_end(Machine& m) noexcept {
    ApfIo& io = m.apf;
    if (io.split_hold > 0 && --io.split_hold == 0 && io.split_line != 0) {
        io.split_line = 0;
        if (io.graphics_mode) m.display.row_dirty.fill(true);
    }
}

void display_refresh_leds(Machine& m) noexcept {
    switch (m.kind) {
        case MachineKind::vendel1: {
            VendelIo& v = m.vendel;
            for (int led = 0; led < 64; ++led) {
                uint8_t& count = v.led_count[led];
                if (v.row_lines[led / 8] == 0 && v.column_lines[led % 8] == 1) {
                    count = 160;
                } else if (count > 0) {
                    --count;
                }
            }
            draw_board_segment(m, v.redraw_cursor);
            v.redraw_cursor = static_cast<uint8_t>((v.redraw_cursor + 1) % 64);
            break;
        }
        case MachineKind::qlumen1: {
            QLumen1Io& q = m.qlumen1;
            const int selected = q.row_counter < 10 ? q.row_counter : -1;
            for (int s = 0; s < 80; ++s) {
                uint8_t& count = q.segment_count[s];
                if (s / 8 == selected && !(q.digit_latch[selected] & (1 << (s % 8)))) {
                    count = 200;
                } else if (count > 0) {
                    --count;
                }
            }
            draw_board_segment(m, q.redraw_cursor);
            q.redraw_cursor = static_cast<uint8_t>((q.redraw_cursor + 1) % 80);
            break;
        }
        case MachineKind::qlumen2: {
            QLumen2Io& q = m.qlumen2;
            for (int i = 0; i < 8; ++i) {
                const int s = q.redraw_cursor;
                q.segment_state[s] = (q.digit_pattern[s / 8] >> (s % 8)) & 1;
                draw_board_segment(m, s);
                q.redraw_cursor = static_cast<uint8_t>((s + 1) % 128);
            }
            break;
        }
        case MachineKind::apf: return;
    }
    m.display.image_changed = true;
}

void display_set_colour(Machine& m, bool colour) {
    m.display.colour = colour;
    if (m.kind != MachineKind::apf) display_redraw_all(m);
    m.display.image_changed = true;
}

void display_set_semigraphics(Machine& m, Semigraphics mode) {
    m.display.semigraphics = mode;
    m.display.row_dirty.fill(true);
}

}  // namespace mirla

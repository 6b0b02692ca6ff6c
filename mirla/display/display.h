// The window image of mirla: the APF screen drawn row by row from screen RAM,
// and the LED displays of the three trainer boards.
//
// The image holds palette indices: 0-9 the APF's colours, 10-13 the boards'
// (background, unlit LED, lit red, lit light grey).
//
// Board layouts (pixels, image origin top left):
// - "Vendel-I": 136 x 136; LED (row r, column c) in the 16 x 16 cell at
//   (4 + 16c, 4 + 16r), an octagon around (cell + 7, cell + 7).
// - "Q.Lumen I": 318 x 56, digits 0-9 from left to right; "Q.Lumen II":
//   504 x 56, digits 15-0 from left to right. Digit cell k (from the left)
//   is 31 pixels wide at (4 + 31k, 4); segment bit 0 a (top), 1 b (top
//   right), 2 c (bottom right), 3 d (bottom), 4 e (bottom left), 5 f (top
//   left), 6 g (middle), 7 the decimal point. Segment centres, from the
//   cell's corner: a (14, 6), b (22, 15), c (22, 33), d (14, 42), e (6, 33),
//   f (6, 15), g (14, 24), point (27, 43).
#pragma once

#include <array>
#include <cstdint>

#include "common/rgb.h"
#include "machine/machine.h"

namespace mirla {

inline constexpr int palette_size = 14;
inline constexpr uint8_t board_background = 10;
inline constexpr uint8_t led_unlit = 11;
inline constexpr uint8_t led_lit_red = 12;
inline constexpr uint8_t led_lit_grey = 13;

// The colour or the grey palette (the grey one gives each APF entry the
// level (77 red + 150 green + 28 blue) / 255, rounded).
std::array<common::Rgb, palette_size> display_palette(bool colour);

// The glyph table (our character ROM's rows 2-8) and the graphics patterns.
void display_build_tables(Machine& m);

// Sizes and clears the image for the machine and marks everything for
// drawing.
void display_setup(Machine& m);

// Marks every APF row for redrawing and, on a board, redraws every LED.
void display_redraw_all(Machine& m);

// APF: draws character row 0-15 when it or the graphics under it changed.
void display_draw_row(Machine& m, int row) noexcept;

// APF, at each frame end: counts down the graphics split's hold.
void display_frame_end(Machine& m) noexcept;

// Boards: one refresh of the LED display ("Vendel-I" and "Q.Lumen I" in
// slices 3-18, "Q.Lumen II" every slice).
void display_refresh_leds(Machine& m) noexcept;

// "Color": colour or grey palette, red or grey LEDs.
void display_set_colour(Machine& m, bool colour);

// "Semi 4" / "Semi 6".
void display_set_semigraphics(Machine& m, Semigraphics mode);

}  // namespace mirla

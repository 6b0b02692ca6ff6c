// What the Memory and Map/Level windows show, as pure functions over the
// machine: the Memory window's rows and its byte editor (edits are committed
// through the processor's bus, so a write to a device register acts as the
// program's own write would), and the Map/Level window's rows in its eight
// formats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "machine/settings.h"

namespace trivo {

struct Machine;

// ------------------------------------------------------------ memory window

inline constexpr int memory_rows = 4096;  // 16 bytes each
// Per-byte edit flags.
inline constexpr uint8_t edit_cursor_high = 1;  // the cursor is on the high digit
inline constexpr uint8_t edit_cursor_low = 2;   // the cursor is on the low digit
inline constexpr uint8_t edit_changed = 4;      // typed over, not yet committed

struct MemoryView {
    std::vector<uint8_t> copy = std::vector<uint8_t>(0x10000);  // what the rows show
    std::vector<uint8_t> edit = std::vector<uint8_t>(0x10000);  // edit flags per byte
    int32_t cursor = -1;  // address of the cursor byte, -1 when none
};

// Rereads every byte that is not being edited: one io_snapshot, then
// bus_peek (RAM and ROM directly, device registers from the snapshot).
void memory_view_reload(Machine& m, MemoryView& view);
// The same for one row, as it is drawn (after the refresh's snapshot).
void memory_view_reload_row(const Machine& m, MemoryView& view, int row);

// "%04x:", 16 cells "%02x " and two blanks, then the 16 bytes as characters
// (32-126 as themselves, others ".").
std::string memory_row_text(const MemoryView& view, int row);
// True when the row's first address is plain RAM (readable and writable):
// the light grey background; others mid grey.
bool memory_row_is_ram(const Machine& m, int row);

// Double-click: the cursor on the high digit of `address`.
void memory_view_place_cursor(MemoryView& view, uint16_t address);
enum class CursorMove { left, right, up, down };
// Left and Right by one digit, Up and Down by 16 bytes; never past the
// first or the last byte.
void memory_view_move(MemoryView& view, CursorMove move);
// Types a hexadecimal digit (either case) over the digit under the cursor,
// marks the byte edited and moves on (after the low digit to the next
// byte's high digit, stopping at FFFF). False for any other character or
// without a cursor.
bool memory_view_type(MemoryView& view, char digit);
// Writes every edited byte through the bus, then cancels.
void memory_view_commit(Machine& m, MemoryView& view);
// Clears every edit mark and the cursor and reloads the copy.
void memory_view_cancel(Machine& m, MemoryView& view);

// --------------------------------------------------------- map/level window

enum class MapFormat { hex, ascii, mono, parrot, baboon, asg4, asg6, irgb };

struct MapSettings {
    uint16_t base = 0xA000;
    int width = 32;  // bytes per row, 1-65536
    uint16_t x_offset = 0;
    int magnify = 1;  // 1-16
    MapFormat format = MapFormat::hex;
};

inline constexpr int map_rows = 1000;

// Reads the window's fields: an unparsable base or offset counts as 0, a
// width of 0 or an unparsable one as 1, the magnification is kept within
// 1-16 (unparsable: 1).
MapSettings map_parse_fields(std::string_view base, std::string_view width,
                             std::string_view x_offset, std::string_view magnify, MapFormat format);

// First address of row n: base + XOffset + Width * n, wrapping at 64K.
uint16_t map_row_address(const MapSettings& s, int row);
// "%04x: ", shown when the row is tall enough for text.
std::string map_row_label(uint16_t address);
// Hex: "%02x"; ASCII: the character (32-126) or ".". Empty for the pixel
// formats.
std::string map_cell_text(MapFormat format, uint8_t byte);
// Text cells at odd addresses have the darker background (D8,D8,D8).
inline bool map_cell_darker(uint16_t address) { return (address & 1) != 0; }

// Pixel formats: pixels per byte across (8, 4 or 2) and pixel lines per row
// (12 for the semigraphics sets, 1 for the others), before magnification.
// 0 for the text formats.
int map_pixels_per_byte(MapFormat format);
int map_lines_per_row(MapFormat format);
// The colours of byte `byte`'s pixels on pixel line `line`, leftmost first,
// as 0xRRGGBB: Mono one bit a pixel (the video generator's 2-colour graphics),
// Parrot and Baboon two bits a pixel (4-colour graphics, first and second
// colour set), ASG4/ASG6 the semigraphics glyph of the byte, iRGB four bits a
// pixel, high nibble first, in the intensity-RGB palette. Returns the count.
int map_byte_pixels(const Machine& m, MapFormat format, uint8_t byte, int line, uint32_t* out);

// The 16-colour intensity-RGB palette: bit 3 intensity, bits 2-0 red, green,
// blue.
uint32_t irgb_colour(uint8_t nibble);

}  // namespace trivo

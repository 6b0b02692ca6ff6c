#include "debugger/memory_view.h"

#include <algorithm>
#include <cstdio>

#include "cassette/binary_utils.h"
#include "machine/bus.h"
#include "machine/machine.h"
#include "video/video.h"

namespace trivo {

// ------------------------------------------------------------ memory window

void memory_view_reload(Machine& m, MemoryView& view) {
    io_snapshot(m);
    for (uint32_t a = 0; a <= 0xFFFF; ++a) {
        if ((view.edit[a] & edit_changed) == 0) view.copy[a] = bus_peek(m, static_cast<uint16_t>(a));
    }
}

void memory_view_reload_row(const Machine& m, MemoryView& view, int row) {
    if (row < 0 || row >= memory_rows) return;
    for (int i = 0; i < 16; ++i) {
        const auto a = static_cast<uint16_t>(row * 16 + i);
        if ((view.edit[a] & edit_changed) == 0) view.copy[a] = bus_peek(m, a);
    }
}

std::string memory_row_text(const MemoryView& view, int row) {
    if (row < 0 || row >= memory_rows) return {};
    const auto start = static_cast<uint16_t>(row * 16);
    char text[80];
    int n = std::snprintf(text, sizeof text, "%04x:", start);
    for (int i = 0; i < 16; ++i) {
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%02x ",
                           view.copy[static_cast<size_t>(start + i)]);
    }
    text[n++] = ' ';
    text[n++] = ' ';
    for (int i = 0; i < 16; ++i) {
        const uint8_t c = view.copy[static_cast<size_t>(start + i)];
        text[n++] = (c >= 32 && c <= 126) ? static_cast<char>(c) : '.';
    }
    return std::string(text, static_cast<size_t>(n));
}

bool memory_row_is_ram(const Machine& m, int row) {
    const uint32_t attr = m.addr_attr[static_cast<uint16_t>(row * 16)];
    constexpr uint32_t ram = attr_direct | attr_ram;
    return (attr & ram) == ram && ((attr >> attr_write_shift) & ram) == ram;
}

namespace {

constexpr uint8_t cursor_bits = edit_cursor_high | edit_cursor_low;

void set_cursor(MemoryView& view, int32_t address, uint8_t digit) {
    if (view.cursor >= 0) view.edit[static_cast<size_t>(view.cursor)] &= static_cast<uint8_t>(~cursor_bits);
    view.cursor = address;
    view.edit[static_cast<size_t>(address)] |= digit;
}

}  // namespace

void memory_view_place_cursor(MemoryView& view, uint16_t address) {
    set_cursor(view, address, edit_cursor_high);
}

void memory_view_move(MemoryView& view, CursorMove move) {
    if (view.cursor < 0) return;
    const int32_t a = view.cursor;
    const bool high = (view.edit[static_cast<size_t>(a)] & edit_cursor_high) != 0;
    switch (move) {
        case CursorMove::left:
            if (!high) set_cursor(view, a, edit_cursor_high);
            else if (a > 0) set_cursor(view, a - 1, edit_cursor_low);
            break;
        case CursorMove::right:
            if (high) set_cursor(view, a, edit_cursor_low);
            else if (a < 0xFFFF) set_cursor(view, a + 1, edit_cursor_high);
            break;
        case CursorMove::up:
            if (a >= 16) set_cursor(view, a - 16, high ? edit_cursor_high : edit_cursor_low);
            break;
        case CursorMove::down:
            if (a <= 0xFFFF - 16) set_cursor(view, a + 16, high ? edit_cursor_high : edit_cursor_low);
            break;
    }
}

bool memory_view_type(MemoryView& view, char digit) {
    if (view.cursor < 0) return false;
    int value = 0;
    if (digit >= '0' && digit <= '9') value = digit - '0';
    else if (digit >= 'a' && digit <= 'f') value = digit - 'a' + 10;
    else if (digit >= 'A' && digit <= 'F') value = digit - 'A' + 10;
    else return false;
    const auto a = static_cast<size_t>(view.cursor);
    const bool high = (view.edit[a] & edit_cursor_high) != 0;
    uint8_t& byte = view.copy[a];
    byte = high ? static_cast<uint8_t>((byte & 0x0F) | value << 4)
                : static_cast<uint8_t>((byte & 0xF0) | value);
    view.edit[a] |= edit_changed;
    if (high) {
        set_cursor(view, view.cursor, edit_cursor_low);
    } else if (view.cursor < 0xFFFF) {
        set_cursor(view, view.cursor + 1, edit_cursor_high);
    }
    return true;
}

void memory_view_commit(Machine& m, MemoryView& view) {
    for (uint32_t a = 0; a <= 0xFFFF; ++a) {
        if (view.edit[a] & edit_changed) bus_write(m, static_cast<uint16_t>(a), view.copy[a]);
    }
    memory_view_cancel(m, view);
}

void memory_view_cancel(Machine& m, MemoryView& view) {
    std::fill(view.edit.begin(), view.edit.end(), uint8_t{0});
    view.cursor = -1;
    memory_view_reload(m, view);
}

// --------------------------------------------------------- map/level window

MapSettings map_parse_fields(std::string_view base, std::string_view width,
                             std::string_view x_offset, std::string_view magnify, MapFormat format) {
    MapSettings s;
    const ParsedNumber b = parse_number(base);
    s.base = static_cast<uint16_t>(b.value < 0 ? 0 : b.value);
    const ParsedNumber w = parse_number(width);
    s.width = w.value <= 0 ? 1 : w.value;
    const ParsedNumber x = parse_number(x_offset);
    s.x_offset = static_cast<uint16_t>(x.value < 0 ? 0 : x.value);
    const ParsedNumber z = parse_number(magnify);
    s.magnify = z.value < 0 ? 1 : std::clamp(z.value, 1, 16);
    s.format = format;
    return s;
}

uint16_t map_row_address(const MapSettings& s, int row) {
    return static_cast<uint16_t>(s.base + s.x_offset + static_cast<uint32_t>(s.width) * static_cast<uint32_t>(row));
}

std::string map_row_label(uint16_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x: ", address);
    return text;
}

std::string map_cell_text(MapFormat format, uint8_t byte) {
    if (format == MapFormat::hex) {
        char text[4];
        std::snprintf(text, sizeof text, "%02x", byte);
        return text;
    }
    if (format == MapFormat::ascii) {
        return std::string(1, (byte >= 32 && byte <= 126) ? static_cast<char>(byte) : '.');
    }
    return {};
}

int map_pixels_per_byte(MapFormat format) {
    switch (format) {
        case MapFormat::mono:
        case MapFormat::asg4:
        case MapFormat::asg6: return 8;
        case MapFormat::parrot:
        case MapFormat::baboon: return 4;
        case MapFormat::irgb: return 2;
        default: return 0;
    }
}

int map_lines_per_row(MapFormat format) {
    switch (format) {
        case MapFormat::asg4:
        case MapFormat::asg6: return glyph_lines;
        case MapFormat::mono:
        case MapFormat::parrot:
        case MapFormat::baboon:
        case MapFormat::irgb: return 1;
        default: return 0;
    }
}

uint32_t irgb_colour(uint8_t nibble) {
    // Each primary at two thirds, all three raised by a third with the
    // intensity bit; dark yellow is the usual exception, shown as brown.
    const bool bright = (nibble & 8) != 0;
    const uint32_t on = bright ? 0xFF : 0xAA;
    const uint32_t base = bright ? 0x55 : 0x00;
    uint32_t r = (nibble & 4) ? on : base;
    uint32_t g = (nibble & 2) ? on : base;
    const uint32_t b = (nibble & 1) ? on : base;
    if ((nibble & 0x0F) == 6) g = 0x55;
    return r << 16 | g << 8 | b;
}

int map_byte_pixels(const Machine& m, MapFormat format, uint8_t byte, int line, uint32_t* out) {
    const VideoTables& t = m.video_tables;
    auto rgb = [&](uint8_t index) {
        const PaletteEntry& e = m.video_palette[index < palette_entries ? index : 0];
        return static_cast<uint32_t>(e.red) << 16 | static_cast<uint32_t>(e.green) << 8 | e.blue;
    };
    const int count = map_pixels_per_byte(format);
    if (count == 0 || line < 0 || line >= map_lines_per_row(format)) return 0;
    if (format == MapFormat::irgb) {
        out[0] = irgb_colour(static_cast<uint8_t>(byte >> 4));
        out[1] = irgb_colour(static_cast<uint8_t>(byte & 0x0F));
        return 2;
    }
    // The semigraphics glyphs are the text screen's codes 80-FF: bit 7 is
    // what selects them, so a byte below 80 shows as the same code with it set.
    const auto code = static_cast<uint8_t>(byte | 0x80);
    const CellPixels* pixels = nullptr;
    switch (format) {
        case MapFormat::mono: pixels = &t.graph2_pixels[0][byte]; break;
        case MapFormat::parrot: pixels = &t.graph4_pixels[0][byte]; break;
        case MapFormat::baboon: pixels = &t.graph4_pixels[1][byte]; break;
        case MapFormat::asg4: pixels = &t.alpha_glyphs[0][code][static_cast<size_t>(line)]; break;
        case MapFormat::asg6: pixels = &t.alt_glyphs[0][code][static_cast<size_t>(line)]; break;
        default: return 0;
    }
    // The 4-colour tables hold each pixel twice (the screen's pixels are
    // two dots wide); the map shows one dot per pixel.
    const int step = cell_pixels / count;
    for (int i = 0; i < count; ++i) out[i] = rgb((*pixels)[static_cast<size_t>(i * step)]);
    return count;
}

}  // namespace trivo

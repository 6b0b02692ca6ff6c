// Page map and mapped access for the four machines.
//
// Every device bit of the four machines, in one place:
//
// APF Imagination Machine
//   PIA1, pages 20-3F, register = address bits 1-0; every write is also kept
//   at the page base + register, which reads of registers 1 and 2 return.
//     reg 0 read   the keypad column PIA1 register 2 selects (key-matrix bytes
//                  10-13, active low; bits 3-0 first controller, 7-4 second)
//     reg 1 write  bit 3: alternate glyphs (black on orange) for codes 40-7F
//     reg 2 write  bits 3-0: keypad column (7 -> 3, B -> 2, D -> 1, E -> 0,
//                  anything else none); bit 7: graphics mode, its rising edge
//                  sets the split line; bit 6: graphics colour set
//     reg 3 read   the stored byte, bit 7 set in the last 100 cycles of slice
//                  0 (vertical sync)
//     reg 3 write  bit 3: speaker level; bit 0: frame-interrupt request
//   PIA2, pages 60-63 and 67
//     reg 0 read   the keyboard row the row counter selects (bytes 0-7)
//     reg 2 read   bit 7 tape input, bits 6-0 as last written
//     reg 2 write  bits 2-0 row counter, bit 4 motor, bit 5 play (1) or
//                  record (0), bit 6 cassette output level
//     reg 1, 3     read back what was written
//   page 64 serial, 65 disk controller, 66 drive select (devices/)
//
// "Vendel-I", page 00 (a RAM page with I/O offsets)
//   A0-A4 read   key-matrix bytes 0-4 (keypad, bits 3-0, active low)
//   81 write     bit 0: frame-interrupt request
//   90-97 write  bit 0: column line 0-7 of the LED matrix (1 lights)
//   98-9F write  bit 0: row line 7-0 (98 is row 7, 9F row 0; 0 selects)
//
// "Q.Lumen I", page 00 (a RAM page with I/O offsets)
//   80 write     bits 3-0: digit number and keypad row; the digit takes the
//                segment latch
//   80 read      bits 7-4: bits 3-0 of the key-matrix byte of the row;
//                bits 3-0: the stored byte's
//   81 write     bit 0: frame-interrupt request
//   82 write     segment latch (active low)
//
// "Q.Lumen II", pages C0-C7 (registers by address bits 1-0, nothing stored)
//   reg 0 read   keypad: row 0 is the AND of key-matrix bytes 0-7 (a key is
//                down somewhere), rows 1-8 are bytes 0-7; bits 7-6 come from
//                the memory-image byte at C000. Every read steps the row
//                counter, modulo 9.
//   reg 0 write  bit 6 falling: row counter to 0; bit 7 falling: digit
//                counter to 15
//   reg 1 write  bit 0: frame-interrupt request
//   reg 2 write  segment pattern of the current digit (active high), then the
//                digit counter steps down, modulo 16
//   reg 1-3 read the memory-image byte at C000 + register
#include "machine/bus.h"

#include "devices/devices.h"

namespace mirla {

namespace {

constexpr std::array<uint8_t, 256> apf_page_map() {
    std::array<uint8_t, 256> map{};
    for (int p = 0x00; p <= 0x1F; ++p) map[p] = (p & 2) ? page_screen_upper : page_screen_lower;
    for (int p = 0x20; p <= 0x3F; ++p) map[p] = page_pia1;
    for (int p = 0x40; p <= 0x5F; ++p) map[p] = page_rom;
    for (int p = 0x60; p <= 0x63; ++p) map[p] = page_pia2;
    map[0x64] = page_serial;
    map[0x65] = page_disk;
    map[0x66] = page_drive_select;
    map[0x67] = page_pia2;
    for (int p = 0x68; p <= 0x77; ++p) map[p] = page_rom;
    for (int p = 0x78; p <= 0x7F; ++p) map[p] = page_ram;
    for (int p = 0x80; p <= 0x9F; ++p) map[p] = page_rom;
    for (int p = 0xA0; p <= 0xDF; ++p) map[p] = page_ram;
    for (int p = 0xE0; p <= 0xFF; ++p) map[p] = page_rom;
    return map;
}

constexpr std::array<uint8_t, 256> board_page_map(uint8_t page0, uint8_t c0_c7, uint8_t c8_cf,
                                                  uint8_t d0_df) {
    std::array<uint8_t, 256> map{};
    for (auto& t : map) t = page_rom;
    map[0] = page0;
    for (int p = 0xC0; p <= 0xC7; ++p) map[p] = c0_c7;
    for (int p = 0xC8; p <= 0xCF; ++p) map[p] = c8_cf;
    for (int p = 0xD0; p <= 0xDF; ++p) map[p] = d0_df;
    return map;
}

constexpr auto apf_map = apf_page_map();
constexpr auto vendel1_map = board_page_map(page_vendel_io, page_ram, page_ram, page_rom);
constexpr auto qlumen1_map = board_page_map(page_qlumen1_io, page_ram, page_ram, page_rom);
constexpr auto qlumen2_map = board_page_map(page_ram, page_qlumen2_io, page_ram_high, page_ram);

uint16_t page_base(uint16_t address) { return static_cast<uint16_t>(address & 0xFF00); }

// Keypad column select: one 0 bit in the low nibble picks that column.
int8_t keypad_column_of(uint8_t value) {
    switch (value & 0x0F) {
        case 0x7: return 3;
        case 0xB: return 2;
        case 0xD: return 1;
        case 0xE: return 0;
        default: return -1;
    }
}

void mark_all_rows(Machine& m) {
    m.display.row_dirty.fill(true);
    m.display.graphics_dirty.fill(true);
}

// The split line is the screen line the beam has reached when graphics mode
// is switched on: 12 lines per slice from slice 3 on, less the part of the
// current slice still to run, taken to a multiple of 4.
int16_t split_line_now(const Machine& m) {
    const int cps = m.run.cycles_per_slice;
    const int left = m.cpu.cycles_left > 0 ? m.cpu.cycles_left : 0;
    const int line = 12 * m.run.slice_index - (left * 12 + cps / 2) / cps - 32;
    if (line <= 0) return 0;
    const int rounded = (line + 2) / 4 * 4;
    return static_cast<int16_t>(rounded > 192 ? 192 : rounded);
}

uint8_t pia1_read(Machine& m, uint16_t address) {
    switch (address & 3) {
        case 0:
            return m.apf.keypad_column >= 0 ? m.key_matrix[10 + m.apf.keypad_column] : 0xFF;
        case 3: {
            uint8_t v = m.memory_image[page_base(address) + 3];
            if (m.run.slice_index == 0 && m.cpu.cycles_left < 100) v |= 0x80;
            return v;
        }
        default:
            return m.memory_image[page_base(address) + (address & 3)];
    }
}

void pia1_write(Machine& m, uint16_t address, uint8_t value) {
    m.memory_image[page_base(address) + (address & 3)] = value;
    ApfIo& io = m.apf;
    switch (address & 3) {
        case 1: {
            const bool alternate = value & 0x08;
            if (alternate != io.alternate_glyphs) m.display.row_dirty.fill(true);
            io.alternate_glyphs = alternate;
            break;
        }
        case 2: {
            io.keypad_column = keypad_column_of(value);
            const bool graphics = value & 0x80;
            const bool colour_set = value & 0x40;
            if (graphics && !io.graphics_mode) {
                io.split_line = split_line_now(m);
                io.split_hold = 3;
            }
            if (graphics != io.graphics_mode || colour_set != io.colour_set) mark_all_rows(m);
            io.graphics_mode = graphics;
            io.colour_set = colour_set;
            break;
        }
        case 3:
            io.speaker_level = (value & 0x08) ? 2 : 0;
            m.cpu.irq_request = value & 0x01;
            break;
        default:
            break;
    }
}

uint8_t pia2_read(Machine& m, uint16_t address) {
    switch (address & 3) {
        case 0: return m.key_matrix[m.apf.row_counter];
        case 2: return static_cast<uint8_t>((m.apf.tape_input & 0x80) | (m.apf.cassette_lines & 0x7F));
        default: return m.memory_image[page_base(address) + (address & 3)];
    }
}

void pia2_write(Machine& m, uint16_t address, uint8_t value) {
    m.memory_image[page_base(address) + (address & 3)] = value;
    if ((address & 3) == 2) {
        m.apf.row_counter = value & 0x07;
        m.apf.cassette_lines = value;
    }
}

uint8_t vendel_read(Machine& m, uint16_t address) {
    const int offset = address & 0xFF;
    if (offset >= 0xA0 && offset <= 0xA4) return m.key_matrix[offset - 0xA0];
    return m.memory_image[address];
}

void vendel_write(Machine& m, uint16_t address, uint8_t value) {
    m.memory_image[address] = value;
    const int offset = address & 0xFF;
    if (offset == 0x81) {
        m.cpu.irq_request = value & 1;
    } else if (offset >= 0x90 && offset <= 0x97) {
        m.vendel.column_lines[offset - 0x90] = value & 1;
    } else if (offset >= 0x98 && offset <= 0x9F) {
        m.vendel.row_lines[7 - (offset - 0x98)] = value & 1;
    }
}

uint8_t qlumen1_read(Machine& m, uint16_t address) {
    if ((address & 0xFF) == 0x80) {
        const uint8_t keys = m.key_matrix[m.qlumen1.row_counter];
        return static_cast<uint8_t>((keys & 0x0F) << 4 | (m.memory_image[address] & 0x0F));
    }
    return m.memory_image[address];
}

void qlumen1_write(Machine& m, uint16_t address, uint8_t value) {
    m.memory_image[address] = value;
    QLumen1Io& io = m.qlumen1;
    switch (address & 0xFF) {
        case 0x80:
            io.row_counter = value & 0x0F;
            io.digit_latch[io.row_counter] = io.segment_latch;
            break;
        case 0x81: m.cpu.irq_request = value & 1; break;
        case 0x82: io.segment_latch = value; break;
        default: break;
    }
}

uint8_t qlumen2_read(Machine& m, uint16_t address) {
    const int reg = address & 3;
    if (reg != 0) return m.memory_image[0xC000 + reg];
    QLumen2Io& io = m.qlumen2;
    uint8_t keys;
    if (io.row_counter == 0) {
        keys = 0xFF;
        for (int i = 0; i < 8; ++i) keys &= m.key_matrix[i];
    } else {
        keys = m.key_matrix[io.row_counter - 1];
    }
    io.row_counter = static_cast<uint8_t>((io.row_counter + 1) % 9);
    return static_cast<uint8_t>((keys & 0x3F) | (m.memory_image[0xC000] & 0xC0));
}

void qlumen2_write(Machine& m, uint16_t address, uint8_t value) {
    QLumen2Io& io = m.qlumen2;
    switch (address & 3) {
        case 0:
            if ((io.last_control & 0x40) && !(value & 0x40)) io.row_counter = 0;
            if ((io.last_control & 0x80) && !(value & 0x80)) io.digit_counter = 15;
            io.last_control = value;
            break;
        case 1: m.cpu.irq_request = value & 1; break;
        case 2:
            io.digit_pattern[io.digit_counter] = value;
            io.digit_counter = static_cast<uint8_t>((io.digit_counter + 15) % 16);
            break;
        default: break;
    }
}

}  // namespace

std::array<uint8_t, 256> page_map_of(MachineKind kind) {
    switch (kind) {
        case MachineKind::vendel1: return vendel1_map;
        case MachineKind::qlumen1: return qlumen1_map;
        case MachineKind::qlumen2: return qlumen2_map;
        case MachineKind::apf: break;
    }
    return apf_map;
}

uint8_t mem_read(Machine& m, uint16_t address) noexcept {
    switch (m.page_map[address >> 8]) {
        case page_screen_upper:
        case page_screen_lower: return m.memory_image[address & 0x03FF];
        case page_pia1: return pia1_read(m, address);
        case page_pia2: return pia2_read(m, address);
        case page_disk: return disk_read(m, address & 3);
        case page_drive_select: return 0xFF;
        case page_serial: return serial_read(m, address & 3);
        case page_vendel_io: return vendel_read(m, address);
        case page_qlumen1_io: return qlumen1_read(m, address);
        case page_qlumen2_io: return qlumen2_read(m, address);
        default: return m.memory_image[address];
    }
}

void mem_write(Machine& m, uint16_t address, uint8_t value) noexcept {
    switch (m.page_map[address >> 8]) {
        case page_ram:
        case page_ram_high: m.memory_image[address] = value; break;
        case page_rom: break;
        case page_screen_upper: {
            const uint16_t a = address & 0x03FF;
            if (m.memory_image[a] != value) {
                m.memory_image[a] = value;
                m.display.row_dirty[(a & 0x01FF) >> 5] = true;
            }
            break;
        }
        case page_screen_lower: {
            const uint16_t a = address & 0x03FF;
            if (m.memory_image[a] != value) {
                m.memory_image[a] = value;
                const int row = (a & 0x01FF) >> 5;
                if (row < graphics_rows) m.display.graphics_dirty[row] = true;
            }
            break;
        }
        case page_pia1: pia1_write(m, address, value); break;
        case page_pia2: pia2_write(m, address, value); break;
        case page_disk: disk_write(m, address & 3, value); break;
        case page_drive_select: drive_select_write(m, value); break;
        case page_serial: serial_write(m, address & 3, value); break;
        case page_vendel_io: vendel_write(m, address, value); break;
        case page_qlumen1_io: qlumen1_write(m, address, value); break;
        case page_qlumen2_io: qlumen2_write(m, address, value); break;
        default: break;
    }
}

}  // namespace mirla

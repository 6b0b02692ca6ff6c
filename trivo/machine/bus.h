// The bus of the APF machine: every access of the 6800 to its 64K address
// space goes through here.
//
// A per-address attribute word says what lives at each address: RAM, a ROM
// window, one of the four I/O blocks, an image (partial-decode mirror) of one
// of these, or nothing. The low half of the word governs reads, the high half
// writes. RAM and ROM are read through addr_ptr (so a mirror costs nothing);
// the I/O blocks are dispatched to their handlers with the register number
// (address AND 3).
#pragma once

#include <cstdint>

#include "cassette/deck.h"
#include "machine/bus_watch.h"
#include "machine/machine.h"

namespace trivo {

// Attribute bits, read half; the write half is the same bit times 0x10000.
inline constexpr uint32_t attr_direct = 0x0001;       // access through addr_ptr
inline constexpr uint32_t attr_ram = 0x0002;          // RAM (always with attr_direct)
inline constexpr uint32_t attr_rom = 0x0004;          // ROM window: writes ignored
inline constexpr uint32_t attr_pia1 = 0x0008;
inline constexpr uint32_t attr_pia2 = 0x0010;
inline constexpr uint32_t attr_ram_image = 0x0020;    // image of the first 1K of RAM
inline constexpr uint32_t attr_pia1_image = 0x0080;
inline constexpr uint32_t attr_pia2_image = 0x0100;
inline constexpr uint32_t attr_nothing = 0x0200;      // reads 0xFF, writes dropped
inline constexpr uint32_t attr_printer = 0x0400;
inline constexpr uint32_t attr_printer_image = 0x0800;
inline constexpr uint32_t attr_spare_image = 0x2000;
inline constexpr uint32_t attr_write_shift = 16;

// Bits that make an access questionable for the debugger.
inline constexpr uint32_t attr_questionable_read =
    attr_ram_image | attr_pia1_image | attr_pia2_image | attr_nothing;
inline constexpr uint32_t attr_questionable_write =
    (attr_rom | attr_ram_image | attr_pia1_image | attr_pia2_image | attr_nothing)
    << attr_write_shift;

// Base addresses of the four I/O blocks; their registers are these bytes of memory_image.
inline constexpr uint16_t pia1_base = 0x2000;
inline constexpr uint16_t pia2_base = 0x6000;
inline constexpr uint16_t printer_base = 0x6400;
inline constexpr uint16_t spare_base = 0x6600;

// Fills addr_attr and addr_ptr from the memory settings (layout, expander,
// writable ROM windows). Called at every hard reset.
void memory_map_build(Machine& m);

uint8_t bus_read_slow(Machine& m, uint16_t address);
void bus_write_slow(Machine& m, uint16_t address, uint8_t value);

// Data reads of the processor, and the reset and interrupt vectors.
inline uint8_t bus_read(Machine& m, uint16_t address) {
    if ((m.debug_flags & (flag_read_watch | flag_questionable_read)) == 0 &&
        (m.addr_attr[address] & attr_direct)) {
        return m.memory_image[m.addr_ptr[address]];
    }
    return bus_read_slow(m, address);
}

inline void bus_write(Machine& m, uint16_t address, uint8_t value) {
    if ((m.debug_flags & (flag_write_watch | flag_questionable_write)) == 0 &&
        (m.addr_attr[address] & (attr_direct << attr_write_shift))) {
        m.memory_image[m.addr_ptr[address]] = value;
        return;
    }
    bus_write_slow(m, address, value);
}

// Operand bytes of instructions (immediate data, offsets, addresses).
// While the BASIC ROM traps are armed (fast cassette I/O), the deck sees
// every fetch first; unarmed, the flag test is all they cost.
inline uint8_t bus_fetch_operand(Machine& m, uint16_t address) {
    if (m.rom_hacks_armed) return deck_fetch_operand(m, address);
    return bus_read(m, address);
}

// Opcode bytes; the same traps.
inline uint8_t bus_fetch_opcode(Machine& m, uint16_t address) {
    if (m.rom_hacks_armed) return deck_fetch_opcode(m, address);
    return bus_read(m, address);
}

// For the debugger windows only: reads the registers of every I/O block
// (PIA1 without its IRQ side effect) and keeps them for bus_peek.
void io_snapshot(Machine& m);

// The byte the debugger shows at an address. Never changes state, never
// triggers a watch.
uint8_t bus_peek(const Machine& m, uint16_t address);

}  // namespace trivo

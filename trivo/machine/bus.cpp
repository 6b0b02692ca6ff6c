// Memory map and bus dispatch.
//
// Address decoding of the machine as sold (the "normal" layout):
//   0000-03FF  console RAM (1K)
//   0400-1FFF  images of that RAM (the console decodes only ten address lines)
//   2000-3FFF  PIA1, four registers repeated through the block
//   4000-5FFF  system ROM window
//   6000-63FF  PIA2 of the keyboard unit
//   6400-65FF  printer port
//   6600-67FF  spare latch block
//   6800-9FFF  cartridge / BASIC ROM window
//   A000-BFFF  keyboard unit RAM (8K)
//   C000-DFFF  nothing, or the 8K RAM expander
//   E000-FFFF  system ROM window again (vectors at the top)
// The emulator's enhanced layout turns the RAM images and C000-DFFF into RAM,
// and optionally the ROM windows too.
//
// 6600-6603: the spare block is selected by the same partial decode as its
// images at 6604-67FF, so its own four addresses reach the same latches. We
// map them like the images (not questionable): a program writing 0x6600 sees
// what it wrote, and the debugger's view of the latch block matches every
// address that selects it.
#include "machine/bus.h"

#include <array>
#include <cstdio>

#include "machine/io.h"
#include "machine/machine.h"

namespace trivo {

namespace {

// The four I/O blocks, one row each: the attribute bits that select the
// block (its own four addresses and its images), its read and write
// handlers, and its row of io_snapshot_values. A read handler is told
// whether the processor reads (side effects happen) or the debugger's
// snapshot does; only PIA1 acts on that, the others behave the same for both.
struct IoBlock {
    uint32_t attr;
    uint8_t (*read)(Machine& m, int reg, bool side_effects);
    void (*write)(Machine& m, int reg, uint8_t value);
    int snapshot_slot;
};

constexpr std::array<IoBlock, io_block_count> io_blocks = {{
    {attr_pia1 | attr_pia1_image, pia1_read, pia1_write, 0},
    {attr_pia2 | attr_pia2_image, [](Machine& m, int reg, bool) { return pia2_read(m, reg); },
     pia2_write, 1},
    {attr_printer | attr_printer_image,
     [](Machine& m, int reg, bool) { return printer_port_read(m, reg); }, printer_port_write, 2},
    {attr_spare_image, [](Machine& m, int reg, bool) { return spare_port_read(m, reg); },
     spare_port_write, 3},
}};

// The block an address's read-half attribute selects; none for RAM, ROM and
// empty space.
const IoBlock* io_block_of(uint32_t attr) {
    for (const IoBlock& block : io_blocks) {
        if (attr & block.attr) return &block;
    }
    return nullptr;
}

constexpr uint32_t both(uint32_t bits) { return bits | (bits << attr_write_shift); }

constexpr uint32_t attr_ram_both = both(attr_direct | attr_ram);
constexpr uint32_t attr_rom_window = attr_direct | attr_rom | (attr_rom << attr_write_shift);

void fill(Machine& m, uint32_t first, uint32_t last, uint32_t attr) {
    for (uint32_t a = first; a <= last; ++a) {
        m.addr_attr[a] = attr;
        m.addr_ptr[a] = static_cast<uint16_t>(a);
    }
}

bool in_range(uint16_t address, uint16_t low, uint16_t high) {
    return address >= low && address <= high;
}

}  // namespace

void memory_map_build(Machine& m) {
    const bool enhanced = m.settings.enhancedflag != 0;
    const uint32_t rom = enhanced && m.settings.writeROMflag ? attr_ram_both : attr_rom_window;

    m.addr_attr.fill(0);
    m.addr_ptr.fill(0);

    fill(m, 0x0000, 0x03FF, attr_ram_both);
    if (enhanced) {
        fill(m, 0x0400, 0x1FFF, attr_ram_both);
    } else {
        for (uint32_t a = 0x0400; a <= 0x1FFF; ++a) {
            m.addr_attr[a] = both(attr_direct | attr_ram_image);
            m.addr_ptr[a] = static_cast<uint16_t>(a & 0x03FF);
        }
    }
    fill(m, 0x2000, 0x2003, both(attr_pia1));
    fill(m, 0x2004, 0x3FFF, both(attr_pia1_image));
    fill(m, 0x4000, 0x5FFF, rom);
    fill(m, 0x6000, 0x6003, both(attr_pia2));
    fill(m, 0x6004, 0x63FF, both(attr_pia2_image));
    fill(m, 0x6400, 0x6403, both(attr_printer));
    fill(m, 0x6404, 0x65FF, both(attr_printer_image));
    fill(m, 0x6600, 0x67FF, both(attr_spare_image));
    fill(m, 0x6800, 0x9FFF, rom);
    fill(m, 0xA000, 0xBFFF, attr_ram_both);
    const bool ram_at_c000 = enhanced || m.settings.expandertype == 1;
    fill(m, 0xC000, 0xDFFF, ram_at_c000 ? attr_ram_both : both(attr_nothing));
    fill(m, 0xE000, 0xFFFF, rom);
}

uint8_t bus_read_slow(Machine& m, uint16_t address) {
    const uint32_t attr = m.addr_attr[address];
    if ((m.debug_flags & flag_read_watch) &&
        in_range(address, m.watch.read_low, m.watch.read_high)) {
        m.break_flags |= flag_read_watch;
        std::snprintf(m.watch.read_message, sizeof m.watch.read_message, "Read from $%04x",
                      address);
    }
    if ((attr & attr_questionable_read) && (m.debug_flags & flag_questionable_read)) {
        m.break_flags |= flag_questionable_read;
        std::snprintf(m.watch.questionable_read_message,
                      sizeof m.watch.questionable_read_message, "??Read from $%04x", address);
    }

    if (attr & attr_direct) return m.memory_image[m.addr_ptr[address]];
    if (const IoBlock* block = io_block_of(attr)) return block->read(m, address & 3, true);
    return 0xFF;
}

void bus_write_slow(Machine& m, uint16_t address, uint8_t value) {
    const uint32_t attr = m.addr_attr[address] >> attr_write_shift;
    if ((m.debug_flags & flag_write_watch) &&
        in_range(address, m.watch.write_low, m.watch.write_high)) {
        m.break_flags |= flag_write_watch;
        std::snprintf(m.watch.write_message, sizeof m.watch.write_message, "Write to $%04x",
                      address);
    }
    if ((m.addr_attr[address] & attr_questionable_write) &&
        (m.debug_flags & flag_questionable_write)) {
        m.break_flags |= flag_questionable_write;
        std::snprintf(m.watch.questionable_write_message,
                      sizeof m.watch.questionable_write_message, "??Write %02x to $%04x",
                      value, address);
    }

    if (attr & attr_direct) {
        m.memory_image[m.addr_ptr[address]] = value;
    } else if (const IoBlock* block = io_block_of(attr)) {
        block->write(m, address & 3, value);
    }
    // ROM windows and empty space drop the write.
}

void io_snapshot(Machine& m) {
    for (int reg = 0; reg < 4; ++reg) {
        for (const IoBlock& block : io_blocks) {
            m.io_snapshot_values[block.snapshot_slot][reg] = block.read(m, reg, false);
        }
    }
}

uint8_t bus_peek(const Machine& m, uint16_t address) {
    const uint32_t attr = m.addr_attr[address];
    if (attr & attr_direct) return m.memory_image[m.addr_ptr[address]];
    if (const IoBlock* block = io_block_of(attr)) {
        return m.io_snapshot_values[block->snapshot_slot][address & 3];
    }
    return m.memory_image[address];
}

}  // namespace trivo

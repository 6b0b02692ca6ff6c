// The I/O register blocks as plain latches: every register stores what the
// processor writes and reads it back.
#include "machine/io.h"

#include "machine/bus.h"

namespace trivo {

uint8_t pia1_read(Machine& m, int reg, bool side_effects) {
    (void)side_effects;
    return m.memory_image[pia1_base + reg];
}

void pia1_write(Machine& m, int reg, uint8_t value) { m.memory_image[pia1_base + reg] = value; }

uint8_t pia2_read(Machine& m, int reg) { return m.memory_image[pia2_base + reg]; }

void pia2_write(Machine& m, int reg, uint8_t value) { m.memory_image[pia2_base + reg] = value; }

uint8_t printer_port_read(Machine& m, int reg) { return m.memory_image[printer_base + reg]; }

void printer_port_write(Machine& m, int reg, uint8_t value) {
    m.memory_image[printer_base + reg] = value;
}

uint8_t spare_port_read(Machine& m, int reg) { return m.memory_image[spare_base + reg]; }

void spare_port_write(Machine& m, int reg, uint8_t value) {
    m.memory_image[spare_base + reg] = value;
}

}  // namespace trivo

#include "devices/devices.h"

namespace mirla {

// The controller sits on an inverted data bus: the processor reads the ones'
// complement of its registers. An idle controller's status is 00, so the
// status register reads FF (not busy, no data request, no error); the track,
// sector and data registers read back what was written. Commands are not
// carried out.
uint8_t disk_read(Machine& m, int reg) noexcept { return m.devices.disk_registers[reg & 3]; }

void disk_write(Machine& m, int reg, uint8_t value) noexcept {
    if ((reg & 3) != 0) m.devices.disk_registers[reg & 3] = value;
}

void drive_select_write(Machine& m, uint8_t value) noexcept { m.devices.drive = value == 0x1E ? 1 : 0; }

// Register 0 is the status (bit 0 input available, bit 1 output available):
// with no files attached neither is, and register 1 reads FF as an empty
// input does. Bytes sent to register 1 are dropped; registers 0, 2 and 3
// keep what is written.
uint8_t serial_read(Machine& m, int reg) noexcept {
    switch (reg & 3) {
        case 0: return 0x00;
        case 1: return 0xFF;
        default: return m.devices.serial_registers[reg & 3];
    }
}

void serial_write(Machine& m, int reg, uint8_t value) noexcept {
    if ((reg & 3) != 1) m.devices.serial_registers[reg & 3] = value;
}

}  // namespace mirla

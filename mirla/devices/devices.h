// The keyboard unit's disk controller, drive select and serial port pages.
//
// Not emulated yet: the pages answer as an idle controller and an empty
// serial port would, and keep the bytes written to them. The disk drives,
// cassette formats, serial files and sound come with the devices' own work.
#pragma once

#include <cstdint>

#include "machine/machine.h"

namespace mirla {

// Disk controller, page 65 (registers by address bits 1-0).
uint8_t disk_read(Machine& m, int reg) noexcept;
void disk_write(Machine& m, int reg, uint8_t value) noexcept;

// Drive select, page 66: reads FF; a write of 1E selects drive 1, any other
// value drive 0.
void drive_select_write(Machine& m, uint8_t value) noexcept;

// Serial port, page 64 (registers by address bits 1-0).
uint8_t serial_read(Machine& m, int reg) noexcept;
void serial_write(Machine& m, int reg, uint8_t value) noexcept;

}  // namespace mirla

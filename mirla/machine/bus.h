// The page map and the mapped byte read and write through which the
// processor reaches memory and devices.
#pragma once

#include <array>
#include <cstdint>

#include "machine/machine.h"

namespace mirla {

// The page type of each 256-byte page of a machine, as start-up copies it
// into Machine::page_map.
std::array<uint8_t, 256> page_map_of(MachineKind kind);

// Mapped read: the page type decides what the address returns, with the
// device side effects of a read (the "Q.Lumen II" keypad row steps).
uint8_t mem_read(Machine& m, uint16_t address) noexcept;

// Mapped write: RAM stores, ROM ignores, devices act.
void mem_write(Machine& m, uint16_t address, uint8_t value) noexcept;

}  // namespace mirla

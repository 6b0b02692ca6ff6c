// Shared helpers of mirla's tests: a machine with a chosen page map, tiny
// programs poked into memory, and the condition byte read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "cpu/cpu.h"
#include "machine/machine.h"
#include "machine/startup.h"

namespace mirla_test {

// Condition-byte bits of the 6800 as the data sheet numbers them.
inline constexpr uint8_t C = 0x01, V = 0x02, Z = 0x04, N = 0x08, I = 0x10, H = 0x20;

// A machine of the given kind, prepared as start-up does; with all_ram the
// whole address space is plain RAM, for processor tests.
inline std::unique_ptr<mirla::Machine> make_test_machine(mirla::MachineKind kind = mirla::MachineKind::apf,
                                                         bool all_ram = true) {
    auto m = mirla::make_machine();
    mirla::machine_prepare(*m, kind);
    if (all_ram) m->page_map.fill(mirla::page_ram);
    return m;
}

inline void poke(mirla::Machine& m, uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) m.memory_image[address++] = b;
}

// Flags of the 6800 condition byte without the two bits that always read 1.
inline uint8_t flags(const mirla::Machine& m) { return mirla::cpu_condition_byte(m.cpu.cw) & 0x3F; }

inline void set_flags(mirla::Machine& m, uint8_t cc) { m.cpu.cw = mirla::cpu_condition_word(cc, m.cpu.cw); }

}  // namespace mirla_test

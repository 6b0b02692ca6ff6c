// A machine with RAM nearly everywhere, for running small 6800 programs.
//
// The enhanced layout with writable ROM windows gives RAM at every address
// but the I/O blocks (2000-3FFF, 6000-67FF), so test programs and their data
// can sit anywhere, vectors included.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "cpu/cpu.h"
#include "machine/bus.h"
#include "machine/machine.h"

namespace trivo::test {

struct CpuHarness {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;

    CpuHarness() {
        m.settings.enhancedflag = 1;
        m.settings.writeROMflag = 1;
        memory_map_build(m);
        m.cpu.s = 0x01FF;
        m.cpu.cc = 0xC0;
    }

    void load(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) m.memory_image[address++] = b;
    }

    void set_word(uint16_t address, uint16_t value) {
        m.memory_image[address] = static_cast<uint8_t>(value >> 8);
        m.memory_image[static_cast<uint16_t>(address + 1)] = static_cast<uint8_t>(value);
    }

    uint16_t word(uint16_t address) const {
        return static_cast<uint16_t>(m.memory_image[address] << 8 |
                                     m.memory_image[static_cast<uint16_t>(address + 1)]);
    }

    // Runs one instruction (a budget of 1 always runs exactly one unless the
    // processor waits) and returns the cycles the slice consumed.
    int step() { return cpu_execute(m, 1); }
};

}  // namespace trivo::test

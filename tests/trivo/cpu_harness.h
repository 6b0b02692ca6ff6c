// A machine with RAM nearly everywhere, for running small 6800 programs.
//
// The enhanced layout with writable ROM windows gives RAM at every address
// but the I/O blocks (2000-3FFF, 6000-67FF), so test programs and their data
// can sit anywhere, vectors included.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <ostream>

#include "cpu/cpu.h"
#include "machine/bus.h"
#include "machine/machine.h"

namespace trivo::test {

// The programmer-visible registers but pc, set or compared in one go.
struct Regs {
    uint8_t a = 0;
    uint8_t b = 0;
    uint16_t x = 0;
    uint16_t s = 0;
    uint8_t cc = 0;
    bool operator==(const Regs&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Regs& r) {
    const auto flags = os.flags();
    os << std::hex << "{a=" << int{r.a} << " b=" << int{r.b} << " x=" << r.x << " s=" << r.s
       << " cc=" << int{r.cc} << "}";
    os.flags(flags);
    return os;
}

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

    // Turns the I/O blocks into RAM too, for programs that must run through
    // the whole address space without touching a device.
    void make_all_ram() {
        constexpr uint32_t ram = attr_direct | attr_ram;
        for (uint32_t a = 0; a <= 0xFFFF; ++a) {
            m.addr_attr[a] = ram | ram << attr_write_shift;
            m.addr_ptr[a] = static_cast<uint16_t>(a);
        }
    }

    uint8_t byte(uint16_t address) const { return m.memory_image[address]; }

    Regs regs() const { return {m.cpu.a, m.cpu.b, m.cpu.x, m.cpu.s, m.cpu.cc}; }

    void set_regs(const Regs& r) {
        m.cpu.a = r.a;
        m.cpu.b = r.b;
        m.cpu.x = r.x;
        m.cpu.s = r.s;
        m.cpu.cc = r.cc;
    }

    // Runs one instruction and returns the cycles the slice consumed. A
    // budget of 1 ends the slice after the first instruction that costs
    // anything; the free (zero-cost) opcodes run on into the next one, and a
    // WAI or a branch to itself swallows the budget too.
    int step() { return cpu_execute(m, 1); }
};

}  // namespace trivo::test

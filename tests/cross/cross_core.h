// A neutral face for one 6800 core, so a test can drive trivo's and mirla's
// processors side by side. Each core's side is compiled on its own, seeing
// only that core's include root; this header names neither.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace cross {

struct Registers {
    uint16_t pc = 0;
    uint16_t x = 0;
    uint16_t sp = 0;
    uint8_t a = 0;
    uint8_t b = 0;
    uint8_t cc = 0xC0;  // the 6800 condition byte
    bool operator==(const Registers&) const = default;
};

class Core {
public:
    virtual ~Core() = default;
    virtual std::string name() const = 0;
    // Writes straight into the memory image (ROM areas included).
    virtual void load(uint16_t address, std::span<const uint8_t> bytes) = 0;
    virtual uint8_t peek(uint16_t address) const = 0;
    virtual Registers registers() const = 0;
    virtual void set_registers(const Registers& r) = 0;
    // Executes one instruction (trivo: until at least one cycle is spent,
    // since it charges nothing for undefined opcodes); returns the cycles.
    virtual int step() = 0;
    virtual void reset() = 0;
};

// Both run the APF memory map: RAM at 0000-03FF and A000-BFFF.
std::unique_ptr<Core> make_trivo_core();
std::unique_ptr<Core> make_mirla_core();

}  // namespace cross

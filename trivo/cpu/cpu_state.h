// The registers and lines of the Motorola 6800 as the processor core keeps
// them between instructions, and the condition-code bits.
#pragma once

#include <cstdint>

namespace trivo {

// Condition-code bits of the 6800. Bits 7-6 have no flag and read as 1.
inline constexpr uint8_t cc_h = 0x20;
inline constexpr uint8_t cc_i = 0x10;
inline constexpr uint8_t cc_n = 0x08;
inline constexpr uint8_t cc_z = 0x04;
inline constexpr uint8_t cc_v = 0x02;
inline constexpr uint8_t cc_c = 0x01;

// wait_state bit set while the processor sits in WAI.
inline constexpr uint8_t wait_wai = 0x08;

struct CpuState {
    uint16_t pc = 0;
    uint16_t ppc = 0;  // address of the instruction being executed
    uint16_t s = 0;
    uint16_t x = 0;
    uint8_t a = 0;
    uint8_t b = 0;
    uint8_t cc = 0xC0;
    uint16_t ea = 0;  // effective address of the last memory operand
    uint8_t wait_state = 0;
    uint8_t nmi_line = 0;  // 0 clear, 1 asserted, 2 held
    uint8_t irq_line = 0;
    int32_t extra_cycles = 0;         // interrupt entry not yet charged to a slice
    int32_t irq_check_countdown = 0;  // -2 after CLI, SEI, TAP
    int32_t cycles_left = 0;
};

}  // namespace trivo

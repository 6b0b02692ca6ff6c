// mirla's Motorola MC6800: registers, the dispatch table of one routine per
// instruction, the cycle table, the frame interrupt, reset and the counting
// of undefined opcodes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "machine/machine.h"

namespace mirla {

inline constexpr uint16_t vector_irq = 0xFFF8;
inline constexpr uint16_t vector_reset = 0xFFFE;

// Published MC6800 cycle counts; 2 for each undefined opcode.
extern const std::array<uint8_t, 256> cycle_table;

// True for the 57 opcodes the core treats as undefined.
bool cpu_is_undefined(uint8_t opcode) noexcept;

// PC from the reset vector, the condition word cleared but for bit 9 (I
// clear), a budget of 192 cycles, the interrupt request dropped, no key down
// and the APF screen back in text mode. A, B, X and SP keep their values.
void cpu_reset(Machine& m) noexcept;

// Executes one instruction and returns its cycle count. The caller subtracts
// it from the budget.
int cpu_step(Machine& m) noexcept;

// The frame-interrupt check point: with the request set and I clear, stacks
// PC, X, A, B and the condition byte, loads PC from FFF8 and sets I, and
// charges 12 cycles to the budget. Returns true when it was taken.
bool cpu_frame_interrupt_check(Machine& m) noexcept;

// The condition byte of the 6800 (bits 7-6 read 1) and back.
uint8_t cpu_condition_byte(uint16_t cw) noexcept;
uint16_t cpu_condition_word(uint8_t byte, uint16_t old_cw) noexcept;

// "Ilegal a 0": every count to 0, the label and its menu items hidden.
void undefined_clear(Machine& m) noexcept;

// The status label's text for the last undefined opcode ("C012: 03").
std::string undefined_label_text(const Machine& m);

// The text of "inst_ill.txt": 256 lines, the opcode in two hex digits and its
// count right-aligned in 6 characters.
std::string undefined_list_text(const Machine& m);

// "Lista Ilegales": writes the list to path (replacing any earlier file) and
// then clears the counts. On a write failure the counts are kept and the
// result is false.
bool undefined_write_list(Machine& m, const std::string& path);

}  // namespace mirla

// The Motorola 6800 of the APF console: state, execution loop, reset and
// interrupt entry. The instruction set follows the MC6800 data sheet plus the
// handful of undocumented opcodes real programs rely on (see cpu.cpp).
#pragma once

#include <cstdint>

#include "cpu/cpu_state.h"

namespace trivo {

struct Machine;

// Register ids of cpu_get_register / cpu_set_register.
enum class CpuRegister : int {
    pc = 1,
    s = 2,
    a = 3,
    b = 4,
    x = 5,
    cc = 6,
    nmi_line = 8,
    irq_line = 9,
    pc_alias = -2,  // the same registers under the ids a debugger front end may use
    s_alias = -3,
};

inline constexpr int irq_line_irq = 0;
inline constexpr int irq_line_nmi = 127;

inline constexpr uint16_t vector_irq = 0xFFF8;
inline constexpr uint16_t vector_swi = 0xFFFA;
inline constexpr uint16_t vector_nmi = 0xFFFC;
inline constexpr uint16_t vector_reset = 0xFFFE;

// Selects the 6800 dispatch and cycle counts. Called before every cpu_reset.
void cpu_init(Machine& m);

// Sets I, loads pc from the reset vector, clears the wait state and both
// interrupt lines, forces cc bits 7-6. a, b, x, s and the other flags keep
// their values, as on the real chip.
void cpu_reset(Machine& m);

// Runs the processor for a budget of cycles. Returns the cycles consumed: the
// budget plus the overshoot of the last instruction and any interrupt-entry
// cost; 0 while the processor is stopped (break_flags non-zero).
int cpu_execute(Machine& m, int cycles);

// line: irq_line_irq or irq_line_nmi; state: 0 clear, 1 asserted, 2 held.
void cpu_set_irq_line(Machine& m, int line, int state);

int cpu_get_register(const Machine& m, CpuRegister id);
void cpu_set_register(Machine& m, CpuRegister id, int value);

// The cycles the processor charges for an opcode (the opcode table's count).
int cpu_cycles_of(uint8_t opcode);

// Interrupt entry through a vector (IRQ 0xFFF8 or NMI 0xFFFC).
void cpu_take_interrupt(Machine& m, uint16_t vector);

}  // namespace trivo

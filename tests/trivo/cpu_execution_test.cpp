// The 6800's execution loop around the instructions: slice budgets and what
// they return, when an IRQ is taken and what it costs, WAI, NMI, SWI, reset,
// the stopped state, the trace ring, and the shortcuts that end a slice
// early (branch to itself, loops through free opcodes).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "cpu/cpu.h"
#include "cpu_harness.h"

namespace trivo::test {
namespace {

constexpr uint8_t H = cc_h;
constexpr uint8_t I = cc_i;
constexpr uint8_t N = cc_n;
constexpr uint8_t Z = cc_z;
constexpr uint8_t V = cc_v;
constexpr uint8_t C = cc_c;
constexpr uint8_t F = 0xC0;  // cc bits 7-6

constexpr uint16_t code = 0xA000;
constexpr uint16_t irq_handler = 0xB000;
constexpr uint16_t nmi_handler = 0xB200;
constexpr uint16_t stack_top = 0x01FF;
constexpr int entry_cycles = 12;       // interrupt entry that stacks the registers
constexpr int entry_after_wai = 4;     // interrupt entry out of WAI
constexpr int frame_size = 7;          // pc, x, a, b, cc

// IRQ and NMI handlers that start with a NOP; the program at `code`.
void install(CpuHarness& h) {
    h.set_word(vector_irq, irq_handler);
    h.set_word(vector_nmi, nmi_handler);
    h.load(irq_handler, {0x01});  // nop
    h.load(nmi_handler, {0x01});  // nop
    h.m.cpu.pc = code;
}

// The return address an interrupt or call left on top of the stack.
uint16_t stacked_pc(const CpuHarness& h) { return h.word(static_cast<uint16_t>(h.m.cpu.s + 6)); }
uint8_t stacked_cc(const CpuHarness& h) { return h.byte(static_cast<uint16_t>(h.m.cpu.s + 1)); }

const uint32_t* last_record(const CpuHarness& h) {
    const int position = h.m.trace_ring.position == 0 ? trace_records - 1 : h.m.trace_ring.position - 1;
    return &h.m.trace_ring.words[static_cast<size_t>(position) * trace_words];
}

class CpuExecution : public ::testing::Test {
protected:
    CpuExecution() { install(h); }
    CpuHarness h;
    Machine& m = h.m;
};

TEST_F(CpuExecution, BudgetOfOneRunsOneInstructionAndReturnsItsCost) {
    h.load(code, {0x01, 0x01, 0x01});  // nop; nop; nop
    EXPECT_EQ(cpu_execute(m, 1), 2);
    EXPECT_EQ(m.cpu.pc, code + 1);
    EXPECT_EQ(m.machine_clock, 2u);
    // A budget of 3 needs two NOPs and overshoots by one.
    EXPECT_EQ(cpu_execute(m, 3), 4);
    EXPECT_EQ(m.cpu.pc, code + 3);
    EXPECT_EQ(m.machine_clock, 6u);
}

struct DeferredCase {
    const char* name;
    std::array<uint8_t, 4> program;
    int taken_at_step;  // 0: never within the four instructions
};

// The IRQ line is held while I is set; the instruction that clears I lets
// exactly one more instruction run before the line is looked at.
constexpr DeferredCase deferred_cases[] = {
    {"CLI; NOP", {0x0E, 0x01, 0x01, 0x01}, 2},
    {"TAP (a = 0); NOP", {0x06, 0x01, 0x01, 0x01}, 2},
    {"CLI; CLI; NOP: the second CLI re-arms the check", {0x0E, 0x0E, 0x01, 0x01}, 3},
    {"CLI; SEI; NOP: masked again before the check", {0x0E, 0x0F, 0x01, 0x01}, 0},
};

TEST(CpuInterrupts, HeldIrqIsTakenAfterTheInstructionFollowingCliOrTap) {
    for (const DeferredCase& c : deferred_cases) {
        SCOPED_TRACE(c.name);
        CpuHarness h;
        install(h);
        h.load(code, {c.program[0], c.program[1], c.program[2], c.program[3]});
        h.set_regs({.a = 0x00, .b = 0x22, .x = 0x3344, .s = stack_top, .cc = F | I});
        cpu_set_irq_line(h.m, irq_line_irq, 2);
        EXPECT_EQ(h.m.cpu.pc, code);  // masked: not taken
        for (int step = 1; step <= 4; ++step) {
            SCOPED_TRACE(::testing::Message() << "instruction " << step);
            if (step == c.taken_at_step) {
                // The instruction's 2 cycles plus the entry, in the same slice.
                EXPECT_EQ(h.step(), 2 + entry_cycles);
                EXPECT_EQ(h.m.cpu.pc, irq_handler);
                EXPECT_EQ(h.m.cpu.s, stack_top - frame_size);
                EXPECT_EQ(stacked_pc(h), code + step);
                EXPECT_EQ(stacked_cc(h) & I, 0);
                EXPECT_EQ(h.m.cpu.cc & I, I);
                // The record of that instruction already shows the handler as pc after.
                EXPECT_EQ(last_record(h)[2], irq_handler);
                break;
            }
            EXPECT_EQ(h.step(), 2);
            EXPECT_EQ(h.m.cpu.pc, code + step);
            EXPECT_EQ(h.m.cpu.s, stack_top);
        }
        EXPECT_EQ(h.m.cpu.irq_line, 2);  // taking it never clears the line
    }
}

TEST_F(CpuExecution, IrqRaisedBetweenSlicesIsChargedToTheNextSlice) {
    h.load(code, {0x01});  // nop
    h.set_regs({.a = 0x11, .b = 0x22, .x = 0x3344, .s = stack_top, .cc = F | N | C});
    cpu_set_irq_line(m, irq_line_irq, 2);
    EXPECT_EQ(m.cpu.pc, irq_handler);
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
    EXPECT_EQ(stacked_pc(h), code);
    EXPECT_EQ(stacked_cc(h), F | N | C);
    EXPECT_EQ(m.cpu.cc, F | I | N | C);
    EXPECT_EQ(m.cpu.extra_cycles, entry_cycles);

    // Repeating the stored state does nothing at all.
    cpu_set_irq_line(m, irq_line_irq, 2);
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
    EXPECT_EQ(m.cpu.extra_cycles, entry_cycles);

    const uint32_t clock = m.machine_clock;
    EXPECT_EQ(cpu_execute(m, 1), 2 + entry_cycles);  // the handler's NOP plus the entry
    EXPECT_EQ(m.machine_clock - clock, 2u);           // entry cycles are not clock time
    EXPECT_EQ(m.cpu.extra_cycles, 0);

    // Clearing only stores the state; the register path is the same call.
    cpu_set_irq_line(m, irq_line_irq, 0);
    EXPECT_EQ(m.cpu.irq_line, 0);
    cpu_set_register(m, CpuRegister::irq_line, 2);  // I is set inside the handler
    EXPECT_EQ(cpu_get_register(m, CpuRegister::irq_line), 2);
    EXPECT_EQ(m.cpu.pc, irq_handler + 1);
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
}

// While CLI's deferred check is still pending, the scheduler asserting the
// held line again is no new event: the IRQ still waits for the check.
TEST_F(CpuExecution, RepeatingTheStoredLineStateDoesNothing) {
    h.load(code, {0x0E, 0x01, 0x01});  // cli; nop; nop
    h.set_regs({.s = stack_top, .cc = F | I});
    cpu_set_irq_line(m, irq_line_irq, 2);
    EXPECT_EQ(h.step(), 2);
    ASSERT_EQ(m.cpu.cc & I, 0);
    cpu_set_irq_line(m, irq_line_irq, 2);
    EXPECT_EQ(m.cpu.pc, code + 1);
    EXPECT_EQ(m.cpu.s, stack_top);
    EXPECT_EQ(h.step(), 2 + entry_cycles);
    EXPECT_EQ(stacked_pc(h), code + 2);
}

TEST_F(CpuExecution, WaiSwallowsTheSliceUntilAnIrqWhoseEntryCostsFour) {
    h.load(code, {0x3E, 0x01});  // wai; nop
    h.set_regs({.a = 0x11, .b = 0x22, .x = 0x3344, .s = stack_top, .cc = F});
    EXPECT_EQ(cpu_execute(m, 100), 100 + 9);
    EXPECT_EQ(m.machine_clock, 9u);
    EXPECT_EQ(m.cpu.pc, code + 1);
    EXPECT_EQ(m.cpu.wait_state & wait_wai, wait_wai);
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
    EXPECT_EQ(stacked_pc(h), code + 1);

    // Waiting: nothing runs, the budget is consumed, the clock stands still.
    const int32_t position = m.trace_ring.position;
    EXPECT_EQ(cpu_execute(m, 50), 50);
    EXPECT_EQ(m.machine_clock, 9u);
    EXPECT_EQ(m.cpu.pc, code + 1);
    EXPECT_EQ(m.trace_ring.position, position);

    // The registers are on the stack already: the entry only loads the vector.
    cpu_set_irq_line(m, irq_line_irq, 2);
    EXPECT_EQ(m.cpu.pc, irq_handler);
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
    EXPECT_EQ(m.cpu.wait_state & wait_wai, 0);
    EXPECT_EQ(m.cpu.cc & I, I);
    EXPECT_EQ(m.cpu.extra_cycles, entry_after_wai);
    EXPECT_EQ(cpu_execute(m, 1), 2 + entry_after_wai);
    EXPECT_EQ(m.machine_clock, 11u);
}

TEST_F(CpuExecution, WaiWithAnIrqPendingTakesItAtOnce) {
    h.load(code, {0x0E,    // cli
                  0x3E,    // wai
                  0x01});  // nop
    h.set_regs({.s = stack_top, .cc = F | I});
    cpu_set_irq_line(m, irq_line_irq, 2);
    EXPECT_EQ(h.step(), 2);
    // WAI stacks, finds the IRQ and takes it: its 9 cycles plus the short entry.
    EXPECT_EQ(h.step(), 9 + entry_after_wai);
    EXPECT_EQ(m.cpu.pc, irq_handler);
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
    EXPECT_EQ(stacked_pc(h), code + 2);
    EXPECT_EQ(m.cpu.wait_state & wait_wai, 0);
    EXPECT_EQ(m.machine_clock, 11u);
}

TEST_F(CpuExecution, HeldIrqReentersTheHandlerAfterRti) {
    h.load(irq_handler, {0x3B});  // rti
    h.load(code, {0x01});         // nop
    h.set_regs({.s = stack_top, .cc = F});
    cpu_set_irq_line(m, irq_line_irq, 2);
    ASSERT_EQ(m.cpu.pc, irq_handler);

    // The pending entry, RTI, and the entry RTI takes again at once.
    EXPECT_EQ(h.step(), entry_cycles + 10 + entry_cycles);
    EXPECT_EQ(m.machine_clock, 10u);
    EXPECT_EQ(m.cpu.pc, irq_handler);
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
    EXPECT_EQ(stacked_pc(h), code);

    // Once the line is released (the program reads PIA1 port B), RTI returns.
    cpu_set_irq_line(m, irq_line_irq, 0);
    EXPECT_EQ(h.step(), 10);
    EXPECT_EQ(m.cpu.pc, code);
    EXPECT_EQ(m.cpu.s, stack_top);
    EXPECT_EQ(m.cpu.cc, F);
}

struct BcdCase {
    uint8_t x;
    uint8_t y;
    uint8_t sum;
    bool carry;
};

constexpr BcdCase bcd_cases[] = {
    {0x19, 0x28, 0x47, false},  // a = $41 with H after the add
    {0x99, 0x99, 0x98, true},   // C from the add survives DAA
    {0x50, 0x50, 0x00, true},
    {0x45, 0x55, 0x00, true},
    {0x09, 0x01, 0x10, false},
    {0x38, 0x45, 0x83, false},
    {0x79, 0x19, 0x98, false},  // the add overflowed; DAA clears V
    {0x00, 0x00, 0x00, false},
};

TEST_F(CpuExecution, DaaCorrectsBinaryAdditionOfBcdDigits) {
    for (const BcdCase& c : bcd_cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << int{c.x} << " + " << int{c.y});
        h.load(code, {0x86, c.x,  // ldaa #x
                      0x8B, c.y,  // adda #y
                      0x19});     // daa
        m.cpu.pc = code;
        m.cpu.cc = F;
        h.step();
        h.step();
        if (c.x == 0x19) {
            EXPECT_EQ(m.cpu.a, 0x41);
            EXPECT_EQ(m.cpu.cc & (H | C), H);
        }
        EXPECT_EQ(h.step(), 2);
        EXPECT_EQ(m.cpu.a, c.sum);
        EXPECT_EQ(m.cpu.cc & (N | Z | V | C),
                  (c.sum & 0x80 ? N : 0) | (c.sum == 0 ? Z : 0) | (c.carry ? C : 0));
    }
}

TEST_F(CpuExecution, BranchToSelfSwallowsTheSlice) {
    h.load(code, {0x20, 0xFE});  // bra *
    EXPECT_EQ(cpu_execute(m, 100), 104);
    EXPECT_EQ(m.cpu.pc, code);
    EXPECT_EQ(m.machine_clock, 4u);
    EXPECT_EQ(cpu_execute(m, 1), 5);
    EXPECT_EQ(m.machine_clock, 8u);

    // Only BRA is special: BNE * keeps looping until the budget is spent.
    h.load(code, {0x26, 0xFE});  // bne *
    m.cpu.cc = F;
    EXPECT_EQ(cpu_execute(m, 10), 12);
    EXPECT_EQ(m.cpu.pc, code);
    EXPECT_EQ(m.machine_clock, 20u);
}

// An undefined opcode's operand fetch is a real bus access: run from PIA1's
// control register A, it reads port B, with a read watch seeing the access
// and the read releasing the IRQ line as the 6821 does.
TEST_F(CpuExecution, UndefinedOpcodeOperandFetchIsABusRead) {
    m.memory_image[0x2001] = 0x02;  // PIA1 CRA latch holds an undefined opcode
    m.cpu.pc = 0x2001;
    m.cpu.cc = F | I;
    cpu_set_irq_line(m, irq_line_irq, 2);
    m.watch.read_low = m.watch.read_high = 0x2002;
    m.debug_flags = flag_read_watch;
    EXPECT_EQ(h.step(), 0);
    EXPECT_EQ(m.break_flags, flag_read_watch);
    EXPECT_EQ(m.cpu.pc, 0x2002);
    EXPECT_EQ(m.machine_clock, 0u);
    EXPECT_EQ(m.cpu.irq_line, 0);

    // The same from CRB: the fetch lands on an image of the block, which the
    // questionable-read check reports.
    m.break_flags = 0;
    m.memory_image[0x2003] = 0x02;
    m.cpu.pc = 0x2003;
    m.debug_flags = flag_questionable_read;
    EXPECT_EQ(h.step(), 0);
    EXPECT_EQ(m.break_flags, flag_questionable_read);
    EXPECT_STREQ(m.watch.questionable_read_message, "??Read from $2004");
    EXPECT_EQ(m.cpu.pc, 0x2004);
}

TEST_F(CpuExecution, SelfStoreIsSeenByTheNextExecutionInRamButNotInRom) {
    m.cpu.a = 0x4C;  // the INCA opcode
    h.load(code, {0x87, 0x01,         // staa into its own operand byte (free)
                  0x7E, 0xA0, 0x01});  // jmp $a001
    EXPECT_EQ(h.step(), 3);
    EXPECT_EQ(h.byte(code + 1), 0x4C);
    EXPECT_EQ(m.cpu.pc, code + 1);
    EXPECT_EQ(h.step(), 2);  // the stored byte runs as INCA
    EXPECT_EQ(m.cpu.a, 0x4D);

    CpuHarness rom;
    rom.m.settings.writeROMflag = 0;
    memory_map_build(rom.m);
    rom.m.memory_image[0xE000] = 0x87;  // staa into its own operand byte
    rom.m.memory_image[0xE001] = 0x55;
    rom.m.memory_image[0xE002] = 0x01;  // nop
    rom.m.cpu.pc = 0xE000;
    rom.m.cpu.a = 0x00;
    EXPECT_EQ(rom.step(), 2);
    EXPECT_EQ(rom.byte(0xE001), 0x55);  // the ROM window ignored the write
    EXPECT_EQ(rom.m.cpu.cc & (N | Z | V), Z);
}

TEST_F(CpuExecution, ResetKeepsRegistersAndFlagsAndLoadsTheVector) {
    h.set_word(vector_reset, 0x1234);
    h.set_regs({.a = 0x11, .b = 0x22, .x = 0x3344, .s = 0x5566, .cc = H | N | Z | V | C});
    m.cpu.wait_state = wait_wai;
    m.cpu.irq_line = 2;
    m.cpu.nmi_line = 2;
    m.cpu.extra_cycles = 8;
    m.cpu.irq_check_countdown = -1;
    cpu_init(m);
    cpu_reset(m);
    EXPECT_EQ(m.cpu.pc, 0x1234);
    EXPECT_EQ(h.regs(), (Regs{0x11, 0x22, 0x3344, 0x5566, 0xFF}));
    EXPECT_EQ(m.cpu.wait_state, 0);
    EXPECT_EQ(m.cpu.irq_line, 0);
    EXPECT_EQ(m.cpu.nmi_line, 0);
    EXPECT_EQ(m.cpu.extra_cycles, 8);
    EXPECT_EQ(m.cpu.irq_check_countdown, -1);

    m.cpu.cc = 0x00;
    cpu_reset(m);
    EXPECT_EQ(m.cpu.cc, F | I);
}

TEST_F(CpuExecution, StoppedProcessorReturnsZeroAndKeepsPendingCycles) {
    h.load(code, {0x01});  // nop
    m.break_flags = flag_write_watch;
    m.cpu.extra_cycles = entry_cycles;
    const int32_t position = m.trace_ring.position;
    EXPECT_EQ(cpu_execute(m, 100), 0);
    EXPECT_EQ(m.cpu.extra_cycles, entry_cycles);
    EXPECT_EQ(m.cpu.pc, code);
    EXPECT_EQ(m.machine_clock, 0u);
    EXPECT_EQ(m.trace_ring.position, position);

    m.break_flags = 0;
    EXPECT_EQ(cpu_execute(m, 1), 2 + entry_cycles);
}

TEST(CpuInterrupts, InterruptBreakStopsWithTheCoresMessage) {
    {
        SCOPED_TRACE("IRQ between slices");
        CpuHarness h;
        install(h);
        h.m.debug_flags = flag_interrupt;
        h.m.cpu.cc = F;
        cpu_set_irq_line(h.m, irq_line_irq, 2);
        EXPECT_EQ(h.m.break_flags, flag_interrupt);
        EXPECT_STREQ(h.m.break_reason, "Interrupt M6800#%d take IRQ1\n");
        EXPECT_EQ(h.m.cpu.pc, irq_handler);
        EXPECT_EQ(cpu_execute(h.m, 100), 0);
    }
    {
        SCOPED_TRACE("IRQ inside a slice");
        CpuHarness h;
        install(h);
        h.load(code, {0x0E, 0x01, 0x01, 0x01});  // cli; nop; nop; nop
        h.m.cpu.cc = F | I;
        cpu_set_irq_line(h.m, irq_line_irq, 2);
        h.m.debug_flags = flag_interrupt;
        // CLI and NOP run, the IRQ is taken after the NOP, and the slice stops there.
        EXPECT_EQ(cpu_execute(h.m, 100), 2 + 2 + entry_cycles);
        EXPECT_EQ(h.m.break_flags, flag_interrupt);
        EXPECT_EQ(h.m.cpu.pc, irq_handler);
    }
    {
        SCOPED_TRACE("NMI");
        CpuHarness h;
        install(h);
        h.m.debug_flags = flag_interrupt;
        cpu_set_register(h.m, CpuRegister::nmi_line, 2);
        EXPECT_EQ(h.m.break_flags, flag_interrupt);
        EXPECT_STREQ(h.m.break_reason, "Interrupt M6800#%d take NMI\n");
    }
    {
        SCOPED_TRACE("SWI is an instruction, not an interrupt");
        CpuHarness h;
        install(h);
        h.set_word(vector_swi, irq_handler);
        h.load(code, {0x3F});  // swi
        h.m.debug_flags = flag_interrupt;
        EXPECT_EQ(h.step(), 12);
        EXPECT_EQ(h.m.break_flags, 0u);
        EXPECT_EQ(h.m.cpu.extra_cycles, 0);
        EXPECT_EQ(h.m.cpu.pc, irq_handler);
    }
}

TEST_F(CpuExecution, NmiByRegisterWriteIsTakenEvenWithIrqMasked) {
    h.set_regs({.a = 0x11, .b = 0x22, .x = 0x3344, .s = stack_top, .cc = F | I});
    cpu_set_register(m, CpuRegister::nmi_line, 2);
    EXPECT_EQ(m.cpu.pc, nmi_handler);
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
    EXPECT_EQ(stacked_pc(h), code);
    EXPECT_EQ(m.cpu.extra_cycles, entry_cycles);
    EXPECT_EQ(cpu_get_register(m, CpuRegister::nmi_line), 2);

    cpu_set_register(m, CpuRegister::nmi_line, 2);  // unchanged: nothing happens
    EXPECT_EQ(m.cpu.s, stack_top - frame_size);
    cpu_set_register(m, CpuRegister::nmi_line, 0);
    cpu_set_register(m, CpuRegister::nmi_line, 2);  // a new edge: taken again
    EXPECT_EQ(m.cpu.s, stack_top - 2 * frame_size);
    EXPECT_EQ(stacked_pc(h), nmi_handler);
    EXPECT_EQ(m.cpu.extra_cycles, 2 * entry_cycles);
}

// The instructions SWI and WAI stack cc with bits 7-6 set; IRQ and NMI entry
// stack it as it stands. The two differ once the register window has
// written cc with those bits clear.
TEST(CpuInterrupts, EntryStacksCcAsItIsButSwiAndWaiForceBits76) {
    enum class Entry { irq, nmi, swi, wai_then_irq };
    const struct {
        const char* name;
        Entry entry;
        uint8_t cc;
        uint8_t stacked;
    } cases[] = {
        {"IRQ", Entry::irq, N | C, N | C},
        {"NMI with I set", Entry::nmi, I | Z, I | Z},
        {"SWI", Entry::swi, N | C, F | N | C},
        {"WAI, then IRQ", Entry::wai_then_irq, V, F | V},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CpuHarness h;
        install(h);
        h.set_word(vector_swi, irq_handler);
        h.set_regs({.s = stack_top, .cc = c.cc});
        switch (c.entry) {
            case Entry::irq: cpu_set_irq_line(h.m, irq_line_irq, 2); break;
            case Entry::nmi: cpu_set_register(h.m, CpuRegister::nmi_line, 2); break;
            case Entry::swi:
                h.load(code, {0x3F});  // swi
                h.step();
                break;
            case Entry::wai_then_irq:
                h.load(code, {0x3E});  // wai
                h.step();
                cpu_set_irq_line(h.m, irq_line_irq, 2);
                break;
        }
        ASSERT_EQ(h.m.cpu.s, stack_top - frame_size);
        EXPECT_EQ(stacked_cc(h), c.stacked);
        EXPECT_EQ(h.m.cpu.cc, c.cc | I);
    }
}

TEST_F(CpuExecution, TraceRecordLayout) {
    // LDAA #$77 at $FFFE: the four raw bytes wrap past $FFFF.
    h.load(0xFFFE, {0x86, 0x77});
    h.load(0x0000, {0x12, 0x34});
    m.cpu.pc = 0xFFFE;
    h.set_regs({.a = 0x00, .b = 0x22, .x = 0x3344, .s = stack_top, .cc = F | V});
    ASSERT_EQ(m.trace_ring.position, 0);
    EXPECT_EQ(h.step(), 2);
    const uint32_t* r = &m.trace_ring.words[0];
    EXPECT_EQ(r[0], 0xFFFEu);      // pc
    EXPECT_EQ(r[1], 0x34127786u);  // bytes at pc .. pc + 3, little-endian
    EXPECT_EQ(r[2], 0x0000u);      // pc after
    EXPECT_EQ(r[3], 0x7722u);      // a * 256 + b
    EXPECT_EQ(r[4], 0x3344u);      // x
    EXPECT_EQ(r[5], stack_top);    // s
    EXPECT_EQ(r[6], F);            // cc
    EXPECT_EQ(m.trace_ring.position, 1);

    // The bytes come from memory_image, not through the bus: the PIA1 port A
    // latch is recorded as it stands, not as the keypad read.
    h.load(0x1FFE, {0x01, 0x01});  // nop; nop
    m.memory_image[0x2000] = 0x5A;
    m.memory_image[0x2001] = 0x6B;
    m.cpu.pc = 0x1FFE;
    h.step();
    EXPECT_EQ(m.trace_ring.words[trace_words + 1], 0x6B5A0101u);
}

TEST_F(CpuExecution, TraceRingWrapsAfter24000Records) {
    EXPECT_EQ(m.trace_ring.words[trace_records * trace_words - 1], 0xFFFFFFFFu);
    h.load(code, {0x01,         // nop
                  0x20, 0xFD});  // bra back to the nop
    // 12000 passes write 24000 records at 6 cycles a pass.
    EXPECT_EQ(cpu_execute(m, 12000 * 6), 12000 * 6);
    EXPECT_EQ(m.trace_ring.position, 0);
    EXPECT_EQ(m.trace_ring.words[0], code);
    const uint32_t* last = &m.trace_ring.words[(trace_records - 1) * trace_words];
    EXPECT_EQ(last[0], code + 1u);
    EXPECT_EQ(last[2], code);

    // The next record goes over the first.
    for (int i = 0; i < trace_words; ++i) m.trace_ring.words[i] = 0;
    h.step();
    EXPECT_EQ(m.trace_ring.position, 1);
    EXPECT_EQ(m.trace_ring.words[0], code);
    EXPECT_EQ(m.trace_ring.words[2], code + 1u);
}

// A program that loops through free opcodes alone would never use up its
// budget; the slice must end anyway, consuming its budget without moving
// the clock.
TEST(CpuFreeLoops, LoopsThroughZeroCostOpcodesStillEndTheSlice) {
    {
        SCOPED_TRACE("JSR direct to itself");
        CpuHarness h;
        h.make_all_ram();
        h.load(0x0040, {0x9D, 0x40});  // jsr $40 (free)
        h.m.cpu.pc = 0x0040;
        EXPECT_EQ(cpu_execute(h.m, 100), 100);
        EXPECT_EQ(h.m.machine_clock, 0u);
    }
    {
        // Straight code through free opcodes, shorter than the address
        // space, is no loop: it runs through to the first instruction that
        // costs anything.
        SCOPED_TRACE("a long run of 0x00 before a NOP");
        CpuHarness h;
        h.make_all_ram();
        h.load(0xF000, {0x01});  // nop after 61440 bytes of 0x00
        h.m.cpu.pc = 0x0000;
        EXPECT_EQ(cpu_execute(h.m, 1), 2);
        EXPECT_EQ(h.m.cpu.pc, 0xF001);
        EXPECT_EQ(h.m.machine_clock, 2u);
    }
    {
        SCOPED_TRACE("memory full of 0x00");
        CpuHarness h;
        h.make_all_ram();
        h.m.cpu.pc = 0x0000;
        EXPECT_EQ(cpu_execute(h.m, 50), 50);
        EXPECT_EQ(h.m.machine_clock, 0u);
    }
}

}  // namespace
}  // namespace trivo::test

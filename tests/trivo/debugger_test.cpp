// The debugger's core: every break condition with its reason text and
// detail line, the stepping commands on a program assembled by our
// assembler, the breakpoint list, the history rows and register writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpu/cpu.h"
#include "cpu_harness.h"
#include "debugger/debugger.h"
#include "debugger/lst_store.h"
#include "debugger_steps.h"
#include "machine/reset.h"
#include "running_machine.h"

namespace trivo {
namespace {

using test::CpuHarness;
using Lines = std::vector<std::string>;

// ------------------------------------------------------- break conditions

struct ConditionCase {
    const char* name;
    std::vector<uint8_t> code;  // at $1000; one instruction is run
    void (*setup)(Machine&);    // break settings, registers, targets
    uint32_t enabled;
    uint32_t expected;
    Lines reasons;
    int steps = 1;  // instructions run
};

void nothing(Machine&) {}

const ConditionCase condition_cases[] = {
    {"breakpoint at the next address", {0x01}, [](Machine& m) { debugger_add_breakpoint(m, 0x1001); },
     flag_breakpoint, flag_breakpoint, {"Hit breakpoint"}},
    {"breakpoint elsewhere", {0x01}, [](Machine& m) { debugger_add_breakpoint(m, 0x1000); },
     flag_breakpoint, 0, {}},
    {"pc", {0x20, 0x10}, [](Machine& m) { m.debugger.settings.pc = 0x1012; }, flag_pc, flag_pc,
     {"PC compare"}},
    {"x", {0xCE, 0x12, 0x34}, [](Machine& m) { m.debugger.settings.x = 0x1234; }, flag_x, flag_x,
     {"X compare"}},
    {"a", {0x86, 0x42}, [](Machine& m) { m.debugger.settings.a = 0x42; }, flag_a, flag_a,
     {"A compare"}},
    {"b", {0xC6, 0x42}, [](Machine& m) { m.debugger.settings.b = 0x42; }, flag_b, flag_b,
     {"B compare"}},
    {"d is a*256+b", {0x86, 0x12},
     [](Machine& m) {
         m.cpu.b = 0x34;
         m.debugger.settings.d = 0x1234;
     },
     flag_d, flag_d, {"D compare"}},
    {"cc under its mask", {0x0D},
     [](Machine& m) {
         m.debugger.settings.cc_mask = 0x01;
         m.debugger.settings.cc_value = 0x01;
     },
     flag_cc, flag_cc, {"CC compare"}},
    {"cc outside the mask is ignored", {0x0C},
     [](Machine& m) {
         m.debugger.settings.cc_mask = 0x01;
         m.debugger.settings.cc_value = 0x01;
     },
     flag_cc, 0, {}},
    {"s", {0x8E, 0x01, 0x50}, [](Machine& m) { m.debugger.settings.s = 0x0150; }, flag_s, flag_s,
     {"S compare"}},
    {"questionable read", {0xB6, 0x20, 0x04}, nothing, flag_questionable_read,
     flag_questionable_read, {"Questionable mem read", "??Read from $2004"}},
    {"questionable write", {0xB7, 0x20, 0x05}, [](Machine& m) { m.cpu.a = 0x5A; },
     flag_questionable_write, flag_questionable_write,
     {"Questionable mem write", "??Write 5a to $2005"}},
    // cli lets one more instruction run before the pending IRQ is taken.
    {"interrupt taken", {0x0E, 0x01},
     [](Machine& m) {
         m.cpu.cc = 0xD0;
         cpu_set_irq_line(m, irq_line_irq, 1);
     },
     flag_interrupt, flag_interrupt, {"Enter interrupt", "Interrupt M6800#%d take IRQ1"}, 2},
    {"memory compare", {0x97, 0x50},
     [](Machine& m) {
         m.cpu.a = 0x42;
         m.debugger.settings.memory_address = 0x0050;
         m.debugger.settings.memory_value = 0x42;
     },
     flag_memory, flag_memory, {"Memory compare", "Memory at $0050 is $42"}},
    {"step in", {0x01}, nothing, flag_step_in, flag_step_in, {"Step in"}},
    {"step over target", {0x01}, [](Machine& m) { m.debugger.step_over_target = 0x1001; },
     flag_step_over, flag_step_over, {"Step over"}},
    {"lst cursor", {0x01}, [](Machine& m) { m.debugger.lst_cursor = 0x1001; }, flag_lst_cursor,
     flag_lst_cursor, {"Ran to LST cursor"}},
    {"disarmed lst cursor", {0x01}, nothing, flag_lst_cursor, 0, {}},
    {"illegal opcode", {0x02}, nothing, flag_illegal, flag_illegal, {"Illegal opcode"}},
    {"legal opcode", {0x01}, nothing, flag_illegal, 0, {}},
    {"rts lifting s above the saved s", {0x39},
     [](Machine& m) {
         m.cpu.s = 0x01F0;
         m.debugger.step_out_s = 0x01F0;
     },
     flag_step_out, flag_step_out, {"Step out"}},
    {"rts returning to the saved s", {0x39},
     [](Machine& m) {
         m.cpu.s = 0x01EE;
         m.debugger.step_out_s = 0x01F0;
     },
     flag_step_out, 0, {}},
    {"step next target", {0x01}, [](Machine& m) { m.debugger.step_next_target = 0x1001; },
     flag_step_next, flag_step_next, {"Step next"}},
    {"read range", {0x96, 0x50},
     [](Machine& m) {
         m.debugger.settings.read_low = 0x0040;
         m.debugger.settings.read_high = 0x0050;
     },
     flag_read_watch, flag_read_watch, {"Read range", "Read from $0050"}},
    {"write range", {0x97, 0x60},
     [](Machine& m) {
         m.debugger.settings.write_low = 0x0060;
         m.debugger.settings.write_high = 0x0060;
     },
     flag_write_watch, flag_write_watch, {"Write range", "Write to $0060"}},
    {"write outside the range", {0x97, 0x61},
     [](Machine& m) {
         m.debugger.settings.write_low = 0x0060;
         m.debugger.settings.write_high = 0x0060;
     },
     flag_write_watch, 0, {}},
    {"several at once, in the table's order", {0x86, 0x42},
     [](Machine& m) {
         debugger_add_breakpoint(m, 0x1002);
         m.debugger.settings.pc = 0x1002;
         m.debugger.settings.a = 0x42;
         m.debugger.settings.read_low = 0x1001;
         m.debugger.settings.read_high = 0x1001;
     },
     flag_breakpoint | flag_pc | flag_a | flag_step_in | flag_read_watch | flag_x,
     flag_breakpoint | flag_pc | flag_a | flag_step_in | flag_read_watch,
     {"Hit breakpoint", "PC compare", "A compare", "Step in", "Read range", "Read from $1001"}},
};

TEST(DebuggerConditions, EachFiresExactlyWhenItShouldWithItsReasonLines) {
    for (const ConditionCase& c : condition_cases) {
        SCOPED_TRACE(c.name);
        CpuHarness h;
        Machine& m = h.m;
        uint16_t at = 0x1000;
        for (uint8_t byte : c.code) m.memory_image[at++] = byte;
        m.cpu.pc = 0x1000;
        m.cpu.x = 0x0100;
        c.setup(m);
        m.debugger.settings.enabled = c.enabled;
        debugger_run_until(m);
        for (int i = 0; i < c.steps; ++i) h.step();
        EXPECT_EQ(m.break_flags, c.expected);
        EXPECT_EQ(debugger_reason_lines(m), c.reasons);
    }
}

TEST(DebuggerConditions, ManualBreakAndPauseAndAnInterruptWithoutAName) {
    CpuHarness h;
    Machine& m = h.m;
    m.memory_image[0x1000] = 0x01;
    m.cpu.pc = 0x1000;
    debugger_break(m);
    EXPECT_EQ(debugger_reason_lines(m), Lines{"Manual break"});
    EXPECT_EQ(h.step(), 0) << "a stopped processor runs nothing";
    EXPECT_EQ(m.cpu.pc, 0x1000);
    debugger_toggle_break(m);
    EXPECT_EQ(m.break_flags, 0u);
    debugger_toggle_break(m);
    EXPECT_EQ(m.break_flags, flag_manual);

    m.break_flags = flag_interrupt;
    m.break_reason[0] = '\0';
    EXPECT_EQ(debugger_reason_lines(m), (Lines{"Enter interrupt", "Interrupt -"}));
}

// ---------------------------------------------------------------- stepping

// The assembled program in a machine with RAM nearly everywhere, and its
// labels from its own listing.
struct StepProgram {
    CpuHarness h;
    Machine& m = h.m;
    LstStore listing;

    StepProgram() {
        const auto& image = test_roms::debugger_steps;
        for (size_t i = 0; i < image.size(); ++i) m.memory_image[0x1000 + i] = image[i];
        EXPECT_EQ(lst_load_file(listing, DEBUGGER_STEPS_LST), LstLoad::loaded);
        m.cpu.pc = label("start");
    }

    uint16_t label(const char* name) const {
        const auto value = lst_find_symbol(listing, name);
        EXPECT_TRUE(value.has_value()) << name;
        return value.value_or(0);
    }

    // Runs slices until the processor stops (at most `limit` instructions'
    // worth); returns the instructions run.
    int run(int limit = 200) {
        int ran = 0;
        const int before = m.trace_ring.position;
        for (int i = 0; i < limit && m.break_flags == 0; ++i) cpu_execute(m, 1);
        ran = m.trace_ring.position - before;
        return ran;
    }

    void run_to(uint16_t address) {
        debugger_add_breakpoint(m, address);
        m.debugger.settings.enabled = flag_breakpoint;
        debugger_run_until(m);
        run();
        debugger_remove_breakpoint(m, address);
        ASSERT_EQ(m.cpu.pc, address);
    }
};

TEST(DebuggerStepping, StepOverACallStopsAfterItAndANonCallStepsIn) {
    StepProgram p;
    p.run_to(p.label("start") + 5);  // the jsr
    debugger_step_over(p.m);
    EXPECT_EQ(p.m.debug_flags, flag_step_over);
    EXPECT_EQ(p.run(), 3) << "jsr, asla, rts";
    EXPECT_EQ(p.m.cpu.pc, p.label("after_call"));
    EXPECT_EQ(debugger_reason_lines(p.m), Lines{"Step over"});

    debugger_step_over(p.m);  // bsr
    p.run();
    EXPECT_EQ(p.m.cpu.pc, p.label("after_bsr"));

    // inca is no call: exactly Step in.
    debugger_step_over(p.m);
    EXPECT_EQ(p.m.debug_flags, flag_step_in);
    EXPECT_EQ(p.run(), 1);
    EXPECT_EQ(debugger_reason_lines(p.m), Lines{"Step in"});
}

TEST(DebuggerStepping, StepOverAJsrAtTheTopOfMemoryWrapsItsTarget) {
    StepProgram p;
    // jsr twice at $FFFE: its operand is the bytes at $FFFF and $0000.
    const uint16_t twice = p.label("twice");
    p.m.memory_image[0xFFFE] = 0xBD;
    p.m.memory_image[0xFFFF] = static_cast<uint8_t>(twice >> 8);
    p.m.memory_image[0x0000] = static_cast<uint8_t>(twice);
    p.m.memory_image[0x0001] = 0x01;
    p.m.cpu.pc = 0xFFFE;
    debugger_step_over(p.m);
    EXPECT_EQ(p.m.debugger.step_over_target, 0x0001);
    EXPECT_EQ(p.run(), 3);
    EXPECT_EQ(p.m.cpu.pc, 0x0001);
}

TEST(DebuggerStepping, StepNextStepOutRunToCursorAndStepCounts) {
    StepProgram p;
    // Step next over the first jsr: the address after it by its length.
    p.run_to(p.label("start") + 5);
    debugger_step_next(p.m);
    EXPECT_EQ(p.m.debug_flags, flag_step_next);
    p.run();
    EXPECT_EQ(p.m.cpu.pc, p.label("after_call"));
    EXPECT_EQ(debugger_reason_lines(p.m), Lines{"Step next"});

    // Step out of outer from its first instruction: the deeper call's rts
    // comes back to outer's own S and does not stop; outer's rts does.
    p.run_to(p.label("outer"));
    debugger_step_out(p.m);
    EXPECT_EQ(p.run(), 5) << "jsr, asla, rts, inca, rts";
    EXPECT_EQ(p.m.cpu.pc, p.label("after_outer"));
    EXPECT_EQ(debugger_reason_lines(p.m), Lines{"Step out"});

    // Run to the line of carry_set chosen in the listing window: a line
    // without an address (the label alone) takes the next line's.
    p.m.debugger.lst = p.listing;
    p.m.cpu.pc = p.label("start");
    const auto place = lst_find_address(p.m.debugger.lst, p.label("carry_set"));
    ASSERT_TRUE(place.has_value());
    debugger_select_lst_line(p.m, place->line - 1);
    EXPECT_EQ(p.m.debugger.lst_cursor, p.label("carry_set"));
    debugger_run_to_cursor(p.m);
    p.run();
    EXPECT_EQ(p.m.cpu.pc, p.label("carry_set"));
    EXPECT_EQ(debugger_reason_lines(p.m), Lines{"Ran to LST cursor"});
    EXPECT_EQ(p.m.debugger.lst_cursor, lst_cursor_disarmed) << "reaching the cursor disarms it";

    // Step in with a count stops after that many instructions.
    p.m.cpu.pc = p.label("start");
    debugger_step_in(p.m, 4);
    EXPECT_EQ(p.run(), 4);
    EXPECT_EQ(p.m.cpu.pc, p.label("twice") + 1);
}

TEST(DebuggerStepping, BreakpointAtTheNextInstructionStopsBeforeItRuns) {
    StepProgram p;
    const uint16_t next = p.label("start") + 3;  // ldaa #$01
    p.m.cpu.a = 0x77;
    debugger_add_breakpoint(p.m, next);
    p.m.debugger.settings.enabled = flag_breakpoint;
    debugger_run_until(p.m);
    EXPECT_EQ(p.run(), 1);
    EXPECT_EQ(p.m.cpu.pc, next);
    EXPECT_EQ(p.m.cpu.a, 0x77) << "the instruction at the breakpoint has not run";
    EXPECT_EQ(debugger_reason_lines(p.m), Lines{"Hit breakpoint"});

    // Run clears the stop and every check: it runs on past the breakpoint.
    debugger_run(p.m);
    EXPECT_EQ(p.m.debug_flags, 0u);
    p.h.step();
    EXPECT_EQ(p.m.cpu.a, 0x01);
}

TEST(DebuggerStepping, CcMaskStopsOnTheFirstInstructionLeavingCarrySet) {
    StepProgram p;
    p.m.debugger.settings.cc_mask = 0x01;
    p.m.debugger.settings.cc_value = 0x01;
    p.m.debugger.settings.enabled = flag_cc;
    debugger_run_until(p.m);
    p.run();
    EXPECT_EQ(p.m.cpu.pc, p.label("carry_set"));
    EXPECT_EQ(p.m.cpu.b, 0x00);
    EXPECT_EQ(debugger_reason_lines(p.m), Lines{"CC compare"});
}

TEST(DebuggerStepping, IllegalOpcodeStopsAfterIt) {
    StepProgram p;
    p.m.debugger.settings.enabled = flag_illegal;
    debugger_run_until(p.m);
    p.run();
    EXPECT_EQ(p.m.trace_ring.words[static_cast<size_t>(p.m.trace_ring.position - 1) * trace_words],
              p.label("after_outer"));
    EXPECT_EQ(debugger_reason_lines(p.m), Lines{"Illegal opcode"});
}

TEST(DebuggerStepping, AResetNeverClearsAStop) {
    test::RunningMachine t;
    t.frames(3);
    debugger_break(t.m);
    for (ResetKind kind : {ResetKind::soft, ResetKind::hard}) {
        machine_reset(t.m, kind);
        EXPECT_EQ(t.m.break_flags, flag_manual);
    }
    const uint16_t pc = t.m.cpu.pc;
    t.frames(3);
    EXPECT_EQ(t.m.cpu.pc, pc) << "still stopped after the resets";
    debugger_run(t.m);
    t.frames(3);
    EXPECT_NE(t.m.cpu.pc, pc);
}

// ------------------------------------------------------------- breakpoints

TEST(DebuggerBreakpoints, ListHoldsThirtyOneDistinctAddressesInOrder) {
    CpuHarness h;
    Machine& m = h.m;
    for (int i = 0; i < breakpoint_max; ++i) {
        ASSERT_EQ(debugger_add_breakpoint(m, static_cast<uint16_t>(0x4000 + i)), BreakpointAdd::added);
    }
    EXPECT_EQ(debugger_add_breakpoint(m, 0x5000), BreakpointAdd::list_full) << "the 32nd";
    EXPECT_FALSE(debugger_has_breakpoint(m, 0x5000));

    EXPECT_TRUE(debugger_remove_breakpoint(m, 0x4001));
    EXPECT_EQ(m.debugger.breakpoint_count, 30);
    EXPECT_EQ(m.debugger.breakpoints[1], 0x4002) << "removing closes the gap";
    EXPECT_EQ(debugger_add_breakpoint(m, 0x4000), BreakpointAdd::already_there);
    EXPECT_FALSE(debugger_remove_breakpoint(m, 0x4001));

    EXPECT_TRUE(debugger_toggle_breakpoint(m, 0x6000));
    EXPECT_EQ(m.debugger.breakpoints[30], 0x6000);
    EXPECT_FALSE(debugger_toggle_breakpoint(m, 0x6000));
    EXPECT_FALSE(debugger_has_breakpoint(m, 0x6000));
}

// ----------------------------------------------------------------- history

TEST(DebuggerHistory, RowsOfAKnownTraceByteForByte) {
    CpuHarness h;
    Machine& m = h.m;
    h.load(0x1000, {0x86, 0x12,         // ldaa #$12  2 cycles
                    0xC6, 0x34,         // ldab #$34  2
                    0xCE, 0xAB, 0xCD,   // ldx #$abcd 3
                    0x0D});             // sec        2
    m.cpu.pc = 0x1000;
    for (int i = 0; i < 4; ++i) h.step();

    // Only four records were written; the rest still hold the initial fill,
    // which shows no row and adds no cycles.
    EXPECT_EQ(history_last_lines(m.trace_ring, 6),
              (Lines{
                  "     -9 1000 ldaa #12    pc=1002 d=1200 x=0000 s=01ff cc=......        ",
                  "     -7 1002 ldab #34    pc=1004 d=1234 x=0000 s=01ff cc=......        ",
                  "     -5 1004 ldx  #abcd  pc=1007 d=1234 x=abcd s=01ff cc=..N...        ",
                  "     -2 1007 sec         pc=1008 d=1234 x=abcd s=01ff cc=..N..C        ",
              }));
    const auto offsets = history_cycle_offsets(m.trace_ring);
    EXPECT_EQ(offsets.front(), -9);
    EXPECT_EQ(history_line(m.trace_ring, 0, offsets[0]), "");
    EXPECT_EQ(history_clipboard_text(m.trace_ring).substr(0, 73),
              "     -9 1000 ldaa #12    pc=1002 d=1200 x=0000 s=01ff cc=......        \r\n");
}

TEST(DebuggerHistory, OffsetsSumOverTheWholeRingAfterItWraps) {
    CpuHarness h;
    Machine& m = h.m;
    h.load(0x1000, {0x01, 0x20, 0xFD});  // nop (2), bra back (4)
    m.cpu.pc = 0x1000;
    for (int i = 0; i < trace_records + 1; ++i) h.step();
    const auto offsets = history_cycle_offsets(m.trace_ring);
    EXPECT_EQ(offsets.front(), -(trace_records / 2) * 6);
    EXPECT_EQ(history_last_lines(m.trace_ring, trace_records).size(), static_cast<size_t>(trace_records));
}

// ---------------------------------------------------------------- registers

TEST(DebuggerRegisters, WriteParsesEachFieldAndKeepsWhatDoesNotParse) {
    struct Case {
        RegisterFields fields;
        uint8_t a, b;
        uint16_t x, s, pc;
        uint8_t cc;
    };
    const Case cases[] = {
        {{"$12", "52", "$abcd", "$01f0", "$4000", "$05"}, 0x12, 52, 0xABCD, 0x01F0, 0x4000, 0xC5},
        // Unparsable numbers keep the old values; CC as letters keeps bits 7-6.
        {{"x", "", "$", "1z", "70000", "hNc"}, 0x11, 0x22, 0x3333, 0x0144, 0x5555, 0xE9},
        {{"", "", "", "", "", "zq"}, 0x11, 0x22, 0x3333, 0x0144, 0x5555, 0xC4},
    };
    for (const Case& c : cases) {
        CpuHarness h;
        Machine& m = h.m;
        m.cpu.a = 0x11;
        m.cpu.b = 0x22;
        m.cpu.x = 0x3333;
        m.cpu.s = 0x0144;
        m.cpu.pc = 0x5555;
        m.cpu.cc = 0xC0;
        debugger_write_registers(m, c.fields);
        EXPECT_EQ(m.cpu.a, c.a);
        EXPECT_EQ(m.cpu.b, c.b);
        EXPECT_EQ(m.cpu.x, c.x);
        EXPECT_EQ(m.cpu.s, c.s);
        EXPECT_EQ(m.cpu.pc, c.pc);
        EXPECT_EQ(m.cpu.cc, c.cc);
        EXPECT_EQ(m.debugger.snapshot.d, c.a * 256 + c.b) << "the snapshot is taken again";
    }
    RegisterSnapshot r{0x12, 0x34, 0x1234, 0xABCD, 0x01FF, 0xF800, 0xD5};
    EXPECT_EQ(register_line(r), "A=$12 B=$34 D=$1234 X=$abcd S=$01ff PC=$f800 CC=.I.Z.C");
}

}  // namespace
}  // namespace trivo

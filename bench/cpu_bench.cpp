// Emulated instructions per second on a mixed program: ALU work, loads and
// stores through the bus (RAM and an I/O latch), branches and subroutine
// calls, with the trace ring written for every instruction as in a real run.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "cpu/cpu.h"
#include "debugger/debugger.h"
#include "machine/bus.h"

namespace {

using namespace trivo;

// Placed at 0xA000 in keyboard-unit RAM; the subroutine at 0xA040.
constexpr std::array<uint8_t, 30> main_loop = {
    0x8E, 0x01, 0xFF,  // a000 lds  #$01ff
    0xCE, 0x00, 0x10,  // a003 ldx  #$0010   loop:
    0x86, 0x20,        // a006 ldaa #$20
    0xA7, 0x00,        // a008 staa 0,x      inner:
    0x8B, 0x03,        // a00a adda #$03
    0x08,              // a00c inx
    0x8C, 0x00, 0x40,  // a00d cpx  #$0040
    0x26, 0xF6,        // a010 bne  inner
    0xBD, 0xA0, 0x40,  // a012 jsr  sub
    0xF6, 0x20, 0x00,  // a015 ldab $2000    (PIA1 port A latch)
    0x5C,              // a018 incb
    0xF7, 0x64, 0x00,  // a019 stab $6400    (printer port latch)
    0x20, 0xE5,        // a01c bra  loop
};
constexpr std::array<uint8_t, 8> subroutine = {
    0x96, 0x20,  // a040 ldaa $20
    0x44,        // a042 lsra
    0x97, 0x21,  // a043 staa $21
    0x1B,        // a045 aba
    0x19,        // a046 daa
    0x39,        // a047 rts
};

// The same program with the debugger watching: one breakpoint in the list
// (never reached), so every instruction runs the debugger's check.
void load_program(Machine& m) {
    memory_map_build(m);
    for (size_t i = 0; i < main_loop.size(); ++i) m.memory_image[0xA000 + i] = main_loop[i];
    for (size_t i = 0; i < subroutine.size(); ++i) m.memory_image[0xA040 + i] = subroutine[i];
    m.cpu.pc = 0xA000;
}

void BM_EmulatedInstructionsWithBreakpoint(benchmark::State& state) {
    auto m = make_machine();
    load_program(*m);
    debugger_add_breakpoint(*m, 0x1234);
    m->debugger.settings.enabled = flag_breakpoint;
    debugger_run_until(*m);

    int64_t instructions = 0;
    for (auto _ : state) {
        const int32_t before = m->trace_ring.position;
        cpu_execute(*m, 14915);
        int32_t ran = m->trace_ring.position - before;
        if (ran < 0) ran += trace_records;
        instructions += ran;
    }
    if (m->break_flags != 0) state.SkipWithError("the breakpoint must never be reached");
    state.counters["instructions/s"] =
        benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EmulatedInstructionsWithBreakpoint);

void BM_EmulatedInstructions(benchmark::State& state) {
    auto m = make_machine();
    memory_map_build(*m);
    for (size_t i = 0; i < main_loop.size(); ++i) m->memory_image[0xA000 + i] = main_loop[i];
    for (size_t i = 0; i < subroutine.size(); ++i) m->memory_image[0xA040 + i] = subroutine[i];
    m->cpu.pc = 0xA000;

    int64_t instructions = 0;
    for (auto _ : state) {
        const int32_t before = m->trace_ring.position;
        cpu_execute(*m, 14915);  // one frame of processor time
        int32_t ran = m->trace_ring.position - before;
        if (ran < 0) ran += trace_records;
        instructions += ran;
    }
    state.counters["instructions/s"] =
        benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EmulatedInstructions);

}  // namespace

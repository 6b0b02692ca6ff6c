// mirla's core: how many times real time it runs the APF machine (our
// system ROM's check screen, with the frame interrupt and the screen drawn
// row by row), and emulated instructions per second on the same mixed
// program as trivo's instruction benchmark.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "cpu/cpu.h"
#include "machine/machine.h"
#include "machine/run.h"
#include "machine/startup.h"

namespace {

using namespace mirla;

void BM_MirlaApfFrames(benchmark::State& state) {
    auto m = make_machine();
    machine_prepare(*m, MachineKind::apf);
    machine_load_program(*m, {});
    cpu_reset(*m);
    run_start(*m, 0);
    double now = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        for (int s = 0; s < m->run.slices_per_frame; ++s) {
            now += m->run.slice_period_ms;
            run_slice(*m, now);
        }
        m->display.image_changed = false;
        ++frames;
    }
    // Emulated seconds per second: how many times real time.
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / 60.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MirlaApfFrames);

// Placed at A000 in keyboard-unit RAM; the subroutine at A040.
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
    0xF6, 0x20, 0x00,  // a015 ldab $2000    (PIA1 keypad)
    0x5C,              // a018 incb
    0xF7, 0x64, 0x00,  // a019 stab $6400    (serial page)
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

void BM_MirlaInstructions(benchmark::State& state) {
    auto m = make_machine();
    machine_prepare(*m, MachineKind::apf);
    for (size_t i = 0; i < main_loop.size(); ++i) m->memory_image[0xA000 + i] = main_loop[i];
    for (size_t i = 0; i < subroutine.size(); ++i) m->memory_image[0xA040 + i] = subroutine[i];
    m->cpu.pc = 0xA000;
    int64_t instructions = 0;
    for (auto _ : state) {
        // One frame of processor time, as the run loop spends it.
        m->cpu.cycles_left += 14915;
        while (m->cpu.cycles_left > 0) {
            m->cpu.cycles_left -= cpu_step(*m);
            ++instructions;
        }
    }
    state.counters["instructions/s"] =
        benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MirlaInstructions);

}  // namespace

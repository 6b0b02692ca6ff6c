// Frames per second of the whole emulated frame: one frame of processor time
// through frame_tick in fast mode (every call runs a frame), then the picture
// composed by video_render_frame, as the headless runner and the fast mode
// of the program do it. The machine runs a small busy program that fills the
// text screen and switches the video mode twice a pass, so the mode log and
// the per-line mode map carry real mid-frame changes. The bar is 10,000
// frames per second on one core.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>

#include "host/keyboard.h"
#include "machine/bus.h"
#include "machine/config.h"
#include "machine/machine.h"
#include "machine/scheduler.h"
#include "video/video.h"

namespace {

using namespace trivo;

// Placed at 0xA000 in keyboard-unit RAM.
constexpr std::array<uint8_t, 34> busy_program = {
    0x8E, 0x01, 0xFF,  // a000 lds  #$01ff
    0xCE, 0x02, 0x00,  // a003 ldx  #$0200   loop:
    0x86, 0x41,        // a006 ldaa #$41
    0xA7, 0x00,        // a008 staa 0,x      inner: a character on the text screen
    0x4C,              // a00a inca
    0x84, 0x7F,        // a00b anda #$7f
    0x08,              // a00d inx
    0x8C, 0x04, 0x00,  // a00e cpx  #$0400
    0x26, 0xF5,        // a011 bne  inner
    0xC6, 0xC0,        // a013 ldab #$c0
    0xF7, 0x20, 0x02,  // a015 stab $2002    2-colour graphics
    0xD6, 0x40,        // a018 ldab $40
    0x5C,              // a01a incb
    0xD7, 0x40,        // a01b stab $40
    0x7F, 0x20, 0x02,  // a01d clr  $2002    text again
    0x20, 0xE1,        // a020 bra  loop
};

void start_busy_machine(Machine& m) {
    memory_map_build(m);
    for (size_t i = 0; i < busy_program.size(); ++i) m.memory_image[0xA000 + i] = busy_program[i];
    m.cpu.pc = 0xA000;
    set_timing_mode(m.settings, TimingMode::fast);
    timing_recompute(m);
    for (int i = 0; i < char_rom_size; ++i) m.char_rom[i] = static_cast<uint8_t>(i * 37);
    video_build_tables(m);
}

// The keyboard as nobody touches it: the window has no focus.
void untouched_keyboard(Machine&) {}

// The same frame with the keyboard mapping at its most expensive: the
// emulated map, every APF key listing 15 PC keys, all 255 PC keys held,
// both controllers present with every button pressed.
void worst_case_keyboard(Machine& m) {
    m.settings.emulatedflag = 1;
    m.settings.joykeyenable = 1;
    for (int key = 0; key < 96; ++key) {
        std::string text;
        for (int i = 0; i < 15; ++i) {
            static constexpr char hex[] = "0123456789ABCDEF";
            const int code = 1 + (key * 15 + i) % 254;
            text += hex[code >> 4];
            text += hex[code & 15];
        }
        m.settings.emu_key_map[key] = text;
    }
    keyboard_rebuild_tables(m);
    m.input.host.focused = true;
    m.input.host.keys_down.fill(1);
    for (auto& joy : m.input.host.joysticks) {
        joy.present = true;
        joy.caps_axes = 2;
        joy.caps_povs = 1;
        joy.axes[0] = 700;
        joy.buttons.fill(joy_button_down);
    }
}

// What a player's frame looks like: the configuration's defaults (the
// sensible keyboard), the window focused, Shift and A held, one controller
// present and pushed left with its fire button down.
void ordinary_keyboard(Machine& m) {
    config_read_all("/nonexistent/trivo-bench.ini", m.settings);
    keyboard_rebuild_tables(m);
    m.input.host.focused = true;
    m.input.host.keys_down[vk_shift] = 1;
    m.input.host.keys_down['A'] = 1;
    JoystickState& joy = m.input.host.joysticks[0];
    joy.present = true;
    joy.caps_axes = 2;
    joy.caps_povs = 1;
    joy.axes[0] = -700;
    joy.buttons[0] = joy_button_down;
}

// A whole frame with the keyboard as set up; the difference between the
// keyboards is what keyboard scanning adds to a frame.
void BM_FullFrame(benchmark::State& state, void (*keyboard)(Machine&)) {
    auto m = make_machine();
    keyboard(*m);  // first: the configuration's defaults include real-time timing
    start_busy_machine(*m);
    for (auto _ : state) {
        frame_tick(*m);
        video_render_frame(*m);
        benchmark::DoNotOptimize(m->frame_pixels[frame_width * frame_height / 2]);
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_FullFrame, untouched_keyboard, untouched_keyboard);
BENCHMARK_CAPTURE(BM_FullFrame, ordinary_keyboard, ordinary_keyboard);
BENCHMARK_CAPTURE(BM_FullFrame, worst_case_keyboard, worst_case_keyboard);

// keyboard_scan alone.
void BM_KeyboardScan(benchmark::State& state, void (*keyboard)(Machine&)) {
    auto m = make_machine();
    keyboard(*m);
    for (auto _ : state) {
        keyboard_scan(*m);
        benchmark::DoNotOptimize(m->key_state[0]);
    }
}
BENCHMARK_CAPTURE(BM_KeyboardScan, ordinary_keyboard, ordinary_keyboard);
BENCHMARK_CAPTURE(BM_KeyboardScan, worst_case_keyboard, worst_case_keyboard);

// The picture alone, for comparison: the same machine's memory and mode log.
void BM_RenderFrame(benchmark::State& state) {
    auto m = make_machine();
    start_busy_machine(*m);
    frame_tick(*m);
    for (auto _ : state) {
        video_render_frame(*m);
        benchmark::DoNotOptimize(m->frame_pixels[frame_width * frame_height / 2]);
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderFrame);

}  // namespace

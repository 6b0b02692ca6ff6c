#include "machine/run.h"

#include <cmath>

#include "cpu/cpu.h"
#include "display/display.h"

namespace mirla {

namespace {

constexpr int speed_window_frames = 20;

// Every 20 frames the frames done and the milliseconds they took go into a
// ring of 10 windows; the display shows frames per second over the ring.
void speed_frame(Machine& m, double now_ms) {
    RunState& r = m.run;
    ++r.frames;
    const auto done = static_cast<uint32_t>(r.frames - r.window_start_frames);
    if (done < speed_window_frames) return;
    const double ms = now_ms - r.window_start_ms;
    r.window_frames[r.window_next] = done;
    r.window_ms[r.window_next] = ms > 0 ? static_cast<uint32_t>(ms) : 0;
    r.window_next = (r.window_next + 1) % speed_windows;
    r.window_start_frames = static_cast<uint32_t>(r.frames);
    r.window_start_ms = now_ms;
    uint64_t frames = 0, total_ms = 0;
    for (int i = 0; i < speed_windows; ++i) {
        frames += r.window_frames[i];
        total_ms += r.window_ms[i];
    }
    if (total_ms > 0) r.speed_fps = static_cast<int>((frames * 1000 + total_ms / 2) / total_ms);
}

}  // namespace

void run_setup_timing(Machine& m) {
    RunState& r = m.run;
    if (m.kind == MachineKind::qlumen2) {
        r.slices_per_frame = qlumen2_slices_per_frame;
        r.cycles_per_slice = qlumen2_cycles_per_slice;
        r.slice_period_ms = qlumen2_slice_ms;
    } else {
        r.slices_per_frame = 22;
        r.cycles_per_slice = static_cast<int>(std::lround(frame_cycles / 22));
        r.slice_period_ms = frame_ms / 22;
    }
}

void speed_restart(Machine& m, double now_ms) noexcept {
    RunState& r = m.run;
    r.window_frames.fill(60);
    r.window_ms.fill(1000);
    r.window_next = 0;
    r.window_start_frames = static_cast<uint32_t>(r.frames);
    r.window_start_ms = now_ms;
    r.speed_fps = 60;
}

void run_start(Machine& m, double now_ms) {
    m.run.slice_index = 0;
    m.display.row_dirty.fill(true);
    speed_restart(m, now_ms);
    m.run.pace_accumulator_ms = 0;
    m.run.pace_last_ms = now_ms;
}

bool run_slice(Machine& m, double now_ms) noexcept {
    RunState& r = m.run;
    CpuState& c = m.cpu;
    while (c.cycles_left > 0) c.cycles_left -= cpu_step(m);
    c.cycles_left += r.cycles_per_slice;
    ++r.slices;

    if (m.kind == MachineKind::qlumen2) {
        display_refresh_leds(m);
        cpu_frame_interrupt_check(m);
        if (++r.slice_index == r.slices_per_frame) {
            r.slice_index = 0;
            speed_frame(m, now_ms);
        }
        return r.slices % qlumen2_slices_per_show == 0;
    }

    if (r.slice_index >= 3 && r.slice_index <= 18) {
        if (m.kind == MachineKind::apf) {
            display_draw_row(m, r.slice_index - 3);
        } else {
            display_refresh_leds(m);
        }
    }
    if (++r.slice_index < r.slices_per_frame) return false;
    r.slice_index = 0;
    speed_frame(m, now_ms);
    cpu_frame_interrupt_check(m);
    display_frame_end(m);
    return m.display.image_changed;
}

double run_pace(Machine& m, double now_ms) noexcept {
    RunState& r = m.run;
    const double elapsed = now_ms - r.pace_last_ms;
    r.pace_last_ms = now_ms;
    if (elapsed > 0) r.pace_accumulator_ms += elapsed;
    if (r.pace_accumulator_ms > pace_cap_ms) r.pace_accumulator_ms = pace_cap_ms;
    if (r.pace_accumulator_ms > r.slice_period_ms) {
        r.pace_accumulator_ms -= r.slice_period_ms;
        return 0;
    }
    return r.slice_period_ms - r.pace_accumulator_ms;
}

}  // namespace mirla

// Frame timing and the frame scheduler.
//
// The machine advances one television field at a time: frame_cycles
// processor cycles (machine/timing.h) make one frame. frame_tick decides from
// the host's clock whether a frame is due, runs it (processor slices around
// the field-sync edges, then the per-frame work of sound, keyboard, cassette,
// printer and scripts), measures the emulation speed and says whether a
// frame is ready to show. It also keeps the log of mid-frame video mode changes that the
// display turns into a per-line mode map.
#pragma once

#include <array>
#include <cstdint>

#include "machine/timing.h"

namespace trivo {

struct Machine;

// Field sync rises at the start of the frame; it falls after the top border
// and the 192 active lines, 13066 cycles in.
inline constexpr int first_slice_cycles = 2171;
inline constexpr int second_slice_cycles = 10895;

// One active line lasts 455/8 = 56.875 cycles; the mode log places a change
// on one of 32 positions per line.
inline constexpr int mode_positions_per_line = 32;
inline constexpr int mode_lines = 192;
inline constexpr int mode_map_size = mode_positions_per_line * mode_lines;

struct VideoModeLogEntry {
    uint16_t position;
    uint8_t mode;
};

struct VideoModeLog {
    std::array<VideoModeLogEntry, mode_map_size> entries{};
    int count = 0;
    uint32_t frame_start_clock = 0;
};

struct FrameHistorySlot {
    uint32_t milliseconds = 0;
    int32_t cycles = 0;
};

struct FrameScheduler {
    int64_t counter_frequency = 0;  // 0: the host has no high-resolution counter
    int64_t frame_period = 0;       // counter ticks per frame
    int64_t next_frame_time = 0;    // counter value
    uint32_t last_frame_time = 0;   // millisecond clock, without a counter
    uint32_t frames_since_base = 0; // millisecond pacing: frames run since base
    int64_t next_repaint_time = 0;  // millisecond clock or counter value
    std::array<FrameHistorySlot, 16> frame_history{};
    int history_index = 0;
    int speed_percent = 100;
    // Frames run so far. Whoever drives frame_tick counts frames by this,
    // not by machine_clock: a processor waiting in WAI runs whole frames
    // without moving the clock.
    uint64_t frames_run = 0;
    bool running = false;  // cleared once after a stop, for one last repaint
};

// The mode bits PIA1 drives: port B bits 7-6 with control register A bit 3.
uint8_t video_mode_byte(const Machine& m);

// Recomputes m.timing from the timing settings.
void timing_recompute(Machine& m);

// At the creation of the window: asks the host for its counter and sets the
// frame period from the frame rate. The sound output may replace the period.
void frame_scheduler_start(Machine& m);

// At every machine reset: the next frame is due now.
void frame_timer_arm(Machine& m);

// Runs a frame when one is due. True when a frame is ready to show: the
// caller then refreshes the debugger (debugger_refresh) and paints
// frame_pixels. Also true once after the processor stops, so the stopped
// state is shown.
bool frame_tick(Machine& m);

void video_mode_log_note(Machine& m, uint8_t new_mode, uint32_t cycles_since_frame_start,
                         uint8_t old_mode);
void video_mode_map_build(Machine& m);

}  // namespace trivo

// The run loop, split so that a front end runs one time slice at a time and
// sleeps until the next is due. Real time is cut into frames of 60 a second
// (22 slices on the APF, "Vendel-I" and "Q.Lumen I"); "Q.Lumen II" runs
// slices of its own and has no frames.
#pragma once

#include "machine/machine.h"

namespace mirla {

// Processor cycles in one 60 Hz frame.
inline constexpr double frame_cycles = 14914.7708333;
inline constexpr double frame_ms = 1000.0 / 60.0;
inline constexpr int qlumen2_cycles_per_slice = 994;
inline constexpr double qlumen2_slice_ms = 1.8888889;
// "Q.Lumen II" counts a frame every 10 slices for its speed display, and
// shows its window image every 20 slices.
inline constexpr int qlumen2_slices_per_frame = 10;
inline constexpr int qlumen2_slices_per_show = 20;
// The pacing never tries to catch up more than this after a stall.
inline constexpr double pace_cap_ms = 200.0;

// Slice size and period of the machine.
void run_setup_timing(Machine& m);

// Run loop start: slice 0, every screen row to be drawn, the speed display
// and the pacing restarted at now_ms.
void run_start(Machine& m, double now_ms);

// Runs one slice: instructions until the budget is spent, the budget refilled
// by one slice, then the slice's display work, and at a frame end the frame
// interrupt check and the speed display. now_ms is the host clock in
// milliseconds. Returns true when the window image should be shown now.
bool run_slice(Machine& m, double now_ms) noexcept;

// Pacing: adds the milliseconds since the last call (at most 200 owed in
// all). Returns 0 when a slice is due, having taken its period from what is
// owed; otherwise the milliseconds to sleep before asking again.
double run_pace(Machine& m, double now_ms) noexcept;

// Restarts the speed measurement: ten windows of 60 frames in 1000 ms.
void speed_restart(Machine& m, double now_ms) noexcept;

}  // namespace mirla

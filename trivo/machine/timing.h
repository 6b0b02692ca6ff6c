// The machine's clock and the frame timing of the two television standards.
//
// The processor runs at 894900 Hz. An NTSC field (60 a second) is 14915 of
// its cycles: 11364 of active scan, then 3551 of border and vertical blank.
// A PAL field (50 a second) is 17898: 13637 and 4261. Each standard is one
// row below; the speed settings scale a row, and the custom mode replaces it.
#pragma once

namespace trivo {

inline constexpr int cpu_clock_hz = 894900;

// One frame: how many a second, and its processor cycles in two parts.
struct Timing {
    int frames_per_second;
    int active_scan_cycles;
    int vblank_cycles;  // border + vertical blank
};

inline constexpr Timing ntsc_timing = {60, 11364, 3551};

// The custom mode's two parts of a frame take at least 24 cycles each and at
// most five seconds of processor time each: a "frame" that long no longer
// behaves as one (the sound output places a frame's clicks within it, the
// speed shown is measured over 16 frames), and the bound keeps every sum of
// frame cycles far from the int range.
inline constexpr int custom_part_cycles_min = 24;
inline constexpr int custom_part_cycles_max = 5 * cpu_clock_hz;  // 4474500
inline constexpr Timing pal_timing = {50, 13637, 4261};

// One NTSC field of processor time: the frame the scheduler always runs.
inline constexpr int frame_cycles = ntsc_timing.active_scan_cycles + ntsc_timing.vblank_cycles;

static_assert(frame_cycles * ntsc_timing.frames_per_second == cpu_clock_hz);
static_assert((pal_timing.active_scan_cycles + pal_timing.vblank_cycles) *
                  pal_timing.frames_per_second ==
              cpu_clock_hz);

// The timing modes of the speed setting (cpuspeedopt keeps these numbers in
// the configuration file).
enum class TimingMode : int {
    ntsc = 0,    // ntsc_timing at ntscmultiplierpct percent
    pal = 1,     // pal_timing at palmultiplierpct percent
    custom = 2,  // the settings' own frame rate and cycle counts
    fast = 3,    // ntsc_timing, frames run back to back
};

}  // namespace trivo

#include "machine/scheduler.h"

#include <algorithm>

#include "automation/automation.h"
#include "cassette/deck.h"
#include "cassette/printer.h"
#include "cpu/cpu.h"
#include "host/keyboard.h"
#include "host/sound.h"
#include "machine/bus.h"
#include "machine/io.h"
#include "machine/machine.h"

namespace trivo {

namespace {

// Without a high-resolution counter, frames are paced by the millisecond
// clock: frame n since the base time is due at base + n * 1000 / fps. A host
// that falls more than a frame behind restarts the count instead of running
// a burst of frames.
bool millisecond_frame_due(Machine& m, uint32_t now) {
    FrameScheduler& s = m.scheduler;
    const uint64_t fps = static_cast<uint64_t>(std::max(1, m.timing.frames_per_second));
    const uint64_t elapsed = static_cast<uint32_t>(now - s.last_frame_time);
    const uint64_t due_at = static_cast<uint64_t>(s.frames_since_base) * 1000;
    if (elapsed * fps < due_at) return false;
    if (elapsed * fps >= due_at + 1000) {
        s.last_frame_time = now;
        s.frames_since_base = 1;
    } else {
        ++s.frames_since_base;
    }
    return true;
}

bool repaint_due(Machine& m, bool frame_due, uint32_t now) {
    FrameScheduler& s = m.scheduler;
    if (!m.settings.usevideoupdatepsflag) return frame_due;
    const int64_t per_second = std::clamp(m.settings.videoupdatesps, 1, 600);
    if (s.counter_frequency <= 0) {
        const int64_t step = 1000 / per_second;
        if (static_cast<int64_t>(now) >= s.next_repaint_time || now < 2000 / per_second) {
            s.next_repaint_time = static_cast<int64_t>(now) + step;
            return true;
        }
        return false;
    }
    const auto counter = m.host->counter();
    if (!counter) return false;
    if (*counter >= s.next_repaint_time || *counter < 2 * s.counter_frequency / per_second) {
        s.next_repaint_time = *counter + s.counter_frequency / per_second;
        return true;
    }
    return false;
}

void record_speed(Machine& m, uint32_t now, int total) {
    FrameScheduler& s = m.scheduler;
    s.frame_history[s.history_index] = {now, total};
    int64_t sum = 0;
    for (int i = 0; i < 16; ++i) {
        if (i != s.history_index) sum += s.frame_history[i].cycles;
    }
    s.history_index = (s.history_index + 1) % 16;
    const FrameHistorySlot& oldest = s.frame_history[s.history_index];
    if (s.history_index == 0 && now != oldest.milliseconds) {
        const int64_t elapsed = static_cast<uint32_t>(now - oldest.milliseconds);
        s.speed_percent = static_cast<int>(sum * 1000 / elapsed * 100 / cpu_clock_hz);
    }
}

void run_frame(Machine& m, uint32_t frame_start, uint32_t now) {
    sound_frame_start(m, frame_start);
    m.video_mode_log.count = 0;
    m.video_mode_log.frame_start_clock = frame_start;

    field_sync_rise(m);
    int total = cpu_execute(m, first_slice_cycles);
    total += cpu_execute(m, second_slice_cycles);
    field_sync_fall(m);
    // A frame always runs its full length: the pad slice makes up what the
    // first two left, whatever their last instructions overshot.
    if (total < frame_cycles) total += cpu_execute(m, frame_cycles - total);

    sound_frame_end(m);
    keyboard_scan(m);
    deck_idle_check(m);
    printer_idle_check(m);
    script_step(m);
    record_speed(m, now, total);
    ++m.scheduler.frames_run;
}

}  // namespace

uint8_t video_mode_byte(const Machine& m) {
    return static_cast<uint8_t>(
        (m.memory_image[pia1_base + pia_port_b] & pia1_port_b_video_mode_bits) |
        (m.memory_image[pia1_base + pia_cra] & pia1_cra_video_mode_bit));
}

void timing_recompute(Machine& m) {
    const Settings& s = m.settings;
    Timing& t = m.timing;
    // A speed in percent stretches the cycles of a frame, not the frame rate.
    // The settings are clamped when read; a record filled by other means is
    // clamped here the same way, and the products are taken in 64 bits.
    const auto scaled = [](const Timing& row, int percent) {
        const int64_t p = std::clamp(percent, 1, 1000);
        return Timing{row.frames_per_second, static_cast<int>(p * row.active_scan_cycles / 100),
                      static_cast<int>(p * row.vblank_cycles / 100)};
    };
    switch (timing_mode(s)) {
        case TimingMode::pal: t = scaled(pal_timing, s.palmultiplierpct); break;
        case TimingMode::custom: t = {s.fpscust, s.activescancust, s.vblankcust}; break;
        case TimingMode::fast: t = ntsc_timing; break;
        case TimingMode::ntsc:
        default: t = scaled(ntsc_timing, s.ntscmultiplierpct); break;
    }
    t.frames_per_second = std::clamp(t.frames_per_second, 1, 600);
    // The NTSC and PAL rows at 1000 % stay well inside the custom bounds.
    t.active_scan_cycles = std::clamp(t.active_scan_cycles, custom_part_cycles_min, custom_part_cycles_max);
    t.vblank_cycles = std::clamp(t.vblank_cycles, custom_part_cycles_min, custom_part_cycles_max);
}

void frame_scheduler_start(Machine& m) {
    FrameScheduler& s = m.scheduler;
    s.counter_frequency = std::max<int64_t>(0, m.host->counter_frequency());
    if (s.counter_frequency > 0) {
        s.frame_period = s.counter_frequency / std::max(1, m.timing.frames_per_second);
    }
}

void frame_timer_arm(Machine& m) {
    FrameScheduler& s = m.scheduler;
    if (s.counter_frequency > 0) {
        if (const auto counter = m.host->counter()) s.next_frame_time = *counter;
    } else {
        s.last_frame_time = m.host->milliseconds();
        s.frames_since_base = 0;
    }
}

bool frame_tick(Machine& m) {
    FrameScheduler& s = m.scheduler;
    const uint32_t frame_start = m.machine_clock;
    const uint32_t now = m.host->milliseconds();

    bool due = false;
    if (s.counter_frequency > 0) {
        if (const auto counter = m.host->counter()) {
            if (*counter >= s.next_frame_time) {
                due = true;
                s.next_frame_time += s.frame_period;
                // More than a period behind: drop the backlog, never catch up in a burst.
                if (*counter >= s.next_frame_time) s.next_frame_time = *counter + s.frame_period;
            }
        }
    } else {
        due = millisecond_frame_due(m, now);
    }
    if (timing_mode(m.settings) == TimingMode::fast) due = true;

    const bool repaint = repaint_due(m, due, now);

    if (m.settings.speedupfilesflag &&
        (m.quicktype.active || m.deck.playing || m.file_activity != 0)) {
        due = true;
    }

    if (m.break_flags != 0) {
        sound_suspend(m);
        if (!s.running) return false;
        // First call after a stop: one more frame to show, the stopped state.
        s.running = false;
        return true;
    }

    s.running = true;
    if (due) run_frame(m, frame_start, now);
    return repaint;
}

void video_mode_log_note(Machine& m, uint8_t new_mode, uint32_t cycles_since_frame_start,
                         uint8_t old_mode) {
    VideoModeLog& log = m.video_mode_log;
    if (log.count == 0) {
        log.entries[0] = {0, old_mode};
        log.count = 1;
    }
    if (new_mode == old_mode) return;
    if (cycles_since_frame_start <= static_cast<uint32_t>(first_slice_cycles)) {
        // Changed before the first active line: the whole frame starts in the new mode.
        log.entries[0] = {0, new_mode};
        log.count = 1;
        return;
    }
    const uint32_t into_active = cycles_since_frame_start - first_slice_cycles;
    uint32_t line = into_active * 8 / 455;
    uint32_t column = into_active - line * 455 / 8;
    if (column >= static_cast<uint32_t>(mode_positions_per_line)) {
        ++line;
        column = 0;
    }
    if (line >= static_cast<uint32_t>(mode_lines)) return;
    const auto position = static_cast<uint16_t>(line * mode_positions_per_line + column);
    VideoModeLogEntry& last = log.entries[log.count - 1];
    if (position == last.position) {
        last.mode = new_mode;
    } else if (log.count < mode_map_size) {
        log.entries[log.count++] = {position, new_mode};
    }
}

void video_mode_map_build(Machine& m) {
    const VideoModeLog& log = m.video_mode_log;
    if (log.count == 0) {
        m.video_mode_map.fill(video_mode_byte(m));
        return;
    }
    int entry = 0;
    for (int position = 0; position < mode_map_size; ++position) {
        while (entry + 1 < log.count && log.entries[entry + 1].position <= position) ++entry;
        m.video_mode_map[position] = log.entries[entry].mode;
    }
}

}  // namespace trivo

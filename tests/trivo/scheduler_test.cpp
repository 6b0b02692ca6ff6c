// The frame scheduler against a clock the test turns by hand.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>

#include "cpu/cpu.h"
#include "fake_host.h"
#include "host/sound.h"
#include "machine/config.h"
#include "machine/bus.h"
#include "machine/io.h"
#include "machine/machine.h"
#include "machine/scheduler.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

using test::FakeHost;

constexpr int64_t counter_hz = 600'000;  // whole ticks per frame and per repaint
constexpr int64_t base = 1'000'000'000;  // far from the counter's start

// A running machine sitting in a branch-to-itself loop at A000.
struct Scheduled {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    FakeHost host;
    int frames = 0;

    explicit Scheduled(int64_t frequency = counter_hz) {
        m.host = &host;
        host.frequency = frequency;
        host.counter_value = base;
        host.now_ms = 5'000'000;
        memory_map_build(m);
        m.memory_image[0xA000] = 0x20;  // bra *
        m.memory_image[0xA001] = 0xFE;
        m.cpu.pc = 0xA000;
        timing_recompute(m);
        frame_scheduler_start(m);
        frame_timer_arm(m);
    }

    // Calls frame_tick and tells whether a frame ran.
    bool tick() {
        const uint64_t before = m.scheduler.frames_run;
        const bool repaint = frame_tick(m);
        last_repaint = repaint;
        const bool ran = m.scheduler.frames_run != before;
        frames += ran;
        return ran;
    }
    bool last_repaint = false;
};

TEST(FrameTick, LateCallRunsOneFrameAndTheNextIsAFullPeriodLater) {
    Scheduled s;
    const int64_t period = counter_hz / 60;
    ASSERT_EQ(s.m.scheduler.frame_period, period);

    EXPECT_TRUE(s.tick());  // due at once after the reset
    s.host.counter_value = base + period - 1;
    EXPECT_FALSE(s.tick());
    s.host.counter_value = base + period;
    EXPECT_TRUE(s.tick());

    // Ten periods late: exactly one frame, no burst to catch up.
    const int64_t late = base + 11 * period + 123;
    s.host.counter_value = late;
    EXPECT_TRUE(s.tick());
    EXPECT_FALSE(s.tick());
    s.host.counter_value = late + period - 1;
    EXPECT_FALSE(s.tick());
    s.host.counter_value = late + period;
    EXPECT_TRUE(s.tick());
}

TEST(FrameTick, FailedCounterReadRunsNoFrame) {
    Scheduled s;
    s.host.counter_value = std::nullopt;
    EXPECT_FALSE(s.tick());
}

TEST(FrameTick, MillisecondPacingWithoutACounter) {
    Scheduled s(0);
    int ran = 0;
    // One emulated second at 1 ms steps gives 60 frames.
    for (int ms = 0; ms < 1000; ++ms) {
        ++s.host.now_ms;
        ran += s.tick();
    }
    EXPECT_NEAR(ran, 60, 1);
}

TEST(FrameTick, FramesAlwaysRunTheirFullLength) {
    Scheduled s;
    // Every instruction costs 12 cycles (SWI into a handler that is SWI
    // again), so every slice overshoots its budget.
    s.m.memory_image[0xA000] = 0x3F;  // swi
    s.m.memory_image[0xFFFA] = 0xA0;
    s.m.memory_image[0xFFFB] = 0x00;
    s.m.cpu.s = 0x03FF;
    for (int i = 0; i < 5; ++i) {
        const uint32_t before = s.m.machine_clock;
        s.host.counter_value = base + i * s.m.scheduler.frame_period;
        ASSERT_TRUE(s.tick());
        const uint32_t cycles = s.m.machine_clock - before;
        EXPECT_GE(cycles, static_cast<uint32_t>(frame_cycles));
        EXPECT_LT(cycles, static_cast<uint32_t>(frame_cycles + 12));
    }
}

TEST(FrameTick, SpeedReads100AtFullSpeed) {
    Scheduled s;
    for (int frame = 0; frame < 48; ++frame) {
        s.host.counter_value = base + frame * s.m.scheduler.frame_period;
        s.host.now_ms = 5'000'000 + static_cast<uint32_t>(frame * 1000 / 60);
        s.tick();
    }
    EXPECT_EQ(s.frames, 48);
    EXPECT_EQ(s.m.scheduler.speed_percent, 100);
}

TEST(FrameTick, SpeedHalvesWhenFramesComeAtHalfTheRate) {
    Scheduled s;
    for (int frame = 0; frame < 48; ++frame) {
        s.host.counter_value = base + frame * s.m.scheduler.frame_period;
        s.host.now_ms = 5'000'000 + static_cast<uint32_t>(frame * 1000 / 30);
        s.tick();
    }
    EXPECT_EQ(s.m.scheduler.speed_percent, 50);
}

TEST(FrameTick, RepaintFollowsFramesOrItsOwnPace) {
    // Without paced repaints, a repaint comes exactly with each frame.
    {
        Scheduled s;
        EXPECT_TRUE(s.tick());
        EXPECT_TRUE(s.last_repaint);
        EXPECT_FALSE(s.tick());
        EXPECT_FALSE(s.last_repaint);
    }
    // 30 repaints per second with the counter: every other frame.
    {
        Scheduled s;
        s.m.settings.usevideoupdatepsflag = 1;
        s.m.settings.videoupdatesps = 30;
        int repaints = 0;
        for (int frame = 0; frame < 60; ++frame) {
            s.host.counter_value = base + frame * s.m.scheduler.frame_period;
            s.tick();
            repaints += s.last_repaint;
        }
        EXPECT_EQ(s.frames, 60);
        EXPECT_NEAR(repaints, 30, 1);
    }
    // 20 per second with the millisecond clock.
    {
        Scheduled s(0);
        s.m.settings.usevideoupdatepsflag = 1;
        s.m.settings.videoupdatesps = 20;
        int repaints = 0;
        for (int ms = 0; ms < 1000; ++ms) {
            ++s.host.now_ms;
            s.tick();
            repaints += s.last_repaint;
        }
        EXPECT_NEAR(repaints, 20, 1);
    }
    // Just after the counter started, a repaint is never held back.
    {
        Scheduled s;
        s.m.settings.usevideoupdatepsflag = 1;
        s.m.settings.videoupdatesps = 10;
        s.host.counter_value = 1000;
        s.m.scheduler.next_repaint_time = 50'000;
        s.tick();
        EXPECT_TRUE(s.last_repaint);
    }
}

TEST(FrameTick, FileActivityAndFastModeRunFramesBackToBack) {
    Scheduled s;
    s.tick();
    EXPECT_FALSE(s.tick());  // clock stands still: nothing due
    s.m.file_activity = activity_printer;
    EXPECT_TRUE(s.tick());
    EXPECT_TRUE(s.tick());
    s.m.settings.speedupfilesflag = 0;
    EXPECT_FALSE(s.tick());
    s.m.file_activity = 0;
    s.m.quicktype.active = true;
    EXPECT_FALSE(s.tick());
    s.m.settings.speedupfilesflag = 1;
    EXPECT_TRUE(s.tick());
    s.m.quicktype.active = false;
    s.m.deck.playing = true;
    EXPECT_TRUE(s.tick());
    s.m.deck.playing = false;
    set_timing_mode(s.m.settings, TimingMode::fast);
    EXPECT_TRUE(s.tick());
    EXPECT_TRUE(s.tick());
}

// A processor waiting in WAI consumes whole frames without moving
// machine_clock; they are frames all the same.
TEST(FrameTick, FramesRunWhileTheProcessorWaitsInWai) {
    const struct {
        const char* name;
        uint8_t mask;  // sei or cli before the wai
    } cases[] = {
        {"SEI; WAI", 0x0F},
        {"CLI; WAI with the field-sync interrupt off", 0x0E},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scheduled s;
        ASSERT_EQ(s.m.memory_image[pia1_base + 3] & 0x01, 0);  // CRB: field-sync IRQ off
        s.m.memory_image[0xA000] = c.mask;
        s.m.memory_image[0xA001] = 0x3E;  // wai
        for (int frame = 0; frame < 5; ++frame) {
            s.host.counter_value = base + frame * s.m.scheduler.frame_period;
            EXPECT_TRUE(s.tick()) << "frame " << frame;
            EXPECT_FALSE(s.tick()) << "frame " << frame;
        }
        EXPECT_EQ(s.frames, 5);
        EXPECT_EQ(s.m.machine_clock, 2u + 9u);  // the two instructions, then nothing
        EXPECT_EQ(s.m.cpu.wait_state & wait_wai, wait_wai);
    }
}

TEST(FrameTick, StoppedMachineRepaintsOnceAndRunsNothing) {
    Scheduled s;
    s.tick();
    s.m.break_flags = flag_read_watch;
    const uint32_t clock = s.m.machine_clock;
    s.host.counter_value = base + 5 * s.m.scheduler.frame_period;
    EXPECT_TRUE(frame_tick(s.m));
    EXPECT_FALSE(frame_tick(s.m));
    EXPECT_FALSE(frame_tick(s.m));
    EXPECT_EQ(s.m.machine_clock, clock);
    EXPECT_TRUE(s.m.sound.suspended);

    s.m.break_flags = 0;
    s.host.counter_value = base + 7 * s.m.scheduler.frame_period;
    EXPECT_TRUE(s.tick());
}

TEST(Timing, RecomputeForTheFourModes) {
    struct TimingCase {
        TimingMode mode;
        int ntsc_pct, pal_pct;
        int fps, active, vblank;
    };
    const TimingCase cases[] = {
        {TimingMode::ntsc, 100, 100, 60, 11364, 3551},
        {TimingMode::ntsc, 150, 100, 60, 17046, 5326},
        {TimingMode::pal, 100, 100, 50, 13637, 4261},
        {TimingMode::pal, 100, 33, 50, 4500, 1406},
        {TimingMode::custom, 100, 100, 25, 20000, 5000},
        {TimingMode::fast, 400, 400, 60, 11364, 3551},
    };
    for (const TimingCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << static_cast<int>(c.mode));
        auto m = make_machine();
        set_timing_mode(m->settings, c.mode);
        m->settings.ntscmultiplierpct = c.ntsc_pct;
        m->settings.palmultiplierpct = c.pal_pct;
        m->settings.fpscust = 25;
        m->settings.activescancust = 20000;
        m->settings.vblankcust = 5000;
        timing_recompute(*m);
        EXPECT_EQ(m->timing.frames_per_second, c.fps);
        EXPECT_EQ(m->timing.active_scan_cycles, c.active);
        EXPECT_EQ(m->timing.vblank_cycles, c.vblank);
    }
}

// Custom cycle counts near the int range, from the file or set by other
// means, end as at most five seconds of processor time per part, and the
// frame length the sound output places clicks by is their exact sum.
TEST(Timing, CustomPartsAreBoundedAndSumWithoutOverflow) {
    test_support::ScratchFolder folder;
    const std::string path = folder.file("custom.ini");
    std::ofstream(path) << "[SPEED]\ncpuspeedopt=2\nactivescancust=2147483647\nvblankcust=99999999999\n";
    auto m = make_machine();
    config_read_all(path, m->settings);
    EXPECT_EQ(m->settings.activescancust, 4474500);
    EXPECT_EQ(m->settings.vblankcust, 4474500);

    struct Parts {
        int active, vblank;
        int64_t frame;
    };
    const Parts cases[] = {
        {m->settings.activescancust, m->settings.vblankcust, 8949000},
        {INT_MAX, INT_MAX, 8949000},  // a record filled without the reader
        {INT_MIN, 4474499, 24 + 4474499},
    };
    for (const Parts& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.active << " + " << c.vblank);
        m->settings.activescancust = c.active;
        m->settings.vblankcust = c.vblank;
        timing_recompute(*m);
        sound_frame_start(*m, m->machine_clock);
        EXPECT_EQ(int64_t{m->timing.active_scan_cycles} + m->timing.vblank_cycles, c.frame);
        EXPECT_EQ(m->sound.cycles_per_frame, c.frame);
    }
}

TEST(VideoModeLog, PositionsOfChangesWithinTheFrame) {
    struct NoteCase {
        uint32_t cycles;
        uint16_t position;
    };
    const NoteCase cases[] = {
        {2171 + 1, 1},           // line 0, column 1
        {2171 + 40, 32},         // column 40 is past the line: line 1, column 0
        {2171 + 57, 33},         // line 1, column 1
        {2171 + 455 * 191 / 8 + 31, 191 * 32 + 31},
    };
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.cycles);
        auto m = make_machine();
        video_mode_log_note(*m, 0x80, c.cycles, 0x00);
        ASSERT_EQ(m->video_mode_log.count, 2);
        EXPECT_EQ(m->video_mode_log.entries[0].position, 0);
        EXPECT_EQ(m->video_mode_log.entries[0].mode, 0x00);
        EXPECT_EQ(m->video_mode_log.entries[1].position, c.position);
        EXPECT_EQ(m->video_mode_log.entries[1].mode, 0x80);
    }
}

TEST(VideoModeLog, EarlyChangesSetTheFrameLateOnesAreIgnoredSamePositionOverwrites) {
    auto m = make_machine();
    video_mode_log_note(*m, 0x08, 2171, 0x00);  // before the first line
    ASSERT_EQ(m->video_mode_log.count, 1);
    EXPECT_EQ(m->video_mode_log.entries[0].mode, 0x08);

    video_mode_log_note(*m, 0x08, 3000, 0x08);  // no change
    EXPECT_EQ(m->video_mode_log.count, 1);
    video_mode_log_note(*m, 0xC8, 2171 + 57, 0x08);
    video_mode_log_note(*m, 0x48, 2171 + 57, 0xC8);  // same position: overwrite
    ASSERT_EQ(m->video_mode_log.count, 2);
    EXPECT_EQ(m->video_mode_log.entries[1].mode, 0x48);
    video_mode_log_note(*m, 0x00, 2171 + 192 * 455 / 8 + 1, 0x48);  // below the last line
    EXPECT_EQ(m->video_mode_log.count, 2);
}

TEST(VideoModeLog, PiaWritesLogTheModeAndTheMapFollowsTheLog) {
    auto m = make_machine();
    memory_map_build(*m);
    m->video_mode_log.frame_start_clock = 1000;
    m->machine_clock = 1000 + 2171 + 57;  // line 1, column 1
    bus_write(*m, 0x2002, 0x80);          // port B: mode bits 7-6
    m->machine_clock = 1000 + 2171 + 455 * 10 / 8;  // line 10, column 0
    bus_write(*m, 0x2001, 0x08);                    // CRA bit 3
    ASSERT_EQ(m->video_mode_log.count, 3);
    EXPECT_EQ(video_mode_byte(*m), 0x88);

    video_mode_map_build(*m);
    EXPECT_EQ(m->video_mode_map[0], 0x00);
    EXPECT_EQ(m->video_mode_map[32], 0x00);
    EXPECT_EQ(m->video_mode_map[33], 0x80);
    EXPECT_EQ(m->video_mode_map[10 * 32 - 1], 0x80);
    EXPECT_EQ(m->video_mode_map[10 * 32], 0x88);
    EXPECT_EQ(m->video_mode_map[mode_map_size - 1], 0x88);

    m->video_mode_log.count = 0;  // a frame without changes
    video_mode_map_build(*m);
    EXPECT_EQ(m->video_mode_map[0], 0x88);
    EXPECT_EQ(m->video_mode_map[mode_map_size - 1], 0x88);
}

}  // namespace
}  // namespace trivo

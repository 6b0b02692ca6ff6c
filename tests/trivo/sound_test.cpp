// Speaker clicks rendered into the sound ring.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "host/sound.h"
#include "machine/machine.h"
#include "machine/scheduler.h"

namespace trivo {
namespace {

using test::FakeHost;
using test::FakeSink;

struct SoundMachine {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    FakeHost host;
    FakeSink sink;
    SoundOutput& s = m.sound;

    explicit SoundMachine(int fps = 60, bool with_sink = true) {
        m.host = &host;
        host.frequency = 1'000'000;
        set_timing_mode(m.settings, TimingMode::custom);
        m.settings.fpscust = fps;
        timing_recompute(m);
        frame_scheduler_start(m);
        if (with_sink) s.sink = &sink;
    }

    // One emulated frame of sound with edges at the given cycle offsets.
    void frame(std::initializer_list<std::pair<int, uint32_t>> edges = {}) {
        const uint32_t start = m.machine_clock;
        sound_frame_start(m, start);
        for (auto [level, offset] : edges) sound_record_edge(m, level, start + offset);
        m.machine_clock += frame_cycles;
        sound_frame_end(m);
    }

    // The samples the last frame wrote into the ring.
    std::vector<int16_t> last_frame() const {
        const uint32_t at = sink.write_offsets.back() / 2;
        return {sink.ring.begin() + at, sink.ring.begin() + at + s.lock_size / 2};
    }
};

TEST(Sound, LockSizeAndFramePeriodFollowTheFrameRate) {
    struct RateCase {
        int fps;
        int lock_size;
    };
    for (const RateCase& c : {RateCase{60, 1470}, RateCase{50, 1764}, RateCase{1, 88200},
                              RateCase{600, 148}}) {
        SCOPED_TRACE(c.fps);
        SoundMachine t(c.fps);
        sound_initialise(t.m);
        EXPECT_EQ(t.s.lock_size, c.lock_size);
        EXPECT_EQ(t.m.scheduler.frame_period, int64_t{c.lock_size} * 1'000'000 / 88200);
        EXPECT_EQ(t.sink.ring.size(), static_cast<size_t>(32 * c.lock_size / 2));
    }
}

TEST(Sound, FailedInitialisationKeepsTheStartUpFramePeriod) {
    const int64_t start_up = 1'000'000 / 60;
    {
        SoundMachine t(60, false);  // no device at all
        sound_initialise(t.m);
        EXPECT_EQ(t.m.scheduler.frame_period, start_up);
    }
    {
        SoundMachine t;
        t.sink.can_create = false;
        sound_initialise(t.m);
        EXPECT_EQ(t.m.scheduler.frame_period, start_up);
        t.frame({{1, 100}});  // and nothing breaks without the ring
        EXPECT_EQ(t.sink.writes, 0);
    }
    {
        // Clicker off: no ring, but the timing still follows the lock size.
        SoundMachine t;
        t.m.settings.clickerflag = 0;
        sound_initialise(t.m);
        EXPECT_TRUE(t.sink.ring.empty());
        EXPECT_EQ(t.m.scheduler.frame_period, int64_t{1470} * 1'000'000 / 88200);
    }
}

TEST(Sound, PulseTablesScaleWithTheVolume) {
    for (int volume : {0, 50, 100}) {
        SCOPED_TRACE(volume);
        SoundMachine t;
        t.m.settings.clickervolpct = volume;
        sound_initialise(t.m);
        EXPECT_EQ(t.s.rising_pulse[0], 2599 * volume / 100);
        EXPECT_EQ(t.s.rising_pulse[11], 31207 * volume / 100);
        EXPECT_EQ(t.s.rising_pulse[59], 0);
        EXPECT_EQ(t.s.falling_pulse[11], -(31207 * volume / 100));
    }
}

TEST(Sound, ClicksLandAtTheirSampleAndPulsesCarryAcrossFrames) {
    SoundMachine t;
    t.m.settings.clickervolpct = 100;
    sound_initialise(t.m);
    const int samples = t.s.lock_size / 2;  // 735

    // Rising edge at cycle 14915 / 2: sample 7457 * 1470 / 14915 / 2 = 367.
    t.frame({{1, 7457}});
    auto f = t.last_frame();
    EXPECT_EQ(f[366], 0);
    EXPECT_EQ(f[367], 2599);
    EXPECT_EQ(f[368], 8548);
    EXPECT_EQ(f[367 + 59], 0);
    EXPECT_EQ(f[367 + 60], 0);

    // A falling edge near the end of the frame finishes in the next one, and
    // a new click cuts the previous one short.
    t.frame({{1, 14000}, {0, 14900}});
    f = t.last_frame();
    const int cut = 14900 * 1470 / 14915 / 2;  // 734
    const int rise = 14000 * 1470 / 14915 / 2;  // 689
    EXPECT_EQ(f[cut - 1], 20619);               // the rising pulse's 45th sample
    EXPECT_EQ(f[rise], 2599);
    EXPECT_EQ(f[cut], -2599);
    t.frame();
    f = t.last_frame();
    EXPECT_EQ(f[0], -8548);
    EXPECT_EQ(f[58], 0);  // the pulse's 60th sample
    EXPECT_EQ(f[59], 0);
    EXPECT_EQ(f[samples - 1], 0);
}

TEST(Sound, EdgeBeyondTheFrameIsPlacedAtItsEnd) {
    SoundMachine t;
    t.m.settings.clickervolpct = 100;
    sound_initialise(t.m);
    const uint32_t start = 1'000'000;
    t.m.machine_clock = start;
    sound_frame_start(t.m, start);
    sound_record_edge(t.m, 1, start - 50'000);  // before the frame: its distance counts
    sound_frame_end(t.m);
    auto f = t.last_frame();
    for (int16_t v : f) ASSERT_EQ(v, 0);
    t.frame();
    EXPECT_EQ(t.last_frame()[0], 2599);
}

TEST(Sound, RingIsWrittenThreeFramesAheadAndResynchronisedAfterSilence) {
    SoundMachine t;
    sound_initialise(t.m);
    const uint32_t lock = static_cast<uint32_t>(t.s.lock_size);
    t.frame({{1, 10}});
    EXPECT_EQ(t.sink.write_offsets.back(), 3 * lock);
    EXPECT_TRUE(t.sink.playing);
    for (int i = 0; i < 32; ++i) t.frame();
    EXPECT_EQ(t.sink.write_offsets.back(), (3 + 32) * lock % (32 * lock));
    EXPECT_EQ(t.s.silence_counter, 32);

    t.frame();  // 33rd silent frame
    EXPECT_EQ(t.s.silence_counter, 33);
    const int stops = t.sink.stops;
    t.frame();  // the next frame start rewinds and restarts the ring
    EXPECT_EQ(t.sink.stops, stops + 1);
    EXPECT_EQ(t.sink.write_offsets.back(), 3 * lock);
    EXPECT_EQ(t.s.silence_counter, 1);
}

TEST(Sound, SuspendStopsAndClearsUntilTheNextFrame) {
    SoundMachine t;
    sound_initialise(t.m);
    t.frame({{1, 10}});
    sound_suspend(t.m);
    EXPECT_FALSE(t.sink.playing);
    EXPECT_EQ(t.sink.cursor, 0u);
    for (int16_t v : t.sink.ring) ASSERT_EQ(v, 0);
    const int writes = t.sink.writes;
    sound_frame_end(t.m);  // nothing while suspended
    EXPECT_EQ(t.sink.writes, writes);
    t.frame();
    EXPECT_TRUE(t.sink.playing);
    EXPECT_EQ(t.sink.writes, writes + 1);
}

TEST(Sound, FullClickListDropsFurtherEdges) {
    SoundMachine t;
    sound_initialise(t.m);
    sound_frame_start(t.m, 0);
    for (int i = 0; i < 2000; ++i) sound_record_edge(t.m, i & 1, static_cast<uint32_t>(i));
    EXPECT_EQ(t.s.click_count, t.s.lock_size);
    sound_frame_end(t.m);
    EXPECT_EQ(t.s.click_count, 0);
}

}  // namespace
}  // namespace trivo

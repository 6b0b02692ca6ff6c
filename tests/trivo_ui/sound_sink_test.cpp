#include <QApplication>
#include <SDL.h>
#include <chrono>
#include <thread>
#include <vector>

#include "host/sound.h"
#include "host/ui/sdl_audio_sink.h"
#include "machine/reset.h"
#include "trivo/fake_host.h"
#include "window_fixture.h"

namespace trivo::test {
namespace {

// Toggles the speaker bit (PIA1 CRB bit 3) with two different delays, with
// interrupts masked: LDAA #$38 / STAA $2003 / LDX #$0080 / DEX / BNE /
// LDAA #$30 / STAA $2003 / LDX #$0100 / DEX / BNE / BRA to the start.
constexpr uint16_t program_at = 0x0300;
constexpr uint8_t speaker_program[] = {0x86, 0x38, 0xB7, 0x20, 0x03, 0xCE, 0x00, 0x80,
                                       0x09, 0x26, 0xFD, 0x86, 0x30, 0xB7, 0x20, 0x03,
                                       0xCE, 0x01, 0x00, 0x09, 0x26, 0xFD, 0x20, 0xE8};

// Keeps every sample written, in the order written.
class StreamSink : public FakeSink {
public:
    std::vector<int16_t> stream;
    void write(uint32_t offset, const int16_t* samples, uint32_t count) override {
        FakeSink::write(offset, samples, count);
        stream.insert(stream.end(), samples, samples + count);
    }
};

void start_speaker_machine(Machine& m, FakeHost& host, AudioSink& sink) {
    host.frequency = 1'000'000'000;
    m.host = &host;
    m.sound.sink = &sink;
    frame_scheduler_start(m);
    sound_initialise(m);
    machine_reset(m, ResetKind::hard);
    std::copy(std::begin(speaker_program), std::end(speaker_program),
              m.memory_image.begin() + program_at);
    m.cpu.pc = program_at;
    m.cpu.cc |= cc_i;
}

void run_frames(Machine& m, FakeHost& host, int frames) {
    for (int i = 0; i < frames; ++i) {
        host.counter_value = m.scheduler.next_frame_time;
        frame_tick(m);
    }
}

// What the SDL device plays is what the click renderer made of the same
// frames, three frames after the play position was set.
TEST(SdlAudioSink, PlaysTheRenderedClicks) {
    ASSERT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u) << SDL_GetError();
    // The frames are written at once, fewer than the ring holds beyond the
    // three-frame lead, so the device never reads a frame before it is written.
    constexpr int frames = 25;
    auto played = prepared_machine();
    FakeHost played_host;
    ui::SdlAudioSink device;
    start_speaker_machine(*played, played_host, device);
    ASSERT_TRUE(played->sound.clicker_buffer);
    const int lock_samples = played->sound.lock_size / 2;
    device.startCapture(static_cast<size_t>(sound_ring_frames * lock_samples) * 2);
    run_frames(*played, played_host, frames);

    auto reference = prepared_machine();
    FakeHost reference_host;
    StreamSink reference_sink;
    start_speaker_machine(*reference, reference_host, reference_sink);
    run_frames(*reference, reference_host, frames);
    ASSERT_EQ(reference_sink.stream.size(), static_cast<size_t>(frames * lock_samples));
    ASSERT_TRUE(std::any_of(reference_sink.stream.begin(), reference_sink.stream.end(),
                            [](int16_t s) { return s != 0; }));

    // The dummy driver plays at about real time: 28 frames take under half a second.
    const size_t needed = static_cast<size_t>((3 + frames) * lock_samples);
    std::vector<int16_t> captured;
    size_t mark = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        captured = device.capturedSince(&mark);
    } while (captured.size() < mark + needed && std::chrono::steady_clock::now() < deadline);
    ASSERT_GE(captured.size(), mark + needed);
    sound_release(*played);

    const auto lead = captured.begin() + static_cast<std::ptrdiff_t>(mark);
    const auto data = lead + 3 * lock_samples;
    EXPECT_TRUE(std::all_of(lead, data, [](int16_t s) { return s == 0; }));
    EXPECT_TRUE(std::equal(reference_sink.stream.begin(), reference_sink.stream.end(), data));
}

// No sound device at all: the machine runs silent, paced by the clock, and
// nobody is told.
TEST_F(WindowTest, WithoutASoundDeviceTheMachineRunsSilent) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    ui::SdlAudioSink device;
    open_window({}, &device);
    bool box_seen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { box_seen |= QApplication::activeModalWidget() != nullptr; });
    watch.start(5);
    window->showAndFit();
    ASSERT_TRUE(wait_for([&] { return machine->machine_clock > 10 * frame_cycles; }));
    EXPECT_FALSE(device.deviceOpen());
    EXPECT_FALSE(machine->sound.device_open);
    EXPECT_EQ(machine->scheduler.frame_period, 1'000'000'000 / 60);
    EXPECT_FALSE(box_seen);
    window.reset();
    SDL_InitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace
}  // namespace trivo::test

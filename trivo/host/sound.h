// Speaker sound: the machine's only sound source is one speaker bit that
// programs toggle. Each edge of the bit becomes a click, a short fixed pulse
// (positive for a rising edge, negative for a falling one) placed at the
// sample matching the edge's cycle within the frame. Every frame renders one
// frame's worth of 16-bit mono samples at 44100 Hz and writes them into a
// looping ring of 32 frames, three frames ahead of the play cursor.
//
// The device itself is an AudioSink: the program's plays through SDL, the
// tests' records what it is given. The sound frame length also sets the
// frame period, so emulation speed follows the sound device.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "machine/timing.h"

namespace trivo {

struct Machine;

inline constexpr int sound_rate = 44100;
inline constexpr int sound_bytes_per_second = 88200;  // 16-bit mono
inline constexpr int sound_ring_frames = 32;
inline constexpr int pulse_length = 60;  // samples, about 1.36 ms

// The sound device: a looping ring buffer of 16-bit samples that plays on
// its own while the emulator writes ahead of its play cursor.
class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Opens the device; false when there is none.
    virtual bool open() = 0;
    // Creates the ring buffer of the given size in bytes; false on failure.
    virtual bool create_buffer(uint32_t ring_bytes) = 0;
    virtual bool is_playing() = 0;
    // Starts looping play from the play position; false on failure.
    virtual bool play_looping() = 0;
    virtual void stop() = 0;
    // Byte offset in the ring that is playing now.
    virtual uint32_t play_cursor() = 0;
    virtual void set_play_position(uint32_t offset) = 0;
    // Fills the ring with zeros.
    virtual void clear() = 0;
    // Copies samples into the ring at a byte offset; the region does not wrap.
    virtual void write(uint32_t offset, const int16_t* samples, uint32_t count) = 0;
    // Releases the buffer and the device.
    virtual void release() = 0;
};

struct SoundOutput {
    AudioSink* sink = nullptr;   // installed by the program; null: no sound device
    bool device_open = false;
    bool clicker_buffer = false;  // the ring exists
    int lock_size = 1470;         // bytes written per frame
    uint32_t next_lock_position = 0;
    int bytes_this_frame = 0;
    uint32_t frame_start_time = 0;
    int64_t cycles_per_frame = frame_cycles;
    // Speaker edges of the current frame: level and cycle offset. Sized to one
    // lock at initialisation; a full list drops further edges of the frame.
    std::vector<uint8_t> click_level;
    std::vector<uint32_t> click_offset;
    int click_count = 0;
    std::array<int16_t, pulse_length> rising_pulse{};
    std::array<int16_t, pulse_length> falling_pulse{};
    int pulse = -1;  // pulse now sounding: -1 none, 1 rising edge, 0 falling edge
    int pulse_index = 0;
    uint8_t silence_counter = 0;  // consecutive frames without a click
    bool suspended = false;
    std::vector<int16_t> frame_samples;
    uint32_t last_play_position = 0;
};

// Bytes written per frame at a frame rate: 88200 / fps + 1, rounded down to
// an even number (1470 at 60 frames per second).
int sound_lock_size(int frames_per_second);

// Opens the device, creates the ring when the clicker is on, builds the pulse
// tables from the volume and resynchronises. When the device opened (and the
// ring could be created if the clicker is on), the frame period follows the
// lock size.
void sound_initialise(Machine& m);
// Releases everything and initialises again (after every menu command).
void sound_redo(Machine& m);
void sound_release(Machine& m);
// Rewinds the ring and writes three frames ahead of its start again.
void sound_resynchronise(Machine& m);

void sound_record_edge(Machine& m, int level, uint32_t clock);
void sound_frame_start(Machine& m, uint32_t frame_start_clock);
void sound_frame_end(Machine& m);
void sound_suspend(Machine& m);

// Renders count samples of the current frame into frame_samples.
void sound_render(SoundOutput& s, int count);

}  // namespace trivo

#include "host/sound.h"

#include <algorithm>

#include "machine/machine.h"

namespace trivo {

namespace {

// One click: a fast rise to full level and a slow decay, as a small speaker
// cone answers a step of its driving voltage.
constexpr std::array<int16_t, pulse_length> base_pulse = {
    2599,  8548,  16266, 21004, 23964, 26567, 28385, 29525, 30328, 30803, 31091, 31207,
    31143, 31036, 30793, 30495, 30240, 29906, 29592, 29276, 28867, 28512, 28151, 27743,
    27423, 27071, 26659, 26326, 25973, 25605, 25260, 24861, 24528, 24242, 23851, 23488,
    23177, 22573, 22513, 22185, 21834, 21559, 21215, 20867, 20619, 20282, 19970, 19721,
    19456, 18432, 17408, 16384, 14336, 12288, 10240, 8192,  6144,  4096,  2048,  0,
};

uint32_t ring_bytes(const SoundOutput& s) {
    return static_cast<uint32_t>(sound_ring_frames * s.lock_size);
}

void build_pulse_tables(SoundOutput& s, int volume) {
    volume = std::clamp(volume, 0, 100);
    for (int i = 0; i < pulse_length; ++i) {
        s.rising_pulse[i] = static_cast<int16_t>(base_pulse[i] * volume / 100);
        s.falling_pulse[i] = static_cast<int16_t>(-s.rising_pulse[i]);
    }
}

// The next sample of the pulse now sounding, or silence once it has run out.
int16_t pulse_sample(SoundOutput& s) {
    if (s.pulse < 0 || s.pulse_index >= pulse_length) return 0;
    const auto& table = s.pulse == 1 ? s.rising_pulse : s.falling_pulse;
    return table[s.pulse_index++];
}

}  // namespace

int sound_lock_size(int frames_per_second) {
    const int fps = std::max(1, frames_per_second);
    return (sound_bytes_per_second / fps + 1) & ~1;
}

void sound_initialise(Machine& m) {
    SoundOutput& s = m.sound;
    s.lock_size = sound_lock_size(m.timing.frames_per_second);
    s.device_open = s.sink != nullptr && s.sink->open();
    s.clicker_buffer = false;
    s.click_count = 0;
    if (s.device_open && m.settings.clickerflag) {
        s.clicker_buffer = s.sink->create_buffer(ring_bytes(s));
        if (s.clicker_buffer) {
            s.sink->clear();
            s.click_level.assign(static_cast<size_t>(s.lock_size), 0);
            s.click_offset.assign(static_cast<size_t>(s.lock_size), 0);
            // Room for two locks of bytes: a frame may write up to twice its share.
            s.frame_samples.assign(static_cast<size_t>(s.lock_size), 0);
        }
    }
    // With a working device the frame period follows the sound frame, so the
    // emulation keeps pace with the sound card's clock.
    const int64_t frequency = m.scheduler.counter_frequency;
    if (frequency > 0 && s.device_open && (!m.settings.clickerflag || s.clicker_buffer)) {
        m.scheduler.frame_period = static_cast<int64_t>(s.lock_size) * frequency /
                                   sound_bytes_per_second;
    }
    build_pulse_tables(s, m.settings.clickervolpct);
    sound_resynchronise(m);
}

void sound_release(Machine& m) {
    SoundOutput& s = m.sound;
    if (s.sink != nullptr && s.device_open) {
        if (s.clicker_buffer) s.sink->stop();
        s.sink->release();
    }
    s.device_open = false;
    s.clicker_buffer = false;
    s.click_level.clear();
    s.click_offset.clear();
    s.frame_samples.clear();
    s.click_count = 0;
}

void sound_redo(Machine& m) {
    sound_release(m);
    sound_initialise(m);
}

void sound_resynchronise(Machine& m) {
    SoundOutput& s = m.sound;
    bool restart = false;
    if (s.clicker_buffer) {
        restart = s.sink->is_playing();
        if (restart) s.sink->stop();
        s.sink->set_play_position(0);
        s.last_play_position = 0;
        s.silence_counter = 0;
    }
    s.bytes_this_frame = s.lock_size;
    // The writer starts three frames ahead of the play cursor.
    s.next_lock_position = static_cast<uint32_t>(3 * s.lock_size);
    if (restart) s.sink->play_looping();
}

void sound_record_edge(Machine& m, int level, uint32_t clock) {
    SoundOutput& s = m.sound;
    if (s.click_level.empty()) return;
    const uint32_t offset =
        clock >= s.frame_start_time ? clock - s.frame_start_time : s.frame_start_time - clock;
    if (s.click_count >= static_cast<int>(s.click_level.size())) return;
    s.click_level[s.click_count] = static_cast<uint8_t>(level);
    s.click_offset[s.click_count] = offset;
    ++s.click_count;
}

void sound_frame_start(Machine& m, uint32_t frame_start_clock) {
    SoundOutput& s = m.sound;
    s.frame_start_time = frame_start_clock;
    s.cycles_per_frame = int64_t{m.timing.active_scan_cycles} + m.timing.vblank_cycles;
    s.bytes_this_frame = 0;
    s.suspended = false;

    bool restarted = false;
    if (s.clicker_buffer) {
        if (!s.sink->is_playing()) {
            s.sink->play_looping();
            restarted = true;
        }
        if (s.sink->is_playing()) {
            s.last_play_position = s.sink->play_cursor();
            s.bytes_this_frame = s.lock_size;
        }
    }
    // A long silence lets the ring drift from the play cursor; start over.
    const bool silent = s.silence_counter > sound_ring_frames || !s.device_open || !s.clicker_buffer;
    if (restarted || silent) {
        sound_resynchronise(m);
    } else {
        s.bytes_this_frame = s.lock_size;
    }
}

void sound_render(SoundOutput& s, int count) {
    int out = 0;
    if (s.click_count > 0) {
        const uint64_t cycles = static_cast<uint64_t>(std::max<int64_t>(1, s.cycles_per_frame));
        for (int i = 0; i < s.click_count; ++i) {
            const uint64_t at = static_cast<uint64_t>(s.click_offset[i]) *
                                static_cast<uint64_t>(s.lock_size) / cycles / 2;
            const int index = static_cast<int>(std::min<uint64_t>(at, static_cast<uint64_t>(count)));
            while (out < index) s.frame_samples[out++] = pulse_sample(s);
            // A new click cuts the previous pulse short.
            s.pulse = s.click_level[i] ? 1 : 0;
            s.pulse_index = 0;
        }
        s.click_count = 0;
    }
    // The pulse carries over into the next frame when it started near the end.
    while (out < count) s.frame_samples[out++] = pulse_sample(s);
}

void sound_frame_end(Machine& m) {
    SoundOutput& s = m.sound;
    if (s.suspended || s.bytes_this_frame <= 0) return;
    s.bytes_this_frame = std::min(s.bytes_this_frame, 2 * s.lock_size);
    const int samples = s.bytes_this_frame / 2;

    if (s.clicker_buffer && !s.frame_samples.empty()) {
        const bool clicked = s.click_count > 0;
        sound_render(s, samples);
        if (clicked) {
            s.silence_counter = 0;
        } else if (s.silence_counter < 255) {
            ++s.silence_counter;
        }
        // Write into the ring in one or two pieces, where it wraps.
        const uint32_t ring = ring_bytes(s);
        const uint32_t first_bytes =
            std::min<uint32_t>(static_cast<uint32_t>(s.bytes_this_frame), ring - s.next_lock_position);
        s.sink->write(s.next_lock_position, s.frame_samples.data(), first_bytes / 2);
        if (first_bytes < static_cast<uint32_t>(s.bytes_this_frame)) {
            s.sink->write(0, s.frame_samples.data() + first_bytes / 2,
                          (static_cast<uint32_t>(s.bytes_this_frame) - first_bytes) / 2);
        }
    }
    s.next_lock_position =
        (s.next_lock_position + static_cast<uint32_t>(s.bytes_this_frame)) % ring_bytes(s);
}

void sound_suspend(Machine& m) {
    SoundOutput& s = m.sound;
    if (s.suspended) return;
    s.suspended = true;
    if (s.clicker_buffer) {
        s.sink->stop();
        s.sink->clear();
        s.sink->set_play_position(0);
    }
    s.bytes_this_frame = s.lock_size;
    s.next_lock_position = static_cast<uint32_t>(3 * s.lock_size);
}

}  // namespace trivo

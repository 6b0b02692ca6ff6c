// The sound device through SDL2: the looping ring of 16-bit mono samples at
// 44100 Hz that the speaker renderer writes ahead into. SDL's audio thread
// reads the ring from the play position onwards and its read position is
// the play cursor; the GUI thread writes frames three frames ahead of it.
// The two meet only under SDL's device lock.
//
// No audio subsystem, or a device that will not open, is no sound device:
// open() says false and the machine runs silent, paced by the clock.
#pragma once

#include <SDL.h>
#include <cstdint>
#include <vector>

#include "host/sound.h"

namespace trivo::ui {

class SdlAudioSink : public AudioSink {
public:
    SdlAudioSink() = default;
    ~SdlAudioSink() override;
    SdlAudioSink(const SdlAudioSink&) = delete;
    SdlAudioSink& operator=(const SdlAudioSink&) = delete;

    bool open() override;
    bool create_buffer(uint32_t ring_bytes) override;
    bool is_playing() override;
    bool play_looping() override;
    void stop() override;
    uint32_t play_cursor() override;
    void set_play_position(uint32_t offset) override;
    void clear() override;
    void write(uint32_t offset, const int16_t* samples, uint32_t count) override;
    void release() override;

    bool deviceOpen() const { return m_device != 0; }

    // For tests: keeps up to limit samples of what the device played, and
    // where in that record the play position was last set (to 0 at every
    // resynchronisation).
    void startCapture(size_t limit);
    std::vector<int16_t> capturedSince(size_t* mark = nullptr);

private:
    static void SDLCALL fill(void* user, Uint8* stream, int length);
    void fillLocked(int16_t* out, int samples);

    SDL_AudioDeviceID m_device = 0;
    std::vector<int16_t> m_ring;
    size_t m_position = 0;  // next sample the device plays
    bool m_playing = false;
    std::vector<int16_t> m_capture;
    size_t m_captureLimit = 0;
    size_t m_captureMark = 0;
};

}  // namespace trivo::ui

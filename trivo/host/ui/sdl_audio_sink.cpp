#include "host/ui/sdl_audio_sink.h"

#include <algorithm>
#include <cstring>

namespace trivo::ui {

namespace {

// 1024 samples (23 ms) per callback: well inside the three frames (50 ms)
// the writer keeps ahead of the play cursor, and few wake-ups.
constexpr Uint16 device_samples = 1024;

// Holds SDL's device lock, so the ring is never read and written at once.
class DeviceLock {
public:
    explicit DeviceLock(SDL_AudioDeviceID device) : m_device(device) {
        if (m_device != 0) SDL_LockAudioDevice(m_device);
    }
    ~DeviceLock() {
        if (m_device != 0) SDL_UnlockAudioDevice(m_device);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    SDL_AudioDeviceID m_device;
};

}  // namespace

SdlAudioSink::~SdlAudioSink() { release(); }

bool SdlAudioSink::open() {
    release();
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0) return false;
    SDL_AudioSpec want{};
    want.freq = sound_rate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = device_samples;
    want.callback = &SdlAudioSink::fill;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts if the hardware wants another format.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    return m_device != 0;
}

bool SdlAudioSink::create_buffer(uint32_t ring_bytes) {
    if (m_device == 0 || ring_bytes < 2) return false;
    DeviceLock lock(m_device);
    m_ring.assign(ring_bytes / 2, 0);
    m_position = 0;
    return true;
}

bool SdlAudioSink::is_playing() {
    DeviceLock lock(m_device);
    return m_playing;
}

bool SdlAudioSink::play_looping() {
    if (m_device == 0 || m_ring.empty()) return false;
    {
        DeviceLock lock(m_device);
        m_playing = true;
    }
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlAudioSink::stop() {
    if (m_device == 0) return;
    {
        DeviceLock lock(m_device);
        m_playing = false;
    }
    SDL_PauseAudioDevice(m_device, 1);
}

uint32_t SdlAudioSink::play_cursor() {
    DeviceLock lock(m_device);
    return static_cast<uint32_t>(m_position * 2);
}

void SdlAudioSink::set_play_position(uint32_t offset) {
    DeviceLock lock(m_device);
    m_position = m_ring.empty() ? 0 : (offset / 2) % m_ring.size();
    m_captureMark = m_capture.size();
}

void SdlAudioSink::clear() {
    DeviceLock lock(m_device);
    std::fill(m_ring.begin(), m_ring.end(), 0);
}

void SdlAudioSink::write(uint32_t offset, const int16_t* samples, uint32_t count) {
    DeviceLock lock(m_device);
    const size_t first = offset / 2;
    if (first >= m_ring.size()) return;
    const size_t n = std::min<size_t>(count, m_ring.size() - first);
    std::memcpy(m_ring.data() + first, samples, n * sizeof(int16_t));
}

void SdlAudioSink::release() {
    if (m_device != 0) {
        // Closing waits for a running callback to return.
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
    m_playing = false;
    m_ring.clear();
    m_position = 0;
}

void SdlAudioSink::startCapture(size_t limit) {
    DeviceLock lock(m_device);
    m_capture.clear();
    m_capture.reserve(limit);
    m_captureLimit = limit;
    m_captureMark = 0;
}

std::vector<int16_t> SdlAudioSink::capturedSince(size_t* mark) {
    DeviceLock lock(m_device);
    if (mark != nullptr) *mark = m_captureMark;
    return m_capture;
}

void SDLCALL SdlAudioSink::fill(void* user, Uint8* stream, int length) {
    // SDL holds the device lock while it calls back.
    static_cast<SdlAudioSink*>(user)->fillLocked(reinterpret_cast<int16_t*>(stream),
                                                  length / 2);
}

void SdlAudioSink::fillLocked(int16_t* out, int samples) {
    if (!m_playing || m_ring.empty()) {
        std::fill_n(out, samples, 0);
        return;
    }
    for (int i = 0; i < samples; ++i) {
        out[i] = m_ring[m_position];
        if (m_capture.size() < m_captureLimit) m_capture.push_back(out[i]);
        if (++m_position == m_ring.size()) m_position = 0;
    }
}

}  // namespace trivo::ui

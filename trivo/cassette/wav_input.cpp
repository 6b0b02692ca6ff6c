#include "cassette/wav_input.h"

#include <cstdio>

#include "machine/commands.h"
#include "cassette/deck.h"
#include "machine/bus.h"
#include "machine/machine.h"
#include "machine/scheduler.h"

namespace trivo {

namespace {

constexpr uint8_t silence = 128;

void set_input_from_sample(Machine& m) {
    uint8_t& latch = m.memory_image[pia2_base + 2];
    latch = m.deck.wav.current_sample > silence ? static_cast<uint8_t>(latch | deck_input_bit)
                                                : static_cast<uint8_t>(latch & ~deck_input_bit);
}

}  // namespace

bool wav_input_open(Machine& m, const std::string& path) {
    DeckState& d = m.deck;
    const common::WavOpenResult result = d.wav.reader.open(path);
    if (result != common::WavOpenResult::ok) {
        d.log_name.clear();
        m.host->message_box(wav_message_caption, common::wav_open_message(result), MessageIcon::warning);
        return false;
    }
    d.wav.current_sample = silence;
    d.wav.samples_consumed = 0;
    d.image.clear();
    d.position = 0;
    d.playing = true;
    d.playback_started = false;
    d.signal_mode = true;
    // The idle timeout counts from the load (see deck_install_image).
    d.last_access_time = m.machine_clock;
    m.file_activity |= activity_cassette_input;
    d.log_name = wav_log_name(path);
    return true;
}

void wav_input_sample(Machine& m, uint32_t elapsed) {
    WavInput& w = m.deck.wav;
    // The sample due at this moment; the input shows the newest sample taken,
    // so it lags the recording by at most one sample.
    const uint64_t target = uint64_t{w.reader.sample_rate()} * elapsed / cpu_clock_hz;
    while (w.samples_consumed < target) {
        uint8_t sample;
        const bool taken = w.reader.next_sample(sample);
        if (taken) w.current_sample = sample;
        ++w.samples_consumed;
        if (!taken || w.samples_consumed >= w.reader.frame_count()) {
            // The end of the recording: the tape is detached and the input
            // falls back to the zero line.
            deck_stop_tape(m);
            w.current_sample = silence;
            break;
        }
    }
    set_input_from_sample(m);
}

std::string wav_log_name(const std::string& wav_path) {
    // Only a dot in the file name itself starts its extension.
    const size_t slash = wav_path.find_last_of('/');
    const size_t dot = wav_path.find_last_of('.');
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? wav_path.substr(0, dot) : wav_path) + "_T.CAS";
}

void wav_logger_step(Machine& m, uint8_t a) {
    DeckState& d = m.deck;
    if (!d.log_file) {
        if (!m.wav_logger_on || d.log_name.empty()) return;
        d.log_file = common::File(d.log_name, "wb");
        if (!d.log_file) m.host->debug_output("WAV->CAS logger: cannot create " + d.log_name + "\n");
        d.log_name.clear();  // one attempt per recording
        if (!d.log_file) return;
    }
    std::fputc(a, d.log_file.get());
}

void wav_logger_toggle(Machine& m) {
    if (!m.rom_hacks_armed) return;
    m.wav_logger_on = !m.wav_logger_on;
    m.host->menu_state(command_wav_logger, m.wav_logger_on, true);
}

}  // namespace trivo

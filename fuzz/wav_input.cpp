// WAV recordings on the cassette input.
//
// A recording opens exactly when the WAV reader accepts it; a refusal shows
// one message and leaves no tape and no logger name. Played through, the
// input bit follows the recording's samples in order (high above 128), the
// tape stops at the end of the samples and the input then reads low.
#include <string>
#include <vector>

#include "cassette/deck.h"
#include "cassette/wav_input.h"
#include "common/wav_reader.h"
#include "machine/bus.h"
#include "machine/timing.h"
#include "trivo_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TrivoRig& rig = fuzz::trivo_rig();
    trivo::Machine& m = rig.m;
    trivo::deck_stop_tape(m);

    const std::string path = fuzz::scratch_file("input.wav");
    fuzz::write_file(path, data, size);

    common::WavReader reference;
    const bool readable = reference.open(path) == common::WavOpenResult::ok;
    const bool opened = trivo::wav_input_open(m, path);
    fuzz::check(opened == readable, "a recording opens when the WAV reader accepts it");
    if (!opened) {
        fuzz::check(rig.host.messages == 1 && !m.deck.playing && m.deck.log_name.empty(),
                    "a refusal: one message, no tape, no logger");
        return 0;
    }
    std::vector<uint8_t> samples;
    for (uint8_t s; reference.next_sample(s);) samples.push_back(s);
    const uint64_t rate = reference.sample_rate();
    const uint64_t frames = reference.frame_count();

    // Sample k (from 1) is due k / rate seconds after the start; at rates
    // above the processor's clock one step may take several samples.
    const uint8_t& latch = m.memory_image[trivo::pia2_base + 2];
    const uint64_t clock = trivo::cpu_clock_hz;
    for (uint64_t k = 1;; ++k) {
        const uint64_t elapsed = (k * clock + rate - 1) / rate;
        if (elapsed > UINT32_MAX) break;  // beyond the cycle counter's range
        k = rate * elapsed / clock;
        trivo::wav_input_sample(m, static_cast<uint32_t>(elapsed));
        const bool high = (latch & trivo::deck_input_bit) != 0;
        if (k <= samples.size() && k < frames) {
            fuzz::check(m.deck.playing, "the tape plays while samples remain");
            fuzz::check(high == (samples[k - 1] > 128), "the input follows the samples");
        } else {
            fuzz::check(!m.deck.playing && !high, "the end of the recording stops the tape, input low");
            break;
        }
    }
    trivo::deck_stop_tape(m);
    return 0;
}

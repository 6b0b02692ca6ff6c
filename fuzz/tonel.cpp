// tonel's converter, reading CPF images.
//
// Input: one byte of options (bit 0: 44100 Hz rather than 22050, bit 1:
// square wave, bit 2: a log), then the CPF image. A non-empty image becomes a
// WAV file that the WAV reader accepts and that decodes back, cycle by cycle
// after the silence, the leader and the start mark, to the image's bytes;
// the status says whether the last byte is the sum of the others, and the
// log holds two lines per byte. An empty image writes nothing.
#include <algorithm>
#include <string>
#include <vector>

#include "common/wav_reader.h"
#include "converter.h"
#include "fuzz_support.h"

namespace {

struct Decoder {
    const std::vector<uint8_t>& samples;
    size_t pos = 0;

    bool take(const std::vector<uint8_t>& pattern) {
        if (samples.size() - pos < pattern.size() ||
            !std::equal(pattern.begin(), pattern.end(), samples.begin() + static_cast<long>(pos)))
            return false;
        pos += pattern.size();
        return true;
    }
    bool take_silence(size_t n) {
        for (size_t i = 0; i < n; ++i, ++pos)
            if (pos >= samples.size() || samples[pos] != tonel::silence_sample) return false;
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    tonel::ConversionSettings settings;
    settings.sample_rate = data[0] & 1 ? tonel::SampleRate::hz44100 : tonel::SampleRate::hz22050;
    settings.wave_shape = data[0] & 2 ? tonel::WaveShape::square : tonel::WaveShape::sine;
    settings.log_file = (data[0] & 4) != 0;
    const std::vector<uint8_t> image(data + 1, data + size);

    const std::string input = fuzz::scratch_file("GAME.CPF");
    const std::string wav_path = tonel::wav_output_name(input, settings.sample_rate, settings.wave_shape);
    const std::string log_path = tonel::log_output_name(input, settings.sample_rate, settings.wave_shape);
    std::filesystem::remove(wav_path);
    std::filesystem::remove(log_path);
    fuzz::write_file(input, image.data(), image.size());

    const tonel::ConversionResult result = tonel::convert_cpf(input, settings);
    if (image.empty()) {
        fuzz::check(result.outcome == tonel::ConversionOutcome::input_empty, "an empty image is refused");
        fuzz::check(!fuzz::exists(wav_path) && !fuzz::exists(log_path), "an empty image writes nothing");
        return 0;
    }
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < image.size(); ++i) sum = static_cast<uint8_t>(sum + image[i]);
    const bool good = image.back() == sum;
    fuzz::check(result.outcome == (good ? tonel::ConversionOutcome::good : tonel::ConversionOutcome::checksum_mismatch),
                "the outcome tells the checksum");
    fuzz::check(good == (result.status == "Good"), "the status tells the checksum");

    common::WavReader reader;
    fuzz::check(reader.open(wav_path) == common::WavOpenResult::ok, "the WAV file reads back");
    const uint32_t rate = static_cast<uint32_t>(settings.sample_rate);
    fuzz::check(reader.sample_rate() == rate && reader.channels() == 1, "the WAV format");
    std::vector<uint8_t> samples;
    for (uint8_t s; reader.next_sample(s);) samples.push_back(s);
    fuzz::check(samples.size() == result.sample_count, "the sample count");

    const tonel::SamplePatterns p = tonel::build_patterns(tonel::rate_lengths(settings.sample_rate), settings.wave_shape);
    Decoder d{samples};
    fuzz::check(d.take_silence(rate / 2), "leading silence");
    for (int i = 0; i < tonel::leader_cycles; ++i) fuzz::check(d.take(p.one_cycle), "leader");
    fuzz::check(d.take(p.zero_cycle), "start mark");
    std::vector<uint8_t> decoded;
    for (size_t i = 0; i < image.size(); ++i) {
        uint8_t b = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if (d.take(p.one_cycle)) b = static_cast<uint8_t>(b << 1 | 1);
            else if (d.take(p.zero_cycle)) b = static_cast<uint8_t>(b << 1);
            else fuzz::broken("every bit is a whole cycle");
        }
        decoded.push_back(b);
    }
    fuzz::check(decoded == image, "the WAV decodes to the image");
    fuzz::check(d.take(p.tail) && d.take_silence(rate / 2) && d.pos == samples.size(), "tail and silence end it");

    if (settings.log_file) {
        const std::vector<uint8_t> log = fuzz::read_file(log_path);
        fuzz::check(!result.log_failed, "the log is written");
        fuzz::check(static_cast<size_t>(std::count(log.begin(), log.end(), '\n')) == 2 * image.size(),
                    "two log lines per byte");
    } else {
        fuzz::check(!fuzz::exists(log_path), "no log unless asked");
    }
    return 0;
}

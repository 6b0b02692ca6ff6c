#include "converter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "common/file.h"
#include "common/file_util.h"
#include "common/riff.h"

namespace tonel {

namespace {

constexpr double pi = 3.141592653589793;

// Peak of a data cycle and of the tail around the zero line. The data cycles
// swing 16...240, loud enough for the machine's cassette input; the tail is
// a gentle swing of 16 that brings the signal back to rest.
constexpr double cycle_amplitude = 112.0;
constexpr double tail_amplitude = 16.0;

// Square wave levels: the cycle's high half, its low half, and the tail held
// a little above the zero line.
constexpr uint8_t square_high = 240;
constexpr uint8_t square_low = 16;
constexpr uint8_t square_tail = 144;

// Samples are computed in double precision, truncated toward zero and kept
// modulo 256.
uint8_t to_sample(double offset) {
    return static_cast<uint8_t>((128 + static_cast<int>(std::trunc(offset))) & 0xFF);
}

// One full sine cycle of half-cycle h: the low lobe first, then the high
// lobe, each sampled at the middle of its sample periods so that the two
// halves are mirror images and no sample falls on the zero crossing.
std::vector<uint8_t> sine_cycle(int h) {
    std::vector<uint8_t> cycle(2 * static_cast<size_t>(h));
    for (int i = 0; i < h; ++i)
        cycle[i] = to_sample(cycle_amplitude * std::sin((i - h + 0.5) * pi / h));
    for (int i = h; i < 2 * h; ++i)
        cycle[i] = to_sample(-cycle_amplitude * std::sin((i + 0.5) * pi / h));
    return cycle;
}

// A square cycle starts with its high half, so it is of the opposite polarity
// to the sine cycle. The machine's input only times the edges, so either
// polarity loads.
std::vector<uint8_t> square_cycle(int h) {
    std::vector<uint8_t> cycle(2 * static_cast<size_t>(h), square_low);
    std::memset(cycle.data(), square_high, static_cast<size_t>(h));
    return cycle;
}

// Largest number of samples a conversion can produce: silence, leader, start
// mark, every input bit a long cycle, tail, silence.
constexpr uint64_t worst_case_samples(const RateLengths& r, uint64_t input_bytes) {
    return static_cast<uint64_t>(r.sample_rate) + uint64_t{leader_cycles} * 2 * r.long_half +
           2 * r.short_half + input_bytes * 8 * 2 * r.long_half + r.tail_length;
}

constexpr bool every_accepted_input_fits() {
    for (const auto& r : rate_table)
        if (worst_case_samples(r, cpf_max_size) > common::wav_max_data_size) return false;
    return true;
}
static_assert(every_accepted_input_fits(),
              "cpf_max_size must keep every WAV file within the 32-bit RIFF size fields");

// Collects samples in a buffer and writes them out in large blocks; the bits
// of a byte are only 12 to 44 samples each.
class SampleWriter {
public:
    explicit SampleWriter(std::FILE* file) : file_(file), buffer_(size_t{1} << 16) {}

    void put(const std::vector<uint8_t>& pattern) {
        if (buffer_.size() - used_ < pattern.size()) flush();
        std::memcpy(buffer_.data() + used_, pattern.data(), pattern.size());
        used_ += pattern.size();
        count_ += pattern.size();
    }

    void fill(uint8_t sample, size_t n) {
        while (n > 0) {
            if (used_ == buffer_.size()) flush();
            const size_t part = std::min(n, buffer_.size() - used_);
            std::memset(buffer_.data() + used_, sample, part);
            used_ += part;
            count_ += part;
            n -= part;
        }
    }

    void flush() {
        if (used_ > 0 && std::fwrite(buffer_.data(), 1, used_, file_) != used_) failed_ = true;
        used_ = 0;
    }

    uint64_t count() const { return count_; }
    bool failed() const { return failed_; }

private:
    std::FILE* file_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    uint64_t count_ = 0;
    bool failed_ = false;
};

char rate_letter(SampleRate rate) { return rate == SampleRate::hz22050 ? '2' : '4'; }
char shape_letter(WaveShape shape) { return shape == WaveShape::square ? 'Q' : 'N'; }

}  // namespace

const RateLengths& rate_lengths(SampleRate rate) {
    for (const auto& r : rate_table)
        if (r.sample_rate == rate) return r;
    return rate_table[0];  // unreachable: every SampleRate has a row
}

SamplePatterns build_patterns(const RateLengths& lengths, WaveShape shape) {
    SamplePatterns p;
    const int t = lengths.tail_length;
    if (shape == WaveShape::square) {
        p.zero_cycle = square_cycle(lengths.short_half);
        p.one_cycle = square_cycle(lengths.long_half);
        p.tail.assign(static_cast<size_t>(t), square_tail);
        return p;
    }
    p.zero_cycle = sine_cycle(lengths.short_half);
    p.one_cycle = sine_cycle(lengths.long_half);
    // The tail: a low, slow swing that starts below the zero line and
    // crosses it one long half-cycle in; the silence after it rests on 128.
    const int l = lengths.long_half;
    p.tail.resize(static_cast<size_t>(t));
    for (int i = 0; i < t; ++i) p.tail[i] = to_sample(tail_amplitude * std::sin((i - l + 0.5) * pi / t));
    return p;
}

std::string output_base_name(const std::string& input_path, SampleRate rate, WaveShape shape) {
    // Only a dot in the file name itself starts an extension: "./TAPE" and
    // "my.games/TAPE" keep their folder and get the suffix after "TAPE".
    const size_t slash = input_path.find_last_of('/');
    const size_t dot = input_path.find_last_of('.');
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string base = has_extension ? input_path.substr(0, dot) : input_path;
    base += '_';
    base += rate_letter(rate);
    base += shape_letter(shape);
    return base;
}

std::string wav_output_name(const std::string& input_path, SampleRate rate, WaveShape shape) {
    return output_base_name(input_path, rate, shape) + ".WAV";
}

std::string log_output_name(const std::string& input_path, SampleRate rate, WaveShape shape) {
    return output_base_name(input_path, rate, shape) + "_log.TXT";
}

std::string log_byte_lines(uint8_t b, uint64_t p, uint64_t running_sum) {
    char text[160];
    int n;
    const auto position = static_cast<unsigned long long>(p);
    if (b >= 0x20 && b <= 0x7E)
        n = std::snprintf(text, sizeof text, "Inbyte $%02x '%c' at file position $%04llx\n", b, b, position);
    else
        n = std::snprintf(text, sizeof text, "Inbyte $%02x     at file position $%04llx\n", b, position);
    std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "#%llu Output Byte %02x     checksum=%llx\n",
                  position, b, static_cast<unsigned long long>(running_sum));
    return text;
}

std::string checksum_status(const std::vector<uint8_t>& data) {
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < data.size(); ++i) sum += data[i];
    const unsigned computed = sum & 0xFF;
    const unsigned last = data.empty() ? 0 : data.back();
    if (computed == last) return "Good";
    char text[64];
    std::snprintf(text, sizeof text, "ERROR:  %02x <> %02x checksum mismatch", computed, last);
    return text;
}

ConversionResult convert_cpf(const std::string& input_path, const ConversionSettings& settings) {
    ConversionResult result;
    const RateLengths& lengths = rate_lengths(settings.sample_rate);
    const SamplePatterns patterns = build_patterns(lengths, settings.wave_shape);
    const auto rate = static_cast<uint32_t>(settings.sample_rate);

    std::optional<std::vector<uint8_t>> data = common::read_file(input_path, cpf_max_size);
    if (!data) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(input_path, ec);
        if (!ec && size > cpf_max_size) {
            result.outcome = ConversionOutcome::input_too_long;
            char text[96];
            std::snprintf(text, sizeof text, "ERROR:  input longer than %zu bytes", cpf_max_size);
            result.status = text;
        } else {
            result.outcome = ConversionOutcome::input_unreadable;
        }
        return result;
    }
    if (data->empty()) {
        result.outcome = ConversionOutcome::input_empty;
        return result;
    }

    result.wav_path = wav_output_name(input_path, settings.sample_rate, settings.wave_shape);
    // Both outputs replace older files only once complete, so a failed
    // conversion leaves no half file behind.
    common::ReplacingFile wav(result.wav_path);
    if (!wav.is_open()) {
        result.outcome = ConversionOutcome::output_failed;
        result.status = "ERROR:  cannot create " + result.wav_path;
        return result;
    }
    std::optional<common::ReplacingFile> log;
    if (settings.log_file) {
        result.log_path = log_output_name(input_path, settings.sample_rate, settings.wave_shape);
        log.emplace(result.log_path);
        if (!log->is_open()) {
            result.log_failed = true;
            log.reset();
        }
    }

    const common::WavFormat format{1, rate, 8};
    // The header goes first as a placeholder and is rewritten once the
    // samples are counted.
    const auto placeholder = common::wav_header(format, 0);
    bool wav_ok = std::fwrite(placeholder.data(), 1, placeholder.size(), wav.get()) == placeholder.size();

    SampleWriter out(wav.get());
    out.fill(silence_sample, rate / 2);  // half a second of silence
    for (int i = 0; i < leader_cycles; ++i) out.put(patterns.one_cycle);
    out.put(patterns.zero_cycle);  // start mark

    // Bits go out most significant first, one cycle each, with nothing
    // between bytes: the ROM counts eight bits and goes straight on.
    uint64_t running_sum = 0;
    for (size_t p = 0; p < data->size(); ++p) {
        const uint8_t b = (*data)[p];
        running_sum += b;
        if (log) {
            const std::string lines = log_byte_lines(b, p, running_sum);
            if (std::fputs(lines.c_str(), log->get()) == EOF) {
                result.log_failed = true;
                log.reset();
            }
        }
        for (int bit = 7; bit >= 0; --bit) out.put((b >> bit) & 1 ? patterns.one_cycle : patterns.zero_cycle);
    }

    out.put(patterns.tail);
    out.fill(silence_sample, rate / 2);
    out.flush();

    // Every accepted input fits the 32-bit size fields (see cpf_max_size).
    result.sample_count = static_cast<uint32_t>(out.count());
    const auto header = common::wav_header(format, result.sample_count);
    wav_ok = wav_ok && !out.failed() && std::fseek(wav.get(), 0, SEEK_SET) == 0 &&
             std::fwrite(header.data(), 1, header.size(), wav.get()) == header.size();
    const char* failure = nullptr;
    if (!wav.close() || !wav_ok)  // close first: a full disk may show only there
        failure = "ERROR:  cannot write ";
    else if (!wav.move_into_place())
        failure = "ERROR:  cannot create ";
    if (failure) {
        result.outcome = ConversionOutcome::output_failed;
        result.status = failure + result.wav_path;
        result.sample_count = 0;
        return result;  // the log, if any, is discarded with the WAV file
    }
    if (log && !(log->close() && log->move_into_place())) result.log_failed = true;

    result.status = checksum_status(*data);
    result.outcome = result.status == "Good" ? ConversionOutcome::good : ConversionOutcome::checksum_mismatch;
    return result;
}

}  // namespace tonel

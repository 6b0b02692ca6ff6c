// The 8-bit PCM WAV reader.
//
// When the reader accepts a file, the samples it delivers must be the first
// channel of the bytes of the file's "data" chunk (the first one after the
// "fmt " chunk, found here by walking the chunks independently), as many as
// the chunk and the file hold. Those samples written as a new mono WAV file
// read back as the same samples at the same rate. A refusal leaves nothing open.
#include <string>
#include <vector>

#include "common/file_util.h"
#include "common/riff.h"
#include "common/wav_reader.h"
#include "fuzz_support.h"

namespace {

std::vector<uint8_t> all_samples(common::WavReader& reader) {
    std::vector<uint8_t> samples;
    uint8_t s;
    while (reader.next_sample(s)) samples.push_back(s);
    return samples;
}

// Offset of the data chunk's bytes: the first "data" chunk after a "fmt "
// chunk inside the RIFF chunk. 0 when there is none.
size_t data_offset(const uint8_t* data, size_t size) {
    bool fmt_seen = false;
    size_t pos = 12;
    while (pos + 8 <= size) {
        const std::string_view id(reinterpret_cast<const char*>(data + pos), 4);
        const uint64_t length = common::get_le32(data + pos + 4);
        if (id == "data" && fmt_seen) return pos + 8;
        if (id == "fmt ") fmt_seen = true;
        pos += 8 + length + (length & 1);
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::scratch_file("input.wav");
    fuzz::write_file(path, data, size);

    common::WavReader reader;
    if (reader.open(path) != common::WavOpenResult::ok) {
        fuzz::check(!reader.is_open(), "a refused file is not left open");
        return 0;
    }
    const uint16_t channels = reader.channels();
    const uint32_t rate = reader.sample_rate();
    fuzz::check(channels == 1 || channels == 2, "one or two channels");
    fuzz::check(rate != 0, "a sample rate");
    const std::vector<uint8_t> samples = all_samples(reader);

    const size_t offset = data_offset(data, size);
    fuzz::check(offset != 0, "an accepted file has a data chunk after its format chunk");
    const size_t in_file = size - offset;
    const size_t held = std::min<size_t>(reader.data_size(), in_file);
    fuzz::check(samples.size() == held / channels, "every whole sample frame is delivered");
    for (size_t i = 0; i < samples.size(); ++i)
        fuzz::check(samples[i] == data[offset + i * channels], "samples are the first channel");

    // Written again as mono and read back (a file of no samples is not
    // worth writing).
    if (samples.empty()) return 0;
    const auto header = common::wav_header({1, rate, 8}, static_cast<uint32_t>(samples.size()));
    std::vector<uint8_t> copy(header.begin(), header.end());
    copy.insert(copy.end(), samples.begin(), samples.end());
    const std::string copy_path = fuzz::scratch_file("copy.wav");
    fuzz::write_file(copy_path, copy.data(), copy.size());
    common::WavReader again;
    fuzz::check(again.open(copy_path) == common::WavOpenResult::ok, "the copy opens");
    fuzz::check(again.sample_rate() == rate && again.channels() == 1, "the copy's format");
    fuzz::check(all_samples(again) == samples, "the copy holds the same samples");
    return 0;
}

// Reading the samples of an 8-bit PCM WAV file, front to back.
//
// A WAV file is a RIFF chunk of form type "WAVE": after the 12-byte RIFF
// header come chunks, each an identifier of four characters, a 32-bit
// little-endian size and that many bytes, padded to an even length. The
// "fmt " chunk holds the sample format (format tag, channels, sample rate,
// byte rate, block alignment, bits per sample); the "data" chunk after it
// holds the samples, unsigned 8-bit with 128 as the zero line, channels
// interleaved (left first).
//
// The reader accepts exactly the files the machine's cassette input can use:
// PCM (format tag 1), one or two channels, 8 bits per sample, any sample rate
// but 0, and a "data" chunk somewhere after the "fmt " chunk inside the
// RIFF chunk. Only the first channel of each sample frame is delivered.
// Samples come from a block buffer filled by large reads, so taking one
// costs a comparison and a load; the file is never read whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/file.h"

namespace common {

enum class WavOpenResult {
    ok,
    cannot_read,     // cannot be opened, or shorter than its headers say
    not_8bit_pcm,    // not RIFF/WAVE, no "fmt " or "data" chunk, or a format other than 8-bit PCM
    unknown_error,   // the read buffer could not be set up
};

// The user's wording for each refusal: "Cannot read input WAV file",
// "Input file must be an 8-bit WAV file", "Unknown error while handling
// input WAV file" (an empty text for ok).
const char* wav_open_message(WavOpenResult result);

// Size of the block buffer the samples are read through.
inline constexpr size_t wav_read_block = 16384;

class WavReader {
public:
    WavReader() = default;
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // Opens a file and positions it at its first sample; any file open
    // before is closed first. On a refusal nothing stays open.
    WavOpenResult open(const std::string& path);
    void close();
    bool is_open() const { return static_cast<bool>(file_); }

    // The first channel of the next sample frame; false once the data chunk
    // (or the file, when it is shorter than the chunk says) is used up, or
    // on a read error.
    bool next_sample(uint8_t& sample) {
        if (end_ - next_ < step_ && !refill()) return false;
        sample = buffer_[next_];
        next_ += step_;
        return true;
    }

    uint32_t sample_rate() const { return sample_rate_; }
    uint16_t channels() const { return channels_; }
    // Size of the data chunk in bytes, as its header gives it.
    uint32_t data_size() const { return data_size_; }
    // Sample frames in the data chunk: data_size / channels.
    uint32_t frame_count() const { return channels_ ? data_size_ / channels_ : 0; }

private:
    bool refill();

    File file_;
    std::vector<uint8_t> buffer_;
    size_t next_ = 0;  // next unread byte of buffer_
    size_t end_ = 0;   // bytes of buffer_ holding data
    uint32_t data_left_ = 0;  // bytes of the data chunk not yet read from the file
    size_t step_ = 1;         // bytes per sample frame (1 while closed)
    uint32_t sample_rate_ = 0;
    uint16_t channels_ = 0;
    uint32_t data_size_ = 0;
};

}  // namespace common

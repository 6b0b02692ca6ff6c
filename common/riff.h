// RIFF/WAV byte layouts shared by the programs. A WAV file is a RIFF chunk of
// form type "WAVE" holding a "fmt " chunk (the sample format) and a "data"
// chunk (the samples); every field is little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace common {

// Sample format of a PCM WAV file.
struct WavFormat {
    uint16_t channels = 1;
    uint32_t sample_rate = 44100;
    uint16_t bits_per_sample = 8;
};

// The header this suite writes: "RIFF" chunk header, "WAVE", an 18-byte
// "fmt " chunk (the 16-byte PCM format followed by a zero count of extra
// format bytes) and the "data" chunk header, 46 bytes in all.
constexpr size_t wav_header_size = 46;

// Bytes of the header counted in the RIFF size field besides the data:
// everything after the 8-byte RIFF chunk header.
constexpr uint32_t wav_header_riff_overhead = wav_header_size - 8;

// The RIFF size field is 32 bits wide, so this is the most sample data a
// file written with this header can hold.
constexpr uint32_t wav_max_data_size = UINT32_MAX - wav_header_riff_overhead;

// The 46-byte header of a PCM WAV file whose data chunk holds data_size
// bytes. data_size must not exceed wav_max_data_size.
std::array<uint8_t, wav_header_size> wav_header(const WavFormat& format, uint32_t data_size);

}  // namespace common

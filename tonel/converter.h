// tonel's converter: turns a CPF cassette image into an 8-bit mono WAV file
// that a real APF Imagination Machine loads from tape or from a PC sound card.
//
// A CPF image is nothing but the bytes the BASIC ROM's cassette routines
// wrote, the last of them normally the 8-bit sum of all the others. On tape
// the ROM sends each byte as eight full cycles, most significant bit first,
// with no start or stop bits: a 1 bit is a long cycle (about 1 kHz), a 0 bit
// a short one (about 2 kHz). A recording opens with a long leader of 1 bits
// that the ROM uses to lock on, then a single 0 bit that marks the start of
// the data.
//
// The WAV file we write: half a second of silence, 12000 one cycles of
// leader, one zero cycle as start mark, the bits of every byte, a short tail
// that eases the signal back to the zero line, and half a second of silence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tonel {

enum class SampleRate : uint32_t { hz44100 = 44100, hz22050 = 22050 };

// Sine suits a tape recorder, whose heads pass a rounded wave better; square
// suits a PC sound card wired straight into the cassette input, whose edge
// detector sees clean edges.
enum class WaveShape { sine, square };

struct ConversionSettings {
    SampleRate sample_rate = SampleRate::hz44100;
    WaveShape wave_shape = WaveShape::sine;
    bool log_file = false;  // "Write a log file too"
};

// The three lengths, in samples, that fix the whole signal at one rate. The
// half-cycles put a 0 bit near 2 kHz and a 1 bit near 1 kHz.
struct RateLengths {
    SampleRate sample_rate;
    int short_half;   // half-cycle of a 0 bit
    int long_half;    // half-cycle of a 1 bit
    int tail_length;  // samples of the tail after the last byte
};

constexpr std::array<RateLengths, 2> rate_table = {{
    {SampleRate::hz44100, 11, 22, 36},
    {SampleRate::hz22050, 6, 12, 18},
}};

const RateLengths& rate_lengths(SampleRate rate);

// Unsigned 8-bit samples; 128 is the zero line.
constexpr uint8_t silence_sample = 128;

// The leader: 12000 one cycles, about 12 seconds at either rate.
constexpr int leader_cycles = 12000;

// The sample patterns a conversion is assembled from.
struct SamplePatterns {
    std::vector<uint8_t> zero_cycle;  // 2 x short half-cycle, written for a 0 bit
    std::vector<uint8_t> one_cycle;   // 2 x long half-cycle, written for a 1 bit
    std::vector<uint8_t> tail;        // written once after the last byte
};

SamplePatterns build_patterns(const RateLengths& lengths, WaveShape shape);

// Longest CPF image accepted. Every bit of a byte costs at most one long
// cycle (44 samples at 44100 Hz), so 8 MiB of input makes at most about
// 2.95e9 samples and the WAV file still fits the 32-bit RIFF size fields.
// The machine itself could never write a tape a hundredth of this size.
constexpr size_t cpf_max_size = size_t{8} << 20;

// Output names, derived from the input path: everything from the last dot of
// the file name is dropped (a name without a dot is kept whole), then "_",
// "4" or "2" for the rate and "N" (sine) or "Q" (square) are appended. The
// WAV file adds ".WAV", the log "_log.TXT": GAME.CPF gives GAME_4N.WAV and
// GAME_4N_log.TXT.
std::string output_base_name(const std::string& input_path, SampleRate rate, WaveShape shape);
std::string wav_output_name(const std::string& input_path, SampleRate rate, WaveShape shape);
std::string log_output_name(const std::string& input_path, SampleRate rate, WaveShape shape);

// The two log lines of one input byte b at zero-based file position p, with
// running_sum the plain (unreduced) sum of all bytes up to and including it.
std::string log_byte_lines(uint8_t b, uint64_t p, uint64_t running_sum);

// Status text of the checksum test: the last byte of the image must equal the
// sum, modulo 256, of all bytes before it. "Good", or the computed sum and
// the last byte in "ERROR:  %02x <> %02x checksum mismatch". data must not
// be empty.
std::string checksum_status(const std::vector<uint8_t>& data);

enum class ConversionOutcome {
    good,               // written; checksum good
    checksum_mismatch,  // written in full; the checksum test failed
    input_unreadable,   // input cannot be opened or read; nothing written
    input_empty,        // input holds no byte; nothing written
    input_too_long,     // input longer than cpf_max_size; nothing written
    output_failed,      // the WAV file could not be created or written; nothing written
};

struct ConversionResult {
    ConversionOutcome outcome = ConversionOutcome::input_unreadable;
    // Text for the status line. Empty when the input could not be used at
    // all, in which case the status line keeps what it showed before.
    std::string status;
    std::string wav_path;
    std::string log_path;
    // A log was asked for but could not be created or written; the
    // conversion then goes on without it.
    bool log_failed = false;
    uint32_t sample_count = 0;  // samples in the data chunk
};

// Converts one CPF image into a WAV file (and a log when asked for). Output
// files appear only when complete: a failure part way leaves no half file,
// and any older file of the same name as it was.
ConversionResult convert_cpf(const std::string& input_path, const ConversionSettings& settings);

}  // namespace tonel

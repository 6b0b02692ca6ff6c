// WAV recordings played into the cassette input, and the WAV->CAS logger.
//
// A recording of a real cassette, saved as an 8-bit PCM WAV file (mono, or
// stereo of which the left channel is used), drives the cassette input bit
// (PIA2 port B bit 7) from its samples, paced by the processor's cycle
// count: the machine's own BASIC ROM decodes the signal. The input is high
// while the newest sample due lies above the zero line (128); a sample of
// exactly 128 reads low.
//
// While such a recording loads, the logger can write every byte the ROM's
// read-byte routine returns into a byte file named after the recording
// (tape.wav logs to tape_T.CAS), which gives a CPF image of the tape.
#pragma once

#include <cstdint>
#include <string>

namespace trivo {

struct Machine;

// Caption of the WAV refusal boxes: the main window's.
inline constexpr const char* wav_message_caption = "trivo";

// Opens a recording in signal mode (the tape must already be stopped): on
// success the tape is attached, not started, and the logger's file name is
// set; a refusal shows its message ("Cannot read input WAV file", "Input
// file must be an 8-bit WAV file", "Unknown error while handling input WAV
// file") and leaves no tape and no logger name.
bool wav_input_open(Machine& m, const std::string& path);

// The input sample of signal mode, `elapsed` cycles after playback started:
// takes every sample due by then and sets the input bit from the newest.
// The end of the recording stops the tape.
void wav_input_sample(Machine& m, uint32_t elapsed);

// The logger's file for a recording: the path without the extension of its
// file name, then "_T.CAS".
std::string wav_log_name(const std::string& wav_path);

// The read-byte routine is returning accumulator A: appends it to the
// logger's file, creating that file at the first byte while the logger is
// on and a name is pending (the name is used once).
void wav_logger_step(Machine& m, uint8_t a);

// Util menu "WAV->CAS logger": only while the BASIC ROM traps are armed,
// flips the logger and its check mark. A log already open keeps going
// until the tape stops.
void wav_logger_toggle(Machine& m);

}  // namespace trivo

// The emulated cassette deck.
//
// The machine's BASIC ROM saves a program by toggling a cassette output bit
// (PIA2 port B bit 6) and loads one by timing the edges of the cassette
// input bit (PIA2 port B bit 7). On tape every byte is eight full
// square-wave periods, most significant bit first, a 1 bit long (about
// 1 kHz), a 0 bit short (about 2 kHz), after a long leader of 1 bits.
//
// The deck offers the ROM two ways to a host file, side by side:
//
// - The byte path (option "Enable ROM hack fast I/O", armed only with the
//   built-in BASIC): opcode fetches at six addresses inside the BASIC ROM's
//   cassette routines are intercepted, so whole bytes move between
//   accumulator A and a CPF file. Leaders and bit timing are skipped and a
//   byte costs no tape time. A CPF file is nothing but those bytes in order,
//   normally ending with their 8-bit sum.
// - The bit path: while a tape is attached, each read of PIA2 port B drives
//   the input bit from the tape, either as a square wave timed in processor
//   cycles from a tape image, or from the samples of a WAV recording
//   (signal mode, cassette/wav_input.h), and the ROM's own bit routine reads
//   it. The output bit is not observed: recording happens only on the byte
//   path.
//
// The tape images the bit path plays come from CAS/C10/K7 block images
// (cassette/block_image.h); its bit order, bit sense and gap schedule follow
// that block layout, so a raw CPF image only loads through the byte path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/wav_reader.h"

namespace trivo {

struct Machine;

// File activity flags: which emulated devices are moving bytes to or from
// host files. The frame scheduler runs flat out while any is set (when the
// user asked for it), so loading and saving do not take real-time minutes.
inline constexpr uint8_t activity_printer = 0x01;
inline constexpr uint8_t activity_cassette_output = 0x02;
inline constexpr uint8_t activity_cassette_input = 0x04;

// After more than this many cycles (about one second) without a read of the
// cassette input the tape is stopped, and without a byte written the
// recording is closed.
inline constexpr uint32_t deck_idle_cycles = 890000;

// Largest tape image accepted (CPF or block image). A full 64K memory
// image is a fraction of this; anything longer is not a cassette.
inline constexpr size_t tape_image_max_size = size_t{16} << 20;

// The PIA2 port B bit the cassette input drives.
inline constexpr uint8_t deck_input_bit = 0x80;

// Addresses inside the BASIC ROM's cassette routines where the byte path
// intercepts opcode fetches (and one operand fetch).
inline constexpr uint16_t trap_delay_step = 0x8503;     // inner step of a delay loop counted in X
inline constexpr uint16_t trap_read_byte = 0x853A;      // entry of read-byte (8 bits into A)
inline constexpr uint16_t trap_read_byte_end = 0x8548;  // its final RTS, A holds the byte
inline constexpr uint16_t trap_leader_call = 0x8568;    // call of the leader writer
inline constexpr uint16_t trap_write_byte = 0x85A7;     // entry of write-byte (8 bits from A)
inline constexpr uint16_t trap_read_preamble = 0x85B4;  // delay and leader sync before a load
// The ROM's running load checksum, which the skipped preamble would clear.
inline constexpr uint16_t basic_load_checksum = 0xA00D;

// The byte-path open dialog and the "Play Cassette File..." dialog: the
// headless runner tells them apart by title.
inline constexpr const char* deck_open_title = "Open Cassette File";
inline constexpr const char* deck_play_title = "Play Cassette File";
inline constexpr const char* deck_save_title = "Save Cassette File";

// A WAV recording playing into the cassette input.
struct WavInput {
    common::WavReader reader;
    uint32_t samples_consumed = 0;  // sample frames taken since playback started
    uint8_t current_sample = 128;   // last sample taken (first channel); 128 is silence
};

struct DeckState {
    // Input side: the attached tape.
    std::vector<uint8_t> image;  // whole CPF file or converted block image
    int32_t position = 0;        // byte being sent (bit path) or returned next (byte path)
    // A tape (image or WAV recording) is attached. Read by the frame
    // scheduler's file speed-up and by everything that must not start while
    // a tape is loaded.
    bool playing = false;
    bool playback_started = false;  // the first read of the input (or first byte) happened
    bool signal_mode = false;       // the input comes from a WAV recording
    uint32_t last_access_time = 0;  // machine_clock of the last read of the input in any form

    // Bit-path player: one square-wave period per bit, high half first.
    uint8_t shift_byte = 0;   // byte being sent, shifted right as bits go out
    uint8_t bit_value = 0;    // bit now being sent (low bit of shift_byte)
    uint8_t bit_index = 0;    // bits of the current byte already started, 0-8
    uint8_t phase = 0;        // 0: input high, next edge drives it low; 1: the reverse
    uint32_t half_period = 0;     // duration of the half-period now running
    uint32_t next_edge_time = 0;  // machine_clock of the next edge
    uint32_t start_time = 0;      // machine_clock when playback started
    int32_t byte_counter = 0;     // bytes completed since the last gap
    int32_t run_length = 0;       // bytes to send before the next gap (0: no more gaps)
    uint8_t gap_state = 0;        // position in the gap schedule

    // Signal mode and the WAV->CAS logger.
    WavInput wav;
    std::string log_name;  // logger file to create at the first logged byte; empty: none
    common::File log_file;

    // Output side (byte path only).
    common::File output;
    uint32_t bytes_written = 0;  // bytes of the recording in progress; 0: none
    uint32_t last_write_time = 0;
};

// A read of PIA2 port B: while a tape is attached, bit 7 of the port B
// latch follows the cassette input.
void deck_sample_input(Machine& m);

// Once per frame: stops the tape after a second without cassette reads and
// closes the recording after a second without bytes written.
void deck_idle_check(Machine& m);

// The byte path's hooks, called by the bus's opcode and operand fetches
// while the BASIC ROM traps are armed. Every other address is an ordinary
// read.
uint8_t deck_fetch_opcode(Machine& m, uint16_t address);
uint8_t deck_fetch_operand(Machine& m, uint16_t address);

// Reads a whole CPF file as the tape image (a name ending in ".wav", in any
// case, goes to deck_open_cassette_file instead). Any tape attached before
// is stopped. An empty, unreadable or oversized file leaves no tape, and no
// message: the byte path then answers that no byte is available.
bool deck_load_image(Machine& m, const std::string& path);

// Attaches an image already in memory (a converted block image): loaded, not
// started, not WAV. Stops any tape first.
void deck_install_image(Machine& m, std::vector<uint8_t> image);

// Ends playback and detaches the tape, closes a WAV recording and the
// logger's file, clears the input activity bit and the input bit.
void deck_stop_tape(Machine& m);

// Ends the recording in progress; the next byte written starts a new one
// (and a new save dialog).
void deck_close_output(Machine& m);

// The byte path: the next byte of the attached image, or -1 when there is
// none (after offering the open dialog if no tape is attached).
int deck_next_image_byte(Machine& m);

// The byte path: appends one byte to the recording, opening the save dialog
// at the first byte of a recording.
void deck_write_byte(Machine& m, uint8_t value);

// The byte path's open dialog: does nothing while a tape is attached or a
// quicktype runs. A chosen file becomes the tape and the FILES cassette
// setting.
void deck_byte_path_open_dialog(Machine& m);

// File menu "Play Cassette File...": does nothing while a tape is attached
// or a quicktype runs; otherwise asks for a file and opens it with
// deck_open_cassette_file. True when a tape was attached.
bool deck_play_cassette_file(Machine& m);

// Opens a cassette file for the bit path (also the script command CLOAD):
// a WAV recording (a name ending in ".wav" in any case, or a file that
// starts as a RIFF/WAVE file whatever its name) in signal mode, anything
// else as a CAS/C10/K7 block image. A file that cannot be opened changes
// nothing; otherwise the old tape is stopped first. Refusals show their
// message box. True when a tape was attached.
bool deck_open_cassette_file(Machine& m, const std::string& path);

}  // namespace trivo

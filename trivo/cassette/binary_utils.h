// Moving memory to and from host files without the emulated cassette:
// Load Binary File (a file into memory at an address), CSAVEM (a memory
// range as a cassette image with its checksum byte) and Save Ram (the whole
// 64K). They work on memory_image itself: they never reach an I/O register
// and ignore ROM protection, so a load into a ROM window changes the ROM copy
// until the next hard reset.
//
// The number parser here reads every address the user types, here and in
// the debugger's fields: "$" and hexadecimal digits, or decimal digits.
//
// The dialogs call the *_dialog_ok functions when the user presses OK; they
// show the error box themselves and say whether the dialog may close.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "machine/settings.h"

namespace trivo {

struct Machine;

// Error codes of parse_number (its value when negative).
inline constexpr int number_bad_hex = -1;      // "$" without hex digits, or a non-hex character
inline constexpr int number_bad_decimal = -2;  // a character that is no decimal digit, or none
inline constexpr int number_too_large = -3;    // above 65535
inline constexpr int number_empty = -4;        // no text at all

struct ParsedNumber {
    int value = number_empty;  // 0-65535, or an error code
    bool hexadecimal = false;  // the text began with "$"
};

ParsedNumber parse_number(std::string_view text);

// The dialogs parse only this many characters of an address field.
inline constexpr size_t address_field_chars = 7;

// An address as its dialog field shows it again: "$%04x" when it was typed
// in hexadecimal, else decimal.
std::string address_text(int value, bool hexadecimal);

// Copies a file of 1-65536 bytes into memory_image from the address. Fails,
// leaving memory as it was, when the file cannot be read, is empty or longer
// than 64K, or would run past $FFFF, or when the address is not 0-65535.
bool load_binary(Machine& m, const std::string& path, int address);

// Load Binary File dialog, OK pressed with the address field's text: loads
// settings.bloadfilename. A valid address is kept in settings (with its
// hexadecimal flag) even when the load then fails. On an error shows "Util
// Load Binary errors" and returns false: the dialog stays open. True: the
// dialog closes and the caller stores the settings.
bool load_binary_dialog_ok(Machine& m, Settings& settings, std::string_view address_field);

// A CSAVEM image: the bytes from start to end inclusive (none when end is
// below start or not an address), then one checksum byte, the sum of those
// bytes modulo 256.
std::string csavem_image(const Machine& m, int start, int end);

// CSAVEM dialog, OK pressed with the two address fields: each valid address
// is kept in settings with its hexadecimal flag; with a valid start the image
// is written to settings.csavfilename (replaced whole, never left half
// written). Every problem found, "Could not open file" included, is shown
// together in one "Util CSAVEM errors" box; then it returns false and the
// dialog stays open. True: the dialog closes and the caller stores the
// settings.
bool csavem_dialog_ok(Machine& m, Settings& settings, std::string_view start_field,
                      std::string_view end_field);

// "ram.bin" in the start-up directory.
std::string save_ram_path(const std::string& startup_directory);

// Save Ram: writes the 65536 bytes of memory_image, address 0 first, to
// "ram.bin" in the start-up directory. A file that cannot be written is
// reported with a message box (false).
bool save_ram(Machine& m, const std::string& startup_directory);

}  // namespace trivo

// ROM images and machine configurations.
//
// The machine runs from read-only images: the console's 2K system ROM (seen
// in two 8K windows, $4000-$5FFF and $E000-$FFFF, repeating through each
// because the chip answers to the low 11 address lines only), the BASIC ROM
// of the keyboard unit
// ($6800-$77FF and $8000-$9FFF), a game cartridge ($8000-$9FFF), programs
// given as Motorola S-record files, and the display's character ROMs.
//
// Each image comes from its built-in copy or from a file the configuration
// names. load_rom_images fills staging buffers (and reports every file that
// cannot be used with its own message box); install_rom_images copies the
// staging buffers into memory_image, at a hard reset and when the cartridge
// is changed. Which address ranges are RAM, ROM or I/O is the memory map's.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace trivo {

struct Machine;

inline constexpr int system_rom_size = 2048;
inline constexpr int os_rom_window_size = 8192;
inline constexpr int basic_rom_low_size = 4096;
inline constexpr int basic_rom_high_size = 8192;
inline constexpr int game_rom_size = 8192;

// Where the images appear in the address space.
inline constexpr uint16_t os_rom_low_base = 0x4000;
inline constexpr uint16_t os_rom_high_base = 0xE000;
inline constexpr uint16_t basic_rom_low_base = 0x6800;
inline constexpr uint16_t cartridge_base = 0x8000;  // BASIC high part or game ROM
// A game cartridge drives nothing at $6800-$7FFF: those addresses read 0xFF.
inline constexpr uint16_t cartridge_gap_base = 0x6800;
inline constexpr int cartridge_gap_size = 0x1800;

// The images supplied with the program. Each span holds the image as built
// (system ROM 2048 bytes, character ROM 768, BASIC 4096 + 8192); they must
// outlive the call that receives them.
struct BuiltinImages {
    std::span<const uint8_t> system_rom;  // 2048 bytes
    std::span<const uint8_t> char_rom;    // 768 bytes
    std::span<const uint8_t> basic_low;   // 4096 bytes, for $6800
    std::span<const uint8_t> basic_high;  // 8192 bytes, for $8000-$9FFF
};

// The staging buffers: what install_rom_images puts into memory.
struct RomImages {
    std::array<uint8_t, os_rom_window_size> os_rom_low{};   // $4000-$5FFF
    std::array<uint8_t, os_rom_window_size> os_rom_high{};  // $E000-$FFFF
    std::array<uint8_t, basic_rom_low_size> basic_rom_low{};
    std::array<uint8_t, basic_rom_high_size> basic_rom_high{};
    // Starts all zero and keeps its last contents when a later load fails,
    // so a missing game file installs the previous cartridge.
    std::array<uint8_t, game_rom_size> game_rom{};
    std::array<uint8_t, 0x10000> s19_image{};
    std::array<uint8_t, 0x10000> s19_loaded{};  // non-zero: s19_image holds that address
};

// Error word bits of load_s19 (0 = success); the word of a file is the OR of
// the words of its lines.
inline constexpr uint32_t s19_bad_hex = 0x100;        // bad hex digit in count or address
inline constexpr uint32_t s19_bad_checksum = 0x200;   // checksum mismatch
inline constexpr uint32_t s19_cannot_open = 0x400;    // file cannot be opened
inline constexpr uint32_t s19_not_a_record = 0x800;   // a line not starting with S (blank too)
inline constexpr uint32_t s19_beyond_ffff = 0x1000;   // data past $FFFF
// A line longer than s19_line_max characters (its line feed included) is
// not an S-record the format allows: it is skipped whole, stores nothing, and
// the rest of the file still loads.
inline constexpr uint32_t s19_line_too_long = 0x2000;
inline constexpr int s19_line_max = 255;

// Reads an S19 file into s19_image and s19_loaded (both cleared first).
// Only S1 records carry data; whatever was stored before an error stays.
uint32_t load_s19(RomImages& images, const std::string& path);
// The same on text already in memory (the file's bytes).
uint32_t s19_parse(RomImages& images, std::string_view text);

// Rebuilds every staging buffer, char_rom and char_rom_ext from the memory
// and cartridge settings, showing a message box for each file that cannot be
// loaded (the built-in or previous image stays). Then arms the BASIC ROM
// traps exactly for enableromhacksflag 1 with carttype 1, and sets the
// "WAV->CAS logger" menu command: enabled while armed, else unchecked, greyed
// and the logger off. Does not touch memory_image; the caller rebuilds the
// display tables afterwards.
void load_rom_images(Machine& m, const BuiltinImages& builtin);

// Copies the staging buffers into memory_image, straight past the memory
// map (ROM windows receive their contents whatever the map says about
// writes). S19 data goes last and so overrides everything, system ROM
// windows included.
void install_rom_images(Machine& m);

}  // namespace trivo

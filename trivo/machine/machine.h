// The emulated APF Imagination Machine and everything the emulator keeps
// about it at run time. One Machine is the whole state: the program creates
// one, a test as many as it needs, and two never share anything.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "automation/automation.h"
#include "cassette/deck.h"
#include "cassette/printer.h"
#include "host/sound.h"
#include "machine/host.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"
#include "machine/settings.h"
#include "video/video.h"

namespace trivo {

// Condition-code bits of the 6800.
inline constexpr uint8_t cc_h = 0x20;
inline constexpr uint8_t cc_i = 0x10;
inline constexpr uint8_t cc_n = 0x08;
inline constexpr uint8_t cc_z = 0x04;
inline constexpr uint8_t cc_v = 0x02;
inline constexpr uint8_t cc_c = 0x01;

// wait_state bit set while the processor sits in WAI.
inline constexpr uint8_t wait_wai = 0x08;

struct CpuState {
    uint16_t pc = 0;
    uint16_t ppc = 0;  // address of the instruction being executed
    uint16_t s = 0;
    uint16_t x = 0;
    uint8_t a = 0;
    uint8_t b = 0;
    uint8_t cc = 0xC0;
    uint16_t ea = 0;  // effective address of the last memory operand
    uint8_t wait_state = 0;
    uint8_t nmi_line = 0;  // 0 clear, 1 asserted, 2 held
    uint8_t irq_line = 0;
    int32_t extra_cycles = 0;         // interrupt entry not yet charged to a slice
    int32_t irq_check_countdown = 0;  // -2 after CLI, SEI, TAP
    int32_t cycles_left = 0;
};

// One record per executed instruction: pc, the four bytes at pc (little-endian),
// pc after, a*256+b, x, s, cc.
inline constexpr int trace_records = 24000;
inline constexpr int trace_words = 7;

struct TraceRing {
    std::array<uint32_t, trace_records * trace_words> words;
    int32_t position = 0;  // next record to write; returns to 0 after the last one

    TraceRing() { words.fill(0xFFFFFFFFu); }
};

// break_flags / debug_flags bits set by the core and the bus.
inline constexpr uint32_t flag_questionable_read = 0x100;
inline constexpr uint32_t flag_questionable_write = 0x200;
inline constexpr uint32_t flag_interrupt = 0x400;
inline constexpr uint32_t flag_read_watch = 0x100000;
inline constexpr uint32_t flag_write_watch = 0x200000;

// The bus's watch checks. The debugger sets the ranges (inclusive) and shows
// the messages; the bus only compares and formats.
struct BusWatch {
    uint16_t read_low = 0, read_high = 0;
    uint16_t write_low = 0, write_high = 0;
    char read_message[32] = {};
    char write_message[32] = {};
    char questionable_read_message[32] = {};
    char questionable_write_message[32] = {};
};

// Register values of the four I/O blocks as last seen by io_snapshot, for
// the debugger's memory windows: PIA1, PIA2, printer port, spare latches.
using IoSnapshot = std::array<std::array<uint8_t, 4>, 4>;

struct Machine {
    CpuState cpu;
    uint32_t machine_clock = 0;
    uint32_t break_flags = 0;
    uint32_t debug_flags = 0;
    char break_reason[64] = {};
    TraceRing trace_ring;

    std::array<uint8_t, 0x10000> memory_image{};
    // Per-address attribute words: low half for reads, high half for writes.
    std::array<uint32_t, 0x10000> addr_attr{};
    // Where a direct access lands in memory_image (an image points at the byte it mirrors).
    std::array<uint16_t, 0x10000> addr_ptr{};
    BusWatch watch;
    IoSnapshot io_snapshot_values{};

    // Emulated keys held: 0-53 keyboard (row * 8 + bit), 64-95 hand controllers.
    std::array<uint8_t, 128> key_state{};
    uint8_t speaker_level = 0;  // last level of the speaker bit (PIA1 CRB bit 3)

    Timing timing;
    FrameScheduler scheduler;
    VideoModeLog video_mode_log;
    std::array<uint8_t, mode_map_size> video_mode_map{};

    // The display: the picture's colour table (the settings' palette as of
    // the last video_build_tables), the character ROMs the tables are built
    // from, the prerendered tables and the last composed picture.
    VideoPalette video_palette = default_video_palette;
    std::array<uint8_t, char_rom_size> char_rom{};
    std::array<uint8_t, char_rom_ext_size> char_rom_ext = char_rom_ext_test_pattern;
    VideoTables video_tables;
    FramePixels frame_pixels{};

    // ROM images as loaded (staging buffers), copied into memory_image by
    // install_rom_images.
    RomImages rom_images;
    // The BASIC ROM's cassette routines are intercepted (fast I/O): decided
    // by load_rom_images, read by the bus's opcode fetch.
    bool rom_hacks_armed = false;
    // The WAV->CAS logger is switched on (menu check mark); only possible
    // while the traps are armed, load_rom_images switches it off otherwise.
    bool wav_logger_on = false;
    // Set by every machine_reset: the main loop runs frames only from then on.
    bool machine_started = false;

    SoundOutput sound;
    Printer printer;
    DeckState deck;
    uint8_t file_activity = 0;  // activity_printer | activity_cassette_*
    QuickType quicktype;

    Settings settings;
    // The configuration file the settings were read from, set at start-up;
    // file choices (the FILES keys) are written back to it at once. Empty
    // (as in tests): nothing is written.
    std::string config_path;
    Host default_host;  // answers every request with "cancelled" / nothing
    Host* host = &default_host;

    Machine() = default;
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
};

// A Machine is large (about a megabyte); create it on the heap.
inline std::unique_ptr<Machine> make_machine() { return std::make_unique<Machine>(); }

}  // namespace trivo

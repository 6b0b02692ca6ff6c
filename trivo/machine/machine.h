// The emulated APF Imagination Machine and everything the emulator keeps
// about it at run time. One Machine is the whole state: the program creates
// one, a test as many as it needs, and two never share anything.
//
// Machine only composes: each chip's and device's state is declared in the
// header of the code that owns it (the processor's in cpu/, the bus's watch
// and stop bits beside the bus, the deck's in cassette/ ...).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "automation/automation.h"
#include "cassette/deck.h"
#include "cassette/printer.h"
#include "cpu/cpu_state.h"
#include "cpu/trace_ring.h"
#include "debugger/debugger_state.h"
#include "host/keyboard.h"
#include "host/sound.h"
#include "machine/bus_watch.h"
#include "machine/host.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"
#include "machine/settings.h"
#include "machine/timing.h"
#include "video/video.h"

namespace trivo {

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
    // The host's keys and controllers as last given, and the lookups built
    // from the keyboard settings.
    InputState input;
    uint8_t speaker_level = 0;  // last level of the speaker bit (PIA1 CRB bit 3)

    Timing timing = ntsc_timing;
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
    ScriptEngine script;
    // Break settings, breakpoints, stepping targets, the register snapshot
    // and the loaded listings.
    DebuggerState debugger;

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

// mirla's emulated machine and everything it keeps at run time. One Machine is
// the whole state of one of the four machines mirla runs: the APF Imagination
// Machine or one of the three 6800 trainer boards. The program creates one; a
// test creates as many as it needs, and two never share anything.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace mirla {

enum class MachineKind : uint8_t { apf, vendel1, qlumen1, qlumen2 };

// ---- processor ----

// Condition word: the flags sit at the bit positions of an x86 flag register
// (C 0, H 4, Z 6, N 7, V 11), with the interrupt mask at bit 15. Bit 9 is set
// at reset and carried along by every instruction.
inline constexpr uint16_t cw_c = 0x0001;
inline constexpr uint16_t cw_h = 0x0010;
inline constexpr uint16_t cw_z = 0x0040;
inline constexpr uint16_t cw_n = 0x0080;
inline constexpr uint16_t cw_v = 0x0800;
inline constexpr uint16_t cw_i = 0x8000;
inline constexpr uint16_t cw_reset_bit = 0x0200;

struct CpuState {
    uint16_t pc = 0;
    uint16_t x = 0;
    uint16_t sp = 0;
    uint8_t a = 0;
    uint8_t b = 0;
    uint16_t cw = cw_reset_bit;  // condition word, layout above
    uint8_t opcode = 0;          // opcode of the instruction being executed
    uint16_t ea = 0;             // effective address of the last memory operand
    int32_t cycles_left = 0;     // cycle budget of the current time slice
    bool irq_request = false;    // the frame-interrupt request, a level
};

// Undefined opcodes are counted per value until the user clears the counts;
// the last one seen is shown in the window's status label.
struct UndefinedOpcodes {
    std::array<uint32_t, 256> counts{};
    bool label_visible = false;  // the status label and the two menu items
    uint16_t last_address = 0;
    uint8_t last_opcode = 0;
};

// ---- machine devices ----

// Page types of the page map: what a mapped read or write of the page does.
enum PageType : uint8_t {
    page_ram = 0,
    page_screen_upper = 1,  // APF screen RAM 0200-03FF and its mirrors
    page_rom = 2,
    page_pia1 = 3,
    page_pia2 = 4,
    page_screen_lower = 6,  // APF screen RAM 0000-01FF and its mirrors
    page_disk = 7,
    page_drive_select = 8,
    page_serial = 9,
    page_vendel_io = 10,
    page_qlumen1_io = 11,
    page_qlumen2_io = 12,
    page_ram_high = 13,  // RAM, a separate type on the "Q.Lumen II" board
};

inline constexpr int key_matrix_bytes = 20;  // 0-9 keyboard bank, 10-19 keypad bank

// The APF's console PIA (video mode, keypad columns, speaker, frame interrupt)
// and keyboard-unit PIA (keyboard rows, cassette lines). The registers' last
// written bytes live in memory_image; this is what lives outside it.
struct ApfIo {
    int8_t keypad_column = -1;  // 0-3, or -1 when none is selected
    bool alternate_glyphs = false;  // PIA1 register 1 bit 3
    bool graphics_mode = false;     // PIA1 register 2 bit 7
    bool colour_set = false;        // PIA1 register 2 bit 6
    int16_t split_line = 0;         // first screen line drawn as graphics
    int8_t split_hold = 0;          // frame ends left before split_line returns to 0
    uint8_t speaker_level = 0;      // 0 or 2, from PIA1 register 3 bit 3
    uint8_t row_counter = 0;        // keyboard row, PIA2 register 2 bits 2-0
    uint8_t cassette_lines = 0;     // PIA2 register 2 as last written
    uint8_t tape_input = 0;         // bit 7: the tape signal (no deck yet: 0)
};

// "Vendel-I": an 8 x 8 LED matrix driven by row and column lines, each LED
// with an afterglow counter.
struct VendelIo {
    std::array<uint8_t, 8> column_lines{};  // bit 0 of the writes to offsets 90-97
    std::array<uint8_t, 8> row_lines{};     // row r from offset 9F - r; 0 selects the row
    std::array<uint8_t, 64> led_count{};    // 64 LEDs, row by row
    uint8_t redraw_cursor = 0;
};

// "Q.Lumen I": ten seven-segment digits multiplexed through offset 80, which
// also chooses the keypad row.
struct QLumen1Io {
    uint8_t row_counter = 0;  // the digit number and keypad row, 0-15
    uint8_t segment_latch = 0xFF;
    std::array<uint8_t, 16> digit_latch{};     // segments each digit took, active low
    std::array<uint8_t, 80> segment_count{};   // afterglow of the 80 segments
    uint8_t redraw_cursor = 0;
};

// "Q.Lumen II": sixteen latched digits written from the top down, and a keypad
// read row by row through register 0.
struct QLumen2Io {
    uint8_t row_counter = 0;     // 0-8
    uint8_t digit_counter = 15;  // the digit register 2 writes next
    uint8_t last_control = 0xFF; // register 0 as last written, for its falling edges
    std::array<uint8_t, 16> digit_pattern{};  // segments, active high
    std::array<uint8_t, 128> segment_state{};
    uint8_t redraw_cursor = 0;
};

// Devices of the APF keyboard unit that are not emulated yet: their pages
// keep the bytes written to them.
struct PlaceholderDevices {
    std::array<uint8_t, 4> disk_registers{0xFF, 0xFF, 0xFF, 0xFF};
    std::array<uint8_t, 4> serial_registers{};
    uint8_t drive = 0;
};

// ---- display ----

inline constexpr int image_max_width = 512;
inline constexpr int image_max_height = 192;
inline constexpr int screen_rows = 16;    // APF character rows
inline constexpr int graphics_rows = 12;  // APF graphics rows, 16 lines each

enum class Semigraphics : uint8_t { semi4, semi6 };

// The window image: palette indices (display/display.h), width x height of
// image_max_width-wide rows.
struct DisplayState {
    std::array<uint8_t, image_max_width * image_max_height> pixels{};
    int width = 256;
    int height = 192;
    bool colour = true;  // "Color": colour or grey APF palette, red or grey LEDs
    Semigraphics semigraphics = Semigraphics::semi4;
    std::array<bool, screen_rows> row_dirty{};
    std::array<bool, graphics_rows> graphics_dirty{};
    bool image_changed = false;  // something was drawn since the window last showed it
    // Built at start-up: the 64 glyphs (7 rows each) and the graphics patterns
    // (colour set x byte bits 5-0 x 8 pixels).
    std::array<uint8_t, 64 * 7> glyphs{};
    std::array<uint8_t, 2 * 64 * 8> graphics_patterns{};
};

// ---- run loop ----

inline constexpr int speed_windows = 10;

struct RunState {
    int slices_per_frame = 22;
    int cycles_per_slice = 678;
    double slice_period_ms = 0;
    int slice_index = 0;
    uint64_t slices = 0;  // slices run since start-up
    uint64_t frames = 0;  // frames counted since start-up
    // Pacing: real milliseconds owed to the emulation, capped at 200.
    double pace_accumulator_ms = 0;
    double pace_last_ms = 0;
    // Speed display: a ring of (frames, milliseconds) windows.
    std::array<uint32_t, speed_windows> window_frames{};
    std::array<uint32_t, speed_windows> window_ms{};
    int window_next = 0;
    uint32_t window_start_frames = 0;
    double window_start_ms = 0;
    int speed_fps = 60;  // what the speed label shows
};

struct Machine {
    MachineKind kind = MachineKind::apf;
    CpuState cpu;
    UndefinedOpcodes undefined;
    std::array<uint8_t, 65536> memory_image{};
    std::array<uint8_t, 256> page_map{};
    std::array<uint8_t, key_matrix_bytes> key_matrix{};
    uint8_t last_key = 0;  // the last emulated key number pressed, for its label
    ApfIo apf;
    VendelIo vendel;
    QLumen1Io qlumen1;
    QLumen2Io qlumen2;
    PlaceholderDevices devices;
    DisplayState display;
    RunState run;
};

// The machine's state is large (64K of memory plus the window image): keep it
// on the heap.
inline std::unique_ptr<Machine> make_machine() { return std::make_unique<Machine>(); }

}  // namespace mirla

// The PC keyboard and game controllers as the machine's keyboard and hand
// controllers.
//
// The program around the core keeps a snapshot of what the user holds
// (HostInput): which PC keys are down, by Windows-style virtual-key code
// (0x41 'A', 0x10 Shift, 0x0D Return), and the raw state of up to two game
// controllers in the standard joystick layout (axes -720..720, hats in
// hundredths of a degree, button bytes with bit 7 set while pressed). Once
// per frame keyboard_scan turns that snapshot into key_state, the emulated
// keys held, in one of two ways (settings.emulatedflag):
//
// - the emulated keyboard, by position: each APF key lists up to 15 PC keys
//   or controller switches (settings.emu_key_map) and is down while any of
//   them is; several APF keys may share one PC key;
// - the sensible keyboard, by meaning: the lowest PC key held that the
//   table for the PC modifier held (Shift, else Ctrl, else none) assigns
//   presses one APF key, with the APF SHIFT and/or CTRL key it needs, so the
//   PC combination types the same character on the APF.
//
// Also here: the table of the machine's 85 keys (labels, picture geometry,
// typed characters) and the character-to-key lookup quick-typing uses.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace trivo {

struct Machine;

// ------------------------------------------------------------- key table

enum class KeyKind : uint8_t { keyboard, controller };

// One key of the machine. Geometry is in units of a 200 x 92 picture. Text
// fields are empty where the key has none; a typed character of 0 means
// the key types nothing.
struct ApfKey {
    uint8_t x, y, width, height;
    KeyKind kind;
    const char* keyword;  // BASIC keyword shown above the key
    const char* upper;    // upper label on the key
    const char* main;     // main label
    uint8_t number;       // index into key_state
    char plain;           // character typed alone
    char shifted;         // character typed with SHIFT
    // Names in the keyboard dialogs' lists, as a normal, SHIFT and CTRL key.
    const char* normal_name;
    const char* shift_name;
    const char* ctrl_name;
};

inline constexpr int apf_key_count = 85;
inline constexpr int apf_keyboard_key_count = 53;  // the first 53 records

extern const std::array<ApfKey, apf_key_count> apf_key_table;

inline constexpr uint8_t apf_shift_key = 0x30;
inline constexpr uint8_t apf_ctrl_key = 0x32;

// --------------------------------------------------------- the host's side

// Controller switch codes of the emulated map: 256 + n for the first and
// 320 + n for the second controller, n = 1 left, 2 right, 3 up, 4 down,
// 5-30 buttons 1-26. PC virtual keys are the codes 1-255.
inline constexpr int joy_code_base[2] = {256, 320};
inline constexpr int joy_switch_left = 1;
inline constexpr int joy_switch_right = 2;
inline constexpr int joy_switch_up = 3;
inline constexpr int joy_switch_down = 4;
inline constexpr int joy_switch_button_1 = 5;
inline constexpr int joy_buttons_mapped = 26;
inline constexpr int key_code_count = 512;

// A controller as the host reads it: the standard joystick layout.
struct JoystickState {
    bool present = false;  // the slot holds a usable device
    bool read_ok = true;   // the last read of it worked
    int caps_axes = 0;     // axes and point-of-view hats the device reports
    int caps_povs = 0;
    // X, Y, Z, three rotations, two sliders; X and Y scaled to -720..720.
    std::array<int32_t, 8> axes{};
    // Hats in hundredths of a degree clockwise from up; all bits set when centred.
    std::array<uint32_t, 4> povs{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    std::array<uint8_t, 32> buttons{};  // bit 7 set while pressed
};

inline constexpr uint32_t pov_centred = 0xFFFFFFFFu;
inline constexpr uint8_t joy_button_down = 0x80;

// What the user holds, filled by the program's window once per frame (or
// by a test). keys_down is read only while `focused` says the machine has
// the keyboard (main window in front with the focus, or the Keyboard
// window in front).
struct HostInput {
    bool focused = false;
    std::array<uint8_t, 256> keys_down{};  // non-zero: virtual key held
    std::array<JoystickState, 2> joysticks;
    // The key of the keyboard picture held with the mouse, or -1.
    int picture_key = -1;
};

// PC virtual keys the sensible keyboard looks at as modifiers.
inline constexpr int vk_shift = 0x10;
inline constexpr int vk_control = 0x11;

// ------------------------------------------------------- derived tables

// Built from the settings and the key table by keyboard_rebuild_tables.
struct KeyboardTables {
    // For each code 1-511 the APF keys whose emulated-map text lists it, in
    // ascending key number, at most 15.
    static constexpr int list_max = 15;
    std::array<std::array<uint8_t, list_max>, key_code_count> emu_reverse_map{};
    std::array<uint8_t, key_code_count> emu_reverse_count{};
    // For each byte value: an APF key number, plus 256 when SHIFT is needed; or -1.
    std::array<int16_t, 256> char_to_key{};
    // For each key number: the first apf_key_table record with it, or -1.
    std::array<int8_t, 128> key_index{};
};

// The last reduced state of each controller slot: active low, bit 0 up,
// bit 1 down, bit 2 left, bit 3 right, bit 4 fire; -1 when the slot is
// absent or its read failed.
inline constexpr uint8_t joy_up = 0x01;
inline constexpr uint8_t joy_down = 0x02;
inline constexpr uint8_t joy_left = 0x04;
inline constexpr uint8_t joy_right = 0x08;
inline constexpr uint8_t joy_fire = 0x10;

struct InputState {
    HostInput host;
    KeyboardTables tables;
    std::array<int, 2> joy_value{-1, -1};
};

// ------------------------------------------------------------ operations

// Once per frame: key_state from the host snapshot (nothing while
// quick-typing owns the keys).
void keyboard_scan(Machine& m);

// Rebuilds the reverse map, char_to_key and the key-number lookup from the
// settings; after the configuration is read and after the keyboard
// dialogs change the maps.
void keyboard_rebuild_tables(Machine& m);

// Decodes one emulated-map text into its codes (1-255 virtual keys,
// 257-350 controller switches), at most 15, in text order; returns how
// many. Tokens that mean nothing are skipped.
int emu_key_decode(std::string_view text, std::array<int, KeyboardTables::list_max>& codes);

// Reduces controller slot 0 or 1 to its byte and remembers it in
// joy_value; -1 when the slot is absent or could not be read.
int joystick_poll(Machine& m, int slot);

// The reduction itself, for the state of one controller.
int joystick_reduce(const JoystickState& state);

// The display name of a switch code 257-350: "Joy1 Left", "Joy2 Button 07".
// Empty for other codes.
std::string_view joystick_switch_name(int code, std::array<char, 24>& buffer);

}  // namespace trivo

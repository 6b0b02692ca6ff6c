// Keyboard mapping and controller reduction. What the machine sees is the
// key matrix PIA2 scans and the keypads PIA1 scans (machine/io.cpp); this
// file only decides, once per frame, which of their keys are held.
#include "host/keyboard.h"

#include <cstdio>

#include "machine/machine.h"

namespace trivo {

namespace {

constexpr uint8_t key_h = 8;  // keyboard keys are 8 units high
constexpr uint8_t pad_size = 6;

constexpr ApfKey kb(uint8_t x, uint8_t y, uint8_t w, const char* keyword, const char* upper,
                    const char* main, uint8_t number, char plain, char shifted,
                    const char* normal, const char* shift, const char* ctrl) {
    return {x, y, w, key_h, KeyKind::keyboard, keyword, upper, main, number, plain, shifted,
            normal, shift, ctrl};
}

constexpr ApfKey pad(uint8_t x, uint8_t y, const char* main, uint8_t number, const char* name) {
    return {x, y, pad_size, pad_size, KeyKind::controller, "", "", main, number, 0, 0, name, "",
            ""};
}

}  // namespace

// The keyboard unit's keys row by row as the picture shows them, left to
// right, then the left and the right hand controller in the order Fire,
// Clear, N, S, E, W, 0-9. Letters type the same capital with or without
// SHIFT; O, P, K, L, N and M carry a symbol as their upper label that SHIFT
// types instead.
const std::array<ApfKey, apf_key_count> apf_key_table = {{
    // Row 1: digits and symbols, y = 6.
    kb(15, 6, 9, "GOSUB", "!", "1", 0x05, '1', '!', "1", "!", "Ctrl 1 GOSUB"),
    kb(29, 6, 9, "LET", "\"", "2", 0x03, '2', '"', "2", "\"", "Ctrl 2 LET"),
    kb(43, 6, 9, "DATA", "#", "3", 0x0B, '3', '#', "3", "#", "Ctrl 3 DATA"),
    kb(57, 6, 9, "INPUT", "$", "4", 0x0D, '4', '$', "4", "$", "Ctrl 4 INPUT"),
    kb(71, 6, 9, "DIM", "%", "5", 0x15, '5', '%', "5", "%", "Ctrl 5 DIM"),
    kb(85, 6, 9, "FOR", "&", "6", 0x13, '6', '&', "6", "&", "Ctrl 6 FOR"),
    kb(99, 6, 9, "RETURN", "'", "7", 0x1B, '7', '\'', "7", "'", "Ctrl 7 RETURN"),
    kb(113, 6, 9, "THEN", "(", "8", 0x1D, '8', '(', "8", "(", "Ctrl 8 THEN"),
    kb(127, 6, 9, "ON", ")", "9", 0x25, '9', ')', "9", ")", "Ctrl 9 ON"),
    kb(141, 6, 9, "GOTO", "", "0", 0x23, '0', 0, "0", "Shift 0", "Ctrl 0 GOTO"),
    kb(155, 6, 9, "TO", "*", ":", 0x29, ':', '*', ":", "*", "Ctrl : TO"),
    kb(169, 6, 9, "RESTORE", "=", "-", 0x2D, '-', '=', "-", "=", "Ctrl - RESTORE"),
    kb(183, 6, 9, "", "HERE", "IS", 0x35, 0, 0, "hereis", "Shift hereis", "Ctrl hereis"),
    // Row 2: ESC, Q-P, LINE FEED, RETURN, y = 20.
    kb(6, 20, 9, "", "", "ESC", 0x31, 0, 0, "Esc", "Shift esc", "Ctrl Esc"),
    kb(20, 20, 9, "IF", "", "Q", 0x02, 'Q', 'Q', "q", "Shift Q", "Ctrl Q IF"),
    kb(34, 20, 9, "STEP", "", "W", 0x06, 'W', 'W', "w", "Shift W", "Ctrl W STEP"),
    kb(48, 20, 9, "STOP", "", "E", 0x0E, 'E', 'E', "e", "Shift E", "Ctrl E STOP"),
    kb(62, 20, 9, "READ", "", "R", 0x0A, 'R', 'R', "r", "Shift R", "Ctrl R READ"),
    kb(76, 20, 9, "NEXT", "", "T", 0x12, 'T', 'T', "t", "Shift T", "Ctrl T NEXT"),
    kb(90, 20, 9, "PRINT", "", "Y", 0x16, 'Y', 'Y', "y", "Shift Y", "Ctrl Y PRINT"),
    kb(104, 20, 9, "END", "", "U", 0x1E, 'U', 'U', "u", "Shift U", "Ctrl U END"),
    kb(118, 20, 9, "LIST", "", "I", 0x1A, 'I', 'I', "i", "Shift I", "Ctrl I LIST"),
    kb(132, 20, 9, "REM", "_", "O", 0x22, 'O', '_', "o", "_", "Ctrl O REM"),
    kb(146, 20, 9, "USING", "@", "P", 0x26, 'P', '@', "p", "@", "Ctrl P USING"),
    kb(160, 20, 9, "CSAVE", "LINE", "FEED", 0x2E, 0, 0, "linefeed", "Shift linefeed",
       "Ctrl linefeed"),
    kb(174, 20, 16, "", "", "RETURN", 0x2A, '\n', 0, "Return", "Shift return", "Ctrl return"),
    // Row 3: CTRL, A-L, ;, RUBOUT, REPT, BRK, y = 34.
    kb(10, 34, 9, "", "", "CTRL", 0x32, 0, 0, "", "", ""),
    kb(22, 34, 9, "", "", "A", 0x04, 'A', 'A', "a", "Shift A", "Ctrl A"),
    kb(34, 34, 9, "", "", "S", 0x07, 'S', 'S', "s", "Shift S", "Ctrl S"),
    kb(46, 34, 9, "", "", "D", 0x0F, 'D', 'D', "d", "Shift D", "Ctrl D"),
    kb(58, 34, 9, "", "", "F", 0x0C, 'F', 'F', "f", "Shift F", "Ctrl F"),
    kb(70, 34, 9, "", "", "G", 0x14, 'G', 'G', "g", "Shift G", "Ctrl G"),
    kb(82, 34, 9, "", "", "H", 0x17, 'H', 'H', "h", "Shift H", "Ctrl H"),
    kb(94, 34, 9, "", "", "J", 0x1F, 'J', 'J', "j", "Shift J", "Ctrl J"),
    kb(106, 34, 9, "", "[", "K", 0x1C, 'K', '[', "k", "[", "Ctrl K"),
    kb(118, 34, 9, "", "\\", "L", 0x24, 'L', '\\', "l", "\\", "Ctrl L"),
    kb(130, 34, 9, "", "+", ";", 0x27, ';', '+', ";", "+", "Ctrl ;"),
    kb(142, 34, 9, "", "RUB", "OUT", 0x2F, 0, 0, "Rubout", "Shift rubout", "Ctrl rubout"),
    kb(154, 34, 9, "", "", "REPT", 0x33, 0, 0, "Rept", "Shift rept", "Ctrl rept"),
    kb(166, 34, 9, "", "", "BRK", 0x34, 0, 0, "BRK", "Shift brk", "Ctrl brk"),
    // Row 4: SHIFT, Z-M, punctuation, the second SHIFT, y = 48.
    kb(10, 48, 16, "", "", "SHIFT", 0x30, 0, 0, "", "", ""),
    kb(32, 48, 11, "", "", "Z", 0x01, 'Z', 'Z', "z", "Shift Z", "Ctrl Z"),
    kb(46, 48, 11, "", "", "X", 0x00, 'X', 'X', "x", "Shift X", "Ctrl X"),
    kb(60, 48, 11, "", "", "C", 0x08, 'C', 'C', "c", "Shift C", "Ctrl C"),
    kb(74, 48, 11, "", "", "V", 0x09, 'V', 'V', "v", "Shift V", "Ctrl V"),
    kb(88, 48, 11, "", "", "B", 0x11, 'B', 'B', "b", "Shift B", "Ctrl B"),
    kb(102, 48, 11, "", "^", "N", 0x10, 'N', '^', "n", "^", "Ctrl N"),
    kb(116, 48, 11, "", "]", "M", 0x18, 'M', ']', "m", "]", "Ctrl M"),
    kb(130, 48, 11, "", "<", ",", 0x19, ',', '<', ",", "<", "Ctrl ,"),
    kb(144, 48, 11, "", ">", ".", 0x21, '.', '>', ".", ">", "Ctrl ."),
    kb(158, 48, 11, "", "?", "/", 0x20, '/', '?', "/", "?", "Ctrl /"),
    kb(172, 48, 16, "", "", "SHIFT", 0x30, 0, 0, "", "", ""),
    // Row 5: the space bar, y = 62.
    kb(60, 62, 80, "", "", "space", 0x28, ' ', 0, "space", "Shift space", "Ctrl space"),
    // Left hand controller, y = 74, x = 6 + 9i.
    pad(6, 74, "FR", 0x40, "LJoy Fire"), pad(15, 74, "CL", 0x41, "LJoy Clear"),
    pad(24, 74, "N", 0x42, "LJoy N"), pad(33, 74, "S", 0x43, "LJoy S"),
    pad(42, 74, "E", 0x44, "LJoy E"), pad(51, 74, "W", 0x45, "LJoy W"),
    pad(60, 74, "0", 0x46, "LJoy 0"), pad(69, 74, "1", 0x47, "LJoy 1"),
    pad(78, 74, "2", 0x48, "LJoy 2"), pad(87, 74, "3", 0x49, "LJoy 3"),
    pad(96, 74, "4", 0x4A, "LJoy 4"), pad(105, 74, "5", 0x4B, "LJoy 5"),
    pad(114, 74, "6", 0x4C, "LJoy 6"), pad(123, 74, "7", 0x4D, "LJoy 7"),
    pad(132, 74, "8", 0x4E, "LJoy 8"), pad(141, 74, "9", 0x4F, "LJoy 9"),
    // Right hand controller, y = 84, x = 11 + 9i.
    pad(11, 84, "FR", 0x50, "RJoy Fire"), pad(20, 84, "CL", 0x51, "RJoy Clear"),
    pad(29, 84, "N", 0x52, "RJoy N"), pad(38, 84, "S", 0x53, "RJoy S"),
    pad(47, 84, "E", 0x54, "RJoy E"), pad(56, 84, "W", 0x55, "RJoy W"),
    pad(65, 84, "0", 0x56, "RJoy 0"), pad(74, 84, "1", 0x57, "RJoy 1"),
    pad(83, 84, "2", 0x58, "RJoy 2"), pad(92, 84, "3", 0x59, "RJoy 3"),
    pad(101, 84, "4", 0x5A, "RJoy 4"), pad(110, 84, "5", 0x5B, "RJoy 5"),
    pad(119, 84, "6", 0x5C, "RJoy 6"), pad(128, 84, "7", 0x5D, "RJoy 7"),
    pad(137, 84, "8", 0x5E, "RJoy 8"), pad(146, 84, "9", 0x5F, "RJoy 9"),
}};

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is not a virtual-key token
}

// One two-character token: a virtual key "41", or a controller switch
// "JL", "KD", "Ja" ... "Kz". 0 for anything else.
int decode_token(char first, char second) {
    const int high = hex_digit(first), low = hex_digit(second);
    if (high >= 0 && low >= 0) return high * 16 + low;  // "00" gives 0: no key
    if (first != 'J' && first != 'K') return 0;
    const int base = joy_code_base[first == 'K' ? 1 : 0];
    switch (second) {
        case 'L': return base + joy_switch_left;
        case 'R': return base + joy_switch_right;
        case 'U': return base + joy_switch_up;
        case 'D': return base + joy_switch_down;
        default: break;
    }
    if (second >= 'a' && second <= 'z') return base + joy_switch_button_1 + (second - 'a');
    return 0;
}

// Presses every APF key the emulated map lists under one code.
void press_listed(Machine& m, int code) {
    const KeyboardTables& t = m.input.tables;
    const int count = t.emu_reverse_count[code];
    for (int i = 0; i < count; ++i) m.key_state[t.emu_reverse_map[code][i]] = 1;
}

void scan_emulated(Machine& m, bool keys_readable, const std::array<int, 2>& joy) {
    const HostInput& in = m.input.host;
    if (keys_readable) {
        for (int vk = 1; vk < 256; ++vk) {
            if (in.keys_down[vk]) press_listed(m, vk);
        }
    }
    if (!m.settings.joykeyenable) return;
    for (int j = 0; j < 2; ++j) {
        if (joy[j] < 0) continue;
        const int base = joy_code_base[j];
        const int value = joy[j];  // active low
        if (!(value & joy_left)) press_listed(m, base + joy_switch_left);
        if (!(value & joy_right)) press_listed(m, base + joy_switch_right);
        if (!(value & joy_up)) press_listed(m, base + joy_switch_up);
        if (!(value & joy_down)) press_listed(m, base + joy_switch_down);
        const auto& buttons = in.joysticks[j].buttons;
        for (int b = 0; b < joy_buttons_mapped; ++b) {
            if (buttons[b] & joy_button_down) press_listed(m, base + joy_switch_button_1 + b);
        }
    }
}

void scan_sensible(Machine& m, bool keys_readable) {
    if (!keys_readable) return;
    const HostInput& in = m.input.host;
    const Settings& s = m.settings;
    const SensibleTable& table = in.keys_down[vk_shift]     ? s.sensible_shift
                                 : in.keys_down[vk_control] ? s.sensible_ctrl
                                                            : s.sensible_normal;
    // Only one key per frame: the lowest virtual key held that the table
    // assigns, so a held modifier (itself a low code) is passed over unless
    // the user assigned it.
    for (int vk = 0; vk < 256; ++vk) {
        if (!in.keys_down[vk] || table[vk] == sensible_unassigned) continue;
        const int value = table[vk];
        m.key_state[value & 0x7F] = 1;
        if (value & sensible_with_shift) m.key_state[apf_shift_key] = 1;
        if (value & sensible_with_ctrl) m.key_state[apf_ctrl_key] = 1;
        return;
    }
}

}  // namespace

int emu_key_decode(std::string_view text, std::array<int, KeyboardTables::list_max>& codes) {
    // Sixteen tokens at most are looked at; the stored text holds fewer.
    int count = 0;
    for (size_t i = 0; i + 1 < text.size() && i < 32; i += 2) {
        const int code = decode_token(text[i], text[i + 1]);
        if (code == 0) continue;
        if (count == KeyboardTables::list_max) break;
        codes[count++] = code;
    }
    return count;
}

void keyboard_rebuild_tables(Machine& m) {
    KeyboardTables& t = m.input.tables;

    t.emu_reverse_count.fill(0);
    for (int key = 0; key < static_cast<int>(m.settings.emu_key_map.size()); ++key) {
        std::array<int, KeyboardTables::list_max> codes{};
        const int count = emu_key_decode(m.settings.emu_key_map[key], codes);
        for (int i = 0; i < count; ++i) {
            const int code = codes[i];
            uint8_t& n = t.emu_reverse_count[code];
            // A code stands under at most 15 keys; the same key twice in
            // one text is listed once.
            bool listed = false;
            for (int k = 0; k < n; ++k) listed |= t.emu_reverse_map[code][k] == key;
            if (!listed && n < KeyboardTables::list_max) t.emu_reverse_map[code][n++] = static_cast<uint8_t>(key);
        }
    }

    // Characters typed with SHIFT first, then plain ones, key by key; a
    // later key overrides an earlier one.
    t.char_to_key.fill(-1);
    for (const ApfKey& k : apf_key_table) {
        if (k.shifted) t.char_to_key[static_cast<uint8_t>(k.shifted)] = static_cast<int16_t>(k.number + 256);
        if (k.plain) {
            t.char_to_key[static_cast<uint8_t>(k.plain)] = k.number;
            // The machine has no lower case: a small letter types its capital.
            if (k.plain >= 'A' && k.plain <= 'Z') t.char_to_key[static_cast<uint8_t>(k.plain - 'A' + 'a')] = k.number;
        }
    }

    t.key_index.fill(-1);
    for (int i = apf_key_count - 1; i >= 0; --i) t.key_index[apf_key_table[i].number] = static_cast<int8_t>(i);
}

int joystick_reduce(const JoystickState& s) {
    if (!s.present || !s.read_ok) return -1;
    // The stick decides while it is out of its dead zone (90 % of the range).
    constexpr int32_t threshold = 649;
    uint8_t bits = 0;
    if (s.caps_axes >= 2) {
        const int32_t x = s.axes[0], y = s.axes[1];
        if (x >= threshold) bits |= joy_right;
        if (x <= -threshold) bits |= joy_left;
        if (y >= threshold) bits |= joy_down;
        if (y <= -threshold) bits |= joy_up;
    }
    // A centred stick leaves the direction to the first hat: eight windows
    // of about 20 degrees around the compass points; between them, none.
    if (bits == 0 && s.caps_povs >= 1) {
        const uint32_t pov = s.povs[0];
        if (pov < 1000 || (pov > 35000 && pov < 36000)) bits = joy_up;
        else if (pov >= 3501 && pov <= 5499) bits = joy_up | joy_right;
        else if (pov >= 8001 && pov <= 9999) bits = joy_right;
        else if (pov >= 12501 && pov <= 14499) bits = joy_down | joy_right;
        else if (pov >= 17001 && pov <= 18999) bits = joy_down;
        else if (pov >= 21501 && pov <= 23499) bits = joy_down | joy_left;
        else if (pov > 26000 && pov < 28000) bits = joy_left;
        else if (pov > 30500 && pov < 32500) bits = joy_up | joy_left;
    }
    // Only the first six buttons are fire.
    for (int b = 0; b < 6; ++b) {
        if (s.buttons[b] & joy_button_down) bits |= joy_fire;
    }
    return static_cast<uint8_t>(~bits);
}

int joystick_poll(Machine& m, int slot) {
    const int value = joystick_reduce(m.input.host.joysticks[slot]);
    m.input.joy_value[slot] = value;
    return value;
}

std::string_view joystick_switch_name(int code, std::array<char, 24>& buffer) {
    const int j = code >= joy_code_base[1] ? 1 : 0;
    const int n = code - joy_code_base[j];
    if (n < joy_switch_left || n >= joy_switch_button_1 + joy_buttons_mapped) return {};
    static constexpr const char* directions[] = {"Left", "Right", "Up", "Down"};
    int length;
    if (n < joy_switch_button_1) {
        length = std::snprintf(buffer.data(), buffer.size(), "Joy%d %s", j + 1, directions[n - 1]);
    } else {
        length = std::snprintf(buffer.data(), buffer.size(), "Joy%d Button %02d", j + 1,
                               n - joy_switch_button_1 + 1);
    }
    return {buffer.data(), static_cast<size_t>(length)};
}

void keyboard_scan(Machine& m) {
    // Quick-typing owns key_state while it types.
    if (m.quicktype.active) return;
    m.key_state.fill(0);
    const bool keys_readable = m.input.host.focused;
    const std::array<int, 2> joy = {joystick_poll(m, 0), joystick_poll(m, 1)};
    if (m.settings.emulatedflag) {
        scan_emulated(m, keys_readable, joy);
    } else {
        scan_sensible(m, keys_readable);
    }
    // The keyboard picture's key under the held mouse button.
    const int picture = m.input.host.picture_key;
    if (picture >= 0 && picture < static_cast<int>(m.key_state.size())) m.key_state[picture] = 1;
}

}  // namespace trivo

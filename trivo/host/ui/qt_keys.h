// Host keys as the machine's keyboard mapping sees them: Qt key events
// turned into Windows-style virtual-key codes, kept as the set of keys held.
//
// The codes are those of the configuration files (0x41 'A', 0x10 Shift,
// 0x0D Return, 0x70 F1 ...), so a key map written by another installation
// keeps working. The table follows the US layout: a shifted symbol counts as
// the key it is typed on ('!' is the 1 key, 0x31), because the mapping
// itself decides what Shift means.
//
// Left and right Shift, Ctrl and Alt are told apart by the X key code of a
// real key event (50/62, 37/105, 64/108); an event without one (synthetic
// events) counts as the left key. As on the original host, the generic code
// (0x10, 0x11, 0x12) is held while either side is.
//
// Keys that have no virtual-key code get codes of the program's own, above
// the 0-255 range of the configuration files and above the joystick switch
// codes (256-350), so they can never be confused with either:
//   0x200  AltGr (ISO level 3 shift)
//   0x201  Compose (Multi_key)
//   0x202  any dead key (accents typed before a letter)
//   0x203  Hyper
//   0x204  level 5 shift and other layout switches without a code
#pragma once

#include <QtGlobal>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

class QKeyEvent;

namespace trivo::ui {

inline constexpr int vk_shift = 0x10;
inline constexpr int vk_control = 0x11;
inline constexpr int vk_menu = 0x12;  // Alt
inline constexpr int vk_lshift = 0xA0;
inline constexpr int vk_rshift = 0xA1;
inline constexpr int vk_lcontrol = 0xA2;
inline constexpr int vk_rcontrol = 0xA3;
inline constexpr int vk_lmenu = 0xA4;
inline constexpr int vk_rmenu = 0xA5;

inline constexpr int own_key_altgr = 0x200;
inline constexpr int own_key_compose = 0x201;
inline constexpr int own_key_dead = 0x202;
inline constexpr int own_key_hyper = 0x203;
inline constexpr int own_key_layout = 0x204;
// Size of the held-key set: virtual keys 0-255, then the program's own codes.
inline constexpr int host_key_codes = 0x210;

using HeldKeys = std::array<uint8_t, host_key_codes>;

// The virtual-key code of a Qt key, 0 for none. keypad: the event carried
// Qt::KeypadModifier. nativeScanCode: the X key code, 0 when unknown.
int virtualKeyFor(int qtKey, bool keypad, quint32 nativeScanCode);

// The set of keys held, kept from press and release events. A key is
// remembered by its X key code when the event has one, so a key pressed
// with Shift and released without it ("!" down, "1" up) is still released,
// whatever the layout.
class KeyTracker {
public:
    // True when the event named a key the tracker knows.
    bool press(const QKeyEvent& event);
    bool release(const QKeyEvent& event);
    // Focus lost: every key counts as up.
    void releaseAll();

    const HeldKeys& held() const { return m_held; }
    bool isHeld(int code) const { return code >= 0 && code < host_key_codes && m_held[code] != 0; }

private:
    void rebuild();

    // Physical key -> the codes it holds down.
    std::map<uint32_t, std::vector<int>> m_pressed;
    HeldKeys m_held{};
};

}  // namespace trivo::ui

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
// (0x10, 0x11, 0x12) is held while either side is. AltGr is the right Alt
// key, as the original host reports it (without the Ctrl that host adds
// to it).
//
// Keys with no virtual-key code of their own -- Compose, the dead keys
// (accents typed before a letter), Hyper, level-5 and direction switches,
// and the rarer media and launch keys -- get no code. A code of our own
// above 255 would not help: the machine's snapshot of held keys has 256
// entries, and a key map names a PC key by two hexadecimal digits (01-FF),
// so such a code could never be read nor assigned. These keys press no APF
// key; their events go on to the window as if the machine did not want them.
#pragma once

#include <QtGlobal>
#include <array>
#include <cstdint>
#include <map>

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

// The held virtual keys, indexed by code: the machine's snapshot layout.
using HeldKeys = std::array<uint8_t, 256>;

// The codes one key event holds down: a key's code and, for Shift, Ctrl
// and Alt, the code of its side too. count is 0 for a key without a code.
struct KeyCodes {
    std::array<uint8_t, 2> code{};
    int count = 0;
};

// The virtual-key code of a Qt key, 0 for none. keypad: the event carried
// Qt::KeypadModifier.
int virtualKeyFor(int qtKey, bool keypad);

// The codes a key event holds down.
KeyCodes keyCodesFor(const QKeyEvent& event);

// The set of keys held, kept from press and release events. A key is
// remembered by its X key code when the event has one, so a key pressed
// with Shift and released without it ("!" down, "1" up; on other layouts
// two different symbols) is still released.
class KeyTracker {
public:
    // True when the event named a key that has a code.
    bool press(const QKeyEvent& event);
    bool release(const QKeyEvent& event);
    // Focus lost: every key counts as up.
    void releaseAll();

    const HeldKeys& held() const { return m_held; }
    bool isHeld(int code) const { return code >= 0 && code < 256 && m_held[code] != 0; }

private:
    void rebuild();

    // Physical key -> the codes it holds down.
    std::map<uint32_t, KeyCodes> m_pressed;
    HeldKeys m_held{};
};

}  // namespace trivo::ui

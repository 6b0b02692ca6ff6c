// The key matrix and the keys of the four machines: where each emulated key
// sits, its legend, and the built-in map from host keys (Windows-style
// virtual-key codes) to emulated keys.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "machine/machine.h"

namespace mirla {

// An emulated key number 0-239 encodes its place: bit 7 the bank (keyboard
// 0, keypad 1), bits 6-4 the byte within the bank, bits 3-0 the bit. 240-243
// are the cassette buttons (play, sound-card input, rewind, fast forward);
// 255 is no key.
inline constexpr uint8_t no_key = 255;

inline constexpr int key_matrix_index(uint8_t key) { return (key >> 7) * 10 + ((key >> 4) & 7); }
inline constexpr int key_matrix_bit(uint8_t key) { return key & 0x0F; }

// Pressing clears the key's bit in the matrix, releasing sets it; numbers
// 240 and above leave the matrix alone (255 does nothing at all). Both note
// the number for the last-key label.
void key_press(Machine& m, uint8_t key) noexcept;
void key_release(Machine& m, uint8_t key) noexcept;

struct KeyLegend {
    uint8_t key;
    std::string_view legend;
};

// The keys each machine has, with their legends, in matrix order.
std::span<const KeyLegend> key_legends(MachineKind kind);

// The key of a legend (the first in matrix order when two share it), or of a
// decimal key number 0-254.
std::optional<uint8_t> key_by_name(MachineKind kind, std::string_view name);

// The built-in host-key map: one key number per virtual-key code, 255 where
// a code is not mapped. us_layout applies the United States keyboard's
// changes to the APF map.
std::array<uint8_t, 256> builtin_key_map(MachineKind kind, bool us_layout);

}  // namespace mirla

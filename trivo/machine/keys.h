// Emulated key numbers: the index into key_state of every key the machine has.
//
// Keyboard unit: key number = row * 8 + bit of the 8 x 8 matrix PIA2 scans.
//   row 0: X Z Q 2 A 1 W S
//   row 1: C V R 3 F 4 E D
//   row 2: N B T 6 G 5 Y H
//   row 3: M , I 7 K 8 U J
//   row 4: / . O 0 L 9 P ;
//   row 5: SPACE : RETURN (none) (none) - LINEFEED RUBOUT
//   row 6: SHIFT ESC CTRL REPT BRK HERE-IS (none) (none)
// Hand controllers: 64-79 left, 80-95 right.
#pragma once

#include <cstdint>

namespace trivo {

inline constexpr uint8_t key_return = 42;  // row 5, bit 2
inline constexpr uint8_t key_space = 40;
inline constexpr uint8_t key_shift = 48;
inline constexpr uint8_t key_ctrl = 50;

// Left controller; the right controller's keys are 16 higher.
inline constexpr uint8_t key_pad_fire = 64;
inline constexpr uint8_t key_pad_clear = 65;
inline constexpr uint8_t key_pad_north = 66;
inline constexpr uint8_t key_pad_south = 67;
inline constexpr uint8_t key_pad_east = 68;
inline constexpr uint8_t key_pad_west = 69;
inline constexpr uint8_t key_pad_digit_0 = 70;  // 70-79: digits 0-9
inline constexpr uint8_t key_pad_right_offset = 16;

}  // namespace trivo

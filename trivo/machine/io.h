// Handlers of the four I/O register blocks. The bus calls them with the
// register number (address AND 3): 0 port A, 1 control register A, 2 port B,
// 3 control register B. Every register is a latch byte in memory_image.
#pragma once

#include <cstdint>

namespace trivo {

struct Machine;

// Register numbers within a block.
inline constexpr int pia_port_a = 0;
inline constexpr int pia_cra = 1;
inline constexpr int pia_port_b = 2;
inline constexpr int pia_crb = 3;

// The PIA1 lines to the video display generator's mode inputs: port B bits
// 7-6 (graphics mode and colour set) and control register A bit 3 (the
// alpha/graphics select). Together they are the mode byte the display reads
// (video_mode_byte).
inline constexpr uint8_t pia1_port_b_video_mode_bits = 0xC0;
inline constexpr uint8_t pia1_cra_video_mode_bit = 0x08;

// Hand-controller keypads as PIA1 port A sees them with this column select on port B.
uint8_t keypad_read(const Machine& m, uint8_t port_b);
// Keyboard row as PIA2 port A sees it.
uint8_t keyboard_row_read(const Machine& m, int row);

// Field-sync edges, signalled by the frame scheduler: rising at the start of
// the frame, falling after the active lines.
void field_sync_rise(Machine& m);
void field_sync_fall(Machine& m);

// side_effects is true for processor reads and false for the debugger's snapshot.
uint8_t pia1_read(Machine& m, int reg, bool side_effects);
void pia1_write(Machine& m, int reg, uint8_t value);
uint8_t pia2_read(Machine& m, int reg);
void pia2_write(Machine& m, int reg, uint8_t value);
uint8_t printer_port_read(Machine& m, int reg);
void printer_port_write(Machine& m, int reg, uint8_t value);
uint8_t spare_port_read(Machine& m, int reg);
void spare_port_write(Machine& m, int reg, uint8_t value);

}  // namespace trivo

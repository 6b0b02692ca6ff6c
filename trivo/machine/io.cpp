// The machine's I/O register blocks.
//
// The two PIAs are not modelled as full MC6821s: each register is a latch
// byte in memory_image and only the side effects the machine's programs
// depend on exist (no data-direction registers, no handshake lines, no
// interrupt flag bits). What each port bit drives:
//
// PIA1 (console, 2000-2003)
//   port A  in   hand-controller keypads: bits 7-4 left, 3-0 right, active low
//   CRA     bit 3  video mode: the chip's alpha/graphics select with port B bits 7-6
//   port B  bits 3-0  out  keypad column select, active low (keypad_read)
//           bits 7-6  out  video mode: colour set and graphics mode
//           a processor read releases the field-sync IRQ (the 6821 clears
//           its CB1 flag when port B is read)
//   CRB     bit 3  out  speaker level
//           bits 2-0     field-sync IRQ: 7 on the rising edge (frame start),
//                        5 on the falling edge (end of the active lines)
// PIA2 (keyboard unit, 6000-6003)
//   port A  in   keyboard row, active low (keyboard_row_read)
//   port B  bits 2-0  out  keyboard row select
//           bit 7     in   cassette input level while a tape plays
// Printer port (6400-6403): a write to register 1 sends a byte to the printer;
//   register 0 reads back with bit 1 set (the printer is always ready).
// Spare latch block (6600-6603): plain latches.
#include "machine/io.h"

#include <array>

#include "automation/automation.h"
#include "cassette/deck.h"
#include "cassette/printer.h"
#include "cpu/cpu.h"
#include "host/sound.h"
#include "machine/bus.h"
#include "machine/keys.h"
#include "machine/machine.h"
#include "machine/scheduler.h"

namespace trivo {

namespace {

constexpr uint8_t crb_speaker = 0x08;
constexpr uint8_t crb_irq_bits = 0x07;
constexpr uint8_t crb_irq_on_rise = 0x07;
constexpr uint8_t crb_irq_on_fall = 0x05;
constexpr int irq_held = 2;

// Keypad matrix: for each column (port B select bit 0-3), the key of the
// left controller seen on port A bits 7, 6, 5, 4; the right controller's
// same keys appear on bits 3, 2, 1, 0.
constexpr std::array<std::array<uint8_t, 4>, 4> keypad_columns = {{
    {key_pad_digit_0 + 7, key_pad_digit_0 + 4, key_pad_digit_0 + 0, key_pad_digit_0 + 1},
    {key_pad_west, key_pad_north, key_pad_east, key_pad_south},
    {key_pad_digit_0 + 9, key_pad_digit_0 + 6, key_pad_clear, key_pad_digit_0 + 3},
    {key_pad_digit_0 + 8, key_pad_digit_0 + 5, key_pad_fire, key_pad_digit_0 + 2},
}};

uint8_t& latch(Machine& m, uint16_t base, int reg) { return m.memory_image[base + reg]; }

void note_mode_change(Machine& m, uint8_t new_mode) {
    video_mode_log_note(m, new_mode, m.machine_clock - m.video_mode_log.frame_start_clock,
                        video_mode_byte(m));
}

}  // namespace

uint8_t keypad_read(const Machine& m, uint8_t port_b) {
    uint8_t value = 0xFF;
    for (int column = 0; column < 4; ++column) {
        if (port_b & (1 << column)) continue;
        for (int i = 0; i < 4; ++i) {
            const uint8_t key = keypad_columns[column][i];
            if (m.key_state[key]) value &= static_cast<uint8_t>(~(0x80 >> i));
            if (m.key_state[key + key_pad_right_offset]) value &= static_cast<uint8_t>(~(0x08 >> i));
        }
    }
    return value;
}

uint8_t keyboard_row_read(const Machine& m, int row) {
    uint8_t value = 0xFF;
    for (int bit = 0; bit < 8; ++bit) {
        if (m.key_state[row * 8 + bit]) value &= static_cast<uint8_t>(~(1 << bit));
    }
    return value;
}

void field_sync_rise(Machine& m) {
    if ((latch(m, pia1_base, pia_crb) & crb_irq_bits) == crb_irq_on_rise) {
        cpu_set_irq_line(m, irq_line_irq, irq_held);
    }
}

void field_sync_fall(Machine& m) {
    if ((latch(m, pia1_base, pia_crb) & crb_irq_bits) == crb_irq_on_fall) {
        cpu_set_irq_line(m, irq_line_irq, irq_held);
    }
}

uint8_t pia1_read(Machine& m, int reg, bool side_effects) {
    switch (reg) {
        case pia_port_a: return keypad_read(m, latch(m, pia1_base, pia_port_b));
        case pia_port_b:
            if (side_effects) cpu_set_irq_line(m, irq_line_irq, 0);
            return latch(m, pia1_base, pia_port_b);
        default: return latch(m, pia1_base, reg);
    }
}

void pia1_write(Machine& m, int reg, uint8_t value) {
    switch (reg) {
        case pia_cra:
            note_mode_change(m, static_cast<uint8_t>(
                                    (value & pia1_cra_video_mode_bit) |
                                    (latch(m, pia1_base, pia_port_b) & pia1_port_b_video_mode_bits)));
            break;
        case pia_port_b:
            note_mode_change(m, static_cast<uint8_t>(
                                    (value & pia1_port_b_video_mode_bits) |
                                    (latch(m, pia1_base, pia_cra) & pia1_cra_video_mode_bit)));
            break;
        case pia_crb: {
            const uint8_t level = (value & crb_speaker) ? 1 : 0;
            if (level != m.speaker_level) {
                m.speaker_level = level;
                sound_record_edge(m, level, m.machine_clock);
            }
            // Bit 7 of a 6821 control register is its read-only interrupt
            // flag: a write never changes it. Nothing in the machine sets
            // it, so it keeps what the last hard reset left (0).
            latch(m, pia1_base, pia_crb) =
                static_cast<uint8_t>((latch(m, pia1_base, pia_crb) & 0x80) | (value & 0x7F));
            return;
        }
        default: break;
    }
    latch(m, pia1_base, reg) = value;
}

uint8_t pia2_read(Machine& m, int reg) {
    switch (reg) {
        case pia_port_a:
            // Quick-typing paces itself by the ROM's keyboard scans.
            if (m.quicktype.active && ++m.quicktype.read_count >= quicktype_reads_per_step) {
                m.quicktype.read_count = 0;
                quicktype_step(m);
            }
            return keyboard_row_read(m, latch(m, pia2_base, pia_port_b) & 7);
        case pia_port_b:
            deck_sample_input(m);
            return latch(m, pia2_base, pia_port_b);
        default: return latch(m, pia2_base, reg);
    }
}

void pia2_write(Machine& m, int reg, uint8_t value) { latch(m, pia2_base, reg) = value; }

uint8_t printer_port_read(Machine& m, int reg) {
    const uint8_t value = latch(m, printer_base, reg);
    return reg == pia_port_a ? static_cast<uint8_t>(value | 0x02) : value;
}

void printer_port_write(Machine& m, int reg, uint8_t value) {
    latch(m, printer_base, reg) = value;
    if (reg == 1) printer_print_byte(m, value);
}

uint8_t spare_port_read(Machine& m, int reg) { return latch(m, spare_base, reg); }

void spare_port_write(Machine& m, int reg, uint8_t value) { latch(m, spare_base, reg) = value; }

}  // namespace trivo

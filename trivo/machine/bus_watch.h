// What the bus keeps for the debugger besides the address space itself: the
// stop bits it and the processor raise, the watched address ranges with
// their messages, and the last snapshot of the I/O registers.
#pragma once

#include <array>
#include <cstdint>

namespace trivo {

// break_flags / debug_flags bits set by the core and the bus. A bit in
// debug_flags asks for the check; the same bit in break_flags reports that
// it fired and stops the processor after the current instruction.
inline constexpr uint32_t flag_questionable_read = 0x100;
inline constexpr uint32_t flag_questionable_write = 0x200;
inline constexpr uint32_t flag_interrupt = 0x400;
inline constexpr uint32_t flag_read_watch = 0x100000;
inline constexpr uint32_t flag_write_watch = 0x200000;

// The bus's watch checks. The debugger sets the ranges (inclusive) and shows
// the messages; the bus only compares and formats.
struct BusWatch {
    uint16_t read_low = 0, read_high = 0;
    uint16_t write_low = 0, write_high = 0;
    char read_message[32] = {};
    char write_message[32] = {};
    char questionable_read_message[32] = {};
    char questionable_write_message[32] = {};
};

// Register values of the four I/O blocks as last seen by io_snapshot, for
// the debugger's memory windows: PIA1, PIA2, printer port, spare latches.
inline constexpr int io_block_count = 4;
using IoSnapshot = std::array<std::array<uint8_t, 4>, io_block_count>;

}  // namespace trivo

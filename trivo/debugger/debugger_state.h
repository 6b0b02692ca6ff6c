// What the debugger keeps between uses: the break settings of the Breaks
// window, the breakpoint list, the targets of the stepping commands, the
// register snapshot the windows show, and the loaded listings.
#pragma once

#include <array>
#include <cstdint>

#include "debugger/lst_store.h"

namespace trivo {

// Condition bits. The same bit enables a check in debug_flags and reports
// in break_flags that it fired. 0x100, 0x200, 0x400, 0x100000 and 0x200000
// are checked by the bus and the processor (machine/bus_watch.h).
inline constexpr uint32_t flag_breakpoint = 0x1;
inline constexpr uint32_t flag_pc = 0x2;
inline constexpr uint32_t flag_x = 0x4;
inline constexpr uint32_t flag_a = 0x8;
inline constexpr uint32_t flag_b = 0x10;
inline constexpr uint32_t flag_d = 0x20;
inline constexpr uint32_t flag_cc = 0x40;
inline constexpr uint32_t flag_s = 0x80;
inline constexpr uint32_t flag_memory = 0x800;
inline constexpr uint32_t flag_step_in = 0x1000;
inline constexpr uint32_t flag_step_over = 0x2000;
inline constexpr uint32_t flag_manual = 0x4000;
inline constexpr uint32_t flag_lst_cursor = 0x8000;
inline constexpr uint32_t flag_illegal = 0x10000;
inline constexpr uint32_t flag_step_out = 0x40000;
inline constexpr uint32_t flag_step_next = 0x80000;

// The Breaks window's values, kept between its uses. Ranges are inclusive.
struct BreakSettings {
    uint32_t enabled = 0;  // the conditions "Run until" enables
    uint16_t pc = 0, x = 0, d = 0, s = 0;
    uint8_t a = 0, b = 0;
    uint8_t cc_mask = 0, cc_value = 0;
    uint16_t memory_address = 0;
    uint8_t memory_value = 0;
    uint16_t read_low = 0, read_high = 0;
    uint16_t write_low = 0, write_high = 0;
};

// The registers as the windows show them, copied from the processor at each
// refresh.
struct RegisterSnapshot {
    uint8_t a = 0, b = 0;
    uint16_t d = 0, x = 0, s = 0, pc = 0;
    uint8_t cc = 0;
};

// At most 31 addresses: adding is refused once the list holds more than 30.
inline constexpr int breakpoint_max = 31;
// The LST cursor while no line is chosen: no address compares equal.
inline constexpr int32_t lst_cursor_disarmed = -10;

struct DebuggerState {
    BreakSettings settings;
    std::array<uint16_t, breakpoint_max> breakpoints{};  // in insertion order
    int breakpoint_count = 0;

    uint16_t step_over_target = 0;
    uint16_t step_next_target = 0;
    uint16_t step_out_s = 0;
    int32_t lst_cursor = lst_cursor_disarmed;
    // Step in stops when this many instructions have run (1: the next one).
    uint32_t step_in_left = 1;

    RegisterSnapshot snapshot;
    char memory_message[32] = {};  // detail line of the memory compare

    LstStore lst;
    // Bumped whenever the breakpoint list, the LST cursor or the listings
    // change, so the windows know to redraw their lists.
    uint32_t view_generation = 0;
};

}  // namespace trivo

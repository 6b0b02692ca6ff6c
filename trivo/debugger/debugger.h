// The debugger's core: the per-instruction break check, the commands the
// debugger windows' buttons call, the breakpoint list, the reasons a stop
// shows, the execution history as text and the register snapshot. The
// windows only show what these compute.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "debugger/debugger_state.h"

namespace trivo {

struct Machine;
struct TraceRing;

// Runs after every instruction while debug_flags is non-zero: evaluates the
// enabled conditions against the newest trace record (address after the
// instruction, A*256+B, X, S, CC, opcode) and ORs the fired bits into
// break_flags, which stops the processor after this instruction.
void debugger_instruction_check(Machine& m);

// Brings the debugger up to date after a frame was shown or the registers
// were written: takes the register snapshot the windows show.
void debugger_refresh(Machine& m);
void debugger_take_snapshot(Machine& m);

// ---------------------------------------------------------------- commands
// Each leaves the processor to run (break_flags cleared) until its condition
// stops it again; the targets come from the processor's current registers.

// Stops after `count` instructions (1: the next one).
void debugger_step_in(Machine& m, uint32_t count = 1);
// Over a bsr or jsr: stops when the processor reaches the instruction after
// the call (wrapping at $FFFF). Anything else: as Step in.
void debugger_step_over(Machine& m);
// Stops at the address after the current instruction, by its length; as
// Step in for an opcode of no length.
void debugger_step_next(Machine& m);
// Stops after the rts or rti that lifts S above its value now.
void debugger_step_out(Machine& m);
// Stops at the LST cursor address.
void debugger_run_to_cursor(Machine& m);
void debugger_break(Machine& m);
void debugger_run(Machine& m);
// Enables the conditions of the break settings (the watched ranges go to
// the bus) and runs.
void debugger_run_until(Machine& m);
// The Pause key: stops or lets go.
void debugger_toggle_break(Machine& m);

// ------------------------------------------------------------ breakpoints
enum class BreakpointAdd { added, already_there, list_full };
BreakpointAdd debugger_add_breakpoint(Machine& m, uint16_t address);
bool debugger_remove_breakpoint(Machine& m, uint16_t address);
// Removes the address if it is in the list, else adds it. True when the
// address is in the list afterwards.
bool debugger_toggle_breakpoint(Machine& m, uint16_t address);
bool debugger_has_breakpoint(const Machine& m, uint16_t address);

// Sets the LST cursor to the address of `line` of the current listing (or of
// the first later line with one) and selects the line; disarms it when
// there is none.
void debugger_select_lst_line(Machine& m, int32_t line);

// Loads a listing file into the store; a file that cannot be opened is
// reported to the debugger output as the menu command does.
LstLoad debugger_load_lst(Machine& m, const std::string& path);
// The Debug menu's "Load LST file": refused when 8 listings are loaded;
// asks for a file starting from the FILES lst1 path and remembers the
// choice there. True when a listing was loaded.
bool debugger_load_lst_dialog(Machine& m);
void debugger_unload_lst(Machine& m, int index);
void debugger_clear_lsts(Machine& m);
// Makes the listing that holds the current PC current and selects its line
// (the LST window's refresh). False when no listing holds it.
bool debugger_follow_pc(Machine& m);

// ----------------------------------------------------------------- reasons
// The Breaks window's reason list for the bits set in break_flags, in bit
// order: each reason text, followed by its detail line where it has one.
std::vector<std::string> debugger_reason_lines(const Machine& m);

// ----------------------------------------------------------------- history
// The History window's rows, oldest first: the cycle offset of each record
// (minus the base cycles of it and every newer record; a record that still
// holds the initial fill adds nothing and shows an empty row).
std::vector<int32_t> history_cycle_offsets(const TraceRing& ring);
// Row `row` (0 the oldest of the ring's trace_records) with its offset.
std::string history_line(const TraceRing& ring, int row, int32_t cycle_offset);
// The newest `count` non-empty rows, oldest first.
std::vector<std::string> history_last_lines(const TraceRing& ring, int count);
// "To Clipboard": every non-empty row followed by CR LF.
std::string history_clipboard_text(const TraceRing& ring);

// ---------------------------------------------------------------- registers
// CC as six letters HINZVC, "." for each clear flag.
std::string cc_letters(uint8_t cc);

// The register fields of the Register and Breaks windows, as typed.
struct RegisterFields {
    std::string a, b, x, s, pc, cc;
};
// "Write registers": A, B, X, S and PC keep their old value when their field
// does not parse; CC parses as a number or as the letters H I N Z V C
// (either case), keeping bits 7-6. Then the snapshot is taken again.
void debugger_write_registers(Machine& m, const RegisterFields& fields);

// CC as the Breaks window's fields take it: a number, or else the letters
// H I N Z V C (either case) on top of bits 7-6 of `keep`.
uint8_t debugger_parse_cc(std::string_view field, uint8_t keep);

// The Breaks window as typed: which check boxes are ticked (condition bits)
// and the value fields. A value that does not parse counts as 0.
struct BreakFields {
    uint32_t enabled = 0;
    std::string pc, x, a, b, d, s, cc_mask, cc_value, memory_address, memory_value;
    std::string read_low, read_high, write_low, write_high;
};
// "Run until": the fields into the break settings, then run with the ticked
// conditions enabled.
void debugger_apply_break_fields(Machine& m, const BreakFields& fields);

// One row of the Disassembly window: the address, the instruction's bytes
// and its text ("%04x %02x %02x %02x  %s" for three bytes, fewer cells for
// shorter ones). Memory is read with bus_peek, after the caller's
// io_snapshot. `length` receives the step to the next row (length by mode).
std::string disassembly_row(const Machine& m, uint16_t address, int* length);

// The registers on one line, for the headless runner:
// "A=$12 B=$34 D=$1234 X=$0000 S=$01ff PC=$f800 CC=..I..."
std::string register_line(const RegisterSnapshot& r);

}  // namespace trivo

// The serial printer port, emulated as a text file: every byte the machine
// sends to the port is appended to the printer output file, with optional
// handling of nulls, carriage returns and a fixed line width.
#pragma once

#include <cstdint>

#include "common/file.h"

namespace trivo {

struct Machine;

// After this many idle cycles (about 0.67 s) the output file is closed, so
// the user can read it while the machine runs; the next byte reopens it.
inline constexpr uint32_t printer_idle_cycles = 600000;

struct Printer {
    common::File file;             // opened on the first byte, appending
    uint8_t column = 0;           // characters on the current line (wraps at 256)
    uint32_t last_print_time = 0; // machine_clock at the last byte
};

void printer_print_byte(Machine& m, uint8_t value);
// Once per frame: closes the file after a pause in printing.
void printer_idle_check(Machine& m);
void printer_close(Machine& m);

}  // namespace trivo

#include "cassette/printer.h"

#include <cstdio>

#include "cassette/deck.h"
#include "machine/machine.h"

namespace trivo {

namespace {

constexpr uint8_t byte_tab = 9;
constexpr uint8_t byte_line_feed = 10;
constexpr uint8_t byte_carriage_return = 13;

void put(Printer& p, uint8_t value) { std::fputc(value, p.file.get()); }

}  // namespace

void printer_print_byte(Machine& m, uint8_t value) {
    Printer& p = m.printer;
    const Settings& s = m.settings;
    p.last_print_time = m.machine_clock;
    m.file_activity |= activity_printer;

    if (!p.file) {
        // Append, so output of earlier runs and other machines accumulates.
        p.file = common::File(s.filename, "ab");
        if (!p.file) {
            m.host->debug_output("Could not write serial byte\n");
            return;
        }
    }

    if (value != 0 || s.printnulls) put(p, value);
    if (value == byte_tab) {
        p.column = static_cast<uint8_t>((p.column + 8) & ~7);
    } else if (value >= 32) {
        ++p.column;
    } else if (value == byte_carriage_return) {
        p.column = 0;
        if (s.autolinefeedflag) put(p, byte_line_feed);
    }

    if (s.fixedwidthflag && s.width > 0 && p.column >= s.width) {
        put(p, byte_carriage_return);
        if (s.autolinefeedflag) put(p, byte_line_feed);
        p.column = 0;
    }
}

void printer_idle_check(Machine& m) {
    if ((m.file_activity & activity_printer) &&
        m.machine_clock - m.printer.last_print_time > printer_idle_cycles) {
        printer_close(m);
    }
}

void printer_close(Machine& m) {
    m.printer.file.reset();
    m.file_activity &= static_cast<uint8_t>(~activity_printer);
}

}  // namespace trivo

// The headless runner: trivo without a window, for people who test their
// programs in batch and for our own end-to-end tests.
//
// It starts the machine as the program does (machine_startup), runs it for a number of frames (as fast as it can
// unless asked for real time) and ends by itself, optionally leaving a
// screenshot, a RAM dump and the measured speed behind. Messages the machine
// would show in a box go to stderr; the cassette deck's dialogs are answered
// from the options, any other file dialog is cancelled.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

namespace trivo {

struct BuiltinImages;

struct HeadlessOptions {
    std::string config;      // configuration file instead of the one DI10.INI names
    int64_t frames = 600;    // frames to run
    bool seconds_given = false;
    double seconds = 0;      // emulated seconds, at the configured frame rate
    bool realtime = false;   // pace frames by the clock instead of running flat out
    std::string screenshot;  // BMP, or PNG when the name ends in .png
    std::string ram_dump;    // the 64K address space as the processor's memory holds it
    bool print_speed = false;
    std::string tape;        // answers the deck's open dialogs
    std::string record;      // answers the deck's save dialog
    std::string script;      // script file to run; the run ends with it
    bool type_given = false;
    std::string type_text;   // text to type at start (quick-type)
    std::string type_file;   // text file to type at start
    // Debugging in batch: listings to load, breakpoints (an address, or a
    // symbol of a loaded listing), instructions to run before stopping (0:
    // no limit), history lines to print at the end.
    std::vector<std::string> lst_files;
    std::vector<std::string> breaks;
    int64_t steps = 0;
    int64_t history = 20;
    bool debug_report = false;  // any of the four was given
};

// Exit status of a run that ended on a debugger stop (a breakpoint, the
// step count, or any other break condition).
inline constexpr int headless_status_break = 3;

// Parses the arguments that follow --headless. Holds an error text when they
// make no sense.
std::variant<HeadlessOptions, std::string> headless_parse(const std::vector<std::string>& args);

// The options part of trivo --help.
const char* headless_usage();

// Runs the machine; returns the process exit status: 0 on success; 1 when
// a configured ROM, cartridge, S19 or character file failed to load, a
// named file cannot be read or written, a listing or breakpoint is unusable,
// or the script ended without "End OK" (or was still running at the frame
// limit); headless_status_break when the processor stopped on a break.
int headless_run(const HeadlessOptions& options, const BuiltinImages& images,
                 std::ostream& out, std::ostream& err);

}  // namespace trivo

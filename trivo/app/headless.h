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
};

// Parses the arguments that follow --headless. Holds an error text when they
// make no sense.
std::variant<HeadlessOptions, std::string> headless_parse(const std::vector<std::string>& args);

// The options part of trivo --help.
const char* headless_usage();

// Runs the machine; returns the process exit status: 0 on success; 1 when
// a configured ROM, cartridge, S19 or character file failed to load, a
// named file cannot be read or written, the processor stopped, or the
// script ended without "End OK" (or was still running at the frame limit).
int headless_run(const HeadlessOptions& options, const BuiltinImages& images,
                 std::ostream& out, std::ostream& err);

}  // namespace trivo

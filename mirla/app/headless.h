// The headless runner: mirla without a window, for batch runs and for our own
// end-to-end tests.
//
// It starts the chosen machine as the program does (page map, memory, ROMs or
// the board's monitor, reset), runs it for a number of frames, as fast as it
// can unless asked for real time, presses keys at given frames, and ends by
// itself, optionally leaving a screenshot of the window image, a memory dump
// and the measured speed behind. Messages go to stderr.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

namespace mirla {

struct KeyEvent {
    int64_t frame = 0;  // frame at whose start the key goes down
    int64_t hold = 3;   // frames it stays down
    std::string key;    // legend or decimal key number
};

struct HeadlessOptions {
    std::string machine;  // the command-line argument that chooses the machine
    int64_t frames = 600;
    bool seconds_given = false;
    double seconds = 0;
    bool realtime = false;
    std::string s19;            // a program to load after the machine's own
    std::vector<KeyEvent> keys;
    std::string screenshot;     // PNG of the window image
    int scale = 1;              // 1 or 2, as the "x2" setting
    bool grey = false;          // the grey palette, grey LEDs
    std::string memory_dump;    // the 64K memory image
    bool print_speed = false;
    std::vector<std::filesystem::path> folders;  // where a board's monitor is looked for
};

// Parses the arguments that follow --headless. Holds an error text when they
// make no sense.
std::variant<HeadlessOptions, std::string> headless_parse(const std::vector<std::string>& args);

const char* headless_usage();

// Runs the machine; returns the process exit status (0 on success).
int headless_run(const HeadlessOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mirla

// Typing text into the machine (quick-type) and script files.
#pragma once

namespace trivo {

struct Machine;

struct QuickType {
    bool active = false;
    // Reads of the keyboard row port since the last step: the typed text
    // advances one step every 24 reads, the pace at which the ROM scans.
    int read_count = 0;
};

inline constexpr int quicktype_reads_per_step = 24;

// Advances quick-typing by one step (presses or releases the next key).
void quicktype_step(Machine& m);

// Once per frame: runs the script's next command when it is due.
void script_step(Machine& m);

}  // namespace trivo

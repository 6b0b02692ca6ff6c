// Typing text into the machine (quick-type) and script files.
//
// Quick-type presses the machine's own keys, paced by how often the running
// program reads its keyboard (every read of PIA2 port A counts), so the
// program receives the text exactly as if a person typed it: each character
// holds its keys for 48 keyboard reads, then leaves every key up for 24.
// Text comes from a file, from the clipboard (Paste) or from a script.
//
// A script is a text file of commands executed one per frame, after the
// processor has run the frame. It waits while a tape is attached or a
// quick-type runs, so it can wait for a load without timing guesses.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trivo {

struct Machine;

// ------------------------------------------------------------- quick-type

inline constexpr int quicktype_reads_per_step = 24;

struct QuickType {
    bool active = false;
    std::vector<uint8_t> text;  // what is being typed; owned here until the end
    int32_t position = -1;      // index of the character now typed
    // 0 press the next character, 1 hold it, 2 release it.
    int phase = 0;
    // Reads of the keyboard row port since the last step.
    int read_count = 0;
};

// Starts typing the text, replacing any text still being typed. An empty
// text does nothing.
void quicktype_start(Machine& m, std::vector<uint8_t> text);

// Ends typing: frees the text and releases every key. The end of the text
// and every reset stop it.
void quicktype_stop(Machine& m);

// One phase step (every 24 keyboard reads while active): hold, release, or
// press the next character's keys.
void quicktype_step(Machine& m);

// Types a whole file. A file that cannot be opened sends "Could not open
// file" to the debug output (false). Does nothing while a quick-type runs.
bool quicktype_open_file(Machine& m, const std::string& path);

// File menu "Quick Type...": asks for a text file (starting from the FILES
// quicktype setting), types it and remembers the choice.
bool quicktype_file_dialog(Machine& m);

// Util menu "Paste": types the clipboard's text, up to its first zero byte.
// Refused while a script or a quick-type runs or a tape is attached, and
// when the clipboard holds no text.
bool quicktype_paste(Machine& m);

// ----------------------------------------------------------------- script

// Why a script ended; only a normal end shows "End OK".
enum class ScriptEnd { normal, failed };

inline constexpr size_t script_line_max = 255;  // status line, terminator included
// A script longer than this is no script.
inline constexpr size_t script_size_max = size_t{16} << 20;

struct ScriptEngine {
    std::vector<uint8_t> text;   // the whole file, read at start
    uint32_t read_position = 0;  // offset of the next line
    bool running = false;
    int32_t wait_counter = 0;       // frames still to wait
    bool keypress_pending = false;  // one idle frame after a KEYPRESS's typing
    // The last line read (end-of-line characters removed); "End OK" after a
    // normal end. Shown in the Script window.
    std::array<char, script_line_max> status_line{"None"};
    int32_t number_argument = 0;
    std::string name_argument;  // with $EXEDIR expanded
    std::string text_argument;
    // Set when the last script ended, and how.
    bool ended = false;
    ScriptEnd end_reason = ScriptEnd::normal;
    // What $EXEDIR stands for: the folder the program was started in,
    // without a trailing separator.
    std::string startup_directory = ".";
};

// Reads the whole file and starts it. Refused (false) while a script runs,
// a tape is attached or a quick-type runs. A file that cannot be opened
// sends "Could not open file" to the debug output; an empty one fails
// without a word. On success the path becomes the FILES script setting.
bool script_start(Machine& m, const std::string& path);

// Ends the running script; a normal end sets the status line to "End OK".
void script_kill(Machine& m, ScriptEnd reason);

// Once per frame: runs the script's next command when it is due.
void script_step(Machine& m);

std::string_view script_status(const Machine& m);

}  // namespace trivo

#include "automation/automation.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "cassette/binary_utils.h"
#include "cassette/deck.h"
#include "common/file.h"
#include "common/file_util.h"
#include "debugger/debugger.h"
#include "host/keyboard.h"
#include "machine/commands.h"
#include "machine/config.h"
#include "machine/machine.h"

namespace trivo {

namespace {

// A text file to type or a script is read whole; nothing longer is text.
constexpr size_t text_file_max = size_t{16} << 20;

void remember_choice(Machine& m, FilesKey key) {
    if (m.config_path.empty()) return;
    if (!config_write_file_choice(m.config_path, m.settings, key)) {
        m.host->debug_output("File choice not saved: cannot write " + m.config_path + "\n");
    }
}

}  // namespace

// ------------------------------------------------------------- quick-type

void quicktype_start(Machine& m, std::vector<uint8_t> text) {
    if (text.empty()) return;
    QuickType& q = m.quicktype;
    q.text = std::move(text);
    q.position = -1;
    q.phase = 0;
    q.read_count = 0;
    q.active = true;
}

void quicktype_stop(Machine& m) {
    QuickType& q = m.quicktype;
    q.text = {};
    q.active = false;
    q.position = 0;
    q.phase = 0;
    q.read_count = 0;
    m.key_state.fill(0);
}

void quicktype_step(Machine& m) {
    QuickType& q = m.quicktype;
    switch (q.phase) {
        case 1:  // hold: the keys stay down another 24 reads
            q.phase = 2;
            return;
        case 2:  // release: every key up for 24 reads, so a repeated
                 // character is seen as a new press
            m.key_state.fill(0);
            q.phase = 0;
            return;
        default: break;
    }
    m.key_state.fill(0);
    ++q.position;
    if (q.position >= static_cast<int32_t>(q.text.size())) {
        quicktype_stop(m);
        return;
    }
    // A character without a key still takes its 72 reads, with no key down.
    const int key = m.input.tables.char_to_key[q.text[q.position]];
    if (key >= 0) {
        if (key & 256) m.key_state[apf_shift_key] = 1;
        if ((key & 0xFF) < 96) m.key_state[key & 0xFF] = 1;
    }
    q.phase = 1;
}

bool quicktype_open_file(Machine& m, const std::string& path) {
    if (m.quicktype.active) return false;
    auto bytes = common::read_file(path, text_file_max);
    if (!bytes) {
        m.host->debug_output("Could not open file\n");
        return false;
    }
    if (bytes->empty()) return false;
    quicktype_start(m, std::move(*bytes));
    return true;
}

bool quicktype_file_dialog(Machine& m) {
    if (m.quicktype.active) return false;
    FileRequest request;
    request.purpose = FilePurpose::quicktype_text;
    request.title = "Quick Type";
    request.filters = {{"Text Files (*.TXT)", "*.txt"}};
    request.default_extension = "txt";
    request.start_path = m.settings.quicktype;
    const std::optional<std::string> path = m.host->choose_open_file(request);
    if (!path || !quicktype_open_file(m, *path)) return false;
    m.settings.quicktype = *path;
    remember_choice(m, FilesKey::quicktype);
    return true;
}

bool quicktype_paste(Machine& m) {
    if (m.script.running || m.quicktype.active || m.deck.playing) return false;
    const std::string clip = m.host->clipboard_text();
    const size_t end = std::min(clip.find('\0'), clip.size());
    if (end == 0) return false;
    quicktype_start(m, std::vector<uint8_t>(clip.begin(), clip.begin() + static_cast<long>(end)));
    return true;
}

// ----------------------------------------------------------------- script

namespace {

void set_status(ScriptEngine& s, std::string_view text) {
    const size_t n = std::min(text.size(), s.status_line.size() - 1);
    std::memcpy(s.status_line.data(), text.data(), n);
    s.status_line[n] = '\0';
}

// Copies the next line into the status line: up to and including a line
// feed, at most 254 bytes (a longer line goes on as the next one), or to the
// end of the text. Carriage returns and line feeds become terminators, so
// the line ends at the first of them.
std::string_view read_line(ScriptEngine& s) {
    size_t n = 0;
    while (s.read_position < s.text.size() && n < script_line_max - 1) {
        const uint8_t c = s.text[s.read_position++];
        s.status_line[n++] = (c == '\r' || c == '\n') ? '\0' : static_cast<char>(c);
        if (c == '\n') break;
    }
    s.status_line[n] = '\0';
    return {s.status_line.data(), std::strlen(s.status_line.data())};
}

std::string_view skip_blanks(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// "$" and hexadecimal digits (the character after them is consumed too), or
// decimal digits; no digits give 0. Large values stop growing rather than
// wrap, so they stay out of range for whatever reads them.
int32_t parse_script_number(std::string_view& text) {
    text = skip_blanks(text);
    constexpr int64_t limit = INT32_MAX;
    int64_t value = 0;
    size_t i = 0;
    if (!text.empty() && text[0] == '$') {
        for (i = 1; i < text.size(); ++i) {
            const char c = text[i];
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else break;
            value = std::min(value * 16 + digit, limit);
        }
        if (i < text.size()) ++i;  // the character that ended the number
    } else {
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = std::min(value * 10 + (text[i] - '0'), limit);
        }
    }
    text = text.substr(i);
    return static_cast<int32_t>(value);
}

// Leading blanks and tabs skipped. "$EXEDIR" stands for the folder the
// program was started in: the name is that folder followed by the text with
// its first seven characters dropped (so the word belongs at the start).
// Scripts written with the other separator keep working: in that form a
// backslash is taken as '/'.
std::string parse_script_name(const ScriptEngine& s, std::string_view text) {
    text = skip_blanks(text);
    if (text.find("$EXEDIR") == std::string_view::npos) return std::string(text);
    std::string rest(text.substr(std::min<size_t>(7, text.size())));
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return s.startup_directory + rest;
}

enum class Command {
    quicktype, cload, wait, keypress, reset_hard, reset_soft, chucklsts, loadlst, loadbin,
    setexec, dobatch, quitnotexist,
};

struct Keyword {
    const char* text;
    Command command;
};

// Searched for in this order, anywhere in the line and case-sensitively;
// the first one found decides.
constexpr Keyword keywords[] = {
    {"QUICKTYPE ", Command::quicktype}, {"CLOAD ", Command::cload},
    {"WAIT ", Command::wait},           {"KEYPRESS ", Command::keypress},
    {"RESET HARD", Command::reset_hard}, {"RESET SOFT", Command::reset_soft},
    {"CHUCKLSTS", Command::chucklsts},  {"LOADLST ", Command::loadlst},
    {"LOADBIN ", Command::loadbin},     {"SETEXEC ", Command::setexec},
    {"DOBATCH ", Command::dobatch},     {"QUITNOTEXIST ", Command::quitnotexist},
};

void fail(Machine& m, const char* why) {
    m.host->debug_output(std::string("Script: ") + why + ": " + m.script.status_line.data() + "\n");
    script_kill(m, ScriptEnd::failed);
}

// QUICKTYPE n: the next n lines of the script are typed. They must be
// followed by more script: lines that reach the very end of the text end
// the script instead.
void quicktype_lines(Machine& m, int32_t lines) {
    ScriptEngine& s = m.script;
    if (lines <= 0) return fail(m, "QUICKTYPE needs a positive number of lines");
    size_t end = s.read_position;
    int32_t seen = 0;
    while (end < s.text.size() && seen < lines) {
        if (s.text[end++] == '\n') ++seen;
    }
    if (seen < lines || end >= s.text.size()) {
        return fail(m, "QUICKTYPE lines run to the end of the script");
    }
    std::vector<uint8_t> typed(end - s.read_position);
    std::copy_n(s.text.begin() + s.read_position, typed.size(), typed.begin());
    quicktype_start(m, std::move(typed));
    s.read_position = static_cast<uint32_t>(end);
}

void execute(Machine& m, std::string_view line) {
    ScriptEngine& s = m.script;
    if (line.empty()) return;
    if (line[0] == '#' || line[0] == ';' || line.substr(0, 2) == "//") return;

    const Keyword* found = nullptr;
    size_t at = 0;
    for (const Keyword& k : keywords) {
        at = line.find(k.text);
        if (at != std::string_view::npos) {
            found = &k;
            break;
        }
    }
    if (!found) return;  // unknown commands are skipped
    std::string_view argument = line.substr(at + std::strlen(found->text));

    switch (found->command) {
        case Command::quicktype:
            s.number_argument = parse_script_number(argument);
            quicktype_lines(m, s.number_argument);
            return;
        case Command::cload:
            s.name_argument = parse_script_name(s, argument);
            // No name: the deck asks for a tape as "Play Cassette File..." does.
            if (s.name_argument.empty() ? !deck_play_cassette_file(m)
                                        : !deck_open_cassette_file(m, s.name_argument)) {
                fail(m, "cannot open the cassette file");
            }
            return;
        case Command::wait:
            s.number_argument = parse_script_number(argument);
            s.wait_counter = s.number_argument;
            return;
        case Command::keypress: {
            const std::string_view typed = skip_blanks(argument);
            s.text_argument.assign(typed);
            quicktype_start(m, std::vector<uint8_t>(typed.begin(), typed.end()));
            s.keypress_pending = true;
            return;
        }
        case Command::reset_hard: m.host->post_command(command_hard_reset); return;
        case Command::reset_soft: m.host->post_command(command_soft_reset); return;
        case Command::chucklsts: debugger_clear_lsts(m); return;
        case Command::loadlst:
            s.name_argument = parse_script_name(s, argument);
            if (debugger_load_lst(m, s.name_argument) != LstLoad::loaded) {
                fail(m, "cannot load the listing file");
            }
            return;
        case Command::loadbin: {
            s.number_argument = parse_script_number(argument);
            s.name_argument = parse_script_name(s, argument);
            if (!load_binary(m, s.name_argument, s.number_argument)) {
                fail(m, "cannot load the binary file");
            }
            return;
        }
        case Command::setexec:
            s.number_argument = parse_script_number(argument);
            return;
        case Command::dobatch:
            s.name_argument = parse_script_name(s, argument);
            // The program is started directly, never through a shell: its
            // name is one argument whatever characters it holds.
            if (s.name_argument.empty() ||
                m.host->run_program(s.name_argument, s.name_argument) != 0) {
                fail(m, "the program failed or could not be started");
            }
            return;
        case Command::quitnotexist: {
            s.name_argument = parse_script_name(s, argument);
            if (!common::File::open_regular(s.name_argument)) {
                fail(m, "file not found");
            }
            return;
        }
    }
}

}  // namespace

bool script_start(Machine& m, const std::string& path) {
    ScriptEngine& s = m.script;
    if (s.running || m.deck.playing || m.quicktype.active) return false;
    auto bytes = common::read_file(path, script_size_max);
    if (!bytes) {
        m.host->debug_output("Could not open file\n");
        return false;
    }
    if (bytes->empty()) return false;
    s.text = std::move(*bytes);
    s.running = true;
    s.read_position = 0;
    s.wait_counter = 0;
    s.keypress_pending = false;
    s.ended = false;
    m.host->debug_output("Start playing Script File\n");
    m.settings.script = path;
    remember_choice(m, FilesKey::script);
    return true;
}

void script_kill(Machine& m, ScriptEnd reason) {
    ScriptEngine& s = m.script;
    if (!s.running) return;
    s.text = {};
    s.running = false;
    s.ended = true;
    s.end_reason = reason;
    if (reason == ScriptEnd::normal) set_status(s, "End OK");
}

void script_step(Machine& m) {
    ScriptEngine& s = m.script;
    if (!s.running || m.break_flags != 0 || m.deck.playing || m.quicktype.active) return;
    if (s.wait_counter > 0) {
        --s.wait_counter;
        return;
    }
    if (s.keypress_pending) {
        s.keypress_pending = false;
        return;
    }
    if (s.read_position >= s.text.size()) {
        script_kill(m, ScriptEnd::normal);
        return;
    }
    execute(m, read_line(s));
}

std::string_view script_status(const Machine& m) { return m.script.status_line.data(); }

}  // namespace trivo

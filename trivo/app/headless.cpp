#include "app/headless.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <optional>
#include <thread>
#include <utility>

#include "app/run_program.h"
#include "app/startup.h"
#include "automation/automation.h"
#include "cassette/binary_utils.h"
#include "common/file_util.h"
#include "debugger/debugger.h"
#include "machine/commands.h"
#include "machine/reset.h"
#include "host/screenshot.h"
#include "machine/host.h"
#include "machine/machine.h"
#include "machine/scheduler.h"
#include "video/video.h"

namespace trivo {

namespace {

using Clock = std::chrono::steady_clock;

// Messages to stderr, file dialogs cancelled. The counter is either the real
// clock (real time) or a count the runner advances by one frame period per
// frame, so every frame is due at once; the millisecond clock is always
// real, so the speed measurement tells how fast the host really runs.
class HeadlessHost : public Host {
public:
    HeadlessHost(std::ostream& err, const HeadlessOptions& options)
        : err_(err), realtime_(options.realtime), tape_(options.tape), record_(options.record) {}

    MessageAnswer message_box(const std::string& caption, const std::string& text,
                              MessageIcon, MessageButtons buttons) override {
        ++messages_shown;
        err_ << caption << ": " << text << '\n';
        return buttons == MessageButtons::yes_no ? MessageAnswer::no : MessageAnswer::ok;
    }
    // The deck's dialogs are answered from --tape and --record, each once:
    // a program that asks again finds the tape at its end, as a user who
    // cancels the dialog would.
    std::optional<std::string> choose_open_file(const FileRequest& request) override {
        if ((request.purpose == FilePurpose::cassette_read || request.purpose == FilePurpose::cassette_play) &&
            !tape_.empty()) {
            return std::exchange(tape_, std::string());
        }
        err_ << "trivo: no file chosen for \"" << request.title << "\" (headless)\n";
        return std::nullopt;
    }
    std::optional<std::string> choose_save_file(const FileRequest& request) override {
        if (request.purpose == FilePurpose::cassette_record && !record_.empty()) {
            return std::exchange(record_, std::string());
        }
        err_ << "trivo: no file chosen for \"" << request.title << "\" (headless)\n";
        return std::nullopt;
    }
    void debug_output(const std::string& text) override { err_ << text; }
    // Resets a script asks for are carried out between frames, as the
    // window's event loop does with posted commands.
    void post_command(int command) override { posted.push_back(command); }
    int run_program(const std::string& program, const std::string& argument) override {
        return run_host_program(program, argument);
    }
    uint32_t milliseconds() override {
        return static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
    }
    std::optional<int64_t> counter() override {
        if (!realtime_) return fake_counter;
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start_).count();
    }
    int64_t counter_frequency() override { return 1'000'000'000; }

    int64_t fake_counter = 0;
    int messages_shown = 0;
    std::vector<int> posted;

private:
    std::ostream& err_;
    bool realtime_;
    std::string tape_;
    std::string record_;
    Clock::time_point start_ = Clock::now();
};

bool parse_count(const std::string& text, int64_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < 0 || v > 100'000'000) return false;
    value = v;
    return true;
}

bool parse_seconds(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || v < 0 || v > 1'000'000) return false;
    value = v;
    return true;
}

// --type: "\n" stands for a line feed (the RETURN key) and "\\" for one
// backslash, so a whole line can be given on a command line.
std::vector<uint8_t> type_text_bytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            bytes.push_back(text[++i] == 'n' ? '\n' : '\\');
        } else {
            bytes.push_back(static_cast<uint8_t>(text[i]));
        }
    }
    return bytes;
}

// --break: an address ("$" and hexadecimal digits, or decimal), else a
// symbol of the loaded listings.
std::optional<uint16_t> breakpoint_address(const Machine& m, const std::string& where) {
    const ParsedNumber n = parse_number(where);
    if (n.value >= 0) return static_cast<uint16_t>(n.value);
    return lst_find_symbol(m.debugger.lst, where);
}

const char* lst_load_text_of(LstLoad result) {
    switch (result) {
        case LstLoad::loaded: return "loaded";
        case LstLoad::full: return "8 listings are loaded already";
        case LstLoad::cannot_open: return "cannot open the file";
        case LstLoad::empty: return "the file is empty";
        case LstLoad::too_large: return "the file is too large for a listing";
        case LstLoad::not_text: return "the file is not text";
    }
    return "";
}

// What the Breaks, Register and History windows would show.
void print_debug_report(const Machine& m, const HeadlessOptions& options, std::ostream& out) {
    const std::vector<std::string> reasons = debugger_reason_lines(m);
    if (reasons.empty()) {
        out << "Running (no break)\n";
    } else {
        out << "Stopped:\n";
        for (const std::string& line : reasons) out << "  " << line << '\n';
    }
    out << "Registers: " << register_line(m.debugger.snapshot) << '\n';
    const int count = static_cast<int>(options.history);
    if (count > 0) {
        out << "History:\n";
        for (const std::string& line : history_last_lines(m.trace_ring, count)) out << line << '\n';
    }
}

}  // namespace

const char* headless_usage() {
    return "  --headless            run without a window and end by itself; then:\n"
           "    --config FILE       configuration file to use instead of the one DI10.INI names\n"
           "    --frames N          frames to run (default 600, ten seconds at 60 Hz)\n"
           "    --seconds S         emulated seconds to run instead, at the configured frame rate\n"
           "    --realtime          run at the machine's real speed instead of flat out\n"
           "    --screenshot FILE   save the last frame: BMP, or PNG when FILE ends in .png\n"
           "    --ram-dump FILE     save the 64K address space (as memory holds it) to FILE\n"
           "    --speed             print frames per second and the emulation speed at the end\n"
           "    --tape FILE         the cassette to play when the machine asks for one: the\n"
           "                        BASIC ROM's cassette routines (fast I/O), or a script's\n"
           "                        CLOAD without a file name\n"
           "    --record FILE       the cassette file the BASIC ROM's cassette routines record\n"
           "                        into (fast I/O); other programs' tape output is not saved\n"
           "    --script FILE       run a script file; the run ends when the script ends (exit\n"
           "                        status 1 unless it ends with \"End OK\") or at the frame limit\n"
           "    --type TEXT         type TEXT on the machine's keyboard at start (\\n: RETURN)\n"
           "    --type-file FILE    type the contents of a text file at start\n"
           "    --lst FILE          load an assembler listing (.lst) or trace log (.log) for the\n"
           "                        debugger; may be given up to 8 times\n"
           "    --break WHERE       stop when the processor reaches WHERE: an address ($hex or\n"
           "                        decimal) or a symbol of a loaded listing; up to 31 times\n"
           "    --steps N           stop after N instructions\n"
           "    --history N         print the last N instructions run (default 20 when any\n"
           "                        of --lst, --break, --steps is given)\n"
           "  With --lst, --break, --steps or --history, or when the processor stops, the run\n"
           "  ends by printing why it stopped, the registers and the last instructions run.\n"
           "  Exit status: 0 success, 1 a run that failed (a ROM, cartridge, S19 or character\n"
           "  file that did not load, a file that cannot be read or written, a listing or\n"
           "  breakpoint that cannot be used, a script that did not end OK), 2 bad options,\n"
           "  3 the processor stopped on a break (a breakpoint, the step count, or another\n"
           "  break condition) before the frames ran out.\n";
}

std::variant<HeadlessOptions, std::string> headless_parse(const std::vector<std::string>& args) {
    HeadlessOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) -> bool {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--config") {
            if (!value(o.config) || o.config.empty()) return "--config needs a file name";
        } else if (a == "--frames") {
            if (!value(v) || !parse_count(v, o.frames)) {
                return "--frames needs a whole number from 0 to 100000000";
            }
        } else if (a == "--seconds") {
            if (!value(v) || !parse_seconds(v, o.seconds)) {
                return "--seconds needs a number of seconds from 0 to 1000000";
            }
            o.seconds_given = true;
        } else if (a == "--realtime") {
            o.realtime = true;
        } else if (a == "--screenshot") {
            if (!value(o.screenshot) || o.screenshot.empty()) return "--screenshot needs a file name";
        } else if (a == "--ram-dump") {
            if (!value(o.ram_dump) || o.ram_dump.empty()) return "--ram-dump needs a file name";
        } else if (a == "--tape") {
            if (!value(o.tape) || o.tape.empty()) return "--tape needs a file name";
        } else if (a == "--record") {
            if (!value(o.record) || o.record.empty()) return "--record needs a file name";
        } else if (a == "--script") {
            if (!value(o.script) || o.script.empty()) return "--script needs a file name";
        } else if (a == "--type") {
            if (o.type_given) return "--type and --type-file can be given once";
            if (!value(o.type_text)) return "--type needs a text";
            o.type_given = true;
        } else if (a == "--type-file") {
            if (o.type_given) return "--type and --type-file can be given once";
            if (!value(o.type_file) || o.type_file.empty()) return "--type-file needs a file name";
            o.type_given = true;
        } else if (a == "--lst") {
            if (!value(v) || v.empty()) return "--lst needs a file name";
            if (o.lst_files.size() >= static_cast<size_t>(lst_max_files)) {
                return "--lst can be given at most 8 times";
            }
            o.lst_files.push_back(v);
            o.debug_report = true;
        } else if (a == "--break") {
            if (!value(v) || v.empty()) return "--break needs an address or a symbol";
            if (o.breaks.size() >= static_cast<size_t>(breakpoint_max)) {
                return "--break can be given at most 31 times";
            }
            o.breaks.push_back(v);
            o.debug_report = true;
        } else if (a == "--steps") {
            if (!value(v) || !parse_count(v, o.steps) || o.steps == 0) {
                return "--steps needs a whole number from 1 to 100000000";
            }
            o.debug_report = true;
        } else if (a == "--history") {
            if (!value(v) || !parse_count(v, o.history) || o.history > trace_records) {
                return "--history needs a whole number from 0 to 24000";
            }
            o.debug_report = true;
        } else if (a == "--speed") {
            o.print_speed = true;
        } else {
            return "unknown option '" + a + "'";
        }
    }
    return o;
}

int headless_run(const HeadlessOptions& options, const BuiltinImages& images, std::ostream& out,
                 std::ostream& err) {
    auto machine = make_machine();
    Machine& m = *machine;
    HeadlessHost host(err, options);
    m.host = &host;

    if (!options.config.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(options.config, ec)) {
            err << "trivo: cannot read configuration file " << options.config << '\n';
            return 1;
        }
    }
    if (!options.tape.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(options.tape, ec)) {
            err << "trivo: cannot read cassette file " << options.tape << '\n';
            return 1;
        }
    }
    // The text to type, read before anything runs so a missing file ends
    // the run at once.
    std::vector<uint8_t> typed;
    if (!options.type_file.empty()) {
        auto text = common::read_file(options.type_file, size_t{16} << 20);
        if (!text) {
            err << "trivo: cannot read text file " << options.type_file << '\n';
            return 1;
        }
        typed = std::move(*text);
    } else if (options.type_given) {
        typed = type_text_bytes(options.type_text);
    }

    // No window and no sound device: frames keep the counter's pacing.
    StartupOptions startup;
    startup.config_path = options.config;
    startup.startup_directory = std::filesystem::current_path().string();
    machine_startup(m, images, startup);
    if (host.messages_shown > 0) {
        // Only a ROM image, cartridge, S19 or character file that cannot be
        // used speaks up during start-up; the messages above say which. A
        // batch user must not take the run for a good one.
        err << "trivo: the configured ROM images did not all load\n";
        return 1;
    }

    // Listings first: breakpoints may name their symbols.
    for (const std::string& path : options.lst_files) {
        const LstLoad loaded = debugger_load_lst(m, path);
        if (loaded != LstLoad::loaded) {
            err << "trivo: cannot load listing " << path << ": " << lst_load_text_of(loaded) << '\n';
            return 1;
        }
    }
    for (const std::string& where : options.breaks) {
        const auto address = breakpoint_address(m, where);
        if (!address) {
            err << "trivo: --break " << where
                << ": neither an address nor a symbol of the loaded listings\n";
            return 1;
        }
        debugger_add_breakpoint(m, *address);
    }
    if (!options.breaks.empty() || options.steps > 0) {
        m.debugger.settings.enabled = (options.breaks.empty() ? 0 : flag_breakpoint) |
                                      (options.steps > 0 ? flag_step_in : 0);
        debugger_run_until(m);
        if (options.steps > 0) m.debugger.step_in_left = static_cast<uint32_t>(options.steps);
    }

    m.script.startup_directory = startup.startup_directory;
    if (!options.script.empty() && !script_start(m, options.script)) {
        err << "trivo: cannot run script file " << options.script << '\n';
        return 1;
    }
    quicktype_start(m, std::move(typed));

    int64_t frames = options.frames;
    if (options.seconds_given) {
        frames = static_cast<int64_t>(std::llround(options.seconds * m.timing.frames_per_second));
    }

    int status = 0;
    bool stopped = false;
    const auto started = Clock::now();
    int64_t ran = 0;
    while (ran < frames && !m.script.ended) {
        const uint64_t frames_before = m.scheduler.frames_run;
        // Nothing is painted; the debugger is kept up to date as the window does.
        if (frame_tick(m)) debugger_refresh(m);
        if (m.break_flags != 0) {
            // Nothing clears a stop here: the run ends with the frame it
            // happened in.
            stopped = true;
            status = headless_status_break;
            if (m.scheduler.frames_run != frames_before) ++ran;
            break;
        }
        for (const int command : std::exchange(host.posted, {})) {
            if (command == command_soft_reset) machine_reset(m, ResetKind::soft);
            if (command == command_hard_reset) machine_reset(m, ResetKind::hard);
        }
        if (m.scheduler.frames_run != frames_before) {
            ++ran;
            host.fake_counter += m.scheduler.frame_period;
        } else if (options.realtime) {
            // Sleep until the next frame is due instead of spinning.
            const int64_t wait = m.scheduler.next_frame_time - *host.counter();
            if (wait > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
        } else {
            host.fake_counter = m.scheduler.next_frame_time;
        }
    }
    if (!options.script.empty()) {
        if (m.script.running) {
            err << "trivo: the script was still running after " << ran
                << " frames; last line: " << script_status(m) << '\n';
            status = 1;
        } else if (m.script.end_reason != ScriptEnd::normal) {
            err << "trivo: the script stopped without \"End OK\" at the line: "
                << script_status(m) << '\n';
            status = 1;
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();

    if (stopped || options.debug_report) {
        debugger_take_snapshot(m);
        print_debug_report(m, options, out);
    }

    if (!options.screenshot.empty()) {
        video_render_frame(m);
        std::optional<std::vector<uint8_t>> bytes;
        if (common::has_extension(options.screenshot, ".png")) {
            bytes = display_frame_png(m);
        } else {
            bytes = display_frame_bmp(m);
        }
        if (!bytes || !common::write_file_atomic(
                          options.screenshot,
                          std::string_view(reinterpret_cast<const char*>(bytes->data()),
                                           bytes->size()))) {
            err << "trivo: cannot write screenshot " << options.screenshot << '\n';
            status = 1;
        }
    }
    if (!options.ram_dump.empty() &&
        !common::write_file_atomic(
            options.ram_dump,
            std::string_view(reinterpret_cast<const char*>(m.memory_image.data()),
                             m.memory_image.size()))) {
        err << "trivo: cannot write RAM dump " << options.ram_dump << '\n';
        status = 1;
    }
    if (options.print_speed) {
        const double fps = elapsed > 0 ? static_cast<double>(ran) / elapsed : 0.0;
        out << "frames " << ran << ", " << static_cast<int64_t>(fps) << " frames per second, speed "
            << m.scheduler.speed_percent << "%\n";
    }
    return status;
}

}  // namespace trivo

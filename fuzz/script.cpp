// Script files.
//
// A script runs to its end: every command takes a line, so it ends within a
// bounded number of frames (waits are shortened here, quick-types typed
// through and tapes taken out as soon as they start). The status line is
// always a terminated text of at most 254 characters; a normal end says
// "End OK" only once the whole text was read. A command that fails (a
// LOADBIN whose file does not fit, a CLOAD that cannot open its file) leaves
// memory untouched. No program is run: the host refuses every one, and the
// script must end failed when it asked.
//
// $EXEDIR is the scratch folder. The working folder stays libFuzzer's, whose
// corpus and findings are named relative to it; a script only reads there.
#include <cstring>
#include <string>
#include <string_view>

#include "automation/automation.h"
#include "cassette/deck.h"
#include "host/keyboard.h"
#include "trivo_rig.h"

namespace {

bool line_may_load(const trivo::ScriptEngine& s) {
    const auto* start = reinterpret_cast<const char*>(s.text.data()) + s.read_position;
    std::string_view rest(start, s.text.size() - s.read_position);
    rest = rest.substr(0, std::min<size_t>(rest.find('\n'), trivo::script_line_max));
    return rest.find("LOADBIN ") != std::string_view::npos || rest.find("CLOAD ") != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TrivoRig& rig = fuzz::trivo_rig();
    trivo::Machine& m = rig.m;
    trivo::quicktype_stop(m);
    trivo::deck_stop_tape(m);
    m.script = trivo::ScriptEngine{};
    m.script.startup_directory = fuzz::scratch_folder().string();
    m.memory_image.fill(0x5A);

    const std::string path = fuzz::scratch_file("script.txt");
    fuzz::write_file(path, data, size);
    const bool started = trivo::script_start(m, path);
    fuzz::check(started == (size > 0), "every non-empty file starts");
    if (!started) return 0;

    trivo::ScriptEngine& s = m.script;
    auto memory_before = std::make_unique<std::array<uint8_t, 0x10000>>();
    const size_t frame_limit = 8 * size + 16;
    size_t frames = 0;
    while (s.running) {
        fuzz::check(++frames <= frame_limit, "a script ends");
        if (s.wait_counter > 2) s.wait_counter = 2;
        const bool may_load = s.wait_counter == 0 && !s.keypress_pending && line_may_load(s);
        if (may_load) *memory_before = m.memory_image;
        const int programs_before = rig.host.programs_asked;
        trivo::script_step(m);
        fuzz::check(std::memchr(s.status_line.data(), 0, s.status_line.size()) != nullptr,
                    "the status line is terminated");
        if (rig.host.programs_asked != programs_before)
            fuzz::check(!s.running && s.end_reason == trivo::ScriptEnd::failed,
                        "a program that fails ends the script");
        if (may_load && !s.running && s.end_reason == trivo::ScriptEnd::failed)
            fuzz::check(m.memory_image == *memory_before, "a failed load leaves memory untouched");
        // The machine's side of the frame: typing runs through, tapes stop.
        while (m.quicktype.active) trivo::quicktype_step(m);
        if (m.deck.playing) trivo::deck_stop_tape(m);
    }
    if (s.end_reason == trivo::ScriptEnd::normal) {
        fuzz::check(std::string_view(s.status_line.data()) == "End OK", "a normal end says End OK");
        fuzz::check(s.read_position >= size, "a normal end comes after the whole text");
    }
    return 0;
}

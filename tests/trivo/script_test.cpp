// The script engine on a running machine: one command per frame, the
// waits, comments and unknown lines, every command's success and failure,
// and the conditions that refuse a start.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "automation/automation.h"
#include "cassette/deck.h"
#include "debugger/lst_store.h"
#include "machine/config.h"
#include "running_machine.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

using test::RunningMachine;

struct ScriptRun : test_support::ScratchFolder {
    RunningMachine t;
    Machine& m = t.m;

    ScriptRun() { m.script.startup_directory = path.string(); }

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(file(name), std::ios::binary) << text;
        return file(name);
    }
    bool start(const std::string& text) { return script_start(m, write("script.txt", text)); }

    // The status line after each frame until the script ends (at most
    // `limit` frames).
    std::vector<std::string> statuses(int limit = 2000) {
        std::vector<std::string> seen;
        for (int i = 0; i < limit && m.script.running; ++i) {
            t.frames(1);
            seen.emplace_back(script_status(m));
        }
        return seen;
    }
};

TEST(Script, OneCommandPerFrameWaitsAndEndsOk) {
    ScriptRun r;
    ASSERT_TRUE(r.start("WAIT 0\n"
                        "# comment\n"
                        "// comment\n"
                        " # not a comment: WAIT 2\n"
                        "wait 5\n"          // keywords are case-sensitive
                        "FROBNICATE 3\n"    // unknown: skipped
                        "\n"
                        "SETEXEC $B000\n"
                        "RESET SOFT\r\n"
                        "KEYPRESS \t HI\r\n"
                        "RESET HARD"));     // no line feed at the end
    EXPECT_EQ(r.t.host.debug_lines.back(), "Start playing Script File\n");
    const auto seen = r.statuses();
    ASSERT_GE(seen.size(), 12u);
    const std::vector<std::string> first(seen.begin(), seen.begin() + 11);
    EXPECT_EQ(first, (std::vector<std::string>{
                         "WAIT 0", "# comment", "// comment", " # not a comment: WAIT 2",
                         " # not a comment: WAIT 2", " # not a comment: WAIT 2", "wait 5",
                         "FROBNICATE 3", "", "SETEXEC $B000", "RESET SOFT"}));
    EXPECT_EQ(r.m.script.number_argument, 0xB000);
    EXPECT_EQ(r.m.script.text_argument, "HI");
    // The typing takes its frames, one idle frame follows, then the last
    // line runs and the next frame ends the script.
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[seen.size() - 3], "KEYPRESS \t HI");
    EXPECT_EQ(seen[seen.size() - 2], "RESET HARD");
    EXPECT_EQ(seen.back(), "End OK");
    EXPECT_TRUE(r.m.script.ended);
    EXPECT_EQ(r.m.script.end_reason, ScriptEnd::normal);
    EXPECT_EQ(r.t.resets_done, 2);
    EXPECT_TRUE(r.m.script.text.empty());
}

TEST(Script, WaitCountsFramesInDecimalOrHex) {
    for (const char* wait : {"WAIT 60\nX\n", "WAIT $3C\nX\n", "WAIT \t$3cX\nX\n"}) {
        SCOPED_TRACE(wait);
        ScriptRun r;
        ASSERT_TRUE(r.start(wait));
        const auto seen = r.statuses();
        ASSERT_EQ(seen.size(), 63u) << "the WAIT frame, 60 idle, X, the end";
        EXPECT_EQ(seen[60], seen[0]);
        EXPECT_EQ(seen[61], "X");
    }
}

TEST(Script, CommandsThatSucceed) {
    ScriptRun r;
    const std::string bin = r.write("prog.bin", std::string("\x86\x42\x39", 3));
    std::filesystem::create_directory(r.path / "sub");
    r.write("sub/here.txt", "x");
    ASSERT_TRUE(r.start("LOADBIN $B000 " + bin +
                        "\n"
                        "LOADBIN 49152\t" + bin +
                        "\n"
                        "QUITNOTEXIST $EXEDIR\\sub\\here.txt\n"
                        "DOBATCH  my tool\n"
                        "QUICKTYPE 1\n"
                        "PRINT 7\r\n"
                        "WAIT 1\n"));
    const auto seen = r.statuses();
    EXPECT_EQ(seen.back(), "End OK");
    for (uint16_t at : {0xB000, 0xC000}) {
        EXPECT_EQ(r.m.memory_image[at], 0x86);
        EXPECT_EQ(r.m.memory_image[at + 2], 0x39);
    }
    ASSERT_EQ(r.t.host.programs_run.size(), 1u);
    EXPECT_EQ(r.t.host.programs_run[0].program, "my tool");
    EXPECT_EQ(r.t.host.programs_run[0].argument, "my tool");
    EXPECT_EQ(r.t.row_text(test::check_typed_row), "PRINT 7");
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "PRINT 7"), 0) << "typed, not executed";
}

TEST(Script, FailingCommandsEndWithoutEndOk) {
    struct FailCase {
        const char* what;
        std::string script;  // the failing line comes last but one; "NEXT" must never run
        std::string status;
    };
    const FailCase cases[] = {
        {"LOADBIN of a missing file", "LOADBIN $B000 missing.bin\nNEXT\n", "LOADBIN $B000 missing.bin"},
        {"LOADBIN past $FFFF", "LOADBIN $FFFF prog.bin\nNEXT\n", "LOADBIN $FFFF prog.bin"},
        {"CLOAD of a missing file", "CLOAD missing.wav\nNEXT\n", "CLOAD missing.wav"},
        {"QUITNOTEXIST", "QUITNOTEXIST missing.txt\nNEXT\n", "QUITNOTEXIST missing.txt"},
        {"QUICKTYPE 0", "QUICKTYPE 0\nA\nNEXT\n", "QUICKTYPE 0"},
        {"QUICKTYPE to the very end", "QUICKTYPE 1\nPRINT\n", "QUICKTYPE 1"},
        {"QUICKTYPE past the end", "QUICKTYPE 3\nA\nB", "QUICKTYPE 3"},
        {"DOBATCH exit status 1", "DOBATCH tool\nNEXT\n", "DOBATCH tool"},
        {"DOBATCH without a name", "DOBATCH \nNEXT\n", "DOBATCH "},
        {"LOADLST of a missing file", "LOADLST missing.lst\nNEXT\n", "LOADLST missing.lst"},
        {"LOADLST of binary junk", "LOADLST prog.bin\nNEXT\n", "LOADLST prog.bin"},
    };
    const auto previous = std::filesystem::current_path();
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptRun r;
        r.write("prog.bin", "\x01\x02");
        r.t.host.program_status = 1;
        std::filesystem::current_path(r.path);
        ASSERT_TRUE(r.start(c.script));
        const auto seen = r.statuses();
        EXPECT_FALSE(r.m.script.running);
        EXPECT_TRUE(r.m.script.ended);
        EXPECT_EQ(r.m.script.end_reason, ScriptEnd::failed);
        EXPECT_EQ(seen.back(), c.status);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "NEXT"), 0);
        EXPECT_FALSE(r.m.quicktype.active);
        EXPECT_EQ(r.m.memory_image[0xFFFF], builtin_images().system_rom.back()) << "ROM untouched";
    }
        std::filesystem::current_path(previous);
}

TEST(Script, LoadlstFillsTheDebuggersListingsAndChucklstsEmptiesThem) {
    ScriptRun r;
    const std::string a = r.write("a.lst", "    1  4000 86 12     ldaa #$12\n");
    const std::string b = r.write("b.log", "4000 ldaa #12 from a trace\n");
    ASSERT_TRUE(r.start("LOADLST " + a + "\nLOADLST " + b + "\nWAIT 0\nCHUCKLSTS\nWAIT 0"));
    for (int i = 0; i < 10 && std::string(script_status(r.m)) != "WAIT 0"; ++i) r.t.frames(1);
    ASSERT_EQ(r.m.debugger.lst.files.size(), 2u);
    const auto place = lst_find_address(r.m.debugger.lst, 0x4000);
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->file, 1) << "the later file wins";
    const auto seen = r.statuses();
    EXPECT_EQ(seen.back(), "End OK");
    EXPECT_TRUE(r.m.debugger.lst.files.empty());
}

TEST(Script, StartIsRefusedWhileBusyAndRemembered) {
    ScriptRun r;
    r.m.config_path = r.write("trivo.ini", "[FILES]\nscript=demo.txt\n");
    EXPECT_FALSE(script_start(r.m, r.file("absent.txt")));
    EXPECT_EQ(r.t.host.debug_lines.back(), "Could not open file\n");
    const size_t lines = r.t.host.debug_lines.size();
    EXPECT_FALSE(script_start(r.m, r.write("empty.txt", "")));
    EXPECT_EQ(r.t.host.debug_lines.size(), lines) << "an empty file fails silently";
    EXPECT_EQ(script_status(r.m), "None");

    const std::string script = r.write("s.txt", "WAIT 100\n");
    quicktype_start(r.m, {'A'});
    EXPECT_FALSE(script_start(r.m, script));
    quicktype_stop(r.m);
    r.m.deck.playing = true;
    EXPECT_FALSE(script_start(r.m, script));
    r.m.deck.playing = false;
    ASSERT_TRUE(script_start(r.m, script));
    EXPECT_FALSE(script_start(r.m, script)) << "one script at a time";
    Settings stored;
    config_read_all(r.m.config_path, stored);
    EXPECT_EQ(stored.script, script);

    // A long line goes on as the next line; the script waits while a tape
    // is attached or the debugger holds the machine.
    r.t.frames(1);
    EXPECT_EQ(r.m.script.wait_counter, 100);
    r.m.deck.playing = true;
    r.t.frames(3);
    EXPECT_EQ(r.m.script.wait_counter, 100);
    r.m.deck.playing = false;
    r.m.break_flags = 1;
    script_step(r.m);
    EXPECT_EQ(r.m.script.wait_counter, 100);
    r.m.break_flags = 0;
    script_kill(r.m, ScriptEnd::failed);
    EXPECT_EQ(script_status(r.m), "WAIT 100");

    ASSERT_TRUE(r.start(std::string(300, 'A') + "\n"));
    r.t.frames(2);
    EXPECT_EQ(script_status(r.m), std::string(46, 'A'));
    r.t.frames(1);
    EXPECT_EQ(script_status(r.m), "End OK");
}

}  // namespace
}  // namespace trivo

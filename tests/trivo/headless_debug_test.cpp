// Debugging without a window: the headless runner loads listings, stops on
// a breakpoint named by a symbol of our system ROM's listing, prints why it
// stopped, the registers and the history, and says so in its exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/lst_store.h"
#include "headless_runner.h"
#include "machine/builtin_images.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

namespace fs = std::filesystem;

using test::InScratchFolder;
using RunResult = test::HeadlessResult;
const auto run = test::run_headless;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The machine as configured by default starts our BASIC, which waits for a
// key in the system ROM's key-read routine.
TEST(HeadlessDebug, StopsOnTheKeyReadRoutineNamedByItsSymbol) {
    InScratchFolder folder;
    LstStore store;
    ASSERT_EQ(lst_load_file(store, SYSTEM_ROM_LST), LstLoad::loaded);
    const auto getkey = lst_find_symbol(store, "getkey");
    ASSERT_TRUE(getkey.has_value());
    char pc[16];
    std::snprintf(pc, sizeof pc, "PC=$%04x", *getkey);

    const RunResult r = run({"--lst", SYSTEM_ROM_LST, "--break", "getkey", "--history", "4", "--frames", "600"});
    EXPECT_EQ(r.status, headless_status_break) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 8u) << r.out;
    EXPECT_EQ(lines[0], "Stopped:");
    EXPECT_EQ(lines[1], "  Hit breakpoint");
    EXPECT_EQ(lines[2].rfind("Registers: A=$", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find(pc), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "History:");
    // History rows as the window shows them: the newest ends where the
    // breakpoint is, and is the jsr that called it.
    char after[16];
    std::snprintf(after, sizeof after, " pc=%04x ", *getkey);
    EXPECT_NE(lines[7].find(after), std::string::npos) << lines[7];
    EXPECT_NE(lines[7].find(" jsr  "), std::string::npos) << lines[7];
    for (size_t i = 4; i < 8; ++i) {
        EXPECT_EQ(lines[i].size(), 71u) << lines[i];
        EXPECT_EQ(lines[i].substr(lines[i].size() - 8), std::string(8, ' '));
        EXPECT_NE(lines[i].find(" cc="), std::string::npos);
    }
    EXPECT_EQ(lines[7].substr(0, 8), "     -9 ") << "jsr extended: 9 cycles";
}

TEST(HeadlessDebug, StepCountsAddressesAndRunsThatDoNotBreak) {
    InScratchFolder folder;
    RunResult r = run({"--steps", "1000", "--history", "3"});
    EXPECT_EQ(r.status, headless_status_break);
    auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 7u) << r.out;
    EXPECT_EQ(lines[1], "  Step in");

    // An address nothing runs at: the frames run out, status 0, and the
    // report still shows the registers and the default 20 history rows.
    r = run({"--break", "$0000", "--frames", "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 3u + 20u) << r.out;
    EXPECT_EQ(lines[0], "Running (no break)");
    EXPECT_EQ(lines[2], "History:");
}

TEST(HeadlessDebug, BadDebugOptionsAndUnusableListingsOrSymbols) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } bad[] = {
        {{"--lst"}, "--lst needs"},
        {{"--break"}, "--break needs"},
        {{"--steps", "0"}, "--steps needs"},
        {{"--steps", "x"}, "--steps needs"},
        {{"--history", "24001"}, "--history needs"},
        {{"--lst", "a", "--lst", "a", "--lst", "a", "--lst", "a", "--lst", "a", "--lst", "a",
          "--lst", "a", "--lst", "a", "--lst", "a"},
         "at most 8"},
    };
    for (const auto& c : bad) {
        auto parsed = headless_parse(c.args);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.args[0];
        EXPECT_NE(std::get<std::string>(parsed).find(c.error), std::string::npos)
            << std::get<std::string>(parsed);
    }

    InScratchFolder folder;
    std::ofstream("junk.lst", std::ios::binary) << std::string("\x01\x02\x03\x04 binary junk here", 21);
    const struct {
        std::vector<std::string> args;
        const char* message;
    } failing[] = {
        {{"--lst", "absent.lst"}, "cannot load listing absent.lst: cannot open the file"},
        {{"--lst", "junk.lst"}, "cannot load listing junk.lst: the file is not text"},
        {{"--break", "getkey"}, "--break getkey: neither an address nor a symbol"},
        {{"--lst", SYSTEM_ROM_LST, "--break", "no_such_label"}, "--break no_such_label"},
    };
    for (const auto& c : failing) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace trivo

#include "command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tonel_fixture.h"

namespace {

namespace fs = std::filesystem;
using tonel::run_tonel;
using tonel_test::TempDir;
using tonel_test::write_bytes;

bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

TEST(CommandLine, UsageAndBadOptions) {
    TempDir dir;
    const std::string good = (dir.path / "G.CPF").string();
    write_bytes(good, {0x00});
    struct {
        std::vector<std::string> args;
        int exit_code;
        const char* err_start;  // nullptr: usage on standard output, nothing on standard error
    } const cases[] = {
        {{}, 0, nullptr},
        {{"--help"}, 0, nullptr},
        {{"--rate", "11025", good}, 2, "tonel: sample rate '11025' is not 44100 or 22050\nusage: tonel"},
        {{"--rate=44", good}, 2, "tonel: sample rate '44' is not 44100 or 22050\n"},
        {{good, "--rate"}, 2, "tonel: --rate needs a value"},
        {{"--loud", good}, 2, "tonel: unknown option '--loud'\nusage: tonel"},
        {{good, good}, 2, "tonel: one input file only"},
        {{"--log"}, 2, "tonel: no input file\nusage: tonel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args[0]);
        const tonel::CommandOutput r = run_tonel(c.args);
        EXPECT_EQ(r.exit_code, c.exit_code);
        if (c.err_start) {
            EXPECT_TRUE(starts_with(r.err, c.err_start)) << r.err;
            EXPECT_EQ(r.out, "");
        } else {
            EXPECT_TRUE(starts_with(r.out, "usage: tonel FILE.CPF")) << r.out;
            EXPECT_EQ(r.err, "");
        }
    }
    // Bad options convert nothing.
    EXPECT_FALSE(fs::exists(dir.path / "G_4N.WAV"));
}

// Exit codes and status lines of real conversions; relative names resolve
// against the current folder.
TEST(CommandLine, ConvertsAndReportsTheOutcome) {
    TempDir dir;
    const fs::path old_cwd = fs::current_path();
    fs::current_path(dir.path);
    write_bytes("GOOD.CPF", {0x12, 0x34, 0x46});
    write_bytes("BAD.CPF", {0x12, 0x34, 0x47});
    write_bytes("EMPTY.CPF", {});
    write_bytes("BLOCKED.CPF", {0x00});
    fs::create_directory("BLOCKED_4N.WAV");

    struct {
        std::vector<std::string> args;
        int exit_code;
        const char* out;
        const char* err;
        std::vector<const char*> written;
    } const cases[] = {
        {{"GOOD.CPF"}, 0, "Good\n", "", {"GOOD_4N.WAV"}},
        {{"--rate", "22050", "--square", "--log", "BAD.CPF"},
         1,
         "ERROR:  46 <> 47 checksum mismatch\n",
         "",
         {"BAD_2Q.WAV", "BAD_2Q_log.TXT"}},
        {{"--", "MISSING.CPF"}, 2, "", "tonel: cannot read 'MISSING.CPF'\n", {}},
        {{"EMPTY.CPF"}, 2, "", "tonel: 'EMPTY.CPF' is empty\n", {"EMPTY_4N.WAV"}},
        {{"BLOCKED.CPF", "--log"}, 3, "ERROR:  cannot create BLOCKED_4N.WAV\n", "", {"BLOCKED_4N_log.TXT"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const tonel::CommandOutput r = run_tonel(c.args);
        EXPECT_EQ(r.exit_code, c.exit_code);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        for (const char* name : c.written) {
            const bool expected = c.exit_code < 2;
            EXPECT_EQ(fs::is_regular_file(name), expected) << name;
        }
    }
    fs::current_path(old_cwd);
}

TEST(CommandLine, WarnsWhenTheLogCannotBeWritten) {
    TempDir dir;
    const fs::path input = dir.path / "GAME.CPF";
    write_bytes(input, {0x00});
    fs::create_directory(dir.path / "GAME_4N_log.TXT");
    const tonel::CommandOutput r = run_tonel({"--log", input.string()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "Good\n");
    EXPECT_EQ(r.err,
              "tonel: cannot write the log file '" + (dir.path / "GAME_4N_log.TXT").string() + "'; converted without it\n");
}

}  // namespace

// trivo --headless driven by what a batch user types: text typed at start
// and seen on our system ROM's check screen or run by our BASIC, scripts and their exit status,
// DOBATCH without a shell, and configured files that fail to load.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/run_program.h"
#include "headless_runner.h"
#include "machine/builtin_images.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

namespace fs = std::filesystem;

using InFolder = test::InScratchFolder;

std::vector<uint8_t> read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_text(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

const auto run = test::run_headless;

// The reference picture of one text row, made by the rule the video chip
// follows in text mode: each cell is the glyph of its character from the
// character ROM's art, 8 x 12 pixels; in normal video the glyph's pixels
// are palette entry 7 on entry 6. Compared with the screenshot's pixels.
void expect_row_shows(const std::vector<uint8_t>& bmp, int text_row, const std::string& text) {
    std::ifstream in(std::string(TRIVO_TEST_DATA_DIR) + "/../firmware/charrom.txt");
    std::map<int, std::vector<std::string>> glyphs;
    std::string line;
    int current = -1;
    while (std::getline(in, line)) {
        if (line.rfind("glyph $", 0) == 0) {
            current = std::stoi(line.substr(7, 2), nullptr, 16);
        } else if (current >= 0 && line.size() == 8 &&
                   line.find_first_not_of("#.") == std::string::npos) {
            glyphs[current].push_back(line);
        }
    }
    ASSERT_EQ(bmp.size(), 1078u + 280 * 216);
    for (int cell = 0; cell < 32; ++cell) {
        const char c = cell < static_cast<int>(text.size()) ? text[cell] : ' ';
        const auto& art = glyphs.at(c & 0x3F);
        for (int row = 0; row < 12; ++row) {
            for (int px = 0; px < 8; ++px) {
                const int x = 12 + 8 * cell + px;
                const int y = 12 + 12 * text_row + row;
                const uint8_t expected = art[row][px] == '#' ? 7 : 6;
                // BMP rows run bottom up after the 1078-byte headers.
                ASSERT_EQ(bmp[1078 + (215 - y) * 280 + x], expected)
                    << "cell " << cell << " '" << c << "' row " << row << " pixel " << px;
            }
        }
    }
}

constexpr int typed_row = 13;

TEST(HeadlessInput, TypedLineShowsOnTheCheckScreenInOrder) {
    InFolder folder;
    const std::string line = "10 PRINT \"A=\";A*2, $(X)";
    auto r = run({"--frames", "900", "--type", "ignored by the next\\nhello\\\\" + line + "\\n",
                  "--screenshot", "typed.bmp"});
    ASSERT_EQ(r.status, 0) << r.err;
    expect_row_shows(read_bytes("typed.bmp"), typed_row, "HELLO\\" + line);

    // The same from a text file with CR LF line ends.
    write_text("line.txt", "first\r\n" + line + "\r\n");
    r = run({"--frames", "600", "--type-file", "line.txt", "--screenshot", "file.bmp"});
    ASSERT_EQ(r.status, 0) << r.err;
    expect_row_shows(read_bytes("file.bmp"), typed_row, line);
}

// Our BASIC in the cartridge slot: a program typed at start is entered,
// listed back by the editor's echo, and RUN prints its table under it.
TEST(HeadlessInput, BasicRunsAProgramTypedAtStart) {
    InFolder folder;
    write_text("basic.ini", "[MEMORY]\ncarttype=1\n");
    const auto r = run({"--config", "basic.ini", "--frames", "1500", "--type",
                        "10 FOR I=1 TO 3\\n20 PRINT \"N\";I,I*I\\n30 NEXT\\nRUN\\n", "--screenshot",
                        "basic.bmp"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto bmp = read_bytes("basic.bmp");
    const char* const screen[] = {"BASIC 1.0", "6399 BYTES FREE", "READY",
                                  "10 FOR I=1 TO 3", "20 PRINT \"N\";I,I*I", "30 NEXT", "RUN",
                                  "N1      1", "N2      4", "N3      9", "READY"};
    for (int row = 0; row < static_cast<int>(std::size(screen)); ++row) {
        SCOPED_TRACE(row);
        expect_row_shows(bmp, row, screen[row]);
    }
}

TEST(HeadlessInput, ScriptEndsOkAndTheRunWithIt) {
    InFolder folder;
    write_text("prog.bin", std::string("\x7E\xB0\x00", 3));
    write_text("run.txt",
               "WAIT 10\n"
               "KEYPRESS HI\n"
               "QUICKTYPE 1\n"
               "PRINT 7\n"
               "RESET SOFT\n"
               "WAIT 5\n"
               "RESET HARD\n"
               "WAIT 5\n"
               "LOADBIN $B000 prog.bin\n"
               "KEYPRESS OK");  // the last line has no line feed
    auto r = run({"--frames", "100000", "--script", "run.txt", "--speed", "--screenshot",
                  "end.bmp", "--ram-dump", "ram.bin"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Start playing Script File"), std::string::npos) << r.err;
    // The run ended with the script, long before the frame limit.
    const auto frames = std::stol(r.out.substr(r.out.find("frames ") + 7));
    EXPECT_LT(frames, 300) << r.out;
    const auto ram = read_bytes("ram.bin");
    ASSERT_EQ(ram.size(), 65536u);
    EXPECT_EQ(ram[0xB000], 0x7E);
    EXPECT_EQ(ram[0xB002], 0x00);
    // The resets cleared what was typed before them.
    expect_row_shows(read_bytes("end.bmp"), typed_row, "OK");
}

TEST(HeadlessInput, ScriptsThatDoNotEndOkFailTheRun) {
    InFolder folder;
    write_text("missing_bin.txt", "WAIT 1\nLOADBIN $B000 absent.bin\nWAIT 1\n");
    write_text("long.txt", "WAIT 1000\n");
    write_text("empty.txt", "");
    struct FailCase {
        std::vector<std::string> args;
        const char* message;
    };
    const FailCase cases[] = {
        {{"--script", "missing_bin.txt"},
         "the script stopped without \"End OK\" at the line: LOADBIN $B000 absent.bin"},
        {{"--frames", "20", "--script", "long.txt"},
         "the script was still running after 20 frames; last line: WAIT 1000"},
        {{"--script", "absent.txt"}, "cannot run script file absent.txt"},
        {{"--script", "empty.txt"}, "cannot run script file empty.txt"},
        {{"--type-file", "absent.txt"}, "cannot read text file absent.txt"},
    };
    for (const FailCase& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }

    const struct {
        std::vector<std::string> args;
        const char* error;
    } bad[] = {
        {{"--script"}, "--script needs a file name"},
        {{"--type"}, "--type needs a text"},
        {{"--type-file", ""}, "--type-file needs a file name"},
        {{"--type", "a", "--type-file", "b"}, "--type and --type-file can be given once"},
    };
    for (const auto& c : bad) {
        const auto r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.error);
    }
}

TEST(HeadlessInput, ConfiguredFilesThatDoNotLoadFailTheRun) {
    InFolder folder;
    const struct {
        const char* config;
        const char* shows;  // part of the message box text
    } cases[] = {
        {"[MEMORY]\nusebuiltinromflag=0\nROMfilename=absent.rom\n", "absent.rom"},
        {"[MEMORY]\ncarttype=3\nGAMEfilename=absent_game.bin\n", "absent_game.bin"},
        {"[MEMORY]\ncarttype=4\nS19filename=absent.s19\n", "absent.s19"},
        {"[MEMORY]\nusebuiltincharflag=0\nCHARfilename=absent_char.bin\n", "absent_char.bin"},
    };
    for (const auto& c : cases) {
        write_text("c.ini", c.config);
        const auto r = run({"--config", "c.ini", "--frames", "5"});
        EXPECT_EQ(r.status, 1) << c.config;
        EXPECT_NE(r.err.find(c.shows), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("the configured ROM images did not all load"), std::string::npos);
    }
}

// A program whose name is full of what a shell would act on: started
// directly it runs with exactly that name as its argument, and nothing in
// the name is executed. Through a shell, made1-made3 would appear and the
// third script would succeed.
TEST(HeadlessInput, DobatchRunsTheNamedProgramWithoutAShell) {
    InFolder folder;
    const std::string name = "odd tool 'q' \"d\"; $(touch made1) `touch made2`";
    write_text(name, "#!/bin/sh\nprintf '%s' \"$1\" > ran.txt\nexit 0\n");
    ::chmod(name.c_str(), 0755);
    write_text("ok.txt", "DOBATCH " + name + "\nWAIT 1\n");
    auto r = run({"--script", "ok.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists("ran.txt"));
    const auto ran = read_bytes("ran.txt");
    EXPECT_EQ(std::string(ran.begin(), ran.end()), name);

    write_text("shell.txt", "DOBATCH true; touch made3\nWAIT 1\n");
    r = run({"--script", "shell.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("DOBATCH true; touch made3"), std::string::npos) << r.err;
    for (const char* made : {"made1", "made2", "made3"}) EXPECT_FALSE(fs::exists(made)) << made;

    // Exit statuses as the script sees them.
    write_text("three", "#!/bin/sh\nexit 3\n");
    ::chmod("three", 0755);
    write_text("plain", "#!/bin/sh\nexit 0\n");  // not executable
    EXPECT_EQ(run_host_program("three", "three"), 3);
    EXPECT_EQ(run_host_program("true", "true"), 0) << "found along PATH";
    EXPECT_EQ(run_host_program("plain", "plain"), -1);
    EXPECT_EQ(run_host_program("no such program", "x"), -1);
    EXPECT_EQ(run_host_program("", ""), -1);
}

}  // namespace
}  // namespace trivo

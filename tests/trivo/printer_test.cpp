// Printer output to a text file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cassette/printer.h"
#include "fake_host.h"
#include "machine/bus.h"
#include "machine/machine.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

namespace fs = std::filesystem;
using test::FakeHost;

using TempDir = test_support::ScratchFolder;

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct PrinterMachine {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    FakeHost host;

    explicit PrinterMachine(const fs::path& file) {
        m.host = &host;
        memory_map_build(m);
        m.settings.filename = file.string();
    }
    // The machine's programs print by writing register 1 of the port.
    void print(const std::string& bytes) {
        for (char c : bytes) bus_write(m, 0x6401, static_cast<uint8_t>(c));
    }
};

TEST(Printer, LineHandlingByTheSettings) {
    struct PrintCase {
        const char* name;
        int printnulls, autolinefeed, fixedwidth, width;
        std::string input;
        std::string expected;
    };
    const PrintCase cases[] = {
        {"defaults", 0, 1, 0, 132, "HI\r", "HI\r\n"},
        {"no line feed", 0, 0, 0, 132, "HI\r", "HI\r"},
        {"fixed width 4", 0, 1, 1, 4, "ABCDE", "ABCD\r\nE"},
        {"fixed width without line feed", 0, 0, 1, 4, "ABCDE", "ABCD\rE"},
        {"carriage return restarts the line", 0, 1, 1, 4, "AB\rCDEF", "AB\r\nCDEF\r\n"},
        {"tab to the next multiple of 8", 0, 1, 1, 8, "A\tB", "A\t\r\nB"},
        {"nulls skipped", 0, 1, 0, 132, std::string("A\0B", 3), "AB"},
        {"nulls kept", 1, 1, 0, 132, std::string("A\0B", 3), std::string("A\0B", 3)},
        {"control bytes do not count", 0, 1, 1, 2, "\x01\x02" "A", "\x01\x02" "A"},
        {"width 256 never breaks", 0, 1, 1, 256, std::string(300, 'x'), std::string(300, 'x')},
    };
    for (const PrintCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path file = dir.path / "LPRINT.TXT";
        PrinterMachine p(file);
        p.m.settings.printnulls = c.printnulls;
        p.m.settings.autolinefeedflag = c.autolinefeed;
        p.m.settings.fixedwidthflag = c.fixedwidth;
        p.m.settings.width = c.width;
        p.print(c.input);
        printer_close(p.m);
        EXPECT_EQ(contents(file), c.expected);
    }
}

TEST(Printer, IdleFileClosesAfter600000CyclesAndOutputAccumulates) {
    TempDir dir;
    const fs::path file = dir.path / "out.txt";
    {
        PrinterMachine p(file);
        p.print("ONE\r");
        EXPECT_EQ(p.m.file_activity & activity_printer, activity_printer);
        p.m.machine_clock += 600000;
        printer_idle_check(p.m);
        EXPECT_TRUE(p.m.printer.file);  // not more than 600000 yet
        p.m.machine_clock += 1;
        printer_idle_check(p.m);
        EXPECT_FALSE(p.m.printer.file);
        EXPECT_EQ(p.m.file_activity & activity_printer, 0);
        EXPECT_EQ(contents(file), "ONE\r\n");
        p.print("TWO");  // reopens for appending
        printer_close(p.m);
    }
    // A second machine (another run of the program) appends to the same file.
    PrinterMachine second(file);
    second.print("\rTHREE");
    printer_close(second.m);
    EXPECT_EQ(contents(file), "ONE\r\nTWO\r\nTHREE");
}

TEST(Printer, UnwritableFileDropsTheByteAndTriesAgain) {
    TempDir dir;
    const fs::path file = dir.path / "missing" / "out.txt";
    PrinterMachine p(file);
    p.print("A");
    ASSERT_EQ(p.host.debug_lines.size(), 1u);
    EXPECT_EQ(p.host.debug_lines[0], "Could not write serial byte\n");
    EXPECT_FALSE(p.m.printer.file);

    fs::create_directory(dir.path / "missing");
    p.print("B");
    printer_close(p.m);
    EXPECT_EQ(contents(file), "B");
}

}  // namespace
}  // namespace trivo

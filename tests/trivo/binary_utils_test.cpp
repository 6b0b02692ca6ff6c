// Load Binary, CSAVEM, Save Ram and the number parser they share with the
// debugger.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cassette/binary_utils.h"
#include "machine/bus.h"
#include "machine/machine.h"
#include "rom_fixture.h"

namespace trivo {
namespace {

using test::read_bytes;
using test::ScratchDir;
using test::write_bytes;

struct UtilMachine {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    test::FakeHost host;

    UtilMachine() {
        m.host = &host;
        memory_map_build(m);  // the normal layout: FFF0-FFFF is a ROM window
        for (size_t a = 0; a < m.memory_image.size(); ++a) {
            m.memory_image[a] = static_cast<uint8_t>(a * 13 + (a >> 8));
        }
    }
};

TEST(ParseNumber, ValuesAndErrorCodes) {
    struct NumberCase {
        const char* text;
        int value;
        bool hexadecimal;
    };
    const NumberCase cases[] = {
        {"0", 0, false},
        {"65535", 65535, false},
        {"000045056", 45056, false},
        {"$0", 0, true},
        {"$FFFF", 0xFFFF, true},
        {"$b00F", 0xB00F, true},
        {"$", number_bad_hex, true},
        {"$12g4", number_bad_hex, true},
        {"$$1", number_bad_hex, true},
        {"$ 1", number_bad_hex, true},
        {"12a", number_bad_decimal, false},
        {"-1", number_bad_decimal, false},
        {" 1", number_bad_decimal, false},
        {"1$", number_bad_decimal, false},
        {"65536", number_too_large, false},
        {"$10000", number_too_large, true},
        {"99999999999999999999999", number_too_large, false},
        {"$FFFFFFFFFFFFFFFFFFFFFF", number_too_large, true},
        {"", number_empty, false},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.text);
        const ParsedNumber n = parse_number(c.text);
        EXPECT_EQ(n.value, c.value);
        EXPECT_EQ(n.hexadecimal, c.hexadecimal);
    }
}

TEST(ParseNumber, AddressesAreShownAsTheyWereTyped) {
    for (const char* typed : {"$4000", "16384", "$b000", "$0001", "7"}) {
        SCOPED_TRACE(typed);
        const ParsedNumber n = parse_number(typed);
        EXPECT_EQ(address_text(n.value, n.hexadecimal), typed);
    }
}

TEST(LoadBinary, FitsOrFailsWithoutTouchingMemory) {
    ScratchDir dir;
    const auto sixteen = test::pattern_bytes(16, 0xC3);
    write_bytes(dir.file("16.bin"), sixteen);
    write_bytes(dir.file("empty.bin"), {});
    write_bytes(dir.file("64k.bin"), test::pattern_bytes(0x10000, 0x01));
    write_bytes(dir.file("64k1.bin"), test::pattern_bytes(0x10001, 0x01));

    struct LoadCase {
        const char* file;
        int address;
        bool ok;
    };
    const LoadCase cases[] = {
        {"16.bin", 0xFFF0, true},   // ends exactly at FFFF, in a ROM window
        {"16.bin", 0xFFF1, false},  // one byte past FFFF
        {"16.bin", 0x0000, true},
        {"16.bin", -1, false},
        {"16.bin", 0x10000, false},
        {"64k.bin", 0x0000, true},
        {"64k.bin", 0x0001, false},
        {"64k1.bin", 0x0000, false},
        {"empty.bin", 0x1000, false},
        {"missing.bin", 0x1000, false},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " at " << c.address);
        UtilMachine u;
        const auto before = u.m.memory_image;
        EXPECT_EQ(load_binary(u.m, dir.file(c.file), c.address), c.ok);
        if (!c.ok) {
            EXPECT_TRUE(u.m.memory_image == before);
            continue;
        }
        const auto file = read_bytes(dir.file(c.file));
        for (size_t i = 0; i < u.m.memory_image.size(); ++i) {
            const size_t offset = i - static_cast<size_t>(c.address);
            const uint8_t expected = i >= static_cast<size_t>(c.address) && offset < file.size()
                                         ? file[offset]
                                         : before[i];
            ASSERT_EQ(u.m.memory_image[i], expected) << std::hex << i;
        }
    }
}

TEST(LoadBinary, DialogReportsItsProblemsAndKeepsAValidAddress) {
    ScratchDir dir;
    write_bytes(dir.file("prog.bin"), {0xAA, 0xBB});
    struct DialogCase {
        const char* field;
        const char* file;
        bool closes;
        const char* error;  // nullptr: no box
        int kept_address;   // -1: settings untouched
        int kept_hex;
    };
    const DialogCase cases[] = {
        {"$A000", "prog.bin", true, nullptr, 0xA000, 1},
        {"40960", "prog.bin", true, nullptr, 40960, 0},
        // Only the first 7 characters count: "$000040" is 0x40.
        {"$00004000", "prog.bin", true, nullptr, 0x40, 1},
        {"$A0G0", "prog.bin", false, "ERROR: \nProblem with load address\n", -1, 0},
        {"", "prog.bin", false, "ERROR: \nProblem with load address\n", -1, 0},
        {"$A000", "missing.bin", false, "ERROR: \nProblem loading file\n", 0xA000, 1},
        {"$FFFF", "prog.bin", false, "ERROR: \nProblem loading file\n", 0xFFFF, 1},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.field);
        UtilMachine u;
        Settings settings;
        settings.bloadaddr = 1234;
        settings.loadaddrishex = 0;
        settings.bloadfilename = dir.file(c.file);
        EXPECT_EQ(load_binary_dialog_ok(u.m, settings, c.field), c.closes);
        if (c.error) {
            ASSERT_EQ(u.host.messages.size(), 1u);
            EXPECT_EQ(u.host.messages[0].caption, "Util Load Binary errors");
            EXPECT_EQ(u.host.messages[0].text, c.error);
            EXPECT_EQ(u.host.messages[0].icon, MessageIcon::warning);
        } else {
            EXPECT_TRUE(u.host.messages.empty());
            EXPECT_EQ(u.m.memory_image[static_cast<size_t>(c.kept_address)], 0xAA);
        }
        EXPECT_EQ(settings.bloadaddr, c.kept_address < 0 ? 1234 : c.kept_address);
        EXPECT_EQ(settings.loadaddrishex, c.kept_hex);
    }
}

TEST(Csavem, WritesTheRangeAndItsChecksum) {
    ScratchDir dir;
    UtilMachine u;
    u.m.memory_image[0] = 0x01;
    u.m.memory_image[1] = 0x02;
    u.m.memory_image[2] = 0x03;
    u.m.memory_image[0xBFFE] = 0xFF;
    u.m.memory_image[0xBFFF] = 0xFF;
    u.m.memory_image[0xFFFF] = 0x80;

    struct SaveCase {
        const char* start;
        const char* end;
        std::vector<uint8_t> file;
    };
    const SaveCase cases[] = {
        {"$0000", "$0002", {0x01, 0x02, 0x03, 0x06}},
        {"0", "2", {0x01, 0x02, 0x03, 0x06}},
        {"$BFFE", "$BFFF", {0xFF, 0xFF, 0xFE}},  // the checksum wraps at 256
        {"$FFFF", "65535", {0x80, 0x80}},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "-" << c.end);
        Settings settings;
        settings.csavfilename = dir.file("out.c10");
        EXPECT_TRUE(csavem_dialog_ok(u.m, settings, c.start, c.end));
        EXPECT_TRUE(u.host.messages.empty());
        EXPECT_EQ(read_bytes(settings.csavfilename), c.file);
        const ParsedNumber start = parse_number(c.start);
        const ParsedNumber end = parse_number(c.end);
        EXPECT_EQ(settings.csavstart, start.value);
        EXPECT_EQ(settings.csavstartishex, start.hexadecimal ? 1 : 0);
        EXPECT_EQ(settings.csavend, end.value);
        EXPECT_EQ(settings.csavendishex, end.hexadecimal ? 1 : 0);
    }
}

TEST(Csavem, CollectsEveryProblemInOrder) {
    struct ErrorCase {
        const char* start;
        const char* end;
        bool folder_exists;
        const char* text;
        bool file_written;  // then it holds the checksum byte 00 alone
    };
    const ErrorCase cases[] = {
        {"10", "5", true, "ERROR: \nStart address is greater than end address\n", true},
        {"$10", "$1G", true, "ERROR: \nProblem with end address\n", true},
        {"x", "5", true, "ERROR: \nProblem with start address\n", false},
        {"x", "", true, "ERROR: \nProblem with start address\nProblem with end address\n", false},
        {"10", "5", false,
         "ERROR: \nStart address is greater than end address\nCould not open file \n", false},
        {"0", "2", false, "ERROR: \nCould not open file \n", false},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.text);
        ScratchDir dir;
        UtilMachine u;
        Settings settings;
        settings.csavfilename =
            c.folder_exists ? dir.file("out.c10") : dir.file("no such folder/out.c10");
        EXPECT_FALSE(csavem_dialog_ok(u.m, settings, c.start, c.end));
        ASSERT_EQ(u.host.messages.size(), 1u);
        EXPECT_EQ(u.host.messages[0].caption, "Util CSAVEM errors");
        EXPECT_EQ(u.host.messages[0].text, c.text);
        EXPECT_EQ(u.host.messages[0].icon, MessageIcon::warning);
        if (c.file_written) {
            EXPECT_EQ(read_bytes(settings.csavfilename), std::vector<uint8_t>{0x00});
        } else {
            EXPECT_FALSE(std::filesystem::exists(settings.csavfilename));
        }
        // No temporary file is left behind either way.
        for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
            EXPECT_EQ(entry.path().filename(), "out.c10");
        }
    }
}

TEST(SaveRam, WritesAll64KOrSaysItCouldNot) {
    ScratchDir dir;
    UtilMachine u;
    EXPECT_TRUE(save_ram(u.m, dir.path.string()));
    const auto file = read_bytes(dir.file("ram.bin"));
    ASSERT_EQ(file.size(), 0x10000u);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), u.m.memory_image.begin()));
    EXPECT_TRUE(u.host.messages.empty());

    const std::string missing = dir.file("gone");
    EXPECT_FALSE(save_ram(u.m, missing));
    ASSERT_EQ(u.host.messages.size(), 1u);
    EXPECT_EQ(u.host.messages[0].caption, "trivo - Save Ram");
    EXPECT_EQ(u.host.messages[0].text, "Could not write ram.bin\n " + save_ram_path(missing));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace trivo

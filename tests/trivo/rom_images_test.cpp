// ROM images: built-in and file images in their windows, the messages for
// files that cannot be loaded, the cartridge types, the BASIC ROM trap
// arming, and the S19 reader with its error words.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "machine/commands.h"
#include "machine/machine.h"
#include "machine/rom_images.h"
#include "rom_fixture.h"
#include "video/video.h"

namespace trivo {
namespace {

using test::fixture_basic_high;
using test::fixture_basic_low;
using test::fixture_char_rom;
using test::fixture_system_rom;
using test::MenuHost;
using test::pattern_bytes;
using test::ScratchDir;

struct RomMachine {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    MenuHost host;

    RomMachine() {
        m.host = &host;
        set_cart_type(m.settings, CartType::none);
    }
    void load() { load_rom_images(m, test::fixture_builtins()); }
    // What a hard reset does with the images: memory cleared, then installed.
    void load_and_install() {
        load();
        m.memory_image.fill(0);
        install_rom_images(m);
    }
    uint8_t at(uint32_t address) const { return m.memory_image[address]; }
};

// The system ROM windows hold the built-in 2K image four times each.
void expect_builtin_system_rom(const Machine& m) {
    for (uint32_t i = 0; i < 0x2000; ++i) {
        ASSERT_EQ(m.memory_image[0x4000 + i], fixture_system_rom[i % 2048]) << std::hex << i;
        ASSERT_EQ(m.memory_image[0xE000 + i], fixture_system_rom[i % 2048]) << std::hex << i;
    }
}

void expect_builtin_basic(const Machine& m) {
    for (uint32_t i = 0; i < 0x1000; ++i) {
        ASSERT_EQ(m.memory_image[0x6800 + i], fixture_basic_low[i]) << std::hex << i;
    }
    for (uint32_t i = 0; i < 0x2000; ++i) {
        ASSERT_EQ(m.memory_image[0x8000 + i], fixture_basic_high[i]) << std::hex << i;
    }
}

TEST(RomImages, BuiltInImagesFillTheirWindows) {
    RomMachine r;
    set_cart_type(r.m.settings, CartType::builtin_basic);
    r.m.char_rom_ext.fill(0xAA);
    r.m.char_rom.fill(0xAA);
    r.load_and_install();

    expect_builtin_system_rom(r.m);
    expect_builtin_basic(r.m);
    // BASIC's low part is 4K: $7800-$7FFF is left as the reset cleared it.
    for (uint32_t a = 0x7800; a < 0x8000; ++a) ASSERT_EQ(r.at(a), 0) << std::hex << a;
    EXPECT_EQ(r.m.char_rom, fixture_char_rom);
    EXPECT_EQ(r.m.char_rom_ext, char_rom_ext_test_pattern);
    EXPECT_TRUE(r.host.messages.empty());
}

TEST(RomImages, CartridgeTypesDecideWhatFillsTheCartridgeWindow) {
    struct CartCase {
        CartType carttype;
        uint8_t at_6800, at_7fff, at_8000, at_9fff;
    };
    // Type 3 with no game loaded yet installs the all-zero game_rom; an
    // unknown type installs nothing but the system ROM.
    const CartCase cases[] = {
        {CartType::none, 0x00, 0x00, 0x00, 0x00},
        {CartType::builtin_basic, fixture_basic_low[0], 0x00, fixture_basic_high[0],
         fixture_basic_high[0x1FFF]},
        {CartType::game_file, 0xFF, 0xFF, 0x00, 0x00},
        {static_cast<CartType>(9), 0x00, 0x00, 0x00, 0x00},  // a number no type has
    };
    for (const CartCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.carttype));
        ScratchDir dir;
        RomMachine r;
        set_cart_type(r.m.settings, c.carttype);
        r.m.settings.GAMEfilename = dir.file("missing.bin");
        r.load_and_install();
        EXPECT_EQ(r.at(0x6800), c.at_6800);
        EXPECT_EQ(r.at(0x7FFF), c.at_7fff);
        EXPECT_EQ(r.at(0x8000), c.at_8000);
        EXPECT_EQ(r.at(0x9FFF), c.at_9fff);
        expect_builtin_system_rom(r.m);
    }
}

// A file image fills its forward window from its first byte, repeating, and
// its backward window so that the file's last byte is the window's last.
void expect_windows(const Machine& m, const std::vector<uint8_t>& file, uint32_t forward_base,
                    uint32_t forward_size, uint32_t backward_base) {
    const size_t n = file.size();
    for (uint32_t i = 0; i < forward_size; ++i) {
        ASSERT_EQ(m.memory_image[forward_base + i], file[i % n]) << std::hex << i;
    }
    for (uint32_t k = 0; k < 0x2000; ++k) {
        ASSERT_EQ(m.memory_image[backward_base + 0x1FFF - k], file[n - 1 - (k % n)])
            << std::hex << k;
    }
}

TEST(RomImages, SystemRomFileFillsBothWindows) {
    for (const size_t n : {size_t{1}, size_t{2048}, size_t{3000}, size_t{8192}, size_t{12288}}) {
        SCOPED_TRACE(n);
        ScratchDir dir;
        RomMachine r;
        const auto file = pattern_bytes(n, 0x31);
        test::write_bytes(dir.file("os.bin"), file);
        r.m.settings.usebuiltinromflag = 0;
        r.m.settings.ROMfilename = dir.file("os.bin");
        r.load_and_install();
        EXPECT_TRUE(r.host.messages.empty());
        expect_windows(r.m, file, 0x4000, 0x2000, 0xE000);

        if (n == 3000) {
            // $4000 counts up from the file's start, every 3000 bytes again;
            // $FFFF holds the last byte and the file repeats downwards.
            EXPECT_EQ(r.at(0x4000 + 2999), file[2999]);
            EXPECT_EQ(r.at(0x4000 + 3000), file[0]);
            EXPECT_EQ(r.at(0xFFFF), file[2999]);
            EXPECT_EQ(r.at(0xFFFF - 3000), file[2999]);
            EXPECT_EQ(r.at(0xE000), file[808]);
        }
        if (n == 12288) {
            // First 8K at $4000, last 8K at $E000.
            EXPECT_EQ(r.at(0x5FFF), file[8191]);
            EXPECT_EQ(r.at(0xE000), file[4096]);
            EXPECT_EQ(r.at(0xFFFF), file[12287]);
        }
    }
}

TEST(RomImages, BasicFileFillsBothBasicWindows) {
    for (const size_t n : {size_t{2048}, size_t{12288}, size_t{20000}}) {
        SCOPED_TRACE(n);
        ScratchDir dir;
        RomMachine r;
        const auto file = pattern_bytes(n, 0x77);
        test::write_bytes(dir.file("basic.bin"), file);
        set_cart_type(r.m.settings, CartType::basic_file);
        r.m.settings.BASICfilename = dir.file("basic.bin");
        r.load_and_install();
        EXPECT_TRUE(r.host.messages.empty());
        expect_windows(r.m, file, 0x6800, 0x1000, 0x8000);
        if (n == 12288) {
            EXPECT_EQ(r.at(0x77FF), file[4095]);
            EXPECT_EQ(r.at(0x8000), file[4096]);
        }
    }
}

TEST(RomImages, CharacterRomFilesFillFromTheirStart) {
    struct CharCase {
        bool external;
        size_t size;
    };
    for (const CharCase c : {CharCase{false, 100}, CharCase{false, 1000}, CharCase{true, 100},
                             CharCase{true, 5000}}) {
        SCOPED_TRACE(testing::Message() << c.external << " " << c.size);
        ScratchDir dir;
        RomMachine r;
        const auto file = pattern_bytes(c.size, 0x05);
        test::write_bytes(dir.file("char.bin"), file);
        if (c.external) {
            r.m.settings.usebuiltincharxflag = 0;
            r.m.settings.CHARXfilename = dir.file("char.bin");
        } else {
            r.m.settings.usebuiltincharflag = 0;
            r.m.settings.CHARfilename = dir.file("char.bin");
        }
        r.load();
        EXPECT_TRUE(r.host.messages.empty());
        const auto check = [&](const auto& rom) {
            for (size_t i = 0; i < rom.size(); ++i) {
                ASSERT_EQ(rom[i], i < file.size() ? file[i] : 0) << i;
            }
        };
        if (c.external) {
            check(r.m.char_rom_ext);
            EXPECT_EQ(r.m.char_rom, fixture_char_rom);
        } else {
            check(r.m.char_rom);
            EXPECT_EQ(r.m.char_rom_ext, char_rom_ext_test_pattern);
        }
    }
}

TEST(RomImages, FilesThatCannotBeLoadedAreReportedAndTheBuiltInStays) {
    struct FailCase {
        const char* name;
        std::function<void(Settings&, const ScratchDir&)> configure;
        const char* caption;
        std::string (*text)(const std::string& path);
        const char* file;  // the file the message names
    };
    const auto missing = [](const ScratchDir& dir) { return dir.file("none.bin"); };
    const auto empty = [](const ScratchDir& dir) {
        test::write_bytes(dir.file("empty.bin"), {});
        return dir.file("empty.bin");
    };
    const FailCase cases[] = {
        {"missing system ROM",
         [&](Settings& s, const ScratchDir& d) {
             s.usebuiltinromflag = 0;
             s.ROMfilename = missing(d);
         },
         "trivo - File Missing",
         [](const std::string& p) {
             return "Could not load in ROM OS file\n " + p + "\n  See Configuration/Memory.";
         },
         "none.bin"},
        {"empty system ROM",
         [&](Settings& s, const ScratchDir& d) {
             s.usebuiltinromflag = 0;
             s.ROMfilename = empty(d);
         },
         "trivo - File Missing",
         [](const std::string& p) {
             return "Could not load in ROM OS file\n " + p + "\n  See Configuration/Memory.";
         },
         "empty.bin"},
        {"system ROM names a folder",
         [&](Settings& s, const ScratchDir& d) {
             std::filesystem::create_directory(d.path / "folder.bin");
             s.usebuiltinromflag = 0;
             s.ROMfilename = d.file("folder.bin");
         },
         "trivo - File Missing",
         [](const std::string& p) {
             return "Could not load in ROM OS file\n " + p + "\n  See Configuration/Memory.";
         },
         "folder.bin"},
        {"missing game",
         [&](Settings& s, const ScratchDir& d) {
             set_cart_type(s, CartType::game_file);
             s.GAMEfilename = missing(d);
         },
         "trivo - File Missing",
         [](const std::string& p) {
             return "Could not load in Game ROM OS file\n " + p + "\n  See File/Cartridge.";
         },
         "none.bin"},
        {"missing BASIC",
         [&](Settings& s, const ScratchDir& d) {
             set_cart_type(s, CartType::basic_file);
             s.BASICfilename = missing(d);
         },
         "trivo - File Missing",
         [](const std::string& p) {
             return "Could not load in Game ROM OS file\n " + p + "\n  See File/Cartridge.";
         },
         "none.bin"},
        {"missing S19",
         [&](Settings& s, const ScratchDir& d) {
             set_cart_type(s, CartType::s19_file);
             s.S19filename = missing(d);
         },
         "trivo - File Missing",
         [](const std::string& p) {
             return "400 Problem loading S19 file\n " + p + "\n  See File/Cartridge.";
         },
         "none.bin"},
        {"missing character ROM",
         [&](Settings& s, const ScratchDir& d) {
             s.usebuiltincharflag = 0;
             s.CHARfilename = missing(d);
         },
         "Pelko - File Missing",
         [](const std::string& p) {
             return "Could not load in Character ROM file\n " + p +
                    "\n  See Configuration/Memory.";
         },
         "none.bin"},
        {"empty external character ROM",
         [&](Settings& s, const ScratchDir& d) {
             s.usebuiltincharxflag = 0;
             s.CHARXfilename = empty(d);
         },
         "Pelko - File Missing",
         [](const std::string& p) {
             return "Could not load in Extended Character ROM file\n " + p +
                    "\n  See Configuration/Memory.";
         },
         "empty.bin"},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        RomMachine r;
        c.configure(r.m.settings, dir);
        r.load_and_install();
        ASSERT_EQ(r.host.messages.size(), 1u);
        EXPECT_EQ(r.host.messages[0].caption, c.caption);
        EXPECT_EQ(r.host.messages[0].text, c.text(dir.file(c.file)));
        EXPECT_EQ(r.host.messages[0].icon, MessageIcon::warning);

        expect_builtin_system_rom(r.m);
        if (cart_type(r.m.settings) == CartType::basic_file) expect_builtin_basic(r.m);
        EXPECT_EQ(r.m.char_rom, fixture_char_rom);
        EXPECT_EQ(r.m.char_rom_ext, char_rom_ext_test_pattern);
    }
}

TEST(RomImages, EachFailureHasItsOwnMessageAndLoadingGoesOn) {
    ScratchDir dir;
    RomMachine r;
    Settings& s = r.m.settings;
    s.usebuiltinromflag = 0;
    s.ROMfilename = dir.file("os.bin");
    set_cart_type(s, CartType::basic_file);
    s.BASICfilename = dir.file("basic.bin");
    s.usebuiltincharflag = 0;
    const auto glyphs = pattern_bytes(768, 0x44);
    test::write_bytes(dir.file("char.bin"), glyphs);
    s.CHARfilename = dir.file("char.bin");
    s.usebuiltincharxflag = 0;
    s.CHARXfilename = dir.file("charx.bin");
    r.load();

    ASSERT_EQ(r.host.messages.size(), 3u);
    EXPECT_EQ(r.host.messages[0].text.rfind("Could not load in ROM OS file", 0), 0u);
    EXPECT_EQ(r.host.messages[1].text.rfind("Could not load in Game ROM OS file", 0), 0u);
    EXPECT_EQ(r.host.messages[2].text.rfind("Could not load in Extended Character ROM", 0), 0u);
    EXPECT_TRUE(std::equal(glyphs.begin(), glyphs.end(), r.m.char_rom.begin()));
}

TEST(RomImages, GameRomKeepsItsLastContentsWhenALoadFails) {
    ScratchDir dir;
    RomMachine r;
    set_cart_type(r.m.settings, CartType::game_file);
    r.m.settings.GAMEfilename = dir.file("game.bin");
    const auto game = pattern_bytes(3000, 0x19);
    test::write_bytes(dir.file("game.bin"), game);
    r.load_and_install();
    ASSERT_TRUE(r.host.messages.empty());

    std::filesystem::remove(dir.file("game.bin"));
    r.load_and_install();
    ASSERT_EQ(r.host.messages.size(), 1u);
    for (uint32_t i = 0; i < 0x2000; ++i) ASSERT_EQ(r.at(0x8000 + i), game[i % 3000]) << i;
    for (uint32_t a = 0x6800; a < 0x8000; ++a) ASSERT_EQ(r.at(a), 0xFF) << std::hex << a;
}

TEST(RomImages, TrapsArmOnlyWithTheBuiltInBasic) {
    struct ArmCase {
        int enableromhacksflag;
        CartType carttype;
        bool armed;
    };
    const ArmCase cases[] = {
        {1, CartType::builtin_basic, true},
        {1, CartType::basic_file, false},
        {0, CartType::builtin_basic, false},
        {1, CartType::none, false},
        {1, CartType::game_file, false},
    };
    for (const ArmCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.enableromhacksflag << " " << static_cast<int>(c.carttype));
        ScratchDir dir;
        RomMachine r;
        r.m.settings.enableromhacksflag = c.enableromhacksflag;
        set_cart_type(r.m.settings, c.carttype);
        r.m.settings.BASICfilename = dir.file("basic.bin");
        r.m.settings.GAMEfilename = dir.file("game.bin");
        r.m.rom_hacks_armed = !c.armed;
        r.m.wav_logger_on = true;
        r.load();
        EXPECT_EQ(r.m.rom_hacks_armed, c.armed);
        // Disarmed: the logger goes off, its menu item unchecked and greyed.
        EXPECT_EQ(r.m.wav_logger_on, c.armed);
        ASSERT_FALSE(r.host.menu_states.empty());
        const auto& state = r.host.menu_states.back();
        EXPECT_EQ(state.command, command_wav_logger);
        EXPECT_EQ(state.checked, c.armed);
        EXPECT_EQ(state.enabled, c.armed);
    }
}

TEST(RomImages, S19ProgramOverridesTheSystemRomAndReportsItsErrorWord) {
    ScratchDir dir;
    RomMachine r;
    set_cart_type(r.m.settings, CartType::s19_file);
    r.m.settings.S19filename = dir.file("prog.s19");
    // A new reset vector, a record in RAM, the end record and a blank line.
    test::write_text(dir.file("prog.s19"),
                     "S105FFFEA0005D\nS107A000010203044E\nS9030000FC\n\n");
    r.m.memory_image[0x4000] = 0x99;
    r.load_and_install();

    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0].caption, "trivo - File Missing");
    EXPECT_EQ(r.host.messages[0].text,
              "800 Problem loading S19 file\n " + dir.file("prog.s19") + "\n  See File/Cartridge.");
    EXPECT_EQ(r.at(0xFFFE), 0xA0);
    EXPECT_EQ(r.at(0xFFFF), 0x00);
    EXPECT_EQ(r.at(0xFFFD), fixture_system_rom[0x7FD]);
    EXPECT_EQ(r.at(0xA000), 0x01);
    EXPECT_EQ(r.at(0xA003), 0x04);
    EXPECT_EQ(r.at(0x4000), fixture_system_rom[0]);
}

// --- S19 reader ---------------------------------------------------------

// An S1 record with a correct checksum.
std::string s1(uint16_t address, const std::vector<uint8_t>& data) {
    const unsigned count = static_cast<unsigned>(data.size()) + 3;
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    char text[16];
    std::snprintf(text, sizeof text, "S1%02X%04X", count, address);
    std::string line = text;
    for (uint8_t b : data) {
        std::snprintf(text, sizeof text, "%02X", b);
        line += text;
        sum += b;
    }
    std::snprintf(text, sizeof text, "%02X", (~sum) & 0xFF);
    return line + text;
}

int loaded_count(const RomImages& images) {
    int n = 0;
    for (uint8_t flag : images.s19_loaded) n += flag != 0;
    return n;
}

TEST(S19, RecordsAndErrorWords) {
    struct Stored {
        uint16_t address;
        uint8_t value;
    };
    struct S19Case {
        const char* name;
        std::string text;
        uint32_t word;
        std::vector<Stored> stored;  // every address the file covers
    };
    const std::vector<Stored> two_records = {{0xA000, 1}, {0xA001, 2},    {0xA002, 3},
                                             {0xA003, 4}, {0xA010, 0xDE}, {0xA011, 0xAD}};
    const S19Case cases[] = {
        {"two records and an end record", "S107A000010203044E\nS105A010DEADBF\nS9030000FC\n", 0,
         two_records},
        {"a blank line after the end record",
         "S107A000010203044E\nS105A010DEADBF\nS9030000FC\n\n", s19_not_a_record, two_records},
        {"wrong checksums in two lines", "S107A000010203040F\nS105A010DEAD00\n",
         s19_bad_checksum, two_records},
        {"data past FFFF wraps once and ends the record", "S107FFFE1122334451\n",
         s19_beyond_ffff | s19_bad_checksum, {{0xFFFE, 0x11}, {0xFFFF, 0x22}, {0x0000, 0x33}}},
        {"past FFFF, the fourth data pair read as a matching checksum", "S107FFFE112233955A\n",
         s19_beyond_ffff, {{0xFFFE, 0x11}, {0xFFFF, 0x22}, {0x0000, 0x33}}},
        {"bad digit in the address", "S107A0G0010203044E\nS105A010DEADBF\n", s19_bad_hex,
         {{0xA010, 0xDE}, {0xA011, 0xAD}}},
        {"bad digit in the count", "S1Z7A000010203044E\n", s19_bad_hex, {}},
        {"bad digit in the data stores 0", "S107A00001XX03044E\n", s19_bad_checksum,
         {{0xA000, 1}, {0xA001, 0}, {0xA002, 3}, {0xA003, 4}}},
        {"bad checksum digits", "S105A010DEADZZ\n", s19_bad_checksum,
         {{0xA010, 0xDE}, {0xA011, 0xAD}}},
        {"S0 and S5 skipped, lower-case s1 read", "S00600004844521B\ns105A010DEADBF\nS5030002FA\n",
         0, {{0xA010, 0xDE}, {0xA011, 0xAD}}},
        {"last line without a line feed", "S105A010DEADBF", 0, {{0xA010, 0xDE}, {0xA011, 0xAD}}},
        {"CR LF line ends", "S105A010DEADBF\r\nS9030000FC\r\n", 0,
         {{0xA010, 0xDE}, {0xA011, 0xAD}}},
        {"count below 3 carries no data", "S1020000FD\n", 0, {}},
        {"a record cut short reads zeros and fails its checksum", "S107A000\n", s19_bad_checksum,
         {{0xA000, 0}, {0xA001, 0}, {0xA002, 0}, {0xA003, 0}}},
        {"a line that is not a record", "hello\nS105A010DEADBF\n", s19_not_a_record,
         {{0xA010, 0xDE}, {0xA011, 0xAD}}},
        {"empty file", "", 0, {}},
    };
    for (const S19Case& c : cases) {
        SCOPED_TRACE(c.name);
        RomImages images;
        EXPECT_EQ(s19_parse(images, c.text), c.word);
        EXPECT_EQ(loaded_count(images), static_cast<int>(c.stored.size()));
        for (const Stored& s : c.stored) {
            EXPECT_TRUE(images.s19_loaded[s.address]) << std::hex << s.address;
            EXPECT_EQ(images.s19_image[s.address], s.value) << std::hex << s.address;
        }
    }
}

TEST(S19, LinesLongerThan255CharactersAreRejectedAlone) {
    // 122 data bytes make a record of exactly 254 characters.
    std::vector<uint8_t> data(122);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i + 1);
    const std::string longest = s1(0x1000, data);
    ASSERT_EQ(longest.size(), 254u);
    const std::string next = "S105A010DEADBF\n";

    RomImages images;
    // 254 characters and the line feed make 255: accepted, with a CR too.
    EXPECT_EQ(s19_parse(images, longest + "\n" + next), 0u);
    EXPECT_EQ(images.s19_image[0x1000 + 121], 122);
    EXPECT_EQ(s19_parse(images, longest + "\r\n" + next), 0u);
    EXPECT_EQ(images.s19_image[0x1000 + 121], 122);

    // One more character: the line is skipped whole, the next still loads.
    EXPECT_EQ(s19_parse(images, longest + "0\n" + next), s19_line_too_long);
    EXPECT_FALSE(images.s19_loaded[0x1000]);
    EXPECT_EQ(images.s19_image[0xA010], 0xDE);
    EXPECT_EQ(loaded_count(images), 2);
}

TEST(S19, MissingFileReports400AndClearsTheLastProgram) {
    ScratchDir dir;
    RomImages images;
    test::write_text(dir.file("a.s19"), "S105A010DEADBF\n");
    ASSERT_EQ(load_s19(images, dir.file("a.s19")), 0u);
    ASSERT_EQ(loaded_count(images), 2);
    EXPECT_EQ(load_s19(images, dir.file("b.s19")), s19_cannot_open);
    EXPECT_EQ(loaded_count(images), 0);
    EXPECT_EQ(load_s19(images, dir.path.string()), s19_cannot_open);  // a folder
}

TEST(S19, SurvivesAnyBytes) {
    constexpr uint32_t known_bits = s19_bad_hex | s19_bad_checksum | s19_cannot_open |
                                    s19_not_a_record | s19_beyond_ffff | s19_line_too_long;
    const std::string good = "\nS105A010DEADBF\n";
    std::mt19937 random(1234);

    // Binary junk with NUL bytes and no line feed at all, then junk built
    // from the characters the reader looks at, so records of every shape and
    // length turn up; a good record after the junk still loads.
    std::string alphabet = "Ss10123456789ABCDEFaf \r\n\n\n";
    alphabet.push_back('\0');
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        std::string junk(static_cast<size_t>(random() % 70000), '\0');
        for (char& c : junk) {
            c = round % 2 ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
        }
        RomImages images;
        const uint32_t word = s19_parse(images, junk);
        EXPECT_EQ(word & ~known_bits, 0u);
        s19_parse(images, junk + good);
        EXPECT_EQ(images.s19_image[0xA010], 0xDE);
        EXPECT_EQ(images.s19_image[0xA011], 0xAD);
    }

    // A 10 MB line from a file, alone and followed by a good record.
    ScratchDir dir;
    std::string huge(10 * 1024 * 1024, 'F');
    huge[0] = 'S';
    huge[1] = '1';
    test::write_text(dir.file("huge.s19"), huge);
    RomImages images;
    EXPECT_EQ(load_s19(images, dir.file("huge.s19")), s19_line_too_long);
    EXPECT_EQ(loaded_count(images), 0);
    test::write_text(dir.file("huge.s19"), huge + good);
    EXPECT_EQ(load_s19(images, dir.file("huge.s19")), s19_line_too_long);
    EXPECT_EQ(loaded_count(images), 2);
}

}  // namespace
}  // namespace trivo

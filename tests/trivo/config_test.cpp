#include "machine/config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "common/profile.h"
#include "fifo_guard.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using trivo::Settings;

using TempDir = test_support::ScratchFolder;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Reads a configuration given as text into a record holding the built-in values.
Settings read_text(const TempDir& dir, const std::string& text) {
    const std::string path = dir.file("trivo.ini");
    put(path, text);
    Settings s;
    trivo::config_read_all(path, s);
    return s;
}

// What reading gives when no key is present: the built-in values, except
// the three settings whose missing key reads as 0.
Settings defaults_after_reading() {
    Settings s;
    s.cpuspeedopt = 0;
    s.expandertype = 0;
    s.carttype = 0;
    return s;
}

// Every (section, key) of a profile text in file order, names as written.
std::vector<std::string> keys_in(const std::string& text) {
    std::vector<std::string> keys;
    std::string section;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[")) section = line.substr(1, line.find(']') - 1);
        else if (line.find('=') != std::string::npos)
            keys.push_back(section + "/" + line.substr(0, line.find('=')));
    }
    return keys;
}

bool fail_at_rename(const std::string& path, std::string_view contents) {
    std::ofstream(path + ".tmp", std::ios::binary) << contents;
    return false;
}

TEST(ConfigLocate, NameComesFromThePointerFileRelativeToTheStartDirectory) {
    TempDir dir;
    const fs::path start = dir.path;
    EXPECT_EQ(trivo::config_locate(start.string()), (start / "foo.ini").string());

    struct Case {
        const char* pointer;
        fs::path expected;
    };
    const Case cases[] = {
        {"[CONFIG]\nini=trivo.ini\n", start / "trivo.ini"},
        {"[config]\r\nINI = my settings.ini \r\n", start / "my settings.ini"},
        {"[CONFIG]\nini=sub/dir.ini\n", start / "sub/dir.ini"},
        {"[CONFIG]\nini=\n", start / "foo.ini"},  // an empty name is no file name
        {"[OTHER]\nini=trivo.ini\n", start / "foo.ini"},
        {"\x01\xff[CONFIG\nini", start / "foo.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pointer);
        put((start / "DI10.INI").string(), c.pointer);
        EXPECT_EQ(trivo::config_locate(start.string()), c.expected.string());
    }
    // Locating never writes the pointer file.
    EXPECT_EQ(slurp((start / "DI10.INI").string()), "\x01\xff[CONFIG\nini");
}

// A FIFO where the pointer file or the configuration file should be reads
// as a missing file, at once: reading it would wait for a writer forever.
// Nor does a writer replace it with a plain file.
TEST(ConfigLocate, FifoWhereASettingsFileShouldBeReadsAsMissing) {
    TempDir dir;
    const fs::path start = dir.path;
    test_support::FifoGuard pointer((start / "DI10.INI").string(), "[CONFIG]\nini=fed.ini\n");
    test_support::FifoGuard config((start / "foo.ini").string());
    ASSERT_TRUE(pointer.made() && config.made());

    const std::string path = trivo::config_locate(start.string());
    EXPECT_EQ(path, (start / "foo.ini").string());
    Settings s;
    trivo::config_read_all(path, s);
    EXPECT_EQ(s.cpuspeedopt, 0);  // missing key: NTSC, not the guard's custom mode
    EXPECT_EQ(s.windowscaling, Settings{}.windowscaling);
    EXPECT_FALSE(trivo::config_write_sound(path, s));
    EXPECT_FALSE(pointer.reader_waited());
    EXPECT_FALSE(config.reader_waited());
    EXPECT_TRUE(fs::is_fifo(path));
}

TEST(ConfigRead, MissingFileGivesBuiltInValuesWithThreeKeysAsZero) {
    TempDir dir;
    Settings s;
    EXPECT_EQ(s.carttype, 1);  // the built-in start value...
    trivo::config_read_all(dir.file("absent.ini"), s);
    EXPECT_EQ(s.carttype, 0);  // ...but no key means no cartridge
    EXPECT_EQ(s, defaults_after_reading());

    // No key is assigned on either keyboard.
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(s.sensible_normal[code], -1);
        EXPECT_EQ(s.sensible_shift[code], -1);
        EXPECT_EQ(s.sensible_ctrl[code], -1);
    }
    for (const std::string& text : s.emu_key_map) EXPECT_TRUE(text.empty());
    EXPECT_EQ(s.video_palette[6], (trivo::PaletteEntry{40, 224, 40}));
    EXPECT_EQ(s.video_palette[48], (trivo::PaletteEntry{160, 16, 224}));

    // An empty file and one holding the sections without keys read the same.
    EXPECT_EQ(read_text(dir, ""), defaults_after_reading());
    EXPECT_EQ(read_text(dir, "[MEMORY]\n[SPEED]\n[KEYBOARD]\n"), defaults_after_reading());
}

TEST(ConfigRead, FlagsAcceptTheWordsAndKeepTheValueOtherwise) {
    TempDir dir;
    struct Case {
        const char* value;
        int from_0;  // clickerflag... read over a built-in 0 (useartifact)
        int from_1;  // ...and over a built-in 1 (clickerflag)
    };
    const Case cases[] = {
        {"1", 1, 1},      {"on", 1, 1},      {"ON", 1, 1},    {"True", 1, 1},
        {"Yes", 1, 1},    {"y", 1, 1},       {" yes ", 1, 1}, {"0", 0, 0},
        {"off", 0, 0},    {"FALSE", 0, 0},   {"No", 0, 0},    {"N", 0, 0},
        {"maybe", 0, 1},  {"2", 0, 1},       {"", 0, 1},      {"yess", 0, 1},
        {"-1", 0, 1},     {"yes                 ", 1, 1},     // blanks are not part of the value
        {"1xxxxxxxxxxxxxxxxxxxxx", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const Settings s = read_text(dir, std::string("[VIDEO]\nuseartifact=") + c.value +
                                              "\n[SOUND]\nclickerflag=" + c.value + "\n");
        EXPECT_EQ(s.useartifact, c.from_0);
        EXPECT_EQ(s.clickerflag, c.from_1);
    }
}

TEST(ConfigRead, IntegersClampIntoTheirRanges) {
    TempDir dir;
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        int Settings::*field;
        int expected;
    };
    const Case cases[] = {
        {"VIDEO", "windowscaling", "7", &Settings::windowscaling, 3},
        {"VIDEO", "windowscaling", "0", &Settings::windowscaling, 1},
        {"VIDEO", "windowscaling", "abc", &Settings::windowscaling, 2},  // not a number: built-in
        {"SOUND", "clickervolpct", "-4", &Settings::clickervolpct, 0},
        {"SOUND", "clickervolpct", "100", &Settings::clickervolpct, 100},
        {"SOUND", "clickervolpct", "75%", &Settings::clickervolpct, 75},
        {"SPEED", "activescancust", "10", &Settings::activescancust, 24},
        {"SPEED", "activescancust", "-5000", &Settings::activescancust, 24},
        {"SPEED", "vblankcust", "-1", &Settings::vblankcust, 24},
        {"SPEED", "vblankcust", "99999999", &Settings::vblankcust, 4474500},  // five seconds
        {"SPEED", "activescancust", "4474500", &Settings::activescancust, 4474500},
        {"SPEED", "fpscust", "0", &Settings::fpscust, 1},
        {"SPEED", "fpscust", "601", &Settings::fpscust, 600},
        {"SPEED", "videoupdatesps", "-3", &Settings::videoupdatesps, 1},
        {"SPEED", "ntscmultiplierpct", "5000", &Settings::ntscmultiplierpct, 1000},
        {"SPEED", "palmultiplierpct", "0", &Settings::palmultiplierpct, 1},
        {"SPEED", "cpuspeedopt", "2", &Settings::cpuspeedopt, 2},
        {"SPEED", "cpuspeedopt", "7", &Settings::cpuspeedopt, 0},  // unknown mode: NTSC
        {"SPEED", "cpuspeedopt", "-1", &Settings::cpuspeedopt, 0},
        {"SPEED", "cpuspeedopt", "fast", &Settings::cpuspeedopt, 0},
        {"MEMORY", "carttype", "9", &Settings::carttype, 4},
        {"MEMORY", "carttype", "-2", &Settings::carttype, 0},
        {"MEMORY", "carttype", "x", &Settings::carttype, 0},
        {"MEMORY", "expandertype", "5", &Settings::expandertype, 1},
        {"FILES", "nscreenshot", "10000", &Settings::nscreenshot, 9999},
        {"FILES", "nscreenshot", "-1", &Settings::nscreenshot, 0},
        {"LOADBINARY", "bloadaddr", "70000", &Settings::bloadaddr, 65535},
        {"LOADBINARY", "bexecaddr", "-1", &Settings::bexecaddr, 0},
        {"CSAVEM", "csavstart", "99999999999999999999", &Settings::csavstart, 65535},
        {"CSAVEM", "csavend", "4096", &Settings::csavend, 4096},
        {"PRINTER", "width", "-7", &Settings::width, -7},  // no range
        {"PRINTER", "width", "", &Settings::width, 132},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        const Settings s =
            read_text(dir, std::string("[") + c.section + "]\n" + c.key + "=" + c.value + "\n");
        EXPECT_EQ(s.*c.field, c.expected);
    }
}

TEST(ConfigRead, ColoursNeedNineDigits) {
    TempDir dir;
    const auto entry5 = [&](const char* value) {
        return read_text(dir, std::string("[COLOR]\nc05=") + value + "\n").video_palette[5];
    };
    const trivo::PaletteEntry built_in = trivo::default_video_palette[5];
    EXPECT_EQ(entry5("255000000"), (trivo::PaletteEntry{255, 0, 0}));
    EXPECT_EQ(entry5("25500000"), built_in);
    EXPECT_EQ(entry5("2550000000"), built_in);
    EXPECT_EQ(entry5("999000000"), (trivo::PaletteEntry{231, 0, 0}));
    EXPECT_EQ(entry5("001002003"), (trivo::PaletteEntry{1, 2, 3}));
    EXPECT_EQ(entry5("25a000000"), built_in);
    EXPECT_EQ(entry5("-55000000"), built_in);

    // Keys are lower-case hexadecimal up to c30 (entry 48), read in any case;
    // c31 is no palette entry.
    const Settings s = read_text(dir, "[color]\nC2A=010020030\nc30=000000255\nc31=255255255\n");
    EXPECT_EQ(s.video_palette[0x2A], (trivo::PaletteEntry{10, 20, 30}));
    EXPECT_EQ(s.video_palette[48], (trivo::PaletteEntry{0, 0, 255}));
    for (int i = 0; i < trivo::palette_entries; ++i) {
        if (i != 0x2A && i != 48) {
            EXPECT_EQ(s.video_palette[i], trivo::default_video_palette[i]);
        }
    }
}

TEST(ConfigRead, KeyboardEntries) {
    TempDir dir;
    const Settings s = read_text(dir,
                                 "[KEYBOARD]\n"
                                 "n41=4\n"        // A: APF key 4
                                 "s41=260\n"      // Shift+A: key 4 with SHIFT
                                 "c41=516\n"      // Ctrl+A: key 4 with CTRL
                                 "N0D=42\n"       // key names in any case
                                 "nff=863\n"      // key 95 with SHIFT and CTRL
                                 "n30=-1\n"
                                 "n31=96\n"       // beyond the APF key numbers
                                 "n32=1024\n"     // unknown bit
                                 "n33=-2\n"
                                 "n34=abc\n"
                                 "n35=127\n"
                                 "[EMUKEYBOARD]\n"
                                 "K2A=0D\n"
                                 "k05=JL41\n"
                                 "K7F=" + std::string(40, 'A') + "\n"
                                 "K80=0D\n");      // no APF key 0x80
    EXPECT_EQ(s.sensible_normal[0x41], 4);
    EXPECT_EQ(s.sensible_shift[0x41], 4 + 256);
    EXPECT_EQ(s.sensible_ctrl[0x41], 4 + 512);
    EXPECT_EQ(s.sensible_normal[0x0D], 42);
    EXPECT_EQ(s.sensible_normal[0xFF], 95 + 256 + 512);
    for (int code = 0x30; code <= 0x35; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(s.sensible_normal[code], -1);
    }
    EXPECT_EQ(s.emu_key_map[0x2A], "0D");
    EXPECT_EQ(s.emu_key_map[0x05], "JL41");
    EXPECT_EQ(s.emu_key_map[0x7F], std::string(30, 'A'));  // the first 15 tokens
    EXPECT_EQ(s.emu_key_map[0x00], "");
}

TEST(ConfigRead, TextsAreCutAt255Characters) {
    TempDir dir;
    const std::string long_name(300, 'f');
    const Settings s = read_text(dir, "[FILES]\ncassette=" + long_name +
                                          "\nscript=\n[memory]\nromfilename= my rom.bin \n");
    EXPECT_EQ(s.cassette, long_name.substr(0, 255));
    EXPECT_EQ(s.script, "");
    EXPECT_EQ(s.ROMfilename, "my rom.bin");
    EXPECT_EQ(s.quicktype, "grfun.txt");
}

TEST(ConfigRead, MalformedFilesGiveDefaults) {
    TempDir dir;
    std::mt19937 random(99);
    std::string junk(100000, '\0');
    for (char& c : junk) c = static_cast<char>(random() % 200 + 56);  // no '[' nor '=' nor NL
    const std::string cases[] = {
        junk,
        "cpuspeedopt=3\nwindowscaling=1\n",  // keys without a section
        "[SPEED]\ncpuspeedopt 3\nwindowscaling\n" + std::string(1 << 20, 'x') + "\n",
        std::string("\0\0\0\xff\xfe[\0]", 8),
    };
    for (const std::string& text : cases) EXPECT_EQ(read_text(dir, text), defaults_after_reading());

    // A folder where the file should be reads as no file.
    const std::string folder = dir.file("folder.ini");
    fs::create_directory(folder);
    Settings s;
    trivo::config_read_all(folder, s);
    EXPECT_EQ(s, defaults_after_reading());
}

// A record with every setting away from its built-in value, in range.
Settings everything_changed() {
    Settings s;
    s.enhancedflag = 1;
    s.expandertype = 1;
    s.writeROMflag = 1;
    s.usebuiltinromflag = 0;
    s.usebuiltincharflag = 0;
    s.usebuiltincharxflag = 0;
    s.ROMfilename = "roms/os.bin";
    s.CHARfilename = "chars.bin";
    s.CHARXfilename = "chars x.bin";
    s.carttype = 4;
    s.enableromhacksflag = 0;
    s.BASICfilename = "b.bin";
    s.GAMEfilename = "g.bin";
    s.S19filename = "p.s19";
    s.printnulls = 1;
    s.autolinefeedflag = 0;
    s.fixedwidthflag = 1;
    s.width = 40;
    s.filename = "out.txt";
    s.emulatedflag = 1;
    s.qtuselowerflag = 0;
    s.joykeyenable = 0;
    for (int code = 0; code < 256; ++code) {
        s.sensible_normal[code] = code % 96;
        s.sensible_shift[code] = code % 3 == 0 ? -1 : code % 96 + 256;
        s.sensible_ctrl[code] = code % 96 + 768;
    }
    for (int n = 0; n < 128; ++n) s.emu_key_map[n] = n % 2 ? "0DJL41" : "";
    s.emu_key_map[0x7F] = std::string(30, 'B');
    s.windowscaling = 3;
    s.useartifact = 1;
    for (int i = 0; i < trivo::palette_entries; ++i) {
        s.video_palette[i] = trivo::PaletteEntry{
            static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 5)};
    }
    s.clickerflag = 0;
    s.clickervolpct = 0;
    s.cassette = "a.c10";
    s.quicktype = "q.txt";
    s.cassettewr = "w.cpf";
    s.lst1 = "l.lst";
    s.script = "s.txt";
    s.nscreenshot = 9999;
    s.execaddrishex = 0;
    s.loadaddrishex = 0;
    s.pokeexecaddr = 1;
    s.bloadaddr = 0;
    s.bexecaddr = 65535;
    s.bloadfilename = "x.bin";
    s.csavstartishex = 0;
    s.csavendishex = 0;
    s.csavstart = 1;
    s.csavend = 2;
    s.csavfilename = "y.c10";
    s.cpuspeedopt = 2;
    s.ntscmultiplierpct = 1000;
    s.palmultiplierpct = 1;
    s.activescancust = 24;
    s.vblankcust = 100000;
    s.fpscust = 600;
    s.usevideoupdatepsflag = 1;
    s.videoupdatesps = 1;
    s.speedupfilesflag = 0;
    return s;
}

using Writer = std::function<bool(const std::string&, const Settings&, trivo::ProfileReplace)>;

Writer file_choice(trivo::FilesKey key) {
    return [key](const std::string& path, const Settings& s, trivo::ProfileReplace replace) {
        return trivo::config_write_file_choice(path, s, key, replace);
    };
}

std::vector<Writer> all_writers() {
    std::vector<Writer> writers = {
        trivo::config_write_memory,      trivo::config_write_cartridge,
        trivo::config_write_printer,     trivo::config_write_sound,
        trivo::config_write_speed,       trivo::config_write_video,
        trivo::config_write_sensible_keyboard, trivo::config_write_emulated_keyboard,
        trivo::config_write_load_binary, trivo::config_write_csavem,
        trivo::config_write_screenshot_counter,
    };
    for (trivo::FilesKey key : {trivo::FilesKey::cassette, trivo::FilesKey::cassettewr,
                                trivo::FilesKey::quicktype, trivo::FilesKey::lst1,
                                trivo::FilesKey::script})
        writers.push_back(file_choice(key));
    return writers;
}

TEST(ConfigWrite, EveryWriterTogetherRoundTripsTheWholeRecord) {
    TempDir dir;
    const std::string path = dir.file("trivo.ini");
    const Settings written = everything_changed();
    ASSERT_NE(written, defaults_after_reading());
    for (const Writer& write : all_writers())
        ASSERT_TRUE(write(path, written, common::write_file_atomic));
    Settings read;
    trivo::config_read_all(path, read);
    EXPECT_EQ(read, written);

    // Written again over itself, the file does not change.
    const std::string text = slurp(path);
    for (const Writer& write : all_writers())
        ASSERT_TRUE(write(path, read, common::write_file_atomic));
    EXPECT_EQ(slurp(path), text);
}

// A carriage return that ends no line belongs to the value read; the writers
// once cut texts there, so saving lost the rest of a setting.
TEST(ConfigWrite, TextsHoldingACarriageReturnReadBackAfterWriting) {
    TempDir dir;
    const std::string path = dir.file("trivo.ini");
    put(path, "[FILES]\ncassette=side\rA.c10\n[EMUKEYBOARD]\nK05=41\r42\n[MEMORY]\nS19filename=\r\rufo.S19\n");
    Settings first;
    trivo::config_read_all(path, first);
    ASSERT_EQ(first.cassette, "side\rA.c10");
    for (const Writer& write : all_writers())
        ASSERT_TRUE(write(path, first, common::write_file_atomic));
    Settings again;
    trivo::config_read_all(path, again);
    EXPECT_EQ(again, first);
    EXPECT_EQ(again.emu_key_map[5], "41\r42");
    EXPECT_EQ(again.S19filename, "ufo.S19");
}

// A text cut to its longest length that ends in blanks there loses them
// when read, as saving and reading it again would.
TEST(ConfigWrite, TextsCutAtABlankReadBackAfterWriting) {
    TempDir dir;
    const std::string path = dir.file("trivo.ini");
    put(path, "[FILES]\ncassette=" + std::string(254, 'c') + " tail\n[EMUKEYBOARD]\nK00=" +
                  std::string(29, '4') + "\t7890" + std::string(10, '1') + "\n");
    Settings first;
    trivo::config_read_all(path, first);
    EXPECT_EQ(first.cassette, std::string(254, 'c'));
    EXPECT_EQ(first.emu_key_map[0], std::string(29, '4'));
    for (const Writer& write : all_writers())
        ASSERT_TRUE(write(path, first, common::write_file_atomic));
    Settings again;
    trivo::config_read_all(path, again);
    EXPECT_EQ(again, first);
}

TEST(ConfigWrite, EachWriterWritesExactlyItsKeys) {
    struct Case {
        const char* name;
        Writer write;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {"memory", trivo::config_write_memory,
         {"MEMORY/enhancedflag", "MEMORY/expandertype", "MEMORY/writeROMflag", "MEMORY/ROMfilename",
          "MEMORY/CHARfilename", "MEMORY/CHARXfilename", "MEMORY/usebuiltinromflag",
          "MEMORY/usebuiltincharflag", "MEMORY/usebuiltincharxflag"}},
        {"cartridge", trivo::config_write_cartridge,
         {"MEMORY/carttype", "MEMORY/enableromhacksflag", "MEMORY/BASICfilename",
          "MEMORY/GAMEfilename", "MEMORY/S19filename"}},
        {"printer", trivo::config_write_printer,
         {"PRINTER/printnulls", "PRINTER/autolinefeedflag", "PRINTER/fixedwidthflag",
          "PRINTER/width", "PRINTER/filename"}},
        {"sound", trivo::config_write_sound, {"SOUND/clickerflag", "SOUND/clickervolpct"}},
        {"speed", trivo::config_write_speed,
         {"SPEED/cpuspeedopt", "SPEED/ntscmultiplierpct", "SPEED/palmultiplierpct",
          "SPEED/activescancust", "SPEED/vblankcust", "SPEED/fpscust",
          "SPEED/usevideoupdatepsflag", "SPEED/videoupdatesps", "SPEED/speedupfilesflag"}},
        {"load binary", trivo::config_write_load_binary,
         {"LOADBINARY/execaddrishex", "LOADBINARY/loadaddrishex", "LOADBINARY/pokeexecaddr",
          "LOADBINARY/bloadaddr", "LOADBINARY/bexecaddr", "LOADBINARY/bloadfilename"}},
        {"csavem", trivo::config_write_csavem,
         {"CSAVEM/csavstartishex", "CSAVEM/csavendishex", "CSAVEM/csavstart", "CSAVEM/csavend",
          "CSAVEM/csavfilename"}},
        {"cassette", file_choice(trivo::FilesKey::cassette), {"FILES/cassette"}},
        {"cassettewr", file_choice(trivo::FilesKey::cassettewr), {"FILES/cassettewr"}},
        {"quicktype", file_choice(trivo::FilesKey::quicktype), {"FILES/quicktype"}},
        {"lst1", file_choice(trivo::FilesKey::lst1), {"FILES/lst1"}},
        {"script", file_choice(trivo::FilesKey::script), {"FILES/script"}},
        {"screenshot", trivo::config_write_screenshot_counter, {"FILES/nscreenshot"}},
    };
    TempDir dir;
    const Settings s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("one.ini");
        fs::remove(path);
        ASSERT_TRUE(c.write(path, s, common::write_file_atomic));
        EXPECT_EQ(keys_in(slurp(path)), c.keys);
    }

    // Values as the built-in record holds them: flags 1/0, numbers in decimal,
    // texts as stored.
    const std::string path = dir.file("values.ini");
    ASSERT_TRUE(trivo::config_write_load_binary(path, s));
    EXPECT_EQ(slurp(path),
              "[LOADBINARY]\nexecaddrishex=1\nloadaddrishex=1\npokeexecaddr=0\n"
              "bloadaddr=45056\nbexecaddr=45056\nbloadfilename=pinball.bin\n");
}

TEST(ConfigWrite, VideoAndKeyboardGroups) {
    TempDir dir;
    Settings s;
    s.video_palette[5] = trivo::PaletteEntry{255, 0, 7};
    s.sensible_shift[0x41] = 4 + 256;

    const std::string video = dir.file("video.ini");
    ASSERT_TRUE(trivo::config_write_video(video, s));
    std::vector<std::string> expected = {"VIDEO/windowscaling", "VIDEO/useartifact"};
    for (int i = 0; i < 49; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "COLOR/c%02x", i);
        expected.push_back(key);
    }
    EXPECT_EQ(keys_in(slurp(video)), expected);
    EXPECT_NE(slurp(video).find("\nc05=255000007\n"), std::string::npos);
    EXPECT_NE(slurp(video).find("\nc30=160016224\n"), std::string::npos);

    // The sensible keyboard: the two flags and 768 entries, -1 when unassigned.
    const std::string sensible = dir.file("sensible.ini");
    ASSERT_TRUE(trivo::config_write_sensible_keyboard(sensible, s));
    const std::string text = slurp(sensible);
    const std::vector<std::string> keys = keys_in(text);
    ASSERT_EQ(keys.size(), 2u + 768u);
    EXPECT_EQ(keys[0], "KEYBOARD/emulatedflag");
    EXPECT_EQ(keys[1], "KEYBOARD/qtuselowerflag");
    EXPECT_EQ(keys[2], "KEYBOARD/n00");
    EXPECT_EQ(keys[2 + 255], "KEYBOARD/nff");
    EXPECT_EQ(keys[2 + 256 + 0x41], "KEYBOARD/s41");
    EXPECT_EQ(keys[2 + 512 + 0xff], "KEYBOARD/cff");
    EXPECT_NE(text.find("\ns41=260\n"), std::string::npos);
    EXPECT_NE(text.find("\nn41=-1\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 2 + 768);

    // The emulated keyboard: its two flags and the 128 texts, upper-case names.
    const std::string emulated = dir.file("emulated.ini");
    s.emu_key_map[0x2A] = "0DJL";
    ASSERT_TRUE(trivo::config_write_emulated_keyboard(emulated, s));
    const std::vector<std::string> emu_keys = keys_in(slurp(emulated));
    ASSERT_EQ(emu_keys.size(), 2u + 128u);
    EXPECT_EQ(emu_keys[0], "KEYBOARD/emulatedflag");
    EXPECT_EQ(emu_keys[1], "KEYBOARD/joykeyenable");
    EXPECT_EQ(emu_keys[2], "EMUKEYBOARD/K00");
    EXPECT_EQ(emu_keys[2 + 0x7F], "EMUKEYBOARD/K7F");
    EXPECT_NE(slurp(emulated).find("\nK2A=0DJL\n"), std::string::npos);
}

// A hand-kept file with sections of its own, comments and blank lines.
const std::string kept_file =
    "; my trivo settings\r\n"
    "[Sound]\r\n"
    "clickerflag = 1   ; loud\r\n"
    "\r\n"
    "; timing below\r\n"
    "[SPEED]\r\n"
    "cpuspeedopt=1\r\n"
    "[MyTool]\r\n"
    "colour=blue\r\n"
    "  ; indented comment\r\n"
    "\r\n";

TEST(ConfigWrite, OtherSectionsAndCommentsSurviveUntouched) {
    TempDir dir;
    const std::string path = dir.file("kept.ini");
    put(path, kept_file);
    Settings s;
    s.clickerflag = 0;
    s.clickervolpct = 30;
    ASSERT_TRUE(trivo::config_write_sound(path, s));
    EXPECT_EQ(slurp(path),
              "; my trivo settings\r\n"
              "[Sound]\r\n"
              "clickerflag = 0\r\n"
              "clickervolpct=30\r\n"
              "\r\n"
              "; timing below\r\n"
              "[SPEED]\r\n"
              "cpuspeedopt=1\r\n"
              "[MyTool]\r\n"
              "colour=blue\r\n"
              "  ; indented comment\r\n"
              "\r\n");

    // A writer of a section the file lacks adds it at the end.
    ASSERT_TRUE(trivo::config_write_file_choice(path, s, trivo::FilesKey::script));
    const std::string text = slurp(path);
    EXPECT_TRUE(text.ends_with("  ; indented comment\r\n\r\n[FILES]\r\nscript=demo.txt\r\n"));
    Settings read;
    trivo::config_read_all(path, read);
    EXPECT_EQ(read.cpuspeedopt, 1);
    EXPECT_EQ(read.clickervolpct, 30);
}

TEST(ConfigWrite, InterruptedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.file("kept.ini");
    put(path, kept_file);
    const Settings s = everything_changed();
    for (const Writer& write : all_writers()) {
        EXPECT_FALSE(write(path, s, fail_at_rename));
        EXPECT_EQ(slurp(path), kept_file);
        EXPECT_TRUE(fs::exists(path + ".tmp"));
        fs::remove(path + ".tmp");
    }

    // A configuration file that cannot be read (here: far too large) is not
    // replaced by one holding only the keys of a writer.
    const std::string huge = dir.file("huge.ini");
    put(huge, kept_file);
    fs::resize_file(huge, common::profile_max_size + 1);
    for (const Writer& write : all_writers())
        EXPECT_FALSE(write(huge, s, common::write_file_atomic));
    EXPECT_EQ(fs::file_size(huge), common::profile_max_size + 1);
    EXPECT_EQ(slurp(huge).substr(0, kept_file.size()), kept_file);
}

}  // namespace

// trivo --headless end to end: start-up with the default configuration, our
// system ROM's title screen in the screenshot, the option errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless.h"
#include "machine/builtin_images.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

namespace fs = std::filesystem;

// Runs in a scratch folder as the current directory, so DI10.INI, foo.ini
// and relative outputs are the test's own.
struct ScratchFolder : test_support::ScratchFolder {
    fs::path previous = fs::current_path();
    ScratchFolder() { fs::current_path(path); }
    ~ScratchFolder() { fs::current_path(previous); }
};

std::vector<uint8_t> read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The glyphs as drawn in the firmware's text art: "glyph $HH NAME" then 12
// rows of '#' (glyph pixel) and '.'.
std::map<int, std::vector<std::string>> glyph_art() {
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
    return glyphs;
}

HeadlessOptions parse_ok(const std::vector<std::string>& args) {
    auto parsed = headless_parse(args);
    EXPECT_TRUE(std::holds_alternative<HeadlessOptions>(parsed));
    return std::get<HeadlessOptions>(parsed);
}

TEST(Headless, BootsTheSystemRomAndShowsTheTitle) {
    ScratchFolder folder;
    auto options = parse_ok({"--frames", "120", "--screenshot", "title.bmp", "--ram-dump",
                             "ram.bin", "--speed"});
    std::ostringstream out, err;
    ASSERT_EQ(headless_run(options, builtin_images(), out, err), 0) << err.str();
    EXPECT_NE(out.str().find("frames 120,"), std::string::npos) << out.str();

    const auto ram = read_bytes("ram.bin");
    ASSERT_EQ(ram.size(), 65536u);
    const auto bmp = read_bytes("title.bmp");
    ASSERT_EQ(bmp.size(), 61558u);

    // The title is on text row 0 in inverse video: ASCII 0x20-0x5F written
    // as its 6-bit glyph code, glyph pixels in palette entry 9 on entry 8.
    const std::string title = "SYSTEM ROM 1.0";
    const auto glyphs = glyph_art();
    ASSERT_EQ(glyphs.size(), 64u);
    for (size_t c = 0; c < title.size(); ++c) {
        const int code = title[c] & 0x3F;
        EXPECT_EQ(ram[0x0200 + 1 + c], code) << "cell " << c + 1;
        const auto& art = glyphs.at(code);
        for (int row = 0; row < 12; ++row) {
            for (int px = 0; px < 8; ++px) {
                const int x = 12 + 8 * static_cast<int>(c + 1) + px;
                const int y = 12 + row;
                const uint8_t expected = art[row][px] == '#' ? 9 : 8;
                // BMP rows run bottom up after the 1078-byte headers.
                ASSERT_EQ(bmp[1078 + (215 - y) * 280 + x], expected)
                    << "'" << title[c] << "' row " << row << " pixel " << px;
            }
        }
    }
    // The text-mode border is palette entry 4.
    EXPECT_EQ(bmp[1078 + 215 * 280], 4);
}

TEST(Headless, PngScreenshotAndEmulatedSeconds) {
    ScratchFolder folder;
    auto options = parse_ok({"--seconds", "0.5", "--screenshot", "shot.PNG", "--speed"});
    std::ostringstream out, err;
    ASSERT_EQ(headless_run(options, builtin_images(), out, err), 0) << err.str();
    EXPECT_NE(out.str().find("frames 30,"), std::string::npos) << out.str();
    const auto png = read_bytes("shot.PNG");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
}

TEST(Headless, ConfigurationNamedByDi10Ini) {
    ScratchFolder folder;
    std::ofstream("DI10.INI") << "[CONFIG]\nini=mine.ini\n";
    // The enhanced layout makes 0400-1FFF RAM of its own instead of an image.
    std::ofstream("mine.ini") << "[MEMORY]\nenhancedflag=1\n";
    auto options = parse_ok({"--frames", "2", "--ram-dump", "ram.bin"});
    std::ostringstream out, err;
    ASSERT_EQ(headless_run(options, builtin_images(), out, err), 0) << err.str();
    const auto ram = read_bytes("ram.bin");
    ASSERT_EQ(ram.size(), 65536u);
    // The title row was written at 0200; its image at 0600 stays clear.
    EXPECT_NE(ram[0x0201], 0);
    EXPECT_EQ(ram[0x0601], 0);
}

// A cartridge that waits in WAI for good: the processor's clock stands
// still, yet the run ends after the frames asked for.
TEST(Headless, EndsWhileTheProgramWaitsInWai) {
    const struct {
        const char* name;
        std::vector<uint8_t> cartridge;  // $BB signature, then code from $8001
        uint16_t after_wai;              // the return address WAI stacks
    } cases[] = {
        {"SEI; WAI", {0xBB, 0x0F, 0x3E, 0x20, 0xFD}, 0x8003},  // sei; wai; bra wai
        {"CLI; WAI with the field-sync interrupt off",
         {0xBB, 0x86, 0x04, 0xB7, 0x20, 0x03,  // ldaa #$04; staa $2003: CRB IRQ off
          0xB6, 0x20, 0x02,                    // ldaa $2002: release a pending IRQ
          0x0E, 0x3E, 0x20, 0xFD},             // cli; wai; bra wai
         0x800B},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        std::ofstream("wait.rom", std::ios::binary)
            .write(reinterpret_cast<const char*>(c.cartridge.data()),
                   static_cast<std::streamsize>(c.cartridge.size()));
        std::ofstream("foo.ini") << "[MEMORY]\ncarttype=3\nGAMEfilename=wait.rom\n";
        for (const auto& args :
             {std::vector<std::string>{"--frames", "30", "--speed", "--ram-dump", "ram.bin"},
              std::vector<std::string>{"--seconds", "1", "--speed", "--ram-dump", "ram.bin"}}) {
            std::ostringstream out, err;
            ASSERT_EQ(headless_run(parse_ok(args), builtin_images(), out, err), 0) << err.str();
            EXPECT_NE(out.str().find(args[0] == "--frames" ? "frames 30," : "frames 60,"),
                      std::string::npos)
                << out.str();
            // The start-up stack is at $01FF: WAI stacked pc there, low byte first.
            const auto ram = read_bytes("ram.bin");
            ASSERT_EQ(ram.size(), 65536u);
            EXPECT_EQ(ram[0x01FE] << 8 | ram[0x01FF], c.after_wai);
        }
    }
}

TEST(Headless, BadOptionsAndUnreadableFiles) {
    struct BadCase {
        std::vector<std::string> args;
        const char* error;
    };
    const BadCase bad[] = {
        {{"--frames"}, "--frames needs"},
        {{"--frames", "-3"}, "--frames needs"},
        {{"--frames", "12x"}, "--frames needs"},
        {{"--seconds", "nan"}, "--seconds needs"},
        {{"--config"}, "--config needs"},
        {{"--screenshot", ""}, "--screenshot needs"},
        {{"--tape"}, "--tape needs"},
        {{"--colour"}, "unknown option '--colour'"},
    };
    for (const BadCase& c : bad) {
        auto parsed = headless_parse(c.args);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.args[0];
        EXPECT_NE(std::get<std::string>(parsed).find(c.error), std::string::npos)
            << std::get<std::string>(parsed);
    }

    ScratchFolder folder;
    const struct {
        std::vector<std::string> args;
        const char* message;
    } failing[] = {
        {{"--config", "absent.ini"}, "cannot read configuration file absent.ini"},
        {{"--tape", "absent.cpf"}, "cannot read cassette file absent.cpf"},
        {{"--frames", "1", "--screenshot", "no/such/folder/x.bmp"}, "cannot write screenshot"},
        {{"--frames", "1", "--ram-dump", "no/such/folder/ram.bin"}, "cannot write RAM dump"},
    };
    for (const auto& c : failing) {
        std::ostringstream out, err;
        EXPECT_EQ(headless_run(parse_ok(c.args), builtin_images(), out, err), 1);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    }
}

}  // namespace
}  // namespace trivo

// Each board's monitor end to end through the headless runner: power on, key
// in an address, enter a small program byte by byte, run it, and look at the
// result on the LEDs and in memory. The expected LED pictures are made from
// the monitor's display rules and the board's LED layout.
#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless.h"
#include "common/file_util.h"
#include "mirla_fixture.h"
#include "scratch_folder.h"

namespace {

using namespace mirla;

// Reads the PNG files our writer makes: palette pictures whose image data is
// a zlib stream of stored blocks. Gives each pixel's colour.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::array<uint8_t, 3>> palette;
    std::vector<uint8_t> pixels;
    std::array<uint8_t, 3> at(int x, int y) const { return palette[pixels[static_cast<size_t>(y) * width + x]]; }
};

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

Picture read_png(const std::string& path) {
    Picture pic;
    const auto file = common::read_file(path, 1 << 24);
    EXPECT_TRUE(file);
    if (!file) return pic;
    const std::vector<uint8_t>& f = *file;
    std::vector<uint8_t> zlib;
    for (size_t at = 8; at + 12 <= f.size();) {
        const uint32_t length = be32(&f[at]);
        const std::string type(f.begin() + at + 4, f.begin() + at + 8);
        const uint8_t* data = &f[at + 8];
        if (type == "IHDR") {
            pic.width = static_cast<int>(be32(data));
            pic.height = static_cast<int>(be32(data + 4));
        } else if (type == "PLTE") {
            for (uint32_t i = 0; i + 2 < length; i += 3) pic.palette.push_back({data[i], data[i + 1], data[i + 2]});
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data, data + length);
        }
        at += 12 + length;
    }
    std::vector<uint8_t> raw;
    for (size_t at = 2; at + 5 <= zlib.size();) {  // stored blocks after the 2-byte header
        const bool last = zlib[at] & 1;
        const size_t len = zlib[at + 1] | zlib[at + 2] << 8;
        raw.insert(raw.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + len);
        at += 5 + len;
        if (last) break;
    }
    for (int y = 0; y < pic.height; ++y) {
        const size_t row = static_cast<size_t>(y) * (pic.width + 1);
        pic.pixels.insert(pic.pixels.end(), raw.begin() + row + 1, raw.begin() + row + 1 + pic.width);
    }
    return pic;
}

constexpr std::array<uint8_t, 3> lit = {255, 32, 32};
constexpr std::array<uint8_t, 3> unlit = {64, 24, 24};

// Hex digits on seven segments: bit 0 a (top), 1 b (top right), 2 c (bottom
// right), 3 d (bottom), 4 e (bottom left), 5 f (top left), 6 g (middle).
constexpr uint8_t seven_segment[16] = {
    0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110, 0b1101101, 0b1111101, 0b0000111,
    0b1111111, 0b1101111, 0b1110111, 0b1111100, 0b0111001, 0b1011110, 0b1111001, 0b1110001,
};
constexpr int centre[8][2] = {{14, 6}, {22, 15}, {22, 33}, {14, 42}, {6, 33}, {6, 15}, {14, 24}, {27, 43}};

// The monitor's digit picture: cells 0-3 the address, 5-6 the byte, the
// point of cell 6 in data entry.
std::vector<uint8_t> digit_picture(int cells, uint16_t address, uint8_t byte) {
    std::vector<uint8_t> p(cells, 0);
    for (int i = 0; i < 4; ++i) p[i] = seven_segment[(address >> (12 - 4 * i)) & 0xF];
    p[5] = seven_segment[byte >> 4];
    p[6] = static_cast<uint8_t>(seven_segment[byte & 0xF] | 0x80);
    return p;
}

void expect_digits(const Picture& pic, const std::vector<uint8_t>& cells) {
    ASSERT_EQ(pic.width, 8 + 31 * static_cast<int>(cells.size()));
    for (size_t k = 0; k < cells.size(); ++k)
        for (int s = 0; s < 8; ++s)
            EXPECT_EQ(pic.at(4 + 31 * static_cast<int>(k) + centre[s][0], 4 + centre[s][1]),
                      (cells[k] >> s) & 1 ? lit : unlit)
                << "cell " << k << " segment " << s;
}

// The "Vendel-I" picture: rows 0-1 the address, row 3 the byte, row 6
// columns 6-7 for data entry (0-1 for address entry); bit 7 in column 0.
void expect_matrix(const Picture& pic, const std::array<uint8_t, 8>& rows) {
    ASSERT_EQ(pic.width, 136);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(pic.at(4 + 16 * c + 7, 4 + 16 * r + 7), (rows[r] << c) & 0x80 ? lit : unlit)
                << "row " << r << " column " << c;
}

struct Board {
    const char* machine;
    const char* ad;
    const char* nx;
    const char* go;
};

// Types keys one after another from frame `start`: each held 3 frames, then
// 3 frames up. Returns the frame after the last.
int64_t type(HeadlessOptions& o, int64_t start, const std::vector<std::string>& keys) {
    for (const std::string& k : keys) {
        o.keys.push_back({start, 3, k});
        start += 6;
    }
    return start;
}

HeadlessOptions options_for(const Board& b, const test_support::ScratchFolder& folder) {
    HeadlessOptions o;
    o.machine = b.machine;
    o.folders = {MIRLA_PROGRAM_DIR};
    o.screenshot = folder.file("leds.png");
    o.memory_dump = folder.file("memory.bin");
    return o;
}

int run(const HeadlessOptions& o, std::string& errors) {
    std::ostringstream out, err;
    const int status = headless_run(o, out, err);
    errors = err.str();
    return status;
}

class MirlaMonitor : public ::testing::TestWithParam<Board> {};

// The program keyed in at 0040:  ldaa #$5A; staa $60; jmp $F803 (back to
// the monitor). Then the address 0060 is keyed in to show what it stored.
TEST_P(MirlaMonitor, KeyInAProgramRunItAndSeeItsResult) {
    const Board& b = GetParam();
    test_support::ScratchFolder folder;
    HeadlessOptions o = options_for(b, folder);
    int64_t frame = type(o, 10, {b.ad, "0", "0", "4", "0", b.nx});
    frame = type(o, frame, {"8", "6", b.nx, "5", "A", b.nx, "9", "7", b.nx, "6", "0", b.nx,
                            "7", "E", b.nx, "F", "8", b.nx, "0", "3"});
    frame = type(o, frame, {b.ad, "0", "0", "4", "0", b.go});
    frame = type(o, frame, {b.ad, "0", "0", "6", "0", b.nx});
    o.frames = frame + 30;  // the old picture's afterglow has gone
    std::string errors;
    ASSERT_EQ(run(o, errors), 0) << errors;
    EXPECT_EQ(errors, "");

    const auto memory = common::read_file(o.memory_dump, 65536);
    ASSERT_TRUE(memory && memory->size() == 65536u);
    const std::vector<uint8_t> program = {0x86, 0x5A, 0x97, 0x60, 0x7E, 0xF8, 0x03};
    EXPECT_EQ(std::vector<uint8_t>(memory->begin() + 0x40, memory->begin() + 0x47), program);
    EXPECT_EQ((*memory)[0x60], 0x5A) << "the program ran";

    const Picture pic = read_png(o.screenshot);
    if (std::string(b.machine) == "Vendel1") {
        expect_matrix(pic, {0x00, 0x60, 0x00, 0x5A, 0x00, 0x00, 0x03, 0x00});
    } else {
        expect_digits(pic, digit_picture(std::string(b.machine) == "QLumen1" ? 10 : 16, 0x0060, 0x5A));
    }
}

// Stepping back and forth in data entry, and address entry's mark.
TEST_P(MirlaMonitor, StepsThroughMemory) {
    const Board& b = GetParam();
    test_support::ScratchFolder folder;
    HeadlessOptions o = options_for(b, folder);
    const std::string pr = std::string(b.machine) == "Vendel1" ? "sh" : "PR";
    // 0041 gets 12, 0042 gets 34; back at 0041; then address entry of 004.
    int64_t frame = type(o, 10, {b.ad, "4", "1", b.nx, "1", "2", b.nx, "3", "4", pr, b.ad, "4"});
    o.frames = frame + 30;
    std::string errors;
    ASSERT_EQ(run(o, errors), 0) << errors;
    const auto memory = common::read_file(o.memory_dump, 65536);
    ASSERT_TRUE(memory);
    EXPECT_EQ((*memory)[0x41], 0x12);
    EXPECT_EQ((*memory)[0x42], 0x34);
    const Picture pic = read_png(o.screenshot);
    // Address entry shows 0004 and the byte there, with the mark of address
    // entry: columns 0-1 of row 6, or the point of cell 3.
    const uint8_t at_0004 = (*memory)[0x04];
    if (std::string(b.machine) == "Vendel1") {
        expect_matrix(pic, {0x00, 0x04, 0x00, at_0004, 0x00, 0x00, 0xC0, 0x00});
    } else {
        auto cells = digit_picture(std::string(b.machine) == "QLumen1" ? 10 : 16, 0x0004, at_0004);
        cells[6] &= 0x7F;
        cells[3] |= 0x80;
        expect_digits(pic, cells);
    }
}

INSTANTIATE_TEST_SUITE_P(Boards, MirlaMonitor,
                         ::testing::Values(Board{"Vendel1", "S", "N", "rp"}, Board{"QLumen1", "AD", "NX", "GO"},
                                           Board{"QLumen2", "AD", "NX", "GO"}),
                         [](const auto& info) { return std::string(info.param.machine); });

TEST(MirlaMonitorVendel, ShowsACrossUntilTheFirstKey) {
    test_support::ScratchFolder folder;
    HeadlessOptions o = options_for({"Vendel1", "S", "N", "rp"}, folder);
    o.frames = 20;
    std::string errors;
    ASSERT_EQ(run(o, errors), 0) << errors;
    // The LEDs with column = row or column = 7 - row.
    expect_matrix(read_png(o.screenshot), {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81});
}

TEST(MirlaHeadless, MissingMonitorAndBadOptionsFail) {
    test_support::ScratchFolder folder;
    HeadlessOptions o;
    o.machine = "QLumen1";
    o.folders = {folder.path};
    std::string errors;
    EXPECT_EQ(run(o, errors), 1);
    EXPECT_NE(errors.find("QLumen1.s19"), std::string::npos) << errors;

    o.folders = {MIRLA_PROGRAM_DIR};
    o.keys = {{0, 3, "Q"}};  // no such key on the board
    EXPECT_EQ(run(o, errors), 2);

    struct Case {
        std::vector<std::string> args;
    };
    const Case bad[] = {
        {{}}, {{"--frames"}}, {{"APF", "--frames", "x"}}, {{"APF", "--key", "5"}},
        {{"APF", "--screenshot", "a.bmp"}}, {{"APF", "--scale", "3"}}, {{"APF", "--bogus"}},
    };
    for (const Case& c : bad) EXPECT_TRUE(std::holds_alternative<std::string>(headless_parse(c.args)));
    const auto ok = headless_parse({"APF", "--key", "12:::4", "--key", "3:En", "--seconds", "1.5"});
    ASSERT_TRUE(std::holds_alternative<HeadlessOptions>(ok));
    const auto& parsed = std::get<HeadlessOptions>(ok);
    EXPECT_EQ(parsed.keys[0].key, ":");
    EXPECT_EQ(parsed.keys[0].hold, 4);
    EXPECT_EQ(parsed.keys[1].key, "En");
    EXPECT_EQ(parsed.keys[1].frame, 3);
}

TEST(MirlaHeadless, ApfBootsOurSystemRom) {
    test_support::ScratchFolder folder;
    HeadlessOptions o;
    o.machine = "APF";
    o.frames = 120;
    o.memory_dump = folder.file("memory.bin");
    o.screenshot = folder.file("screen.png");
    std::string errors;
    ASSERT_EQ(run(o, errors), 0) << errors;
    const auto memory = common::read_file(o.memory_dump, 65536);
    ASSERT_TRUE(memory);
    // The check screen's title in inverse video on row 0, and the tick
    // counter of the frame interrupt counting about one a frame.
    EXPECT_EQ((*memory)[0x0201], 0x13) << "'S' of SYSTEM (inverse video: the glyph code)";
    const int ticks = (*memory)[0x0180] << 8 | (*memory)[0x0181];
    EXPECT_GE(ticks, 110);
    EXPECT_LE(ticks, 120);
    const Picture pic = read_png(o.screenshot);
    EXPECT_EQ(pic.width, 256);
    EXPECT_EQ(pic.height, 192);
}

}  // namespace

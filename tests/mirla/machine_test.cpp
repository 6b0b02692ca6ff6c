// The four machines around the processor: page maps, screen RAM marks, the
// APF's PIAs, the key matrix, the boards' I/O pages, slice and frame timing,
// pacing and the speed display.
#include <algorithm>
#include <array>
#include <string_view>

#include "display/display.h"
#include "machine/bus.h"
#include "machine/keys.h"
#include "machine/run.h"
#include "mirla_fixture.h"

namespace {

using namespace mirla;
using namespace mirla_test;

std::unique_ptr<Machine> apf() { return make_test_machine(MachineKind::apf, false); }

void clear_marks(Machine& m) {
    m.display.row_dirty.fill(false);
    m.display.graphics_dirty.fill(false);
}

TEST(MirlaMachine, PageMapsOfTheFourMachines) {
    struct Case {
        MachineKind kind;
        uint8_t page;
        uint8_t type;
    };
    constexpr Case cases[] = {
        {MachineKind::apf, 0x00, 6},  {MachineKind::apf, 0x01, 6},  {MachineKind::apf, 0x02, 1},
        {MachineKind::apf, 0x03, 1},  {MachineKind::apf, 0x04, 6},  {MachineKind::apf, 0x07, 1},
        {MachineKind::apf, 0x1C, 6},  {MachineKind::apf, 0x1F, 1},  {MachineKind::apf, 0x20, 3},
        {MachineKind::apf, 0x3F, 3},  {MachineKind::apf, 0x40, 2},  {MachineKind::apf, 0x5F, 2},
        {MachineKind::apf, 0x60, 4},  {MachineKind::apf, 0x63, 4},  {MachineKind::apf, 0x64, 9},
        {MachineKind::apf, 0x65, 7},  {MachineKind::apf, 0x66, 8},  {MachineKind::apf, 0x67, 4},
        {MachineKind::apf, 0x68, 2},  {MachineKind::apf, 0x77, 2},  {MachineKind::apf, 0x78, 0},
        {MachineKind::apf, 0x7F, 0},  {MachineKind::apf, 0x80, 2},  {MachineKind::apf, 0x9F, 2},
        {MachineKind::apf, 0xA0, 0},  {MachineKind::apf, 0xDF, 0},  {MachineKind::apf, 0xE0, 2},
        {MachineKind::apf, 0xFF, 2},
        {MachineKind::vendel1, 0x00, 10}, {MachineKind::vendel1, 0x01, 2}, {MachineKind::vendel1, 0xBF, 2},
        {MachineKind::vendel1, 0xC0, 0},  {MachineKind::vendel1, 0xCF, 0}, {MachineKind::vendel1, 0xD0, 2},
        {MachineKind::vendel1, 0xFF, 2},
        {MachineKind::qlumen1, 0x00, 11}, {MachineKind::qlumen1, 0xC8, 0}, {MachineKind::qlumen1, 0xDF, 2},
        {MachineKind::qlumen2, 0x00, 0},  {MachineKind::qlumen2, 0x80, 2}, {MachineKind::qlumen2, 0xC0, 12},
        {MachineKind::qlumen2, 0xC7, 12}, {MachineKind::qlumen2, 0xC8, 13}, {MachineKind::qlumen2, 0xCF, 13},
        {MachineKind::qlumen2, 0xD0, 0},  {MachineKind::qlumen2, 0xDF, 0}, {MachineKind::qlumen2, 0xE0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << int(c.kind) << " page " << std::hex << int(c.page));
        EXPECT_EQ(page_map_of(c.kind)[c.page], c.type);
    }
}

// Screen RAM: 0000-03FF and its mirrors up to 1FFF. The upper half
// (0200-03FF) marks the character row of the byte, the lower half the
// graphics row, and only when the value changes.
TEST(MirlaMachine, ScreenRamWritesMarkTheirRowOnlyWhenTheyChange) {
    struct Case {
        uint16_t address;
        uint16_t lands;
        int text_row;      // -1: none
        int graphics_row;  // -1: none
    };
    constexpr Case cases[] = {
        {0x0200, 0x0200, 0, -1},
        {0x0600, 0x0200, 0, -1},   // the mirror of the next 1K block
        {0x1E20, 0x0220, 1, -1},
        {0x03FF, 0x03FF, 15, -1},
        {0x0000, 0x0000, -1, 0},
        {0x0520, 0x0120, -1, 9},
        {0x017F, 0x017F, -1, 11},
        {0x0180, 0x0180, -1, -1},  // below the 12 graphics rows: no mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.address);
        auto m = apf();
        clear_marks(*m);
        mem_write(*m, c.address, 0xFF);  // the value already there (memory starts FF)
        EXPECT_EQ(m->display.row_dirty, (std::array<bool, 16>{}));
        EXPECT_EQ(m->display.graphics_dirty, (std::array<bool, 12>{}));

        mem_write(*m, c.address, 0x41);
        EXPECT_EQ(m->memory_image[c.lands], 0x41);
        if (c.address != c.lands) {
            EXPECT_EQ(m->memory_image[c.address], 0xFF);
        }
        EXPECT_EQ(mem_read(*m, c.address), 0x41);
        EXPECT_EQ(mem_read(*m, c.lands), 0x41);
        for (int r = 0; r < 16; ++r) EXPECT_EQ(m->display.row_dirty[r], r == c.text_row) << "row " << r;
        for (int g = 0; g < 12; ++g) EXPECT_EQ(m->display.graphics_dirty[g], g == c.graphics_row) << "graphics " << g;
    }
}

TEST(MirlaMachine, RomWritesAreIgnoredAndTheDriveSelectPageReadsFF) {
    auto m = apf();
    machine_load_builtin_roms(*m);
    for (uint16_t a : {0x4000, 0x5FFF, 0x6800, 0x8000, 0x9FFF, 0xE000, 0xFFFE}) {
        SCOPED_TRACE(::testing::Message() << std::hex << a);
        const uint8_t before = m->memory_image[a];
        mem_write(*m, a, static_cast<uint8_t>(~before));
        EXPECT_EQ(mem_read(*m, a), before);
    }
    for (uint16_t a : {0x6600, 0x6601, 0x66FF}) {
        m->memory_image[a] = 0x12;
        mem_write(*m, a, 0x34);
        EXPECT_EQ(mem_read(*m, a), 0xFF);
    }
    // RAM pages keep what is written.
    for (uint16_t a : {0x7800, 0xA000, 0xDFFF}) {
        mem_write(*m, a, 0x5A);
        EXPECT_EQ(mem_read(*m, a), 0x5A);
    }
}

// PIA1 register 2's low nibble selects a keypad column by its one 0 bit;
// anything else selects none, and register 0 then reads FF.
TEST(MirlaMachine, KeypadColumnSelect) {
    struct Case {
        uint8_t written;
        uint8_t read;
    };
    constexpr Case cases[] = {
        {0x0E, 0xA0}, {0x0D, 0xA1}, {0x0B, 0xA2}, {0x07, 0xA3},  // columns 0-3
        {0xF7, 0xA3},                                            // bits 7-4 do not matter
        {0x03, 0xFF}, {0x0C, 0xFF}, {0x00, 0xFF}, {0x0F, 0xFF},  // several 0 bits, or none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << int(c.written));
        auto m = apf();
        for (int col = 0; col < 4; ++col) m->key_matrix[10 + col] = static_cast<uint8_t>(0xA0 + col);
        mem_write(*m, 0x2002, c.written);
        EXPECT_EQ(mem_read(*m, 0x2000), c.read);
        EXPECT_EQ(mem_read(*m, 0x2002), c.written) << "register 2 reads back";
    }
}

TEST(MirlaMachine, VerticalSyncBitOnlyNearTheEndOfSliceZero) {
    struct Case {
        int slice;
        int cycles_left;
        bool sync;
    };
    constexpr Case cases[] = {
        {0, 678, false}, {0, 100, false}, {0, 99, true}, {0, 1, true},
        {1, 50, false},  {21, 10, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "slice " << c.slice << " left " << c.cycles_left);
        auto m = apf();
        mem_write(*m, 0x2003, 0x05);
        m->run.slice_index = c.slice;
        m->cpu.cycles_left = c.cycles_left;
        EXPECT_EQ(mem_read(*m, 0x2003), c.sync ? 0x85 : 0x05);
    }
}

TEST(MirlaMachine, Pia1ControlBits) {
    auto m = apf();
    clear_marks(*m);
    mem_write(*m, 0x2003, 0x09);  // speaker bit 3, interrupt request bit 0
    EXPECT_EQ(m->apf.speaker_level, 2);
    EXPECT_TRUE(m->cpu.irq_request);
    mem_write(*m, 0x2003, 0x00);
    EXPECT_EQ(m->apf.speaker_level, 0);
    EXPECT_FALSE(m->cpu.irq_request);

    mem_write(*m, 0x2001, 0x08);  // alternate glyphs: every text row redrawn
    EXPECT_TRUE(m->apf.alternate_glyphs);
    EXPECT_EQ(m->display.row_dirty, (std::array<bool, 16>{true, true, true, true, true, true, true, true, true,
                                                          true, true, true, true, true, true, true}));
    EXPECT_EQ(mem_read(*m, 0x2001), 0x08);
    clear_marks(*m);
    mem_write(*m, 0x2001, 0x0C);  // bit 3 unchanged: nothing to redraw
    EXPECT_FALSE(m->display.row_dirty[0]);
}

// The split line: where the beam is when graphics mode comes on, 12 lines a
// slice from slice 3 on, taken to a multiple of 4 and kept within the screen.
TEST(MirlaMachine, GraphicsSplitLine) {
    struct Case {
        int slice;
        int cycles_left;
        int split;
    };
    constexpr Case cases[] = {
        {10, 678, 76},  // 120 - 12 - 32
        {10, 339, 84},  // 120 - 6 - 32 = 82, half way: up
        {10, 1, 88},    // 120 - 0 - 32
        {10, 400, 80},  // 120 - 7 - 32 = 81
        {2, 100, 0},    // above the screen
        {21, 1, 192},   // below it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "slice " << c.slice << " left " << c.cycles_left);
        auto m = apf();
        m->run.slice_index = c.slice;
        m->cpu.cycles_left = c.cycles_left;
        mem_write(*m, 0x2002, 0x8F);
        EXPECT_TRUE(m->apf.graphics_mode);
        EXPECT_EQ(m->apf.split_line, c.split);
    }
    // The split holds for three frame ends, then graphics fill the screen.
    auto m = apf();
    m->run.slice_index = 10;
    m->cpu.cycles_left = 678;
    mem_write(*m, 0x2002, 0x8F);
    mem_write(*m, 0x2002, 0xCF);  // colour set only: no new split
    EXPECT_TRUE(m->apf.colour_set);
    for (int frame = 0; frame < 2; ++frame) display_frame_end(*m);
    EXPECT_EQ(m->apf.split_line, 76);
    display_frame_end(*m);
    EXPECT_EQ(m->apf.split_line, 0);
    mem_write(*m, 0x2002, 0x0F);
    EXPECT_FALSE(m->apf.graphics_mode);
}

TEST(MirlaMachine, Pia2KeyboardRowsAndCassetteLatch) {
    auto m = apf();
    for (int row = 0; row < 8; ++row) m->key_matrix[row] = static_cast<uint8_t>(0x10 * row + 1);
    for (int row = 0; row < 8; ++row) {
        mem_write(*m, 0x6002, static_cast<uint8_t>(0x70 | row));
        EXPECT_EQ(mem_read(*m, 0x6000), 0x10 * row + 1);
        EXPECT_EQ(mem_read(*m, 0x6700), 0x10 * row + 1) << "page 67 is PIA2 too";
    }
    m->apf.tape_input = 0x80;
    mem_write(*m, 0x6002, 0xF5);
    EXPECT_EQ(mem_read(*m, 0x6002), 0xF5);
    m->apf.tape_input = 0x00;
    EXPECT_EQ(mem_read(*m, 0x6002), 0x75) << "bit 7 is the tape, not what was written";
    EXPECT_EQ(m->apf.cassette_lines & 0x70, 0x70);  // motor, play, output level
    mem_write(*m, 0x6001, 0x3C);
    mem_write(*m, 0x6003, 0x2D);
    EXPECT_EQ(mem_read(*m, 0x6001), 0x3C);
    EXPECT_EQ(mem_read(*m, 0x6003), 0x2D);
}

// Every key place of the APF as the machine's wiring has it: the key's
// number is bank, byte and bit; pressing it reads as a 0 bit at exactly
// that place through the PIA that scans it.
TEST(MirlaMachine, KeyMatrixForEveryApfKeyPlace) {
    constexpr std::string_view keyboard[7][8] = {
        {"X", "Z", "Q", "2", "A", "1", "W", "S"},  {"C", "V", "R", "3", "F", "4", "E", "D"},
        {"N", "B", "T", "6", "G", "5", "Y", "H"},  {"M", ",", "I", "7", "K", "8", "U", "J"},
        {"/", ".", "O", "0", "L", "9", "P", ";"},  {"sp", ":", "re", "lf", "", "-", "", "bs"},
        {"sh", "es", "ct", "rp", "br", "hi", "", ""},
    };
    constexpr std::string_view keypad[4][8] = {
        {"1", "0", "4", "7", "1", "0", "4", "7"},   {"S", "E", "N", "W", "S", "E", "N", "W"},
        {"3", "Cl", "6", "9", "3", "Cl", "6", "9"}, {"2", "En", "5", "8", "2", "En", "5", "8"},
    };
    auto m = apf();
    cpu_reset(*m);
    const auto legends = key_legends(MachineKind::apf);
    size_t places = 0;
    auto check = [&](int bank, int byte, int bit, std::string_view legend, uint16_t select, uint8_t value,
                     uint16_t read) {
        if (legend.empty()) return;
        ++places;
        const auto key = static_cast<uint8_t>(bank << 7 | byte << 4 | bit);
        SCOPED_TRACE(::testing::Message() << "key " << int(key) << " " << legend);
        EXPECT_TRUE(std::any_of(legends.begin(), legends.end(),
                                [&](const KeyLegend& k) { return k.key == key && k.legend == legend; }));
        key_press(*m, key);
        EXPECT_EQ(m->last_key, key);
        mem_write(*m, select, value);
        EXPECT_EQ(mem_read(*m, read), static_cast<uint8_t>(~(1 << bit)));
        key_release(*m, key);
        EXPECT_EQ(mem_read(*m, read), 0xFF);
    };
    for (int byte = 0; byte < 7; ++byte)
        for (int bit = 0; bit < 8; ++bit) check(0, byte, bit, keyboard[byte][bit], 0x6002, static_cast<uint8_t>(byte), 0x6000);
    constexpr uint8_t column_select[4] = {0x0E, 0x0D, 0x0B, 0x07};
    for (int byte = 0; byte < 4; ++byte)
        for (int bit = 0; bit < 8; ++bit) check(1, byte, bit, keypad[byte][bit], 0x2002, column_select[byte], 0x2000);
    EXPECT_EQ(places, legends.size());

    // Cassette buttons and "no key" leave the matrix alone.
    const auto matrix = m->key_matrix;
    key_press(*m, 240);
    key_press(*m, 255);
    EXPECT_EQ(m->key_matrix, matrix);
    EXPECT_EQ(m->last_key, 240);
}

TEST(MirlaMachine, BuiltinHostKeyMapOfTheApf) {
    struct Case {
        uint8_t code;
        uint8_t plain, us;
    };
    constexpr Case cases[] = {
        {'A', 4, 4},      {'Z', 1, 1},      {'0', 67, 67},    {'9', 69, 69},     {0xBC, 49, 49},
        {0xBD, 64, 85},   {0xC0, 71, 101},  {0xDB, 85, 83},   {0xBA, 83, 71},    {0xDE, 81, 81},
        {0xBF, 255, 64},  {0x20, 80, 80},   {0x0D, 82, 82},   {0x10, 96, 96},    {0x61, 128, 128},
        {0x6B, 177, 177}, {0x70, 132, 132}, {0x2D, 181, 181}, {0x6A, 240, 240},  {0x7A, 241, 241},
        {0x6D, 243, 243}, {0x6F, 242, 242}, {0x91, 255, 255},
    };
    const auto plain = builtin_key_map(MachineKind::apf, false);
    const auto us = builtin_key_map(MachineKind::apf, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << int(c.code));
        EXPECT_EQ(plain[c.code], c.plain);
        EXPECT_EQ(us[c.code], c.us);
    }
}

TEST(MirlaMachine, VendelIoPage) {
    auto m = make_test_machine(MachineKind::vendel1, false);
    cpu_reset(*m);
    key_press(*m, *key_by_name(MachineKind::vendel1, "B"));  // byte 2, bit 3
    key_press(*m, *key_by_name(MachineKind::vendel1, "N"));  // byte 4, bit 3
    EXPECT_EQ(mem_read(*m, 0x00A0), 0xFF);
    EXPECT_EQ(mem_read(*m, 0x00A2), 0xF7);
    EXPECT_EQ(mem_read(*m, 0x00A4), 0xF7);
    m->memory_image[0x00A5] = 0x33;
    EXPECT_EQ(mem_read(*m, 0x00A5), 0x33) << "past A4 the page is RAM";

    mem_write(*m, 0x0093, 0x01);  // column 3
    mem_write(*m, 0x0098, 0xFE);  // row 7 selected (bit 0 = 0)
    mem_write(*m, 0x009F, 0x01);  // row 0 off
    EXPECT_EQ(m->vendel.column_lines[3], 1);
    EXPECT_EQ(m->vendel.row_lines[7], 0);
    EXPECT_EQ(m->vendel.row_lines[0], 1);
    EXPECT_EQ(m->memory_image[0x0098], 0xFE) << "the byte is stored as well";
    mem_write(*m, 0x0081, 0x01);
    EXPECT_TRUE(m->cpu.irq_request);
    mem_write(*m, 0x0081, 0x02);
    EXPECT_FALSE(m->cpu.irq_request);
    mem_write(*m, 0xE000, 0x12);
    EXPECT_EQ(m->memory_image[0xE000], 0xFF) << "ROM";
}

TEST(MirlaMachine, QLumen1IoPage) {
    auto m = make_test_machine(MachineKind::qlumen1, false);
    cpu_reset(*m);
    key_press(*m, *key_by_name(MachineKind::qlumen1, "GO"));  // row 4, bit 3
    mem_write(*m, 0x0082, 0xF9);                               // segment latch
    mem_write(*m, 0x0080, 0x34);                               // digit and row 4
    EXPECT_EQ(m->qlumen1.row_counter, 4);
    EXPECT_EQ(m->qlumen1.digit_latch[4], 0xF9);
    EXPECT_EQ(mem_read(*m, 0x0080), 0x74) << "keys of row 4 high, stored bits low";
    mem_write(*m, 0x0082, 0x00);
    EXPECT_EQ(m->qlumen1.digit_latch[4], 0xF9) << "the digit keeps what it took";
    mem_write(*m, 0x0081, 0x01);
    EXPECT_TRUE(m->cpu.irq_request);
}

TEST(MirlaMachine, QLumen2IoRegisters) {
    auto m = make_test_machine(MachineKind::qlumen2, false);
    cpu_reset(*m);
    m->memory_image[0xC000] = 0x80;  // bits 7-6 of every keypad read
    m->memory_image[0xC002] = 0x5A;
    key_press(*m, 0x12);  // row 1, bit 2
    key_press(*m, 0x31);  // row 3, bit 1
    mem_write(*m, 0xC000, 0xC0);
    mem_write(*m, 0xC000, 0x80);  // bit 6 falls: row 0
    EXPECT_EQ(m->qlumen2.row_counter, 0);
    EXPECT_EQ(mem_read(*m, 0xC000), 0x80 | (0xFB & 0xFD & 0x3F)) << "row 0: every row ANDed";
    const uint8_t rows[9] = {0xBF, 0xBB, 0xBF, 0xBD, 0xBF, 0xBF, 0xBF, 0xBF};
    for (int r = 0; r < 8; ++r) EXPECT_EQ(mem_read(*m, 0xC000), rows[r]) << "keypad row " << r;
    EXPECT_EQ(m->qlumen2.row_counter, 0) << "nine rows, then round again";
    EXPECT_EQ(mem_read(*m, 0xC002), 0x5A) << "registers 1-3 read the memory image";

    mem_write(*m, 0xC000, 0x40);  // bit 7 falls: digit 15 next
    for (int d = 15; d >= 0; --d) mem_write(*m, 0xC002, static_cast<uint8_t>(d));
    for (int d = 0; d < 16; ++d) EXPECT_EQ(m->qlumen2.digit_pattern[d], d);
    EXPECT_EQ(m->qlumen2.digit_counter, 15) << "steps down modulo 16";
    EXPECT_EQ(m->memory_image[0xC002], 0x5A) << "nothing is stored";
    mem_write(*m, 0xC001, 0x01);
    EXPECT_TRUE(m->cpu.irq_request);
}

// One frame of the APF: 22 slices of 678 cycles, the overshoot of the last
// instruction carried into the next slice, the frame interrupt checked once
// at the frame end.
TEST(MirlaMachine, SlicesAndFrames) {
    auto m = apf();
    m->page_map[0xA0] = page_ram;
    poke(*m, 0xA000, {0x7E, 0xA0, 0x00});  // jmp * : 3 cycles a turn
    poke(*m, 0xFFF8, {0xA1, 0x00});
    poke(*m, 0xA100, {0x7E, 0xA1, 0x00});
    m->cpu.pc = 0xA000;
    m->cpu.cycles_left = 0;
    m->cpu.sp = 0xBFFF;
    m->cpu.irq_request = true;
    run_start(*m, 0);
    EXPECT_EQ(m->run.cycles_per_slice, 678);
    bool shown = false;
    for (int s = 0; s < 21; ++s) {
        shown = run_slice(*m, 0) || shown;
        EXPECT_EQ(m->cpu.pc, 0xA000) << "no interrupt before the frame end, slice " << s;
    }
    EXPECT_FALSE(shown);
    EXPECT_TRUE(run_slice(*m, 0)) << "the frame end shows the image drawn in slices 3-18";
    EXPECT_EQ(m->cpu.pc, 0xA100);
    EXPECT_EQ(m->run.slice_index, 0);
    EXPECT_EQ(m->run.frames, 1u);
    // 22 slices of 678 cycles: 14916 cycles run in 3-cycle steps, each slice
    // overshooting into the next; the interrupt charged 12 more.
    EXPECT_GT(m->cpu.cycles_left, 678 - 3 - 12);
    EXPECT_LE(m->cpu.cycles_left, 678 - 12);

    auto q = make_test_machine(MachineKind::qlumen2, false);
    EXPECT_EQ(q->run.cycles_per_slice, 994);
    poke(*q, 0xD000, {0x7E, 0xD0, 0x00});
    q->cpu.pc = 0xD000;
    run_start(*q, 0);
    int shows = 0;
    for (int s = 0; s < 40; ++s) shows += run_slice(*q, 0) ? 1 : 0;
    EXPECT_EQ(shows, 2) << "the board's image is shown every 20 slices";

    // Boards whose LEDs glow refresh them in slices 3-18: 16 times a frame.
    auto v = make_test_machine(MachineKind::vendel1, false);
    poke(*v, 0xC000, {0x7E, 0xC0, 0x00});
    v->cpu.pc = 0xC000;
    v->vendel.row_lines.fill(1);
    v->vendel.led_count[5] = 160;
    run_start(*v, 0);
    for (int s = 0; s < 22; ++s) run_slice(*v, 0);
    EXPECT_EQ(v->vendel.led_count[5], 160 - 16);
}

TEST(MirlaMachine, PacingOwesAtMost200Milliseconds) {
    auto m = apf();
    run_start(*m, 1000);
    const double period = m->run.slice_period_ms;
    EXPECT_NEAR(period, 1000.0 / 60 / 22, 1e-9);
    EXPECT_NEAR(run_pace(*m, 1000), period, 1e-9) << "nothing owed yet: sleep a period";
    EXPECT_NEAR(run_pace(*m, 1000 + period / 2), period / 2, 1e-9);
    EXPECT_EQ(run_pace(*m, 1000 + period * 1.5), 0) << "a slice is due";
    // A stall of 5 s owes 200 ms, not 5 s.
    int due = 0;
    while (run_pace(*m, 6000) == 0) ++due;
    EXPECT_NEAR(due, 200 / period, 1.0);
}

TEST(MirlaMachine, SpeedDisplay) {
    auto m = apf();
    poke(*m, 0xA000, {0x7E, 0xA0, 0x00});
    m->page_map[0xA0] = page_ram;
    m->cpu.pc = 0xA000;
    run_start(*m, 0);
    EXPECT_EQ(m->run.speed_fps, 60) << "primed with ten windows of 60 frames in 1000 ms";
    // 20 frames in 500 ms: (9 x 60 + 20) x 1000 / (9 x 1000 + 500) = 58.9
    for (int s = 0; s < 20 * 22; ++s) run_slice(*m, (s + 1) * 500.0 / (20 * 22));
    EXPECT_EQ(m->run.speed_fps, 59);
}

}  // namespace

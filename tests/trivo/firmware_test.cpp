// Our firmware on the machine: the system ROM booting into its check screen
// or into a cartridge, its service routines called by small cartridge
// programs, and the character ROM converted from its art.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cpu/cpu.h"
#include "fake_host.h"
#include "machine/builtin_images.h"
#include "machine/bus.h"
#include "machine/io.h"
#include "machine/keys.h"
#include "machine/machine.h"
#include "machine/scheduler.h"

namespace trivo {
namespace {

using test::FakeHost;
using test::FakeSink;

// The jump table at the start of the system ROM.
constexpr uint8_t entry_cls = 0x00;
constexpr uint8_t entry_putchar = 0x03;
constexpr uint8_t entry_getkey = 0x06;
constexpr uint8_t entry_readpad = 0x09;
constexpr uint8_t entry_beep = 0x0C;
constexpr uint8_t entry_tone = 0x0F;
constexpr uint8_t entry_puthex = 0x15;
constexpr uint8_t entry_locate = 0x18;
constexpr uint8_t entry_readkeys = 0x1B;

constexpr uint16_t ticks_address = 0x0180;
constexpr uint16_t screen = 0x0200;
constexpr uint8_t blank = 0x60;
constexpr uint8_t cartridge_signature = 0xBB;
constexpr int beep_edges = 80;  // 40 cycles of the square wave

// Keyboard keys by what they type.
constexpr uint8_t key_a = 4, key_b = 17, key_c = 8, key_g = 20, key_o = 34, key_p = 38;
constexpr uint8_t key_1 = 5, key_7 = 27;
constexpr uint8_t key_rubout = 47, key_brk = 52;
constexpr uint8_t right = key_pad_right_offset;

// A console as sold with our system ROM in both windows and, optionally, a
// cartridge at $8000; a recording sound device counts speaker edges.
struct Console {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    FakeHost host;
    FakeSink sink;

    explicit Console(const std::vector<uint8_t>& cartridge = {}) {
        m.host = &host;
        memory_map_build(m);
        const auto rom = builtin_images().system_rom;
        for (uint32_t copy = 0; copy < 4; ++copy) {
            std::copy(rom.begin(), rom.end(), m.memory_image.begin() + 0x4000 + copy * 0x800);
            std::copy(rom.begin(), rom.end(), m.memory_image.begin() + 0xE000 + copy * 0x800);
        }
        std::copy(cartridge.begin(), cartridge.end(), m.memory_image.begin() + 0x8000);
        set_timing_mode(m.settings, TimingMode::fast);
        timing_recompute(m);
        m.sound.sink = &sink;
        sound_initialise(m);
        cpu_init(m);
        cpu_reset(m);
    }

    // One field as the frame scheduler runs it: field sync rises, the active
    // lines, field sync falls, the rest of the frame. Returns the speaker
    // edges of the frame.
    int frame() {
        const int before = m.sound.click_count;
        field_sync_rise(m);
        int total = cpu_execute(m, first_slice_cycles);
        total += cpu_execute(m, second_slice_cycles);
        field_sync_fall(m);
        if (total < frame_cycles) cpu_execute(m, frame_cycles - total);
        const int edges = m.sound.click_count - before;
        m.sound.click_count = 0;
        return edges;
    }
    int frames(int n) {
        int edges = 0;
        for (int i = 0; i < n; ++i) edges += frame();
        return edges;
    }

    void hold(const std::vector<uint8_t>& keys) {
        m.key_state.fill(0);
        for (uint8_t key : keys) m.key_state[key] = 1;
    }

    uint8_t cell(int row, int column) const { return m.memory_image[screen + row * 32 + column]; }

    // A text row as characters, trailing blanks dropped: the glyph of each
    // code, normal or inverse; '#' for a semigraphics block.
    std::string row_text(int row) const {
        std::string text;
        for (int column = 0; column < 32; ++column) {
            const uint8_t code = cell(row, column);
            const int glyph = code & 0x3F;
            text += code >= 0x80 ? '#' : static_cast<char>(glyph < 0x20 ? glyph + 0x40 : glyph);
        }
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }

    uint16_t word(uint16_t address) const {
        return static_cast<uint16_t>(m.memory_image[address] << 8 | m.memory_image[address + 1]);
    }
};

// A cartridge: the signature, then the program from $8001.
std::vector<uint8_t> cartridge(std::vector<uint8_t> program) {
    program.insert(program.begin(), cartridge_signature);
    return program;
}

// ------------------------------------------------------------ start-up

TEST(SystemRom, BootsIntoTheCheckScreenInTextModeWithTheTickRunning) {
    Console t;
    EXPECT_EQ(t.frames(5), 0);  // no key, no beep
    EXPECT_EQ(t.row_text(0), " SYSTEM ROM 1.0   MACHINE CHECK");
    for (int column = 0; column < 32; ++column) {
        EXPECT_LT(t.cell(0, column), 0x40) << "the title is in inverse video, column " << column;
    }
    EXPECT_EQ(t.row_text(2), "KEYBOARD");
    EXPECT_EQ(t.row_text(5), "LEFT CONTROLLER");
    EXPECT_EQ(t.row_text(8), "RIGHT CONTROLLER");
    EXPECT_EQ(t.row_text(14), "LAST KEY:");
    for (int column = 0; column < 32; ++column) {
        const int colour = column % 4 == 0 ? 0x80 : 0x8F + 0x10 * (column / 4);  // black, 3 lit
        EXPECT_EQ(t.cell(12, column), colour) << "colour bar, column " << column;
    }
    for (int row : {1, 3, 4, 6, 7, 9, 10, 11, 13}) EXPECT_EQ(t.row_text(row), "") << "row " << row;

    EXPECT_EQ(video_mode_byte(t.m), 0);
    EXPECT_EQ(t.m.memory_image[0x2003] & 0x0F, 0x05);  // speaker low, IRQ on the fall
    // Once the screen is up, one interrupt per field, shown in hex.
    const int ticks = t.word(ticks_address);
    EXPECT_GE(ticks, 3);
    t.frames(0x2A - ticks);
    cpu_execute(t.m, 5000);  // the pass after the last interrupt ends in its wait
    EXPECT_EQ(t.word(ticks_address), 0x2A);
    EXPECT_EQ(t.row_text(15), "TICKS: 002A");
    EXPECT_GE(t.m.cpu.s, 0x01C0);
}

TEST(SystemRom, OnlyACartridgeWithTheSignatureTakesTheMachine) {
    // Cartridge program: ldaa #$a5 / staa $a000 / tpa / staa $a001 /
    // sts $a002 / bra *
    const std::vector<uint8_t> program = {0x86, 0xA5, 0xB7, 0xA0, 0x00, 0x07, 0xB7, 0xA0,
                                          0x01, 0xBF, 0xA0, 0x02, 0x20, 0xFE};
    struct CartCase {
        const char* name;
        uint8_t first_byte;
        bool runs;
    };
    const CartCase cases[] = {
        {"signature", cartridge_signature, true},
        {"no cartridge", 0x00, false},
        {"near miss", 0xBA, false},
        {"built-in BASIC image", builtin_images().basic_high[0], true},  // BASIC starts as a cartridge
    };
    for (const CartCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> image = program;
        image.insert(image.begin(), c.first_byte);
        Console t(image);
        t.frames(3);
        if (c.runs) {
            EXPECT_EQ(t.m.memory_image[0xA000], 0xA5);
            EXPECT_NE(t.m.memory_image[0xA001] & cc_i, 0) << "entered with interrupts masked";
            EXPECT_EQ(t.word(0xA002), 0x01FF) << "with the stack at the top of its page";
            for (int row = 0; row < 16; ++row) EXPECT_EQ(t.row_text(row), "") << "row " << row;
            EXPECT_EQ(t.word(ticks_address), 0);
            EXPECT_EQ(t.m.memory_image[0x2003] & 0x0F, 0x05);
            EXPECT_EQ(video_mode_byte(t.m), 0);
        } else {
            EXPECT_EQ(t.m.memory_image[0xA000], 0x00);
            EXPECT_EQ(t.row_text(0), " SYSTEM ROM 1.0   MACHINE CHECK");
        }
    }
}

// -------------------------------------------------------- check screen

TEST(SystemRom, CheckScreenListsHeldKeysAndBeepsOncePerPress) {
    struct HeldCase {
        const char* name;
        std::vector<uint8_t> keys;
        int row;  // 3 keyboard, 6 left controller, 9 right controller
        std::string shown;
        std::string last_key;  // the LAST KEY line, or "" when it stays as it was
    };
    const HeldCase cases[] = {
        {"a letter", {key_a}, 3, "A", "LAST KEY: A $41"},
        {"shifted digit", {key_shift, key_1}, 3, "1 SHIFT", "LAST KEY: ! $21"},
        {"named keys", {key_space, key_return, key_rubout, key_brk}, 3, "SPACE RETURN RUB BRK",
         ""},
        {"left controller", {key_pad_fire, key_pad_digit_0 + 7, key_pad_west}, 6, "FR W 7",
         "LAST KEY:"},
        {"right controller",
         {key_pad_north + right, key_pad_east + right, key_pad_digit_0 + right,
          key_pad_digit_0 + 9 + right, key_pad_clear + right},
         9, "CL N E 0 9", "LAST KEY:"},
    };
    for (const HeldCase& c : cases) {
        SCOPED_TRACE(c.name);
        Console t;
        t.frames(3);
        t.hold(c.keys);
        EXPECT_EQ(t.frames(6), beep_edges) << "one beep for keys pressed together";
        for (int row : {3, 6, 9}) {
            EXPECT_EQ(t.row_text(row), row == c.row ? c.shown : "") << "row " << row;
        }
        if (!c.last_key.empty()) {
            EXPECT_EQ(t.row_text(14), c.last_key);
        }
        EXPECT_EQ(t.m.speaker_level, 0) << "the tone ends where it started";
        EXPECT_EQ(t.frames(10), 0) << "a held key does not beep again";
        t.hold({});
        EXPECT_EQ(t.frames(3), 0) << "a release is silent";
        EXPECT_EQ(t.row_text(c.row), "");
        t.hold(c.keys);
        EXPECT_EQ(t.frames(6), beep_edges) << "pressed again";
    }
}

TEST(SystemRom, KeyboardListStaysInsideItsTwoRows) {
    Console t;
    t.frames(3);
    std::vector<uint8_t> every_key;
    for (uint8_t key = 0; key < 54; ++key) every_key.push_back(key);
    t.hold(every_key);
    t.frames(6);
    EXPECT_EQ(t.row_text(2), "KEYBOARD");
    EXPECT_EQ(t.row_text(3).substr(0, 8), "X Z Q 2 ");
    EXPECT_FALSE(t.row_text(4).empty());
    EXPECT_EQ(t.row_text(5), "LEFT CONTROLLER");
}

// ------------------------------------------------------ service routines

TEST(ServiceRoutines, RegistersKeptAndSpeakerEdges) {
    // ldaa #$11 / ldab #$22 / ldx #$3344 / jsr entry / staa $a000 /
    // stab $a001 / stx $a002 / bra *
    struct RegisterCase {
        const char* name;
        uint8_t entry;
        uint8_t a, b;  // A and B after the call
        int edges;
    };
    const RegisterCase cases[] = {
        {"cls", entry_cls, 0x11, 0x22, 0},
        {"putchar", entry_putchar, 0x11, 0x22, 0},
        {"puthex", entry_puthex, 0x11, 0x22, 0},
        {"locate", entry_locate, 0x11, 0x22, 0},
        {"readkeys", entry_readkeys, 0x11, 0x22, 0},
        {"beep", entry_beep, 0x11, 0x22, beep_edges},
        {"tone", entry_tone, 0x11, 0x22, 2 * 0x22},  // B full cycles
        {"getkey", entry_getkey, 0x00, 0x22, 0},     // A: no key
        {"readpad", entry_readpad, 0x00, 0x00, 0},   // A:B: nothing held
    };
    for (const RegisterCase& c : cases) {
        SCOPED_TRACE(c.name);
        Console t(cartridge({0x86, 0x11, 0xC6, 0x22, 0xCE, 0x33, 0x44, 0xBD, 0xF8, c.entry, 0xB7,
                             0xA0, 0x00, 0xF7, 0xA0, 0x01, 0xFF, 0xA0, 0x02, 0x20, 0xFE}));
        t.m.memory_image[0xA000] = 0xEE;
        EXPECT_EQ(t.frames(5), c.edges);
        EXPECT_EQ(t.m.memory_image[0xA000], c.a);
        EXPECT_EQ(t.m.memory_image[0xA001], c.b);
        EXPECT_EQ(t.word(0xA002), 0x3344);
        EXPECT_EQ(t.m.speaker_level, 0);
    }
}

TEST(ServiceRoutines, PutstrPrintsEditsAndScrolls) {
    using Screen = std::vector<std::pair<int, std::string>>;  // other rows stay blank
    std::string fill_screen;
    Screen after_fill;  // rows B-P moved up, Z alone on the last
    for (int row = 0; row < 16; ++row) {
        fill_screen += std::string(32, static_cast<char>('A' + row));
        if (row > 0) after_fill.push_back({row - 1, std::string(32, static_cast<char>('A' + row))});
    }
    after_fill.push_back({15, "Z"});
    std::string sixteen_lines = "TOP\r";
    Screen after_sixteen_lines;
    for (int row = 0; row < 15; ++row) {
        sixteen_lines += "X\r";
        after_sixteen_lines.push_back({row, "X"});
    }
    after_sixteen_lines.push_back({15, "BOTTOM"});
    struct TextCase {
        const char* name;
        std::string text;
        Screen rows;
    };
    const TextCase cases[] = {
        {"capitals, digits, punctuation", "Hello, world 0-9?", {{0, "HELLO, WORLD 0-9?"}}},
        {"backspace and rubout", "ABX\bC\x7F\x7F" "D\rE", {{0, "AD"}, {1, "E"}}},
        {"backspace at home", "\b\bA", {{0, "A"}}},
        {"other controls print nothing", "A\x01\x1B\nB", {{0, "AB"}}},
        {"semigraphics codes", "\x8F\xFF", {{0, "##"}}},
        {"carriage return past the last row", sixteen_lines + "BOTTOM", after_sixteen_lines},
        {"line wrap past the last cell", fill_screen + "Z", after_fill},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        // ldx #$8040 / jsr putstr / bra *; the text at $8040.
        Console t(cartridge({0xCE, 0x80, 0x40, 0xBD, 0xF8, 0x12, 0x20, 0xFE}));
        std::copy(c.text.begin(), c.text.end(), t.m.memory_image.begin() + 0x8040);
        t.m.memory_image[0x8040 + c.text.size()] = 0;
        t.frames(12);
        for (int row = 0; row < 16; ++row) {
            std::string expected;
            for (const auto& [r, text] : c.rows) {
                if (r == row) expected = text;
            }
            EXPECT_EQ(t.row_text(row), expected) << "row " << row;
        }
    }
}

TEST(ServiceRoutines, PutcharWritesNormalVideoCodes) {
    // ldx #$8040 / jsr putstr / bra *
    Console t(cartridge({0xCE, 0x80, 0x40, 0xBD, 0xF8, 0x12, 0x20, 0xFE}));
    const std::string text = "A0 @?z";
    std::copy(text.begin(), text.end(), t.m.memory_image.begin() + 0x8040);
    t.frames(2);
    const uint8_t expected[] = {0x41, 0x70, 0x60, 0x40, 0x7F, 0x5A, blank};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(t.cell(0, i), expected[i]) << "column " << i;
}

TEST(ServiceRoutines, ClsLocateAndInverseHex) {
    Console t(cartridge({
        0x86, 0x41, 0xBD, 0xF8, 0x03,  // ldaa #'A' / jsr putchar
        0xBD, 0xF8, 0x00,              // jsr cls
        0x86, 0x05, 0xC6, 0x03,        // ldaa #5 / ldab #3
        0xBD, 0xF8, 0x18,              // jsr locate
        0x86, 0x40, 0xB7, 0x01, 0x84,  // ldaa #$40 / staa inverse
        0x86, 0x3C, 0xBD, 0xF8, 0x15,  // ldaa #$3c / jsr puthex
        0x7F, 0x01, 0x84,              // clr inverse
        0x86, 0x5A, 0xBD, 0xF8, 0x03,  // ldaa #'Z' / jsr putchar
        0x20, 0xFE,                    // bra *
    }));
    t.frames(2);
    for (int address = 0x0200; address < 0x0400; ++address) {
        uint8_t expected = blank;
        if (address == 0x02A3) expected = 0x33;  // '3' inverse
        if (address == 0x02A4) expected = 0x03;  // 'C' inverse
        if (address == 0x02A5) expected = 0x5A;  // 'Z' normal
        EXPECT_EQ(t.m.memory_image[address], expected) << std::hex << address;
    }
}

TEST(ServiceRoutines, GetkeyReportsEachPressOnce) {
    // ldx #$a000 / stx $a0f0 / loop: jsr getkey / bcs loop (carry: no key) /
    // ldx $a0f0 / staa 0,x / inx / stx $a0f0 / bra loop
    Console t(cartridge({0xCE, 0xA0, 0x00, 0xFF, 0xA0, 0xF0, 0xBD, 0xF8, 0x06, 0x25, 0xFB,
                         0xFE, 0xA0, 0xF0, 0xA7, 0x00, 0x08, 0xFF, 0xA0, 0xF0, 0x20, 0xF0}));
    struct Step {
        std::vector<uint8_t> keys;
        std::string typed;  // what the program collects during the step
    };
    const Step steps[] = {
        {{key_a}, "A"},
        {{key_a}, ""},  // still held
        {{}, ""},
        {{key_a}, "A"},  // pressed again after a release
        {{key_shift, key_1}, "!"},
        {{key_shift}, ""},  // SHIFT alone types nothing
        {{key_c, key_b}, "CB"},  // together: one per call, in matrix order
        {{key_c, key_b, key_7}, "7"},
        {{}, ""},
        {{key_ctrl, key_g}, "\x07"},
        {{key_ctrl}, ""},                                    // CTRL alone types nothing
        {{key_ctrl, key_shift, key_p}, std::string(1, '\0')},  // CTRL+@ is a key, $00
        {{}, ""},
        {{key_return}, "\r"},
        {{key_shift, key_p}, "@"},
        {{key_shift, key_o}, "_"},
        {{key_rubout}, "\x7F"},
        {{key_brk}, "\x03"},
        {{key_space}, " "},
    };
    std::string expected;
    t.frames(1);
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::Message() << "after " << expected.size() << " keys");
        t.hold(s.keys);
        cpu_execute(t.m, 5000);
        expected += s.typed;
        const uint16_t end = t.word(0xA0F0);
        ASSERT_GE(end, 0xA000);
        EXPECT_EQ(std::string(t.m.memory_image.begin() + 0xA000, t.m.memory_image.begin() + end),
                  expected);
    }
}

TEST(ServiceRoutines, ReadpadMasksBothControllers) {
    struct PadCase {
        const char* name;
        std::vector<uint8_t> keys;
        uint8_t vmode;
        uint16_t left, right;
    };
    const PadCase cases[] = {
        {"nothing", {}, 0x00, 0x0000, 0x0000},
        {"left fire", {key_pad_fire}, 0x00, 0x0001, 0x0000},
        {"right fire", {key_pad_fire + right}, 0x00, 0x0000, 0x0001},
        {"left directions",
         {key_pad_north, key_pad_south, key_pad_east, key_pad_west},
         0x00, 0x003C, 0x0000},
        {"every digit of the right pad",
         {80 + 6, 80 + 7, 80 + 8, 80 + 9, 80 + 10, 80 + 11, 80 + 12, 80 + 13, 80 + 14, 80 + 15},
         0x00, 0x0000, 0xFFC0},
        {"both, graphics mode kept",
         {key_pad_clear, key_pad_digit_0 + 9 + right, key_pad_digit_0 + 5 + right},
         0xC0, 0x0002, 0x8800},
    };
    for (const PadCase& c : cases) {
        SCOPED_TRACE(c.name);
        Console t(cartridge({
            0x86, c.vmode, 0xB7, 0x01, 0x85,  // ldaa #mode / staa vmode
            0x5F, 0xBD, 0xF8, 0x09,           // clrb / jsr readpad
            0xB7, 0xA0, 0x00, 0xF7, 0xA0, 0x01,  // staa $a000 / stab $a001
            0xC6, 0x01, 0xBD, 0xF8, 0x09,     // ldab #1 / jsr readpad
            0xB7, 0xA0, 0x02, 0xF7, 0xA0, 0x03,  // staa $a002 / stab $a003
            0x20, 0xFE,                       // bra *
        }));
        t.hold(c.keys);
        t.frames(2);
        EXPECT_EQ(t.word(0xA000), c.left);
        EXPECT_EQ(t.word(0xA002), c.right);
        EXPECT_EQ(t.m.memory_image[0x2002] & 0xC0, c.vmode);
    }
}

TEST(ServiceRoutines, IrqHookRunsOncePerFieldAfterTheTick) {
    std::vector<uint8_t> image = cartridge({
        0xCE, 0x80, 0x20,  // ldx #$8020
        0xFF, 0x01, 0x86,  // stx irqhook
        0x0E,              // cli
        0x20, 0xFE,        // bra *
    });
    image.resize(0x20);
    image.insert(image.end(), {0x7C, 0xA0, 0x00, 0x3B});  // $8020: inc $a000 / rti
    Console t(image);
    t.frames(10);
    EXPECT_EQ(t.m.memory_image[0xA000], 10);
    EXPECT_EQ(t.word(ticks_address), 10);
}

// ------------------------------------------------------- character ROM

TEST(CharacterRom, GlyphsAsDrawn) {
    const auto rom = builtin_images().char_rom;
    ASSERT_EQ(rom.size(), 768u);
    // A glyph is 12 row bytes, bit 7 the leftmost pixel.
    using Glyph = std::array<uint8_t, 12>;
    auto rows_of = [](const std::array<const char*, 12>& art) {
        Glyph bytes{};
        for (size_t y = 0; y < art.size(); ++y) {
            for (int x = 0; x < 8; ++x) {
                if (art[y][x] == '#') bytes[y] = static_cast<uint8_t>(bytes[y] | (0x80 >> x));
            }
        }
        return bytes;
    };
    auto glyph = [&](int code) {
        Glyph rows{};
        std::copy_n(rom.begin() + code * 12, rows.size(), rows.begin());
        return rows;
    };
    EXPECT_EQ(glyph(0x01), rows_of({"........", "........", "....#...", "...#.#..", "..#...#.",
                                    "..#...#.", "..#####.", "..#...#.", "..#...#.", "........",
                                    "........", "........"}));  // A
    EXPECT_EQ(glyph(0x30), rows_of({"........", "........", "...###..", "..#...#.", "..#..##.",
                                    "..#.#.#.", "..##..#.", "..#...#.", "...###..", "........",
                                    "........", "........"}));  // 0
    EXPECT_EQ(glyph(0x20), Glyph{});  // space

    // Every other glyph is drawn, no two alike, and each leaves the rows and
    // columns at the cell's edges dark so neighbouring characters never touch.
    std::set<Glyph> seen;
    for (int code = 0; code < 64; ++code) {
        SCOPED_TRACE(code);
        const Glyph rows = glyph(code);
        EXPECT_TRUE(seen.insert(rows).second) << "duplicate glyph";
        if (code != 0x20) {
            EXPECT_NE(rows, Glyph{});
        }
        for (int row : {0, 1, 9, 10, 11}) EXPECT_EQ(rows[row], 0) << "row " << row;
        for (uint8_t byte : rows) EXPECT_EQ(byte & 0xC1, 0);
    }
}

}  // namespace
}  // namespace trivo

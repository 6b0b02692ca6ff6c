// mirla's processor against the MC6800 data sheet: every opcode's length and
// cycles, the flags by instruction class, the places where this core departs
// from the manual on purpose, the frame interrupt, reset and the counting of
// undefined opcodes.
#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "machine/bus.h"
#include "mirla_fixture.h"
#include "scratch_folder.h"

namespace {

using namespace mirla;
using namespace mirla_test;

struct Timing {
    uint8_t opcode;
    uint8_t length;
    uint8_t cycles;
};

// Lengths and cycles copied from the data sheet's instruction tables, group
// by group (not from the core's cycle table).
std::vector<Timing> data_sheet() {
    std::vector<Timing> t;
    auto add = [&](uint8_t op, int len, int cyc) { t.push_back({op, static_cast<uint8_t>(len), static_cast<uint8_t>(cyc)}); };
    // Inherent: NOP TAP TPA INX DEX CLV SEV CLC SEC CLI SEI SBA CBA TAB TBA DAA ABA
    for (uint8_t op : {0x01, 0x06, 0x07, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x16, 0x17, 0x19, 0x1B})
        add(op, 1, 2);
    add(0x08, 1, 4);  // INX
    add(0x09, 1, 4);  // DEX
    for (uint8_t op = 0x30; op <= 0x37; ++op) add(op, 1, 4);  // TSX INS PULA PULB DES TXS PSHA PSHB
    add(0x39, 1, 5);   // RTS
    add(0x3B, 1, 10);  // RTI
    add(0x3E, 1, 9);   // WAI
    add(0x3F, 1, 12);  // SWI
    add(0x20, 2, 4);   // BRA
    for (uint8_t op = 0x22; op <= 0x2F; ++op) add(op, 2, 4);
    add(0x8D, 2, 8);  // BSR
    // Accumulator and memory NEG COM LSR ROR ASR ASL ROL DEC INC TST CLR
    for (uint8_t low : {0x0, 0x3, 0x4, 0x6, 0x7, 0x8, 0x9, 0xA, 0xC, 0xD, 0xF}) {
        add(static_cast<uint8_t>(0x40 | low), 1, 2);
        add(static_cast<uint8_t>(0x50 | low), 1, 2);
        add(static_cast<uint8_t>(0x60 | low), 2, 7);
        add(static_cast<uint8_t>(0x70 | low), 3, 6);
    }
    add(0x6E, 2, 4);  // JMP indexed
    add(0x7E, 3, 3);  // JMP extended
    // SUB CMP SBC AND BIT LDA EOR ADC ORA ADD, both accumulators
    for (uint8_t base : {0x80, 0xC0}) {
        for (uint8_t low : {0x0, 0x1, 0x2, 0x4, 0x5, 0x6, 0x8, 0x9, 0xA, 0xB}) {
            add(static_cast<uint8_t>(base | low), 2, 2);
            add(static_cast<uint8_t>(base + 0x10 + low), 2, 3);
            add(static_cast<uint8_t>(base + 0x20 + low), 2, 5);
            add(static_cast<uint8_t>(base + 0x30 + low), 3, 4);
        }
        add(static_cast<uint8_t>(base + 0x17), 2, 4);  // STA direct, indexed, extended
        add(static_cast<uint8_t>(base + 0x27), 2, 6);
        add(static_cast<uint8_t>(base + 0x37), 3, 5);
    }
    // CPX LDS (A side) and LDX (B side): immediate, direct, indexed, extended
    for (uint8_t op : {0x8C, 0x8E, 0xCE}) {
        add(op, 3, 3);
        add(static_cast<uint8_t>(op + 0x10), 2, 4);
        add(static_cast<uint8_t>(op + 0x20), 2, 6);
        add(static_cast<uint8_t>(op + 0x30), 3, 5);
    }
    for (uint8_t op : {0x9F, 0xDF}) {  // STS, STX
        add(op, 2, 5);
        add(static_cast<uint8_t>(op + 0x10), 2, 7);
        add(static_cast<uint8_t>(op + 0x20), 3, 6);
    }
    add(0xAD, 2, 8);  // JSR indexed
    add(0xBD, 3, 9);  // JSR extended
    return t;
}

// Where control transfers land with the fixture below: operands 00 00, X =
// 2000, the stack filled with 12.
uint16_t expected_pc(uint8_t op, int length) {
    switch (op) {
        case 0x6E: case 0xAD: return 0x2000;
        case 0x7E: case 0xBD: return 0x0000;
        case 0x39: case 0x3B: return 0x1212;
        default: return static_cast<uint16_t>(0x1000 + length);
    }
}

TEST(MirlaCpu, EveryDefinedOpcodeHasTheDataSheetLengthAndCycles) {
    const auto table = data_sheet();
    ASSERT_EQ(table.size(), 197u);  // the MC6800's documented opcodes
    for (const Timing& t : table) {
        SCOPED_TRACE(::testing::Message() << "opcode " << std::hex << int(t.opcode));
        auto m = make_test_machine();
        std::fill(m->memory_image.begin() + 0x2F00, m->memory_image.begin() + 0x3100, 0x12);
        poke(*m, 0x1000, {t.opcode, 0x00, 0x00});
        m->cpu.pc = 0x1000;
        m->cpu.x = 0x2000;
        m->cpu.sp = 0x3000;
        EXPECT_EQ(cpu_step(*m), t.cycles);
        EXPECT_EQ(cycle_table[t.opcode], t.cycles);
        EXPECT_EQ(m->cpu.pc, expected_pc(t.opcode, t.length));
        EXPECT_FALSE(cpu_is_undefined(t.opcode));
        EXPECT_FALSE(m->undefined.label_visible);
    }
}

TEST(MirlaCpu, UndefinedOpcodesAreOneByteTwoCyclesCountedAndShown) {
    const auto table = data_sheet();
    std::vector<uint8_t> undefined;
    for (int op = 0; op < 256; ++op) {
        const bool documented = std::any_of(table.begin(), table.end(), [&](const Timing& t) { return t.opcode == op; });
        if (!documented && op != 0x00 && op != 0x02) undefined.push_back(static_cast<uint8_t>(op));
    }
    ASSERT_EQ(undefined.size(), 57u);
    auto m = make_test_machine();
    for (uint8_t op : undefined) {
        SCOPED_TRACE(::testing::Message() << "opcode " << std::hex << int(op));
        EXPECT_TRUE(cpu_is_undefined(op));
        poke(*m, 0xC012, {op, 0x86});
        m->cpu.pc = 0xC012;
        m->cpu.a = 0x55;
        m->cpu.b = 0x66;
        m->cpu.x = 0x7788;
        m->cpu.sp = 0x0100;
        set_flags(*m, N | C);
        const uint16_t cw = m->cpu.cw;
        EXPECT_EQ(cpu_step(*m), 2);
        EXPECT_EQ(m->cpu.pc, 0xC013);
        EXPECT_EQ(m->cpu.a, 0x55);
        EXPECT_EQ(m->cpu.b, 0x66);
        EXPECT_EQ(m->cpu.x, 0x7788);
        EXPECT_EQ(m->cpu.sp, 0x0100);
        EXPECT_EQ(m->cpu.cw, cw);
        EXPECT_EQ(m->undefined.counts[op], 1u);
    }
    // The label shows the last one: address, colon and blank, opcode.
    poke(*m, 0xC012, {0x03});
    m->cpu.pc = 0xC012;
    cpu_step(*m);
    EXPECT_TRUE(m->undefined.label_visible);
    EXPECT_EQ(undefined_label_text(*m), "C012: 03");
    EXPECT_EQ(m->undefined.counts[0x03], 2u);
}

TEST(MirlaCpu, ZeroAndTwoRunAsUncountedNops) {
    auto m = make_test_machine();
    poke(*m, 0x1000, {0x00, 0x02, 0x01});
    m->cpu.pc = 0x1000;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cpu_step(*m), 2);
    EXPECT_EQ(m->cpu.pc, 0x1003);
    EXPECT_FALSE(m->undefined.label_visible);
    EXPECT_EQ(m->undefined.counts[0x00] + m->undefined.counts[0x02], 0u);
}

struct FlagCase {
    const char* name;
    std::array<uint8_t, 3> code;  // the instruction, operands inline
    uint8_t a, b, cc_in;
    uint8_t a_out, b_out, cc_out;  // the six flags after it
};

// Flags by instruction class, from the manual's tables and this core's
// rules (the departures are marked).
constexpr FlagCase flag_cases[] = {
    // ADD, ADC, ABA: H N Z V C
    {"adda overflow", {0x8B, 0x01}, 0x7F, 0, 0, 0x80, 0, H | N | V},
    {"adda wrap", {0x8B, 0x01}, 0xFF, 0, 0, 0x00, 0, H | Z | C},
    {"adca carry in", {0x89, 0x0F}, 0x00, 0, C, 0x10, 0, H},
    {"addb", {0xCB, 0x80}, 0, 0x80, 0, 0, 0x00, Z | V | C},
    {"aba", {0x1B}, 0x08, 0x08, 0, 0x10, 0x08, H},
    // SUB, SBC, CMP, SBA, CBA, NEG: N Z V C, H unchanged
    {"suba borrow keeps H", {0x80, 0x01}, 0x00, 0, H, 0xFF, 0, H | N | C},
    {"suba overflow", {0x80, 0x01}, 0x80, 0, 0, 0x7F, 0, V},
    {"sbca borrow in", {0x82, 0x00}, 0x00, 0, C, 0xFF, 0, N | C},
    {"cmpa equal", {0x81, 0x42}, 0x42, 0, 0, 0x42, 0, Z},
    {"sba", {0x10}, 0x05, 0x06, 0, 0xFF, 0x06, N | C},
    {"cba", {0x11}, 0x06, 0x05, C, 0x06, 0x05, 0},
    {"nega 80", {0x40}, 0x80, 0, 0, 0x80, 0, N | V | C},
    {"nega 00", {0x40}, 0x00, 0, C, 0x00, 0, Z},
    // AND BIT EOR ORA LDA TAB TBA: N Z, V cleared, C and H unchanged
    {"anda keeps C H", {0x84, 0x80}, 0xFF, 0, V | C | H, 0x80, 0, N | C | H},
    {"bita", {0x85, 0x0F}, 0xF0, 0, V, 0xF0, 0, Z},
    {"eorb", {0xC8, 0xFF}, 0, 0x0F, 0, 0, 0xF0, N},
    {"oraa", {0x8A, 0x00}, 0x00, 0, V, 0x00, 0, Z},
    {"ldab", {0xC6, 0x7F}, 0, 0, V | C, 0, 0x7F, C},
    {"tab", {0x16}, 0x80, 0x00, V, 0x80, 0x80, N},
    {"tba", {0x17}, 0x11, 0x00, 0, 0x00, 0x00, Z},
    // COM: N Z, V cleared, C set
    {"coma 00", {0x43}, 0x00, 0, V, 0xFF, 0, N | C},
    // TST: N Z, V C cleared
    {"tstb", {0x5D}, 0, 0x00, V | C, 0, 0x00, Z},
    // CLR: Z, N V C cleared
    {"clra", {0x4F}, 0x55, 0, N | V | C, 0x00, 0, Z},
    // INC, DEC: N Z V, C unchanged
    {"inca 7F", {0x4C}, 0x7F, 0, C, 0x80, 0, N | V | C},
    {"deca 80", {0x4A}, 0x80, 0, 0, 0x7F, 0, V},
    {"decb 01", {0x5A}, 0, 0x01, C, 0, 0x00, Z | C},
    // ASL, ROL: N Z C, V = N xor C
    {"asla 80", {0x48}, 0x80, 0, 0, 0x00, 0, Z | V | C},
    {"asla 40", {0x48}, 0x40, 0, 0, 0x80, 0, N | V},
    {"rola carry in", {0x49}, 0xC0, 0, C, 0x81, 0, N | C},
    // ASR: N Z C, V cleared (manual: N xor C)
    {"asra 81", {0x47}, 0x81, 0, V, 0xC0, 0, N | C},
    // LSR: Z C, N cleared, V = bit 7 of the operand (manual: N xor C)
    {"lsra 01", {0x44}, 0x01, 0, N | V, 0x00, 0, Z | C},
    {"lsra 80", {0x44}, 0x80, 0, 0, 0x40, 0, V},
    // ROR: N Z C, V = bit 7 xor bit 6 of the result (manual: N xor C)
    {"rora 01", {0x46}, 0x01, 0, V, 0x00, 0, Z | C},
    {"rora carry in", {0x46}, 0x00, 0, C, 0x80, 0, N | V},
    {"rorb 81 carry in", {0x56}, 0, 0x81, C, 0, 0xC0, N | C},
    // DAA: N Z C from the adjust, H unchanged, V cleared here (undefined)
    {"daa 9A", {0x19}, 0x9A, 0, 0, 0x00, 0, Z | C},
    {"daa half carry", {0x19}, 0x13, 0, H | V, 0x19, 0, H},
    {"daa carry stays", {0x19}, 0x12, 0, C, 0x72, 0, C},
    // TAP, TPA
    {"tap all", {0x06}, 0x3F, 0, 0, 0x3F, 0, H | I | N | Z | V | C},
    {"tpa", {0x07}, 0x00, 0, Z | C, 0xC5, 0, Z | C},
    // the one-flag instructions
    {"sec", {0x0D}, 0, 0, 0, 0, 0, C},
    {"clc", {0x0C}, 0, 0, N | C, 0, 0, N},
    {"sev", {0x0B}, 0, 0, 0, 0, 0, V},
    {"clv", {0x0A}, 0, 0, V | Z, 0, 0, Z},
    {"sei", {0x0F}, 0, 0, 0, 0, 0, I},
    {"cli", {0x0E}, 0, 0, I | H, 0, 0, H},
};

TEST(MirlaCpu, FlagsByInstructionClass) {
    for (const FlagCase& c : flag_cases) {
        SCOPED_TRACE(c.name);
        auto m = make_test_machine();
        poke(*m, 0x1000, {c.code[0], c.code[1], c.code[2]});
        m->cpu.pc = 0x1000;
        m->cpu.a = c.a;
        m->cpu.b = c.b;
        set_flags(*m, c.cc_in);
        cpu_step(*m);
        EXPECT_EQ(m->cpu.a, c.a_out);
        EXPECT_EQ(m->cpu.b, c.b_out);
        EXPECT_EQ(flags(*m), c.cc_out);
        EXPECT_TRUE(m->cpu.cw & cw_reset_bit) << "bit 9 is carried along";
    }
}

struct WordCase {
    const char* name;
    std::array<uint8_t, 3> code;
    uint16_t x, sp;
    uint8_t cc_in;
    uint16_t x_out, sp_out;
    uint8_t cc_out;
};

constexpr WordCase word_cases[] = {
    // CPX: N Z V from the whole 16-bit subtraction, C unchanged
    {"cpx 16-bit overflow", {0x8C, 0x00, 0x01}, 0x8000, 0, 0, 0x8000, 0, V},
    {"cpx keeps C", {0x8C, 0x12, 0x34}, 0x1234, 0, C | N, 0x1234, 0, Z | C},
    {"cpx low bytes differ only", {0x8C, 0x12, 0x35}, 0x1234, 0, 0, 0x1234, 0, N},
    // INX, DEX: Z from 16 bits only
    {"inx wraps", {0x08}, 0xFFFF, 0, N | C, 0x0000, 0, N | Z | C},
    {"dex", {0x09}, 0x0100, 0, Z, 0x00FF, 0, 0},
    // LDX, LDS: N from bit 15, Z from 16 bits, V cleared, C unchanged
    {"ldx", {0xCE, 0x80, 0x00}, 0, 0, V | C, 0x8000, 0, N | C},
    {"lds zero", {0x8E, 0x00, 0x00}, 0, 0x1234, V, 0, 0x0000, Z},
    // TSX, TXS
    {"tsx", {0x30}, 0, 0x01FF, Z, 0x0200, 0x01FF, Z},
    {"txs", {0x35}, 0x0200, 0, 0, 0x0200, 0x01FF, 0},
};

TEST(MirlaCpu, SixteenBitFlagsAndTransfers) {
    for (const WordCase& c : word_cases) {
        SCOPED_TRACE(c.name);
        auto m = make_test_machine();
        poke(*m, 0x1000, {c.code[0], c.code[1], c.code[2]});
        m->cpu.pc = 0x1000;
        m->cpu.x = c.x;
        m->cpu.sp = c.sp;
        set_flags(*m, c.cc_in);
        cpu_step(*m);
        EXPECT_EQ(m->cpu.x, c.x_out);
        EXPECT_EQ(m->cpu.sp, c.sp_out);
        EXPECT_EQ(flags(*m), c.cc_out);
    }
}

TEST(MirlaCpu, BranchConditions) {
    struct Case {
        uint8_t op;
        uint8_t cc;
        bool taken;
    };
    constexpr Case cases[] = {
        {0x22, 0, true},      {0x22, C, false},     {0x22, Z, false},  // bhi
        {0x23, 0, false},     {0x23, Z, true},                         // bls
        {0x24, C, false},     {0x25, C, true},                         // bcc bcs
        {0x26, Z, false},     {0x27, Z, true},                         // bne beq
        {0x28, V, false},     {0x29, V, true},                         // bvc bvs
        {0x2A, N, false},     {0x2B, N, true},                         // bpl bmi
        {0x2C, N | V, true},  {0x2C, N, false},                        // bge
        {0x2D, V, true},      {0x2D, 0, false},                        // blt
        {0x2E, 0, true},      {0x2E, Z, false},     {0x2E, N, false},  // bgt
        {0x2F, Z, true},      {0x2F, N | V, false}, {0x2F, V, true},   // ble
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << int(c.op) << " cc " << int(c.cc));
        auto m = make_test_machine();
        poke(*m, 0x1000, {c.op, 0xFC});  // back 4 from the next instruction
        m->cpu.pc = 0x1000;
        set_flags(*m, c.cc);
        cpu_step(*m);
        EXPECT_EQ(m->cpu.pc, c.taken ? 0x0FFE : 0x1002);
    }
}

TEST(MirlaCpu, StackOrderOfCallsAndReturns) {
    auto m = make_test_machine();
    // jsr $2000 at 1000; the subroutine pushes A and B, pulls them back
    // crossed, and returns.
    poke(*m, 0x1000, {0xBD, 0x20, 0x00});
    poke(*m, 0x2000, {0x36, 0x37, 0x32, 0x33, 0x39});
    m->cpu.pc = 0x1000;
    m->cpu.sp = 0x01FF;
    m->cpu.a = 0x11;
    m->cpu.b = 0x22;
    cpu_step(*m);
    EXPECT_EQ(m->cpu.sp, 0x01FD);
    EXPECT_EQ(m->memory_image[0x01FE], 0x10) << "high byte below";
    EXPECT_EQ(m->memory_image[0x01FF], 0x03) << "low byte at the old SP";
    for (int i = 0; i < 5; ++i) cpu_step(*m);
    EXPECT_EQ(m->cpu.a, 0x22);
    EXPECT_EQ(m->cpu.b, 0x11);
    EXPECT_EQ(m->cpu.pc, 0x1003);
    EXPECT_EQ(m->cpu.sp, 0x01FF);
}

TEST(MirlaCpu, SwiAndWaiOnlySpendTheirCycles) {
    for (uint8_t op : {0x3F, 0x3E}) {
        auto m = make_test_machine();
        poke(*m, 0x1000, {op});
        poke(*m, 0xFFFA, {0x40, 0x00});
        m->cpu.pc = 0x1000;
        m->cpu.sp = 0x01FF;
        const auto before = m->memory_image;
        EXPECT_EQ(cpu_step(*m), op == 0x3F ? 12 : 9);
        EXPECT_EQ(m->cpu.pc, 0x1001);
        EXPECT_EQ(m->cpu.sp, 0x01FF);
        EXPECT_EQ(flags(*m), 0);
        EXPECT_EQ(m->memory_image, before);
    }
}

TEST(MirlaCpu, ReadModifyWriteOnMemory) {
    auto m = make_test_machine();
    poke(*m, 0x1000, {0x6C, 0x05, 0x79, 0x30, 0x00, 0x6D, 0x05});  // inc 5,x; rol $3000; tst 5,x
    m->cpu.pc = 0x1000;
    m->cpu.x = 0x2000;
    m->memory_image[0x2005] = 0x7F;
    m->memory_image[0x3000] = 0x81;
    cpu_step(*m);
    EXPECT_EQ(m->memory_image[0x2005], 0x80);
    EXPECT_EQ(flags(*m), N | V);
    EXPECT_EQ(m->cpu.ea, 0x2005);
    set_flags(*m, C);
    cpu_step(*m);
    EXPECT_EQ(m->memory_image[0x3000], 0x03);
    EXPECT_EQ(flags(*m), V | C);
    cpu_step(*m);
    EXPECT_EQ(flags(*m), N);
}

// The "Q.Lumen II" keypad register steps its row counter on every read, so a
// store to it (which reads first) advances the row once, as a load does.
TEST(MirlaCpu, StoresReadTheirAddressFirst) {
    struct Case {
        const char* name;
        std::array<uint8_t, 3> code;
        int steps;
    };
    constexpr Case cases[] = {
        {"staa extended", {0xB7, 0xC0, 0x00}, 1},
        {"clr extended", {0x7F, 0xC0, 0x00}, 1},
        {"stx extended", {0xFF, 0xC0, 0x00}, 1},   // reads registers 0 and 1; only 0 steps
        {"ldaa extended", {0xB6, 0xC0, 0x00}, 1},
        {"staa to register 1", {0xB7, 0xC0, 0x01}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = make_test_machine(MachineKind::qlumen2, false);
        m->qlumen2.last_control = 0x00;  // no falling edge from the write itself
        poke(*m, 0xD000, {c.code[0], c.code[1], c.code[2]});
        m->cpu.pc = 0xD000;
        m->cpu.a = 0xC0;
        m->cpu.x = 0xC0C0;
        cpu_step(*m);
        EXPECT_EQ(m->qlumen2.row_counter, c.steps);
    }
}

TEST(MirlaCpu, ResetClearsFlagsAndLoadsTheVector) {
    auto m = make_test_machine();
    poke(*m, 0xFFFE, {0xE0, 0x10});
    m->cpu.a = 0x12;
    m->cpu.b = 0x34;
    m->cpu.x = 0x5678;
    m->cpu.sp = 0x9ABC;
    m->cpu.cw = 0xFFFF;
    m->cpu.irq_request = true;
    m->key_matrix[3] = 0x00;
    m->apf.graphics_mode = true;
    cpu_reset(*m);
    EXPECT_EQ(m->cpu.pc, 0xE010);
    EXPECT_EQ(m->cpu.cw, cw_reset_bit);
    EXPECT_EQ(m->cpu.cycles_left, 192);
    EXPECT_FALSE(m->cpu.irq_request);
    EXPECT_EQ(m->key_matrix[3], 0xFF);
    EXPECT_FALSE(m->apf.graphics_mode);
    EXPECT_EQ(m->cpu.a, 0x12);
    EXPECT_EQ(m->cpu.b, 0x34);
    EXPECT_EQ(m->cpu.x, 0x5678);
    EXPECT_EQ(m->cpu.sp, 0x9ABC);
    // TPA right after reset: I clear, the two top bits set.
    poke(*m, 0xE010, {0x07});
    cpu_step(*m);
    EXPECT_EQ(m->cpu.a, 0xC0);
}

TEST(MirlaCpu, FrameInterruptIsALevelTakenAtCheckPoints) {
    auto m = make_test_machine();
    poke(*m, 0xFFF8, {0x30, 0x00});
    poke(*m, 0x3000, {0x3B});  // rti
    m->cpu.pc = 0x1234;
    m->cpu.x = 0x5678;
    m->cpu.a = 0x9A;
    m->cpu.b = 0xBC;
    m->cpu.sp = 0x01FF;
    m->cpu.cycles_left = 100;
    set_flags(*m, N | C);

    EXPECT_FALSE(cpu_frame_interrupt_check(*m)) << "no request";
    m->cpu.irq_request = true;
    set_flags(*m, N | C | I);
    EXPECT_FALSE(cpu_frame_interrupt_check(*m)) << "masked";
    set_flags(*m, N | C);

    ASSERT_TRUE(cpu_frame_interrupt_check(*m));
    EXPECT_EQ(m->cpu.pc, 0x3000);
    EXPECT_EQ(m->cpu.sp, 0x01F8) << "7 bytes stacked";
    const std::array<uint8_t, 7> stacked = {0xC9, 0xBC, 0x9A, 0x56, 0x78, 0x12, 0x34};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(m->memory_image[0x01F9 + i], stacked[i]) << i;
    EXPECT_EQ(flags(*m), N | C | I);
    EXPECT_EQ(m->cpu.cycles_left, 88);
    EXPECT_TRUE(m->cpu.irq_request) << "taking it does not clear the request";

    EXPECT_FALSE(cpu_frame_interrupt_check(*m)) << "I is set inside the handler";
    cpu_step(*m);  // rti
    EXPECT_EQ(m->cpu.pc, 0x1234);
    EXPECT_EQ(m->cpu.x, 0x5678);
    EXPECT_EQ(m->cpu.a, 0x9A);
    EXPECT_EQ(m->cpu.b, 0xBC);
    EXPECT_EQ(flags(*m), N | C);
    EXPECT_TRUE(cpu_frame_interrupt_check(*m)) << "a request left set interrupts again";
}

TEST(MirlaCpu, UndefinedListFileAndClearing) {
    test_support::ScratchFolder folder;
    auto m = make_test_machine();
    m->undefined.counts[0x03] = 7;
    m->undefined.counts[0xFD] = 123456;
    m->undefined.label_visible = true;
    const std::string text = undefined_list_text(*m);
    std::istringstream lines(text);
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        char expected[16];
        const unsigned count = n == 0x03 ? 7 : n == 0xFD ? 123456 : 0;
        std::snprintf(expected, sizeof expected, "%02X%6u", n, count);
        EXPECT_EQ(line, expected);
        ++n;
    }
    EXPECT_EQ(n, 256);
    EXPECT_EQ(text.substr(3 * 9, 9), "03     7\n");

    const std::string path = folder.file("inst_ill.txt");
    ASSERT_TRUE(undefined_write_list(*m, path));
    std::ifstream in(path);
    std::stringstream written;
    written << in.rdbuf();
    EXPECT_EQ(written.str(), text);
    EXPECT_EQ(m->undefined.counts[0xFD], 0u);
    EXPECT_FALSE(m->undefined.label_visible);

    // A folder that does not exist: nothing written, the counts kept.
    m->undefined.counts[0x03] = 1;
    EXPECT_FALSE(undefined_write_list(*m, folder.file("missing/inst_ill.txt")));
    EXPECT_EQ(m->undefined.counts[0x03], 1u);
}

}  // namespace

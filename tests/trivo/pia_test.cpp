// The I/O ports as the machine's programs see them: keypads, keyboard rows,
// the field-sync interrupt, the speaker bit and the printer port, exercised
// by small 6800 programs running on the real memory map.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "cpu/cpu.h"
#include "fake_host.h"
#include "machine/bus.h"
#include "machine/io.h"
#include "machine/keys.h"
#include "machine/machine.h"
#include "machine/scheduler.h"

namespace trivo {
namespace {

using test::FakeHost;
using test::FakeSink;

// A machine as sold, with a program in the keyboard unit's RAM at A000.
struct Console {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    FakeHost host;

    Console() {
        m.host = &host;
        memory_map_build(m);
        // Vectors live in the system ROM window; the test writes them straight
        // into the image the window reads.
        set_word(vector_reset, 0xA000);
        set_word(vector_irq, 0xA020);
        m.cpu.s = 0x01FF;
    }

    void load(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) m.memory_image[address++] = b;
    }
    void set_word(uint16_t address, uint16_t value) {
        m.memory_image[address] = static_cast<uint8_t>(value >> 8);
        m.memory_image[address + 1] = static_cast<uint8_t>(value);
    }
    void start() {
        cpu_init(m);
        cpu_reset(m);
    }
};

// Keypad columns (PIA1) and keyboard rows (PIA2) as a program reads them:
// it selects on port B, then reads port A, where a held key reads 0.
TEST(Pia, KeypadColumnsAndKeyboardRowsAsReadByAProgram) {
    struct PortCase {
        uint16_t pia;    // port A at +0, port B at +2
        uint8_t select;  // written to port B
        std::vector<uint8_t> held;
        uint8_t expected;  // read from port A
    };
    const PortCase cases[] = {
        // PIA1 port B bits 3-0 select keypad columns, active low.
        {pia1_base, 0xFE, {key_pad_digit_0 + 7, key_pad_digit_0 + 1 + key_pad_right_offset}, 0x7E},
        {pia1_base, 0xF0, {key_pad_fire + key_pad_right_offset}, 0xFD},
        {pia1_base, 0xFF, {key_pad_fire, key_pad_digit_0 + 7, key_pad_west}, 0xFF},
        {pia1_base, 0xFD, {key_pad_west, key_pad_north, key_pad_east, key_pad_south}, 0x0F},
        {pia1_base, 0xFB, {key_pad_digit_0 + 9, key_pad_clear + key_pad_right_offset}, 0x7D},
        {pia1_base, 0xF7, {key_pad_digit_0 + 8, key_pad_digit_0 + 2 + key_pad_right_offset}, 0x7E},
        {pia1_base, 0xF7, {key_pad_digit_0 + 7}, 0xFF},  // a key of an unselected column
        // PIA2 port B bits 2-0 select a keyboard row.
        {pia2_base, 0x05, {key_return}, 0xFB},
        {pia2_base, 0x05, {key_return, key_space}, 0xFA},
        {pia2_base, 0x00, {0, 7}, 0x7E},  // X and S
        {pia2_base, 0xF8, {0, 7}, 0x7E},  // only bits 2-0 select the row
        {pia2_base, 0x06, {key_shift, key_return}, 0xFE},
        {pia2_base, 0x07, {key_shift}, 0xFF},  // row 7 has no keys
    };
    for (const PortCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "PIA at " << c.pia << ", port B "
                                          << int(c.select));
        const auto high = static_cast<uint8_t>(c.pia >> 8);
        Console t;
        t.load(0xA000, {
                           0x86, c.select,        // ldaa #select
                           0xB7, high, 0x02,      // staa port B
                           0xB6, high, 0x00,      // ldaa port A
                           0x97, 0x80,            // staa $80
                           0x20, 0xFE,            // bra  *
                       });
        for (uint8_t key : c.held) t.m.key_state[key] = 1;
        t.start();
        cpu_execute(t.m, 100);
        EXPECT_EQ(t.m.memory_image[0x80], c.expected);
    }
}

// Main program: counts loop passes of 8 cycles in X. Interrupt handler:
// releases the IRQ, counts interrupts at $80 and keeps X at the last two
// interrupts at $82 and $84 (51 cycles with the interrupt entry).
void load_interrupt_counter(Console& t, uint8_t crb) {
    t.load(0xA000, {
                       0x8E, 0x01, 0xFF,  // a000 lds  #$01ff
                       0x86, crb,         // a003 ldaa #crb
                       0xB7, 0x20, 0x03,  // a005 staa $2003
                       0xCE, 0x00, 0x00,  // a008 ldx  #0
                       0x0E,              // a00b cli
                       0x08,              // a00c inx        loop
                       0x20, 0xFD,        // a00d bra  loop
                   });
    t.load(0xA020, {
                       0xB6, 0x20, 0x02,  // a020 ldaa $2002  releases the IRQ
                       0x7C, 0x00, 0x80,  // a023 inc  $0080
                       0x96, 0x82,        // a026 ldaa $82
                       0x97, 0x84,        // a028 staa $84
                       0x96, 0x83,        // a02a ldaa $83
                       0x97, 0x85,        // a02c staa $85
                       0xDF, 0x82,        // a02e stx  $82
                       0x3B,              // a030 rti
                   });
}

TEST(FieldSync, InterruptOncePerFrameOnlyForTheEnabledEdges) {
    struct IrqCase {
        uint8_t crb;
        int interrupts;
    };
    for (const IrqCase& c : {IrqCase{0x05, 10}, IrqCase{0x07, 10}, IrqCase{0x04, 0},
                             IrqCase{0x01, 0}}) {
        SCOPED_TRACE(::testing::Message() << "CRB " << int(c.crb));
        Console t;
        set_timing_mode(t.m.settings, TimingMode::fast);
        timing_recompute(t.m);
        load_interrupt_counter(t, c.crb);
        t.start();
        cpu_execute(t.m, 40);  // set-up code, up to the loop
        for (int frame = 0; frame < 10; ++frame) frame_tick(t.m);
        EXPECT_EQ(t.m.memory_image[0x80], c.interrupts);
        if (c.interrupts > 0) {
            // Between two interrupts the loop ran for one frame less the handler.
            const int x_last = t.m.memory_image[0x82] << 8 | t.m.memory_image[0x83];
            const int x_before = t.m.memory_image[0x84] << 8 | t.m.memory_image[0x85];
            const int loops = (x_last - x_before) & 0xFFFF;
            EXPECT_NEAR(loops * 8 + 51, frame_cycles, 16);
        }
    }
}

TEST(FieldSync, RisingEdgeAtFrameStartFallingEdgeAfter13066Cycles) {
    struct PhaseCase {
        uint8_t crb;
        uint32_t earliest;
        uint32_t latest;
    };
    for (const PhaseCase& c : {PhaseCase{0x07, 0, 0}, PhaseCase{0x05, 13066, 13066 + 8}}) {
        SCOPED_TRACE(::testing::Message() << "CRB " << int(c.crb));
        Console t;
        set_timing_mode(t.m.settings, TimingMode::fast);
        timing_recompute(t.m);
        load_interrupt_counter(t, c.crb);
        t.start();
        cpu_execute(t.m, 40);
        frame_tick(t.m);  // the first interrupt, then measure the second frame's
        t.m.debug_flags = flag_interrupt;
        frame_tick(t.m);
        ASSERT_EQ(t.m.break_flags, flag_interrupt);
        const uint32_t at = t.m.machine_clock - t.m.video_mode_log.frame_start_clock;
        EXPECT_GE(at, c.earliest);
        EXPECT_LE(at, c.latest);
        EXPECT_STREQ(t.m.break_reason, "Interrupt M6800#%d take IRQ1\n");
    }
}

TEST(FieldSync, ReadingPortBThroughAnyAddressReleasesTheIrq) {
    for (uint16_t address : {uint16_t{0x2002}, uint16_t{0x2006}, uint16_t{0x3FFE}}) {
        SCOPED_TRACE(address);
        Console t;
        t.load(0xA000, {
                           0xB6, static_cast<uint8_t>(address >> 8),
                           static_cast<uint8_t>(address),  // ldaa port B
                           0x20, 0xFE,                     // bra  *
                       });
        t.start();  // I is set: the held line waits
        t.m.memory_image[0x2003] = 0x07;
        field_sync_rise(t.m);
        ASSERT_EQ(t.m.cpu.irq_line, 2);
        cpu_execute(t.m, 10);
        EXPECT_EQ(t.m.cpu.irq_line, 0);
    }
}

TEST(FieldSync, DebuggerSnapshotLeavesTheIrqHeld) {
    Console t;
    t.start();
    t.m.memory_image[0x2003] = 0x05;
    field_sync_fall(t.m);
    io_snapshot(t.m);
    EXPECT_EQ(t.m.cpu.irq_line, 2);
}

TEST(Speaker, OneEdgePerChangeOfTheBit) {
    Console t;
    FakeSink sink;
    t.m.sound.sink = &sink;
    timing_recompute(t.m);
    sound_initialise(t.m);
    t.load(0xA000, {
                       0x86, 0x08,        // ldaa #$08
                       0xB7, 0x20, 0x03,  // staa $2003  rises
                       0xB7, 0x20, 0x03,  // staa $2003  same level: no edge
                       0x86, 0x0C,        // ldaa #$0c
                       0xB7, 0x20, 0x03,  // staa $2003  still high
                       0x86, 0x00,        // ldaa #$00
                       0xB7, 0x20, 0x07,  // staa $2007  falls (through an image)
                       0x86, 0x08,        // ldaa #$08
                       0xB7, 0x20, 0x03,  // staa $2003  rises
                       0x20, 0xFE,        // bra  *
                   });
    t.start();
    cpu_execute(t.m, 200);
    ASSERT_EQ(t.m.sound.click_count, 3);
    EXPECT_EQ(t.m.sound.click_level[0], 1);
    EXPECT_EQ(t.m.sound.click_level[1], 0);
    EXPECT_EQ(t.m.sound.click_level[2], 1);
    // An edge is stamped with the clock at the start of the storing
    // instruction: the first comes after the 2-cycle load.
    EXPECT_EQ(t.m.sound.click_offset[0], 2u);
    EXPECT_LT(t.m.sound.click_offset[1], t.m.sound.click_offset[2]);
}

TEST(Pia1, ControlRegisterBBit7IsNotWritable) {
    Console t;
    bus_write(t.m, 0x2003, 0x87);
    EXPECT_EQ(bus_read(t.m, 0x2003), 0x07);
    bus_write(t.m, 0x2001, 0x88);  // CRA is a plain latch
    EXPECT_EQ(bus_read(t.m, 0x2001), 0x88);
}

TEST(PrinterPort, RegisterZeroReadsReady) {
    Console t;
    bus_write(t.m, 0x6400, 0x00);
    EXPECT_EQ(bus_read(t.m, 0x6400), 0x02);
    bus_write(t.m, 0x6402, 0x00);
    EXPECT_EQ(bus_read(t.m, 0x6402), 0x00);
    EXPECT_EQ(bus_read(t.m, 0x6404), 0x02);  // image of register 0
}

}  // namespace
}  // namespace trivo

// Soft and hard machine resets: what each keeps, what each rebuilds, and
// that the processor starts from the installed system ROM.
#include <gtest/gtest.h>

#include "cassette/printer.h"
#include "cpu/cpu.h"
#include "machine/bus.h"
#include "machine/machine.h"
#include "machine/reset.h"
#include "machine/rom_images.h"
#include "rom_fixture.h"

namespace trivo {
namespace {

using test::fixture_loop;
using test::fixture_program;
using test::ScratchDir;

struct ResetMachine {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    test::FakeHost host;

    ResetMachine() {
        m.host = &host;
        set_cart_type(m.settings, CartType::none);
        load_rom_images(m, test::fixture_builtins());
    }
};

TEST(MachineReset, HardResetInstallsTheImagesAndRunsFromTheResetVector) {
    ResetMachine r;
    Machine& m = r.m;
    m.memory_image.fill(0x5A);  // RAM, latches and ROM windows all hold leftovers
    m.machine_clock = 123456;
    m.cpu.cc = 0xC0;

    machine_reset(m, ResetKind::hard);

    EXPECT_EQ(m.cpu.pc, fixture_program);
    EXPECT_TRUE(m.cpu.cc & cc_i);
    EXPECT_EQ(m.machine_clock, 0u);
    EXPECT_TRUE(m.machine_started);
    EXPECT_EQ(m.memory_image[0xA000], 0);    // RAM cleared
    EXPECT_EQ(m.memory_image[0x2003], 0);    // PIA1 latch cleared
    EXPECT_EQ(m.memory_image[0x8000], 0);    // no cartridge
    EXPECT_EQ(m.memory_image[0x4000], 0x86); // the program's first byte, in both windows
    EXPECT_EQ(m.memory_image[0xE000], 0x86);

    // LDAA #$42, STAA $A000, LDX #$1234, then BRA * for the rest.
    cpu_execute(m, 40);
    EXPECT_EQ(m.cpu.a, 0x42);
    EXPECT_EQ(m.cpu.x, 0x1234);
    EXPECT_EQ(m.memory_image[0xA000], 0x42);
    EXPECT_EQ(m.cpu.pc, fixture_loop);
    EXPECT_GT(m.machine_clock, 0u);
}

TEST(MachineReset, SoftResetKeepsMemoryAndLatchesButTheCassetteInput) {
    ResetMachine r;
    Machine& m = r.m;
    machine_reset(m, ResetKind::hard);
    cpu_execute(m, 40);
    ASSERT_EQ(m.memory_image[0xA000], 0x42);

    m.memory_image[0xA123] = 0x77;
    m.memory_image[pia1_base + 3] = 0x3F;  // PIA1 CRB
    m.memory_image[pia2_base + 2] = 0xFF;  // PIA2 port B, cassette input high
    m.memory_image[0x4000] = 0x99;         // a ROM copy changed behind the map's back
    m.settings.expandertype = 1;           // a soft reset does not rebuild the map
    machine_reset(m, ResetKind::soft);

    EXPECT_EQ(m.memory_image[0xA000], 0x42);
    EXPECT_EQ(m.memory_image[0xA123], 0x77);
    EXPECT_EQ(m.memory_image[pia1_base + 3], 0x3F);
    EXPECT_EQ(m.memory_image[pia2_base + 2], 0x7F);
    EXPECT_EQ(m.memory_image[0x4000], 0x99);
    EXPECT_EQ(bus_read(m, 0xC000), 0xFF);  // still nothing at C000
    EXPECT_EQ(m.cpu.pc, fixture_program);
    EXPECT_EQ(m.machine_clock, 0u);

    // The hard reset rebuilds the map from the settings and reinstalls the ROM.
    machine_reset(m, ResetKind::hard);
    EXPECT_EQ(m.memory_image[0x4000], 0x86);
    EXPECT_EQ(m.memory_image[0xA123], 0);
    bus_write(m, 0xC000, 0x12);
    EXPECT_EQ(bus_read(m, 0xC000), 0x12);
}

TEST(MachineReset, NeitherResetTouchesBreakOrDebugFlags) {
    for (const ResetKind kind : {ResetKind::soft, ResetKind::hard}) {
        SCOPED_TRACE(static_cast<int>(kind));
        ResetMachine r;
        Machine& m = r.m;
        machine_reset(m, ResetKind::hard);
        m.break_flags = 0x4000;
        m.debug_flags = flag_questionable_write;
        machine_reset(m, kind);
        EXPECT_EQ(m.break_flags, 0x4000u);
        EXPECT_EQ(m.debug_flags, flag_questionable_write);
        // A machine stopped by a break stays stopped.
        EXPECT_EQ(cpu_execute(m, 100), 0);
        EXPECT_EQ(m.cpu.pc, fixture_program);
    }
}

TEST(MachineReset, StopsThePrinterAndArmsTheFrameTimer) {
    for (const ResetKind kind : {ResetKind::soft, ResetKind::hard}) {
        SCOPED_TRACE(static_cast<int>(kind));
        ScratchDir dir;
        ResetMachine r;
        Machine& m = r.m;
        m.settings.filename = dir.file("lprint.txt");
        machine_reset(m, ResetKind::hard);
        printer_print_byte(m, 'A');
        ASSERT_TRUE(m.printer.file);

        m.scheduler.counter_frequency = 1000;
        r.host.counter_value = 5555;
        m.scheduler.next_frame_time = 99999;
        machine_reset(m, kind);
        EXPECT_FALSE(m.printer.file);
        EXPECT_EQ(m.file_activity & activity_printer, 0);
        EXPECT_EQ(m.scheduler.next_frame_time, 5555);
    }
}

}  // namespace
}  // namespace trivo

// Memory map and bus: region edges of both layouts, mirrors, I/O dispatch,
// the debugger's watches and the snapshot view.
#include <gtest/gtest.h>

#include <string>

#include "machine/bus.h"
#include "machine/machine.h"

namespace trivo {
namespace {

enum class Kind { ram, ram_image, rom, pia1, pia2, printer, spare, nothing };

struct Region {
    uint16_t address;
    Kind normal;
    Kind enhanced;
    Kind enhanced_writable_rom;
};

// The first and last address of every region, in both layouts.
constexpr Region regions[] = {
    {0x0000, Kind::ram, Kind::ram, Kind::ram},
    {0x03FF, Kind::ram, Kind::ram, Kind::ram},
    {0x0400, Kind::ram_image, Kind::ram, Kind::ram},
    {0x1FFF, Kind::ram_image, Kind::ram, Kind::ram},
    {0x2000, Kind::pia1, Kind::pia1, Kind::pia1},
    {0x3FFF, Kind::pia1, Kind::pia1, Kind::pia1},
    {0x4000, Kind::rom, Kind::rom, Kind::ram},
    {0x5FFF, Kind::rom, Kind::rom, Kind::ram},
    {0x6000, Kind::pia2, Kind::pia2, Kind::pia2},
    {0x63FF, Kind::pia2, Kind::pia2, Kind::pia2},
    {0x6400, Kind::printer, Kind::printer, Kind::printer},
    {0x65FF, Kind::printer, Kind::printer, Kind::printer},
    {0x6600, Kind::spare, Kind::spare, Kind::spare},
    {0x67FF, Kind::spare, Kind::spare, Kind::spare},
    {0x6800, Kind::rom, Kind::rom, Kind::ram},
    {0x9FFF, Kind::rom, Kind::rom, Kind::ram},
    {0xA000, Kind::ram, Kind::ram, Kind::ram},
    {0xBFFF, Kind::ram, Kind::ram, Kind::ram},
    {0xC000, Kind::nothing, Kind::ram, Kind::ram},
    {0xDFFF, Kind::nothing, Kind::ram, Kind::ram},
    {0xE000, Kind::rom, Kind::rom, Kind::ram},
    {0xFFFF, Kind::rom, Kind::rom, Kind::ram},
};

uint16_t latch_of(Kind kind, uint16_t address) {
    const uint16_t reg = address & 3;
    switch (kind) {
        case Kind::pia1: return static_cast<uint16_t>(pia1_base + reg);
        case Kind::pia2: return static_cast<uint16_t>(pia2_base + reg);
        case Kind::printer: return static_cast<uint16_t>(printer_base + reg);
        default: return static_cast<uint16_t>(spare_base + reg);
    }
}

// Checks what a read and a write at the address do, from outside the bus.
void expect_kind(Machine& m, uint16_t address, Kind kind) {
    SCOPED_TRACE(::testing::Message() << "address 0x" << std::hex << address);
    m.memory_image.fill(0x5A);
    switch (kind) {
        case Kind::ram:
            bus_write(m, address, 0x11);
            EXPECT_EQ(m.memory_image[address], 0x11);
            EXPECT_EQ(bus_read(m, address), 0x11);
            break;
        case Kind::ram_image:
            bus_write(m, address, 0x22);
            EXPECT_EQ(m.memory_image[address & 0x3FF], 0x22);
            EXPECT_EQ(m.memory_image[address], 0x5A);
            EXPECT_EQ(bus_read(m, address), 0x22);
            break;
        case Kind::rom:
            EXPECT_EQ(bus_read(m, address), 0x5A);
            bus_write(m, address, 0x33);
            EXPECT_EQ(m.memory_image[address], 0x5A);
            break;
        case Kind::nothing:
            EXPECT_EQ(bus_read(m, address), 0xFF);
            bus_write(m, address, 0x44);
            EXPECT_EQ(m.memory_image[address], 0x5A);
            break;
        case Kind::pia1:
        case Kind::pia2:
        case Kind::printer:
        case Kind::spare: {
            // Register 3 of every block reads back what was written.
            const uint16_t reg3 = static_cast<uint16_t>(address | 3);
            bus_write(m, reg3, 0x66);
            EXPECT_EQ(m.memory_image[latch_of(kind, reg3)], 0x66);
            EXPECT_EQ(bus_read(m, reg3), 0x66);
            break;
        }
    }
}

TEST(MemoryMap, RegionEdgesOfBothLayouts) {
    auto normal = make_machine();
    memory_map_build(*normal);
    auto enhanced = make_machine();
    enhanced->settings.enhancedflag = 1;
    memory_map_build(*enhanced);
    auto writable = make_machine();
    writable->settings.enhancedflag = 1;
    writable->settings.writeROMflag = 1;
    memory_map_build(*writable);

    for (const Region& r : regions) {
        expect_kind(*normal, r.address, r.normal);
        expect_kind(*enhanced, r.address, r.enhanced);
        expect_kind(*writable, r.address, r.enhanced_writable_rom);
    }
}

TEST(MemoryMap, ExpanderAndWritableRomOptions) {
    auto m = make_machine();
    m->settings.expandertype = 1;
    m->settings.writeROMflag = 1;  // no effect in the normal layout
    memory_map_build(*m);
    expect_kind(*m, 0xC000, Kind::ram);
    expect_kind(*m, 0xDFFF, Kind::ram);
    expect_kind(*m, 0x5000, Kind::rom);
    expect_kind(*m, 0xE000, Kind::rom);
    expect_kind(*m, 0x0400, Kind::ram_image);
}

TEST(MemoryMap, RamImageWritesTheByteItMirrors) {
    auto m = make_machine();
    memory_map_build(*m);
    bus_write(*m, 0x0400, 0x99);
    EXPECT_EQ(m->memory_image[0x0000], 0x99);
    EXPECT_EQ(bus_read(*m, 0x1C00), 0x99);
}

TEST(MemoryMap, DeviceImagesReachTheirRegisterByAddressAnd3) {
    auto m = make_machine();
    memory_map_build(*m);
    bus_write(*m, 0x6605, 0x5C);  // spare block register 1
    EXPECT_EQ(bus_read(*m, 0x6609), 0x5C);
    EXPECT_EQ(m->memory_image[0x6601], 0x5C);
    bus_write(*m, 0x3FFE, 0x42);  // PIA1 register 2 through its last image
    EXPECT_EQ(m->memory_image[0x2002], 0x42);
    bus_write(*m, 0x63FD, 0x17);  // PIA2 register 1
    EXPECT_EQ(m->memory_image[0x6001], 0x17);
    bus_write(*m, 0x6407, 0x71);  // printer port register 3
    EXPECT_EQ(m->memory_image[0x6403], 0x71);
}

TEST(MemoryMap, SoftStateKeptUntilRebuiltWritableRomStickyUntilReload) {
    auto m = make_machine();
    m->settings.enhancedflag = 1;
    m->settings.writeROMflag = 1;
    memory_map_build(*m);
    bus_write(*m, 0x5000, 0xAB);
    EXPECT_EQ(bus_read(*m, 0x5000), 0xAB);

    auto normal = make_machine();
    normal->settings.writeROMflag = 1;
    memory_map_build(*normal);
    bus_write(*normal, 0x5000, 0xAB);
    EXPECT_EQ(bus_read(*normal, 0x5000), 0x00);
}

struct WatchCase {
    const char* name;
    uint32_t debug_flags;
    bool write;
    uint16_t address;
    uint8_t value;
    uint32_t expected_break;
    const char* expected_message;  // nullptr: no message
};

// Which accesses are questionable, and the texts the watches format.
constexpr WatchCase watch_cases[] = {
    {"ram image write", flag_questionable_write, true, 0x0400, 0x5A, flag_questionable_write,
     "??Write 5a to $0400"},
    {"ram image read", flag_questionable_read, false, 0x1C00, 0, flag_questionable_read,
     "??Read from $1c00"},
    {"rom write", flag_questionable_write, true, 0xE123, 0x01, flag_questionable_write,
     "??Write 01 to $e123"},
    {"rom read is fine", flag_questionable_read, false, 0xE123, 0, 0, nullptr},
    {"nothing read", flag_questionable_read, false, 0xC000, 0, flag_questionable_read,
     "??Read from $c000"},
    {"nothing write", flag_questionable_write, true, 0xDFFF, 0x80, flag_questionable_write,
     "??Write 80 to $dfff"},
    {"pia1 image read", flag_questionable_read, false, 0x2006, 0, flag_questionable_read,
     "??Read from $2006"},
    {"pia1 itself", flag_questionable_read, false, 0x2002, 0, 0, nullptr},
    {"pia2 image write", flag_questionable_write, true, 0x6005, 0x00, flag_questionable_write,
     "??Write 00 to $6005"},
    {"printer image is fine", flag_questionable_read, false, 0x6406, 0, 0, nullptr},
    {"spare image is fine", flag_questionable_write, true, 0x6609, 0x01, 0, nullptr},
    {"spare base is fine", flag_questionable_read, false, 0x6600, 0, 0, nullptr},
    {"ram is fine", flag_questionable_write, true, 0x0010, 0x01, 0, nullptr},
    {"check disabled", 0, true, 0x0400, 0x01, 0, nullptr},
};

TEST(BusWatch, QuestionableAccessesStopWithTheirText) {
    for (const WatchCase& c : watch_cases) {
        SCOPED_TRACE(c.name);
        auto m = make_machine();
        memory_map_build(*m);
        m->debug_flags = c.debug_flags;
        if (c.write) {
            bus_write(*m, c.address, c.value);
        } else {
            bus_read(*m, c.address);
        }
        EXPECT_EQ(m->break_flags, c.expected_break);
        if (c.expected_message) {
            const char* text = c.write ? m->watch.questionable_write_message
                                       : m->watch.questionable_read_message;
            EXPECT_STREQ(text, c.expected_message);
        }
    }
}

TEST(BusWatch, RangeWatchesAreInclusiveAndNeverBlockTheAccess) {
    auto m = make_machine();
    memory_map_build(*m);
    m->debug_flags = flag_read_watch | flag_write_watch;
    m->watch.read_low = 0xA010;
    m->watch.read_high = 0xA01F;
    m->watch.write_low = 0x0100;
    m->watch.write_high = 0x0100;

    bus_read(*m, 0xA00F);
    bus_write(*m, 0x0101, 1);
    EXPECT_EQ(m->break_flags, 0u);

    m->memory_image[0xA01F] = 0x77;
    EXPECT_EQ(bus_read(*m, 0xA01F), 0x77);
    EXPECT_EQ(m->break_flags, flag_read_watch);
    EXPECT_STREQ(m->watch.read_message, "Read from $a01f");

    bus_write(*m, 0x0100, 0x55);
    EXPECT_EQ(m->memory_image[0x0100], 0x55);
    EXPECT_EQ(m->break_flags, flag_read_watch | flag_write_watch);
    EXPECT_STREQ(m->watch.write_message, "Write to $0100");
}

TEST(BusPeek, ShowsMemoryAndSnapshotWithoutSideEffects) {
    auto m = make_machine();
    memory_map_build(*m);
    m->debug_flags = flag_read_watch | flag_questionable_read;
    m->watch.read_low = 0x0000;
    m->watch.read_high = 0xFFFF;
    m->memory_image[0x0005] = 0x12;
    m->memory_image[0xC000] = 0x34;  // behind "nothing": peek shows the array byte
    m->memory_image[0x2003] = 0x07;
    m->memory_image[0x6402] = 0x99;

    EXPECT_EQ(bus_peek(*m, 0x0405), 0x12);
    EXPECT_EQ(bus_peek(*m, 0xC000), 0x34);
    EXPECT_EQ(bus_peek(*m, 0x2003), 0x00);  // no snapshot taken yet
    io_snapshot(*m);
    EXPECT_EQ(bus_peek(*m, 0x2007), 0x07);
    EXPECT_EQ(bus_peek(*m, 0x6406), 0x99);
    EXPECT_EQ(m->break_flags, 0u);
}

}  // namespace
}  // namespace trivo

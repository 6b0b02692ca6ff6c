// The S19 reader: S1 records straight into memory, a checksum message per
// bad line with the data kept, damaged lines refused whole.
#include <fstream>
#include <string>

#include "common/file_util.h"
#include "machine/s19.h"
#include "mirla_fixture.h"
#include "scratch_folder.h"

namespace {

using namespace mirla;
using namespace mirla_test;

TEST(MirlaS19, RecordsGoStraightIntoMemoryRomIncluded) {
    auto m = make_test_machine(MachineKind::apf, false);
    const auto load = s19_load_text(*m,
                                    "S00600004844521B\n"    // header: skipped
                                    "S1050010AABB85\n"      // 0010: AA BB
                                    "S104E0001209\r\n"      // E000 (ROM): 12, CR LF line end
                                    "S1048000BBC0\n"        // 8000: BB
                                    "\n"
                                    "S9030000FC\n"
                                    "S1050020AABB75\n");    // after S9: not read
    EXPECT_EQ(load.records, 3);
    EXPECT_TRUE(load.checksum_lines.empty());
    EXPECT_TRUE(load.malformed_lines.empty());
    EXPECT_TRUE(load.loaded_8000);
    EXPECT_EQ(m->memory_image[0x0010], 0xAA);
    EXPECT_EQ(m->memory_image[0x0011], 0xBB);
    EXPECT_EQ(m->memory_image[0xE000], 0x12);
    EXPECT_EQ(m->memory_image[0x8000], 0xBB);
    EXPECT_EQ(m->memory_image[0x0020], 0xFF);
}

TEST(MirlaS19, BadChecksumKeepsTheDataAndReportsTheLineOnce) {
    auto m = make_test_machine();
    const auto load = s19_load_text(*m, "S1050010AABB86\nS1050012CCDD00\nS1050014EEFFF9\n");
    EXPECT_EQ(load.records, 3);
    EXPECT_EQ(load.checksum_lines, (std::vector<int>{1, 2}));
    EXPECT_EQ(m->memory_image[0x0010], 0xAA);
    EXPECT_EQ(m->memory_image[0x0013], 0xDD);
    EXPECT_EQ(m->memory_image[0x0015], 0xFF);
    EXPECT_FALSE(load.loaded_8000);
    EXPECT_EQ(s19_checksum_message, "error en la suma");
}

TEST(MirlaS19, DamagedLinesLoadNothing) {
    struct Case {
        const char* name;
        const char* text;
    };
    constexpr Case cases[] = {
        {"cut short", "S1070010AABBCC\n"},
        {"count below 3", "S1020010ED\n"},
        {"not hexadecimal", "S1050010AXBB85\n"},
        {"no address", "S105\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = make_test_machine();
        const auto before = m->memory_image;
        const auto load = s19_load_text(*m, c.text);
        EXPECT_EQ(load.records, 0);
        EXPECT_EQ(load.malformed_lines, (std::vector<int>{1}));
        EXPECT_EQ(m->memory_image, before);
    }
}

TEST(MirlaS19, AddressesWrapRoundTheTop) {
    auto m = make_test_machine();
    s19_load_text(*m, "S105FFFF1122C9\n");
    EXPECT_EQ(m->memory_image[0xFFFF], 0x11);
    EXPECT_EQ(m->memory_image[0x0000], 0x22);
}

// Our assembler's S19 output of a board monitor loads the same bytes as its
// binary image.
TEST(MirlaS19, MonitorFilesLoadTheirBinaries) {
    for (const char* board : {"vendel1", "qlumen1", "qlumen2"}) {
        SCOPED_TRACE(board);
        const std::string dir = MIRLA_FIRMWARE_DIR;
        auto m = make_test_machine();
        const auto load = s19_load_file(*m, dir + "/" + board + ".s19");
        ASSERT_TRUE(load);
        EXPECT_TRUE(load->checksum_lines.empty());
        EXPECT_TRUE(load->malformed_lines.empty());
        const auto bin = common::read_file(dir + "/" + board + ".bin", 65536);
        ASSERT_TRUE(bin);
        ASSERT_EQ(bin->size(), 0x800u);  // F800-FFFF
        for (size_t i = 0; i < bin->size(); ++i) ASSERT_EQ(m->memory_image[0xF800 + i], (*bin)[i]) << i;
    }
}

TEST(MirlaS19, MissingFileHasNoValue) {
    test_support::ScratchFolder folder;
    auto m = make_test_machine();
    EXPECT_FALSE(s19_load_file(*m, folder.file("none.s19")));
}

}  // namespace

// Listings for the debugger's source window: where the address stands in a
// listing and in a trace log, tabs, line ends, several files, files that are
// no listings, and our system ROM's own listing as the build writes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "automation/automation.h"
#include "debugger/debugger.h"
#include "debugger/lst_store.h"
#include "fake_host.h"
#include "machine/machine.h"
#include "running_machine.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

TEST(LstStore, AddressColumnOfListingsAndLogs) {
    struct Case {
        const char* line;
        bool log;
        int32_t address;
    };
    const Case cases[] = {
        {"   12  4000 86 12     ldaa #$12", false, 0x4000},
        {"   12  4000 86 12     ldaa #$12", true, lst_none},  // a log has it in column 0
        {"4000 ldaa #12 a=00", true, 0x4000},
        {"4000 ldaa #12 a=00", false, lst_none},
        {"   13  abCD", false, 0xABCD},          // either case, the line's end after it
        {"   13  4000", false, 0x4000},          // 11 characters: long enough
        {"   13  400", false, lst_none},         // 10: too short
        {"4000 nop", true, 0x4000},              // 8 characters
        {"4000 no", true, lst_none},             // 7: too short
        {"   14  40001 5th digit", false, lst_none},
        {"   14  40G0 not hex", false, lst_none},
        {"   15        =2000  pia equ $2000", false, lst_none},
        {"   16  F806:7E FB 7F", false, 0xF806},  // any non-digit ends it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(lst_line_address(c.line, c.log), c.address);
    }
    EXPECT_TRUE(lst_is_log_name("trace.log"));
    EXPECT_TRUE(lst_is_log_name("TRACE.LOG"));
    EXPECT_FALSE(lst_is_log_name("trace.Log"));
    EXPECT_FALSE(lst_is_log_name("trace.lst"));
}

TEST(LstStore, TabsExpandToEightColumnsRestartingAtLineEnds) {
    EXPECT_EQ(lst_expand_tabs("a\tb"), "a       b");
    EXPECT_EQ(lst_expand_tabs("abcdefgh\tx"), "abcdefgh        x");
    EXPECT_EQ(lst_expand_tabs("\t\tx"), std::string(16, ' ') + "x");
    EXPECT_EQ(lst_expand_tabs("abc\r\tx\nab\ty"), "abc\r        x\nab      y");
}

TEST(LstStore, LinesAddressesAndSeveralFiles) {
    LstStore store;
    // CR LF line ends; a tab that brings the address to column 8 is no
    // address; the same address twice in a file: the last line carries it.
    const std::string first =
        "    1              * a listing\r\n"
        "    2  4000 86 12        ldaa #$12\r\n"
        "    3\t4002 01\r\n"
        "    4  4002 01               nop\r\n"
        "    5  4002 01               nop\r\n"
        "    6              end";
    ASSERT_EQ(lst_load_text(store, "/x/first.lst", first), LstLoad::loaded);
    const LstFile& f = store.files[0];
    ASSERT_EQ(f.lines.size(), 6u);
    EXPECT_EQ(f.lines[1], "    2  4000 86 12        ldaa #$12") << "CR dropped";
    EXPECT_EQ(f.lines[2], "    3   4002 01");
    EXPECT_EQ(f.line_address, (std::vector<int32_t>{lst_none, 0x4000, lst_none, 0x4002, 0x4002, lst_none}));
    EXPECT_EQ(f.address_line[0x4002], 4);
    EXPECT_EQ(lst_address_from_line(f, 0), 0x4000) << "a line without address: the next one's";
    EXPECT_EQ(lst_address_from_line(f, 5), lst_none);

    // The same line in a .log: not mapped, its address is not in column 0.
    ASSERT_EQ(lst_load_text(store, "trace.log", first), LstLoad::loaded);
    EXPECT_EQ(store.files[1].address_line[0x4000], lst_none);
    // A later file with 4000 wins.
    ASSERT_EQ(lst_load_text(store, "later.log", "4000 ldaa #12\nffff swi end\n"), LstLoad::loaded);
    EXPECT_EQ(store.current, 2);
    const auto place = lst_find_address(store, 0x4000);
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->file, 2);
    EXPECT_EQ(place->line, 0);
    EXPECT_EQ(lst_find_address(store, 0x4002)->file, 0);
    EXPECT_FALSE(lst_find_address(store, 0x1234).has_value());

    EXPECT_EQ(lst_file_label(store, 0), "first.lst");
    ASSERT_EQ(lst_load_text(store, "", "no path, but text long enough"), LstLoad::loaded);
    EXPECT_EQ(lst_file_label(store, 3), "File 4");

    // Unloading closes the gap; the last file becomes current.
    lst_unload(store, 2);
    ASSERT_EQ(store.files.size(), 3u);
    EXPECT_EQ(store.current, 2);
    EXPECT_EQ(lst_find_address(store, 0x4000)->file, 0);
    lst_clear(store);
    EXPECT_EQ(store.current, -1);
    EXPECT_FALSE(lst_find_address(store, 0x4002).has_value());
}

TEST(LstStore, RefusesWhatIsNoListingAndLeavesTheStoreAlone) {
    LstStore store;
    ASSERT_EQ(lst_load_text(store, "a.lst", "    2  4000 86 12   ldaa #$12\n"), LstLoad::loaded);

    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 97 + 13) & 0xFF));
    EXPECT_EQ(lst_load_text(store, "junk.lst", junk), LstLoad::not_text);
    EXPECT_EQ(lst_load_text(store, "empty.lst", ""), LstLoad::empty);
    ASSERT_EQ(store.files.size(), 1u);
    EXPECT_EQ(store.current, 0);

    // Too short to carry line information: kept, without lines.
    ASSERT_EQ(lst_load_text(store, "short.lst", "       4000 x"), LstLoad::loaded);
    EXPECT_TRUE(store.files[1].lines.empty());
    EXPECT_EQ(lst_find_address(store, 0x4000)->file, 0);

    for (int i = 2; i < lst_max_files; ++i) {
        ASSERT_EQ(lst_load_text(store, "more.lst", "    2  5000 01   nop here\n"), LstLoad::loaded);
    }
    EXPECT_EQ(lst_load_text(store, "ninth.lst", "    2  6000 01   nop here\n"), LstLoad::full);
    EXPECT_EQ(store.files.size(), static_cast<size_t>(lst_max_files));
}

TEST(LstStore, FilesThatCannotBeOpenedAreReported) {
    test_support::ScratchFolder folder;
    auto machine = make_machine();
    Machine& m = *machine;
    test::FakeHost host;
    m.host = &host;
    EXPECT_EQ(debugger_load_lst(m, folder.file("missing.lst")), LstLoad::cannot_open);
    EXPECT_EQ(debugger_load_lst(m, folder.path.string()), LstLoad::cannot_open) << "a folder";
    EXPECT_EQ(host.debug_lines, (std::vector<std::string>{"Could not open LST file\n",
                                                          "Could not open LST file\n"}));
    std::ofstream(folder.file("prog.lst"), std::ios::binary) << "    1  4000 01     nop\n";
    EXPECT_EQ(debugger_load_lst(m, folder.file("prog.lst")), LstLoad::loaded);
    EXPECT_EQ(m.debugger.lst.files.size(), 1u);
}

TEST(LstStore, LoadLstMenuCommandAsksFromTheRememberedPathAndShowsTheLaterFile) {
    test_support::ScratchFolder folder;
    auto machine = make_machine();
    Machine& m = *machine;
    test::FakeHost host;
    m.host = &host;
    std::ofstream(folder.file("a.lst"), std::ios::binary) << "    1  4000 01     nop in a\n";
    std::ofstream(folder.file("b.lst"), std::ios::binary) << "    1  4000 01     nop in b\n";

    host.open_answer = std::nullopt;  // cancelled
    EXPECT_FALSE(debugger_load_lst_dialog(m));
    ASSERT_EQ(host.open_requests.size(), 1u);
    EXPECT_EQ(host.open_requests[0],
              (FileRequest{FilePurpose::listing, "Load LST file", {{"LST Files (*.LST)", "*.lst;*.log"}},
                           "lst", "testasm.lst", false}));
    for (const char* name : {"a.lst", "b.lst"}) {
        host.open_answer = folder.file(name);
        EXPECT_TRUE(debugger_load_lst_dialog(m));
    }
    EXPECT_EQ(m.settings.lst1, folder.file("b.lst"));
    EXPECT_EQ(host.open_requests.back().start_path, folder.file("a.lst"));

    // The processor stops at 4000: the window switches to the later file.
    m.cpu.pc = 0x4000;
    m.debugger.lst.current = 0;
    ASSERT_TRUE(debugger_follow_pc(m));
    EXPECT_EQ(m.debugger.lst.current, 1);
    EXPECT_EQ(m.debugger.lst.selected_line, 0);
    m.cpu.pc = 0x4001;
    EXPECT_FALSE(debugger_follow_pc(m));

    for (int i = 2; i < lst_max_files; ++i) ASSERT_TRUE(debugger_load_lst_dialog(m));
    const size_t asked = host.open_requests.size();
    EXPECT_FALSE(debugger_load_lst_dialog(m)) << "eight are loaded";
    EXPECT_EQ(host.open_requests.size(), asked) << "refused without asking";
}

// Every instruction run in [from, to] since the machine started is found in
// the listing, on a line that shows that address and that opcode.
void expect_listing_maps_what_ran(const LstStore& store, const test::RunningMachine& t, uint16_t from,
                                  uint16_t to) {
    std::set<uint16_t> seen;
    for (int i = 0; i < trace_records; ++i) {
        const uint32_t* r = &t.m.trace_ring.words[static_cast<size_t>(i) * trace_words];
        if (r[0] == 0xFFFFFFFFu || r[0] < from || r[0] > to) continue;
        seen.insert(static_cast<uint16_t>(r[0]));
    }
    ASSERT_GT(seen.size(), 50u);
    for (const uint16_t pc : seen) {
        SCOPED_TRACE(pc);
        const auto place = lst_find_address(store, pc);
        ASSERT_TRUE(place.has_value());
        const std::string& line = store.files[0].lines[static_cast<size_t>(place->line)];
        char expected[12];
        std::snprintf(expected, sizeof expected, "%04X %02X", pc, t.m.memory_image[pc]);
        EXPECT_EQ(line.substr(7, 7), expected) << line;
    }
}

// The system ROM while it starts and shows its check screen.
TEST(LstStore, SystemRomListingMapsEveryInstructionItRuns) {
    LstStore store;
    ASSERT_EQ(lst_load_file(store, SYSTEM_ROM_LST), LstLoad::loaded);
    test::RunningMachine t;
    t.frames(30);
    expect_listing_maps_what_ran(store, t, 0xF800, 0xFFFF);

    // A symbol's value is the address of the line that defines it.
    int32_t defined = lst_none;
    for (size_t i = 0; i < store.files[0].lines.size(); ++i) {
        const std::string& line = store.files[0].lines[i];
        if (line.size() > 24 && line.compare(24, 7, "getkey ") == 0) defined = store.files[0].line_address[i];
    }
    ASSERT_NE(defined, lst_none);
    EXPECT_EQ(lst_find_symbol(store, "getkey"), static_cast<uint16_t>(defined));
    EXPECT_FALSE(lst_find_symbol(store, "no_such_symbol").has_value());
    EXPECT_FALSE(lst_find_symbol(store, "getke").has_value());
}

// Our BASIC as it starts, takes a typed line and runs it: the listing the
// build writes beside its images covers both of them.
TEST(LstStore, BasicListingMapsEveryInstructionItRuns) {
    LstStore store;
    ASSERT_EQ(lst_load_file(store, BASIC_LST), LstLoad::loaded);
    test::RunningMachine t(CartType::builtin_basic);
    quicktype_start(t.m, {'P', 'R', 'I', 'N', 'T', ' ', '6', '*', '7', '\n'});
    // Stop as soon as the answer shows, while the history still holds the
    // statement being run.
    for (int frame = 0; frame < 600 && t.row_text(4) != "42"; ++frame) t.frames(1);
    ASSERT_EQ(t.row_text(4), "42");
    expect_listing_maps_what_ran(store, t, 0x6800, 0x9FFF);
}

}  // namespace
}  // namespace trivo

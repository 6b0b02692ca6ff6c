// Quick-type: keys pressed and released at the pace of the program's
// keyboard reads, what our system ROM receives from every printable
// character, line ends, and the ways typing starts, pauses and stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "automation/automation.h"
#include "cassette/deck.h"
#include "machine/bus.h"
#include "machine/config.h"
#include "machine/keys.h"
#include "running_machine.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

using test::RunningMachine;

std::vector<uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

// What the keyboard port shows over successive reads, run-length coded:
// the set of keys held and for how many reads.
struct KeyRun {
    std::set<int> keys;
    int reads;
    bool operator==(const KeyRun&) const = default;
};

std::vector<KeyRun> keyboard_runs(Machine& m, int max_reads) {
    std::vector<KeyRun> runs;
    for (int i = 0; i < max_reads && m.quicktype.active; ++i) {
        bus_read(m, 0x6000);
        std::set<int> keys;
        for (int k = 0; k < 128; ++k) {
            if (m.key_state[k]) keys.insert(k);
        }
        if (!runs.empty() && runs.back().keys == keys) {
            ++runs.back().reads;
        } else {
            runs.push_back({keys, 1});
        }
    }
    return runs;
}

constexpr int key_p = 0x26, key_r = 0x0A, key_i = 0x1A, key_n = 0x10, key_t = 0x12,
              key_1 = 0x05, key_a = 0x04, key_b = 0x11;

TEST(QuickType, HoldsEachCharacter48ReadsThenReleases24) {
    struct PaceCase {
        const char* text;
        std::vector<std::set<int>> slots;  // keys of each character in turn
    };
    const std::set<int> none;
    const PaceCase cases[] = {
        {"PRINT 1\n", {{key_p}, {key_r}, {key_i}, {key_n}, {key_t}, {key_space}, {key_1},
                       {key_return}}},
        {"a\r\nb", {{key_a}, none, {key_return}, {key_b}}},  // CR: one idle slot
        {"a\nb", {{key_a}, {key_return}, {key_b}}},
        {"a\rb", {{key_a}, none, {key_b}}},
        {"!{", {{apf_shift_key, key_1}, none}},  // '{' has no key
    };
    for (const PaceCase& c : cases) {
        SCOPED_TRACE(c.text);
        auto machine = make_machine();
        Machine& m = *machine;
        memory_map_build(m);
        keyboard_rebuild_tables(m);
        quicktype_start(m, bytes(c.text));
        // The first 23 reads see nothing; then 48 down and 24 up per character.
        std::vector<KeyRun> expected{{none, 23}};
        for (const auto& keys : c.slots) {
            if (keys.empty()) {
                expected.back().reads += 72;
            } else {
                expected.push_back({keys, 48});
                expected.push_back({none, 24});
            }
        }
        expected.back().reads += 1;  // the read that finds the text's end
        EXPECT_EQ(keyboard_runs(m, 100000), expected);
        EXPECT_FALSE(m.quicktype.active);
        EXPECT_TRUE(m.quicktype.text.empty());
    }
}

// Every printable ASCII character typed into the check screen: the ROM
// receives exactly what the machine's keys can type (small letters as
// capitals; the five characters without a key are skipped), in order.
TEST(QuickType, EveryPrintableCharacterReachesTheRom) {
    RunningMachine t;
    t.frames(3);
    std::string all;
    for (int c = 0x20; c < 0x7F; ++c) all += static_cast<char>(c);
    for (size_t start = 0; start < all.size(); start += 24) {
        const std::string chunk = all.substr(start, 24);
        SCOPED_TRACE(chunk);
        std::string shown;
        for (char c : chunk) {
            if (c == '{' || c == '|' || c == '}' || c == '~' || c == '`') continue;
            shown += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        }
        quicktype_start(t.m, bytes(chunk + "\n"));
        for (int frame = 0; frame < 1000 && t.m.quicktype.active; ++frame) t.frames(1);
        ASSERT_FALSE(t.m.quicktype.active);
        t.frames(2);
        EXPECT_EQ(t.row_text(test::check_typed_row), shown.substr(0, shown.find_last_not_of(' ') + 1));
        EXPECT_EQ(t.row_text(test::check_last_key_row), "LAST KEY:   $0D") << "RETURN last";
    }
}

TEST(QuickType, PausesWithoutReadsAndStopsAtReset) {
    RunningMachine t;
    Machine& m = t.m;
    quicktype_start(m, bytes("AB"));
    for (int i = 0; i < 30; ++i) bus_read(m, 0x6000);
    ASSERT_TRUE(m.key_state[key_a]);
    // No keyboard reads: nothing moves, however long.
    const QuickType before = m.quicktype;
    keyboard_scan(m);
    EXPECT_EQ(m.quicktype.position, before.position);
    EXPECT_EQ(m.quicktype.phase, before.phase);
    EXPECT_TRUE(m.key_state[key_a]) << "the PC keyboard does not take over";

    // A new text replaces the old one from its start; an empty one changes nothing.
    quicktype_start(m, bytes("B"));
    EXPECT_EQ(m.quicktype.position, -1);
    quicktype_start(m, {});
    EXPECT_EQ(m.quicktype.text, bytes("B"));

    machine_reset(m, ResetKind::soft);
    EXPECT_FALSE(m.quicktype.active);
    EXPECT_EQ(std::count(m.key_state.begin(), m.key_state.end(), 0), 128);
}

TEST(QuickType, FileDialogAndPaste) {
    test_support::ScratchFolder folder;
    RunningMachine t;
    Machine& m = t.m;
    m.config_path = folder.file("trivo.ini");
    std::ofstream(m.config_path) << "[FILES]\nquicktype=old.txt\n";
    std::ofstream(folder.file("empty.txt")).flush();
    std::ofstream(folder.file("hello.txt")) << "HELLO\r\n";

    // Cancelled, unreadable and empty files start nothing.
    EXPECT_FALSE(quicktype_file_dialog(m));
    ASSERT_EQ(t.host.open_requests.size(), 1u);
    EXPECT_EQ(t.host.open_requests[0].purpose, FilePurpose::quicktype_text);
    EXPECT_EQ(t.host.open_requests[0].start_path, "grfun.txt");
    t.host.open_answer = folder.file("absent.txt");
    EXPECT_FALSE(quicktype_file_dialog(m));
    EXPECT_EQ(t.host.debug_lines.back(), "Could not open file\n");
    t.host.open_answer = folder.file("empty.txt");
    EXPECT_FALSE(quicktype_file_dialog(m));
    EXPECT_FALSE(m.quicktype.active);

    t.host.open_answer = folder.file("hello.txt");
    EXPECT_TRUE(quicktype_file_dialog(m));
    EXPECT_EQ(m.quicktype.text, bytes("HELLO\r\n"));
    Settings stored;
    config_read_all(m.config_path, stored);
    EXPECT_EQ(stored.quicktype, folder.file("hello.txt"));
    EXPECT_FALSE(quicktype_file_dialog(m)) << "refused while typing";
    EXPECT_EQ(t.host.open_requests.size(), 4u);

    // Paste: refused while typing, while a tape is attached, while a
    // script runs and with nothing on the clipboard; the text ends at a zero.
    t.host.clipboard = std::string("RUN\0junk", 8);
    EXPECT_FALSE(quicktype_paste(m));
    quicktype_stop(m);
    m.deck.playing = true;
    EXPECT_FALSE(quicktype_paste(m));
    m.deck.playing = false;
    m.script.running = true;
    EXPECT_FALSE(quicktype_paste(m));
    m.script.running = false;
    EXPECT_TRUE(quicktype_paste(m));
    EXPECT_EQ(m.quicktype.text, bytes("RUN"));
    quicktype_stop(m);
    t.host.clipboard.clear();
    EXPECT_FALSE(quicktype_paste(m));
}

}  // namespace
}  // namespace trivo

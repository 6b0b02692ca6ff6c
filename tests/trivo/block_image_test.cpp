// CAS/C10/K7 block images: the walk over the blocks, validation, the
// conversion of the first program into a playable tape, and the refusal.
#include "cassette/block_image.h"

#include <gtest/gtest.h>

#include <random>

#include "deck_fixture.h"

namespace trivo {
namespace {

using test::Bytes;
using test::cas_block;
using test::DeckRig;
using test::join;

Bytes leader(size_t n = block_leader_length) { return Bytes(n, 0x55); }

// One block as the conversion writes it.
Bytes whole_block(uint8_t type, const Bytes& data) { return cas_block(type, data, 1); }

const Bytes name_data = {'D', 'E', 'M', 'O'};
const Bytes data1 = test::pattern_bytes(200, 4);
const Bytes data2 = {0, 0x55, 0x3C, 0xFF};

Bytes program(int leader_bytes = 5) {
    return join({cas_block(0x00, name_data, leader_bytes), cas_block(0x01, data1, leader_bytes),
                 cas_block(0x01, data2, leader_bytes), cas_block(0xFF, {}, leader_bytes)});
}

TEST(BlockImage, ConvertsNameAndDataBlocksWithTheirLeaders) {
    const Bytes expected = join({leader(), whole_block(0x00, name_data), leader(), whole_block(0x01, data1),
                                 whole_block(0x01, data2), whole_block(0xFF, {})});
    EXPECT_EQ(block_image_convert(program(), 0), expected);
    // Leaders, sync and trailer bytes are optional in the source.
    Bytes bare;
    for (const auto& [type, data] : {std::pair{0x00, name_data}, {0x01, data1}, {0x01, data2}, {0xFF, Bytes{}}}) {
        const Bytes b = cas_block(static_cast<uint8_t>(type), data, 0);
        bare.insert(bare.end(), b.begin() + 1, b.end() - 1);  // without 3C and the trailer
    }
    EXPECT_EQ(block_image_convert(bare, 0), expected);
    EXPECT_EQ(block_image_convert(program(), 1), Bytes{});
}

TEST(BlockImage, WalkOutcomes) {
    struct Case {
        const char* name;
        Bytes image;
        bool ok;
        int programs;
    };
    const Bytes good = program();
    const Bytes bad_data = cas_block(0x01, data2, 2, 1);
    const Case cases[] = {
        {"one program", good, true, 1},
        {"two programs", join({good, program(0)}), true, 2},
        {"bad checksum in the middle",
         join({cas_block(0x00, name_data), bad_data, cas_block(0x01, data2), cas_block(0xFF, {})}), false, 0},
        // The bad block is the last thing in the file: the walk ends there.
        {"bad checksum at the end", join({good, bad_data}), true, 1},
        {"bad checksum at the end, no program",
         join({cas_block(0x00, name_data), cas_block(0x01, data2), cas_block(0xFF, {}, 2, 1)}), true, 0},
        {"block cut short at the end", join({good, Bytes{0x55, 0x3C, 0x01, 0x10, 1, 2, 3}}), true, 1},
        {"end mark, then anything", join({good, Bytes{0x00, 0x00, 0x00, 0x12, 0x34}}), true, 1},
        {"leader only", leader(300), true, 0},
        {"empty", {}, true, 0},
        {"end without data", join({cas_block(0x00, name_data), cas_block(0xFF, {})}), false, 0},
        {"end without name", join({cas_block(0x01, data1), cas_block(0xFF, {})}), false, 0},
        {"unknown type", join({cas_block(0x00, name_data), cas_block(0x02, data2), cas_block(0xFF, {})}), false, 0},
        {"second program broken", join({good, cas_block(0x01, data2), cas_block(0xFF, {}), leader(3)}), false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BlockWalk walk = block_image_walk(c.image, -1, nullptr);
        EXPECT_EQ(walk.ok, c.ok);
        EXPECT_EQ(walk.programs, c.programs);
        EXPECT_EQ(block_image_valid(c.image), c.ok && c.programs > 0);
    }
}

TEST(BlockImage, OnlyTheFirstProgramIsPlayed) {
    const Bytes second = join({cas_block(0x00, {'B'}), cas_block(0x01, {9, 9, 9}), cas_block(0xFF, {})});
    EXPECT_EQ(block_image_convert(join({program(), second}), 0), block_image_convert(program(), 0));
    EXPECT_EQ(block_image_convert(join({program(), second}), 1), block_image_convert(second, 0));

    DeckRig r;
    ASSERT_TRUE(deck_open_cassette_file(r.m, r.write("two.k7", join({program(), second}))));
    EXPECT_EQ(r.m.deck.image, block_image_convert(program(), 0));
    EXPECT_TRUE(r.m.deck.playing);
    EXPECT_FALSE(r.m.deck.signal_mode);
    EXPECT_FALSE(r.m.deck.playback_started);
    EXPECT_EQ(r.m.file_activity, activity_cassette_input);
}

TEST(BlockImage, RefusalIsOneMessageAndAnEmptyFileIsSilent) {
    DeckRig r;
    ASSERT_TRUE(deck_load_image(r.m, r.write("old.cpf", {1})));
    EXPECT_FALSE(deck_open_cassette_file(r.m, r.write("bad.cas", leader(40))));
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0].caption, "Quillo");
    EXPECT_EQ(r.host.messages[0].text, "This does not appear to be a good\n CAS/C10/K7 file");
    EXPECT_EQ(r.host.messages[0].icon, MessageIcon::warning);
    EXPECT_FALSE(r.m.deck.playing) << "the old tape is stopped before the new file is examined";

    EXPECT_FALSE(deck_open_cassette_file(r.m, r.write("empty.c10", {})));
    EXPECT_EQ(r.host.messages.size(), 1u);
    EXPECT_FALSE(r.m.deck.playing);
}

// Junk, truncations and damaged copies of real images: the walk always
// ends, and whatever is accepted converts into a tape that is itself a
// valid block image converting to itself.
TEST(BlockImage, WalkerSurvivesJunkTruncationAndDamage) {
    const Bytes base = join({program(3), program(0), Bytes{0x00, 0x00, 0x00}});
    std::vector<Bytes> images;
    for (size_t n = 0; n <= base.size(); ++n) images.emplace_back(base.begin(), base.begin() + static_cast<long>(n));
    std::mt19937 random(99);
    for (int i = 0; i < 3000; ++i) {
        Bytes b = base;
        const int changes = 1 + static_cast<int>(random() % 5);
        for (int k = 0; k < changes; ++k) {
            const size_t at = random() % b.size();
            switch (random() % 3) {
                case 0: b[at] = static_cast<uint8_t>(random()); break;
                case 1: b[at] = static_cast<uint8_t>(b[at] ^ (1u << (random() % 8))); break;
                default: b.erase(b.begin() + static_cast<long>(at)); break;
            }
        }
        images.push_back(b);
    }
    for (int i = 0; i < 2000; ++i) {
        Bytes b(random() % 600);
        // Mostly block-like bytes, so the walk gets somewhere.
        constexpr uint8_t common_bytes[] = {0x55, 0x3C, 0x00, 0x01, 0xFF, 0x02};
        for (uint8_t& x : b) x = random() % 2 ? common_bytes[random() % 6] : static_cast<uint8_t>(random());
        images.push_back(b);
    }

    int accepted = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        const Bytes& image = images[i];
        const BlockWalk walk = block_image_walk(image, -1, nullptr);
        if (!(walk.ok && walk.programs > 0)) continue;
        ++accepted;
        const Bytes tape = block_image_convert(image, 0);
        ASSERT_FALSE(tape.empty()) << "image " << i;
        ASSERT_TRUE(block_image_valid(tape)) << "image " << i;
        ASSERT_EQ(block_image_convert(tape, 0), tape) << "image " << i;
        // A program's blocks each add at most a leader and 3C, 55 to the source.
        ASSERT_LE(tape.size(), image.size() * (2 + block_leader_length)) << "image " << i;
    }
    EXPECT_GT(accepted, 50);
}

}  // namespace
}  // namespace trivo

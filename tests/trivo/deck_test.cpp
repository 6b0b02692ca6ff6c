// The cassette deck: the bit path's square wave and gap schedule, the byte
// path's traps, recordings, the idle timeouts, resets, and whole saves and
// loads by 6800 routines at the BASIC ROM's cassette addresses.
#include <gtest/gtest.h>

#include <map>

#include "machine/config.h"
#include "cassette/block_image.h"
#include "cassette/wav_input.h"
#include "deck_fixture.h"
#include "converter.h"

namespace trivo {
namespace {

using test::Bytes;
using test::DeckRig;

// The half-periods the bit path sends for an image, independently of the
// deck's own tables: each bit one period, high half first, least
// significant bit first; a 1 bit 197 + 229 cycles, a 0 bit 389 + 421, the
// last bit of a byte 52 cycles longer. `gaps` replaces the last low half
// of the byte at that index.
std::vector<uint32_t> expected_halves(const Bytes& image, const std::map<size_t, uint32_t>& gaps = {}) {
    std::vector<uint32_t> halves;
    for (size_t k = 0; k < image.size(); ++k) {
        for (int i = 0; i < 8; ++i) {
            const bool one = (image[k] >> i) & 1;
            halves.push_back(one ? 197 : 389);
            uint32_t low = one ? 229 : 421;
            if (i == 7) low += 52;
            if (i == 7 && gaps.count(k)) low = gaps.at(k);
            halves.push_back(low);
        }
    }
    return halves;
}

struct PolledTape {
    std::vector<uint32_t> halves;  // time between successive level changes
    uint32_t start = 0;
    uint32_t detached_at = 0;      // 0: still attached at the limit
};

// Reads the input every cycle from `start`, as a tight polling loop would,
// until the tape detaches or `limit` cycles have passed.
PolledTape poll(DeckRig& r, uint32_t start, uint32_t limit) {
    PolledTape p;
    p.start = start;
    bool level = r.input_at(start);
    EXPECT_TRUE(level) << "playback starts high";
    uint32_t last_edge = start;
    for (uint32_t t = start + 1; t < start + limit; ++t) {
        const bool now = r.input_at(t);
        if (now != level) {
            p.halves.push_back(t - last_edge);
            last_edge = t;
            level = now;
        }
        if (!r.m.deck.playing) {
            p.detached_at = t;
            EXPECT_FALSE(now) << "a stopped tape leaves the input low";
            break;
        }
    }
    return p;
}

TEST(DeckBitPath, FirstReadStartsHighAndTheFirstEdgeFollowsTheFirstBit) {
    struct Case {
        uint8_t first_byte;
        uint32_t first_edge;
    };
    for (const Case c : {Case{0x01, 197}, Case{0xFE, 389}}) {
        SCOPED_TRACE(int(c.first_byte));
        DeckRig r;
        ASSERT_TRUE(deck_load_image(r.m, r.write("t.cpf", {c.first_byte, 0x00})));
        EXPECT_TRUE(r.m.deck.playing);
        EXPECT_FALSE(r.m.deck.playback_started);
        EXPECT_EQ(r.m.file_activity & activity_cassette_input, activity_cassette_input);
        EXPECT_TRUE(r.input_at(5000));
        EXPECT_TRUE(r.input_at(5000 + c.first_edge - 1));
        EXPECT_FALSE(r.input_at(5000 + c.first_edge));
    }
}

// 128 bytes end just before the first gap would come: the whole image plays
// without one and the tape detaches at the falling edge of its last bit.
TEST(DeckBitPath, ShortImagePlaysEveryBitAndStopsWithoutAGap) {
    DeckRig r;
    const Bytes image = test::pattern_bytes(128, 3);
    ASSERT_TRUE(deck_load_image(r.m, r.write("short.cpf", image)));
    const PolledTape p = poll(r, 1000, 2'000'000);

    std::vector<uint32_t> expected = expected_halves(image);
    expected.pop_back();  // the last low half is cut by the stop
    EXPECT_EQ(p.halves, expected);
    ASSERT_NE(p.detached_at, 0u);
    EXPECT_EQ(p.detached_at - p.start, std::accumulate(expected.begin(), expected.end(), 0u));
    EXPECT_EQ(r.m.file_activity & activity_cassette_input, 0);
    EXPECT_TRUE(r.m.deck.image.empty());
}

// A block image: name block of 4 data bytes, data blocks of 10 and 3, end
// block. Converted: leader 128, name block 10 bytes, leader 128, blocks of
// 16, 9 and 6 bytes. The gaps fall after the first leader (690 cycles),
// after the name block (10000), after the second leader (3605) and between
// blocks (2893).
TEST(DeckBitPath, GapScheduleFollowsTheConvertedBlockImage) {
    DeckRig r;
    const Bytes cas = test::join({test::cas_block(0x00, {'T', 'E', 'S', 'T'}), test::cas_block(0x01, test::pattern_bytes(10, 1)),
                                  test::cas_block(0x01, {7, 8, 9}), test::cas_block(0xFF, {})});
    ASSERT_TRUE(deck_open_cassette_file(r.m, r.write("prog.cas", cas)));
    EXPECT_FALSE(r.m.deck.signal_mode);
    const Bytes image = r.m.deck.image;
    ASSERT_EQ(image.size(), 297u);

    const PolledTape p = poll(r, 0, 3'000'000);
    std::vector<uint32_t> expected =
        expected_halves(image, {{127, 690}, {137, 10000}, {265, 3605}, {281, 2893}, {290, 2893}});
    expected.pop_back();
    EXPECT_EQ(p.halves, expected);
    EXPECT_NE(p.detached_at, 0u);
}

TEST(DeckBitPath, InputWithoutTapeKeepsItsLevelAndASecondLoadRestarts) {
    DeckRig r;
    // No tape: the bit stays as it was left, high or low.
    r.m.memory_image[pia2_base + 2] = 0x80;
    EXPECT_TRUE(r.input_at(100));
    r.m.memory_image[pia2_base + 2] = 0x00;
    EXPECT_FALSE(r.input_at(200));

    // A tape played part way, then another one loaded: playback restarts
    // from byte 0 of the new image.
    ASSERT_TRUE(deck_load_image(r.m, r.write("a.cpf", {0xFF, 0xFF, 0xFF})));
    poll(r, 1000, 3000);
    ASSERT_TRUE(r.m.deck.playback_started);
    ASSERT_TRUE(deck_load_image(r.m, r.write("b.cpf", {0x00, 0x11})));
    EXPECT_FALSE(r.m.deck.playback_started);
    EXPECT_TRUE(r.input_at(10000));
    EXPECT_TRUE(r.input_at(10000 + 388));
    EXPECT_FALSE(r.input_at(10000 + 389));  // byte 0x00: a 0 bit first
    EXPECT_EQ(r.m.deck.position, 0);

    // Stopping clears the bit; without a tape it then stays low.
    deck_stop_tape(r.m);
    EXPECT_FALSE(r.input_at(20000));
    // Unreadable and empty files leave no tape.
    EXPECT_FALSE(deck_load_image(r.m, r.write("empty.cpf", {})));
    EXPECT_FALSE(deck_load_image(r.m, r.dir.file("missing.cpf")));
    EXPECT_FALSE(deck_load_image(r.m, r.dir.path.string()));
    EXPECT_FALSE(r.m.deck.playing);
}

TEST(DeckIdle, TapeStopsAndRecordingClosesAfterASecondWithoutAccess) {
    DeckRig r;
    r.m.machine_clock = 50'000;
    ASSERT_TRUE(deck_load_image(r.m, r.write("t.cpf", {1, 2, 3})));
    // Loaded but not read yet: the second counts from the load.
    r.m.machine_clock = 50'000 + deck_idle_cycles;
    deck_idle_check(r.m);
    EXPECT_TRUE(r.m.deck.playing);
    r.input_at(1'000'000);
    r.m.machine_clock = 1'000'000 + deck_idle_cycles;
    deck_idle_check(r.m);
    EXPECT_TRUE(r.m.deck.playing);
    r.m.machine_clock += 1;
    deck_idle_check(r.m);
    EXPECT_FALSE(r.m.deck.playing);
    EXPECT_EQ(r.m.file_activity, 0);

    r.host.save_answer = r.dir.file("rec.cpf");
    r.m.machine_clock = 3'000'000;
    deck_write_byte(r.m, 0x41);
    deck_write_byte(r.m, 0x42);
    r.m.machine_clock += deck_idle_cycles;
    deck_idle_check(r.m);
    EXPECT_EQ(r.m.deck.bytes_written, 2u);
    r.m.machine_clock += 1;
    deck_idle_check(r.m);
    EXPECT_EQ(r.m.deck.bytes_written, 0u);
    EXPECT_EQ(r.m.file_activity, 0);
    EXPECT_EQ(test::read_bytes(r.dir.file("rec.cpf")), (Bytes{0x41, 0x42}));
}

// What each trap does, armed and not, with a CPF tape and with a WAV
// recording attached.
TEST(DeckBytePath, TrapsActOnlyWhileArmedAndStepAsideForARecording) {
    constexpr uint16_t addresses[] = {trap_delay_step,  trap_read_byte,  trap_read_byte_end,
                                      trap_leader_call, trap_write_byte, trap_read_preamble};
    auto prepare = [&](DeckRig& r) {
        for (uint16_t a : addresses) r.m.memory_image[a] = static_cast<uint8_t>(a);
        r.m.memory_image[trap_read_preamble + 1] = 0x77;
        r.m.memory_image[basic_load_checksum] = 0x5A;
        r.m.cpu.x = 0x1234;
        r.m.cpu.a = 0x99;
    };

    {
        SCOPED_TRACE("unarmed");
        DeckRig r;
        prepare(r);
        ASSERT_TRUE(deck_load_image(r.m, r.write("t.cpf", {0x42})));
        for (uint16_t a : addresses) EXPECT_EQ(bus_fetch_opcode(r.m, a), static_cast<uint8_t>(a));
        EXPECT_EQ(bus_fetch_operand(r.m, trap_read_preamble + 1), 0x77);
        EXPECT_EQ(r.m.cpu.x, 0x1234);
        EXPECT_EQ(r.m.cpu.a, 0x99);
        EXPECT_EQ(r.m.memory_image[basic_load_checksum], 0x5A);
        EXPECT_TRUE(r.host.save_requests.empty());
        EXPECT_EQ(r.m.deck.position, 0);
    }
    {
        SCOPED_TRACE("armed, CPF tape");
        DeckRig r;
        prepare(r);
        r.m.rom_hacks_armed = true;
        r.host.save_answer = r.dir.file("out.cpf");
        ASSERT_TRUE(deck_load_image(r.m, r.write("t.cpf", {0x42, 0x43})));
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_delay_step), static_cast<uint8_t>(trap_delay_step));
        EXPECT_EQ(r.m.cpu.x, 1);
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_preamble), 0x20);  // BRA
        EXPECT_EQ(bus_fetch_operand(r.m, trap_read_preamble + 1), 0x11);
        EXPECT_EQ(bus_fetch_operand(r.m, trap_delay_step), static_cast<uint8_t>(trap_delay_step));
        EXPECT_EQ(r.m.memory_image[basic_load_checksum], 0);
        EXPECT_TRUE(r.host.open_requests.empty()) << "a tape is already loaded";
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_byte), 0x39);  // RTS
        EXPECT_EQ(r.m.cpu.a, 0x42);
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_byte_end), static_cast<uint8_t>(trap_read_byte_end));
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_leader_call), 0xC6);  // LDAB #
        r.m.cpu.a = 0x77;
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_write_byte), 0x39);
        EXPECT_EQ(r.host.save_requests.size(), 1u);
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_byte), 0x39);
        EXPECT_EQ(r.m.cpu.a, 0x43);
        // The image is used up: no byte, and the routine's place holds $FF.
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_byte), 0xFF);
        EXPECT_EQ(bus_fetch_opcode(r.m, 0x8000), r.m.memory_image[0x8000]);
        deck_close_output(r.m);
        EXPECT_EQ(test::read_bytes(r.dir.file("out.cpf")), (Bytes{0x77}));
    }
    {
        SCOPED_TRACE("armed, WAV recording");
        DeckRig r;
        prepare(r);
        r.m.rom_hacks_armed = true;
        ASSERT_TRUE(deck_open_cassette_file(r.m, r.write("rec.wav", test_wav::wav({200, 60}))));
        ASSERT_TRUE(r.m.deck.signal_mode);
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_preamble), static_cast<uint8_t>(trap_read_preamble));
        EXPECT_EQ(bus_fetch_operand(r.m, trap_read_preamble + 1), 0x77);
        EXPECT_EQ(r.m.memory_image[basic_load_checksum], 0x5A);
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_byte), static_cast<uint8_t>(trap_read_byte));
        EXPECT_EQ(r.m.cpu.a, 0x99);
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_delay_step), static_cast<uint8_t>(trap_delay_step));
        EXPECT_EQ(r.m.cpu.x, 1);
        EXPECT_EQ(bus_fetch_opcode(r.m, trap_leader_call), 0xC6);
        EXPECT_TRUE(r.host.open_requests.empty());
    }
}

TEST(DeckBytePath, NoTapeAsksForOneAndAnswersNoByteWhenCancelled) {
    DeckRig r;
    r.m.rom_hacks_armed = true;
    r.m.settings.cassette = "tapes/last.cpf";
    EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_byte), 0xFF);
    ASSERT_EQ(r.host.open_requests.size(), 1u);
    EXPECT_EQ(r.host.open_requests[0], (FileRequest{FilePurpose::cassette_read, deck_open_title,
                                                    test::cassette_open_filters, "cpf",
                                                    "tapes/last.cpf", false}));
    EXPECT_EQ(r.m.settings.cassette, "tapes/last.cpf");

    // No dialog while quick-typing.
    r.m.quicktype.active = true;
    EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_preamble), 0x20);
    EXPECT_EQ(r.host.open_requests.size(), 1u);
    r.m.quicktype.active = false;

    // Chosen at the preamble: the tape and the setting, written at once.
    r.m.config_path = r.dir.file("foo.ini");
    r.host.open_answer = r.write("game.cpf", {0x10, 0x20});
    EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_preamble), 0x20);
    EXPECT_TRUE(r.m.deck.playing);
    EXPECT_EQ(r.m.settings.cassette, *r.host.open_answer);
    Settings saved;
    config_read_all(r.m.config_path, saved);
    EXPECT_EQ(saved.cassette, *r.host.open_answer);
    EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_byte), 0x39);
    EXPECT_EQ(r.m.cpu.a, 0x10);

    // A WAV file chosen at the byte path's dialog plays as a recording: the
    // ROM's own routines then run.
    deck_stop_tape(r.m);
    r.host.open_answer = r.write("rec.WAV", test_wav::wav({200}));
    EXPECT_EQ(bus_fetch_opcode(r.m, trap_read_byte), static_cast<uint8_t>(r.m.memory_image[trap_read_byte]));
    EXPECT_TRUE(r.m.deck.signal_mode);
}

TEST(DeckRecording, CancelledSaveDropsTheRecordingAndTheNextOneAsksAgain) {
    DeckRig r;
    r.m.settings.cassettewr = "/some/where/old.c10";
    r.m.machine_clock = 10'000;
    for (uint8_t b : {1, 2, 3, 4}) deck_write_byte(r.m, b);
    ASSERT_EQ(r.host.save_requests.size(), 1u);
    EXPECT_EQ(r.host.save_requests[0],
              (FileRequest{FilePurpose::cassette_record, deck_save_title,
                           {{"APF Cassette Files (*.CPF)", "*.cpf"}, {"All Files (*.*)", "*.*"}},
                           "CPF", "/some/where/APF_CAS.CPF", true}));
    EXPECT_EQ(r.m.deck.bytes_written, 4u);

    r.m.machine_clock += deck_idle_cycles + 1;
    deck_idle_check(r.m);
    r.host.save_answer = r.dir.file("second.cpf");
    r.m.config_path = r.dir.file("foo.ini");
    deck_write_byte(r.m, 9);
    EXPECT_EQ(r.host.save_requests.size(), 2u);
    EXPECT_EQ(r.host.save_requests[1].start_path, "/some/where/APF_CAS.CPF");
    EXPECT_EQ(r.m.settings.cassettewr, r.dir.file("second.cpf"));
    Settings saved;
    config_read_all(r.m.config_path, saved);
    EXPECT_EQ(saved.cassettewr, r.dir.file("second.cpf"));
    deck_close_output(r.m);
    EXPECT_EQ(test::read_bytes(r.dir.file("second.cpf")), (Bytes{9}));

    // A setting without a folder proposes the bare name.
    r.m.settings.cassettewr = "cassav.c10";
    deck_write_byte(r.m, 1);
    EXPECT_EQ(r.host.save_requests.back().start_path, "APF_CAS.CPF");
}

// The user confirmed a name that cannot be created: the recording cannot be
// kept, and the user is told so rather than only the debugger output.
TEST(DeckRecording, OutputThatCannotBeCreatedIsReportedAndItsBytesDropped) {
    DeckRig r;
    const std::string bad = r.dir.file("no/such/folder/x.cpf");
    r.host.save_answer = bad;
    r.m.settings.cassettewr = "keep.c10";
    for (uint8_t b : {1, 2, 3}) deck_write_byte(r.m, b);
    ASSERT_EQ(r.host.debug_lines.size(), 1u);
    EXPECT_EQ(r.host.debug_lines[0], "Failed to open Cassette file " + bad + " for output\n");
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0].text.rfind("Failed to open Cassette file", 0), 0u);
    EXPECT_NE(r.host.messages[0].text.find(bad), std::string::npos);
    EXPECT_EQ(r.host.messages[0].icon, MessageIcon::warning);
    EXPECT_EQ(r.m.settings.cassettewr, "keep.c10");
    EXPECT_EQ(r.host.save_requests.size(), 1u);
    EXPECT_EQ(r.m.deck.bytes_written, 3u);
}

TEST(DeckReset, EveryResetStopsTheTapeAndEndsTheRecording) {
    for (const ResetKind kind : {ResetKind::soft, ResetKind::hard}) {
        SCOPED_TRACE(static_cast<int>(kind));
        DeckRig r;
        r.m.rom_hacks_armed = true;
        r.m.wav_logger_on = true;
        ASSERT_TRUE(deck_open_cassette_file(r.m, r.write("rec.wav", test_wav::wav(Bytes(100, 200)))));
        r.input_at(10);
        r.input_at(2000);
        wav_logger_step(r.m, 0x33);  // the logger's file is open now
        ASSERT_TRUE(r.m.deck.log_file);
        r.host.save_answer = r.dir.file("rec.cpf");
        deck_write_byte(r.m, 0x44);
        ASSERT_TRUE(r.m.memory_image[pia2_base + 2] & deck_input_bit);

        machine_reset(r.m, kind);
        EXPECT_FALSE(r.m.deck.playing);
        EXPECT_FALSE(r.m.deck.signal_mode);
        EXPECT_FALSE(r.m.deck.wav.reader.is_open());
        EXPECT_FALSE(r.m.deck.log_file);
        EXPECT_FALSE(r.m.deck.output);
        EXPECT_EQ(r.m.deck.bytes_written, 0u);
        EXPECT_EQ(r.m.file_activity, 0);
        EXPECT_FALSE(r.m.memory_image[pia2_base + 2] & deck_input_bit);
        EXPECT_EQ(test::read_bytes(r.dir.file("rec.cpf")), (Bytes{0x44}));
        EXPECT_EQ(test::read_bytes(wav_log_name(r.dir.file("rec.wav"))), (Bytes{0x33}));
    }
}

// A program saved byte by byte by 6800 code through the trap at the
// write-byte routine, then loaded back through the read preamble and
// read-byte traps: the CPF file holds the bytes and their checksum, and the
// load returns all of them unchanged, checksum included.
TEST(DeckCartridge, SaveAndLoadThroughTheBytePath) {
    DeckRig r;
    r.install_cartridge();
    ASSERT_TRUE(r.m.rom_hacks_armed);
    r.m.config_path = r.dir.file("foo.ini");
    const Bytes program = test::pattern_bytes(300, 9);
    std::copy(program.begin(), program.end(), r.m.memory_image.begin() + test::cart_buffer);
    r.set_word(test::cart_count, static_cast<uint16_t>(program.size()));
    const std::string saved = r.dir.file("prog.cpf");
    r.host.save_answer = saved;

    const uint32_t before = r.m.machine_clock;
    ASSERT_TRUE(r.run_cartridge(test::cart_csave, 5'000'000));
    // No delay, no leader, no bit timing: only the loop around the trap.
    EXPECT_LT(r.m.machine_clock - before, 300u * 60);
    EXPECT_EQ(r.host.save_requests.size(), 1u);
    r.m.machine_clock += deck_idle_cycles + 1;
    deck_idle_check(r.m);
    Bytes expected = program;
    expected.push_back(test::sum8(program));
    EXPECT_EQ(test::read_bytes(saved), expected);
    Settings ini;
    config_read_all(r.m.config_path, ini);
    EXPECT_EQ(ini.cassettewr, saved);

    std::fill_n(r.m.memory_image.begin() + test::cart_buffer, 400, 0);
    r.set_word(test::cart_count, static_cast<uint16_t>(expected.size()));
    r.m.memory_image[basic_load_checksum] = 0x5A;  // cleared by the preamble's trap
    r.host.open_answer = saved;
    ASSERT_TRUE(r.run_cartridge(test::cart_cload, 5'000'000));
    EXPECT_EQ(r.host.open_requests.size(), 1u);
    EXPECT_EQ(r.memory(test::cart_buffer, expected.size()), expected);
    EXPECT_EQ(r.m.memory_image[basic_load_checksum], test::sum8(expected));
    config_read_all(r.m.config_path, ini);
    EXPECT_EQ(ini.cassette, saved);

    // Unarmed, the same routines do their own slow work and reach no file.
    DeckRig slow;
    slow.install_cartridge(false);
    slow.set_word(test::cart_count, 2);
    ASSERT_TRUE(slow.run_cartridge(test::cart_csave, 5'000'000));
    EXPECT_TRUE(slow.host.save_requests.empty());
    EXPECT_GT(slow.m.machine_clock, 16'000u + 256 * 2 * 60 * 8);
}

// The whole signal chain: tonel turns a CPF image into a WAV recording, the
// deck plays it into the cassette input in signal mode, and the cartridge's
// 6800 decoder times the input's edges back into bytes. The WAV->CAS logger
// catches every byte the read-byte routine returns. A sine period starts
// with its low half and a square one with its high half; both must decode
// at both rates.
TEST(DeckCartridge, TonelRecordingDecodesThroughTheCassetteInput) {
    const struct {
        tonel::SampleRate rate;
        tonel::WaveShape shape;
        uint8_t seed;
    } cases[] = {
        {tonel::SampleRate::hz44100, tonel::WaveShape::sine, 0x44},
        {tonel::SampleRate::hz22050, tonel::WaveShape::sine, 0x22},
        {tonel::SampleRate::hz44100, tonel::WaveShape::square, 0x45},
        {tonel::SampleRate::hz22050, tonel::WaveShape::square, 0x23},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.rate) << " Hz, "
                                          << (c.shape == tonel::WaveShape::sine ? "sine" : "square"));
        DeckRig r;
        r.install_cartridge();
        wav_logger_toggle(r.m);
        ASSERT_TRUE(r.m.wav_logger_on);

        const Bytes image = test::cpf_image(40, c.seed);
        tonel::ConversionSettings settings;
        settings.sample_rate = c.rate;
        settings.wave_shape = c.shape;
        const tonel::ConversionResult converted = tonel::convert_cpf(r.write("prog.cpf", image), settings);
        ASSERT_EQ(converted.outcome, tonel::ConversionOutcome::good);
        ASSERT_TRUE(deck_open_cassette_file(r.m, converted.wav_path));
        ASSERT_TRUE(r.m.deck.signal_mode);

        r.set_word(test::cart_count, static_cast<uint16_t>(image.size()));
        r.m.memory_image[basic_load_checksum] = 0x5A;
        // Half a second of silence, 12000 leader periods, the data: about
        // 13 emulated seconds.
        ASSERT_TRUE(r.run_cartridge(test::cart_cload, 20ull * cpu_clock_hz));
        EXPECT_EQ(r.m.memory_image[test::cart_status], 0) << "a data period timed out";
        EXPECT_EQ(r.memory(test::cart_buffer, image.size()), image);
        EXPECT_EQ(r.m.memory_image[basic_load_checksum], test::sum8(image));
        EXPECT_TRUE(r.m.deck.playing);

        // The program no longer reads the input: a second later the tape
        // stops, which closes the logger's file.
        r.m.machine_clock += deck_idle_cycles + 1;
        deck_idle_check(r.m);
        EXPECT_FALSE(r.m.deck.playing);
        EXPECT_EQ(test::read_bytes(wav_log_name(converted.wav_path)), image);
    }
}

}  // namespace
}  // namespace trivo

// WAV recordings on the cassette input: refusals, pacing by the processor
// clock, channels, the end of a recording, the WAV->CAS logger and the
// "Play Cassette File..." command.
#include <gtest/gtest.h>

#include <filesystem>

#include "machine/commands.h"
#include "machine/config.h"
#include "cassette/block_image.h"
#include "cassette/wav_input.h"
#include "deck_fixture.h"

namespace trivo {
namespace {

using test::Bytes;
using test::DeckRig;

Bytes wav_with_format(uint16_t tag, uint16_t channels, uint16_t bits) {
    test_wav::Format f;
    f.tag = tag;
    f.channels = channels;
    f.bits = bits;
    return test_wav::riff(test_wav::concat({test_wav::chunk("fmt ", test_wav::fmt_body(f)),
                                            test_wav::chunk("data", Bytes(64, 200))}));
}

TEST(WavInput, RefusedFilesShowTheirMessageAndLeaveNoTape) {
    struct Case {
        const char* name;
        Bytes file;
        const char* message;
    };
    const char* not_8bit = "Input file must be an 8-bit WAV file";
    const Case cases[] = {
        {"s16.wav", wav_with_format(1, 1, 16), not_8bit},
        {"quad.wav", wav_with_format(1, 4, 8), not_8bit},
        {"float.wav", wav_with_format(3, 1, 8), not_8bit},
        {"text.wav", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}, not_8bit},
        {"short.wav", Bytes{'R', 'I', 'F', 'F', 0}, "Cannot read input WAV file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeckRig r;
        // The old tape goes as soon as the new file can be opened.
        ASSERT_TRUE(deck_load_image(r.m, r.write("old.cpf", {1, 2})));
        EXPECT_FALSE(deck_open_cassette_file(r.m, r.write(c.name, c.file)));
        ASSERT_EQ(r.host.messages.size(), 1u);
        EXPECT_EQ(r.host.messages[0].caption, "trivo");
        EXPECT_EQ(r.host.messages[0].text, c.message);
        EXPECT_EQ(r.host.messages[0].icon, MessageIcon::warning);
        EXPECT_FALSE(r.m.deck.playing);
        EXPECT_FALSE(r.m.deck.signal_mode);
        EXPECT_TRUE(r.m.deck.log_name.empty());
        EXPECT_EQ(r.m.file_activity, 0);
    }
    // A file that cannot be opened changes nothing, silently.
    DeckRig r;
    ASSERT_TRUE(deck_load_image(r.m, r.write("old.cpf", {1, 2})));
    EXPECT_FALSE(deck_open_cassette_file(r.m, r.dir.file("missing.wav")));
    EXPECT_TRUE(r.m.deck.playing);
    EXPECT_TRUE(r.host.messages.empty());
}

// The input shows the newest sample due: sample k (from 1) is due once
// rate x elapsed / 894900 reaches k, so at 22050 samples per second one
// arrives every 40.6 cycles and at 44100 every 20.3.
TEST(WavInput, SamplesArePacedByTheProcessorClock) {
    struct Case {
        uint32_t rate;
        uint32_t first_sample_at;  // elapsed cycles
    };
    for (const Case c : {Case{22050, 41}, Case{44100, 21}}) {
        SCOPED_TRACE(c.rate);
        DeckRig r;
        Bytes samples(4000);
        for (size_t k = 0; k < samples.size(); ++k) samples[k] = (k * 37 % 5 < 2) ? 200 : 50;
        samples[0] = 200;
        ASSERT_TRUE(deck_open_cassette_file(r.m, r.write("paced.wav", test_wav::wav(samples, c.rate))));
        EXPECT_TRUE(r.m.deck.signal_mode);
        EXPECT_EQ(r.m.deck.log_name, r.dir.file("paced_T.CAS"));
        const uint32_t t0 = 7777;
        EXPECT_TRUE(r.input_at(t0));  // playback starts high
        EXPECT_FALSE(r.input_at(t0 + c.first_sample_at - 1)) << "silence before the first sample";
        EXPECT_TRUE(r.input_at(t0 + c.first_sample_at));
        for (uint32_t e = c.first_sample_at; e < 60'000; e += 3) {
            const uint64_t due = uint64_t{c.rate} * e / cpu_clock_hz;
            ASSERT_EQ(r.input_at(t0 + e), samples[due - 1] > 128) << "elapsed " << e;
            ASSERT_EQ(r.m.deck.wav.samples_consumed, due);
        }
    }
}

TEST(WavInput, StereoPlaysTheLeftChannel) {
    DeckRig r;
    Bytes stereo;
    Bytes left;
    for (int k = 0; k < 500; ++k) {
        left.push_back((k / 3) % 2 ? 20 : 230);
        stereo.push_back(left.back());
        stereo.push_back(static_cast<uint8_t>(255 - left.back()));
    }
    ASSERT_TRUE(deck_open_cassette_file(r.m, r.write("st.wav", test_wav::wav(stereo, 44100, 2))));
    r.input_at(0);
    for (uint32_t e = 21; e < 9000; e += 7) {
        const uint64_t due = uint64_t{44100} * e / cpu_clock_hz;
        ASSERT_EQ(r.input_at(e), left[due - 1] > 128) << "elapsed " << e;
    }
}

// After the last sample the input reads low and the tape is gone, whether
// the data chunk ends or the file ends before it. A sample of exactly 128
// reads low.
TEST(WavInput, EndOfTheRecordingDetachesTheTape) {
    struct Case {
        const char* name;
        Bytes file;
        uint64_t samples;  // playable
    };
    const Bytes ten = {129, 128, 200, 200, 200, 200, 200, 200, 200, 200};
    const Case cases[] = {
        {"whole", test_wav::wav(ten, 8000), 10},
        {"cut short",
         test_wav::riff(test_wav::concat({test_wav::chunk("fmt ", test_wav::fmt_body({1, 1, 8000, 8, 16})),
                                          test_wav::chunk("data", ten, 5000)})),
         10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeckRig r;
        ASSERT_TRUE(deck_open_cassette_file(r.m, r.write("end.wav", c.file)));
        r.input_at(0);
        const uint32_t per_sample = cpu_clock_hz / 8000 + 1;  // 112
        EXPECT_TRUE(r.input_at(per_sample));       // 129
        EXPECT_FALSE(r.input_at(2 * per_sample));  // 128
        EXPECT_TRUE(r.input_at(3 * per_sample));
        EXPECT_TRUE(r.input_at(9 * per_sample));
        EXPECT_TRUE(r.m.deck.playing);
        // The whole file read, and one sample more for a file cut short.
        EXPECT_FALSE(r.input_at(static_cast<uint32_t>((c.samples + 1) * per_sample)));
        EXPECT_FALSE(r.m.deck.playing);
        EXPECT_FALSE(r.m.deck.wav.reader.is_open());
        EXPECT_EQ(r.m.file_activity, 0);
        EXPECT_FALSE(r.input_at(100'000));
    }
}

TEST(WavLogger, NameOfTheLogFollowsTheRecording) {
    const std::pair<const char*, const char*> cases[] = {
        {"tapes/tape.wav", "tapes/tape_T.CAS"},
        {"TAPE.WAV", "TAPE_T.CAS"},
        {"a.b.wav", "a.b_T.CAS"},
        {"my.tapes/tape", "my.tapes/tape_T.CAS"},
        {"tape", "tape_T.CAS"},
    };
    for (const auto& [wav, log] : cases) EXPECT_EQ(wav_log_name(wav), log) << wav;
}

TEST(WavLogger, TogglesOnlyWhileArmedAndLogsOneFilePerRecording) {
    DeckRig r;
    wav_logger_toggle(r.m);
    EXPECT_FALSE(r.m.wav_logger_on);
    EXPECT_TRUE(r.host.menu_states.empty());
    r.m.rom_hacks_armed = true;
    wav_logger_toggle(r.m);
    EXPECT_TRUE(r.m.wav_logger_on);
    ASSERT_EQ(r.host.menu_states.size(), 1u);
    EXPECT_EQ(r.host.menu_states[0].command, command_wav_logger);
    EXPECT_TRUE(r.host.menu_states[0].checked);
    EXPECT_TRUE(r.host.menu_states[0].enabled);

    // The logger step is the trap at the read-byte routine's RTS.
    auto log_byte = [&](uint8_t a) {
        r.m.cpu.a = a;
        bus_fetch_opcode(r.m, trap_read_byte_end);
    };
    const std::string first = r.write("first.wav", test_wav::wav(Bytes(50, 200)));
    ASSERT_TRUE(deck_open_cassette_file(r.m, first));
    log_byte(0x10);
    log_byte(0x20);
    // Switching off does not end a log already open.
    wav_logger_toggle(r.m);
    EXPECT_FALSE(r.host.menu_states.back().checked);
    log_byte(0x30);
    deck_stop_tape(r.m);
    log_byte(0x40);  // no tape, no log
    EXPECT_EQ(test::read_bytes(wav_log_name(first)), (Bytes{0x10, 0x20, 0x30}));

    // Off when the recording starts: nothing is logged until it is switched
    // on, and then into this recording's file.
    const std::string second = r.write("second.wav", test_wav::wav(Bytes(50, 200)));
    ASSERT_TRUE(deck_open_cassette_file(r.m, second));
    log_byte(0x50);
    EXPECT_FALSE(std::filesystem::exists(wav_log_name(second)));
    wav_logger_toggle(r.m);
    log_byte(0x60);
    deck_stop_tape(r.m);
    EXPECT_EQ(test::read_bytes(wav_log_name(second)), (Bytes{0x60}));

    // A log that cannot be created is given up for this recording.
    const std::string third = r.write("third.wav", test_wav::wav(Bytes(50, 200)));
    std::filesystem::create_directory(wav_log_name(third));
    ASSERT_TRUE(deck_open_cassette_file(r.m, third));
    log_byte(0x70);
    log_byte(0x71);
    EXPECT_FALSE(r.m.deck.log_file);
    EXPECT_EQ(r.host.debug_lines.size(), 1u);
}

TEST(PlayCassetteFile, AsksForAFileAndRemembersTheOneThatPlays) {
    DeckRig r;
    r.m.config_path = r.dir.file("foo.ini");
    r.m.settings.cassette = "grloop.c10";
    const std::string cas =
        r.write("game.c10", test::join({test::cas_block(0x00, {'G'}), test::cas_block(0x01, {1, 2}),
                                        test::cas_block(0xFF, {})}));
    r.host.open_answer = cas;
    ASSERT_TRUE(deck_play_cassette_file(r.m));
    ASSERT_EQ(r.host.open_requests.size(), 1u);
    EXPECT_EQ(r.host.open_requests[0], (FileRequest{FilePurpose::cassette_play, deck_play_title,
                                                    test::cassette_open_filters, "c10",
                                                    "grloop.c10", false}));
    EXPECT_TRUE(r.m.deck.playing);
    EXPECT_FALSE(r.m.deck.signal_mode);
    EXPECT_EQ(r.m.settings.cassette, cas);
    Settings saved;
    config_read_all(r.m.config_path, saved);
    EXPECT_EQ(saved.cassette, cas);

    // Not while a tape is loaded or a quicktype runs.
    EXPECT_FALSE(deck_play_cassette_file(r.m));
    deck_stop_tape(r.m);
    r.m.quicktype.active = true;
    EXPECT_FALSE(deck_play_cassette_file(r.m));
    r.m.quicktype.active = false;
    EXPECT_EQ(r.host.open_requests.size(), 1u);

    // A recording chosen under any name plays as a recording.
    r.host.open_answer = r.write("take1.snd", test_wav::wav(Bytes(10, 200)));
    ASSERT_TRUE(deck_play_cassette_file(r.m));
    EXPECT_TRUE(r.m.deck.signal_mode);
    EXPECT_EQ(r.m.deck.log_name, r.dir.file("take1_T.CAS"));
    deck_stop_tape(r.m);

    // A CPF image goes to the block-image reader, which refuses it; the
    // setting keeps the last file that played.
    r.host.open_answer = r.write("prog.cpf", test::cpf_image(20, 1));
    EXPECT_FALSE(deck_play_cassette_file(r.m));
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0].text, block_image_failure_text);
    EXPECT_EQ(r.m.settings.cassette, r.dir.file("take1.snd"));

    // Cancelled: nothing attached.
    r.host.open_answer.reset();
    EXPECT_FALSE(deck_play_cassette_file(r.m));
    EXPECT_FALSE(r.m.deck.playing);
}

}  // namespace
}  // namespace trivo

#include "converter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/file_util.h"
#include "tonel_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace tonel;
using tonel_test::read_bytes;
using tonel_test::TempDir;
using tonel_test::write_bytes;

using Bytes = std::vector<uint8_t>;

Bytes repeat(uint8_t value, size_t n) { return Bytes(n, value); }
Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Expected patterns, worked out by hand from the sine formulas (double
// precision, truncation toward zero) and the square levels.
struct PatternCase {
    SampleRate rate;
    WaveShape shape;
    Bytes zero_cycle, one_cycle, tail;
};

const PatternCase pattern_cases[] = {
    {SampleRate::hz44100, WaveShape::sine,
     {113, 82, 55, 34, 21, 16, 21, 34, 55, 82, 113, 143, 174, 201, 222, 235, 240, 235, 222, 201, 174, 143},
     {121, 105, 89, 75, 61, 49, 39, 30, 24, 19, 17, 17, 19, 24, 30, 39, 49, 61, 75, 89, 105, 121,
      135, 151, 167, 181, 195, 207, 217, 226, 232, 237, 239, 239, 237, 232, 226, 217, 207, 195, 181, 167, 151, 135},
     {113, 113, 113, 113, 113, 113, 113, 113, 114, 114, 115, 116, 117, 118, 119, 120, 121, 122,
      124, 125, 126, 128, 128, 130, 131, 132, 134, 135, 136, 137, 138, 139, 140, 141, 142, 142}},
    {SampleRate::hz22050, WaveShape::sine,
     {100, 49, 20, 20, 49, 100, 156, 207, 236, 236, 207, 156},
     {114, 86, 60, 40, 25, 17, 17, 25, 40, 60, 86, 114, 142, 170, 196, 216, 231, 239, 239, 231, 216, 196, 170, 142},
     {114, 113, 113, 113, 113, 114, 115, 117, 119, 122, 124, 127, 129, 132, 134, 137, 139, 141}},
    {SampleRate::hz44100, WaveShape::square, concat(repeat(240, 11), repeat(16, 11)),
     concat(repeat(240, 22), repeat(16, 22)), repeat(144, 36)},
    {SampleRate::hz22050, WaveShape::square, concat(repeat(240, 6), repeat(16, 6)),
     concat(repeat(240, 12), repeat(16, 12)), repeat(144, 18)},
};

TEST(Patterns, MatchTheHandWorkedSamples) {
    for (const auto& c : pattern_cases) {
        SCOPED_TRACE(testing::Message() << static_cast<uint32_t>(c.rate) << (c.shape == WaveShape::sine ? " sine" : " square"));
        const SamplePatterns p = build_patterns(rate_lengths(c.rate), c.shape);
        EXPECT_EQ(p.zero_cycle, c.zero_cycle);
        EXPECT_EQ(p.one_cycle, c.one_cycle);
        EXPECT_EQ(p.tail, c.tail);
    }
}

// One conversion per rate and shape, checked sample by sample: header,
// silence, leader, start mark, the bits of each byte most significant first
// with nothing between bytes, tail, silence, and nothing after.
struct LayoutCase {
    SampleRate rate;
    WaveShape shape;
    const char* wav_name;
    size_t short_half, long_half, tail_length;
};

const LayoutCase layout_cases[] = {
    {SampleRate::hz44100, WaveShape::sine, "GAME_4N.WAV", 11, 22, 36},
    {SampleRate::hz44100, WaveShape::square, "GAME_4Q.WAV", 11, 22, 36},
    {SampleRate::hz22050, WaveShape::sine, "GAME_2N.WAV", 6, 12, 18},
    {SampleRate::hz22050, WaveShape::square, "GAME_2Q.WAV", 6, 12, 18},
};

TEST(Conversion, WavFileLayoutAtEveryRateAndShape) {
    // 0x41 + 0x80 = 0xC1: a good checksum. Six 1 bits and eighteen 0 bits.
    const Bytes image = {0x41, 0x80, 0xC1};
    for (const auto& c : layout_cases) {
        SCOPED_TRACE(c.wav_name);
        TempDir dir;
        const fs::path input = dir.path / "GAME.CPF";
        write_bytes(input, image);
        const ConversionResult r = convert_cpf(input.string(), {c.rate, c.shape, false});
        ASSERT_EQ(r.outcome, ConversionOutcome::good);
        EXPECT_EQ(r.status, "Good");
        EXPECT_EQ(r.wav_path, (dir.path / c.wav_name).string());

        const uint32_t rate = static_cast<uint32_t>(c.rate);
        const size_t expected_samples = rate / 2 + 12000 * 2 * c.long_half + 2 * c.short_half +
                                        6 * 2 * c.long_half + 18 * 2 * c.short_half + c.tail_length + rate / 2;
        const Bytes wav = read_bytes(dir.path / c.wav_name);
        ASSERT_EQ(wav.size(), 46 + expected_samples);
        EXPECT_EQ(r.sample_count, expected_samples);

        const uint8_t* h = wav.data();
        EXPECT_EQ(std::memcmp(h, "RIFF", 4), 0);
        EXPECT_EQ(common::get_le32(h + 4), expected_samples + 38);
        EXPECT_EQ(std::memcmp(h + 8, "WAVEfmt ", 8), 0);
        EXPECT_EQ(common::get_le32(h + 16), 18u);
        EXPECT_EQ(common::get_le16(h + 20), 1);  // PCM
        EXPECT_EQ(common::get_le16(h + 22), 1);  // mono
        EXPECT_EQ(common::get_le32(h + 24), rate);
        EXPECT_EQ(common::get_le32(h + 28), rate);
        EXPECT_EQ(common::get_le16(h + 32), 1);
        EXPECT_EQ(common::get_le16(h + 34), 8);
        EXPECT_EQ(common::get_le16(h + 36), 0);
        EXPECT_EQ(std::memcmp(h + 38, "data", 4), 0);
        EXPECT_EQ(common::get_le32(h + 42), expected_samples);

        const SamplePatterns p = build_patterns(rate_lengths(c.rate), c.shape);
        size_t pos = 46;
        auto expect_run = [&](const Bytes& pattern, const char* what) {
            ASSERT_LE(pos + pattern.size(), wav.size()) << what;
            ASSERT_TRUE(std::equal(pattern.begin(), pattern.end(), wav.begin() + static_cast<long>(pos)))
                << what << " at sample " << pos - 46;
            pos += pattern.size();
        };
        expect_run(repeat(128, rate / 2), "leading silence");
        for (int i = 0; i < 12000; ++i) expect_run(p.one_cycle, "leader");
        expect_run(p.zero_cycle, "start mark");
        for (const uint8_t b : image)
            for (int bit = 7; bit >= 0; --bit) expect_run((b >> bit) & 1 ? p.one_cycle : p.zero_cycle, "data bit");
        expect_run(p.tail, "tail");
        expect_run(repeat(128, rate / 2), "trailing silence");
        EXPECT_EQ(pos, wav.size());
    }
}

TEST(Conversion, OutputNamesComeFromTheInputPath) {
    struct {
        const char* input;
        SampleRate rate;
        WaveShape shape;
        const char* wav;
        const char* log;
    } const cases[] = {
        {"GAME.CPF", SampleRate::hz44100, WaveShape::sine, "GAME_4N.WAV", "GAME_4N_log.TXT"},
        {"TAPE", SampleRate::hz44100, WaveShape::sine, "TAPE_4N.WAV", "TAPE_4N_log.TXT"},
        {"games/x.y.cpf", SampleRate::hz22050, WaveShape::square, "games/x.y_2Q.WAV", "games/x.y_2Q_log.TXT"},
        {"/tmp/a.cpf", SampleRate::hz22050, WaveShape::sine, "/tmp/a_2N.WAV", "/tmp/a_2N_log.TXT"},
        // A dot in a folder name is no extension.
        {"./TAPE", SampleRate::hz44100, WaveShape::square, "./TAPE_4Q.WAV", "./TAPE_4Q_log.TXT"},
        {"../my.games/TAPE", SampleRate::hz44100, WaveShape::sine, "../my.games/TAPE_4N.WAV",
         "../my.games/TAPE_4N_log.TXT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(wav_output_name(c.input, c.rate, c.shape), c.wav);
        EXPECT_EQ(log_output_name(c.input, c.rate, c.shape), c.log);
    }
}

TEST(Conversion, LogHoldsTwoLinesPerByteWithTheUnreducedSum) {
    TempDir dir;
    const fs::path input = dir.path / "LOGME.CPF";
    // Printable edges ' ' and '~', unprintable 0x1F, 0x7F and 0xFF.
    write_bytes(input, {0x41, 0x7E, 0x7F, 0x20, 0x1F, 0xFF});
    const ConversionResult r = convert_cpf(input.string(), {SampleRate::hz22050, WaveShape::square, true});
    EXPECT_EQ(r.outcome, ConversionOutcome::checksum_mismatch);
    EXPECT_FALSE(r.log_failed);
    EXPECT_EQ(r.log_path, (dir.path / "LOGME_2Q_log.TXT").string());

    const Bytes log = read_bytes(dir.path / "LOGME_2Q_log.TXT");
    EXPECT_EQ(std::string(log.begin(), log.end()),
              "Inbyte $41 'A' at file position $0000\n#0 Output Byte 41     checksum=41\n"
              "Inbyte $7e '~' at file position $0001\n#1 Output Byte 7e     checksum=bf\n"
              "Inbyte $7f     at file position $0002\n#2 Output Byte 7f     checksum=13e\n"
              "Inbyte $20 ' ' at file position $0003\n#3 Output Byte 20     checksum=15e\n"
              "Inbyte $1f     at file position $0004\n#4 Output Byte 1f     checksum=17d\n"
              "Inbyte $ff     at file position $0005\n#5 Output Byte ff     checksum=27c\n");

    // Positions past $FFFF widen rather than wrap.
    EXPECT_EQ(log_byte_lines(0x00, 0x12345, 0x1234567),
              "Inbyte $00     at file position $12345\n#74565 Output Byte 00     checksum=1234567\n");
}

TEST(Conversion, ChecksumStatus) {
    struct {
        Bytes image;
        const char* status;
    } const cases[] = {
        {{0x00}, "Good"},  // a single byte is compared with an empty sum
        {{0x01}, "ERROR:  00 <> 01 checksum mismatch"},
        {{0x80, 0x80, 0x00}, "Good"},  // the sum is taken modulo 256
        {{0xFF, 0xFF, 0xFE}, "Good"},
        {{0x10, 0x20, 0x31}, "ERROR:  30 <> 31 checksum mismatch"},
        {{0x55, 0x55, 0xAA, 0x00}, "ERROR:  54 <> 00 checksum mismatch"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        TempDir dir;
        const fs::path input = dir.path / "SUM.CPF";
        write_bytes(input, c.image);
        const ConversionResult r = convert_cpf(input.string(), {});
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.outcome, r.status == "Good" ? ConversionOutcome::good : ConversionOutcome::checksum_mismatch);
        // A mismatch still writes the whole file.
        EXPECT_EQ(fs::file_size(dir.path / "SUM_4N.WAV"), 46u + r.sample_count);
    }
}

// Files in a folder besides the ones named.
std::vector<std::string> other_files(const fs::path& folder, const std::vector<std::string>& known) {
    std::vector<std::string> others;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end()) others.push_back(name);
    }
    return others;
}

TEST(Conversion, UnusableInputWritesNothing) {
    TempDir dir;
    write_bytes(dir.path / "EMPTY.CPF", {});
    fs::create_directory(dir.path / "FOLDER.CPF");
    {
        std::ofstream big(dir.path / "BIG.CPF", std::ios::binary);
        big.seekp(static_cast<std::streamoff>(cpf_max_size));
        big.put('\0');  // one byte over the limit
    }
    struct {
        const char* name;
        ConversionOutcome outcome;
    } const cases[] = {
        {"MISSING.CPF", ConversionOutcome::input_unreadable},
        {"FOLDER.CPF", ConversionOutcome::input_unreadable},
        {"EMPTY.CPF", ConversionOutcome::input_empty},
        {"BIG.CPF", ConversionOutcome::input_too_long},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ConversionResult r = convert_cpf((dir.path / c.name).string(), {SampleRate::hz44100, WaveShape::sine, true});
        EXPECT_EQ(r.outcome, c.outcome);
        // Only an input too long to convert says so; otherwise the status
        // line keeps what it showed.
        EXPECT_EQ(r.status, c.outcome == ConversionOutcome::input_too_long ? "ERROR:  input longer than 8388608 bytes" : "");
    }
    EXPECT_EQ(other_files(dir.path, {"EMPTY.CPF", "FOLDER.CPF", "BIG.CPF"}), std::vector<std::string>{});
}

TEST(Conversion, UncreatableWavLeavesNoOutput) {
    TempDir dir;
    const fs::path input = dir.path / "GAME.CPF";
    write_bytes(input, {0x00});
    // A folder already holds the WAV file's name.
    fs::create_directory(dir.path / "GAME_4N.WAV");
    const ConversionResult r = convert_cpf(input.string(), {SampleRate::hz44100, WaveShape::sine, true});
    EXPECT_EQ(r.outcome, ConversionOutcome::output_failed);
    EXPECT_EQ(r.status, "ERROR:  cannot create " + (dir.path / "GAME_4N.WAV").string());
    EXPECT_TRUE(fs::is_empty(dir.path / "GAME_4N.WAV"));
    // Not even the log survives: there is no output at all.
    EXPECT_EQ(other_files(dir.path, {"GAME.CPF", "GAME_4N.WAV"}), std::vector<std::string>{});
}

TEST(Conversion, WriteFailurePartWayLeavesTheOldFileWhole) {
    TempDir dir;
    const fs::path input = dir.path / "GAME.CPF";
    write_bytes(input, {0x00});
    write_bytes(dir.path / "GAME_4N.WAV", {'o', 'l', 'd'});
    // A full disk: no file of this process may grow past 4 KB, so the WAV
    // file fails once its first buffers are flushed. (Exceeding the limit
    // raises SIGXFSZ, ignored here so that the write reports EFBIG.)
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const ConversionResult r = convert_cpf(input.string(), {});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous_handler);
    EXPECT_EQ(r.outcome, ConversionOutcome::output_failed);
    EXPECT_EQ(r.status, "ERROR:  cannot write " + (dir.path / "GAME_4N.WAV").string());
    EXPECT_EQ(read_bytes(dir.path / "GAME_4N.WAV"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(other_files(dir.path, {"GAME.CPF", "GAME_4N.WAV"}), std::vector<std::string>{});
}

TEST(Conversion, UncreatableLogStillConverts) {
    TempDir dir;
    const fs::path input = dir.path / "GAME.CPF";
    write_bytes(input, {0x00});
    fs::create_directory(dir.path / "GAME_4N_log.TXT");
    const ConversionResult r = convert_cpf(input.string(), {SampleRate::hz44100, WaveShape::sine, true});
    EXPECT_EQ(r.outcome, ConversionOutcome::good);
    EXPECT_TRUE(r.log_failed);
    EXPECT_EQ(fs::file_size(dir.path / "GAME_4N.WAV"), 46u + r.sample_count);
    EXPECT_TRUE(fs::is_empty(dir.path / "GAME_4N_log.TXT"));
    EXPECT_EQ(other_files(dir.path, {"GAME.CPF", "GAME_4N.WAV", "GAME_4N_log.TXT"}), std::vector<std::string>{});
}

}  // namespace

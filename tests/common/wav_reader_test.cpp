// The WAV reader behind the cassette input: which files it accepts, how it
// walks the chunks, and that no file, however broken, makes it read past
// what is there or loop.
#include "common/wav_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "wav_bytes.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using test_wav::Bytes;
using test_wav::chunk;
using test_wav::concat;
using test_wav::fmt_body;
using test_wav::Format;
using test_wav::riff;

struct TempDir : test_support::ScratchFolder {

    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string file = (path / name).string();
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
};

Format format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, int length = 16) {
    Format f;
    f.tag = tag;
    f.channels = channels;
    f.rate = rate;
    f.bits = bits;
    f.length = length;
    return f;
}

Bytes fmt(const Format& f) { return chunk("fmt ", fmt_body(f)); }

const Bytes samples = {10, 200, 128, 129, 127, 255};

struct OpenCase {
    const char* name;
    Bytes file;
    common::WavOpenResult result;
    uint32_t rate;
    uint16_t channels;
};

TEST(WavReader, AcceptsExactlyEightBitPcmWithItsChunksInsideTheRiffChunk) {
    using R = common::WavOpenResult;
    const Bytes data = chunk("data", samples);
    // fmt of 16 bytes declared, 10 present: the file ends inside the chunk.
    Bytes cut_fmt = riff(concat({chunk("fmt ", fmt_body(format(1, 1, 8000, 8)), 16)}));
    cut_fmt.resize(12 + 8 + 10);
    const OpenCase cases[] = {
        {"mono", riff(concat({fmt(format(1, 1, 44100, 8)), data})), R::ok, 44100, 1},
        {"stereo", riff(concat({fmt(format(1, 2, 22050, 8)), data})), R::ok, 22050, 2},
        {"fmt with extra-size field", riff(concat({fmt(format(1, 1, 11025, 8, 18)), data})), R::ok, 11025, 1},
        {"long fmt", riff(concat({fmt(format(1, 1, 8000, 8, 40)), data})), R::ok, 8000, 1},
        {"odd-sized chunk first, padded",
         riff(concat({chunk("LIST", Bytes(5, 'x')), fmt(format(1, 1, 8000, 8)), chunk("fact", {1, 2, 3}), data})),
         R::ok, 8000, 1},
        {"16-bit", riff(concat({fmt(format(1, 1, 44100, 16)), data})), R::not_8bit_pcm, 0, 0},
        {"4 channels", riff(concat({fmt(format(1, 4, 44100, 8)), data})), R::not_8bit_pcm, 0, 0},
        {"no channels", riff(concat({fmt(format(1, 0, 44100, 8)), data})), R::not_8bit_pcm, 0, 0},
        {"float", riff(concat({fmt(format(3, 1, 44100, 8)), data})), R::not_8bit_pcm, 0, 0},
        {"rate 0", riff(concat({fmt(format(1, 1, 0, 8)), data})), R::not_8bit_pcm, 0, 0},
        {"fmt without bits field", riff(concat({fmt(format(1, 1, 44100, 8, 14)), data})), R::not_8bit_pcm, 0, 0},
        {"RIFX", [&] { Bytes b = riff(concat({fmt(format(1, 1, 8000, 8)), data})); b[3] = 'X'; return b; }(),
         R::not_8bit_pcm, 0, 0},
        {"AVI form", riff(concat({fmt(format(1, 1, 8000, 8)), data}), "AVI "), R::not_8bit_pcm, 0, 0},
        {"no fmt", riff(data), R::not_8bit_pcm, 0, 0},
        {"no data", riff(fmt(format(1, 1, 8000, 8))), R::not_8bit_pcm, 0, 0},
        {"data before fmt", riff(concat({data, fmt(format(1, 1, 8000, 8))})), R::not_8bit_pcm, 0, 0},
        {"RIFF size ends before fmt", riff(concat({fmt(format(1, 1, 8000, 8)), data}), "WAVE", 4),
         R::not_8bit_pcm, 0, 0},
        {"fmt cut short", cut_fmt, R::cannot_read, 0, 0},
        {"shorter than the RIFF header", Bytes{'R', 'I', 'F', 'F', 9, 0, 0, 0, 'W', 'A', 'V'}, R::cannot_read, 0, 0},
        {"empty", Bytes{}, R::cannot_read, 0, 0},
    };
    TempDir dir;
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        common::WavReader reader;
        EXPECT_EQ(reader.open(dir.write("case.wav", c.file)), c.result);
        EXPECT_EQ(reader.is_open(), c.result == R::ok);
        if (c.result == R::ok) {
            EXPECT_EQ(reader.sample_rate(), c.rate);
            EXPECT_EQ(reader.channels(), c.channels);
            EXPECT_EQ(reader.data_size(), samples.size());
            uint8_t first = 0;
            ASSERT_TRUE(reader.next_sample(first));
            EXPECT_EQ(first, samples[0]);
        }
    }
    common::WavReader reader;
    EXPECT_EQ(reader.open((dir.path / "missing.wav").string()), R::cannot_read);
}

TEST(WavReader, DeliversTheFirstChannelOfEveryFrameAcrossBufferRefills) {
    TempDir dir;
    // Longer than several read blocks, so refills happen mid-file.
    const size_t frames = 3 * common::wav_read_block + 777;
    Bytes left(frames), stereo(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        left[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
        stereo[2 * i] = left[i];
        stereo[2 * i + 1] = static_cast<uint8_t>(~left[i]);
    }
    for (const uint16_t channels : {uint16_t{1}, uint16_t{2}}) {
        SCOPED_TRACE(channels);
        common::WavReader reader;
        ASSERT_EQ(reader.open(dir.write("long.wav", test_wav::wav(channels == 1 ? left : stereo, 22050, channels))),
                  common::WavOpenResult::ok);
        EXPECT_EQ(reader.frame_count(), frames);
        Bytes got;
        uint8_t s;
        while (reader.next_sample(s)) got.push_back(s);
        EXPECT_EQ(got, left);
        EXPECT_FALSE(reader.next_sample(s));
    }
}

TEST(WavReader, DataEndsAtTheChunkOrAtTheEndOfAShortFile) {
    TempDir dir;
    struct Case {
        const char* name;
        Bytes file;
        size_t delivered;
    };
    const Format mono = format(1, 1, 8000, 8);
    const Bytes five = {1, 2, 3, 4, 5};
    const Case cases[] = {
        // A chunk after the data is not played as samples.
        {"chunk after data", riff(concat({fmt(mono), chunk("data", five), chunk("LIST", Bytes(64, 200))})), 5},
        // The data chunk claims 1000 bytes; the file holds 5.
        {"truncated data", riff(concat({fmt(mono), chunk("data", {1, 2, 3, 4}, 1000)})), 4},
        // Stereo with an odd byte count: the last half frame is not a sample.
        {"half frame", riff(concat({fmt(format(1, 2, 8000, 8)), chunk("data", five)})), 2},
        {"empty data", riff(concat({fmt(mono), chunk("data", {})})), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        common::WavReader reader;
        ASSERT_EQ(reader.open(dir.write("case.wav", c.file)), common::WavOpenResult::ok);
        size_t n = 0;
        uint8_t s;
        while (reader.next_sample(s)) ++n;
        EXPECT_EQ(n, c.delivered);
    }
    // A closed reader delivers nothing.
    common::WavReader closed;
    uint8_t s;
    EXPECT_FALSE(closed.next_sample(s));
}

// Broken files of every kind: each open ends with an answer, and reading an
// accepted one ends after no more samples than the file has bytes.
TEST(WavReader, SurvivesJunkTruncationAndAbsurdSizes) {
    TempDir dir;
    const Bytes base = riff(concat({chunk("LIST", Bytes(7, 'i')), fmt(format(1, 2, 22050, 8, 18)),
                                    chunk("data", Bytes(300, 77)), chunk("cue ", Bytes(12, 0))}));
    std::vector<Bytes> files;
    for (size_t n = 0; n < base.size(); ++n) files.emplace_back(base.begin(), base.begin() + static_cast<long>(n));
    // Every size field: the RIFF size, and each chunk's.
    const size_t size_fields[] = {4, 16, 32, 58, 366};
    for (size_t at : size_fields) {
        for (uint32_t value : {0u, 1u, 2u, 0x7FFFFFFFu, 0xFFFFFFF7u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
            Bytes b = base;
            ASSERT_LT(at + 4, b.size());
            common::put_le32(b.data() + at, value);
            files.push_back(b);
        }
    }
    std::mt19937 random(1234);
    for (int i = 0; i < 1500; ++i) {
        Bytes b = base;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < flips; ++k) b[random() % b.size()] = static_cast<uint8_t>(random());
        files.push_back(b);
    }
    for (int i = 0; i < 300; ++i) {
        Bytes b(random() % 200);
        for (uint8_t& x : b) x = static_cast<uint8_t>(random());
        if (i % 2 && b.size() >= 12) std::copy_n(base.begin(), 12, b.begin());
        files.push_back(b);
    }

    common::WavReader reader;  // one reader reopened each time
    int accepted = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        // A new name each time: rewriting one file over and over is slow on
        // file systems that flush a truncated file when it is closed.
        const std::string path = dir.write("fuzz" + std::to_string(i) + ".wav", files[i]);
        if (reader.open(path) != common::WavOpenResult::ok) {
            EXPECT_FALSE(reader.is_open()) << "file " << i;
            continue;
        }
        ++accepted;
        size_t n = 0;
        uint8_t s;
        while (reader.next_sample(s) && n <= files[i].size()) ++n;
        EXPECT_LE(n, files[i].size()) << "file " << i;
    }
    EXPECT_GT(accepted, 0);
}

}  // namespace

#include "common/wav_reader.h"

#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "common/file_util.h"

namespace common {

namespace {

constexpr size_t riff_header_size = 12;  // "RIFF", size, form type
constexpr size_t chunk_header_size = 8;  // identifier, size
// The 16-byte PCM format and the count of extra bytes that may follow it;
// nothing after those 18 bytes matters for PCM.
constexpr size_t format_bytes = 18;
constexpr uint16_t format_tag_pcm = 1;

struct Chunk {
    uint64_t body;  // file offset of the chunk's first data byte
    uint32_t size;
};

// Looks for a chunk among the siblings that start at `position`, up to the
// end of the enclosing chunk. Every step moves forward by at least a chunk
// header, and a header that cannot be read (past the end of a file whose
// sizes lie) ends the search, so an absurd size field costs one seek.
// On success the file is positioned at the chunk's data.
std::optional<Chunk> find_chunk(std::FILE* f, const char* id, uint64_t position, uint64_t end) {
    while (position + chunk_header_size <= end) {
        uint8_t header[chunk_header_size];
        if (fseeko(f, static_cast<off_t>(position), SEEK_SET) != 0 ||
            std::fread(header, 1, sizeof header, f) != sizeof header) {
            return std::nullopt;
        }
        const uint32_t size = get_le32(header + 4);
        if (std::memcmp(header, id, 4) == 0) return Chunk{position + chunk_header_size, size};
        // Chunks are padded to an even length.
        position += chunk_header_size + uint64_t{size} + (size & 1);
    }
    return std::nullopt;
}

}  // namespace

const char* wav_open_message(WavOpenResult result) {
    switch (result) {
        case WavOpenResult::ok: return "";
        case WavOpenResult::cannot_read: return "Cannot read input WAV file";
        case WavOpenResult::not_8bit_pcm: return "Input file must be an 8-bit WAV file";
        case WavOpenResult::unknown_error: break;
    }
    return "Unknown error while handling input WAV file";
}

WavOpenResult WavReader::open(const std::string& path) {
    close();
    File f(path, "rb");
    if (!f) return WavOpenResult::cannot_read;

    uint8_t riff[riff_header_size];
    if (std::fread(riff, 1, sizeof riff, f.get()) != sizeof riff) return WavOpenResult::cannot_read;
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        return WavOpenResult::not_8bit_pcm;
    }
    // The chunks inside the RIFF chunk end where its size says.
    const uint64_t riff_end = 8 + uint64_t{get_le32(riff + 4)};

    const std::optional<Chunk> fmt = find_chunk(f.get(), "fmt ", riff_header_size, riff_end);
    if (!fmt) return WavOpenResult::not_8bit_pcm;
    // A chunk shorter than the 16-byte PCM format leaves the missing fields
    // 0, which no accepted format has.
    uint8_t format[format_bytes] = {};
    const size_t wanted = std::min<size_t>(fmt->size, format_bytes);
    if (std::fread(format, 1, wanted, f.get()) != wanted) return WavOpenResult::cannot_read;
    const uint16_t tag = get_le16(format);
    const uint16_t channels = get_le16(format + 2);
    const uint32_t rate = get_le32(format + 4);
    const uint16_t bits = get_le16(format + 14);
    // A rate of 0 would never advance the recording: the input would sit
    // on one level for as long as the program polls it.
    if (tag != format_tag_pcm || (channels != 1 && channels != 2) || bits != 8 || rate == 0) {
        return WavOpenResult::not_8bit_pcm;
    }

    const uint64_t after_fmt = fmt->body + fmt->size + (fmt->size & 1);
    const std::optional<Chunk> data = find_chunk(f.get(), "data", after_fmt, riff_end);
    if (!data) return WavOpenResult::not_8bit_pcm;

    try {
        buffer_.resize(wav_read_block);
    } catch (const std::bad_alloc&) {
        return WavOpenResult::unknown_error;
    }
    file_ = std::move(f);
    next_ = end_ = 0;
    data_left_ = data->size;
    data_size_ = data->size;
    sample_rate_ = rate;
    channels_ = channels;
    step_ = channels;
    return WavOpenResult::ok;
}

void WavReader::close() {
    file_.reset();
    buffer_.clear();
    buffer_.shrink_to_fit();
    next_ = end_ = 0;
    data_left_ = 0;
    step_ = 1;
    sample_rate_ = 0;
    channels_ = 0;
    data_size_ = 0;
}

bool WavReader::refill() {
    if (!file_) return false;
    // Keep what is left of a frame split across two blocks.
    const size_t kept = end_ - next_;
    std::memmove(buffer_.data(), buffer_.data() + next_, kept);
    next_ = 0;
    end_ = kept;
    const size_t wanted = std::min<size_t>(buffer_.size() - kept, data_left_);
    if (wanted == 0) return false;
    const size_t got = std::fread(buffer_.data() + kept, 1, wanted, file_.get());
    end_ += got;
    // A file shorter than its data chunk, or a read error, ends the data.
    data_left_ = got < wanted ? 0 : data_left_ - static_cast<uint32_t>(got);
    return end_ - next_ >= step_;
}

}  // namespace common

// Builders for WAV file bytes, well-formed and otherwise, for the tests of
// the WAV reader and of the cassette input.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "common/file_util.h"

namespace test_wav {

using Bytes = std::vector<uint8_t>;

// One chunk: identifier, size (the body's unless overridden), body and the
// pad byte that keeps chunks at even offsets.
inline Bytes chunk(const std::string& id, const Bytes& body, std::optional<uint32_t> size = std::nullopt) {
    const uint32_t n = size.value_or(static_cast<uint32_t>(body.size()));
    Bytes out;
    out.reserve(8 + body.size() + 1);
    for (char c : id) out.push_back(static_cast<uint8_t>(c));
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
    for (uint8_t b : body) out.push_back(b);
    if (body.size() & 1) out.push_back(0);
    return out;
}

struct Format {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 44100;
    uint16_t bits = 8;
    int length = 16;  // bytes of the fmt chunk body actually written
};

inline Bytes fmt_body(const Format& f) {
    Bytes body(18, 0);
    common::put_le16(body.data(), f.tag);
    common::put_le16(body.data() + 2, f.channels);
    common::put_le32(body.data() + 4, f.rate);
    const uint16_t align = static_cast<uint16_t>(f.channels * ((f.bits + 7) / 8));
    common::put_le32(body.data() + 8, f.rate * align);
    common::put_le16(body.data() + 12, align);
    common::put_le16(body.data() + 14, f.bits);
    body.resize(static_cast<size_t>(f.length));
    return body;
}

// "RIFF", its size (that of the chunks plus the form type unless
// overridden), the form type and the chunks.
inline Bytes riff(const Bytes& chunks, const std::string& form = "WAVE",
                  std::optional<uint32_t> size = std::nullopt) {
    const uint32_t n = size.value_or(static_cast<uint32_t>(chunks.size() + 4));
    Bytes out = {'R', 'I', 'F', 'F'};
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
    for (char c : form) out.push_back(static_cast<uint8_t>(c));
    for (uint8_t b : chunks) out.push_back(b);
    return out;
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A plain 8-bit PCM file: fmt and data chunks.
inline Bytes wav(const Bytes& samples, uint32_t rate = 44100, uint16_t channels = 1) {
    Format f;
    f.rate = rate;
    f.channels = channels;
    return riff(concat({chunk("fmt ", fmt_body(f)), chunk("data", samples)}));
}

}  // namespace test_wav

// The processor's trace of the instructions it executed, newest last: the
// debugger's history reads it. The processor writes one record per
// instruction whether or not anyone looks, so the history is there when the
// machine stops.
#pragma once

#include <array>
#include <cstdint>

namespace trivo {

// One record per executed instruction: pc, the four bytes at pc (little-endian),
// pc after, a*256+b, x, s, cc.
inline constexpr int trace_records = 24000;
inline constexpr int trace_words = 7;

struct TraceRing {
    std::array<uint32_t, trace_records * trace_words> words;
    int32_t position = 0;  // next record to write; returns to 0 after the last one

    TraceRing() { words.fill(0xFFFFFFFFu); }
};

}  // namespace trivo

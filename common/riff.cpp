#include "common/riff.h"

#include <cassert>
#include <cstring>

#include "common/file_util.h"

namespace common {

std::array<uint8_t, wav_header_size> wav_header(const WavFormat& format, uint32_t data_size) {
    assert(data_size <= wav_max_data_size);
    // One block holds one sample of every channel; players step through the
    // data a block at a time.
    const uint16_t block_align =
        static_cast<uint16_t>(format.channels * ((format.bits_per_sample + 7) / 8));

    std::array<uint8_t, wav_header_size> h{};
    std::memcpy(&h[0], "RIFF", 4);
    put_le32(&h[4], data_size + wav_header_riff_overhead);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    put_le32(&h[16], 18);  // format chunk size: PCM format plus the extra-bytes count
    put_le16(&h[20], 1);   // format tag 1: integer PCM
    put_le16(&h[22], format.channels);
    put_le32(&h[24], format.sample_rate);
    put_le32(&h[28], format.sample_rate * block_align);  // bytes per second
    put_le16(&h[32], block_align);
    put_le16(&h[34], format.bits_per_sample);
    put_le16(&h[36], 0);  // no extra format bytes follow
    std::memcpy(&h[38], "data", 4);
    put_le32(&h[42], data_size);
    return h;
}

}  // namespace common

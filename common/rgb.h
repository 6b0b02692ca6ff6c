// An 8-bit-per-channel colour, as the image writers take palette entries.
#pragma once

#include <cstdint>

namespace common {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

}  // namespace common

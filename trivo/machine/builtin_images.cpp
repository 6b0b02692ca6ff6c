#include "machine/builtin_images.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "firmware/char_rom_image.h"
#include "firmware/system_rom_image.h"
#include "video/video.h"

namespace trivo {

namespace {

static_assert(firmware::system_rom_image.size() == system_rom_size);
static_assert(firmware::char_rom_image.size() == char_rom_size);

// An unprogrammed EPROM reads 0xFF everywhere.
template <std::size_t N>
constexpr std::array<uint8_t, N> erased_rom() {
    std::array<uint8_t, N> image{};
    image.fill(0xFF);
    return image;
}

constexpr auto basic_low_image = erased_rom<basic_rom_low_size>();
constexpr auto basic_high_image = erased_rom<basic_rom_high_size>();

constexpr BuiltinImages images{firmware::system_rom_image, firmware::char_rom_image,
                               basic_low_image, basic_high_image};

}  // namespace

const BuiltinImages& builtin_images() { return images; }

}  // namespace trivo

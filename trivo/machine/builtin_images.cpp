#include "machine/builtin_images.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "firmware/basic_image.h"
#include "firmware/char_rom_image.h"
#include "firmware/system_rom_image.h"
#include "video/video.h"

namespace trivo {

namespace {

static_assert(firmware::system_rom_image.size() == system_rom_size);
static_assert(firmware::char_rom_image.size() == char_rom_size);

// BASIC is assembled once over $6800-$9FFF; its images are the 4K from
// $6800 and the 8K from $8000 (what lies between is no ROM of the machine).
constexpr uint16_t basic_assembly_base = 0x6800;
static_assert(firmware::basic_image.size() == 0xA000 - basic_assembly_base);

template <std::size_t N>
constexpr std::array<uint8_t, N> basic_part(uint16_t from) {
    std::array<uint8_t, N> image{};
    for (std::size_t i = 0; i < N; ++i) image[i] = firmware::basic_image[from - basic_assembly_base + i];
    return image;
}

constexpr auto basic_low_image = basic_part<basic_rom_low_size>(basic_rom_low_base);
constexpr auto basic_high_image = basic_part<basic_rom_high_size>(cartridge_base);

constexpr BuiltinImages images{firmware::system_rom_image, firmware::char_rom_image,
                               basic_low_image, basic_high_image};

}  // namespace

const BuiltinImages& builtin_images() { return images; }

}  // namespace trivo

#include "host/screenshot.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "machine/config.h"
#include "common/bmp.h"
#include "common/file_util.h"
#include "common/png.h"
#include "machine/machine.h"

namespace trivo {

namespace {

std::array<common::Rgb, palette_entries> image_palette(const Machine& m) {
    std::array<common::Rgb, palette_entries> palette{};
    for (int i = 0; i < palette_entries; ++i) {
        const PaletteEntry& e = m.video_palette[i];
        palette[i] = common::Rgb{e.red, e.green, e.blue};
    }
    return palette;
}

}  // namespace

std::vector<uint8_t> display_frame_bmp(const Machine& m) {
    // The sizes are fixed and valid, so the encoder always answers.
    return common::bmp_encode_indexed8(frame_width, frame_height, m.frame_pixels,
                                       image_palette(m))
        .value_or(std::vector<uint8_t>{});
}

std::optional<std::vector<uint8_t>> display_frame_png(const Machine& m) {
    return common::png_encode_indexed8(frame_width, frame_height, m.frame_pixels,
                                       image_palette(m));
}

std::string screenshot_path(const std::string& startup_directory, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "screenshot_%04d.bmp", number);
    std::string path = startup_directory;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + screenshot_folder + '/' + name;
}

std::optional<std::string> display_screenshot(Machine& m, const std::string& startup_directory,
                                              const std::string& config_path) {
    int number = m.settings.nscreenshot;
    if (number < 0 || number >= screenshot_numbers) number = 0;
    const std::string path = screenshot_path(startup_directory, number);

    // A missing folder is created rather than the screenshot dropped; if it
    // cannot be, the write below fails and says so.
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);

    const std::vector<uint8_t> bmp = display_frame_bmp(m);
    const std::string_view bytes(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    if (bmp.empty() || !common::write_file_atomic(path, bytes)) {
        m.host->debug_output("Screenshot not saved: cannot write " + path);
        return std::nullopt;
    }

    m.settings.nscreenshot = (number + 1) % screenshot_numbers;
    if (!config_write_screenshot_counter(config_path, m.settings)) {
        m.host->debug_output("Screenshot counter not saved: cannot write " + config_path);
    }
    return path;
}

}  // namespace trivo

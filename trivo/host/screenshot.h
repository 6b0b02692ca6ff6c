// Screenshots: the picture as last composed by the video display generator,
// saved as an 8-bit BMP of 280 x 216 pixels whose colour table is the
// picture's palette. F11 and Util > Screenshot take one; no new frame is
// rendered, so a screenshot taken while paused shows what is on the screen.
//
// Files are numbered by the settings' nscreenshot (0-9999, then 0 again,
// overwriting an old file of that name) and go into the folder "screenshots"
// of the start-up directory, which is created when it is missing. A file is
// written whole or not at all (temporary file, then rename).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trivo {

struct Machine;

inline constexpr const char* screenshot_folder = "screenshots";
inline constexpr int screenshot_numbers = 10000;  // screenshot_0000 ... screenshot_9999
// 14-byte file header, 40-byte information header, 256 colour-table entries
// of 4 bytes, then 280 x 216 pixels (no row padding: 280 is a multiple of 4).
inline constexpr size_t screenshot_file_size = 61558;

// The screenshot file's bytes: frame_pixels with video_palette as its colour
// table (entries 49-255 zero).
std::vector<uint8_t> display_frame_bmp(const Machine& m);

// The same picture as a PNG with the 49-entry palette. No value when a pixel
// holds an index outside the palette (the picture was filled by other means
// than the renderer).
std::optional<std::vector<uint8_t>> display_frame_png(const Machine& m);

// "<directory>/screenshots/screenshot_%04d.bmp" for a screenshot number; an
// empty directory means the current one.
std::string screenshot_path(const std::string& startup_directory, int number);

// Saves the last composed picture under the number nscreenshot, then advances
// nscreenshot (9999 is followed by 0) and writes it to the configuration file
// at config_path at once. Returns the path of the file written.
//
// When the file cannot be written (the folder cannot be created, the disk is
// full), nothing is left behind, the failure goes to Host::debug_output, the
// counter stays and no value is returned. A counter that cannot be written to
// the configuration file is reported the same way; the screenshot stands.
std::optional<std::string> display_screenshot(Machine& m, const std::string& startup_directory,
                                              const std::string& config_path);

}  // namespace trivo

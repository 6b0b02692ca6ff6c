// The configuration file: where it is, reading every setting from it at
// start-up, and the writers that store one group of settings each time a
// dialog is confirmed or a file is chosen. Nothing is written at exit.
//
// Start-up, in this order:
//
//   const std::string path = config_locate(startup_directory);
//   config_read_all(path, m.settings);
//   // then the caller, with the settings read:
//   //   load_rom_images         ROM images into their staging buffers (MEMORY keys)
//   //   keyboard_rebuild_tables key lookups from the KEYBOARD/EMUKEYBOARD maps
//   //   timing_recompute        frame timing from the SPEED keys
//   // and only then creates the main window.
//
// Every writer loads the file, changes its own keys and replaces the file once;
// all other sections, keys and comments stay as they were. A writer returns
// false when the file was left unchanged (it exists but cannot be read, or the
// replacement failed); the old file is then whole.
#pragma once

#include <string>

#include "common/file_util.h"
#include "common/profile.h"
#include "machine/settings.h"

namespace trivo {

// The file in the start-up directory that names the configuration file
// (section CONFIG, key ini). The program only reads it.
inline constexpr const char* config_pointer_file = "DI10.INI";
inline constexpr const char* config_default_name = "foo.ini";

// The configuration file: the name that DI10.INI gives (or "foo.ini"),
// relative to the start-up directory.
std::string config_locate(const std::string& startup_directory);

// Reads every section into settings, in the order MEMORY, PRINTER, KEYBOARD,
// EMUKEYBOARD, VIDEO, COLOR, SOUND, FILES, LOADBINARY, CSAVEM, SPEED. A
// missing file, section or key leaves the built-in value, except cpuspeedopt,
// expandertype and carttype, which then read as 0. The caller does the work
// that follows (see the top of this file).
void config_read_all(const std::string& path, Settings& settings);

// One writer per group of keys. `replace` is how the file gets replaced;
// tests pass one that fails.
using common::ProfileReplace;

// Configure Memory: MEMORY enhancedflag, expandertype, writeROMflag, the three
// ROM file names and the three built-in flags.
bool config_write_memory(const std::string& path, const Settings& settings,
                         ProfileReplace replace = common::write_file_atomic);
// Configure Cartridge: MEMORY carttype, enableromhacksflag, BASICfilename,
// GAMEfilename, S19filename.
bool config_write_cartridge(const std::string& path, const Settings& settings,
                            ProfileReplace replace = common::write_file_atomic);
// Configure Serial Printer: the five PRINTER keys.
bool config_write_printer(const std::string& path, const Settings& settings,
                          ProfileReplace replace = common::write_file_atomic);
// Configure Sound: the two SOUND keys.
bool config_write_sound(const std::string& path, const Settings& settings,
                        ProfileReplace replace = common::write_file_atomic);
// Configure CPU Timing: the nine SPEED keys.
bool config_write_speed(const std::string& path, const Settings& settings,
                        ProfileReplace replace = common::write_file_atomic);
// Colors: the two VIDEO keys, then the 49 COLOR keys.
bool config_write_video(const std::string& path, const Settings& settings,
                        ProfileReplace replace = common::write_file_atomic);
// Configure Keyboard: KEYBOARD emulatedflag, qtuselowerflag, then the 256
// n, 256 s and 256 c entries.
bool config_write_sensible_keyboard(const std::string& path, const Settings& settings,
                                    ProfileReplace replace = common::write_file_atomic);
// Configure Emulated Keyboard: KEYBOARD emulatedflag, joykeyenable, and the
// 128 EMUKEYBOARD entries.
bool config_write_emulated_keyboard(const std::string& path, const Settings& settings,
                                    ProfileReplace replace = common::write_file_atomic);
// Load Binary dialog: the six LOADBINARY keys.
bool config_write_load_binary(const std::string& path, const Settings& settings,
                              ProfileReplace replace = common::write_file_atomic);
// CSAVEM dialog: the five CSAVEM keys.
bool config_write_csavem(const std::string& path, const Settings& settings,
                         ProfileReplace replace = common::write_file_atomic);

// The FILES keys written alone, each when the user picks that file.
enum class FilesKey { cassette, cassettewr, quicktype, lst1, script };
bool config_write_file_choice(const std::string& path, const Settings& settings, FilesKey key,
                              ProfileReplace replace = common::write_file_atomic);
// FILES nscreenshot, after each screenshot is saved.
bool config_write_screenshot_counter(const std::string& path, const Settings& settings,
                                     ProfileReplace replace = common::write_file_atomic);

}  // namespace trivo

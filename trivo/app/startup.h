// trivo's start-up: the one place that knows the order in which a fresh
// Machine becomes a running APF machine. The headless runner calls it, and
// so does the window.
//
// The order:
//   1. configuration: the file DI10.INI names (or the one given), every
//      section into the settings;
//   2. ROM images into their staging buffers, as the settings choose, and
//      the key lookups from the keyboard maps;
//   3. frame timing from the speed settings;
//   4. the front end's own part, now that the settings are known: the window
//      is created here (its scale is a setting), and a front end installs its
//      sound sink;
//   5. frame pacing from the host's counter;
//   6. the display tables, from the character ROMs and the palette;
//   7. sound initialisation (which may set the frame pacing from the sound
//      device);
//   8. the first hard reset: memory map, memory cleared, ROM images
//      installed, processor started from the reset vector.
// Frames run only when the front end's loop calls frame_tick afterwards, so
// the machine never runs before the window is up.
#pragma once

#include <functional>
#include <string>

namespace trivo {

struct BuiltinImages;
struct Machine;

struct StartupOptions {
    // The configuration file; empty: the one DI10.INI in startup_directory names.
    std::string config_path;
    // The directory the program was started in ("" is the current one).
    std::string startup_directory;
    // Step 4; may be empty.
    std::function<void(Machine&)> create_front_end;
};

// Runs the whole start-up on a fresh machine whose Host is installed (ROM
// images that cannot be loaded are reported through it). Leaves the path of
// the configuration file in m.config_path.
void machine_startup(Machine& m, const BuiltinImages& images, const StartupOptions& options);

}  // namespace trivo

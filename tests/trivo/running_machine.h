// A whole machine started as the program starts it (built-in images, no
// configuration file, fast timing so every frame_tick runs a frame) but with
// an empty cartridge slot unless told otherwise, so the system ROM shows its
// check screen instead of starting BASIC; with a recording Host. Used where the keyboard mapping, quick-typing and scripts
// are checked against what our system ROM's check screen makes of them.
#pragma once

#include <memory>
#include <string>

#include "fake_host.h"
#include "host/keyboard.h"
#include "machine/builtin_images.h"
#include "machine/commands.h"
#include "machine/machine.h"
#include "machine/reset.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"
#include "video/video.h"

namespace trivo::test {

// Check screen rows of our system ROM.
inline constexpr int check_keys_row = 3;
inline constexpr int check_typed_row = 13;
inline constexpr int check_last_key_row = 14;

struct RunningMachine {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    FakeHost host;

    explicit RunningMachine(CartType cartridge = CartType::none) {
        m.host = &host;
        set_timing_mode(m.settings, TimingMode::fast);
        set_cart_type(m.settings, cartridge);
        load_rom_images(m, builtin_images());
        timing_recompute(m);
        frame_scheduler_start(m);
        video_build_tables(m);
        keyboard_rebuild_tables(m);
        machine_reset(m, ResetKind::hard);
    }

    // Runs frames; resets the scripts post are carried out after the frame,
    // as the window's event loop does.
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            frame_tick(m);
            for (int command : host.posted_commands) {
                if (command == command_soft_reset) machine_reset(m, ResetKind::soft);
                if (command == command_hard_reset) machine_reset(m, ResetKind::hard);
            }
            resets_done += static_cast<int>(host.posted_commands.size());
            host.posted_commands.clear();
        }
    }

    // A text row of the screen as characters, trailing blanks dropped.
    std::string row_text(int row) const {
        std::string text;
        for (int column = 0; column < 32; ++column) {
            const uint8_t code = m.memory_image[0x0200 + row * 32 + column];
            const int glyph = code & 0x3F;
            text += code >= 0x80 ? '#' : static_cast<char>(glyph < 0x20 ? glyph + 0x40 : glyph);
        }
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }

    void hold_vk(std::initializer_list<int> keys) {
        m.input.host.keys_down.fill(0);
        for (int k : keys) m.input.host.keys_down[k] = 1;
    }

    int resets_done = 0;
};

}  // namespace trivo::test

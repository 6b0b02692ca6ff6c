// The main window's menu: every item with its command id, text and
// accelerator, in menu order. The texts are the program's own, accelerator
// hints after the tab included.
#pragma once

#include <array>

#include "machine/commands.h"

namespace trivo::ui {

enum class MenuName { file, configure, util, debug, help };

struct MenuItem {
    MenuName menu;
    int command;
    const char* text;
    // Key sequences in Qt's portable text form; the second is an alternative.
    const char* shortcut;
    const char* second_shortcut;
    // The dialog or window behind the item is not built yet: the item shows,
    // greyed.
    bool later;
    // Separator before the item.
    bool separator;
};

inline constexpr std::array menu_titles = {"&File", "&Configure", "&Util", "&Debug", "&Help"};

inline constexpr std::array<MenuItem, 32> menu_items = {{
    {MenuName::file, command_save_ram, "Save Ram", nullptr, nullptr, false, false},
    {MenuName::file, command_soft_reset, "Soft Reset\tF9", "F9", nullptr, false, true},
    {MenuName::file, command_hard_reset, "Hard Reset\tShift+F9", "Shift+F9", nullptr, false, false},
    {MenuName::file, command_quick_type, "Quick Type...", nullptr, nullptr, true, true},
    {MenuName::file, command_play_cassette, "Play Cassette File...", nullptr, nullptr, false, false},
    {MenuName::file, command_cartridge, "Cartridge...", nullptr, nullptr, false, false},
    {MenuName::file, command_exit, "E&xit", nullptr, nullptr, false, true},

    {MenuName::configure, command_memory, "Memory...", nullptr, nullptr, false, false},
    {MenuName::configure, command_serial_printer, "Serial and Printer...", nullptr, nullptr, false, false},
    {MenuName::configure, command_emulated_keyboard, "Emulated Keyboard...", nullptr, nullptr, true, false},
    {MenuName::configure, command_sensible_keyboard, "Sensible Keyboard...", nullptr, nullptr, true, false},
    {MenuName::configure, command_video_colors, "Video and Colors...", nullptr, nullptr, false, false},
    {MenuName::configure, command_sound, "Sound...", nullptr, nullptr, false, false},
    {MenuName::configure, command_system_timing, "System Timing...", nullptr, nullptr, false, false},

    {MenuName::util, command_load_binary, "Load Binary File", nullptr, nullptr, false, false},
    {MenuName::util, command_csavem, "CSAVEM - save RAM as .CPF", nullptr, nullptr, false, false},
    {MenuName::util, command_screenshot, "Screenshot\tF11", "F11", nullptr, false, true},
    {MenuName::util, command_full_screen, "Full screen mode\tF12", "F12", nullptr, false, false},
    {MenuName::util, command_paste, "Paste", nullptr, nullptr, true, true},
    {MenuName::util, command_wav_logger, "WAV->CAS logger", nullptr, nullptr, false, false},
    {MenuName::util, command_keyboard_window, "Keyboard ...", nullptr, nullptr, false, true},

    {MenuName::debug, command_register_window, "Register Window", nullptr, nullptr, false, false},
    {MenuName::debug, command_memory_window, "Memory Window", nullptr, nullptr, false, false},
    {MenuName::debug, command_history_window, "History Window", nullptr, nullptr, false, false},
    {MenuName::debug, command_disassembly_window, "Disassembly Window", nullptr, nullptr, false, false},
    {MenuName::debug, command_breaks_window, "Breaks Window", nullptr, nullptr, false, false},
    {MenuName::debug, command_lst_window, "LST Window", nullptr, nullptr, false, false},
    {MenuName::debug, command_load_lst, "Load LST file", nullptr, nullptr, false, false},
    {MenuName::debug, command_break, "Break\tPause", "Pause", nullptr, false, true},
    {MenuName::debug, command_script_window, "Script Window", nullptr, nullptr, false, true},
    {MenuName::debug, command_map_window, "Map/Level Window", nullptr, nullptr, false, false},

    {MenuName::help, command_about, "&About ...", "Alt+/", "Alt+?", false, false},
}};

}  // namespace trivo::ui

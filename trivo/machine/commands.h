// Menu command ids of the main window. Scripts and dialogs drive the shell
// by posting these (Host::post_command); the core greys and checks menu
// items by them (Host::menu_state).
#pragma once

namespace trivo {

inline constexpr int command_about = 104;
inline constexpr int command_exit = 105;
inline constexpr int command_start = 110;  // posted once the window is up; no menu item
inline constexpr int command_emulated_keyboard = 700;
inline constexpr int command_save_ram = 2001;
inline constexpr int command_memory = 2002;
inline constexpr int command_cartridge = 2003;
inline constexpr int command_serial_printer = 2004;
inline constexpr int command_sensible_keyboard = 2005;
inline constexpr int command_video_colors = 2006;
inline constexpr int command_soft_reset = 2007;
inline constexpr int command_hard_reset = 2008;
inline constexpr int command_quick_type = 2009;
inline constexpr int command_play_cassette = 2010;
inline constexpr int command_system_timing = 2013;
inline constexpr int command_sound = 2014;
inline constexpr int command_load_binary = 2015;
inline constexpr int command_screenshot = 2016;
inline constexpr int command_csavem = 2017;
inline constexpr int command_full_screen = 2018;
inline constexpr int command_paste = 3790;
// "WAV->CAS logger": usable only while the BASIC ROM traps are armed.
inline constexpr int command_wav_logger = 3791;
inline constexpr int command_break = 3792;
inline constexpr int command_memory_window = 3901;
inline constexpr int command_load_lst = 3903;
inline constexpr int command_register_window = 3904;
inline constexpr int command_history_window = 4102;
inline constexpr int command_disassembly_window = 4202;
inline constexpr int command_lst_window = 4302;
inline constexpr int command_breaks_window = 4401;
inline constexpr int command_script_window = 4503;
inline constexpr int command_map_window = 4600;
inline constexpr int command_keyboard_window = 4701;

}  // namespace trivo

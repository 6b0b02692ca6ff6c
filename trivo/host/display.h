// Putting the composed picture on the host screen: how large, how often, and
// the speed readout. The window itself is the program's (host/ui/); what it
// must decide frame by frame is here, so that it holds without a window.
//
// In a window the 280 x 216 picture is shown 1, 2 or 3 times its size
// (windowscaling). Full screen shows the picture at twice its size centred in
// a 640 x 480 field, at (40, 24), and that field is scaled to the screen.
#pragma once

#include <cstdint>
#include <string>

namespace trivo {

struct Machine;

inline constexpr int full_screen_width = 640;
inline constexpr int full_screen_height = 480;
inline constexpr int full_screen_scale = 2;

struct DisplayState {
    int display_scale = 2;       // 1, 2 or 3; forced to 2 in full screen
    bool full_screen = false;
    uint32_t paint_skip_counter = 0;
};

// The window scale a windowscaling setting stands for: 1-3, anything else 2.
int display_scale_for(int windowscaling);

// Decides whether the picture of a frame the scheduler marked for display is
// really painted. While quick-typing or a cassette file feeds the machine,
// and nothing else (a script, a processor stop, a debugger check) needs to
// watch every frame, only every 16th paint reaches the screen: the machine
// then runs flat out and painting would slow it down.
bool display_paint_due(const Machine& m, DisplayState& display);

// The speed readout: " %d%%  " of the measured emulation speed.
std::string display_speed_text(int speed_percent);

// Top left corner of the picture in the 640 x 480 full-screen field.
inline constexpr int full_screen_origin_x =
    (full_screen_width - 280 * full_screen_scale) / 2;
inline constexpr int full_screen_origin_y =
    (full_screen_height - 216 * full_screen_scale) / 2;

}  // namespace trivo

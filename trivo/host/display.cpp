#include "host/display.h"

#include <cstdio>

#include "machine/machine.h"

namespace trivo {

int display_scale_for(int windowscaling) {
    return windowscaling >= 1 && windowscaling <= 3 ? windowscaling : 2;
}

bool display_paint_due(const Machine& m, DisplayState& display) {
    const bool feeding = m.quicktype.active || m.deck.playing;
    const bool watched = m.break_flags != 0 || m.debug_flags != 0;
    if (!feeding || watched) return true;
    ++display.paint_skip_counter;
    return (display.paint_skip_counter & 0x0F) == 0;
}

std::string display_speed_text(int speed_percent) {
    char text[32];
    std::snprintf(text, sizeof text, " %d%%  ", speed_percent);
    return text;
}

}  // namespace trivo

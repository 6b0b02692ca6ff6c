#include <gtest/gtest.h>

#include "host/display.h"
#include "machine/machine.h"

namespace trivo {
namespace {

// While a file feeds the machine only every 16th frame is painted, unless
// something has to be watched frame by frame.
TEST(DisplayPaint, ThinsOutWhileFilesFeedTheMachine) {
    const struct {
        const char* name;
        bool quicktype, tape;
        uint32_t break_flags, debug_flags;
        int painted_of_32;
    } cases[] = {
        {"idle", false, false, 0, 0, 32},
        {"quick-typing", true, false, 0, 0, 2},
        {"tape playing", false, true, 0, 0, 2},
        {"tape and a debugger check", false, true, 0, 0x100, 32},
        {"tape and a stop", false, true, 0x4000, 0, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = make_machine();
        m->quicktype.active = c.quicktype;
        m->deck.playing = c.tape;
        m->break_flags = c.break_flags;
        m->debug_flags = c.debug_flags;
        DisplayState display;
        int painted = 0;
        for (int i = 0; i < 32; ++i) painted += display_paint_due(*m, display) ? 1 : 0;
        EXPECT_EQ(painted, c.painted_of_32);
    }
}

TEST(DisplayPaint, ScaleAndFullScreenField) {
    EXPECT_EQ(display_scale_for(1), 1);
    EXPECT_EQ(display_scale_for(3), 3);
    EXPECT_EQ(display_scale_for(0), 2);
    EXPECT_EQ(display_scale_for(9), 2);
    // The picture at twice its size sits at (40, 24) of the 640 x 480 field.
    EXPECT_EQ(full_screen_origin_x, 40);
    EXPECT_EQ(full_screen_origin_y, 24);
}

}  // namespace
}  // namespace trivo

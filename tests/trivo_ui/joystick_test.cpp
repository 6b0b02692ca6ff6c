#include <SDL.h>

#include <QWidget>
#include <string>
#include <vector>

#include "host/keyboard.h"
#include "host/ui/sdl_joysticks.h"
#include "window_fixture.h"

namespace trivo::test {
namespace {

using ui::JoystickSlots;

// A game controller of SDL's own, as a test plugs it in: two axes, 26
// buttons, one hat. Pulled out when it goes.
class VirtualPad {
public:
    VirtualPad() {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 26, 1);
        if (index < 0) return;
        id = SDL_JoystickGetDeviceInstanceID(index);
        // A handle of the test's own to set its controls with.
        handle = SDL_JoystickOpen(index);
    }
    ~VirtualPad() { unplug(); }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    bool plugged() const { return handle != nullptr; }
    void unplug() {
        if (handle == nullptr) return;
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        }
        SDL_JoystickClose(handle);
        handle = nullptr;
    }
    void stick(Sint16 x, Sint16 y, Uint8 hat = SDL_HAT_CENTERED) {
        SDL_JoystickSetVirtualAxis(handle, 0, x);
        SDL_JoystickSetVirtualAxis(handle, 1, y);
        SDL_JoystickSetVirtualHat(handle, 0, hat);
    }
    void button(int number, bool down) {  // number 1-26
        SDL_JoystickSetVirtualButton(handle, number - 1, down ? 1 : 0);
    }

    SDL_JoystickID id = -1;
    SDL_Joystick* handle = nullptr;
};

std::vector<int> apf_keys_down(const Machine& m) {
    std::vector<int> down;
    for (int k = 0; k < static_cast<int>(m.key_state.size()); ++k) {
        if (m.key_state[k]) down.push_back(k);
    }
    return down;
}

// The left hand controller's directions.
constexpr int lj_north = 0x42, lj_south = 0x43, lj_east = 0x44, lj_west = 0x45;

class JoystickWindowTest : public WindowTest {
protected:
    void SetUp() override {
        if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) GTEST_SKIP() << "no SDL joystick subsystem";
        // Slot order is only predictable without real controllers attached.
        if (SDL_NumJoysticks() > 0) GTEST_SKIP() << "a real controller is attached";
    }
    void TearDown() override {
        WindowTest::TearDown();
        controllers.reset();
    }
    // The window with the controllers' directions on the left hand
    // controller's and button b of the first controller on APF key b - 1.
    void start_with_slots(const std::function<void(Settings&)>& more = {}) {
        controllers = std::make_unique<JoystickSlots>();
        start_window(
            [&](Settings& s) {
                s.emulatedflag = 1;
                s.joykeyenable = 1;
                s.emu_key_map[lj_west] = "JL";
                s.emu_key_map[lj_east] = "JR";
                s.emu_key_map[lj_north] = "JU";
                s.emu_key_map[lj_south] = "JD";
                for (int b = 1; b <= 26; ++b) {
                    s.emu_key_map[b - 1] = std::string("J") + static_cast<char>('a' + b - 1);
                }
                if (more) more(s);
            },
            controllers.get());
    }

    std::unique_ptr<JoystickSlots> controllers;
};

TEST(JoystickScaling, AxesAndHatsInTheHostLayout) {
    EXPECT_EQ(ui::scaledAxis(0), 0);
    EXPECT_EQ(ui::scaledAxis(32767), 720);
    EXPECT_EQ(ui::scaledAxis(-32768), -720);
    // The dead zone's edge (649) falls between these.
    EXPECT_EQ(ui::scaledAxis(29536), 649);
    EXPECT_EQ(ui::scaledAxis(29535), 648);
    EXPECT_EQ(ui::scaledAxis(-29537), -649);
    EXPECT_EQ(ui::scaledAxis(-29536), -648);
    EXPECT_EQ(ui::hatAngle(SDL_HAT_UP), 0u);
    EXPECT_EQ(ui::hatAngle(SDL_HAT_RIGHTDOWN), 13500u);
    EXPECT_EQ(ui::hatAngle(SDL_HAT_LEFTUP), 31500u);
    EXPECT_EQ(ui::hatAngle(SDL_HAT_CENTERED), pov_centred);
}

TEST_F(JoystickWindowTest, StickAndHatPressTheMappedDirectionKeys) {
    VirtualPad pad;
    ASSERT_TRUE(pad.plugged()) << SDL_GetError();
    start_with_slots();
    const struct Case {
        const char* name;
        Sint16 x, y;
        Uint8 hat;
        std::vector<int> keys;
        int joy_value;
    } cases[] = {
        {"centred", 0, 0, SDL_HAT_CENTERED, {}, 0xFF},
        {"right at the dead zone's edge", 29536, 0, SDL_HAT_CENTERED, {lj_east}, 0xF7},
        {"right just inside it", 29535, 0, SDL_HAT_CENTERED, {}, 0xFF},
        {"left at the edge", -29537, 0, SDL_HAT_CENTERED, {lj_west}, 0xFB},
        {"left just inside", -29536, 0, SDL_HAT_CENTERED, {}, 0xFF},
        {"down at the edge", 0, 29536, SDL_HAT_CENTERED, {lj_south}, 0xFD},
        {"up at the edge", 0, -29537, SDL_HAT_CENTERED, {lj_north}, 0xFE},
        {"up-right at the ends", 32767, -32768, SDL_HAT_CENTERED, {lj_north, lj_east}, 0xF6},
        {"hat right", 0, 0, SDL_HAT_RIGHT, {lj_east}, 0xF7},
        {"hat down-left", 0, 0, SDL_HAT_LEFTDOWN, {lj_south, lj_west}, 0xF9},
        {"stick wins over the hat", 0, -32768, SDL_HAT_DOWN, {lj_north}, 0xFE},
        {"hat centred again", 0, 0, SDL_HAT_CENTERED, {}, 0xFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pad.stick(c.x, c.y, c.hat);
        next_frame();
        EXPECT_EQ(apf_keys_down(*machine), c.keys);
        EXPECT_EQ(machine->input.joy_value[0], c.joy_value);
        EXPECT_EQ(machine->input.joy_value[1], -1);  // no second controller
    }
}

TEST_F(JoystickWindowTest, EachOfButtons1To26PressesItsKeyAndOnly1To6AreFire) {
    VirtualPad pad;
    ASSERT_TRUE(pad.plugged()) << SDL_GetError();
    start_with_slots();
    for (int b = 1; b <= 26; ++b) {
        SCOPED_TRACE(b);
        pad.button(b, true);
        next_frame();
        EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{b - 1});
        EXPECT_EQ(machine->input.joy_value[0], b <= 6 ? 0xEF : 0xFF);
        EXPECT_EQ(machine->input.host.joysticks[0].buttons[b - 1], joy_button_down);
        pad.button(b, false);
    }
    next_frame();
    EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{});
}

TEST_F(JoystickWindowTest, ControllersSwitchedOffInTheSettingsPressNothing) {
    VirtualPad pad;
    ASSERT_TRUE(pad.plugged()) << SDL_GetError();
    start_with_slots([](Settings& s) { s.joykeyenable = 0; });
    pad.stick(32767, 0);
    pad.button(1, true);
    next_frame();
    EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{});
    EXPECT_EQ(machine->input.joy_value[0], 0xE7);  // still read: right and fire
}

TEST_F(JoystickWindowTest, PluggedInControllersTakeTheFirstFreeSlot) {
    // Button 1 of the second controller on APF key 0x30.
    start_with_slots([](Settings& s) { s.emu_key_map[0x30] = "Ka"; });
    next_frame();
    EXPECT_EQ(machine->input.joy_value[0], -1);
    EXPECT_EQ(machine->input.joy_value[1], -1);

    auto a = std::make_unique<VirtualPad>();
    VirtualPad b;
    ASSERT_TRUE(a->plugged() && b.plugged()) << SDL_GetError();
    next_frame();
    EXPECT_EQ(controllers->instanceInSlot(0), a->id);
    EXPECT_EQ(controllers->instanceInSlot(1), b.id);

    // Pulling out the first frees its slot; the second keeps its own.
    a.reset();
    next_frame();
    EXPECT_EQ(controllers->instanceInSlot(0), -1);
    EXPECT_EQ(controllers->instanceInSlot(1), b.id);
    EXPECT_FALSE(machine->input.host.joysticks[0].present);
    EXPECT_EQ(machine->input.joy_value[0], -1);

    VirtualPad c;
    ASSERT_TRUE(c.plugged()) << SDL_GetError();
    next_frame();
    EXPECT_EQ(controllers->instanceInSlot(0), c.id);
    EXPECT_EQ(controllers->instanceInSlot(1), b.id);

    // A third one waits for a free slot.
    VirtualPad d;
    ASSERT_TRUE(d.plugged()) << SDL_GetError();
    next_frame();
    EXPECT_EQ(controllers->instanceInSlot(1), b.id);
    b.unplug();
    next_frame();
    EXPECT_EQ(controllers->instanceInSlot(1), d.id);

    // End to end: c is the first controller, d the second.
    c.button(1, true);
    d.button(1, true);
    next_frame();
    EXPECT_EQ(apf_keys_down(*machine), (std::vector<int>{0x00, 0x30}));
}

TEST_F(JoystickWindowTest, ControllersAreReadOnlyWhileTheWindowHasTheFocus) {
    VirtualPad pad;
    ASSERT_TRUE(pad.plugged()) << SDL_GetError();
    start_with_slots();
    pad.button(3, true);
    next_frame();
    ASSERT_EQ(apf_keys_down(*machine), std::vector<int>{0x02});

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    next_frame();
    EXPECT_FALSE(controllers->acquired());
    EXPECT_EQ(machine->input.joy_value[0], -1);
    EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{});

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    next_frame();
    EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{0x02});
}

}  // namespace
}  // namespace trivo::test

// Game controllers through SDL2's joystick API, as the machine's two hand
// controllers read them.
//
// Two slots. The controllers attached when the window opens fill them in
// the order SDL lists them; one plugged in later takes the first free slot,
// and pulling one out frees its slot (the other keeps its own). A third
// controller waits until a slot is free.
//
// Each frame the slots are read into the standard joystick layout the core
// reduces (JoystickState): X and Y scaled from SDL's -32768..32767 to
// -720..720, the other axes to 0..65535, hats in hundredths of a degree
// clockwise from up (all bits set when centred), 32 button bytes with bit 7
// set while pressed.
//
// The slots are read only while they are acquired, that is while the main
// window has the keyboard focus; released, a slot that holds a controller
// reads as failed (the core then counts it as no controller) and nothing
// stays held. Without SDL's joystick subsystem there are no controllers,
// without a message.
#pragma once

#include <SDL.h>
#include <array>
#include <vector>

#include "host/keyboard.h"

namespace trivo::ui {

class JoystickSlots {
public:
    static constexpr int slot_count = 2;

    JoystickSlots();
    ~JoystickSlots();
    JoystickSlots(const JoystickSlots&) = delete;
    JoystickSlots& operator=(const JoystickSlots&) = delete;

    // Closes both controllers; before SDL_Quit, which frees them itself.
    void shutdown();

    // Focus gained (true) or lost (false).
    void acquire(bool on);
    bool acquired() const { return m_acquired; }

    // Once per frame: notices controllers plugged in or pulled out and
    // reads both slots into states.
    void poll(std::array<JoystickState, slot_count>& states);

    // SDL's instance id of the controller in a slot, -1 when it is free.
    SDL_JoystickID instanceInSlot(int slot) const { return m_slots[slot].id; }

private:
    struct Slot {
        SDL_Joystick* joystick = nullptr;
        SDL_JoystickID id = -1;
    };

    void detect();
    void close(Slot& slot);
    static void read(SDL_Joystick* joystick, JoystickState& state);

    bool m_available = false;  // SDL's joystick subsystem is running
    bool m_acquired = false;
    std::array<Slot, slot_count> m_slots;
    // Controllers SDL lists but would not open: not tried again.
    std::vector<SDL_JoystickID> m_refused;
};

// SDL's axis value in the -720..720 range of the X and Y axes.
int scaledAxis(Sint16 value);
// SDL's hat position in hundredths of a degree, pov_centred when centred.
uint32_t hatAngle(Uint8 hat);

}  // namespace trivo::ui

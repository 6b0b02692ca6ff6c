#include "host/ui/sdl_joysticks.h"

#include <algorithm>

namespace trivo::ui {

namespace {

// The range the core's dead zone is measured against.
constexpr int axis_range = 720;

}  // namespace

int scaledAxis(Sint16 value) {
    // SDL's range is one step longer below zero; each half is scaled on its
    // own so that both ends land on the range's ends and 0 stays 0.
    if (value >= 0) return value * axis_range / SDL_JOYSTICK_AXIS_MAX;
    return value * axis_range / -SDL_JOYSTICK_AXIS_MIN;
}

uint32_t hatAngle(Uint8 hat) {
    switch (hat) {
        case SDL_HAT_UP: return 0;
        case SDL_HAT_RIGHTUP: return 4500;
        case SDL_HAT_RIGHT: return 9000;
        case SDL_HAT_RIGHTDOWN: return 13500;
        case SDL_HAT_DOWN: return 18000;
        case SDL_HAT_LEFTDOWN: return 22500;
        case SDL_HAT_LEFT: return 27000;
        case SDL_HAT_LEFTUP: return 31500;
        default: return pov_centred;  // centred, or opposite directions at once
    }
}

JoystickSlots::JoystickSlots() {
    m_available = SDL_WasInit(SDL_INIT_JOYSTICK) != 0;
    if (!m_available) return;
    // Nobody reads SDL's event queue: the slots are read directly, so the
    // joystick events would only pile up there.
    SDL_JoystickEventState(SDL_IGNORE);
    detect();
}

JoystickSlots::~JoystickSlots() { shutdown(); }

void JoystickSlots::shutdown() {
    for (Slot& slot : m_slots) close(slot);
    m_refused.clear();
    m_available = false;
    m_acquired = false;
}

void JoystickSlots::acquire(bool on) { m_acquired = on; }

void JoystickSlots::close(Slot& slot) {
    if (slot.joystick != nullptr) SDL_JoystickClose(slot.joystick);
    slot = Slot{};
}

void JoystickSlots::detect() {
    int occupied = 0;
    for (Slot& slot : m_slots) {
        if (slot.joystick != nullptr && !SDL_JoystickGetAttached(slot.joystick)) close(slot);
        if (slot.joystick != nullptr) ++occupied;
    }
    const int devices = SDL_NumJoysticks();
    if (occupied == slot_count || devices <= occupied) return;
    for (int index = 0; index < devices; ++index) {
        const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
        if (id < 0) continue;
        const bool placed = std::any_of(m_slots.begin(), m_slots.end(),
                                        [id](const Slot& s) { return s.id == id; });
        if (placed || std::find(m_refused.begin(), m_refused.end(), id) != m_refused.end()) continue;
        auto free = std::find_if(m_slots.begin(), m_slots.end(),
                                 [](const Slot& s) { return s.joystick == nullptr; });
        if (free == m_slots.end()) return;
        SDL_Joystick* joystick = SDL_JoystickOpen(index);
        if (joystick == nullptr) {
            m_refused.push_back(id);
            continue;
        }
        *free = Slot{joystick, id};
    }
}

void JoystickSlots::read(SDL_Joystick* joystick, JoystickState& state) {
    state.caps_axes = std::max(0, SDL_JoystickNumAxes(joystick));
    state.caps_povs = std::max(0, SDL_JoystickNumHats(joystick));
    for (int i = 0; i < static_cast<int>(state.axes.size()); ++i) {
        const Sint16 value = i < state.caps_axes ? SDL_JoystickGetAxis(joystick, i) : 0;
        // X and Y in the range the dead zone is measured against; the other
        // axes in the host's default 0..65535.
        state.axes[i] = i < 2 ? scaledAxis(value) : value - SDL_JOYSTICK_AXIS_MIN;
    }
    for (int i = 0; i < static_cast<int>(state.povs.size()); ++i) {
        state.povs[i] = i < state.caps_povs ? hatAngle(SDL_JoystickGetHat(joystick, i)) : pov_centred;
    }
    const int buttons = SDL_JoystickNumButtons(joystick);
    for (int i = 0; i < static_cast<int>(state.buttons.size()); ++i) {
        state.buttons[i] = i < buttons && SDL_JoystickGetButton(joystick, i) ? joy_button_down : 0;
    }
}

void JoystickSlots::poll(std::array<JoystickState, slot_count>& states) {
    if (m_available && m_acquired) {
        // Reads every controller and notices controllers plugged in or out.
        SDL_JoystickUpdate();
        detect();
    }
    for (int i = 0; i < slot_count; ++i) {
        JoystickState& state = states[i];
        SDL_Joystick* joystick = m_slots[i].joystick;
        state = JoystickState{};
        state.present = joystick != nullptr;
        // A slot that is not acquired cannot be read, like a lost device.
        state.read_ok = state.present && m_acquired;
        if (state.read_ok) read(joystick, state);
    }
}

}  // namespace trivo::ui

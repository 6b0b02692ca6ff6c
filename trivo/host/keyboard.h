// Host keyboard and joysticks to the machine's keys.
#pragma once

namespace trivo {

struct Machine;

// Once per frame: sets key_state from the host keys and joysticks held.
void keyboard_scan(Machine& m);

}  // namespace trivo

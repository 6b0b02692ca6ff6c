#include "host/keyboard.h"

#include "machine/machine.h"

namespace trivo {

// Key mapping arrives with the keyboard support; until then key_state is
// written only by whoever drives the machine (tests, the headless runner).
void keyboard_scan(Machine& m) { (void)m; }

}  // namespace trivo

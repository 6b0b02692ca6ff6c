#include "debugger/debugger.h"

namespace trivo {

// Breakpoints and break conditions arrive with the debugger; until then the
// bus watches and the interrupt break (set by the bus and the core) are the
// only stop conditions.
void debugger_instruction_check(Machine& m) { (void)m; }

}  // namespace trivo

namespace trivo {

// No debugger windows exist yet.
void debugger_refresh(Machine& m) { (void)m; }

}  // namespace trivo

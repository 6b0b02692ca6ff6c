// The debugger's hooks into the emulation.
#pragma once

#include "machine/machine.h"

namespace trivo {

// Runs after every instruction while debug_flags is non-zero; may set
// break_flags to stop the processor after the current instruction.
void debugger_instruction_check(Machine& m);

}  // namespace trivo

namespace trivo {

// Before a repaint: brings the open debugger windows up to date.
void debugger_refresh(Machine& m);

}  // namespace trivo

// The debugger's hooks into the emulation.
#pragma once

namespace trivo {

struct Machine;

// Runs after every instruction while debug_flags is non-zero; may set
// break_flags to stop the processor after the current instruction.
void debugger_instruction_check(Machine& m);

}  // namespace trivo

namespace trivo {

// Brings the open debugger windows up to date. Called by whoever runs frames
// (the headless runner, the window) each time frame_tick reports a frame
// ready to show, before it paints; the emulation never calls it.
void debugger_refresh(Machine& m);

}  // namespace trivo

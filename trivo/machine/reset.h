// The two machine resets of the Soft Reset (F9) and Hard Reset (Shift+F9)
// commands.
//
// A soft reset is the console's reset button: the devices the emulator runs
// around the machine stop, the processor restarts from the reset vector, and
// RAM, ROM copies, the memory map and the device latches stay. A hard reset
// is switching the machine off and on: it also rebuilds the memory map from
// the memory settings, clears all 64K (RAM and every device latch) and
// installs the ROM images again, so the reset vector comes from the freshly
// installed system ROM. Neither touches break_flags or debug_flags: a
// machine stopped by the debugger stays stopped.
#pragma once

namespace trivo {

struct Machine;

enum class ResetKind {
    soft,  // the console's reset button
    hard,  // power off and on
};

void machine_reset(Machine& m, ResetKind kind);

}  // namespace trivo

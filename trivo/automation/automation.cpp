#include "automation/automation.h"

#include "machine/machine.h"

namespace trivo {

// Quick-typing and scripts arrive with the automation features; until then
// neither is ever active.
void quicktype_step(Machine& m) { (void)m; }

void script_step(Machine& m) { (void)m; }

}  // namespace trivo

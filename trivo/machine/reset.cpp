#include "machine/reset.h"

#include "automation/automation.h"
#include "cassette/deck.h"
#include "cassette/printer.h"
#include "cpu/cpu.h"
#include "machine/bus.h"
#include "machine/machine.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"

namespace trivo {

void machine_reset(Machine& m, ResetKind kind) {
    // 1. Stop the devices around the machine: quick-typing ends (its keys
    // come up), a running script is left alone.
    // The cassette deck stops playback (which detaches the tape, closes a
    // WAV recording and the logger's file, and lets the cassette input bit
    // of PIA2 port B fall) and ends the recording.
    quicktype_stop(m);
    printer_close(m);
    deck_stop_tape(m);
    deck_close_output(m);

    // 2. Power cycle: map, empty memory, ROM images.
    if (kind == ResetKind::hard) {
        memory_map_build(m);
        m.memory_image.fill(0);
        install_rom_images(m);
    }

    // 3. The processor starts at the reset vector.
    cpu_init(m);
    cpu_reset(m);

    // 4. Every device time stamp counts from the reset.
    m.machine_clock = 0;

    // 5, 6. The main loop runs frames from now on, the first one at once.
    m.machine_started = true;
    frame_timer_arm(m);
}

}  // namespace trivo

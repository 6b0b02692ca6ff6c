// The emulated cassette deck.
#pragma once

#include <cstdint>

namespace trivo {

struct Machine;

// File activity flags: which emulated devices are moving bytes to or from
// host files. The frame scheduler runs flat out while any is set (when the
// user asked for it), so loading and saving do not take real-time minutes.
inline constexpr uint8_t activity_printer = 0x01;
inline constexpr uint8_t activity_cassette_output = 0x02;
inline constexpr uint8_t activity_cassette_input = 0x04;

struct DeckState {
    bool playing = false;  // a cassette image or recording is playing
};

// A read of PIA2 port B: while a cassette plays, bit 7 of the port B latch
// follows the cassette input level.
void deck_sample_input(Machine& m);

// Once per frame: stops the tape and closes the output after a long pause.
void deck_idle_check(Machine& m);

}  // namespace trivo

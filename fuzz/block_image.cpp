// CAS/C10/K7 block images and the block walk.
//
// A converted program is a playable image of exactly one program that
// converts to itself; every program the walk counts converts that way. The
// deck opens a file exactly when the walk finds a program in it, and then
// plays the first program's conversion; any other file but an empty one is
// refused with one message and leaves no tape.
#include <string>
#include <vector>

#include "cassette/block_image.h"
#include "cassette/deck.h"
#include "trivo_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> source(data, size);
    const trivo::BlockWalk walk = trivo::block_image_walk(source, 0, nullptr);
    const bool valid = trivo::block_image_valid(source);
    fuzz::check(valid == (walk.ok && walk.programs > 0), "valid means a clean walk with a program");

    for (int program = 0; program <= walk.programs; ++program) {
        const std::vector<uint8_t> converted = trivo::block_image_convert(source, program);
        if (program == walk.programs || !walk.ok) {
            // Past the last program there is nothing to play. A failed walk
            // may still have converted its early programs.
            if (program == walk.programs) fuzz::check(converted.empty(), "no such program, no image");
            if (converted.empty()) continue;
        }
        fuzz::check(!converted.empty(), "a program converts to an image");
        const trivo::BlockWalk again = trivo::block_image_walk(converted, 0, nullptr);
        fuzz::check(again.ok && again.programs == 1, "a converted program is one whole program");
        fuzz::check(trivo::block_image_convert(converted, 0) == converted, "a converted image converts to itself");
        if (program > 8) break;  // enough: each costs a full conversion
    }

    fuzz::TrivoRig& rig = fuzz::trivo_rig();
    trivo::deck_stop_tape(rig.m);
    const std::string path = fuzz::scratch_file("input.cas");
    fuzz::write_file(path, data, size);
    const bool opened = trivo::block_image_open(rig.m, path);
    fuzz::check(opened == valid, "the deck opens exactly the valid images");
    if (opened) {
        fuzz::check(rig.m.deck.playing && rig.m.deck.image == trivo::block_image_convert(source, 0),
                    "the deck plays the first program");
        fuzz::check(rig.host.messages == 0, "an opened image shows no message");
    } else {
        fuzz::check(!rig.m.deck.playing, "a refused image leaves no tape");
        fuzz::check(rig.host.messages == (size == 0 ? 0 : 1), "one message, none for an empty file");
    }
    trivo::deck_stop_tape(rig.m);
    return 0;
}

// CPF cassette images on the deck's byte path.
//
// A CPF file is the tape's bytes and nothing else: loaded, the byte path
// returns exactly the file's bytes and then reports the end; those bytes
// recorded through the byte path make a file equal to the input. An empty
// file attaches no tape.
#include <string>
#include <vector>

#include "cassette/deck.h"
#include "trivo_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TrivoRig& rig = fuzz::trivo_rig();
    trivo::Machine& m = rig.m;
    trivo::deck_stop_tape(m);
    trivo::deck_close_output(m);

    const std::string path = fuzz::scratch_file("input.cpf");
    fuzz::write_file(path, data, size);
    const bool loaded = trivo::deck_load_image(m, path);
    fuzz::check(loaded == (size > 0), "every non-empty file loads");
    if (!loaded) {
        fuzz::check(!m.deck.playing, "an empty file attaches no tape");
        return 0;
    }

    std::vector<uint8_t> played;
    for (int byte; (byte = trivo::deck_next_image_byte(m)) >= 0;) {
        played.push_back(static_cast<uint8_t>(byte));
        fuzz::check(played.size() <= size, "the byte path ends with the file");
    }
    fuzz::check(played == std::vector<uint8_t>(data, data + size), "the byte path plays the file's bytes");

    const std::string recorded = fuzz::scratch_file("recorded.cpf");
    rig.host.save_answer = recorded;
    for (uint8_t b : played) trivo::deck_write_byte(m, b);
    trivo::deck_close_output(m);
    fuzz::check(fuzz::read_file(recorded) == played, "recorded again, the same file");
    trivo::deck_stop_tape(m);
    return 0;
}

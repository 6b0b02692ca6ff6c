// Quick-type text files.
//
// Every byte of the file is typed in order: its step presses exactly the
// keys the character-to-key table names (SHIFT too when it asks for it), the
// next step holds them, the one after releases everything. After the last
// character quick-type ends with every key up. An empty file types nothing.
#include <string>

#include "automation/automation.h"
#include "host/keyboard.h"
#include "trivo_rig.h"

namespace {

// The keys a character presses, as key_state shows them.
std::array<uint8_t, 128> keys_of(const trivo::Machine& m, uint8_t c) {
    std::array<uint8_t, 128> keys{};
    const int key = m.input.tables.char_to_key[c];
    if (key >= 0) {
        if (key & 256) keys[trivo::apf_shift_key] = 1;
        if ((key & 0xFF) < 96) keys[key & 0xFF] = 1;
    }
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TrivoRig& rig = fuzz::trivo_rig();
    trivo::Machine& m = rig.m;
    trivo::quicktype_stop(m);

    const std::string path = fuzz::scratch_file("typed.txt");
    fuzz::write_file(path, data, size);
    const bool started = trivo::quicktype_open_file(m, path);
    fuzz::check(started == (size > 0) && m.quicktype.active == started, "every non-empty file is typed");

    const std::array<uint8_t, 128> none{};
    for (size_t i = 0; i < size; ++i) {
        const auto keys = keys_of(m, data[i]);
        trivo::quicktype_step(m);
        fuzz::check(m.quicktype.active && m.key_state == keys, "a character presses its keys");
        trivo::quicktype_step(m);
        fuzz::check(m.key_state == keys, "the keys are held");
        trivo::quicktype_step(m);
        fuzz::check(m.key_state == none, "then every key is up");
    }
    if (started) trivo::quicktype_step(m);
    fuzz::check(!m.quicktype.active && m.key_state == none, "the end of the text ends quick-type, keys up");
    return 0;
}

// One trivo machine for a whole fuzz run (building one costs more than most
// readers), with a host that counts message boxes, answers save dialogs with
// a file in the scratch folder and never runs a program.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "host/keyboard.h"
#include "machine/bus.h"
#include "machine/host.h"
#include "machine/machine.h"

namespace fuzz {

class RigHost : public trivo::Host {
public:
    int messages = 0;
    std::optional<std::string> save_answer;
    int programs_asked = 0;

    trivo::MessageAnswer message_box(const std::string&, const std::string&, trivo::MessageIcon,
                                     trivo::MessageButtons) override {
        ++messages;
        return trivo::MessageAnswer::ok;
    }
    std::optional<std::string> choose_save_file(const trivo::FileRequest&) override { return save_answer; }
    int run_program(const std::string&, const std::string&) override {
        ++programs_asked;
        return -1;
    }
};

struct TrivoRig {
    std::unique_ptr<trivo::Machine> machine = trivo::make_machine();
    trivo::Machine& m = *machine;
    RigHost host;

    TrivoRig() {
        m.host = &host;
        trivo::memory_map_build(m);
        trivo::keyboard_rebuild_tables(m);  // the key lookups quick-typing and scripts press through
    }
};

inline TrivoRig& trivo_rig() {
    static TrivoRig rig;
    rig.host.messages = 0;
    rig.host.save_answer.reset();
    rig.host.programs_asked = 0;
    return rig;
}

}  // namespace fuzz

// mirla's start-up, the part that belongs to the core: the machine chosen
// from the command line, its page map, timing, display tables, memory and
// program, and the first reset.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "machine/machine.h"
#include "machine/s19.h"

namespace mirla {

// "Vendel1", "QLumen1" and "QLumen2" choose a board (exactly, case and all);
// anything else, or nothing, the APF Imagination Machine.
MachineKind machine_from_argument(std::string_view argument);

// "Mirla" for the APF, else the board's argument: the base of the key map
// and serial file names.
std::string_view machine_base_name(MachineKind kind);

// The window caption: "Apf Imagination Machine" or the board's name.
std::string_view machine_caption(MachineKind kind);

// The board's monitor program, looked for by name ("Vend1.s19",
// "QLumen1.s19", "QLumen2.s19"); empty for the APF.
std::string_view board_program_name(MachineKind kind);

// Steps before the program is loaded: undefined-opcode counts cleared, the
// machine's page map, the slice timing, the glyph and pattern tables and a
// blank window image, memory filled with FF, no key down.
void machine_prepare(Machine& m, MachineKind kind);

// APF: the built-in ROM images (the system ROM eight times over, at 4000,
// 4800, ... 5800 and E000, ... F800; the BASIC areas stay FF until our BASIC
// exists).
void machine_load_builtin_roms(Machine& m);

struct ProgramLoad {
    std::filesystem::path file;  // the S19 file read, for a board
    S19Load s19;
};

// Loads the machine's program: the APF's built-in ROMs, or the board's S19
// file from the first of the folders that holds it; then clears 0000-007F
// on "Vendel-I" and "Q.Lumen II". No value when a board's file is in none of
// the folders or cannot be read.
std::optional<ProgramLoad> machine_load_program(Machine& m, std::span<const std::filesystem::path> folders);

}  // namespace mirla

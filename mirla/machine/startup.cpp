#include "machine/startup.h"

#include <algorithm>
#include <system_error>

#include "display/display.h"
#include "firmware/system_rom_image.h"
#include "machine/bus.h"
#include "machine/run.h"

namespace mirla {

MachineKind machine_from_argument(std::string_view argument) {
    if (argument == "Vendel1") return MachineKind::vendel1;
    if (argument == "QLumen1") return MachineKind::qlumen1;
    if (argument == "QLumen2") return MachineKind::qlumen2;
    return MachineKind::apf;
}

std::string_view machine_base_name(MachineKind kind) {
    switch (kind) {
        case MachineKind::vendel1: return "Vendel1";
        case MachineKind::qlumen1: return "QLumen1";
        case MachineKind::qlumen2: return "QLumen2";
        case MachineKind::apf: break;
    }
    return "Mirla";
}

std::string_view machine_caption(MachineKind kind) {
    switch (kind) {
        case MachineKind::vendel1: return "Vendel-I";
        case MachineKind::qlumen1: return "Q.Lumen I";
        case MachineKind::qlumen2: return "Q.Lumen II";
        case MachineKind::apf: break;
    }
    return "Apf Imagination Machine";
}

std::string_view board_program_name(MachineKind kind) {
    switch (kind) {
        case MachineKind::vendel1: return "Vend1.s19";
        case MachineKind::qlumen1: return "QLumen1.s19";
        case MachineKind::qlumen2: return "QLumen2.s19";
        case MachineKind::apf: break;
    }
    return {};
}

void machine_prepare(Machine& m, MachineKind kind) {
    m.kind = kind;
    m.undefined = UndefinedOpcodes{};
    m.page_map = page_map_of(kind);
    run_setup_timing(m);
    display_build_tables(m);
    display_setup(m);
    m.memory_image.fill(0xFF);
    m.key_matrix.fill(0xFF);
}

void machine_load_builtin_roms(Machine& m) {
    const auto& rom = trivo::firmware::system_rom_image;
    static_assert(trivo::firmware::system_rom_image.size() == 2048);
    for (uint32_t base : {0x4000u, 0x4800u, 0x5000u, 0x5800u, 0xE000u, 0xE800u, 0xF000u, 0xF800u}) {
        std::copy(rom.begin(), rom.end(), m.memory_image.begin() + base);
    }
}

std::optional<ProgramLoad> machine_load_program(Machine& m, std::span<const std::filesystem::path> folders) {
    if (m.kind == MachineKind::apf) {
        machine_load_builtin_roms(m);
        return ProgramLoad{};
    }
    const std::string_view name = board_program_name(m.kind);
    for (const auto& folder : folders) {
        const std::filesystem::path file = folder / name;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) continue;
        auto loaded = s19_load_file(m, file.string());
        if (!loaded) return std::nullopt;
        if (m.kind == MachineKind::vendel1 || m.kind == MachineKind::qlumen2) {
            std::fill(m.memory_image.begin(), m.memory_image.begin() + 0x80, 0);
        }
        return ProgramLoad{file, std::move(*loaded)};
    }
    return std::nullopt;
}

}  // namespace mirla

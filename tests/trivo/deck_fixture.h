// A machine with a cassette deck and a recording host, the cassette test
// cartridge, and builders for the tape files the deck reads.
#pragma once

#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "cassette/deck.h"
#include "wav_bytes.h"
#include "cpu/cpu.h"
#include "deck_cart.h"
#include "machine/bus.h"
#include "machine/machine.h"
#include "machine/reset.h"
#include "machine/rom_images.h"
#include "rom_fixture.h"

namespace trivo::test {

using Bytes = std::vector<uint8_t>;

// Entry points and variables of the test cartridge (tests/roms/deck_cart.asm).
inline constexpr uint16_t cart_csave = 0x8000;
inline constexpr uint16_t cart_cload = 0x8010;
inline constexpr uint16_t cart_done = 0x8020;
inline constexpr uint16_t cart_count = 0x0012;
inline constexpr uint16_t cart_status = 0x0016;
inline constexpr uint16_t cart_buffer = 0xA100;

// The open dialogs' filters: every kind of tape the deck plays, then all files.
inline const std::vector<FileFilter> cassette_open_filters = {
    {"Cassette (CPF WAV CAS K7)", "*.cpf;*.wav;*.cas;*.k7"},
    {"All Files (*.*)", "*.*"},
};

// A machine as sold (normal memory map, no ROM installed) whose host records
// every call, and a scratch folder for its files.
struct DeckRig {
    std::unique_ptr<Machine> machine = make_machine();
    Machine& m = *machine;
    MenuHost host;
    ScratchDir dir;

    DeckRig() {
        m.host = &host;
        memory_map_build(m);
    }

    // The cassette input as a program reading PIA2 port B at that cycle.
    bool input_at(uint32_t clock) {
        m.machine_clock = clock;
        return (bus_read(m, pia2_base + 2) & deck_input_bit) != 0;
    }

    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string path = dir.file(name);
        write_bytes(path, bytes);
        return path;
    }

    // The BASIC configuration with fast cassette I/O and the test cartridge
    // in place of the BASIC ROM's upper 8K, after a hard reset.
    void install_cartridge(bool fast_io = true) {
        set_cart_type(m.settings, CartType::builtin_basic);
        m.settings.enableromhacksflag = fast_io ? 1 : 0;
        BuiltinImages images = fixture_builtins();
        images.basic_high = test_roms::deck_cart;
        load_rom_images(m, images);
        machine_reset(m, ResetKind::hard);
    }

    void set_word(uint16_t address, uint16_t value) {
        m.memory_image[address] = static_cast<uint8_t>(value >> 8);
        m.memory_image[static_cast<uint16_t>(address + 1)] = static_cast<uint8_t>(value);
    }

    // Runs the processor from `entry` until it reaches the cartridge's done
    // loop; false when it has not after `max_cycles`.
    bool run_cartridge(uint16_t entry, uint64_t max_cycles) {
        m.cpu.pc = entry;
        uint64_t spent = 0;
        while (m.cpu.pc != cart_done && spent < max_cycles) spent += static_cast<uint64_t>(cpu_execute(m, 20000));
        return m.cpu.pc == cart_done;
    }

    Bytes memory(uint16_t address, size_t n) const {
        return Bytes(m.memory_image.begin() + address, m.memory_image.begin() + address + static_cast<long>(n));
    }
};

// n bytes of a program and, last, their 8-bit sum: what the machine's save
// routines write.
inline Bytes cpf_image(size_t n, uint8_t seed) {
    Bytes bytes = pattern_bytes(n, seed);
    bytes.push_back(static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u)));
    return bytes;
}

inline uint8_t sum8(const Bytes& bytes) {
    return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

// One block of a CAS/C10/K7 image: `leader` bytes 55, 3C, type, length,
// data, checksum (plus `checksum_error`), 55.
inline Bytes cas_block(uint8_t type, const Bytes& data, int leader = 2, int checksum_error = 0) {
    Bytes b(static_cast<size_t>(leader), 0x55);
    b.push_back(0x3C);
    b.push_back(type);
    b.push_back(static_cast<uint8_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(static_cast<uint8_t>(type + data.size() + sum8(data) + checksum_error));
    b.push_back(0x55);
    return b;
}

inline Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace trivo::test

// Small stand-ins for the images built into the program, and a scratch
// folder for the files the ROM, S19 and binary tests write.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fake_host.h"
#include "machine/rom_images.h"
#include "scratch_folder.h"

namespace trivo::test {

// A 2K system ROM whose first bytes are a tiny program:
//   LDAA #$42 / STAA $A000 / LDX #$1234 / BRA *
// and whose reset vector points at that program's copy in the last 2K of the
// high window ($F800). Every other byte is a pattern that differs between
// neighbours, so a wrong offset shows.
inline constexpr uint16_t fixture_program = 0xF800;
inline constexpr uint16_t fixture_loop = fixture_program + 8;  // the BRA *

inline const std::array<uint8_t, 2048> fixture_system_rom = [] {
    std::array<uint8_t, 2048> rom{};
    for (size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<uint8_t>(i * 3 + 1);
    constexpr uint8_t program[] = {0x86, 0x42, 0xB7, 0xA0, 0x00, 0xCE, 0x12, 0x34, 0x20, 0xFE};
    std::copy(std::begin(program), std::end(program), rom.begin());
    rom[0x7FE] = fixture_program >> 8;
    rom[0x7FF] = fixture_program & 0xFF;
    return rom;
}();

inline const std::array<uint8_t, 768> fixture_char_rom = [] {
    std::array<uint8_t, 768> rom{};
    for (size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<uint8_t>(i ^ 0x5A);
    return rom;
}();

inline const std::array<uint8_t, 4096> fixture_basic_low = [] {
    std::array<uint8_t, 4096> rom{};
    for (size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<uint8_t>(i * 5 + 7);
    return rom;
}();

inline const std::array<uint8_t, 8192> fixture_basic_high = [] {
    std::array<uint8_t, 8192> rom{};
    for (size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<uint8_t>(i * 11 + 2);
    return rom;
}();

inline BuiltinImages fixture_builtins() {
    return {fixture_system_rom, fixture_char_rom, fixture_basic_low, fixture_basic_high};
}

// A FakeHost that also keeps the menu states it is given.
class MenuHost : public FakeHost {
public:
    struct MenuState {
        int command;
        bool checked;
        bool enabled;
    };
    std::vector<MenuState> menu_states;

    void menu_state(int command, bool checked, bool enabled) override {
        menu_states.push_back({command, checked, enabled});
    }
};

using ScratchDir = test_support::ScratchFolder;

inline void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void write_text(const std::string& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

inline std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file of n bytes whose byte i is a pattern with a long period, so an
// off-by-one in any window fill shows.
inline std::vector<uint8_t> pattern_bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 251 + seed) & 0xFF);
    return bytes;
}

}  // namespace trivo::test

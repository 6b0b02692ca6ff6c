// Disassembler and assembler agree: every 6800 opcode, with sample operand
// bytes, disassembles to text that the assembler turns back into the same
// bytes. The disassembler prints bare hexadecimal; the test rewrites its
// operands into assembler syntax ($ before hexadecimal, < and > to pin the
// direct and extended forms the bytes used).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "common/opcode_table.h"
#include "debugger/disassembler.h"
#include "sources.h"

namespace apfasm {
namespace {

// "ldaa #12", "ldaa 1234", "jmp  12,x" ... into "ldaa #$12", "ldaa >$1234", ...
std::string to_source(const std::string& text, m6800::AddressMode mode) {
    std::string line = text;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.size() <= 5) return "        " + line;
    const std::string mnemonic = line.substr(0, 5);
    std::string operand = line.substr(5);
    switch (mode) {
        case m6800::AddressMode::immediate8:
        case m6800::AddressMode::immediate16: operand = "#$" + operand.substr(1); break;
        case m6800::AddressMode::direct: operand = "<$" + operand; break;
        case m6800::AddressMode::extended: operand = ">$" + operand; break;
        default: operand = "$" + operand; break;  // relative target, indexed offset
    }
    return "        " + mnemonic + operand;
}

TEST(RoundTrip, EveryOpcodeReassemblesToItsOwnBytes) {
    struct Operands {
        uint16_t address;
        uint8_t byte1, byte2;
    };
    constexpr Operands samples[] = {
        {0x4000, 0x00, 0x00}, {0x4000, 0x12, 0x34}, {0x4000, 0xFF, 0xFF},
        {0x4000, 0x80, 0x7F}, {0x0010, 0xEE, 0x01}, {0xFFF0, 0x7F, 0x80},
    };
    int checked = 0;
    for (int op = 0; op < 256; ++op) {
        const auto opcode = static_cast<uint8_t>(op);
        if (trivo::disasm_is_illegal(opcode)) continue;
        for (const Operands& s : samples) {
            std::array<char, trivo::disasm_text_size> text;
            const uint32_t result = trivo::disassemble(text, s.address, opcode, s.byte1, s.byte2);
            const size_t length = result & trivo::disasm_length_mask;
            const std::string line = to_source(text.data(), m6800::opcode_table[op].mode);
            SCOPED_TRACE(line);
            char org[32];
            std::snprintf(org, sizeof org, "        org $%04X\n", s.address);
            const Assembly a = test::assemble_text(org + line + "\n");
            ASSERT_TRUE(a.ok()) << test::first_error(a);
            const std::vector<uint8_t> all = {opcode, s.byte1, s.byte2};
            const std::vector<uint8_t> want(all.begin(), all.begin() + static_cast<long>(length));
            EXPECT_EQ(test::bytes_at(a, s.address, length), want);
            ++checked;
        }
    }
    // All 203 legal opcodes went through.
    EXPECT_EQ(checked, 203 * static_cast<int>(std::size(samples)));
}

}  // namespace
}  // namespace apfasm

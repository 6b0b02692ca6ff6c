// The debugger's disassembler: text formats of every addressing mode, the
// illegal-opcode line, branch targets, and the per-opcode facts the stepping
// commands use.
#include "debugger/disassembler.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "common/opcode_table.h"

namespace trivo {
using namespace m6800;
namespace {

struct Line {
    uint32_t result;
    std::string text;
};

Line disassemble_at(uint16_t address, uint8_t opcode, uint8_t byte1 = 0, uint8_t byte2 = 0) {
    std::array<char, disasm_text_size> text;
    text.fill('@');
    const uint32_t result = disassemble(text, address, opcode, byte1, byte2);
    return {result, std::string(text.data())};
}

struct TextCase {
    uint16_t address;
    uint8_t opcode, byte1, byte2;
    const char* text;
    int length;
};

// One instruction per addressing mode, and the branch-target edge cases.
constexpr TextCase text_cases[] = {
    {0x4000, 0x86, 0x12, 0x00, "ldaa #12   ", 2},  // immediate, padded to 11
    {0x4000, 0x01, 0x00, 0x00, "nop        ", 1},  // inherent
    {0x4000, 0xCE, 0xAB, 0xCD, "ldx  #abcd ", 3},  // immediate 16, high byte first
    {0x4000, 0x96, 0x0F, 0x00, "ldaa 0f    ", 2},  // direct
    {0x4000, 0xB7, 0x20, 0x01, "staa 2001  ", 3},  // extended
    {0x4000, 0xA6, 0xFF, 0x00, "ldaa ff,x  ", 2},  // indexed, offset unsigned
    {0x4000, 0x6E, 0x00, 0x00, "jmp  00,x  ", 2},
    {0x4000, 0x87, 0x55, 0x00, "staa #55   ", 2},  // the extra immediate store
    {0x4000, 0x9D, 0x80, 0x00, "jsr  80    ", 2},  // the extra direct call
    {0x1000, 0x20, 0xFE, 0x00, "bra  1000  ", 2},  // branch to itself
    {0x1000, 0x26, 0x7F, 0x00, "bne  1081  ", 2},  // farthest forward
    {0x1000, 0x27, 0x80, 0x00, "beq  0f82  ", 2},  // farthest back
    {0xFFFE, 0x20, 0x05, 0x00, "bra  0005  ", 2},  // wraps to the bottom of memory
    {0x0001, 0x8D, 0xF0, 0x00, "bsr  fff3  ", 2},  // wraps to the top
    {0x4000, 0x00, 0x00, 0x00, "IL00       ", 1},
    {0x4000, 0x3D, 0x00, 0x00, "IL3D       ", 1},  // mul: a 6801 instruction
    {0x4000, 0x61, 0x12, 0x34, "IL61       ", 1},  // aim: three bytes on a 6801
    {0x4000, 0xFC, 0x12, 0x34, "ILFC       ", 1},
};

TEST(Disassembler, TextAndLengthOfEachMode) {
    for (const TextCase& c : text_cases) {
        SCOPED_TRACE(c.text);
        const Line line = disassemble_at(c.address, c.opcode, c.byte1, c.byte2);
        EXPECT_EQ(line.text, c.text);
        EXPECT_EQ(line.result & disasm_length_mask, static_cast<uint32_t>(c.length));
        EXPECT_NE(line.result & disasm_done, 0u);
    }
}

TEST(Disassembler, CallAndReturnBits) {
    for (int op = 0; op < 256; ++op) {
        const Line line = disassemble_at(0x4000, static_cast<uint8_t>(op));
        const std::string name(mnemonic_name(opcode_table[op].mnemonic));
        SCOPED_TRACE(line.text);
        const bool call = name == "bsr" || name == "jsr";
        const bool ret = name == "rts" || name == "rti";
        EXPECT_EQ((line.result & disasm_call) != 0, call);
        EXPECT_EQ((line.result & disasm_return) != 0, ret);
        EXPECT_EQ(disasm_is_return(static_cast<uint8_t>(op)), ret);
        EXPECT_EQ(disasm_call_length(static_cast<uint8_t>(op)),
                  call ? static_cast<int>(line.result & disasm_length_mask) : -1);
    }
    EXPECT_EQ(disassemble_at(0x4000, 0xBD).result, disasm_done | disasm_call | 3);
    EXPECT_EQ(disassemble_at(0x4000, 0x39).result, disasm_done | disasm_return | 1);
    EXPECT_EQ(disasm_call_length(0x8D), 2);
    EXPECT_EQ(disasm_call_length(0xAD), 2);
    EXPECT_EQ(disasm_call_length(0x9D), 2);
}

// The 52 undefined opcodes of the 6800 and FC (the core's extra add-to-x,
// which is not in the map) are the illegal ones; everything else is legal.
TEST(Disassembler, IllegalOpcodesAreExactlyTheUndefinedOnes) {
    constexpr uint8_t undefined[] = {
        0x00, 0x02, 0x03, 0x04, 0x05, 0x12, 0x13, 0x14, 0x15, 0x18, 0x1A, 0x1C, 0x1D, 0x1E,
        0x1F, 0x38, 0x3A, 0x3C, 0x3D, 0x41, 0x42, 0x45, 0x4B, 0x4E, 0x51, 0x52, 0x55, 0x5B,
        0x5E, 0x61, 0x62, 0x65, 0x6B, 0x71, 0x72, 0x75, 0x7B, 0x83, 0x93, 0xA3, 0xB3, 0xC3,
        0xCC, 0xCD, 0xD3, 0xDC, 0xDD, 0xE3, 0xEC, 0xED, 0xF3, 0xFD, 0xFC};
    std::array<bool, 256> illegal{};
    for (uint8_t op : undefined) illegal[op] = true;
    for (int op = 0; op < 256; ++op) {
        SCOPED_TRACE(op);
        EXPECT_EQ(disasm_is_illegal(static_cast<uint8_t>(op)), illegal[op]);
        const Line line = disassemble_at(0x4000, static_cast<uint8_t>(op), 0x12, 0x34);
        EXPECT_EQ(line.text.size(), 11u);
        if (illegal[op]) {
            EXPECT_EQ(line.result & disasm_length_mask, 1u);
        }
    }
}

// Length by mode ignores validity: the 6801 entries of illegal opcodes give
// their own mode's length, and the immediate-and-indexed mode counts 2.
TEST(Disassembler, LengthByModeFollowsTheTableEvenForIllegalOpcodes) {
    constexpr struct {
        uint8_t opcode;
        int length;
    } cases[] = {
        {0x01, 1}, {0x12, 1}, {0x20, 2}, {0x86, 2}, {0x96, 2}, {0xA6, 2}, {0xCE, 3},
        {0xB6, 3}, {0x71, 3}, {0x61, 2}, {0x04, 1}, {0xCC, 3}, {0xDC, 2}, {0x00, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opcode);
        EXPECT_EQ(disasm_length_by_mode(c.opcode), c.length);
    }
    // For every legal opcode the mode length is the disassembled length.
    for (int op = 0; op < 256; ++op) {
        if (disasm_is_illegal(static_cast<uint8_t>(op))) continue;
        EXPECT_EQ(disasm_length_by_mode(static_cast<uint8_t>(op)),
                  static_cast<int>(disassemble_at(0, static_cast<uint8_t>(op)).result & 3))
            << op;
    }
}

TEST(Disassembler, ShortBufferIsTruncatedAndTerminated) {
    std::array<char, 6> text;
    text.fill('@');
    const uint32_t result = disassemble(text, 0x4000, 0xCE, 0xAB, 0xCD);
    EXPECT_EQ(result, disasm_done | 3);
    EXPECT_EQ(std::string(text.data()), "ldx  ");
}

}  // namespace
}  // namespace trivo

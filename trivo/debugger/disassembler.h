// The debugger's 6800 disassembler: one line of text per instruction, and the
// per-opcode facts the stepping commands need (length, call, return,
// illegal). Everything comes from the shared opcode table; the disassembler
// is given the opcode and the two bytes after it and never reads memory, so
// it has no side effects on I/O registers.
#pragma once

#include <cstdint>
#include <span>

namespace trivo {

// Result word of disassemble.
inline constexpr uint32_t disasm_done = 1u << 31;    // always set
inline constexpr uint32_t disasm_return = 1u << 30;  // rts, rti
inline constexpr uint32_t disasm_call = 1u << 29;    // bsr, jsr
inline constexpr uint32_t disasm_length_mask = 3;    // instruction length 1-3

// Room for the longest line ("#xx,(x+xx)" after a five-column mnemonic) and
// its terminating zero.
inline constexpr int disasm_text_size = 24;

// Writes the instruction at `address` as text into `text` (always
// zero-terminated, at least 11 characters before the zero): the mnemonic
// left-justified in five columns and the operand in lower-case hexadecimal,
// or "ILxx" for an opcode the 6800 does not have. Returns disasm_done, the
// length (an illegal opcode counts as one byte) and the call/return bits.
uint32_t disassemble(std::span<char> text, uint16_t address, uint8_t opcode, uint8_t byte1,
                     uint8_t byte2);

// For bsr and jsr the instruction's length (where a step-over resumes);
// -1 for every other opcode.
int disasm_call_length(uint8_t opcode);

bool disasm_is_return(uint8_t opcode);

bool disasm_is_illegal(uint8_t opcode);

// Length from the addressing mode alone, illegal or not: 3 for the immediate
// 16-bit, immediate-and-direct and extended modes, 1 for inherent and stack
// modes, 2 for the rest.
int disasm_length_by_mode(uint8_t opcode);

}  // namespace trivo

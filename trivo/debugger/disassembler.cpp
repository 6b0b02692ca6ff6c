#include "debugger/disassembler.h"

#include <cstdio>

#include "common/opcode_table.h"

namespace trivo {

using namespace m6800;

namespace {

bool is_call(Mn m) { return m == Mn::bsr || m == Mn::jsr; }

// Instruction length by mode as the disassembler prints it.
int operand_length(AddressMode mode) {
    switch (mode) {
        case AddressMode::inherent:
        case AddressMode::stack: return 1;
        case AddressMode::immediate16:
        case AddressMode::immediate_direct:
        case AddressMode::extended:
        case AddressMode::immediate_indexed: return 3;
        default: return 2;
    }
}

}  // namespace

uint32_t disassemble(std::span<char> text, uint16_t address, uint8_t opcode, uint8_t byte1,
                     uint8_t byte2) {
    const OpcodeInfo& info = opcode_table[opcode];
    const bool illegal = (info.validity & opcode_not_6800) != 0;
    // An illegal opcode counts as one byte, whatever its 6801 entry says.
    const int length = illegal ? 1 : operand_length(info.mode);
    uint32_t result = disasm_done | static_cast<uint32_t>(length);
    if (is_call(info.mnemonic)) result |= disasm_call;
    if (disasm_is_return(opcode)) result |= disasm_return;
    if (text.empty()) return result;

    char* out = text.data();
    const size_t size = text.size();
    const std::string_view name = mnemonic_name(info.mnemonic);
    const int name_length = static_cast<int>(name.size());
    const char* mn = name.data();
    int n = 0;
    if (illegal) {
        n = std::snprintf(out, size, "IL%02X", opcode);
    } else {
        switch (info.mode) {
            case AddressMode::inherent:
                n = std::snprintf(out, size, "%-5.*s", name_length, mn);
                break;
            case AddressMode::relative: {
                // The offset counts from the next instruction; the target wraps
                // round the 64K address space.
                const auto target =
                    static_cast<uint16_t>(address + 2 + static_cast<int8_t>(byte1));
                n = std::snprintf(out, size, "%-5.*s%04x", name_length, mn, target);
                break;
            }
            case AddressMode::immediate8:
                n = std::snprintf(out, size, "%-5.*s#%02x", name_length, mn, byte1);
                break;
            case AddressMode::immediate16:
                n = std::snprintf(out, size, "%-5.*s#%04x", name_length, mn, byte1 << 8 | byte2);
                break;
            case AddressMode::direct:
                n = std::snprintf(out, size, "%-5.*s%02x", name_length, mn, byte1);
                break;
            case AddressMode::immediate_direct:
                n = std::snprintf(out, size, "%-5.*s#%02x,%02x", name_length, mn, byte1, byte2);
                break;
            case AddressMode::extended:
                n = std::snprintf(out, size, "%-5.*s%04x", name_length, mn, byte1 << 8 | byte2);
                break;
            case AddressMode::indexed:
                n = std::snprintf(out, size, "%-5.*s%02x,x", name_length, mn, byte1);
                break;
            case AddressMode::immediate_indexed:
                n = std::snprintf(out, size, "%-5.*s#%02x,(x+%02x)", name_length, mn, byte1,
                                  byte2);
                break;
            case AddressMode::stack:
                n = std::snprintf(out, size, "%-5.*s(s+1)", name_length, mn);
                break;
        }
    }
    // Pad to 11 columns so the debugger's columns line up.
    if (n < 0) n = 0;
    for (size_t i = static_cast<size_t>(n); i < 11 && i + 1 < size; ++i) {
        out[i] = ' ';
        out[i + 1] = '\0';
    }
    return result;
}

int disasm_call_length(uint8_t opcode) {
    const OpcodeInfo& info = opcode_table[opcode];
    return is_call(info.mnemonic) ? operand_length(info.mode) : -1;
}

bool disasm_is_return(uint8_t opcode) {
    const Mn m = opcode_table[opcode].mnemonic;
    return m == Mn::rts || m == Mn::rti;
}

bool disasm_is_illegal(uint8_t opcode) {
    return (opcode_table[opcode].validity & opcode_not_6800) != 0;
}

int disasm_length_by_mode(uint8_t opcode) {
    switch (opcode_table[opcode].mode) {
        case AddressMode::immediate16:
        case AddressMode::immediate_direct:
        case AddressMode::extended: return 3;
        case AddressMode::inherent:
        case AddressMode::stack: return 1;
        // The immediate-and-indexed mode counts as 2 here although its
        // instructions are three bytes long; only the disassembler proper
        // knows better, and it prints those opcodes as illegal anyway.
        default: return 2;
    }
}

}  // namespace trivo

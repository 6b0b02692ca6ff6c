// The 6800 opcode map as the debugger's disassembler and the apfasm assembler
// read it: for each of the 256 opcodes a mnemonic number, an addressing mode
// and a validity mask, plus the 128 mnemonic spellings.
//
// The map is shared with the 6801/6803 family (and the few 6303 additions
// whose mnemonics it names), which is why modes 5, 8 and 9 exist and why the
// opcodes the 6800 lacks still carry a mnemonic: 04 lsrd, 3D mul, 61 aim.
// Bit 0 of the validity mask marks an opcode that is not a 6800 instruction;
// the 6800 tools consult that bit only and treat such an opcode as illegal.
//
// Six opcodes outside the 6800 data sheet are marked valid because the APF
// software base relies on them and the core executes them: 21 brn, 87 staa
// and C7 stab immediate, 8F sts and CF stx immediate (stores into their own
// operand bytes) and 9D jsr direct.
//
// Constant data only: this header is included by the assembler, which does
// not link the emulator.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace m6800 {

// Mnemonic numbers, in the order of mnemonic_names. The spellings are the
// lower-case ones the disassembler prints and the assembler accepts.
enum class Mn : uint8_t {
    aba, abx, adca, adcb, adda, addb, addd, aim, anda, andb,
    asl, asla, aslb, asld, asr, asra, asrb, bcc, bcs, beq,
    bge, bgt, bhi, bita, bitb, ble, bls, blt, bmi, bne,
    bpl, bra, brn, bsr, bvc, bvs, cba, clc, cli, clr,
    clra, clrb, clv, cmpa, cmpb, cmpx, com, coma, comb, daa,
    dec, deca, decb, des, dex, eim, eora, eorb, illegal, inc,
    inca, incb, ins, inx, jmp, jsr, ldaa, ldab, ldd, lds,
    ldx, lsr, lsra, lsrb, lsrd, mul, neg, nega, negb, nop,
    oim, oraa, orab, psha, pshb, pshx, pula, pulb, pulx, rol,
    rola, rolb, ror, rora, rorb, rti, rts, sba, sbca, sbcb,
    sec, sev, staa, stab, std, sei, sts, stx, suba, subb,
    subd, swi, wai, tab, tap, tba, tim, tpa, tst, tsta,
    tstb, tsx, txs, asx1, asx2, xgdx, addx, adcx,
};

inline constexpr int mnemonic_count = 128;

inline constexpr std::array<std::string_view, mnemonic_count> mnemonic_names = {
    "aba",  "abx",  "adca", "adcb", "adda", "addb", "addd", "aim",  "anda", "andb",
    "asl",  "asla", "aslb", "asld", "asr",  "asra", "asrb", "bcc",  "bcs",  "beq",
    "bge",  "bgt",  "bhi",  "bita", "bitb", "ble",  "bls",  "blt",  "bmi",  "bne",
    "bpl",  "bra",  "brn",  "bsr",  "bvc",  "bvs",  "cba",  "clc",  "cli",  "clr",
    "clra", "clrb", "clv",  "cmpa", "cmpb", "cmpx", "com",  "coma", "comb", "daa",
    "dec",  "deca", "decb", "des",  "dex",  "eim",  "eora", "eorb", "illegal", "inc",
    "inca", "incb", "ins",  "inx",  "jmp",  "jsr",  "ldaa", "ldab", "ldd",  "lds",
    "ldx",  "lsr",  "lsra", "lsrb", "lsrd", "mul",  "neg",  "nega", "negb", "nop",
    "oim",  "oraa", "orab", "psha", "pshb", "pshx", "pula", "pulb", "pulx", "rol",
    "rola", "rolb", "ror",  "rora", "rorb", "rti",  "rts",  "sba",  "sbca", "sbcb",
    "sec",  "sev",  "staa", "stab", "std",  "sei",  "sts",  "stx",  "suba", "subb",
    "subd", "swi",  "wai",  "tab",  "tap",  "tba",  "tim",  "tpa",  "tst",  "tsta",
    "tstb", "tsx",  "txs",  "asx1", "asx2", "xgdx", "addx", "adcx",
};

// Addressing modes; the numbers are those of the 6801-family map.
enum class AddressMode : uint8_t {
    inherent = 0,           // no operand
    relative = 1,           // signed 8-bit offset from the next instruction
    immediate8 = 2,         // #byte
    immediate16 = 3,        // #word, high byte first
    direct = 4,             // address in page 0
    immediate_direct = 5,   // #byte, page-0 address (6801 bit operations)
    extended = 6,           // 16-bit address, high byte first
    indexed = 7,            // x plus an unsigned 8-bit offset
    immediate_indexed = 8,  // #byte, index offset (6801 bit operations)
    stack = 9,              // operand at s+1, no operand bytes
};

// Validity mask bit 0: not an instruction of the 6800.
inline constexpr uint8_t opcode_not_6800 = 0x01;

struct OpcodeInfo {
    Mn mnemonic;
    AddressMode mode;
    uint8_t validity;
};

namespace opcode_map {

constexpr AddressMode inh = AddressMode::inherent;
constexpr AddressMode rel = AddressMode::relative;
constexpr AddressMode imm8 = AddressMode::immediate8;
constexpr AddressMode imm16 = AddressMode::immediate16;
constexpr AddressMode dir = AddressMode::direct;
constexpr AddressMode immdir = AddressMode::immediate_direct;
constexpr AddressMode ext = AddressMode::extended;
constexpr AddressMode idx = AddressMode::indexed;
constexpr AddressMode immidx = AddressMode::immediate_indexed;
constexpr AddressMode stk = AddressMode::stack;

// A 6800 instruction.
constexpr OpcodeInfo op(Mn m, AddressMode mode) { return {m, mode, 0}; }
// An opcode of the later family members only (6801/6803, 6303).
constexpr OpcodeInfo later(Mn m, AddressMode mode) { return {m, mode, opcode_not_6800}; }
// An opcode no family member defines.
constexpr OpcodeInfo none = {Mn::illegal, AddressMode::inherent, opcode_not_6800};

using M = Mn;

}  // namespace opcode_map

// Indexed by opcode; rows of 16 as in the data sheet's opcode map.
inline constexpr std::array<OpcodeInfo, 256> opcode_table = [] {
    using namespace opcode_map;
    return std::array<OpcodeInfo, 256>{{
        /* 0x */ none,                 op(M::nop, inh),       none,                  none,
                 later(M::lsrd, inh),  later(M::asld, inh),   op(M::tap, inh),       op(M::tpa, inh),
                 op(M::inx, inh),      op(M::dex, inh),       op(M::clv, inh),       op(M::sev, inh),
                 op(M::clc, inh),      op(M::sec, inh),       op(M::cli, inh),       op(M::sei, inh),
        /* 1x */ op(M::sba, inh),      op(M::cba, inh),       later(M::asx1, stk),   later(M::asx2, stk),
                 none,                 none,                  op(M::tab, inh),       op(M::tba, inh),
                 later(M::xgdx, inh),  op(M::daa, inh),       none,                  op(M::aba, inh),
                 none,                 none,                  none,                  none,
        /* 2x */ op(M::bra, rel),      op(M::brn, rel),       op(M::bhi, rel),       op(M::bls, rel),
                 op(M::bcc, rel),      op(M::bcs, rel),       op(M::bne, rel),       op(M::beq, rel),
                 op(M::bvc, rel),      op(M::bvs, rel),       op(M::bpl, rel),       op(M::bmi, rel),
                 op(M::bge, rel),      op(M::blt, rel),       op(M::bgt, rel),       op(M::ble, rel),
        /* 3x */ op(M::tsx, inh),      op(M::ins, inh),       op(M::pula, inh),      op(M::pulb, inh),
                 op(M::des, inh),      op(M::txs, inh),       op(M::psha, inh),      op(M::pshb, inh),
                 later(M::pulx, inh),  op(M::rts, inh),       later(M::abx, inh),    op(M::rti, inh),
                 later(M::pshx, inh),  later(M::mul, inh),    op(M::wai, inh),       op(M::swi, inh),
        /* 4x */ op(M::nega, inh),     none,                  none,                  op(M::coma, inh),
                 op(M::lsra, inh),     none,                  op(M::rora, inh),      op(M::asra, inh),
                 op(M::asla, inh),     op(M::rola, inh),      op(M::deca, inh),      none,
                 op(M::inca, inh),     op(M::tsta, inh),      none,                  op(M::clra, inh),
        /* 5x */ op(M::negb, inh),     none,                  none,                  op(M::comb, inh),
                 op(M::lsrb, inh),     none,                  op(M::rorb, inh),      op(M::asrb, inh),
                 op(M::aslb, inh),     op(M::rolb, inh),      op(M::decb, inh),      none,
                 op(M::incb, inh),     op(M::tstb, inh),      none,                  op(M::clrb, inh),
        /* 6x */ op(M::neg, idx),      later(M::aim, immidx), later(M::oim, immidx), op(M::com, idx),
                 op(M::lsr, idx),      later(M::eim, immidx), op(M::ror, idx),       op(M::asr, idx),
                 op(M::asl, idx),      op(M::rol, idx),       op(M::dec, idx),       later(M::tim, immidx),
                 op(M::inc, idx),      op(M::tst, idx),       op(M::jmp, idx),       op(M::clr, idx),
        /* 7x */ op(M::neg, ext),      later(M::aim, immdir), later(M::oim, immdir), op(M::com, ext),
                 op(M::lsr, ext),      later(M::eim, immdir), op(M::ror, ext),       op(M::asr, ext),
                 op(M::asl, ext),      op(M::rol, ext),       op(M::dec, ext),       later(M::tim, immdir),
                 op(M::inc, ext),      op(M::tst, ext),       op(M::jmp, ext),       op(M::clr, ext),
        /* 8x */ op(M::suba, imm8),    op(M::cmpa, imm8),     op(M::sbca, imm8),     later(M::subd, imm16),
                 op(M::anda, imm8),    op(M::bita, imm8),     op(M::ldaa, imm8),     op(M::staa, imm8),
                 op(M::eora, imm8),    op(M::adca, imm8),     op(M::oraa, imm8),     op(M::adda, imm8),
                 op(M::cmpx, imm16),   op(M::bsr, rel),       op(M::lds, imm16),     op(M::sts, imm16),
        /* 9x */ op(M::suba, dir),     op(M::cmpa, dir),      op(M::sbca, dir),      later(M::subd, dir),
                 op(M::anda, dir),     op(M::bita, dir),      op(M::ldaa, dir),      op(M::staa, dir),
                 op(M::eora, dir),     op(M::adca, dir),      op(M::oraa, dir),      op(M::adda, dir),
                 op(M::cmpx, dir),     op(M::jsr, dir),       op(M::lds, dir),       op(M::sts, dir),
        /* Ax */ op(M::suba, idx),     op(M::cmpa, idx),      op(M::sbca, idx),      later(M::subd, idx),
                 op(M::anda, idx),     op(M::bita, idx),      op(M::ldaa, idx),      op(M::staa, idx),
                 op(M::eora, idx),     op(M::adca, idx),      op(M::oraa, idx),      op(M::adda, idx),
                 op(M::cmpx, idx),     op(M::jsr, idx),       op(M::lds, idx),       op(M::sts, idx),
        /* Bx */ op(M::suba, ext),     op(M::cmpa, ext),      op(M::sbca, ext),      later(M::subd, ext),
                 op(M::anda, ext),     op(M::bita, ext),      op(M::ldaa, ext),      op(M::staa, ext),
                 op(M::eora, ext),     op(M::adca, ext),      op(M::oraa, ext),      op(M::adda, ext),
                 op(M::cmpx, ext),     op(M::jsr, ext),       op(M::lds, ext),       op(M::sts, ext),
        /* Cx */ op(M::subb, imm8),    op(M::cmpb, imm8),     op(M::sbcb, imm8),     later(M::addd, imm16),
                 op(M::andb, imm8),    op(M::bitb, imm8),     op(M::ldab, imm8),     op(M::stab, imm8),
                 op(M::eorb, imm8),    op(M::adcb, imm8),     op(M::orab, imm8),     op(M::addb, imm8),
                 later(M::ldd, imm16), none,                  op(M::ldx, imm16),     op(M::stx, imm16),
        /* Dx */ op(M::subb, dir),     op(M::cmpb, dir),      op(M::sbcb, dir),      later(M::addd, dir),
                 op(M::andb, dir),     op(M::bitb, dir),      op(M::ldab, dir),      op(M::stab, dir),
                 op(M::eorb, dir),     op(M::adcb, dir),      op(M::orab, dir),      op(M::addb, dir),
                 later(M::ldd, dir),   later(M::std, dir),    op(M::ldx, dir),       op(M::stx, dir),
        /* Ex */ op(M::subb, idx),     op(M::cmpb, idx),      op(M::sbcb, idx),      later(M::addd, idx),
                 op(M::andb, idx),     op(M::bitb, idx),      op(M::ldab, idx),      op(M::stab, idx),
                 op(M::eorb, idx),     op(M::adcb, idx),      op(M::orab, idx),      op(M::addb, idx),
                 later(M::ldd, idx),   later(M::std, idx),    op(M::ldx, idx),       op(M::stx, idx),
        /* Fx */ op(M::subb, ext),     op(M::cmpb, ext),      op(M::sbcb, ext),      later(M::addd, ext),
                 op(M::andb, ext),     op(M::bitb, ext),      op(M::ldab, ext),      op(M::stab, ext),
                 op(M::eorb, ext),     op(M::adcb, ext),      op(M::orab, ext),      op(M::addb, ext),
                 later(M::ldd, ext),   later(M::std, ext),    op(M::ldx, ext),       op(M::stx, ext),
    }};
}();

inline constexpr std::string_view mnemonic_name(Mn m) {
    return mnemonic_names[static_cast<uint8_t>(m)];
}

inline constexpr bool opcode_is_6800(uint8_t opcode) {
    return (opcode_table[opcode].validity & opcode_not_6800) == 0;
}

// The 6800 has 197 documented opcodes; with the six extras above, 203.
static_assert([] {
    int valid = 0;
    for (const OpcodeInfo& e : opcode_table) valid += (e.validity & opcode_not_6800) == 0;
    return valid == 203;
}());

}  // namespace m6800

// The 6800 opcode map as the processor, the debugger's disassembler and the
// apfasm assembler read it: for each of the 256 opcodes a mnemonic number, an
// addressing mode, a validity mask and the cycles the processor charges, plus
// the 128 mnemonic spellings.
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
// Cycles are the data sheet's for every documented instruction. The six
// extras, the later family members' opcodes and the opcodes nobody defines
// cost nothing: the processor charges them 0 cycles, as the machine's
// software base has always been timed against.
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

// Four bytes, so the processor finds an opcode's cycles with one indexed load.
struct OpcodeInfo {
    Mn mnemonic;
    AddressMode mode;
    uint8_t validity;
    uint8_t cycles;  // charged by the processor; 0 for every opcode outside the data sheet
};
static_assert(sizeof(OpcodeInfo) == 4);

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

// A 6800 instruction of the data sheet and its cycle count.
constexpr OpcodeInfo op(Mn m, AddressMode mode, uint8_t cycles) { return {m, mode, 0, cycles}; }
// One of the six extras the machine's software relies on: valid, free.
constexpr OpcodeInfo extra(Mn m, AddressMode mode) { return {m, mode, 0, 0}; }
// An opcode of the later family members only (6801/6803, 6303).
constexpr OpcodeInfo later(Mn m, AddressMode mode) { return {m, mode, opcode_not_6800, 0}; }
// An opcode no family member defines.
constexpr OpcodeInfo none = {Mn::illegal, AddressMode::inherent, opcode_not_6800, 0};

using M = Mn;

}  // namespace opcode_map

// Indexed by opcode; rows of 16 as in the data sheet's opcode map.
inline constexpr std::array<OpcodeInfo, 256> opcode_table = [] {
    using namespace opcode_map;
    return std::array<OpcodeInfo, 256>{{
        /* 0x */ none,                   op(M::nop, inh, 2),     none,                   none,
                 later(M::lsrd, inh),    later(M::asld, inh),    op(M::tap, inh, 2),     op(M::tpa, inh, 2),
                 op(M::inx, inh, 4),     op(M::dex, inh, 4),     op(M::clv, inh, 2),     op(M::sev, inh, 2),
                 op(M::clc, inh, 2),     op(M::sec, inh, 2),     op(M::cli, inh, 2),     op(M::sei, inh, 2),
        /* 1x */ op(M::sba, inh, 2),     op(M::cba, inh, 2),     later(M::asx1, stk),    later(M::asx2, stk),
                 none,                   none,                   op(M::tab, inh, 2),     op(M::tba, inh, 2),
                 later(M::xgdx, inh),    op(M::daa, inh, 2),     none,                   op(M::aba, inh, 2),
                 none,                   none,                   none,                   none,
        /* 2x */ op(M::bra, rel, 4),     extra(M::brn, rel),     op(M::bhi, rel, 4),     op(M::bls, rel, 4),
                 op(M::bcc, rel, 4),     op(M::bcs, rel, 4),     op(M::bne, rel, 4),     op(M::beq, rel, 4),
                 op(M::bvc, rel, 4),     op(M::bvs, rel, 4),     op(M::bpl, rel, 4),     op(M::bmi, rel, 4),
                 op(M::bge, rel, 4),     op(M::blt, rel, 4),     op(M::bgt, rel, 4),     op(M::ble, rel, 4),
        /* 3x */ op(M::tsx, inh, 4),     op(M::ins, inh, 4),     op(M::pula, inh, 4),    op(M::pulb, inh, 4),
                 op(M::des, inh, 4),     op(M::txs, inh, 4),     op(M::psha, inh, 4),    op(M::pshb, inh, 4),
                 later(M::pulx, inh),    op(M::rts, inh, 5),     later(M::abx, inh),     op(M::rti, inh, 10),
                 later(M::pshx, inh),    later(M::mul, inh),     op(M::wai, inh, 9),     op(M::swi, inh, 12),
        /* 4x */ op(M::nega, inh, 2),    none,                   none,                   op(M::coma, inh, 2),
                 op(M::lsra, inh, 2),    none,                   op(M::rora, inh, 2),    op(M::asra, inh, 2),
                 op(M::asla, inh, 2),    op(M::rola, inh, 2),    op(M::deca, inh, 2),    none,
                 op(M::inca, inh, 2),    op(M::tsta, inh, 2),    none,                   op(M::clra, inh, 2),
        /* 5x */ op(M::negb, inh, 2),    none,                   none,                   op(M::comb, inh, 2),
                 op(M::lsrb, inh, 2),    none,                   op(M::rorb, inh, 2),    op(M::asrb, inh, 2),
                 op(M::aslb, inh, 2),    op(M::rolb, inh, 2),    op(M::decb, inh, 2),    none,
                 op(M::incb, inh, 2),    op(M::tstb, inh, 2),    none,                   op(M::clrb, inh, 2),
        /* 6x */ op(M::neg, idx, 7),     later(M::aim, immidx),  later(M::oim, immidx),  op(M::com, idx, 7),
                 op(M::lsr, idx, 7),     later(M::eim, immidx),  op(M::ror, idx, 7),     op(M::asr, idx, 7),
                 op(M::asl, idx, 7),     op(M::rol, idx, 7),     op(M::dec, idx, 7),     later(M::tim, immidx),
                 op(M::inc, idx, 7),     op(M::tst, idx, 7),     op(M::jmp, idx, 4),     op(M::clr, idx, 7),
        /* 7x */ op(M::neg, ext, 6),     later(M::aim, immdir),  later(M::oim, immdir),  op(M::com, ext, 6),
                 op(M::lsr, ext, 6),     later(M::eim, immdir),  op(M::ror, ext, 6),     op(M::asr, ext, 6),
                 op(M::asl, ext, 6),     op(M::rol, ext, 6),     op(M::dec, ext, 6),     later(M::tim, immdir),
                 op(M::inc, ext, 6),     op(M::tst, ext, 6),     op(M::jmp, ext, 3),     op(M::clr, ext, 6),
        /* 8x */ op(M::suba, imm8, 2),   op(M::cmpa, imm8, 2),   op(M::sbca, imm8, 2),   later(M::subd, imm16),
                 op(M::anda, imm8, 2),   op(M::bita, imm8, 2),   op(M::ldaa, imm8, 2),   extra(M::staa, imm8),
                 op(M::eora, imm8, 2),   op(M::adca, imm8, 2),   op(M::oraa, imm8, 2),   op(M::adda, imm8, 2),
                 op(M::cmpx, imm16, 3),  op(M::bsr, rel, 8),     op(M::lds, imm16, 3),   extra(M::sts, imm16),
        /* 9x */ op(M::suba, dir, 3),    op(M::cmpa, dir, 3),    op(M::sbca, dir, 3),    later(M::subd, dir),
                 op(M::anda, dir, 3),    op(M::bita, dir, 3),    op(M::ldaa, dir, 3),    op(M::staa, dir, 4),
                 op(M::eora, dir, 3),    op(M::adca, dir, 3),    op(M::oraa, dir, 3),    op(M::adda, dir, 3),
                 op(M::cmpx, dir, 4),    extra(M::jsr, dir),     op(M::lds, dir, 4),     op(M::sts, dir, 5),
        /* Ax */ op(M::suba, idx, 5),    op(M::cmpa, idx, 5),    op(M::sbca, idx, 5),    later(M::subd, idx),
                 op(M::anda, idx, 5),    op(M::bita, idx, 5),    op(M::ldaa, idx, 5),    op(M::staa, idx, 6),
                 op(M::eora, idx, 5),    op(M::adca, idx, 5),    op(M::oraa, idx, 5),    op(M::adda, idx, 5),
                 op(M::cmpx, idx, 6),    op(M::jsr, idx, 8),     op(M::lds, idx, 6),     op(M::sts, idx, 7),
        /* Bx */ op(M::suba, ext, 4),    op(M::cmpa, ext, 4),    op(M::sbca, ext, 4),    later(M::subd, ext),
                 op(M::anda, ext, 4),    op(M::bita, ext, 4),    op(M::ldaa, ext, 4),    op(M::staa, ext, 5),
                 op(M::eora, ext, 4),    op(M::adca, ext, 4),    op(M::oraa, ext, 4),    op(M::adda, ext, 4),
                 op(M::cmpx, ext, 5),    op(M::jsr, ext, 9),     op(M::lds, ext, 5),     op(M::sts, ext, 6),
        /* Cx */ op(M::subb, imm8, 2),   op(M::cmpb, imm8, 2),   op(M::sbcb, imm8, 2),   later(M::addd, imm16),
                 op(M::andb, imm8, 2),   op(M::bitb, imm8, 2),   op(M::ldab, imm8, 2),   extra(M::stab, imm8),
                 op(M::eorb, imm8, 2),   op(M::adcb, imm8, 2),   op(M::orab, imm8, 2),   op(M::addb, imm8, 2),
                 later(M::ldd, imm16),   none,                   op(M::ldx, imm16, 3),   extra(M::stx, imm16),
        /* Dx */ op(M::subb, dir, 3),    op(M::cmpb, dir, 3),    op(M::sbcb, dir, 3),    later(M::addd, dir),
                 op(M::andb, dir, 3),    op(M::bitb, dir, 3),    op(M::ldab, dir, 3),    op(M::stab, dir, 4),
                 op(M::eorb, dir, 3),    op(M::adcb, dir, 3),    op(M::orab, dir, 3),    op(M::addb, dir, 3),
                 later(M::ldd, dir),     later(M::std, dir),     op(M::ldx, dir, 4),     op(M::stx, dir, 5),
        /* Ex */ op(M::subb, idx, 5),    op(M::cmpb, idx, 5),    op(M::sbcb, idx, 5),    later(M::addd, idx),
                 op(M::andb, idx, 5),    op(M::bitb, idx, 5),    op(M::ldab, idx, 5),    op(M::stab, idx, 6),
                 op(M::eorb, idx, 5),    op(M::adcb, idx, 5),    op(M::orab, idx, 5),    op(M::addb, idx, 5),
                 later(M::ldd, idx),     later(M::std, idx),     op(M::ldx, idx, 6),     op(M::stx, idx, 7),
        /* Fx */ op(M::subb, ext, 4),    op(M::cmpb, ext, 4),    op(M::sbcb, ext, 4),    later(M::addd, ext),
                 op(M::andb, ext, 4),    op(M::bitb, ext, 4),    op(M::ldab, ext, 4),    op(M::stab, ext, 5),
                 op(M::eorb, ext, 4),    op(M::adcb, ext, 4),    op(M::orab, ext, 4),    op(M::addb, ext, 4),
                 later(M::ldd, ext),     later(M::std, ext),     op(M::ldx, ext, 5),     op(M::stx, ext, 6),
    }};
}();

inline constexpr std::string_view mnemonic_name(Mn m) {
    return mnemonic_names[static_cast<uint8_t>(m)];
}

inline constexpr bool opcode_is_6800(uint8_t opcode) {
    return (opcode_table[opcode].validity & opcode_not_6800) == 0;
}

// The 6800 has 197 documented opcodes; with the six extras above, 203. Only
// the 197 cost cycles.
static_assert([] {
    int valid = 0;
    int timed = 0;
    for (const OpcodeInfo& e : opcode_table) {
        valid += (e.validity & opcode_not_6800) == 0;
        timed += e.cycles != 0;
    }
    return valid == 203 && timed == 197;
}());

}  // namespace m6800

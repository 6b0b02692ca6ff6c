// mirla's MC6800 core.
//
// Emulated: the 197 opcodes of the MC6800 data sheet with their published
// cycle counts, plus 00 and 02 as NOP; every other opcode is counted as
// undefined and skipped as a 1-byte, 2-cycle instruction. There is one
// interrupt, the frame interrupt, a level taken only at the check points the
// run loop calls; no NMI, no IRQ pin, and no cycle-by-cycle bus timing.
//
// Where this core departs from the MC6800 manual, on purpose:
// - SWI and WAI spend their 12 and 9 cycles and do nothing else: no stacking,
//   no vector fetch, no waiting. A program on these machines gets no service
//   from them.
// - CPX sets N, Z and V from the whole 16-bit subtraction (the manual's
//   high-byte-only rule is not used) and leaves C alone.
// - LSR sets V to bit 7 of the operand, ASR clears V, ROR sets V to bit 7 xor
//   bit 6 of the result (the manual has V = N xor C for all three).
// - DAA clears V (the manual leaves it undefined).
// - Every store, and CLR on memory, reads its operand address first and
//   discards the value, so a device that changes state on a read sees one.
// - Reset leaves I clear.
//
// Opcode and immediate fetches, and the offset and address bytes of direct,
// indexed, extended and relative operands, read the memory image directly;
// data operands, the stack and the vectors go through the mapped access.
#include "cpu/cpu.h"

#include <cstdio>

#include "common/file_util.h"
#include "machine/bus.h"

namespace mirla {

namespace {

// ---- fetches and operands ----

uint8_t fetch8(Machine& m) { return m.memory_image[m.cpu.pc++]; }

uint16_t fetch16(Machine& m) {
    const uint8_t high = fetch8(m);
    return static_cast<uint16_t>(high << 8 | fetch8(m));
}

uint16_t read16(Machine& m, uint16_t address) {
    const uint8_t high = mem_read(m, address);
    return static_cast<uint16_t>(high << 8 | mem_read(m, static_cast<uint16_t>(address + 1)));
}

// The operand address of the opcode's mode, from opcode bits 5-4: 01 direct,
// 10 indexed, 11 extended. Stored in EA.
uint16_t operand_address(Machine& m) {
    CpuState& c = m.cpu;
    switch ((c.opcode >> 4) & 3) {
        case 1: c.ea = fetch8(m); break;
        case 2: c.ea = static_cast<uint16_t>(c.x + fetch8(m)); break;
        default: c.ea = fetch16(m); break;
    }
    return c.ea;
}

// An 8-bit operand: immediate (mode 00) or read through the mapped access.
uint8_t operand8(Machine& m) {
    if (((m.cpu.opcode >> 4) & 3) == 0) return fetch8(m);
    return mem_read(m, operand_address(m));
}

uint16_t operand16(Machine& m) {
    if (((m.cpu.opcode >> 4) & 3) == 0) return fetch16(m);
    return read16(m, operand_address(m));
}

// Stack: a push writes at SP, then lowers it; a pull raises SP, then reads.
void push8(Machine& m, uint8_t v) {
    mem_write(m, m.cpu.sp, v);
    --m.cpu.sp;
}

void push16(Machine& m, uint16_t v) {
    push8(m, static_cast<uint8_t>(v));
    push8(m, static_cast<uint8_t>(v >> 8));
}

uint8_t pull8(Machine& m) {
    ++m.cpu.sp;
    return mem_read(m, m.cpu.sp);
}

uint16_t pull16(Machine& m) {
    const uint8_t high = pull8(m);
    return static_cast<uint16_t>(high << 8 | pull8(m));
}

// ---- flags ----

void set_flags(CpuState& c, uint16_t mask, uint16_t bits) {
    c.cw = static_cast<uint16_t>((c.cw & ~mask) | bits);
}

constexpr uint16_t nz8(uint8_t r) { return static_cast<uint16_t>((r & 0x80 ? cw_n : 0) | (r == 0 ? cw_z : 0)); }
constexpr uint16_t nz16(uint16_t r) {
    return static_cast<uint16_t>((r & 0x8000 ? cw_n : 0) | (r == 0 ? cw_z : 0));
}

uint8_t alu_add(CpuState& c, uint8_t a, uint8_t b, unsigned carry) {
    const unsigned r = a + b + carry;
    const auto r8 = static_cast<uint8_t>(r);
    set_flags(c, cw_h | cw_n | cw_z | cw_v | cw_c,
              static_cast<uint16_t>(((a ^ b ^ r) & 0x10 ? cw_h : 0) | nz8(r8) |
                                    ((a ^ r) & (b ^ r) & 0x80 ? cw_v : 0) | (r > 0xFF ? cw_c : 0)));
    return r8;
}

// SUB, SBC, CMP, SBA, CBA: C is the borrow, H stays.
uint8_t alu_sub(CpuState& c, uint8_t a, uint8_t b, unsigned carry) {
    const unsigned r = a - b - carry;
    const auto r8 = static_cast<uint8_t>(r);
    set_flags(c, cw_n | cw_z | cw_v | cw_c,
              static_cast<uint16_t>(nz8(r8) | ((a ^ b) & (a ^ r) & 0x80 ? cw_v : 0) |
                                    (r > 0xFF ? cw_c : 0)));
    return r8;
}

// Loads, stores, logic, TAB, TBA: N and Z from the value, V cleared.
uint8_t logic(CpuState& c, uint8_t r) {
    set_flags(c, cw_n | cw_z | cw_v, nz8(r));
    return r;
}

uint16_t logic16(CpuState& c, uint16_t r) {
    set_flags(c, cw_n | cw_z | cw_v, nz16(r));
    return r;
}

unsigned carry_of(const CpuState& c) { return c.cw & cw_c; }

// The read-modify-write operations, shared by accumulator and memory forms.
uint8_t op_neg(CpuState& c, uint8_t v) {
    const auto r = static_cast<uint8_t>(-v);
    set_flags(c, cw_n | cw_z | cw_v | cw_c,
              static_cast<uint16_t>(nz8(r) | (r == 0x80 ? cw_v : 0) | (r != 0 ? cw_c : 0)));
    return r;
}

uint8_t op_com(CpuState& c, uint8_t v) {
    const auto r = static_cast<uint8_t>(~v);
    set_flags(c, cw_n | cw_z | cw_v | cw_c, static_cast<uint16_t>(nz8(r) | cw_c));
    return r;
}

uint8_t op_lsr(CpuState& c, uint8_t v) {
    const auto r = static_cast<uint8_t>(v >> 1);
    set_flags(c, cw_n | cw_z | cw_v | cw_c,
              static_cast<uint16_t>((r == 0 ? cw_z : 0) | (v & 0x80 ? cw_v : 0) | (v & 1 ? cw_c : 0)));
    return r;
}

uint8_t op_ror(CpuState& c, uint8_t v) {
    const auto r = static_cast<uint8_t>(v >> 1 | carry_of(c) << 7);
    set_flags(c, cw_n | cw_z | cw_v | cw_c,
              static_cast<uint16_t>(nz8(r) | (((r >> 7) ^ (r >> 6)) & 1 ? cw_v : 0) | (v & 1 ? cw_c : 0)));
    return r;
}

uint8_t op_asr(CpuState& c, uint8_t v) {
    const auto r = static_cast<uint8_t>(v >> 1 | (v & 0x80));
    set_flags(c, cw_n | cw_z | cw_v | cw_c, static_cast<uint16_t>(nz8(r) | (v & 1 ? cw_c : 0)));
    return r;
}

// ASL and ROL: C is bit 7 of the operand, V = N xor C.
uint8_t shift_left(CpuState& c, uint8_t v, unsigned in) {
    const auto r = static_cast<uint8_t>(v << 1 | in);
    const bool carry = v & 0x80;
    const bool negative = r & 0x80;
    set_flags(c, cw_n | cw_z | cw_v | cw_c,
              static_cast<uint16_t>(nz8(r) | (carry != negative ? cw_v : 0) | (carry ? cw_c : 0)));
    return r;
}

uint8_t op_asl(CpuState& c, uint8_t v) { return shift_left(c, v, 0); }
uint8_t op_rol(CpuState& c, uint8_t v) { return shift_left(c, v, carry_of(c)); }

uint8_t op_dec(CpuState& c, uint8_t v) {
    const auto r = static_cast<uint8_t>(v - 1);
    set_flags(c, cw_n | cw_z | cw_v, static_cast<uint16_t>(nz8(r) | (r == 0x7F ? cw_v : 0)));
    return r;
}

uint8_t op_inc(CpuState& c, uint8_t v) {
    const auto r = static_cast<uint8_t>(v + 1);
    set_flags(c, cw_n | cw_z | cw_v, static_cast<uint16_t>(nz8(r) | (r == 0x80 ? cw_v : 0)));
    return r;
}

uint8_t op_tst(CpuState& c, uint8_t v) {
    set_flags(c, cw_n | cw_z | cw_v | cw_c, nz8(v));
    return v;
}

uint8_t op_clr(CpuState& c, uint8_t) {
    set_flags(c, cw_n | cw_z | cw_v | cw_c, cw_z);
    return 0;
}

using UnaryOp = uint8_t (*)(CpuState&, uint8_t);

// ---- instruction routines ----

using Routine = void (*)(Machine&);

void r_nop(Machine&) {}

void r_undefined(Machine& m) {
    UndefinedOpcodes& u = m.undefined;
    ++u.counts[m.cpu.opcode];
    u.label_visible = true;
    u.last_address = static_cast<uint16_t>(m.cpu.pc - 1);
    u.last_opcode = m.cpu.opcode;
}

void r_tap(Machine& m) { m.cpu.cw = cpu_condition_word(m.cpu.a, m.cpu.cw); }
void r_tpa(Machine& m) { m.cpu.a = cpu_condition_byte(m.cpu.cw); }

void r_inx(Machine& m) {
    ++m.cpu.x;
    set_flags(m.cpu, cw_z, m.cpu.x == 0 ? cw_z : 0);
}

void r_dex(Machine& m) {
    --m.cpu.x;
    set_flags(m.cpu, cw_z, m.cpu.x == 0 ? cw_z : 0);
}

void r_clv(Machine& m) { m.cpu.cw &= static_cast<uint16_t>(~cw_v); }
void r_sev(Machine& m) { m.cpu.cw |= cw_v; }
void r_clc(Machine& m) { m.cpu.cw &= static_cast<uint16_t>(~cw_c); }
void r_sec(Machine& m) { m.cpu.cw |= cw_c; }
void r_cli(Machine& m) { m.cpu.cw &= static_cast<uint16_t>(~cw_i); }
void r_sei(Machine& m) { m.cpu.cw |= cw_i; }

void r_sba(Machine& m) { m.cpu.a = alu_sub(m.cpu, m.cpu.a, m.cpu.b, 0); }
void r_cba(Machine& m) { alu_sub(m.cpu, m.cpu.a, m.cpu.b, 0); }
void r_tab(Machine& m) { m.cpu.b = logic(m.cpu, m.cpu.a); }
void r_tba(Machine& m) { m.cpu.a = logic(m.cpu, m.cpu.b); }
void r_aba(Machine& m) { m.cpu.a = alu_add(m.cpu, m.cpu.a, m.cpu.b, 0); }

// The correction is 06 for a low digit above 9 or a half carry, plus 60 for
// a high digit above 9 (or 9 with a low digit above 9) or a carry; C stays
// set once set.
void r_daa(Machine& m) {
    CpuState& c = m.cpu;
    const uint8_t a = c.a;
    const unsigned low = a & 0x0F;
    const unsigned high = a >> 4;
    unsigned correction = 0;
    if (low > 9 || (c.cw & cw_h)) correction |= 0x06;
    if (high > 9 || (high == 9 && low > 9) || (c.cw & cw_c)) correction |= 0x60;
    const unsigned r = a + correction;
    c.a = static_cast<uint8_t>(r);
    set_flags(c, cw_n | cw_z | cw_v | cw_c,
              static_cast<uint16_t>(nz8(c.a) | ((c.cw & cw_c) || r > 0xFF ? cw_c : 0)));
}

// BRA and the conditional branches: the condition from the opcode's low
// nibble, as on the data sheet's map.
bool branch_taken(uint16_t cw, uint8_t opcode) {
    const bool c = cw & cw_c;
    const bool z = cw & cw_z;
    const bool n = cw & cw_n;
    const bool v = cw & cw_v;
    switch (opcode & 0x0F) {
        case 0x0: return true;             // bra
        case 0x2: return !(c || z);        // bhi
        case 0x3: return c || z;           // bls
        case 0x4: return !c;               // bcc
        case 0x5: return c;                // bcs
        case 0x6: return !z;               // bne
        case 0x7: return z;                // beq
        case 0x8: return !v;               // bvc
        case 0x9: return v;                // bvs
        case 0xA: return !n;               // bpl
        case 0xB: return n;                // bmi
        case 0xC: return n == v;           // bge
        case 0xD: return n != v;           // blt
        case 0xE: return !z && n == v;     // bgt
        default: return z || n != v;       // ble
    }
}

void r_branch(Machine& m) {
    const auto offset = static_cast<int8_t>(fetch8(m));
    if (branch_taken(m.cpu.cw, m.cpu.opcode)) m.cpu.pc = static_cast<uint16_t>(m.cpu.pc + offset);
}

void r_tsx(Machine& m) { m.cpu.x = static_cast<uint16_t>(m.cpu.sp + 1); }
void r_txs(Machine& m) { m.cpu.sp = static_cast<uint16_t>(m.cpu.x - 1); }
void r_ins(Machine& m) { ++m.cpu.sp; }
void r_des(Machine& m) { --m.cpu.sp; }
void r_pula(Machine& m) { m.cpu.a = pull8(m); }
void r_pulb(Machine& m) { m.cpu.b = pull8(m); }
void r_psha(Machine& m) { push8(m, m.cpu.a); }
void r_pshb(Machine& m) { push8(m, m.cpu.b); }
void r_rts(Machine& m) { m.cpu.pc = pull16(m); }

void r_rti(Machine& m) {
    CpuState& c = m.cpu;
    c.cw = cpu_condition_word(pull8(m), c.cw);
    c.b = pull8(m);
    c.a = pull8(m);
    c.x = pull16(m);
    c.pc = pull16(m);
}

// WAI and SWI: cycles only (see the opening comment).
void r_wai(Machine&) {}
void r_swi(Machine&) {}

// Accumulator forms 4x (A) and 5x (B).
template <UnaryOp op>
void r_acc_unary(Machine& m) {
    uint8_t& r = (m.cpu.opcode & 0x10) ? m.cpu.b : m.cpu.a;
    r = op(m.cpu, r);
}

// Memory forms 6x (indexed) and 7x (extended): read, operate, write back.
template <UnaryOp op>
void r_mem_unary(Machine& m) {
    const uint16_t address = operand_address(m);
    mem_write(m, address, op(m.cpu, mem_read(m, address)));
}

void r_mem_tst(Machine& m) { op_tst(m.cpu, mem_read(m, operand_address(m))); }
void r_jmp(Machine& m) { m.cpu.pc = operand_address(m); }

// Accumulator ALU instructions, one routine for the four modes; use_b picks
// B (Cx-Fx) over A (8x-Bx).
template <bool use_b>
uint8_t& acc(CpuState& c) {
    return use_b ? c.b : c.a;
}

template <bool use_b> void r_sub(Machine& m) { acc<use_b>(m.cpu) = alu_sub(m.cpu, acc<use_b>(m.cpu), operand8(m), 0); }
template <bool use_b> void r_cmp(Machine& m) { alu_sub(m.cpu, acc<use_b>(m.cpu), operand8(m), 0); }
template <bool use_b> void r_sbc(Machine& m) {
    const uint8_t v = operand8(m);
    acc<use_b>(m.cpu) = alu_sub(m.cpu, acc<use_b>(m.cpu), v, carry_of(m.cpu));
}
template <bool use_b> void r_and(Machine& m) { acc<use_b>(m.cpu) = logic(m.cpu, acc<use_b>(m.cpu) & operand8(m)); }
template <bool use_b> void r_bit(Machine& m) { logic(m.cpu, acc<use_b>(m.cpu) & operand8(m)); }
template <bool use_b> void r_lda(Machine& m) { acc<use_b>(m.cpu) = logic(m.cpu, operand8(m)); }
template <bool use_b> void r_eor(Machine& m) { acc<use_b>(m.cpu) = logic(m.cpu, acc<use_b>(m.cpu) ^ operand8(m)); }
template <bool use_b> void r_ora(Machine& m) { acc<use_b>(m.cpu) = logic(m.cpu, acc<use_b>(m.cpu) | operand8(m)); }
template <bool use_b> void r_adc(Machine& m) {
    const uint8_t v = operand8(m);
    acc<use_b>(m.cpu) = alu_add(m.cpu, acc<use_b>(m.cpu), v, carry_of(m.cpu));
}
template <bool use_b> void r_add(Machine& m) { acc<use_b>(m.cpu) = alu_add(m.cpu, acc<use_b>(m.cpu), operand8(m), 0); }

// Stores read their operand first, then write.
template <bool use_b>
void r_sta(Machine& m) {
    const uint16_t address = operand_address(m);
    (void)mem_read(m, address);
    mem_write(m, address, logic(m.cpu, acc<use_b>(m.cpu)));
}

void store16(Machine& m, uint16_t value) {
    const uint16_t address = operand_address(m);
    (void)read16(m, address);
    logic16(m.cpu, value);
    mem_write(m, address, static_cast<uint8_t>(value >> 8));
    mem_write(m, static_cast<uint16_t>(address + 1), static_cast<uint8_t>(value));
}

void r_cpx(Machine& m) {
    CpuState& c = m.cpu;
    const uint16_t v = operand16(m);
    const auto r = static_cast<uint16_t>(c.x - v);
    set_flags(c, cw_n | cw_z | cw_v,
              static_cast<uint16_t>(nz16(r) | ((c.x ^ v) & (c.x ^ r) & 0x8000 ? cw_v : 0)));
}

void r_lds(Machine& m) { m.cpu.sp = logic16(m.cpu, operand16(m)); }
void r_ldx(Machine& m) { m.cpu.x = logic16(m.cpu, operand16(m)); }
void r_sts(Machine& m) { store16(m, m.cpu.sp); }
void r_stx(Machine& m) { store16(m, m.cpu.x); }

void r_bsr(Machine& m) {
    const auto offset = static_cast<int8_t>(fetch8(m));
    push16(m, m.cpu.pc);
    m.cpu.pc = static_cast<uint16_t>(m.cpu.pc + offset);
}

void r_jsr(Machine& m) {
    const uint16_t target = operand_address(m);
    push16(m, m.cpu.pc);
    m.cpu.pc = target;
}

// ---- the tables ----

template <bool use_b>
constexpr void fill_alu(std::array<Routine, 256>& t, int base) {
    for (int mode = 0; mode < 4; ++mode) {
        const int o = base + mode * 0x10;
        t[o + 0x0] = r_sub<use_b>;
        t[o + 0x1] = r_cmp<use_b>;
        t[o + 0x2] = r_sbc<use_b>;
        t[o + 0x4] = r_and<use_b>;
        t[o + 0x5] = r_bit<use_b>;
        t[o + 0x6] = r_lda<use_b>;
        if (mode != 0) t[o + 0x7] = r_sta<use_b>;
        t[o + 0x8] = r_eor<use_b>;
        t[o + 0x9] = r_adc<use_b>;
        t[o + 0xA] = r_ora<use_b>;
        t[o + 0xB] = r_add<use_b>;
    }
}

constexpr std::array<Routine, 256> make_dispatch() {
    std::array<Routine, 256> t{};
    for (auto& r : t) r = r_undefined;
    /* 0x */
    t[0x00] = r_nop; t[0x01] = r_nop; t[0x02] = r_nop;
    t[0x06] = r_tap; t[0x07] = r_tpa; t[0x08] = r_inx; t[0x09] = r_dex;
    t[0x0A] = r_clv; t[0x0B] = r_sev; t[0x0C] = r_clc; t[0x0D] = r_sec; t[0x0E] = r_cli; t[0x0F] = r_sei;
    /* 1x */
    t[0x10] = r_sba; t[0x11] = r_cba; t[0x16] = r_tab; t[0x17] = r_tba; t[0x19] = r_daa; t[0x1B] = r_aba;
    /* 2x */
    t[0x20] = r_branch;
    for (int o = 0x22; o <= 0x2F; ++o) t[o] = r_branch;
    /* 3x */
    t[0x30] = r_tsx; t[0x31] = r_ins; t[0x32] = r_pula; t[0x33] = r_pulb;
    t[0x34] = r_des; t[0x35] = r_txs; t[0x36] = r_psha; t[0x37] = r_pshb;
    t[0x39] = r_rts; t[0x3B] = r_rti; t[0x3E] = r_wai; t[0x3F] = r_swi;
    /* 4x 5x */
    for (int base : {0x40, 0x50}) {
        t[base + 0x0] = r_acc_unary<op_neg>;
        t[base + 0x3] = r_acc_unary<op_com>;
        t[base + 0x4] = r_acc_unary<op_lsr>;
        t[base + 0x6] = r_acc_unary<op_ror>;
        t[base + 0x7] = r_acc_unary<op_asr>;
        t[base + 0x8] = r_acc_unary<op_asl>;
        t[base + 0x9] = r_acc_unary<op_rol>;
        t[base + 0xA] = r_acc_unary<op_dec>;
        t[base + 0xC] = r_acc_unary<op_inc>;
        t[base + 0xD] = r_acc_unary<op_tst>;
        t[base + 0xF] = r_acc_unary<op_clr>;
    }
    /* 6x 7x */
    for (int base : {0x60, 0x70}) {
        t[base + 0x0] = r_mem_unary<op_neg>;
        t[base + 0x3] = r_mem_unary<op_com>;
        t[base + 0x4] = r_mem_unary<op_lsr>;
        t[base + 0x6] = r_mem_unary<op_ror>;
        t[base + 0x7] = r_mem_unary<op_asr>;
        t[base + 0x8] = r_mem_unary<op_asl>;
        t[base + 0x9] = r_mem_unary<op_rol>;
        t[base + 0xA] = r_mem_unary<op_dec>;
        t[base + 0xC] = r_mem_unary<op_inc>;
        t[base + 0xD] = r_mem_tst;
        t[base + 0xE] = r_jmp;
        t[base + 0xF] = r_mem_unary<op_clr>;
    }
    /* 8x-Bx, Cx-Fx */
    fill_alu<false>(t, 0x80);
    fill_alu<true>(t, 0xC0);
    for (int o : {0x8C, 0x9C, 0xAC, 0xBC}) t[o] = r_cpx;
    for (int o : {0x8E, 0x9E, 0xAE, 0xBE}) t[o] = r_lds;
    for (int o : {0x9F, 0xAF, 0xBF}) t[o] = r_sts;
    for (int o : {0xCE, 0xDE, 0xEE, 0xFE}) t[o] = r_ldx;
    for (int o : {0xDF, 0xEF, 0xFF}) t[o] = r_stx;
    t[0x8D] = r_bsr;
    t[0xAD] = r_jsr;
    t[0xBD] = r_jsr;
    return t;
}

constexpr std::array<Routine, 256> dispatch_table = make_dispatch();

// Rows of 16 as on the data sheet's map; 2 in every undefined place.
constexpr std::array<uint8_t, 256> cycles = {
    /* 0x */ 2, 2, 2, 2, 2, 2, 2, 2, 4, 4, 2, 2, 2, 2, 2, 2,
    /* 1x */ 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    /* 2x */ 4, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    /* 3x */ 4, 4, 4, 4, 4, 4, 4, 4, 2, 5, 2, 10, 2, 2, 9, 12,
    /* 4x */ 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    /* 5x */ 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    /* 6x */ 7, 2, 2, 7, 7, 2, 7, 7, 7, 7, 7, 2, 7, 7, 4, 7,
    /* 7x */ 6, 2, 2, 6, 6, 2, 6, 6, 6, 6, 6, 2, 6, 6, 3, 6,
    /* 8x */ 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 8, 3, 2,
    /* 9x */ 3, 3, 3, 2, 3, 3, 3, 4, 3, 3, 3, 3, 4, 2, 4, 5,
    /* Ax */ 5, 5, 5, 2, 5, 5, 5, 6, 5, 5, 5, 5, 6, 8, 6, 7,
    /* Bx */ 4, 4, 4, 2, 4, 4, 4, 5, 4, 4, 4, 4, 5, 9, 5, 6,
    /* Cx */ 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 2,
    /* Dx */ 3, 3, 3, 2, 3, 3, 3, 4, 3, 3, 3, 3, 2, 2, 4, 5,
    /* Ex */ 5, 5, 5, 2, 5, 5, 5, 6, 5, 5, 5, 5, 2, 2, 6, 7,
    /* Fx */ 4, 4, 4, 2, 4, 4, 4, 5, 4, 4, 4, 4, 2, 2, 5, 6,
};

}  // namespace

const std::array<uint8_t, 256> cycle_table = cycles;

bool cpu_is_undefined(uint8_t opcode) noexcept { return dispatch_table[opcode] == r_undefined; }

uint8_t cpu_condition_byte(uint16_t cw) noexcept {
    return static_cast<uint8_t>(0xC0 | (cw & cw_c ? 0x01 : 0) | (cw & cw_v ? 0x02 : 0) |
                                (cw & cw_z ? 0x04 : 0) | (cw & cw_n ? 0x08 : 0) |
                                (cw & cw_i ? 0x10 : 0) | (cw & cw_h ? 0x20 : 0));
}

uint16_t cpu_condition_word(uint8_t byte, uint16_t old_cw) noexcept {
    return static_cast<uint16_t>((old_cw & cw_reset_bit) | (byte & 0x01 ? cw_c : 0) |
                                 (byte & 0x02 ? cw_v : 0) | (byte & 0x04 ? cw_z : 0) |
                                 (byte & 0x08 ? cw_n : 0) | (byte & 0x10 ? cw_i : 0) |
                                 (byte & 0x20 ? cw_h : 0));
}

void cpu_reset(Machine& m) noexcept {
    CpuState& c = m.cpu;
    c.pc = read16(m, vector_reset);
    c.cw = cw_reset_bit;
    c.cycles_left = 192;
    c.irq_request = false;
    m.key_matrix.fill(0xFF);
    m.apf.graphics_mode = false;
}

int cpu_step(Machine& m) noexcept {
    const uint8_t op = fetch8(m);
    m.cpu.opcode = op;
    dispatch_table[op](m);
    return cycles[op];
}

bool cpu_frame_interrupt_check(Machine& m) noexcept {
    CpuState& c = m.cpu;
    if (!c.irq_request || (c.cw & cw_i)) return false;
    push16(m, c.pc);
    push16(m, c.x);
    push8(m, c.a);
    push8(m, c.b);
    push8(m, cpu_condition_byte(c.cw));
    c.pc = read16(m, vector_irq);
    c.cw |= cw_i;
    c.cycles_left -= 12;
    return true;
}

void undefined_clear(Machine& m) noexcept {
    m.undefined.counts.fill(0);
    m.undefined.label_visible = false;
}

std::string undefined_label_text(const Machine& m) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X: %02X", m.undefined.last_address, m.undefined.last_opcode);
    return text;
}

std::string undefined_list_text(const Machine& m) {
    std::string text;
    text.reserve(256 * 9);
    for (int op = 0; op < 256; ++op) {
        char line[24];
        std::snprintf(line, sizeof line, "%02X%6u\n", op, static_cast<unsigned>(m.undefined.counts[op]));
        text += line;
    }
    return text;
}

bool undefined_write_list(Machine& m, const std::string& path) {
    if (!common::write_file_atomic(path, undefined_list_text(m))) return false;
    undefined_clear(m);
    return true;
}

}  // namespace mirla

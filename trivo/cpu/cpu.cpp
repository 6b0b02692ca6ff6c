// Motorola MC6800 core.
//
// Emulated: the full documented instruction set with the data sheet's flag
// rules and cycle counts, the IRQ and NMI inputs, WAI and SWI, and seven
// undocumented opcodes whose effect programs of the period rely on. Not
// emulated: bus cycles within an instruction (each instruction is atomic and
// charged its total cost), the halt and three-state inputs.
//
// Every byte an instruction touches goes through the bus, including the
// dummy operand read of undefined opcodes, because reads of PIA registers
// have side effects (reading PIA1 port B releases the field-sync IRQ).
#include "cpu/cpu.h"

#include <array>
#include <cstdio>

#include "common/opcode_table.h"
#include "debugger/debugger.h"
#include "machine/bus.h"
#include "machine/machine.h"

namespace trivo {

namespace {

// N, Z and V after INC and DEC, indexed by the 8-bit result. INC overflows
// into 0x80, DEC into 0x7F.
constexpr std::array<uint8_t, 256> make_incdec_flags(uint8_t overflow_result) {
    std::array<uint8_t, 256> t{};
    for (int r = 0; r < 256; ++r) {
        t[r] = static_cast<uint8_t>((r & 0x80 ? cc_n : 0) | (r == 0 ? cc_z : 0) |
                                    (r == overflow_result ? cc_v : 0));
    }
    return t;
}
constexpr auto inc_flags = make_incdec_flags(0x80);
constexpr auto dec_flags = make_incdec_flags(0x7F);

// A run of more free (zero-cost) instructions than this cannot be straight
// code: the address space holds at most 65536 of them in a row, so the
// program is looping through free instructions alone (a JSR-direct to
// itself, or memory full of 0x00 wrapping round). The run then swallows the
// rest of the slice, as a branch to itself does, so every slice ends.
constexpr int free_run_limit = 0x10000;

// ---- memory access -------------------------------------------------------

uint8_t fetch8(Machine& m) { return bus_fetch_operand(m, m.cpu.pc++); }

// Two-byte operands are fetched low byte (pc + 1) first, then high byte.
uint16_t fetch16(Machine& m) {
    const uint16_t pc = m.cpu.pc;
    const uint8_t lo = bus_fetch_operand(m, static_cast<uint16_t>(pc + 1));
    const uint8_t hi = bus_fetch_operand(m, pc);
    m.cpu.pc = static_cast<uint16_t>(pc + 2);
    return static_cast<uint16_t>(hi << 8 | lo);
}

uint16_t read16(Machine& m, uint16_t address) {
    const uint8_t hi = bus_read(m, address);
    const uint8_t lo = bus_read(m, static_cast<uint16_t>(address + 1));
    return static_cast<uint16_t>(hi << 8 | lo);
}

void write16(Machine& m, uint16_t address, uint16_t value) {
    bus_write(m, address, static_cast<uint8_t>(value >> 8));
    bus_write(m, static_cast<uint16_t>(address + 1), static_cast<uint8_t>(value));
}

void push8(Machine& m, uint8_t value) {
    bus_write(m, m.cpu.s, value);
    --m.cpu.s;
}

uint8_t pull8(Machine& m) {
    ++m.cpu.s;
    return bus_read(m, m.cpu.s);
}

void push16(Machine& m, uint16_t value) {
    push8(m, static_cast<uint8_t>(value));
    push8(m, static_cast<uint8_t>(value >> 8));
}

uint16_t pull16(Machine& m) {
    const uint8_t hi = pull8(m);
    const uint8_t lo = pull8(m);
    return static_cast<uint16_t>(hi << 8 | lo);
}

// pc, x, a, b, cc as the 6800 stacks them for SWI, WAI and interrupts. SWI
// and WAI stack cc with bits 7-6 set; IRQ and NMI entry stack cc as it
// stands, which differs only after the register window wrote those bits clear.
void push_all(Machine& m, uint8_t cc) {
    push16(m, m.cpu.pc);
    push16(m, m.cpu.x);
    push8(m, m.cpu.a);
    push8(m, m.cpu.b);
    push8(m, cc);
}

// ---- effective addresses -------------------------------------------------

uint16_t ea_dir(Machine& m) { return m.cpu.ea = fetch8(m); }
uint16_t ea_idx(Machine& m) { return m.cpu.ea = static_cast<uint16_t>(m.cpu.x + fetch8(m)); }
uint16_t ea_ext(Machine& m) { return m.cpu.ea = fetch16(m); }

uint8_t dir8(Machine& m) { return bus_read(m, ea_dir(m)); }
uint8_t idx8(Machine& m) { return bus_read(m, ea_idx(m)); }
uint8_t ext8(Machine& m) { return bus_read(m, ea_ext(m)); }
uint16_t dir16(Machine& m) { return read16(m, ea_dir(m)); }
uint16_t idx16(Machine& m) { return read16(m, ea_idx(m)); }
uint16_t ext16(Machine& m) { return read16(m, ea_ext(m)); }

// ---- flag logic, written once for every register and addressing mode ----

void set_flags(CpuState& c, uint8_t mask, uint8_t bits) {
    c.cc = static_cast<uint8_t>((c.cc & ~mask) | bits);
}

uint8_t nz8(uint8_t r) { return static_cast<uint8_t>((r & 0x80 ? cc_n : 0) | (r == 0 ? cc_z : 0)); }
uint8_t nz16(uint16_t r) {
    return static_cast<uint8_t>((r & 0x8000 ? cc_n : 0) | (r == 0 ? cc_z : 0));
}

uint8_t op_add(CpuState& c, uint8_t a, uint8_t b, int carry) {
    const unsigned r = a + b + carry;
    const uint8_t r8 = static_cast<uint8_t>(r);
    set_flags(c, cc_h | cc_n | cc_z | cc_v | cc_c,
              static_cast<uint8_t>(((a ^ b ^ r) & 0x10 ? cc_h : 0) | nz8(r8) |
                                   ((a ^ r) & (b ^ r) & 0x80 ? cc_v : 0) |
                                   (r > 0xFF ? cc_c : 0)));
    return r8;
}

// SUB, SBC, CMP, SBA, CBA: H is not affected.
uint8_t op_sub(CpuState& c, uint8_t a, uint8_t b, int carry) {
    const unsigned r = a - b - carry;
    const uint8_t r8 = static_cast<uint8_t>(r);
    set_flags(c, cc_n | cc_z | cc_v | cc_c,
              static_cast<uint8_t>(nz8(r8) | ((a ^ b) & (a ^ r) & 0x80 ? cc_v : 0) |
                                   (r > 0xFF ? cc_c : 0)));
    return r8;
}

// Loads, stores and logic: N, Z from the value, V cleared.
uint8_t op_nz(CpuState& c, uint8_t r) {
    set_flags(c, cc_n | cc_z | cc_v, nz8(r));
    return r;
}

uint16_t op_nz16(CpuState& c, uint16_t r) {
    set_flags(c, cc_n | cc_z | cc_v, nz16(r));
    return r;
}

// Shifts and rotates: C is the bit shifted out, V = N xor C.
uint8_t shift_result(CpuState& c, uint8_t r, bool carry) {
    const bool n = r & 0x80;
    set_flags(c, cc_n | cc_z | cc_v | cc_c,
              static_cast<uint8_t>(nz8(r) | (n != carry ? cc_v : 0) | (carry ? cc_c : 0)));
    return r;
}

uint8_t op_asl(CpuState& c, uint8_t v) { return shift_result(c, static_cast<uint8_t>(v << 1), v & 0x80); }
uint8_t op_asr(CpuState& c, uint8_t v) {
    return shift_result(c, static_cast<uint8_t>((v >> 1) | (v & 0x80)), v & 1);
}
uint8_t op_lsr(CpuState& c, uint8_t v) { return shift_result(c, static_cast<uint8_t>(v >> 1), v & 1); }
uint8_t op_rol(CpuState& c, uint8_t v) {
    return shift_result(c, static_cast<uint8_t>((v << 1) | (c.cc & cc_c)), v & 0x80);
}
uint8_t op_ror(CpuState& c, uint8_t v) {
    return shift_result(c, static_cast<uint8_t>((v >> 1) | ((c.cc & cc_c) << 7)), v & 1);
}

uint8_t op_neg(CpuState& c, uint8_t v) {
    const uint8_t r = static_cast<uint8_t>(-v);
    set_flags(c, cc_n | cc_z | cc_v | cc_c,
              static_cast<uint8_t>(nz8(r) | (r == 0x80 ? cc_v : 0) | (r != 0 ? cc_c : 0)));
    return r;
}

uint8_t op_com(CpuState& c, uint8_t v) {
    const uint8_t r = static_cast<uint8_t>(~v);
    set_flags(c, cc_n | cc_z | cc_v | cc_c, static_cast<uint8_t>(nz8(r) | cc_c));
    return r;
}

uint8_t op_inc(CpuState& c, uint8_t v) {
    const uint8_t r = static_cast<uint8_t>(v + 1);
    set_flags(c, cc_n | cc_z | cc_v, inc_flags[r]);
    return r;
}

uint8_t op_dec(CpuState& c, uint8_t v) {
    const uint8_t r = static_cast<uint8_t>(v - 1);
    set_flags(c, cc_n | cc_z | cc_v, dec_flags[r]);
    return r;
}

void op_tst(CpuState& c, uint8_t v) { set_flags(c, cc_n | cc_z | cc_v | cc_c, nz8(v)); }

uint8_t op_clr(CpuState& c) {
    set_flags(c, cc_n | cc_z | cc_v | cc_c, cc_z);
    return 0;
}

// CPX: N, Z and V from the full 16-bit subtraction; C is left alone.
void op_cpx(CpuState& c, uint16_t v) {
    const uint32_t r = static_cast<uint32_t>(c.x) - v;
    const uint16_t r16 = static_cast<uint16_t>(r);
    set_flags(c, cc_n | cc_z | cc_v,
              static_cast<uint8_t>(nz16(r16) | ((c.x ^ v) & (c.x ^ r16) & 0x8000 ? cc_v : 0)));
}

// DAA: the correction is 0x06 for a low digit above 9 or a half carry, plus
// 0x60 for a high digit above 9 (or 9 with a low digit above 9) or a carry.
void op_daa(CpuState& c) {
    const uint8_t a = c.a;
    const uint8_t lo = a & 0x0F;
    const uint8_t hi = a >> 4;
    unsigned correction = 0;
    if (lo > 9 || (c.cc & cc_h)) correction |= 0x06;
    if ((a >= 0x90 && lo > 9) || hi > 9 || (c.cc & cc_c)) correction |= 0x60;
    const unsigned r = a + correction;
    c.a = static_cast<uint8_t>(r);
    set_flags(c, cc_n | cc_z | cc_v | cc_c,
              static_cast<uint8_t>(nz8(c.a) | ((c.cc & cc_c) || r > 0xFF ? cc_c : 0)));
}

// Read-modify-write on memory through an effective address.
template <typename Op>
void rmw(Machine& m, uint16_t address, Op op) {
    bus_write(m, address, op(m.cpu, bus_read(m, address)));
}

void branch(Machine& m, bool taken) {
    const int8_t offset = static_cast<int8_t>(fetch8(m));
    if (taken) m.cpu.pc = static_cast<uint16_t>(m.cpu.pc + offset);
}

void jsr(Machine& m, uint16_t target) {
    push16(m, m.cpu.pc);
    m.cpu.pc = target;
}

// The IRQ is taken at a checking point when the line is asserted and I is clear.
void check_irq(Machine& m) {
    if (m.cpu.irq_line != 0 && !(m.cpu.cc & cc_i)) cpu_take_interrupt(m, vector_irq);
}

void arm_irq_check(CpuState& c) { c.irq_check_countdown = -2; }

void store8(Machine& m, uint16_t address, uint8_t value) {
    op_nz(m.cpu, value);
    bus_write(m, address, value);
}

void store16(Machine& m, uint16_t address, uint16_t value) {
    op_nz16(m.cpu, value);
    write16(m, address, value);
}

// Undefined opcodes read the byte after them and discard it; the read is a
// real bus access with its side effects. pc stays just past the opcode.
void undefined_opcode(Machine& m) { (void)bus_fetch_operand(m, m.cpu.pc); }

bool cond_hi(uint8_t cc) { return !(cc & (cc_c | cc_z)); }
bool n_xor_v(uint8_t cc) { return ((cc & cc_n) != 0) != ((cc & cc_v) != 0); }

void execute_opcode(Machine& m, uint8_t op) {
    CpuState& c = m.cpu;
    switch (op) {
        /* 0x */
        case 0x01: break;                                                          // nop
        case 0x06: c.cc = static_cast<uint8_t>(c.a | 0xC0); arm_irq_check(c); break;  // tap
        case 0x07: c.a = static_cast<uint8_t>(c.cc | 0xC0); break;                 // tpa
        case 0x08: ++c.x; set_flags(c, cc_z, c.x == 0 ? cc_z : 0); break;          // inx
        case 0x09: --c.x; set_flags(c, cc_z, c.x == 0 ? cc_z : 0); break;          // dex
        case 0x0A: c.cc &= static_cast<uint8_t>(~cc_v); break;                     // clv
        case 0x0B: c.cc |= cc_v; break;                                            // sev
        case 0x0C: c.cc &= static_cast<uint8_t>(~cc_c); break;                     // clc
        case 0x0D: c.cc |= cc_c; break;                                            // sec
        case 0x0E: c.cc &= static_cast<uint8_t>(~cc_i); arm_irq_check(c); break;   // cli
        case 0x0F: c.cc |= cc_i; arm_irq_check(c); break;                          // sei
        /* 1x */
        case 0x10: c.a = op_sub(c, c.a, c.b, 0); break;                            // sba
        case 0x11: op_sub(c, c.a, c.b, 0); break;                                  // cba
        case 0x16: c.b = op_nz(c, c.a); break;                                     // tab
        case 0x17: c.a = op_nz(c, c.b); break;                                     // tba
        case 0x19: op_daa(c); break;                                               // daa
        case 0x1B: c.a = op_add(c, c.a, c.b, 0); break;                            // aba
        /* 2x */
        case 0x20: {                                                               // bra
            const uint8_t offset = bus_fetch_operand(m, c.pc);
            ++c.pc;
            c.pc = static_cast<uint16_t>(c.pc + static_cast<int8_t>(offset));
            // A branch to itself waits for an interrupt: skip the rest of the slice.
            if (offset == 0xFE) c.cycles_left = 0;
            break;
        }
        case 0x21: branch(m, false); break;                                        // brn (undocumented)
        case 0x22: branch(m, cond_hi(c.cc)); break;                                // bhi
        case 0x23: branch(m, !cond_hi(c.cc)); break;                               // bls
        case 0x24: branch(m, !(c.cc & cc_c)); break;                               // bcc
        case 0x25: branch(m, c.cc & cc_c); break;                                  // bcs
        case 0x26: branch(m, !(c.cc & cc_z)); break;                               // bne
        case 0x27: branch(m, c.cc & cc_z); break;                                  // beq
        case 0x28: branch(m, !(c.cc & cc_v)); break;                               // bvc
        case 0x29: branch(m, c.cc & cc_v); break;                                  // bvs
        case 0x2A: branch(m, !(c.cc & cc_n)); break;                               // bpl
        case 0x2B: branch(m, c.cc & cc_n); break;                                  // bmi
        case 0x2C: branch(m, !n_xor_v(c.cc)); break;                               // bge
        case 0x2D: branch(m, n_xor_v(c.cc)); break;                                // blt
        case 0x2E: branch(m, !((c.cc & cc_z) || n_xor_v(c.cc))); break;            // bgt
        case 0x2F: branch(m, (c.cc & cc_z) || n_xor_v(c.cc)); break;               // ble
        /* 3x */
        case 0x30: c.x = static_cast<uint16_t>(c.s + 1); break;                    // tsx
        case 0x31: ++c.s; break;                                                   // ins
        case 0x32: c.a = pull8(m); break;                                          // pula
        case 0x33: c.b = pull8(m); break;                                          // pulb
        case 0x34: --c.s; break;                                                   // des
        case 0x35: c.s = static_cast<uint16_t>(c.x - 1); break;                    // txs
        case 0x36: push8(m, c.a); break;                                           // psha
        case 0x37: push8(m, c.b); break;                                           // pshb
        case 0x39: c.pc = pull16(m); break;                                        // rts
        case 0x3B:                                                                 // rti
            c.cc = static_cast<uint8_t>(pull8(m) | 0xC0);
            c.b = pull8(m);
            c.a = pull8(m);
            c.x = pull16(m);
            c.pc = pull16(m);
            check_irq(m);
            break;
        case 0x3E:                                                                 // wai
            c.wait_state |= wait_wai;
            push_all(m, static_cast<uint8_t>(c.cc | 0xC0));
            check_irq(m);
            // Still waiting: nothing runs until an interrupt, so the slice ends here.
            if (c.wait_state & wait_wai) c.cycles_left = 0;
            break;
        case 0x3F:                                                                 // swi
            push_all(m, static_cast<uint8_t>(c.cc | 0xC0));
            c.cc |= cc_i;
            c.pc = read16(m, vector_swi);
            break;
        /* 4x: accumulator A */
        case 0x40: c.a = op_neg(c, c.a); break;                                    // nega
        case 0x43: c.a = op_com(c, c.a); break;                                    // coma
        case 0x44: c.a = op_lsr(c, c.a); break;                                    // lsra
        case 0x46: c.a = op_ror(c, c.a); break;                                    // rora
        case 0x47: c.a = op_asr(c, c.a); break;                                    // asra
        case 0x48: c.a = op_asl(c, c.a); break;                                    // asla
        case 0x49: c.a = op_rol(c, c.a); break;                                    // rola
        case 0x4A: c.a = op_dec(c, c.a); break;                                    // deca
        case 0x4C: c.a = op_inc(c, c.a); break;                                    // inca
        case 0x4D: op_tst(c, c.a); break;                                          // tsta
        case 0x4F: c.a = op_clr(c); break;                                         // clra
        /* 5x: accumulator B */
        case 0x50: c.b = op_neg(c, c.b); break;                                    // negb
        case 0x53: c.b = op_com(c, c.b); break;                                    // comb
        case 0x54: c.b = op_lsr(c, c.b); break;                                    // lsrb
        case 0x56: c.b = op_ror(c, c.b); break;                                    // rorb
        case 0x57: c.b = op_asr(c, c.b); break;                                    // asrb
        case 0x58: c.b = op_asl(c, c.b); break;                                    // aslb
        case 0x59: c.b = op_rol(c, c.b); break;                                    // rolb
        case 0x5A: c.b = op_dec(c, c.b); break;                                    // decb
        case 0x5C: c.b = op_inc(c, c.b); break;                                    // incb
        case 0x5D: op_tst(c, c.b); break;                                          // tstb
        case 0x5F: c.b = op_clr(c); break;                                         // clrb
        /* 6x: memory, indexed */
        case 0x60: rmw(m, ea_idx(m), op_neg); break;                               // neg
        case 0x63: rmw(m, ea_idx(m), op_com); break;                               // com
        case 0x64: rmw(m, ea_idx(m), op_lsr); break;                               // lsr
        case 0x66: rmw(m, ea_idx(m), op_ror); break;                               // ror
        case 0x67: rmw(m, ea_idx(m), op_asr); break;                               // asr
        case 0x68: rmw(m, ea_idx(m), op_asl); break;                               // asl
        case 0x69: rmw(m, ea_idx(m), op_rol); break;                               // rol
        case 0x6A: rmw(m, ea_idx(m), op_dec); break;                               // dec
        case 0x6C: rmw(m, ea_idx(m), op_inc); break;                               // inc
        case 0x6D: op_tst(c, idx8(m)); break;                                      // tst
        case 0x6E: c.pc = ea_idx(m); break;                                        // jmp
        case 0x6F: bus_write(m, ea_idx(m), op_clr(c)); break;                      // clr
        /* 7x: memory, extended */
        case 0x70: rmw(m, ea_ext(m), op_neg); break;                               // neg
        case 0x73: rmw(m, ea_ext(m), op_com); break;                               // com
        case 0x74: rmw(m, ea_ext(m), op_lsr); break;                               // lsr
        case 0x76: rmw(m, ea_ext(m), op_ror); break;                               // ror
        case 0x77: rmw(m, ea_ext(m), op_asr); break;                               // asr
        case 0x78: rmw(m, ea_ext(m), op_asl); break;                               // asl
        case 0x79: rmw(m, ea_ext(m), op_rol); break;                               // rol
        case 0x7A: rmw(m, ea_ext(m), op_dec); break;                               // dec
        case 0x7C: rmw(m, ea_ext(m), op_inc); break;                               // inc
        case 0x7D: op_tst(c, ext8(m)); break;                                      // tst
        case 0x7E: c.pc = ea_ext(m); break;                                        // jmp
        case 0x7F: bus_write(m, ea_ext(m), op_clr(c)); break;                      // clr
        /* 8x: A immediate */
        case 0x80: c.a = op_sub(c, c.a, fetch8(m), 0); break;                      // suba
        case 0x81: op_sub(c, c.a, fetch8(m), 0); break;                            // cmpa
        case 0x82: c.a = op_sub(c, c.a, fetch8(m), c.cc & cc_c); break;            // sbca
        case 0x84: c.a = op_nz(c, c.a & fetch8(m)); break;                         // anda
        case 0x85: op_nz(c, c.a & fetch8(m)); break;                               // bita
        case 0x86: c.a = op_nz(c, fetch8(m)); break;                               // ldaa
        case 0x87:  // staa into its own operand byte (undocumented)
            c.ea = c.pc;
            store8(m, c.pc, c.a);
            ++c.pc;
            break;
        case 0x88: c.a = op_nz(c, c.a ^ fetch8(m)); break;                         // eora
        case 0x89: c.a = op_add(c, c.a, fetch8(m), c.cc & cc_c); break;            // adca
        case 0x8A: c.a = op_nz(c, c.a | fetch8(m)); break;                         // oraa
        case 0x8B: c.a = op_add(c, c.a, fetch8(m), 0); break;                      // adda
        case 0x8C: op_cpx(c, fetch16(m)); break;                                   // cpx
        case 0x8D: {                                                               // bsr
            const int8_t offset = static_cast<int8_t>(fetch8(m));
            jsr(m, static_cast<uint16_t>(c.pc + offset));
            break;
        }
        case 0x8E: c.s = op_nz16(c, fetch16(m)); break;                            // lds
        case 0x8F:  // sts into its own operand bytes (undocumented)
            c.ea = c.pc;
            store16(m, c.pc, c.s);
            c.pc = static_cast<uint16_t>(c.pc + 2);
            break;
        /* 9x: A direct */
        case 0x90: c.a = op_sub(c, c.a, dir8(m), 0); break;                        // suba
        case 0x91: op_sub(c, c.a, dir8(m), 0); break;                              // cmpa
        case 0x92: c.a = op_sub(c, c.a, dir8(m), c.cc & cc_c); break;              // sbca
        case 0x94: c.a = op_nz(c, c.a & dir8(m)); break;                           // anda
        case 0x95: op_nz(c, c.a & dir8(m)); break;                                 // bita
        case 0x96: c.a = op_nz(c, dir8(m)); break;                                 // ldaa
        case 0x97: store8(m, ea_dir(m), c.a); break;                               // staa
        case 0x98: c.a = op_nz(c, c.a ^ dir8(m)); break;                           // eora
        case 0x99: c.a = op_add(c, c.a, dir8(m), c.cc & cc_c); break;              // adca
        case 0x9A: c.a = op_nz(c, c.a | dir8(m)); break;                           // oraa
        case 0x9B: c.a = op_add(c, c.a, dir8(m), 0); break;                        // adda
        case 0x9C: op_cpx(c, dir16(m)); break;                                     // cpx
        case 0x9D: jsr(m, ea_dir(m)); break;                                       // jsr direct (undocumented)
        case 0x9E: c.s = op_nz16(c, dir16(m)); break;                              // lds
        case 0x9F: store16(m, ea_dir(m), c.s); break;                              // sts
        /* Ax: A indexed */
        case 0xA0: c.a = op_sub(c, c.a, idx8(m), 0); break;                        // suba
        case 0xA1: op_sub(c, c.a, idx8(m), 0); break;                              // cmpa
        case 0xA2: c.a = op_sub(c, c.a, idx8(m), c.cc & cc_c); break;              // sbca
        case 0xA4: c.a = op_nz(c, c.a & idx8(m)); break;                           // anda
        case 0xA5: op_nz(c, c.a & idx8(m)); break;                                 // bita
        case 0xA6: c.a = op_nz(c, idx8(m)); break;                                 // ldaa
        case 0xA7: store8(m, ea_idx(m), c.a); break;                               // staa
        case 0xA8: c.a = op_nz(c, c.a ^ idx8(m)); break;                           // eora
        case 0xA9: c.a = op_add(c, c.a, idx8(m), c.cc & cc_c); break;              // adca
        case 0xAA: c.a = op_nz(c, c.a | idx8(m)); break;                           // oraa
        case 0xAB: c.a = op_add(c, c.a, idx8(m), 0); break;                        // adda
        case 0xAC: op_cpx(c, idx16(m)); break;                                     // cpx
        case 0xAD: jsr(m, ea_idx(m)); break;                                       // jsr
        case 0xAE: c.s = op_nz16(c, idx16(m)); break;                              // lds
        case 0xAF: store16(m, ea_idx(m), c.s); break;                              // sts
        /* Bx: A extended */
        case 0xB0: c.a = op_sub(c, c.a, ext8(m), 0); break;                        // suba
        case 0xB1: op_sub(c, c.a, ext8(m), 0); break;                              // cmpa
        case 0xB2: c.a = op_sub(c, c.a, ext8(m), c.cc & cc_c); break;              // sbca
        case 0xB4: c.a = op_nz(c, c.a & ext8(m)); break;                           // anda
        case 0xB5: op_nz(c, c.a & ext8(m)); break;                                 // bita
        case 0xB6: c.a = op_nz(c, ext8(m)); break;                                 // ldaa
        case 0xB7: store8(m, ea_ext(m), c.a); break;                               // staa
        case 0xB8: c.a = op_nz(c, c.a ^ ext8(m)); break;                           // eora
        case 0xB9: c.a = op_add(c, c.a, ext8(m), c.cc & cc_c); break;              // adca
        case 0xBA: c.a = op_nz(c, c.a | ext8(m)); break;                           // oraa
        case 0xBB: c.a = op_add(c, c.a, ext8(m), 0); break;                        // adda
        case 0xBC: op_cpx(c, ext16(m)); break;                                     // cpx
        case 0xBD: jsr(m, ea_ext(m)); break;                                       // jsr
        case 0xBE: c.s = op_nz16(c, ext16(m)); break;                              // lds
        case 0xBF: store16(m, ea_ext(m), c.s); break;                              // sts
        /* Cx: B immediate */
        case 0xC0: c.b = op_sub(c, c.b, fetch8(m), 0); break;                      // subb
        case 0xC1: op_sub(c, c.b, fetch8(m), 0); break;                            // cmpb
        case 0xC2: c.b = op_sub(c, c.b, fetch8(m), c.cc & cc_c); break;            // sbcb
        case 0xC4: c.b = op_nz(c, c.b & fetch8(m)); break;                         // andb
        case 0xC5: op_nz(c, c.b & fetch8(m)); break;                               // bitb
        case 0xC6: c.b = op_nz(c, fetch8(m)); break;                               // ldab
        case 0xC7:  // stab into its own operand byte (undocumented)
            c.ea = c.pc;
            store8(m, c.pc, c.b);
            ++c.pc;
            break;
        case 0xC8: c.b = op_nz(c, c.b ^ fetch8(m)); break;                         // eorb
        case 0xC9: c.b = op_add(c, c.b, fetch8(m), c.cc & cc_c); break;            // adcb
        case 0xCA: c.b = op_nz(c, c.b | fetch8(m)); break;                         // orab
        case 0xCB: c.b = op_add(c, c.b, fetch8(m), 0); break;                      // addb
        case 0xCE: c.x = op_nz16(c, fetch16(m)); break;                            // ldx
        case 0xCF:  // stx into its own operand bytes (undocumented)
            c.ea = c.pc;
            store16(m, c.pc, c.x);
            c.pc = static_cast<uint16_t>(c.pc + 2);
            break;
        /* Dx: B direct */
        case 0xD0: c.b = op_sub(c, c.b, dir8(m), 0); break;                        // subb
        case 0xD1: op_sub(c, c.b, dir8(m), 0); break;                              // cmpb
        case 0xD2: c.b = op_sub(c, c.b, dir8(m), c.cc & cc_c); break;              // sbcb
        case 0xD4: c.b = op_nz(c, c.b & dir8(m)); break;                           // andb
        case 0xD5: op_nz(c, c.b & dir8(m)); break;                                 // bitb
        case 0xD6: c.b = op_nz(c, dir8(m)); break;                                 // ldab
        case 0xD7: store8(m, ea_dir(m), c.b); break;                               // stab
        case 0xD8: c.b = op_nz(c, c.b ^ dir8(m)); break;                           // eorb
        case 0xD9: c.b = op_add(c, c.b, dir8(m), c.cc & cc_c); break;              // adcb
        case 0xDA: c.b = op_nz(c, c.b | dir8(m)); break;                           // orab
        case 0xDB: c.b = op_add(c, c.b, dir8(m), 0); break;                        // addb
        case 0xDE: c.x = op_nz16(c, dir16(m)); break;                              // ldx
        case 0xDF: store16(m, ea_dir(m), c.x); break;                              // stx
        /* Ex: B indexed */
        case 0xE0: c.b = op_sub(c, c.b, idx8(m), 0); break;                        // subb
        case 0xE1: op_sub(c, c.b, idx8(m), 0); break;                              // cmpb
        case 0xE2: c.b = op_sub(c, c.b, idx8(m), c.cc & cc_c); break;              // sbcb
        case 0xE4: c.b = op_nz(c, c.b & idx8(m)); break;                           // andb
        case 0xE5: op_nz(c, c.b & idx8(m)); break;                                 // bitb
        case 0xE6: c.b = op_nz(c, idx8(m)); break;                                 // ldab
        case 0xE7: store8(m, ea_idx(m), c.b); break;                               // stab
        case 0xE8: c.b = op_nz(c, c.b ^ idx8(m)); break;                           // eorb
        case 0xE9: c.b = op_add(c, c.b, idx8(m), c.cc & cc_c); break;              // adcb
        case 0xEA: c.b = op_nz(c, c.b | idx8(m)); break;                           // orab
        case 0xEB: c.b = op_add(c, c.b, idx8(m), 0); break;                        // addb
        case 0xEE: c.x = op_nz16(c, idx16(m)); break;                              // ldx
        case 0xEF: store16(m, ea_idx(m), c.x); break;                              // stx
        /* Fx: B extended */
        case 0xF0: c.b = op_sub(c, c.b, ext8(m), 0); break;                        // subb
        case 0xF1: op_sub(c, c.b, ext8(m), 0); break;                              // cmpb
        case 0xF2: c.b = op_sub(c, c.b, ext8(m), c.cc & cc_c); break;              // sbcb
        case 0xF4: c.b = op_nz(c, c.b & ext8(m)); break;                           // andb
        case 0xF5: op_nz(c, c.b & ext8(m)); break;                                 // bitb
        case 0xF6: c.b = op_nz(c, ext8(m)); break;                                 // ldab
        case 0xF7: store8(m, ea_ext(m), c.b); break;                               // stab
        case 0xF8: c.b = op_nz(c, c.b ^ ext8(m)); break;                           // eorb
        case 0xF9: c.b = op_add(c, c.b, ext8(m), c.cc & cc_c); break;              // adcb
        case 0xFA: c.b = op_nz(c, c.b | ext8(m)); break;                           // orab
        case 0xFB: c.b = op_add(c, c.b, ext8(m), 0); break;                        // addb
        case 0xFC: {  // x += word at an extended address (undocumented)
            const uint16_t v = ext16(m);
            const uint32_t r = static_cast<uint32_t>(c.x) + v;
            const uint16_t r16 = static_cast<uint16_t>(r);
            set_flags(c, cc_n | cc_z | cc_v | cc_c,
                      static_cast<uint8_t>(nz16(r16) |
                                           ((c.x ^ r16) & (v ^ r16) & 0x8000 ? cc_v : 0) |
                                           (r > 0xFFFF ? cc_c : 0)));
            c.x = r16;
            break;
        }
        case 0xFE: c.x = op_nz16(c, ext16(m)); break;                              // ldx
        case 0xFF: store16(m, ea_ext(m), c.x); break;                              // stx
        default: undefined_opcode(m); break;
    }
}

}  // namespace

// There is one processor type, so its dispatch and cycle counts are fixed at
// build time; the reset sequence still calls this first, as the machine's
// reset does.
void cpu_init(Machine& m) { (void)m; }

void cpu_reset(Machine& m) {
    CpuState& c = m.cpu;
    c.cc |= cc_i;
    c.pc = read16(m, vector_reset);
    c.wait_state = 0;
    c.nmi_line = 0;
    c.irq_line = 0;
    c.cc |= 0xC0;
}

void cpu_take_interrupt(Machine& m, uint16_t vector) {
    CpuState& c = m.cpu;
    if (m.debug_flags & flag_interrupt) {
        m.break_flags |= flag_interrupt;
        // The core's message is inserted as it stands, "%d" included.
        std::snprintf(m.break_reason, sizeof m.break_reason, "Interrupt %s",
                      vector == vector_nmi ? "M6800#%d take NMI\n" : "M6800#%d take IRQ1\n");
    }
    if (c.wait_state & wait_wai) {
        // WAI stacked the registers already.
        c.wait_state &= static_cast<uint8_t>(~wait_wai);
        c.extra_cycles += 4;
    } else {
        push_all(m, c.cc);
        c.extra_cycles += 12;
    }
    c.cc |= cc_i;
    c.pc = read16(m, vector);
}

int cpu_execute(Machine& m, int cycles) {
    if (m.break_flags != 0) return 0;
    CpuState& c = m.cpu;
    TraceRing& ring = m.trace_ring;
    c.cycles_left = cycles - c.extra_cycles;
    c.extra_cycles = 0;
    int free_run = 0;

    do {
        if (c.wait_state & wait_wai) {
            c.cycles_left = 0;
            break;
        }
        c.ppc = c.pc;
        uint32_t* record = &ring.words[static_cast<size_t>(ring.position) * trace_words];
        record[0] = c.pc;
        record[1] = static_cast<uint32_t>(m.memory_image[c.pc]) |
                    static_cast<uint32_t>(m.memory_image[static_cast<uint16_t>(c.pc + 1)]) << 8 |
                    static_cast<uint32_t>(m.memory_image[static_cast<uint16_t>(c.pc + 2)]) << 16 |
                    static_cast<uint32_t>(m.memory_image[static_cast<uint16_t>(c.pc + 3)]) << 24;

        const uint8_t op = bus_fetch_opcode(m, c.pc);
        ++c.pc;
        execute_opcode(m, op);

        // CLI, SEI and TAP let one more instruction run before the IRQ line is
        // looked at again.
        if (c.irq_check_countdown < 0 && ++c.irq_check_countdown == 0) check_irq(m);

        const int cost = m6800::opcode_table[op].cycles;
        m.machine_clock += static_cast<uint32_t>(cost);

        record[2] = c.pc;
        record[3] = static_cast<uint32_t>(c.a) << 8 | c.b;
        record[4] = c.x;
        record[5] = c.s;
        record[6] = c.cc;
        if (++ring.position == trace_records) ring.position = 0;

        if (m.debug_flags != 0) debugger_instruction_check(m);
        c.cycles_left -= cost;
        if (m.break_flags != 0) break;

        if (cost != 0) {
            free_run = 0;
        } else if (++free_run > free_run_limit) {
            c.cycles_left = 0;
        }
    } while (c.cycles_left > 0);

    c.cycles_left -= c.extra_cycles;
    c.extra_cycles = 0;
    return cycles - c.cycles_left;
}

void cpu_set_irq_line(Machine& m, int line, int state) {
    CpuState& c = m.cpu;
    const uint8_t s = static_cast<uint8_t>(state);
    if (line == irq_line_nmi) {
        if (c.nmi_line == s) return;
        c.nmi_line = s;
        if (s != 0) cpu_take_interrupt(m, vector_nmi);
    } else if (line == irq_line_irq) {
        if (c.irq_line == s) return;
        c.irq_line = s;
        if (s != 0) check_irq(m);
    }
}

int cpu_get_register(const Machine& m, CpuRegister id) {
    const CpuState& c = m.cpu;
    switch (id) {
        case CpuRegister::pc:
        case CpuRegister::pc_alias: return c.pc;
        case CpuRegister::s:
        case CpuRegister::s_alias: return c.s;
        case CpuRegister::a: return c.a;
        case CpuRegister::b: return c.b;
        case CpuRegister::x: return c.x;
        case CpuRegister::cc: return c.cc;
        case CpuRegister::nmi_line: return c.nmi_line;
        case CpuRegister::irq_line: return c.irq_line;
    }
    return 0;  // an id outside the list (a cast number) reads as 0 and writes nothing
}

void cpu_set_register(Machine& m, CpuRegister id, int value) {
    CpuState& c = m.cpu;
    switch (id) {
        case CpuRegister::pc:
        case CpuRegister::pc_alias: c.pc = static_cast<uint16_t>(value); break;
        case CpuRegister::s:
        case CpuRegister::s_alias: c.s = static_cast<uint16_t>(value); break;
        case CpuRegister::a: c.a = static_cast<uint8_t>(value); break;
        case CpuRegister::b: c.b = static_cast<uint8_t>(value); break;
        case CpuRegister::x: c.x = static_cast<uint16_t>(value); break;
        case CpuRegister::cc: c.cc = static_cast<uint8_t>(value); break;
        case CpuRegister::nmi_line: cpu_set_irq_line(m, irq_line_nmi, value); break;
        case CpuRegister::irq_line: cpu_set_irq_line(m, irq_line_irq, value); break;
    }
}

int cpu_cycles_of(uint8_t opcode) { return m6800::opcode_table[opcode].cycles; }

}  // namespace trivo

// mirla's processor behind the neutral face. Sees mirla's headers only.
#include "cpu/cpu.h"
#include "cross_core.h"
#include "machine/machine.h"
#include "machine/startup.h"

namespace cross {

namespace {

class MirlaCore : public Core {
public:
    MirlaCore() : m_(mirla::make_machine()) { mirla::machine_prepare(*m_, mirla::MachineKind::apf); }
    std::string name() const override { return "mirla"; }
    void load(uint16_t address, std::span<const uint8_t> bytes) override {
        for (uint8_t b : bytes) m_->memory_image[address++] = b;
    }
    uint8_t peek(uint16_t address) const override { return m_->memory_image[address]; }
    Registers registers() const override {
        const auto& c = m_->cpu;
        return {c.pc, c.x, c.sp, c.a, c.b, mirla::cpu_condition_byte(c.cw)};
    }
    void set_registers(const Registers& r) override {
        auto& c = m_->cpu;
        c.pc = r.pc;
        c.x = r.x;
        c.sp = r.sp;
        c.a = r.a;
        c.b = r.b;
        c.cw = mirla::cpu_condition_word(r.cc, c.cw);
    }
    int step() override { return mirla::cpu_step(*m_); }
    void reset() override { mirla::cpu_reset(*m_); }

private:
    std::unique_ptr<mirla::Machine> m_;
};

}  // namespace

std::unique_ptr<Core> make_mirla_core() { return std::make_unique<MirlaCore>(); }

}  // namespace cross

// trivo's processor behind the neutral face. Sees trivo's headers only.
#include "cpu/cpu.h"
#include "cross_core.h"
#include "machine/bus.h"
#include "machine/machine.h"

namespace cross {

namespace {

class TrivoCore : public Core {
public:
    TrivoCore() : m_(trivo::make_machine()) {
        trivo::memory_map_build(*m_);
        trivo::cpu_init(*m_);
    }
    std::string name() const override { return "trivo"; }
    void load(uint16_t address, std::span<const uint8_t> bytes) override {
        for (uint8_t b : bytes) m_->memory_image[address++] = b;
    }
    uint8_t peek(uint16_t address) const override { return m_->memory_image[address]; }
    Registers registers() const override {
        const auto& c = m_->cpu;
        return {c.pc, c.x, c.s, c.a, c.b, static_cast<uint8_t>(c.cc | 0xC0)};
    }
    void set_registers(const Registers& r) override {
        auto& c = m_->cpu;
        c.pc = r.pc;
        c.x = r.x;
        c.s = r.sp;
        c.a = r.a;
        c.b = r.b;
        c.cc = static_cast<uint8_t>(r.cc | 0xC0);
    }
    int step() override { return trivo::cpu_execute(*m_, 1); }
    void reset() override { trivo::cpu_reset(*m_); }

private:
    std::unique_ptr<trivo::Machine> m_;
};

}  // namespace

std::unique_ptr<Core> make_trivo_core() { return std::make_unique<TrivoCore>(); }

}  // namespace cross

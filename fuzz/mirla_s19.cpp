// mirla's S19 reader.
//
// Loaded once over memory of 00 and once over memory of FF, the text stores
// the same bytes at the same addresses (a byte stored shows in one of the
// two). Those bytes written again as S-records load into fresh memory with
// no checksum or malformed line, at the same addresses and nowhere else, and
// the 8000 flag says whether a byte landed there.
#include <memory>
#include <string_view>

#include "apfasm/assembler.h"
#include "fuzz_support.h"
#include "machine/machine.h"
#include "machine/s19.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto m = mirla::make_machine();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    m->memory_image.fill(0x00);
    const mirla::S19Load over_zero = mirla::s19_load_text(*m, text);
    const auto zero_image = m->memory_image;
    m->memory_image.fill(0xFF);
    const mirla::S19Load over_ff = mirla::s19_load_text(*m, text);
    const auto ff_image = m->memory_image;

    fuzz::check(over_zero.records == over_ff.records && over_zero.checksum_lines == over_ff.checksum_lines &&
                    over_zero.malformed_lines == over_ff.malformed_lines,
                "the same text reads the same way");
    apfasm::Assembly stored;
    for (size_t a = 0; a < 0x10000; ++a) {
        stored.used[a] = zero_image[a] != 0x00 || ff_image[a] != 0xFF;
        if (!stored.used[a]) continue;
        fuzz::check(zero_image[a] == ff_image[a], "a stored byte does not depend on the memory before");
        stored.memory[a] = zero_image[a];
    }
    fuzz::check(over_zero.loaded_8000 == (stored.used[0x8000] != 0), "the 8000 flag");
    if (over_zero.records == 0)
        for (size_t a = 0; a < 0x10000; ++a) fuzz::check(!stored.used[a], "no record, no byte stored");

    m->memory_image.fill(0x00);
    const mirla::S19Load again = mirla::s19_load_text(*m, apfasm::s19_text(stored));
    fuzz::check(again.checksum_lines.empty() && again.malformed_lines.empty(), "written again, it loads cleanly");
    for (size_t a = 0; a < 0x10000; ++a)
        fuzz::check(m->memory_image[a] == (stored.used[a] ? stored.memory[a] : 0x00),
                    "written again, the same bytes load at the same addresses");
    return 0;
}

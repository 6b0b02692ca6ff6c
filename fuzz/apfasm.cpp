// apfasm's source reader and assembler.
//
// A source that assembles without errors gives S-records that trivo's S19
// loader takes without an error, loading exactly the bytes assembled at
// exactly the addresses assembled; the binary image over the used range
// holds the same bytes. The source is the one file there is: includes of
// anything else find nothing.
#include <memory>
#include <optional>
#include <string>

#include "apfasm/assembler.h"
#include "fuzz_support.h"
#include "machine/rom_images.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string source(reinterpret_cast<const char*>(data), size);
    const apfasm::SourceReader reader = [&](const std::string& path) -> std::optional<std::string> {
        if (path == "fuzz.asm") return source;
        return std::nullopt;
    };
    const apfasm::Assembly a = apfasm::assemble("fuzz.asm", reader);
    fuzz::check(a.errors.size() <= static_cast<size_t>(apfasm::max_errors) + 1, "errors stop at the limit");
    if (!a.ok()) return 0;

    static const auto images = std::make_unique<trivo::RomImages>();
    fuzz::check(trivo::s19_parse(*images, apfasm::s19_text(a)) == 0, "the S-records load without an error");
    for (size_t at = 0; at < 0x10000; ++at) {
        fuzz::check((images->s19_loaded[at] != 0) == (a.used[at] != 0), "the S-records load the addresses assembled");
        if (a.used[at]) fuzz::check(images->s19_image[at] == a.memory[at], "the S-records load the bytes assembled");
    }
    if (const auto range = apfasm::used_range(a)) {
        const std::string binary = apfasm::binary_image(a, range->first, range->second);
        fuzz::check(binary.size() == size_t{range->second} - range->first + 1u, "the binary covers the range");
        for (size_t i = 0; i < binary.size(); ++i)
            fuzz::check(static_cast<uint8_t>(binary[i]) == a.memory[range->first + i], "the binary holds the bytes");
    } else {
        for (size_t at = 0; at < 0x10000; ++at) fuzz::check(!a.used[at], "no range, no byte");
    }
    return 0;
}

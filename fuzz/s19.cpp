// trivo's S19 loader.
//
// Whatever a file stores, written again as S-records (by the assembler's
// writer, one record per run of loaded bytes) loads without an error as the
// same image. Loading from the file gives what loading its text gives.
#include <memory>
#include <string>
#include <string_view>

#include "apfasm/assembler.h"
#include "fuzz_support.h"
#include "machine/rom_images.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using trivo::RomImages;
    static const auto first = std::make_unique<RomImages>();
    static const auto from_file = std::make_unique<RomImages>();
    static const auto again = std::make_unique<RomImages>();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const uint32_t error = trivo::s19_parse(*first, text);

    const std::string path = fuzz::scratch_file("input.s19");
    fuzz::write_file(path, text);
    fuzz::check(trivo::load_s19(*from_file, path) == error, "the file loads as its text");
    fuzz::check(from_file->s19_image == first->s19_image && from_file->s19_loaded == first->s19_loaded,
                "the file stores what its text stores");

    apfasm::Assembly stored;
    for (size_t a = 0; a < 0x10000; ++a) {
        stored.used[a] = first->s19_loaded[a] != 0;
        if (stored.used[a]) stored.memory[a] = first->s19_image[a];
    }
    fuzz::check(trivo::s19_parse(*again, apfasm::s19_text(stored)) == 0, "written again, it loads cleanly");
    for (size_t a = 0; a < 0x10000; ++a) {
        fuzz::check((again->s19_loaded[a] != 0) == stored.used[a], "written again, the same addresses load");
        if (stored.used[a]) fuzz::check(again->s19_image[a] == first->s19_image[a], "written again, the same bytes load");
    }
    return 0;
}

// Load Binary: the address field and the file.
//
// Input: the address field's text, a line feed, then the file's bytes. The
// number parser gives either an error or an address that its field text
// parses back to. OK in the dialog loads the file exactly when the address
// is valid and the file has 1 to 65536 bytes that fit below $10000: then
// memory holds the file at the address and is unchanged elsewhere; on any
// failure memory is untouched and one message is shown.
#include <algorithm>
#include <cstring>
#include <string>

#include "cassette/binary_utils.h"
#include "trivo_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t line_end = input.find('\n');
    if (line_end == std::string_view::npos) return 0;
    const std::string_view field = input.substr(0, line_end);
    const std::string_view file = input.substr(line_end + 1);

    const trivo::ParsedNumber number = trivo::parse_number(field.substr(0, trivo::address_field_chars));
    if (number.value >= 0) {
        fuzz::check(number.value <= 0xFFFF, "an address fits 16 bits");
        const trivo::ParsedNumber again = trivo::parse_number(trivo::address_text(number.value, number.hexadecimal));
        fuzz::check(again.value == number.value && again.hexadecimal == number.hexadecimal,
                    "an address shown again parses to itself");
    }

    fuzz::TrivoRig& rig = fuzz::trivo_rig();
    trivo::Machine& m = rig.m;
    for (size_t a = 0; a < m.memory_image.size(); ++a) m.memory_image[a] = static_cast<uint8_t>(a * 7 + (a >> 8));
    const auto before = m.memory_image;

    const std::string path = fuzz::scratch_file("input.bin");
    fuzz::write_file(path, file);
    trivo::Settings settings;
    settings.bloadfilename = path;
    const bool ok = trivo::load_binary_dialog_ok(m, settings, field);

    const bool fits = number.value >= 0 && !file.empty() &&
                      static_cast<size_t>(number.value) + file.size() <= 0x10000;
    fuzz::check(ok == fits, "the file loads exactly when it fits");
    if (!ok) {
        fuzz::check(m.memory_image == before, "a failed load leaves memory untouched");
        fuzz::check(rig.host.messages == 1, "a failed load shows one message");
        return 0;
    }
    const size_t at = static_cast<size_t>(number.value);
    fuzz::check(std::memcmp(m.memory_image.data() + at, file.data(), file.size()) == 0, "the file is in memory");
    fuzz::check(std::equal(before.begin(), before.begin() + static_cast<long>(at), m.memory_image.begin()) &&
                    std::equal(before.begin() + static_cast<long>(at + file.size()), before.end(),
                               m.memory_image.begin() + static_cast<long>(at + file.size())),
                "nothing else changes");
    fuzz::check(settings.bloadaddr == number.value && settings.loadaddrishex == (number.hexadecimal ? 1 : 0),
                "the address is kept");
    return 0;
}

#include "machine/s19.h"

#include "common/file_util.h"

namespace mirla {

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Byte i (0-based) of a record: the two characters at 2 + 2i. -1 when the
// line ends first or they are not hexadecimal.
int record_byte(std::string_view line, size_t i) {
    const size_t at = 2 + 2 * i;
    if (at + 1 >= line.size()) return -1;
    const int high = hex_digit(line[at]);
    const int low = hex_digit(line[at + 1]);
    return high < 0 || low < 0 ? -1 : high << 4 | low;
}

// Checks that the whole record is there and hexadecimal before anything is
// stored, so a damaged line never leaves half its bytes behind.
bool record_complete(std::string_view line, int count) {
    for (int i = 0; i <= count; ++i)
        if (record_byte(line, static_cast<size_t>(i)) < 0) return false;
    return true;
}

}  // namespace

S19Load s19_load_text(Machine& m, std::string_view text) {
    S19Load result;
    int line_number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() < 2) continue;
        if (line[1] == '9') break;
        if (line[1] != '1') continue;

        const int count = record_byte(line, 0);
        if (count < 3 || !record_complete(line, count)) {
            result.malformed_lines.push_back(line_number);
            continue;
        }
        const int address = record_byte(line, 1) << 8 | record_byte(line, 2);
        unsigned sum = static_cast<unsigned>(count + record_byte(line, 1) + record_byte(line, 2));
        for (int i = 0; i < count - 3; ++i) {
            const int value = record_byte(line, static_cast<size_t>(3 + i));
            const auto at = static_cast<uint16_t>(address + i);
            m.memory_image[at] = static_cast<uint8_t>(value);
            if (at == 0x8000) result.loaded_8000 = true;
            sum += static_cast<unsigned>(value);
        }
        const int checksum = record_byte(line, static_cast<size_t>(count));
        if (((sum + static_cast<unsigned>(checksum)) & 0xFF) != 0xFF) result.checksum_lines.push_back(line_number);
        ++result.records;
    }
    return result;
}

std::optional<S19Load> s19_load_file(Machine& m, const std::string& path) {
    const auto bytes = common::read_file(path, 4u << 20);
    if (!bytes) return std::nullopt;
    return s19_load_text(m, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

}  // namespace mirla

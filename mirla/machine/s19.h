// The S19 reader: Motorola S1 records straight into the memory image.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machine/machine.h"

namespace mirla {

struct S19Load {
    int records = 0;                  // S1 records whose data went into memory
    std::vector<int> checksum_lines;  // 1-based lines whose checksum is wrong (data loaded)
    std::vector<int> malformed_lines; // lines too short or not hexadecimal (nothing loaded)
    bool loaded_8000 = false;         // a byte landed at 8000: the cartridge label names the file
};

// Reads S-record text line by line: a line whose second character is '1' is
// an S1 record, '9' ends the reading, any other line is skipped. Each data
// byte goes into the memory image at the record's address plus its index,
// ROM pages included. A record whose count, address and data bytes do not
// sum with the checksum to FF is still loaded and its line is reported.
S19Load s19_load_text(Machine& m, std::string_view text);

// The same from a file; no value when the file cannot be read (or is larger
// than 4 MB, far beyond any 64K image).
std::optional<S19Load> s19_load_file(Machine& m, const std::string& path);

// The message shown for each line in checksum_lines.
inline constexpr std::string_view s19_checksum_message = "error en la suma";

}  // namespace mirla

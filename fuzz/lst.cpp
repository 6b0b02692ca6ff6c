// Listing files for the debugger's source window.
//
// Input: one byte choosing the layout (odd: a ".log" trace, even: a ".lst"
// listing), then the file. A file loads as its text loads. A refused file
// leaves the store as it was. A loaded one keeps every line, tabs expanded
// and carriage returns dropped; each address leads to the last line that
// carries it, and a line without an address leads to the next one that has
// one. A symbol looked up never reads past its line.
#include <string>
#include <string_view>

#include "debugger/lst_store.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool log_layout = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string path = fuzz::scratch_file(log_layout ? "trace.log" : "program.lst");
    fuzz::write_file(path, text);

    trivo::LstStore from_text;
    trivo::LstStore from_file;
    const trivo::LstLoad result = trivo::lst_load_text(from_text, path, text);
    fuzz::check(trivo::lst_load_file(from_file, path) == result, "a file loads as its text");
    if (result != trivo::LstLoad::loaded) {
        fuzz::check(from_text.files.empty() && from_text.current == -1, "a refused file changes nothing");
        return 0;
    }
    fuzz::check(from_text.files.size() == 1 && from_text.current == 0, "the file is current");
    const trivo::LstFile& file = from_text.files[0];
    fuzz::check(file.lines == from_file.files[0].lines && file.line_address == from_file.files[0].line_address,
                "the file reads as its text");
    if (file.address_line.empty()) return 0;  // too short to index

    std::string expected;
    for (char c : trivo::lst_expand_tabs(text))
        if (c != '\r') expected.push_back(c);
    std::string joined;
    for (const std::string& line : file.lines) joined += line + "\n";
    // A final line feed ends the last line; without one the last line has
    // none. Text after the last line feed is a line even when it is only
    // carriage returns, which the line loses.
    if (text.back() != '\n') joined.pop_back();
    fuzz::check(joined == expected, "every line is kept");
    fuzz::check(file.line_address.size() == file.lines.size(), "an address slot per line");

    const auto lines = static_cast<int32_t>(file.lines.size());
    int32_t next_address = trivo::lst_none;
    for (int32_t i = lines - 1; i >= 0; --i) {
        const int32_t a = file.line_address[static_cast<size_t>(i)];
        fuzz::check(a == trivo::lst_line_address(file.lines[static_cast<size_t>(i)], log_layout),
                    "a line's address is read from its columns");
        if (a != trivo::lst_none) {
            const int32_t last = file.address_line[static_cast<size_t>(a)];
            fuzz::check(last >= i && file.line_address[static_cast<size_t>(last)] == a,
                        "an address leads to the last line carrying it");
            const auto place = trivo::lst_find_address(from_text, static_cast<uint16_t>(a));
            fuzz::check(place && place->file == 0 && place->line == last, "finding an address");
            next_address = a;
        }
        fuzz::check(trivo::lst_address_from_line(file, i) == next_address,
                    "a line leads to its address or the next one");
    }
    for (size_t a = 0; a < 0x10000; ++a) {
        const int32_t line = file.address_line[a];
        if (line != trivo::lst_none)
            fuzz::check(line < lines && file.line_address[static_cast<size_t>(line)] == static_cast<int32_t>(a),
                        "every indexed address is on its line");
    }
    (void)trivo::lst_find_symbol(from_text, "start");
    return 0;
}

// Assembler listings for the debugger's source window: up to eight files in
// load order, each split into lines with the address each line belongs to,
// so the window can show the line of the processor's current address and
// the user can set breakpoints and run to a line.
//
// Two layouts are understood. An assembler listing (.lst, and any other
// extension) carries the address in columns 7-10, after the line number; a
// trace log (.log) starts its lines with the address. Either way the address
// is exactly four hexadecimal digits followed by something that is not one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trivo {

inline constexpr int lst_max_files = 8;
// Listings are text: anything larger is not one.
inline constexpr size_t lst_max_bytes = size_t{16} << 20;
// Line number meaning "none" (no address on the line, no line for an address).
inline constexpr int32_t lst_none = -1;

struct LstFile {
    std::string path;                 // as given; empty for text loaded without a file
    std::string text;                 // with tabs expanded
    std::vector<std::string> lines;   // split at LF, CR dropped
    std::vector<int32_t> line_address;  // per line: its address, or lst_none
    // Per address 0-FFFF: the last line that carries it, or lst_none. Empty
    // when the text is too short to hold line information.
    std::vector<int32_t> address_line;
};

struct LstStore {
    std::vector<LstFile> files;
    int current = -1;        // file the window shows, -1 when none
    int selected_line = -1;  // in the current file
};

enum class LstLoad {
    loaded,
    full,         // eight files are loaded already
    cannot_open,  // missing, unreadable or not a regular file
    empty,        // an empty file is not loaded
    too_large,
    not_text,     // control bytes a listing never holds: binary junk
};

// Loads a file as the next listing and makes it current. Nothing changes
// unless the result is `loaded`.
LstLoad lst_load_file(LstStore& store, const std::string& path);

// The same from text in memory; `path` decides the layout (".log" or not)
// and names the file in the window.
LstLoad lst_load_text(LstStore& store, const std::string& path, std::string_view text);

// Expands each tab to the next multiple of 8 columns; columns restart after
// CR or LF.
std::string lst_expand_tabs(std::string_view text);

// The address a listing line carries, or lst_none. `log_layout`: the
// address starts in column 0 and the line must be longer than 7 characters;
// otherwise it starts in column 7 and the line must be longer than 10.
int32_t lst_line_address(std::string_view line, bool log_layout);

// True for files whose extension is exactly ".log" or ".LOG".
bool lst_is_log_name(std::string_view path);

// Removes file `index`, closing the gap; when files remain the last of them
// becomes current.
void lst_unload(LstStore& store, int index);
void lst_clear(LstStore& store);

struct LstPlace {
    int file = -1;
    int32_t line = lst_none;
};

// The line of an address in the last file, in load order, that has one.
std::optional<LstPlace> lst_find_address(const LstStore& store, uint16_t address);

// The address of a line, or for a line without one the address of the first
// later line that has one; lst_none when there is none.
int32_t lst_address_from_line(const LstFile& file, int32_t line);

// The file list's text for file `index`: its name and extension, or
// "File %d" (counting from 1) when it has no path.
std::string lst_file_label(const LstStore& store, int index);

// The value of a symbol in the cross-reference that our assembler appends
// to its listings (after the line "Symbols:": the name, then "$hhhh").
// Searched in the last file first, as addresses are.
std::optional<uint16_t> lst_find_symbol(const LstStore& store, std::string_view name);

}  // namespace trivo

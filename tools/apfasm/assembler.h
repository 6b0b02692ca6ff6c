// apfasm: a two-pass assembler for the Motorola 6800 in Motorola syntax, used
// to build the suite's firmware and test programs. The syntax it accepts is
// described in tools/apfasm/README.md.
//
// The assembler reads its opcode map from common/opcode_table.h, the same table
// the debugger's disassembler uses, so the two always agree on which opcodes
// exist and how long they are.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace apfasm {

// Reads a source file; no value when it cannot be read.
using SourceReader = std::function<std::optional<std::string>(const std::string& path)>;

// Reads from the file system (at most 16 MB per file).
std::optional<std::string> read_source_file(const std::string& path);

// One line of the listing: where it came from, and what it produced.
struct ListingLine {
    int line_number = 0;
    std::optional<uint16_t> address;  // address of the first byte, when the line has one
    std::vector<uint8_t> bytes;       // bytes emitted by the line
    std::optional<int32_t> value;     // value defined by equ or =
    std::string text;                 // the source line as written
};

struct Assembly {
    std::vector<std::string> errors;  // "file:line: message", in source order
    // "file:line: warning: message", in source order. Warnings never stop the
    // assembly or make it fail.
    std::vector<std::string> warnings;
    std::vector<uint8_t> memory = std::vector<uint8_t>(0x10000, 0xFF);
    std::vector<uint8_t> used = std::vector<uint8_t>(0x10000, 0);  // 1 where a byte was emitted
    std::vector<ListingLine> listing;
    std::map<std::string, int32_t> symbols;
    // Cross-reference: where each symbol was defined ("file:line", or
    // "command line" for -D) and every line that used it, in source order.
    std::map<std::string, std::string> defined_at;
    std::map<std::string, std::vector<std::string>> used_at;
    uint16_t entry = 0;  // operand of end, 0 without one

    bool ok() const { return errors.empty(); }
};

// At most this many errors are reported; the assembly stops there.
inline constexpr int max_errors = 50;

// What the command line adds to a source: symbols defined before the first
// line (-D NAME[=VALUE]) and folders searched for include and incbin files
// after the including file's own folder (-I DIR), in order.
struct AssembleOptions {
    std::map<std::string, int32_t> defines;
    std::vector<std::string> include_dirs;
};

// Assembles the file at `path`; included files are found relative to the
// file that includes them, then in the include folders. Errors of the first
// pass stop the assembly before the second.
Assembly assemble(const std::string& path, const SourceReader& reader = read_source_file,
                  const AssembleOptions& options = {});

// The lowest and highest address that received a byte; no value when none did.
std::optional<std::pair<uint16_t, uint16_t>> used_range(const Assembly& assembly);

// The bytes from `from` to `to` inclusive; addresses nothing was assembled to
// read 0xFF, like an erased EPROM.
std::string binary_image(const Assembly& assembly, uint16_t from, uint16_t to);

// Motorola S-records: S1 records of up to 16 bytes over every run of emitted
// bytes, then an S9 record carrying the entry address.
std::string s19_text(const Assembly& assembly);

// The listing. Each line starts with the source line number in five columns
// and two blanks; lines that belong to an address carry it as four
// upper-case hexadecimal digits in columns 7-10 (counting from 0), followed
// by a blank, up to four bytes and the source text. The debugger's listing
// window maps addresses to lines by those columns, so nothing else ever
// stands there.
std::string listing_text(const Assembly& assembly);

// Parses a number given on the command line: $hex, 0xhex or decimal, 0-65535.
std::optional<uint16_t> parse_address(const std::string& text);

// The command-line program; returns the exit status (0 success, 1 assembly
// or write error, 2 usage error). Warnings and errors are appended to `err`,
// the help text to `out`. Output files are written only after the whole
// assembly succeeded, and then all of them or none: each goes to a temporary
// file first, and the temporary files are renamed into place only when every
// one of them was written.
int run_command_line(const std::vector<std::string>& args, std::string& out, std::string& err);

}  // namespace apfasm

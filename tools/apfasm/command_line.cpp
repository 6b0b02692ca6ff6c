// The apfasm command line: assemble one source file and write the outputs
// asked for. Nothing is written unless the whole assembly succeeded, and then
// every output or none: each is written to a temporary file beside its
// target, and the temporary files are renamed into place only once all of
// them are complete.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "apfasm/assembler.h"
#include "common/file.h"

namespace apfasm {

namespace {

constexpr const char* usage =
    "usage: apfasm SOURCE [-o FILE [--from ADDR] [--to ADDR]] [--s19 FILE] [--list FILE]\n"
    "              [-D NAME[=VALUE]]... [-I DIR]...\n"
    "\n"
    "Assembles a Motorola 6800 source file.\n"
    "  -o FILE      raw binary of the addresses --from to --to (inclusive); addresses\n"
    "               nothing was assembled to hold $FF. Without --from/--to: from the\n"
    "               lowest to the highest assembled address.\n"
    "  --from ADDR  first address of the binary ($hex, 0xhex or decimal)\n"
    "  --to ADDR    last address of the binary\n"
    "  --s19 FILE   Motorola S-record file (S1 records and an S9 record)\n"
    "  --list FILE  listing: line number, address, bytes, source, and a symbol\n"
    "               cross-reference\n"
    "  -D NAME[=VALUE]  defines NAME before the first line (VALUE: decimal, $hex\n"
    "               or 0xhex, -32768 to 65535; 1 when left out)\n"
    "  -I DIR       also looks for include and incbin files in DIR\n"
    "  --help       this text\n"
    "Errors are reported as FILE:LINE: message; on any error no file is written.\n"
    "Warnings (FILE:LINE: warning: message) leave the exit status and the files alone.\n";

struct Output {
    std::string path;
    std::string contents;
};

// Writes every output to its temporary file; only when all of them are
// complete are they renamed into place. A failure before that leaves every
// target as it was (the temporary files go with their handles). A rename
// within one folder fails only when the target cannot be replaced at all; a
// folder of that name is refused before anything is written, so in practice
// the renames succeed together.
bool write_all(const std::vector<Output>& outputs, std::string& err) {
    for (const Output& o : outputs) {
        std::error_code ec;
        if (std::filesystem::is_directory(o.path, ec)) {
            err += "apfasm: cannot write '" + o.path + "': it is a folder\n";
            return false;
        }
    }
    std::vector<std::unique_ptr<common::ReplacingFile>> files;
    for (const Output& o : outputs) {
        auto file = std::make_unique<common::ReplacingFile>(o.path);
        if (!file->is_open() ||
            std::fwrite(o.contents.data(), 1, o.contents.size(), file->get()) != o.contents.size() ||
            !file->close()) {
            err += "apfasm: cannot write '" + o.path + "'\n";
            return false;
        }
        files.push_back(std::move(file));
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (!files[i]->move_into_place()) {
            err += "apfasm: cannot write '" + outputs[i].path + "'\n";
            return false;
        }
    }
    return true;
}

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "$%04X", value & 0xFFFF);
    return text;
}

// -D NAME or -D NAME=VALUE: a symbol name and an optional value.
bool parse_define(const std::string& text, std::string& name, int32_t& value) {
    const size_t eq = text.find('=');
    name = text.substr(0, eq);
    if (name.empty()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const bool start = std::isalpha(c) || c == '_' || c == '@';
        if (!(start || (i > 0 && (std::isdigit(c) || c == '.')))) return false;
    }
    value = 1;
    if (eq == std::string::npos) return true;
    std::string v = text.substr(eq + 1);
    const bool negative = !v.empty() && v[0] == '-';
    if (negative) v.erase(0, 1);
    const std::optional<uint16_t> n = parse_address(v);
    if (!n || (negative && *n > 32768)) return false;
    value = negative ? -static_cast<int32_t>(*n) : *n;
    return true;
}

}  // namespace

int run_command_line(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::string source, binary_path, s19_path, list_path;
    std::optional<uint16_t> from, to;
    AssembleOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out += usage;
            return 0;
        }
        if (a.rfind("-D", 0) == 0 || a.rfind("-I", 0) == 0) {
            std::string value = a.substr(2);
            if (value.empty()) {
                if (i + 1 >= args.size()) {
                    err += "apfasm: " + a + " needs a value\n";
                    return 2;
                }
                value = args[++i];
            }
            if (a[1] == 'I') {
                options.include_dirs.push_back(value);
                continue;
            }
            std::string name;
            int32_t number = 0;
            if (!parse_define(value, name, number)) {
                err += "apfasm: bad definition '" + value + "' for -D (NAME or NAME=VALUE)\n";
                return 2;
            }
            options.defines[name] = number;
            continue;
        }
        if (a == "-o" || a == "--from" || a == "--to" || a == "--s19" || a == "--list") {
            if (i + 1 >= args.size()) {
                err += "apfasm: " + a + " needs a value\n";
                return 2;
            }
            const std::string& value = args[++i];
            if (a == "--from" || a == "--to") {
                const std::optional<uint16_t> address = parse_address(value);
                if (!address) {
                    err += "apfasm: bad address '" + value + "' for " + a +
                           " (0 to 65535: decimal, $hex or 0xhex)\n";
                    return 2;
                }
                (a == "--from" ? from : to) = address;
            } else {
                (a == "-o" ? binary_path : a == "--s19" ? s19_path : list_path) = value;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            err += "apfasm: unknown option '" + a + "'\n" + usage;
            return 2;
        } else if (source.empty()) {
            source = a;
        } else {
            err += "apfasm: more than one source file ('" + source + "', '" + a + "')\n";
            return 2;
        }
    }
    if (source.empty()) {
        err += usage;
        return 2;
    }
    if ((from || to) && binary_path.empty()) {
        err += "apfasm: --from and --to set the binary's range; give -o FILE\n";
        return 2;
    }
    if (from && to && *from > *to) {
        err += "apfasm: --from is above --to\n";
        return 2;
    }

    {
        // Two outputs in one file would overwrite each other.
        const std::string* named[] = {&binary_path, &s19_path, &list_path};
        for (int i = 0; i < 3; ++i) {
            for (int j = i + 1; j < 3; ++j) {
                if (!named[i]->empty() && *named[i] == *named[j]) {
                    err += "apfasm: '" + *named[i] + "' is named for two outputs\n";
                    return 2;
                }
            }
        }
    }

    const Assembly assembly = assemble(source, read_source_file, options);
    for (const std::string& w : assembly.warnings) err += w + "\n";
    if (!assembly.ok()) {
        for (const std::string& e : assembly.errors) err += e + "\n";
        return 1;
    }

    // Every output is built before any is written, so a problem with one
    // writes none.
    std::vector<Output> outputs;
    if (!binary_path.empty()) {
        const auto range = used_range(assembly);
        if (!range && !(from && to)) {
            err += "apfasm: nothing was assembled; give --from and --to for the binary\n";
            return 1;
        }
        const uint16_t first = from ? *from : range->first;
        const uint16_t last = to ? *to : range->second;
        if (first > last) {
            err += "apfasm: the binary's range is empty (--from above the last assembled address, "
                   "or --to below the first)\n";
            return 1;
        }
        // Bytes outside the binary's range would be lost without a word.
        for (uint32_t a = 0; a <= 0xFFFF; ++a) {
            if (assembly.used[a] && (a < first || a > last)) {
                err += "apfasm: " + hex4(a) + " was assembled outside the binary's range " +
                       hex4(first) + "-" + hex4(last) + "\n";
                return 1;
            }
        }
        outputs.push_back({binary_path, binary_image(assembly, first, last)});
    }
    if (!s19_path.empty()) outputs.push_back({s19_path, s19_text(assembly)});
    if (!list_path.empty()) outputs.push_back({list_path, listing_text(assembly)});
    return write_all(outputs, err) ? 0 : 1;
}

}  // namespace apfasm

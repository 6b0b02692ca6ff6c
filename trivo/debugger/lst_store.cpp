#include "debugger/lst_store.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/file_util.h"

namespace trivo {

namespace {

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Listings are text: tabs, line ends and form feeds are the only control
// bytes an assembler or a trace writes (and DOS's end-of-file mark). A
// binary file shows others within its first bytes.
bool looks_like_text(std::string_view text) {
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) {
            return false;
        }
        if (c == 0x7F) return false;
    }
    return true;
}

// Texts shorter than this carry no line information.
constexpr size_t min_indexed_size = 16;

}  // namespace

std::string lst_expand_tabs(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t column = 0;
    for (const char c : text) {
        if (c == '\t') {
            const size_t next = (column / 8 + 1) * 8;
            out.append(next - column, ' ');
            column = next;
        } else {
            out.push_back(c);
            column = (c == '\r' || c == '\n') ? 0 : column + 1;
        }
    }
    return out;
}

bool lst_is_log_name(std::string_view path) {
    return path.size() >= 4 &&
           (path.substr(path.size() - 4) == ".log" || path.substr(path.size() - 4) == ".LOG");
}

int32_t lst_line_address(std::string_view line, bool log_layout) {
    const size_t column = log_layout ? 0 : 7;
    const size_t longer_than = log_layout ? 7 : 10;
    if (line.size() <= longer_than) return lst_none;
    int32_t value = 0;
    for (size_t i = column; i < column + 4; ++i) {
        if (!is_hex(line[i])) return lst_none;
        value = value * 16 + hex_value(line[i]);
    }
    if (column + 4 < line.size() && is_hex(line[column + 4])) return lst_none;
    return value;
}

LstLoad lst_load_text(LstStore& store, const std::string& path, std::string_view text) {
    if (store.files.size() >= lst_max_files) return LstLoad::full;
    if (text.empty()) return LstLoad::empty;
    if (text.size() > lst_max_bytes) return LstLoad::too_large;
    if (!looks_like_text(text)) return LstLoad::not_text;

    LstFile file;
    file.path = path;
    file.text = lst_expand_tabs(text);
    if (text.size() >= min_indexed_size) {
        const bool log_layout = lst_is_log_name(path);
        file.address_line.assign(0x10000, lst_none);
        std::string_view rest = file.text;
        while (!rest.empty()) {
            const size_t end = rest.find('\n');
            std::string_view raw = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            std::string line;
            line.reserve(raw.size());
            for (const char c : raw) {
                if (c != '\r') line.push_back(c);
            }
            const int32_t address = lst_line_address(line, log_layout);
            const auto index = static_cast<int32_t>(file.lines.size());
            if (address != lst_none) file.address_line[static_cast<size_t>(address)] = index;
            file.lines.push_back(std::move(line));
            file.line_address.push_back(address);
        }
    }
    store.files.push_back(std::move(file));
    store.current = static_cast<int>(store.files.size()) - 1;
    store.selected_line = -1;
    return LstLoad::loaded;
}

LstLoad lst_load_file(LstStore& store, const std::string& path) {
    if (store.files.size() >= lst_max_files) return LstLoad::full;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return LstLoad::cannot_open;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return LstLoad::cannot_open;
    if (size > lst_max_bytes) return LstLoad::too_large;
    const auto bytes = common::read_file(path, lst_max_bytes);
    if (!bytes) return LstLoad::cannot_open;
    return lst_load_text(store, path,
                         std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

void lst_unload(LstStore& store, int index) {
    if (index < 0 || index >= static_cast<int>(store.files.size())) return;
    store.files.erase(store.files.begin() + index);
    store.current = static_cast<int>(store.files.size()) - 1;
    store.selected_line = -1;
}

void lst_clear(LstStore& store) {
    store.files.clear();
    store.current = -1;
    store.selected_line = -1;
}

std::optional<LstPlace> lst_find_address(const LstStore& store, uint16_t address) {
    for (int i = static_cast<int>(store.files.size()) - 1; i >= 0; --i) {
        const LstFile& f = store.files[static_cast<size_t>(i)];
        if (f.address_line.empty()) continue;
        const int32_t line = f.address_line[address];
        if (line != lst_none) return LstPlace{i, line};
    }
    return std::nullopt;
}

int32_t lst_address_from_line(const LstFile& file, int32_t line) {
    if (line < 0) return lst_none;
    for (auto i = static_cast<size_t>(line); i < file.line_address.size(); ++i) {
        if (file.line_address[i] != lst_none) return file.line_address[i];
    }
    return lst_none;
}

std::string lst_file_label(const LstStore& store, int index) {
    if (index < 0 || index >= static_cast<int>(store.files.size())) return {};
    const std::string& path = store.files[static_cast<size_t>(index)].path;
    if (path.empty()) {
        char text[24];
        std::snprintf(text, sizeof text, "File %d", index + 1);
        return text;
    }
    return std::filesystem::path(path).filename().string();
}

std::optional<uint16_t> lst_find_symbol(const LstStore& store, std::string_view name) {
    if (name.empty()) return std::nullopt;
    for (auto f = store.files.rbegin(); f != store.files.rend(); ++f) {
        bool in_symbols = false;
        for (const std::string& line : f->lines) {
            if (!in_symbols) {
                in_symbols = line == "Symbols:";
                continue;
            }
            // "            name                         $hhhh  file:line  uses..."
            const size_t start = line.find_first_not_of(' ');
            if (start == std::string::npos || start == 0) continue;
            const size_t end = line.find(' ', start);
            if (end == std::string::npos || std::string_view(line).substr(start, end - start) != name) {
                continue;
            }
            const size_t dollar = line.find_first_not_of(' ', end);
            if (dollar == std::string::npos || line[dollar] != '$' || dollar + 5 > line.size()) continue;
            int32_t value = 0;
            bool ok = true;
            for (size_t i = dollar + 1; i < dollar + 5; ++i) {
                if (!is_hex(line[i])) ok = false;
                else value = value * 16 + hex_value(line[i]);
            }
            if (ok && (dollar + 5 == line.size() || !is_hex(line[dollar + 5]))) {
                return static_cast<uint16_t>(value);
            }
        }
    }
    return std::nullopt;
}

}  // namespace trivo

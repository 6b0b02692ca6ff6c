#include "cassette/binary_utils.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "common/file_util.h"
#include "machine/machine.h"

namespace trivo {

namespace {

constexpr size_t address_space = 0x10000;

constexpr const char* caption_load_binary = "Util Load Binary errors";
constexpr const char* caption_csavem = "Util CSAVEM errors";
constexpr const char* caption_save_ram = "trivo - Save Ram";

// Every error box starts with this line; the problems follow, one a line.
constexpr const char* text_error_heading = "ERROR: \n";
constexpr const char* text_bad_load_address = "Problem with load address\n";
constexpr const char* text_load_failed = "Problem loading file\n";
constexpr const char* text_bad_start = "Problem with start address\n";
constexpr const char* text_bad_end = "Problem with end address\n";
constexpr const char* text_start_after_end = "Start address is greater than end address\n";
constexpr const char* text_cannot_open = "Could not open file \n";
constexpr const char* text_save_ram_failed = "Could not write ram.bin\n ";

int digit_value(char c, bool hexadecimal) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hexadecimal) return -1;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool valid_address(int value) { return value >= 0 && value <= 0xFFFF; }

}  // namespace

ParsedNumber parse_number(std::string_view text) {
    if (text.empty()) return {number_empty, false};
    const bool hexadecimal = text.front() == '$';
    const std::string_view digits = hexadecimal ? text.substr(1) : text;
    const int bad = hexadecimal ? number_bad_hex : number_bad_decimal;
    if (digits.empty()) return {bad, hexadecimal};

    const uint32_t base = hexadecimal ? 16 : 10;
    uint32_t value = 0;
    for (const char c : digits) {
        const int digit = digit_value(c, hexadecimal);
        if (digit < 0) return {bad, hexadecimal};
        // Held at 0x10000 once too large, so a long run of digits cannot overflow.
        value = std::min<uint32_t>(value * base + static_cast<uint32_t>(digit), 0x10000);
    }
    if (value > 0xFFFF) return {number_too_large, hexadecimal};
    return {static_cast<int>(value), hexadecimal};
}

std::string address_text(int value, bool hexadecimal) {
    char text[16];
    std::snprintf(text, sizeof text, hexadecimal ? "$%04x" : "%d", value);
    return text;
}

bool load_binary(Machine& m, const std::string& path, int address) {
    if (!valid_address(address)) return false;
    const auto data = common::read_file(path, address_space);
    if (!data || data->empty()) return false;
    if (static_cast<size_t>(address) + data->size() > address_space) return false;
    std::copy(data->begin(), data->end(), m.memory_image.begin() + address);
    return true;
}

bool load_binary_dialog_ok(Machine& m, Settings& settings, std::string_view address_field) {
    const ParsedNumber address = parse_number(address_field.substr(0, address_field_chars));
    const char* problem = nullptr;
    if (address.value < 0) {
        problem = text_bad_load_address;
    } else {
        settings.bloadaddr = address.value;
        settings.loadaddrishex = address.hexadecimal ? 1 : 0;
        if (!load_binary(m, settings.bloadfilename, address.value)) problem = text_load_failed;
    }
    if (problem == nullptr) return true;
    m.host->message_box(caption_load_binary, std::string(text_error_heading) + problem,
                        MessageIcon::warning);
    return false;
}

std::string csavem_image(const Machine& m, int start, int end) {
    std::string image;
    uint8_t checksum = 0;
    if (valid_address(start) && valid_address(end) && end >= start) {
        image.reserve(static_cast<size_t>(end - start) + 2);
        for (int a = start; a <= end; ++a) {
            const uint8_t byte = m.memory_image[static_cast<size_t>(a)];
            image.push_back(static_cast<char>(byte));
            checksum = static_cast<uint8_t>(checksum + byte);
        }
    }
    image.push_back(static_cast<char>(checksum));
    return image;
}

bool csavem_dialog_ok(Machine& m, Settings& settings, std::string_view start_field,
                      std::string_view end_field) {
    const ParsedNumber start = parse_number(start_field.substr(0, address_field_chars));
    const ParsedNumber end = parse_number(end_field.substr(0, address_field_chars));
    if (start.value >= 0) {
        settings.csavstart = start.value;
        settings.csavstartishex = start.hexadecimal ? 1 : 0;
    }
    if (end.value >= 0) {
        settings.csavend = end.value;
        settings.csavendishex = end.hexadecimal ? 1 : 0;
    }

    std::string problems;
    if (start.value < 0) problems += text_bad_start;
    if (end.value < 0) problems += text_bad_end;
    if (start.value >= 0 && end.value >= 0 && start.value > end.value) {
        problems += text_start_after_end;
    }
    // The file is written whenever the start is valid, even with other
    // problems: it then holds just the checksum byte 0.
    if (start.value >= 0 &&
        !common::write_file_atomic(settings.csavfilename,
                                   csavem_image(m, start.value, end.value))) {
        problems += text_cannot_open;
    }
    if (problems.empty()) return true;
    m.host->message_box(caption_csavem, text_error_heading + problems, MessageIcon::warning);
    return false;
}

std::string save_ram_path(const std::string& startup_directory) {
    return (std::filesystem::path(startup_directory) / "ram.bin").string();
}

bool save_ram(Machine& m, const std::string& startup_directory) {
    const std::string path = save_ram_path(startup_directory);
    const std::string_view memory(reinterpret_cast<const char*>(m.memory_image.data()),
                                  m.memory_image.size());
    if (common::write_file_atomic(path, memory)) return true;
    m.host->message_box(caption_save_ram, text_save_ram_failed + path, MessageIcon::warning);
    return false;
}

}  // namespace trivo

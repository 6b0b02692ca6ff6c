// chargen: builds the 768-byte character ROM of the display from text art.
//
//   chargen ART OUTPUT
//
// The art holds the 64 glyphs in the video chip's order. Each glyph is a
// header line "glyph $HH NAME" (HH its 6-bit code, NAME the character, or
// uparrow, leftarrow, space) followed by exactly 12 rows of 8 characters,
// '#' for a glyph pixel and '.' for background, leftmost pixel first. Blank
// lines and lines starting with ';' may stand between glyphs. Each row
// becomes one byte with bit 7 the leftmost pixel; glyph c occupies bytes
// 12c to 12c + 11.
//
// Errors are reported as ART:LINE: message, the first one found; the exit
// status is 1 for malformed art, 2 for a usage or file error. The output is
// written to a temporary name and renamed, so a failed run never leaves a
// partial ROM behind.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_util.h"

namespace {

constexpr int glyph_count = 64;
constexpr int glyph_rows = 12;
constexpr int glyph_width = 8;

// What the chip shows for codes 0-63: @ A-Z [ \ ] up-arrow left-arrow, then
// space and the ASCII punctuation and digits of 0x21-0x3F at their own codes.
std::string glyph_name(int code) {
    if (code == 0x1E) return "uparrow";
    if (code == 0x1F) return "leftarrow";
    if (code == 0x20) return "space";
    const int ascii = code < 0x20 ? code + 0x40 : code;
    return std::string(1, static_cast<char>(ascii));
}

struct ArtError {
    int line = 0;
    std::string message;
};

// Line-by-line reader for the art; reports the first fault it meets.
class ArtParser {
public:
    explicit ArtParser(std::vector<std::string> lines) : lines_(std::move(lines)) {
        for (std::string& line : lines_) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
        }
    }

    bool parse(std::vector<uint8_t>& rom, ArtError& error) {
        rom.assign(glyph_count * glyph_rows, 0);
        for (int code = 0; code < glyph_count; ++code) {
            if (!skip_to_content()) {
                return fail(error, static_cast<int>(lines_.size()) + 1,
                            "the art ends after " + std::to_string(code) + " glyphs; " +
                                std::to_string(glyph_count) + " expected");
            }
            if (!parse_header(code, error)) return false;
            for (int row = 0; row < glyph_rows; ++row) {
                if (!parse_row(code, row, rom[code * glyph_rows + row], error)) return false;
            }
        }
        if (skip_to_content()) {
            return fail(error, next_ + 1,
                        "text after the last glyph ($3F); the ROM holds " +
                            std::to_string(glyph_count) + " glyphs");
        }
        return true;
    }

private:
    std::vector<std::string> lines_;
    int next_ = 0;  // index of the next unread line

    static bool fail(ArtError& error, int line, std::string message) {
        error = {line, std::move(message)};
        return false;
    }

    static bool blank_or_comment(const std::string& line) {
        const auto first = line.find_first_not_of(" \t");
        return first == std::string::npos || line[first] == ';';
    }

    // Moves past blank and comment lines; false at the end of the art.
    bool skip_to_content() {
        while (next_ < static_cast<int>(lines_.size()) && blank_or_comment(lines_[next_])) ++next_;
        return next_ < static_cast<int>(lines_.size());
    }

    bool parse_header(int code, ArtError& error) {
        const int line_number = next_ + 1;
        const std::string& line = lines_[next_++];
        std::istringstream words(line);
        std::string keyword, number, name, extra;
        words >> keyword >> number >> name;
        const bool shaped = keyword == "glyph" && number.size() == 3 && number[0] == '$' &&
                            !name.empty() && !(words >> extra);
        if (!shaped) {
            return fail(error, line_number,
                        "expected the header of glyph " + hex(code) + ", 'glyph " + hex(code) +
                            " " + glyph_name(code) + "', found '" + line + "'");
        }
        if (!std::isxdigit(static_cast<unsigned char>(number[1])) ||
            !std::isxdigit(static_cast<unsigned char>(number[2]))) {
            return fail(error, line_number, "'" + number + "' is not a two-digit hex code");
        }
        if (static_cast<int>(std::strtoul(number.c_str() + 1, nullptr, 16)) != code) {
            return fail(error, line_number,
                        "glyph " + number + " is out of order: " + hex(code) + " comes next");
        }
        if (name != glyph_name(code)) {
            return fail(error, line_number,
                        "glyph " + number + " is '" + glyph_name(code) + "', not '" + name + "'");
        }
        return true;
    }

    bool parse_row(int code, int row, uint8_t& byte, ArtError& error) {
        const std::string where = "glyph " + hex(code) + " (" + glyph_name(code) + ")";
        if (next_ >= static_cast<int>(lines_.size())) {
            return fail(error, next_ + 1,
                        where + " has only " + std::to_string(row) + " rows; 12 expected");
        }
        const int line_number = next_ + 1;
        const std::string& line = lines_[next_++];
        if (line.rfind("glyph", 0) == 0 || blank_or_comment(line)) {
            return fail(error, line_number,
                        where + " has only " + std::to_string(row) + " rows; 12 expected");
        }
        if (static_cast<int>(line.size()) != glyph_width) {
            return fail(error, line_number,
                        where + " row " + std::to_string(row) + " has " +
                            std::to_string(line.size()) + " characters; 8 expected");
        }
        byte = 0;
        for (int x = 0; x < glyph_width; ++x) {
            const char c = line[x];
            if (c == '#') {
                byte = static_cast<uint8_t>(byte | (0x80 >> x));
            } else if (c != '.') {
                return fail(error, line_number,
                            where + " row " + std::to_string(row) + " column " +
                                std::to_string(x) + ": '" + std::string(1, c) +
                                "' is neither '#' nor '.'");
            }
        }
        return true;
    }

    static std::string hex(int code) {
        char text[8];
        std::snprintf(text, sizeof text, "$%02X", code);
        return text;
    }
};

int usage() {
    std::cerr << "usage: chargen ART OUTPUT\n"
                 "Converts the character art (64 glyphs of 12 rows of 8 '#'/'.') into\n"
                 "the 768-byte character ROM.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return usage();
    const std::string art_path = argv[1];
    const std::string output_path = argv[2];

    // The art of 64 glyphs is some 7 KB; a megabyte is no art.
    const std::optional<std::vector<uint8_t>> art = common::read_file(art_path, size_t{1} << 20);
    if (!art) {
        std::cerr << art_path << ": cannot be read\n";
        return 2;
    }
    std::vector<std::string> lines;
    std::istringstream in(std::string(art->begin(), art->end()));
    for (std::string line; std::getline(in, line);) lines.push_back(line);

    std::vector<uint8_t> rom;
    ArtError error;
    if (!ArtParser(std::move(lines)).parse(rom, error)) {
        std::cerr << art_path << ":" << error.line << ": " << error.message << "\n";
        return 1;
    }

    if (!common::write_file_atomic(output_path,
                                   std::string_view(reinterpret_cast<const char*>(rom.data()), rom.size()))) {
        std::cerr << output_path << ": cannot be written\n";
        return 2;
    }
    return 0;
}

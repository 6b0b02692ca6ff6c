// Loading the ROM images into their staging buffers, installing them into
// memory, and the Motorola S-record (S19) reader.
//
// How an image file fills a window: an image shorter than its window repeats
// through it, as a small ROM chip does when the window decodes more address
// lines than the chip has. The upper system ROM window and the BASIC
// window at $8000 are filled backwards from the file's end, so that the last
// byte of the file always lands at the window's last address: the 6800's
// vectors at $FFF8-$FFFF come from the end of any system ROM file, whatever
// its length. A file longer than a window gives its first bytes to the
// forward-filled window and its last bytes to the backward-filled one.
#include "machine/rom_images.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <vector>

#include "common/file.h"
#include "machine/commands.h"
#include "machine/machine.h"

namespace trivo {

namespace {

constexpr const char* caption_file_missing = "trivo - File Missing";
// The character ROM messages carry a caption of their own.
constexpr const char* caption_char_missing = "Pelko - File Missing";

constexpr const char* text_os_rom_missing =
    "Could not load in ROM OS file\n %s\n  See Configuration/Memory.";
// Also used for a BASIC ROM file that cannot be loaded.
constexpr const char* text_game_rom_missing =
    "Could not load in Game ROM OS file\n %s\n  See File/Cartridge.";
constexpr const char* text_s19_problem = "%x Problem loading S19 file\n %s\n  See File/Cartridge.";
constexpr const char* text_char_rom_missing =
    "Could not load in Character ROM file\n %s\n  See Configuration/Memory.";
constexpr const char* text_char_rom_ext_missing =
    "Could not load in Extended Character ROM file\n %s\n  See Configuration/Memory.";

// The largest part of a file any window takes: 8K from its start, 8K from its end.
constexpr size_t image_keep = os_rom_window_size;

__attribute__((format(printf, 1, 2))) std::string format_text(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

void report_missing(Machine& m, const char* caption, const char* text, const std::string& name) {
    m.host->message_box(caption, format_text(text, name.c_str()), MessageIcon::warning);
}

// What the windows need of an image file: its first and its last bytes.
struct ImageFile {
    std::vector<uint8_t> head;  // the first min(size, keep) bytes
    std::vector<uint8_t> tail;  // the last min(size, keep) bytes
};

// Reads an image file. No value when it is not a readable regular file (a
// folder or a device counts as missing), when it is empty, or when a read
// comes up short. Only the needed ends of a long file are read.
std::optional<ImageFile> read_image_file(const std::string& path, size_t keep) {
    const common::File in = common::File::open_regular(path);
    if (!in || fseeko(in.get(), 0, SEEK_END) != 0) return std::nullopt;
    const off_t size = ftello(in.get());
    if (size <= 0) return std::nullopt;

    const size_t part = static_cast<size_t>(std::min<off_t>(size, static_cast<off_t>(keep)));
    ImageFile file;
    file.head.resize(part);
    file.tail.resize(part);
    if (fseeko(in.get(), 0, SEEK_SET) != 0 ||
        std::fread(file.head.data(), 1, part, in.get()) != part ||
        fseeko(in.get(), size - static_cast<off_t>(part), SEEK_SET) != 0 ||
        std::fread(file.tail.data(), 1, part, in.get()) != part) {
        return std::nullopt;
    }
    return file;
}

// window[i] = image[i mod n]: the image from its first byte, repeated. `head`
// is the whole image or at least as long as the window. No image leaves the
// window reading 0xFF, as an empty socket does.
template <size_t N>
void fill_forward(std::array<uint8_t, N>& window, std::span<const uint8_t> head) {
    if (head.empty()) {
        window.fill(0xFF);
        return;
    }
    for (size_t i = 0; i < N; ++i) window[i] = head[i % head.size()];
}

// window[N-1-k] = image[n-1-(k mod n)]: the image's last byte at the window's
// last address, repeating downwards. `tail` is the whole image or at least
// as long as the window.
template <size_t N>
void fill_backward(std::array<uint8_t, N>& window, std::span<const uint8_t> tail) {
    if (tail.empty()) {
        window.fill(0xFF);
        return;
    }
    const size_t n = tail.size();
    for (size_t k = 0; k < N; ++k) window[N - 1 - k] = tail[n - 1 - (k % n)];
}

// A character ROM file: up to the ROM's size from its start, the rest 0. No
// value, and the ROM untouched, when the file is missing or empty.
template <size_t N>
bool load_char_file(std::array<uint8_t, N>& rom, const std::string& path) {
    const auto file = read_image_file(path, N);
    if (!file) return false;
    rom.fill(0);
    std::copy(file->head.begin(), file->head.end(), rom.begin());
    return true;
}

// --- S19 -------------------------------------------------------------------

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

struct HexPair {
    uint8_t value = 0;  // 0 when the pair is bad
    bool good = false;
};

// The byte written as two hex digits at line[position]. Positions past the
// end of the line read as a character that is no digit, so a record cut
// short reads zeros and fails its checksum; nothing past the line is read.
HexPair hex_pair(std::string_view line, size_t position) {
    if (position + 1 >= line.size()) return {};
    const int high = hex_value(line[position]);
    const int low = hex_value(line[position + 1]);
    if (high < 0 || low < 0) return {};
    return {static_cast<uint8_t>(high << 4 | low), true};
}

// One line, its line feed included (the last line of a file may lack it).
// Returns the line's error word.
uint32_t s19_line(RomImages& images, std::string_view line) {
    if (line[0] != 'S' && line[0] != 's') return s19_not_a_record;
    // S0 (header), S5 (count) and S9 (start address) records carry no data.
    if (line.size() < 2 || line[1] != '1') return 0;

    const HexPair count = hex_pair(line, 2);
    const HexPair address_high = hex_pair(line, 4);
    const HexPair address_low = hex_pair(line, 6);
    if (!count.good || !address_high.good || !address_low.good) return s19_bad_hex;

    uint32_t word = 0;
    const uint32_t address = static_cast<uint32_t>(address_high.value << 8 | address_low.value);
    unsigned sum = count.value + address_high.value + address_low.value;
    const int data_bytes = count.value - 3;  // the count covers address and checksum
    size_t position = 8;
    for (int i = 0; i < data_bytes; ++i) {
        const HexPair data = hex_pair(line, position);
        position += 2;
        const uint32_t target = address + static_cast<uint32_t>(i);
        images.s19_image[target & 0xFFFF] = data.value;
        images.s19_loaded[target & 0xFFFF] = 1;
        sum += data.value;
        if (target > 0xFFFF) {
            // Wrapped to $0000: that byte is kept, the rest of the record is
            // dropped, and the next pair is taken as the checksum.
            word |= s19_beyond_ffff;
            break;
        }
    }
    const HexPair checksum = hex_pair(line, position);
    if (!checksum.good || checksum.value != static_cast<uint8_t>(~sum)) word |= s19_bad_checksum;
    return word;
}

// Cuts a stream of bytes into lines of at most s19_line_max characters and
// hands each to s19_line. A longer line is skipped whole however long it is;
// only s19_line_max + 1 characters are ever kept.
class S19Lines {
public:
    explicit S19Lines(RomImages& images) : images_(images) {}

    void feed(std::string_view bytes) {
        for (const char c : bytes) {
            if (c == '\n') {
                end_line();
            } else if (length_ == line_.size()) {
                overlong_ = true;
            } else {
                line_[length_++] = c;
            }
        }
    }

    // End of file: a non-empty last line without its line feed counts too.
    uint32_t finish() {
        if (overlong_ || length_ > static_cast<size_t>(s19_line_max)) {
            word_ |= s19_line_too_long;
        } else if (length_ > 0) {
            word_ |= s19_line(images_, std::string_view(line_.data(), length_));
        }
        length_ = 0;
        overlong_ = false;
        return word_;
    }

private:
    void end_line() {
        // Lines written on DOS end in CR LF; text-mode reading drops the CR.
        if (!overlong_ && length_ > 0 && line_[length_ - 1] == '\r') --length_;
        if (overlong_ || length_ + 1 > static_cast<size_t>(s19_line_max)) {
            word_ |= s19_line_too_long;
        } else {
            line_[length_++] = '\n';
            word_ |= s19_line(images_, std::string_view(line_.data(), length_));
        }
        length_ = 0;
        overlong_ = false;
    }

    RomImages& images_;
    // Room for the longest allowed line plus a CR before its line feed.
    std::array<char, s19_line_max + 1> line_{};
    size_t length_ = 0;
    bool overlong_ = false;
    uint32_t word_ = 0;
};

void s19_clear(RomImages& images) {
    images.s19_image.fill(0);
    images.s19_loaded.fill(0);
}

}  // namespace

uint32_t s19_parse(RomImages& images, std::string_view text) {
    s19_clear(images);
    S19Lines lines(images);
    lines.feed(text);
    return lines.finish();
}

uint32_t load_s19(RomImages& images, const std::string& path) {
    s19_clear(images);
    // Only a regular file: a device could stream forever.
    const common::File file = common::File::open_regular(path);
    if (!file) return s19_cannot_open;

    S19Lines lines(images);
    std::vector<char> chunk(65536);
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) {
        lines.feed(std::string_view(chunk.data(), n));
    }
    const bool read_failed = std::ferror(file.get()) != 0;
    const uint32_t word = lines.finish();
    // A read error part-way is reported like a file that cannot be opened;
    // what was read before it stays loaded.
    return read_failed ? word | s19_cannot_open : word;
}

void load_rom_images(Machine& m, const BuiltinImages& builtin) {
    RomImages& r = m.rom_images;
    const Settings& s = m.settings;

    // 1. The built-in images; a 2K system ROM shows four times in each window.
    fill_forward(r.os_rom_low, builtin.system_rom);
    fill_backward(r.os_rom_high, builtin.system_rom);
    fill_forward(r.basic_rom_low, builtin.basic_low);
    fill_backward(r.basic_rom_high, builtin.basic_high);
    m.char_rom_ext = char_rom_ext_test_pattern;
    m.char_rom.fill(0);
    std::copy_n(builtin.char_rom.begin(), std::min(builtin.char_rom.size(), m.char_rom.size()),
                m.char_rom.begin());

    // 2. System ROM file.
    if (s.usebuiltinromflag == 0) {
        if (const auto file = read_image_file(s.ROMfilename, image_keep)) {
            fill_forward(r.os_rom_low, file->head);
            fill_backward(r.os_rom_high, file->tail);
        } else {
            report_missing(m, caption_file_missing, text_os_rom_missing, s.ROMfilename);
        }
    }

    // 3. Game cartridge: the previous contents stay when the file fails.
    if (cart_type(s) == CartType::game_file) {
        if (const auto file = read_image_file(s.GAMEfilename, image_keep)) {
            fill_forward(r.game_rom, file->head);
        } else {
            report_missing(m, caption_file_missing, text_game_rom_missing, s.GAMEfilename);
        }
    }

    // 4. S19 program: what was read before an error stays loaded.
    if (cart_type(s) == CartType::s19_file) {
        if (const uint32_t word = load_s19(r, s.S19filename); word != 0) {
            m.host->message_box(caption_file_missing,
                                format_text(text_s19_problem, word, s.S19filename.c_str()),
                                MessageIcon::warning);
        }
    }

    // 5. BASIC from a file: a 12K file gives its first 4K to $6800 and its
    // last 8K to $8000.
    if (cart_type(s) == CartType::basic_file) {
        if (const auto file = read_image_file(s.BASICfilename, image_keep)) {
            fill_forward(r.basic_rom_low, file->head);
            fill_backward(r.basic_rom_high, file->tail);
        } else {
            report_missing(m, caption_file_missing, text_game_rom_missing, s.BASICfilename);
        }
    }

    // 6, 7. Character ROM files; a short file leaves the rest of the ROM 0.
    if (s.usebuiltincharflag == 0 && !load_char_file(m.char_rom, s.CHARfilename)) {
        report_missing(m, caption_char_missing, text_char_rom_missing, s.CHARfilename);
    }
    if (s.usebuiltincharxflag == 0 && !load_char_file(m.char_rom_ext, s.CHARXfilename)) {
        report_missing(m, caption_char_missing, text_char_rom_ext_missing, s.CHARXfilename);
    }

    // 8. The BASIC ROM traps only fit the built-in BASIC, whose routines sit
    // at the trapped addresses. The logger works through the traps, so it
    // goes off with them.
    m.rom_hacks_armed = s.enableromhacksflag == 1 && cart_type(s) == CartType::builtin_basic;
    if (!m.rom_hacks_armed) m.wav_logger_on = false;
    m.host->menu_state(command_wav_logger, m.wav_logger_on, m.rom_hacks_armed);
}

void install_rom_images(Machine& m) {
    const RomImages& r = m.rom_images;
    auto& memory = m.memory_image;
    std::copy(r.os_rom_low.begin(), r.os_rom_low.end(), memory.begin() + os_rom_low_base);
    std::copy(r.os_rom_high.begin(), r.os_rom_high.end(), memory.begin() + os_rom_high_base);

    switch (cart_type(m.settings)) {
        case CartType::builtin_basic:
        case CartType::basic_file:
            std::copy(r.basic_rom_low.begin(), r.basic_rom_low.end(),
                      memory.begin() + basic_rom_low_base);
            std::copy(r.basic_rom_high.begin(), r.basic_rom_high.end(),
                      memory.begin() + cartridge_base);
            break;
        case CartType::game_file:
            std::copy(r.game_rom.begin(), r.game_rom.end(), memory.begin() + cartridge_base);
            std::fill_n(memory.begin() + cartridge_gap_base, cartridge_gap_size, 0xFF);
            break;
        case CartType::s19_file:
            for (size_t a = 0; a < memory.size(); ++a) {
                if (r.s19_loaded[a]) memory[a] = r.s19_image[a];
            }
            break;
        case CartType::none:
        default:  // no cartridge, or a carttype out of range: nothing besides the system ROM
            break;
    }
}

}  // namespace trivo

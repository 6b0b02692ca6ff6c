#include "machine/config.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string_view>

namespace trivo {

namespace {

using common::Profile;

// Value syntax of the configuration file.
//
// Flag: at most 15 characters compared without regard to case; "1", "on",
//   "true", "yes", "y" and "0", "off", "false", "no", "n"; any other word keeps
//   the value. Written as "1" or "0".
// Integer: decimal; a missing or non-numeric value keeps the value (or reads
//   as 0 for the three keys that say so); then clamped into the key's range.
// Text: at most 255 characters, written as stored.
enum class Type { flag, integer, text };

// What an integer outside its range becomes.
enum class OutOfRange { clamp, zero };

struct Key {
    const char* name;
    Type type;
    int Settings::*number = nullptr;
    std::string Settings::*text = nullptr;
    int low = INT_MIN;
    int high = INT_MAX;
    bool missing_reads_zero = false;
    OutOfRange out_of_range = OutOfRange::clamp;
};

constexpr Key flag(const char* name, int Settings::*field) {
    return {name, Type::flag, field};
}
constexpr Key integer(const char* name, int Settings::*field, int low = INT_MIN,
                      int high = INT_MAX) {
    return {name, Type::integer, field, nullptr, low, high};
}
constexpr Key text(const char* name, std::string Settings::*field) {
    return {name, Type::text, nullptr, field};
}

// The key groups, each in the order its writer writes it.

constexpr Key memory_keys[] = {
    flag("enhancedflag", &Settings::enhancedflag),
    {"expandertype", Type::integer, &Settings::expandertype, nullptr, 0, 1, true},
    flag("writeROMflag", &Settings::writeROMflag),
    text("ROMfilename", &Settings::ROMfilename),
    text("CHARfilename", &Settings::CHARfilename),
    text("CHARXfilename", &Settings::CHARXfilename),
    flag("usebuiltinromflag", &Settings::usebuiltinromflag),
    flag("usebuiltincharflag", &Settings::usebuiltincharflag),
    flag("usebuiltincharxflag", &Settings::usebuiltincharxflag),
};

constexpr Key cartridge_keys[] = {
    {"carttype", Type::integer, &Settings::carttype, nullptr, 0, 4, true},
    flag("enableromhacksflag", &Settings::enableromhacksflag),
    text("BASICfilename", &Settings::BASICfilename),
    text("GAMEfilename", &Settings::GAMEfilename),
    text("S19filename", &Settings::S19filename),
};

constexpr Key printer_keys[] = {
    flag("printnulls", &Settings::printnulls),
    flag("autolinefeedflag", &Settings::autolinefeedflag),
    flag("fixedwidthflag", &Settings::fixedwidthflag),
    integer("width", &Settings::width),
    text("filename", &Settings::filename),
};

constexpr Key keyboard_flag_keys[] = {
    flag("emulatedflag", &Settings::emulatedflag),
    flag("qtuselowerflag", &Settings::qtuselowerflag),
    flag("joykeyenable", &Settings::joykeyenable),
};
constexpr Key sensible_keyboard_flags[] = {keyboard_flag_keys[0], keyboard_flag_keys[1]};
constexpr Key emulated_keyboard_flags[] = {keyboard_flag_keys[0], keyboard_flag_keys[2]};

constexpr Key video_keys[] = {
    integer("windowscaling", &Settings::windowscaling, 1, 3),
    flag("useartifact", &Settings::useartifact),
};

constexpr Key sound_keys[] = {
    flag("clickerflag", &Settings::clickerflag),
    integer("clickervolpct", &Settings::clickervolpct, 0, 100),
};

// FILES, indexed by FilesKey for the single-key writes, then nscreenshot.
constexpr Key files_keys[] = {
    text("cassette", &Settings::cassette),
    text("cassettewr", &Settings::cassettewr),
    text("quicktype", &Settings::quicktype),
    text("lst1", &Settings::lst1),
    text("script", &Settings::script),
    integer("nscreenshot", &Settings::nscreenshot, 0, 9999),
};
constexpr const Key& screenshot_key = files_keys[5];

constexpr Key load_binary_keys[] = {
    flag("execaddrishex", &Settings::execaddrishex),
    flag("loadaddrishex", &Settings::loadaddrishex),
    flag("pokeexecaddr", &Settings::pokeexecaddr),
    integer("bloadaddr", &Settings::bloadaddr, 0, 65535),
    integer("bexecaddr", &Settings::bexecaddr, 0, 65535),
    text("bloadfilename", &Settings::bloadfilename),
};

constexpr Key csavem_keys[] = {
    flag("csavstartishex", &Settings::csavstartishex),
    flag("csavendishex", &Settings::csavendishex),
    integer("csavstart", &Settings::csavstart, 0, 65535),
    integer("csavend", &Settings::csavend, 0, 65535),
    text("csavfilename", &Settings::csavfilename),
};

constexpr Key speed_keys[] = {
    // An unknown timing mode is NTSC, not the nearest mode: a stray large
    // number must not switch the sound off by selecting the fast mode.
    {"cpuspeedopt", Type::integer, &Settings::cpuspeedopt, nullptr, 0, 3, true, OutOfRange::zero},
    integer("ntscmultiplierpct", &Settings::ntscmultiplierpct, 1, 1000),
    integer("palmultiplierpct", &Settings::palmultiplierpct, 1, 1000),
    // A frame needs some cycles in each part (negative counts become the
    // least too) and no part lasts longer than five seconds.
    integer("activescancust", &Settings::activescancust, custom_part_cycles_min,
            custom_part_cycles_max),
    integer("vblankcust", &Settings::vblankcust, custom_part_cycles_min, custom_part_cycles_max),
    integer("fpscust", &Settings::fpscust, 1, 600),
    flag("usevideoupdatepsflag", &Settings::usevideoupdatepsflag),
    integer("videoupdatesps", &Settings::videoupdatesps, 1, 600),
    flag("speedupfilesflag", &Settings::speedupfilesflag),
};

constexpr size_t text_max = 255;
constexpr size_t flag_text_max = 15;

// Cuts text to at most max bytes without splitting a UTF-8 character. A
// cut that leaves blanks at the end drops them too: the profile reader
// trims a value's trailing blanks, so they would not survive being saved
// and read again.
std::string cut(std::string s, size_t max) {
    if (s.size() <= max) return s;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    while (n > 0 && std::string_view(" \t\r\v\f").find(s[n - 1]) != std::string_view::npos) --n;
    s.resize(n);
    return s;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void read_flag(const Profile& p, const char* section, const char* name, int& field) {
    const auto value = common::profile_get(p, section, name);
    if (!value) return;
    const std::string word = cut(*value, flag_text_max);
    for (const char* yes : {"1", "on", "true", "yes", "y"})
        if (equals_ignoring_case(word, yes)) field = 1;
    for (const char* no : {"0", "off", "false", "no", "n"})
        if (equals_ignoring_case(word, no)) field = 0;
}

void read_keys(const Profile& p, const char* section, std::span<const Key> keys, Settings& s) {
    for (const Key& k : keys) {
        switch (k.type) {
        case Type::flag:
            read_flag(p, section, k.name, s.*k.number);
            break;
        case Type::integer: {
            int& field = s.*k.number;
            const auto value = common::profile_get(p, section, k.name);
            const auto number = value ? common::profile_parse_int(*value) : std::nullopt;
            if (number) field = *number;
            else if (k.missing_reads_zero) field = 0;
            if (field < k.low || field > k.high) {
                if (k.out_of_range == OutOfRange::zero) field = 0;
                else field = field < k.low ? k.low : k.high;
            }
            break;
        }
        case Type::text:
            if (auto value = common::profile_get(p, section, k.name))
                s.*k.text = cut(std::move(*value), text_max);
            break;
        }
    }
}

void write_key(Profile& p, const char* section, const Key& k, const Settings& s) {
    switch (k.type) {
    case Type::flag:
        common::profile_set(p, section, k.name, s.*k.number != 0 ? "1" : "0");
        break;
    case Type::integer:
        common::profile_set(p, section, k.name, std::to_string(s.*k.number));
        break;
    case Type::text:
        common::profile_set(p, section, k.name, s.*k.text);
        break;
    }
}

void write_keys(Profile& p, const char* section, std::span<const Key> keys, const Settings& s) {
    for (const Key& k : keys) write_key(p, section, k, s);
}

// COLOR: entry n under "c%02x", value "%03d%03d%03d" of red, green, blue.
std::string colour_key(int index) {
    char name[8];
    std::snprintf(name, sizeof name, "c%02x", index);
    return name;
}

// A colour is taken only from exactly nine decimal digits; each group of
// three gives a component, of which the low 8 bits count (999 is 231).
void read_colours(const Profile& p, Settings& s) {
    for (int i = 0; i < palette_entries; ++i) {
        const auto value = common::profile_get(p, "COLOR", colour_key(i));
        if (!value || value->size() != 9) continue;
        if (value->find_first_not_of("0123456789") != std::string::npos) continue;
        uint8_t rgb[3];
        for (int c = 0; c < 3; ++c) {
            const char* d = value->data() + 3 * c;
            rgb[c] = static_cast<uint8_t>((d[0] - '0') * 100 + (d[1] - '0') * 10 + (d[2] - '0'));
        }
        s.video_palette[i] = PaletteEntry{rgb[0], rgb[1], rgb[2]};
    }
}

void write_colours(Profile& p, const Settings& s) {
    for (int i = 0; i < palette_entries; ++i) {
        const PaletteEntry& e = s.video_palette[i];
        char value[16];
        std::snprintf(value, sizeof value, "%03d%03d%03d", e.red, e.green, e.blue);
        common::profile_set(p, "COLOR", colour_key(i), value);
    }
}

// KEYBOARD: the sensible tables under "n%02x", "s%02x", "c%02x" (PC
// virtual-key code in lower-case hexadecimal).
struct SensibleGroup {
    char letter;
    SensibleTable Settings::*table;
};
constexpr SensibleGroup sensible_groups[] = {
    {'n', &Settings::sensible_normal},
    {'s', &Settings::sensible_shift},
    {'c', &Settings::sensible_ctrl},
};

std::string sensible_key(char letter, int code) {
    char name[8];
    std::snprintf(name, sizeof name, "%c%02x", letter, code);
    return name;
}

// An entry is -1 or an APF key number 0-95 with the SHIFT (256) and CTRL
// (512) bits; anything else would index past the machine's key state, so it
// keeps the value it had.
bool valid_sensible_entry(int v) {
    if (v == sensible_unassigned) return true;
    return v >= 0 && (v & ~(sensible_with_shift | sensible_with_ctrl | 0xFF)) == 0 &&
           (v & 0xFF) <= 95;
}

void read_sensible(const Profile& p, Settings& s) {
    for (const SensibleGroup& g : sensible_groups) {
        SensibleTable& table = s.*g.table;
        for (int code = 0; code < 256; ++code) {
            const auto value = common::profile_get(p, "KEYBOARD", sensible_key(g.letter, code));
            const auto number = value ? common::profile_parse_int(*value) : std::nullopt;
            if (number && valid_sensible_entry(*number)) table[code] = *number;
        }
    }
}

void write_sensible(Profile& p, const Settings& s) {
    for (const SensibleGroup& g : sensible_groups) {
        const SensibleTable& table = s.*g.table;
        for (int code = 0; code < 256; ++code)
            common::profile_set(p, "KEYBOARD", sensible_key(g.letter, code),
                                std::to_string(table[code]));
    }
}

// EMUKEYBOARD: the text of APF key n under "K%02X" (upper-case hexadecimal).
std::string emu_key(int number) {
    char name[8];
    std::snprintf(name, sizeof name, "K%02X", number);
    return name;
}

// A text longer than 31 characters cannot come from the dialog. Only 15
// codes of a key are ever used, so keep its first 15 whole tokens.
void read_emu_keys(const Profile& p, Settings& s) {
    for (int n = 0; n < static_cast<int>(s.emu_key_map.size()); ++n) {
        auto value = common::profile_get(p, "EMUKEYBOARD", emu_key(n));
        if (!value) continue;
        s.emu_key_map[n] = value->size() > emu_key_text_max ? cut(std::move(*value), emu_key_text_max - 1)
                                                           : std::move(*value);
    }
}

void write_emu_keys(Profile& p, const Settings& s) {
    for (int n = 0; n < static_cast<int>(s.emu_key_map.size()); ++n)
        common::profile_set(p, "EMUKEYBOARD", emu_key(n), s.emu_key_map[n]);
}

// Loads the file, lets edit change its keys, and replaces the file once.
template <typename Edit>
bool update(const std::string& path, ProfileReplace replace, Edit edit) {
    Profile p;
    if (!common::profile_begin_update(path, p)) return false;
    edit(p);
    return common::profile_save(p, path, replace);
}

}  // namespace

std::string config_locate(const std::string& startup_directory) {
    const std::filesystem::path directory(startup_directory);
    Profile pointer;
    common::profile_load((directory / config_pointer_file).string(), pointer);
    std::string name = cut(common::profile_get(pointer, "CONFIG", "ini").value_or(""), text_max);
    // An empty name would make the start-up directory itself the file.
    if (name.empty()) name = config_default_name;
    return (directory / name).string();
}

void config_read_all(const std::string& path, Settings& settings) {
    Profile p;
    common::profile_load(path, p);  // missing or unreadable: every key is missing

    read_keys(p, "MEMORY", memory_keys, settings);
    read_keys(p, "MEMORY", cartridge_keys, settings);
    // The ROM images follow from here; the caller loads them afterwards.
    read_keys(p, "PRINTER", printer_keys, settings);
    read_keys(p, "KEYBOARD", keyboard_flag_keys, settings);
    read_sensible(p, settings);
    read_emu_keys(p, settings);
    read_keys(p, "VIDEO", video_keys, settings);
    read_colours(p, settings);
    read_keys(p, "SOUND", sound_keys, settings);
    read_keys(p, "FILES", files_keys, settings);
    read_keys(p, "LOADBINARY", load_binary_keys, settings);
    read_keys(p, "CSAVEM", csavem_keys, settings);
    read_keys(p, "SPEED", speed_keys, settings);
}

bool config_write_memory(const std::string& path, const Settings& s, ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) { write_keys(p, "MEMORY", memory_keys, s); });
}

bool config_write_cartridge(const std::string& path, const Settings& s, ProfileReplace replace) {
    return update(path, replace,
                  [&](Profile& p) { write_keys(p, "MEMORY", cartridge_keys, s); });
}

bool config_write_printer(const std::string& path, const Settings& s, ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) { write_keys(p, "PRINTER", printer_keys, s); });
}

bool config_write_sound(const std::string& path, const Settings& s, ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) { write_keys(p, "SOUND", sound_keys, s); });
}

bool config_write_speed(const std::string& path, const Settings& s, ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) { write_keys(p, "SPEED", speed_keys, s); });
}

bool config_write_video(const std::string& path, const Settings& s, ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) {
        write_keys(p, "VIDEO", video_keys, s);
        write_colours(p, s);
    });
}

bool config_write_sensible_keyboard(const std::string& path, const Settings& s,
                                    ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) {
        write_keys(p, "KEYBOARD", sensible_keyboard_flags, s);
        write_sensible(p, s);
    });
}

bool config_write_emulated_keyboard(const std::string& path, const Settings& s,
                                    ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) {
        write_keys(p, "KEYBOARD", emulated_keyboard_flags, s);
        write_emu_keys(p, s);
    });
}

bool config_write_load_binary(const std::string& path, const Settings& s,
                              ProfileReplace replace) {
    return update(path, replace,
                  [&](Profile& p) { write_keys(p, "LOADBINARY", load_binary_keys, s); });
}

bool config_write_csavem(const std::string& path, const Settings& s, ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) { write_keys(p, "CSAVEM", csavem_keys, s); });
}

bool config_write_file_choice(const std::string& path, const Settings& s, FilesKey key,
                              ProfileReplace replace) {
    const Key& k = files_keys[static_cast<int>(key)];
    return update(path, replace, [&](Profile& p) { write_key(p, "FILES", k, s); });
}

bool config_write_screenshot_counter(const std::string& path, const Settings& s,
                                     ProfileReplace replace) {
    return update(path, replace, [&](Profile& p) { write_key(p, "FILES", screenshot_key, s); });
}

}  // namespace trivo

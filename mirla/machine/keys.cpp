#include "machine/keys.h"

#include <charconv>

namespace mirla {

namespace {

constexpr uint8_t key_at(int bank, int byte, int bit) {
    return static_cast<uint8_t>(bank << 7 | byte << 4 | bit);
}

// APF: keyboard bytes 0-6 and keypad bytes 0-3, eight bits each, as the
// machine's matrix wires them; "" where no key sits.
constexpr std::string_view apf_keyboard[7][8] = {
    {"X", "Z", "Q", "2", "A", "1", "W", "S"},
    {"C", "V", "R", "3", "F", "4", "E", "D"},
    {"N", "B", "T", "6", "G", "5", "Y", "H"},
    {"M", ",", "I", "7", "K", "8", "U", "J"},
    {"/", ".", "O", "0", "L", "9", "P", ";"},
    {"sp", ":", "re", "lf", "", "-", "", "bs"},
    {"sh", "es", "ct", "rp", "br", "hi", "", ""},
};
// Bits 0-3 are the first hand controller, 4-7 the second.
constexpr std::string_view apf_keypad[4][8] = {
    {"1", "0", "4", "7", "1", "0", "4", "7"},
    {"S", "E", "N", "W", "S", "E", "N", "W"},
    {"3", "Cl", "6", "9", "3", "Cl", "6", "9"},
    {"2", "En", "5", "8", "2", "En", "5", "8"},
};

// "Vendel-I": 20 keys in bytes 0-4, bits 0-3.
constexpr std::string_view vendel_keypad[5][4] = {
    {"0", "1", "2", "3"}, {"4", "5", "6", "7"}, {"8", "9", "A", "B"},
    {"C", "D", "E", "F"}, {"sh", "rp", "S", "N"},
};

// "Q.Lumen I": 40 keys in bytes 0-9, bits 0-3 (the four bits offset 80
// returns). Rows 0-3 the hex digits, row 4 the monitor's keys (address,
// next, previous, go), rows 5-9 the calculator's.
constexpr std::string_view qlumen1_keypad[10][4] = {
    {"0", "1", "2", "3"},   {"4", "5", "6", "7"},   {"8", "9", "A", "B"},
    {"C", "D", "E", "F"},   {"AD", "NX", "PR", "GO"}, {"C/", "CE", "=", "%"},
    {"x", "/", "M+", "M-"}, {"MR", "MC", "+/-", "."}, {"F1", "F2", "F3", "F4"},
    {"F5", "F6", "F7", "F8"},
};

// "Q.Lumen II": 40 keys in bytes 0-7, bits 0-4 (register 0 passes bits 5-0).
// Rows 0-3: four hex digits and one monitor key each; rows 4-7 the
// calculator's keys.
constexpr std::string_view qlumen2_keypad[8][5] = {
    {"0", "1", "2", "3", "AD"},      {"4", "5", "6", "7", "NX"},
    {"8", "9", "A", "B", "PR"},      {"C", "D", "E", "F", "GO"},
    {"C/", "CE", "=", "%", "x"},     {"/", "M+", "M-", "MR", "MC"},
    {"+/-", ".", "F1", "F2", "F3"},  {"F4", "F5", "F6", "F7", "F8"},
};

template <size_t rows, size_t bits>
constexpr int count_keys(const std::string_view (&table)[rows][bits]) {
    int n = 0;
    for (const auto& row : table)
        for (auto legend : row) n += legend.empty() ? 0 : 1;
    return n;
}

template <size_t rows, size_t bits>
constexpr void add_keys(KeyLegend* out, int& n, int bank, const std::string_view (&table)[rows][bits]) {
    for (size_t r = 0; r < rows; ++r)
        for (size_t b = 0; b < bits; ++b)
            if (!table[r][b].empty()) out[n++] = {key_at(bank, static_cast<int>(r), static_cast<int>(b)), table[r][b]};
}

constexpr auto apf_legends = [] {
    std::array<KeyLegend, count_keys(apf_keyboard) + count_keys(apf_keypad)> out{};
    int n = 0;
    add_keys(out.data(), n, 0, apf_keyboard);
    add_keys(out.data(), n, 1, apf_keypad);
    return out;
}();

template <size_t rows, size_t bits>
constexpr auto board_legends(const std::string_view (&table)[rows][bits]) {
    std::array<KeyLegend, rows * bits> out{};
    int n = 0;
    add_keys(out.data(), n, 0, table);
    return out;
}

constexpr auto vendel_legends = board_legends(vendel_keypad);
constexpr auto qlumen1_legends = board_legends(qlumen1_keypad);
constexpr auto qlumen2_legends = board_legends(qlumen2_keypad);

struct HostKey {
    uint8_t code;
    uint8_t key;
};

// APF: the non-letter keys of the keyboard, the two hand controllers and the
// cassette buttons. Letters and digits map to the key of the same legend.
constexpr HostKey apf_host_keys[] = {
    {0xBC, 49},  {0xBE, 65},  {0xBD, 64},  {0xC0, 71},  {0x20, 80},  {0xDE, 81},  {0x0D, 82},
    {0xBA, 83},  {0xDB, 85},  {0x08, 87},  {0x10, 96},  {0x1B, 97},  {0x11, 98},  {0x12, 99},
    {0x14, 100}, {0xDC, 101},
    // first controller on the numeric pad
    {0x61, 128}, {0x60, 129}, {0x64, 130}, {0x67, 131}, {0x28, 144}, {0x27, 145}, {0x26, 146},
    {0x25, 147}, {0x63, 160}, {0x6E, 161}, {0x66, 162}, {0x69, 163}, {0x62, 176}, {0x6B, 177},
    {0x65, 178}, {0x68, 179},
    // second controller on the function and editing keys
    {0x70, 132}, {0x79, 133}, {0x73, 134}, {0x76, 135}, {0x23, 148}, {0x22, 149}, {0x24, 150},
    {0x2E, 151}, {0x72, 164}, {0x21, 165}, {0x75, 166}, {0x78, 167}, {0x71, 180}, {0x2D, 181},
    {0x74, 182}, {0x77, 183},
    // cassette buttons
    {0x6A, 240}, {0x7A, 241}, {0x6F, 242}, {0x6D, 243},
};

// The United States layout puts these punctuation keys elsewhere; they are
// applied after the others.
constexpr HostKey apf_us_keys[] = {
    {0xBD, 85}, {0xC0, 101}, {0xDB, 83}, {0xBA, 71}, {0xDE, 81}, {0xBF, 64},
};

// Boards: the hex digits on the digit and letter keys and the numeric pad;
// the monitor keys on Tab, Space, Backspace and Return and on letters that
// are not hex digits.
constexpr HostKey vendel_host_keys[] = {
    {0x09, 0x42}, {0x53, 0x42},  // S  (Tab, S)
    {0x20, 0x43}, {0x4E, 0x43},  // N  (Space, N)
    {0x08, 0x40}, {0x10, 0x40},  // sh (Backspace, Shift)
    {0x0D, 0x41}, {0x52, 0x41},  // rp (Return, R)
};
constexpr HostKey qlumen1_host_keys[] = {
    {0x09, 0x40}, {0x4C, 0x40},  // AD (Tab, L)
    {0x20, 0x41}, {0x4E, 0x41},  // NX (Space, N)
    {0x08, 0x42}, {0x50, 0x42},  // PR (Backspace, P)
    {0x0D, 0x43}, {0x47, 0x43},  // GO (Return, G)
};
constexpr HostKey qlumen2_host_keys[] = {
    {0x09, 0x04}, {0x4C, 0x04},  // AD
    {0x20, 0x14}, {0x4E, 0x14},  // NX
    {0x08, 0x24}, {0x50, 0x24},  // PR
    {0x0D, 0x34}, {0x47, 0x34},  // GO
};

// The key of hex digit d: every board has them four to a byte in bytes 0-3.
constexpr uint8_t board_hex_key(int d) { return key_at(0, d / 4, d % 4); }

}  // namespace

void key_press(Machine& m, uint8_t key) noexcept {
    if (key == no_key) return;
    m.last_key = key;
    if (key < 240) {
        m.key_matrix[key_matrix_index(key)] &= static_cast<uint8_t>(~(1u << key_matrix_bit(key)));
    }
}

void key_release(Machine& m, uint8_t key) noexcept {
    if (key >= 240) return;
    m.key_matrix[key_matrix_index(key)] |= static_cast<uint8_t>(1u << key_matrix_bit(key));
}

std::span<const KeyLegend> key_legends(MachineKind kind) {
    switch (kind) {
        case MachineKind::vendel1: return vendel_legends;
        case MachineKind::qlumen1: return qlumen1_legends;
        case MachineKind::qlumen2: return qlumen2_legends;
        case MachineKind::apf: break;
    }
    return apf_legends;
}

std::optional<uint8_t> key_by_name(MachineKind kind, std::string_view name) {
    for (const KeyLegend& k : key_legends(kind)) {
        if (k.legend == name) return k.key;
    }
    unsigned number = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (error == std::errc() && end == name.data() + name.size() && !name.empty() && number < no_key) {
        return static_cast<uint8_t>(number);
    }
    return std::nullopt;
}

std::array<uint8_t, 256> builtin_key_map(MachineKind kind, bool us_layout) {
    std::array<uint8_t, 256> map;
    map.fill(no_key);
    if (kind == MachineKind::apf) {
        for (const KeyLegend& k : apf_legends) {
            if (k.key >= 128 || k.legend.size() != 1) continue;
            const char c = k.legend[0];
            if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) map[static_cast<uint8_t>(c)] = k.key;
        }
        for (const HostKey& h : apf_host_keys) map[h.code] = h.key;
        if (us_layout) {
            for (const HostKey& h : apf_us_keys) map[h.code] = h.key;
        }
        return map;
    }
    for (int d = 0; d < 16; ++d) {
        const uint8_t key = board_hex_key(d);
        map[d < 10 ? 0x30 + d : 0x41 + d - 10] = key;  // digit and letter keys
        if (d < 10) map[0x60 + d] = key;                // numeric pad
    }
    std::span<const HostKey> extra = vendel_host_keys;
    if (kind == MachineKind::qlumen1) extra = qlumen1_host_keys;
    if (kind == MachineKind::qlumen2) extra = qlumen2_host_keys;
    for (const HostKey& h : extra) map[h.code] = h.key;
    return map;
}

}  // namespace mirla

// The PC keyboard and controllers as the machine's keys: the key table and
// its character lookup, the emulated (positional) and sensible maps scanned
// from a host snapshot, and controller states reduced to the switch bits.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "automation/automation.h"
#include "host/keyboard.h"
#include "machine/keys.h"
#include "running_machine.h"

namespace trivo {
namespace {

using test::RunningMachine;

constexpr int vk_return = 0x0D, vk_a = 0x41, vk_b = 0x42, vk_c = 0x43, vk_1 = 0x31,
              vk_2 = 0x32;
constexpr int vk_oem_1 = 0xBA, vk_oem_plus = 0xBB;  // ";:" and "=+" on a US keyboard
constexpr uint8_t key_a = 0x04, key_b = 0x11, key_c = 0x08, key_1 = 0x05, key_p = 0x26,
                  key_colon = 0x29, key_minus = 0x2D;

std::set<int> held(const Machine& m) {
    std::set<int> keys;
    for (int k = 0; k < 128; ++k) {
        if (m.key_state[k]) keys.insert(k);
    }
    return keys;
}

// Every key number of the matrix and of both controllers appears in the
// table, and each character the system ROM types for a key is the one the
// table gives for quick-typing.
TEST(KeyTable, CoversTheMatrixAndAgreesWithCharToKey) {
    std::set<int> numbers;
    for (int i = 0; i < apf_key_count; ++i) {
        const ApfKey& k = apf_key_table[i];
        EXPECT_EQ(k.kind, i < apf_keyboard_key_count ? KeyKind::keyboard : KeyKind::controller);
        EXPECT_LE(k.x + k.width, 200) << k.main;
        EXPECT_LE(k.y + k.height, 92) << k.main;
        numbers.insert(k.number);
    }
    // 52 keyboard numbers (two SHIFT keys share 0x30) and 32 controller keys.
    EXPECT_EQ(numbers.size(), 84u);
    for (int n : {0x2B, 0x2C, 0x36, 0x37}) EXPECT_FALSE(numbers.count(n)) << n;
    EXPECT_EQ(apf_key_table[apf_keyboard_key_count].main, std::string("FR"));

    auto machine = make_machine();
    keyboard_rebuild_tables(*machine);
    const auto& c2k = machine->input.tables.char_to_key;
    struct CharCase {
        unsigned char c;
        int key;
    };
    const CharCase cases[] = {
        {'A', key_a},           {'a', key_a},           {'Z', 0x01},
        {'z', 0x01},            {'1', key_1},           {'!', key_1 + 256},
        {'"', 0x03 + 256},      {'0', 0x23},            {':', key_colon},
        {'*', key_colon + 256}, {'-', key_minus},       {'=', key_minus + 256},
        {'_', 0x22 + 256},      {'@', key_p + 256},     {'[', 0x1C + 256},
        {'\\', 0x24 + 256},     {'^', 0x10 + 256},      {']', 0x18 + 256},
        {'+', 0x27 + 256},      {';', 0x27},            {'?', 0x20 + 256},
        {'\n', key_return},     {' ', key_space},       {'\r', -1},
        {'\t', -1},             {'{', -1},              {0x80, -1},
    };
    for (const CharCase& c : cases) {
        EXPECT_EQ(c2k[c.c], c.key) << "character " << int(c.c);
    }
}

TEST(EmulatedMap, DecodesTokensOneByOne) {
    struct DecodeCase {
        const char* text;
        std::vector<int> codes;
    };
    const DecodeCase cases[] = {
        {"0DJL41", {0x0D, 257, 0x41}},
        {"KRKDJa", {320 + 2, 320 + 4, 256 + 5}},
        {"Jz", {256 + 30}},
        {"0d00zzJ1 A41", {0x41}},  // lower-case hex, 00, junk, a blank inside a token
        {"4", {}},                 // an odd character left over
        // 16 tokens: only the first 15 codes count.
        {"01020304050607080910111213141516", {1, 2, 3, 4, 5, 6, 7, 8, 9, 0x10, 0x11, 0x12, 0x13,
                                              0x14, 0x15}},
    };
    for (const DecodeCase& c : cases) {
        std::array<int, KeyboardTables::list_max> codes{};
        const int n = emu_key_decode(c.text, codes);
        EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + n), c.codes) << c.text;
    }
    std::array<char, 24> buffer;
    EXPECT_EQ(joystick_switch_name(257, buffer), "Joy1 Left");
    EXPECT_EQ(joystick_switch_name(320 + 4, buffer), "Joy2 Down");
    EXPECT_EQ(joystick_switch_name(256 + 11, buffer), "Joy1 Button 07");
    EXPECT_EQ(joystick_switch_name(0x41, buffer), "");
    EXPECT_EQ(joystick_switch_name(256 + 31, buffer), "");
}

TEST(EmulatedMap, SharedKeysLimitsAndHeldFrames) {
    RunningMachine t;
    Machine& m = t.m;
    m.settings.emulatedflag = 1;
    // PC Return stands under SHIFT and 1 at once: the machine sees "!".
    m.settings.emu_key_map[apf_shift_key] = "0D";
    m.settings.emu_key_map[key_1] = "0D31";
    m.settings.emu_key_map[key_a] = "41JLJg";
    // 'B' listed under 16 keys: the 16th (in key number order) misses out.
    const int b_keys[] = {0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47,
                          0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F};
    for (int k : b_keys) m.settings.emu_key_map[k] = "42";
    keyboard_rebuild_tables(m);

    m.input.host.focused = true;
    t.hold_vk({vk_return});
    t.frames(8);
    EXPECT_EQ(held(m), (std::set<int>{apf_shift_key, key_1}));
    EXPECT_EQ(t.row_text(test::check_last_key_row), "LAST KEY: ! $21");
    t.frames(5);
    EXPECT_EQ(held(m), (std::set<int>{apf_shift_key, key_1})) << "still held frames later";
    t.hold_vk({});
    t.frames(1);
    EXPECT_TRUE(held(m).empty());

    t.hold_vk({vk_b});
    t.frames(1);
    std::set<int> first15(b_keys, b_keys + 15);
    EXPECT_EQ(held(m), first15);

    // Unfocused, the PC keys are up; the controller still acts.
    m.input.host.focused = false;
    t.hold_vk({vk_a});
    auto& joy = m.input.host.joysticks[0];
    joy.present = true;
    joy.caps_axes = 2;
    joy.axes[0] = -700;
    t.frames(1);
    EXPECT_EQ(held(m), (std::set<int>{key_a}));
    joy.axes[0] = 0;
    joy.buttons[6] = joy_button_down;  // button 7: "Jg"
    t.frames(1);
    EXPECT_EQ(held(m), (std::set<int>{key_a}));
    m.settings.joykeyenable = 0;
    t.frames(1);
    EXPECT_TRUE(held(m).empty()) << "controllers press nothing with joykeyenable 0";

    // While quick-type owns the keys the scan leaves them alone.
    m.input.host.focused = true;
    t.hold_vk({vk_return});
    quicktype_start(m, {'Q', 'Q'});
    m.key_state.fill(0);
    m.key_state[0x02] = 1;
    keyboard_scan(m);
    EXPECT_EQ(held(m), (std::set<int>{0x02}));
}

// The sensible map: a PC key combination gives the APF the character it
// gives on the PC. The system ROM's LAST KEY line shows what it got.
TEST(SensibleMap, CombinationsTypeThePcCharacter) {
    struct SensibleCase {
        const char* what;
        std::vector<int> pc_keys;
        char table;                  // 'n', 's' or 'c'
        int vk;
        int entry;
        const char* last_key;  // "" when nothing may be pressed
    };
    const SensibleCase cases[] = {
        {"Shift+2 is @", {vk_shift, vk_2}, 's', vk_2, key_p + sensible_with_shift,
         "LAST KEY: @ $40"},
        {"Shift+; is :", {vk_shift, vk_oem_1}, 's', vk_oem_1, key_colon,
         "LAST KEY: : $3A"},
        {"= alone needs APF SHIFT", {vk_oem_plus}, 'n', vk_oem_plus,
         key_minus + sensible_with_shift, "LAST KEY: = $3D"},
        {"Ctrl+C", {vk_control, vk_c}, 'c', vk_c, key_c + sensible_with_ctrl,
         "LAST KEY:   $03"},
        {"plain a", {vk_a}, 'n', vk_a, key_a, "LAST KEY: A $41"},
        // Shift held: the Shift table decides, and it has nothing for A.
        {"Shift+A with only the plain entry", {vk_shift, vk_a}, 'n', vk_a, key_a, ""},
    };
    for (const SensibleCase& c : cases) {
        SCOPED_TRACE(c.what);
        RunningMachine t;
        Settings& s = t.m.settings;
        SensibleTable& table = c.table == 's'   ? s.sensible_shift
                               : c.table == 'c' ? s.sensible_ctrl
                                                : s.sensible_normal;
        table[c.vk] = c.entry;
        t.m.input.host.focused = true;
        t.frames(3);
        t.m.input.host.keys_down.fill(0);
        for (int k : c.pc_keys) t.m.input.host.keys_down[k] = 1;
        t.frames(6);
        if (*c.last_key) {
            EXPECT_EQ(t.row_text(test::check_last_key_row), c.last_key);
        } else {
            EXPECT_TRUE(held(t.m).empty());
            EXPECT_EQ(t.row_text(test::check_last_key_row), "LAST KEY:");
        }
    }

    // Two assigned keys held: only the lower virtual key is mapped.
    RunningMachine t;
    t.m.settings.sensible_normal[vk_a] = key_a;
    t.m.settings.sensible_normal[vk_b] = key_b;
    t.m.settings.sensible_normal[vk_1] = key_1;
    t.m.input.host.focused = true;
    t.hold_vk({vk_b, vk_a});
    t.frames(1);
    EXPECT_EQ(held(t.m), (std::set<int>{key_a}));
    t.hold_vk({vk_b, vk_1});
    t.frames(1);
    EXPECT_EQ(held(t.m), (std::set<int>{key_1}));
    // The keyboard picture's key adds to what the PC keys press.
    t.m.input.host.picture_key = key_pad_fire;
    t.frames(1);
    EXPECT_EQ(held(t.m), (std::set<int>{key_1, key_pad_fire}));
}

TEST(Joystick, ReducesAxesHatsAndButtons) {
    struct JoyCase {
        const char* what;
        int axes_caps, povs_caps;
        int32_t x, y;
        uint32_t pov;
        int button;  // index of a pressed button, or -1
        int value;
    };
    const JoyCase cases[] = {
        {"up-right stick", 2, 0, 700, -700, pov_centred, -1, 0xF6},
        {"dead zone edge", 2, 0, 648, -648, pov_centred, -1, 0xFF},
        {"just outside", 2, 0, 649, 649, pov_centred, -1, 0xF5},
        {"left and down", 2, 1, -720, 720, 0, -1, 0xF9},  // the stick wins over the hat
        {"hat right", 2, 1, 0, 0, 9000, -1, 0xF7},
        {"hat between windows", 2, 1, 0, 0, 6000, -1, 0xFF},
        {"hat up", 2, 1, 0, 0, 999, -1, 0xFE},
        {"hat up from the left", 2, 1, 0, 0, 35001, -1, 0xFE},
        {"hat up-right", 2, 1, 0, 0, 3501, -1, 0xF6},
        {"hat down-right", 2, 1, 0, 0, 14499, -1, 0xF5},
        {"hat down", 2, 1, 0, 0, 18000, -1, 0xFD},
        {"hat down-left", 2, 1, 0, 0, 22500, -1, 0xF9},
        {"hat left", 2, 1, 0, 0, 27000, -1, 0xFB},
        {"hat up-left", 2, 1, 0, 0, 31000, -1, 0xFA},
        {"hat 36000 is no angle", 2, 1, 0, 0, 36000, -1, 0xFF},
        {"hat centred", 2, 1, 0, 0, pov_centred, -1, 0xFF},
        {"one axis: only the hat", 1, 1, 720, 0, 27000, -1, 0xFB},
        {"no hat on the device", 2, 0, 0, 0, 9000, -1, 0xFF},
        {"button 1 is fire", 2, 0, 0, 0, pov_centred, 0, 0xEF},
        {"button 6 is fire", 2, 0, 0, 0, pov_centred, 5, 0xEF},
        {"button 7 is not", 2, 0, 0, 0, pov_centred, 6, 0xFF},
    };
    for (const JoyCase& c : cases) {
        JoystickState s;
        s.present = true;
        s.caps_axes = c.axes_caps;
        s.caps_povs = c.povs_caps;
        s.axes[0] = c.x;
        s.axes[1] = c.y;
        s.povs[0] = c.pov;
        if (c.button >= 0) s.buttons[c.button] = joy_button_down;
        EXPECT_EQ(joystick_reduce(s), c.value) << c.what;
    }
    JoystickState absent;
    EXPECT_EQ(joystick_reduce(absent), -1);
    JoystickState failed;
    failed.present = true;
    failed.read_ok = false;
    EXPECT_EQ(joystick_reduce(failed), -1);

    // Polling keeps the value for the slot; the second controller's
    // switches are the codes from 321.
    RunningMachine t;
    t.m.settings.emulatedflag = 1;
    t.m.settings.emu_key_map[key_pad_north + key_pad_right_offset] = "KU";
    t.m.settings.emu_key_map[key_pad_fire + key_pad_right_offset] = "Kz";
    keyboard_rebuild_tables(t.m);
    auto& joy = t.m.input.host.joysticks[1];
    joy.present = true;
    joy.caps_povs = 1;
    joy.povs[0] = 0;
    joy.buttons[25] = joy_button_down;
    t.frames(6);
    EXPECT_EQ(t.m.input.joy_value[0], -1);
    EXPECT_EQ(t.m.input.joy_value[1], 0xFE);
    EXPECT_EQ(held(t.m), (std::set<int>{key_pad_north + key_pad_right_offset,
                                        key_pad_fire + key_pad_right_offset}));
    EXPECT_EQ(t.row_text(9), "FR N");
}

}  // namespace
}  // namespace trivo

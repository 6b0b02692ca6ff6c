#include <QKeyEvent>
#include <QWidget>
#include <initializer_list>
#include <string>
#include <vector>

#include "host/keyboard.h"
#include "host/ui/qt_keys.h"
#include "window_fixture.h"

namespace trivo::test {
namespace {

using ui::KeyCodes;
using ui::KeyTracker;

// X key codes of real key events on a PC keyboard.
constexpr quint32 x_1 = 10, x_7 = 16, x_a = 38;
constexpr quint32 x_left_shift = 50, x_right_shift = 62;
constexpr quint32 x_left_control = 37, x_right_control = 105;
constexpr quint32 x_left_alt = 64, x_right_alt = 108;

QKeyEvent key_event(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    quint32 scan = 0, bool repeat = false) {
    return QKeyEvent(type, key, modifiers, scan, 0, 0, QString(), repeat);
}

std::vector<int> codes_of(const KeyCodes& codes) {
    return std::vector<int>(codes.code.begin(), codes.code.begin() + codes.count);
}

std::vector<int> held_codes(const KeyTracker& keys) {
    std::vector<int> held;
    for (int code = 0; code < 256; ++code) {
        if (keys.isHeld(code)) held.push_back(code);
    }
    return held;
}

TEST(QtKeyTranslation, KeyEventsBecomeVirtualKeyCodes) {
    const struct Case {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        quint32 scan;
        std::vector<int> codes;
    } cases[] = {
        {"letter", Qt::Key_A, Qt::NoModifier, x_a, {0x41}},
        {"last letter", Qt::Key_Z, Qt::NoModifier, 0, {0x5A}},
        {"digit", Qt::Key_7, Qt::NoModifier, x_7, {0x37}},
        {"shifted digit is its key", Qt::Key_Exclam, Qt::ShiftModifier, x_1, {0x31}},
        {"shifted 0", Qt::Key_ParenRight, Qt::ShiftModifier, 0, {0x30}},
        {"colon is the semicolon key", Qt::Key_Colon, Qt::ShiftModifier, 0, {0xBA}},
        {"double quote is the quote key", Qt::Key_QuoteDbl, Qt::ShiftModifier, 0, {0xDE}},
        {"Return", Qt::Key_Return, Qt::NoModifier, 0, {0x0D}},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, 0, {0x0D}},
        {"keypad 5", Qt::Key_5, Qt::KeypadModifier, 0, {0x65}},
        {"keypad *", Qt::Key_Asterisk, Qt::KeypadModifier, 0, {0x6A}},
        {"* on the 8 key", Qt::Key_Asterisk, Qt::ShiftModifier, 0, {0x38}},
        {"keypad Home, Num Lock off", Qt::Key_Home, Qt::KeypadModifier, 0, {0x24}},
        {"Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, 0, {0x09}},
        {"F1", Qt::Key_F1, Qt::NoModifier, 0, {0x70}},
        {"F12", Qt::Key_F12, Qt::NoModifier, 0, {0x7B}},
        {"arrow", Qt::Key_Left, Qt::NoModifier, 0, {0x25}},
        {"left Shift", Qt::Key_Shift, Qt::NoModifier, x_left_shift, {0x10, 0xA0}},
        {"right Shift", Qt::Key_Shift, Qt::NoModifier, x_right_shift, {0x10, 0xA1}},
        {"synthetic Shift is the left one", Qt::Key_Shift, Qt::NoModifier, 0, {0x10, 0xA0}},
        {"left Ctrl", Qt::Key_Control, Qt::NoModifier, x_left_control, {0x11, 0xA2}},
        {"right Ctrl", Qt::Key_Control, Qt::NoModifier, x_right_control, {0x11, 0xA3}},
        {"left Alt", Qt::Key_Alt, Qt::NoModifier, x_left_alt, {0x12, 0xA4}},
        {"right Alt", Qt::Key_Alt, Qt::NoModifier, x_right_alt, {0x12, 0xA5}},
        {"AltGr is the right Alt", Qt::Key_AltGr, Qt::NoModifier, x_right_alt, {0x12, 0xA5}},
        {"Compose has no code", Qt::Key_Multi_key, Qt::NoModifier, 135, {}},
        {"dead key has no code", Qt::Key_Dead_Acute, Qt::NoModifier, 48, {}},
        {"Hyper has no code", Qt::Key_Hyper_L, Qt::NoModifier, 0, {}},
        {"unknown key", Qt::Key_unknown, Qt::NoModifier, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QKeyEvent event = key_event(QEvent::KeyPress, c.key, c.modifiers, c.scan);
        EXPECT_EQ(codes_of(ui::keyCodesFor(event)), c.codes);
    }
}

TEST(QtKeyTracker, AKeyIsReleasedByItsKeyCodeWhateverItTypesNow) {
    KeyTracker keys;
    // "!" pressed with Shift; Shift let go first, so the release says "1".
    keys.press(key_event(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier, x_left_shift));
    keys.press(key_event(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, x_1));
    EXPECT_EQ(held_codes(keys), (std::vector<int>{0x10, 0x31, 0xA0}));
    keys.release(key_event(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier, x_left_shift));
    keys.release(key_event(QEvent::KeyRelease, Qt::Key_1, Qt::NoModifier, x_1));
    EXPECT_TRUE(held_codes(keys).empty());

    // On another layout Shift+7 types "/", whose code is another key's.
    keys.press(key_event(QEvent::KeyPress, Qt::Key_Slash, Qt::ShiftModifier, x_7));
    EXPECT_EQ(held_codes(keys), std::vector<int>{0xBF});
    keys.release(key_event(QEvent::KeyRelease, Qt::Key_7, Qt::NoModifier, x_7));
    EXPECT_TRUE(held_codes(keys).empty());
}

TEST(QtKeyTracker, BothShiftKeysHoldTheGenericCodeUntilTheLastIsUp) {
    KeyTracker keys;
    keys.press(key_event(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier, x_left_shift));
    keys.press(key_event(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, x_right_shift));
    EXPECT_EQ(held_codes(keys), (std::vector<int>{0x10, 0xA0, 0xA1}));
    keys.release(key_event(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier, x_left_shift));
    EXPECT_EQ(held_codes(keys), (std::vector<int>{0x10, 0xA1}));
    keys.release(key_event(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier, x_right_shift));
    EXPECT_TRUE(held_codes(keys).empty());
}

TEST(QtKeyTracker, AutoRepeatKeepsTheKeyDownAndFocusLossReleasesAll) {
    KeyTracker keys;
    keys.press(key_event(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, x_a));
    // X repeats a held key as release-press pairs marked as repeats.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(keys.release(key_event(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, x_a, true)));
        EXPECT_TRUE(keys.press(key_event(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, x_a, true)));
        EXPECT_TRUE(keys.isHeld(0x41));
    }
    keys.press(key_event(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier, x_right_control));
    keys.releaseAll();
    EXPECT_TRUE(held_codes(keys).empty());
    // Its release, arriving later, is harmless.
    EXPECT_TRUE(keys.release(key_event(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, x_a)));
    EXPECT_TRUE(held_codes(keys).empty());
}

TEST(QtKeyTracker, KeysWithoutACodeAreLeftToTheWindow) {
    KeyTracker keys;
    EXPECT_FALSE(keys.press(key_event(QEvent::KeyPress, Qt::Key_Dead_Grave, Qt::NoModifier, 49)));
    EXPECT_FALSE(keys.release(key_event(QEvent::KeyRelease, Qt::Key_Dead_Grave, Qt::NoModifier, 49)));
    EXPECT_TRUE(held_codes(keys).empty());
}

// ------------------------------------------------ keys on the window

std::vector<int> apf_keys_down(const Machine& m) {
    std::vector<int> down;
    for (int k = 0; k < static_cast<int>(m.key_state.size()); ++k) {
        if (m.key_state[k]) down.push_back(k);
    }
    return down;
}

struct KeyPressCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<int> apf_keys;
};

class WindowKeysTest : public WindowTest {
protected:
    // Presses each case's keys on the window, sees its APF keys the next
    // frame, releases them and sees none.
    void press_and_release(std::initializer_list<KeyPressCase> cases) {
        for (const KeyPressCase& c : cases) {
            SCOPED_TRACE(c.name);
            QTest::keyPress(window->screen(), c.key, c.modifiers);
            next_frame();
            EXPECT_EQ(apf_keys_down(*machine), c.apf_keys);
            QTest::keyRelease(window->screen(), c.key, c.modifiers);
            next_frame();
            EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{});
        }
    }
};

TEST_F(WindowKeysTest, EmulatedKeyboardPressesTheKeysMappedToThePcKeys) {
    start_window([](Settings& s) {
        s.emulatedflag = 1;
        s.emu_key_map[0x02] = "51";    // Q on Q
        s.emu_key_map[0x05] = "31";    // 1 on 1
        s.emu_key_map[0x30] = "A0A1";  // SHIFT on either PC Shift
        s.emu_key_map[0x2A] = "0D";    // RETURN on Return
        s.emu_key_map[0x42] = "26";    // left controller's N on the up arrow
    });
    press_and_release({
        {"Q", Qt::Key_Q, Qt::NoModifier, {0x02}},
        {"Shift+1", Qt::Key_1, Qt::ShiftModifier, {0x05, 0x30}},
        {"Return", Qt::Key_Return, Qt::NoModifier, {0x2A}},
        {"up arrow", Qt::Key_Up, Qt::NoModifier, {0x42}},
        {"unmapped key", Qt::Key_W, Qt::NoModifier, {}},
    });
}

TEST_F(WindowKeysTest, SensibleKeyboardPressesOneKeyWithTheShiftOrCtrlItNeeds) {
    start_window([](Settings& s) {
        s.emulatedflag = 0;
        s.sensible_normal[0x41] = 0x04;                         // A
        s.sensible_normal[0x0D] = 0x2A;                         // RETURN
        s.sensible_shift[0x31] = 0x05 | sensible_with_shift;    // "!"
        s.sensible_ctrl[0x43] = 0x08 | sensible_with_ctrl;      // CTRL C
    });
    press_and_release({
        {"A", Qt::Key_A, Qt::NoModifier, {0x04}},
        {"Return", Qt::Key_Return, Qt::NoModifier, {0x2A}},
        {"Shift+1", Qt::Key_1, Qt::ShiftModifier, {0x05, 0x30}},
        {"Ctrl+C", Qt::Key_C, Qt::ControlModifier, {0x08, 0x32}},
        // With Shift held the Shift table decides: A has nothing there.
        {"Shift+A", Qt::Key_A, Qt::ShiftModifier, {}},
    });
}

TEST_F(WindowKeysTest, LosingTheFocusReleasesEveryKey) {
    start_window([](Settings& s) {
        s.emulatedflag = 1;
        s.emu_key_map[0x02] = "51";
        s.emu_key_map[0x04] = "41";
    });
    QTest::keyPress(window->screen(), Qt::Key_Q);
    QTest::keyPress(window->screen(), Qt::Key_A);
    next_frame();
    ASSERT_EQ(apf_keys_down(*machine), (std::vector<int>{0x02, 0x04}));

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    next_frame();
    EXPECT_FALSE(machine->input.host.focused);
    EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{});

    // Back in front, the keys released elsewhere stay up.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    next_frame();
    EXPECT_TRUE(machine->input.host.focused);
    EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{});
    QTest::keyPress(window->screen(), Qt::Key_A);
    next_frame();
    EXPECT_EQ(apf_keys_down(*machine), std::vector<int>{0x04});
}

}  // namespace
}  // namespace trivo::test

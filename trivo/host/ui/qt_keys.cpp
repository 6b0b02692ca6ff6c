#include "host/ui/qt_keys.h"

#include <QKeyEvent>

namespace trivo::ui {

namespace {

struct KeyRow {
    int qt;
    int vk;
};

// Qt keys to virtual keys, US layout. Letters and digits are computed below.
constexpr KeyRow key_rows[] = {
    {Qt::Key_Cancel, 0x03},     {Qt::Key_Backspace, 0x08},   {Qt::Key_Tab, 0x09},
    {Qt::Key_Backtab, 0x09},    {Qt::Key_Clear, 0x0C},       {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},      {Qt::Key_Shift, vk_shift},   {Qt::Key_Control, vk_control},
    {Qt::Key_Alt, vk_menu},     {Qt::Key_Pause, 0x13},       {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Hangul, 0x15},     {Qt::Key_Kanji, 0x19},       {Qt::Key_Escape, 0x1B},
    {Qt::Key_Henkan, 0x1C},     {Qt::Key_Muhenkan, 0x1D},    {Qt::Key_Mode_switch, 0x1F},
    {Qt::Key_Space, 0x20},      {Qt::Key_PageUp, 0x21},      {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},        {Qt::Key_Home, 0x24},        {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},         {Qt::Key_Right, 0x27},       {Qt::Key_Down, 0x28},
    {Qt::Key_Select, 0x29},     {Qt::Key_Printer, 0x2A},     {Qt::Key_Execute, 0x2B},
    {Qt::Key_Print, 0x2C},      {Qt::Key_SysReq, 0x2C},      {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},     {Qt::Key_Help, 0x2F},        {Qt::Key_Super_L, 0x5B},
    {Qt::Key_Meta, 0x5B},       {Qt::Key_Super_R, 0x5C},     {Qt::Key_Menu, 0x5D},
    {Qt::Key_Sleep, 0x5F},      {Qt::Key_NumLock, 0x90},     {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Back, 0xA6},       {Qt::Key_Forward, 0xA7},     {Qt::Key_Refresh, 0xA8},
    {Qt::Key_Stop, 0xA9},       {Qt::Key_Search, 0xAA},      {Qt::Key_Favorites, 0xAB},
    {Qt::Key_HomePage, 0xAC},   {Qt::Key_VolumeMute, 0xAD},  {Qt::Key_VolumeDown, 0xAE},
    {Qt::Key_VolumeUp, 0xAF},   {Qt::Key_MediaNext, 0xB0},   {Qt::Key_MediaPrevious, 0xB1},
    {Qt::Key_MediaStop, 0xB2},  {Qt::Key_MediaPlay, 0xB3},   {Qt::Key_MediaTogglePlayPause, 0xB3},
    {Qt::Key_LaunchMail, 0xB4}, {Qt::Key_LaunchMedia, 0xB5}, {Qt::Key_Launch0, 0xB6},
    {Qt::Key_Launch1, 0xB7},    {Qt::Key_Play, 0xFA},        {Qt::Key_Zoom, 0xFB},
    // The punctuation keys of the US layout, plain and shifted.
    {Qt::Key_Semicolon, 0xBA},  {Qt::Key_Colon, 0xBA},       {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},       {Qt::Key_Comma, 0xBC},       {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},      {Qt::Key_Underscore, 0xBD},  {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},    {Qt::Key_Slash, 0xBF},       {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},  {Qt::Key_AsciiTilde, 0xC0},  {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},  {Qt::Key_Backslash, 0xDC},   {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
    // Shifted digits.
    {Qt::Key_Exclam, 0x31},     {Qt::Key_At, 0x32},          {Qt::Key_NumberSign, 0x33},
    {Qt::Key_Dollar, 0x34},     {Qt::Key_Percent, 0x35},     {Qt::Key_AsciiCircum, 0x36},
    {Qt::Key_Ampersand, 0x37},  {Qt::Key_Asterisk, 0x38},    {Qt::Key_ParenLeft, 0x39},
    {Qt::Key_ParenRight, 0x30},
};

// The keypad, when the event carries Qt::KeypadModifier.
constexpr KeyRow keypad_rows[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B}, {Qt::Key_Comma, 0x6C},
    {Qt::Key_Minus, 0x6D},    {Qt::Key_Period, 0x6E}, {Qt::Key_Slash, 0x6F},
    {Qt::Key_Enter, 0x0D},
};

// X key codes of the right-hand modifier keys.
constexpr quint32 x_right_shift = 62;
constexpr quint32 x_right_control = 105;
constexpr quint32 x_right_alt = 108;

uint32_t physicalKey(const QKeyEvent& event, int vk) {
    // Synthetic events have no key code; their virtual key stands in for it.
    if (event.nativeScanCode() != 0) return event.nativeScanCode();
    return 0x80000000u | static_cast<uint32_t>(vk);
}

}  // namespace

int virtualKeyFor(int qtKey, bool keypad) {
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 0x60 + (qtKey - Qt::Key_0);
        for (const KeyRow& row : keypad_rows) {
            if (row.qt == qtKey) return row.vk;
        }
        // Keypad keys with Num Lock off (Home, arrows ...) are the keys they stand for.
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 0x41 + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 0x30 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70 + (qtKey - Qt::Key_F1);
    for (const KeyRow& row : key_rows) {
        if (row.qt == qtKey) return row.vk;
    }
    return 0;
}

KeyCodes keyCodesFor(const QKeyEvent& event) {
    KeyCodes codes;
    const quint32 scan = event.nativeScanCode();
    const auto hold = [&codes](int generic, int sided) {
        codes.code = {static_cast<uint8_t>(generic), static_cast<uint8_t>(sided)};
        codes.count = 2;
    };
    if (event.key() == Qt::Key_AltGr) {
        hold(vk_menu, vk_rmenu);
        return codes;
    }
    const int vk = virtualKeyFor(event.key(), (event.modifiers() & Qt::KeypadModifier) != 0);
    switch (vk) {
        case 0: break;
        case vk_shift: hold(vk_shift, scan == x_right_shift ? vk_rshift : vk_lshift); break;
        case vk_control: hold(vk_control, scan == x_right_control ? vk_rcontrol : vk_lcontrol); break;
        case vk_menu: hold(vk_menu, scan == x_right_alt ? vk_rmenu : vk_lmenu); break;
        default:
            codes.code[0] = static_cast<uint8_t>(vk);
            codes.count = 1;
            break;
    }
    return codes;
}

bool KeyTracker::press(const QKeyEvent& event) {
    const KeyCodes codes = keyCodesFor(event);
    if (codes.count == 0) return false;
    if (event.isAutoRepeat()) return true;
    m_pressed[physicalKey(event, codes.code[0])] = codes;
    rebuild();
    return true;
}

bool KeyTracker::release(const QKeyEvent& event) {
    const KeyCodes codes = keyCodesFor(event);
    if (event.isAutoRepeat()) return codes.count != 0;
    // A real key is found by its key code, whatever it types now.
    auto found = m_pressed.end();
    if (event.nativeScanCode() != 0) found = m_pressed.find(event.nativeScanCode());
    if (found == m_pressed.end() && codes.count != 0) found = m_pressed.find(physicalKey(event, codes.code[0]));
    if (found == m_pressed.end()) return codes.count != 0;
    m_pressed.erase(found);
    rebuild();
    return true;
}

void KeyTracker::releaseAll() {
    m_pressed.clear();
    rebuild();
}

void KeyTracker::rebuild() {
    m_held.fill(0);
    for (const auto& [key, codes] : m_pressed) {
        for (int i = 0; i < codes.count; ++i) m_held[codes.code[i]] = 1;
    }
}

}  // namespace trivo::ui

// Key strokes in the key-data layout that the settings store keeps for the
// One Key (CustomSettings / OneKey): repeat count in bits 0-15, the PC
// set-1 scan code in bits 16-23, the extended-key flag in bit 24, and for a
// key release bits 30 and 31. The default 0x00390001 is the space bar.
//
// One table maps scan codes to the X11/evdev key codes, to Qt's key codes
// and to the key's name; the settings page that captures the key and the
// main window that recognises it both use it.
//
// X11 delivers evdev codes plus 8 as native scan codes. For the main block
// (evdev 1..88) the evdev code is the set-1 scan code; the keys with an E0
// prefix (cursor block, right Ctrl/Alt, keypad Enter and slash, Windows
// keys) have evdev codes of their own and come from the table.
//
// Header only, QtCore only; every function is pure and may be called from
// any thread.
#pragma once

#include <QString>
#include <Qt>

#include <cstdint>
#include <optional>

namespace lumora::keydata {

struct KeyStroke {
    std::uint8_t scanCode = 0;
    bool extended = false;
    bool operator==(const KeyStroke&) const = default;
};

struct KeyRow {
    std::uint8_t scanCode;
    bool extended;
    std::uint16_t evdev; // Linux input code (X11 key code - 8)
    int qtKey;           // Qt::Key, 0 when none
    bool keypad;         // the Qt key comes with Qt::KeypadModifier
    const char* name;
};

// Scan code, extended flag, evdev code, Qt key, keypad, name.
inline constexpr KeyRow kKeyRows[] = {
    {0x01, false, 1, Qt::Key_Escape, false, "Esc"},
    {0x02, false, 2, Qt::Key_1, false, "1"},
    {0x03, false, 3, Qt::Key_2, false, "2"},
    {0x04, false, 4, Qt::Key_3, false, "3"},
    {0x05, false, 5, Qt::Key_4, false, "4"},
    {0x06, false, 6, Qt::Key_5, false, "5"},
    {0x07, false, 7, Qt::Key_6, false, "6"},
    {0x08, false, 8, Qt::Key_7, false, "7"},
    {0x09, false, 9, Qt::Key_8, false, "8"},
    {0x0A, false, 10, Qt::Key_9, false, "9"},
    {0x0B, false, 11, Qt::Key_0, false, "0"},
    {0x0C, false, 12, Qt::Key_Minus, false, "-"},
    {0x0D, false, 13, Qt::Key_Equal, false, "="},
    {0x0E, false, 14, Qt::Key_Backspace, false, "Backspace"},
    {0x0F, false, 15, Qt::Key_Tab, false, "Tab"},
    {0x10, false, 16, Qt::Key_Q, false, "Q"},
    {0x11, false, 17, Qt::Key_W, false, "W"},
    {0x12, false, 18, Qt::Key_E, false, "E"},
    {0x13, false, 19, Qt::Key_R, false, "R"},
    {0x14, false, 20, Qt::Key_T, false, "T"},
    {0x15, false, 21, Qt::Key_Y, false, "Y"},
    {0x16, false, 22, Qt::Key_U, false, "U"},
    {0x17, false, 23, Qt::Key_I, false, "I"},
    {0x18, false, 24, Qt::Key_O, false, "O"},
    {0x19, false, 25, Qt::Key_P, false, "P"},
    {0x1A, false, 26, Qt::Key_BracketLeft, false, "["},
    {0x1B, false, 27, Qt::Key_BracketRight, false, "]"},
    {0x1C, false, 28, Qt::Key_Return, false, "Enter"},
    {0x1D, false, 29, Qt::Key_Control, false, "Ctrl"},
    {0x1E, false, 30, Qt::Key_A, false, "A"},
    {0x1F, false, 31, Qt::Key_S, false, "S"},
    {0x20, false, 32, Qt::Key_D, false, "D"},
    {0x21, false, 33, Qt::Key_F, false, "F"},
    {0x22, false, 34, Qt::Key_G, false, "G"},
    {0x23, false, 35, Qt::Key_H, false, "H"},
    {0x24, false, 36, Qt::Key_J, false, "J"},
    {0x25, false, 37, Qt::Key_K, false, "K"},
    {0x26, false, 38, Qt::Key_L, false, "L"},
    {0x27, false, 39, Qt::Key_Semicolon, false, ";"},
    {0x28, false, 40, Qt::Key_Apostrophe, false, "'"},
    {0x29, false, 41, Qt::Key_QuoteLeft, false, "`"},
    {0x2A, false, 42, Qt::Key_Shift, false, "Shift"},
    {0x2B, false, 43, Qt::Key_Backslash, false, "\\"},
    {0x2C, false, 44, Qt::Key_Z, false, "Z"},
    {0x2D, false, 45, Qt::Key_X, false, "X"},
    {0x2E, false, 46, Qt::Key_C, false, "C"},
    {0x2F, false, 47, Qt::Key_V, false, "V"},
    {0x30, false, 48, Qt::Key_B, false, "B"},
    {0x31, false, 49, Qt::Key_N, false, "N"},
    {0x32, false, 50, Qt::Key_M, false, "M"},
    {0x33, false, 51, Qt::Key_Comma, false, ","},
    {0x34, false, 52, Qt::Key_Period, false, "."},
    {0x35, false, 53, Qt::Key_Slash, false, "/"},
    {0x36, false, 54, 0, false, "Right Shift"},
    {0x37, false, 55, Qt::Key_Asterisk, true, "Num *"},
    {0x38, false, 56, Qt::Key_Alt, false, "Alt"},
    {0x39, false, 57, Qt::Key_Space, false, "Space"},
    {0x3A, false, 58, Qt::Key_CapsLock, false, "Caps Lock"},
    {0x3B, false, 59, Qt::Key_F1, false, "F1"},
    {0x3C, false, 60, Qt::Key_F2, false, "F2"},
    {0x3D, false, 61, Qt::Key_F3, false, "F3"},
    {0x3E, false, 62, Qt::Key_F4, false, "F4"},
    {0x3F, false, 63, Qt::Key_F5, false, "F5"},
    {0x40, false, 64, Qt::Key_F6, false, "F6"},
    {0x41, false, 65, Qt::Key_F7, false, "F7"},
    {0x42, false, 66, Qt::Key_F8, false, "F8"},
    {0x43, false, 67, Qt::Key_F9, false, "F9"},
    {0x44, false, 68, Qt::Key_F10, false, "F10"},
    {0x45, true, 69, Qt::Key_NumLock, false, "Num Lock"},
    {0x46, false, 70, Qt::Key_ScrollLock, false, "Scroll Lock"},
    {0x47, false, 71, Qt::Key_7, true, "Num 7"},
    {0x48, false, 72, Qt::Key_8, true, "Num 8"},
    {0x49, false, 73, Qt::Key_9, true, "Num 9"},
    {0x4A, false, 74, Qt::Key_Minus, true, "Num -"},
    {0x4B, false, 75, Qt::Key_4, true, "Num 4"},
    {0x4C, false, 76, Qt::Key_5, true, "Num 5"},
    {0x4D, false, 77, Qt::Key_6, true, "Num 6"},
    {0x4E, false, 78, Qt::Key_Plus, true, "Num +"},
    {0x4F, false, 79, Qt::Key_1, true, "Num 1"},
    {0x50, false, 80, Qt::Key_2, true, "Num 2"},
    {0x51, false, 81, Qt::Key_3, true, "Num 3"},
    {0x52, false, 82, Qt::Key_0, true, "Num 0"},
    {0x53, false, 83, Qt::Key_Period, true, "Num Del"},
    {0x56, false, 86, 0, false, "\\"}, // the extra key of ISO keyboards
    {0x57, false, 87, Qt::Key_F11, false, "F11"},
    {0x58, false, 88, Qt::Key_F12, false, "F12"},
    // Japanese keyboard keys.
    {0x29, false, 85, Qt::Key_Zenkaku_Hankaku, false, "半角/全角"},
    {0x70, false, 93, Qt::Key_Hiragana_Katakana, false, "ひらがな"},
    {0x73, false, 89, Qt::Key_Underscore, false, "\\"},
    {0x79, false, 92, Qt::Key_Henkan, false, "変換"},
    {0x7B, false, 94, Qt::Key_Muhenkan, false, "無変換"},
    {0x7D, false, 124, Qt::Key_yen, false, "\\"},
    // Extended keys (E0 prefix).
    {0x1C, true, 96, Qt::Key_Enter, true, "Num Enter"},
    {0x1D, true, 97, 0, false, "Right Ctrl"},
    {0x35, true, 98, Qt::Key_Slash, true, "Num /"},
    {0x37, true, 99, Qt::Key_Print, false, "Prnt Scrn"},
    {0x38, true, 100, Qt::Key_AltGr, false, "Right Alt"},
    {0x47, true, 102, Qt::Key_Home, false, "Home"},
    {0x48, true, 103, Qt::Key_Up, false, "Up"},
    {0x49, true, 104, Qt::Key_PageUp, false, "Page Up"},
    {0x4B, true, 105, Qt::Key_Left, false, "Left"},
    {0x4D, true, 106, Qt::Key_Right, false, "Right"},
    {0x4F, true, 107, Qt::Key_End, false, "End"},
    {0x50, true, 108, Qt::Key_Down, false, "Down"},
    {0x51, true, 109, Qt::Key_PageDown, false, "Page Down"},
    {0x52, true, 110, Qt::Key_Insert, false, "Insert"},
    {0x53, true, 111, Qt::Key_Delete, false, "Delete"},
    {0x45, false, 119, Qt::Key_Pause, false, "Pause"},
    {0x5B, true, 125, Qt::Key_Meta, false, "Left Windows"},
    {0x5C, true, 126, 0, false, "Right Windows"},
    {0x5D, true, 127, Qt::Key_Menu, false, "Application"},
};

// Repeat count 1 plus the stroke; a release also sets bits 30 and 31.
inline std::int32_t keyData(KeyStroke stroke, bool release = false) {
    std::uint32_t v =
        1u | (std::uint32_t(stroke.scanCode) << 16) | (stroke.extended ? 1u << 24 : 0u);
    if (release)
        v |= (1u << 30) | (1u << 31);
    return static_cast<std::int32_t>(v);
}

inline KeyStroke strokeOf(std::int32_t keyData) {
    const auto v = static_cast<std::uint32_t>(keyData);
    return {static_cast<std::uint8_t>((v >> 16) & 0xFF), ((v >> 24) & 1u) != 0};
}

// The stroke of an X11 native scan code (evdev code + 8), if known.
inline std::optional<KeyStroke> strokeFromNative(std::uint32_t nativeScanCode) {
    if (nativeScanCode < 8)
        return std::nullopt;
    const std::uint32_t evdev = nativeScanCode - 8;
    for (const KeyRow& r : kKeyRows)
        if (r.evdev == evdev)
            return KeyStroke{r.scanCode, r.extended};
    // Rest of the main block: the evdev code is the scan code.
    if (evdev >= 1 && evdev <= 0x58)
        return KeyStroke{static_cast<std::uint8_t>(evdev), false};
    return std::nullopt;
}

// The stroke of a Qt key where no native code is known (other platforms,
// synthetic events); keypad keys need the keypad modifier.
inline std::optional<KeyStroke> strokeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    // Letters arrive in either case.
    if (qtKey >= 'a' && qtKey <= 'z')
        qtKey -= 'a' - 'A';
    for (const KeyRow& r : kKeyRows)
        if (r.qtKey != 0 && r.qtKey == qtKey && r.keypad == keypad)
            return KeyStroke{r.scanCode, r.extended};
    for (const KeyRow& r : kKeyRows) // keypad keys that Qt reports without the flag
        if (r.qtKey != 0 && r.qtKey == qtKey)
            return KeyStroke{r.scanCode, r.extended};
    return std::nullopt;
}

// The stroke of a key event: its native scan code first, else its Qt key.
inline std::optional<KeyStroke> strokeFromEvent(std::uint32_t nativeScanCode, int qtKey,
                                                Qt::KeyboardModifiers modifiers) {
    if (nativeScanCode != 0)
        if (std::optional<KeyStroke> s = strokeFromNative(nativeScanCode))
            return s;
    return strokeFromQtKey(qtKey, modifiers);
}

// The key's own name, as the keyboard names it ("Space", "Up", "Num 8").
// Unknown strokes give an empty name.
inline QString keyName(std::int32_t keyData) {
    const KeyStroke s = strokeOf(keyData);
    for (const KeyRow& r : kKeyRows)
        if (r.scanCode == s.scanCode && r.extended == s.extended)
            return QString::fromUtf8(r.name);
    return {};
}

// True when `keyData` (a stored One Key) names the same key as `stroke`:
// scan code and extended flag; repeat count and release bits do not count.
inline bool sameKey(std::int32_t keyData, KeyStroke stroke) {
    return strokeOf(keyData) == stroke;
}

} // namespace lumora::keydata

#include "app/OneKey.h"

#include <QKeyEvent>

namespace lumora {

namespace {

struct ScanEntry {
    int scan;
    bool extended;
    int evdev;
    int key;
};

// Keys whose evdev code differs from the scan code, and every key's US
// layout meaning for platforms without native scan codes.
constexpr ScanEntry kScanTable[] = {
    {0x01, false, 1, Qt::Key_Escape},
    {0x02, false, 2, Qt::Key_1},
    {0x03, false, 3, Qt::Key_2},
    {0x04, false, 4, Qt::Key_3},
    {0x05, false, 5, Qt::Key_4},
    {0x06, false, 6, Qt::Key_5},
    {0x07, false, 7, Qt::Key_6},
    {0x08, false, 8, Qt::Key_7},
    {0x09, false, 9, Qt::Key_8},
    {0x0A, false, 10, Qt::Key_9},
    {0x0B, false, 11, Qt::Key_0},
    {0x0C, false, 12, Qt::Key_Minus},
    {0x0D, false, 13, Qt::Key_Equal},
    {0x0E, false, 14, Qt::Key_Backspace},
    {0x0F, false, 15, Qt::Key_Tab},
    {0x10, false, 16, Qt::Key_Q},
    {0x11, false, 17, Qt::Key_W},
    {0x12, false, 18, Qt::Key_E},
    {0x13, false, 19, Qt::Key_R},
    {0x14, false, 20, Qt::Key_T},
    {0x15, false, 21, Qt::Key_Y},
    {0x16, false, 22, Qt::Key_U},
    {0x17, false, 23, Qt::Key_I},
    {0x18, false, 24, Qt::Key_O},
    {0x19, false, 25, Qt::Key_P},
    {0x1A, false, 26, Qt::Key_BracketLeft},
    {0x1B, false, 27, Qt::Key_BracketRight},
    {0x1C, false, 28, Qt::Key_Return},
    {0x1D, false, 29, Qt::Key_Control},
    {0x1E, false, 30, Qt::Key_A},
    {0x1F, false, 31, Qt::Key_S},
    {0x20, false, 32, Qt::Key_D},
    {0x21, false, 33, Qt::Key_F},
    {0x22, false, 34, Qt::Key_G},
    {0x23, false, 35, Qt::Key_H},
    {0x24, false, 36, Qt::Key_J},
    {0x25, false, 37, Qt::Key_K},
    {0x26, false, 38, Qt::Key_L},
    {0x27, false, 39, Qt::Key_Semicolon},
    {0x28, false, 40, Qt::Key_Apostrophe},
    {0x29, false, 41, Qt::Key_QuoteLeft},
    {0x2A, false, 42, Qt::Key_Shift},
    {0x2B, false, 43, Qt::Key_Backslash},
    {0x2C, false, 44, Qt::Key_Z},
    {0x2D, false, 45, Qt::Key_X},
    {0x2E, false, 46, Qt::Key_C},
    {0x2F, false, 47, Qt::Key_V},
    {0x30, false, 48, Qt::Key_B},
    {0x31, false, 49, Qt::Key_N},
    {0x32, false, 50, Qt::Key_M},
    {0x33, false, 51, Qt::Key_Comma},
    {0x34, false, 52, Qt::Key_Period},
    {0x35, false, 53, Qt::Key_Slash},
    {0x36, false, 54, Qt::Key_Shift},
    {0x37, false, 55, Qt::Key_Asterisk},
    {0x38, false, 56, Qt::Key_Alt},
    {0x39, false, 57, Qt::Key_Space},
    {0x3A, false, 58, Qt::Key_CapsLock},
    {0x3B, false, 59, Qt::Key_F1},
    {0x3C, false, 60, Qt::Key_F2},
    {0x3D, false, 61, Qt::Key_F3},
    {0x3E, false, 62, Qt::Key_F4},
    {0x3F, false, 63, Qt::Key_F5},
    {0x40, false, 64, Qt::Key_F6},
    {0x41, false, 65, Qt::Key_F7},
    {0x42, false, 66, Qt::Key_F8},
    {0x43, false, 67, Qt::Key_F9},
    {0x44, false, 68, Qt::Key_F10},
    {0x45, false, 69, Qt::Key_NumLock},
    {0x46, false, 70, Qt::Key_ScrollLock},
    {0x47, false, 71, Qt::Key_7},
    {0x48, false, 72, Qt::Key_8},
    {0x49, false, 73, Qt::Key_9},
    {0x4A, false, 74, Qt::Key_Minus},
    {0x4B, false, 75, Qt::Key_4},
    {0x4C, false, 76, Qt::Key_5},
    {0x4D, false, 77, Qt::Key_6},
    {0x4E, false, 78, Qt::Key_Plus},
    {0x4F, false, 79, Qt::Key_1},
    {0x50, false, 80, Qt::Key_2},
    {0x51, false, 81, Qt::Key_3},
    {0x52, false, 82, Qt::Key_0},
    {0x53, false, 83, Qt::Key_Period},
    {0x56, false, 86, Qt::Key_Backslash},
    {0x57, false, 87, Qt::Key_F11},
    {0x58, false, 88, Qt::Key_F12},
    // Japanese keyboards.
    {0x70, false, 93, Qt::Key_Hiragana_Katakana},
    {0x73, false, 89, Qt::Key_Backslash},
    {0x79, false, 92, Qt::Key_Henkan},
    {0x7B, false, 94, Qt::Key_Muhenkan},
    {0x7D, false, 124, Qt::Key_yen},
    // Extended (E0) keys.
    {0x1C, true, 96, Qt::Key_Enter},
    {0x1D, true, 97, Qt::Key_Control},
    {0x35, true, 98, Qt::Key_Slash},
    {0x37, true, 99, Qt::Key_Print},
    {0x38, true, 100, Qt::Key_Alt},
    {0x47, true, 102, Qt::Key_Home},
    {0x48, true, 103, Qt::Key_Up},
    {0x49, true, 104, Qt::Key_PageUp},
    {0x4B, true, 105, Qt::Key_Left},
    {0x4D, true, 106, Qt::Key_Right},
    {0x4F, true, 107, Qt::Key_End},
    {0x50, true, 108, Qt::Key_Down},
    {0x51, true, 109, Qt::Key_PageDown},
    {0x52, true, 110, Qt::Key_Insert},
    {0x53, true, 111, Qt::Key_Delete},
    {0x5B, true, 125, Qt::Key_Meta},
    {0x5C, true, 126, Qt::Key_Meta},
    {0x5D, true, 127, Qt::Key_Menu},
};

const ScanEntry* findScan(OneKeyCode code) {
    for (const ScanEntry& e : kScanTable)
        if (e.scan == code.scanCode && e.extended == code.extended)
            return &e;
    return nullptr;
}

} // namespace

OneKeyCode oneKeyCodeFromKeyData(std::int32_t keyData) {
    const auto bits = static_cast<std::uint32_t>(keyData);
    return {static_cast<int>((bits >> 16) & 0xFF), ((bits >> 24) & 1) != 0};
}

std::int32_t keyDataFromOneKeyCode(OneKeyCode code) {
    const std::uint32_t bits = (std::uint32_t(code.scanCode & 0xFF) << 16) |
                               (code.extended ? 1u << 24 : 0u) | 1u; // repeat count 1
    return static_cast<std::int32_t>(bits);
}

int evdevCodeFromScanCode(OneKeyCode code) {
    const ScanEntry* e = findScan(code);
    return e ? e->evdev : 0;
}

int qtKeyFromScanCode(OneKeyCode code) {
    const ScanEntry* e = findScan(code);
    return e ? e->key : Qt::Key_unknown;
}

bool keyEventMatchesOneKey(const QKeyEvent& event, std::int32_t keyData) {
    const OneKeyCode code = oneKeyCodeFromKeyData(keyData);
    const quint32 native = event.nativeScanCode();
    if (native > 8) {
        const int evdev = evdevCodeFromScanCode(code);
        return evdev != 0 && quint32(evdev) + 8 == native;
    }
    const int key = qtKeyFromScanCode(code);
    return key != Qt::Key_unknown && event.key() == key;
}

COneKeyFilter::COneKeyFilter(QWidget* container, std::function<std::int32_t()> keyData,
                             std::function<void()> onPress, QObject* parent)
    : QObject(parent), container_(container), keyData_(std::move(keyData)),
      onPress_(std::move(onPress)) {
    setObjectName(QStringLiteral("OneKeyFilter"));
}

bool COneKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    if (!container_ || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != container_ && !container_->isAncestorOf(widget))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!keyData_ || !keyEventMatchesOneKey(*key, keyData_()))
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Keep the key from any shortcut: the press comes here next.
        event->accept();
        return true;
    }
    if (type == QEvent::KeyPress && onPress_)
        onPress_();
    return true;
}

} // namespace lumora

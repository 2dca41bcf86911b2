// The key-data layout of the One Key and the scan-code table.
#include "platform/KeyData.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace lumora::keydata;

TEST(KeyData, LayoutAndTheDefaultSpaceBar) {
    EXPECT_EQ(keyData({0x39, false}), 0x00390001);
    EXPECT_EQ(keyName(0x00390001), "Space");
    EXPECT_EQ(keyData({0x48, true}), 0x01480001);
    EXPECT_EQ(keyData({0x48, true}, true), static_cast<std::int32_t>(0xC1480001u));
    EXPECT_EQ(strokeOf(static_cast<std::int32_t>(0xC1480001u)), (KeyStroke{0x48, true}));
    EXPECT_TRUE(sameKey(static_cast<std::int32_t>(0xC1480005u), {0x48, true}));
    EXPECT_FALSE(sameKey(0x00480001, {0x48, true})); // keypad 8 is not cursor up
    EXPECT_EQ(keyName(0x7F7F0001), "");
}

TEST(KeyData, X11CodesOfTheMainBlockAreScanCodesPlusEight) {
    EXPECT_EQ(strokeFromNative(65), (KeyStroke{0x39, false})); // space
    EXPECT_EQ(strokeFromNative(9), (KeyStroke{0x01, false}));  // Esc
    EXPECT_EQ(strokeFromNative(38), (KeyStroke{0x1E, false})); // A
    EXPECT_EQ(strokeFromNative(96), (KeyStroke{0x58, false})); // F12
    EXPECT_EQ(strokeFromNative(77), (KeyStroke{0x45, true}));  // Num Lock
    EXPECT_EQ(strokeFromNative(79), (KeyStroke{0x47, false})); // keypad 7
    EXPECT_FALSE(strokeFromNative(0).has_value());
    EXPECT_FALSE(strokeFromNative(7).has_value());
    EXPECT_FALSE(strokeFromNative(255).has_value());
}

TEST(KeyData, ExtendedKeysComeFromTheTable) {
    const std::pair<std::uint32_t, KeyStroke> cases[] = {
        {111, {0x48, true}},  // Up
        {116, {0x50, true}},  // Down
        {113, {0x4B, true}},  // Left
        {114, {0x4D, true}},  // Right
        {110, {0x47, true}},  // Home
        {119, {0x53, true}},  // Delete
        {104, {0x1C, true}},  // keypad Enter
        {105, {0x1D, true}},  // right Ctrl
        {108, {0x38, true}},  // right Alt
        {127, {0x45, false}}, // Pause
    };
    for (const auto& [native, stroke] : cases)
        EXPECT_EQ(strokeFromNative(native), stroke) << native;
    EXPECT_EQ(keyName(keyData({0x48, true})), "Up");
    EXPECT_EQ(keyName(keyData({0x48, false})), "Num 8");
    EXPECT_EQ(keyName(keyData({0x1C, true})), "Num Enter");
    EXPECT_EQ(keyName(keyData({0x1C, false})), "Enter");
}

TEST(KeyData, QtKeysWithoutANativeCode) {
    EXPECT_EQ(strokeFromQtKey(Qt::Key_Up, Qt::NoModifier), (KeyStroke{0x48, true}));
    EXPECT_EQ(strokeFromQtKey(Qt::Key_8, Qt::KeypadModifier), (KeyStroke{0x48, false}));
    EXPECT_EQ(strokeFromQtKey(Qt::Key_8, Qt::NoModifier), (KeyStroke{0x09, false}));
    EXPECT_EQ(strokeFromQtKey('q', Qt::NoModifier), (KeyStroke{0x10, false}));
    EXPECT_EQ(strokeFromQtKey(Qt::Key_Enter, Qt::KeypadModifier), (KeyStroke{0x1C, true}));
    EXPECT_FALSE(strokeFromQtKey(Qt::Key_unknown, Qt::NoModifier).has_value());
    // A native code wins over the Qt key.
    EXPECT_EQ(strokeFromEvent(111, Qt::Key_8, Qt::KeypadModifier), (KeyStroke{0x48, true}));
    EXPECT_EQ(strokeFromEvent(0, Qt::Key_Space, Qt::NoModifier), (KeyStroke{0x39, false}));
}

TEST(KeyData, EveryEvdevCodeAndEveryStrokeIsListedOnce) {
    std::set<unsigned> evdev;
    for (const KeyRow& r : kKeyRows) {
        EXPECT_TRUE(evdev.insert(r.evdev).second) << r.evdev;
        EXPECT_NE(QString::fromUtf8(r.name), "");
    }
}

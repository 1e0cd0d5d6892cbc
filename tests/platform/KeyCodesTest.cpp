// The virtual-key / evdev table: complete for a full-size keyboard, and
// consistent in both directions.

#include "platform/KeyCodes.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>
#include <set>

using namespace kavrel::platform;

TEST(KeyCodes, EveryKeyOfAFullSizeKeyboardHasAnEvdevCode)
{
    std::set<int> keys = {0x08, 0x09, 0x0D, 0x13, 0x14, 0x1B, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28,
        0x2C, 0x2D, 0x2E, 0x5B, 0x5C, 0x5D, 0x90, 0x91, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xBA, 0xBB, 0xBC, 0xBD,
        0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE, 0xE2};
    for (int vk = 0x30; vk <= 0x39; ++vk)
        keys.insert(vk);
    for (int vk = 0x41; vk <= 0x5A; ++vk)
        keys.insert(vk);
    for (int vk = 0x60; vk <= 0x6F; ++vk)
        keys.insert(vk);
    for (int vk = 0x70; vk <= 0x87; ++vk)
        keys.insert(vk);
    for (const int vk : keys)
        EXPECT_GT(evdevOfVirtualKey(vk), 0) << std::hex << vk;
    EXPECT_EQ(evdevOfVirtualKey(0x41), KEY_A);
    EXPECT_EQ(evdevOfVirtualKey(0xC0), KEY_GRAVE);
    EXPECT_EQ(evdevOfVirtualKey(0x6E), KEY_KPDOT);
    EXPECT_EQ(evdevOfVirtualKey(0xF0), -1); // mouse buttons are no keys
    EXPECT_EQ(evdevOfVirtualKey(0x100), -1);
    EXPECT_EQ(evdevOfVirtualKey(-1), -1);
}

TEST(KeyCodes, BothDirectionsAgree)
{
    std::set<int> virtualKeys;
    for (const KeyCodeEntry& entry : keyCodeTable()) {
        const KeyCodeEntry* byEvdev = keyOfEvdev(entry.evdev);
        ASSERT_NE(byEvdev, nullptr);
        EXPECT_EQ(byEvdev->evdev, entry.evdev);
        if (byEvdev == &entry)
            virtualKeys.insert(entry.virtualKey);
        EXPECT_NE(keyOfVirtualKey(entry.virtualKey), nullptr);
    }
    // Only the keypad Enter (0x0D) and Clear (keypad 5) share a code with another key.
    EXPECT_EQ(keyOfEvdev(KEY_KPENTER)->virtualKey, 0x0D);
    EXPECT_TRUE(keyOfEvdev(KEY_KPENTER)->extended);
    EXPECT_EQ(keyOfEvdev(KEY_KP5)->virtualKey, 0x65);
    EXPECT_EQ(keyOfVirtualKey(0x0D)->evdev, KEY_ENTER);
    EXPECT_EQ(keyOfVirtualKey(0x0C)->evdev, KEY_KP5);
    EXPECT_EQ(keyOfEvdev(9999), nullptr);
}

TEST(KeyCodes, ModifierSidesForKeyCapture)
{
    // The generic codes stand for the left key.
    EXPECT_EQ(evdevOfVirtualKey(0x10), KEY_LEFTSHIFT);
    EXPECT_EQ(evdevOfVirtualKey(0x11), KEY_LEFTCTRL);
    EXPECT_EQ(evdevOfVirtualKey(0x12), KEY_LEFTALT);
    const KeyCodeEntry& rightShift = *keyOfEvdev(KEY_RIGHTSHIFT);
    const KeyCodeEntry& leftShift = *keyOfEvdev(KEY_LEFTSHIFT);
    const KeyCodeEntry& rightCtrl = *keyOfEvdev(KEY_RIGHTCTRL);
    const KeyCodeEntry& rightAlt = *keyOfEvdev(KEY_RIGHTALT);
    EXPECT_EQ(messageVirtualKey(rightShift), 0x10);
    EXPECT_EQ(messageVirtualKey(rightCtrl), 0x11);
    EXPECT_EQ(messageVirtualKey(rightAlt), 0x12);
    EXPECT_EQ(messageVirtualKey(*keyOfEvdev(KEY_A)), 0x41);
    // Right Shift: bit 20 (bit 4 of its scan code); right Ctrl and Alt: the extended bit 24.
    EXPECT_NE(keyMessageFlags(rightShift) & (1u << 20), 0u);
    EXPECT_EQ(keyMessageFlags(leftShift) & (1u << 20), 0u);
    EXPECT_NE(keyMessageFlags(rightCtrl) & (1u << 24), 0u);
    EXPECT_NE(keyMessageFlags(rightAlt) & (1u << 24), 0u);
    EXPECT_EQ(keyMessageFlags(*keyOfEvdev(KEY_LEFTCTRL)) & (1u << 24), 0u);
    EXPECT_EQ(scanCodeOfVirtualKey(0x41), 0x1E);
    EXPECT_EQ(scanCodeOfVirtualKey(0xF0), 0);
}

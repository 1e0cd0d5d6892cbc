// Characters of keys without modifiers on real xkb layouts.

#include "platform/KeyboardLayout.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

using namespace kavrel::platform;

TEST(KeyboardLayout, UnshiftedCharactersOfSeveralLayouts)
{
    const auto us = KeyboardLayout::fromNames("us");
    ASSERT_NE(us, nullptr);
    EXPECT_EQ(us->characterOfEvdev(KEY_Q), U'q');
    EXPECT_EQ(us->characterOfEvdev(KEY_Q, true), U'Q');
    EXPECT_EQ(us->characterOfEvdev(KEY_SEMICOLON), U';');
    EXPECT_EQ(us->characterOfEvdev(KEY_1), U'1');
    EXPECT_EQ(us->characterOfEvdev(KEY_ESC), 0u); // a control character names nothing
    EXPECT_EQ(us->characterOfEvdev(KEY_F13), 0u);
    EXPECT_EQ(us->characterOfEvdev(-5), 0u);
    EXPECT_EQ(us->characterOfEvdev(70000), 0u);

    const auto de = KeyboardLayout::fromNames("de");
    ASSERT_NE(de, nullptr);
    EXPECT_EQ(de->characterOfEvdev(KEY_Y), U'z');
    EXPECT_EQ(de->characterOfEvdev(KEY_SEMICOLON), U'\u00F6');
    EXPECT_EQ(de->characterOfEvdev(KEY_SEMICOLON, true), U'\u00D6');
    EXPECT_EQ(de->characterOfEvdev(KEY_GRAVE), U'^'); // a dead key gives its accent
    EXPECT_EQ(de->characterOfEvdev(KEY_EQUAL), U'\u00B4');

    const auto fr = KeyboardLayout::fromNames("fr");
    ASSERT_NE(fr, nullptr);
    EXPECT_EQ(fr->characterOfEvdev(KEY_Q), U'a');
    EXPECT_EQ(fr->characterOfEvdev(KEY_1), U'&');

    EXPECT_EQ(KeyboardLayout::fromNames("no-such-layout"), nullptr);
}

TEST(KeyboardLayout, TheActiveLayoutCanBeReplaced)
{
    setActiveKeyboardLayout(KeyboardLayout::fromNames("de"));
    ASSERT_NE(activeKeyboardLayout(), nullptr);
    EXPECT_EQ(activeKeyboardLayout()->characterOfEvdev(KEY_Y), U'z');
    EXPECT_EQ(activeKeyboardLayout()->description(), "names de");
    setActiveKeyboardLayout(nullptr); // loads the machine's active layout again
    EXPECT_NE(activeKeyboardLayout(), nullptr);
}

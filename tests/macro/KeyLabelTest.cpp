// Assignment labels: macro names from the macro list, fire targets, labels by function code.

#include "model/ModelFixture.h"

#include "macro/KeyLabel.h"
#include "macro/MacroList.h"
#include "macro/StMacro.h"
#include "model/WideField.h"

using namespace kavrel;

namespace {

KEYINFO keyOf(std::uint32_t firstWord)
{
    KEYINFO key{};
    key.setFirstWord(firstWord);
    return key;
}

KEYINFO combo(std::uint8_t modifiers, std::uint8_t key1)
{
    KEYINFO key = keyOf(0x02000000);
    key.modifiers = modifiers;
    key.key1 = key1;
    return key;
}

} // namespace

TEST_F(ModelTest, AssignmentLabels)
{
    MacroList.clear();
    EXPECT_EQ(keyinfo_to_text(combo(0, VkFn)), "Fn");
    EXPECT_EQ(keyinfo_to_text(combo(0x01, VkFn)), "L-Ctrl + Fn");
    EXPECT_EQ(keyinfo_to_text(combo(0x10, 0x43)), "R-Ctrl + C");
    EXPECT_EQ(keyinfo_to_text(KeyTable[50]), "A"); // the key table's own record (code 160)

    KEYINFO macroKey = keyOf(0x05000000);
    macroKey.macroId = 0x00ABCD;
    EXPECT_EQ(keyinfo_to_text(macroKey), ""); // deleted macro
    StMacro first{};
    first.dwId = 0x00ABCD;
    setWideField(first.szName, MacroNameUnits, "Reload", MacroNameChars);
    StMacro second = first;
    setWideField(second.szName, MacroNameUnits, "Other", MacroNameChars);
    MacroList.appendCopy(first);
    MacroList.appendCopy(second);
    EXPECT_EQ(keyinfo_to_text(macroKey), "Macro - Reload"); // first match

    KEYINFO fire = keyOf(0x080000A4);
    fire.fireKey = 0xF0;
    EXPECT_EQ(keyinfo_to_text(fire), "Fire - Left click");
    fire.fireKey = 0xF5;
    EXPECT_EQ(keyinfo_to_text(fire), "Fire - Scroll up");
    fire.fireKey = 0x41;
    EXPECT_EQ(keyinfo_to_text(fire), "Fire - A");

    for (const std::uint32_t code : {55u, 56u, 57u})
        EXPECT_EQ(keyinfo_to_text(keyOf(0x04000000 | code)), "Stop page");
    EXPECT_EQ(keyinfo_to_text(keyOf(0x01000014)), "Forward");
    EXPECT_EQ(keyinfo_to_text(keyOf(0x03000036)), "Forward");
    EXPECT_EQ(keyinfo_to_text(keyOf(0x01000015)), "Back");
    EXPECT_EQ(keyinfo_to_text(keyOf(0x04000022)), "Play");
    EXPECT_EQ(keyinfo_to_text(keyOf(0x080000A2)), "Off");
    EXPECT_EQ(keyinfo_to_text(keyOf(0x01000022)), "Play"); // by code alone, whatever the kind
    EXPECT_EQ(keyinfo_to_text(keyOf(0)), "");
    EXPECT_EQ(keyinfo_to_text(keyOf(0x080000FF)), "");
    MacroList.clear();
}

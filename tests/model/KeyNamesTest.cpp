// Key names, combination texts, assignment labels and usages.

#include "ModelFixture.h"

#include "app/Log.h"
#include "macro/StMacro.h"
#include "model/KeyNames.h"
#include "model/WideField.h"

#include <cstring>
#include <set>

using namespace kavrel;
using namespace kavrel::test;

namespace {

KEYINFO keyOf(std::uint32_t firstWord)
{
    KEYINFO key{};
    key.setFirstWord(firstWord);
    return key;
}

KEYINFO combo(std::uint8_t modifiers, std::uint8_t key1, std::uint8_t key2 = 0)
{
    KEYINFO key = keyOf(0x02000000);
    key.modifiers = modifiers;
    key.key1 = key1;
    key.key2 = key2;
    return key;
}

} // namespace

TEST_F(ModelTest, FixedNamesAndTheIrregularRows)
{
    EXPECT_EQ(vkey_to_name(0x08), "Backspace");
    EXPECT_EQ(vkey_to_name(0x0D), "Enter");
    EXPECT_EQ(vkey_to_name(0x2B), "Enter");
    EXPECT_EQ(vkey_to_name(0x6C), "\\");
    EXPECT_EQ(vkey_to_name(0xA0), "L_Shift");
    EXPECT_EQ(vkey_to_name(0x91), "Scroll Lock");
    EXPECT_EQ(vkey_to_name(0xE2), "<");
    EXPECT_EQ(vkey_to_name(250), "Fn");
    EXPECT_EQ(vkey_to_name(255), "");
    EXPECT_EQ(vkey_to_name(0xF0), "Left click");
    EXPECT_EQ(vkey_to_name(0xF3), ""); // no name of its own
}

TEST_F(ModelTest, OtherCodesAreNamedByTheLayout)
{
    EXPECT_EQ(vkey_to_name(0x41), "A");
    EXPECT_EQ(vkey_to_name(0x5A), "Z");
    EXPECT_EQ(vkey_to_name(0xBA), ";");
    EXPECT_EQ(vkey_to_name(0xDE), "'");
    EXPECT_EQ(vkey_to_name(0xC0), "`");
    EXPECT_EQ(vkey_to_name(0xBF), "/");
    EXPECT_EQ(vkey_to_name(0x7C), ""); // F13 types nothing
    EXPECT_EQ(vkey_to_name(0), "");
    EXPECT_EQ(vkey_to_name(0x1234), "");
    EXPECT_EQ(vkey_to_name(-3), "");

    platform::setActiveKeyboardLayout(platform::KeyboardLayout::fromNames("de"));
    EXPECT_EQ(vkey_to_name(0x59), "Z"); // the key in the Y position types z on a German layout
    EXPECT_EQ(vkey_to_name(0xBA), "\xC3\xB6"); // ö stays lower case: not a letter code
    EXPECT_EQ(vkey_to_name(0xC0), "^"); // dead key
    platform::setActiveKeyboardLayout(platform::KeyboardLayout::fromNames("lt"));
    EXPECT_EQ(vkey_to_name(0x51), "Q");
    EXPECT_EQ(vkey_to_name(0x31), "1"); // fixed table, whatever the layout
}

TEST_F(ModelTest, LayoutLookupWritesItsThreeLogLines)
{
    TempDir dir;
    InitLogWith(2, dir / "Log.txt");
    EXPECT_EQ(vkey_to_name(0x41), "A");
    InitLogWith(0, {});
    const std::string log = readFile(dir / "Log.txt");
    EXPECT_NE(log.find("VKCode=0x41, uiScanCode=0x1E"), std::string::npos) << log;
    EXPECT_NE(log.find("wASCII=0x61, a"), std::string::npos);
    EXPECT_NE(log.find("2 wASCII=0x41, A"), std::string::npos);
}

TEST_F(ModelTest, CombinationTexts)
{
    EXPECT_EQ(combo_to_text(0x12, 0x41, 0), "Ctrl + Shift + A");
    EXPECT_EQ(combo_to_text(0x11, 0, 0), "Ctrl");
    EXPECT_EQ(combo_to_text(0, 0x41, 0x42), "A + B");
    EXPECT_EQ(combo_to_text(0xCC, 0, 0x70), "Alt + Win + F1");
    EXPECT_EQ(combo_to_text(0, 0, 0), "");
    EXPECT_EQ(combo_to_side_text(0x22, 0x41, 0x42), "L-Shift + R-Shift + A + B");
    EXPECT_EQ(combo_to_side_text(0xFF, 0, 0), "L-Ctrl + L-Alt + L-Shift + L-Win + R-Ctrl + R-Alt + R-Shift + R-Win");
}

TEST_F(ModelTest, AssignmentLabels)
{
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
}

TEST(KeyUsages, TheHundredAndFivePairs)
{
    EXPECT_EQ(vkey_to_usage(0x0D), 0x28);
    EXPECT_EQ(vkey_to_usage(0x10), 0);
    EXPECT_EQ(vkey_to_usage(0x6C), 0);
    EXPECT_EQ(vkey_to_usage(0xF0), 0);
    EXPECT_EQ(vkey_to_usage(0x41), 0x04);
    EXPECT_EQ(vkey_to_usage(0x5A), 0x1D);
    EXPECT_EQ(vkey_to_usage(0x30), 0x27);
    EXPECT_EQ(vkey_to_usage(0xDC), 0x31);
    EXPECT_EQ(vkey_to_usage(0x7B), 0x45);
    EXPECT_EQ(vkey_to_usage(0x60), 0x62);
    EXPECT_EQ(vkey_to_usage(0x6E), 0x63);
    EXPECT_EQ(vkey_to_usage(0xA5), 0xE6);
    EXPECT_EQ(vkey_to_usage(0x5C), 0xE7);
    // 104 codes have a usage (0x0D twice in the table), each a different one.
    std::set<int> usages;
    int codes = 0;
    for (int code = 0; code < 256; ++code) {
        if (const int usage = vkey_to_usage(code)) {
            ++codes;
            usages.insert(usage);
        }
    }
    EXPECT_EQ(codes, 104);
    EXPECT_EQ(usages.size(), 104u);
}

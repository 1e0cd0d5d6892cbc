// Key names, combination texts and usages.

#include "ModelFixture.h"

#include "app/Log.h"
#include "model/KeyNames.h"

#include <cstring>
#include <set>

using namespace kavrel;
using namespace kavrel::test;

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

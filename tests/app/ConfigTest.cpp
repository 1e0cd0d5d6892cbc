// LoadConfig: defaults, conversions, checks and the messages they show.

#include "app/Config.h"
#include "app/Paths.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kavrel;
using kavrel::test::loadConfigQuietly;
using Texts = std::vector<std::string>;

namespace {

std::string opt(const std::string& lines)
{
    return "[OPT]\nappdir=Kavrel\n" + lines + "\n";
}

} // namespace

TEST(Config, MissingFileGivesEveryDefaultAndOnlyTheAppdirMessage)
{
    EXPECT_EQ(loadConfigQuietly(""), Texts{"APPDATA=NULL"});
    EXPECT_EQ(Cfg.TrayIcon, 2);
    EXPECT_EQ(Cfg.Macro_Opt_X, 350);
    EXPECT_EQ(Cfg.rcKB, (Rect{280, 180, 954, 365}));
    EXPECT_EQ(Cfg.rcLED, (Rect{19, 247, 261, 501}));
    EXPECT_EQ(Cfg.ptExit, (Point{933, 29}));
    EXPECT_EQ(Cfg.LEDParam, (std::array<std::uint8_t, 3>{0, 4, 5}));
    EXPECT_EQ(Cfg.ClrKeyOv, 255u);
    EXPECT_EQ(Cfg.Txt_clr, 0u);
    EXPECT_FALSE(Cfg.UnRectKey.present);
    EXPECT_EQ(KeyCount, 0);
    for (int mode = 0; mode < LedModeCount; ++mode) {
        EXPECT_TRUE(Cfg.brightnessSettable(mode));
        EXPECT_EQ(Cfg.speedSettable(mode), mode != 0 && mode != 3) << mode;
    }
}

TEST(Config, SectionsAndKeysIgnoreCaseAndIntegersTakeLeadingDigits)
{
    EXPECT_EQ(loadConfigQuietly("[opt]\nAPPDIR=x\ntrayicon=1abc\nVID=0x1A2C\nPID=70000\nDefSpeed=-3\n"), Texts{});
    EXPECT_EQ(Cfg.appdir, "x");
    EXPECT_EQ(Cfg.TrayIcon, 1);
    EXPECT_EQ(Cfg.VID, 0) << "hex is not read for plain integers";
    EXPECT_EQ(Cfg.PID, std::uint16_t(70000));
    EXPECT_EQ(Cfg.DefSpeed, -3);
}

TEST(Config, StringsAreCutToTheirBuffers)
{
    loadConfigQuietly(opt("USBString=" + std::string(40, 'x') + "\nFontName=Ä" + std::string(40, 'y')));
    EXPECT_EQ(Cfg.USBString, std::string(29, 'x'));
    EXPECT_EQ(Cfg.FontName, "Ä" + std::string(28, 'y'));
}

TEST(Config, ModesTakeHexAndFillTheRestWithZero)
{
    loadConfigQuietly(opt("Modes=5,4"));
    EXPECT_EQ(Cfg.Modes, (std::array<std::uint8_t, 10>{5, 4, 0, 0, 0, 0, 0, 0, 0, 0}));
    loadConfigQuietly(opt("Modes=0xA,b"));
    EXPECT_EQ(Cfg.Modes[0], 10);
    EXPECT_EQ(Cfg.Modes[1], 11);
    loadConfigQuietly(opt("Modes=zz,4"));
    EXPECT_EQ(Cfg.Modes, (std::array<std::uint8_t, 10>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(Config, RectanglesAndPoints)
{
    EXPECT_EQ(loadConfigQuietly(opt("rcKB=10,20,100,50\nrcLED=1,2,3")), Texts{"Wrong rect num"});
    EXPECT_EQ(Cfg.rcKB, (Rect{10, 20, 110, 70}));
    EXPECT_EQ(Cfg.rcLED, Rect{});

    EXPECT_EQ(loadConfigQuietly(opt("rcMacroList=1,2,3x,4\nrcKeyList=5,6,7,8,9")), Texts{"Wrong rect num"});
    EXPECT_EQ(Cfg.rcMacroList, (Rect{30, 76, 180, 326})) << "a wrong edge rectangle keeps its default";
    EXPECT_EQ(Cfg.rcKeyList, (Rect{5, 6, 7, 8})) << "surplus numbers are ignored";

    EXPECT_EQ(loadConfigQuietly(opt("ptMin=900,30\nptMacro=5")), Texts{"Wrong POINT num"});
    EXPECT_EQ(Cfg.ptExit, (Point{921, 30})) << "the close button follows the minimise button";
    EXPECT_EQ(Cfg.ptMacro, (Point{33, 184}));
}

TEST(Config, LedParamNeedsExactlyThreeHexNumbers)
{
    EXPECT_EQ(loadConfigQuietly(opt("DefSpeed=2\nDefLight=3\nLEDParam=1,2")), Texts{"LED Param error"});
    EXPECT_EQ(Cfg.LEDParam, (std::array<std::uint8_t, 3>{0, 2, 3}));
    EXPECT_EQ(loadConfigQuietly(opt("LEDParam=1,2,3,4")), Texts{"LED Param error"});
    EXPECT_EQ(loadConfigQuietly(opt("LEDParam=")), Texts{});
    EXPECT_EQ(loadConfigQuietly(opt("LEDParam=2,a,0x0F")), Texts{});
    EXPECT_EQ(Cfg.LEDParam, (std::array<std::uint8_t, 3>{2, 10, 15}));
}

TEST(Config, ColoursAndKeyHighlights)
{
    loadConfigQuietly(
        opt("Txt_clr=1,2,3\nBtn_txt_clr_nr=255,128\nClrKeyOv=0,0,0\nClrKeyDn=0,0,1\nMenu_txt_clr_nr=300,0,0"));
    EXPECT_EQ(Cfg.Txt_clr, 0x030201u);
    EXPECT_EQ(Cfg.Btn_txt_clr_nr, 0x0080FFu) << "a missing component is 0";
    EXPECT_EQ(Cfg.ClrKeyOv, 255u) << "black becomes pure red";
    EXPECT_EQ(Cfg.ClrKeyDn, 0x010000u);
    EXPECT_EQ(Cfg.ClrKeyHasFunc, 255u);
    EXPECT_EQ(Cfg.Menu_txt_clr_nr, 300u & 0xFF);
}

TEST(Config, LedOptionsGivenArePaddedWithZero)
{
    loadConfigQuietly(opt("LedOpt1=1,1,0\nLedOpt4=9"));
    EXPECT_EQ(Cfg.LedOpt[0][0], 1);
    EXPECT_TRUE(Cfg.speedSettable(0));
    EXPECT_FALSE(Cfg.brightnessSettable(0));
    EXPECT_FALSE(Cfg.speedSettable(3));
    EXPECT_FALSE(Cfg.brightnessSettable(3));
    EXPECT_TRUE(Cfg.speedSettable(1)) << "absent keys keep their defaults";
}

TEST(Config, UnRectKeyNeedsNineNumbersAndIsClosed)
{
    EXPECT_EQ(loadConfigQuietly(opt("UnRectKey=87,1,1,5,1,5,5,1")), Texts{});
    EXPECT_FALSE(Cfg.UnRectKey.present);

    EXPECT_EQ(loadConfigQuietly(opt("UnRectKey=87,1,1,5,1,5,5,1,5,0,0,9,9")), Texts{"EnterPt[0]!=EnterPt[Last] "});
    ASSERT_TRUE(Cfg.UnRectKey.present);
    EXPECT_EQ(Cfg.UnRectKey.matrixIndex, 87);
    EXPECT_EQ(Cfg.UnRectKey.points.size(), 4u) << "the list ends at the first x of 0";

    std::string many = "UnRectKey=5";
    for (int i = 0; i < 30; ++i)
        many += ",1,1";
    EXPECT_EQ(loadConfigQuietly(opt(many)), Texts{});
    EXPECT_EQ(Cfg.UnRectKey.points.size(), UnRectMaxPoints);
}

TEST(Config, KeyTableLines)
{
    const Texts shown = loadConfigQuietly(opt("")
        + "[KEY]\n"
          "K1=10,20,60,70,2,A2,0,5\n"
          "K2=1,2,3,4,2,41,2,144\n"
          "K3=1,2,3,4,3,26,0,6\n"
          "K4=1,2,3,4,2,0x41,1\n"
          "K5=1,2,3x,4,2,41,0,9\n"
          "K6=1,2,3,4,8,1A4,0,-1\n"
          "K7=1,2,3,4,2,10,4,12\n"
          "K9=1,2,3,4,2,41,0,13\n");
    EXPECT_EQ(shown, (Texts{"Wrong matrix index value!", "Data parse error!", "Wrong matrix index value!"}));
    ASSERT_EQ(KeyCount, 5) << "dropped lines are skipped, the table stops at the first absent key";

    EXPECT_EQ(KeyTable[0].firstWord(), 0x020000A0u);
    EXPECT_EQ(KeyTable[0].modifiers, 0x01) << "left Ctrl folds into the modifier bits";
    EXPECT_EQ(KeyTable[0].key1, 0);
    EXPECT_EQ(KeyTable[0].rect, (Rect{10, 20, 60, 70}));
    EXPECT_EQ(KeyTable[0].matrixIndex, 5);

    EXPECT_EQ(KeyTable[1].firstWord(), 0x03000026u) << "the dropped line's successor takes its place";
    EXPECT_EQ(KeyTable[1].matrixIndex, 6);

    EXPECT_EQ(KeyTable[2].key1, 0x41);
    EXPECT_EQ(KeyTable[2].modifiers, 0x01);
    EXPECT_EQ(KeyTable[2].matrixIndex, 0) << "missing numbers are 0";

    EXPECT_EQ(KeyTable[3].rect, (Rect{1, 2, 0, 0})) << "a parse error keeps what was converted and zeros the rest";
    EXPECT_EQ(KeyTable[3].firstWord(), 0u);

    EXPECT_EQ(KeyTable[4].modifiers, 0x04 | 0x02) << "modifier bits of the line plus the folded Shift";
}

TEST(Config, KeyTableHoldsAtMost144Keys)
{
    std::string keys = "[KEY]\n";
    for (int n = 1; n <= 200; ++n)
        keys += "K" + std::to_string(n) + "=0,0,1,1,2,41,0," + std::to_string(n % 144) + "\n";
    loadConfigQuietly(opt("") + keys);
    EXPECT_EQ(KeyCount, 144);
}

TEST(Config, MatrixOfVirtualKey)
{
    loadConfigQuietly(
        opt("") + "[KEY]\nK1=0,0,1,1,3,41,0,1\nK2=0,0,1,1,2,41,0,7\nK3=0,0,1,1,2,A0,0,8\nK4=0,0,1,1,2,42,1,9\n");
    EXPECT_EQ(MatrixOfVirtualKey(0x41), 7) << "a media key with the same low code is not the A key";
    EXPECT_EQ(MatrixOfVirtualKey(0xA0), 8);
    EXPECT_EQ(MatrixOfVirtualKey(0x10), 8) << "Shift is found through the left Shift bit";
    EXPECT_EQ(MatrixOfVirtualKey(0x42), -1) << "a combination is not the plain key";
    EXPECT_EQ(MatrixOfVirtualKey(0xA2), 9) << "Ctrl+B carries the left Ctrl bit";
}

TEST(Config, HostileInputNeverCrashes)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 7919) & 0xFF);
    loadConfigQuietly(binary);
    loadConfigQuietly("[OPT]\nrcKB=99999999999999999999,1,1,1\nModes=FFFFFFFFFFFFFFFFFFFF\nDebug\n=\n[");
    EXPECT_EQ(Cfg.rcKB.left, INT32_MAX);
    loadConfigQuietly("[OPT]\nptMin=2147483647,0\nrcLED=2147483647,-2147483648,5,-5\n");
    EXPECT_EQ(Cfg.ptExit.x, INT32_MAX) << "sums saturate";
    EXPECT_EQ(Cfg.rcLED, (Rect{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}));
    std::string huge = "[OPT]\nappdir=a\nUnRectKey=" + std::string(10'000'000, '1') + "\n";
    EXPECT_EQ(loadConfigQuietly(huge), Texts{});
}

TEST(Config, LoadReportsWhetherItWasClean)
{
    test::MessageCapture boxes;
    EXPECT_TRUE(LoadConfigText(opt("TrayIcon=1")));
    EXPECT_FALSE(LoadConfigText(opt("ptMin=1"))) << "a shown problem is a failure";
    EXPECT_FALSE(LoadConfigText("")) << "no appdir";
    EXPECT_TRUE(LoadConfigText(opt(""))) << "the count starts again with every load";

    // A program folder without cfg.ini: every default, and the caller learns that the file was not read.
    test::TempDir folder;
    const std::string previous = ProgramFolder();
    SetProgramFolder(folder.path());
    EXPECT_FALSE(LoadConfig());
    EXPECT_EQ(Cfg.TrayIcon, 2);
    test::writeFile(folder / "cfg.ini", opt("TrayIcon=3"));
    EXPECT_TRUE(LoadConfig());
    EXPECT_EQ(Cfg.TrayIcon, 3);
    SetProgramFolder(previous);
}

TEST(Config, FreshSettingsHoldTheDefaultsOfAFileWithoutOptions)
{
    const Settings fresh;
    loadConfigQuietly(opt(""));
    EXPECT_EQ(fresh.LedOpt, Cfg.LedOpt) << "one home for the defaults: the option list";
    EXPECT_EQ(fresh.ptExit, Cfg.ptExit);
    EXPECT_EQ(fresh.LEDParam, Cfg.LEDParam);
    EXPECT_EQ(fresh.rcKB, Cfg.rcKB);
    EXPECT_EQ(fresh.Modes, Cfg.Modes);
    EXPECT_EQ(fresh.ClrKeyHasFunc, Cfg.ClrKeyHasFunc);
    EXPECT_EQ(fresh.TrayIcon, Cfg.TrayIcon);
    EXPECT_EQ(fresh.Macro_Opt_X, Cfg.Macro_Opt_X);
    EXPECT_FALSE(fresh.speedSettable(3));
    EXPECT_TRUE(fresh.speedSettable(4));
}

// The lighting page on its own, driven through its real drop-downs, sliders
// and window messages.
#include "LedPageFixture.h"

#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "device/ApplySetting.h"

#include <QDialog>
#include <QFontMetrics>

#include <cstring>

namespace kavrel {
namespace {

using test::deliverPosted;
using test::LedPageTest;
using test::matrixOfKey;

TEST_F(LedPageTest, EachModeKeepsItsOwnSpeedAndBrightnessAndASliderChangesOnlyTheCurrentMode)
{
    profile.ledMode = 1;
    profile.ledLevels[1] = {2, 3};
    profile.ledLevels[2] = {5, 6};
    makePage().showProfile(profile);
    EXPECT_EQ(speedLabel(), "2");
    EXPECT_EQ(brightnessLabel(), "40 %");
    EXPECT_EQ(speed().thumb().index(), 2);
    EXPECT_EQ(brightness().thumb().index(), 3);

    choose(modeBox(), rowOfMode(2));
    EXPECT_EQ(page->currentMode(), 2u);
    EXPECT_EQ(profile.ledMode, 2u);
    EXPECT_EQ(speedLabel(), "5");
    EXPECT_EQ(brightnessLabel(), "100 %");
    EXPECT_EQ(speed().thumb().index(), 5);
    EXPECT_EQ(brightness().thumb().index(), 6);

    clickStop(speed(), 0);
    clickStop(brightness(), 1);
    EXPECT_EQ(speedLabel(), "1");
    EXPECT_EQ(brightnessLabel(), "20 %");
    EXPECT_EQ(profile.ledLevels[2].speed, 1);
    EXPECT_EQ(profile.ledLevels[2].brightness, 2);
    EXPECT_EQ(profile.ledLevels[1].speed, 2) << "another mode's values stay";
    EXPECT_EQ(profile.ledLevels[1].brightness, 3);

    choose(modeBox(), rowOfMode(1));
    EXPECT_EQ(profile.ledMode, 1u);
    EXPECT_EQ(speedLabel(), "2");
    EXPECT_EQ(brightnessLabel(), "40 %");
    EXPECT_EQ(speed().thumb().index(), 2);
    EXPECT_EQ(profile.ledLevels[2].speed, 1);
    EXPECT_TRUE(requests.empty()) << "ApplyNow is off";
}

TEST_F(LedPageTest, AModeWithoutOptionsHidesBothSlidersLabelsAndHeadings)
{
    Cfg.LedOpt[4] = {};
    profile.ledMode = 1;
    makePage().showProfile(profile);
    const QImage withHeadings = page->grab().toImage();
    const QRect speedHeading(speed().x(), speed().y() - 24, 220, 20);
    const QRect brightnessHeading(brightness().x(), brightness().y() - 24, 220, 20);

    choose(modeBox(), rowOfMode(4));
    EXPECT_FALSE(page->speedAdjustable());
    EXPECT_FALSE(page->brightnessAdjustable());
    for (const char* name : {"ledSpeed", "ledBrightness", "ledSpeedLabel", "ledBrightnessLabel"})
        EXPECT_FALSE(page->findChild<QWidget*>(name)->isVisible()) << name;
    const QImage without = page->grab().toImage();
    const QImage skin = pageBackground();
    for (const QRect& heading : {speedHeading, brightnessHeading}) {
        EXPECT_NE(withHeadings.copy(heading), without.copy(heading)) << "the heading was drawn before";
        EXPECT_EQ(without.copy(heading).convertToFormat(QImage::Format_RGB32),
            skin.copy(heading).convertToFormat(QImage::Format_RGB32))
            << "only the background is left";
    }

    choose(modeBox(), rowOfMode(0)); // brightness only
    EXPECT_FALSE(speed().isVisible());
    EXPECT_FALSE(child<CPngBtn>("ledSpeedLabel").isVisible());
    EXPECT_TRUE(brightness().isVisible());
    EXPECT_TRUE(child<CPngBtn>("ledBrightnessLabel").isVisible());
}

TEST_F(LedPageTest, APerKeyModeOtherThanThreeShowsTheSetButOnlyModeThreeStoresTheViewsColours)
{
    Cfg.GaoshouIndex = 5;
    profile.colorSet = 8;
    profile.keyColors[8][matrixOfKey(0)] = 0x0000FF;
    profile.keyColors[8][matrixOfKey(1)] = 0x00FF00;
    profile.ledMode = 5;
    makePage().showProfile(profile);
    EXPECT_TRUE(page->perKeyMode());
    EXPECT_TRUE(setBox().isVisible());
    EXPECT_EQ(setBox().selectedValue(), 8u);
    EXPECT_EQ(view.colors[0], 0x0000FFu) << "colours go by the key's matrix position";
    EXPECT_EQ(view.colors[1], 0x00FF00u);

    view.colors[0] = 0xABCDEF;
    page->storeIntoProfile();
    EXPECT_EQ(profile.keyColors[8][matrixOfKey(0)], 0x0000FFu) << "mode 5 does not store colours";

    choose(modeBox(), rowOfMode(3));
    EXPECT_FALSE(page->perKeyMode());
    EXPECT_FALSE(setBox().isVisible());
    EXPECT_EQ(view.colors, KeyColorArray{}) << "no colours outside the per-key mode";
    EXPECT_EQ(profile.ledMode, 3u);
    EXPECT_EQ(profile.keyColors[8][matrixOfKey(0)], 0x0000FFu) << "the empty view did not wipe the set";
    EXPECT_EQ(profile.keyColors[8][matrixOfKey(1)], 0x00FF00u);
}

TEST_F(LedPageTest, InModeThreeTheViewsColoursAreStoredIntoTheCurrentSet)
{
    profile.ledMode = 3;
    profile.colorSet = 9;
    makePage().showProfile(profile);
    EXPECT_TRUE(setBox().isVisible());
    view.colors[2] = 0x123456;
    page->storeIntoProfile();
    EXPECT_EQ(profile.keyColors[9][matrixOfKey(2)], 0x123456u);
    EXPECT_EQ(profile.keyColors[8][matrixOfKey(2)], 0u);
}

TEST_F(LedPageTest, BrightnessOneShowsZeroPercentAndSixShowsAHundredPercentWhole)
{
    profile.ledMode = 1;
    profile.ledLevels[1].brightness = 1;
    makePage().showProfile(profile);
    EXPECT_EQ(brightnessLabel(), "0 %");
    profile.ledLevels[1].brightness = 6;
    page->showProfile(profile);
    EXPECT_EQ(brightnessLabel(), "100 %");
    const CPngBtn& label = child<CPngBtn>("ledBrightnessLabel");
    EXPECT_LE(QFontMetrics(label.buttonFont()).horizontalAdvance("100 %"), label.width());
    EXPECT_LE(label.geometry().right(), page->width() - 1) << "the label stays on the page";
}

TEST_F(LedPageTest, ARepeatedModeIdGivesTwoItemsForTheSameMode)
{
    Cfg.Modes = {0, 1, 1, 3, 4, 5, 6, 7, 8, 9};
    profile.ledMode = 0;
    profile.ledLevels[1] = {4, 2};
    makePage().showProfile(profile);
    ASSERT_EQ(modeBox().entryCount(0), 10);
    EXPECT_EQ(modeBox().entry(0, 1)->value, 1u);
    EXPECT_EQ(modeBox().entry(0, 2)->value, 1u);
    choose(modeBox(), 2);
    EXPECT_EQ(page->currentMode(), 1u);
    EXPECT_EQ(profile.ledMode, 1u);
    EXPECT_EQ(speedLabel(), "4");
    EXPECT_EQ(modeBox().buttonText(), CLedDlg::modeName(1));
}

TEST_F(LedPageTest, ChoosingTheCurrentColourSetAgainReloadsTheViewAndClearsItsSelection)
{
    profile.ledMode = 3;
    profile.colorSet = 8;
    profile.keyColors[8][matrixOfKey(3)] = 0x445566;
    makePage().showProfile(profile);
    const int reloads = view.reloads;
    view.colors[3] = 0x999999; // painted in the view, not stored
    view.selected = 3;
    choose(setBox(), 8);
    EXPECT_EQ(view.reloads, reloads + 1);
    EXPECT_EQ(view.selected, -1);
    EXPECT_EQ(view.colors[3], 0x445566u);
    EXPECT_EQ(profile.colorSet, 8);

    choose(setBox(), 2);
    EXPECT_EQ(profile.colorSet, 2);
    EXPECT_EQ(view.colors[3], profile.keyColors[2][matrixOfKey(3)]);
}

TEST_F(LedPageTest, DraggingOnlyUpdatesTheLabelWhileASetValueIsStored)
{
    profile.ledMode = 2;
    profile.ledLevels[2] = {3, 3};
    makePage().showProfile(profile);
    postWindowMessage(page.get(), MsgSliderChanging, 5, CLedDlg::SpeedSliderId);
    postWindowMessage(page.get(), MsgSliderChanging, 6, CLedDlg::BrightnessSliderId);
    deliverPosted();
    EXPECT_EQ(speedLabel(), "5");
    EXPECT_EQ(brightnessLabel(), "100 %");
    EXPECT_EQ(profile.ledLevels[2].speed, 3) << "dragging stores nothing";

    set_slider_value(speed().thumb(), 4, false);
    postWindowMessage(page.get(), MsgSliderSet, 4, CLedDlg::SpeedSliderId);
    deliverPosted();
    EXPECT_EQ(speedLabel(), "4");
    EXPECT_EQ(profile.ledLevels[2].speed, 4);
    EXPECT_EQ(profile.ledLevels[2].brightness, 3) << "the brightness slider still stands at 3";

    postWindowMessage(page.get(), MsgSliderSet, 1, 104);
    deliverPosted();
    EXPECT_EQ(speedLabel(), "4") << "another control id changes nothing";
}

TEST_F(LedPageTest, WithApplyNowModeAndColourSetRequestSixAndASliderRequestsTwo)
{
    Cfg.ApplyNow = 1;
    profile.ledMode = 3;
    profile.colorSetFlags[8] = 0;
    makePage().showProfile(profile);
    EXPECT_TRUE(requests.empty()) << "showing a profile requests nothing";
    choose(setBox(), 8);
    choose(modeBox(), rowOfMode(2));
    clickStop(speed(), 3);
    EXPECT_EQ(requests,
        (std::vector<std::uint32_t>{ApplyLighting | ApplyKeyColors, ApplyLighting | ApplyKeyColors, ApplyLighting}));
    EXPECT_EQ(profile.ledLevels[2].speed, 4);
    EXPECT_EQ(profile.colorSetFlags[8], 1);
}

TEST_F(LedPageTest, AColourSetOutOfRangeIsLoggedAndStoredAsZero)
{
    test::TempDir dir;
    InitLogWith(2, dir / "Log.txt");
    profile.ledMode = 3;
    profile.colorSet = 12; // a damaged store
    makePage().showProfile(profile);
    EXPECT_EQ(view.colors, KeyColorArray{}) << "no set to show";
    page->storeIntoProfile();
    EXPECT_EQ(profile.colorSet, 0);
    EXPECT_NE(test::readFile(dir / "Log.txt").find("Get wrong nCurGameGroup value"), std::string::npos);
}

TEST_F(LedPageTest, AnotherProfilesColourSetNeverLeaksIntoTheShownProfile)
{
    PROFILE other{};
    NewProfile("Other", other);
    other.ledMode = 3;
    other.colorSet = 8;
    profile.ledMode = 1;
    profile.colorSet = 5;
    makePage().showProfile(other);
    page->showProfile(profile); // as a profile switch does
    clickStop(speed(), 1);
    EXPECT_EQ(profile.colorSet, 5);
}

TEST_F(LedPageTest, ADamagedModeShowsNoLevelsAndStoresNoneOutsideTheRecord)
{
    profile.ledMode = 40;
    const PROFILE before = profile;
    makePage().showProfile(profile);
    EXPECT_EQ(speedLabel(), "");
    EXPECT_FALSE(speed().isVisible());
    EXPECT_EQ(modeBox().buttonText(), "");
    page->storeIntoProfile();
    EXPECT_EQ(profile.ledMode, 40u);
    EXPECT_EQ(std::memcmp(profile.ledLevels, before.ledLevels, sizeof profile.ledLevels), 0);
}

TEST_F(LedPageTest, WithoutACurrentProfileNothingChanges)
{
    makePage();
    CurrentProfile = nullptr;
    Cfg.ApplyNow = 1;
    choose(modeBox(), rowOfMode(2));
    clickStop(speed(), 2);
    page->storeIntoProfile();
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(speedLabel(), "3") << "the label follows the slider all the same";
}

TEST_F(LedPageTest, TheCheckBoxStaysCheckedAndSwallowedKeysDoNotReachTheDialog)
{
    QDialog dialog;
    dialog.resize(1060, 640);
    page = std::make_unique<CLedDlg>(&dialog, &view);
    dialog.show();
    CPngBtn& check = child<CPngBtn>("ledCheck");
    QTest::mouseClick(&check, Qt::LeftButton);
    deliverPosted();
    EXPECT_EQ(check.checkedState(), 1);
    QTest::keyClick(page.get(), Qt::Key_Escape);
    QTest::keyClick(page.get(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    page.reset();
}

} // namespace
} // namespace kavrel

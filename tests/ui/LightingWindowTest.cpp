// The lighting page in the real main window against the simulated keyboard:
// profile switches reload it, a colour picked for a key in the key function
// picker is stored through it, and
// Apply writes what it shows, as kavrel-cli sim-state reads it back.
#include "UiTestSupport.h"
#include "app/Log.h"
#include "controls/CComboBtn.h"
#include "controls/CPngBtn.h"
#include "controls/CPngSliderBar.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "device/HardwareEncoding.h"
#include "model/Lists.h"
#include "ui/CColorBtnDlg.h"
#include "ui/CKBColorDlg.h"
#include "ui/CKavrelDlg.h"
#include "ui/CKeyFunPickDlg.h"
#include "ui/CLedDlg.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace kavrel {
namespace {

// A line of sim-state's colour report.
std::string colourLine(int position, int index)
{
    char line[64];
    std::snprintf(line, sizeof line, "position %3d  index %d", position, index);
    return line;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class LightingWindow : public test::ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", stateFile.c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        Cfg.TrayIcon = 2;
        Cfg.ApplyNow = 0;
        CKavrelDlg::setTrayAvailabilityOverride(false);
        load_menu_library(); // as start-up does
        window = std::make_unique<CKavrelDlg>();
        ASSERT_TRUE(window->initialise());
        page = window->findChild<CLedDlg*>();
        ASSERT_NE(page, nullptr);
    }
    void TearDown() override
    {
        close_menu();
        window.reset();
        CKavrelDlg::setTrayAvailabilityOverride(std::nullopt);
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        ProgramFolderFixture::TearDown();
    }

    template <class Child> Child& child(const char* name)
    {
        auto* found = page->findChild<Child*>(name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
    QString label(const char* name) { return child<CPngBtn>(name).buttonText(); }

    void click(CKavrelDlg::Button which)
    {
        CPngBtn* button = window->button(which);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    // Opens a drop-down of the page and chooses the row holding the value.
    void choose(const char* box, std::uint32_t value)
    {
        CComboBtn& combo = child<CComboBtn>(box);
        int row = 0;
        while (row < combo.entryCount(0) && combo.entry(0, row)->value != value)
            ++row;
        ASSERT_LT(row, combo.entryCount(0)) << box << " has no " << value;
        QTest::mouseClick(&combo, Qt::LeftButton);
        SkinMenuPopup* popup = openMenuPopup();
        ASSERT_NE(popup, nullptr);
        const QPoint at = popup->mapFromGlobal(popup->itemRect(row).center());
        QTest::mousePress(popup, Qt::LeftButton, {}, at);
        QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
        QCoreApplication::sendPostedEvents();
    }
    // Clicks a slider's track at one of its stops (0-based).
    void clickStop(const char* slider, int stop)
    {
        CPngSliderBar& track = child<CPngSliderBar>(slider);
        QTest::mouseClick(&track, Qt::LeftButton, {}, QPoint(track.thumb().stops()[std::size_t(stop)], 9));
        QCoreApplication::sendPostedEvents();
    }
    // Releases the mouse over a key of the keyboard view, as a user's click does.
    void clickKey(int key)
    {
        CKBColorDlg* view = window->keyboardView();
        const Rect& r = KeyTable[std::size_t(key)].rect;
        const QPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        QTest::mouseMove(view, centre);
        QTest::mouseRelease(view, Qt::LeftButton, {}, centre);
        QCoreApplication::sendPostedEvents();
    }

    std::string simState() const
    {
        return test::runKavrelCli("sim-state", "KAVREL_SIM_STATE=" + stateFile.string()).out;
    }

    // Keys with a place on the picture whose colours the keyboard keeps apart.
    static std::vector<int> colourableKeys(std::size_t count)
    {
        std::vector<int> keys;
        for (int key = 0; key < KeyCount && keys.size() < count; ++key) {
            const KEYINFO& entry = KeyTable[std::size_t(key)];
            const bool paired = entry.matrixIndex == PairedPositionA || entry.matrixIndex == PairedPositionB;
            if (entry.rect.right > entry.rect.left && !paired && entry.matrixIndex >= 0)
                keys.push_back(key);
        }
        return keys;
    }

    test::TempDir work;
    std::filesystem::path stateFile = work / "sim.state";
    std::unique_ptr<CKavrelDlg> window;
    CLedDlg* page = nullptr;
};

TEST_F(LightingWindow, ModeSpeedAndBrightnessChosenOnThePageAreWhatApplyWrites)
{
    EXPECT_EQ(page->geometry(),
        QRect(Cfg.rcLED.left, Cfg.rcLED.top, Cfg.rcLED.right - Cfg.rcLED.left, Cfg.rcLED.bottom - Cfg.rcLED.top));
    EXPECT_EQ(page->currentMode(), CurrentProfile->ledMode) << "the first profile switch loaded the page";
    choose("ledMode", 6);
    clickStop("ledSpeed", 1);
    clickStop("ledBrightness", 4);
    EXPECT_EQ(label("ledSpeedLabel"), "2");
    EXPECT_EQ(label("ledBrightnessLabel"), "80 %");
    EXPECT_EQ(simState(), "") << "nothing is written before Apply";

    click(CKavrelDlg::Apply);
    EXPECT_TRUE(contains(simState(), "lighting: mode 6, colour set 0, speed 2, brightness 5")) << simState();
    EXPECT_EQ(CurrentProfile->ledLevels[6].speed, 2);
}

TEST_F(LightingWindow, EveryProfileSwitchShowsThatProfilesModeAndLevels)
{
    choose("ledMode", 6);
    clickStop("ledSpeed", 4);
    click(CKavrelDlg::Profile2);
    ASSERT_NE(CurrentProfile, ProfileList.head()->record);
    choose("ledMode", 1);
    clickStop("ledSpeed", 0);

    click(CKavrelDlg::Profile1);
    EXPECT_EQ(page->currentMode(), 6u);
    EXPECT_EQ(child<CComboBtn>("ledMode").buttonText(), CLedDlg::modeName(6));
    EXPECT_EQ(label("ledSpeedLabel"), "5");
    EXPECT_EQ(child<CPngSliderBar>("ledSpeed").thumb().index(), 5);
    click(CKavrelDlg::Profile2);
    EXPECT_EQ(page->currentMode(), 1u);
    EXPECT_EQ(label("ledSpeedLabel"), "1");
}

TEST_F(LightingWindow, ColoursPickedForThreeKeysInSetEightReachTheKeyboard)
{
    choose("ledMode", std::uint32_t(Cfg.GaoshouIndex));
    choose("ledColorSet", 8);
    EXPECT_EQ(CurrentProfile->colorSet, 8);
    const std::vector<int> keys = colourableKeys(3);
    ASSERT_EQ(keys.size(), 3u);
    // Swatches 0, 2 and 4 of the picker: red, green and blue, colour indexes 4, 2 and 1.
    const int swatches[] = {0, 2, 4};
    const std::uint32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        bool picked = false;
        test::answerNextModal([&picked, swatch = swatches[i]](QDialog& dialog) {
            auto* picker = qobject_cast<CKeyFunPickDlg*>(&dialog);
            ASSERT_NE(picker, nullptr);
            ASSERT_TRUE(picker->colourMode()) << "per-key mode with set 8 offers colours";
            CColorBtnDlg* button = picker->swatch(swatch);
            ASSERT_NE(button, nullptr);
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
            picked = true;
        });
        clickKey(keys[i]);
        ASSERT_TRUE(test::waitFor([&] { return picked && !QApplication::activeModalWidget(); })) << i;
        EXPECT_EQ(window->keyboardView()->keyColors()[std::size_t(keys[i])], colours[i]);
    }
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(CurrentProfile->keyColors[8][KeyTable[std::size_t(keys[i])].matrixIndex], colours[i]);

    click(CKavrelDlg::Apply);
    const std::string state = simState();
    EXPECT_TRUE(contains(state, "lighting: mode 3, colour set 8")) << state;
    EXPECT_TRUE(contains(state, "colours: set 8")) << state;
    const int indexes[] = {4, 2, 1};
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_TRUE(contains(state, colourLine(KeyTable[std::size_t(keys[i])].matrixIndex, indexes[i]))) << state;

    // Another set and back: the view shows the stored colours again.
    choose("ledColorSet", 9);
    EXPECT_EQ(window->keyboardView()->keyColors()[std::size_t(keys[0])], 0u);
    choose("ledColorSet", 8);
    EXPECT_EQ(window->keyboardView()->keyColors()[std::size_t(keys[0])], colours[0]);
}

} // namespace
} // namespace kavrel

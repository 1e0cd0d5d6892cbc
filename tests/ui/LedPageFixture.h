#pragma once

// The lighting page built from the bundled skin and cfg.ini (the build's
// program folder) over a plain owner window, with a view that keeps
// the colours it is given and a recorder of apply requests.
#include "UiTestSupport.h"
#include "app/Config.h"
#include "app/Log.h"
#include "controls/CComboBtn.h"
#include "controls/CPngSliderBar.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "model/Lists.h"
#include "support/TestSupport.h"
#include "ui/CLedDlg.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kavrel::test {

inline void ensureApplication()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives for the whole test program
}

inline void deliverPosted()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// A keyboard view that keeps what the page gives it.
class RecordingView : public LedColorView {
public:
    const KeyColorArray& keyColors() const override { return colors; }
    void setAllColors(const KeyColorArray& given) override
    {
        colors = given;
        selected = -1;
        ++reloads;
    }
    KeyColorArray colors{};
    int selected = -1;
    int reloads = 0;
};

// The matrix position of a key of the table.
inline int matrixOfKey(int key)
{
    return KeyTable[std::size_t(key)].matrixIndex;
}

class LedPageTest : public ProgramFolderFixture {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        load_menu_library(); // as start-up does
        NewProfile("Lights", profile);
        for (int mode = 0; mode < LedModeCount; ++mode)
            profile.ledLevels[mode] = {std::uint8_t(mode % 5 + 1), std::uint8_t(mode % 6 + 1)};
        CurrentProfile = &profile;
        owner.resize(1060, 640);
        owner.show();
    }

    void TearDown() override
    {
        close_menu();
        deliverPosted();
        page.reset();
        CurrentProfile = nullptr;
        InitLogWith(0, {});
        ProgramFolderFixture::TearDown();
    }

    CLedDlg& makePage()
    {
        page = std::make_unique<CLedDlg>(&owner, &view);
        page->setApplyRequester([this](std::uint32_t flags) { requests.push_back(flags); });
        page->show();
        return *page;
    }

    template <class Child> Child& child(const char* name)
    {
        auto* found = page->findChild<Child*>(name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
    CComboBtn& modeBox() { return child<CComboBtn>("ledMode"); }
    CComboBtn& setBox() { return child<CComboBtn>("ledColorSet"); }
    CPngSliderBar& speed() { return child<CPngSliderBar>("ledSpeed"); }
    CPngSliderBar& brightness() { return child<CPngSliderBar>("ledBrightness"); }
    QString speedLabel() { return child<CPngBtn>("ledSpeedLabel").buttonText(); }
    QString brightnessLabel() { return child<CPngBtn>("ledBrightnessLabel").buttonText(); }

    // Opens the drop-down with a click and chooses a row of its menu.
    void choose(CComboBtn& box, int row)
    {
        QTest::mouseClick(&box, Qt::LeftButton);
        SkinMenuPopup* popup = openMenuPopup();
        ASSERT_NE(popup, nullptr);
        const QPoint at = popup->mapFromGlobal(popup->itemRect(row).center());
        QTest::mousePress(popup, Qt::LeftButton, {}, at);
        QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
        deliverPosted();
    }

    // Clicks the track at a stop; the track reports the value to the page.
    static void clickStop(CPngSliderBar& track, int stop)
    {
        QTest::mouseClick(&track, Qt::LeftButton, {}, QPoint(track.thumb().stops()[std::size_t(stop)], 9));
        deliverPosted();
    }

    // The part of the main window's picture under the page.
    QImage pageBackground() const
    {
        return clone_image_area(load_skin_image("main_nr.png"), page->x(), page->y(), page->width(), page->height());
    }

    // The row of the drop-down's list that holds a mode.
    int rowOfMode(std::uint32_t mode)
    {
        for (int row = 0; row < modeBox().entryCount(0); ++row) {
            if (modeBox().entry(0, row)->value == mode)
                return row;
        }
        return -1;
    }

    PROFILE profile{};
    QWidget owner;
    RecordingView view;
    std::unique_ptr<CLedDlg> page;
    std::vector<std::uint32_t> requests;
};

} // namespace kavrel::test

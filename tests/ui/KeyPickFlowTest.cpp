// The key click flow of the main window: a key clicked in the keyboard view
// opens the key function picker for it; its answer reaches the profile, the
// view and, on Apply, the simulated keyboard.

#include "UiTestSupport.h"

#include "app/Config.h"
#include "controls/CComboBtn.h"
#include "controls/CPngBtn.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "device/HardwareEncoding.h"
#include "model/Lists.h"
#include "ui/CKBColorDlg.h"
#include "ui/CKavrelDlg.h"
#include "ui/CKeyFunPickDlg.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kavrel {
namespace {

namespace fs = std::filesystem;

// Clicks the open skinned menu's row as the mouse would.
void chooseMenuRow(int row)
{
    SkinMenuPopup* popup = openMenuPopup();
    ASSERT_NE(popup, nullptr);
    const QPoint at = popup->mapFromGlobal(popup->itemRect(row).center());
    QTest::mousePress(popup, Qt::LeftButton, {}, at);
    QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
}

void clickWidget(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

class KeyPickFlow : public test::ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", (m_work / "sim.state").c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        Cfg.TrayIcon = 2;
        Cfg.ApplyNow = 0;
        CKavrelDlg::setTrayAvailabilityOverride(false);
        load_menu_library();
        window = std::make_unique<CKavrelDlg>();
        ASSERT_TRUE(window->initialise());
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

    // The index of the first key of the table whose default is the virtual key.
    static int keyOf(int virtualKey)
    {
        for (int i = 0; i < KeyCount; ++i)
            if (KeyTable[i].kind == KindKey && KeyTable[i].key1 == virtualKey && KeyTable[i].modifiers == 0)
                return i;
        return -1;
    }
    // Clicks key k in the keyboard view; `answer` runs on the picker it opens.
    void clickKey(int key, std::function<void(CKeyFunPickDlg&)> answer)
    {
        bool answered = false;
        test::answerNextModal([&](QDialog& dialog) {
            auto* picker = qobject_cast<CKeyFunPickDlg*>(&dialog);
            ASSERT_NE(picker, nullptr);
            answered = true;
            answer(*picker);
        });
        CKBColorDlg* view = window->keyboardView();
        const Rect& r = KeyTable[std::size_t(key)].rect;
        const QPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        QTest::mouseMove(view, centre);
        QTest::mousePress(view, Qt::LeftButton, {}, centre);
        QTest::mouseRelease(view, Qt::LeftButton, {}, centre);
        ASSERT_TRUE(test::waitFor([&] { return answered && !QApplication::activeModalWidget(); }));
    }

    test::TempDir m_work;
    std::unique_ptr<CKavrelDlg> window;
};

TEST_F(KeyPickFlow, AMediaFunctionPickedForAKeyReachesTheKeyboardOnApply)
{
    const int key = keyOf(0x51); // Q
    ASSERT_GE(key, 0);
    clickKey(key, [](CKeyFunPickDlg& picker) {
        clickWidget(picker.pageButton(CKeyFunPickDlg::MediaPage));
        clickWidget(picker.mediaDropDown());
        chooseMenuRow(5); // mute
        test::waitFor([&] { return picker.mediaValue() != 0; });
        clickWidget(picker.okButton());
    });
    const KEYINFO& stored = CurrentProfile->keys[std::size_t(key)];
    EXPECT_EQ(stored.firstWord(), 0x04000028u);
    EXPECT_EQ(stored.rect, KeyTable[std::size_t(key)].rect) << "the key's place comes from the key table";
    EXPECT_EQ(stored.matrixIndex, KeyTable[std::size_t(key)].matrixIndex);
    EXPECT_TRUE(window->keyboardView()->hasFunction(key));

    clickWidget(window->button(CKavrelDlg::Apply)); // the progress dialog runs until the worker closes it
    const std::string simulated
        = "KAVREL_HIDGATE=libhidgate-sim.so KAVREL_SIM_STATE=" + (m_work / "sim.state").string();
    const test::CommandRun state = test::runKavrelCli("--appdata-dir " + appData().string() + " sim-state", simulated);
    ASSERT_EQ(state.status, 0);
    char line[64];
    std::snprintf(line, sizeof line, "%3d  0x%08x", stored.matrixIndex,
        unsigned(keyinfo_to_hardware_code(stored, [](std::uint32_t) -> StMacro* { return nullptr; })));
    EXPECT_NE(state.out.find(line), std::string::npos) << line << "\n" << state.out.substr(0, 600);
}

} // namespace
} // namespace kavrel

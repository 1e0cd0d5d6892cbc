// Every text of every window measured against its rectangle, in English and German: each window is
// drawn, and every text the drawing had to cut (an ellipsis, lines left over, a line running past its
// rectangle) is listed. Run at 100 % here and at 200 % by test_ui_scaled_200.

#include "UiTestSupport.h"

#include "app/KeyInfo.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "controls/SkinText.h"
#include "macro/KeyLabel.h"
#include "macro/MacroList.h"
#include "ui/CKavrelDlg.h"
#include "ui/CKeyFunPickDlg.h"
#include "ui/CMacroDlg.h"
#include "ui/CMsgDlg.h"

#include <QTest>

#include <gtest/gtest.h>

namespace kavrel {
namespace {

class TextFit : public test::ProgramFolderFixture, public ::testing::WithParamInterface<const char*> {
protected:
    test::TempDir work;
    QWidget owner;
    QStringList cut;

    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", (work / "sim.state").c_str(), 1);
        Cfg.TrayIcon = 2;
        CKavrelDlg::setTrayAvailabilityOverride(false);
        const std::string language = GetParam();
        if (language != "en") {
            ASSERT_TRUE(LoadTexts((test::sourceDir() / "data" / "lang" / language / "text.xml").string()));
        }
        MacroList.clear();
        load_menu_library();
        owner.resize(1000, 700);
        owner.show();
        setSkinTextCutObserver([this](const QString& text, const QRect& rect) {
            const QString where = QString("%1 in %2x%3").arg(text).arg(rect.width()).arg(rect.height());
            if (!cut.contains(where))
                cut << where;
        });
    }
    void TearDown() override
    {
        setSkinTextCutObserver({});
        close_menu();
        CKavrelDlg::setTrayAvailabilityOverride(std::nullopt);
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        MacroList.clear();
        ProgramFolderFixture::TearDown();
    }
    // Draws the window and everything on it.
    void draw(QWidget& window) { (void)window.grab(); }
    void expectNothingCut(const char* what)
    {
        EXPECT_TRUE(cut.isEmpty()) << what << " (" << GetParam() << "): " << cut.join(" | ").toStdString();
        cut.clear();
    }
};

TEST_P(TextFit, TheMainWindowAndItsLightingPage)
{
    CKavrelDlg window;
    window.initialise();
    draw(window);
    expectNothingCut("main window");
}

TEST_P(TextFit, ThePickerOnEveryPageWithALongKeyName)
{
    KEYINFO key{};
    key.setFirstWord(std::uint32_t(KindKey) << 24);
    key.modifiers = 0x01 | 0x02 | 0x04;
    key.key1 = 0x41;
    key.key2 = 0x42;
    CKeyFunPickDlg picker(&owner, key, QString::fromStdString(keyinfo_to_text(key)));
    picker.setColourMode(true);
    picker.show();
    for (int page = CKeyFunPickDlg::ComboPage; page <= CKeyFunPickDlg::MediaPage; ++page) {
        picker.showPage(page);
        draw(picker);
    }
    expectNothingCut("picker");
}

TEST_P(TextFit, TheMacroPageWhileRecordingAndItsMenus)
{
    CMacroDlg page(&owner);
    page.show();
    draw(page);
    expectNothingCut("macro page");
    // The library's menu on empty space offers every command of a library with groups.
    QTest::mouseClick(page.libraryView()->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    ASSERT_TRUE(test::waitFor([] { return openMenuPopup() != nullptr; }));
    draw(*openMenuPopup());
    close_menu();
    expectNothingCut("library menu");
}

TEST_P(TextFit, MessageBoxesOfEveryStyle)
{
    for (const int style :
        {CMsgDlg::Information, CMsgDlg::TextInput, CMsgDlg::NumberInput, CMsgDlg::KeyCapture, CMsgDlg::Question}) {
        CMsgDlg box(style, &owner);
        box.setMessage(QString::fromStdString(Text("tc_msg7")));
        box.show();
        draw(box);
    }
    expectNothingCut("message boxes");
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFit, ::testing::Values("en", "de"));

} // namespace
} // namespace kavrel

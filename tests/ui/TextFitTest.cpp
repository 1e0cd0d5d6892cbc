// Every text of every window measured against its rectangle, in English and German: each window is
// drawn, and every text the drawing had to cut (an ellipsis, lines left over, a line running past its
// rectangle) is listed; the picker's controls and texts are checked against each other and its page
// panel. Run at 100 % here and at 200 % by test_ui_scaled_200.

#include "UiTestSupport.h"

#include "app/KeyInfo.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/CComboBtn.h"
#include "controls/CPngBtn.h"
#include "controls/CTreeCtrlEx.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "controls/SkinText.h"
#include "macro/KeyLabel.h"
#include "macro/MacroCatalog.h"
#include "macro/MacroFile.h"
#include "macro/MacroList.h"
#include "ui/CKavrelDlg.h"
#include "ui/CKeyFunPickDlg.h"
#include "ui/CMacroDlg.h"
#include "ui/CMsgDlg.h"

#include <QStandardItem>
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
        test::useSimulatedKeyboardWithoutTray(work.path());
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
    void drawList(CComboBtn& box)
    {
        QTest::mouseClick(&box, Qt::LeftButton);
        ASSERT_NE(openMenuPopup(), nullptr);
        draw(*openMenuPopup());
        close_menu();
    }
    void chooseRow(CComboBtn& box, int row)
    {
        QTest::mouseClick(&box, Qt::LeftButton);
        SkinMenuPopup* popup = openMenuPopup();
        ASSERT_NE(popup, nullptr);
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->mapFromGlobal(popup->itemRect(row).center()));
        test::processEvents();
    }
    // The window's shown controls and the texts it draws itself (its controls' own texts left out).
    std::vector<std::pair<QString, QRect>> piecesOf(QWidget& window)
    {
        std::vector<std::pair<QString, QRect>> pieces;
        for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisibleTo(&window))
                pieces.emplace_back(child->objectName(), child->geometry());
        setSkinTextDrawObserver([&](const QString& text, const QRect& drawn) { pieces.emplace_back(text, drawn); });
        QImage picture(window.size(), QImage::Format_ARGB32_Premultiplied);
        window.render(&picture, {}, {}, QWidget::DrawWindowBackground);
        setSkinTextDrawObserver({});
        return pieces;
    }
    // Pieces that overlap, and pieces that cross the panel's edge (each belongs inside it or outside it).
    void expectApart(const std::vector<std::pair<QString, QRect>>& pieces, const QRect& panel, const QString& what)
    {
        QStringList found;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto& [name, rect] = pieces[i];
            if (rect.intersects(panel) && !panel.contains(rect))
                found << QString("%1 crosses the panel's edge").arg(name);
            for (std::size_t j = i + 1; j < pieces.size(); ++j)
                if (rect.intersects(pieces[j].second))
                    found << QString("%1 overlaps %2").arg(name, pieces[j].first);
        }
        EXPECT_TRUE(found.isEmpty()) << what.toStdString() << " (" << GetParam()
                                     << "): " << found.join(" | ").toStdString();
    }
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
    // The lighting mode's list and, in a per-key mode, the colour set's list, opened as a click opens them.
    auto* mode = window.findChild<CComboBtn*>("ledMode");
    auto* colorSet = window.findChild<CComboBtn*>("ledColorSet");
    ASSERT_TRUE(mode && colorSet);
    drawList(*mode);
    for (std::size_t row = 0; row < Cfg.Modes.size() && !colorSet->isVisible(); ++row)
        chooseRow(*mode, int(row));
    ASSERT_TRUE(colorSet->isVisible()) << "no per-key mode in the list";
    drawList(*colorSet);
    expectNothingCut("lighting lists");
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

TEST_P(TextFit, ThePickersControlsAndTextsNeitherOverlapNorCrossItsPanelsEdge)
{
    ReloadMacroLibrary(); // empty: page 2 shows its hint under the list
    KEYINFO key = KeyTable[1];
    for (const bool colourMode : {false, true}) {
        CKeyFunPickDlg picker(&owner, key, QString::fromStdString(keyinfo_to_text(key)));
        picker.setColourMode(colourMode);
        picker.show();
        for (int page = CKeyFunPickDlg::NoPage; page <= CKeyFunPickDlg::MediaPage; ++page) {
            if (page == 0)
                continue;
            picker.showPage(page);
            expectApart(piecesOf(picker), CKeyFunPickDlg::PagePanel,
                QString("page %1%2").arg(page).arg(colourMode ? " in colour mode" : ""));
        }
    }
    // The panel is where the default skin draws it: its edge differs from the window around it.
    const QImage background = load_skin_image("pickfundlg.png");
    const QPoint edge(CKeyFunPickDlg::PagePanel.left(), CKeyFunPickDlg::PagePanel.center().y());
    EXPECT_NE(background.pixel(edge * background.devicePixelRatio()),
        background.pixel((edge - QPoint(3, 0)) * background.devicePixelRatio()));
}

TEST_P(TextFit, TheMacroPageWhileRecordingAndItsMenus)
{
    const std::filesystem::path library = appData() / "Mac";
    std::filesystem::create_directories(library);
    StMacro macro{};
    macro.dwMagicNumber = MacroMagic;
    macro.dwId = 0x51;
    const MacroFileBytes bytes = EncodeMacroFile(macro);
    test::writeFile(
        library / "Recorded.mck", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    CMacroDlg page(&owner);
    page.show();
    draw(page);
    expectNothingCut("macro page");
    // While recording, the record button says how to stop.
    CTreeCtrlEx& list = *page.libraryView();
    ASSERT_GT(list.RootItem()->rowCount(), 0);
    QTest::mouseClick(
        list.viewport(), Qt::LeftButton, {}, list.visualRect(list.RootItem()->child(0)->index()).center());
    ASSERT_TRUE(test::waitFor([&] { return page.session().isOpen(); }));
    QTest::mouseClick(page.findChild<CPngBtn*>("recordButton"), Qt::LeftButton);
    ASSERT_TRUE(page.isRecording());
    draw(page);
    QTest::mouseClick(page.findChild<CPngBtn*>("recordButton"), Qt::LeftButton);
    expectNothingCut("macro page while recording");
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

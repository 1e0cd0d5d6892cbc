// The macro page's own undo history: deleting, inserting and editing steps
// and a whole recording, each undone and redone in one step, from the keys
// and on the real page; choosing another macro ends the history.

#include "UiTestSupport.h"
#include "controls/CPngBtn.h"
#include "controls/CTreeCtrlEx.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroList.h"
#include "ui/CMacroDlg.h"
#include "ui/StepEditHistory.h"

#include <QStandardItem>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

constexpr int A = 0x41;
constexpr int B = 0x42;

class MacroStepUndo : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        MacroList.clear();
        load_menu_library();
        m_owner.resize(1000, 640);
        m_owner.show();
        addMacro("Edit.mck", 0x50, {{A, 1, 40}, {A, 0, 0}});
        addMacro("Other.mck", 0x51, {{B, 1, 10}, {B, 0, 0}});
        m_page = std::make_unique<CMacroDlg>(&m_owner);
        m_page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_page.get()));
    }
    void TearDown() override
    {
        m_page.reset();
        close_menu();
        clearModalAnswers();
        MacroList.clear();
        ProgramFolderFixture::TearDown();
    }

    void addMacro(const char* file, std::uint32_t id, std::initializer_list<StMacroEvent> events)
    {
        StMacro m;
        std::memset(&m, 0, sizeof m);
        m.dwMagicNumber = MacroMagic;
        m.dwId = id;
        m.dwAutoDelay = 1;
        m.wLoopCount = 1;
        int i = 0;
        for (const StMacroEvent& e : events)
            m.Events[i++] = e;
        fs::create_directories(appData() / "Mac");
        const MacroFileBytes bytes = EncodeMacroFile(m);
        writeFile(appData() / "Mac" / file, std::string(bytes.begin(), bytes.end()));
        ASSERT_TRUE(AddToList(m));
    }
    void clickItem(CTreeCtrlEx& list, TreeItem item, Qt::MouseButton button)
    {
        list.scrollTo(item->index());
        QTest::mouseClick(list.viewport(), button, {}, list.visualRect(item->index()).center());
        processEvents();
    }
    void select(const QString& name)
    {
        CTreeCtrlEx& view = *m_page->libraryView();
        for (int row = 0; row < view.RootItem()->rowCount(); ++row)
            if (view.RootItem()->child(row)->text() == name)
                clickItem(view, view.RootItem()->child(row), Qt::LeftButton);
    }
    // A command of the step list's right-click menu on a row.
    void rowCommand(int row, std::uint32_t command)
    {
        CTreeCtrlEx& keys = *m_page->keyList();
        clickItem(keys, keys.RootItem()->child(row), Qt::LeftButton);
        clickItem(keys, keys.RootItem()->child(row), Qt::RightButton);
        choose(command);
    }
    // A command of the menu the page has open.
    void choose(std::uint32_t command)
    {
        ASSERT_TRUE(waitFor([] { return openMenuPopup() != nullptr; }));
        const auto& commands = m_page->lastMenuCommands();
        const auto it = std::find(commands.begin(), commands.end(), command);
        ASSERT_NE(it, commands.end());
        SkinMenuPopup* popup = openMenuPopup();
        const QPoint at = popup->mapFromGlobal(popup->itemRect(int(it - commands.begin())).center());
        QTest::mouseMove(popup, at);
        QTest::mouseClick(popup, Qt::LeftButton, {}, at);
        processEvents();
    }
    void keys(Qt::KeyboardModifiers modifiers, Qt::Key key)
    {
        m_page->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_page.get()));
        QTest::keyClick(m_page.get(), key, modifiers);
        processEvents();
    }
    KeyRows rows() const { return m_page->keyRows(); }

    QWidget m_owner;
    std::unique_ptr<CMacroDlg> m_page;
};

} // namespace

TEST_F(MacroStepUndo, StepEditsAreUndoneAndRedoneOneByOne)
{
    select("Edit");
    const KeyRows start = rows();
    ASSERT_EQ(start, (KeyRows{pressRow(A), pauseRow(40), releaseRow(A)}));

    rowCommand(1, CMacroDlg::CmdDeleteRow);
    const KeyRows deleted = rows();
    ASSERT_EQ(deleted, (KeyRows{pressRow(A), releaseRow(A)}));
    answerNextModal([](QDialog& d) {
        typeInto(d, "250");
        clickOk(d);
    });
    // A pause inserted after the first row, from the insert button's menu.
    clickItem(*m_page->keyList(), m_page->keyList()->RootItem()->child(0), Qt::LeftButton);
    QTest::mouseClick(m_page->findChild<CPngBtn*>("insertButton"), Qt::LeftButton);
    processEvents();
    choose((std::uint32_t(CMacroDlg::InsertPause) << 16) | CMacroDlg::CmdInsert);
    ASSERT_TRUE(waitFor([&] { return rows().size() == 3; }));
    const KeyRows inserted = rows();
    EXPECT_EQ(m_page->stepHistory().stack().count(), 2);

    keys(Qt::ControlModifier, Qt::Key_Z);
    EXPECT_EQ(rows(), deleted);
    keys(Qt::ControlModifier, Qt::Key_Z);
    EXPECT_EQ(rows(), start);
    EXPECT_FALSE(m_page->findChild<CPngBtn*>("saveButton")->isVisible()) << "back to what the file holds";
    keys(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    EXPECT_EQ(rows(), deleted);
    keys(Qt::ControlModifier, Qt::Key_Y);
    EXPECT_EQ(rows(), inserted);

    // Another macro has a history of its own: the first one's steps are not undone into it.
    answerNextModal([](QDialog& question) { clickCancel(question); }); // unsaved changes: not saved
    select("Other");
    EXPECT_FALSE(m_page->stepHistory().stack().canUndo());
    keys(Qt::ControlModifier, Qt::Key_Z);
    EXPECT_EQ(rows(), (KeyRows{pressRow(B), pauseRow(10), releaseRow(B)}));
}

TEST_F(MacroStepUndo, ARecordingIsOneStep)
{
    select("Other");
    const KeyRows before = rows();
    QTest::mouseClick(m_page->findChild<CPngBtn*>("recordButton"), Qt::LeftButton);
    processEvents();
    ASSERT_TRUE(m_page->isRecording());
    for (int key : {A, B}) {
        sendKey(m_page.get(), key, true);
        sendKey(m_page.get(), key, false);
    }
    QTest::mouseClick(m_page->findChild<CPngBtn*>("recordButton"), Qt::LeftButton);
    processEvents();
    ASSERT_FALSE(m_page->isRecording());
    const KeyRows recorded = rows();
    ASSERT_NE(recorded, before);
    EXPECT_EQ(m_page->stepHistory().stack().count(), 1);
    m_page->stepHistory().stack().undo();
    EXPECT_EQ(rows(), before);
    m_page->stepHistory().stack().redo();
    EXPECT_EQ(rows(), recorded);
}

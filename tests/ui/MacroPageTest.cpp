// The macro page driven as a user drives it: mouse clicks on its lists,
// buttons and menus, keys with native scan codes and timestamps, dialogs
// answered on the real message box, files checked on a real library folder.

#include "UiTestSupport.h"

#include "app/Limits.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "controls/ControlTestSupport.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "model/Lists.h"
#include "ui/CMacroDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/FileChooser.h"

#include <QLineEdit>
#include <QStandardItem>
#include <QTest>

#include <cstring>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

constexpr int A = 0x41;
constexpr int B = 0x42;

StMacro macroWith(std::uint32_t id, std::initializer_list<StMacroEvent> events)
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
    return m;
}

std::string fileBytes(const StMacro& m)
{
    const MacroFileBytes bytes = EncodeMacroFile(m);
    return std::string(bytes.begin(), bytes.end());
}

StMacro readMacro(const fs::path& path)
{
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.size(), MacroSize) << path;
    StMacro m{};
    if (bytes.size() == MacroSize) {
        std::array<std::uint8_t, MacroSize> raw{};
        std::memcpy(raw.data(), bytes.data(), MacroSize);
        m = DecodeMacroFile(raw);
    }
    return m;
}

// Every file below a folder with its bytes.
std::map<std::string, std::string> filesBelow(const fs::path& root)
{
    std::map<std::string, std::string> files;
    if (!fs::exists(root))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = readFile(entry.path());
    }
    return files;
}

QString messageOf(QDialog& dialog)
{
    auto* box = qobject_cast<CMsgDlg*>(&dialog);
    return box ? box->message() : QString();
}

class MacroPageTest : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        MacroList.clear();
        clearFileChoiceAnswers();
        load_menu_library();
        m_owner.resize(1000, 640);
        m_owner.show();
    }
    void TearDown() override
    {
        m_page.reset();
        close_menu();
        EXPECT_EQ(pendingModalAnswers(), 0);
        EXPECT_EQ(pendingFileChoiceAnswers(), 0);
        clearFileChoiceAnswers();
        MacroList.clear();
        ProgramFolderFixture::TearDown();
    }

    fs::path library() const { return appData() / "Mac"; }

    // A macro file in the library and, as at start-up, in MacroList.
    void addMacroFile(const fs::path& relative, const StMacro& m)
    {
        fs::create_directories((library() / relative).parent_path());
        writeFile(library() / relative, fileBytes(m));
        ASSERT_TRUE(AddToList(m));
    }

    CMacroDlg& open(CMacroDlg::KeyboardViewLink link = {})
    {
        m_page = std::make_unique<CMacroDlg>(&m_owner, std::move(link));
        m_page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_page.get()));
        return *m_page;
    }

    TreeItem find(CTreeCtrlEx& list, const QString& path)
    {
        TreeItem at = list.RootItem();
        for (const QString& part : path.split('/')) {
            TreeItem next = nullptr;
            for (int row = 0; row < at->rowCount() && !next; ++row) {
                if (at->child(row)->text() == part)
                    next = at->child(row);
            }
            if (!next)
                return nullptr;
            at = next;
        }
        return at;
    }

    QPoint centreOf(CTreeCtrlEx& list, TreeItem item)
    {
        list.scrollTo(item->index());
        return list.visualRect(item->index()).center();
    }

    void leftClick(CTreeCtrlEx& list, TreeItem item)
    {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, item));
        processEvents();
    }
    void rightClick(CTreeCtrlEx& list, TreeItem item)
    {
        const QPoint at = item ? centreOf(list, item) : QPoint(10, list.viewport()->height() - 5);
        QTest::mouseClick(list.viewport(), Qt::RightButton, {}, at);
        processEvents();
    }
    void select(const QString& path)
    {
        TreeItem item = find(*m_page->libraryView(), path);
        ASSERT_TRUE(item) << path.toStdString();
        leftClick(*m_page->libraryView(), item);
    }

    CPngBtn& button(const char* name) { return *m_page->findChild<CPngBtn*>(name); }
    void click(const char* name)
    {
        QTest::mouseClick(&button(name), Qt::LeftButton);
        processEvents();
    }

    // Chooses a command in the menu the page has open.
    void choose(std::uint32_t command)
    {
        ASSERT_TRUE(waitFor([] { return openMenuPopup() != nullptr; }));
        const auto& commands = m_page->lastMenuCommands();
        const auto it = std::find(commands.begin(), commands.end(), command);
        ASSERT_NE(it, commands.end()) << std::hex << command;
        SkinMenuPopup* popup = openMenuPopup();
        const QRect row = popup->itemRect(int(it - commands.begin()));
        QTest::mouseMove(popup, popup->mapFromGlobal(row.center()));
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->mapFromGlobal(row.center()));
        processEvents();
    }
    void contextCommand(CTreeCtrlEx& list, TreeItem item, std::uint32_t command)
    {
        rightClick(list, item);
        choose(command);
    }

    // The next message box must show this text; it is closed with OK.
    static void expectMessage(const QString& text)
    {
        answerNextModal([text](QDialog& d) {
            EXPECT_EQ(messageOf(d), text);
            clickOk(d);
        });
    }
    static void expectTextMessage(std::string_view key) { expectMessage(QString::fromStdString(Text(key))); }
    static void typeName(const QString& name)
    {
        answerNextModal([name](QDialog& d) {
            typeInto(d, name);
            clickOk(d);
        });
    }

    KeyRows rows() const { return m_page->keyRows(); }

    QWidget m_owner;
    std::unique_ptr<CMacroDlg> m_page;
};

} // namespace

TEST_F(MacroPageTest, OpensOnTheLibraryAndOnlyItsExitButtonClosesIt)
{
    addMacroFile("Top.mck", macroWith(0x10, {{A, 1, 10}, {A, 0, 0}}));
    addMacroFile("Group/Inner.v2.mck", macroWith(0x11, {}));
    writeFile(library() / "broken.mck", "short");
    const auto before = filesBelow(library());

    CMacroDlg& page = open();
    EXPECT_EQ(page.size(), QImage(QString::fromStdString(SkinsFolder() + "macro_nr.png")).size());
    ASSERT_TRUE(find(*page.libraryView(), "Top"));
    ASSERT_TRUE(find(*page.libraryView(), "Group/Inner.v2"));
    EXPECT_FALSE(find(*page.libraryView(), "broken"));
    EXPECT_EQ(page.libraryView()->itemCount(), 3);
    EXPECT_FALSE(button("saveButton").isVisible());
    EXPECT_TRUE(button("delayBox").checkedState());
    auto* count = page.findChild<QLineEdit*>("countBox");
    EXPECT_TRUE(count->isVisible());
    EXPECT_TRUE(count->text().isEmpty());

    for (int key : {27, 13, 32, 112})
        tapKey(&page, key);
    processEvents();
    EXPECT_TRUE(page.isVisible());

    click("exitButton");
    EXPECT_FALSE(page.isVisible());
    EXPECT_EQ(page.result(), QDialog::Accepted);
    EXPECT_EQ(filesBelow(library()), before); // nothing changed: nothing written
}

TEST_F(MacroPageTest, SelectingAMacroShowsItsStepsAndSettings)
{
    StMacro m = macroWith(0x20, {{A, 1, 120}, {A, 0, 30}, {B, 1, 0}});
    m.wLoopCount = 3;
    addMacroFile("Steps.mck", m);
    StMacro held = macroWith(0x21, {{B, 1, 5}});
    held.dwLoopMode = MacroLoopMode2;
    held.dwAutoDelay = 0;
    addMacroFile("Held.mck", held);

    CMacroDlg& page = open();
    select("Steps");
    EXPECT_EQ(rows(), (KeyRows{pressRow(A), pauseRow(120), releaseRow(A), pauseRow(30), pressRow(B)}));
    auto* count = page.findChild<QLineEdit*>("countBox");
    EXPECT_EQ(count->text(), "3");
    EXPECT_TRUE(button("countRadio").checkedState());
    EXPECT_FALSE(button("saveButton").isVisible()); // though the count box marked it changed
    EXPECT_EQ(FindMacroById(0x20)->dwFlags, MacroSettingsChanged);

    select("Held");
    EXPECT_EQ(rows(), KeyRows{pressRow(B)});
    EXPECT_TRUE(button("loopMode2Radio").checkedState());
    EXPECT_FALSE(button("countRadio").checkedState());
    EXPECT_FALSE(count->isVisible());
    EXPECT_FALSE(button("delayBox").checkedState());

    // Clicking the selected item again does not reload the list.
    m_page->keyList()->DeleteAllItems();
    select("Held");
    EXPECT_TRUE(rows().empty());

    // Right-click on empty space empties the key list and offers the library commands.
    select("Steps");
    rightClick(*page.libraryView(), nullptr);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(page.lastMenuCommands(),
        (std::vector<std::uint32_t>{CMacroDlg::CmdNewMacro, CMacroDlg::CmdNewGroup, CMacroDlg::CmdImport,
            CMacroDlg::CmdImportFolder, CMacroDlg::CmdCopyFolder}));
    close_menu();

    // Closing rewrites the marked macro unchanged.
    click("exitButton");
    EXPECT_EQ(readFile(library() / "Steps.mck"), fileBytes(m));
}

TEST_F(MacroPageTest, RecordingTakesKeysWithTheirOwnTimestamps)
{
    addMacroFile("Rec.mck", macroWith(0x30, {{B, 1, 0}}));
    CMacroDlg& page = open();
    select("Rec");
    click("recordButton");
    ASSERT_TRUE(page.isRecording());
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(button("recordButton").checkedState());

    sendKey(&page, A, true, false, 1000);
    sendKey(&page, A, true, true, 1030); // held: repeated presses
    sendKey(&page, A, true, true, 1060);
    sendKey(&page, A, false, false, 1100);
    sendKey(&page, B, true, false, 1250);
    sendKey(&page, B, false, false, 1300);
    // A release is handed on once no repeated press follows it at once.
    ASSERT_TRUE(waitFor([&] { return rows().size() == 7u; }));
    EXPECT_EQ(rows(),
        (KeyRows{pressRow(A), pauseRow(100), releaseRow(A), pauseRow(150), pressRow(B), pauseRow(50), releaseRow(B)}));

    // Other controls refuse while recording; keys Qt would use for itself are recorded.
    expectTextMessage("tc_macro_msg17");
    click("insertButton");
    expectTextMessage("tc_macro_msg17");
    rightClick(*page.libraryView(), find(*page.libraryView(), "Rec"));
    EXPECT_EQ(pendingModalAnswers(), 0);
    sendKey(&page, 9, true, false, 1400); // Tab
    sendKey(&page, 27, true, false, 1500); // Esc
    processEvents();
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(rows().size(), 11u);

    click("recordButton");
    EXPECT_FALSE(page.isRecording());
    EXPECT_TRUE(button("saveButton").isVisible());
    click("saveButton");
    EXPECT_FALSE(button("saveButton").isVisible());
    const StMacro saved = readMacro(library() / "Rec.mck");
    ASSERT_EQ(macroEventCount(saved), 6);
    EXPECT_EQ(std::uint32_t(saved.Events[0].dwDelay), 100u);
    EXPECT_EQ(std::uint32_t(saved.Events[1].dwDelay), 150u);
    EXPECT_EQ(saved.Events[3].wKey, B);
    EXPECT_EQ(std::uint32_t(saved.Events[3].dwDelay), 100u);
    EXPECT_EQ(saved.Events[4].wKey, 9);
    EXPECT_EQ(saved.Events[5].wKey, 27);
    EXPECT_EQ(std::uint32_t(saved.Events[5].dwDelay), 0u);
    EXPECT_EQ(saved.dwFlags, 0u);
}

TEST_F(MacroPageTest, ARecordingKeepsSixteenEventsAndBothModifierSides)
{
    addMacroFile("Long.mck", macroWith(0x31, {}));
    CMacroDlg& page = open();
    select("Long");
    click("recordButton");
    for (int i = 0; i < 10; ++i) {
        sendKey(&page, A + i, true, false, std::uint64_t(100 * i));
        sendKey(&page, A + i, false, false, std::uint64_t(100 * i + 50));
    }
    processEvents();
    const KeyRows listed = rows();
    EXPECT_EQ(std::count_if(listed.begin(), listed.end(), [](const KeyRow& r) { return r.isKey(); }), 16);
    click("recordButton");

    // A new recording starts afresh: right Ctrl and right Shift keep their sides.
    click("recordButton");
    sendKey(&page, 163, true, false, 10);
    sendKey(&page, 161, true, false, 20);
    sendKey(&page, 161, false, false, 30);
    sendKey(&page, 16, true, false, 40);
    processEvents();
    EXPECT_EQ(rows(),
        (KeyRows{
            pressRow(163), pauseRow(10), pressRow(161), pauseRow(10), releaseRow(161), pauseRow(10), pressRow(16)}));
    click("recordButton");
}

TEST_F(MacroPageTest, TheCountBoxAndTheRepeatModes)
{
    StMacro mode1 = macroWith(0x40, {{A, 1, 0}});
    mode1.dwLoopMode = MacroLoopMode1;
    addMacroFile("Mode1.mck", mode1);
    addMacroFile("Count.mck", macroWith(0x41, {{A, 1, 0}}));
    CMacroDlg& page = open();

    select("Mode1");
    EXPECT_FALSE(button("countRadio").checkedState());
    EXPECT_FALSE(button("loopMode2Radio").checkedState());
    EXPECT_TRUE(page.modeOneState());
    click("delayBox"); // flips, but marks nothing
    EXPECT_FALSE(button("saveButton").isVisible());
    click("recordButton");
    sendKey(&page, B, true, false, 5);
    click("recordButton");
    click("saveButton");
    const StMacro saved = readMacro(library() / "Mode1.mck");
    EXPECT_EQ(saved.dwLoopMode, MacroLoopMode1);
    EXPECT_EQ(saved.dwAutoDelay, 0u);
    EXPECT_EQ(saved.Events[0].wKey, B);

    select("Count");
    auto* count = page.findChild<QLineEdit*>("countBox");
    count->setFocus();
    count->selectAll();
    expectMessage("Loop Count = 1 ~ 255");
    QTest::keyClicks(count, "300");
    processEvents();
    EXPECT_EQ(count->text(), "1");
    count->selectAll();
    QTest::keyClicks(count, "7");
    EXPECT_TRUE(button("saveButton").isVisible());
    click("saveButton");
    EXPECT_EQ(readMacro(library() / "Count.mck").wLoopCount, 7);

    click("loopMode2Radio");
    EXPECT_FALSE(count->isVisible());
    click("saveButton");
    EXPECT_EQ(readMacro(library() / "Count.mck").dwLoopMode, MacroLoopMode2);
    click("countRadio");
    EXPECT_EQ(count->text(), "1");
    EXPECT_TRUE(count->isVisible());
}

TEST_F(MacroPageTest, EditingAndInsertingSteps)
{
    addMacroFile("Edit.mck", macroWith(0x50, {{A, 1, 40}, {A, 0, 0}}));
    CMacroDlg& page = open();
    CTreeCtrlEx& keys = *page.keyList();

    // Without a selected macro the insert button refuses.
    expectTextMessage("tc_macro_msg1");
    click("insertButton");

    select("Edit");
    // Insert a click above the selected release row.
    leftClick(keys, keys.RootItem()->child(2));
    click("insertButton");
    EXPECT_EQ(page.lastMenuCommands().size(), 3u + 3u); // press, release, pause and MacroHasMsKey=7's three clicks
    choose(0xF00080);
    EXPECT_EQ(
        rows(), (KeyRows{pressRow(A), pauseRow(40), pressRow(240), pauseRow(50), releaseRow(240), releaseRow(A)}));
    EXPECT_TRUE(button("saveButton").isVisible());

    // Edit a pause: the typed value is held within 10 ... 20470.
    answerNextModal([](QDialog& d) {
        typeInto(d, "99999");
        clickOk(d);
    });
    contextCommand(keys, keys.RootItem()->child(1), CMacroDlg::CmdEditRow);
    EXPECT_EQ(rows()[1], pauseRow(MacroDelayMax));

    // Edit a key row with a lone right Ctrl: it becomes 163, not 0.
    answerNextModal([](QDialog& d) {
        sendKey(&d, 163, true);
        sendKey(&d, 163, false);
        clickOk(d);
    });
    contextCommand(keys, keys.RootItem()->child(0), CMacroDlg::CmdEditRow);
    EXPECT_EQ(rows()[0], pressRow(163));

    // Cancelling leaves the row.
    answerNextModal([](QDialog& d) { clickCancel(d); });
    contextCommand(keys, keys.RootItem()->child(0), CMacroDlg::CmdEditRow);
    EXPECT_EQ(rows()[0], pressRow(163));

    contextCommand(keys, keys.RootItem()->child(2), CMacroDlg::CmdDeleteRow);
    EXPECT_EQ(rows().size(), 5u);
    rightClick(keys, nullptr); // empty space: no menu
    EXPECT_EQ(openMenuPopup(), nullptr);

    click("saveButton");
    const StMacro saved = readMacro(library() / "Edit.mck");
    ASSERT_EQ(macroEventCount(saved), 3);
    EXPECT_EQ(saved.Events[0].wKey, 163);
    EXPECT_EQ(std::uint32_t(saved.Events[0].dwDelay), std::uint32_t(MacroDelayMax));
    EXPECT_EQ(saved.Events[1].wKey, 240);
    EXPECT_EQ(saved.Events[1].wDown, 0);
}

TEST_F(MacroPageTest, NewMacroAndGroupCommands)
{
    CMacroDlg& page = open();
    CTreeCtrlEx& view = *page.libraryView();
    fs::create_directories(library());
    writeFile(library() / "Hidden.mck", "not a macro, so not shown");

    typeName("Jump.mck");
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
    ASSERT_TRUE(find(view, "Jump"));
    EXPECT_EQ(MacroList.count(), 1);
    EXPECT_TRUE(button("saveButton").isVisible());
    EXPECT_FALSE(fs::exists(library() / "Jump.mck")); // written by the next save or the close

    typeName("jump");
    expectTextMessage("tc_macro_msg8");
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
    typeName("Hidden");
    expectTextMessage("tc_macro_msg8");
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
    EXPECT_EQ(readFile(library() / "Hidden.mck"), "not a macro, so not shown");
    typeName(QString(40, 'x'));
    expectMessage("A macro name can have at most 39 characters.");
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
    typeName("..");
    answerNextModal([](QDialog& d) { clickOk(d); });
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
    EXPECT_EQ(MacroList.count(), 1);

    typeName("Moves");
    contextCommand(view, nullptr, CMacroDlg::CmdNewGroup);
    TreeItem group = find(view, "Moves");
    ASSERT_TRUE(group);
    EXPECT_FALSE(fs::exists(library() / "Moves")); // no folder until a macro is written inside
    typeName("Dash");
    contextCommand(view, group, CMacroDlg::CmdNewMacro);
    ASSERT_TRUE(find(view, "Moves/Dash"));

    click("exitButton");
    const StMacro jump = readMacro(library() / "Jump.mck");
    EXPECT_EQ(macroName(jump), "Jump");
    EXPECT_EQ(jump.dwFlags, 0u);
    EXPECT_EQ(macroName(readMacro(library() / "Moves" / "Dash.mck")), "Dash");
}

TEST_F(MacroPageTest, NewMacroStopsAtTheLibraryLimit)
{
    for (std::uint32_t id = 1; id <= std::uint32_t(MacroLibraryMax); ++id)
        ASSERT_TRUE(AddToList(macroWith(id, {})));
    CMacroDlg& page = open();
    expectMessage("The number of macro is up to the maximum");
    contextCommand(*page.libraryView(), nullptr, CMacroDlg::CmdNewMacro);
    EXPECT_EQ(MacroList.count(), MacroLibraryMax);
}

TEST_F(MacroPageTest, RenameMovesFilesAndFoldersButNeverOverOthers)
{
    addMacroFile("Fire.mck", macroWith(0x60, {{A, 1, 0}}));
    writeFile(library() / "Taken.mck", "invalid, not shown");
    addMacroFile("Pack/One.mck", macroWith(0x61, {}));
    writeFile(library() / "Pack" / "Pack.png", readFile(fs::path(SkinsFolder()) / "TM_N.png"));
    CMacroDlg& page = open();
    CTreeCtrlEx& view = *page.libraryView();

    typeName("fire");
    expectTextMessage("tc_macro_msg8"); // the item itself counts
    contextCommand(view, find(view, "Fire"), CMacroDlg::CmdRename);
    typeName("Taken");
    expectTextMessage("tc_macro_msg8");
    contextCommand(view, find(view, "Fire"), CMacroDlg::CmdRename);
    EXPECT_EQ(readFile(library() / "Taken.mck"), "invalid, not shown");

    typeName("Blaze");
    contextCommand(view, find(view, "Fire"), CMacroDlg::CmdRename);
    EXPECT_TRUE(find(view, "Blaze"));
    EXPECT_FALSE(fs::exists(library() / "Fire.mck"));
    EXPECT_EQ(macroName(readMacro(library() / "Blaze.mck")), "Blaze");

    // A group with an icon: its items are read again from the moved folder.
    typeName("Bundle");
    contextCommand(view, find(view, "Pack"), CMacroDlg::CmdRename);
    ASSERT_TRUE(find(view, "Bundle/One"));
    EXPECT_TRUE(fs::exists(library() / "Bundle" / "Bundle.png"));
    EXPECT_TRUE(fs::exists(library() / "Bundle" / "One.mck"));
    EXPECT_TRUE(FindMacroById(0x61));

    // A name the file system cannot hold is refused before anything moves.
    answerNextModal([](QDialog& d) {
        typeInto(d, QString(256, 'n'));
        clickOk(d);
    });
    expectTextMessage("tc_macro_msg8");
    contextCommand(view, find(view, "Bundle"), CMacroDlg::CmdRename);
    EXPECT_TRUE(find(view, "Bundle/One"));

    // A move the file system refuses puts the removed items back (a read-only
    // library folder; the superuser may move in it anyway).
    if (::geteuid() != 0) {
        ::chmod(library().c_str(), 0555);
        typeName("Locked");
        answerNextModal([](QDialog& d) {
            EXPECT_TRUE(messageOf(d).startsWith("Rename failed. err=0x"));
            clickOk(d);
        });
        contextCommand(view, find(view, "Bundle"), CMacroDlg::CmdRename);
        ::chmod(library().c_str(), 0755);
        EXPECT_TRUE(find(view, "Bundle/One"));
        EXPECT_TRUE(FindMacroById(0x61));
        EXPECT_TRUE(fs::exists(library() / "Bundle" / "Bundle.png"));
    }

    // An empty group only changes its text.
    typeName("Empty");
    contextCommand(view, nullptr, CMacroDlg::CmdNewGroup);
    typeName("StillEmpty");
    contextCommand(view, find(view, "Empty"), CMacroDlg::CmdRename);
    EXPECT_TRUE(find(view, "StillEmpty"));
    EXPECT_FALSE(fs::exists(library() / "StillEmpty"));
}

TEST_F(MacroPageTest, DeleteRemovesFilesAndResetsTheKeysThatUsedThem)
{
    addMacroFile("Gone.mck", macroWith(0x70, {{A, 1, 0}}));
    addMacroFile("Set/In.mck", macroWith(0x71, {}));
    ProfileList.clear();
    PROFILE profile{};
    for (int i = 0; i < KeyTableSize; ++i)
        profile.keys[i] = KeyTable[std::size_t(i)];
    profile.keys[2].kind = KindMacro;
    profile.keys[2].code = 0;
    profile.keys[2].macroId = 0x70;
    ASSERT_TRUE(ProfileList.appendCopy(profile));
    CurrentProfile = ProfileList.head()->record;
    std::vector<int> resetSeen;
    CMacroDlg& page = open([&](const std::vector<int>& reset) { resetSeen = reset; });
    CTreeCtrlEx& view = *page.libraryView();

    answerNextModal([](QDialog& d) { clickButton(d, "close"); }); // anything but OK keeps it
    contextCommand(view, find(view, "Gone"), CMacroDlg::CmdDelete);
    EXPECT_TRUE(fs::exists(library() / "Gone.mck"));

    expectTextMessage("tc_msg6");
    contextCommand(view, find(view, "Gone"), CMacroDlg::CmdDelete);
    EXPECT_FALSE(fs::exists(library() / "Gone.mck"));
    EXPECT_FALSE(find(view, "Gone"));
    EXPECT_FALSE(FindMacroById(0x70));
    EXPECT_EQ(resetSeen, std::vector<int>{2});
    EXPECT_EQ(std::memcmp(&CurrentProfile->keys[2], &KeyTable[2], sizeof(KEYINFO)), 0);

    expectTextMessage("tc_msg6");
    contextCommand(view, find(view, "Set"), CMacroDlg::CmdDelete);
    EXPECT_FALSE(fs::exists(library() / "Set"));
    EXPECT_FALSE(FindMacroById(0x71));

    // A group whose folder never existed goes without a message.
    typeName("Never");
    contextCommand(view, nullptr, CMacroDlg::CmdNewGroup);
    expectTextMessage("tc_msg6");
    contextCommand(view, find(view, "Never"), CMacroDlg::CmdDelete);
    EXPECT_EQ(view.itemCount(), 0);
    CurrentProfile = nullptr;
    ProfileList.clear();
}

TEST_F(MacroPageTest, ImportAndExportGoThroughTheFileChoosers)
{
    StMacro outside = macroWith(0x123456, {{A, 1, 25}, {A, 0, 0}});
    outside.wLoopCount = 4;
    const fs::path elsewhere = appData() / "elsewhere";
    fs::create_directories(elsewhere);
    writeFile(elsewhere / "Combo.mck", fileBytes(outside));
    writeFile(elsewhere / "Bad.mck", std::string(834, '\x01'));
    addMacroFile("Combo.mck", macroWith(0x80, {}));
    CMacroDlg& page = open();
    CTreeCtrlEx& view = *page.libraryView();

    // A name already in the target is refused before the file is read.
    answerNextFileChoice([&](const FileChoice& c) {
        EXPECT_EQ(c.kind, FileChoice::OpenFile);
        EXPECT_EQ(c.filter, "mck(*.mck)");
        return QString::fromStdString((elsewhere / "Combo.mck").string());
    });
    expectTextMessage("tc_macro_msg8");
    contextCommand(view, nullptr, CMacroDlg::CmdImport);

    answerNextFileChoice([&](const FileChoice&) { return QString::fromStdString((elsewhere / "Bad.mck").string()); });
    expectMessage("This is not a valid macro file.");
    contextCommand(view, nullptr, CMacroDlg::CmdImport);

    typeName("In");
    contextCommand(view, nullptr, CMacroDlg::CmdNewGroup);
    answerNextFileChoice([&](const FileChoice&) { return QString::fromStdString((elsewhere / "Combo.mck").string()); });
    contextCommand(view, find(view, "In"), CMacroDlg::CmdImport);
    ASSERT_TRUE(find(view, "In/Combo"));
    EXPECT_EQ(rows(), (KeyRows{pressRow(A), pauseRow(25), releaseRow(A)}));
    const StMacro imported = readMacro(library() / "In" / "Combo.mck");
    EXPECT_NE(imported.dwId, 0x123456u);
    EXPECT_EQ(macroName(imported), "Combo");
    EXPECT_EQ(imported.wLoopCount, 4);
    EXPECT_EQ(imported.dwFlags, 0u);
    EXPECT_FALSE(button("saveButton").isVisible());

    // Export copies the library file byte for byte.
    answerNextFileChoice([&](const FileChoice& c) {
        EXPECT_EQ(c.kind, FileChoice::SaveFile);
        EXPECT_EQ(c.initialPath, "Combo.mck");
        return QString::fromStdString((elsewhere / "Out.mck").string());
    });
    contextCommand(view, find(view, "In/Combo"), CMacroDlg::CmdExport);
    EXPECT_EQ(readFile(elsewhere / "Out.mck"), readFile(library() / "In" / "Combo.mck"));

    // Cancelled choosers do nothing.
    answerNextFileChoice([](const FileChoice&) { return std::nullopt; });
    contextCommand(view, find(view, "In/Combo"), CMacroDlg::CmdExport);
}

TEST_F(MacroPageTest, FolderImportMakesAGroupAndFolderCopyOnlyCopies)
{
    const fs::path source = appData() / "source" / "Pack";
    fs::create_directories(source / "Sub");
    StMacro one = macroWith(0x90, {{A, 1, 0}});
    writeFile(source / "One.mck", fileBytes(one));
    writeFile(source / "Sub" / "Two.mck", fileBytes(macroWith(0x91, {})));
    writeFile(source / "readme.txt", "not a macro");
    CMacroDlg& page = open();
    CTreeCtrlEx& view = *page.libraryView();

    answerNextFileChoice([&](const FileChoice& c) {
        EXPECT_EQ(c.kind, FileChoice::Folder);
        return QString::fromStdString(source.string());
    });
    contextCommand(view, nullptr, CMacroDlg::CmdImportFolder);
    ASSERT_TRUE(find(view, "Pack/One"));
    ASSERT_TRUE(find(view, "Pack/Sub/Two"));
    EXPECT_EQ(MacroList.count(), 2);
    const StMacro copied = readMacro(library() / "Pack" / "One.mck");
    EXPECT_NE(copied.dwId, 0x90u); // written back with its new id
    EXPECT_TRUE(FindMacroById(copied.dwId));
    EXPECT_EQ(readFile(library() / "Pack" / "readme.txt"), "not a macro");

    // The same folder again: the name is taken.
    answerNextFileChoice([&](const FileChoice&) { return QString::fromStdString(source.string()); });
    expectTextMessage("tc_macro_msg8");
    contextCommand(view, nullptr, CMacroDlg::CmdImportFolder);

    // Copying into a group changes neither the view nor MacroList.
    answerNextFileChoice([&](const FileChoice&) { return QString::fromStdString(source.string()); });
    contextCommand(view, find(view, "Pack"), CMacroDlg::CmdCopyFolder);
    EXPECT_EQ(readFile(library() / "Pack" / "Pack" / "One.mck"), fileBytes(one));
    EXPECT_FALSE(find(view, "Pack/Pack"));
    EXPECT_EQ(MacroList.count(), 2);
}

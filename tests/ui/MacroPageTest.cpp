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
#include "macro/KeyLabel.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "model/Lists.h"
#include "model/Profile.h"
#include "ui/CMacroDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/FileChooser.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QStandardItem>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/resource.h>
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

// An event's fields copied out of the packed record: comparing them never
// binds a reference to a misaligned field.
struct Event {
    int key;
    int down;
    std::uint32_t delay;
};
Event eventOf(const StMacro& m, int i)
{
    const StMacroEvent e = m.Events[i];
    return {e.wKey, e.wDown, e.dwDelay};
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
    // A macro file that cannot be read is shown greyed, saying why, and is not a macro to edit.
    TreeItem broken = find(*page.libraryView(), "broken");
    ASSERT_TRUE(broken);
    EXPECT_TRUE(page.libraryView()->itemDisabled(broken));
    EXPECT_TRUE(page.libraryView()->itemNote(broken).contains("cannot be read"));
    EXPECT_EQ(page.libraryView()->itemCount(), 4);
    leftClick(*page.libraryView(), broken);
    EXPECT_FALSE(page.currentMacro());
    EXPECT_FALSE(page.session().isOpen());
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
    // Showing a macro changes nothing.
    EXPECT_FALSE(button("saveButton").isVisible());
    const std::uint32_t flags = FindMacroById(0x20)->dwFlags;
    EXPECT_EQ(flags, 0u);
    EXPECT_FALSE(page.session().isModified());

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

    // Closing with nothing changed writes nothing: the file is the very one written above.
    struct stat before { };
    ::stat((library() / "Steps.mck").c_str(), &before);
    click("exitButton");
    struct stat after { };
    ::stat((library() / "Steps.mck").c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
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
    // Tab and Esc were pressed and never released: the save says so; No keeps the steps as they are.
    answerNextModal([](QDialog& d) {
        EXPECT_TRUE(messageOf(d).contains("Tab")) << messageOf(d).toStdString();
        clickCancel(d);
    });
    click("saveButton");
    EXPECT_FALSE(button("saveButton").isVisible());
    const StMacro saved = readMacro(library() / "Rec.mck");
    ASSERT_EQ(macroEventCount(saved), 6);
    EXPECT_EQ(eventOf(saved, 0).delay, 100u);
    EXPECT_EQ(eventOf(saved, 1).delay, 150u);
    EXPECT_EQ(eventOf(saved, 3).key, B);
    EXPECT_EQ(eventOf(saved, 3).delay, 100u);
    EXPECT_EQ(eventOf(saved, 4).key, 9);
    EXPECT_EQ(eventOf(saved, 5).key, 27);
    EXPECT_EQ(eventOf(saved, 5).delay, 0u);
    const std::uint32_t flags = saved.dwFlags;
    EXPECT_EQ(flags, 0u);
}

TEST_F(MacroPageTest, TheListsWorkFromTheKeyboard)
{
    addMacroFile("Alpha.mck", macroWith(0x40, {{A, 1, 10}, {A, 0, 0}}));
    addMacroFile("Beta.mck", macroWith(0x41, {}));
    CMacroDlg& page = open();
    CTreeCtrlEx& view = *page.libraryView();
    view.setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(view.selectedItem()) << "the focus alone chooses nothing";
    auto key = [](QWidget& list, int qtKey, Qt::KeyboardModifiers modifiers = {}) {
        sendQtKey(&list, qtKey, true, modifiers);
        sendQtKey(&list, qtKey, false, modifiers);
        processEvents();
    };

    // The arrows choose as a click does (the library lists the two in its own order).
    const TreeItem first = view.RootItem()->child(0);
    const TreeItem second = view.RootItem()->child(1);
    ASSERT_TRUE(first && second);
    key(view, Qt::Key_Down);
    EXPECT_EQ(view.selectedItem(), first);
    EXPECT_TRUE(page.session().isOpen());
    key(view, Qt::Key_End);
    EXPECT_EQ(view.selectedItem(), second);
    key(view, Qt::Key_Up);
    EXPECT_EQ(view.selectedItem(), first);
    if (first != find(view, "Alpha"))
        key(view, Qt::Key_Down);
    ASSERT_EQ(view.selectedItem(), find(view, "Alpha"));
    EXPECT_EQ(rows().size(), 3u);

    // F2 renames, Delete asks and Enter answers No, the Menu key and Shift+F10 open the item's menu.
    typeName("Gamma");
    key(view, Qt::Key_F2);
    ASSERT_TRUE(find(view, "Gamma"));
    EXPECT_TRUE(fs::exists(library() / "Gamma.mck"));
    answerNextModal([](QDialog& d) { tapKey(&d, 0x0D); });
    key(view, Qt::Key_Delete);
    EXPECT_TRUE(fs::exists(library() / "Gamma.mck"));
    for (const auto& [menuKey, modifiers] :
        {std::pair{int(Qt::Key_F10), Qt::KeyboardModifiers(Qt::ShiftModifier)}, {int(Qt::Key_Menu), {}}}) {
        key(view, menuKey, modifiers);
        ASSERT_TRUE(waitFor([] { return openMenuPopup() != nullptr; }));
        EXPECT_EQ(page.lastMenuCommands(),
            (std::vector<std::uint32_t>{CMacroDlg::CmdExport, CMacroDlg::CmdRename, CMacroDlg::CmdDelete}));
        const TreeItem gamma = find(view, "Gamma");
        const QPoint below = view.viewport()->mapToGlobal(view.visualRect(gamma->index()).bottomLeft());
        EXPECT_LE(std::abs(openMenuPopup()->geometry().top() - below.y()), 2) << "the menu opens below the row";
        close_menu();
    }

    // In the steps list Enter edits the step and Delete deletes it.
    CTreeCtrlEx& steps = *page.keyList();
    steps.setFocus(Qt::TabFocusReason);
    key(steps, Qt::Key_Down);
    answerNextModal([](QDialog& d) {
        tapKey(&d, B);
        clickOk(d);
    });
    key(steps, Qt::Key_Return);
    EXPECT_EQ(rows().front(), pressRow(B));
    key(steps, Qt::Key_Delete);
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(pendingModalAnswers(), 0);
}

TEST_F(MacroPageTest, EveryControlHasANameAndARoleAndThePageATitle)
{
    CMacroDlg& page = open();
    EXPECT_EQ(page.windowTitle().toStdString(), Text("tc_page2"));
    const std::pair<const char*, QAccessible::Role> controls[] = {{"exitButton", QAccessible::Button},
        {"recordButton", QAccessible::Button}, {"delayBox", QAccessible::CheckBox},
        {"loopMode2Radio", QAccessible::RadioButton}, {"countRadio", QAccessible::RadioButton},
        {"insertButton", QAccessible::Button}, {"countBox", QAccessible::EditableText}};
    for (const auto& [name, role] : controls) {
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(page.findChild<QWidget*>(name));
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->role(), role) << name;
        EXPECT_FALSE(control->text(QAccessible::Name).isEmpty()) << name;
    }
    for (CTreeCtrlEx* list : {page.libraryView(), page.keyList()})
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(list)->text(QAccessible::Name).isEmpty());
}

TEST_F(MacroPageTest, ARecordingStartedFromTheKeyboardEndsOnceTheKeysRest)
{
    CMacroDlg::setRecordingIdleStopMsForTests(200);
    addMacroFile("Rec.mck", macroWith(0x42, {}));
    CMacroDlg& page = open();
    select("Rec");
    CPngBtn& record = button("recordButton");
    record.setFocus(Qt::TabFocusReason);
    sendKey(&page, 0x0D, true); // Enter presses the focused button; its release comes while recording
    ASSERT_TRUE(page.isRecording());
    sendKey(&page, 0x0D, false);
    sendKey(&page, A, true, false, 1000);
    sendKey(&page, 0x1B, true, false, 1100); // Esc is a key of the macro
    sendKey(&page, 0x1B, false, false, 1150);
    EXPECT_TRUE(page.isRecording()) << "A is still down";
    sendKey(&page, A, false, false, 1200);
    ASSERT_TRUE(waitFor([&] { return !page.isRecording(); }));
    EXPECT_EQ(rows(),
        (KeyRows{
            pressRow(A), pauseRow(100), pressRow(0x1B), pauseRow(50), releaseRow(0x1B), pauseRow(50), releaseRow(A)}))
        << "the Enter that started it is not in it";
    EXPECT_EQ(page.focusWidget(), &record);

    // Started with the mouse, a recording waits for the mouse.
    click("recordButton");
    ASSERT_TRUE(page.isRecording());
    tapKey(&page, B);
    ASSERT_TRUE(waitFor([&] { return rows().size() == 2u; }));
    auto* rest = page.findChild<QTimer*>("recordingRest");
    ASSERT_NE(rest, nullptr);
    EXPECT_FALSE(rest->isActive()) << "no end by itself";
    click("recordButton");
    CMacroDlg::setRecordingIdleStopMsForTests(CMacroDlg::RecordingIdleStopMs);
}

TEST_F(MacroPageTest, ARecordingKeepsSixteenEventsAndBothModifierSides)
{
    addMacroFile("Long.mck", macroWith(0x31, {}));
    CMacroDlg& page = open();
    select("Long");
    click("recordButton");
    // The recording stops at its limit and says so: no key is dropped without a word.
    expectMessage(QString::fromStdString(Text("tc_macro_full")).arg(MacroEventMax));
    for (int i = 0; i < 8; ++i) {
        sendKey(&page, A + i, true, false, std::uint64_t(100 * i));
        sendKey(&page, A + i, false, false, std::uint64_t(100 * i + 50));
    }
    // The last release is handed on once no repeated press follows it.
    ASSERT_TRUE(waitFor([&] { return !page.isRecording(); }));
    processEvents();
    const KeyRows listed = rows();
    EXPECT_EQ(std::count_if(listed.begin(), listed.end(), [](const KeyRow& r) { return r.isKey(); }), 16);
    EXPECT_EQ(listed.back(), releaseRow(A + 7));
    sendKey(&page, A + 8, true, false, 900); // not recording any more
    EXPECT_EQ(rows(), listed);

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
    click("delayBox"); // turning delays off alone is a change to save
    EXPECT_TRUE(button("saveButton").isVisible());
    click("delayBox");
    EXPECT_FALSE(button("saveButton").isVisible());
    click("delayBox");
    click("recordButton");
    sendKey(&page, B, true, false, 5);
    click("recordButton");
    answerNextModal([](QDialog& d) { clickCancel(d); }); // B never released: kept as recorded
    click("saveButton");
    const StMacro saved = readMacro(library() / "Mode1.mck");
    const std::uint32_t loopMode = saved.dwLoopMode;
    const std::uint32_t autoDelay = saved.dwAutoDelay;
    EXPECT_EQ(loopMode, MacroLoopMode1);
    EXPECT_EQ(autoDelay, 0u);
    EXPECT_EQ(eventOf(saved, 0).key, B);

    select("Count");
    auto* count = page.findChild<QLineEdit*>("countBox");
    count->setFocus();
    count->selectAll();
    // Typing asks nothing: "300" passes through "3" and "30" on its way. The
    // count is checked when the field is left, with the text table's words.
    QTest::keyClicks(count, "300");
    processEvents();
    EXPECT_EQ(pendingModalAnswers(), 0);
    EXPECT_EQ(count->text().toStdString(), "300");
    expectMessage(QString::fromStdString(Text("tc_macro_loop_range")).arg(MacroLoopMax));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason); // the user moves on
    QApplication::sendEvent(count, &leave);
    processEvents();
    EXPECT_EQ(count->text(), "1");
    count->setFocus();
    count->selectAll();
    QTest::keyClicks(count, "7");
    EXPECT_TRUE(button("saveButton").isVisible());
    click("saveButton");
    const int savedCount = readMacro(library() / "Count.mck").wLoopCount;
    EXPECT_EQ(savedCount, 7);

    click("loopMode2Radio");
    EXPECT_FALSE(count->isVisible());
    click("saveButton");
    const std::uint32_t mode2 = readMacro(library() / "Count.mck").dwLoopMode;
    EXPECT_EQ(mode2, MacroLoopMode2);
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

    answerNextModal([](QDialog& d) { clickCancel(d); }); // right Ctrl is never released: saved as it is
    click("saveButton");
    const StMacro saved = readMacro(library() / "Edit.mck");
    ASSERT_EQ(macroEventCount(saved), 3);
    EXPECT_EQ(eventOf(saved, 0).key, 163);
    EXPECT_EQ(eventOf(saved, 0).delay, std::uint32_t(MacroDelayMax));
    EXPECT_EQ(eventOf(saved, 1).key, 240);
    EXPECT_EQ(eventOf(saved, 1).down, 0);
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
    EXPECT_FALSE(button("saveButton").isVisible());
    EXPECT_TRUE(fs::exists(library() / "Jump.mck")); // written at once: an item always has its file

    typeName("jump");
    expectTextMessage("tc_macro_msg8");
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
    typeName("Hidden");
    // Not shown (it came after the page opened), but its file holds the name: the message says which.
    expectMessage(QString::fromStdString(Text("tc_macro_name_damaged"))
                      .arg(QString::fromStdString((library() / "Hidden.mck").string())));
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
    fs::create_directories(library() / "Many");
    for (std::uint32_t id = 1; id <= std::uint32_t(MacroLibraryMax); ++id)
        writeFile(library() / "Many" / ("m" + std::to_string(id) + ".mck"), fileBytes(macroWith(id, {})));
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
    for (const char* name : {"Gamer", "Work"}) {
        PROFILE profile{};
        NewProfile(name, profile);
        for (int i = 0; i < KeyTableSize; ++i)
            profile.keys[i] = KeyTable[std::size_t(i)];
        ASSERT_TRUE(ProfileList.appendCopy(profile));
    }
    auto assign = [](PROFILE& profile, int key) {
        profile.keys[key].kind = KindMacro;
        profile.keys[key].code = 0;
        profile.keys[key].macroId = 0x70;
    };
    PROFILE& gamer = *ProfileList.head()->record;
    PROFILE& work = *ProfileList.head()->next->record;
    assign(gamer, 2);
    assign(work, 4);
    CurrentProfile = &gamer;
    std::vector<int> resetSeen;
    CMacroDlg& page = open([&](const std::vector<int>& reset) { resetSeen = reset; });
    CTreeCtrlEx& view = *page.libraryView();

    // The question is Yes / No, names the keys that use the macro in every
    // profile, and Enter answers No.
    const QString question = QString::fromStdString(Text("tc_macro_delete")).arg("Gone") + "\n"
        + QString::fromStdString(Text("tc_macro_delete_keys"))
              .arg(QString::fromStdString(
                  keyinfo_to_text(KeyTable[2]) + " (Gamer), " + keyinfo_to_text(KeyTable[4]) + " (Work)"));
    answerNextModal([&](QDialog& d) {
        EXPECT_EQ(messageOf(d), question);
        EXPECT_EQ(d.findChild<CPngBtn*>("ok")->buttonText(), QString::fromStdString(Text("tc_yes")));
        EXPECT_EQ(d.findChild<CPngBtn*>("cancel")->buttonText(), QString::fromStdString(Text("tc_no")));
        sendKey(&d, 13, true);
        sendKey(&d, 13, false);
    });
    contextCommand(view, find(view, "Gone"), CMacroDlg::CmdDelete);
    EXPECT_TRUE(fs::exists(library() / "Gone.mck"));
    answerNextModal([](QDialog& d) { clickButton(d, "close"); }); // anything but Yes keeps it
    contextCommand(view, find(view, "Gone"), CMacroDlg::CmdDelete);
    EXPECT_TRUE(fs::exists(library() / "Gone.mck"));

    answerNextModal([](QDialog& d) { clickOk(d); });
    contextCommand(view, find(view, "Gone"), CMacroDlg::CmdDelete);
    EXPECT_FALSE(fs::exists(library() / "Gone.mck"));
    EXPECT_FALSE(find(view, "Gone"));
    EXPECT_FALSE(FindMacroById(0x70));
    EXPECT_EQ(resetSeen, std::vector<int>{2});
    // Every profile's keys get their defaults back, not only the current one's.
    EXPECT_EQ(std::memcmp(&gamer.keys[2], &KeyTable[2], sizeof(KEYINFO)), 0);
    EXPECT_EQ(std::memcmp(&work.keys[4], &KeyTable[4], sizeof(KEYINFO)), 0);

    answerNextModal([](QDialog& d) { clickOk(d); });
    contextCommand(view, find(view, "Set"), CMacroDlg::CmdDelete);
    EXPECT_FALSE(fs::exists(library() / "Set"));
    EXPECT_FALSE(FindMacroById(0x71));

    // A group whose folder never existed goes without a message.
    typeName("Never");
    contextCommand(view, nullptr, CMacroDlg::CmdNewGroup);
    answerNextModal([](QDialog& d) { clickOk(d); });
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
        EXPECT_EQ(c.initialPath, QString::fromStdString((library() / "Combo.mck").string()))
            << "in the library, not the working folder";
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

    // Copied macros join the one library at once: the view, MacroList and
    // (through libraryChanged) the picker; a copy whose id is taken gets its own.
    int changes = 0;
    QObject::connect(&page, &CMacroDlg::libraryChanged, [&] { ++changes; });
    answerNextFileChoice([&](const FileChoice&) { return QString::fromStdString(source.string()); });
    contextCommand(view, find(view, "Pack"), CMacroDlg::CmdCopyFolder);
    EXPECT_EQ(readFile(library() / "Pack" / "Pack" / "One.mck"), fileBytes(one)); // its id 0x90 was free
    EXPECT_TRUE(find(view, "Pack/Pack/One"));
    EXPECT_EQ(MacroList.count(), 4);
    EXPECT_TRUE(FindMacroById(0x90));
    EXPECT_GT(changes, 0);
    answerNextFileChoice([&](const FileChoice&) { return QString::fromStdString(source.string()); });
    contextCommand(view, find(view, "Pack/Sub"), CMacroDlg::CmdCopyFolder);
    const StMacro again = readMacro(library() / "Pack" / "Sub" / "Pack" / "One.mck");
    const std::uint32_t againId = again.dwId;
    EXPECT_NE(againId, 0x90u);
    EXPECT_EQ(MacroList.count(), 6);
}

TEST_F(MacroPageTest, LeavingAMacroWithChangesAsksAndNothingChangedWritesNothing)
{
    addMacroFile("First.mck", macroWith(0xA0, {{A, 1, 0}, {A, 0, 0}}));
    addMacroFile("Second.mck", macroWith(0xA1, {{B, 1, 0}, {B, 0, 0}}));
    const std::string firstBytes = readFile(library() / "First.mck");
    CMacroDlg& page = open();
    auto* count = page.findChild<QLineEdit*>("countBox");
    const QString question = QString::fromStdString(Text("tc_macro_unsaved"));

    // A changed repeat count, then another macro clicked: No drops the change.
    select("First");
    count->setFocus();
    count->selectAll();
    QTest::keyClicks(count, "5");
    EXPECT_TRUE(button("saveButton").isVisible());
    answerNextModal([&](QDialog& d) {
        EXPECT_EQ(messageOf(d), question.arg("First"));
        clickCancel(d);
    });
    select("Second");
    EXPECT_EQ(readFile(library() / "First.mck"), firstBytes);
    select("First");
    EXPECT_EQ(count->text(), "1");

    // Yes saves it before the other macro is shown.
    count->setFocus();
    count->selectAll();
    QTest::keyClicks(count, "5");
    answerNextModal([](QDialog& d) { clickOk(d); });
    select("Second");
    const int firstCount = readMacro(library() / "First.mck").wLoopCount;
    EXPECT_EQ(firstCount, 5);
    EXPECT_EQ(rows(), (KeyRows{pressRow(B), pauseRow(0), releaseRow(B)}));

    // Recorded steps are asked about at the exit button, and kept on Yes.
    click("recordButton");
    sendKey(&page, A, true, false, 10);
    sendKey(&page, A, false, false, 20);
    click("recordButton");
    answerNextModal([&](QDialog& d) {
        EXPECT_EQ(messageOf(d), question.arg("Second"));
        clickOk(d);
    });
    click("exitButton");
    EXPECT_FALSE(page.isVisible());
    EXPECT_EQ(eventOf(readMacro(library() / "Second.mck"), 0).key, A);

    // Only the delay box turned off counts too; the window's close button asks as the exit button does.
    CMacroDlg& again = open();
    select("First");
    click("delayBox");
    answerNextModal([&](QDialog& d) {
        EXPECT_EQ(messageOf(d), question.arg("First"));
        clickOk(d);
    });
    again.close();
    EXPECT_FALSE(again.isVisible());
    const std::uint32_t autoDelay = readMacro(library() / "First.mck").dwAutoDelay;
    EXPECT_EQ(autoDelay, 0u);
}

TEST_F(MacroPageTest, AFailedWriteSaysWhichFileAndWhyAndKeepsTheChanges)
{
    addMacroFile("Tap.mck", macroWith(0xB0, {{A, 1, 0}, {A, 0, 0}}));
    CMacroDlg& page = open();
    select("Tap");
    auto* count = page.findChild<QLineEdit*>("countBox");
    count->setFocus();
    count->selectAll();
    QTest::keyClicks(count, "4");
    // Something stands where the file must go (a read-only library does not stop the superuser).
    const fs::path file = library() / "Tap.mck";
    fs::remove(file);
    fs::create_directory(file);
    const QString failed
        = QString::fromStdString(Text("tc_macro_write_failed"))
              .arg(QString::fromStdString(file.string()), QString::fromStdString(std::strerror(EISDIR)));
    expectMessage(failed);
    click("saveButton");
    EXPECT_TRUE(button("saveButton").isVisible());
    EXPECT_TRUE(page.session().isModified());
    EXPECT_EQ(FindMacroById(0xB0)->wLoopCount, 1);

    // Leaving asks, and a save that fails again keeps the user on the macro.
    answerNextModal([](QDialog& d) { clickOk(d); });
    expectMessage(failed);
    click("exitButton");
    EXPECT_TRUE(page.isVisible());
    fs::remove(file);
    click("saveButton");
    const int saved = readMacro(file).wLoopCount;
    EXPECT_EQ(saved, 4);
    EXPECT_FALSE(button("saveButton").isVisible());

    // A new macro whose file cannot be written (a full disk: no byte may be
    // written) is not shown as if it were saved.
    struct rlimit old { };
    ::getrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit none = old;
    none.rlim_cur = 0;
    ::setrlimit(RLIMIT_FSIZE, &none);
    typeName("Lost");
    answerNextModal([](QDialog& d) {
        EXPECT_TRUE(messageOf(d).contains("Lost.mck")) << messageOf(d).toStdString();
        EXPECT_TRUE(messageOf(d).contains(QString::fromStdString(std::strerror(EFBIG))));
        clickOk(d);
    });
    contextCommand(*page.libraryView(), nullptr, CMacroDlg::CmdNewMacro);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(find(*page.libraryView(), "Lost"));
    EXPECT_FALSE(fs::exists(library() / "Lost.mck"));
    EXPECT_FALSE(page.session().isOpen());
}

TEST_F(MacroPageTest, EveryCommandActsOnTheFileItsItemWasReadFrom)
{
    addMacroFile("jump.mck", macroWith(0xC0, {{A, 1, 0}, {A, 0, 0}}));
    addMacroFile("jump.bak", macroWith(0xC1, {{B, 1, 0}, {B, 0, 0}}));
    const std::string mckBytes = readFile(library() / "jump.mck");
    CMacroDlg& page = open();
    CTreeCtrlEx& view = *page.libraryView();
    auto itemOf = [&](const fs::path& path) {
        TreeItem found = nullptr;
        view.WalkChildren(
            view.RootItem(),
            [&](TreeItem item, TreeItemRec*, const QString&, void*) {
                if (page.itemPath(item) == path.string())
                    found = item;
                return 0;
            },
            nullptr, true);
        return found;
    };
    ASSERT_TRUE(itemOf(library() / "jump.bak"));
    ASSERT_TRUE(itemOf(library() / "jump.mck"));

    // A save goes to the file the macro came from.
    leftClick(view, itemOf(library() / "jump.bak"));
    EXPECT_EQ(page.session().id(), 0xC1u);
    click("loopMode2Radio");
    click("saveButton");
    const std::uint32_t bakMode = readMacro(library() / "jump.bak").dwLoopMode;
    EXPECT_EQ(bakMode, MacroLoopMode2);
    EXPECT_EQ(readFile(library() / "jump.mck"), mckBytes);

    // Rename moves that file, keeping its extension.
    typeName("leap");
    contextCommand(view, itemOf(library() / "jump.bak"), CMacroDlg::CmdRename);
    EXPECT_TRUE(fs::exists(library() / "leap.bak"));
    EXPECT_FALSE(fs::exists(library() / "jump.bak"));
    EXPECT_EQ(readFile(library() / "jump.mck"), mckBytes);

    // Delete removes that file only.
    answerNextModal([](QDialog& d) { clickOk(d); });
    contextCommand(view, itemOf(library() / "leap.bak"), CMacroDlg::CmdDelete);
    EXPECT_FALSE(fs::exists(library() / "leap.bak"));
    EXPECT_EQ(readFile(library() / "jump.mck"), mckBytes);
    EXPECT_TRUE(FindMacroById(0xC0));

    // A name taken by a file that is not shown as a macro says which file.
    fs::create_directory(library() / "Blocked.mck");
    typeName("Blocked");
    expectMessage(QString::fromStdString(Text("tc_macro_name_damaged"))
                      .arg(QString::fromStdString((library() / "Blocked.mck").string())));
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
}

TEST_F(MacroPageTest, NamesKeepWhatWasTypedAndRenameStartsFromTheName)
{
    CMacroDlg& page = open();
    CTreeCtrlEx& view = *page.libraryView();
    typeName("Combo one");
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
    ASSERT_TRUE(find(view, "Combo one"));
    EXPECT_TRUE(fs::exists(library() / "Combo one.mck"));
    typeName("Hithere-a_b.c(1)");
    contextCommand(view, nullptr, CMacroDlg::CmdNewMacro);
    ASSERT_TRUE(find(view, "Hithere-a_b.c(1)"));
    EXPECT_EQ(macroName(readMacro(library() / "Hithere-a_b.c(1).mck")), "Hithere-a_b.c(1)");

    answerNextModal([](QDialog& d) {
        auto* input = d.findChild<QLineEdit*>("input");
        ASSERT_TRUE(input);
        EXPECT_EQ(input->text(), "Combo one");
        EXPECT_EQ(input->selectedText(), "Combo one");
        typeInto(d, "Combo two");
        clickOk(d);
    });
    contextCommand(view, find(view, "Combo one"), CMacroDlg::CmdRename);
    EXPECT_TRUE(find(view, "Combo two"));
    EXPECT_TRUE(fs::exists(library() / "Combo two.mck"));
    EXPECT_EQ(macroName(readMacro(library() / "Combo two.mck")), "Combo two");
}

TEST_F(MacroPageTest, AMacroWhoseIdHasHighBitsIsEditedLikeAnyOther)
{
    addMacroFile("High.mck", macroWith(0x81234567, {{A, 1, 0}, {A, 0, 0}}));
    CMacroDlg& page = open();
    select("High");
    ASSERT_TRUE(page.currentMacro());
    EXPECT_EQ(rows(), (KeyRows{pressRow(A), pauseRow(0), releaseRow(A)}));
    click("loopMode2Radio");
    click("saveButton");
    const std::uint32_t mode = readMacro(library() / "High.mck").dwLoopMode;
    EXPECT_EQ(mode, MacroLoopMode2);
    EXPECT_EQ(FindMacroById(0x81234567)->dwLoopMode, MacroLoopMode2);
}

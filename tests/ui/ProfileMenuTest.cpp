// The main window's profile menus and undo history, driven offscreen against
// the simulated keyboard: rename and program link through a profile button's
// right-click menu, stored only by Apply; every edit undone and redone from
// the window's menu and from the keyboard; with immediate apply an undo
// reaches the keyboard like the edit did.

#include "UiTestSupport.h"
#include "controls/CComboBtn.h"
#include "controls/CPngBtn.h"
#include "controls/CPngSliderBar.h"
#include "controls/CTreeCtrlEx.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroList.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"
#include "ui/CKBColorDlg.h"
#include "ui/CKavrelDlg.h"
#include "ui/CKeyFunPickDlg.h"
#include "ui/CLedDlg.h"
#include "ui/CMacroDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/CProgramDlg.h"
#include "ui/EditCommands.h"
#include "ui/EditingSession.h"
#include "ui/FileChooser.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QStandardItem>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace kavrel {
namespace {
namespace fs = std::filesystem;

class ProfileMenus : public test::ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", (work / "sim.state").c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        Cfg.TrayIcon = 2;
        Cfg.ApplyNow = 0;
        CKavrelDlg::setTrayAvailabilityOverride(false);
        load_menu_library();
        window = std::make_unique<CKavrelDlg>();
        ASSERT_TRUE(window->initialise());
        page = window->findChild<CLedDlg*>();
        ASSERT_NE(page, nullptr);
    }
    void TearDown() override
    {
        test::clearModalAnswers();
        clearFileChoiceAnswers();
        close_menu();
        window.reset();
        CKavrelDlg::setTrayAvailabilityOverride(std::nullopt);
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        ProgramFolderFixture::TearDown();
    }

    CPngBtn& profileButton(int n) { return *window->button(CKavrelDlg::Button(CKavrelDlg::Profile1 + n - 1)); }
    PROFILE& profile(int n) { return *std::next(ProfileList.begin(), n - 1); }

    // A right click on a profile button, then the menu's item.
    void profileMenu(int n, const char* action)
    {
        CPngBtn& button = profileButton(n);
        QContextMenuEvent event(
            QContextMenuEvent::Mouse, button.rect().center(), button.mapToGlobal(button.rect().center()));
        QCoreApplication::sendEvent(&button, &event);
        trigger("profileMenu", action);
    }
    void windowMenu(const char* action)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), window->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(window.get(), &event);
        trigger("windowMenu", action);
    }
    void trigger(const char* menuName, const char* action)
    {
        QMenu* menu = window->editCommands()->openMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), menuName);
        ASSERT_TRUE(test::waitFor([&] { return menu->isVisible(); }));
        QAction* item = menu->findChild<QAction*>(action);
        ASSERT_NE(item, nullptr) << action;
        ASSERT_TRUE(item->isEnabled()) << action;
        item->trigger();
        menu->close();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    void click(CKavrelDlg::Button which)
    {
        CPngBtn* button = window->button(which);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    void chooseMode(std::uint32_t mode)
    {
        auto* combo = page->findChild<CComboBtn*>("ledMode");
        int row = 0;
        while (row < combo->entryCount(0) && combo->entry(0, row)->value != mode)
            ++row;
        ASSERT_LT(row, combo->entryCount(0));
        QTest::mouseClick(combo, Qt::LeftButton);
        SkinMenuPopup* popup = openMenuPopup();
        ASSERT_NE(popup, nullptr);
        const QPoint at = popup->mapFromGlobal(popup->itemRect(row).center());
        QTest::mousePress(popup, Qt::LeftButton, {}, at);
        QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
        QCoreApplication::sendPostedEvents();
    }
    void clickStop(const char* slider, int stop)
    {
        auto* track = page->findChild<CPngSliderBar*>(slider);
        QTest::mouseClick(track, Qt::LeftButton, {}, QPoint(track->thumb().stops()[std::size_t(stop)], 9));
        QCoreApplication::sendPostedEvents();
    }
    std::string simState() const
    {
        return test::runKavrelCli("sim-state", "KAVREL_SIM_STATE=" + (work / "sim.state").string()).out;
    }

    test::TempDir work;
    std::unique_ptr<CKavrelDlg> window;
    CLedDlg* page = nullptr;
};

TEST_F(ProfileMenus, RenameAndProgramAreEditsStoredByApplyAndUndone)
{
    const std::string oldName = profileName(profile(3));
    test::answerNextModal([](QDialog& ask) {
        test::typeInto(ask, "Shooter");
        test::clickOk(ask);
    });
    profileMenu(3, "renameAction");
    ASSERT_TRUE(test::waitFor([&] { return profileName(profile(3)) == "Shooter"; }));
    EXPECT_EQ(profileButton(3).buttonText(), "Shooter");
    EXPECT_EQ(CurrentProfile, &profile(1)) << "the menu acts on its button's profile, which does not become current";

    // A name the record cannot hold is refused with the reason; nothing changes.
    test::answerNextModal([](QDialog& ask) {
        test::typeInto(ask, QString(20, 'x'));
        test::clickOk(ask);
    });
    QString refusal;
    test::answerNextModal([&](QDialog& box) {
        refusal = qobject_cast<CMsgDlg*>(&box)->message();
        test::clickOk(box);
    });
    profileMenu(3, "renameAction");
    ASSERT_TRUE(test::waitFor([] { return test::pendingModalAnswers() == 0; }));
    EXPECT_EQ(refusal.toStdString(), "A profile name can have at most 19 characters.");
    EXPECT_EQ(profileName(profile(3)), "Shooter");

    // The program dialog lists running programs and refuses a path, then takes a name.
    test::answerNextModal([](QDialog& dialog) {
        auto* list = dialog.findChild<QComboBox*>("program");
        ASSERT_NE(list, nullptr);
        EXPECT_GT(list->count(), 0) << "the programs running now are offered";
        list->setEditText("/usr/bin/game");
        test::clickOk(dialog);
        EXPECT_TRUE(dialog.isVisible()) << "a refused name keeps the dialog open";
        EXPECT_TRUE(dialog.findChild<QLabel*>("problem")->isVisible());
        list->setEditText("hl2_linux");
        test::clickOk(dialog);
    });
    profileMenu(3, "programAction");
    ASSERT_TRUE(test::waitFor([&] { return profileProgramName(profile(3)) == "hl2_linux"; }));
    EXPECT_NE(profileButton(3).toolTip().indexOf("hl2_linux"), -1) << profileButton(3).toolTip().toStdString();
    EXPECT_FALSE(fs::exists(appData() / "pro.dct")) << "nothing is stored before Apply";

    // Undo from the window's menu, redo from the keyboard.
    windowMenu("undoAction");
    EXPECT_EQ(profileProgramName(profile(3)), "");
    windowMenu("undoAction");
    EXPECT_EQ(profileName(profile(3)), oldName);
    EXPECT_EQ(profileButton(3).buttonText().toStdString(), oldName);
    windowMenu("redoAction");
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(profileName(profile(3)), "Shooter");
    EXPECT_EQ(profileProgramName(profile(3)), "hl2_linux");

    click(CKavrelDlg::Apply);
    ASSERT_TRUE(fs::exists(appData() / "pro.dct"));
    LoadProfiles();
    EXPECT_EQ(profileName(*std::next(ProfileList.begin(), 2)), "Shooter");
    EXPECT_EQ(profileProgramName(*std::next(ProfileList.begin(), 2)), "hl2_linux");
}

TEST_F(ProfileMenus, LightingEditsUndoOneStepEachAndApplyAtOnceWhenEditsDo)
{
    Cfg.ApplyNow = 1;
    const PROFILE start = profile(1);
    chooseMode(7);
    ASSERT_EQ(profile(1).ledMode, 7u);
    clickStop("ledSpeed", 0);
    clickStop("ledSpeed", 3);
    clickStop("ledSpeed", 4);
    const std::uint8_t dragged = profile(1).ledLevels[7].speed;
    ASSERT_TRUE(test::waitFor([&] { return simState().find("lighting: mode 7,") != std::string::npos; })) << simState();

    QUndoStack& history = window->session().history().stack();
    EXPECT_EQ(history.count(), 2) << "the speed clicks join into one step";
    windowMenu("undoAction");
    EXPECT_EQ(profile(1).ledLevels[7].speed, start.ledLevels[7].speed);
    windowMenu("undoAction");
    EXPECT_EQ(profile(1).ledMode, start.ledMode);
    EXPECT_FALSE(history.canUndo());
    // The undo reached the keyboard as the edit did.
    const std::string undone = "lighting: mode " + std::to_string(start.ledMode) + ",";
    EXPECT_TRUE(test::waitFor([&] { return simState().find(undone) != std::string::npos; })) << simState();
    windowMenu("redoAction");
    windowMenu("redoAction");
    EXPECT_EQ(profile(1).ledLevels[7].speed, dragged);

    // Restore defaults from the profile menu is one step too; Apply ends the history.
    test::answerNextModal([](QDialog& ask) { test::clickOk(ask); });
    profileMenu(1, "restoreAction");
    ASSERT_TRUE(test::waitFor([&] { return profile(1).ledMode == start.ledMode; }));
    EXPECT_EQ(history.count(), 3);
    click(CKavrelDlg::Apply);
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.count(), 0);
}

TEST_F(ProfileMenus, KeyEditsAndRestoreAreUndoneFromTheKeyboardAndTheViewFollows)
{
    CKBColorDlg* view = window->keyboardView();
    const int key = 10;
    test::answerNextModal(test::clickCancel); // the picker the click opens
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(KeyTable[key].rect.left + 3, KeyTable[key].rect.top + 3));
    ASSERT_TRUE(test::waitFor([] { return test::pendingModalAnswers() == 0; }));
    test::processEvents();
    ASSERT_EQ(view->selectedKey(), key);
    // What the picker's choices lead to: a combination for the key, then (in per-key lighting) a colour.
    KEYINFO combo = profile(1).keys[key];
    combo.key2 = 0x41;
    ASSERT_TRUE(window->storeKeyAssignment(key, combo));
    profile(1).ledMode = 3;
    window->refreshPages();
    window->storeKeyColour(key, PickerSwatchColours[2]);
    ASSERT_EQ(view->keyColors()[key], PickerSwatchColours[2]);
    test::answerNextModal(test::clickOk);
    click(CKavrelDlg::Restore);
    ASSERT_FALSE(view->hasFunction(key));

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(view->hasFunction(key)) << "Restore taken back";
    EXPECT_EQ(view->keyColors()[key], PickerSwatchColours[2]);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(view->keyColors()[key], PickerSwatchColours[2]) << "the colour taken back";
    EXPECT_EQ(profile(1).keys[key].key2, 0x41);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(profile(1).keys[key].key2, 0x41);
    EXPECT_FALSE(view->hasFunction(key));
    QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(profile(1).keys[key].key2, 0x41);
    EXPECT_TRUE(view->hasFunction(key));
}

// The Menu key on a profile button (focused with Tab) opens its menu at the button, not at the pointer.
TEST_F(ProfileMenus, TheMenuKeyOpensAButtonsMenuAtTheButton)
{
    CPngBtn& button = profileButton(2);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    button.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test::waitFor([&] { return button.hasFocus(); }));
    // What the X11 platform sends for the Menu key (the offscreen one sends nothing): a keyboard context menu
    // event for the focus widget, at the pointer.
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(-500, -500));
    QCoreApplication::sendEvent(QApplication::focusWidget(), &event);
    QMenu* menu = window->editCommands()->openMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return menu->isVisible(); }));
    EXPECT_EQ(menu->objectName(), "profileMenu");
    EXPECT_EQ(menu->windowTitle().toStdString(), profileName(profile(2)));
    EXPECT_LT((menu->pos() - button.mapToGlobal(QPoint(0, button.height()))).manhattanLength(), 40);
    EXPECT_NE(menu->findChild<QAction*>("programAction"), nullptr);
    menu->close();
}

// A macro deleted on the macro page gives the keys that played it their defaults back; no undo step may bring
// back a key that plays a macro no longer there.
TEST_F(ProfileMenus, DeletingAMacroAKeyPlaysEndsTheHistory)
{
    StMacro gone = NewBlankMacro("Gone");
    gone.Events[0] = {0x41, 1, 10};
    gone.Events[1] = {0x41, 0, 10};
    fs::create_directories(appData() / "Mac");
    const MacroFileBytes bytes = EncodeMacroFile(gone);
    test::writeFile(appData() / "Mac" / "Gone.mck", std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(AddToList(gone));
    const int key = 10;
    test::answerNextModal(test::clickCancel); // the picker the click opens
    QTest::mouseClick(
        window->keyboardView(), Qt::LeftButton, {}, QPoint(KeyTable[key].rect.left + 3, KeyTable[key].rect.top + 3));
    ASSERT_TRUE(test::waitFor([] { return test::pendingModalAnswers() == 0; }));
    test::processEvents();
    KEYINFO plays = profile(1).keys[key];
    plays.setFirstWord(std::uint32_t(KindMacro) << 24);
    plays.macroId = gone.dwId;
    ASSERT_TRUE(window->storeKeyAssignment(key, plays));
    QUndoStack& history = window->session().history().stack();
    ASSERT_TRUE(history.canUndo());

    test::answerNextModal([](QDialog& dialog) {
        auto* page = qobject_cast<CMacroDlg*>(&dialog);
        ASSERT_NE(page, nullptr);
        CTreeCtrlEx& library = *page->libraryView();
        TreeItem item = nullptr;
        for (int row = 0; row < library.RootItem()->rowCount(); ++row)
            if (library.RootItem()->child(row)->text() == "Gone")
                item = library.RootItem()->child(row);
        ASSERT_NE(item, nullptr);
        library.scrollTo(item->index());
        QTest::mouseClick(library.viewport(), Qt::RightButton, {}, library.visualRect(item->index()).center());
        ASSERT_TRUE(test::waitFor([] { return openMenuPopup() != nullptr; }));
        const auto& commands = page->lastMenuCommands();
        const auto at = std::find(commands.begin(), commands.end(), std::uint32_t(CMacroDlg::CmdDelete));
        ASSERT_NE(at, commands.end());
        SkinMenuPopup* popup = openMenuPopup();
        const QPoint row = popup->mapFromGlobal(popup->itemRect(int(at - commands.begin())).center());
        test::answerNextModal(test::clickOk); // "delete it?", with the key that plays it named
        QTest::mouseMove(popup, row);
        QTest::mouseClick(popup, Qt::LeftButton, {}, row);
        ASSERT_TRUE(test::waitFor([] { return test::pendingModalAnswers() == 0; }));
        test::clickButton(dialog, "exitButton");
    });
    click(CKavrelDlg::Macro); // returns when the page has closed
    EXPECT_FALSE(fs::exists(appData() / "Mac" / "Gone.mck"));
    EXPECT_EQ(std::memcmp(&profile(1).keys[key], &KeyTable[key], sizeof(KEYINFO)), 0);
    EXPECT_FALSE(history.canUndo()) << "undo would give the key a macro that is gone";
}

TEST_F(ProfileMenus, ExportAndImportThroughTheMenu)
{
    chooseMode(7);
    const fs::path file = work / "mine.kavrel-profile";
    answerNextFileChoice([&](const FileChoice& choice) -> std::optional<QString> {
        EXPECT_EQ(choice.kind, FileChoice::SaveFile);
        EXPECT_TRUE(choice.initialPath.endsWith(".kavrel-profile")) << choice.initialPath.toStdString();
        return QString::fromStdString(file.string());
    });
    profileMenu(1, "exportAction");
    ASSERT_TRUE(test::waitFor([&] { return fs::exists(file); }));

    const std::uint32_t id2 = profile(2).id;
    answerNextFileChoice(
        [&](const FileChoice&) -> std::optional<QString> { return QString::fromStdString(file.string()); });
    profileMenu(2, "importAction");
    ASSERT_TRUE(test::waitFor([&] { return profile(2).ledMode == 7u; }));
    EXPECT_EQ(profile(2).id, id2);
    EXPECT_EQ(CurrentProfile, &profile(2)) << "the imported profile is shown";
    EXPECT_TRUE(profileButton(2).isChecked());
    EXPECT_FALSE(profileButton(1).isChecked());

    // A damaged file is refused with the reason; the profile stays as it was.
    test::writeFile(work / "cut.kavrel-profile", test::readFile(file).substr(0, 500));
    answerNextFileChoice([&](const FileChoice&) -> std::optional<QString> {
        return QString::fromStdString((work / "cut.kavrel-profile").string());
    });
    QString refusal;
    test::answerNextModal([&](QDialog& box) {
        refusal = qobject_cast<CMsgDlg*>(&box)->message();
        test::clickOk(box);
    });
    profileMenu(3, "importAction");
    ASSERT_TRUE(test::waitFor([] { return test::pendingModalAnswers() == 0; }));
    EXPECT_NE(refusal.indexOf("cut short"), -1) << refusal.toStdString();
    EXPECT_NE(profile(3).ledMode, 7u);
    EXPECT_EQ(CurrentProfile, &profile(2)) << "a refused file shows nothing else";
}

} // namespace
} // namespace kavrel

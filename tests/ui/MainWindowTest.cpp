// The main window driven offscreen against the simulated keyboard: first start,
// odd stores, tray modes, Apply, key assignments, automatic switching and
// device notices.

#include "UiTestSupport.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "controls/WindowMessage.h"
#include "device/DeviceNoticeHandler.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"
#include "platform/HotplugMonitor.h"
#include "ui/CKBColorDlg.h"
#include "ui/CKavrelDlg.h"
#include "ui/CKeyFunPickDlg.h"
#include "ui/CMacroDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/CProgressDlg.h"

#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

namespace kavrel {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

std::vector<std::uint8_t> storeOf(int profiles, std::vector<std::uint32_t>* ids = nullptr)
{
    std::vector<std::uint8_t> bytes(StoreSize, 0);
    for (int i = 0; i < profiles; ++i) {
        PROFILE profile;
        NewProfile("Stored " + std::to_string(i + 1), profile);
        profile.id = 0x100 + std::uint32_t(i);
        if (ids)
            ids->push_back(profile.id);
        std::memcpy(bytes.data() + std::size_t(i) * ProfileSize, &profile, ProfileSize);
    }
    return bytes;
}

void setProgramName(PROFILE& profile, std::u16string_view name)
{
    std::fill(std::begin(profile.programName), std::end(profile.programName), u'\0');
    std::copy(name.begin(), name.end(), profile.programName);
}

std::vector<std::uint32_t> listIds()
{
    std::vector<std::uint32_t> ids;
    for (const PROFILE& profile : ProfileList)
        ids.push_back(profile.id);
    return ids;
}

// A process with a chosen executable and argv[0], ended with the test.
class Child {
public:
    Child(const fs::path& program, const char* argv0)
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execl(program.c_str(), argv0, "60", static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Child()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

class MainWindow : public test::ProgramFolderFixture {
protected:
    TempDir work;
    std::unique_ptr<CKavrelDlg> window;

    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", (work / "sim.state").c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        Cfg.TrayIcon = 2;
        Cfg.ApplyNow = 0;
        InitLogWith(2, work / "Log.txt");
        CKavrelDlg::setTrayAvailabilityOverride(false);
    }
    void TearDown() override
    {
        window.reset();
        CKavrelDlg::setTrayAvailabilityOverride(std::nullopt);
        InitLogWith(0, {});
        unsetenv("KAVREL_SIM_OPTIONS");
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        ProgramFolderFixture::TearDown();
    }

    CKavrelDlg& open()
    {
        window = std::make_unique<CKavrelDlg>();
        window->initialise();
        return *window;
    }
    void click(CKavrelDlg::Button which)
    {
        CPngBtn* button = window->button(which);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    std::string log() const { return fs::exists(work / "Log.txt") ? test::readFile(work / "Log.txt") : ""; }
    bool stored(const char* name) const { return fs::exists(appData() / name); }
    void writeStore(const std::vector<std::uint8_t>& bytes, std::uint32_t currentId)
    {
        test::writeFile(appData() / "pro.dct", std::string(bytes.begin(), bytes.end()));
        std::string id(4, '\0');
        std::memcpy(id.data(), &currentId, 4);
        test::writeFile(appData() / "curid.dct", id);
    }
    // What the simulated keyboard holds: its memory file, empty before the first report.
    std::string simState() const { return fs::exists(work / "sim.state") ? test::readFile(work / "sim.state") : ""; }
    int checkedProfileButton() const
    {
        for (int i = 0; i < 3; ++i)
            if (window->button(CKavrelDlg::Button(CKavrelDlg::Profile1 + i))->checkedState())
                return i + 1;
        return 0;
    }
};

TEST_F(MainWindow, FirstStartMakesThreeProfilesAndWritesNothingUntilApply)
{
    CKavrelDlg& w = open();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle().toStdString(), Text("tc_title"));
    ASSERT_EQ(ProfileList.count(), 3);
    EXPECT_EQ(CurrentProfile, ProfileList.head()->record);
    EXPECT_EQ(profileName(*ProfileList.tail()->record), Text("tc_proname") + "3");
    EXPECT_EQ(checkedProfileButton(), 1);
    EXPECT_FALSE(stored("pro.dct"));
    EXPECT_FALSE(stored("curid.dct"));

    click(CKavrelDlg::Profile2);
    EXPECT_EQ(checkedProfileButton(), 2);
    EXPECT_EQ(CurrentProfile, &*std::next(ProfileList.begin()));
    EXPECT_FALSE(stored("pro.dct")) << "switching saves nothing";

    click(CKavrelDlg::Apply); // runs the progress dialog until the worker closes it
    ASSERT_TRUE(stored("pro.dct"));
    EXPECT_EQ(LoadCurrentId(), CurrentProfile->id);
    EXPECT_TRUE(w.isVisible());
    EXPECT_NE(log().find("Start Apply: hDevice="), std::string::npos);
    EXPECT_FALSE(simState().empty()) << "the keyboard got the profile";
}

TEST_F(MainWindow, ApplyReportsProgressTwentySeventyHundred)
{
    open();
    std::vector<int> positions;
    test::answerNextModal([&](QDialog& dialog) {
        // Record each position the worker's messages give the bar, until the worker closes the dialog.
        auto* progress = qobject_cast<CProgressDlg*>(&dialog);
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(progress->maximum(), 100);
        positions.push_back(progress->position());
        test::waitFor([&] {
            if (positions.back() != progress->position())
                positions.push_back(progress->position());
            return !progress->isVisible();
        });
    });
    click(CKavrelDlg::Ok);
    EXPECT_EQ(positions.back(), 100);
    EXPECT_TRUE(window->ended()) << "OK with TrayIcon 2 ends the program";
    EXPECT_TRUE(stored("pro.dct"));
}

TEST_F(MainWindow, StoresWithOtherThanThreeProfilesGetThreeMoreAndButtonsShowTheFirstThree)
{
    for (int count : {1, 2, 4}) {
        std::vector<std::uint32_t> ids;
        writeStore(storeOf(count, &ids), 0);
        open();
        ASSERT_EQ(ProfileList.count(), count + 3) << count;
        EXPECT_EQ(CurrentProfile->id, ids[0]);
        const std::vector<std::uint32_t> inList = listIds();
        for (int button = 1; button <= 3; ++button) {
            click(CKavrelDlg::Button(CKavrelDlg::Profile1 + button - 1));
            EXPECT_EQ(CurrentProfile->id, inList[std::size_t(button - 1)]) << count << " profiles, button " << button;
        }
        window.reset();
    }
}

TEST_F(MainWindow, AnUnknownOrZeroCurrentIdSelectsTheFirstProfile)
{
    std::vector<std::uint32_t> ids;
    writeStore(storeOf(3, &ids), 0xABCDEF);
    open();
    EXPECT_EQ(CurrentProfile->id, ids[0]);
    window.reset();
    writeStore(storeOf(3), ids[2]);
    open();
    EXPECT_EQ(CurrentProfile->id, ids[2]);
    EXPECT_EQ(checkedProfileButton(), 3);
}

TEST_F(MainWindow, RandomBytesAsTheStoreNeitherCrashNorGetOverwritten)
{
    std::mt19937 random(7);
    std::string bytes(30000, '\0');
    for (char& c : bytes)
        c = char(random());
    test::writeFile(appData() / "pro.dct", bytes);
    QString told;
    test::answerNextModal([&told](QDialog& dialog) {
        auto* box = qobject_cast<CMsgDlg*>(&dialog);
        told = box ? box->message() : QString();
        test::clickOk(dialog);
    });
    CKavrelDlg& w = open();
    EXPECT_TRUE(w.isVisible());
    EXPECT_NE(told.toStdString().find(StoreFilePath()), std::string::npos)
        << "the user is told: " << told.toStdString();
    EXPECT_EQ(ProfileList.count(), 3) << "no garbage profiles";
    click(CKavrelDlg::Cancel);
    EXPECT_EQ(test::readFile(appData() / "pro.dct"), bytes);
}

TEST_F(MainWindow, TrayModeOneNeverShowsAtStartAndOpensOnRequest)
{
    CKavrelDlg::setTrayAvailabilityOverride(true);
    Cfg.TrayIcon = 1;
    CKavrelDlg& w = open();
    EXPECT_FALSE(w.isVisible());
    w.show(); // the modal run's show is refused until the window was opened
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.trayIconExists());

    sendWindowMessage(&w, MsgTrayIcon, 0, MouseLeftDoubleClick); // tray double click or a second instance
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(ProfileList.count(), 3);

    // Edits not applied are discarded by Cancel at once, not only when the window opens again: automatic
    // switching could write them meanwhile.
    setProfileName(*CurrentProfile, "edited");
    click(CKavrelDlg::Cancel);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.ended());
    EXPECT_NE(profileName(*CurrentProfile), "edited");
    for (const PROFILE& profile : ProfileList)
        EXPECT_NE(profileName(profile), "edited");
    sendWindowMessage(&w, MsgTrayIcon, 0, MouseLeftDoubleClick);
    EXPECT_NE(profileName(*CurrentProfile), "edited");
}

TEST_F(MainWindow, WithoutASystemTrayTheTrayModesActLikeTwo)
{
    Cfg.TrayIcon = 1;
    CKavrelDlg& w = open();
    EXPECT_EQ(w.trayMode(), 2);
    EXPECT_TRUE(w.isVisible()) << "otherwise the window could never be reached";
    EXPECT_FALSE(w.trayIconExists());
    EXPECT_NE(log().find("No system tray"), std::string::npos);
    click(CKavrelDlg::Exit);
    EXPECT_TRUE(w.ended());
}

// A window shown at start sets up its tray and its icon only once it has been painted: asking for a
// tray and loading the icon take a while. Until then the tray mode is settled whenever something
// depends on it.
TEST_F(MainWindow, AShownWindowSetsUpItsTrayAndIconAfterItsFirstPaint)
{
    CKavrelDlg::setTrayAvailabilityOverride(true);
    Cfg.TrayIcon = 3;
    CKavrelDlg& w = open();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.trayIconExists());
    EXPECT_TRUE(test::waitFor([&] { return w.trayIconExists(); }));
    EXPECT_EQ(w.trayMode(), 3);
    EXPECT_FALSE(w.windowIcon().isNull());

    // Without a tray, Cancel right after the start ends the program: it must not hide the window away
    // into a tray that does not exist.
    window.reset();
    CKavrelDlg::setTrayAvailabilityOverride(false);
    CKavrelDlg& trayless = open();
    click(CKavrelDlg::Cancel);
    EXPECT_TRUE(trayless.ended());
    EXPECT_EQ(trayless.trayMode(), 2);
    EXPECT_NE(log().find("No system tray"), std::string::npos);
}

TEST_F(MainWindow, WithoutAKeyboardTheUserIsToldAndNothingIsApplied)
{
    setenv("KAVREL_HIDGATE", "/nonexistent/libhidgate.so", 1);
    std::vector<QString> shown;
    auto record = [&shown](QDialog& dialog) {
        auto* box = qobject_cast<CMsgDlg*>(&dialog);
        shown.push_back(box ? box->message() : QString("not a message box"));
        test::clickOk(dialog);
    };
    test::answerNextModal(record);
    Cfg.Suwnd = 0;
    open(); // Suwnd 0: the start shows tc_msg15 and closes
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->exitCode(), 1) << "a failed start is no success";
    EXPECT_EQ(test::pendingModalAnswers(), 0);
    window.reset();

    Cfg.Suwnd = 1;
    CKavrelDlg& w = open();
    EXPECT_TRUE(w.isVisible());
    test::answerNextModal(record);
    click(CKavrelDlg::Apply);
    EXPECT_EQ(test::pendingModalAnswers(), 0) << "Apply told the user";
    EXPECT_FALSE(stored("pro.dct"));
    const QString noKeyboard = QString::fromStdString(Text("tc_msg15"));
    EXPECT_EQ(shown, (std::vector<QString>{noKeyboard, noKeyboard}));
}

TEST_F(MainWindow, ChoosingTheSameCombinationAgainChangesNothing)
{
    CKavrelDlg& w = open();
    CKBColorDlg* view = w.keyboardView();
    const int key = 10;
    const QRect r(KeyTable[key].rect.left, KeyTable[key].rect.top, 4, 4);
    QTest::mouseClick(view, Qt::LeftButton, {}, r.center());
    ASSERT_EQ(view->selectedKey(), key);

    KEYINFO same = CurrentProfile->keys[key];
    same.rect = {};
    EXPECT_FALSE(w.storeKeyAssignment(key, same));
    EXPECT_FALSE(view->hasFunction(key));

    KEYINFO other = CurrentProfile->keys[key];
    other.key2 = 0x41;
    EXPECT_TRUE(w.storeKeyAssignment(key, other));
    EXPECT_EQ(CurrentProfile->keys[key].key2, 0x41);
    EXPECT_EQ(CurrentProfile->keys[key].rect, KeyTable[key].rect);
    EXPECT_TRUE(view->hasFunction(key));

    view->clearSelection(); // no selected key: nothing is stored
    other.key2 = 0x42;
    EXPECT_FALSE(w.storeKeyAssignment(key, other));
}

TEST_F(MainWindow, AClickedKeyOpensThePickerAndItsChoiceIsStored)
{
    CKavrelDlg& w = open();
    CurrentProfile->ledMode = std::uint32_t(Cfg.GaoshouIndex);
    CurrentProfile->colorSet = 8;
    w.refreshPages();
    const int key = 12;
    const QPoint at(KeyTable[key].rect.left + 3, KeyTable[key].rect.top + 3);

    test::answerNextModal(test::clickCancel); // Cancel: nothing changes
    QTest::mouseClick(w.keyboardView(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(test::waitFor([] { return test::pendingModalAnswers() == 0; }));
    test::processEvents();
    EXPECT_EQ(w.keyboardView()->keyColors()[key], 0u);

    bool colourMode = false;
    test::answerNextModal([&colourMode](QDialog& dialog) {
        auto* picker = qobject_cast<CKeyFunPickDlg*>(&dialog);
        ASSERT_NE(picker, nullptr);
        colourMode = picker->colourMode();
        test::clickCancel(dialog);
    });
    QTest::mouseClick(w.keyboardView(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(test::waitFor([] { return test::pendingModalAnswers() == 0; }));
    test::processEvents();
    EXPECT_TRUE(colourMode) << "per-key mode with the user's own set 8";

    // What the picker's colour choice leads to: the view shows it and the lighting page stores it.
    w.storeKeyColour(key, PickerSwatchColours[2]);
    EXPECT_EQ(w.keyboardView()->keyColors()[key], PickerSwatchColours[2]);
    EXPECT_EQ(CurrentProfile->keyColors[8][KeyTable[key].matrixIndex], PickerSwatchColours[2])
        << "the lighting page stored the view's colours into the profile";
}

TEST_F(MainWindow, TheMacroButtonRunsTheMacroPageUntilItsExitButton)
{
    CKavrelDlg& w = open();
    bool sawPage = false;
    test::answerNextModal([&sawPage](QDialog& dialog) {
        sawPage = dynamic_cast<CMacroDlg*>(&dialog) != nullptr;
        auto* exit = dialog.findChild<CPngBtn*>("exitButton");
        ASSERT_NE(exit, nullptr);
        QTest::mouseClick(exit, Qt::LeftButton, {}, exit->rect().center());
    });
    click(CKavrelDlg::Macro); // returns when the page has closed
    EXPECT_TRUE(sawPage);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindow, AltDigitsCtrlMAndCtrlEnterPressTheirButtonsAndTheToolTipsSaySo)
{
    CKavrelDlg& w = open();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_TRUE(w.button(CKavrelDlg::Profile2)->toolTip().contains("Alt+2"));
    EXPECT_TRUE(w.button(CKavrelDlg::Macro)->toolTip().contains("Ctrl+M"));
    EXPECT_TRUE(w.button(CKavrelDlg::Apply)->toolTip().contains("Ctrl+Enter"));
    auto press = [&w](int key, Qt::KeyboardModifiers modifiers) {
        test::sendQtKey(&w, key, true, modifiers);
        test::sendQtKey(&w, key, false, modifiers);
    };
    press(Qt::Key_2, Qt::AltModifier);
    EXPECT_EQ(checkedProfileButton(), 2);
    press(Qt::Key_3, Qt::AltModifier);
    EXPECT_EQ(checkedProfileButton(), 3);

    bool sawPage = false;
    test::answerNextModal([&sawPage](QDialog& dialog) {
        sawPage = dynamic_cast<CMacroDlg*>(&dialog) != nullptr;
        test::clickButton(dialog, "exitButton");
    });
    press(Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(sawPage);
    w.activateWindow(); // as the window manager does when the page closes
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    // Enter and Esc alone still do nothing to the main window (away from the keyboard picture, where Enter
    // opens the picker); Ctrl+Enter applies.
    EXPECT_EQ(QApplication::focusWidget(), w.keyboardView()) << "the keyboard picture has the focus at first";
    w.setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Return, {});
    press(Qt::Key_Escape, {});
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(stored("pro.dct"));
    test::answerNextModal([](QDialog& dialog) { test::waitFor([&dialog] { return !dialog.isVisible(); }); });
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(test::pendingModalAnswers(), 0);
    EXPECT_TRUE(stored("pro.dct"));
    EXPECT_FALSE(simState().empty());
    EXPECT_TRUE(w.isVisible()) << "Apply keeps the window";
}

TEST_F(MainWindow, RestoreAsksAndResetsTheCurrentProfile)
{
    CKavrelDlg& w = open();
    CurrentProfile->keys[3].key1 = 0x70;
    w.refreshPages();
    EXPECT_TRUE(w.keyboardView()->hasFunction(3));
    const std::uint32_t id = CurrentProfile->id;

    test::answerNextModal(test::clickCancel);
    click(CKavrelDlg::Restore);
    EXPECT_TRUE(w.keyboardView()->hasFunction(3));
    test::answerNextModal(test::clickOk);
    click(CKavrelDlg::Restore);
    EXPECT_FALSE(w.keyboardView()->hasFunction(3));
    EXPECT_EQ(CurrentProfile->id, id);
}

TEST_F(MainWindow, PerKeyLightingShowsTheColourSetOnTheKeys)
{
    CKavrelDlg& w = open();
    CurrentProfile->ledMode = 3;
    CurrentProfile->colorSet = 9;
    CurrentProfile->keyColors[9][KeyTable[5].matrixIndex] = 0x123456;
    w.refreshPages();
    EXPECT_EQ(w.keyboardView()->keyColors()[5], 0x123456u);
    CurrentProfile->ledMode = 4;
    w.refreshPages();
    EXPECT_EQ(w.keyboardView()->keyColors()[5], 0u);
}

class AutoSwitch : public MainWindow {
protected:
    TempDir programs;
    void nameProfile(int index, std::u16string_view program)
    {
        auto it = ProfileList.begin();
        std::advance(it, index);
        setProgramName(*it, program);
    }
    std::uint32_t idOf(int index) { return profileByIndex(index).id; }
    PROFILE& profileByIndex(int index)
    {
        auto it = ProfileList.begin();
        std::advance(it, index);
        return *it;
    }
    bool settled()
    {
        return test::waitFor([&] { return !window->autoSwitchPending(); });
    }
};

TEST_F(AutoSwitch, ARunningProgramSwitchesToTheFirstMatchingProfileOnceTheKeyboardHasIt)
{
    const fs::path game = programs / "KavrelTestGame";
    fs::copy_file("/bin/sleep", game);
    Child native(game, game.c_str());
    Child wine("/bin/sleep", "C:\\Games\\KavrelWineGame.exe");

    open();
    nameProfile(1, u"kavreltestgame");
    nameProfile(2, u"KAVRELTESTGAME"); // also matches, but comes later in the list
    ASSERT_TRUE(test::waitFor([&] {
        window->autoSwitchTick();
        return settled() && CurrentProfile->id == idOf(1);
    }));
    EXPECT_EQ(checkedProfileButton(), 2);
    EXPECT_EQ(LoadCurrentId(), idOf(1)) << "the id is saved";
    EXPECT_FALSE(stored("pro.dct")) << "but not the profiles";

    // A Windows program under Wine is known by its argv[0].
    nameProfile(1, u"");
    nameProfile(2, u"kavrelwinegame.EXE");
    ASSERT_TRUE(test::waitFor([&] {
        window->autoSwitchTick();
        return settled() && CurrentProfile->id == idOf(2);
    }));
    EXPECT_EQ(checkedProfileButton(), 3);
}

TEST_F(AutoSwitch, AFailedApplyLeavesTheProfileAndIsRetried)
{
    const fs::path game = programs / "KavrelFailGame";
    fs::copy_file("/bin/sleep", game);
    Child native(game, game.c_str());
    open();
    const std::uint32_t first = CurrentProfile->id;
    nameProfile(2, u"kavrelfailgame");
    setenv("KAVREL_SIM_OPTIONS", "fail=matrix:always", 1);
    window->deviceLink().FindDev(); // the keyboard now refuses every key matrix
    window->autoSwitchTick();
    ASSERT_TRUE(settled());
    EXPECT_EQ(CurrentProfile->id, first);
    EXPECT_FALSE(stored("curid.dct"));

    unsetenv("KAVREL_SIM_OPTIONS");
    window->deviceLink().FindDev();
    ASSERT_TRUE(test::waitFor([&] {
        window->autoSwitchTick();
        return settled() && CurrentProfile->id == idOf(2);
    }));
}

TEST_F(MainWindow, UnplugAndReplugNotices)
{
    CKavrelDlg::setTrayAvailabilityOverride(true);
    Cfg.TrayIcon = 3;
    CKavrelDlg& w = open();
    ASSERT_TRUE(w.devicePresent());
    const std::string path = "/sys/devices/usb1/" + DevicePathPattern() + "/1-2";
    w.deviceNotice(platform::DeviceArrival, "/sys/devices/usb1/USB#VID_ffff&PID_0001/1-3");
    w.deviceNotice(platform::DeviceRemoveComplete, path);
    EXPECT_FALSE(w.devicePresent());
    EXPECT_NE(log().find("Device OUT"), std::string::npos);
    EXPECT_EQ(w.lastBalloon().toStdString(), Text("tc_msg15"));
    EXPECT_TRUE(w.isVisible());

    w.deviceNotice(platform::DeviceArrival, path);
    EXPECT_NE(log().find("Device IN"), std::string::npos);
    EXPECT_TRUE(test::waitFor([&] { return w.devicePresent(); })) << "found again without blocking the window";

    // Tray mode 1 hides the window when the keyboard goes.
    window.reset();
    Cfg.TrayIcon = 1;
    CKavrelDlg& hidden = open();
    sendWindowMessage(&hidden, MsgTrayIcon, 0, MouseLeftDoubleClick);
    ASSERT_TRUE(hidden.isVisible());
    hidden.deviceNotice(platform::DeviceRemoveComplete, path);
    EXPECT_FALSE(hidden.isVisible());
}

TEST_F(MainWindow, TheWindowPaintsNothingOutsideItsOutline)
{
    // A Wayland compositor shapes only the input by the mask: outside the outline the window itself must
    // leave its pixels transparent, so the corners show the desktop behind it.
    CKavrelDlg& dialog = open();
    ASSERT_FALSE(dialog.mask().isEmpty());
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_TranslucentBackground));
    QImage picture(dialog.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    dialog.render(
        &picture, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    for (const QPoint corner : {QPoint(0, 0), QPoint(picture.width() - 1, 0), QPoint(0, picture.height() - 1),
             QPoint(picture.width() - 1, picture.height() - 1)}) {
        EXPECT_FALSE(dialog.mask().contains(corner));
        EXPECT_EQ(qAlpha(picture.pixel(corner)), 0) << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(qAlpha(picture.pixel(picture.width() / 2, 3)), 255) << "inside the outline";
}

TEST_F(MainWindow, BadSkinAndOutlineInput)
{
    {
        test::MessageCapture boxes;
        useSkinWithout({"main_nr.png"});
        window = std::make_unique<CKavrelDlg>();
        EXPECT_EQ(window->exec(), 1);
        EXPECT_TRUE(window->ended());
        EXPECT_EQ(
            boxes.texts(), std::vector<std::string>{TextWith("tc_skin_missing", {SkinsFolder() + "main_nr.png"})});
        window.reset();
    }
    {
        // Without the keyboard picture the window still works, and the user knows why the keys are blank.
        test::MessageCapture boxes;
        useSkinWithout({"keyimg.png"});
        open();
        EXPECT_FALSE(window->ended());
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{TextWith("tc_skin_missing", {SkinsFolder() + "keyimg.png"})});
        window.reset();
        open();
        EXPECT_EQ(boxes.texts().size(), 1u) << "once per run";
        window.reset();
    }
    // An outline of two points, or for a matrix position no key has, shapes no key.
    for (const auto& outline :
        {UnRectOutline{true, 87, {{1, 1}, {5, 5}}}, UnRectOutline{true, 200, {{1, 1}, {9, 1}, {9, 9}, {1, 1}}}}) {
        Cfg.UnRectKey = outline;
        SetProgramFolder(test::buildBinDir());
        open();
        EXPECT_EQ(window->keyboardView()->shapedKey(), CKBColorDlg::NoKey);
        window.reset();
    }
}

TEST_F(MainWindow, OkEndsOnlyAfterTheApplyAndTheSaveSucceeded)
{
    CKavrelDlg& w = open();
    test::MessageCapture boxes;
    setenv("KAVREL_SIM_OPTIONS", "fail=matrix:always", 1);
    w.deviceLink().FindDev(); // the keyboard now refuses every key matrix
    click(CKavrelDlg::Ok);
    EXPECT_FALSE(w.ended()) << "the window and the failure's box stay";
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(test::waitFor([&] {
        for (const std::string& text : boxes.texts())
            if (text.find("Update settings failed!") != std::string::npos)
                return true;
        return false;
    }));

    // A save that fails (the data folder cannot be made): the file and the reason, and the window stays.
    unsetenv("KAVREL_SIM_OPTIONS");
    w.deviceLink().FindDev();
    test::writeFile(appData() / "plain", "a file where a folder should be");
    SetAppDataFolderOverride(appData() / "plain" / "kavrel");
    QString told;
    test::answerNextModal([](QDialog&) {}); // the progress dialog, which the worker closes
    test::answerNextModal([&told](QDialog& dialog) {
        auto* box = qobject_cast<CMsgDlg*>(&dialog);
        told = box ? box->message() : QString("not a message box");
        test::clickOk(dialog);
    });
    click(CKavrelDlg::Ok);
    EXPECT_EQ(test::pendingModalAnswers(), 0);
    EXPECT_NE(told.toStdString().find((appData() / "plain" / "kavrel" / "pro.dct").string()), std::string::npos)
        << told.toStdString();
    EXPECT_NE(told.toStdString().find(std::strerror(ENOTDIR)), std::string::npos) << told.toStdString();
    EXPECT_FALSE(w.ended());

    SetAppDataFolderOverride(appData());
    click(CKavrelDlg::Ok);
    EXPECT_TRUE(w.ended());
    EXPECT_TRUE(stored("pro.dct"));
}

TEST_F(AutoSwitch, NoSwitchWhileThePickerIsOpenAndItsResultLandsInItsProfile)
{
    CKavrelDlg& w = open();
    const std::uint32_t first = CurrentProfile->id;
    nameProfile(1, u"test_ui"); // this very program runs
    const int key = 10;
    bool switchedMeanwhile = false;
    test::answerNextModal([&](QDialog& dialog) {
        auto* picker = qobject_cast<CKeyFunPickDlg*>(&dialog);
        ASSERT_NE(picker, nullptr);
        for (int i = 0; i < 3; ++i) {
            w.autoSwitchTick();
            test::processEvents();
        }
        switchedMeanwhile = w.autoSwitchPending() || CurrentProfile->id != first;
        QTest::mouseClick(picker->pageButton(1), Qt::LeftButton, {}, picker->pageButton(1)->rect().center());
        test::tapKey(picker, 'B');
        QTest::mouseClick(picker->okButton(), Qt::LeftButton, {}, picker->okButton()->rect().center());
    });
    QTest::mouseClick(
        w.keyboardView(), Qt::LeftButton, {}, QPoint(KeyTable[key].rect.left + 3, KeyTable[key].rect.top + 3));
    ASSERT_TRUE(test::waitFor([] { return test::pendingModalAnswers() == 0; }));
    test::processEvents();
    EXPECT_FALSE(switchedMeanwhile);
    ASSERT_EQ(CurrentProfile->id, first);
    EXPECT_EQ(CurrentProfile->keys[key].key1, 'B');

    // Once the picker is closed the switch goes ahead.
    ASSERT_TRUE(test::waitFor([&] {
        window->autoSwitchTick();
        return settled() && CurrentProfile->id == idOf(1);
    }));
    EXPECT_EQ(profileByIndex(0).keys[key].key1, 'B') << "the edit stayed with its profile";
}

} // namespace
} // namespace kavrel

// The main window's editing session driven without any window: what a damaged store
// gives, whether there are edits, Cancel's discard, edits landing in their own
// profile, saving with its result, when automatic switching may run, and the
// retries after a hot-plug arrival.

#include "ui/EditingSession.h"
#include "UiTestSupport.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "device/ApplySetting.h"
#include "device/DeviceNoticeHandler.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"
#include "platform/HotplugMonitor.h"

#include <QApplication>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <numeric>

namespace kavrel {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

class EditingSessionTest : public test::ProgramFolderFixture {
protected:
    TempDir work;

    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", (work / "sim.state").c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        Cfg.ApplyNow = 0;
    }
    void TearDown() override
    {
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        ProgramFolderFixture::TearDown();
    }
    std::string storeWithLightingMode(std::uint32_t mode)
    {
        std::string bytes(StoreSize, '\0');
        for (int i = 0; i < 3; ++i) {
            PROFILE profile;
            NewProfile("Mine " + std::to_string(i + 1), profile);
            profile.id = 0x500 + std::uint32_t(i);
            if (i == 1)
                profile.ledMode = mode;
            std::memcpy(bytes.data() + std::size_t(i) * ProfileSize, &profile, ProfileSize);
        }
        return bytes;
    }
};

TEST_F(EditingSessionTest, ADamagedStoreIsToldOnceWithTheFileAndItsCopyAndNothingDamagedIsKept)
{
    const std::string damaged = storeWithLightingMode(83);
    test::writeFile(appData() / "pro.dct", damaged);
    EditingSession session;
    const QString told = session.load();
    const std::string message = told.toStdString();
    EXPECT_NE(message.find(StoreFilePath()), std::string::npos) << message;
    EXPECT_NE(message.find("profile 2: lighting mode 83"), std::string::npos) << message;
    EXPECT_NE(message.find(StoreFilePath() + ".damaged-"), std::string::npos) << "where the file was kept";
    ASSERT_EQ(ProfileList.count(), 3);
    for (const PROFILE& profile : ProfileList)
        EXPECT_LT(profile.ledMode, std::uint32_t(LedModeCount));
    EXPECT_EQ(profileName(*std::next(ProfileList.begin())), "Mine 2") << "the slot keeps its name and id";
    EXPECT_FALSE(session.modified()) << "a load is no edit";

    EXPECT_TRUE(session.load().isEmpty()) << "told once";
    EXPECT_EQ(test::readFile(appData() / "pro.dct"), damaged) << "nothing written until the user saves";
}

TEST_F(EditingSessionTest, EditsLandInTheirProfileAndCancelDiscardsThemAtOnce)
{
    EditingSession session;
    session.load();
    ASSERT_FALSE(session.save());
    const std::uint32_t first = session.buttonProfiles()[0];
    const std::uint32_t second = session.buttonProfiles()[1];
    const KEYINFO original = session.profile(first)->keys[10];

    KEYINFO combo{};
    combo.setFirstWord(std::uint32_t(KindKey) << 24);
    combo.modifiers = 0x01;
    combo.key1 = 'B';
    // The picker was opened for the first profile; the second became current meanwhile.
    ASSERT_TRUE(session.makeCurrent(second));
    ASSERT_TRUE(session.assignKey(first, 10, combo));
    EXPECT_EQ(session.profile(first)->keys[10].key1, 'B');
    EXPECT_EQ(session.profile(first)->keys[10].rect, KeyTable[10].rect);
    EXPECT_EQ(std::memcmp(&session.profile(second)->keys[10], &KeyTable[10], sizeof(KEYINFO)), 0);
    EXPECT_FALSE(session.assignKey(first, 10, combo)) << "the same combination again changes nothing";
    EXPECT_FALSE(session.assignKey(0x7777, 10, combo)) << "no such profile";
    EXPECT_TRUE(session.modified());

    session.discardEdits();
    EXPECT_FALSE(session.modified());
    EXPECT_EQ(session.currentId(), first) << "the saved current profile again";
    EXPECT_EQ(std::memcmp(&session.profile(first)->keys[10], &original, sizeof(KEYINFO)), 0);
}

TEST_F(EditingSessionTest, AFailedSaveNamesTheFileAndTheReasonAndKeepsTheEdits)
{
    EditingSession session;
    session.load();
    test::writeFile(appData() / "plain", "a file where a folder should be");
    SetAppDataFolderOverride(appData() / "plain" / "kavrel");
    session.restoreDefaults();
    CurrentProfile->keys[3].key1 = 0x70;
    const std::optional<QString> failure = session.save();
    ASSERT_TRUE(failure);
    const std::string text = failure->toStdString();
    EXPECT_NE(text.find((appData() / "plain" / "kavrel" / "pro.dct").string()), std::string::npos) << text;
    EXPECT_NE(text.find(std::strerror(ENOTDIR)), std::string::npos) << text;
    EXPECT_TRUE(session.modified()) << "still unsaved";

    SetAppDataFolderOverride(appData());
    EXPECT_FALSE(session.save());
    EXPECT_FALSE(session.modified());
}

// Edits of any kind and any profile are undone and redone in order; undo changes no profile's place as
// current; a successful save, a load and Cancel end the history, a failed save keeps it.
TEST_F(EditingSessionTest, EveryEditIsOneUndoStepUntilItIsSavedOrDropped)
{
    EditingSession session;
    session.load();
    ASSERT_FALSE(session.save());
    std::vector<std::pair<std::uint32_t, std::uint32_t>> changed;
    QObject::connect(&session, &EditingSession::profileChanged,
        [&changed](std::uint32_t id, std::uint32_t flags) { changed.emplace_back(id, flags); });
    QUndoStack& history = session.history().stack();
    const std::uint32_t first = session.buttonProfiles()[0];
    const std::uint32_t second = session.buttonProfiles()[1];
    const PROFILE firstBefore = *session.profile(first);
    const std::uint32_t mode = session.profile(second)->ledMode;

    KEYINFO combo{};
    combo.setFirstWord(std::uint32_t(KindKey) << 24);
    combo.key1 = 'Q';
    ASSERT_TRUE(session.makeCurrent(second));
    ASSERT_TRUE(session.assignKey(first, 10, combo)); // the picker was opened for the first profile
    CurrentProfile->ledMode = (mode + 1) % LedModeCount; // as the lighting page does, then tells the session
    session.recordEdit(ProfileEdit::LightingMode, ApplyLighting);
    session.recordEdit(ProfileEdit::LightingMode, ApplyLighting);
    ASSERT_TRUE(session.restoreDefaults());
    EXPECT_FALSE(session.restoreDefaults()) << "already in its factory state: no step";
    ASSERT_EQ(history.count(), 3) << "an edit that changed nothing adds no step";
    ASSERT_EQ(changed.size(), 1u) << "the window shows and applies its own edits; the session's it is told";
    EXPECT_EQ(changed.back(), std::make_pair(second, ApplyAll));

    history.undo();
    EXPECT_EQ(session.profile(second)->ledMode, (mode + 1) % LedModeCount);
    EXPECT_EQ(changed.back(), std::make_pair(second, ApplyAll)) << "undone as the edit was applied";
    history.undo();
    EXPECT_EQ(session.profile(second)->ledMode, mode);
    EXPECT_EQ(changed.back(), std::make_pair(second, ApplyLighting));
    history.undo();
    EXPECT_EQ(std::memcmp(session.profile(first), &firstBefore, ProfileSize), 0);
    EXPECT_EQ(changed.back(), std::make_pair(first, ApplyMatrixAndMacros));
    EXPECT_EQ(session.currentId(), second) << "undo does not change which profile is current";
    history.redo();
    EXPECT_EQ(session.profile(first)->keys[10].key1, 'Q');
    history.undo();
    ASSERT_TRUE(session.makeCurrent(first));
    EXPECT_FALSE(session.modified()) << "every edit undone, the saved current profile again: nothing to save";
    session.discardEdits();
    EXPECT_EQ(history.count(), 0) << "Cancel drops the steps left to redo too";

    ASSERT_EQ(session.commands().rename(second, "Racing"), "");
    test::writeFile(appData() / "plain", "a file where a folder should be");
    SetAppDataFolderOverride(appData() / "plain" / "kavrel");
    ASSERT_TRUE(session.save());
    EXPECT_EQ(history.count(), 1) << "a failed save stores nothing: the edit can still be taken back";
    SetAppDataFolderOverride(appData());
    ASSERT_FALSE(session.save());
    EXPECT_EQ(history.count(), 0);
    EXPECT_EQ(profileName(*session.profile(second)), "Racing");
}

TEST_F(EditingSessionTest, SwitchingWaitsWhileTheGateIsClosed)
{
    bool open = true;
    EditingSession session;
    session.setSwitchGate([&open] { return !open; });
    ASSERT_TRUE(session.connectKeyboard(platform::standardErrorSink()));
    session.load();
    const std::uint32_t first = session.currentId();
    const std::u16string self = u"test_ui"; // this very program runs
    std::copy(self.begin(), self.end(), std::next(ProfileList.begin())->programName);
    for (int i = 0; i < 3; ++i)
        session.autoSwitchTick();
    EXPECT_FALSE(session.autoSwitchPending());
    EXPECT_EQ(session.currentId(), first);

    // The switch goes ahead once the gate opens; a failed save of the current id is reported, not hidden.
    QString failure;
    QObject::connect(&session, &EditingSession::saveFailed, [&failure](const QString& text) { failure = text; });
    test::writeFile(appData() / "plain", "a file where a folder should be");
    SetAppDataFolderOverride(appData() / "plain" / "kavrel");
    open = false;
    session.autoSwitchTick();
    ASSERT_TRUE(test::waitFor([&] { return !session.autoSwitchPending(); }));
    EXPECT_EQ(session.currentId(), session.buttonProfiles()[1]);
    EXPECT_NE(failure.toStdString().find("curid.dct"), std::string::npos) << failure.toStdString();
    SetAppDataFolderOverride(appData());
}

TEST_F(EditingSessionTest, AnArrivalIsRetriedWithGrowingPausesUntilTheKeyboardIsFound)
{
    EXPECT_GE(std::accumulate(ArrivalRetry::defaultSchedule().begin(), ArrivalRetry::defaultSchedule().end(), 0), 3000)
        << "a few seconds: the node and its rights come late";
    int calls = 0;
    ArrivalRetry retry([&calls] { return ++calls == 4; }, {1, 2, 4, 8, 16});
    bool found = false;
    bool gaveUp = false;
    QObject::connect(&retry, &ArrivalRetry::found, [&found] { found = true; });
    QObject::connect(&retry, &ArrivalRetry::gaveUp, [&gaveUp] { gaveUp = true; });
    retry.start();
    ASSERT_TRUE(test::waitFor([&] { return found; }));
    EXPECT_EQ(calls, 4);
    EXPECT_FALSE(retry.running());

    calls = -100; // never found
    retry.start();
    ASSERT_TRUE(test::waitFor([&] { return gaveUp; }));
    EXPECT_EQ(retry.triesMade(), 5);

    // The session clears the link on removal and finds the keyboard again on arrival.
    EditingSession session;
    ASSERT_TRUE(session.connectKeyboard(platform::standardErrorSink()));
    bool removed = false;
    QObject::connect(&session, &EditingSession::keyboardRemoved, [&removed] { removed = true; });
    char name[64];
    std::snprintf(
        name, sizeof name, "/sys/devices/x/0003:%04X:%04X.0001/hidraw/hidraw1", unsigned(Cfg.VID), unsigned(Cfg.PID));
    session.deviceNotice(platform::DeviceRemoveComplete, platform::noticeFromHidrawEvent("remove", name)->path);
    EXPECT_TRUE(removed);
    EXPECT_FALSE(session.devicePresent());
    session.deviceNotice(platform::DeviceArrival, platform::noticeFromHidrawEvent("add", name)->path);
    EXPECT_TRUE(test::waitFor([&] { return session.devicePresent(); }));
}

} // namespace
} // namespace kavrel

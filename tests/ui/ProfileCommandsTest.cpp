// A profile button's commands without a window: refused names and files
// change nothing, each accepted command is one undo step, an import keeps the
// slot's id and puts the macros into the library, and undo gives every
// profile its old record back.

#include "ui/ProfileCommands.h"

#include "UiTestSupport.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "device/ApplySetting.h"
#include "device/ApplyWorker.h"
#include "device/CUSBDriver.h"
#include "macro/Macro.h"
#include "macro/MacroList.h"
#include "macro/ProfileFile.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"
#include "platform/KeyboardLayout.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace kavrel;
namespace fs = std::filesystem;

namespace {

class ProfileCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::loadConfigQuietly(test::readFile(test::buildBinDir() / "cfg.ini"));
        LoadTexts((test::buildBinDir() / "text.xml").string());
        platform::setActiveKeyboardLayout(platform::KeyboardLayout::fromNames("us"));
        SetAppDataFolderOverride(m_dir / "data");
        MacroList.clear();
        OpenStore();
        for (const PROFILE& profile : ProfileList)
            m_ids.push_back(profile.id);
        m_history.setBase(CurrentProfile);
    }
    void TearDown() override
    {
        ProfileList.clear();
        CurrentProfile = nullptr;
        MacroList.clear();
    }

    PROFILE record(int index) const
    {
        PROFILE out;
        ProfileCommands::copyOf(m_ids[std::size_t(index)], out);
        return out;
    }

    test::TempDir m_dir;
    std::vector<std::uint32_t> m_ids;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_changes;
    ProfileEditHistory m_history{[this](const PROFILE& restored, std::uint32_t flags) {
        PROFILE* target = nullptr;
        for (PROFILE& p : ProfileList)
            if (p.id == restored.id)
                target = &p;
        *target = restored;
        m_changes.emplace_back(restored.id, flags);
    }};
    ProfileCommands m_commands{
        m_history, [this](std::uint32_t id, std::uint32_t flags) { m_changes.emplace_back(id, flags); }};
};

bool same(const PROFILE& a, const PROFILE& b)
{
    return std::memcmp(&a, &b, ProfileSize) == 0;
}

} // namespace

TEST_F(ProfileCommandsTest, NamesAndProgramsAreCheckedThenOneUndoStepEach)
{
    const PROFILE start = record(2);
    EXPECT_EQ(m_commands.rename(m_ids[2], ""), "A profile name cannot be empty.");
    EXPECT_EQ(m_commands.rename(m_ids[2], std::string(20, 'x')), "A profile name can have at most 19 characters.");
    EXPECT_EQ(m_commands.rename(m_ids[2], "tab\there"), "A profile name cannot contain control characters.");
    EXPECT_EQ(
        m_commands.setProgram(m_ids[2], std::string(260, 'p')), "A program name can have at most 259 characters.");
    EXPECT_EQ(m_commands.setProgram(m_ids[2], "C:\\Games\\x.exe"),
        "A program name is the program's file name, without its folder.");
    EXPECT_TRUE(same(record(2), start));
    EXPECT_EQ(m_history.stack().count(), 0);
    EXPECT_TRUE(m_changes.empty());

    EXPECT_EQ(m_commands.rename(m_ids[2], "Shooter"), "");
    EXPECT_EQ(m_commands.setProgram(m_ids[2], "hl2_linux"), "");
    EXPECT_EQ(m_commands.setProgram(m_ids[2], "hl2_linux"), "") << "the same value again: no step";
    EXPECT_EQ(profileName(record(2)), "Shooter");
    EXPECT_EQ(profileProgramName(record(2)), "hl2_linux");
    EXPECT_EQ(m_history.stack().count(), 2);
    EXPECT_EQ(m_changes.back(), std::make_pair(m_ids[2], 0u)) << "a name or program is not sent to the keyboard";

    m_history.stack().undo();
    EXPECT_EQ(profileProgramName(record(2)), "");
    m_history.stack().undo();
    EXPECT_TRUE(same(record(2), start));
    m_history.stack().redo();
    EXPECT_EQ(profileName(record(2)), "Shooter");

    m_commands.restoreDefaults(m_ids[2]);
    EXPECT_EQ(m_history.stack().count(), 2) << "a profile in its factory state: restoring changes nothing";
    EXPECT_EQ(m_commands.setProgram(m_ids[2], "game"), "");
    m_commands.restoreDefaults(m_ids[2]);
    EXPECT_EQ(profileName(record(2)), "Shooter") << "restoring keeps the name";
    EXPECT_EQ(profileProgramName(record(2)), "") << "and turns automatic switching off, as a new profile has it";
    EXPECT_EQ(m_changes.back(), std::make_pair(m_ids[2], ApplyAll));
}

TEST_F(ProfileCommandsTest, ImportKeepsTheSlotAndUndoGivesTheOldRecordBack)
{
    // A file made from a profile whose key 10 plays a macro.
    PROFILE shared;
    NewProfile("Shared", shared);
    shared.ledMode = 7;
    StMacro macro = NewBlankMacro("Burst");
    macro.Events[0] = {0x41, 1, 10};
    macro.Events[1] = {0x41, 0, 10};
    shared.keys[10].setFirstWord(std::uint32_t(KindMacro) << 24);
    shared.keys[10].macroId = macro.dwId;
    const std::vector<std::uint8_t> bytes = encodeProfileFile(shared, std::span(&macro, 1));
    test::writeFile(m_dir / "shared.kavrel-profile", std::string(bytes.begin(), bytes.end()));
    test::writeFile(m_dir / "cut.kavrel-profile", std::string(bytes.begin(), bytes.end() - 1));

    const PROFILE start = record(1);
    const std::string refused = m_commands.importFrom(m_ids[1], m_dir / "cut.kavrel-profile");
    EXPECT_EQ(refused.rfind(Text("tc_pf_import_failed"), 0), 0u) << refused;
    EXPECT_NE(refused.find("cut short"), std::string::npos) << refused;
    EXPECT_TRUE(same(record(1), start));
    EXPECT_TRUE(MacroList.empty());
    EXPECT_FALSE(fs::exists(m_dir / "data" / "Mac"));
    EXPECT_EQ(m_history.stack().count(), 0);

    ASSERT_EQ(m_commands.importFrom(m_ids[1], m_dir / "shared.kavrel-profile"), "");
    const PROFILE imported = record(1);
    EXPECT_EQ(imported.id, m_ids[1]);
    EXPECT_EQ(profileName(imported), "Shared");
    EXPECT_EQ(imported.ledMode, 7u);
    ASSERT_EQ(MacroList.count(), 1);
    const std::uint32_t burstId = MacroList.head()->record->dwId; // a packed field: compared by value
    EXPECT_EQ(imported.keys[10].macroId, burstId);
    EXPECT_TRUE(fs::exists(m_dir / "data" / "Mac" / "Shared" / "Burst.mck"));
    EXPECT_EQ(m_changes.back(), std::make_pair(m_ids[1], ApplyAll));

    m_history.stack().undo();
    EXPECT_TRUE(same(record(1), start));
    m_history.stack().redo();
    EXPECT_TRUE(same(record(1), imported));

    // Export gives back a file that imports to the same record.
    ASSERT_EQ(m_commands.exportTo(m_ids[1], m_dir / "again.kavrel-profile"), "");
    ASSERT_EQ(m_commands.importFrom(m_ids[2], m_dir / "again.kavrel-profile"), "");
    PROFILE third = record(2);
    third.id = imported.id;
    third.keys[10].macroId = imported.keys[10].macroId; // the copy of Burst has a new id
    EXPECT_TRUE(same(third, imported));
    EXPECT_NE(m_commands.exportTo(m_ids[2], m_dir / "no" / "folder.kavrel-profile"), "");
}

namespace {

// Progress of one apply, as the worker reports it from its thread.
struct ApplyWatch : ApplyProgress {
    std::atomic<bool> started{false};
    std::atomic<bool> closed{false};
    void progress(int) override { started = true; }
    void close() override { closed = true; }
};

} // namespace

// An import into the profile the keyboard is being written with: the apply in flight writes the profile as
// it was when it started, whole; the import is in the profile and reaches the keyboard with the next apply.
TEST_F(ProfileCommandsTest, ImportWhileTheKeyboardIsBeingWritten)
{
    const fs::path state = m_dir / "sim.state";
    setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
    setenv("KAVREL_SIM_STATE", state.c_str(), 1);
    setenv("KAVREL_SIM_OPTIONS", "delay=150", 1);
    CUSBDriver link;
    ASSERT_TRUE(link.Init());
    ASSERT_TRUE(link.FindDev());
    StartApplyWorker(link);
    auto simState = [&] { return test::runKavrelCli("sim-state", "KAVREL_SIM_STATE=" + state.string()).out; };

    PROFILE shared;
    NewProfile("Shared", shared);
    shared.ledMode = 7;
    const std::vector<std::uint8_t> bytes = encodeProfileFile(shared, {});
    test::writeFile(m_dir / "shared.kavrel-profile", std::string(bytes.begin(), bytes.end()));
    const std::uint32_t before = CurrentProfile->ledMode;
    ASSERT_NE(before, 7u);

    ApplyWatch first;
    RequestApply(ApplyAll, &first);
    ASSERT_TRUE(test::waitFor([&] { return first.started.load(); }, 10000));
    ASSERT_EQ(m_commands.importFrom(CurrentProfile->id, m_dir / "shared.kavrel-profile"), "");
    EXPECT_EQ(CurrentProfile->ledMode, 7u);
    ASSERT_TRUE(test::waitFor([&] { return first.closed.load(); }, 20000));
    EXPECT_NE(simState().find("lighting: mode " + std::to_string(before) + ","), std::string::npos) << simState();

    ApplyWatch second;
    RequestApply(ApplyAll, &second);
    ASSERT_TRUE(test::waitFor([&] { return second.closed.load(); }, 20000));
    EXPECT_NE(simState().find("lighting: mode 7,"), std::string::npos) << simState();
    StopApplyWorker();
    unsetenv("KAVREL_SIM_OPTIONS");
    unsetenv("KAVREL_SIM_STATE");
    unsetenv("KAVREL_HIDGATE");
}

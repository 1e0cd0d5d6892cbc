// kavrel-cli profiles, show, macros and macro-show against real store files
// and a real macro library; none of them writes anything.

#include "app/Config.h"
#include "app/Paths.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/wait.h>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

CommandRun runCli(const TempDir& appData, const std::string& args)
{
    return runKavrelCli("--appdata-dir " + appData.path().string() + " " + args);
}

bool contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

// Two saved profiles: "Game" (program game.exe, key A as L-Ctrl + C, lighting
// mode 7) and "Work"; curid.dct names Work.
void writeStore(const TempDir& appData)
{
    loadConfigQuietly(readFile(buildBinDir() / "cfg.ini"));
    SetAppDataFolderOverride(appData.path());
    ProfileList.clear();
    auto* game = new PROFILE;
    NewProfile("Game", *game);
    game->id = 0x1A2B3C;
    std::memcpy(game->programName, u"game.exe", 16);
    game->keys[50].modifiers = 0x01;
    game->keys[50].key1 = 0x43;
    game->ledMode = 7;
    game->ledLevels[7] = {1, 2};
    auto* work = new PROFILE;
    NewProfile("Work", *work);
    work->id = 0x00BEEF;
    ProfileList.append(game);
    ProfileList.append(work);
    CurrentProfile = work;
    ASSERT_TRUE(SaveProfiles());
    ASSERT_TRUE(SaveCurrentId());
    ProfileList.clear();
    CurrentProfile = nullptr;
}

std::string mckOf(std::uint32_t id, std::string_view name, std::initializer_list<StMacroEvent> events)
{
    StMacro m;
    std::memset(&m, 0, sizeof m);
    m.dwMagicNumber = MacroMagic;
    m.dwId = id;
    m.dwAutoDelay = 1;
    m.dwLoopMode = 0;
    m.wLoopCount = 3;
    setMacroName(m, name);
    int i = 0;
    for (const StMacroEvent& e : events)
        m.Events[i++] = e;
    const MacroFileBytes bytes = EncodeMacroFile(m);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(CliProfiles, EmptyStoreShowsThreeNewProfilesAndWritesNothing)
{
    TempDir appData;
    const CommandRun run = runCli(appData, "profiles");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "Profile 1")) << run.out;
    EXPECT_TRUE(contains(run.out, "Profile 3"));
    const CommandRun json = runCli(appData, "profiles --json");
    EXPECT_TRUE(contains(json.out, "\"index\": 1, \"id\": \"0x")) << json.out;
    EXPECT_TRUE(contains(json.out, "\"name\": \"Profile 1\", \"programName\": \"\", \"current\": true"));
    EXPECT_TRUE(contains(json.out, "\"name\": \"Profile 3\", \"programName\": \"\", \"current\": false"));
    EXPECT_TRUE(fs::is_empty(appData.path()));
    EXPECT_EQ(runCli(appData, "profiles extra").status, 2);
}

TEST(CliProfiles, ListsTheStoreAndShowsChangedKeys)
{
    TempDir appData;
    writeStore(appData);
    const std::string before = readFile(appData / "pro.dct");

    const CommandRun list = runCli(appData, "profiles --json");
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(contains(list.out,
        "{\"index\": 1, \"id\": \"0x1A2B3C\", \"name\": \"Game\", \"programName\": "
        "\"game.exe\", \"current\": false}"))
        << list.out;
    EXPECT_TRUE(contains(list.out,
        "{\"index\": 2, \"id\": \"0x00BEEF\", \"name\": \"Work\", \"programName\": "
        "\"\", \"current\": true}"));
    EXPECT_TRUE(contains(list.out, "\"index\": 5")); // two loaded, then three new ones

    for (const std::string which : {"1", "0x1A2B3C", "Game"}) {
        const CommandRun show = runCli(appData, "show " + which + " --json");
        EXPECT_EQ(show.status, 0) << which;
        EXPECT_TRUE(contains(show.out, "\"id\": \"0x1A2B3C\"")) << show.out;
        EXPECT_TRUE(contains(show.out, "\"mode\": 7"));
        EXPECT_TRUE(contains(show.out, "\"key\": \"A\", \"assignment\": \"L-Ctrl + C\"}"));
    }
    const CommandRun text = runCli(appData, "show Game");
    EXPECT_TRUE(contains(text.out, "  mode 7: speed 1, brightness 2")) << text.out;
    EXPECT_TRUE(contains(text.out, "  A -> L-Ctrl + C"));
    EXPECT_TRUE(contains(runCli(appData, "show Work").out, "changed keys:\n  none"));
    EXPECT_EQ(runCli(appData, "show 9").status, 1);
    EXPECT_EQ(runCli(appData, "show Nobody").status, 1);
    EXPECT_EQ(runCli(appData, "show").status, 2);
    EXPECT_EQ(readFile(appData / "pro.dct"), before);
}

TEST(CliMacros, ListsTheLibraryAndShowsOneFile)
{
    TempDir appData;
    fs::create_directories(appData / "Mac" / "Shooter");
    writeFile(appData / "Mac" / "Shooter" / "burst.mck", mckOf(0x0ABCDE, "Burst", {{0xF0, 1, 20}, {0xF0, 0, 30}}));
    writeFile(appData / "Mac" / "copy.mck", mckOf(0x000101, "Copy", {{0xA2, 1, 10}, {0x43, 1, 10}}));
    writeFile(appData / "Mac" / "broken.mck", "nothing");

    const CommandRun list = runCli(appData, "macros --json");
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(contains(list.out,
        "{\"id\": \"0x0ABCDE\", \"file\": \"Shooter/burst.mck\", \"name\": \"Burst\", "
        "\"loopMode\": 0, \"loopCount\": 3, \"events\": 2}"))
        << list.out;
    EXPECT_TRUE(contains(list.out, "\"file\": \"copy.mck\""));
    EXPECT_FALSE(contains(list.out, "broken"));

    const CommandRun show = runCli(appData, "macro-show " + (appData / "Mac" / "Shooter" / "burst.mck").string());
    EXPECT_EQ(show.status, 0);
    EXPECT_TRUE(contains(show.out, "name: Burst")) << show.out;
    EXPECT_TRUE(contains(show.out, "Left button  press   20 ms"));
    const CommandRun json = runCli(appData, "macro-show " + (appData / "Mac" / "copy.mck").string() + " --json");
    EXPECT_TRUE(contains(json.out, "{\"key\": 67, \"name\": \"C\", \"action\": \"press\", \"delay\": 10}")) << json.out;

    const CommandRun rejected = runCli(appData, "macro-show " + (appData / "Mac" / "broken.mck").string());
    EXPECT_EQ(rejected.status, 1);
    EXPECT_EQ(rejected.out, "Read macro file failed. error=0x0\n");
    writeFile(appData / "zero.mck", std::string(900, '\0'));
    EXPECT_EQ(
        runCli(appData, "macro-show " + (appData / "zero.mck").string()).out, "This is not a valid macro file.\n");
    EXPECT_EQ(runCli(appData, "macro-show").status, 2);
}

// Names a user copies from `macros` or from the window: a macro key shows the macro's name as the window does, and
// macro-show finds a library macro by its file name, its path below the library or its title.
TEST(CliMacros, ShowNamesMacroKeysAndMacroShowFindsLibraryNames)
{
    TempDir appData;
    writeStore(appData);
    fs::create_directories(appData / "Mac" / "Shooter");
    writeFile(appData / "Mac" / "Comboone.mck", mckOf(0x0C0DE1, "Comboone", {{0x41, 1, 10}, {0x41, 0, 10}}));
    writeFile(appData / "Mac" / "Shooter" / "burst.mck", mckOf(0x0ABCDE, "Burst", {{0xF0, 1, 20}, {0xF0, 0, 30}}));
    // Key Z (entry 74 of the default model) of profile Game holds the macro.
    loadConfigQuietly(readFile(buildBinDir() / "cfg.ini"));
    SetAppDataFolderOverride(appData.path());
    OpenStore();
    PROFILE& game = *ProfileList.head()->record;
    int z = -1;
    for (int i = 0; i < KeyCount; ++i)
        if (KeyTable[std::size_t(i)].kind == KindKey && KeyTable[std::size_t(i)].key1 == 0x5A)
            z = i;
    ASSERT_GE(z, 0);
    game.keys[z].setFirstWord(std::uint32_t(KindMacro) << 24);
    game.keys[z].macroId = 0x0C0DE1;
    ASSERT_TRUE(SaveProfiles());
    ProfileList.clear();
    CurrentProfile = nullptr;

    const CommandRun show = runCli(appData, "show Game");
    EXPECT_TRUE(contains(show.out, "  Z -> Macro - Comboone\n")) << show.out;

    for (const std::string name : {"Comboone.mck", "Comboone", "comboone", "Shooter/burst.mck", "burst"}) {
        const CommandRun byName = runCli(appData, "macro-show " + name);
        EXPECT_EQ(byName.status, 0) << name << ": " << byName.out;
        EXPECT_TRUE(contains(byName.out, "events: 2")) << name;
    }
    const CommandRun missing = runCli(appData, "macro-show Nothing.mck");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.out, "no macro file or library macro named Nothing.mck")) << missing.out;
}

// kavrel-cli profile, export and import against real store files, a real
// macro library and the simulated keyboard's capture (reports).

#include "app/Config.h"
#include "app/Paths.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/ProfileFile.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <regex>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CliProfileFile : public ::testing::Test {
protected:
    // Profile 1 "Game": key Z plays Fire (0x0C0DE1, Mac/Fire.mck), key X plays Burst (0x0ABCDE,
    // Mac/Shooter/burst.mck), lighting mode 7. Profiles 2 and 3 are new.
    void writeGame()
    {
        loadConfigQuietly(readFile(buildBinDir() / "cfg.ini"));
        SetAppDataFolderOverride(data());
        fs::create_directories(data() / "Mac" / "Shooter");
        writeMacro(data() / "Mac" / "Fire.mck", 0x0C0DE1, "Fire", 0x41);
        writeMacro(data() / "Mac" / "Shooter" / "burst.mck", 0x0ABCDE, "Burst", 0xF0);
        OpenStore();
        PROFILE& game = *ProfileList.head()->record;
        setProfileName(game, "Game");
        for (int i = 0; i < KeyCount; ++i) {
            KEYINFO& key = game.keys[i];
            if (KeyTable[std::size_t(i)].kind != KindKey || (key.key1 != 0x5A && key.key1 != 0x58))
                continue;
            const std::uint32_t id = key.key1 == 0x5A ? 0x0C0DE1 : 0x0ABCDE;
            key.setFirstWord(std::uint32_t(KindMacro) << 24);
            key.macroId = id;
        }
        game.ledMode = 7;
        ASSERT_TRUE(SaveProfiles());
        ProfileList.clear();
        CurrentProfile = nullptr;
    }

    static void writeMacro(const fs::path& path, std::uint32_t id, std::string_view name, int key)
    {
        StMacro m;
        std::memset(&m, 0, sizeof m);
        m.dwMagicNumber = MacroMagic;
        m.dwId = id;
        m.dwAutoDelay = 1;
        m.wLoopCount = 3;
        setMacroName(m, name);
        m.Events[0] = {std::uint16_t(key), 1, 20};
        m.Events[1] = {std::uint16_t(key), 0, 30};
        const MacroFileBytes bytes = EncodeMacroFile(m);
        writeFile(path, std::string(bytes.begin(), bytes.end()));
    }

    // The file with its second macro's bytes zeroed and the checksum made right again.
    static std::string withZeroSecondMacro(std::string file)
    {
        std::fill(file.begin() + 24 + 11596 + 834, file.end(), '\0');
        const std::uint32_t crc = profileFileCrc(
            {reinterpret_cast<const std::uint8_t*>(file.data()) + ProfileFileHeaderSize, file.size() - 24});
        std::memcpy(file.data() + 16, &crc, 4);
        return file;
    }

    CommandRun cli(const std::string& args) { return runKavrelCli("--appdata-dir " + data().string() + " " + args); }
    fs::path data() const { return m_dir / "data"; }
    std::string store() const { return fs::exists(data() / "pro.dct") ? readFile(data() / "pro.dct") : ""; }

    TempDir m_dir;
};

// A profile's show output without what may differ between two slots (index, id, current).
std::string showWithoutIdentity(const std::string& json)
{
    return std::regex_replace(
        json, std::regex(R"("index": \d+, "id": "0x[0-9A-F]+", (.*), "current": (true|false))"), R"($1)");
}

} // namespace

TEST_F(CliProfileFile, NamesAndProgramsAreStoredOrRefusedWithTheReason)
{
    EXPECT_EQ(cli("profile 3 --name Shooter --program hl2_linux").status, 0);
    EXPECT_TRUE(has(cli("profiles").out, "Shooter")) << cli("profiles").out;
    const CommandRun shown = cli("show 3 --json");
    EXPECT_TRUE(has(shown.out, "\"name\": \"Shooter\", \"programName\": \"hl2_linux\"")) << shown.out;
    EXPECT_TRUE(has(cli("profile Shooter --program Game.exe").out, "switches when Game.exe runs"));
    EXPECT_TRUE(has(cli("show 3").out, "program: Game.exe"));

    const std::string stored = store();
    struct Refusal {
        std::string args;
        std::string reason;
    };
    const std::vector<Refusal> refused = {
        {"profile 3 --name ''", "cannot be empty"},
        {"profile 3 --name " + std::string(20, 'n'), "at most 19 characters"},
        {"profile 3 --name \"$(printf 'Tab\\there')\"", "control characters"},
        {"profile 3 --program " + std::string(260, 'p'), "at most 259 characters"},
        {"profile 3 --program /usr/bin/game", "without its folder"},
        {"profile 3 --name Fine --program \"$(printf 'a\\nb')\"", "control characters"},
        {"profile 9 --name Nine", "no profile 9"},
    };
    for (const Refusal& r : refused) {
        const CommandRun run = runKavrelCli(
            "--appdata-dir " + data().string() + " " + r.args + " 2>&1 >/dev/null | grep -q '" + r.reason + "'");
        EXPECT_EQ(run.status, 0) << r.args << " should say: " << r.reason;
        EXPECT_EQ(cli(r.args).status, 1) << r.args;
        EXPECT_TRUE(store() == stored) << r.args << " changed the store";
    }
    for (const std::string usage : {"profile", "profile 3", "profile 3 --name", "profile 3 --program ''",
             "profile 3 --colour red", "profile 1 2 --name x"})
        EXPECT_EQ(cli(usage).status, 2) << usage;

    EXPECT_EQ(cli("profile 3 --no-program").status, 0);
    EXPECT_TRUE(has(cli("show Shooter --json").out, "\"programName\": \"\""));
}

// Export, import into another slot: the same lighting, keys and macros (by name) there, the same reports.
TEST_F(CliProfileFile, RoundTripIntoAnotherSlotIsIdenticalButForTheId)
{
    writeGame();
    const std::string file = (m_dir / "game.kavrel-profile").string();
    const CommandRun exported = cli("export 1 " + file);
    ASSERT_EQ(exported.status, 0);
    EXPECT_TRUE(has(exported.out, "exported profile \"Game\" with 2 macros")) << exported.out;
    EXPECT_EQ(cli("export 1 " + file).status, 1) << "an existing file is replaced only with --force";
    EXPECT_EQ(cli("export 1 " + file + " --force").status, 0);

    const std::string id2 = std::regex_replace(
        cli("profiles --json").out, std::regex(R"re([\s\S]*"index": 2, "id": "(0x[0-9A-F]+)"[\s\S]*)re"), "$1");
    const CommandRun imported = cli("import 2 " + file);
    ASSERT_EQ(imported.status, 0) << imported.out;
    const std::string one = cli("show 1 --json").out;
    const std::string two = cli("show 2 --json").out;
    EXPECT_TRUE(has(two, "\"id\": \"" + id2 + "\"")) << "the slot keeps its id: " << two;
    EXPECT_TRUE(has(two, "\"assignment\": \"Macro - Fire\"")) << two;
    EXPECT_TRUE(has(two, "\"assignment\": \"Macro - Burst\"")) << two;
    EXPECT_EQ(showWithoutIdentity(one), showWithoutIdentity(two)) << one << two;
    EXPECT_EQ(cli("reports 1").out, cli("reports 2").out);
    // The library had both ids already: the copies in the group "Game" have new ones, the originals are untouched.
    const std::string macros = cli("macros --json").out;
    EXPECT_TRUE(has(macros, "\"id\": \"0x0C0DE1\", \"file\": \"Fire.mck\"")) << macros;
    EXPECT_TRUE(has(macros, "\"file\": \"Game/Fire.mck\", \"name\": \"Fire\"")) << macros;
    EXPECT_FALSE(has(macros, "\"id\": \"0x0C0DE1\", \"file\": \"Game/Fire.mck\""));
}

TEST_F(CliProfileFile, BrokenFilesChangeNothingAndClashingNamesGetNewOnes)
{
    writeGame();
    const std::string file = (m_dir / "game.kavrel-profile").string();
    ASSERT_EQ(cli("export 1 " + file).status, 0);
    fs::create_directories(data() / "Mac" / "Game");
    writeFile(data() / "Mac" / "Game" / "fire.mck", "someone else's file");

    const std::string before = store();
    const std::string good = readFile(file);
    const std::vector<std::pair<std::string, std::string>> broken = {
        {"cut short", good.substr(0, good.size() - 1)},
        {"longer than its header says", good + "x"},
        {"not a Kavrel profile file", "garbage"},
        {"has version 9", good.substr(0, 8) + '\x09' + good.substr(9)},
        {"checksum does not match", good.substr(0, 100) + char(good[100] ^ 1) + good.substr(101)},
        {"Macro 2 of the profile file cannot be used: This is not a valid macro file", withZeroSecondMacro(good)},
    };
    const std::string brokenFile = (m_dir / "broken.kavrel-profile").string();
    for (const auto& [reason, bytes] : broken) {
        writeFile(brokenFile, bytes);
        const CommandRun run = runKavrelCli("--appdata-dir " + data().string() + " import 3 " + brokenFile
            + " 2>&1 | grep -q '" + reason + ".*Nothing was changed'");
        EXPECT_EQ(run.status, 0) << reason;
        EXPECT_EQ(cli("import 3 " + brokenFile).status, 1);
        EXPECT_TRUE(store() == before) << reason;
    }
    EXPECT_EQ(cli("import 3 " + (m_dir / "missing.kavrel-profile").string()).status, 1);
    EXPECT_EQ(cli("import 3").status, 2);
    EXPECT_EQ(cli("import 9 " + file).status, 1);
    EXPECT_TRUE(store() == before);
    EXPECT_EQ(fs::directory_iterator(data() / "Mac" / "Game")->path().filename(), "fire.mck");

    const CommandRun imported = cli("import 3 " + file);
    ASSERT_EQ(imported.status, 0);
    EXPECT_TRUE(has(imported.out, "imported \"Game\" into profile")) << imported.out;
    EXPECT_TRUE(has(imported.out, "Game/Fire (2).mck (name or id was taken: new name and id)")) << imported.out;
    EXPECT_EQ(readFile(data() / "Mac" / "Game" / "fire.mck"), "someone else's file");
    EXPECT_TRUE(has(cli("show 3").out, "Z -> Macro - Fire (2)")) << cli("show 3").out;
    EXPECT_EQ(cli("reports 1").out, cli("reports 3").out);
}

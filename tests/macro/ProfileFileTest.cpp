// .kavrel-profile files: the header's bytes, every way a file can be broken
// (each refused with its own message, nothing taken from it), export of the
// macros a profile uses, and imports that never touch an existing file.

#include "macro/ProfileFile.h"
#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroList.h"
#include "platform/KeyboardLayout.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        loadConfigQuietly(readFile(sourceDir() / "data/models/ansi/cfg.ini"));
        LoadTextsFromBytes("<t><config><tc_proname>Profile </tc_proname></config></t>");
        platform::setActiveKeyboardLayout(platform::KeyboardLayout::fromNames("us"));
        SetAppDataFolderOverride(m_dir.path());
        MacroList.clear();
    }
    void TearDown() override { MacroList.clear(); }

    // By value: the id is a packed field, and a reference to it would be misaligned.
    static std::uint32_t idOf(const StMacro& m) { return m.dwId; }

    static StMacro macro(std::uint32_t id, std::string_view name, int key = 0x41)
    {
        StMacro m;
        std::memset(&m, 0, sizeof m);
        m.dwMagicNumber = MacroMagic;
        m.dwId = id;
        m.dwAutoDelay = 1;
        m.wLoopCount = 2;
        setMacroName(m, name);
        m.Events[0] = {std::uint16_t(key), 1, 10};
        m.Events[1] = {std::uint16_t(key), 0, 10};
        return m;
    }

    // Profile "Game": key 10 plays macro 0x111111, key 20 macro 0x222222, key 30 macro 0x111111 again.
    static PROFILE game()
    {
        PROFILE p;
        NewProfile("Game", p);
        p.id = 0x0ABCDE;
        setProfileProgramName(p, "game.exe");
        for (const auto& [key, id] : {std::pair{10, 0x111111u}, {20, 0x222222u}, {30, 0x111111u}}) {
            p.keys[key].setFirstWord(std::uint32_t(KindMacro) << 24);
            p.keys[key].macroId = id;
        }
        p.ledMode = 3;
        return p;
    }

    // Rewrites the checksum after a test changed the body on purpose.
    static void fixCrc(Bytes& bytes)
    {
        const std::uint32_t crc = profileFileCrc(std::span(bytes).subspan(ProfileFileHeaderSize));
        std::memcpy(bytes.data() + 16, &crc, 4);
    }

    static PROFILE* recordOf(Bytes& bytes) { return reinterpret_cast<PROFILE*>(bytes.data() + ProfileFileHeaderSize); }

    TempDir m_dir;
};

} // namespace

TEST_F(ProfileFileTest, HeaderBytesAndRoundTrip)
{
    // The check value of CRC-32 as zlib computes it.
    const std::string_view check = "123456789";
    EXPECT_EQ(profileFileCrc({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xCBF43926u);

    const PROFILE p = game();
    StMacro dirty = macro(0x111111, "Fire");
    dirty.dwFlags = MacroDirtyBits;
    dirty.Macro_Buffer_ID = 7;
    const StMacro macros[] = {dirty, macro(0x222222, "Jump")};
    const Bytes bytes = encodeProfileFile(p, macros);
    ASSERT_EQ(bytes.size(), 24u + 11596u + 2u * 834u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 16),
        (Bytes{'K', 'A', 'V', 'R', 'P', 'R', 'O', 'F', 1, 0, 2, 0, 0xE8, 0x33, 0, 0}));
    EXPECT_EQ(Bytes(bytes.begin() + 20, bytes.begin() + 24), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(std::memcmp(bytes.data() + 24, &p, ProfileSize), 0);
    // A macro is its .mck bytes: the rotated magic first, the change bits and device slot cleared.
    EXPECT_EQ(Bytes(bytes.begin() + 11620, bytes.begin() + 11624), (Bytes{0x28, 0x22, 0xFE, 0xBE}));

    const ProfileFileRead read = decodeProfileFile(bytes, 7);
    ASSERT_TRUE(read.ok()) << read.message;
    EXPECT_EQ(std::memcmp(&read.content.profile, &p, ProfileSize), 0);
    ASSERT_EQ(read.content.macros.size(), 2u);
    EXPECT_EQ(read.content.macros[0].dwFlags, 0u);
    EXPECT_EQ(read.content.macros[0].Macro_Buffer_ID, 0);
    EXPECT_EQ(macroName(read.content.macros[1]), "Jump");
}

TEST_F(ProfileFileTest, BrokenFilesAreRefusedEachWithItsMessage)
{
    const StMacro macros[] = {macro(0x111111, "Fire"), macro(0x222222, "Jump")};
    const Bytes good = encodeProfileFile(game(), macros);
    struct Row {
        const char* fault;
        std::function<void(Bytes&)> damage;
        ProfileFileStatus status;
        const char* message;
    };
    const std::size_t firstMacro = 24 + ProfileSize;
    const std::vector<Row> rows = {
        {"empty", [](Bytes& b) { b.clear(); }, ProfileFileStatus::NotProfileFile, "not a Kavrel profile file"},
        {"a store file", [](Bytes& b) { b[0] = 0x94; }, ProfileFileStatus::NotProfileFile, "not a Kavrel"},
        {"header cut", [](Bytes& b) { b.resize(12); }, ProfileFileStatus::Truncated, "cut short (12 bytes)"},
        {"version 2", [](Bytes& b) { b[8] = 2; }, ProfileFileStatus::OtherVersion, "has version 2; this program"},
        {"145 macros", [](Bytes& b) { b[10] = 145; }, ProfileFileStatus::Damaged, "claims 145 macros"},
        {"size field", [](Bytes& b) { b[12] ^= 1; }, ProfileFileStatus::Damaged, "header does not add up"},
        {"reserved header bytes", [](Bytes& b) { b[21] = 1; }, ProfileFileStatus::Damaged, "header does not add up"},
        {"last byte cut", [](Bytes& b) { b.pop_back(); }, ProfileFileStatus::Truncated,
            "cut short (13287 bytes of 13288 bytes)"},
        {"second macro cut", [](Bytes& b) { b.resize(b.size() - 834); }, ProfileFileStatus::Truncated, "cut short"},
        {"a byte too many", [](Bytes& b) { b.push_back(0); }, ProfileFileStatus::Oversized, "longer than its header"},
        {"flipped bit", [](Bytes& b) { b[5000] ^= 0x10; }, ProfileFileStatus::Damaged, "checksum does not match"},
        {"record magic",
            [](Bytes& b) {
                recordOf(b)->magic = 0;
                fixCrc(b);
            },
            ProfileFileStatus::Damaged, "wrong magic number"},
        {"lighting mode 83",
            [](Bytes& b) {
                recordOf(b)->ledMode = 83;
                fixCrc(b);
            },
            ProfileFileStatus::Damaged, "lighting mode 83 does not exist"},
        {"colour set 144",
            [](Bytes& b) {
                recordOf(b)->colorSet = 144;
                fixCrc(b);
            },
            ProfileFileStatus::Damaged, "colour set 144"},
        {"brightness 200",
            [](Bytes& b) {
                recordOf(b)->ledLevels[4].brightness = 200;
                fixCrc(b);
            },
            ProfileFileStatus::Damaged, "speed or brightness"},
        {"no name",
            [](Bytes& b) {
                recordOf(b)->name[0] = 0;
                fixCrc(b);
            },
            ProfileFileStatus::Damaged, "name is empty"},
        {"key kind 7",
            [](Bytes& b) {
                recordOf(b)->keys[3].kind = 7;
                fixCrc(b);
            },
            ProfileFileStatus::Damaged, "key 3 has an unknown kind"},
        {"macro magic",
            [&](Bytes& b) {
                b[firstMacro + 834] ^= 0xFF;
                fixCrc(b);
            },
            ProfileFileStatus::DamagedMacro, "Macro 2 of the profile file cannot be used: This is not a valid macro"},
        {"macro plays scroll down",
            [&](Bytes& b) {
                const MacroFileBytes mck = EncodeMacroFile(macro(0x222222, "Jump", 246));
                std::copy(mck.begin(), mck.end(), b.begin() + std::ptrdiff_t(firstMacro + 834));
                fixCrc(b);
            },
            ProfileFileStatus::DamagedMacro, "unsupported key"},
        {"two macros, one id",
            [&](Bytes& b) {
                const MacroFileBytes mck = EncodeMacroFile(macro(0x111111, "Jump"));
                std::copy(mck.begin(), mck.end(), b.begin() + std::ptrdiff_t(firstMacro + 834));
                fixCrc(b);
            },
            ProfileFileStatus::DamagedMacro, "macro 2 (Jump) has no id of its own"},
        {"key names a macro not in the file",
            [](Bytes& b) {
                recordOf(b)->keys[40].setFirstWord(std::uint32_t(KindMacro) << 24);
                recordOf(b)->keys[40].macroId = 0x333333;
                fixCrc(b);
            },
            ProfileFileStatus::Damaged, "key 40 names a macro the file does not hold"},
    };
    for (const Row& row : rows) {
        Bytes bytes = good;
        row.damage(bytes);
        const ProfileFileRead read = decodeProfileFile(bytes, 7);
        EXPECT_EQ(read.status, row.status) << row.fault;
        EXPECT_NE(read.message.find(row.message), std::string::npos) << row.fault << ": " << read.message;
        EXPECT_TRUE(read.content.macros.empty()) << row.fault;
    }

    // From disk: a missing file, and a file larger than any profile file (only so much is read).
    const ProfileFileRead missing = readProfileFile(m_dir / "none.kavrel-profile", 7);
    EXPECT_EQ(missing.status, ProfileFileStatus::OpenFailed);
    EXPECT_NE(missing.message.find("No such file"), std::string::npos) << missing.message;
    writeFile(m_dir / "huge.kavrel-profile", std::string(ProfileFileMaxSize + 100, 'K'));
    EXPECT_EQ(readProfileFile(m_dir / "huge.kavrel-profile", 7).status, ProfileFileStatus::Oversized);
}

TEST_F(ProfileFileTest, ExportCarriesEachUsedMacroOnceAndDropsKeysWhoseMacroIsGone)
{
    AddToList(macro(0x222222, "Jump"));
    AddToList(macro(0x999999, "Unused"));
    AddToList(macro(0x111111, "Fire"));
    const PROFILE p = game();
    ProfileExport exported = buildProfileExport(p);
    EXPECT_TRUE(exported.droppedKeys.empty());
    ProfileFileRead read = decodeProfileFile(exported.bytes, 7);
    ASSERT_TRUE(read.ok()) << read.message;
    ASSERT_EQ(read.content.macros.size(), 2u); // in key order: key 10's macro first
    EXPECT_EQ(idOf(read.content.macros[0]), 0x111111u);
    EXPECT_EQ(idOf(read.content.macros[1]), 0x222222u);

    RemoveMacroById(0x222222);
    exported = buildProfileExport(p);
    EXPECT_EQ(exported.droppedKeys, std::vector<int>{20});
    read = decodeProfileFile(exported.bytes, 7);
    ASSERT_TRUE(read.ok()) << read.message;
    EXPECT_TRUE(sameAssignment(read.content.profile.keys[20], KeyTable[20]));
    EXPECT_EQ(read.content.macros.size(), 1u);

    std::string message;
    EXPECT_FALSE(exportProfileFile(p, m_dir / "no" / "folder.kavrel-profile", &message));
    EXPECT_NE(message.find("cannot be written"), std::string::npos) << message;
    EXPECT_TRUE(exportProfileFile(p, m_dir / "game.kavrel-profile", &message));
    EXPECT_TRUE(readProfileFile(m_dir / "game.kavrel-profile", 7).ok());
}

TEST_F(ProfileFileTest, ImportKeepsTheSlotIdAndNeverTouchesExistingFiles)
{
    const StMacro macros[] = {macro(0x111111, "Fire"), macro(0x222222, "Jump")};
    const ProfileFileRead read = decodeProfileFile(encodeProfileFile(game(), macros), 7);
    ASSERT_TRUE(read.ok());
    const std::string root = (m_dir / "Mac").string();
    // The library already has a "fire" file in the group (another case) and a macro with Jump's id elsewhere.
    fs::create_directories(m_dir / "Mac" / "Game");
    writeFile(m_dir / "Mac" / "Game" / "fire.mck", "someone else's file");
    AddToList(macro(0x222222, "Other"));

    const ProfileImportPlan plan = planProfileImport(read.content, 0x000777, {.libraryRoot = root, .groups = true});
    EXPECT_EQ(plan.group, "Game");
    EXPECT_EQ(plan.profile.id, 0x000777u);
    EXPECT_EQ(profileName(plan.profile), "Game");
    EXPECT_EQ(profileProgramName(plan.profile), "game.exe");
    ASSERT_EQ(plan.macros.size(), 2u);
    const ImportedMacro& fire = plan.macros[0];
    const ImportedMacro& jump = plan.macros[1];
    EXPECT_EQ(macroName(fire.macro), "Fire (2)");
    EXPECT_EQ(fire.path, root + "/Game/Fire (2).mck");
    EXPECT_TRUE(fire.renamed);
    EXPECT_NE(idOf(fire.macro), 0x111111u);
    EXPECT_EQ(macroName(jump.macro), "Jump"); // its name was free, its id was not
    EXPECT_TRUE(jump.renamed);
    EXPECT_NE(idOf(jump.macro), 0x222222u);
    EXPECT_EQ(plan.profile.keys[10].macroId, idOf(fire.macro));
    EXPECT_EQ(plan.profile.keys[30].macroId, idOf(fire.macro));
    EXPECT_EQ(plan.profile.keys[20].macroId, idOf(jump.macro));
    EXPECT_EQ(plan.profile.keys[10].rect, KeyTable[10].rect);

    std::string message;
    ASSERT_TRUE(writeImportedMacros(plan, &message)) << message;
    EXPECT_EQ(readFile(m_dir / "Mac" / "Game" / "fire.mck"), "someone else's file");
    const MacroReadResult written = ReadMacroFile(m_dir / "Mac" / "Game" / "Fire (2).mck", 7);
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(idOf(written.macro), idOf(fire.macro));
    PROFILE slot;
    NewProfile("Slot", slot);
    commitProfileImport(plan, slot);
    EXPECT_EQ(std::memcmp(&slot, &plan.profile, ProfileSize), 0);
    EXPECT_EQ(MacroList.count(), 3);
    EXPECT_NE(FindMacroById(idOf(jump.macro)), nullptr);

    // Importing the same file again: every name is taken now, nothing is replaced.
    const ProfileImportPlan again = planProfileImport(read.content, 0x000777, {.libraryRoot = root, .groups = true});
    EXPECT_EQ(macroName(again.macros[0].macro), "Fire (3)");
    EXPECT_EQ(macroName(again.macros[1].macro), "Jump (2)");
    // A file from a model whose key table lists the keys in another order: assignments follow matrix positions.
    ProfileFileContent reordered = read.content;
    std::swap(reordered.profile.keys[10], reordered.profile.keys[11]);
    const ProfileImportPlan moved = planProfileImport(reordered, 1, {.libraryRoot = root, .groups = true});
    EXPECT_EQ(moved.profile.keys[10].kind, KindMacro);
    EXPECT_EQ(moved.profile.keys[10].macroId, idOf(moved.macros[0].macro));
    EXPECT_TRUE(sameAssignment(moved.profile.keys[11], KeyTable[11]));
    EXPECT_EQ(moved.profile.keys[11].rect, KeyTable[11].rect);
    // Without groups the macros go to the library root, where start-up reads them.
    EXPECT_EQ(
        planProfileImport(read.content, 1, {.libraryRoot = root, .groups = false}).macros[0].path, root + "/Fire.mck");
}

TEST_F(ProfileFileTest, AFailedImportWriteLeavesNoFileBehind)
{
    const StMacro macros[] = {macro(0x111111, "Fire"), macro(0x222222, "Jump")};
    const ProfileFileRead read = decodeProfileFile(encodeProfileFile(game(), macros), 7);
    const std::string root = (m_dir / "Mac").string();
    ProfileImportPlan plan = planProfileImport(read.content, 5, {.libraryRoot = root, .groups = true});
    // The second file cannot be created (a file stands where its folder would be): the first file must go again.
    fs::create_directories(m_dir / "Mac");
    writeFile(m_dir / "Mac" / "Blocked", "a file");
    plan.macros[1].path = root + "/Blocked/Jump.mck";
    std::string message;
    EXPECT_FALSE(writeImportedMacros(plan, &message));
    EXPECT_NE(message.find("Jump.mck cannot be written"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(m_dir / "Mac" / "Game")) << "the group folder made for the import is gone again";
    EXPECT_TRUE(MacroList.empty());
}

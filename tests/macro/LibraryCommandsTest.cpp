// The file work of the library commands on real temporary folders: names,
// moves that never replace, deletes, export copies and imports.

#include "MacroFixture.h"

#include "macro/LibraryCommands.h"
#include "macro/MacroLibrary.h"
#include "model/Profile.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

TEST_F(MacroTest, NamesThatCannotBecomeLibraryFiles)
{
    for (const char* bad : {"", ".", "..", "a/b", "/"}) {
        EXPECT_FALSE(macroNameProblem(bad).empty()) << bad;
        EXPECT_FALSE(groupNameProblem(bad).empty()) << bad;
    }
    EXPECT_TRUE(macroNameProblem(std::string(39, 'x')).empty());
    EXPECT_FALSE(macroNameProblem(std::string(40, 'x')).empty());
    EXPECT_TRUE(macroNameProblem("Ärger ü").empty());
    EXPECT_TRUE(groupNameProblem(std::string(60, 'g')).empty());
    EXPECT_EQ(nameWithoutExtension("fire.mck"), "fire");
    EXPECT_EQ(nameWithoutExtension("a.b.c"), "a.b");
    EXPECT_EQ(fileTitle("/home/u/Jump.v2.mck"), "Jump.v2");
    EXPECT_EQ(folderName("/home/u/Group/"), "Group");
    EXPECT_EQ(folderName("Group"), "");
    EXPECT_EQ(folderName("/"), "");
}

TEST_F(MacroTest, MovesNeverReplaceWhatIsThere)
{
    const fs::path root = m_dir / "Mac";
    fs::create_directories(root / "G1");
    writeFile(root / "Fire.mck", "fire");
    writeFile(root / "Taken.mck", "not even a macro");
    writeFile(root / "G1" / "x.mck", "x");
    fs::create_directories(root / "G2");

    EXPECT_TRUE(libraryPathTaken((root / "Taken.mck").string()));
    EXPECT_FALSE(libraryPathTaken((root / "Free.mck").string()));

    EXPECT_EQ(moveLibraryEntry((root / "Fire.mck").string(), (root / "Taken.mck").string()), EEXIST);
    EXPECT_EQ(readFile(root / "Taken.mck"), "not even a macro");
    EXPECT_EQ(moveLibraryEntry((root / "G1").string(), (root / "G2").string()), EEXIST);
    EXPECT_TRUE(fs::exists(root / "G1" / "x.mck"));

    EXPECT_EQ(moveLibraryEntry((root / "Fire.mck").string(), (root / "Blaze.mck").string()), 0);
    EXPECT_EQ(readFile(root / "Blaze.mck"), "fire");
    EXPECT_EQ(moveLibraryEntry((root / "G1").string(), (root / "G3").string()), 0);
    EXPECT_EQ(readFile(root / "G3" / "x.mck"), "x");
    EXPECT_EQ(moveLibraryEntry((root / "Gone").string(), (root / "G4").string()), ENOENT);
}

TEST_F(MacroTest, DeleteAndExportReportTheirErrors)
{
    const fs::path root = m_dir / "Mac";
    fs::create_directories(root);
    writeFile(root / "a.mck", "aaa");
    EXPECT_EQ(deleteMacroFile((root / "a.mck").string()), 0);
    EXPECT_FALSE(fs::exists(root / "a.mck"));
    EXPECT_EQ(deleteMacroFile((root / "a.mck").string()), 0); // already gone

    writeFile(root / "b.mck", "bbb");
    writeFile(m_dir / "out.mck", "old content that is longer");
    EXPECT_EQ(copyFileReplacing((root / "b.mck").string(), (m_dir / "out.mck").string()), 0);
    EXPECT_EQ(readFile(m_dir / "out.mck"), "bbb");
    EXPECT_EQ(copyFileReplacing((root / "never-saved.mck").string(), (m_dir / "out.mck").string()), ENOENT);
    EXPECT_EQ(readFile(m_dir / "out.mck"), "bbb");

    if (::geteuid() != 0) { // root deletes in read-only folders
        ::chmod(root.c_str(), 0555);
        EXPECT_EQ(deleteMacroFile((root / "b.mck").string()), EACCES);
        ::chmod(root.c_str(), 0755);
        EXPECT_TRUE(fs::exists(root / "b.mck"));
    }
}

TEST_F(MacroTest, AFirstSaveNeverReplacesAnotherFile)
{
    const fs::path path = m_dir / "Mac" / "New.mck";
    fs::create_directories(path.parent_path());
    writeFile(path, "someone else's file");
    StMacro m = macroWith(7, {{0x41, 1, 0}});
    m.dwFlags = MacroDirtyBits;
    ASSERT_TRUE(AddToList(m));
    EXPECT_FALSE(FlushDirtyMacroRecord(path, 7, false));
    EXPECT_EQ(readFile(path), "someone else's file");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "Mac"), fs::directory_iterator()), 1); // no temp left

    FindMacroById(7)->dwFlags = MacroDirtyBits;
    EXPECT_TRUE(FlushDirtyMacroRecord(m_dir / "Mac" / "Other.mck", 7, false));
    m.dwFlags = 0;
    EXPECT_EQ(readFile(m_dir / "Mac" / "Other.mck"), fileBytes(m));
}

TEST_F(MacroTest, ImportReadsChecksAndRenamesTheMacro)
{
    StMacro m = macroWith(0x123456, {{0x41, 1, 10}});
    setMacroName(m, "Inner name");
    writeFile(m_dir / "Outside.v1.mck", fileBytes(m));
    const MacroReadResult ok = readMacroForImport((m_dir / "Outside.v1.mck").string(), fileTitle("Outside.v1.mck"), 7);
    ASSERT_TRUE(ok.ok());
    EXPECT_EQ(macroName(ok.macro), "Outside.v1");
    EXPECT_NE(ok.macro.dwId, 0x123456u);
    EXPECT_LT(ok.macro.dwId, 1u << 24);
    EXPECT_EQ(ok.macro.dwFlags, MacroDirtyBits);

    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    };
    StMacro mouse = macroWith(1, {{245, 1, 0}});
    const std::vector<Case> cases = {
        {"short", fileBytes(m).substr(0, 833), "Read macro file failed. error=0x0"},
        {"wrong magic", std::string(834, '\x11'), "This is not a valid macro file."},
        {"scroll up not allowed by mask 7", fileBytes(mouse), "This macro contains unsupported key."},
    };
    for (const Case& c : cases) {
        writeFile(m_dir / "in.mck", c.bytes);
        EXPECT_EQ(macroReadMessage(readMacroForImport((m_dir / "in.mck").string(), "in", 7)), c.message) << c.what;
    }
    EXPECT_EQ(macroReadMessage(readMacroForImport((m_dir / "absent.mck").string(), "absent", 7)),
        "Open macro file failed. error=0x2");
}

TEST_F(MacroTest, KeysOfADeletedMacroGetTheirDefaultsBack)
{
    PROFILE profile{};
    for (int i = 0; i < KeyTableSize; ++i)
        profile.keys[i] = KeyTable[std::size_t(i)];
    ASSERT_TRUE(AddToList(macroWith(0x11, {})));
    profile.keys[3].kind = KindMacro;
    profile.keys[3].code = 0;
    profile.keys[3].macroId = 0x11; // still there
    profile.keys[5] = profile.keys[3];
    profile.keys[5].macroId = 0x22; // deleted
    profile.keys[7].kind = KindKey; // another function, kept
    profile.keys[7].key1 = 0x41;
    EXPECT_EQ(ResetKeysOfMissingMacros(profile), std::vector<int>{5});
    EXPECT_EQ(std::memcmp(&profile.keys[5], &KeyTable[5], sizeof(KEYINFO)), 0);
    EXPECT_EQ(profile.keys[3].macroId, 0x11u);
    EXPECT_EQ(profile.keys[7].key1, 0x41);
}

// The library on disk: the start-up walk, names that would leave their
// folder, and the file and folder helpers.

#include "MacroFixture.h"

#include "app/Log.h"
#include "macro/MacroLibrary.h"

#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

// Records what the walk reports, with the depth of each group.
class Recorder : public MacroFolderSink {
public:
    void* addGroup(void* parent, const std::string& name, const std::string& icon) override
    {
        groups.push_back(name);
        icons.push_back(icon);
        return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(parent) + 1);
    }
    void addMacro(void* parent, const std::string& title, const std::string&, const StMacro& macro) override
    {
        macros[title] = {macro.dwId, int(reinterpret_cast<std::uintptr_t>(parent))};
    }
    std::vector<std::string> groups;
    std::vector<std::string> icons;
    std::map<std::string, std::pair<std::uint32_t, int>> macros; // title -> id, depth
};

// Every path below a folder with its size and modification time.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> snapshot(const fs::path& root)
{
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_symlink() || !entry.is_regular_file())
            files[entry.path().string()] = {0, fs::file_time_type()};
        else
            files[entry.path().string()] = {entry.file_size(), entry.last_write_time()};
    }
    return files;
}

} // namespace

TEST_F(MacroTest, TheWalkReadsEveryValidFileAndGroupsOnlyWithMacroDir)
{
    const fs::path root = MacroLibraryRoot();
    fs::create_directories(root / "Group" / "Inner");
    fs::create_directories(root / ".hidden");
    fs::create_directories(root / "$trash");
    writeFile(root / "a.b.mck", fileBytes(macroWith(1, {})));
    writeFile(root / "notes.txt", fileBytes(macroWith(2, {})));
    writeFile(root / "Group" / "g.mck", fileBytes(macroWith(3, {})));
    writeFile(root / "Group" / "Inner" / "i.mck", fileBytes(macroWith(4, {})));
    writeFile(root / ".hidden" / "h.mck", fileBytes(macroWith(5, {})));
    writeFile(root / "$trash" / "t.mck", fileBytes(macroWith(6, {})));
    writeFile(root / ".kavrel-Qw3rTy.tmp", fileBytes(macroWith(7, {}))); // left by a crash
    writeFile(root / "broken.mck", "short");
    writeFile(root / "\xFF\xFE.mck", fileBytes(macroWith(8, {}))); // not UTF-8
    const auto before = snapshot(root);

    Recorder flat;
    LoadMacroFolder(root, true, {.view = &flat, .addToList = true});
    EXPECT_EQ(MacroList.count(), 3);
    EXPECT_TRUE(flat.groups.empty());
    EXPECT_EQ(flat.macros.at("a.b").first, 1u);
    EXPECT_EQ(flat.macros.at("notes").first, 2u);
    EXPECT_EQ(flat.macros.at("\xFF\xFE").first, 8u);

    MacroList.clear();
    Recorder grouped;
    LoadMacroFolder(root.string() + "/", true, {.view = &grouped, .subFolders = true, .addToList = true});
    EXPECT_EQ(MacroList.count(), 5);
    EXPECT_EQ(grouped.groups.size(), 2u);
    EXPECT_EQ(grouped.macros.at("g").second, 1);
    EXPECT_EQ(grouped.macros.at("i").second, 2);
    EXPECT_NE(std::find(grouped.icons.begin(), grouped.icons.end(), (root / "Group" / "Group.png").string()),
        grouped.icons.end());
    EXPECT_EQ(snapshot(root), before); // reading wrote nothing

    // Without recursion the groups are not entered either.
    MacroList.clear();
    LoadMacroFolder(root, false, {.subFolders = true, .addToList = true});
    EXPECT_EQ(MacroList.count(), 3);

    // New identifiers on import: fresh ids, marked as changed.
    MacroList.clear();
    LoadMacroFolder(root, false, {.newIds = true, .addToList = true});
    for (const StMacro& m : MacroList) {
        EXPECT_GT(m.dwId, 8u);
        EXPECT_EQ(m.dwFlags, MacroSettingsChanged);
    }
}

TEST_F(MacroTest, TheWalkSurvivesHostileFolders)
{
    const fs::path root = MacroLibraryRoot();
    fs::create_directories(root);
    TempDir outside;
    writeFile(outside / "far.mck", fileBytes(macroWith(9, {})));
    fs::create_directory_symlink(outside.path(), root / "link"); // not followed
    fs::create_directory_symlink(root, root / "loop"); // would never end
    ASSERT_EQ(::mkfifo((root / "pipe.mck").c_str(), 0600), 0); // would block a plain open
    writeFile(root / "zeros.mck", std::string(834, '\0'));
    writeFile(root / "big.mck", fileBytes(macroWith(10, {})) + std::string(100000, 'x'));
    // A deep chain of groups: paths of 257 characters or more are skipped.
    fs::path deep = root;
    for (int i = 0; i < 30; ++i)
        deep /= "level" + std::to_string(i);
    fs::create_directories(deep);
    writeFile(deep / "deep.mck", fileBytes(macroWith(11, {})));
    writeFile(root / "level0" / "top.mck", fileBytes(macroWith(12, {})));
    // A thousand-character name cannot be a file here; long names that can are fine.
    writeFile(root / (std::string(250, 'n') + ".mck"), fileBytes(macroWith(13, {})));

    // A folder the user may not read (root reads it anyway).
    fs::create_directories(root / "locked");
    writeFile(root / "locked" / "l.mck", fileBytes(macroWith(14, {})));
    fs::permissions(root / "locked", fs::perms::none);

    LoadMacroFolder(root, true, {.subFolders = true, .addToList = true});
    fs::permissions(root / "locked", fs::perms::owner_all);
    std::vector<std::uint32_t> ids;
    for (const StMacro& m : MacroList)
        ids.push_back(m.dwId);
    std::sort(ids.begin(), ids.end());
    if (::geteuid() == 0)
        EXPECT_EQ(ids, (std::vector<std::uint32_t>{10, 12, 13, 14}));
    else
        EXPECT_EQ(ids, (std::vector<std::uint32_t>{10, 12, 13}));
}

TEST_F(MacroTest, FiveThousandFilesWithTwoHundredBroken)
{
    const fs::path root = MacroLibraryRoot();
    for (int group = 0; group < 20; ++group)
        fs::create_directories(root / ("g" + std::to_string(group)));
    for (int i = 0; i < 5000; ++i) {
        const fs::path path = root / ("g" + std::to_string(i % 20)) / (std::to_string(i) + ".mck");
        std::string bytes = fileBytes(macroWith(std::uint32_t(i + 1), {{0x41, 1, 10}}));
        if (i % 25 == 0)
            bytes[i % 3] ^= 0x55; // 200 files with a wrong magic
        writeFile(path, bytes);
    }
    LoadMacroFolder(root, true, {.subFolders = true, .addToList = true});
    EXPECT_EQ(MacroList.count(), 4800);
}

TEST_F(MacroTest, NamesThatWouldLeaveTheirFolderAreRefused)
{
    for (const std::string_view bad : std::initializer_list<std::string_view>{
             "", ".", "..", "a/b", "/etc/passwd", "../up", std::string_view("a\0b", 3)})
        EXPECT_FALSE(libraryNameProblem(bad).empty()) << bad;
    EXPECT_EQ(libraryNameProblem(".."), "The name \"..\" cannot be used.");
    EXPECT_EQ(libraryNameProblem("x/y"), "A name cannot contain \"/\".");
    for (const std::string_view good : {"Fire", "a.b", "...", ".hidden", "back\\slash", "Gr\xC3\xBC\xC3\x9F"})
        EXPECT_EQ(libraryNameProblem(good), "") << good;

    EXPECT_EQ(libraryChildPath("/lib/Mac", "Fire", false), "/lib/Mac/Fire.mck");
    EXPECT_EQ(libraryChildPath("/lib/Mac/", "Group", true), "/lib/Mac/Group");
    EXPECT_EQ(libraryChildPath("/lib/Mac", "..", true), std::nullopt);
    EXPECT_EQ(libraryChildPath("/lib/Mac", "../../evil", false), std::nullopt);
    EXPECT_EQ(macroTitleOfFileName("a.b.mck"), "a.b");
    EXPECT_EQ(macroTitleOfFileName("plain"), "plain");

    // A thousand-character name passes the check but the file system refuses it: logged, no crash.
    const std::string longName(1000, 'x');
    StMacro m = macroWith(20, {});
    m.dwFlags = MacroSettingsChanged;
    InitLogWith(2, m_dir / "Log.txt");
    EXPECT_FALSE(WriteMacroFile(*libraryChildPath(MacroLibraryRoot(), longName, false), m));
    InitLogWith(0, {});
    EXPECT_NE(readFile(m_dir / "Log.txt").find("Flush_Dirty_Macro: WriteFile err=0x24"), std::string::npos);
}

TEST_F(MacroTest, FolderHelpers)
{
    const fs::path lib = m_dir / "Mac";
    EXPECT_TRUE(MakeSureFolderExist((lib / "a" / "b" / "file.mck").string()));
    EXPECT_TRUE(fs::is_directory(lib / "a" / "b"));
    EXPECT_TRUE(MakeSureFolderExist((lib / "a" / "b" / "file.mck").string()));
    writeFile(lib / "plain", "x");
    EXPECT_FALSE(MakeSureFolderExist((lib / "plain" / "sub" / "f.mck").string()));

    // MyCopyFile: never overwrites, makes missing folders.
    writeFile(lib / "src.mck", "source");
    EXPECT_TRUE(MyCopyFile((lib / "src.mck").string(), (lib / "new" / "dst.mck").string()));
    EXPECT_EQ(readFile(lib / "new" / "dst.mck"), "source");
    writeFile(lib / "src.mck", "changed");
    EXPECT_FALSE(MyCopyFile((lib / "src.mck").string(), (lib / "new" / "dst.mck").string()));
    EXPECT_EQ(readFile(lib / "new" / "dst.mck"), "source");
    EXPECT_FALSE(MyCopyFile((lib / "missing").string(), (lib / "x").string()));

    // CopyFolderInto: files below the chosen folder, hidden folders skipped, copying into itself ends.
    fs::create_directories(lib / "chosen" / "sub");
    fs::create_directories(lib / "chosen" / ".git");
    writeFile(lib / "chosen" / "one.mck", "1");
    writeFile(lib / "chosen" / "sub" / "two.mck", "2");
    writeFile(lib / "chosen" / ".git" / "config", "g");
    EXPECT_EQ(CopyFolderInto((lib / "chosen").string() + "/", (lib / "target").string()), 2);
    EXPECT_EQ(readFile(lib / "target" / "chosen" / "sub" / "two.mck"), "2");
    EXPECT_FALSE(fs::exists(lib / "target" / "chosen" / ".git"));
    EXPECT_EQ(CopyFolderInto((lib / "chosen").string(), (lib / "chosen").string()), 2);
    EXPECT_TRUE(fs::exists(lib / "chosen" / "chosen" / "one.mck"));

    // DeleteFolderTree: links are removed, never followed; hidden folders stay.
    TempDir outside;
    writeFile(outside / "keep.txt", "keep");
    fs::create_directory_symlink(outside.path(), lib / "target" / "chosen" / "link");
    int error = 0;
    EXPECT_TRUE(DeleteFolderTree((lib / "target").string(), &error));
    EXPECT_FALSE(fs::exists(lib / "target"));
    EXPECT_EQ(readFile(outside / "keep.txt"), "keep");
    EXPECT_FALSE(DeleteFolderTree((lib / "chosen").string(), &error)); // .git is left, so is the folder
    EXPECT_TRUE(fs::exists(lib / "chosen" / ".git" / "config"));
    EXPECT_FALSE(fs::exists(lib / "chosen" / "one.mck"));
    EXPECT_FALSE(DeleteFolderTree((lib / "never-made").string(), &error));
    EXPECT_TRUE(isMissingPathError(error));
    EXPECT_TRUE(DeleteFolderTree("/" + std::string(300, 'z'))); // too long: left alone
}

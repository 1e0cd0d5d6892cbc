// The one library the picker and the macro page show: what a walk of the
// disk puts into the catalog and MacroList, which file each macro came from,
// damaged files, and the keys of every profile that use a macro.

#include "MacroFixture.h"

#include "macro/LibraryCommands.h"
#include "macro/MacroCatalog.h"
#include "model/Lists.h"
#include "model/Profile.h"

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

class MacroCatalogTest : public MacroTest {
protected:
    fs::path library() const { return m_dir.path() / "Mac"; }
    void addFile(const fs::path& relative, const std::string& bytes)
    {
        fs::create_directories((library() / relative).parent_path());
        writeFile(library() / relative, bytes);
    }
    const LibraryEntry* entryNamed(const std::string& name) const
    {
        for (const LibraryEntry& entry : MacroCatalog())
            if (entry.name == name)
                return &entry;
        return nullptr;
    }
};

} // namespace

TEST_F(MacroCatalogTest, EachMacroKeepsTheFileItWasReadFrom)
{
    addFile("jump.mck", fileBytes(macroWith(0x10, {})));
    addFile("jump.bak", fileBytes(macroWith(0x11, {})));
    addFile("Group/Hithere-a_b.c(1).mck", fileBytes(macroWith(0x81234567, {})));
    addFile("short.mck", "short");
    addFile("notes.txt", "not a macro and not named like one");
    addFile("mouse.mck", fileBytes(macroWith(0x12, {{246, 1, 0}}))); // scroll down: not allowed by MacroHasMsKey=7
    ReloadMacroLibrary();

    ASSERT_EQ(MacroList.count(), 3);
    EXPECT_TRUE(FindMacroById(0x81234567)); // all 32 bits
    // Both "jump" items, each with its own file.
    int jumps = 0;
    for (const LibraryEntry& entry : MacroCatalog()) {
        if (entry.name != "jump")
            continue;
        ++jumps;
        EXPECT_EQ(entry.path, (library() / (entry.id == 0x10 ? "jump.mck" : "jump.bak")).string());
    }
    EXPECT_EQ(jumps, 2);
    const LibraryEntry* dotted = entryNamed("Hithere-a_b.c(1)");
    ASSERT_TRUE(dotted);
    ASSERT_GE(dotted->parent, 0);
    EXPECT_EQ(MacroCatalog()[std::size_t(dotted->parent)].path, (library() / "Group").string());

    // Damaged .mck files are listed with why; other files are not.
    const LibraryEntry* shortFile = entryNamed("short");
    ASSERT_TRUE(shortFile);
    EXPECT_EQ(shortFile->kind, LibraryEntry::Kind::Damaged);
    EXPECT_EQ(libraryEntryProblem(*shortFile), "The file is shorter than a macro.");
    const LibraryEntry* mouse = entryNamed("mouse");
    ASSERT_TRUE(mouse);
    EXPECT_EQ(libraryEntryProblem(*mouse), "This macro contains unsupported key.");
    EXPECT_FALSE(entryNamed("notes"));

    // A second file with an id the library already has is not offered as a
    // macro: a key naming the id would play the first.
    addFile("Group/copy of jump.mck", fileBytes(macroWith(0x10, {{0x41, 1, 0}})));
    ReloadMacroLibrary();
    const LibraryEntry* copy = entryNamed("copy of jump");
    const LibraryEntry* original = nullptr;
    for (const LibraryEntry& entry : MacroCatalog())
        if (entry.name == "jump" && entry.path.ends_with(".mck"))
            original = &entry;
    ASSERT_TRUE(copy && original);
    // Which one is offered depends on the order the folder listing gives.
    const LibraryEntry* offered = copy->kind == LibraryEntry::Kind::Macro ? copy : original;
    const LibraryEntry* greyed = offered == copy ? original : copy;
    EXPECT_EQ(offered->kind, LibraryEntry::Kind::Macro);
    EXPECT_EQ(greyed->kind, LibraryEntry::Kind::Damaged);
    EXPECT_EQ(greyed->sameIdAs, offered->name);
    EXPECT_EQ(MacroList.count(), 3);
    fs::remove(library() / "Group" / "copy of jump.mck");

    // A macro whose write failed keeps its unsaved state across a reload.
    StMacro* entry = FindMacroById(0x10);
    entry->wLoopCount = 9;
    entry->dwFlags = MacroSettingsChanged;
    ReloadMacroLibrary();
    EXPECT_EQ(FindMacroById(0x10)->wLoopCount, 9);
    EXPECT_EQ(MacroList.count(), 3);
}

TEST_F(MacroCatalogTest, KeysUsingAMacroInEveryProfileAndTheirReset)
{
    addFile("Fire.mck", fileBytes(macroWith(0x20, {})));
    ReloadMacroLibrary();
    ProfileList.clear();
    for (const char* name : {"Profile 1", "Profile 2"}) {
        PROFILE profile{};
        NewProfile(name, profile);
        ASSERT_TRUE(ProfileList.appendCopy(profile));
    }
    auto assign = [](PROFILE& profile, int key, std::uint32_t id) {
        profile.keys[key].setFirstWord(std::uint32_t(KindMacro) << 24);
        profile.keys[key].macroId = id;
    };
    PROFILE& first = *ProfileList.head()->record;
    PROFILE& second = *ProfileList.head()->next->record;
    assign(first, 1, 0x20);
    assign(second, 2, 0x20);
    assign(second, 3, 0x21);

    const std::vector<MacroKeyUse> uses = keysUsingMacros({0x20});
    ASSERT_EQ(uses.size(), 2u);
    EXPECT_EQ(uses[0].profile, "Profile 1");
    EXPECT_EQ(uses[1].key, 2);
    EXPECT_EQ(describeKeyUses(uses), uses[0].keyName + " (Profile 1), " + uses[1].keyName + " (Profile 2)");

    // After the delete every profile's keys lose the macro, not only the current one's.
    RemoveMacroById(0x20);
    EXPECT_EQ(ResetKeysOfMissingMacrosEverywhere(), 3); // 0x21 was never in the library
    EXPECT_EQ(std::memcmp(&second.keys[2], &KeyTable[2], sizeof(KEYINFO)), 0);
    EXPECT_EQ(std::memcmp(&first.keys[1], &KeyTable[1], sizeof(KEYINFO)), 0);
    ProfileList.clear();
}

TEST_F(MacroCatalogTest, TypedNamesLoseOnlyATypedMacroExtension)
{
    EXPECT_EQ(nameWithoutMacroExtension("Hithere-a_b.c(1)"), "Hithere-a_b.c(1)");
    EXPECT_EQ(nameWithoutMacroExtension("Combo one"), "Combo one");
    EXPECT_EQ(nameWithoutMacroExtension("Jump.MCK"), "Jump");
    EXPECT_EQ(nameWithoutMacroExtension(".mck"), ".mck");
}

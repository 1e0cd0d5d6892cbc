// StMacro records, the .mck encoding with golden bytes, the reading rules and
// the write step of a changed macro.

#include "MacroFixture.h"

#include "app/Log.h"

#include <cerrno>
#include <filesystem>
#include <random>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

std::string hexOf(std::string_view bytes)
{
    std::string out;
    char pair[4];
    for (const unsigned char b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        out += pair;
    }
    return out;
}

} // namespace

TEST_F(MacroTest, GoldenFileBytes)
{
    StMacro m = macroWith(0x00DB5E2C, {{0xA2, 1, 30}, {0x43, 1, 1000}});
    m.dwFlags = 0;
    setMacroName(m, "Copy");
    const std::string file = fileBytes(m);
    ASSERT_EQ(file.size(), 834u);
    // Each stored byte is the record byte rotated right by two bits.
    EXPECT_EQ(hexOf(file.substr(0, 4)), "2822FEBE"); // A0 88 FB FA
    EXPECT_EQ(hexOf(file.substr(4, 4)), "0B97F600"); // 2C 5E DB 00
    EXPECT_EQ(hexOf(file.substr(12, 4)), "40000000"); // dwAutoDelay 1
    EXPECT_EQ(hexOf(file.substr(20, 10)), "D000DB001C005E000000"); // "Copy\0" in UTF-16
    EXPECT_EQ(hexOf(file.substr(104, 2)), "4000"); // wLoopCount 1
    EXPECT_EQ(hexOf(file.substr(106, 16)), "A800400087000000D00040003AC00000");
    EXPECT_EQ(file.substr(122), std::string(834 - 122, '\0'));
}

TEST_F(MacroTest, EncodingRoundTripsAnyBytes)
{
    std::mt19937 random(4);
    std::array<std::uint8_t, MacroSize> bytes;
    for (int round = 0; round < 50; ++round) {
        for (std::uint8_t& b : bytes)
            b = std::uint8_t(random());
        const MacroFileBytes again = EncodeMacroFile(DecodeMacroFile(bytes));
        ASSERT_EQ(again, bytes);
    }
}

TEST_F(MacroTest, ReadingRejectsShortForeignAndMouseKeyFiles)
{
    const std::string valid = fileBytes(macroWith(0x123456, {{0x41, 1, 10}, {0x41, 0, 10}}));
    writeFile(m_dir / "short.mck", valid.substr(0, 833));
    writeFile(m_dir / "long.mck", valid + std::string(66, 'z'));
    writeFile(m_dir / "zero.mck", std::string(834, '\0'));
    writeFile(m_dir / "empty.mck", "");

    MacroReadResult read = ReadMacroFile(m_dir / "short.mck", 0);
    EXPECT_EQ(read.status, MacroReadStatus::ReadFailed);
    EXPECT_EQ(macroReadMessage(read), "Read macro file failed. error=0x0");
    EXPECT_EQ(ReadMacroFile(m_dir / "empty.mck", 0).status, MacroReadStatus::ReadFailed);
    read = ReadMacroFile(m_dir / "long.mck", 0);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.macro.dwId, 0x123456u);
    EXPECT_EQ(macroEventCount(read.macro), 2);
    read = ReadMacroFile(m_dir / "zero.mck", 0);
    EXPECT_EQ(read.status, MacroReadStatus::NotMacro);
    EXPECT_EQ(macroReadMessage(read), "This is not a valid macro file.");
    read = ReadMacroFile(m_dir / "none.mck", 0);
    EXPECT_EQ(read.status, MacroReadStatus::OpenFailed);
    EXPECT_EQ(macroReadMessage(read), "Open macro file failed. error=0x2");
    EXPECT_EQ(ReadMacroFile(m_dir.path(), 0).status, MacroReadStatus::ReadFailed);

    // Scroll up (245) needs bit 5 of MacroHasMsKey; keys after the terminator do not count.
    StMacro wheel = macroWith(1, {{0x41, 1, 10}, {245, 1, 10}});
    writeFile(m_dir / "wheel.mck", fileBytes(wheel));
    read = ReadMacroFile(m_dir / "wheel.mck", 0);
    EXPECT_EQ(read.status, MacroReadStatus::UnsupportedKey);
    EXPECT_EQ(macroReadMessage(read), "This macro contains unsupported key.");
    EXPECT_TRUE(ReadMacroFile(m_dir / "wheel.mck", 1 << 5).ok());
    wheel.Events[1].wKey = 0;
    wheel.Events[2].wKey = 245;
    writeFile(m_dir / "after.mck", fileBytes(wheel));
    EXPECT_TRUE(ReadMacroFile(m_dir / "after.mck", 0).ok());

    // A stored device slot means nothing outside an apply.
    StMacro slotted = macroWith(2, {});
    slotted.Macro_Buffer_ID = 5;
    writeFile(m_dir / "slot.mck", fileBytes(slotted));
    EXPECT_EQ(ReadMacroFile(m_dir / "slot.mck", 0).macro.Macro_Buffer_ID, 0);
}

TEST_F(MacroTest, NinetyOneEventsWithoutTerminatorStayInBounds)
{
    StMacro full = macroWith(3, {});
    for (StMacroEvent& e : full.Events)
        e = {0xF6, 1, 1};
    EXPECT_EQ(macroEventCount(full), 91);
    EXPECT_FALSE(CheckMacroKeys(full, 0x3F));
    EXPECT_TRUE(CheckMacroKeys(full, 0x40));
}

TEST_F(MacroTest, ListOperations)
{
    const StMacro blank = NewBlankMacro(std::string(45, 'n'));
    EXPECT_EQ(blank.dwMagicNumber, MacroMagic);
    EXPECT_NE(blank.dwId, 0u);
    EXPECT_EQ(blank.dwAutoDelay, 1u);
    EXPECT_EQ(blank.wLoopCount, 1);
    EXPECT_EQ(macroName(blank), std::string(39, 'n'));
    EXPECT_EQ(macroEventCount(blank), 0);

    for (const int slot : {1, 2, 4}) {
        StMacro m = macroWith(std::uint32_t(slot), {});
        m.Macro_Buffer_ID = slot;
        ASSERT_TRUE(AddToList(m));
    }
    for (int slot = 3; slot <= 20; ++slot) {
        if (slot == 4)
            continue;
        StMacro m = macroWith(100, {});
        m.Macro_Buffer_ID = slot;
        AddToList(m);
    }
    for (const int notASlot : {-7, 21}) {
        StMacro m = macroWith(100, {});
        m.Macro_Buffer_ID = notASlot;
        AddToList(m);
    }

    // Lookups and removal take the first entry with the id.
    FindMacroById(100)->Macro_Buffer_ID = 0;
    RemoveMacroById(100);
    EXPECT_EQ(FindMacroById(100)->Macro_Buffer_ID, 5);
    RemoveMacroById(0xBADBAD);
    EXPECT_EQ(MacroList.count(), 21);
    EXPECT_EQ(FindMacroById(0xBADBAD), nullptr);

    EXPECT_EQ(macroKeyName(240), "Left click");
    EXPECT_EQ(macroKeyName(246), "Wheel down");
    EXPECT_EQ(macroKeyName(0x41), "A");
}

TEST_F(MacroTest, WritingAChangedMacroReplacesItsFileAndClearsItsBits)
{
    StMacro m = macroWith(0x0A0B0C, {{0x20, 1, 50}});
    m.dwFlags = MacroEventsChanged | MacroSettingsChanged;
    ASSERT_TRUE(AddToList(m));
    const fs::path path = m_dir / "Mac" / "Group" / "Jump.mck"; // folders made on the way
    ASSERT_TRUE(FlushDirtyMacroRecord(path, 0x0A0B0C));
    EXPECT_EQ(FindMacroById(0x0A0B0C)->dwFlags, 0u);
    m.dwFlags = 0;
    EXPECT_EQ(readFile(path), fileBytes(m));
    EXPECT_FALSE(FlushDirtyMacroRecord(path, 0x0A0B0C)); // nothing changed since
    EXPECT_FALSE(FlushDirtyMacroRecord(path, 0x999999)); // no such macro

    // A write that cannot happen: logged, the reason handed back, the macro
    // still marked unsaved, the old file kept.
    StMacro& entry = *FindMacroById(0x0A0B0C);
    entry.dwFlags = MacroSettingsChanged;
    fs::create_directory(m_dir / "Mac" / "Group" / "Dir.mck");
    InitLogWith(2, m_dir / "Log.txt");
    int error = 0;
    EXPECT_FALSE(WriteMacroFile(m_dir / "Mac" / "Group" / "Dir.mck", entry, true, &error));
    InitLogWith(0, {});
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(entry.dwFlags, MacroSettingsChanged);
    EXPECT_NE(readFile(m_dir / "Log.txt").find("Flush_Dirty_Macro: WriteFile err=0x15"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "Mac" / "Group"), fs::directory_iterator()), 2);
}

// Whole-file replacement and bounded reads.

#include "platform/AtomicFile.h"
#include "platform/FileRead.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

using namespace kavrel::platform;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

std::span<const std::byte> bytesOf(std::string_view text)
{
    return std::as_bytes(std::span(text.data(), text.size()));
}

int fileCount(const fs::path& folder)
{
    return int(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

TEST(AtomicFile, ReplacesWholeKeepsModeAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const fs::path target = dir / "pro.dct";
    ASSERT_TRUE(writeFileAtomically(target, bytesOf("first version, longer")));
    EXPECT_EQ(readFile(target), "first version, longer");
    ::chmod(target.c_str(), 0600);
    ASSERT_TRUE(writeFileAtomically(target, bytesOf("second")));
    EXPECT_EQ(readFile(target), "second");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fileCount(dir.path()), 1);
}

TEST(AtomicFile, UncommittedOrFailedWritesLeaveTheOldFile)
{
    TempDir dir;
    const fs::path target = dir / "curid.dct";
    writeFile(target, "old");
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.isOpen());
        ASSERT_TRUE(file.write(bytesOf("half of the new")));
        // destroyed without commit: a crash before the rename
    }
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(fileCount(dir.path()), 1);

    WriteError error;
    EXPECT_FALSE(writeFileAtomically(dir / "missing" / "x.mck", bytesOf("x"), &error));
    EXPECT_EQ(error.step, WriteStep::Create);
    EXPECT_EQ(error.error, ENOENT);

    // A folder where the file should be cannot be replaced by a file.
    fs::create_directory(dir / "folder.mck");
    EXPECT_FALSE(writeFileAtomically(dir / "folder.mck", bytesOf("x"), &error));
    EXPECT_EQ(error.step, WriteStep::Commit);
    EXPECT_TRUE(fs::is_directory(dir / "folder.mck"));
    EXPECT_EQ(fileCount(dir.path()), 2);
}

TEST(AtomicFile, CommitWithoutReplaceRefusesAnExistingFile)
{
    TempDir dir;
    writeFile(dir / "a", "keep");
    AtomicFile file(dir / "a");
    ASSERT_TRUE(file.write(bytesOf("new")));
    EXPECT_FALSE(file.commit(false));
    EXPECT_EQ(file.lastError().error, EEXIST);
    EXPECT_EQ(readFile(dir / "a"), "keep");
    EXPECT_EQ(fileCount(dir.path()), 1);
    EXPECT_TRUE(isAtomicTempName(".kavrel-Ab3dE9.tmp"));
    EXPECT_FALSE(isAtomicTempName("kavrel-Ab3dE9.tmp"));
}

TEST(FileRead, ReadsAtMostTheAskedBytesAndRefusesWhatIsNotAFile)
{
    TempDir dir;
    writeFile(dir / "long", std::string(100, 'x'));
    EXPECT_EQ(readFileHead(dir / "long", 40).bytes.size(), 40u);
    EXPECT_EQ(readFileHead(dir / "long", 400).bytes.size(), 100u);
    EXPECT_TRUE(readFileHead(dir / "long", 400).ok());
    EXPECT_EQ(readFileHead(dir / "none", 4).error, ENOENT);
    EXPECT_EQ(readFileHead(dir.path(), 4).error, EISDIR);
    // A FIFO would block a plain open for reading until a writer comes.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(readFileHead(dir / "fifo", 4).error, EINVAL);

    // Files that do not tell their size (procfs says 0) are read in growing steps, up to the asked bytes.
    EXPECT_EQ(readFileHead("/proc/kallsyms", 300000).bytes.size(), 300000u);
    const std::string cmdline = readFile("/proc/self/cmdline");
    const FileHead own = readFileHead("/proc/self/cmdline", 1 << 20);
    EXPECT_EQ(std::string(own.bytes.begin(), own.bytes.end()), cmdline);
}

TEST(AtomicFile, UnsyncedReplacementIsStillWholeAndAbandonedOnesLeaveNothing)
{
    TempDir dir;
    const fs::path target = dir / "sim.state";
    {
        AtomicFile file(target, Durability::Unsynced);
        ASSERT_TRUE(file.isOpen());
        ASSERT_TRUE(file.write(bytesOf("report 9 1 09")));
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(readFile(target), "report 9 1 09");
    {
        AtomicFile file(target, Durability::Unsynced);
        ASSERT_TRUE(file.write(bytesOf("half")));
    }
    EXPECT_EQ(readFile(target), "report 9 1 09");
    EXPECT_EQ(fileCount(dir.path()), 1);
}

// A writer killed mid-save leaves its temporary file; the next start removes
// such files (in the folder and below it) unless a live writer still holds one.
TEST(AtomicFile, LeftOverTemporaryFilesOfDeadWritersAreRemoved)
{
    TempDir dir;
    fs::create_directories(dir / "Mac" / "group");
    writeFile(dir / "pro.dct", "kept");
    writeFile(dir / ".kavrel-AbC123.tmp", "half a store");
    writeFile(dir / "Mac" / "group" / ".kavrel-xyz789.tmp", "half a macro");
    writeFile(dir / "Mac" / "group" / "jump.mck", "kept");
    writeFile(dir / "Mac" / ".kavrel-notes.txt", "not ours: another suffix");

    AtomicFile live(dir / "Mac" / "open.mck"); // a save in progress in this process
    ASSERT_TRUE(live.isOpen());
    ASSERT_TRUE(live.write(bytesOf("in progress")));

    EXPECT_EQ(removeStaleTempFiles(dir.path()), 2);
    EXPECT_FALSE(fs::exists(dir / ".kavrel-AbC123.tmp"));
    EXPECT_FALSE(fs::exists(dir / "Mac" / "group" / ".kavrel-xyz789.tmp"));
    EXPECT_EQ(readFile(dir / "pro.dct"), "kept");
    EXPECT_EQ(readFile(dir / "Mac" / "group" / "jump.mck"), "kept");
    EXPECT_TRUE(fs::exists(dir / "Mac" / ".kavrel-notes.txt"));

    // The live writer's file survived the clean-up and still commits.
    ASSERT_TRUE(live.commit());
    EXPECT_EQ(readFile(dir / "Mac" / "open.mck"), "in progress");
    EXPECT_EQ(removeStaleTempFiles(dir / "missing"), 0);
}

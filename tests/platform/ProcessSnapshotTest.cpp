#include "platform/ProcessSnapshot.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kavrel::platform {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

TEST(ProcessNames, FileNamesSplitAtBothSeparatorsAndMatchWithoutCase)
{
    EXPECT_EQ(fileNameOf("/usr/bin/foo"), "foo");
    EXPECT_EQ(fileNameOf("C:\\Games\\Foo.exe"), "Foo.exe");
    EXPECT_EQ(fileNameOf("Z:/mixed\\path/Game.EXE"), "Game.EXE");
    EXPECT_EQ(fileNameOf("plain"), "plain");
    EXPECT_EQ(fileNameOf("ends/"), "");

    EXPECT_TRUE(containsIgnoringCase("Foo.exe", "foo"));
    EXPECT_TRUE(containsIgnoringCase("Foo.exe", "FOO.EXE"));
    EXPECT_FALSE(containsIgnoringCase("Foo.exe", "foo.exe "));
    EXPECT_FALSE(containsIgnoringCase("anything", "")); // an empty program name matches nothing
    EXPECT_TRUE(containsIgnoringCase("spiel-\xC3\xA4", "\xC3\xA4"));
}

// A /proc-like tree: what each process offers, including entries that vanish or cannot be read.
class FakeProc : public ::testing::Test {
protected:
    TempDir root;
    void process(const std::string& pid, const std::string& exe, std::string cmdline, const std::string& comm)
    {
        const fs::path folder = root / pid;
        fs::create_directories(folder);
        if (!exe.empty())
            fs::create_symlink(exe, folder / "exe");
        if (!cmdline.empty())
            writeFile(folder / "cmdline", cmdline);
        if (!comm.empty())
            writeFile(folder / "comm", comm + "\n");
    }
};

TEST_F(FakeProc, GathersExeArgv0AndCommOfNumericEntriesOnly)
{
    process("1", "/usr/lib/systemd/systemd", std::string("/sbin/init\0splash\0", 18), "systemd");
    process("4242", "/opt/wine/bin/wine64-preloader", std::string("C:\\Games\\Foo.exe\0-fullscreen\0", 30), "Foo.exe");
    process("77", "/usr/bin/vim (deleted)", "", "vim");
    process("self", "/usr/bin/bash", "bash", "bash"); // not a process number
    process("88", "", "", ""); // a process whose entries are all gone
    fs::create_directories(root / "99");
    writeFile(root / "12ab", "not a folder");

    const ProcessSnapshot snapshot = ProcessSnapshot::take(root.path());
    std::vector<std::string> all;
    for (const ProcessNames& p : snapshot.processes())
        all.push_back(p.exe + "|" + p.argv0 + "|" + p.comm);
    EXPECT_THAT(
        all, ::testing::UnorderedElementsAre("systemd|init|systemd", "wine64-preloader|Foo.exe|Foo.exe", "vim||vim"));

    EXPECT_TRUE(snapshot.anyNameContains("foo.exe"));
    EXPECT_TRUE(snapshot.anyNameContains("FOO"));
    EXPECT_TRUE(snapshot.anyNameContains("wine64"));
    EXPECT_TRUE(snapshot.anyNameContains("vim")); // not "vim (deleted)"
    EXPECT_FALSE(snapshot.anyNameContains("deleted"));
    EXPECT_FALSE(snapshot.anyNameContains("bash"));
    EXPECT_FALSE(snapshot.anyNameContains("Games")); // folders are not part of a name
}

// What the user picks from for automatic switching: the names switching matches, each once, Wine names included.
TEST_F(FakeProc, ProgramNamesToChooseFromAreTheNamesSwitchingMatches)
{
    process("1", "/usr/lib/systemd/systemd", std::string("/sbin/init\0splash\0", 18), "systemd");
    process("4242", "/opt/wine/bin/wine64-preloader", std::string("C:\\Games\\Foo.exe\0-fullscreen\0", 30), "Foo.exe");
    process("4243", "/opt/wine/bin/wine64-preloader", std::string("C:\\Games\\Foo.exe\0", 17), "Foo.exe");
    process("5", "", "", "kworker/0:1");
    process("6", "", std::string("[kthreadd]\0", 11), "");
    process("7", "/usr/bin/Zsh", "zsh", "zsh");
    const ProcessSnapshot snapshot = ProcessSnapshot::take(root.path());
    const std::vector<std::string> names = programNamesOf(snapshot.processes());
    EXPECT_THAT(names, ::testing::ElementsAre("Foo.exe", "init", "systemd", "wine64-preloader", "Zsh", "zsh"));
    for (const std::string& name : names)
        EXPECT_TRUE(snapshot.anyNameContains(name)) << name << " would never match";
}

TEST_F(FakeProc, UnreadableEntriesAndAMissingRootGiveFewerNames)
{
    process("10", "/usr/bin/secret", "secret", "secret");
    fs::permissions(root / "10" / "cmdline", fs::perms::none);
    fs::permissions(root / "10" / "comm", fs::perms::none);
    const ProcessSnapshot snapshot = ProcessSnapshot::take(root.path());
    ASSERT_EQ(snapshot.processes().size(), 1u);
    EXPECT_EQ(snapshot.processes()[0].exe, "secret");
    if (geteuid() != 0) { // root reads whatever the permissions say
        EXPECT_EQ(snapshot.processes()[0].comm, "");
    }

    EXPECT_TRUE(ProcessSnapshot::take(root / "missing").processes().empty());
}

TEST_F(FakeProc, TheWalkerReadsArgv0AgainOnlyAfterAnExecOrARename)
{
    process("1", "/usr/bin/steam", std::string("/usr/bin/steam\0", 15), "steam");
    process("2", "/opt/wine/wine64-preloader", std::string("/opt/wine/wine64-preloader\0", 27), "wine64-preloade");
    ProcessWalker walker(root.path());
    EXPECT_FALSE(walker.walk().anyNameContains("foo.exe"));
    EXPECT_EQ(walker.lastArgvReads(), 2);
    EXPECT_FALSE(walker.walk().anyNameContains("foo.exe"));
    EXPECT_EQ(walker.lastArgvReads(), 0);

    // Wine renames argv[0] and comm of its process to the Windows program's.
    writeFile(root / "2" / "cmdline", std::string("C:\\Games\\Foo.exe\0", 17));
    writeFile(root / "2" / "comm", "Foo.exe\n");
    process("3", "/usr/bin/new", "new", "new");
    fs::remove_all(root / "1");
    const ProcessSnapshot snapshot = walker.walk();
    EXPECT_TRUE(snapshot.anyNameContains("foo.exe"));
    EXPECT_FALSE(snapshot.anyNameContains("steam"));
    EXPECT_EQ(walker.lastArgvReads(), 2);
    EXPECT_EQ(snapshot.processes().size(), 2u);
}

TEST_F(FakeProc, TheWalkerReadsTheExecutableAgainOnlyWhenTheCommDoesNotTellAnExecApart)
{
    process("1", "/usr/bin/steam", "steam", "steam");
    // comm keeps 15 bytes of the program's name: these two programs share it.
    process("2", "/opt/game/SuperLongGameName-Launcher", "launcher", "SuperLongGameNa");
    // Another user's process (its executable cannot be read) and a kernel thread.
    process("3", "", "", "ProtectedDaemon");
    process("4", "", "", "kworker/u4:2-events_unbound");
    ProcessWalker walker(root.path());
    walker.walk();
    EXPECT_EQ(walker.lastExeReads(), 4);
    EXPECT_FALSE(walker.walk().anyNameContains("SuperLongGameName-Game"));
    EXPECT_EQ(walker.lastExeReads(), 1) << "only the cut comm of a readable executable is read again";

    // An exec to a program of the same long name start is still seen; one with a short name changes comm.
    fs::remove(root / "2" / "exe");
    fs::create_symlink("/opt/game/SuperLongGameName-Game", root / "2" / "exe");
    fs::remove(root / "1" / "exe");
    fs::create_symlink("/usr/bin/dota2", root / "1" / "exe");
    writeFile(root / "1" / "comm", "dota2\n");
    const ProcessSnapshot snapshot = walker.walk();
    EXPECT_TRUE(snapshot.anyNameContains("SuperLongGameName-Game"));
    EXPECT_TRUE(snapshot.anyNameContains("dota2"));
    EXPECT_EQ(walker.lastExeReads(), 2);
}

TEST_F(FakeProc, TheWalkerKeepsCommFilesOpenWithinItsBudget)
{
    process("1", "/usr/bin/steam", "steam", "steam");
    process("2", "/usr/bin/bash", "bash", "bash");
    process("3", "/usr/bin/vim", "vim", "vim");
    ProcessWalker walker(root.path(), 2);
    walker.walk();
    EXPECT_EQ(walker.lastCommOpens(), 3);
    walker.walk();
    EXPECT_EQ(walker.lastCommOpens(), 1) << "two kept, the third over the budget";

    // A rename is read through the kept file; an ended process gives its place to a new one.
    writeFile(root / "1" / "comm", "dota2\n");
    fs::remove_all(root / "2");
    process("4", "/usr/bin/new", "new", "new");
    const ProcessSnapshot snapshot = walker.walk();
    EXPECT_TRUE(snapshot.anyNameContains("dota2"));
    EXPECT_FALSE(snapshot.anyNameContains("bash"));
    EXPECT_TRUE(snapshot.anyNameContains("new"));
    walker.walk();
    EXPECT_EQ(walker.lastCommOpens(), 1);
}

// Kernel threads and ended processes (no executable, no argv[0]) never run a program: most walks take their
// names from before, without a read. New processes are read at once.
TEST_F(FakeProc, KernelThreadsAreReadAtEveryEighthWalkOnly)
{
    process("1", "/usr/bin/steam", "steam", "steam");
    process("2", "", "", "kthreadd");
    process("3", "", "", "kworker/0:1-events");
    ProcessWalker walker(root.path());
    walker.walk();
    EXPECT_EQ(walker.lastCommReads(), 3);
    writeFile(root / "3" / "comm", "kworker/0:1-mm_percpu_wq\n");
    for (int walk = 2; walk <= 8; ++walk) {
        const ProcessSnapshot snapshot = walker.walk();
        EXPECT_EQ(walker.lastCommReads(), 1) << "walk " << walk;
        EXPECT_TRUE(snapshot.anyNameContains("kthreadd")) << "still listed";
    }
    process("4", "/usr/bin/dota2", "dota2", "dota2");
    const ProcessSnapshot ninth = walker.walk();
    EXPECT_EQ(walker.lastCommReads(), 4);
    EXPECT_TRUE(ninth.anyNameContains("mm_percpu_wq"));
    EXPECT_TRUE(ninth.anyNameContains("dota2"));
}

// A real child whose executable and argv[0] the test chooses, found in the real /proc.
class ChildProcess {
public:
    ChildProcess(const fs::path& program, std::vector<std::string> arguments)
    {
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~ChildProcess()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

// A copy of sleep under a name of the test's choosing, in dir.
fs::path probeProgram(const TempDir& dir, const std::string& name)
{
    const fs::path program = dir / name;
    fs::copy_file("/bin/sleep", program);
    fs::permissions(program, fs::perms::owner_all);
    return program;
}

bool eventually(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(ProcessSnapshotLive, FindsARunningProgramByItsFileAndByAWineStyleArgv0)
{
    TempDir dir;
    const fs::path program = probeProgram(dir, "KavrelProbeGame");

    ChildProcess native(program, {program.string(), "30"});
    EXPECT_TRUE(eventually([] { return ProcessSnapshot::take().anyNameContains("kavrelprobegame"); }));

    ChildProcess wine("/bin/sleep", {"C:\\Games\\KavrelWineProbe.exe", "30"});
    EXPECT_TRUE(eventually([] { return ProcessSnapshot::take().anyNameContains("kavrelwineprobe.EXE"); }));
    EXPECT_FALSE(ProcessSnapshot::take().anyNameContains("Games\\KavrelWineProbe"));
}

// Descriptors of this process open on the comm file of process pid.
int openCommFilesOf(pid_t pid)
{
    const std::string comm = "/proc/" + std::to_string(pid) + "/comm";
    int count = 0;
    for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        count += fs::read_symlink(fd.path(), error) == comm ? 1 : 0;
    }
    return count;
}

// The walker's kept comm files follow a real process through an exec, and let go of it when it ends.
TEST(ProcessSnapshotLive, TheWalkerSeesAnExecAndAnEndThroughItsKeptFiles)
{
    TempDir dir;
    const fs::path program = probeProgram(dir, "KavrelExecProbe");
    const fs::path go = dir / "go";
    const std::string script
        = "while [ ! -e '" + go.string() + "' ]; do sleep 0.01; done; exec '" + program.string() + "' 30";

    ProcessWalker walker;
    auto child = std::make_unique<ChildProcess>("/bin/sh", std::vector<std::string>{"sh", "-c", script});
    const pid_t pid = child->pid();
    walker.walk();
    EXPECT_EQ(openCommFilesOf(pid), 1);
    writeFile(go, "");
    EXPECT_TRUE(eventually([&] { return walker.walk().anyNameContains("kavrelexecprobe"); }));

    child.reset();
    walker.walk();
    EXPECT_FALSE(walker.walk().anyNameContains("kavrelexecprobe"));
    EXPECT_EQ(openCommFilesOf(pid), 0);
}

} // namespace
} // namespace kavrel::platform

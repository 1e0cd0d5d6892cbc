// One walk of the process table, as automatic profile switching takes it at
// every tick: a /proc-like tree of 500 processes (exe link, cmdline, comm),
// the machine's real /proc filled up to 500 processes with idle children, and
// the real /proc as it is.

#include "platform/ProcessSnapshot.h"

#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;
using kavrel::platform::ProcessSnapshot;

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// 500 processes, a third of them Windows programs under Wine.
class FakeProcTree {
public:
    explicit FakeProcTree(int processes)
        : m_root(fs::temp_directory_path() / ("kavrel-bench-proc-" + std::to_string(::getpid())))
    {
        for (int pid = 1; pid <= processes; ++pid) {
            const fs::path folder = m_root / std::to_string(pid);
            fs::create_directories(folder);
            const std::string name = "program" + std::to_string(pid);
            fs::create_symlink("/usr/bin/" + name, folder / "exe");
            const std::string argv0 = pid % 3 == 0 ? "C:\\Games\\" + name + ".exe" : "/usr/bin/" + name;
            writeText(folder / "cmdline", argv0 + std::string("\0--option\0", 10));
            writeText(folder / "comm", name.substr(0, 15) + "\n");
        }
    }
    ~FakeProcTree() { fs::remove_all(m_root); }
    const fs::path& root() const { return m_root; }

private:
    fs::path m_root;
};

void BM_ProcWalk500(benchmark::State& state)
{
    const FakeProcTree tree(500);
    for (auto _ : state) {
        const ProcessSnapshot snapshot = ProcessSnapshot::take(tree.root());
        benchmark::DoNotOptimize(snapshot.anyNameContains("program499.exe"));
    }
    state.counters["processes"] = 500;
}
BENCHMARK(BM_ProcWalk500)->Unit(benchmark::kMicrosecond);

void BM_ProcWalker500(benchmark::State& state)
{
    const FakeProcTree tree(500);
    kavrel::platform::ProcessWalker walker(tree.root());
    walker.walk();
    for (auto _ : state)
        benchmark::DoNotOptimize(walker.walk().anyNameContains("program499.exe"));
    state.counters["processes"] = 500;
}
BENCHMARK(BM_ProcWalker500)->Unit(benchmark::kMicrosecond);

// Idle children that bring the machine's process table to at least 500 entries while they live.
class IdleChildren {
public:
    explicit IdleChildren(std::size_t total)
    {
        for (std::size_t have = ProcessSnapshot::take().processes().size(); have < total; ++have) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::pause();
                ::_exit(0);
            }
            if (pid < 0)
                break;
            m_children.push_back(pid);
        }
    }
    ~IdleChildren()
    {
        for (pid_t pid : m_children)
            ::kill(pid, SIGKILL);
        for (pid_t pid : m_children)
            ::waitpid(pid, nullptr, 0);
    }

private:
    std::vector<pid_t> m_children;
};

void BM_ProcWalkLive500(benchmark::State& state)
{
    const IdleChildren children(500);
    std::size_t count = 0;
    for (auto _ : state) {
        const ProcessSnapshot snapshot = ProcessSnapshot::take();
        count = snapshot.processes().size();
        benchmark::DoNotOptimize(snapshot.anyNameContains("no-such-game.exe"));
    }
    state.counters["processes"] = double(count);
}
BENCHMARK(BM_ProcWalkLive500)->Unit(benchmark::kMicrosecond);

// The walk automatic switching takes: argv[0] only for processes that are new or changed.
void BM_ProcWalkerLive500(benchmark::State& state)
{
    const IdleChildren children(500);
    kavrel::platform::ProcessWalker walker;
    walker.walk();
    std::size_t count = 0;
    for (auto _ : state) {
        const ProcessSnapshot snapshot = walker.walk();
        count = snapshot.processes().size();
        benchmark::DoNotOptimize(snapshot.anyNameContains("no-such-game.exe"));
    }
    state.counters["processes"] = double(count);
}
BENCHMARK(BM_ProcWalkerLive500)->Unit(benchmark::kMicrosecond);

void BM_ProcWalkLive(benchmark::State& state)
{
    std::size_t count = 0;
    for (auto _ : state) {
        const ProcessSnapshot snapshot = ProcessSnapshot::take();
        count = snapshot.processes().size();
        benchmark::DoNotOptimize(snapshot.anyNameContains("no-such-game.exe"));
    }
    state.counters["processes"] = double(count);
}
BENCHMARK(BM_ProcWalkLive)->Unit(benchmark::kMicrosecond);

} // namespace

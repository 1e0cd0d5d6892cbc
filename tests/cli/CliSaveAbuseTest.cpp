// kavrel-cli's saves under abuse: killed at random moments while it writes the
// store and the current id, a disk that takes no more bytes, a read-only data
// folder. Every file is afterwards the complete old or the complete new
// version, and the temporary files a killed save leaves are removed at the
// next start.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t StoreSize = 463840;
constexpr std::size_t ProfileSize = 11596;

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

int tempFileCount(const fs::path& folder)
{
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        count += name.starts_with(".kavrel-") && name.ends_with(".tmp");
    }
    return count;
}

struct Child {
    pid_t pid = -1;
    int status = 0;
};

// Starts kavrel-cli with extra environment entries and, optionally, a file
// size limit (writes past it fail with EFBIG instead of ending the process).
pid_t spawnCli(const std::vector<std::string>& args, const std::vector<std::string>& environment,
    rlim_t fileSizeLimit = RLIM_INFINITY, const fs::path& errorLog = "/dev/null")
{
    const std::string program = (buildBinDir() / "kavrel-cli").string();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), environment.begin(), environment.end());
    std::fflush(nullptr); // the child must not write our buffered output again
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (fileSizeLimit != RLIM_INFINITY) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::freopen("/dev/null", "w", stdout);
    std::freopen(errorLog.c_str(), "w", stderr);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    return status;
}

std::uint32_t slotId(const std::string& store, int slot)
{
    std::uint32_t id = 0;
    std::memcpy(&id, store.data() + std::size_t(slot) * ProfileSize + 4, 4);
    return id;
}

class CliSaves : public ::testing::Test {
protected:
    TempDir dir;
    fs::path data = dir / "data";
    std::vector<std::string> env{
        "KAVREL_HIDGATE=libhidgate-sim.so", "KAVREL_SIM_STATE=" + (dir / "sim.state").string()};

    std::vector<std::string> cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--appdata-dir", data.string()});
        return args;
    }
    int run(const std::vector<std::string>& args, rlim_t limit = RLIM_INFINITY, std::string* errors = nullptr)
    {
        const fs::path log = dir / "stderr.txt";
        const int status = waitFor(spawnCli(cli(args), env, limit, log));
        if (errors)
            *errors = readFile(log);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(CliSaves, LeftOverTemporaryFilesAreRemovedAtTheNextStart)
{
    ASSERT_EQ(run({"switch", "1"}), 0);
    fs::create_directories(data / "Mac" / "group");
    writeFile(data / ".kavrel-a1b2c3.tmp", std::string(1000, 'x'));
    writeFile(data / "Mac" / "group" / ".kavrel-d4e5f6.tmp", "half a macro");
    const std::string store = readFile(data / "pro.dct");

    ASSERT_EQ(run({"profiles"}), 0);
    EXPECT_EQ(tempFileCount(data), 0);
    EXPECT_EQ(readFile(data / "pro.dct"), store);
}

// A store as the first save writes it: whole, three profiles with ids in the
// first slots, every other slot empty.
void expectWholeFirstStore(const std::string& store)
{
    ASSERT_EQ(store.size(), StoreSize) << "the store is torn";
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_NE(slotId(store, slot), 0u) << "slot " << slot;
    EXPECT_EQ(store.find_first_not_of('\0', 3 * ProfileSize), std::string::npos);
}

// Hundreds of kills at random moments of a switch: while it writes the current
// id, and (with the store removed first, so that the switch stores its new
// profiles) while it writes the store.
TEST_F(CliSaves, KilledAtRandomMomentsEveryFileIsWholeOldOrNew)
{
    ASSERT_EQ(run({"switch", "1"}), 0);
    const std::string store = readFile(data / "pro.dct");
    ASSERT_EQ(store.size(), StoreSize);
    const std::set<std::uint32_t> ids{slotId(store, 0), slotId(store, 1), slotId(store, 2)};
    ASSERT_EQ(ids.size(), 3u);

    // How long an undisturbed switch takes. The saves come last, so kills fall
    // in its second half (and a little after it, when it may already be done).
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run({"switch", "2"}), 0);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

    std::mt19937 random(20261210);
    auto killSwitchAtRandom = [&](int round) {
        const pid_t pid = spawnCli(cli({"switch", std::to_string(1 + round % 3)}), env);
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<std::int64_t>(span.count() / 2, span.count() * 11 / 10)(random)));
        kill(pid, SIGKILL);
        waitFor(pid);
        return tempFileCount(data) > 0;
    };

    int leftTempFiles = 0;
    constexpr int IdRounds = 160;
    for (int round = 0; round < IdRounds; ++round) {
        SCOPED_TRACE("current id round " + std::to_string(round));
        leftTempFiles += killSwitchAtRandom(round);
        const std::string id = readFile(data / "curid.dct");
        ASSERT_EQ(id.size(), 4u) << "the current id is torn or empty";
        std::uint32_t value = 0;
        std::memcpy(&value, id.data(), 4);
        ASSERT_TRUE(ids.contains(value));
        ASSERT_TRUE(readFile(data / "pro.dct") == store) << "the store changed";
    }

    constexpr int StoreRounds = 40;
    for (int round = 0; round < StoreRounds; ++round) {
        SCOPED_TRACE("store round " + std::to_string(round));
        fs::remove(data / "pro.dct");
        leftTempFiles += killSwitchAtRandom(round);
        if (fs::exists(data / "pro.dct"))
            expectWholeFirstStore(readFile(data / "pro.dct"));
        ASSERT_EQ(readFile(data / "curid.dct").size(), 4u);
    }
    std::printf("%d kills, %d of them left a temporary file\n", IdRounds + StoreRounds, leftTempFiles);

    // The next start cleans up; a complete run leaves both files whole.
    fs::remove(data / "pro.dct");
    ASSERT_EQ(run({"switch", "3"}), 0);
    EXPECT_EQ(tempFileCount(data), 0);
    expectWholeFirstStore(readFile(data / "pro.dct"));
    std::uint32_t value = 0;
    std::memcpy(&value, readFile(data / "curid.dct").data(), 4);
    EXPECT_EQ(value, slotId(readFile(data / "pro.dct"), 2));
}

// A disk that takes no more bytes (a file size limit well above what the
// simulated keyboard keeps, below the store's size): the save fails with a
// message that names the file and the reason; the old files stay whole and no
// temporary file is left.
TEST_F(CliSaves, FullDiskKeepsTheOldFilesAndSaysWhy)
{
    ASSERT_EQ(run({"switch", "1"}), 0);
    const std::string id = readFile(data / "curid.dct");
    fs::remove(data / "pro.dct");

    std::string errors;
    EXPECT_EQ(run({"switch", "2"}, 100000, &errors), 1);
    EXPECT_TRUE(has(errors, (data / "pro.dct").string())) << errors;
    EXPECT_TRUE(has(errors, std::strerror(EFBIG))) << errors;
    EXPECT_FALSE(fs::exists(data / "pro.dct"));
    EXPECT_EQ(readFile(data / "curid.dct"), id);
    EXPECT_EQ(tempFileCount(data), 0);
}

// A data folder that cannot be written: as root (who writes through modes) a
// read-only bind mount of it, else its modes.
TEST_F(CliSaves, ReadOnlyDataFolderKeepsTheOldFilesAndSaysWhy)
{
    ASSERT_EQ(run({"switch", "1"}), 0);
    const std::string store = readFile(data / "pro.dct");
    const std::string id = readFile(data / "curid.dct");
    bool mounted = false;
    if (geteuid() == 0) {
        if (mount(data.c_str(), data.c_str(), nullptr, MS_BIND, nullptr) != 0)
            GTEST_SKIP() << "no read-only bind mount here: " << std::strerror(errno);
        mounted = true;
        if (mount(nullptr, data.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            umount(data.c_str());
            GTEST_SKIP() << "no read-only remount here: " << std::strerror(errno);
        }
    } else {
        fs::permissions(data, fs::perms::owner_read | fs::perms::owner_exec);
    }

    std::string errors;
    const int status = run({"switch", "2"}, RLIM_INFINITY, &errors);
    if (mounted)
        umount(data.c_str());
    else
        fs::permissions(data, fs::perms::owner_all);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(has(errors, (data / "curid.dct").string())) << errors;
    EXPECT_TRUE(has(errors, std::strerror(mounted ? EROFS : EACCES))) << errors;
    EXPECT_EQ(readFile(data / "pro.dct"), store);
    EXPECT_EQ(readFile(data / "curid.dct"), id);
}

} // namespace

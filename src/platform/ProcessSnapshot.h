#pragma once

#include "platform/UniqueFd.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kavrel::platform {

// The names a running process is known by: the file names of its executable (/proc/PID/exe, when readable)
// and of argv[0] (/proc/PID/cmdline), and its comm. A Windows program under Wine or Proton has an argv[0]
// such as "C:\Games\Foo.exe", so file names are split at both '/' and '\'. Missing names are empty.
struct ProcessNames {
    std::string exe;
    std::string argv0;
    std::string comm;
};

// The last part of a path split at '/' and '\'.
std::string_view fileNameOf(std::string_view path);

// True when needle is a substring of haystack, ASCII letters compared without regard to case (other bytes
// exactly). An empty needle matches nothing.
bool containsIgnoringCase(std::string_view haystack, std::string_view needle);

// The names automatic switching can match, for a user choosing one: every name (executable, argv[0], comm)
// of every process, each once, sorted without regard to case. Empty names, names of digits only, names in
// brackets and names with a path separator (kernel threads such as "kworker/0:1") are left out: no program a
// user starts is known by them.
std::vector<std::string> programNamesOf(const std::vector<ProcessNames>& processes);

// One walk of the process table. Processes that end during the walk, or whose entries cannot be read,
// simply give fewer names (or none); the walk never fails.
class ProcessSnapshot {
public:
    // Walks procRoot (a /proc-like folder: numeric entries with exe, cmdline and comm).
    static ProcessSnapshot take(const std::filesystem::path& procRoot = "/proc");

    const std::vector<ProcessNames>& processes() const { return m_processes; }

    // True when any name of any process contains the program name (case-insensitive).
    bool anyNameContains(std::string_view programName) const;

private:
    friend class ProcessWalker;
    std::vector<ProcessNames> m_processes;
};

// Walks the process table at every tick of automatic switching, keeping what it read last time. Each
// process's comm is read at every walk; an exec sets it to the new program's file name and Wine renames it
// with argv[0]. So a comm that stayed the same and is not exactly comm's 15 bytes long means the same
// program: its executable and argv[0] are taken from the last walk. A comm of 15 bytes may be the cut name
// of another program: the executable is read again (unless it could not be read last time), and argv[0]
// when the executable or comm changed.
//
// The comm file of each process stays open between walks (up to keptFiles of them), so that a walk reads it
// with one call instead of three: a kept /proc descriptor reads the same process's current comm, and fails
// once that process has ended, even when its number has been given to a new one. Kernel threads (most of
// the table on a quiet machine) and ended processes not yet collected have neither an executable nor an
// argv[0] and never run a program: they are read at every eighth walk only.
class ProcessWalker {
public:
    explicit ProcessWalker(std::filesystem::path procRoot = "/proc", std::size_t keptFiles = defaultKeptFiles());
    ProcessSnapshot walk();
    // Executable, argv[0] and comm reads, and comm opens, of the last walk (tests).
    int lastExeReads() const { return m_exeReads; }
    int lastArgvReads() const { return m_argvReads; }
    int lastCommReads() const { return m_commReads; }
    int lastCommOpens() const { return m_commOpens; }

    // Half the descriptors this process may open, at most 512: fewer than 1024 stay open in all.
    static std::size_t defaultKeptFiles();

private:
    static constexpr int KernelSideRestingWalks = 7;
    struct Known {
        ProcessNames names;
        UniqueFd comm; // open between walks; invalid when over the budget or not readable
        bool kernelSide = false; // a kernel thread or an ended process: no executable, no argv[0]
        int restingWalks = 0; // walks that take the names from this one without reading
    };
    // Reads a process's names, taking from its previous walk what its comm says did not change.
    Known read(const char* pid, int rootFd, Known* previous, bool keepFile);

    std::filesystem::path m_root;
    std::size_t m_keptFiles;
    std::unordered_map<std::string, Known> m_known; // by process number
    int m_exeReads = 0;
    int m_argvReads = 0;
    int m_commOpens = 0;
    int m_commReads = 0;
};

} // namespace kavrel::platform

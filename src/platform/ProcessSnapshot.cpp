#include "platform/ProcessSnapshot.h"

#include "platform/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <span>

namespace kavrel::platform {
namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isPidName(const char* name)
{
    if (*name == '\0')
        return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

// "<pid>/<entry>", relative to the walked folder: one call per entry, no open of the process's own folder.
class EntryPath {
public:
    explicit EntryPath(const char* pid)
    {
        const std::size_t length = std::strlen(pid);
        std::memcpy(m_text.data(), pid, length);
        m_text[length] = '/';
        m_nameAt = length + 1;
    }
    const char* operator()(std::string_view entry)
    {
        std::memcpy(m_text.data() + m_nameAt, entry.data(), entry.size());
        m_text[m_nameAt + entry.size()] = '\0';
        return m_text.data();
    }

private:
    std::array<char, 256 + 16> m_text{}; // a file name has at most 255 bytes
    std::size_t m_nameAt = 0;
};

UniqueFd openEntry(int root, const char* path)
{
    return UniqueFd(::openat(root, path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
}

// Up to the buffer's size of an open small /proc file, from its start; nothing when it cannot be read (for
// a kept /proc descriptor: its process has ended).
std::optional<std::string_view> readAt(const UniqueFd& fd, std::span<char> buffer)
{
    const ssize_t n = fd.valid() ? ::pread(fd.get(), buffer.data(), buffer.size(), 0) : -1;
    if (n < 0)
        return std::nullopt;
    return std::string_view(buffer.data(), std::size_t(n));
}

// Up to the buffer's size of a small /proc file; empty when it cannot be read.
std::string_view readSmall(int root, const char* path, std::span<char> buffer)
{
    return readAt(openEntry(root, path), buffer).value_or(std::string_view());
}

// The executable's file name; empty, with the reason in error, when it cannot be read.
std::string exeName(int root, EntryPath& path, int* error = nullptr)
{
    std::array<char, 4096> target;
    const ssize_t n = ::readlinkat(root, path("exe"), target.data(), target.size());
    if (error)
        *error = n < 0 ? errno : 0;
    if (n <= 0)
        return {};
    std::string_view link(target.data(), std::size_t(n));
    // An executable replaced or removed while it runs reads "/usr/bin/foo (deleted)".
    constexpr std::string_view deleted = " (deleted)";
    if (link.ends_with(deleted))
        link.remove_suffix(deleted.size());
    return std::string(fileNameOf(link));
}

std::string argv0Name(int root, EntryPath& path)
{
    std::array<char, 4096> buffer;
    std::string_view cmdline = readSmall(root, path("cmdline"), buffer);
    cmdline = cmdline.substr(0, cmdline.find('\0'));
    return std::string(fileNameOf(cmdline));
}

std::string commText(std::string_view comm)
{
    if (comm.ends_with('\n'))
        comm.remove_suffix(1);
    return std::string(comm);
}

std::string commName(int root, EntryPath& path)
{
    std::array<char, 64> buffer;
    return commText(readSmall(root, path("comm"), buffer));
}

} // namespace

std::string_view fileNameOf(std::string_view path)
{
    const auto cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle)
{
    if (needle.empty())
        return false;
    const auto found = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
        [](char a, char b) { return asciiLower(a) == asciiLower(b); });
    return found != haystack.end();
}

namespace {

// Calls visit(pid, rootFd) for every process folder of the walked folder; the walk never fails.
template <class Visit> void forEachProcess(const std::filesystem::path& procRoot, Visit visit)
{
    DIR* dir = ::opendir(procRoot.c_str());
    if (!dir)
        return;
    const int rootFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir))
        if (isPidName(entry->d_name))
            visit(entry->d_name, rootFd);
    ::closedir(dir);
}

struct KeptRead {
    std::string_view text; // in the buffer
    bool opened = false; // the file was opened for this read
    bool ended = false; // the kept file's process has ended
};

// A small /proc file read through the descriptor kept from the last walk, when there is one; otherwise
// opened, and kept only when keepNew.
KeptRead readKept(UniqueFd& file, int root, const char* path, bool keepNew, std::span<char> buffer)
{
    KeptRead read;
    if (const auto text = readAt(file, buffer))
        read.text = *text;
    else {
        read.ended = file.valid();
        file = openEntry(root, path);
        read.opened = true;
        read.text = readAt(file, buffer).value_or(std::string_view());
        if (!keepNew)
            file.reset();
    }
    return read;
}

// The kernel keeps at most this many bytes of a program's name as its comm.
constexpr std::size_t CommBytes = 15;

bool hasAnyName(const ProcessNames& names)
{
    return !names.exe.empty() || !names.argv0.empty() || !names.comm.empty();
}

} // namespace

ProcessSnapshot ProcessSnapshot::take(const std::filesystem::path& procRoot)
{
    ProcessSnapshot snapshot;
    forEachProcess(procRoot, [&snapshot](const char* pid, int rootFd) {
        // A process that ends meanwhile simply gives empty names.
        EntryPath path(pid);
        ProcessNames names{exeName(rootFd, path), argv0Name(rootFd, path), commName(rootFd, path)};
        if (hasAnyName(names))
            snapshot.m_processes.push_back(std::move(names));
    });
    return snapshot;
}

ProcessWalker::ProcessWalker(std::filesystem::path procRoot, std::size_t keptFiles)
    : m_root(std::move(procRoot))
    , m_keptFiles(keptFiles)
{
}

std::size_t ProcessWalker::defaultKeptFiles()
{
    constexpr std::size_t most = 512;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return most;
    return std::min<std::size_t>(most, limit.rlim_cur / 2);
}

ProcessSnapshot ProcessWalker::walk()
{
    ProcessSnapshot snapshot;
    std::unordered_map<std::string, Known> seen;
    seen.reserve(m_known.size() + 16);
    m_exeReads = 0;
    m_argvReads = 0;
    m_commOpens = 0;
    m_commReads = 0;
    std::size_t kept = 0;
    forEachProcess(m_root, [&](const char* pid, int rootFd) {
        const auto found = m_known.find(pid);
        Known* previous = found == m_known.end() ? nullptr : &found->second;
        Known entry;
        if (previous && previous->restingWalks > 0) {
            entry = std::move(*previous);
            --entry.restingWalks;
        } else {
            entry = read(pid, rootFd, previous, kept < m_keptFiles);
        }
        kept += entry.comm.valid() ? 1 : 0;
        if (hasAnyName(entry.names))
            snapshot.m_processes.push_back(entry.names);
        seen.emplace(pid, std::move(entry));
    });
    m_known = std::move(seen);
    return snapshot;
}

ProcessWalker::Known ProcessWalker::read(const char* pid, int rootFd, Known* previous, bool keepFile)
{
    EntryPath path(pid);
    Known entry;
    if (previous)
        entry.comm = std::move(previous->comm);
    std::array<char, 64> buffer;
    const KeptRead comm = readKept(entry.comm, rootFd, path("comm"), keepFile, buffer);
    // A kept file that cannot be read: the process ended and its number went to a new one.
    if (comm.ended)
        previous = nullptr;
    m_commOpens += comm.opened ? 1 : 0;
    ++m_commReads;
    ProcessNames& names = entry.names;
    names.comm = commText(comm.text);
    const bool sameComm = previous && previous->names.comm == names.comm;
    // A comm of other than 15 bytes is a whole name (kernel threads' are longer and never exec); an
    // executable that could not be read stays unreadable for the same program.
    const bool exeKnown = sameComm && (names.comm.size() != CommBytes || previous->names.exe.empty());
    int exeError = 0;
    if (!exeKnown) {
        names.exe = exeName(rootFd, path, &exeError);
        ++m_exeReads;
    }
    if (sameComm && (exeKnown || previous->names.exe == names.exe)) {
        if (exeKnown)
            names.exe = std::move(previous->names.exe);
        names.argv0 = std::move(previous->names.argv0);
    } else {
        names.argv0 = argv0Name(rootFd, path);
        ++m_argvReads;
    }
    // No executable at all (not one that may not be read) and no argv[0]: a kernel thread, or a process
    // that has ended and waits for its parent. Neither ever runs a program, so it is read again only
    // every few walks.
    entry.kernelSide = exeKnown ? previous->kernelSide : exeError == ENOENT && names.argv0.empty();
    entry.restingWalks = entry.kernelSide ? KernelSideRestingWalks : 0;
    return entry;
}

bool ProcessSnapshot::anyNameContains(std::string_view programName) const
{
    return std::any_of(m_processes.begin(), m_processes.end(), [programName](const ProcessNames& p) {
        return containsIgnoringCase(p.exe, programName) || containsIgnoringCase(p.argv0, programName)
            || containsIgnoringCase(p.comm, programName);
    });
}

std::vector<std::string> programNamesOf(const std::vector<ProcessNames>& processes)
{
    std::vector<std::string> names;
    for (const ProcessNames& process : processes) {
        for (const std::string* name : {&process.exe, &process.argv0, &process.comm}) {
            if (name->empty() || name->front() == '[' || isPidName(name->c_str())
                || name->find_first_of("/\\") != std::string::npos)
                continue;
            names.push_back(*name);
        }
    }
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), asciiLower);
        return text;
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        const std::string la = lower(a);
        const std::string lb = lower(b);
        return la != lb ? la < lb : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace kavrel::platform

#include "platform/ProcessSnapshot.h"

#include "platform/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
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

// Up to the buffer's size of a small /proc file; empty when it cannot be read.
std::string_view readSmall(int root, const char* path, std::span<char> buffer)
{
    UniqueFd fd(::openat(root, path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid())
        return {};
    const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
    return n > 0 ? std::string_view(buffer.data(), std::size_t(n)) : std::string_view();
}

std::string exeName(int root, EntryPath& path)
{
    std::array<char, 4096> target;
    const ssize_t n = ::readlinkat(root, path("exe"), target.data(), target.size());
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

std::string commName(int root, EntryPath& path)
{
    std::array<char, 64> buffer;
    std::string_view comm = readSmall(root, path("comm"), buffer);
    if (comm.ends_with('\n'))
        comm.remove_suffix(1);
    return std::string(comm);
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

ProcessWalker::ProcessWalker(std::filesystem::path procRoot)
    : m_root(std::move(procRoot))
{
}

ProcessSnapshot ProcessWalker::walk()
{
    ProcessSnapshot snapshot;
    std::unordered_map<std::string, ProcessNames> seen;
    seen.reserve(m_known.size() + 16);
    m_exeReads = 0;
    m_argvReads = 0;
    forEachProcess(m_root, [&](const char* pid, int rootFd) {
        EntryPath path(pid);
        ProcessNames names{{}, {}, commName(rootFd, path)};
        const auto known = m_known.find(pid);
        const bool sameComm = known != m_known.end() && known->second.comm == names.comm;
        // A comm of other than 15 bytes is a whole name (kernel threads' are longer and never exec); an
        // executable that could not be read stays unreadable for the same program.
        const bool exeKnown = sameComm && (names.comm.size() != CommBytes || known->second.exe.empty());
        if (!exeKnown) {
            names.exe = exeName(rootFd, path);
            ++m_exeReads;
        }
        if (sameComm && (exeKnown || known->second.exe == names.exe)) {
            if (exeKnown)
                names.exe = std::move(known->second.exe);
            names.argv0 = std::move(known->second.argv0);
        } else {
            names.argv0 = argv0Name(rootFd, path);
            ++m_argvReads;
        }
        if (hasAnyName(names))
            snapshot.m_processes.push_back(names);
        seen.emplace(pid, std::move(names));
    });
    m_known = std::move(seen);
    return snapshot;
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

#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>

namespace kavrel::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view TempPrefix = ".kavrel-";
constexpr std::string_view TempSuffix = ".tmp";

// The permission bits of a new file: those of the file being replaced, else
// 0666 less the process's umask (read without changing it).
mode_t newFileMode(const fs::path& target)
{
    struct stat info { };
    if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 0644;
}

fs::path folderOf(const fs::path& target)
{
    const fs::path parent = target.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// Makes a finished rename durable; a failure here does not undo the rename.
void syncFolder(const fs::path& folder)
{
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get());
}

int renameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without RENAME_NOREPLACE: a hard link also refuses an existing name.
    if (::link(from, to) != 0)
        return errno;
    ::unlink(from);
    return 0;
}

} // namespace

bool isAtomicTempName(std::string_view fileName)
{
    return fileName.starts_with(TempPrefix) && fileName.ends_with(TempSuffix);
}

AtomicFile::AtomicFile(fs::path target, Durability durability)
    : m_target(std::move(target))
    , m_durability(durability)
{
    // A short name of our own: the target's name may already be as long as a name can be.
    m_tempPath = (folderOf(m_target) / (std::string(TempPrefix) + "XXXXXX" + std::string(TempSuffix))).string();
    m_fd.reset(::mkostemps(m_tempPath.data(), int(TempSuffix.size()), O_CLOEXEC));
    if (!m_fd.valid()) {
        m_error = {WriteStep::Create, errno};
        m_tempPath.clear();
        return;
    }
    // Held until the file is renamed or removed: it tells removeStaleTempFiles
    // that this file belongs to a save still running. The lock dies with the process.
    ::flock(m_fd.get(), LOCK_EX | LOCK_NB);
    ::fchmod(m_fd.get(), newFileMode(m_target));
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : m_target(std::move(other.m_target))
    , m_tempPath(std::exchange(other.m_tempPath, {}))
    , m_fd(std::move(other.m_fd))
    , m_error(other.m_error)
    , m_durability(other.m_durability)
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard()
{
    m_fd.reset();
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
}

bool AtomicFile::fail(WriteStep step, int error)
{
    m_error = {step, error};
    discard();
    return false;
}

bool AtomicFile::write(std::span<const std::byte> bytes)
{
    if (!m_fd.valid())
        return false;
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_fd.get(), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail(WriteStep::Write, written < 0 ? errno : ENOSPC);
        bytes = bytes.subspan(std::size_t(written));
    }
    return true;
}

bool AtomicFile::commit(bool replace)
{
    if (!m_fd.valid())
        return false;
    const bool synced = m_durability == Durability::Synced;
    if (synced && ::fsync(m_fd.get()) != 0)
        return fail(WriteStep::Write, errno);
    // The file stays open (and locked) across the rename, so that a clean-up
    // in another process never takes it for a dead writer's file.
    if (replace) {
        if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
            return fail(WriteStep::Commit, errno);
    } else if (const int error = renameNoReplace(m_tempPath.c_str(), m_target.c_str()); error != 0) {
        return fail(WriteStep::Commit, error);
    }
    m_tempPath.clear();
    if (m_fd.reset() != 0 && !synced) // written back late: the error may mean the content is lost
        return fail(WriteStep::Write, errno);
    if (synced)
        syncFolder(folderOf(m_target));
    return true;
}

int removeStaleTempFiles(const fs::path& folder)
{
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    int removed = 0;
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        const fs::directory_entry& entry = *walk;
        std::error_code typeError;
        if (!isAtomicTempName(entry.path().filename().string()) || !entry.is_regular_file(typeError))
            continue;
        const UniqueFd fd(::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue; // a save in progress (or not ours to open)
        if (::unlink(entry.path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

bool writeFileAtomically(const fs::path& path, std::span<const std::byte> bytes, WriteError* error)
{
    AtomicFile file(path);
    const bool ok = file.isOpen() && file.write(bytes) && file.commit();
    if (error)
        *error = ok ? WriteError{} : file.lastError();
    return ok;
}

} // namespace kavrel::platform

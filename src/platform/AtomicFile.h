#pragma once

#include "platform/UniqueFd.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace kavrel::platform {

// Whether commit() flushes the file and its folder to disk before and after
// the rename. Unsynced still never shows a reader half a file; it only may
// lose the newest content in a power cut (for state that need not survive one).
enum class Durability { Synced, Unsynced };

// Which step of replacing a file failed.
enum class WriteStep { None, Create, Write, Commit };

struct WriteError {
    WriteStep step = WriteStep::None;
    int error = 0; // errno of the failing call
};

// Replaces one file whole. The bytes go to a temporary file in the same
// folder; commit() flushes it to disk and renames it over the target, so a
// crash or a full disk leaves either the old file or the complete new one,
// never half of it. Destroying an uncommitted AtomicFile removes the
// temporary file and leaves the target untouched.
class AtomicFile {
public:
    // Opens the temporary file; check isOpen() and lastError().
    explicit AtomicFile(std::filesystem::path target, Durability durability = Durability::Synced);
    ~AtomicFile();
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool isOpen() const { return m_fd.valid(); }
    const WriteError& lastError() const { return m_error; }
    const std::filesystem::path& target() const { return m_target; }

    // Appends bytes; false (and the file is abandoned) on a failed or short write.
    bool write(std::span<const std::byte> bytes);

    // Makes the new content the target's. With replace false the commit fails
    // with EEXIST when the target already exists, and the target is untouched.
    bool commit(bool replace = true);

private:
    bool fail(WriteStep step, int error);
    void discard();

    std::filesystem::path m_target;
    std::string m_tempPath;
    UniqueFd m_fd;
    WriteError m_error;
    Durability m_durability = Durability::Synced;
};

// True for the names of AtomicFile's temporary files (".kavrel-XXXXXX.tmp"),
// which a crash may leave behind; folder walks skip them.
bool isAtomicTempName(std::string_view fileName);

// Removes the temporary files that writers killed mid-save left in the folder
// and its subfolders (symbolic links are not followed). A writer holds a lock
// on its temporary file until the rename, so the file of a save still running
// in any process is kept. Returns how many files were removed; a missing or
// unreadable folder removes nothing.
int removeStaleTempFiles(const std::filesystem::path& folder);

// Every write replaces the file whole: a crash leaves the old file, never half of the new one.
bool writeFileAtomically(
    const std::filesystem::path& path, std::span<const std::byte> bytes, WriteError* error = nullptr);

} // namespace kavrel::platform

#include "macro/MacroLibrary.h"

#include "app/Config.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "model/TimeId.h"
#include "platform/UniqueFd.h"
#include "xml/Utf.h"

#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace kavrel {
namespace fs = std::filesystem;

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

enum class EntryType { Folder, Other };

// Real folders only: a symbolic link to a folder counts as "other".
EntryType typeOf(const std::string& path, unsigned char dtype)
{
    if (dtype == DT_DIR)
        return EntryType::Folder;
    if (dtype != DT_UNKNOWN)
        return EntryType::Other;
    struct stat info { };
    if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return EntryType::Folder;
    return EntryType::Other;
}

bool isDotName(std::string_view name)
{
    return name == "." || name == "..";
}

bool isSkippedFolderName(std::string_view name)
{
    return name.starts_with('.') || name.starts_with('$');
}

bool tooLong(std::string_view path)
{
    return utf::characterCount(path) >= LibraryPathLimit;
}

std::string withSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// The names in a folder, in listing order, without "." and "..".
struct Listed {
    std::string name;
    EntryType type;
};

std::vector<Listed> listFolder(const std::string& folder, int* errorOut = nullptr)
{
    std::vector<Listed> entries;
    const DirPtr dir(::opendir(folder.c_str()));
    if (!dir) {
        if (errorOut)
            *errorOut = errno;
        return entries;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (isDotName(entry->d_name))
            continue;
        entries.push_back({entry->d_name, typeOf(withSlash(folder) + entry->d_name, entry->d_type)});
    }
    return entries;
}

bool hasMacroExtension(std::string_view fileName)
{
    if (fileName.size() < 4)
        return false;
    std::string extension(fileName.substr(fileName.size() - 4));
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".mck";
}

void loadMacroFile(const std::string& path, const std::string& fileName, const LoadMacroOptions& options)
{
    MacroReadResult read = ReadMacroFile(path, options.anyMouseKeys ? ~0 : Cfg.MacroHasMsKey);
    if (!read.ok()) {
        if (options.view && hasMacroExtension(fileName))
            options.view->addDamaged(options.parent, macroTitleOfFileName(fileName), path, read);
        return;
    }
    if (options.newIds) {
        read.macro.dwId = MakeTimeId();
        read.macro.dwFlags |= MacroSettingsChanged;
    }
    if (options.addToList)
        AddToList(read.macro);
    if (options.view)
        options.view->addMacro(options.parent, macroTitleOfFileName(fileName), path, read.macro);
}

} // namespace

std::string MacroLibraryRoot()
{
    return AppDataFolder() + "Mac";
}

std::string libraryNameProblem(std::string_view name)
{
    if (name.empty())
        return "A name cannot be empty.";
    if (name == "." || name == "..")
        return "The name \"" + std::string(name) + "\" cannot be used.";
    if (name.find('/') != std::string_view::npos)
        return "A name cannot contain \"/\".";
    if (name.find('\0') != std::string_view::npos)
        return "A name cannot contain a NUL character.";
    return {};
}

std::optional<std::string> libraryChildPath(std::string_view folder, std::string_view name, bool group)
{
    const std::string problem = libraryNameProblem(name);
    if (!problem.empty()) {
        WriteLog("Library name refused: %s", problem.c_str());
        return std::nullopt;
    }
    std::string path = withSlash(std::string(folder)) + std::string(name);
    if (!group)
        path += ".mck";
    return path;
}

std::string macroTitleOfFileName(std::string_view fileName)
{
    return std::string(fileName.substr(0, fileName.rfind('.')));
}

bool LoadMacroFolder(const std::string& folderPath, bool recurse, const LoadMacroOptions& options)
{
    if (tooLong(folderPath))
        return true;
    const std::string folder = withSlash(folderPath);
    for (const Listed& entry : listFolder(folder)) {
        const std::string path = folder + entry.name;
        if (entry.type == EntryType::Folder) {
            if (isSkippedFolderName(entry.name) || !recurse || !options.subFolders)
                continue;
            LoadMacroOptions inner = options;
            if (options.view)
                inner.parent = options.view->addGroup(options.parent, entry.name, path + "/" + entry.name + ".png");
            LoadMacroFolder(path + "/", recurse, inner);
            continue;
        }
        if (platform::isAtomicTempName(entry.name))
            continue; // left by a write that never finished
        loadMacroFile(path, entry.name, options);
    }
    return true;
}

bool MakeSureFolderExist(const std::string& filePath)
{
    const fs::path folder = fs::path(filePath).parent_path();
    fs::path sofar;
    for (const fs::path& part : folder) {
        sofar /= part;
        struct stat info { };
        if (::stat(sofar.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            continue;
        if (::mkdir(sofar.c_str(), 0777) == 0
            || (errno == EEXIST && ::stat(sofar.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
            continue;
        const int error = errno == EEXIST ? ENOTDIR : errno;
        WriteLog("MakeSureFolderExist: create dir %s, err=0x%x", sofar.c_str(), unsigned(error));
        return false;
    }
    return true;
}

platform::AtomicFile MyCreateFile(const fs::path& path)
{
    platform::AtomicFile file(path);
    if (!file.isOpen() && file.lastError().error == ENOENT && MakeSureFolderExist(path.string()))
        return platform::AtomicFile(path);
    if (!file.isOpen())
        WriteLog("MyCreateFile: %s, error=0x%x", path.c_str(), unsigned(file.lastError().error));
    return file;
}

namespace {

// Copies into a new file that appears whole or not at all, refusing an
// existing destination. Returns 0 or the errno of the failure.
int copyOnce(const platform::UniqueFd& source, const std::string& destination)
{
    if (::lseek(source.get(), 0, SEEK_SET) < 0)
        return errno;
    platform::AtomicFile target(destination);
    if (!target.isOpen())
        return target.lastError().error;
    std::vector<std::byte> buffer(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(source.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            break;
        if (!target.write(std::span(buffer).first(std::size_t(got))))
            return target.lastError().error;
    }
    return target.commit(false) ? 0 : target.lastError().error;
}

int openRegularFile(const std::string& path, platform::UniqueFd& fd)
{
    fd.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return errno;
    struct stat info { };
    if (::fstat(fd.get(), &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return 0;
}

} // namespace

bool MyCopyFile(const std::string& source, const std::string& destination)
{
    platform::UniqueFd fd;
    int error = openRegularFile(source, fd);
    if (error == 0) {
        error = copyOnce(fd, destination);
        if (error == ENOENT && MakeSureFolderExist(destination))
            return copyOnce(fd, destination) == 0;
    }
    if (error == 0)
        return true;
    WriteLog("MyCopyFile: %s, error=0x%x", source.c_str(), unsigned(error));
    return false;
}

bool isMissingPathError(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

bool DeleteFolderTree(const std::string& folderPath, int* errorOut)
{
    if (tooLong(folderPath))
        return true;
    const std::string folder = withSlash(folderPath);
    // Deleting entries needs write access to the folder (the "read-only" attribute).
    struct stat info { };
    if (::lstat(folderPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        ::chmod(folderPath.c_str(), (info.st_mode & 07777) | S_IRWXU);
    int error = 0;
    for (const Listed& entry : listFolder(folder, &error)) {
        const std::string path = folder + entry.name;
        if (entry.type == EntryType::Folder) {
            if (isSkippedFolderName(entry.name))
                continue;
            if (!DeleteFolderTree(path, errorOut))
                return false;
            continue;
        }
        if (::unlink(path.c_str()) != 0) {
            const int unlinkError = errno;
            WriteLog("DeleteFile %s, err=%d", path.c_str(), unlinkError);
            if (errorOut)
                *errorOut = unlinkError;
            return false;
        }
    }
    if (::rmdir(folderPath.c_str()) == 0)
        return true;
    if (errorOut)
        *errorOut = error != 0 ? error : errno;
    return false;
}

namespace {

// Every file below a folder, as paths relative to it; collected before any
// copy so that copying a folder into itself cannot feed the walk.
void collectFiles(const std::string& folder, const std::string& relative, std::vector<std::string>& files)
{
    for (const Listed& entry : listFolder(folder)) {
        if (entry.type == EntryType::Folder) {
            if (!isSkippedFolderName(entry.name))
                collectFiles(folder + entry.name + "/", relative + entry.name + "/", files);
            continue;
        }
        files.push_back(relative + entry.name);
    }
}

} // namespace

int CopyFolderInto(const std::string& chosen, const std::string& destination)
{
    std::string source = chosen;
    while (source.size() > 1 && source.back() == '/')
        source.pop_back();
    const std::string name = fs::path(source).filename().string();
    if (name.empty() || isDotName(name))
        return 0;
    std::vector<std::string> files;
    collectFiles(source + "/", {}, files);
    const std::string target = withSlash(destination) + name + "/";
    int copied = 0;
    for (const std::string& file : files) {
        if (MyCopyFile(source + "/" + file, target + file))
            ++copied;
    }
    return copied;
}

} // namespace kavrel

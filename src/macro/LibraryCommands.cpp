#include "macro/LibraryCommands.h"

#include "macro/KeyLabel.h"
#include "macro/Macro.h"
#include "macro/MacroLibrary.h"
#include "model/Lists.h"
#include "model/Profile.h"
#include "model/TimeId.h"
#include "platform/AtomicFile.h"
#include "platform/FileRead.h"
#include "xml/Utf.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kavrel {
namespace fs = std::filesystem;

namespace {

// Export copies at most this much: a macro file is 834 bytes; anything far
// larger is not one the library wrote.
constexpr std::size_t ExportSizeLimit = 1 << 20;

} // namespace

std::string groupNameProblem(std::string_view name)
{
    return libraryNameProblem(name);
}

std::string macroNameProblem(std::string_view name)
{
    std::string problem = libraryNameProblem(name);
    if (problem.empty() && utf::characterCount(name) > std::size_t(MacroNameChars))
        problem = "A macro name can have at most " + std::to_string(MacroNameChars) + " characters.";
    return problem;
}

std::string nameWithoutExtension(std::string_view name)
{
    return macroTitleOfFileName(name);
}

bool libraryPathTaken(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

int moveLibraryEntry(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace move: look first, then move.
    if (libraryPathTaken(to))
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int deleteMacroFile(const std::string& path)
{
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

int copyFileReplacing(const std::string& source, const std::string& destination)
{
    const platform::FileHead head = platform::readFileHead(source, ExportSizeLimit);
    if (!head.ok())
        return head.error;
    platform::WriteError error;
    if (platform::writeFileAtomically(destination, std::as_bytes(std::span(head.bytes)), &error))
        return 0;
    return error.error;
}

MacroReadResult readMacroForImport(const std::string& path, std::string_view title, int mouseKeyMask)
{
    MacroReadResult result = ReadMacroFile(path, mouseKeyMask);
    if (!result.ok())
        return result;
    setMacroName(result.macro, title);
    result.macro.dwId = MakeTimeId();
    result.macro.dwFlags |= MacroDirtyBits;
    return result;
}

std::string fileTitle(const std::string& path)
{
    return macroTitleOfFileName(fs::path(path).filename().string());
}

std::string folderName(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    if (trimmed.find('/') == std::string::npos)
        return {};
    const std::string name = fs::path(trimmed).filename().string();
    return name == "." || name == ".." ? std::string() : name;
}

std::vector<int> ResetKeysOfMissingMacros(PROFILE& profile)
{
    std::vector<int> reset;
    for (int i = 0; i < KeyTableSize; ++i) {
        const KEYINFO& key = profile.keys[i];
        if (key.kind != KindMacro || FindMacroById(key.macroId))
            continue;
        profile.keys[i] = KeyTable[std::size_t(i)];
        reset.push_back(i);
    }
    return reset;
}

std::vector<MacroKeyUse> keysUsingMacros(const std::vector<std::uint32_t>& ids)
{
    std::vector<MacroKeyUse> uses;
    for (const PROFILE& profile : ProfileList) {
        for (int i = 0; i < KeyTableSize; ++i) {
            const KEYINFO& key = profile.keys[i];
            const std::uint32_t id = key.macroId;
            if (key.kind == KindMacro && std::find(ids.begin(), ids.end(), id) != ids.end())
                uses.push_back({profileName(profile), i, keyinfo_to_text(KeyTable[std::size_t(i)])});
        }
    }
    return uses;
}

std::string describeKeyUses(const std::vector<MacroKeyUse>& uses)
{
    std::string text;
    for (const MacroKeyUse& use : uses) {
        if (!text.empty())
            text += ", ";
        text += use.keyName + " (" + use.profile + ")";
    }
    return text;
}

int ResetKeysOfMissingMacrosEverywhere()
{
    int count = 0;
    for (PROFILE& profile : ProfileList)
        count += int(ResetKeysOfMissingMacros(profile).size());
    return count;
}

std::string nameWithoutMacroExtension(std::string_view name)
{
    constexpr std::string_view Extension = ".mck";
    if (name.size() > Extension.size()) {
        std::string tail(name.substr(name.size() - Extension.size()));
        for (char& c : tail)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (tail == Extension)
            name.remove_suffix(Extension.size());
    }
    return std::string(name);
}

} // namespace kavrel

#include "macro/MacroFile.h"

#include "app/Log.h"
#include "macro/Macro.h"
#include "macro/MacroLibrary.h"
#include "platform/FileRead.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kavrel {

MacroFileBytes EncodeMacroFile(const StMacro& macro)
{
    MacroFileBytes bytes;
    std::memcpy(bytes.data(), &macro, MacroSize);
    for (std::uint8_t& b : bytes)
        b = std::uint8_t((b >> 2) | (b << 6));
    return bytes;
}

StMacro DecodeMacroFile(std::span<const std::uint8_t, MacroSize> bytes)
{
    MacroFileBytes plain;
    for (std::size_t i = 0; i < MacroSize; ++i)
        plain[i] = std::uint8_t((bytes[i] << 2) | (bytes[i] >> 6));
    StMacro macro;
    std::memcpy(&macro, plain.data(), MacroSize);
    return macro;
}

MacroReadResult DecodeMacroBytes(std::span<const std::uint8_t> bytes, int mouseKeyMask)
{
    MacroReadResult result;
    if (bytes.size() < MacroSize) {
        result.status = MacroReadStatus::ReadFailed;
        return result;
    }
    result.macro = DecodeMacroFile(bytes.first<MacroSize>());
    if (result.macro.dwMagicNumber != MacroMagic) {
        result.status = MacroReadStatus::NotMacro;
        return result;
    }
    if (!CheckMacroKeys(result.macro, mouseKeyMask)) {
        result.status = MacroReadStatus::UnsupportedKey;
        return result;
    }
    result.macro.Macro_Buffer_ID = 0;
    result.status = MacroReadStatus::Ok;
    return result;
}

MacroReadResult ReadMacroFile(const std::filesystem::path& path, int mouseKeyMask)
{
    const platform::FileHead file = platform::readFileHead(path, MacroSize);
    if (!file.ok() && file.bytes.empty()) {
        MacroReadResult result;
        // A folder or device opens but cannot be read as a file.
        result.status = (file.error == EISDIR || file.error == EINVAL) ? MacroReadStatus::ReadFailed
                                                                       : MacroReadStatus::OpenFailed;
        result.error = file.error;
        return result;
    }
    MacroReadResult result = DecodeMacroBytes(file.bytes, mouseKeyMask);
    if (result.status == MacroReadStatus::ReadFailed)
        result.error = file.error;
    return result;
}

std::string macroReadMessage(const MacroReadResult& result)
{
    char text[96];
    switch (result.status) {
    case MacroReadStatus::Ok:
        return {};
    case MacroReadStatus::OpenFailed:
        std::snprintf(text, sizeof text, "Open macro file failed. error=0x%x", unsigned(result.error));
        return text;
    case MacroReadStatus::ReadFailed:
        std::snprintf(text, sizeof text, "Read macro file failed. error=0x%x", unsigned(result.error));
        return text;
    case MacroReadStatus::NotMacro:
        return "This is not a valid macro file.";
    case MacroReadStatus::UnsupportedKey:
        return "This macro contains unsupported key.";
    }
    return {};
}

int writeMacroRecord(const std::filesystem::path& path, const StMacro& record, bool replace)
{
    StMacro clean = record;
    clean.dwFlags &= ~MacroDirtyBits;
    platform::AtomicFile file = MyCreateFile(path);
    int error = 0;
    if (!file.isOpen()) {
        error = file.lastError().error;
    } else {
        const MacroFileBytes bytes = EncodeMacroFile(clean);
        if (file.write(std::as_bytes(std::span(bytes))) && file.commit(replace))
            return 0;
        error = file.lastError().error;
    }
    if (error == 0)
        error = EIO;
    WriteLog("Flush_Dirty_Macro: WriteFile err=0x%x, %s", unsigned(error), path.c_str());
    return error;
}

bool WriteMacroFile(const std::filesystem::path& path, StMacro& entry, bool replace, int* errorOut)
{
    const int error = writeMacroRecord(path, entry, replace);
    if (error != 0) {
        if (errorOut)
            *errorOut = error;
        return false;
    }
    entry.dwFlags &= ~MacroDirtyBits;
    return true;
}

bool FlushDirtyMacroRecord(const std::filesystem::path& path, std::uint32_t id, bool replace, int* errorOut)
{
    StMacro* entry = FindMacroById(id);
    if (!entry || (entry->dwFlags & MacroDirtyBits) == 0)
        return false;
    return WriteMacroFile(path, *entry, replace, errorOut);
}

std::string writeErrorText(int error)
{
    return std::strerror(error);
}

} // namespace kavrel

#pragma once

#include "macro/StMacro.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// .mck files: exactly the 834 bytes of a StMacro, each byte rotated right by
// two bits. No header, version, length or checksum; a file begins with
// 28 22 FE BE (the magic A0 88 FB FA rotated).
namespace kavrel {

using MacroFileBytes = std::array<std::uint8_t, MacroSize>;

MacroFileBytes EncodeMacroFile(const StMacro& macro);
StMacro DecodeMacroFile(std::span<const std::uint8_t, MacroSize> bytes);

enum class MacroReadStatus {
    Ok,
    OpenFailed, // the file could not be opened (error holds errno)
    ReadFailed, // a failed read, or fewer than 834 bytes (error 0 for a short file)
    NotMacro, // wrong magic
    UnsupportedKey, // a mouse action MacroHasMsKey does not allow
};

struct MacroReadResult {
    MacroReadStatus status = MacroReadStatus::OpenFailed;
    int error = 0;
    StMacro macro{};
    bool ok() const { return status == MacroReadStatus::Ok; }
};

// Checks and decodes file content: at least 834 bytes (more are ignored),
// the magic, CheckMacroKeys with the mask. An accepted record comes back with
// Macro_Buffer_ID 0: a device slot only has a meaning during an apply.
MacroReadResult DecodeMacroBytes(std::span<const std::uint8_t> bytes, int mouseKeyMask);

// Reads a macro file with those rules; changes nothing on disk.
MacroReadResult ReadMacroFile(const std::filesystem::path& path, int mouseKeyMask);

// The message the user is shown for a rejected file, e.g. "This is not a
// valid macro file."; empty for an accepted one.
std::string macroReadMessage(const MacroReadResult& result);

// Encodes a record (change bits cleared) and replaces the file whole through
// MyCreateFile. Returns 0 or the errno of the failure, which is logged as
// "Flush_Dirty_Macro: WriteFile err=0x%x, %s". With replace off an existing
// file at the path is left alone and the write fails (EEXIST).
int writeMacroRecord(const std::filesystem::path& path, const StMacro& record, bool replace = true);

// The write step of Flush_Dirty_Macro for one MacroList entry. The change
// bits of dwFlags are cleared only when the file was written: a macro whose
// write failed stays marked unsaved. errorOut gets the errno of a failure.
bool WriteMacroFile(const std::filesystem::path& path, StMacro& entry, bool replace = true, int* errorOut = nullptr);

// Steps 3 to 5 of Flush_Dirty_Macro: finds the MacroList entry with the id and
// writes it to the path when one of its change bits is set. False when there
// is no such entry, nothing was changed, or the write failed (errorOut then
// gets the errno; it stays untouched otherwise).
bool FlushDirtyMacroRecord(
    const std::filesystem::path& path, std::uint32_t id, bool replace = true, int* errorOut = nullptr);

// The reason of a failed write in words ("Permission denied").
std::string writeErrorText(int error);

} // namespace kavrel

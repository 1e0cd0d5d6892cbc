#pragma once

#include <cstddef>
#include <filesystem>

// The diagnostic log. Its level comes from the cfg.ini key Debug: 0 off,
// 2 the file Log.txt on the desktop, any other value standard error (the
// debugger channel). Log calls never fail from the caller's point of view.
namespace kavrel {

inline constexpr std::size_t LogSizeLimit = 512000;

// Chooses the sink from the Debug value already read from cfg.ini.
void InitLog();

// InitLog with an explicit level and file; used by InitLog and by tests.
void InitLogWith(int level, const std::filesystem::path& logFile);

int LogLevel();
std::filesystem::path LogFilePath();

// printf-style entry; %s takes a UTF-8 char string. The file sink begins each
// entry on a new line with "mm:ss.mmm   "; the debugger sink cuts entries at
// 511 bytes.
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes bytes as lower-case hex pairs, bytesPerEntry to an entry, each
// entry starting with the label (the first one after a line feed).
void LogHexDump(const void* data, std::size_t length, int bytesPerEntry, const char* label);

// Formats at most 259 characters and shows them in the plain "Info" box.
void ShowInfoBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace kavrel

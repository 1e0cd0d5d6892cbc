#include "app/Log.h"

#include "app/Config.h"
#include "platform/Folders.h"
#include "platform/MessageBox.h"
#include "xml/Utf.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <system_error>

namespace kavrel {
namespace fs = std::filesystem;

namespace {

enum class Sink { Debugger, File };

// Set once by InitLog before any other thread exists; read-only afterwards.
int logLevel = 0;
Sink sink = Sink::Debugger;
fs::path logPath;
// Serialises file entries so that two threads never interleave inside one entry.
std::mutex fileMutex;

std::string formatList(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0)
        return {};
    std::string text(static_cast<std::size_t>(needed) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(needed));
    return text;
}

void writeDebugger(std::string_view text)
{
    std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
}

// "mm:ss.mmm   " of the local time: minutes, seconds, milliseconds, no hour.
std::string timeStamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::snprintf(
        stamp, sizeof stamp, "%02u:%02u.%03u   ", unsigned(local.tm_min), unsigned(local.tm_sec), unsigned(millis));
    return stamp;
}

void writeFile(std::string_view text)
{
    std::lock_guard lock(fileMutex);
    std::FILE* file = std::fopen(logPath.c_str(), "ab");
    if (!file) {
        writeDebugger("Open Log failed");
        return;
    }
    const std::string stamp = timeStamp();
    std::fputs("\r\n", file);
    std::fwrite(stamp.data(), 1, stamp.size(), file);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

void writeEntry(const char* format, va_list args)
{
    if (logLevel == 0)
        return;
    std::string text = formatList(format, args);
    if (sink == Sink::File) {
        writeFile(text);
        return;
    }
    writeDebugger(utf::cutToBytes(text, 511));
}

// Opens the file once at set-up; empties it when it has grown past the limit.
bool prepareLogFile()
{
    std::FILE* file = std::fopen(logPath.c_str(), "ab");
    if (!file)
        return false;
    std::fseek(file, 0, SEEK_END);
    const long length = std::ftell(file);
    std::fclose(file);
    if (length > static_cast<long>(LogSizeLimit)) {
        std::FILE* emptied = std::fopen(logPath.c_str(), "wb");
        if (emptied)
            std::fclose(emptied);
    }
    return true;
}

} // namespace

void InitLogWith(int level, const fs::path& logFile)
{
    logLevel = level;
    logPath = logFile;
    sink = Sink::Debugger;
    if (level != 2)
        return;
    if (!prepareLogFile()) {
        writeDebugger("Open Log failed");
        return;
    }
    sink = Sink::File;
}

void InitLog()
{
    InitLogWith(Cfg.Debug, platform::desktopFolder() / "Log.txt");
}

int LogLevel()
{
    return logLevel;
}

fs::path LogFilePath()
{
    return logPath;
}

void WriteLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeEntry(format, args);
    va_end(args);
}

void LogHexDump(const void* data, std::size_t length, int bytesPerEntry, const char* label)
{
    if (logLevel == 0 || data == nullptr)
        return;
    if (bytesPerEntry < 1)
        bytesPerEntry = 1;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::string prefix = label ? std::string(label) + " " : std::string();
    std::string line = label ? "\n" + prefix : std::string();
    for (std::size_t i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x ", bytes[i]);
        line += pair;
        if ((i + 1) % static_cast<std::size_t>(bytesPerEntry) == 0) {
            WriteLog("%s", line.c_str());
            line = prefix;
        }
    }
    WriteLog("%s", line.c_str());
}

void ShowInfoBox(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = utf::cutToCharacters(formatList(format, args), 259);
    va_end(args);
    platform::showMessageBox("Info", text, platform::BoxIcon::Information);
}

} // namespace kavrel

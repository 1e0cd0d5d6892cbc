#pragma once

#include "platform/MessageBox.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::test {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

struct ShownBox {
    std::string caption;
    std::string text;
    platform::BoxIcon icon;
    bool operator==(const ShownBox&) const = default;
};

// Records every plain message box shown while it lives instead of printing it.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    const std::vector<ShownBox>& boxes() const { return m_boxes; }
    std::vector<std::string> texts() const;
    void clear() { m_boxes.clear(); }

private:
    std::vector<ShownBox> m_boxes;
    platform::MessageBoxHandler m_previous;
};

// The source tree (for data/ and test inputs) and the build's program folder.
// $KAVREL_SOURCE_DIR / $KAVREL_BUILD_BIN override the folders the build configured.
std::filesystem::path sourceDir();
std::filesystem::path buildBinDir();

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);

struct CommandRun {
    int status = 0; // exit status
    std::string out; // standard output; standard error is dropped
};

// Runs the built kavrel-cli with a shell-quoted argument text, optionally
// after environment assignments ("NAME=value ...").
CommandRun runKavrelCli(const std::string& args, const std::string& environment = {});

// Loads a cfg.ini text with every message box captured; returns the texts shown.
std::vector<std::string> loadConfigQuietly(std::string_view cfgText);

} // namespace kavrel::test

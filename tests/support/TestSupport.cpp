#include "support/TestSupport.h"

#include "app/Config.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace kavrel::test {
namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "kavrel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code error;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

MessageCapture::MessageCapture()
{
    m_previous = platform::setMessageBoxHandler(
        [this](std::string_view caption, std::string_view text, platform::BoxIcon icon) {
            m_boxes.push_back({std::string(caption), std::string(text), icon});
        });
}

MessageCapture::~MessageCapture()
{
    platform::setMessageBoxHandler(m_previous);
}

std::vector<std::string> MessageCapture::texts() const
{
    std::vector<std::string> out;
    for (const ShownBox& box : m_boxes)
        out.push_back(box.text);
    return out;
}

fs::path sourceDir()
{
    if (const char* dir = std::getenv("KAVREL_SOURCE_DIR"))
        return dir;
    return KAVREL_TEST_SOURCE_DIR;
}

fs::path buildBinDir()
{
    if (const char* dir = std::getenv("KAVREL_BUILD_BIN"))
        return dir;
    return KAVREL_TEST_BUILD_BIN;
}

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
}

CommandRun runKavrelCli(const std::string& args, const std::string& environment)
{
    const std::string command
        = environment + " " + (buildBinDir() / "kavrel-cli").string() + " " + args + " 2>/dev/null";
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, {}};
    std::array<char, 4096> buffer{};
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        run.out.append(buffer.data(), n);
    run.status = WEXITSTATUS(pclose(pipe));
    return run;
}

std::vector<std::string> loadConfigQuietly(std::string_view cfgText)
{
    MessageCapture capture;
    LoadConfigText(cfgText);
    return capture.texts();
}

} // namespace kavrel::test

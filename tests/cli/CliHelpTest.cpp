// kavrel-cli --help and --version against the project's version and the manual page.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>

using namespace kavrel::test;

namespace {

std::string projectVersion()
{
    const std::string cmake = readFile(sourceDir() / "CMakeLists.txt");
    std::smatch match;
    if (!std::regex_search(cmake, match, std::regex(R"(project\(Kavrel VERSION ([0-9.]+))")))
        return {};
    return match[1].str();
}

// The command names that --help lists: the indented lines after "commands:".
std::vector<std::string> listedCommands(const std::string& help)
{
    std::vector<std::string> names;
    std::istringstream lines(help.substr(help.find("commands:")));
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_match(line, match, std::regex(R"(  ([a-z-]+) .*)")))
            names.push_back(match[1].str());
    }
    return names;
}

// The first word of every tagged paragraph's tag in a manual page (".TP", then ".B name ..."), roff's "\-" as "-".
std::set<std::string> manualEntries(const std::string& manual)
{
    std::set<std::string> names;
    std::istringstream lines(manual);
    std::string line;
    bool tag = false;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (tag && std::regex_match(line, match, std::regex(R"(\.B[RI]? ([^ ]+).*)")))
            names.insert(std::regex_replace(match[1].str(), std::regex(R"(\\-)"), "-"));
        tag = line == ".TP";
    }
    return names;
}

} // namespace

TEST(CliHelp, VersionIsTheProjectsAndTheTextsVersion)
{
    const std::string version = projectVersion();
    ASSERT_FALSE(version.empty());
    const CommandRun run = runKavrelCli("--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "kavrel-cli " + version + "\n");
    // The window program's version text says the same.
    const CommandRun text = runKavrelCli("--program-dir " + buildBinDir().string() + " text tc_version");
    EXPECT_EQ(text.out, "tc_version=V" + version + "\n");
}

TEST(CliHelp, HelpListsEveryCommandAndTheManualPageDocumentsThem)
{
    const CommandRun run = runKavrelCli("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--version"), std::string::npos) << run.out;
    const auto commands = listedCommands(run.out);
    EXPECT_GE(commands.size(), 10u) << run.out;
    // Each command has its own entry in the manual page: a ".TP" paragraph whose tag starts with the name.
    const auto entries = manualEntries(readFile(sourceDir() / "data/man/kavrel-cli.1.in"));
    for (const std::string& name : commands)
        EXPECT_TRUE(entries.count(name)) << name << " is not documented in kavrel-cli.1";
    // A command kavrel-cli does not know fails with the usage on standard error, nothing on standard output.
    const CommandRun unknown = runKavrelCli("--bogus-option");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.out.empty());
}

// Every summary in --help starts in one column, however long the command's name.
TEST(CliHelp, HelpSummariesAreAligned)
{
    const CommandRun run = runKavrelCli("--help");
    std::istringstream lines(run.out.substr(run.out.find("commands:")));
    std::string line;
    std::set<std::size_t> columns;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_match(line, match, std::regex(R"((  [a-z-]+ +)\S.*)")))
            columns.insert(std::size_t(match.length(1)));
    }
    EXPECT_EQ(columns.size(), 1u) << run.out;
}

// The manual page as man shows it: an option's value stays apart from the option ("--flags HEX").
TEST(CliHelp, ManualPageRendersOptionValuesApart)
{
    const std::string page = (sourceDir() / "data/man/kavrel-cli.1.in").string();
    std::FILE* pipe = ::popen(("groff -man -Tascii -P-cbou " + page + " 2>/dev/null").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, got);
    if (::pclose(pipe) != 0 || text.empty())
        GTEST_SKIP() << "groff is not installed";
    // One line: the layout breaks lines anywhere.
    text = std::regex_replace(text, std::regex(R"(\s+)"), " ");
    EXPECT_EQ(text.find("--flagsHEX"), std::string::npos);
    EXPECT_NE(text.find("reports PROFILE [--flags HEX]"), std::string::npos) << text;
    EXPECT_NE(text.find("profile PROFILE [--name TEXT] [--program NAME | --no-program]"), std::string::npos);
}

// kavrel-cli text: loads the language file as the program does and prints
// the texts of the keys asked for.

#include "Cli.h"

#include "app/Paths.h"
#include "app/Texts.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kavrel::cli {
namespace {

// One line per text: backslashes and control characters are escaped so that
// a text with a line break still prints as one line.
std::string escapedLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

bool isKnownKey(std::string_view key)
{
    const auto keys = TextKeys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

int runText(std::span<const std::string> args)
{
    std::string path = TextFilePath();
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--file") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usageError("text", "--file needs a path");
            path = args[++i];
        } else if (args[i].starts_with("--")) {
            return usageError("text", "unknown option " + args[i]);
        } else {
            keys.push_back(args[i]);
        }
    }
    if (keys.empty())
        keys.assign(TextKeys().begin(), TextKeys().end());

    int status = ExitOk;
    if (!LoadTexts(path)) {
        std::fprintf(stderr, "kavrel-cli text: cannot read %s; every text is empty\n", path.c_str());
        status = ExitFailure;
    }
    for (const std::string& key : keys) {
        if (!isKnownKey(key)) {
            std::fprintf(stderr, "kavrel-cli text: %s is not a text key of the program\n", key.c_str());
            status = ExitFailure;
        }
        std::printf("%s=%s\n", key.c_str(), escapedLine(Text(key)).c_str());
    }
    return status;
}

} // namespace

KAVREL_CLI_COMMAND(
    "text", "[--file PATH] [KEY ...]", "print the interface texts of text.xml as KEY=TEXT lines", runText);

} // namespace kavrel::cli

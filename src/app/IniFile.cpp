#include "app/IniFile.h"

#include "xml/Utf.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>

namespace kavrel {
namespace {

std::string_view trimBlanks(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    std::transform(
        out.begin(), out.end(), out.begin(), [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
    return out;
}

std::string mapKey(std::string_view section, std::string_view key)
{
    return lowerAscii(section) + '\n' + lowerAscii(key);
}

std::string_view unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string_view sectionName(std::string_view line)
{
    line.remove_prefix(1);
    const auto close = line.find(']');
    return trimBlanks(line.substr(0, close));
}

} // namespace

IniFile IniFile::parse(std::string_view text)
{
    IniFile ini;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::string_view section;
    bool inSection = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = trimBlanks(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            section = sectionName(line);
            inSection = true;
            continue;
        }
        const auto equals = line.find('=');
        if (!inSection || equals == std::string_view::npos)
            continue;
        const std::string_view key = trimBlanks(line.substr(0, equals));
        const std::string_view value = unquote(trimBlanks(line.substr(equals + 1)));
        ini.m_values.try_emplace(mapKey(section, key), value);
    }
    return ini;
}

IniFile IniFile::load(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return parse(content);
}

std::optional<std::string_view> IniFile::value(std::string_view section, std::string_view key) const
{
    const auto found = m_values.find(mapKey(section, key));
    if (found == m_values.end())
        return std::nullopt;
    return std::string_view(found->second);
}

std::string IniFile::getString(
    std::string_view section, std::string_view key, std::string_view fallback, std::size_t bufferSize) const
{
    const std::string_view text = value(section, key).value_or(fallback);
    return utf::cutToCharacters(text, bufferSize == 0 ? 0 : bufferSize - 1);
}

int leadingInteger(std::string_view text)
{
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        magnitude = std::min<long long>(magnitude * 10 + (c - '0'), 1LL << 40);
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(signedValue, INT_MIN, INT_MAX));
}

int IniFile::getInt(std::string_view section, std::string_view key, int fallback) const
{
    const auto text = value(section, key);
    if (!text || text->empty())
        return fallback;
    return leadingInteger(*text);
}

} // namespace kavrel

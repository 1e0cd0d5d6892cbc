#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <cstdlib>
#include <unistd.h>

// The simulated keyboard's memory file: lines "report <id> <writes> <hex bytes>". Header-only so that tests and
// tools of other areas can read what the simulated keyboard holds without linking the module.
namespace hidgate {

struct SimReport {
    long writes = 0;
    std::vector<std::uint8_t> bytes; // the whole last report, report id first
    bool operator==(const SimReport&) const = default;
};

using SimState = std::map<int, SimReport>;

// What the keyboard does with a feature report it accepted: it keeps it as the table of its id and counts it.
inline void recordReport(SimState& state, std::span<const std::uint8_t> report)
{
    if (report.empty())
        return;
    SimReport& entry = state[report[0]];
    ++entry.writes;
    entry.bytes.assign(report.begin(), report.end());
}

// Where the simulated keyboard keeps its memory: $KAVREL_SIM_STATE, else
// $XDG_RUNTIME_DIR/kavrel-sim.state, else a per-user file under /tmp.
inline std::string simStatePath()
{
    if (const char* path = std::getenv("KAVREL_SIM_STATE"); path && *path)
        return path;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/kavrel-sim.state";
    return "/tmp/kavrel-sim-" + std::to_string(getuid()) + ".state";
}

inline std::string formatSimState(const SimState& state)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    for (const auto& [id, report] : state) {
        text += "report " + std::to_string(id) + ' ' + std::to_string(report.writes) + ' ';
        for (std::uint8_t byte : report.bytes) {
            text += Digits[byte >> 4];
            text += Digits[byte & 0xF];
        }
        text += '\n';
    }
    return text;
}

namespace detail {

inline int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline std::optional<long> parseNumber(std::string_view text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

inline std::optional<std::vector<std::uint8_t>> parseHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(std::uint8_t(high * 16 + low));
    }
    return bytes;
}

// Splits at single spaces; a line with another number of fields is skipped by the caller.
inline std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const auto space = line.find(' ');
        fields.push_back(line.substr(0, space));
        if (space == std::string_view::npos)
            break;
        line.remove_prefix(space + 1);
    }
    return fields;
}

} // namespace detail

// Malformed lines are skipped: a damaged file loses those reports, never the rest.
inline SimState parseSimState(std::string_view text)
{
    SimState state;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto fields = detail::splitFields(line);
        if (fields.size() != 4 || fields[0] != "report")
            continue;
        const auto id = detail::parseNumber(fields[1]);
        const auto writes = detail::parseNumber(fields[2]);
        auto bytes = detail::parseHex(fields[3]);
        if (!id || *id > 255 || !writes || !bytes)
            continue;
        state[int(*id)] = SimReport{*writes, std::move(*bytes)};
    }
    return state;
}

} // namespace hidgate

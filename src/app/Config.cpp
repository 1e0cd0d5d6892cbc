#include "app/Config.h"

#include "app/ConfigOptions.h"
#include "app/IniFile.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace kavrel {

namespace {

// LedOpt<mode+1> when cfg.ini lacks it: speed settable except in modes 0 and 3, brightness always.
std::array<std::uint8_t, LedOptionCount> defaultLedOptions(int mode)
{
    std::array<std::uint8_t, LedOptionCount> options{};
    options[1] = (mode == 0 || mode == 3) ? 0 : 1;
    options[2] = 1;
    return options;
}

// Gives every option its default.
struct OptionDefaults {
    void logLevelKnown() const { }
    template <typename T, typename D> void integer(std::string_view, T& field, D fallback) const
    {
        field = T(fallback);
    }
    void text(std::string_view, std::string& field, std::string_view) const { field.clear(); }
    template <typename T> void edgeRect(std::string_view, T& field, const T& fallback) const { field = fallback; }
    template <typename T> void sizeRect(std::string_view, T& field, const T& fallback) const { field = fallback; }
    template <typename T> void point(std::string_view, T& field, const T& fallback) const { field = fallback; }
    template <typename T> void color(std::string_view, T& field, const T& fallback) const { field = fallback; }
    template <typename T> void modes(std::string_view, T& field, const T& fallback) const { field = fallback; }
    template <typename T> void ledParam(std::string_view, T& field, const T& fallback) const { field = fallback; }
    void ledOptions(std::string_view, std::array<std::uint8_t, LedOptionCount>& field, int mode) const
    {
        field = defaultLedOptions(mode);
    }
    void outline(std::string_view, UnRectOutline& field) const { field = {}; }
};

} // namespace

Settings::Settings()
{
    visitConfigOptions(*this, OptionDefaults{});
}

Settings Cfg;
std::array<KEYINFO, KeyTableSize> KeyTable{};
int KeyCount = 0;

namespace {

constexpr std::string_view Opt = "OPT";
constexpr std::string_view KeySection = "KEY";
// Buffer sizes the values are read into: strings, rectangle and point lists, other lists.
constexpr std::size_t StringBuffer = 30;
constexpr std::size_t ShortListBuffer = 50;
constexpr std::size_t ListBuffer = 260;

// Messages shown by the load in progress; the load runs on one thread, once, like the settings it fills.
int shownProblems = 0;

void showProblem(std::string_view caption, std::string_view text, platform::BoxIcon icon)
{
    ++shownProblems;
    platform::showMessageBox(caption, text, icon);
}

void showError(std::string_view text)
{
    showProblem("Error", text, platform::BoxIcon::Error);
}

// One number of a list: optional leading blanks, a sign, in hex an optional
// "0x", then digits and nothing else. Values are clamped to the int range.
std::optional<long long> convertNumber(std::string_view token, int base)
{
    while (!token.empty() && (token.front() == ' ' || token.front() == '\t'))
        token.remove_prefix(1);
    bool negative = false;
    if (!token.empty() && (token.front() == '-' || token.front() == '+')) {
        negative = token.front() == '-';
        token.remove_prefix(1);
    }
    if (base == 16 && token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
        token.remove_prefix(2);
    if (token.empty())
        return std::nullopt;
    long long value = 0;
    for (char c : token) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = std::min<long long>(value * base + digit, 1LL << 40);
    }
    value = negative ? -value : value;
    return std::clamp<long long>(value, INT_MIN, INT_MAX);
}

// Splits a list at commas and converts each number in the base its position
// asks for; stops at the first number that does not convert completely.
struct ListResult {
    std::vector<long long> numbers;
    bool failed = false; // a number with trailing characters ended the conversion
};

template <typename BaseOf> ListResult convertListWith(std::string_view text, std::size_t maxCount, BaseOf baseOf)
{
    ListResult result;
    while (result.numbers.size() < maxCount) {
        const auto comma = text.find(',');
        const auto number = convertNumber(text.substr(0, comma), baseOf(result.numbers.size()));
        if (!number) {
            result.failed = true;
            break;
        }
        result.numbers.push_back(*number);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return result;
}

ListResult convertList(std::string_view text, int base, std::size_t maxCount = SIZE_MAX)
{
    return convertListWith(text, maxCount, [base](std::size_t) { return base; });
}

// Fills the settings from the [OPT] section, in the order of the option
// list, showing each form's message where a value does not fit it.
class OptionReader {
public:
    explicit OptionReader(const IniFile& ini)
        : m_ini(ini)
    {
    }

    void logLevelKnown() const { InitLog(); }

    void integer(std::string_view key, int& field, int fallback) const { field = m_ini.getInt(Opt, key, fallback); }
    void integer(std::string_view key, std::uint16_t& field, int fallback) const
    {
        field = std::uint16_t(m_ini.getInt(Opt, key, fallback));
    }

    void text(std::string_view key, std::string& field, std::string_view messageWhenEmpty) const
    {
        field = m_ini.getString(Opt, key, "", StringBuffer);
        if (field.empty() && !messageWhenEmpty.empty())
            showError(messageWhenEmpty);
    }

    // left,top,right,bottom as written; a wrong count keeps the default.
    void edgeRect(std::string_view key, Rect& rect, const Rect& fallback) const
    {
        rect = fallback;
        const auto numbers = shortList(key, 4, "Wrong rect num");
        if (numbers && !numbers->empty())
            rect = {int((*numbers)[0]), int((*numbers)[1]), int((*numbers)[2]), int((*numbers)[3])};
    }

    // x,y,width,height turned into left,top,right,bottom; a wrong count leaves it empty.
    void sizeRect(std::string_view key, Rect& rect, const Rect& fallback) const
    {
        rect = fallback;
        const auto numbers = shortList(key, 4, "Wrong rect num");
        if (!numbers)
            return;
        if (numbers->empty()) {
            rect = {};
            return;
        }
        const auto x = int((*numbers)[0]), y = int((*numbers)[1]);
        rect = {x, y, saturatingSum(x, (*numbers)[2]), saturatingSum(y, (*numbers)[3])};
    }

    void point(std::string_view key, Point& point, const Point& fallback) const
    {
        point = fallback;
        const auto numbers = shortList(key, 2, "Wrong POINT num");
        if (numbers && !numbers->empty())
            point = {int((*numbers)[0]), int((*numbers)[1])};
    }

    // r,g,b; missing components are 0, each component keeps its low 8 bits; black gives the fallback.
    void color(std::string_view key, std::uint32_t& field, std::uint32_t fallback) const
    {
        const auto numbers = convertList(list(key, ListBuffer), 10, 3).numbers;
        int rgb[3] = {0, 0, 0};
        for (std::size_t i = 0; i < numbers.size(); ++i)
            rgb[i] = int(numbers[i]);
        const std::uint32_t value = makeColor(rgb[0], rgb[1], rgb[2]);
        field = value == 0 ? fallback : value;
    }

    void modes(std::string_view key, std::array<std::uint8_t, LedModeCount>& modes,
        const std::array<std::uint8_t, LedModeCount>& fallback) const
    {
        modes = fallback;
        const auto numbers = convertList(list(key, ListBuffer), 16, LedModeCount).numbers;
        if (numbers.empty())
            return;
        modes.fill(0);
        for (std::size_t i = 0; i < numbers.size(); ++i)
            modes[i] = std::uint8_t(numbers[i]);
    }

    void ledOptions(std::string_view key, std::array<std::uint8_t, LedOptionCount>& options, int mode) const
    {
        const std::string text = list(key, ListBuffer);
        if (text.empty()) {
            options = defaultLedOptions(mode);
            return;
        }
        options.fill(0);
        const auto numbers = convertList(text, 10, LedOptionCount).numbers;
        for (std::size_t i = 0; i < numbers.size(); ++i)
            options[i] = std::uint8_t(numbers[i]);
    }

    void ledParam(
        std::string_view key, std::array<std::uint8_t, 3>& param, const std::array<std::uint8_t, 3>& fallback) const
    {
        param = fallback;
        const std::string text = list(key, ListBuffer);
        if (text.empty())
            return;
        const auto numbers = convertList(text, 16).numbers;
        if (numbers.size() != 3) {
            showError("LED Param error");
            return;
        }
        param = {std::uint8_t(numbers[0]), std::uint8_t(numbers[1]), std::uint8_t(numbers[2])};
    }

    void outline(std::string_view key, UnRectOutline& outline) const
    {
        outline = {};
        const auto numbers = convertList(list(key, ListBuffer), 10).numbers;
        if (numbers.size() < 9)
            return;
        outline.present = true;
        outline.matrixIndex = int(numbers[0]);
        for (std::size_t i = 1; i + 1 < numbers.size() && outline.points.size() < UnRectMaxPoints; i += 2) {
            if (numbers[i] == 0)
                break;
            outline.points.push_back({int(numbers[i]), int(numbers[i + 1])});
        }
        if (!outline.points.empty() && outline.points.front() != outline.points.back())
            showError("EnterPt[0]!=EnterPt[Last] ");
    }

private:
    std::string list(std::string_view key, std::size_t buffer) const { return m_ini.getString(Opt, key, "", buffer); }

    // The decimal numbers of a rectangle or point; nothing when the key is
    // absent or empty. Fewer than minimum shows the message and gives none.
    std::optional<std::vector<long long>> shortList(
        std::string_view key, std::size_t minimum, std::string_view message) const
    {
        const std::string text = list(key, ShortListBuffer);
        if (text.empty())
            return std::nullopt;
        auto numbers = convertList(text, 10).numbers;
        if (numbers.size() >= minimum)
            return numbers;
        showError(message);
        return std::vector<long long>{};
    }

    const IniFile& m_ini;
};

// One key table line: left, top, right, bottom (decimal), kind, code,
// modifiers (hex), matrix position (decimal). Missing numbers are 0.
KEYINFO keyFromLine(std::string_view line)
{
    constexpr int Bases[8] = {10, 10, 10, 10, 16, 16, 16, 10};
    const ListResult list = convertListWith(line, 8, [&](std::size_t i) { return Bases[i]; });
    if (list.failed)
        showError("Data parse error!");
    long long n[8] = {};
    for (std::size_t i = 0; i < list.numbers.size(); ++i)
        n[i] = list.numbers[i];

    KEYINFO key{};
    key.rect = {int(n[0]), int(n[1]), int(n[2]), int(n[3])};
    key.matrixIndex = int(n[7]);
    if (n[4] == KindKey) {
        key.setFirstWord((std::uint32_t(KindKey) << 24) | KeyTableKeyCode);
        key.modifiers = std::uint8_t(n[6]);
        key.key1 = std::uint8_t(n[5]);
        if (const std::uint8_t bit = modifierBitOfVirtualKey(key.key1)) {
            key.modifiers |= bit;
            key.key1 = 0;
        }
    } else {
        key.setFirstWord((std::uint32_t(n[4]) << 24) + (std::uint32_t(n[5]) & 0xFFFFFF));
    }
    return key;
}

void readKeyTable(const IniFile& ini)
{
    KeyTable = {};
    KeyCount = 0;
    for (int n = 1; KeyCount < KeyTableSize; ++n) {
        const std::string line = ini.getString(KeySection, "K" + std::to_string(n), "", ListBuffer);
        if (line.empty())
            break;
        const KEYINFO key = keyFromLine(line);
        // A negative position is as unusable as one past the matrix: both would index outside it.
        if (key.matrixIndex < 0 || key.matrixIndex >= KeyTableSize) {
            showProblem("Warning", "Wrong matrix index value!", platform::BoxIcon::Warning);
            continue;
        }
        KeyTable[KeyCount++] = key;
    }
}

bool loadFrom(const IniFile& ini)
{
    shownProblems = 0;
    Cfg = Settings{};
    visitConfigOptions(Cfg, OptionReader(ini));
    readKeyTable(ini);
    return shownProblems == 0;
}

} // namespace

bool LoadConfigText(std::string_view text)
{
    return loadFrom(IniFile::parse(text));
}

bool LoadConfig()
{
    const std::filesystem::path path = ConfigFilePath();
    std::error_code error;
    const bool readable = std::filesystem::is_regular_file(path, error) && access(path.c_str(), R_OK) == 0;
    if (!readable)
        WriteLog("cfg.ini not readable: %s", path.c_str());
    const bool checked = loadFrom(IniFile::load(path));
    return readable && checked;
}

int MatrixOfVirtualKey(int virtualKey)
{
    const std::uint8_t bit = modifierBitOfVirtualKey(virtualKey);
    for (int i = 0; i < KeyCount; ++i) {
        const KEYINFO& key = KeyTable[i];
        if (key.firstWord() == 0)
            continue;
        if (bit != 0 && (key.modifiers & bit) != 0)
            return key.matrixIndex;
        if (key.kind == KindKey && key.modifiers == 0 && key.key1 == virtualKey)
            return key.matrixIndex;
    }
    return -1;
}

} // namespace kavrel

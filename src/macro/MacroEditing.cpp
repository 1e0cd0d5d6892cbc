#include "macro/MacroEditing.h"

#include "app/Config.h"
#include "app/Limits.h"
#include "app/Log.h"
#include "macro/Macro.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kavrel {

namespace {

constexpr std::uint32_t ExtendedKeyBit = 1u << 24;
constexpr std::uint32_t ScanCodeBit4 = 1u << 20;

constexpr int VkShift = 16;
constexpr int VkControl = 17;
constexpr int VkMenu = 18;
constexpr int VkRightShift = 161;
constexpr int VkRightControl = 163;
constexpr int VkRightMenu = 165;

bool sameKey(const KeyRow& a, const KeyRow& b)
{
    return a.isKey() && a.kind == b.kind && a.value == b.value;
}

} // namespace

std::string keyRowText(const KeyRow& row)
{
    if (row.kind == KeyRowKind::Pause)
        return std::to_string(row.value) + " ms";
    return macroKeyName(row.value);
}

KeyRows EventsToKeyList(const StMacro& macro)
{
    KeyRows rows;
    for (int i = 0; i < MacroEventMax && macro.Events[i].wKey != 0; ++i) {
        const StMacroEvent event = macro.Events[i];
        rows.push_back({event.wDown != 0 ? KeyRowKind::Press : KeyRowKind::Release, event.wKey});
        if (macro.dwAutoDelay != 0 && i + 1 < MacroEventSlots && macro.Events[i + 1].wKey != 0)
            rows.push_back(pauseRow(std::int32_t(event.dwDelay)));
    }
    return rows;
}

void NormalizeKeyList(KeyRows& rows)
{
    const auto firstPress
        = std::find_if(rows.begin(), rows.end(), [](const KeyRow& row) { return row.kind == KeyRowKind::Press; });
    rows.erase(rows.begin(), firstPress);
    std::size_t i = 0;
    while (i + 1 < rows.size()) {
        KeyRow& current = rows[i];
        const KeyRow next = rows[i + 1];
        if (current.kind == KeyRowKind::Pause && next.kind == KeyRowKind::Pause) {
            current.value = limitPause(std::int64_t(current.value) + next.value);
            rows.erase(rows.begin() + std::ptrdiff_t(i + 1));
            ++i; // the walk goes on with the row after the removed one
            continue;
        }
        if (sameKey(current, next)) {
            rows.erase(rows.begin() + std::ptrdiff_t(i + 1));
            ++i;
            continue;
        }
        ++i;
    }
}

void KeyListToEvents(KeyRows& rows, StMacro& macro)
{
    NormalizeKeyList(rows);
    std::array<StMacroEvent, MacroEventSlots> events{};
    int written = 0;
    for (std::size_t i = 0; i < rows.size() && written < MacroEventsWritten; ++i) {
        const KeyRow& row = rows[i];
        if (!row.isKey())
            continue;
        StMacroEvent& event = events[std::size_t(written++)];
        event.wDown = row.kind == KeyRowKind::Press ? 1 : 0;
        event.wKey = std::uint16_t(row.value & 0xFF);
        if (event.wKey == 0) {
            WriteLog("Capture keycode=0");
            if (Cfg.Debug != 0)
                platform::showMessageBox("Warning", "Capture keycode=0", platform::BoxIcon::Warning);
        }
        if (i + 1 < rows.size() && rows[i + 1].kind == KeyRowKind::Pause)
            event.dwDelay = std::uint32_t(limitPause(rows[++i].value));
    }
    std::memcpy(macro.Events, events.data(), sizeof macro.Events);
}

int limitPause(std::int64_t ms)
{
    return int(std::clamp<std::int64_t>(ms, 0, MacroDelayMax));
}

int limitTypedPause(std::int64_t ms)
{
    return int(std::clamp<std::int64_t>(ms, MacroDelayMin, MacroDelayMax));
}

KeyRows mouseActionRows(int code, bool autoDelay)
{
    if (code == MouseKeyLast - 1) // scroll up
        return {releaseRow(code)};
    if (code == MouseKeyLast) // scroll down
        return {pressRow(code)};
    KeyRows rows{pressRow(code)};
    if (autoDelay)
        rows.push_back(pauseRow(MouseClickPause));
    rows.push_back(releaseRow(code));
    return rows;
}

std::optional<int> capturedRowCode(std::uint8_t firstKey, std::uint8_t modifiers)
{
    if (firstKey != 0)
        return firstKey;
    // Left Ctrl, Shift, Alt, Windows first, then the right-hand ones.
    static constexpr std::array<std::pair<std::uint8_t, int>, 8> Lone
        = {{{0x01, 162}, {0x02, 160}, {0x04, 164}, {0x08, 91}, {0x10, 163}, {0x20, 161}, {0x40, 165}, {0x80, 92}}};
    for (const auto& [bit, code] : Lone) {
        if (modifiers & bit)
            return code;
    }
    return std::nullopt;
}

int recordedKeyCode(int virtualKey, std::uint32_t keyFlags)
{
    if (virtualKey == VkControl && (keyFlags & ExtendedKeyBit))
        return VkRightControl;
    if (virtualKey == VkMenu && (keyFlags & ExtendedKeyBit))
        return VkRightMenu;
    if (virtualKey == VkShift && (keyFlags & ScanCodeBit4))
        return VkRightShift;
    return virtualKey;
}

void MacroRecorder::start()
{
    m_count = 0;
    m_previous.reset();
}

bool MacroRecorder::full() const
{
    return m_count >= MacroEventMax;
}

KeyRows MacroRecorder::take(int code, bool release, std::uint64_t timestampMs, bool autoDelay, bool listHasRows)
{
    if (m_previous && m_previous->code == code && m_previous->release == release)
        return {}; // the auto-repeat of a held key
    if (++m_count > MacroEventMax)
        return {};
    KeyRows rows;
    if (autoDelay && listHasRows && m_previous && timestampMs > m_previous->timestampMs)
        rows.push_back(pauseRow(int(std::min<std::uint64_t>(timestampMs - m_previous->timestampMs, MacroDelayMax))));
    rows.push_back({release ? KeyRowKind::Release : KeyRowKind::Press, code});
    m_previous = Previous{code, release, timestampMs};
    return rows;
}

} // namespace kavrel

#include "macro/MacroEditSession.h"

#include "app/Limits.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"

#include <algorithm>

namespace kavrel {

void MacroEditSession::open(const StMacro& macro, std::string path)
{
    m_open = true;
    m_path = std::move(path);
    m_saved = macro;
    m_savedRows = EventsToKeyList(macro);
    m_rows = m_savedRows;
    m_autoDelay = macro.dwAutoDelay != 0;
    m_loopMode = macro.dwLoopMode;
    m_loopCount = std::clamp<int>(macro.wLoopCount, 1, MacroLoopMax);
}

void MacroEditSession::close()
{
    *this = MacroEditSession();
}

std::string MacroEditSession::name() const
{
    return macroName(m_saved);
}

void MacroEditSession::setLoopCount(int count)
{
    m_loopCount = std::clamp(count, 1, MacroLoopMax);
}

void MacroEditSession::insertRows(std::size_t before, const KeyRows& rows)
{
    const auto at = m_rows.begin() + std::ptrdiff_t(std::min(before, m_rows.size()));
    m_rows.insert(at, rows.begin(), rows.end());
}

void MacroEditSession::deleteRow(std::size_t index)
{
    if (index < m_rows.size())
        m_rows.erase(m_rows.begin() + std::ptrdiff_t(index));
}

void MacroEditSession::editRow(std::size_t index, int value)
{
    if (index < m_rows.size())
        m_rows[index].value = value;
}

void MacroEditSession::replaceRows(const KeyRows& recorded)
{
    m_rows = recorded;
}

bool MacroEditSession::isModified() const
{
    if (!m_open)
        return false;
    if (stepsModified() || m_autoDelay != (m_saved.dwAutoDelay != 0) || m_loopMode != m_saved.dwLoopMode)
        return true;
    return m_loopMode == MacroLoopCount && m_loopCount != m_saved.wLoopCount;
}

std::vector<int> MacroEditSession::unreleasedKeys() const
{
    // What a save keeps: the steps after the clean-up.
    KeyRows rows = m_rows;
    NormalizeKeyList(rows);
    std::vector<int> held;
    for (const KeyRow& row : rows) {
        if (!row.isKey())
            continue;
        const int code = row.value & 0xFF;
        const auto it = std::find(held.begin(), held.end(), code);
        if (row.kind == KeyRowKind::Press && it == held.end())
            held.push_back(code);
        else if (row.kind == KeyRowKind::Release && it != held.end())
            held.erase(it);
    }
    return held;
}

void MacroEditSession::addReleases()
{
    for (const int code : unreleasedKeys())
        m_rows.push_back(releaseRow(code));
}

StMacro MacroEditSession::toMacro() const
{
    StMacro macro = m_saved;
    macro.dwFlags = 0;
    macro.dwAutoDelay = m_autoDelay ? 1 : 0;
    macro.dwLoopMode = m_loopMode;
    if (m_loopMode == MacroLoopCount)
        macro.wLoopCount = std::uint16_t(m_loopCount);
    if (stepsModified()) {
        KeyRows rows = m_rows;
        KeyListToEvents(rows, macro);
    }
    return macro;
}

MacroSaveResult MacroEditSession::save()
{
    MacroSaveResult result;
    result.path = m_path;
    const StMacro macro = toMacro();
    result.error = writeMacroRecord(m_path, macro, true);
    result.ok = result.error == 0;
    if (!result.ok)
        return result;
    if (StMacro* entry = FindMacroById(macro.dwId)) {
        const std::int32_t slot = entry->Macro_Buffer_ID;
        *entry = macro;
        entry->Macro_Buffer_ID = slot;
    }
    open(macro, m_path);
    return result;
}

} // namespace kavrel

#pragma once

#include "macro/StMacro.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The events of the macro being edited, as the flat list of rows the macro
// page shows: one row per key press, key release or pause. Rows come from a
// macro's events, from recording and from the edit commands; saving turns
// them back into events after a clean-up pass.
namespace kavrel {

// A row's sub-kind, as the key list stores it in nSubKind.
enum class KeyRowKind : std::int32_t { Release = 0, Press = 1, Pause = 2 };

struct KeyRow {
    KeyRowKind kind = KeyRowKind::Press;
    std::int32_t value = 0; // key code, or milliseconds for a pause
    bool operator==(const KeyRow&) const = default;
    bool isKey() const { return kind != KeyRowKind::Pause; }
};
using KeyRows = std::vector<KeyRow>;

inline KeyRow pressRow(int code)
{
    return {KeyRowKind::Press, code};
}
inline KeyRow releaseRow(int code)
{
    return {KeyRowKind::Release, code};
}
inline KeyRow pauseRow(int ms)
{
    return {KeyRowKind::Pause, ms};
}

// The pause a mouse click entry puts between its press and release.
inline constexpr int MouseClickPause = 50;

// What a row shows: the key's name (mouse actions by their texts) or "%d ms".
std::string keyRowText(const KeyRow& row);

// The rows of a macro's events: at most MacroEventMax key rows, each followed
// by a pause row with its delay when dwAutoDelay is on and another event
// follows. The pause after the last event is never shown.
KeyRows EventsToKeyList(const StMacro& macro);

// The clean-up before saving: drops every row before the first press, then
// walks neighbours: two pauses merge into the first (the sum, limited to
// MacroDelayMax), two key rows of the same kind and code keep the first; after
// a removal the walk goes on with the row after the removed one.
void NormalizeKeyList(KeyRows& rows);

// Normalises the rows and writes them as the macro's events (at most 90, all
// 91 slots rewritten): each key row with the pause row after it as its delay.
// A key row whose code has a low byte of 0 logs "Capture keycode=0" and, with
// cfg.ini Debug on, also shows it in a plain "Warning" box.
void KeyListToEvents(KeyRows& rows, StMacro& macro);

// Pauses: every pause that reaches a macro is at most MacroDelayMax, the
// largest the keyboard's delay field holds. A typed pause is at least
// MacroDelayMin as well.
int limitPause(std::int64_t ms);
int limitTypedPause(std::int64_t ms);

// The rows one insert-menu mouse entry adds (codes 240 ... 246): a click is
// press, a 50 ms pause when delays are on, release; scroll up is one release,
// scroll down one press.
KeyRows mouseActionRows(int code, bool autoDelay);

// The row code of a key-capture result for edit row and the insert entries:
// the first key when one was captured, otherwise the first held modifier in
// the order left Ctrl 162, left Shift 160, left Alt 164, left Windows 91,
// right Ctrl 163, right Shift 161, right Alt 165, right Windows 92
// (modifier bits in the keyboard's order: bit 0 left Ctrl ... bit 7 right
// Windows). Nothing when nothing was captured.
std::optional<int> capturedRowCode(std::uint8_t firstKey, std::uint8_t modifiers);

// The code recording stores for a key message: right Ctrl and right Alt are
// told by the extended-key bit (bit 24 of the key data) and become 163 and
// 165; right Shift by bit 4 of its scan code (bit 20) and becomes 161. Every
// other key keeps its virtual-key code, left modifiers the generic 16, 17, 18.
int recordedKeyCode(int virtualKey, std::uint32_t keyFlags);

// Takes the key messages of one recording and says which rows they add.
class MacroRecorder {
public:
    // A new recording: no event accepted yet, and no previous event to
    // compare with (so the first key of this recording is never taken for a
    // repeat of the last key of the one before).
    void start();

    // One key message with the time it happened (the key event's own
    // timestamp, in ms). Returns the rows to append: none for a repeat of the
    // previous accepted event or past MacroEventMax events; else the key row,
    // preceded by the pause since the previous event (limited to
    // MacroDelayMax) when delays are on, the list already has rows and the
    // pause is above 0.
    KeyRows take(int code, bool release, std::uint64_t timestampMs, bool autoDelay, bool listHasRows);

    int acceptedCount() const { return m_count; }
    // True once MacroEventMax events were taken: a recording stops there.
    bool full() const;

private:
    struct Previous {
        int code = 0;
        bool release = false;
        std::uint64_t timestampMs = 0;
    };
    int m_count = 0;
    std::optional<Previous> m_previous;
};

} // namespace kavrel

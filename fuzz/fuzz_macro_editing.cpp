// Sequences of macro-editing operations, as the macro page runs them: insert
// key, pause and mouse rows, delete and edit rows, record key messages,
// normalise, write the rows into the macro and read the encoded file back.
// Whatever the sequence: a written file decodes to exactly the record that
// was written (the same steps, delays, name and repeat settings), the steps
// shown after reading it back are the steps shown after writing, delays stay
// within the keyboard's range, and a second write of the shown steps changes
// nothing but the delay after the last step.

#include "app/Limits.h"
#include "macro/Macro.h"
#include "macro/MacroEditing.h"
#include "macro/MacroFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

using namespace kavrel;

// Reads the fuzz input as a stream of small numbers; zeros once it is used up.
class Input {
public:
    explicit Input(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }
    bool done() const { return m_bytes.empty(); }
    std::uint8_t byte()
    {
        if (m_bytes.empty())
            return 0;
        const std::uint8_t b = m_bytes.front();
        m_bytes = m_bytes.subspan(1);
        return b;
    }
    std::uint16_t word() { return std::uint16_t(byte() | (byte() << 8)); }

private:
    std::span<const std::uint8_t> m_bytes;
};

// Most rows the page's list holds in a run; past it inserts are refused.
constexpr std::size_t MaxRows = 400;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameEvents(const StMacro& a, const StMacro& b)
{
    return std::memcmp(a.Events, b.Events, sizeof a.Events) == 0;
}

std::uint32_t delayOf(const StMacro& macro, int i)
{
    const std::uint32_t delay = macro.Events[i].dwDelay; // copied out: the field sits unaligned
    return delay;
}

void insertRows(KeyRows& rows, std::size_t at, const KeyRows& added)
{
    if (rows.size() + added.size() > MaxRows)
        return;
    rows.insert(rows.begin() + std::ptrdiff_t(std::min(at, rows.size())), added.begin(), added.end());
}

// Writes the rows as the page's Save does and checks what the file gives back.
void writeAndReadBack(KeyRows& rows, StMacro& macro)
{
    KeyListToEvents(rows, macro);
    for (int i = 0; i < MacroEventSlots; ++i)
        require(delayOf(macro, i) <= std::uint32_t(MacroDelayMax));
    require(macro.Events[MacroEventSlots - 1].wKey == 0);

    macro.dwFlags &= ~MacroDirtyBits; // as the file write does
    const MacroFileBytes file = EncodeMacroFile(macro);
    const MacroReadResult back = DecodeMacroBytes(file, 0x7F);
    require(back.ok());
    StMacro expected = macro;
    expected.Macro_Buffer_ID = 0;
    require(std::memcmp(&back.macro, &expected, MacroSize) == 0);
    require(EventsToKeyList(back.macro) == EventsToKeyList(macro));

    // Saving again what the page shows after reopening keeps the steps; only
    // the delay after the last shown step is not shown, so it is not kept.
    const int count = macroEventCount(back.macro);
    if (count == 0 || count > MacroEventMax || back.macro.dwAutoDelay == 0)
        return;
    KeyRows shown = EventsToKeyList(back.macro);
    StMacro again = back.macro;
    KeyListToEvents(shown, again);
    StMacro lastDelayCleared = back.macro;
    lastDelayCleared.Events[count - 1].dwDelay = 0;
    require(sameEvents(again, lastDelayCleared));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(std::span(data, size));
    // Made once: a new macro's id waits for the clock to move on.
    static const StMacro blank = NewBlankMacro("Fuzz");
    StMacro macro = blank;
    macro.dwAutoDelay = in.byte() & 1;
    macro.dwLoopMode = in.byte() % 3;
    macro.wLoopCount = std::uint16_t(1 + in.byte());

    KeyRows rows = EventsToKeyList(macro);
    MacroRecorder recorder;
    std::uint64_t clock = 0;
    bool recording = false;
    int recordedKeys = 0;
    while (!in.done()) {
        const std::uint8_t op = in.byte() % 10;
        const std::size_t at = rows.empty() ? 0 : in.byte() % (rows.size() + 1);
        switch (op) {
        case 0: { // insert a key press or release from a captured combination
            const auto code = capturedRowCode(in.byte(), in.byte());
            if (code)
                insertRows(rows, at, {{(in.byte() & 1) ? KeyRowKind::Press : KeyRowKind::Release, *code}});
            break;
        }
        case 1: // insert a typed pause
            insertRows(rows, at, {pauseRow(limitTypedPause(std::int64_t(in.word()) * 3))});
            break;
        case 2: // insert a mouse action
            insertRows(rows, at, mouseActionRows(MouseKeyFirst + in.byte() % 7, macro.dwAutoDelay != 0));
            break;
        case 3: // delete a row
            if (at < rows.size())
                rows.erase(rows.begin() + std::ptrdiff_t(at));
            break;
        case 4: // edit a row: a key row gets another key, a pause another length
            if (at < rows.size()) {
                KeyRow& row = rows[at];
                if (row.isKey())
                    row.value = capturedRowCode(in.byte(), in.byte()).value_or(row.value);
                else
                    row.value = limitTypedPause(std::int64_t(in.word()) * 3);
            }
            break;
        case 5: // start or stop recording
            recording = !recording;
            if (recording)
                recorder.start();
            recordedKeys = 0;
            break;
        case 6: { // a key message while recording (else ignored)
            const int code = recordedKeyCode(1 + in.byte() % 255, std::uint32_t(in.byte()) << 16);
            const bool release = in.byte() & 1;
            clock += in.word();
            if (!recording)
                break;
            const KeyRows taken = recorder.take(code, release, clock, macro.dwAutoDelay != 0, !rows.empty());
            for (const KeyRow& row : taken) {
                if (row.isKey())
                    require(row.value > 0 && row.value < 256 && ++recordedKeys <= MacroEventMax);
                else
                    require(row.value > 0 && row.value <= MacroDelayMax);
            }
            if (rows.size() + taken.size() <= MaxRows)
                rows.insert(rows.end(), taken.begin(), taken.end());
            break;
        }
        case 7: // normalise
            NormalizeKeyList(rows);
            require(rows.empty() || rows.front().kind == KeyRowKind::Press);
            break;
        case 8: // write the macro and read the file back
            writeAndReadBack(rows, macro);
            rows = EventsToKeyList(macro);
            break;
        case 9: // switch delays on or off
            macro.dwAutoDelay ^= 1;
            break;
        }
    }
    writeAndReadBack(rows, macro);
    return 0;
}

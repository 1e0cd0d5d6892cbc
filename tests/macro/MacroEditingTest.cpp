// The key list of the macro page without a window: loading events, the
// clean-up before saving, writing events back, recording intake and the
// codes of captured keys.

#include "MacroFixture.h"

#include "app/Limits.h"
#include "app/Log.h"
#include "macro/MacroEditing.h"

using namespace kavrel;
using namespace kavrel::test;

namespace {

constexpr int A = 0x41;
constexpr int B = 0x42;

} // namespace

TEST_F(MacroTest, EventsBecomeRowsWithPausesBetweenButNotAfterTheLast)
{
    const StMacro m = macroWith(1, {{A, 1, 30}, {A, 0, 40}, {245, 0, 99}});
    EXPECT_EQ(EventsToKeyList(m), (KeyRows{pressRow(A), pauseRow(30), releaseRow(A), pauseRow(40), releaseRow(245)}));

    StMacro noDelays = m;
    noDelays.dwAutoDelay = 0;
    EXPECT_EQ(EventsToKeyList(noDelays), (KeyRows{pressRow(A), releaseRow(A), releaseRow(245)}));

    // Twenty events show sixteen key rows; a save after a change keeps only those.
    StMacro twenty = macroWith(2, {});
    for (int i = 0; i < 20; ++i)
        twenty.Events[i] = {std::uint16_t(A + i), std::uint16_t((i + 1) % 2), 10};
    KeyRows rows = EventsToKeyList(twenty);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const KeyRow& r) { return r.isKey(); }), MacroEventMax);
    KeyListToEvents(rows, twenty);
    EXPECT_EQ(macroEventCount(twenty), MacroEventMax);

    EXPECT_EQ(keyRowText(pauseRow(350)), "350 ms");
    EXPECT_EQ(keyRowText(pressRow(240)), "Left click");
    EXPECT_EQ(keyRowText(releaseRow(A)), "A");
}

TEST_F(MacroTest, NormalisingDropsLeadingRowsAndMergesNeighbours)
{
    struct Case {
        const char* what;
        KeyRows rows;
        KeyRows expected;
    };
    const std::vector<Case> cases = {
        {"leading pause and release go", {pauseRow(5), releaseRow(A), pressRow(B)}, {pressRow(B)}},
        {"no press at all leaves nothing", {releaseRow(A), pauseRow(5)}, {}},
        {"two pauses add up", {pressRow(A), pauseRow(100), pauseRow(250), releaseRow(A)},
            {pressRow(A), pauseRow(350), releaseRow(A)}},
        {"three pauses 1, 2, 3 become 3 and 3", {pressRow(A), pauseRow(1), pauseRow(2), pauseRow(3)},
            {pressRow(A), pauseRow(3), pauseRow(3)}},
        {"a doubled press saves once", {pressRow(A), pressRow(A), releaseRow(A)}, {pressRow(A), releaseRow(A)}},
        {"press and release of one key stay", {pressRow(A), releaseRow(A)}, {pressRow(A), releaseRow(A)}},
        {"same kind, other key stays", {pressRow(A), pressRow(B)}, {pressRow(A), pressRow(B)}},
        {"a merged pause keeps the device's limit", {pressRow(A), pauseRow(20000), pauseRow(20000)},
            {pressRow(A), pauseRow(MacroDelayMax)}},
    };
    for (const Case& c : cases) {
        KeyRows rows = c.rows;
        NormalizeKeyList(rows);
        EXPECT_EQ(rows, c.expected) << c.what;
    }
}

TEST_F(MacroTest, RowsBecomeEventsWithTheirPausesAsDelays)
{
    // Event delays sit unaligned in the packed record: copy them before comparing (no reference to them).
    StMacro m = macroWith(3, {});
    for (auto& event : m.Events)
        event = {0x55, 1, 7}; // old content everywhere: every slot is rewritten
    KeyRows rows{releaseRow(B), pressRow(A), pauseRow(120), releaseRow(A), pressRow(B), pauseRow(30000)};
    KeyListToEvents(rows, m);
    EXPECT_EQ(macroEventCount(m), 3);
    EXPECT_EQ(m.Events[0].wKey, A);
    EXPECT_EQ(m.Events[0].wDown, 1);
    EXPECT_EQ(std::uint32_t(m.Events[0].dwDelay), 120u);
    EXPECT_EQ(m.Events[1].wDown, 0);
    EXPECT_EQ(std::uint32_t(m.Events[1].dwDelay), 0u);
    EXPECT_EQ(std::uint32_t(m.Events[2].dwDelay), std::uint32_t(MacroDelayMax)); // a typed pause past the limit is cut
    EXPECT_EQ(m.Events[3].wKey, 0);
    EXPECT_EQ(std::uint32_t(m.Events[3].dwDelay), 0u);
    EXPECT_EQ(m.Events[90].wKey, 0);

    // At most 90 events; the 91st slot stays a terminator.
    KeyRows many;
    for (int i = 0; i < 100; ++i)
        many.push_back(i % 2 ? releaseRow(A) : pressRow(A));
    KeyListToEvents(many, m);
    EXPECT_EQ(macroEventCount(m), MacroEventsWritten);

    // A row without a code ends the macro and is logged.
    InitLogWith(2, m_dir / "Log.txt");
    KeyRows zero{pressRow(A), pressRow(0), releaseRow(A)};
    KeyListToEvents(zero, m);
    InitLogWith(0, {});
    EXPECT_EQ(macroEventCount(m), 1);
    EXPECT_NE(readFile(m_dir / "Log.txt").find("Capture keycode=0"), std::string::npos);
}

TEST_F(MacroTest, RecordingTakesOnePressAndOneReleaseOfAHeldKey)
{
    MacroRecorder recorder;
    recorder.start();
    KeyRows list;
    auto feed = [&](int code, bool release, std::uint64_t at) {
        for (const KeyRow& row : recorder.take(code, release, at, true, !list.empty()))
            list.push_back(row);
    };
    feed(A, false, 1000);
    feed(A, false, 1030); // auto-repeat
    feed(A, false, 1060);
    feed(A, true, 1100);
    feed(B, false, 1250);
    feed(B, true, 1300);
    EXPECT_EQ(list,
        (KeyRows{pressRow(A), pauseRow(100), releaseRow(A), pauseRow(150), pressRow(B), pauseRow(50), releaseRow(B)}));

    // A pause longer than the device holds is cut; equal timestamps give no pause row.
    recorder.start();
    list.clear();
    feed(A, false, 0);
    feed(A, true, 100000);
    feed(B, false, 100000);
    EXPECT_EQ(list, (KeyRows{pressRow(A), pauseRow(MacroDelayMax), releaseRow(A), pressRow(B)}));

    // Delays off: key rows only.
    recorder.start();
    EXPECT_EQ(recorder.take(A, false, 10, false, false), KeyRows{pressRow(A)});
    EXPECT_EQ(recorder.take(A, true, 90, false, true), KeyRows{releaseRow(A)});
}

TEST_F(MacroTest, RecordingKeepsSixteenEventsAndForgetsThePreviousRecording)
{
    MacroRecorder recorder;
    recorder.start();
    int keys = 0;
    for (int i = 0; i < 20; ++i)
        keys += int(recorder.take(A + i / 2, i % 2 == 1, std::uint64_t(i) * 10, false, true).size());
    EXPECT_EQ(keys, MacroEventMax);
    EXPECT_TRUE(recorder.take(A + 8, false, 500, false, true).empty());

    // A new recording whose first key equals the last key of the one before keeps it.
    recorder.start();
    ASSERT_EQ(recorder.take(B, true, 10, false, false), KeyRows{releaseRow(B)});
    recorder.start();
    EXPECT_EQ(recorder.take(B, true, 20, false, false), KeyRows{releaseRow(B)});
}

TEST_F(MacroTest, KeyCodesOfRecordingAndCapture)
{
    constexpr std::uint32_t Extended = 1u << 24;
    constexpr std::uint32_t ScanBit4 = 1u << 20;
    EXPECT_EQ(recordedKeyCode(17, 0x1D0000), 17);
    EXPECT_EQ(recordedKeyCode(17, Extended | 0x1D0000), 163);
    EXPECT_EQ(recordedKeyCode(18, Extended), 165);
    EXPECT_EQ(recordedKeyCode(16, 0x2A0000), 16); // left Shift, scan code 0x2A
    EXPECT_EQ(recordedKeyCode(16, 0x360000 | ScanBit4), 161); // right Shift, scan code 0x36
    EXPECT_EQ(recordedKeyCode(A, Extended), A);

    EXPECT_EQ(capturedRowCode(A, 0x01), A);
    EXPECT_EQ(capturedRowCode(0, 0x01 | 0x02), 162);
    EXPECT_EQ(capturedRowCode(0, 0x02), 160);
    EXPECT_EQ(capturedRowCode(0, 0x04), 164);
    EXPECT_EQ(capturedRowCode(0, 0x08), 91);
    // Right-hand modifiers alone keep their own codes instead of becoming 0.
    EXPECT_EQ(capturedRowCode(0, 0x10), 163);
    EXPECT_EQ(capturedRowCode(0, 0x20), 161);
    EXPECT_EQ(capturedRowCode(0, 0x40), 165);
    EXPECT_EQ(capturedRowCode(0, 0x80), 92);
    EXPECT_EQ(capturedRowCode(0, 0), std::nullopt);

    EXPECT_EQ(limitTypedPause(3), MacroDelayMin);
    EXPECT_EQ(limitTypedPause(-5), MacroDelayMin);
    EXPECT_EQ(limitTypedPause(99999), MacroDelayMax);
    EXPECT_EQ(mouseActionRows(240, true), (KeyRows{pressRow(240), pauseRow(50), releaseRow(240)}));
    EXPECT_EQ(mouseActionRows(242, false), (KeyRows{pressRow(242), releaseRow(242)}));
    EXPECT_EQ(mouseActionRows(245, true), KeyRows{releaseRow(245)});
    EXPECT_EQ(mouseActionRows(246, true), KeyRows{pressRow(246)});
}

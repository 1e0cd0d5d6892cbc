// The macro being edited, without a window: what counts as a change, what a
// save writes and what a failed save keeps, keys left pressed, and the
// recorder's limit.

#include "MacroFixture.h"

#include "app/Limits.h"
#include "macro/MacroEditSession.h"

#include <cerrno>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

constexpr int A = 0x41;
constexpr int B = 0x42;
constexpr int Space = 0x20;

class MacroEditSessionTest : public MacroTest {
protected:
    void SetUp() override
    {
        MacroTest::SetUp();
        fs::create_directories(library());
        m_macro = macroWith(0x77, {{A, 1, 30}, {A, 0, 0}});
        m_macro.wLoopCount = 3;
        writeFile(file(), fileBytes(m_macro));
        ASSERT_TRUE(AddToList(m_macro));
        m_session.open(m_macro, file().string());
    }
    fs::path library() const { return m_dir.path() / "Mac"; }
    fs::path file() const { return library() / "Tap.mck"; }

    StMacro m_macro{};
    MacroEditSession m_session;
};

} // namespace

TEST_F(MacroEditSessionTest, OnlyARealDifferenceCountsAsAChange)
{
    EXPECT_FALSE(m_session.isModified());
    EXPECT_EQ(m_session.rows(), (KeyRows{pressRow(A), pauseRow(30), releaseRow(A)}));

    // Turning delays off alone is a change; turning them back on is none.
    m_session.setAutoDelay(false);
    EXPECT_TRUE(m_session.isModified());
    m_session.setAutoDelay(true);
    EXPECT_FALSE(m_session.isModified());

    m_session.setLoopCount(3);
    EXPECT_FALSE(m_session.isModified());
    m_session.setLoopCount(900); // held at 255
    EXPECT_EQ(m_session.loopCount(), MacroLoopMax);
    EXPECT_TRUE(m_session.isModified());
    m_session.setLoopCount(3);

    // Each step edit on its own, and back.
    m_session.insertRows(1, {pauseRow(5)});
    EXPECT_TRUE(m_session.isModified());
    m_session.deleteRow(1);
    EXPECT_FALSE(m_session.isModified());
    m_session.editRow(0, B);
    EXPECT_EQ(m_session.rows()[0], pressRow(B));
    m_session.editRow(0, A);
    m_session.deleteRow(99); // past the end: nothing
    m_session.insertRows(99, {pressRow(B)}); // past the end: appended
    EXPECT_EQ(m_session.rows().back(), pressRow(B));
    m_session.replaceRows({pressRow(Space), releaseRow(Space)});
    EXPECT_TRUE(m_session.stepsModified());

    // Nothing reached MacroList or the file before the save.
    EXPECT_EQ(FindMacroById(0x77)->Events[0].wKey, A);
    EXPECT_EQ(readFile(file()), fileBytes(m_macro));
}

TEST_F(MacroEditSessionTest, SaveWritesTheFileAndTheListEntryOrKeepsTheChanges)
{
    m_session.setLoopCount(7);
    m_session.replaceRows({pressRow(B), pauseRow(40), releaseRow(B)});
    const MacroSaveResult saved = m_session.save();
    ASSERT_TRUE(saved.ok);
    EXPECT_EQ(saved.path, file().string());
    EXPECT_FALSE(m_session.isModified());
    StMacro expected = macroWith(0x77, {{B, 1, 40}, {B, 0, 0}});
    expected.wLoopCount = 7;
    EXPECT_EQ(readFile(file()), fileBytes(expected));
    const StMacro entry = *FindMacroById(0x77);
    EXPECT_EQ(entry.wLoopCount, 7);
    const StMacroEvent first = entry.Events[0];
    EXPECT_EQ(first.wKey, B);

    // Settings alone keep every event, even those past the sixteen shown.
    StMacro twenty = macroWith(0x78, {});
    for (int i = 0; i < 20; ++i)
        twenty.Events[i] = {std::uint16_t(A + i / 2), std::uint16_t(i % 2 == 0), 10};
    MacroEditSession other;
    other.open(twenty, (library() / "Twenty.mck").string());
    other.setLoopMode(MacroLoopMode2);
    EXPECT_EQ(macroEventCount(other.toMacro()), 20);
    EXPECT_EQ(other.toMacro().dwLoopMode, MacroLoopMode2);

    // A file that cannot be replaced (a folder stands in its place; read-only
    // folders do not stop the superuser): the reason comes back, the changes stay.
    fs::remove(file());
    fs::create_directory(file());
    m_session.setLoopCount(9);
    const MacroSaveResult failed = m_session.save();
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.error, EISDIR);
    EXPECT_EQ(failed.path, file().string());
    EXPECT_TRUE(m_session.isModified());
    EXPECT_EQ(FindMacroById(0x77)->wLoopCount, 7);
    EXPECT_TRUE(fs::is_directory(file()));
}

TEST_F(MacroEditSessionTest, KeysLeftPressedAreFoundAndCanBeReleased)
{
    EXPECT_TRUE(m_session.unreleasedKeys().empty());
    m_session.replaceRows({pressRow(162), pressRow(Space), pressRow(A), releaseRow(A), releaseRow(B)});
    EXPECT_EQ(m_session.unreleasedKeys(), (std::vector<int>{162, Space}));
    m_session.addReleases();
    EXPECT_TRUE(m_session.unreleasedKeys().empty());
    EXPECT_EQ(m_session.rows().back(), releaseRow(Space));
    const StMacro written = m_session.toMacro();
    ASSERT_EQ(macroEventCount(written), 7);
    const StMacroEvent last = written.Events[6];
    EXPECT_EQ(last.wKey, Space);
    EXPECT_EQ(last.wDown, 0);
}

TEST_F(MacroEditSessionTest, TheRecorderSaysWhenItIsFull)
{
    MacroRecorder recorder;
    recorder.start();
    for (int i = 0; i < MacroEventMax - 1; ++i) {
        recorder.take(A + i / 2, i % 2 == 1, std::uint64_t(i) * 10, false, true);
        EXPECT_FALSE(recorder.full()) << i;
    }
    EXPECT_EQ(recorder.take(B + 10, false, 900, false, true).size(), 1u);
    EXPECT_TRUE(recorder.full());
    recorder.start();
    EXPECT_FALSE(recorder.full());
}

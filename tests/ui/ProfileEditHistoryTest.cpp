// The undo history of profile edits without a window: steps hold whole
// records, slider drags join into one step, an edit that changes nothing adds
// none, and undo and redo hand back exactly the records before and after.

#include "ui/ProfileEditHistory.h"

#include "app/Config.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kavrel;

namespace {

struct Restored {
    PROFILE record;
    std::uint32_t flags;
};

class EditHistory : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::loadConfigQuietly(test::readFile(test::sourceDir() / "data/models/ansi/cfg.ini"));
        NewProfile("One", m_profile);
        m_history.setBase(&m_profile);
    }

    PROFILE m_profile;
    std::vector<Restored> m_restored;
    ProfileEditHistory m_history{[this](const PROFILE& record, std::uint32_t flags) {
        m_restored.push_back({record, flags});
        m_profile = record;
    }};
};

bool same(const PROFILE& a, const PROFILE& b)
{
    return std::memcmp(&a, &b, ProfileSize) == 0;
}

} // namespace

TEST_F(EditHistory, UndoAndRedoGiveBackTheRecordsAroundEachEdit)
{
    const PROFILE start = m_profile;
    m_profile.keys[5].key1 = 0x42;
    EXPECT_TRUE(m_history.recordEdit(m_profile, ProfileEdit::KeyFunction, 0x1));
    const PROFILE afterKey = m_profile;
    m_profile.ledMode = 2;
    EXPECT_TRUE(m_history.recordEdit(m_profile, ProfileEdit::LightingMode, 0x6));
    EXPECT_FALSE(m_history.recordEdit(m_profile, ProfileEdit::LightingMode, 0x6)) << "nothing changed";
    EXPECT_EQ(m_history.stack().count(), 2);
    EXPECT_TRUE(m_restored.empty()) << "pushing an edit does not restore anything";

    m_history.stack().undo();
    ASSERT_EQ(m_restored.size(), 1u);
    EXPECT_TRUE(same(m_restored.back().record, afterKey));
    EXPECT_EQ(m_restored.back().flags, 0x6u) << "an immediate apply of the undo sends what the edit sent";
    m_history.stack().undo();
    EXPECT_TRUE(same(m_profile, start));
    EXPECT_EQ(m_restored.back().flags, 0x1u);
    m_history.stack().redo();
    EXPECT_TRUE(same(m_profile, afterKey));

    // A new edit after an undo drops the redo step, and starts from the restored record.
    m_profile.colorSet = 9;
    EXPECT_TRUE(m_history.recordEdit(m_profile, ProfileEdit::ColourSet, 0x6));
    EXPECT_FALSE(m_history.stack().canRedo());
    m_history.stack().undo();
    EXPECT_TRUE(same(m_profile, afterKey));

    m_history.clear();
    EXPECT_FALSE(m_history.stack().canUndo());
}

TEST_F(EditHistory, ASliderDragIsOneStepButTwoSlidersOrTwoProfilesAreNot)
{
    const PROFILE start = m_profile;
    for (int speed = 1; speed <= 5; ++speed) {
        m_profile.ledLevels[2].speed = std::uint8_t(speed);
        m_history.recordEdit(m_profile, ProfileEdit::LightingSpeed, 0x2);
    }
    EXPECT_EQ(m_history.stack().count(), 1);
    m_profile.ledLevels[2].brightness = 6;
    m_history.recordEdit(m_profile, ProfileEdit::LightingBrightness, 0x2);
    m_profile.ledLevels[2].speed = 2;
    m_history.recordEdit(m_profile, ProfileEdit::LightingSpeed, 0x2);
    EXPECT_EQ(m_history.stack().count(), 3);

    // Another profile's drag does not join this one's.
    PROFILE other;
    NewProfile("Two", other);
    m_history.setBase(&other);
    other.ledLevels[2].speed = 4;
    m_history.recordEdit(other, ProfileEdit::LightingSpeed, 0x2);
    EXPECT_EQ(m_history.stack().count(), 4);
    m_history.stack().undo();
    EXPECT_EQ(m_restored.back().record.id, other.id);
    m_history.stack().undo();
    m_history.stack().undo();
    m_history.stack().undo();
    EXPECT_TRUE(same(m_profile, start)) << "the whole first drag is undone in one step";
}

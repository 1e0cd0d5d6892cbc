// With ApplyNow, the lighting page's edits reach the simulated keyboard
// through the program's apply worker, as kavrel-cli sim-state reads them.
#include "LedPageFixture.h"

#include "device/ApplyWorker.h"
#include "device/CUSBDriver.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kavrel {
namespace {

using test::matrixOfKey;

// A line of sim-state's colour report.
std::string colourLine(int position, int index)
{
    char line[64];
    std::snprintf(line, sizeof line, "position %3d  index %d", position, index);
    return line;
}

class LedPageDeviceTest : public test::LedPageTest {
protected:
    void SetUp() override
    {
        LedPageTest::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", stateFile.c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        ASSERT_TRUE(link.Init());
        ASSERT_TRUE(link.FindDev());
        StartApplyWorker(link);
        Cfg.ApplyNow = 1;
    }
    void TearDown() override
    {
        StopApplyWorker();
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        LedPageTest::TearDown();
    }

    std::string simState() const
    {
        return test::runKavrelCli("sim-state", "KAVREL_SIM_STATE=" + stateFile.string()).out;
    }
    // Waits until the keyboard's memory shows the text.
    bool keyboardShows(const std::string& text) const
    {
        return QTest::qWaitFor([&] { return simState().find(text) != std::string::npos; }, 10000);
    }

    test::TempDir dir;
    std::filesystem::path stateFile = dir / "sim.state";
    CUSBDriver link;
};

TEST_F(LedPageDeviceTest, ModeColourSetAndSlidersAreAppliedAsTheyChange)
{
    profile.ledMode = 3;
    profile.colorSet = 0;
    profile.ledLevels[3] = {2, 5};
    profile.ledLevels[6] = {1, 1};
    profile.keyColors[8][matrixOfKey(0)] = 0x0000FF; // red, colour index 4
    profile.keyColors[8][matrixOfKey(1)] = 0x00FF00; // green, 2
    makePage().setApplyRequester([](std::uint32_t flags) { RequestApply(flags); });
    page->showProfile(profile);

    choose(setBox(), 8);
    ASSERT_TRUE(keyboardShows("lighting: mode 3, colour set 8, speed 2, brightness 5")) << simState();
    // The colours report follows the lighting report in the same apply.
    ASSERT_TRUE(keyboardShows(colourLine(matrixOfKey(1), 2))) << simState();
    const std::string state = simState();
    EXPECT_NE(state.find("colours: set 8"), std::string::npos) << state;
    EXPECT_NE(state.find(colourLine(matrixOfKey(0), 4)), std::string::npos) << state;
    EXPECT_NE(state.find(colourLine(matrixOfKey(1), 2)), std::string::npos) << state;

    choose(modeBox(), rowOfMode(6));
    ASSERT_TRUE(keyboardShows("lighting: mode 6, colour set 8, speed 1, brightness 1")) << simState();
    clickStop(speed(), 4);
    clickStop(brightness(), 2);
    EXPECT_TRUE(keyboardShows("lighting: mode 6, colour set 8, speed 5, brightness 3")) << simState();
    EXPECT_EQ(profile.ledLevels[6].speed, 5);
    EXPECT_EQ(profile.ledLevels[3].speed, 2);
}

} // namespace
} // namespace kavrel

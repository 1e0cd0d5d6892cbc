// The modules' shared helpers: the device id text and the simulated keyboard's state file format.

#include "ModuleCommon.h"
#include "SimState.h"

#include <gtest/gtest.h>

using namespace hidgate;

TEST(ModuleHelpersTest, IdTextIsReadInAnyCaseAndRefusedWhenMalformed)
{
    EXPECT_EQ(parseIdText("VID_1A2C&PID_0B3D"), (DeviceId{0x1A2C, 0x0B3D}));
    EXPECT_EQ(parseIdText("vid_1a2c&pid_0b3d"), (DeviceId{0x1A2C, 0x0B3D}));
    for (const char* bad : {"", "VID_1A2C", "VID_1A2C&PID_0B3", "VID_1A2C&PID_0B3DX", "VID_1A2G&PID_0B3D",
             "PID_1A2C&VID_0B3D", "VID-1A2C&PID_0B3D"})
        EXPECT_FALSE(parseIdText(bad)) << bad;
}

TEST(ModuleHelpersTest, StringsAreCutWithoutSplittingCharacters)
{
    char buffer[6];
    EXPECT_TRUE(copyString("abc\xC3\xA4\xC3\xB6", buffer, sizeof buffer)); // "abcäö" cut after ä
    EXPECT_STREQ(buffer, "abc\xC3\xA4");
    char small[5];
    EXPECT_TRUE(copyString("abc\xC3\xA4", small, sizeof small));
    EXPECT_STREQ(small, "abc");
    EXPECT_FALSE(copyString("abc", small, 0));
}

TEST(ModuleHelpersTest, StateFileRoundTripsAndSkipsDamagedLines)
{
    SimState state;
    state[9] = SimReport{3, {9, 0x00, 0xFF, 0x10}};
    state[12] = SimReport{1, {12}};
    const std::string text = formatSimState(state);
    EXPECT_EQ(text, "report 9 3 0900ff10\nreport 12 1 0c\n");
    EXPECT_EQ(parseSimState(text), state);

    const SimState damaged = parseSimState("report 9 3 0900ff1\nreport x 1 0c\nreport 10 1 0a\ngarbage\nreport 300 1 "
                                           "00\nreport 11 1 0b zz\n");
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(damaged.at(10).bytes, (std::vector<std::uint8_t>{10}));
}

// kavrel-cli switch: a stored profile written to the simulated keyboard becomes the current one.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kavrel::test;

namespace {

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(CliSwitch, AppliesTheProfileAndMakesItCurrentOnlyWhenTheKeyboardTookIt)
{
    TempDir dir;
    const std::string appData = "--appdata-dir " + (dir / "data").string() + " ";
    const std::string simulated = "KAVREL_HIDGATE=libhidgate-sim.so KAVREL_SIM_STATE=" + (dir / "sim.state").string();

    const CommandRun switched = runKavrelCli(appData + "switch 2", simulated);
    ASSERT_EQ(switched.status, 0);
    EXPECT_TRUE(has(switched.out, "current profile: ")) << switched.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "data" / "pro.dct")) << "the new profiles are stored with their ids";
    EXPECT_TRUE(has(runKavrelCli(appData + "show 2").out, ", current"));
    EXPECT_EQ(runKavrelCli(appData + "sim-state", simulated).status, 0) << "the keyboard has a profile";

    const std::string before = readFile(dir / "data" / "curid.dct");
    const std::string failing = simulated + " KAVREL_SIM_OPTIONS=fail=matrix:always";
    EXPECT_EQ(runKavrelCli(appData + "switch 3", failing).status, 1);
    EXPECT_EQ(readFile(dir / "data" / "curid.dct"), before) << "a failed apply switches nothing";
    EXPECT_EQ(runKavrelCli(appData + "switch 3", "KAVREL_HIDGATE=/nonexistent.so").status, 1);
    EXPECT_EQ(runKavrelCli(appData + "switch 9", simulated).status, 1) << "no ninth profile";
    EXPECT_EQ(runKavrelCli(appData + "switch", simulated).status, 2);
    EXPECT_TRUE(has(runKavrelCli(appData + "show 2").out, ", current"));
}

} // namespace

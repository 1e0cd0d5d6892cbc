// kavrel-cli reports, apply and sim-state: a stored profile written to the simulated keyboard and read back.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kavrel::test;

namespace {

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(CliApply, ReportsApplyAndSimStateAgree)
{
    TempDir dir;
    const std::string appData = "--appdata-dir " + (dir / "data").string() + " ";
    const std::string simulated = "KAVREL_HIDGATE=libhidgate-sim.so KAVREL_SIM_STATE=" + (dir / "sim.state").string();

    const CommandRun reports = runKavrelCli(appData + "reports 1");
    ASSERT_EQ(reports.status, 0);
    EXPECT_TRUE(reports.out.starts_with("report 10 42 0a04010304")) << "mode 4, set 0 + 1, speed 3, brightness 4";
    EXPECT_TRUE(has(reports.out, "\nreport 9 577 09")) << reports.out.substr(0, 200);
    EXPECT_TRUE(has(reports.out, "\nsent 2 reports\n"));

    EXPECT_EQ(runKavrelCli(appData + "sim-state", simulated).status, 1) << "nothing written yet";
    ASSERT_EQ(runKavrelCli(appData + "apply 1", simulated).status, 0);
    const CommandRun state = runKavrelCli(appData + "sim-state", simulated);
    ASSERT_EQ(state.status, 0);
    EXPECT_TRUE(has(state.out, "lighting: mode 4, colour set 0, speed 3, brightness 4"));
    EXPECT_TRUE(has(state.out, "    6  0x00290000  Esc")) << state.out.substr(0, 400);
    EXPECT_TRUE(has(state.out, "  136  0x00580000  Num Enter"));

    EXPECT_EQ(runKavrelCli(appData + "apply 9", simulated).status, 1) << "no ninth profile";
    EXPECT_EQ(runKavrelCli(appData + "reports 1 --flags 8").status, 2);
    EXPECT_EQ(runKavrelCli(appData + "apply 1", "KAVREL_HIDGATE=/nonexistent.so").status, 1);
}

// kavrel-cli config against real program folders.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

using namespace kavrel::test;

namespace {

} // namespace

TEST(CliConfig, PrintsTheModelAndTheMessagesShown)
{
    TempDir dir;
    writeFile(dir / "cfg.ini", "[OPT]\nrcKB=1,2,3\nVID=6700\n[KEY]\nK1=1,2,3,4,2,41,0,200\nK2=5,6,7,8,3,26,0,9\n");
    const CommandRun run = runKavrelCli("--program-dir " + dir.path().string() + " config");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"VID\": 6700"), std::string::npos);
    EXPECT_NE(run.out.find("\"rcKB\": [0, 0, 0, 0]"), std::string::npos);
    EXPECT_NE(run.out.find("\"keyCount\": 1"), std::string::npos);
    EXPECT_NE(run.out.find("{\"index\": 0, \"kind\": 3, \"code\": 38, \"rect\": [5, 6, 7, 8], \"matrixIndex\": 9,"),
        std::string::npos);
    const auto wrongRect = run.out.find("{\"caption\": \"Error\", \"text\": \"Wrong rect num\"}");
    const auto appdata = run.out.find("{\"caption\": \"Error\", \"text\": \"APPDATA=NULL\"}");
    const auto matrix = run.out.find("{\"caption\": \"Warning\", \"text\": \"Wrong matrix index value!\"}");
    EXPECT_TRUE(appdata < wrongRect && wrongRect < matrix) << "messages in the order shown";
    EXPECT_NE(run.out.find("\"UnRectKey\": null"), std::string::npos);
}

TEST(CliConfig, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(runKavrelCli("config extra").status, 2);
    EXPECT_EQ(runKavrelCli("--program-dir").status, 2);
    EXPECT_EQ(runKavrelCli("no-such-command").status, 2);
}

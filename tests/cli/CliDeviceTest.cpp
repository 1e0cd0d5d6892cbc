// kavrel-cli device against the simulated keyboard and a missing module.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

using namespace kavrel::test;

namespace {

CommandRun runDevice(const std::string& environment, const std::string& args)
{
    return runKavrelCli("--program-dir " + buildBinDir().string() + " device " + args, environment);
}

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(CliDevice, FindsTheSimulatedKeyboardAndTellsWhyOneIsAbsent)
{
    TempDir dir;
    const std::string sim = "KAVREL_HIDGATE=libhidgate-sim.so KAVREL_SIM_STATE=" + (dir / "state").string();

    const CommandRun found = runDevice(sim, "--json");
    EXPECT_EQ(found.status, 0) << found.out;
    for (const char* part :
        {"\"module\": \"libhidgate-sim.so\"", "\"loaded\": true", "\"idText\": \"VID_1A2C&PID_0B3D\"",
            "\"present\": true", "\"productString\": \"Kavrel Gaming Keyboard\"", "\"count\": 1", "\"matrix\": "})
        EXPECT_TRUE(has(found.out, part)) << part << "\n" << found.out;
    EXPECT_FALSE(has(found.out, "\"matrix\": 0"));

    const CommandRun missing = runDevice(sim + " KAVREL_SIM_OPTIONS=drop=led", "--json");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(has(missing.out, "\"present\": false"));
    EXPECT_TRUE(has(missing.out, "\"matrix\": 0")) << missing.out;
    EXPECT_TRUE(has(missing.out, "no lighting collection")) << missing.out;
    EXPECT_TRUE(has(missing.out, "\"productString\": \"Kavrel Gaming Keyboard\"")) << missing.out;

    const CommandRun text = runDevice(sim + " KAVREL_SIM_OPTIONS=keyboards=2", "");
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(has(text.out, "count: 2")) << text.out;
    EXPECT_TRUE(has(text.out, "more than one keyboard")) << text.out;
}

TEST(CliDevice, MissingModuleIsReported)
{
    const CommandRun run = runDevice("KAVREL_HIDGATE=libhidgate-none.so", "--json");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(has(run.out, "\"loaded\": false")) << run.out;
    EXPECT_TRUE(has(run.out, "cannot load libhidgate-none.so")) << run.out;
    EXPECT_EQ(runDevice("", "--bogus").status, 2);
}

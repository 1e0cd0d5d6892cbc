#pragma once

#include "SimState.h"
#include "app/Config.h"
#include "app/Log.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace kavrel::test {

// Points the device link at the simulated keyboard with its memory in a fresh folder and the log in a file;
// restores the settings it touched afterwards.
struct SimKeyboardFixture : ::testing::Test {
    TempDir dir;
    std::filesystem::path stateFile = dir / "sim.state";
    std::filesystem::path logFile = dir / "Log.txt";
    Settings savedCfg = Cfg;

    void SetUp() override
    {
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", stateFile.c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        Cfg.VID = 0x1A2C;
        Cfg.PID = 0x0B3D;
        Cfg.MatchStr = 0;
        Cfg.Debug = 0;
        InitLogWith(2, logFile);
    }
    void TearDown() override
    {
        InitLogWith(0, {});
        unsetenv("KAVREL_SIM_OPTIONS");
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        Cfg = savedCfg;
    }

    static void options(const char* text) { setenv("KAVREL_SIM_OPTIONS", text, 1); }
    std::string log() const { return std::filesystem::exists(logFile) ? readFile(logFile) : std::string(); }
    hidgate::SimState state() const
    {
        return std::filesystem::exists(stateFile) ? hidgate::parseSimState(readFile(stateFile)) : hidgate::SimState{};
    }
};

} // namespace kavrel::test

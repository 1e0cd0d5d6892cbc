#pragma once

#include "app/Config.h"
#include "app/Log.h"
#include "support/TestSupport.h"
#include "umockdev/EmulatedKernel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace kavrel::test {

// The real module (libhidgate.so) against a fresh emulated kernel; the bundled model's cfg.ini, the log in a file.
struct EmulatedKeyboardFixture : ::testing::Test {
    TempDir dir;
    std::filesystem::path logFile = dir / "Log.txt";
    Settings savedCfg = Cfg;
    std::unique_ptr<EmulatedKernel> kernel = std::make_unique<EmulatedKernel>();

    void SetUp() override
    {
        loadConfigQuietly(readFile(sourceDir() / "data/models/ansi/cfg.ini"));
        setenv("KAVREL_HIDGATE", "libhidgate.so", 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        Cfg.Debug = 0;
        InitLogWith(2, logFile);
    }
    void TearDown() override
    {
        InitLogWith(0, {});
        unsetenv("KAVREL_HIDGATE");
        Cfg = savedCfg;
    }

    std::string log() const { return std::filesystem::exists(logFile) ? readFile(logFile) : std::string(); }
};

} // namespace kavrel::test

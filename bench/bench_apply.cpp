// Encoding a profile into the keyboard's four reports, and a whole apply to the simulated keyboard.

#include "app/Config.h"
#include "app/IniFile.h"
#include "device/ApplySetting.h"
#include "device/CUSBDriver.h"
#include "device/ReportCapture.h"
#include "macro/StMacro.h"
#include "model/Profile.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

void loadDefaultModel()
{
    std::ifstream file(std::string(KAVREL_SOURCE_DIR) + "/data/models/ansi/cfg.ini", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    kavrel::LoadConfigText(text);
}

// A new profile of the default model whose letter keys A..T play 20 different macros, in mode 3 with colour set 8.
kavrel::PROFILE profileWithMacros(std::vector<kavrel::StMacro>& macros)
{
    using namespace kavrel;
    PROFILE profile{};
    NewProfile("Bench", profile);
    profile.ledMode = 3;
    profile.colorSet = 8;
    for (int p = 0; p < 144; ++p)
        profile.keyColors[8][p] = (p % 2) ? 0xFFFFFF : 0x0000FF;
    for (int m = 0; m < 20; ++m) {
        StMacro macro{};
        macro.dwMagicNumber = 0xFAFB88A0;
        macro.dwId = 0x1000 + m;
        macro.wLoopCount = 3;
        for (int e = 0; e < 16; ++e)
            macro.Events[e] = {std::uint16_t(0x41 + e), std::uint16_t(e % 2), 120};
        macros.push_back(macro);
        for (KEYINFO& key : profile.keys)
            if (key.kind == KindKey && key.key1 == 'A' + m) {
                key.setFirstWord(std::uint32_t(KindMacro) << 24);
                key.macroId = macro.dwId;
            }
    }
    return profile;
}

void BM_EncodeFourReports(benchmark::State& state)
{
    loadDefaultModel();
    kavrel::setApplySleep([](int) {});
    std::vector<kavrel::StMacro> macros;
    const kavrel::PROFILE profile = profileWithMacros(macros);
    for (auto _ : state) {
        kavrel::ReportCapture capture;
        kavrel::ApplySettingWith(&capture, nullptr, &profile, macros, kavrel::ApplyAll);
        benchmark::DoNotOptimize(capture.reports.data());
    }
    kavrel::setApplySleep({});
}
BENCHMARK(BM_EncodeFourReports)->Unit(benchmark::kMicrosecond);

// Includes the keyboard's fixed pauses: 20 + 30 + 30 + 20 ms.
void BM_ApplyToSimulatedKeyboard(benchmark::State& state)
{
    loadDefaultModel();
    const std::string module = std::string(KAVREL_BUILD_BIN) + "/libhidgate-sim.so";
    setenv("KAVREL_HIDGATE", module.c_str(), 1);
    setenv("KAVREL_SIM_STATE", "/tmp/kavrel-bench-sim.state", 1);
    kavrel::CUSBDriver link;
    if (!link.Init() || !link.FindDev()) {
        state.SkipWithError("simulated keyboard not found");
        return;
    }
    std::vector<kavrel::StMacro> macros;
    const kavrel::PROFILE profile = profileWithMacros(macros);
    for (auto _ : state)
        benchmark::DoNotOptimize(kavrel::ApplySettingWith(&link, nullptr, &profile, macros, kavrel::ApplyAll));
}
BENCHMARK(BM_ApplyToSimulatedKeyboard)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

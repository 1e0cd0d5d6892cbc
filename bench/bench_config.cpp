// LoadConfig of the bundled default model.

#include "app/Config.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string defaultModel()
{
    std::ifstream file(std::string(KAVREL_SOURCE_DIR) + "/data/models/ansi/cfg.ini", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void BM_LoadConfigDefaultModel(benchmark::State& state)
{
    const std::string text = defaultModel();
    for (auto _ : state) {
        kavrel::LoadConfigText(text);
        benchmark::DoNotOptimize(kavrel::KeyCount);
    }
    state.SetLabel(std::to_string(kavrel::KeyCount) + " keys");
}
BENCHMARK(BM_LoadConfigDefaultModel)->Unit(benchmark::kMicrosecond);

} // namespace

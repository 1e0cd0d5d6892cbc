// The language file: loading the bundled text.xml into the text table, and
// parsing documents of 1, 4 and 16 MB (parse time should grow linearly).

#include "app/Texts.h"
#include "xml/XmlDocument.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string BundledTexts = std::string(KAVREL_SOURCE_DIR) + "/data/text.xml";

// A language-file-like document of about `bytes` bytes: texts with references,
// comments and nested config elements.
std::string document(std::size_t bytes)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<language>\n<config>\n";
    for (int i = 0; text.size() < bytes; ++i) {
        text += "  <!-- group " + std::to_string(i) + " -->\n";
        text += "  <tc_msg" + std::to_string(i) + ">Press a key &amp; hold it &#x2026; then release it.</tc_msg"
            + std::to_string(i) + ">\n";
        text += "  <tc_title a=\"x\">Kavrel Keyboard Center</tc_title><tc_empty/>\n";
        if (i % 100 == 99)
            text += "  <config><tc_nested>Nested</tc_nested></config>\n";
    }
    return text + "</config>\n</language>\n";
}

void BM_LoadBundledTexts(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(kavrel::LoadTexts(BundledTexts));
    state.SetLabel(std::to_string(kavrel::TextKeys().size()) + " keys");
}
BENCHMARK(BM_LoadBundledTexts)->Unit(benchmark::kMicrosecond);

void BM_ParseDocument(benchmark::State& state)
{
    const std::string text = document(static_cast<std::size_t>(state.range(0)) << 20);
    kavrel::xml::XmlDocument xml;
    for (auto _ : state) {
        state.PauseTiming();
        xml.SetText(text);
        state.ResumeTiming();
        benchmark::DoNotOptimize(xml.ParseDocument());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetLabel(std::to_string(xml.elements().size()) + " elements");
}
BENCHMARK(BM_ParseDocument)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

// Decoding file bytes (UTF-8 check, or a declared single-byte set through iconv).
void BM_LoadBytes(benchmark::State& state)
{
    std::string text = document(1 << 20);
    if (state.range(0) == 1)
        text.replace(text.find("utf-8"), 5, "windows-1251");
    kavrel::xml::XmlDocument xml;
    for (auto _ : state) {
        xml.LoadBytes(text);
        benchmark::DoNotOptimize(xml.text().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetLabel(state.range(0) == 1 ? "1 MB windows-1251" : "1 MB UTF-8");
}
BENCHMARK(BM_LoadBytes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A whole lookup of every key in a parsed 1 MB document.
void BM_GetConfigTextAllKeys(benchmark::State& state)
{
    kavrel::xml::XmlDocument xml;
    xml.SetText(document(1 << 20));
    xml.ParseDocument();
    for (auto _ : state) {
        for (const std::string_view key : kavrel::TextKeys())
            benchmark::DoNotOptimize(kavrel::GetConfigText(xml, "config", key));
    }
}
BENCHMARK(BM_GetConfigTextAllKeys)->Unit(benchmark::kMillisecond);

} // namespace

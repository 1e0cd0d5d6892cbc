// The profile store with a full 40-slot pro.dct, the start-up walk of a
// 2000-macro library in 20 groups, and the labels of every key of the
// default model.

#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "macro/KeyLabel.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "model/KeyNames.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace kavrel;

std::string readText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// A temporary application-data folder with the default model loaded.
class Workspace {
public:
    Workspace()
    {
        std::string pattern = (fs::temp_directory_path() / "kavrel-bench-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
        platform::setMessageBoxHandler([](std::string_view, std::string_view, platform::BoxIcon) {});
        LoadConfigText(readText(std::string(KAVREL_SOURCE_DIR) + "/data/models/ansi/cfg.ini"));
        LoadTexts(std::string(KAVREL_SOURCE_DIR) + "/data/text.xml");
        SetAppDataFolderOverride(m_path);
    }
    ~Workspace()
    {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

void fillFortyProfiles()
{
    ProfileList.clear();
    PROFILE base;
    NewProfile("Bench", base);
    for (std::uint32_t i = 1; i <= StoreSlots; ++i) {
        base.id = i;
        ProfileList.appendCopy(base);
    }
    CurrentProfile = ProfileList.head()->record;
}

void BM_LoadProfilesFull(benchmark::State& state)
{
    Workspace workspace;
    fillFortyProfiles();
    SaveProfiles();
    for (auto _ : state) {
        LoadProfiles();
        benchmark::DoNotOptimize(ProfileList.count());
    }
    state.SetLabel(std::to_string(ProfileList.count()) + " profiles");
    ProfileList.clear();
}
BENCHMARK(BM_LoadProfilesFull)->Unit(benchmark::kMillisecond);

// Building the 463840-byte image only, without touching the disk.
void BM_StoreImageFull(benchmark::State& state)
{
    Workspace workspace;
    fillFortyProfiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(StoreImage());
    ProfileList.clear();
}
BENCHMARK(BM_StoreImageFull)->Unit(benchmark::kMillisecond);

// The whole save: temporary file, write, fsync, rename, fsync of the folder.
void BM_SaveProfilesFullWithFlush(benchmark::State& state)
{
    Workspace workspace;
    fillFortyProfiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveProfiles());
    ProfileList.clear();
}
BENCHMARK(BM_SaveProfilesFullWithFlush)->Unit(benchmark::kMillisecond);

// For comparison with the save above: the same image written in place with
// no flush, which is what the save costs before fsync waits for the disk.
void BM_SaveProfilesFullWithoutFlush(benchmark::State& state)
{
    Workspace workspace;
    fillFortyProfiles();
    for (auto _ : state) {
        const std::vector<std::uint8_t> image = StoreImage();
        std::ofstream(workspace.path() / "pro.dct", std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    }
    ProfileList.clear();
}
BENCHMARK(BM_SaveProfilesFullWithoutFlush)->Unit(benchmark::kMillisecond);

void BM_LoadMacroLibrary2000In20Groups(benchmark::State& state)
{
    Workspace workspace;
    const fs::path root = MacroLibraryRoot();
    StMacro macro = NewBlankMacro("Bench");
    macro.Events[0] = {0x41, 1, 10};
    macro.Events[1] = {0x41, 0, 10};
    for (int i = 0; i < 2000; ++i) {
        const fs::path group = root / ("Group " + std::to_string(i % 20));
        fs::create_directories(group);
        macro.dwId = std::uint32_t(i + 1);
        const MacroFileBytes bytes = EncodeMacroFile(macro);
        std::ofstream(group / ("Macro " + std::to_string(i) + ".mck"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    for (auto _ : state) {
        MacroList.clear();
        LoadMacroFolder(root, true, {.subFolders = true, .addToList = true});
        benchmark::DoNotOptimize(MacroList.count());
    }
    state.SetLabel(std::to_string(MacroList.count()) + " macros");
    MacroList.clear();
}
BENCHMARK(BM_LoadMacroLibrary2000In20Groups)->Unit(benchmark::kMillisecond);

void BM_KeyinfoToTextAllKeys(benchmark::State& state)
{
    Workspace workspace;
    (void)vkey_to_name(0x41); // the keyboard layout is compiled once per run
    for (auto _ : state) {
        for (int i = 0; i < KeyCount; ++i)
            benchmark::DoNotOptimize(keyinfo_to_text(KeyTable[std::size_t(i)]));
    }
    state.SetLabel(std::to_string(KeyCount) + " keys");
}
BENCHMARK(BM_KeyinfoToTextAllKeys)->Unit(benchmark::kMicrosecond);

} // namespace

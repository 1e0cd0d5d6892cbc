// The macro page on a large library: from construction to its first paint
// with 2000 macros in 20 groups, then closed with its exit path; a close with
// nothing changed must write no file (checked after the run).
#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/SkinMenu.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "ui/CMacroDlg.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using namespace kavrel;
namespace fs = std::filesystem;

void loadProgramFolder()
{
    SetProgramFolder(KAVREL_BUILD_BIN);
    LoadTexts(TextFilePath());
    std::ifstream cfg(ConfigFilePath());
    std::stringstream text;
    text << cfg.rdbuf();
    LoadConfigText(text.str());
    Cfg.MacroDir = 1;
    load_menu_library();
}

// 2000 macros, 100 in each of 20 group folders, in the library and in MacroList.
void fillLibrary(const fs::path& appData)
{
    SetAppDataFolderOverride(appData);
    MacroList.clear();
    std::uint32_t id = 1;
    for (int group = 0; group < 20; ++group) {
        const fs::path folder = fs::path(MacroLibraryRoot()) / ("Group " + std::to_string(group));
        fs::create_directories(folder);
        for (int i = 0; i < 100; ++i, ++id) {
            // Built by hand: NewBlankMacro waits 20 ms for a fresh time id.
            StMacro macro{};
            macro.dwMagicNumber = MacroMagic;
            macro.dwId = id;
            macro.dwAutoDelay = 1;
            macro.wLoopCount = 1;
            setMacroName(macro, "Macro " + std::to_string(i));
            macro.Events[0] = {0x41, 1, 50};
            macro.Events[1] = {0x41, 0, 0};
            const MacroFileBytes bytes = EncodeMacroFile(macro);
            std::ofstream(folder / ("Macro " + std::to_string(i) + ".mck"), std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            AddToList(macro);
        }
    }
}

std::map<std::string, fs::file_time_type> fileTimes(const fs::path& root)
{
    std::map<std::string, fs::file_time_type> times;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        times[entry.path().string()] = entry.last_write_time();
    return times;
}

// Counts the paint events that reach one widget.
class PaintWatch : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

void BM_MacroPageOpenToFirstPaint(benchmark::State& state)
{
    loadProgramFolder();
    QTemporaryDir appData;
    fillLibrary(appData.path().toStdString());
    const auto before = fileTimes(MacroLibraryRoot());
    for (auto _ : state) {
        CMacroDlg page(nullptr);
        PaintWatch watch;
        page.installEventFilter(&watch);
        page.show();
        while (watch.paints == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.PauseTiming();
        page.closePage();
        state.ResumeTiming();
    }
    if (fileTimes(MacroLibraryRoot()) != before)
        state.SkipWithError("closing the page with nothing changed wrote a file");
    state.counters["macros"] = double(MacroList.count());
    MacroList.clear();
}
BENCHMARK(BM_MacroPageOpenToFirstPaint)->Unit(benchmark::kMillisecond);

} // namespace

// The application lives in main, so that it is destroyed before Qt's own globals.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

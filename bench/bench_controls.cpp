// Skinned controls: the window outline from its mask, one button repaint,
// and the tree list with 2000 items (building, repainting, scrolling).
#include "controls/CPngBtn.h"
#include "controls/CTreeCtrlEx.h"
#include "controls/SkinImage.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItem>

#include <benchmark/benchmark.h>

namespace {

using namespace kavrel;

// A main window mask: 1000 x 640, rounded corners, transparent outside.
QImage windowMask()
{
    QImage mask(1000, 640, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    QPainter painter(&mask);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(QRect(0, 0, 1000, 640), 12, 12);
    return mask;
}

void BM_RegionFromMask(benchmark::State& state)
{
    const QImage mask = windowMask();
    for (auto _ : state)
        benchmark::DoNotOptimize(region_from_mask(mask));
}
BENCHMARK(BM_RegionFromMask)->Unit(benchmark::kMillisecond);

QImage plain(QSize size, QColor color)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

// A 60 x 28 text button with background, state images and a caption, painted
// through the window system as a hover change repaints it.
void BM_ButtonRepaint(benchmark::State& state)
{
    QWidget window;
    window.resize(200, 100);
    CPngBtn button(&window);
    button.setStateImages(plain({60, 28}, Qt::darkGray), plain({60, 28}, Qt::gray), plain({60, 28}, Qt::blue),
        plain({60, 28}, Qt::darkGray));
    button.setBackgroundImage(plain({60, 28}, Qt::black));
    button.set_text("Apply");
    button.setGeometry(20, 20, 60, 28);
    window.show();
    QApplication::processEvents();
    for (auto _ : state)
        button.repaint();
}
BENCHMARK(BM_ButtonRepaint)->Unit(benchmark::kMicrosecond);

// 20 groups of 99 macros each under the root: 2000 items.
void fillTree(CTreeCtrlEx& tree)
{
    for (int g = 0; g < 20; ++g) {
        TreeItem group = tree.AddItem(tree.RootItem(), false, true, {}, QString("Group %1").arg(g), g, 0, 5);
        for (int m = 0; m < 99; ++m)
            tree.AddItem(group, false, false, {}, QString("Macro %1 of group %2").arg(m).arg(g), m, 0, 5);
    }
}

struct TreeWindow {
    QWidget window;
    CTreeCtrlEx tree;
    TreeWindow()
    {
        window.resize(400, 400);
        tree.Create(&window, 261, QRect(30, 76, 150, 250), nullptr, {}, {});
        window.show();
        QApplication::processEvents();
    }
};

void BM_TreeBuild2000(benchmark::State& state)
{
    TreeWindow view;
    for (auto _ : state) {
        fillTree(view.tree);
        state.PauseTiming();
        view.tree.DeleteAllItems();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TreeBuild2000)->Unit(benchmark::kMillisecond);

void BM_TreeRepaint2000(benchmark::State& state)
{
    TreeWindow view;
    fillTree(view.tree);
    view.tree.expandAll();
    view.tree.selectItem(view.tree.RootItem()->child(3)->child(4));
    QApplication::processEvents();
    for (auto _ : state)
        view.tree.viewport()->repaint();
}
BENCHMARK(BM_TreeRepaint2000)->Unit(benchmark::kMillisecond);

// One wheel step's worth of scrolling, and the repaint it causes.
void BM_TreeScroll2000(benchmark::State& state)
{
    TreeWindow view;
    fillTree(view.tree);
    view.tree.expandAll();
    QApplication::processEvents();
    QScrollBar* bar = view.tree.verticalScrollBar();
    int direction = 3;
    for (auto _ : state) {
        if (bar->value() + direction > bar->maximum() || bar->value() + direction < 0)
            direction = -direction;
        bar->setValue(bar->value() + direction);
        view.tree.viewport()->repaint();
    }
}
BENCHMARK(BM_TreeScroll2000)->Unit(benchmark::kMillisecond);

} // namespace

// The application lives in main, not in a function-local static: destroyed
// after Qt's own globals at exit, a static one crashed the program after the
// last benchmark.
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

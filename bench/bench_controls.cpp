// Skinned controls: the window outline from its mask, and one button repaint.
#include "controls/CPngBtn.h"
#include "controls/SkinImage.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

using namespace kavrel;

QApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_controls";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

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
    application();
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
    application();
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

} // namespace

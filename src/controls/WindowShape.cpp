#include "controls/WindowShape.h"

#include "controls/OffscreenBuffer.h"

#include <QImage>
#include <QWidget>

#include <vector>

namespace kavrel {

QRegion regionFromAlpha(const QImage& picture)
{
    if (picture.isNull() || !picture.hasAlphaChannel())
        return {};
    // In window pixels: a denser picture is taken at one pixel of its own per window pixel.
    const QSize size = picture.deviceIndependentSize().toSize();
    const QImage argb
        = (picture.size() == size ? picture : picture.scaled(size)).convertToFormat(QImage::Format_ARGB32);
    std::vector<QRect> runs;
    bool transparentSeen = false;
    const int width = argb.width();
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        int x = 0;
        while (x < width) {
            while (x < width && qAlpha(row[x]) == 0) {
                transparentSeen = true;
                ++x;
            }
            const int start = x;
            while (x < width && qAlpha(row[x]) != 0)
                ++x;
            if (x > start)
                runs.emplace_back(start, y, x - start, 1);
        }
    }
    if (!transparentSeen)
        return {};
    QRegion outline;
    outline.setRects(runs.data(), int(runs.size()));
    return outline;
}

void shapeSkinnedWindow(QWidget* window, OffscreenBuffer& buffer, const QRegion& outline)
{
    buffer.setOutline(outline);
    if (outline.isEmpty()) {
        window->clearMask();
        return;
    }
    // What lies outside the outline stays transparent: the window no longer covers itself, and the system
    // must not fill it with the window colour either (the backing store starts transparent).
    window->setAttribute(Qt::WA_TranslucentBackground);
    prepareSkinnedWidget(window, false);
    window->setAttribute(Qt::WA_NoSystemBackground);
    window->setMask(outline);
}

} // namespace kavrel

#include "controls/SkinImage.h"

#include "app/Paths.h"

#include <QPainter>
#include <QString>

#include <vector>

namespace kavrel {

namespace {

// Rectangles gathered before they are merged into the outline.
constexpr std::size_t RegionBatch = 2000;
constexpr QRgb White = 0xFFFFFF;

QImage premultiplied(QImage image)
{
    if (image.isNull() || image.format() == QImage::Format_ARGB32_Premultiplied)
        return image;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void flushRuns(std::vector<QRect>& runs, QRegion& outline)
{
    if (runs.empty())
        return;
    QRegion batch;
    batch.setRects(runs.data(), int(runs.size()));
    outline |= batch;
    runs.clear();
}

} // namespace

QImage load_skin_image(std::string_view fileName)
{
    return loadImageFile(QString::fromStdString(SkinsFolder() + std::string(fileName)));
}

QImage loadImageFile(const QString& path)
{
    QImage image;
    if (!image.load(path))
        return {};
    return premultiplied(std::move(image));
}

int image_width(const QImage& image)
{
    return image.isNull() ? 0 : image.width();
}

int image_height(const QImage& image)
{
    return image.isNull() ? 0 : image.height();
}

QImage clone_image_area(const QImage& image, int x, int y, int width, int height)
{
    const QRect area(x, y, width, height);
    if (image.isNull() || width <= 0 || height <= 0 || !image.rect().intersects(area))
        return {};
    return premultiplied(image.copy(area));
}

void draw_image(QPainter& painter, const QImage& image, const QRectF& destination, const QRectF& source)
{
    if (image.isNull())
        return;
    painter.drawImage(destination, image, source);
}

void draw_image(QPainter& painter, const QImage& image, int x, int y, int width, int height)
{
    if (image.isNull())
        return;
    const QRect target(x, y, width, height);
    if (target.size() == image.size())
        painter.drawImage(target.topLeft(), image);
    else
        painter.drawImage(target, image);
}

QRegion region_from_mask(const QImage& mask)
{
    QRegion outline;
    if (mask.isNull())
        return outline;

    QImage flat(mask.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, mask);
    }

    std::vector<QRect> runs;
    runs.reserve(RegionBatch);
    const int width = flat.width();
    for (int y = 0; y < flat.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] & White) == White)
                ++x;
            const int start = x;
            while (x < width && (row[x] & White) != White)
                ++x;
            if (x > start) {
                runs.emplace_back(start, y, x - start, 1);
                if (runs.size() == RegionBatch)
                    flushRuns(runs, outline);
            }
        }
    }
    flushRuns(runs, outline);
    return outline;
}

bool isFullyOpaque(const QImage& image)
{
    if (image.isNull())
        return false;
    if (!image.hasAlphaChannel())
        return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) != 255)
                return false;
        }
    }
    return true;
}

} // namespace kavrel

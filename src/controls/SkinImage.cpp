#include "controls/SkinImage.h"

#include "app/Paths.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QString>

#include <mutex>
#include <unordered_map>
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

// Decoded pictures by path. The same button and background pictures are asked for by many controls
// and windows; each is decoded once and shared (QImage copies share their pixels until written to).
// An entry is used only while the file still holds the same bytes it was decoded from, so a picture
// replaced or removed on disk is never answered from memory. Reading a small file again is cheap;
// decoding it is what costs.
class PictureCache {
public:
    QImage load(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            forget(path);
            return {};
        }
        const QByteArray bytes = file.readAll();
        {
            std::lock_guard lock(m_mutex);
            const auto found = m_pictures.find(path);
            if (found != m_pictures.end() && found->second.bytes == bytes)
                return found->second.image;
        }
        QImage image;
        if (!image.loadFromData(bytes)) {
            forget(path);
            return {};
        }
        image = premultiplied(std::move(image));
        std::lock_guard lock(m_mutex);
        Entry& entry = m_pictures[path];
        if (entry.bytes != bytes) {
            m_bytesHeld += bytes.size() + image.sizeInBytes() - entry.bytes.size() - entry.image.sizeInBytes();
            entry = {bytes, image};
        }
        if (m_bytesHeld > MaxBytesHeld) {
            // Far more than one skin holds: start again rather than grow without bound.
            m_pictures.clear();
            m_bytesHeld = 0;
        }
        return image;
    }

private:
    static constexpr qint64 MaxBytesHeld = qint64(64) << 20;

    struct Entry {
        QByteArray bytes;
        QImage image;
    };

    void forget(const QString& path)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_pictures.find(path);
        if (found == m_pictures.end())
            return;
        m_bytesHeld -= found->second.bytes.size() + found->second.image.sizeInBytes();
        m_pictures.erase(found);
    }

    std::mutex m_mutex;
    std::unordered_map<QString, Entry> m_pictures;
    qint64 m_bytesHeld = 0;
};

PictureCache& pictureCache()
{
    static PictureCache cache;
    return cache;
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

int ratioOverride = 0;

QString doubleDensityPath(const QString& path)
{
    const qsizetype dot = path.lastIndexOf('.');
    const qsizetype slash = path.lastIndexOf('/');
    return dot <= slash ? path + "@2x" : path.left(dot) + "@2x" + path.mid(dot);
}

// A region in window pixels as the image's own pixels.
QRectF devicePixels(const QImage& image, const QRectF& area)
{
    const qreal ratio = image.devicePixelRatio();
    return ratio == 1 ? area : QRectF(area.topLeft() * ratio, area.size() * ratio);
}

} // namespace

int skinPixelRatio()
{
    if (ratioOverride > 0)
        return ratioOverride;
    return qGuiApp && qGuiApp->devicePixelRatio() > 1 ? 2 : 1;
}

void setSkinPixelRatioOverride(int ratio)
{
    ratioOverride = ratio;
}

QImage load_skin_image(std::string_view fileName)
{
    return loadImageFile(QString::fromStdString(SkinsFolder() + std::string(fileName)));
}

QImage loadImageFile(const QString& path)
{
    if (skinPixelRatio() > 1) {
        QImage dense = pictureCache().load(doubleDensityPath(path));
        if (!dense.isNull()) {
            dense.setDevicePixelRatio(2);
            return dense;
        }
    }
    return pictureCache().load(path);
}

int image_width(const QImage& image)
{
    return image_size(image).width();
}

int image_height(const QImage& image)
{
    return image_size(image).height();
}

QSize image_size(const QImage& image)
{
    return image.isNull() ? QSize(0, 0) : image.deviceIndependentSize().toSize();
}

QImage clone_image_area(const QImage& image, int x, int y, int width, int height)
{
    const QRect area(x, y, width, height);
    if (image.isNull() || width <= 0 || height <= 0 || !QRect(QPoint(0, 0), image_size(image)).intersects(area))
        return {};
    QImage clone = premultiplied(image.copy(devicePixels(image, area).toRect()));
    clone.setDevicePixelRatio(image.devicePixelRatio());
    return clone;
}

void draw_image(QPainter& painter, const QImage& image, const QRectF& destination, const QRectF& source)
{
    if (image.isNull())
        return;
    painter.drawImage(destination, image, devicePixels(image, source));
}

void draw_image(QPainter& painter, const QImage& image, int x, int y, int width, int height)
{
    if (image.isNull())
        return;
    const QRect target(x, y, width, height);
    if (target.size() == image_size(image))
        painter.drawImage(target.topLeft(), image);
    else
        painter.drawImage(target, image);
}

QRegion region_from_mask(const QImage& mask)
{
    QRegion outline;
    if (mask.isNull())
        return outline;

    // In window pixels: a denser mask is drawn down to them.
    QImage flat(image_size(mask), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(QRect(QPoint(0, 0), flat.size()), mask);
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

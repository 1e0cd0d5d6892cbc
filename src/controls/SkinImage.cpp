#include "controls/SkinImage.h"

#include "app/Paths.h"
#include "controls/PngDecoder.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
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
    // In place where the depth stays (a decoded ARGB32 picture): no second window-sized buffer.
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

// The skin reader for the kinds of file it takes, else Qt's reader. One-bit pictures (the window outlines)
// stay one bit: they are read bit by bit, and a 32-bit copy would be the size of the window.
QImage decodePicture(const QByteArray& bytes)
{
    if (std::optional<QImage> skin = decodeSkinPng(bytes))
        return *std::move(skin);
    QImage image;
    if (!image.loadFromData(bytes))
        return {};
    return image.depth() == 1 ? image : premultiplied(std::move(image));
}

// Decoded pictures by path. The same button and background pictures are asked for by many controls
// and windows; each is decoded once and shared (QImage copies share their pixels until written to).
// An entry is used only while the file still holds the same bytes it was decoded from, so a picture
// replaced or removed on disk is never answered from memory. Reading a small file again is cheap;
// decoding it is what costs.
class PictureCache {
public:
    // ratio: the density the picture is drawn at (2 for an @2x file), kept with the decoded pixels so
    // that every load shares them as they are.
    QImage load(const QString& path, int ratio = 1)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::lock_guard lock(m_mutex);
            forget(path);
            return {};
        }
        const QByteArray bytes = file.readAll();
        std::unique_lock lock(m_mutex);
        // A picture another thread is decoding (the start-up preload) is waited for, not decoded twice.
        m_decodedOne.wait(lock, [&] { return !m_decoding.contains(path); });
        if (const auto found = m_pictures.find(path); found != m_pictures.end() && found->second.bytes == bytes)
            return found->second.image;
        m_decoding.insert(path);
        lock.unlock();
        QImage image = decodePicture(bytes);
        const bool decoded = !image.isNull();
        image.setDevicePixelRatio(ratio);
        lock.lock();
        m_decoding.erase(path);
        m_decodedOne.notify_all();
        if (!decoded) {
            forget(path);
            return {};
        }
        Entry& entry = m_pictures[path];
        m_bytesHeld += bytes.size() + image.sizeInBytes() - entry.bytes.size() - entry.image.sizeInBytes();
        entry = {bytes, image};
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

    // Called with the mutex held.
    void forget(const QString& path)
    {
        const auto found = m_pictures.find(path);
        if (found == m_pictures.end())
            return;
        m_bytesHeld -= found->second.bytes.size() + found->second.image.sizeInBytes();
        m_pictures.erase(found);
    }

    std::mutex m_mutex;
    std::condition_variable m_decodedOne;
    std::unordered_map<QString, Entry> m_pictures;
    std::unordered_set<QString> m_decoding;
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

std::atomic<int> ratioOverride{0};
// What the interface thread last found on the screens, for loads on other threads.
std::atomic<int> screenRatio{1};

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

// A part inside a 32-bit picture that reads the picture's own pixels, without a copy: it keeps a share
// of the picture (so the pixels stay while the part lives) and is read-only, so that a write to it copies
// the part first, as a write to any shared QImage does.
QImage sharedPart(const QImage& picture, const QRect& pixels)
{
    auto* kept = new QImage(picture);
    const uchar* first = kept->constBits() + qsizetype(pixels.y()) * kept->bytesPerLine() + pixels.x() * 4;
    return QImage(
        first, pixels.width(), pixels.height(), kept->bytesPerLine(), kept->format(),
        [](void* share) { delete static_cast<QImage*>(share); }, kept);
}

} // namespace

int skinPixelRatio()
{
    if (const int ratio = ratioOverride; ratio > 0)
        return ratio;
    // The screens belong to the interface thread; asking them from another one races their set-up.
    if (!qGuiApp || QThread::currentThread() != qGuiApp->thread())
        return screenRatio;
    const int ratio = qGuiApp->devicePixelRatio() > 1 ? 2 : 1;
    screenRatio = ratio;
    return ratio;
}

void setSkinPixelRatioOverride(int ratio)
{
    ratioOverride = ratio;
}

QImage load_skin_image(std::string_view fileName)
{
    return loadImageFile(QString::fromStdString(SkinsFolder() + std::string(fileName)));
}

SkinImagePreload::SkinImagePreload(const std::vector<std::string>& fileNames)
{
    QStringList paths;
    for (const std::string& name : fileNames)
        paths << QString::fromStdString(SkinsFolder() + name);
    const int ratio = skinPixelRatio();
    m_thread = std::thread([paths = std::move(paths), ratio] {
        // The same files loadImageFile asks for at this density: the @2x one, else the 1x one.
        for (const QString& path : paths) {
            if (ratio > 1 && !pictureCache().load(doubleDensityPath(path), 2).isNull())
                continue;
            pictureCache().load(path);
        }
    });
}

SkinImagePreload::~SkinImagePreload()
{
    m_thread.join();
}

QImage loadImageFile(const QString& path)
{
    if (skinPixelRatio() > 1) {
        if (QImage dense = pictureCache().load(doubleDensityPath(path), 2); !dense.isNull())
            return dense;
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
    const QRect pixels = devicePixels(image, area).toRect();
    QImage clone = image.format() == QImage::Format_ARGB32_Premultiplied && image.rect().contains(pixels)
        ? sharedPart(image, pixels)
        : premultiplied(image.copy(pixels));
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

namespace {

// Flattened onto white, a premultiplied pixel becomes colour + (255 - alpha) in each channel: pure white
// exactly when every colour channel equals the alpha.
bool flattensToWhite(QRgb premultipliedPixel)
{
    const QRgb alpha = premultipliedPixel >> 24;
    return (premultipliedPixel & White) == ((alpha << 16) | (alpha << 8) | alpha);
}

// The runs of pixels for which white(row, x) is false, row by row, united into one region.
template <typename RowWhite> QRegion outlineOfRuns(int width, int height, RowWhite rowWhite)
{
    QRegion outline;
    std::vector<QRect> runs;
    runs.reserve(RegionBatch);
    for (int y = 0; y < height; ++y) {
        const auto white = rowWhite(y);
        int x = 0;
        while (x < width) {
            while (x < width && white(x))
                ++x;
            const int start = x;
            while (x < width && !white(x))
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

} // namespace

QRegion region_from_mask(const QImage& mask)
{
    if (mask.isNull())
        return {};
    if (mask.devicePixelRatio() != 1) {
        // The outline is in window pixels: a denser mask is read at one of its pixels per window pixel.
        QImage single = mask.scaled(image_size(mask));
        single.setDevicePixelRatio(1);
        return region_from_mask(single);
    }
    // A one-bit mask is read bit by bit through its two colours, without an ARGB copy of the window's size.
    const bool mono = mask.format() == QImage::Format_Mono || mask.format() == QImage::Format_MonoLSB;
    if (mono && mask.colorCount() >= 2) {
        const bool whiteIndex[2]
            = {flattensToWhite(qPremultiply(mask.color(0))), flattensToWhite(qPremultiply(mask.color(1)))};
        const bool lsb = mask.format() == QImage::Format_MonoLSB;
        return outlineOfRuns(mask.width(), mask.height(), [&](int y) {
            const uchar* row = mask.constScanLine(y);
            return [row, lsb, &whiteIndex](int x) {
                const int bit = lsb ? (row[x >> 3] >> (x & 7)) & 1 : (row[x >> 3] >> (7 - (x & 7))) & 1;
                return whiteIndex[bit];
            };
        });
    }
    // Other pictures are scanned premultiplied, without painting a window-sized copy onto white first.
    const QImage pixels = premultiplied(mask);
    return outlineOfRuns(pixels.width(), pixels.height(), [&](int y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        return [row](int x) { return flattensToWhite(row[x]); };
    });
}

bool isFullyOpaque(const QImage& image)
{
    if (image.isNull())
        return false;
    if (!image.hasAlphaChannel())
        return true;
    // Premultiplying keeps the alpha byte: the loaded pictures are scanned as they are, without a copy.
    const bool argbAlready
        = image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_ARGB32;
    const QImage argb = argbAlready ? image : image.convertToFormat(QImage::Format_ARGB32);
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

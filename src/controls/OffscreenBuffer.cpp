#include "controls/OffscreenBuffer.h"

#include "platform/PageMemory.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QPainter>
#include <QWidget>

namespace kavrel {

QImage& OffscreenBuffer::begin(QSize size)
{
    // At the screen's density: a window scaled to 200 % composes twice the pixels and stays sharp.
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const QSize pixels = (QSizeF(size.expandedTo(QSize(1, 1))) * ratio).toSize();
    if (m_image.size() != pixels || m_image.devicePixelRatio() != ratio) {
        m_image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_image.setDevicePixelRatio(ratio);
        platform::populatePages(m_image.bits(), std::size_t(m_image.sizeInBytes()));
    }
    m_image.fill(Qt::transparent);
    return m_image;
}

void OffscreenBuffer::copyTo(QWidget* widget, const QRegion& clip) const
{
    QPainter painter(widget);
    if (!clip.isEmpty())
        painter.setClipRegion(clip);
    if (!m_outline.isEmpty())
        painter.setClipRegion(m_outline, clip.isEmpty() ? Qt::ReplaceClip : Qt::IntersectClip);
    if (widget->testAttribute(Qt::WA_OpaquePaintEvent))
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_image);
}

void prepareBackingStore(QWidget* window)
{
    // Only X11's store keeps its image from one resize to the next; elsewhere (Wayland) the paint device
    // exists only while a paint is under way.
    QBackingStore* store = window->backingStore();
    if (!store || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (store->size() != window->size())
        store->resize(window->size());
    // Its pixels are only mapped here, never written.
    const QPaintDevice* device = store->paintDevice();
    if (device && device->devType() == QInternal::Image) {
        const auto* image = static_cast<const QImage*>(device);
        platform::populatePages(const_cast<uchar*>(image->constBits()), std::size_t(image->sizeInBytes()));
    }
}

void prepareSkinnedWidget(QWidget* widget, bool opaque)
{
    widget->setAutoFillBackground(false);
    widget->setAttribute(Qt::WA_NoSystemBackground, opaque);
    widget->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

} // namespace kavrel

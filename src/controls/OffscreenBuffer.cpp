#include "controls/OffscreenBuffer.h"

#include <QPainter>
#include <QWidget>

namespace kavrel {

QImage& OffscreenBuffer::begin(QSize size)
{
    if (m_image.size() != size)
        m_image = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    return m_image;
}

void OffscreenBuffer::copyTo(QWidget* widget, const QRegion& clip) const
{
    QPainter painter(widget);
    if (!clip.isEmpty())
        painter.setClipRegion(clip);
    if (widget->testAttribute(Qt::WA_OpaquePaintEvent))
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_image);
}

void prepareSkinnedWidget(QWidget* widget, bool opaque)
{
    widget->setAutoFillBackground(false);
    widget->setAttribute(Qt::WA_NoSystemBackground, opaque);
    widget->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

} // namespace kavrel

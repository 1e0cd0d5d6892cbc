#include "GalleryCanvas.h"

#include "controls/SkinText.h"

#include <QPainter>

namespace kavrel::gallery {

QFont galleryFont(int pixelSize, QFont::Weight weight)
{
    QFont font = shellDlgFont(pixelSize, int(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

SkinSurface::SkinSurface(QWidget* parent, QImage picture, QPoint topLeft)
    : QWidget(parent)
    , m_picture(std::move(picture))
{
    setGeometry(QRect(topLeft, logicalSize(m_picture)));
}

void SkinSurface::addText(
    const QRect& rect, const QString& text, const QColor& color, const QFont& font, unsigned format)
{
    m_texts.push_back({rect, text, color, font, format});
}

void SkinSurface::addOverlay(const QRect& target, const QImage& image, const QRect& source)
{
    m_overlays.push_back({target, image, source.isNull() ? image.rect() : source});
}

void SkinSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
    for (const Overlay& overlay : m_overlays)
        painter.drawImage(overlay.target, overlay.image, overlay.source);
    for (const Text& text : m_texts) {
        painter.setFont(text.font);
        painter.setPen(text.color);
        drawSkinText(painter, text.rect, text.text, text.format);
    }
}

QImage densityPicture(const QWidget& widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

GalleryCanvas::GalleryCanvas()
{
    resize(Width, 100);
}

int GalleryCanvas::beginSection(const QString& title, const QString& note)
{
    const int top = m_bottom;
    m_captions.push_back({QRect(Margin, top, Width - 2 * Margin, 22), title, Qt::AlignLeft | Qt::AlignVCenter, true});
    m_captions.push_back(
        {QRect(Margin, top + 22, Width - 2 * Margin, 18), note, Qt::AlignLeft | Qt::AlignVCenter, false});
    return top + 52;
}

void GalleryCanvas::addCaption(const QRect& rect, const QString& text, Qt::Alignment alignment)
{
    m_captions.push_back({rect, text, alignment, false});
}

void GalleryCanvas::endSection(int contentBottom)
{
    m_bottom = contentBottom + 40;
    resize(Width, m_bottom);
}

void GalleryCanvas::addLatePicture(QPoint topLeft, const QImage& image)
{
    m_late.push_back({topLeft, image});
}

QImage GalleryCanvas::render()
{
    // At a scale factor above 1 the sheet has as many pixels as the screen would show: the grabbed
    // windows keep their density and the sheet's layout stays in logical pixels.
    QImage sheet = densityPicture(*this);
    sheet.fill(Qt::black);
    QWidget::render(&sheet);
    QPainter painter(&sheet);
    for (const Late& late : m_late)
        painter.drawImage(late.topLeft, late.image);
    return sheet;
}

void GalleryCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x0A, 0x0B, 0x0E));
    for (const Caption& caption : m_captions) {
        painter.setFont(galleryFont(caption.title ? 17 : 12, caption.title ? QFont::DemiBold : QFont::Normal));
        painter.setPen(caption.title ? QColor(0xE6, 0xE9, 0xEF) : QColor(0x7C, 0x85, 0x95));
        painter.drawText(caption.rect, int(caption.alignment) | Qt::TextSingleLine, caption.text);
    }
}

} // namespace kavrel::gallery

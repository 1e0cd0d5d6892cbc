#include "controls/CPngSliderBar.h"

#include "app/Config.h"
#include "controls/SkinAccessible.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kavrel {

CPngSliderBar::CPngSliderBar()
    : m_thumb(this)
{
    prepareSkinnedWidget(this, false);
    setFocusPolicy(Qt::TabFocus);
    installSkinAccessibility();
}

void CPngSliderBar::setVertical(int vertical)
{
    m_vertical = vertical != 0;
    m_thumb.setVertical(vertical);
}

void CPngSliderBar::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

bool CPngSliderBar::composeImage(const QImage* ownerBackground, const QRect& backgroundRect, const QImage& bar,
    const QRect& barRegion, QPoint pictureOffset)
{
    m_composed = QImage();
    m_pictureOffset = pictureOffset;
    const QSize size = backgroundRect.size();
    if (ownerBackground && !ownerBackground->isNull()
        && (image_width(*ownerBackground) < size.width() || image_height(*ownerBackground) < size.height()))
        return false;
    if (size.isEmpty())
        return false;
    // At the density of the pictures, so that a denser skin stays sharp.
    const qreal ratio = bar.devicePixelRatio();
    QImage composed(size * ratio, QImage::Format_ARGB32_Premultiplied);
    composed.setDevicePixelRatio(ratio);
    composed.fill(Qt::transparent);
    QPainter painter(&composed);
    if (ownerBackground && !ownerBackground->isNull())
        draw_image(painter, *ownerBackground, QRectF(QPoint(0, 0), size), QRectF(backgroundRect));
    draw_image(painter, bar, QRectF(pictureOffset, barRegion.size()), QRectF(barRegion));
    painter.end();
    m_composed = std::move(composed);
    prepareSkinnedWidget(
        this, isFullyOpaque(m_composed) && image_width(m_composed) >= width() && image_height(m_composed) >= height());
    update();
    return true;
}

bool CPngSliderBar::event(QEvent* event)
{
    // The thumb's notifications go on to the owner with the track's tag.
    if (const WindowMessageEvent* message = asWindowMessage(event)) {
        if (message->message() == MsgSliderSet || message->message() == MsgSliderChanging) {
            postWindowMessage(parentWidget(), message->message(), message->wParam(), m_tag);
            return true;
        }
    }
    return QWidget::event(event);
}

void CPngSliderBar::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    if (!m_composed.isNull())
        painter.drawImage(QPoint(0, 0), m_composed);
    painter.end();
    m_buffer.copyTo(this);
    if (hasFocus()) {
        QPainter ring(this);
        ring.setPen(QPen(palette().color(QPalette::Highlight).lighter(130), 1, Qt::DashLine));
        ring.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (m_frame) {
        QPainter frame(this);
        drawFrame(frame);
    }
}

// The debug frame, and a tick line at every stop, or without stops at every step.
void CPngSliderBar::drawFrame(QPainter& painter) const
{
    painter.setPen(colorOfColorRef(FrameColor));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const int length = m_vertical ? height() : width();
    std::vector<int> ticks(m_thumb.stops().begin(), m_thumb.stops().end());
    const int range = m_thumb.maximum() - m_thumb.minimum();
    if (ticks.empty() && range > 0) {
        for (int i = 0; i < range; ++i)
            ticks.push_back(length / range * i);
    }
    for (int at : ticks) {
        if (m_vertical)
            painter.drawLine(0, at, width() - 1, at);
        else
            painter.drawLine(at, 0, at, height() - 1);
    }
}

void CPngSliderBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_disabled || !rect().contains(event->position().toPoint()))
        return;
    const QPoint at = event->position().toPoint();
    const int position = m_vertical ? at.y() : at.x();
    const int length = m_vertical ? height() : width();
    const int index = slider_value_at(m_thumb, position, length, m_thumb.minimum(), m_thumb.maximum());
    set_slider_value(m_thumb, m_thumb.valueOfIndex(index), m_thumbNotifies);
    if (!m_thumbNotifies)
        postWindowMessage(parentWidget(), MsgSliderSet, std::uintptr_t(get_slider_value(m_thumb)), m_tag);
}

void CPngSliderBar::stepTo(int index)
{
    if (m_disabled)
        return;
    index = std::clamp(index, m_thumb.minimum(), std::max(m_thumb.minimum(), m_thumb.maximum()));
    set_slider_value(m_thumb, m_thumb.valueOfIndex(index), m_thumbNotifies);
    if (!m_thumbNotifies)
        postWindowMessage(parentWidget(), MsgSliderSet, std::uintptr_t(get_slider_value(m_thumb)), m_tag);
}

void CPngSliderBar::keyPressEvent(QKeyEvent* event)
{
    const int index = m_thumb.index();
    const int page = std::max(1, (m_thumb.maximum() - m_thumb.minimum()) / 4);
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        stepTo(index - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        stepTo(index + 1);
        break;
    case Qt::Key_PageDown:
        stepTo(index - page);
        break;
    case Qt::Key_PageUp:
        stepTo(index + page);
        break;
    case Qt::Key_Home:
        stepTo(m_thumb.minimum());
        break;
    case Qt::Key_End:
        stepTo(m_thumb.maximum());
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CPngSliderBar::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CPngSliderBar::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

bool create_slider_bar(CPngSliderBar& track, QWidget* owner, const QImage* ownerBackground, const QImage& thumb,
    int maximum, int tag, QPoint pictureOffset, const QRect& backgroundRect, const QRect& windowRect)
{
    const QImage bar = load_skin_image("dpi_bar.png");
    if (bar.isNull())
        return false;
    track.setTag(tag);
    track.setControlId(CPngSliderBar::SliderControlId);
    if (thumb.isNull())
        return false;
    track.setParent(owner);
    track.setGeometry(windowRect);
    CPngSlider& knob = track.thumb();
    knob.setThumbImage(thumb);
    knob.setControlId(track.controlId());
    knob.setTag(track.tag());
    knob.move(0, 0);
    const QRect barRegion = windowRect.width() < image_width(bar) ? QRect(0, 0, windowRect.width(), windowRect.height())
                                                                  : QRect(QPoint(0, 0), image_size(bar));
    track.composeImage(ownerBackground, backgroundRect, bar, barRegion, pictureOffset);
    track.setRange(1, maximum);
    knob.setRange(1, maximum);
    set_slider_value(knob, 1, track.thumbNotifies());
    knob.setBackgroundPicture(&track.composedImage());
    knob.setLive(1);
    track.setFrameFlag(Cfg.UIDebug);
    track.show();
    return true;
}

} // namespace kavrel

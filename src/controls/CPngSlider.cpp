#include "controls/CPngSlider.h"

#include "controls/SkinImage.h"
#include "controls/WindowMessage.h"
#include "platform/MessageBox.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kavrel {

CPngSlider::CPngSlider(QWidget* track)
    : QWidget(track)
{
    prepareSkinnedWidget(this, false);
}

void CPngSlider::setThumbImage(QImage image)
{
    m_thumb = std::move(image);
    resize(m_thumb.isNull() ? QSize(1, 1) : image_size(m_thumb));
    updateOpacity();
    update();
}

void CPngSlider::setBackgroundPicture(const QImage* picture)
{
    m_background = picture;
    updateOpacity();
    update();
}

void CPngSlider::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

void CPngSlider::setValueTable(std::span<const int> values)
{
    m_tableCount = int(std::min<std::size_t>(values.size(), SliderTableMax));
    m_table.fill(0);
    std::copy_n(values.begin(), m_tableCount, m_table.begin());
}

void CPngSlider::setStops(std::span<const int> positions)
{
    m_stopCount = int(std::min<std::size_t>(positions.size(), SliderTableMax));
    m_stops.fill(0);
    std::copy_n(positions.begin(), m_stopCount, m_stops.begin());
}

void CPngSlider::SetScalePos(int count)
{
    std::array<int, SliderTableMax> positions{};
    const int written = make_scale_positions(count, positions);
    if (count != m_maximum - m_minimum + 1)
        platform::showMessageBox(
            "Warning", "CPngSlider::SetScalePos  dwScale and Range unmatch!", platform::BoxIcon::Warning);
    setStops(std::span<const int>(positions.data(), std::size_t(written)));
}

int CPngSlider::valueOfIndex(int index) const
{
    if (m_tableCount == 0)
        return index;
    const int distance = index - m_minimum;
    if (distance < 0 || distance > m_maximum - m_minimum || distance >= SliderTableMax)
        return 0;
    return m_table[std::size_t(distance)];
}

int CPngSlider::trackLength() const
{
    const QWidget* track = parentWidget();
    if (!track)
        return 0;
    return m_vertical ? track->height() : track->width();
}

void CPngSlider::placeAt(int index)
{
    const bool changed = m_index != index;
    m_index = index;
    if (changed) {
        // Screen readers hear the new value from the track, the control they know.
        QAccessibleValueChangeEvent event(parentWidget() ? parentWidget() : this, index);
        QAccessible::updateAccessibility(&event);
    }
    const int offset = index - m_minimum;
    int position = 0;
    if (m_stopCount > 0) {
        // An index past the last stop (a scale shorter than the range) stands at the last stop.
        position = m_stops[std::size_t(std::clamp(offset, 0, m_stopCount - 1))];
    } else if (m_maximum > m_minimum) {
        position = trackLength() / (m_maximum - m_minimum) * offset;
    }
    const int length = m_vertical ? height() : width();
    position -= length / 2;
    move(m_vertical ? QPoint(m_cross, position) : QPoint(position, m_cross));
    repaint();
}

void CPngSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    if (m_background && !m_background->isNull())
        draw_image(painter, *m_background, QRectF(rect()), QRectF(geometry()));
    if (!m_thumb.isNull())
        painter.drawImage(QPoint(0, 0), m_thumb);
    painter.end();
    m_buffer.copyTo(this);
}

void CPngSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_enabled)
        return;
    m_dragging = true;
    m_pressPoint = event->position().toPoint();
}

void CPngSlider::mouseMoveEvent(QMouseEvent* event)
{
    const QWidget* track = parentWidget();
    if (!m_dragging || !track)
        return;
    const QPoint delta = event->position().toPoint() - m_pressPoint;
    QPoint topLeft = pos();
    if (m_vertical) {
        // Vertically the thumb may overhang either end by half its height.
        const int half = height() / 2;
        topLeft.setY(std::clamp(topLeft.y() + delta.y(), -half, std::max(-half, track->height() + half - height())));
    } else {
        topLeft.setX(std::clamp(topLeft.x() + delta.x(), 0, std::max(0, track->width() - width())));
    }
    move(topLeft);
    repaint();
    if (m_live) {
        const int index = slider_value_at(*this, along(topLeft), trackLength(), m_minimum, m_maximum);
        postWindowMessage(parentWidget(), MsgSliderChanging, std::uintptr_t(valueOfIndex(index)), m_tag);
    }
}

void CPngSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    const int onTrack = along(mapToParent(event->position().toPoint()));
    const int index = slider_value_at(*this, onTrack, trackLength(), m_minimum, m_maximum);
    set_slider_value(*this, valueOfIndex(index), true);
}

void CPngSlider::updateOpacity()
{
    prepareSkinnedWidget(this, m_background && isFullyOpaque(*m_background));
}

void set_slider_value(CPngSlider& thumb, int value, bool notify)
{
    int index = value;
    const std::span<const int> table = thumb.valueTable();
    if (!table.empty()) {
        const auto found = std::find(table.begin(), table.end(), value);
        if (found == table.end())
            return;
        index = thumb.minimum() + int(found - table.begin());
    }
    // Compared as unsigned numbers, so a negative index is out of range too.
    if (unsigned(index) < unsigned(thumb.minimum()) || unsigned(index) > unsigned(thumb.maximum()))
        index = thumb.minimum();
    thumb.placeAt(index);
    if (notify)
        postWindowMessage(thumb.parentWidget(), MsgSliderSet, std::uintptr_t(get_slider_value(thumb)), thumb.tag());
}

int get_slider_value(const CPngSlider& thumb)
{
    if (thumb.valueTable().empty())
        return thumb.index();
    const int distance = thumb.index() - thumb.minimum();
    if (distance < 0 || distance >= int(thumb.valueTable().size()))
        return 0;
    return thumb.valueTable()[std::size_t(distance)];
}

} // namespace kavrel

#pragma once

#include "controls/OffscreenBuffer.h"
#include "controls/SliderMath.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <array>
#include <span>

namespace kavrel {

// The thumb of a slider: a small picture window inside its track
// (CPngSliderBar) that the user drags. Its value is an index in
// minimum .. maximum, placed linearly along the track or at stop positions;
// with a value table the index stands for the table entry at
// (index - minimum). It posts MsgSliderChanging while dragged (when live) and
// MsgSliderSet when a value is set with notification, both to the track,
// with the value and its tag.
class CPngSlider : public QWidget {
    Q_OBJECT
public:
    explicit CPngSlider(QWidget* track = nullptr);

    void setThumbImage(QImage image);
    const QImage& thumbImage() const { return m_thumb; }
    // The track's composed picture, drawn under the thumb where it stands.
    void setBackgroundPicture(const QImage* picture);

    void setVertical(int vertical) { m_vertical = vertical != 0; }
    bool vertical() const { return m_vertical; }
    void setLive(int live) { m_live = live != 0; }
    bool live() const { return m_live; }
    void setCrossPosition(int position) { m_cross = position; }
    int crossPosition() const { return m_cross; }
    void setTag(int tag) { m_tag = tag; }
    int tag() const { return m_tag; }
    void setControlId(int id) { m_controlId = id; }
    int controlId() const { return m_controlId; }
    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int index() const { return m_index; }
    void setDragEnabled(int enabled) { m_enabled = enabled != 0; }
    bool dragEnabled() const { return m_enabled; }
    bool dragging() const { return m_dragging; }

    // Up to 100 entries each; a span longer than that is cut.
    void setValueTable(std::span<const int> values);
    std::span<const int> valueTable() const { return {m_table.data(), std::size_t(m_tableCount)}; }
    void setStops(std::span<const int> positions);
    std::span<const int> stops() const { return {m_stops.data(), std::size_t(m_stopCount)}; }
    // Installs the scale of make_scale_positions; warns (and installs it all
    // the same) when the count differs from the range's number of values.
    void SetScalePos(int count);

    // The reported value of an index reached by the pointer: the index, or
    // with a value table its entry; 0 when the index is too far from the
    // minimum.
    int valueOfIndex(int index) const;

    // Stores the index and moves the thumb; used by set_slider_value.
    void placeAt(int index);
    // The length of the track along the slider (its width, or height when vertical).
    int trackLength() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int along(QPoint point) const { return m_vertical ? point.y() : point.x(); }
    void updateOpacity();

    QImage m_thumb;
    const QImage* m_background = nullptr;
    bool m_vertical = false;
    bool m_live = false;
    std::array<int, SliderTableMax> m_table{};
    int m_tableCount = 0;
    std::array<int, SliderTableMax> m_stops{};
    int m_stopCount = 0;
    int m_cross = 0;
    int m_tag = 0;
    int m_controlId = 0;
    int m_minimum = 0;
    int m_maximum = 10;
    int m_index = 0;
    bool m_enabled = true;
    bool m_dragging = false;
    QPoint m_pressPoint;
    OffscreenBuffer m_buffer;
};

// Sets the thumb's value: with a value table the value is looked up (a
// value not in it changes nothing); an index outside the range becomes the
// minimum. The thumb is centred on its stop or step; with notify it posts
// MsgSliderSet to its track.
void set_slider_value(CPngSlider& thumb, int value, bool notify);

// The reported value of the thumb's index (see CPngSlider::valueOfIndex);
// with a value table 0 when the index lies outside the table.
int get_slider_value(const CPngSlider& thumb);

} // namespace kavrel

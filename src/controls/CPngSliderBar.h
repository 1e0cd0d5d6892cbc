#pragma once

#include "controls/CPngSlider.h"
#include "controls/OffscreenBuffer.h"

#include <QImage>
#include <QWidget>

namespace kavrel {

// The track of a slider: the owner's background with the bar picture laid
// over it, and the thumb (CPngSlider) inside. A click on the track sets the
// value there; the thumb's notifications reach the owner as MsgSliderSet and
// MsgSliderChanging with the track's tag in lParam. Tab gives the track the
// keyboard focus; the arrow keys (and Home, End, Page Up, Page Down) then
// step the value as a click at that stop would.
class CPngSliderBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int SliderControlId = 104;
    // COLORREF of the debug frame and tick lines.
    static constexpr std::uint32_t FrameColor = 0x0000FF;

    CPngSliderBar();

    CPngSlider& thumb() { return m_thumb; }
    const CPngSlider& thumb() const { return m_thumb; }
    const QImage& composedImage() const { return m_composed; }
    QPoint pictureOffset() const { return m_pictureOffset; }

    void setVertical(int vertical);
    bool vertical() const { return m_vertical; }
    void setFrameFlag(int on) { m_frame = on != 0, update(); }
    bool frameFlag() const { return m_frame; }
    void setControlId(int id) { m_controlId = id; }
    int controlId() const { return m_controlId; }
    void setTag(int tag) { m_tag = tag; }
    int tag() const { return m_tag; }
    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // 1: after a track click the thumb itself posts the value-set message.
    void setThumbNotifies(int on) { m_thumbNotifies = on != 0; }
    bool thumbNotifies() const { return m_thumbNotifies; }
    // Disabled, the track ignores clicks.
    void setDisabled(int on) { m_disabled = on != 0; }
    bool isTrackDisabled() const { return m_disabled; }

    // Composes the track picture: the owner's background at the rectangle
    // (null: none) and the bar region at the picture offset. False, leaving no
    // composed picture, when the background is smaller than the rectangle.
    bool composeImage(const QImage* ownerBackground, const QRect& backgroundRect, const QImage& bar,
        const QRect& barRegion, QPoint pictureOffset);

    // Moves the thumb to the index (clamped to the range) and tells the owner, as a click on the track
    // at that stop does. Nothing when the track is disabled.
    void stepTo(int index);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void drawFrame(QPainter& painter) const;

    CPngSlider m_thumb;
    QImage m_composed;
    QPoint m_pictureOffset;
    bool m_vertical = false;
    bool m_frame = false;
    int m_controlId = 0;
    int m_tag = 0;
    int m_minimum = 0;
    int m_maximum = 10;
    bool m_thumbNotifies = false;
    bool m_disabled = false;
    OffscreenBuffer m_buffer;
};

// Makes a slider over the owner's picture: loads "dpi_bar.png", creates the
// track at the window rectangle with its thumb, composes the track picture
// from the owner's background at the background rectangle and the bar at the
// picture offset, sets the range 1 .. maximum, places the thumb at 1, makes
// it live, and takes the debug frame from UIDebug. False, creating nothing,
// when the bar or the thumb picture is missing.
bool create_slider_bar(CPngSliderBar& track, QWidget* owner, const QImage* ownerBackground, const QImage& thumb,
    int maximum, int tag, QPoint pictureOffset, const QRect& backgroundRect, const QRect& windowRect);

} // namespace kavrel

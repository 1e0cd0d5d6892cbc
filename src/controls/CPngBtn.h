#pragma once

#include "controls/OffscreenBuffer.h"

#include <QAbstractButton>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>

#include <cstdint>

namespace kavrel {

// The skinned button behind every clickable control: push buttons, check
// boxes, radio buttons, page tabs, hot spots and drop-down fields. Its look is
// a state image (normal, over, down, disabled, or the alternative normal
// image), drawn over an optional background cut from the parent's picture,
// plus an optional icon and a text.
//
// Push style: the down image shows while the mouse button is held. Latching
// style: the down image shows only while checked; with toggle on click a
// press flips the checked state. A click is reported on release, as
// command(this) (and QAbstractButton::clicked); parents tell buttons apart by
// the widget. Tab gives the button the keyboard focus (a click does not) and
// draws a focus ring; Space or Enter then press it. Screen readers see it as
// the kind its owner says (SkinAccessible), named by its text.
class CPngBtn : public QAbstractButton {
    Q_OBJECT
public:
    // Default text colours (COLORREF): normal, over, down.
    static constexpr std::uint32_t DefaultTextNormal = 0xC8C8C8;
    static constexpr std::uint32_t DefaultTextOver = 0x646464;
    static constexpr std::uint32_t DefaultTextDown = 0x000000;
    // COLORREF of the debug frame.
    static constexpr std::uint32_t FrameColor = 0xFF000A;

    explicit CPngBtn(QWidget* parent = nullptr);

    // What the button is to a screen reader. A label takes no focus.
    enum class AccessibleKind { Button, CheckBox, RadioButton, ComboBox, Label };
    void setAccessibleKind(AccessibleKind kind);
    // Whether the last press came from the keyboard (Space or Enter on the focused button), not the mouse.
    bool pressedByKey() const { return m_pressedByKey; }
    AccessibleKind accessibleKind() const { return m_accessibleKind; }

    // Cuts the state images from up to three pictures at one region; a
    // missing picture or an empty cut leaves that state empty. The disabled
    // image is cut from the normal picture.
    void set_images(const QImage& normal, const QImage& over, const QImage& down, const QRect& region);
    void setStateImages(QImage normal, QImage over, QImage down, QImage disabled);
    void setIconImage(QImage icon) { m_icon = std::move(icon), update(); }
    void setIconLeft(int left) { m_iconLeft = left, update(); }
    void setAltNormalImage(QImage image) { m_altNormal = std::move(image), update(); }
    void setAltFlag(int flag);
    void setBackgroundImage(QImage background);

    const QImage& normalImage() const { return m_normal; }
    const QImage& overImage() const { return m_over; }
    const QImage& downImage() const { return m_down; }
    const QImage& disabledImage() const { return m_disabled; }
    const QImage& backgroundImage() const { return m_background; }

    // Replaces the text and its offset (0 or less: centred) and repaints.
    void set_text(const QString& text, int offset = 0);
    const QString& buttonText() const { return m_text; }
    int textOffset() const { return m_textOffset; }
    void setCustomTextRect(bool on, const QRect& rect = {});
    // Non-zero: replaces the standard text format (SkinTextFormat flags).
    void setTextFormat(unsigned format) { m_textFormat = format, update(); }
    void setTextColors(std::uint32_t normal, std::uint32_t over, std::uint32_t down);
    std::uint32_t textColorNormal() const { return m_textNormal; }
    std::uint32_t textColorOver() const { return m_textOver; }
    std::uint32_t textColorDown() const { return m_textDown; }
    void setButtonFont(const QFont& font) { m_font = font, update(); }
    const QFont& buttonFont() const { return m_font; }

    // The latched state is QAbstractButton's checked state (the button is
    // always checkable, so setChecked() and isChecked() work too); a click
    // never flips it by itself: only a press with toggle on click does.
    // set_checked repaints only when the state changes.
    void set_checked(int checked) { setChecked(checked != 0); }
    int checkedState() const { return isChecked() ? 1 : 0; }
    void setLatchingStyle(int on) { m_latching = on != 0, update(); }
    bool latchingStyle() const { return m_latching; }
    void setToggleOnClick(int on) { m_toggleOnClick = on != 0; }
    void setPressShift(int on) { m_pressShift = on != 0, update(); }
    bool pressShift() const { return m_pressShift; }
    // When on, the final copy to the screen is clipped to the region.
    void setClipRegion(bool on, const QRegion& region = {});
    // The debug frame (UIDebug).
    void setFrameFlag(int on) { m_frame = on != 0, update(); }
    bool frameFlag() const { return m_frame; }

    bool isHover() const { return m_hover; }

    // What a paint draws in the current state: the state image (null when
    // that state has none), the text colour, and whether the press shift
    // applies.
    struct Look {
        const QImage* image = nullptr;
        std::uint32_t textColor = 0;
        bool shifted = false;
    };
    Look look() const;

    QSize sizeHint() const override;

signals:
    void command(kavrel::CPngBtn* button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void nextCheckState() override { }

    void setHover(bool hover);

private:
    void compose(QPainter& painter) const;
    void drawText(QPainter& painter, const Look& look) const;
    void updateOpacity();

    QImage m_normal;
    QImage m_over;
    QImage m_down;
    QImage m_disabled;
    QImage m_icon;
    QImage m_altNormal;
    QImage m_background;
    int m_altFlag = 0;
    int m_iconLeft = 5;
    QString m_text;
    int m_textOffset = 0;
    bool m_customTextRect = false;
    QRect m_textRect;
    unsigned m_textFormat = 0;
    std::uint32_t m_textNormal = DefaultTextNormal;
    std::uint32_t m_textOver = DefaultTextOver;
    std::uint32_t m_textDown = DefaultTextDown;
    AccessibleKind m_accessibleKind = AccessibleKind::Button;
    bool m_latching = false;
    bool m_toggleOnClick = false;
    bool m_hover = false;
    bool m_pressShift = false;
    bool m_clip = false;
    QRegion m_clipRegion;
    bool m_frame = false;
    bool m_pressedByKey = false;
    QFont m_font;
    OffscreenBuffer m_buffer;
};

} // namespace kavrel

#pragma once

#include "app/Config.h"
#include "controls/OffscreenBuffer.h"
#include "ui/CLedDlg.h"

#include <QImage>
#include <QPainterPath>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace kavrel {

// What a key is and does, as tool tips and screen readers say it.
struct KeyDescription {
    QString name; // the key itself ("A", "F1")
    QString function; // what it does now ("Ctrl + B", "Macro Reload")
    bool remapped = false;
};

// The picture of the keyboard in the main window. It draws the keyboard image, an outline around every key
// whose function differs from its default, a translucent fill in each key's colour (per-key lighting), and an
// outline around the key under the pointer; it tells its parent which key a click was released over
// (message 1153, wParam = key index). It knows nothing of profiles: the main window and the lighting page
// write its marks and colours. Every index is a key index (entry of KeyTable), never a matrix position.
//
// From the keyboard: the view takes focus by Tab, the arrow keys move a focus ring to the nearest key in
// that direction (Home / End: first / last key), Enter or Space acts as a click on it. A key's tool tip
// says what it does ("A → Ctrl + B"); keys that do something else than their default carry a corner
// mark besides their outline colour. Screen readers see every key as a child (KeyboardViewAccessible).
class CKBColorDlg : public QWidget, public LedColorView {
    Q_OBJECT
public:
    static constexpr int KeySlots = KeyTableSize;
    static constexpr int NoKey = -1;
    static constexpr int FillAlpha = 120;

    explicit CKBColorDlg(QWidget* parent = nullptr);

    // Loads keyimg.png; false when it cannot be read (the view then draws the background and the marks).
    bool loadKeyImage();

    // The regions of the first `rects.size()` keys (at most 144), in view coordinates. Keys past them have none.
    void setKeyRects(std::span<const Rect> rects);
    // The part of the window's skin under the view; no background when the cut is empty.
    void setBackground(const QImage& skin, const QRect& area);
    // Makes a key's region a polygon of straight segments from each point to the next (not closed by an extra
    // segment: the outline repeats its first point). Ignored for an index past 143 or fewer than 3 points.
    // A second call adds its segments to the same outline and moves the shaped key to the new index.
    void setShapedKey(int index, std::span<const Point> points);
    // Hover, pressed and has-a-function colours (0x00BBGGRR). The pressed colour is kept but not drawn.
    void setKeyColors(std::uint32_t hover, std::uint32_t pressed, std::uint32_t hasFunction);

    // Marks a key as having a function other than its default. A negative index means the selected key
    // (nothing when none is selected); indices past 143 are ignored.
    void setHasFunction(int index, bool on);
    bool hasFunction(int index) const;
    // Replaces every key colour (0 = no fill), clears the selection and repaints.
    void setAllColors(const KeyColorArray& colors) override;
    // One key's colour; a negative index means the selected key (nothing when none is selected).
    void setKeyColor(int index, std::uint32_t color);
    const KeyColorArray& keyColors() const override { return m_colors; }

    // Where key names and functions come from; without one a key is named by its number.
    using KeyDescriber = std::function<KeyDescription(int index)>;
    void setKeyDescriber(KeyDescriber describer) { m_describer = std::move(describer); }
    KeyDescription describeKey(int index) const;
    // "A: Ctrl + B" (screen readers) and "A → Ctrl + B" (tool tip).
    QString accessibleKeyName(int index) const;
    QString keyToolTip(int index) const;
    int keyCount() const { return m_keyCount; }
    // A key's region's bounding rectangle in view coordinates (empty for no key).
    QRect keyRect(int index) const;
    // The key the keyboard focus ring is on (NoKey before the view first had focus).
    int focusKey() const { return m_focus; }
    void setFocusKey(int index);
    // Does what a click released over the key does.
    void pressKey(int index);

    int selectedKey() const { return m_selected; }
    void clearSelection();
    int hoverKey() const { return m_hover; }
    int shapedKey() const { return m_shaped; }
    std::uint32_t pressedColor() const { return m_pressedColor; }

    // The key whose region holds the point, in index order (lower index wins); NoKey for none.
    int hitTest(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool validIndex(int index) const { return index >= 0 && index < m_keyCount; }
    int resolveIndex(int index) const; // a negative index stands for the selected key
    void outlineKey(QPainter& painter, int index, std::uint32_t color) const;
    void fillKey(QPainter& painter, int index, std::uint32_t color) const;
    void markRemapped(QPainter& painter, int index) const;
    int keyInDirection(int from, int dx, int dy) const;

    QImage m_keyImage;
    QImage m_background;
    std::array<bool, KeySlots> m_hasFunction{};
    KeyColorArray m_colors{};
    std::array<QRect, KeySlots> m_rects{};
    int m_keyCount = 0;
    int m_selected = NoKey;
    int m_focus = NoKey;
    KeyDescriber m_describer;
    int m_hover = NoKey;
    int m_shaped = NoKey;
    QPainterPath m_shapedOutline;
    std::uint32_t m_hoverColor = DefaultKeyHighlight;
    std::uint32_t m_pressedColor = DefaultKeyHighlight;
    std::uint32_t m_functionColor = DefaultKeyHighlight;
    OffscreenBuffer m_buffer;
};

} // namespace kavrel

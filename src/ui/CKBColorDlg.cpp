#include "ui/CKBColorDlg.h"

#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "ui/WindowBasics.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kavrel {

CKBColorDlg::CKBColorDlg(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("keyboardView");
    setMouseTracking(true);
    prepareSkinnedWidget(this, false);
}

bool CKBColorDlg::loadKeyImage()
{
    m_keyImage = load_skin_image("keyimg.png");
    update();
    return !m_keyImage.isNull();
}

void CKBColorDlg::setKeyRects(std::span<const Rect> rects)
{
    m_keyCount = int(std::min<std::size_t>(rects.size(), KeySlots));
    m_rects.fill({});
    for (int i = 0; i < m_keyCount; ++i) {
        const Rect& r = rects[i];
        m_rects[i] = rectOf(r);
    }
    update();
}

void CKBColorDlg::setBackground(const QImage& skin, const QRect& area)
{
    m_background = clone_image_area(skin, area.x(), area.y(), area.width(), area.height());
    update();
}

void CKBColorDlg::setShapedKey(int index, std::span<const Point> points)
{
    if (index < 0 || index >= KeySlots || points.size() < 3)
        return;
    if (m_shapedOutline.isEmpty())
        m_shapedOutline.moveTo(points.front().x, points.front().y);
    else
        m_shapedOutline.lineTo(points.front().x, points.front().y);
    for (std::size_t i = 1; i < points.size(); ++i)
        m_shapedOutline.lineTo(points[i].x, points[i].y);
    m_shapedOutline.setFillRule(Qt::OddEvenFill);
    m_shaped = index;
    update();
}

void CKBColorDlg::setKeyColors(std::uint32_t hover, std::uint32_t pressed, std::uint32_t hasFunction)
{
    m_hoverColor = hover;
    m_pressedColor = pressed;
    m_functionColor = hasFunction;
    update();
}

int CKBColorDlg::resolveIndex(int index) const
{
    if (index < 0)
        return m_selected;
    return index < KeySlots ? index : NoKey;
}

void CKBColorDlg::setHasFunction(int index, bool on)
{
    const int key = resolveIndex(index);
    if (key == NoKey)
        return;
    m_hasFunction[key] = on;
    update();
}

bool CKBColorDlg::hasFunction(int index) const
{
    return index >= 0 && index < KeySlots && m_hasFunction[index];
}

void CKBColorDlg::setAllColors(const KeyColorArray& colors)
{
    m_colors = colors;
    m_selected = NoKey;
    update();
}

void CKBColorDlg::setKeyColor(int index, std::uint32_t color)
{
    const int key = resolveIndex(index);
    if (key == NoKey)
        return;
    m_colors[key] = color;
    update();
}

void CKBColorDlg::clearSelection()
{
    m_selected = NoKey;
    update();
}

int CKBColorDlg::hitTest(QPoint point) const
{
    for (int i = 0; i < m_keyCount; ++i) {
        const bool hit = i == m_shaped ? m_shapedOutline.contains(QPointF(point)) : m_rects[i].contains(point);
        if (hit)
            return i;
    }
    return NoKey;
}

void CKBColorDlg::outlineKey(QPainter& painter, int index, std::uint32_t color) const
{
    painter.setPen(QPen(colorOfColorRef(color), 1));
    painter.setBrush(Qt::NoBrush);
    if (index == m_shaped)
        painter.drawPath(m_shapedOutline);
    else
        painter.drawRect(m_rects[index]);
}

void CKBColorDlg::fillKey(QPainter& painter, int index, std::uint32_t color) const
{
    const QColor fill = colorOfColorRef(color, FillAlpha);
    if (index == m_shaped)
        painter.fillPath(m_shapedOutline, fill);
    else
        painter.fillRect(m_rects[index], fill);
}

void CKBColorDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    const QRect whole = rect();
    if (!m_background.isNull())
        painter.drawImage(whole, m_background);
    if (!m_keyImage.isNull())
        painter.drawImage(whole, m_keyImage);
    for (int i = 0; i < m_keyCount; ++i) {
        if (m_hasFunction[i])
            outlineKey(painter, i, m_functionColor);
        if (m_colors[i] != 0)
            fillKey(painter, i, m_colors[i]);
    }
    if (validIndex(m_hover))
        outlineKey(painter, m_hover, m_hoverColor);
    painter.end();
    m_buffer.copyTo(this);
}

void CKBColorDlg::mouseMoveEvent(QMouseEvent* event)
{
    const int key = hitTest(event->position().toPoint());
    if (key != m_hover) {
        m_hover = key;
        update();
    }
    event->accept();
}

void CKBColorDlg::mousePressEvent(QMouseEvent* event)
{
    // Only the release counts; taking the press keeps it from moving the window.
    event->accept();
}

void CKBColorDlg::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const int key = hitTest(event->position().toPoint());
    if (key != m_selected) {
        m_selected = key;
        update();
    }
    if (key != NoKey)
        postWindowMessage(parentWidget(), MsgKeyClicked, std::uintptr_t(key), 0);
}

} // namespace kavrel

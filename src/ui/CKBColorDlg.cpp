#include "ui/CKBColorDlg.h"

#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "ui/KeyboardViewAccessible.h"
#include "ui/WindowBasics.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace kavrel {

CKBColorDlg::CKBColorDlg(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("keyboardView");
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    installKeyboardViewAccessibility();
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

KeyDescription CKBColorDlg::describeKey(int index) const
{
    if (!validIndex(index))
        return {};
    KeyDescription description;
    if (m_describer)
        description = m_describer(index);
    if (description.name.isEmpty())
        description.name = QString::number(index + 1);
    description.remapped = description.remapped || m_hasFunction[index];
    return description;
}

QString CKBColorDlg::accessibleKeyName(int index) const
{
    const KeyDescription key = describeKey(index);
    return key.function.isEmpty() ? key.name : key.name + ": " + key.function;
}

QString CKBColorDlg::keyToolTip(int index) const
{
    const KeyDescription key = describeKey(index);
    return key.function.isEmpty() ? key.name : key.name + QStringLiteral(" \u2192 ") + key.function;
}

QRect CKBColorDlg::keyRect(int index) const
{
    if (!validIndex(index))
        return {};
    return index == m_shaped ? m_shapedOutline.boundingRect().toAlignedRect() : m_rects[index];
}

void CKBColorDlg::setFocusKey(int index)
{
    if (!validIndex(index) || index == m_focus)
        return;
    m_focus = index;
    update();
    if (hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

void CKBColorDlg::pressKey(int index)
{
    if (!validIndex(index))
        return;
    if (index != m_selected) {
        m_selected = index;
        update();
    }
    postWindowMessage(parentWidget(), MsgKeyClicked, std::uintptr_t(index), 0);
}

// The nearest key whose centre lies in the direction: distance along it counts once, distance across it
// three times, so that Right stays in the row and Down in the column where it can.
int CKBColorDlg::keyInDirection(int from, int dx, int dy) const
{
    const QPoint start = keyRect(from).center();
    int best = NoKey;
    long long bestScore = LLONG_MAX;
    for (int i = 0; i < m_keyCount; ++i) {
        const QRect rect = keyRect(i);
        if (i == from || rect.isEmpty())
            continue;
        const QPoint offset = rect.center() - start;
        const int along = offset.x() * dx + offset.y() * dy;
        const int across = std::abs(dx != 0 ? offset.y() : offset.x());
        if (along <= 0)
            continue;
        const long long score = along + 3LL * across;
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
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
    for (int i = 0; i < m_keyCount; ++i) {
        if (m_hasFunction[i])
            markRemapped(painter, i);
    }
    if (validIndex(m_hover))
        outlineKey(painter, m_hover, m_hoverColor);
    if (hasFocus() && validIndex(m_focus)) {
        painter.setPen(QPen(palette().color(QPalette::Highlight).lighter(130), 2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(keyRect(m_focus).adjusted(-1, -1, 1, 1));
    }
    painter.end();
    m_buffer.copyTo(this);
}

// A filled corner triangle: the outline colour is not the only sign that a key was changed.
void CKBColorDlg::markRemapped(QPainter& painter, int index) const
{
    const QRect rect = keyRect(index);
    const int side = std::max(4, std::min(rect.width(), rect.height()) / 4);
    const QPointF corner(rect.right() + 1, rect.top());
    const QPointF triangle[] = {corner, corner - QPointF(side, 0), corner + QPointF(0, side)};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colorOfColorRef(m_functionColor));
    painter.drawPolygon(triangle, 3);
    painter.restore();
}

bool CKBColorDlg::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int key = hitTest(help->pos());
        if (key == NoKey)
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), keyToolTip(key), this, keyRect(key));
        return true;
    }
    return QWidget::event(event);
}

void CKBColorDlg::keyPressEvent(QKeyEvent* event)
{
    if (m_keyCount == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int from = validIndex(m_focus) ? m_focus : 0;
    int to = NoKey;
    switch (event->key()) {
    case Qt::Key_Left:
        to = keyInDirection(from, -1, 0);
        break;
    case Qt::Key_Right:
        to = keyInDirection(from, 1, 0);
        break;
    case Qt::Key_Up:
        to = keyInDirection(from, 0, -1);
        break;
    case Qt::Key_Down:
        to = keyInDirection(from, 0, 1);
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = m_keyCount - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            pressKey(from);
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    setFocusKey(to == NoKey ? from : to);
    event->accept();
}

void CKBColorDlg::focusInEvent(QFocusEvent* event)
{
    if (!validIndex(m_focus))
        m_focus = validIndex(m_selected) ? m_selected : 0;
    update();
    QWidget::focusInEvent(event);
}

void CKBColorDlg::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
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
    if (key == NoKey) {
        if (m_selected != NoKey) {
            m_selected = NoKey;
            update();
        }
        return;
    }
    pressKey(key);
}

} // namespace kavrel

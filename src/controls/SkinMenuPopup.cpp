#include "controls/SkinMenuPopup.h"

#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "controls/WideText.h"
#include "controls/WindowMessage.h"
#include "controls/WindowShape.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace kavrel {

namespace {

constexpr int TextPadding = 10;
constexpr int MenuFontHeight = 14;
constexpr int ArrowSpace = 16;
constexpr int PictureCap = 8; // fixed left and right ends of a row picture

enum RowState { RowNormal = 0, RowOver = 1, RowDown = 2 };

// Draws a row picture stretched to the row: its two ends keep their width, the
// middle is stretched, so rounded or accented ends stay crisp.
void drawRowPicture(QPainter& painter, const QImage& picture, const QRect& row)
{
    if (picture.isNull())
        return;
    const int cap = std::min({PictureCap, picture.width() / 2, row.width() / 2});
    const int h = picture.height();
    painter.drawImage(QRect(row.left(), row.top(), cap, row.height()), picture, QRect(0, 0, cap, h));
    painter.drawImage(QRect(row.left() + cap, row.top(), row.width() - 2 * cap, row.height()), picture,
        QRect(cap, 0, picture.width() - 2 * cap, h));
    painter.drawImage(
        QRect(row.right() + 1 - cap, row.top(), cap, row.height()), picture, QRect(picture.width() - cap, 0, cap, h));
}

void drawSubmenuArrow(QPainter& painter, const QRect& row, const QColor& color)
{
    const QPointF tip(row.right() - 7.5, row.center().y() + 0.5);
    QPainterPath arrow;
    arrow.moveTo(tip.x() - 4, tip.y() - 4);
    arrow.lineTo(tip);
    arrow.lineTo(tip.x() - 4, tip.y() + 4);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);
    painter.restore();
}

QRect availableScreenArea(QPoint position)
{
    QScreen* screen = QGuiApplication::screenAt(position);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
}

} // namespace

SkinMenuPopup::SkinMenuPopup(
    QWidget* owner, std::span<const MenuItemRec> items, QPoint position, int tag, SkinMenuStyle style)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , m_owner(owner)
    , m_tag(tag)
{
    setObjectName(QStringLiteral("skinMenu"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    prepareSkinnedWidget(this, true);
    setFont(applicationSkinFont().value_or(shellDlgFont(MenuFontHeight, 400)));
    reopen(items, position, tag, std::move(style));
}

int SkinMenuPopup::widthShowingWhole(const QString& text)
{
    const QFontMetrics metrics(applicationSkinFont().value_or(shellDlgFont(MenuFontHeight, 400)));
    return metrics.horizontalAdvance(text) + 2 * TextPadding;
}

void SkinMenuPopup::reopen(std::span<const MenuItemRec> items, QPoint position, int tag, SkinMenuStyle style)
{
    m_tag = tag;
    m_style = std::move(style);
    m_pressed = false;
    m_chosen = false;
    if (items.size() > std::size_t(MenuItemMax))
        items = items.first(MenuItemMax);
    m_texts.clear();
    m_commands.clear();
    for (const MenuItemRec& item : items) {
        m_texts.push_back(wideText(item.text));
        m_commands.push_back(item.command);
    }
    collectChildren(items);

    Panel top;
    top.items = m_children.back();
    top.rect = QRect(position, QSize(std::max(1, m_style.width), MenuItemHeight * int(top.items.size())));
    m_panels.clear();
    m_panels.push_back(std::move(top));
    updateWindow();
}

void SkinMenuPopup::collectChildren(std::span<const MenuItemRec> items)
{
    const std::size_t count = items.size();
    m_children.assign(count + 1, {});
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t parent = items[i].parent;
        if (parent == MenuTopLevel)
            m_children[count].push_back(int(i));
        else if (parent < count && parent != i)
            m_children[parent].push_back(int(i));
    }
}

QRect SkinMenuPopup::panelRect(int level) const
{
    if (level < 0 || level >= panelCount())
        return {};
    return m_panels[std::size_t(level)].rect;
}

int SkinMenuPopup::currentItem(int level) const
{
    if (level < 0 || level >= panelCount())
        return -1;
    const Panel& panel = m_panels[std::size_t(level)];
    return panel.current < 0 ? -1 : panel.items[std::size_t(panel.current)];
}

QRect SkinMenuPopup::itemRect(int item) const
{
    for (const Panel& panel : m_panels) {
        for (std::size_t row = 0; row < panel.items.size(); ++row) {
            if (panel.items[row] == item)
                return QRect(panel.rect.left(), panel.rect.top() + int(row) * MenuItemHeight, panel.rect.width(),
                    MenuItemHeight);
        }
    }
    return {};
}

SkinMenuPopup::Hit SkinMenuPopup::hitTest(QPoint globalPos) const
{
    // Deeper panels lie on top of their parents.
    for (int level = panelCount() - 1; level >= 0; --level) {
        const Panel& panel = m_panels[std::size_t(level)];
        if (panel.rect.contains(globalPos))
            return {level, (globalPos.y() - panel.rect.top()) / MenuItemHeight};
    }
    return {};
}

void SkinMenuPopup::closePanelsAbove(int level)
{
    if (panelCount() > level + 1)
        m_panels.resize(std::size_t(level + 1));
}

void SkinMenuPopup::setCurrent(int level, int row)
{
    closePanelsAbove(level);
    Panel& panel = m_panels[std::size_t(level)];
    panel.current = row;
    if (row >= 0 && hasChildren(panel.items[std::size_t(row)]))
        openSubmenu(level);
    updateWindow();
}

void SkinMenuPopup::openSubmenu(int level)
{
    const Panel& parent = m_panels[std::size_t(level)];
    const int item = parent.items[std::size_t(parent.current)];
    Panel sub;
    sub.items = m_children[std::size_t(item)];
    const QSize size(parent.rect.width(), MenuItemHeight * int(sub.items.size()));
    const QRect screen = availableScreenArea(parent.rect.topLeft());
    QPoint topLeft(parent.rect.right() + 1, parent.rect.top() + parent.current * MenuItemHeight);
    if (topLeft.x() + size.width() > screen.right() + 1)
        topLeft.setX(parent.rect.left() - size.width());
    if (topLeft.y() + size.height() > screen.bottom() + 1)
        topLeft.setY(std::max(screen.top(), screen.bottom() + 1 - size.height()));
    sub.rect = QRect(topLeft, size);
    m_panels.push_back(std::move(sub));
}

void SkinMenuPopup::updateWindow()
{
    QRect bounds;
    for (const Panel& panel : m_panels)
        bounds |= panel.rect;
    QRegion shape;
    for (const Panel& panel : m_panels)
        shape |= panel.rect.translated(-bounds.topLeft());
    if (geometry() != bounds)
        setGeometry(bounds);
    shapeSkinnedWindow(this, m_buffer, shape);
    update();
}

void SkinMenuPopup::choose(int item)
{
    if (m_chosen)
        return;
    m_chosen = true;
    const QPointer<QWidget> owner = m_owner;
    const int tag = m_tag;
    const std::uint32_t command = m_commands[std::size_t(item)];
    close();
    postWindowMessage(owner.data(), MsgMenuCommand, command, tag);
}

void SkinMenuPopup::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    painter.translate(-geometry().topLeft());
    for (int level = 0; level < panelCount(); ++level)
        paintPanel(painter, m_panels[std::size_t(level)], level);
    painter.end();
    m_buffer.copyTo(this);
}

void SkinMenuPopup::paintPanel(QPainter& painter, const Panel& panel, int level) const
{
    const bool deepest = level == panelCount() - 1;
    const int pictureBase = level == 0 ? 0 : 4;
    painter.setFont(font());
    for (std::size_t row = 0; row < panel.items.size(); ++row) {
        const int item = panel.items[row];
        const QRect rect(
            panel.rect.left(), panel.rect.top() + int(row) * MenuItemHeight, panel.rect.width(), MenuItemHeight);
        RowState state = RowNormal;
        if (int(row) == panel.current)
            state = (m_pressed && deepest) ? RowDown : RowOver;
        const QImage& picture = m_style.pictures[std::size_t(pictureBase + state)];
        if (picture.isNull())
            painter.fillRect(rect, colorOfColorRef(m_style.frameColor));
        else
            drawRowPicture(painter, picture, rect);
        const std::uint32_t colors[] = {m_style.textNormal, m_style.textOver, m_style.textDown};
        const QColor textColor = colorOfColorRef(colors[state]);
        painter.setPen(textColor);
        const bool submenu = hasChildren(item);
        const QRect textRect = rect.adjusted(TextPadding, 0, -(submenu ? ArrowSpace : TextPadding), 0);
        drawSkinText(painter, textRect, m_texts[std::size_t(item)], StandardTextFormat & ~TextNoClip);
        if (submenu)
            drawSubmenuArrow(painter, rect, textColor);
    }
    painter.setPen(colorOfColorRef(m_style.frameColor));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(panel.rect.adjusted(0, 0, -1, -1));
}

void SkinMenuPopup::mouseMoveEvent(QMouseEvent* event)
{
    const Hit hit = hitTest(event->globalPosition().toPoint());
    if (hit.level < 0)
        return;
    const Panel& panel = m_panels[std::size_t(hit.level)];
    const bool submenuShown = hit.level < panelCount() - 1;
    if (panel.current == hit.row && (submenuShown || !hasChildren(panel.items[std::size_t(hit.row)])))
        return;
    setCurrent(hit.level, hit.row);
}

void SkinMenuPopup::mousePressEvent(QMouseEvent* event)
{
    const Hit hit = hitTest(event->globalPosition().toPoint());
    if (hit.level < 0) {
        noteMenuDismissedByPress(); // a press elsewhere closes the menu without a choice
        close();
        return;
    }
    m_pressed = event->button() == Qt::LeftButton;
    setCurrent(hit.level, hit.row);
}

void SkinMenuPopup::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    const Hit hit = hitTest(event->globalPosition().toPoint());
    if (hit.level < 0 || event->button() != Qt::LeftButton) {
        update();
        return;
    }
    const int item = m_panels[std::size_t(hit.level)].items[std::size_t(hit.row)];
    if (hasChildren(item) || !wasPressed) {
        setCurrent(hit.level, hit.row);
        return;
    }
    choose(item);
}

void SkinMenuPopup::moveCurrent(int step)
{
    const int level = panelCount() - 1;
    Panel& panel = m_panels.back();
    const int count = int(panel.items.size());
    if (count == 0)
        return;
    int row = panel.current;
    if (row < 0)
        row = step > 0 ? 0 : count - 1;
    else
        row = (row + step + count) % count;
    panel.current = row;
    closePanelsAbove(level);
    updateWindow();
}

void SkinMenuPopup::keyPressEvent(QKeyEvent* event)
{
    const int level = panelCount() - 1;
    Panel& panel = m_panels.back();
    const int item = panel.current < 0 ? -1 : panel.items[std::size_t(panel.current)];
    switch (event->key()) {
    case Qt::Key_Up:
        moveCurrent(-1);
        break;
    case Qt::Key_Down:
        moveCurrent(1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (item >= 0 && hasChildren(item)) {
            openSubmenu(level);
            m_panels.back().current = 0;
            updateWindow();
        } else if (item >= 0 && event->key() != Qt::Key_Right) {
            choose(item);
        }
        break;
    case Qt::Key_Left:
        if (level > 0) {
            m_panels.pop_back();
            updateWindow();
        }
        break;
    case Qt::Key_Escape:
        if (level > 0) {
            m_panels.pop_back();
            updateWindow();
        } else {
            close();
        }
        break;
    default:
        break;
    }
}

} // namespace kavrel

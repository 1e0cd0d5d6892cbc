#include "controls/CPngBtn.h"

#include "controls/SkinAccessible.h"

#include "controls/SkinImage.h"
#include "controls/SkinText.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kavrel {

CPngBtn::CPngBtn(QWidget* parent)
    : QAbstractButton(parent)
    , m_font(shellDlgFont(15, 400))
{
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    installSkinAccessibility();
    setMouseTracking(true);
    prepareSkinnedWidget(this, false);
    connect(this, &QAbstractButton::clicked, this, [this] { emit command(this); });
}

void CPngBtn::setAccessibleKind(AccessibleKind kind)
{
    m_accessibleKind = kind;
    setFocusPolicy(kind == AccessibleKind::Label ? Qt::NoFocus : Qt::TabFocus);
}

void CPngBtn::set_images(const QImage& normal, const QImage& over, const QImage& down, const QRect& region)
{
    auto cut = [&region](const QImage& picture) {
        return clone_image_area(picture, region.x(), region.y(), region.width(), region.height());
    };
    setStateImages(cut(normal), cut(over), cut(down), cut(normal));
}

void CPngBtn::setStateImages(QImage normal, QImage over, QImage down, QImage disabled)
{
    m_normal = std::move(normal);
    m_over = std::move(over);
    m_down = std::move(down);
    m_disabled = std::move(disabled);
    updateOpacity();
    update();
}

void CPngBtn::setAltFlag(int flag)
{
    if (m_altFlag == flag)
        return;
    m_altFlag = flag;
    update();
}

void CPngBtn::setBackgroundImage(QImage background)
{
    m_background = std::move(background);
    updateOpacity();
    update();
}

void CPngBtn::set_text(const QString& text, int offset)
{
    m_text = text;
    m_textOffset = offset;
    update();
}

void CPngBtn::setCustomTextRect(bool on, const QRect& rect)
{
    m_customTextRect = on;
    m_textRect = rect;
    update();
}

void CPngBtn::setTextColors(std::uint32_t normal, std::uint32_t over, std::uint32_t down)
{
    m_textNormal = normal;
    m_textOver = over;
    m_textDown = down;
    update();
}

void CPngBtn::setClipRegion(bool on, const QRegion& region)
{
    m_clip = on;
    m_clipRegion = region;
    updateOpacity();
    update();
}

QSize CPngBtn::sizeHint() const
{
    return image_size(m_normal);
}

CPngBtn::Look CPngBtn::look() const
{
    const bool disabled = !isEnabled();
    const QImage* normal = (m_altFlag && !m_altNormal.isNull()) ? &m_altNormal : &m_normal;
    if (m_latching) {
        if (isChecked())
            return disabled ? Look{&m_disabled, m_textNormal, false} : Look{&m_down, m_textDown, m_pressShift};
        if (m_hover)
            return {&m_over, m_textOver, false};
        if (disabled)
            return {&m_disabled, m_textNormal, false};
        return {normal, m_textNormal, false};
    }
    if (isChecked())
        return {&m_down, m_textDown, false};
    if (isDown())
        return {&m_down, m_textDown, m_pressShift};
    if (m_hover)
        return {&m_over, m_textOver, false};
    if (disabled)
        return {&m_disabled, m_textNormal, false};
    return {normal, m_textNormal, false};
}

void CPngBtn::compose(QPainter& painter) const
{
    if (!m_background.isNull())
        draw_image(painter, m_background, 0, 0, image_width(m_normal), image_height(m_normal));
    if (m_normal.isNull())
        return;
    const Look state = look();
    const QPoint shift = state.shifted ? QPoint(-1, 1) : QPoint(0, 0);
    if (state.image && !state.image->isNull())
        painter.drawImage(shift, *state.image);
    if (!m_latching && !m_icon.isNull()) {
        const int y = (height() - image_height(m_icon)) >> 1; // signed halving, rounded down
        painter.drawImage(QPoint(m_iconLeft, y) + (isDown() ? shift : QPoint()), m_icon);
    }
    drawText(painter, state);
}

void CPngBtn::drawText(QPainter& painter, const Look& state) const
{
    if (m_text.isEmpty())
        return;
    QRect rect = m_customTextRect ? m_textRect : QRect(QPoint(0, 0), size());
    rect.setLeft(rect.left() + m_textOffset);
    if (state.shifted)
        rect.translate(-1, 1);
    unsigned format = m_textFormat;
    if (format == 0)
        format = StandardTextFormat | (m_textOffset <= 0 ? unsigned(TextCenter) : 0u);
    // A caption wider than its button (a longer language) is drawn smaller, down to three quarters of the
    // font's size, before it is cut.
    QFont font = m_font;
    const int smallest = font.pixelSize() * 3 / 4;
    while (font.pixelSize() > smallest && QFontMetrics(font).horizontalAdvance(m_text) > rect.width() - 2)
        font.setPixelSize(font.pixelSize() - 1);
    painter.setFont(font);
    painter.setPen(colorOfColorRef(state.textColor));
    drawSkinText(painter, rect, m_text, format);
}

void CPngBtn::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    compose(painter);
    painter.end();
    m_buffer.copyTo(this, m_clip ? m_clipRegion : QRegion());
    if (hasFocus()) {
        QPainter ring(this);
        ring.setPen(QPen(palette().color(QPalette::Highlight).lighter(130), 1, Qt::DashLine));
        ring.drawRect(rect().adjusted(1, 1, -2, -2));
    }
    if (m_frame) {
        QPainter frame(this);
        frame.setPen(colorOfColorRef(FrameColor));
        frame.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CPngBtn::setHover(bool hover)
{
    if (m_hover == hover)
        return;
    m_hover = hover;
    update();
}

void CPngBtn::enterEvent(QEnterEvent* event)
{
    setHover(true);
    QAbstractButton::enterEvent(event);
}

void CPngBtn::leaveEvent(QEvent* event)
{
    setHover(false);
    QAbstractButton::leaveEvent(event);
}

void CPngBtn::mouseMoveEvent(QMouseEvent* event)
{
    if (rect().contains(event->position().toPoint()))
        setHover(true);
    QAbstractButton::mouseMoveEvent(event);
}

void CPngBtn::mousePressEvent(QMouseEvent* event)
{
    m_pressedByKey = false;
    if (event->button() == Qt::LeftButton && m_latching && m_toggleOnClick) {
        setChecked(!isChecked());
    }
    QAbstractButton::mousePressEvent(event);
}

void CPngBtn::keyPressEvent(QKeyEvent* event)
{
    // Space is QAbstractButton's own; Enter presses the focused button too.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        m_pressedByKey = true;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        if (m_latching && m_toggleOnClick)
            setChecked(!isChecked());
        click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CPngBtn::resizeEvent(QResizeEvent* event)
{
    updateOpacity();
    QAbstractButton::resizeEvent(event);
}

void CPngBtn::updateOpacity()
{
    const QSize normal = image_size(m_normal);
    const QSize background = image_size(m_background);
    const bool covers = !m_normal.isNull() && normal.width() >= width() && normal.height() >= height()
        && background.width() >= normal.width() && background.height() >= normal.height();
    // A clipped copy leaves part of the widget unpainted, so the parent must paint beneath it.
    prepareSkinnedWidget(this, covers && !m_clip && isFullyOpaque(m_background));
}

} // namespace kavrel

#include "ui/CColorBtnDlg.h"

#include "controls/OffscreenBuffer.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"

#include <QMouseEvent>
#include <QPainter>

namespace kavrel {
namespace {

constexpr std::uint32_t BackgroundColor = 0x121212;
constexpr std::uint32_t CrossColor = 0x0000FF;
constexpr int ColorInset = 3;

} // namespace

CColorBtnDlg::CColorBtnDlg(QWidget* parent)
    : QWidget(parent)
{
    prepareSkinnedWidget(this, true);
}

void CColorBtnDlg::setColor(std::uint32_t color)
{
    m_color = color;
    update();
}

void CColorBtnDlg::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

void CColorBtnDlg::setSelectedFrameColor(std::uint32_t color)
{
    m_selectedFrame = color;
    update();
}

void CColorBtnDlg::setNormalFrameColor(std::uint32_t color)
{
    m_normalFrame = color;
    update();
}

void CColorBtnDlg::setCrossedOut(bool crossed)
{
    m_crossed = crossed;
    update();
}

void CColorBtnDlg::paintEvent(QPaintEvent*)
{
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.fillRect(rect(), colorOfColorRef(BackgroundColor));
    if (m_crossed) {
        painter.setPen(QPen(colorOfColorRef(CrossColor), 1));
        painter.drawLine(1, h - 1, w - 1, 1);
    } else {
        painter.fillRect(QRect(QPoint(ColorInset, ColorInset), QPoint(w - ColorInset - 1, h - ColorInset - 1)),
            colorOfColorRef(m_color));
    }
    painter.setPen(QPen(colorOfColorRef(m_selected ? m_selectedFrame : m_normalFrame), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, w - 1, h - 1));
}

void CColorBtnDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        postWindowMessage(parentWidget(), MsgSwatchClicked, m_selected ? 0 : 1, m_value);
    QWidget::mouseReleaseEvent(event);
}

} // namespace kavrel

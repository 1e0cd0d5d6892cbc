#include "ui/CColorBtnDlg.h"

#include "controls/OffscreenBuffer.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kavrel {
namespace {

constexpr std::uint32_t BackgroundColor = 0x121212;
constexpr std::uint32_t CrossColor = 0x0000FF;
constexpr int ColorInset = 3;

// A swatch to a screen reader: a button with its owner's name for it, pressed as a click presses it.
class SwatchAccessible : public QAccessibleWidget {
public:
    explicit SwatchAccessible(QWidget* swatch)
        : QAccessibleWidget(swatch, QAccessible::Button)
    {
        addControllingSignal(QStringLiteral("destroyed(QObject*)"));
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            QMetaObject::invokeMethod(widget(), "press");
    }
};

QAccessibleInterface* swatchFactory(const QString& className, QObject* object)
{
    if (object && object->isWidgetType() && className == QLatin1String("kavrel::CColorBtnDlg"))
        return new SwatchAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

CColorBtnDlg::CColorBtnDlg(QWidget* parent)
    : QWidget(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(swatchFactory);
        return true;
    }();
    (void)accessible;
    prepareSkinnedWidget(this, true);
    setFocusPolicy(Qt::TabFocus);
}

void CColorBtnDlg::press()
{
    report();
}

void CColorBtnDlg::report()
{
    postWindowMessage(parentWidget(), MsgSwatchClicked, m_selected ? 0 : 1, m_value);
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
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        // After Tab (not after a click): two rings, dark and light, so the focus shows around any colour.
        painter.setPen(QPen(colorOfColorRef(BackgroundColor), 1));
        painter.drawRect(QRect(1, 1, w - 3, h - 3));
        painter.setPen(QPen(palette().color(QPalette::Highlight).lighter(130), 1, Qt::DashLine));
        painter.drawRect(QRect(1, 1, w - 3, h - 3));
    }
}

void CColorBtnDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        report();
    QWidget::mouseReleaseEvent(event);
}

void CColorBtnDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            report();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CColorBtnDlg::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CColorBtnDlg::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

} // namespace kavrel

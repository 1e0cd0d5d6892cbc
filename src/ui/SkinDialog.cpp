#include "ui/SkinDialog.h"

#include "controls/SkinImage.h"
#include "controls/WindowShape.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace kavrel {
namespace {

// Halves rounding toward minus infinity (C++20 shifts negative numbers arithmetically).
int halfRoundedDown(int value)
{
    return value >> 1;
}

QRect ownerRect(const QWidget* owner)
{
    if (owner) {
        const QWidget* window = owner->window();
        return QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

QPoint centredOnOwner(const QWidget* owner, QSize size)
{
    const QRect rect = ownerRect(owner);
    return {rect.left() + halfRoundedDown(rect.width() - size.width()),
        rect.top() + halfRoundedDown(rect.height() - size.height())};
}

SkinDialog::SkinDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
    , m_owner(owner)
{
    prepareSkinnedWidget(this, true);
}

void SkinDialog::setSkinSize(QSize size)
{
    setFixedSize(size);
}

void SkinDialog::setSkinBackground(const QImage& background)
{
    setSkinSize(background.isNull() ? QSize(1, 1) : image_size(background));
    shapeSkinnedWindow(this, m_buffer, regionFromAlpha(background));
}

void SkinDialog::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        move(centredOnOwner(m_owner, size()));
    QDialog::showEvent(event);
}

void SkinDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && windowHandle()) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

} // namespace kavrel

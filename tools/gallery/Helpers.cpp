#include "Helpers.h"

#include "controls/SkinText.h"

#include <QCoreApplication>
#include <QEnterEvent>

namespace kavrel::gallery {

void showState(CPngBtn& button, ShownState state)
{
    switch (state) {
    case ShownState::Normal:
        break;
    case ShownState::Hover: {
        const QPointF inside(button.width() / 2.0, button.height() / 2.0);
        QEnterEvent enter(inside, inside, button.mapToGlobal(inside));
        QCoreApplication::sendEvent(&button, &enter);
        break;
    }
    case ShownState::Pressed:
        button.setDown(true);
        break;
    case ShownState::Checked:
        button.set_checked(1);
        break;
    case ShownState::Disabled:
        button.setEnabled(false);
        break;
    case ShownState::CheckedDisabled:
        button.set_checked(1);
        button.setEnabled(false);
        break;
    }
}

QColor colorOf(std::uint32_t colorRef)
{
    return colorOfColorRef(colorRef);
}

QImage plainPicture(QSize size, const QColor& color)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

} // namespace kavrel::gallery

#pragma once

#include "GalleryCanvas.h"

#include "controls/ButtonFactory.h"
#include "controls/CPngBtn.h"

#include <QColor>
#include <QImage>

namespace kavrel::gallery {

// A skin button on a surface, its background cut from the surface's picture.
template <class Button = CPngBtn>
Button* skinButton(
    SkinSurface& surface, QPoint topLeft, const ButtonFiles& files, int latching, const QString& text = {});

// Puts a button into a state the way the mouse would.
enum class ShownState { Normal, Hover, Pressed, Checked, Disabled, CheckedDisabled };
void showState(CPngBtn& button, ShownState state);

QColor colorOf(std::uint32_t colorRef);
// A plain picture of the given colour, to stand buttons on.
QImage plainPicture(QSize size, const QColor& color);

template <class Button>
Button* skinButton(SkinSurface& surface, QPoint topLeft, const ButtonFiles& files, int latching, const QString& text)
{
    return create_skin_button<Button>(
        &surface, QRect(topLeft, QSize(1, 1)), files, &surface.picture(), latching, text, 0);
}

} // namespace kavrel::gallery

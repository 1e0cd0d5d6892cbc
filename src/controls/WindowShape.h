#pragma once

#include <QRegion>

class QImage;
class QWidget;

namespace kavrel {

class OffscreenBuffer;

// The outline of a picture's visible pixels (alpha above zero) as row runs.
// An opaque or unloaded picture gives an empty region: it needs no shape.
QRegion regionFromAlpha(const QImage& picture);

// Gives a frameless top-level window the outline of its skin. The mask shapes
// drawing and input on X11; a Wayland compositor takes a mask for input only,
// so the window is also translucent and its buffer paints only inside the
// outline: the corners show what lies behind the window on both. An empty
// outline leaves the window rectangular. Translucency is chosen when the
// native window is made, so the first call comes before the window is shown.
void shapeSkinnedWindow(QWidget* window, OffscreenBuffer& buffer, const QRegion& outline);

} // namespace kavrel

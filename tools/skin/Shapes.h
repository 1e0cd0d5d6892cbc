#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;

// Drawing helpers of the skin generator. Rectangles are in pixels; 1-pixel
// lines are drawn on pixel centres so that they come out crisp at 1:1.
namespace kavrel::skin {

// The scale pictures are drawn at: 1 for the skin's pictures, 2 for their
// @2x versions. Drawing code works in 1x pixels throughout; a picture made by
// newPicture is larger by the scale and paints scaled (its device pixel ratio).
void setPictureScale(int scale);
int pictureScale();

// A new transparent picture of the given size in 1x pixels.
QImage newPicture(int width, int height, QImage::Format format = QImage::Format_ARGB32_Premultiplied);
QImage newPicture(QSize size, QImage::Format format = QImage::Format_ARGB32_Premultiplied);

// A picture's rectangle in 1x pixels.
QRectF pictureRect(const QImage& image);

// A rounded rectangle with a vertical gradient and a 1-pixel edge inside
// the rectangle; radius 0 gives square corners.
void roundedBox(
    QPainter& painter, const QRectF& rect, qreal radius, const QColor& top, const QColor& bottom, const QColor& edge);

// A raised control surface: gradient, edge, and a faint highlight on the top edge.
void raisedBox(QPainter& painter, const QRectF& rect, qreal radius, bool hover);

// An inset surface (fields, wells, grooves).
void wellBox(QPainter& painter, const QRectF& rect, qreal radius);

// A 1-pixel horizontal or vertical line.
void hline(QPainter& painter, int x1, int x2, int y, const QColor& color);
void vline(QPainter& painter, int x, int y1, int y2, const QColor& color);

// A soft glow: concentric translucent ellipses fading out.
void glow(QPainter& painter, const QRectF& rect, const QColor& color, int steps);

// Small line glyphs in a square box, stroked with the colour.
void glyphClose(QPainter& painter, const QRectF& box, const QColor& color, qreal width = 1.6);
void glyphMinimise(QPainter& painter, const QRectF& box, const QColor& color);
void glyphChevronDown(QPainter& painter, const QRectF& box, const QColor& color);
void glyphCheck(QPainter& painter, const QRectF& box, const QColor& color);
void glyphReset(QPainter& painter, const QRectF& box, const QColor& color);
void glyphArrow(QPainter& painter, const QRectF& box, const QColor& color, bool up);
void glyphClock(QPainter& painter, const QRectF& box, const QColor& color);
void glyphFolder(QPainter& painter, const QRectF& box, const QColor& color, bool open);

// The brand mark: an accent keycap. Its shape is given once, for the painted
// pictures and for the scalable icon.
struct BrandMarkShape {
    QRectF body; // rounded square filled with a diagonal gradient
    qreal bodyRadius;
    QColor gradientStart; // at the body's top left
    QColor gradientEnd; // at its bottom right
    QRectF face; // the keycap's top face, a translucent white rounded rectangle
    qreal faceRadius;
    QColor faceColor;
};
BrandMarkShape brandMarkShape(const QRectF& box);
void brandMark(QPainter& painter, const QRectF& box);

} // namespace kavrel::skin

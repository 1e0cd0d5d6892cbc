#include "Shapes.h"

#include "Palette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kavrel::skin {

namespace {

QPen glyphPen(const QColor& color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

namespace {

int scaleOfPictures = 1;

} // namespace

void setPictureScale(int scale)
{
    scaleOfPictures = scale;
}

int pictureScale()
{
    return scaleOfPictures;
}

QImage newPicture(int width, int height, QImage::Format format)
{
    QImage image(width * scaleOfPictures, height * scaleOfPictures, format);
    image.setDevicePixelRatio(scaleOfPictures);
    image.fill(Qt::transparent);
    return image;
}

QImage newPicture(QSize size, QImage::Format format)
{
    return newPicture(size.width(), size.height(), format);
}

QRectF pictureRect(const QImage& image)
{
    return QRectF(QPointF(0, 0), image.deviceIndependentSize());
}

void roundedBox(
    QPainter& painter, const QRectF& rect, qreal radius, const QColor& top, const QColor& bottom, const QColor& edge)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, radius > 0);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    // The edge is a 1-pixel line on the pixel centres just inside the rectangle.
    const QRectF line = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(edge.alpha() ? QPen(edge, 1) : QPen(Qt::NoPen));
    painter.setBrush(fill);
    if (radius > 0)
        painter.drawRoundedRect(line, radius, radius);
    else
        painter.drawRect(line);
    painter.restore();
}

void raisedBox(QPainter& painter, const QRectF& rect, qreal radius, bool hover)
{
    roundedBox(painter, rect, radius, hover ? Palette::hoverTop() : Palette::raisedTop(),
        hover ? Palette::hoverBottom() : Palette::raisedBottom(), hover ? Palette::hoverEdge() : Palette::raisedEdge());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::highlight(hover ? 22 : 14), 1));
    const qreal inset = std::max<qreal>(radius, 2);
    painter.drawLine(QPointF(rect.left() + inset, rect.top() + 1.5), QPointF(rect.right() - inset, rect.top() + 1.5));
    painter.restore();
}

void wellBox(QPainter& painter, const QRectF& rect, qreal radius)
{
    roundedBox(painter, rect, radius, Palette::well(), Palette::well(), Palette::wellEdge());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::shade(90), 1));
    const qreal inset = std::max<qreal>(radius, 2);
    painter.drawLine(QPointF(rect.left() + inset, rect.top() + 1.5), QPointF(rect.right() - inset, rect.top() + 1.5));
    painter.restore();
}

void hline(QPainter& painter, int x1, int x2, int y, const QColor& color)
{
    painter.fillRect(QRect(x1, y, x2 - x1, 1), color);
}

void vline(QPainter& painter, int x, int y1, int y2, const QColor& color)
{
    painter.fillRect(QRect(x, y1, 1, y2 - y1), color);
}

void glow(QPainter& painter, const QRectF& rect, const QColor& color, int steps)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre = rect.center();
    for (int i = steps; i >= 1; --i) {
        const qreal f = qreal(i) / steps;
        QColor c = color;
        c.setAlphaF(color.alphaF() / steps);
        painter.setBrush(c);
        painter.drawEllipse(centre, rect.width() / 2 * f, rect.height() / 2 * f);
    }
    painter.restore();
}

void glyphClose(QPainter& painter, const QRectF& box, const QColor& color, qreal width)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(glyphPen(color, width));
    const QRectF r = box.adjusted(box.width() * 0.3, box.height() * 0.3, -box.width() * 0.3, -box.height() * 0.3);
    painter.drawLine(r.topLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomLeft());
    painter.restore();
}

void glyphMinimise(QPainter& painter, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(glyphPen(color, 1.6));
    const qreal y = std::floor(box.center().y()) + 0.5 + 3;
    painter.drawLine(QPointF(box.left() + box.width() * 0.3, y), QPointF(box.right() - box.width() * 0.3, y));
    painter.restore();
}

void glyphChevronDown(QPainter& painter, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(glyphPen(color, 1.6));
    const QPointF c = box.center();
    const qreal w = box.width() * 0.22;
    QPainterPath path;
    path.moveTo(c.x() - w, c.y() - w / 2);
    path.lineTo(c.x(), c.y() + w / 2);
    path.lineTo(c.x() + w, c.y() - w / 2);
    painter.drawPath(path);
    painter.restore();
}

void glyphCheck(QPainter& painter, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(glyphPen(color, 1.8));
    QPainterPath path;
    path.moveTo(box.left() + box.width() * 0.24, box.top() + box.height() * 0.52);
    path.lineTo(box.left() + box.width() * 0.43, box.top() + box.height() * 0.70);
    path.lineTo(box.left() + box.width() * 0.77, box.top() + box.height() * 0.32);
    painter.drawPath(path);
    painter.restore();
}

void glyphReset(QPainter& painter, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(glyphPen(color, 1.6));
    const QRectF arc = box.adjusted(box.width() * 0.27, box.height() * 0.27, -box.width() * 0.27, -box.height() * 0.27);
    painter.drawArc(arc, 100 * 16, 290 * 16);
    // The arrow head at the open end of the arc, pointing along it.
    const QPointF end(arc.center().x() + arc.width() / 2 * std::cos(qDegreesToRadians(100.0)),
        arc.center().y() - arc.height() / 2 * std::sin(qDegreesToRadians(100.0)));
    QPainterPath head;
    head.moveTo(end + QPointF(-3.5, -3));
    head.lineTo(end);
    head.lineTo(end + QPointF(-3, 3.5));
    painter.drawPath(head);
    painter.restore();
}

void glyphArrow(QPainter& painter, const QRectF& box, const QColor& color, bool up)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(glyphPen(color, 1.6));
    const qreal x = box.center().x();
    const qreal top = box.top() + box.height() * 0.2;
    const qreal bottom = box.bottom() - box.height() * 0.2;
    const qreal w = box.width() * 0.26;
    painter.drawLine(QPointF(x, top), QPointF(x, bottom));
    QPainterPath head;
    const qreal tip = up ? top : bottom;
    const qreal back = up ? tip + w : tip - w;
    head.moveTo(x - w, back);
    head.lineTo(x, tip);
    head.lineTo(x + w, back);
    painter.drawPath(head);
    painter.restore();
}

void glyphClock(QPainter& painter, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(glyphPen(color, 1.4));
    const QRectF face = box.adjusted(2.5, 2.5, -2.5, -2.5);
    painter.drawEllipse(face);
    const QPointF c = face.center();
    painter.drawLine(c, QPointF(c.x(), face.top() + 3));
    painter.drawLine(c, QPointF(c.x() + 2.6, c.y() + 1.5));
    painter.restore();
}

void glyphFolder(QPainter& painter, const QRectF& box, const QColor& color, bool open)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = box.adjusted(1.5, 3.5, -1.5, -2.5);
    QPainterPath back;
    back.moveTo(r.left(), r.bottom());
    back.lineTo(r.left(), r.top() + 1);
    back.quadTo(r.left(), r.top(), r.left() + 1, r.top());
    back.lineTo(r.left() + r.width() * 0.38, r.top());
    back.lineTo(r.left() + r.width() * 0.5, r.top() + 2);
    back.lineTo(r.right() - 1, r.top() + 2);
    back.quadTo(r.right(), r.top() + 2, r.right(), r.top() + 3);
    back.lineTo(r.right(), r.bottom());
    back.closeSubpath();
    QColor backColor = color;
    backColor.setAlpha(open ? 110 : 255);
    painter.setPen(Qt::NoPen);
    painter.setBrush(backColor);
    painter.drawPath(back);
    if (open) {
        QPainterPath front;
        front.moveTo(r.left() - 0.5, r.bottom());
        front.lineTo(r.left() + 2, r.top() + 5);
        front.lineTo(r.right() + 1, r.top() + 5);
        front.lineTo(r.right() - 1.5, r.bottom());
        front.closeSubpath();
        painter.setBrush(color);
        painter.drawPath(front);
    } else {
        painter.setPen(QPen(Palette::highlight(60), 1));
        painter.drawLine(QPointF(r.left() + 1, r.top() + 4.5), QPointF(r.right() - 1, r.top() + 4.5));
    }
    painter.restore();
}

BrandMarkShape brandMarkShape(const QRectF& box)
{
    const qreal r = box.width() * 0.24;
    const QRectF face = box.adjusted(box.width() * 0.2, box.height() * 0.14, -box.width() * 0.2, -box.height() * 0.3);
    return {box, r, Palette::accentLight(), Palette::accentDeep(), face, r * 0.6, QColor(255, 255, 255, 70)};
}

void brandMark(QPainter& painter, const QRectF& box)
{
    const BrandMarkShape shape = brandMarkShape(box);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(shape.body.topLeft(), shape.body.bottomRight());
    fill.setColorAt(0, shape.gradientStart);
    fill.setColorAt(1, shape.gradientEnd);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(shape.body, shape.bodyRadius, shape.bodyRadius);
    painter.setBrush(shape.faceColor);
    painter.drawRoundedRect(shape.face, shape.faceRadius, shape.faceRadius);
    painter.restore();
}

} // namespace kavrel::skin

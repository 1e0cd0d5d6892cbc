#include "KeyboardPicture.h"

#include "KeyLegends.h"
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"

#include "app/Config.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kavrel::skin {

namespace {

constexpr qreal CapRadius = 4;
constexpr qreal LipHeight = 3.5; // the darker skirt showing below a keycap's top face

QColor skirt()
{
    return QColor(0x1A, 0x1E, 0x25);
}

QColor skirtEdge()
{
    return QColor(0x30, 0x36, 0x42);
}

QLinearGradient faceGradient(const QRectF& face)
{
    QLinearGradient gradient(face.topLeft(), face.bottomLeft());
    gradient.setColorAt(0, QColor(0x2E, 0x33, 0x3E));
    gradient.setColorAt(1, QColor(0x26, 0x2A, 0x33));
    return gradient;
}

void drawChassis(QPainter& painter, QSize size)
{
    const QRectF plate(0, 0, size.width(), size.height());
    roundedBox(painter, plate, 10, QColor(0x1C, 0x20, 0x27), QColor(0x11, 0x13, 0x18), QColor(0x2D, 0x33, 0x3E));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::highlight(16), 1));
    painter.drawLine(QPointF(12, 1.5), QPointF(size.width() - 12, 1.5));
    painter.restore();
}

// The largest legend font, 9 pixels down to 7, whose text fits the face.
QFont legendFont(const QString& legend, qreal width)
{
    if (legend.size() <= 1)
        return skinFont(11, QFont::DemiBold);
    for (int size = 9; size > 7; --size) {
        const QFont font = skinFont(size, QFont::Medium);
        if (QFontMetricsF(font).horizontalAdvance(legend) <= width - 3)
            return font;
    }
    return skinFont(7, QFont::Medium);
}

// The outline shrunk by a distance on every side.
QPainterPath eroded(const QPainterPath& outline, qreal distance)
{
    QPainterPathStroker band;
    band.setWidth(2 * distance);
    band.setJoinStyle(Qt::MiterJoin);
    return outline.subtracted(band.createStroke(outline));
}

// The outline with its outer corners rounded to the radius.
QPainterPath rounded(const QPainterPath& outline, qreal radius)
{
    const QPainterPath inner = eroded(outline, radius);
    QPainterPathStroker grow;
    grow.setWidth(2 * radius);
    grow.setJoinStyle(Qt::RoundJoin);
    return inner.united(grow.createStroke(inner)).simplified();
}

void drawLegend(QPainter& painter, const QRectF& face, const KEYINFO& key)
{
    const QString legend = keyLegend(key);
    if (legend.isEmpty())
        return;
    painter.setFont(legendFont(legend, face.width()));
    painter.setPen(isFunctionLegend(key) ? Palette::accentLight() : QColor(0xC9, 0xCF, 0xDA));
    painter.drawText(face, Qt::AlignCenter | Qt::TextSingleLine, legend);
}

void drawRectKey(QPainter& painter, const QRectF& cap, const KEYINFO& key)
{
    painter.setPen(QPen(skirtEdge(), 1));
    painter.setBrush(skirt());
    painter.drawRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), CapRadius, CapRadius);
    const QRectF face = cap.adjusted(2, 1.5, -2, -LipHeight - 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(faceGradient(face));
    painter.drawRoundedRect(face, CapRadius - 1, CapRadius - 1);
    painter.setPen(QPen(Palette::highlight(14), 1));
    painter.drawLine(QPointF(face.left() + 3, face.top() + 0.5), QPointF(face.right() - 3, face.top() + 0.5));
    drawLegend(painter, face, key);
}

// A key whose outline is a polygon (an ISO Enter): the skirt is the polygon,
// the face the polygon drawn again inside a thick skirt-coloured border.
void drawShapedKey(QPainter& painter, const std::vector<Point>& outline, const KEYINFO& key)
{
    QPolygonF polygon;
    for (const Point& point : outline)
        polygon << QPointF(point.x, point.y);
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    const QPainterPath cap = rounded(eroded(path, 0.5), CapRadius);
    painter.setPen(QPen(skirtEdge(), 1));
    painter.setBrush(skirt());
    painter.drawPath(cap);
    // The face: the outline shrunk by 2 pixels, lifted by the lip, kept inside the cap.
    const QPainterPath face
        = rounded(eroded(path, 2).translated(0, -(LipHeight - 1.5)).intersected(eroded(path, 1.5)), CapRadius - 1);
    const QRectF bounds = path.boundingRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(faceGradient(bounds));
    painter.drawPath(face);
    // The legend sits on the upper, wider part.
    const QRectF upper(bounds.left(), bounds.top() + 1.5, bounds.width(), (bounds.height() - LipHeight) / 2);
    drawLegend(painter, upper, key);
}

} // namespace

QImage keyboardPicture()
{
    const QSize size(std::max(1, Cfg.rcKB.right - Cfg.rcKB.left), std::max(1, Cfg.rcKB.bottom - Cfg.rcKB.top));
    QImage image = newPicture(size.width(), size.height());
    QPainter painter(&image);
    drawChassis(painter, size);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool shaped = Cfg.UnRectKey.present && Cfg.UnRectKey.points.size() >= 3;
    for (int i = 0; i < KeyCount; ++i) {
        const KEYINFO& key = KeyTable[std::size_t(i)];
        if (shaped && key.matrixIndex == Cfg.UnRectKey.matrixIndex) {
            drawShapedKey(painter, Cfg.UnRectKey.points, key);
            continue;
        }
        const QRectF cap(key.rect.left, key.rect.top, key.rect.right - key.rect.left, key.rect.bottom - key.rect.top);
        if (cap.width() > 0 && cap.height() > 0)
            drawRectKey(painter, cap, key);
    }
    return image;
}

} // namespace kavrel::skin

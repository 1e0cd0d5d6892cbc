// Pictures of the buttons, fields, list icons, slider and menu rows.
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"
#include "SkinSizes.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace kavrel::skin {

namespace {

// The colour a over b at the given share of a (0..1), opaque.
QColor mix(const QColor& a, const QColor& b, qreal share)
{
    return QColor::fromRgbF(a.redF() * share + b.redF() * (1 - share), a.greenF() * share + b.greenF() * (1 - share),
        a.blueF() * share + b.blueF() * (1 - share));
}

QRectF full(const QImage& image)
{
    return pictureRect(image);
}

// A surface washed with the accent, for pressed, checked and chosen states.
void accentBox(QPainter& painter, const QRectF& rect, qreal radius, qreal strength)
{
    roundedBox(painter, rect, radius, mix(Palette::accent(), Palette::raisedTop(), strength),
        mix(Palette::accent(), Palette::raisedBottom(), strength * 0.7),
        mix(Palette::accent(), Palette::raisedEdge(), 0.75));
}

} // namespace

QFont skinFont(int pixelSize, QFont::Weight weight)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QImage captionButton(bool minimise, bool hover)
{
    QImage image = newPicture(CaptionButtonSize.width(), CaptionButtonSize.height());
    QPainter painter(&image);
    if (hover)
        roundedBox(painter, full(image), 5, Palette::hoverTop(), Palette::hoverBottom(), Qt::transparent);
    const QColor glyph = hover ? (minimise ? Palette::text() : Palette::accentLight()) : Palette::textMuted();
    if (minimise)
        glyphMinimise(painter, full(image), glyph);
    else
        glyphClose(painter, full(image), glyph);
    return image;
}

QImage profileButton(bool down)
{
    QImage image = newPicture(ProfileButtonSize.width(), ProfileButtonSize.height());
    QPainter painter(&image);
    if (!down) {
        raisedBox(painter, full(image), 6, false);
        return image;
    }
    accentBox(painter, full(image), 6, 0.2);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::accent());
    painter.drawRoundedRect(QRectF(4, 7, 3, full(image).height() - 14), 1.5, 1.5);
    return image;
}

QImage textButton(bool over)
{
    QImage image = newPicture(TextButtonSize.width(), TextButtonSize.height());
    QPainter painter(&image);
    if (over)
        roundedBox(painter, full(image), 6, Palette::accent(), Palette::accentDeep(),
            mix(Palette::accentLight(), Palette::accent(), 0.35));
    else
        raisedBox(painter, full(image), 6, false);
    return image;
}

QImage pageButton()
{
    QImage image = newPicture(PageButtonSize.width(), PageButtonSize.height());
    QPainter painter(&image);
    raisedBox(painter, full(image), 8, false);
    return image;
}

QImage comboField(bool over)
{
    QImage image = newPicture(ComboSize.width(), ComboSize.height());
    QPainter painter(&image);
    raisedBox(painter, full(image), 6, over);
    if (over) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Palette::accentTint(170), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(full(image).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    const int arrowBox = 24;
    vline(painter, full(image).width() - arrowBox, 6, full(image).height() - 6,
        over ? Palette::hoverEdge() : Palette::divider());
    glyphChevronDown(painter, QRectF(full(image).width() - arrowBox, 3, arrowBox, 20),
        over ? Palette::accentLight() : Palette::textMuted());
    return image;
}

QImage checkBox(ToggleState state)
{
    QImage image = newPicture(CheckSize.width(), CheckSize.height());
    QPainter painter(&image);
    const QRectF box(2, 1, 16, 16);
    if (state == ToggleState::Down) {
        roundedBox(painter, box, 4, Palette::accent(), Palette::accentDeep(), Palette::accentDeep());
        glyphCheck(painter, box, Qt::white);
        return image;
    }
    roundedBox(painter, box, 4, Palette::well(), Palette::well(),
        state == ToggleState::Over ? Palette::accent() : Palette::hoverEdge());
    return image;
}

QImage radioButton(ToggleState state)
{
    QImage image = newPicture(RadioSize.width(), RadioSize.height());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring(1.5, 1.5, 15, 15);
    const bool down = state == ToggleState::Down;
    painter.setBrush(Palette::well());
    painter.setPen(QPen(down || state == ToggleState::Over ? Palette::accent() : Palette::hoverEdge(), down ? 1.6 : 1));
    painter.drawEllipse(ring);
    if (down) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Palette::accent());
        painter.drawEllipse(ring.center(), 4, 4);
    }
    return image;
}

QImage recordButton(bool down)
{
    QImage image = newPicture(RecordButtonSize.width(), RecordButtonSize.height());
    QPainter painter(&image);
    if (down)
        roundedBox(painter, full(image), 7, mix(Palette::record(), Palette::raisedTop(), 0.16),
            mix(Palette::record(), Palette::raisedBottom(), 0.1), mix(Palette::record(), Palette::raisedEdge(), 0.6));
    else
        raisedBox(painter, full(image), 7, false);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF dot(16, full(image).height() / 2.0);
    if (down) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 90, 95, 60));
        painter.drawEllipse(dot, 8, 8);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(down ? Palette::record() : mix(Palette::record(), Palette::raisedTop(), 0.75));
    painter.drawEllipse(dot, 5, 5);
    return image;
}

QImage listIcon(ListIcon icon)
{
    QImage image = newPicture(ListIconSize.width(), ListIconSize.height());
    QPainter painter(&image);
    switch (icon) {
    case ListIcon::Release:
        glyphArrow(painter, full(image), Palette::textMuted(), true);
        break;
    case ListIcon::Press:
        glyphArrow(painter, full(image), Palette::accent(), false);
        break;
    case ListIcon::Pause:
        glyphClock(painter, full(image), Palette::textMuted());
        break;
    }
    return image;
}

QImage folderIcon(bool open)
{
    QImage image = newPicture(ListIconSize.width(), ListIconSize.height());
    QPainter painter(&image);
    glyphFolder(painter, full(image), open ? Palette::accent() : Palette::textMuted(), open);
    return image;
}

QImage sliderThumb()
{
    QImage image = newPicture(ThumbSize.width(), ThumbSize.height());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(full(image).width() / 2.0, full(image).height() / 2.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::shade(90));
    painter.drawEllipse(centre + QPointF(0, 0.8), 8.2, 8.2);
    QRadialGradient fill(centre - QPointF(2, 3), 10);
    fill.setColorAt(0, Palette::accentLight());
    fill.setColorAt(1, Palette::accent());
    painter.setBrush(fill);
    painter.drawEllipse(centre, 7.6, 7.6);
    painter.setBrush(QColor(0xF4, 0xF7, 0xFB));
    painter.drawEllipse(centre, 3.2, 3.2);
    return image;
}

QImage sliderBar()
{
    QImage image = newPicture(BarSize.width(), BarSize.height());
    QPainter painter(&image);
    const qreal top = full(image).height() / 2.0 - 2;
    wellBox(painter, QRectF(6, top, full(image).width() - 12, 4), 2);
    // Faint end caps where the scale begins and ends.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::hoverEdge());
    painter.drawEllipse(QPointF(12, full(image).height() / 2.0), 1.5, 1.5);
    painter.drawEllipse(QPointF(full(image).width() - 12, full(image).height() / 2.0), 1.5, 1.5);
    return image;
}

QImage messageIcon()
{
    QImage image = newPicture(MessageIconSize.width(), MessageIconSize.height());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(24, 24);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::accentTint(36));
    painter.drawEllipse(centre, 22, 22);
    painter.setPen(QPen(Palette::accent(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 17, 17);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::accentLight());
    painter.drawEllipse(QPointF(24, 16.5), 2.2, 2.2);
    painter.drawRoundedRect(QRectF(22, 21, 4, 13), 1.5, 1.5);
    return image;
}

QImage menuRow(bool submenu, bool over)
{
    QImage image = newPicture(MenuRowSize, QImage::Format_RGB32);
    const QColor base = submenu ? QColor(0x1E, 0x22, 0x2A) : QColor(0x1A, 0x1D, 0x24);
    image.fill(base);
    QPainter painter(&image);
    if (over) {
        painter.fillRect(full(image), mix(Palette::accent(), base, 0.24));
        painter.fillRect(QRectF(0, 3, 2, full(image).height() - 6), Palette::accent());
    } else {
        hline(painter, 8, full(image).width() - 8, full(image).height() - 1, mix(Palette::highlight(255), base, 0.035));
    }
    return image;
}

} // namespace kavrel::skin

// Window backgrounds: the main window with its outline mask, the key
// function picker, the message box, the progress dialog and the macro page.
#include "Palette.h"
#include "Pictures.h"
#include "Shapes.h"
#include "SkinSizes.h"

#include <QLineF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kavrel::skin {

namespace {

constexpr int MainRadius = 12;
constexpr int CardRadius = 10;
constexpr int HeaderHeight = 44;
constexpr int Margin = 16;

// A dialog: square corners (dialogs have no outline mask), a 1-pixel edge, a
// faint accent line along the top, and a divider under the header.
QImage dialogBase(QSize size, bool header = true)
{
    QImage image = newPicture(size);
    QPainter painter(&image);
    roundedBox(painter, QRectF(0, 0, size.width(), size.height()), 0, QColor(0x13, 0x16, 0x1B), Palette::window(),
        Palette::windowEdge());
    QLinearGradient line(0, 0, size.width(), 0);
    line.setColorAt(0, Palette::accentTint(0));
    line.setColorAt(0.5, Palette::accentTint(200));
    line.setColorAt(1, Palette::accentTint(0));
    painter.fillRect(QRect(1, 1, size.width() - 2, 1), line);
    if (header)
        hline(painter, Margin, size.width() - Margin, HeaderHeight, Palette::divider());
    return image;
}

void card(QPainter& painter, const QRect& rect)
{
    roundedBox(painter, rect, CardRadius, Palette::card(), Palette::card(), Palette::cardEdge());
}

void softShadow(QPainter& painter, const QRectF& rect, qreal radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int i = 8; i >= 1; --i) {
        painter.setBrush(Palette::shade(10));
        painter.drawRoundedRect(rect.adjusted(-i, -i + 5, i, i + 5), radius + i, radius + i);
    }
    painter.restore();
}

// A faint dot grid that fades out away from the centre.
void dotGrid(QPainter& painter, const QRect& area, QPointF centre, qreal reach)
{
    constexpr int Step = 16;
    for (int y = area.top() + Step / 2; y < area.bottom(); y += Step) {
        for (int x = area.left() + Step / 2; x < area.right(); x += Step) {
            const qreal distance = QLineF(centre, QPointF(x, y)).length() / reach;
            const int alpha = int(22 * std::max<qreal>(0, 1 - distance));
            if (alpha > 0)
                painter.fillRect(QRect(x, y, 1, 1), Palette::highlight(alpha));
        }
    }
}

void brandWordmark(QPainter& painter, QPoint topLeft)
{
    brandMark(painter, QRectF(topLeft.x(), topLeft.y(), 20, 20));
    QFont font = skinFont(13, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    painter.setFont(font);
    painter.setPen(Palette::text());
    painter.drawText(
        QRect(topLeft.x() + 30, topLeft.y(), 120, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KAVREL"));
}

} // namespace

QImage mainBackground(const SkinLayout& layout)
{
    const QSize size = layout.window;
    QImage image = newPicture(size);
    // Outside the rounded outline the picture stays opaque: the mask cuts it
    // away, and no half-transparent pixel is left at the outline's steps.
    image.fill(Palette::windowEdge());
    QPainter painter(&image);
    roundedBox(painter, QRectF(0, 0, size.width(), size.height()), MainRadius, QColor(0x13, 0x16, 0x1B),
        Palette::window(), Palette::windowEdge());
    brandWordmark(painter, QPoint(22, 16));

    const int top = 52;
    const int bottom = size.height() - 14;
    const QRect sidebar(Margin, top, layout.keyboard.left() - 6 - Margin - Margin / 2, bottom - top);
    card(painter, sidebar);
    const int stageLeft = sidebar.right() + 1 + 8;
    const QRect stage(stageLeft, top, size.width() - Margin - stageLeft, bottom - top);
    card(painter, stage);

    // The keyboard stands in a soft accent light, its plate lifted by a shadow.
    painter.save();
    painter.setClipRect(stage.adjusted(1, 1, -1, -1));
    const QRectF keyboard = layout.keyboard;
    dotGrid(painter, stage.adjusted(8, 8, -8, -8), keyboard.center(), keyboard.width() * 0.62);
    glow(painter, keyboard.adjusted(-80, -110, 80, 110), Palette::accentTint(34), 24);
    softShadow(painter, keyboard, 10);
    painter.restore();

    // Sidebar sections: profiles and macros, lighting, restore.
    const int sectionLeft = sidebar.left() + 12;
    const int sectionRight = sidebar.right() - 11;
    const int macroBottom = layout.macro.y() + ProfileButtonSize.height();
    hline(painter, sectionLeft, sectionRight, (macroBottom + layout.lighting.top()) / 2, Palette::divider());
    hline(painter, sectionLeft, sectionRight, layout.restore.y() - 12, Palette::divider());
    hline(painter, sectionLeft, sectionRight, layout.restore.y() + ProfileButtonSize.height() + 12, Palette::divider());

    // The action bar under the keyboard.
    hline(painter, stage.left() + 16, stage.right() - 15, layout.apply.y() - 14, Palette::divider());
    return image;
}

QImage mainMask(const SkinLayout& layout)
{
    // Black inside the outline, white outside, one bit per pixel: the file the window decodes at every
    // start stays small to inflate.
    QImage image(layout.window, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRect(QPoint(0, 0), layout.window), MainRadius, MainRadius);
    }
    return image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

QImage pickerBackground()
{
    QImage image = dialogBase(PickerSize);
    QPainter painter(&image);
    // The two hot spots are part of the picture: cancel and restore-default.
    const QRectF cancel(429, 11, 44, 19);
    raisedBox(painter, cancel, 6, false);
    glyphClose(painter, QRectF(cancel.center().x() - 9.5, cancel.top(), 19, 19), Palette::textMuted(), 1.4);
    const QRectF reset(479, 5, 39, 30);
    raisedBox(painter, reset, 7, false);
    glyphReset(painter, QRectF(reset.center().x() - 12, reset.center().y() - 12, 24, 24), Palette::accentLight());
    // The page area on the right.
    card(painter, QRect(193, 52, 341, 250));
    return image;
}

QImage messageBackground()
{
    QImage image = dialogBase(MessageBoxSize);
    QPainter painter(&image);
    brandMark(painter, QRectF(Margin, 13, 18, 18));
    hline(painter, Margin, MessageBoxSize.width() - Margin, MessageBoxSize.height() - 55, Palette::divider());
    return image;
}

QImage progressPicture(bool full)
{
    QImage image = dialogBase(ProgressSize);
    QPainter painter(&image);
    const QRectF bar(45, 101, 441, 22);
    wellBox(painter, bar, 11);
    if (!full)
        return image;
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(bar.topLeft(), bar.topRight());
    fill.setColorAt(0, Palette::accentDeep());
    fill.setColorAt(1, Palette::accentLight());
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(bar.adjusted(2, 2, -2, -2), 9, 9);
    painter.setBrush(Palette::highlight(40));
    painter.drawRoundedRect(QRectF(bar.left() + 8, bar.top() + 4, bar.width() - 16, 3), 1.5, 1.5);
    return image;
}

QImage macroBackground(const SkinLayout& layout)
{
    QImage image = dialogBase(MacroPageSize);
    QPainter painter(&image);
    brandMark(painter, QRectF(Margin, 13, 18, 18));
    const QRect lists = layout.macroList.united(layout.keyList);
    card(painter, QRect(Margin, 52, lists.right() + 1 + 14 - Margin, 312));
    for (const QRect& list : {layout.macroList, layout.keyList})
        wellBox(painter, QRectF(list).adjusted(-1, -1, 1, 1), 4);
    // The settings column: recording, timing and repeat, insertion.
    const int left = layout.macroX;
    const int right = MacroPageSize.width() - Margin;
    hline(painter, left, right, 116, Palette::divider());
    hline(painter, left, right, 238, Palette::divider());
    return image;
}

} // namespace kavrel::skin

#include "controls/SkinText.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <vector>

namespace kavrel {

namespace {

SkinTextCutObserver& cutObserver()
{
    static SkinTextCutObserver observer;
    return observer;
}

void tellCut(const QString& text, const QRect& rect)
{
    if (cutObserver())
        cutObserver()(text, rect);
}

SkinTextDrawObserver& drawObserver()
{
    static SkinTextDrawObserver observer;
    return observer;
}

void tellDrawn(const QPainter& painter, const QString& text, const QRect& drawn)
{
    if (drawObserver())
        drawObserver()(text, painter.transform().mapRect(drawn));
}

Qt::Alignment horizontalAlignment(unsigned format)
{
    if (format & TextCenter)
        return Qt::AlignHCenter;
    if (format & TextRight)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

Qt::Alignment verticalAlignment(unsigned format)
{
    if (format & TextVCenter)
        return Qt::AlignVCenter;
    if (format & TextBottom)
        return Qt::AlignBottom;
    return Qt::AlignTop;
}

void drawSingleLine(QPainter& painter, const QRect& rect, const QString& text, unsigned format)
{
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (painter.fontMetrics().horizontalAdvance(line) > rect.width())
        tellCut(text, rect);
    if (format & TextEndEllipsis)
        line = painter.fontMetrics().elidedText(line, Qt::ElideRight, rect.width());
    int flags = int(horizontalAlignment(format) | verticalAlignment(format)) | Qt::TextSingleLine;
    if (format & TextNoClip)
        flags |= Qt::TextDontClip;
    painter.drawText(rect, flags, line);
    if (drawObserver())
        tellDrawn(painter, text, painter.fontMetrics().boundingRect(rect, flags, line));
}

// Breaks the text into lines of the rectangle's width, keeping the lines
// that fit its height (at least one); the last kept line ends in "…" when
// text was left over.
std::vector<QString> wrapLines(
    const QFontMetrics& metrics, const QFont& font, const QRect& rect, const QString& text, bool ellipsis)
{
    std::vector<QString> lines;
    const int lineHeight = metrics.height();
    const int maxLines = std::max(1, rect.height() / std::max(1, lineHeight));
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lastStart = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(rect.width());
        if (int(lines.size()) == maxLines) {
            tellCut(text, rect);
            if (ellipsis)
                lines.back() = metrics.elidedText(text.mid(lastStart).simplified(), Qt::ElideRight, rect.width());
            break;
        }
        lastStart = line.textStart();
        lines.push_back(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

void drawWrapped(QPainter& painter, const QRect& rect, const QString& text, unsigned format)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const std::vector<QString> lines = wrapLines(metrics, painter.font(), rect, text, format & TextEndEllipsis);
    const int blockHeight = int(lines.size()) * metrics.height();
    int top = rect.top();
    if (format & TextVCenter)
        top += (rect.height() - blockHeight) / 2;
    else if (format & TextBottom)
        top = rect.bottom() + 1 - blockHeight;
    if (!(format & TextNoClip)) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    QRect drawn;
    for (const QString& line : lines) {
        const QRect lineRect(rect.left(), top, rect.width(), metrics.height());
        const int flags = int(horizontalAlignment(format)) | Qt::AlignVCenter | Qt::TextSingleLine;
        painter.drawText(lineRect, flags, line);
        drawn |= metrics.boundingRect(lineRect, flags, line);
        top += metrics.height();
    }
    if (drawObserver())
        tellDrawn(painter, text, drawn);
    if (!(format & TextNoClip))
        painter.restore();
}

std::optional<QFont>& applicationFontSlot()
{
    static std::optional<QFont> font;
    return font;
}

} // namespace

void setSkinTextCutObserver(SkinTextCutObserver observer)
{
    cutObserver() = std::move(observer);
}

void setSkinTextDrawObserver(SkinTextDrawObserver observer)
{
    drawObserver() = std::move(observer);
}

void drawSkinText(QPainter& painter, const QRect& rect, const QString& text, unsigned format)
{
    if (text.isEmpty())
        return;
    if ((format & TextWordBreak) && !(format & TextSingleLine))
        drawWrapped(painter, rect, text, format);
    else
        drawSingleLine(painter, rect, text, format);
}

QColor colorOfColorRef(std::uint32_t colorRef)
{
    return QColor(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}

QColor colorOfColorRef(std::uint32_t colorRef, int alpha)
{
    QColor color = colorOfColorRef(colorRef);
    color.setAlpha(std::clamp(alpha, 0, 255));
    return color;
}

QColor colorOfArgb(std::uint32_t argb)
{
    return QColor::fromRgba(argb);
}

std::uint32_t argbOfColorRef(std::uint32_t colorRef, int alpha)
{
    const std::uint32_t red = colorRef & 0xFF;
    const std::uint32_t green = (colorRef >> 8) & 0xFF;
    const std::uint32_t blue = (colorRef >> 16) & 0xFF;
    return (std::uint32_t(alpha & 0xFF) << 24) | (red << 16) | (green << 8) | blue;
}

QFont shellDlgFont(int pixelHeight, int weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, pixelHeight));
    font.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
    return font;
}

void setApplicationSkinFont(std::optional<QFont> font)
{
    applicationFontSlot() = std::move(font);
}

const std::optional<QFont>& applicationSkinFont()
{
    return applicationFontSlot();
}

FontWarmUp::FontWarmUp(const QFont& font)
    : m_thread([font] { (void)QFontMetrics(font).horizontalAdvance(QStringLiteral("Kavrel 0123456789")); })
{
}

FontWarmUp::~FontWarmUp()
{
    m_thread.join();
}

} // namespace kavrel

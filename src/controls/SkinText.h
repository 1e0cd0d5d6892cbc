#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

class QPainter;

// Text, colour and font conventions shared by every skinned surface.
namespace kavrel {

// Text format flags, with the values of the platform text routine the skin
// layouts were written for; combine with |.
enum SkinTextFormat : unsigned {
    TextLeft = 0x0,
    TextCenter = 0x1,
    TextRight = 0x2,
    TextVCenter = 0x4,
    TextBottom = 0x8,
    TextWordBreak = 0x10,
    TextSingleLine = 0x20,
    TextNoClip = 0x100,
    TextEndEllipsis = 0x8000,
};

// Single line, vertically centred, not clipped, ellipsis at the end; left-aligned.
inline constexpr unsigned StandardTextFormat = TextSingleLine | TextVCenter | TextNoClip | TextEndEllipsis;

// Draws text with the painter's font and pen, transparent background.
// Single-line text that is too wide is cut with "…" (TextEndEllipsis).
// Word-wrapped text keeps the lines that fit the height and ends the last one
// with "…" when text is left over; with TextVCenter the block is centred.
void drawSkinText(QPainter& painter, const QRect& rect, const QString& text, unsigned format);

// Told of every text drawSkinText could not show whole in its rectangle: cut
// with "…", lines left over, or a single line running past the rectangle's
// width. The gallery check collects them; empty to stop (the default).
using SkinTextCutObserver = std::function<void(const QString& text, const QRect& rect)>;
void setSkinTextCutObserver(SkinTextCutObserver observer);

// Told of every text drawSkinText draws, with the rectangle its lines take on the painter's device (in
// logical pixels). The gallery check uses it to find texts that overlap controls or an edge of the
// picture; empty to stop (the default).
using SkinTextDrawObserver = std::function<void(const QString& text, const QRect& drawn)>;
void setSkinTextDrawObserver(SkinTextDrawObserver observer);

// A COLORREF (0x00BBGGRR, red in the low byte) as an opaque colour.
QColor colorOfColorRef(std::uint32_t colorRef);
// A COLORREF with the given alpha (0..255).
QColor colorOfColorRef(std::uint32_t colorRef, int alpha);
// An ARGB value 0xAARRGGBB.
QColor colorOfArgb(std::uint32_t argb);
// The ARGB value of a COLORREF with an alpha: 0xAA000000 | r << 16 | g << 8 | b.
std::uint32_t argbOfColorRef(std::uint32_t colorRef, int alpha);

// The font the layouts call "MS Shell Dlg": the system's default sans font at
// the given pixel height and weight (100 ... 900, 400 normal, 600 semi-bold).
QFont shellDlgFont(int pixelHeight, int weight = 400);

// The application font made at start-up from FontName and appfont.ttf, when
// one was made. Skinned controls that may use it ask here.
void setApplicationSkinFont(std::optional<QFont> font);
const std::optional<QFont>& applicationSkinFont();

// Lays out a sample text in the given font on a second thread. The first text a program measures waits
// while the font database is filled and the font files are opened; started at start-up, that happens on
// the other core while the windows are built. Joined when it goes.
class FontWarmUp {
public:
    explicit FontWarmUp(const QFont& font);
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

private:
    std::thread m_thread;
};

} // namespace kavrel

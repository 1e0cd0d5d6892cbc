// Shaped skinned windows: the outline taken from a picture's alpha, and a
// shaped window that paints nothing outside its outline even where no mask
// clips it (a Wayland compositor takes the mask for input only).

#include "ControlTestSupport.h"

#include "controls/OffscreenBuffer.h"
#include "controls/WindowShape.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace kavrel {
namespace {

// A top-level that covers itself with one opaque colour, as a skinned window paints its background.
class PaintedWindow : public QWidget {
public:
    PaintedWindow()
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    {
        prepareSkinnedWidget(this, true);
        resize(40, 30);
    }
    OffscreenBuffer buffer;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(&buffer.begin(size()));
        painter.fillRect(rect(), Qt::red);
        painter.end();
        buffer.copyTo(this);
    }
};

// What the window shows when nothing but its own painting decides: the mask ignored.
QImage paintedIgnoringMask(QWidget& window)
{
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window.render(
        &image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    return image;
}

TEST(WindowShape, TheOutlineOfAPictureIsWhereItIsNotTransparent)
{
    EXPECT_TRUE(regionFromAlpha(QImage()).isEmpty());
    QImage opaque(20, 10, QImage::Format_ARGB32);
    opaque.fill(Qt::blue);
    EXPECT_TRUE(regionFromAlpha(opaque).isEmpty()) << "an opaque picture needs no shape";
    QImage rgb(20, 10, QImage::Format_RGB32);
    rgb.fill(Qt::blue);
    EXPECT_TRUE(regionFromAlpha(rgb).isEmpty());

    // Transparent corners of 2x2 pixels and a hole of one pixel; half-transparent pixels count as inside.
    QImage rounded(20, 10, QImage::Format_ARGB32);
    rounded.fill(QColor(0, 0, 255, 40));
    for (const QPoint corner : {QPoint(0, 0), QPoint(18, 0), QPoint(0, 8), QPoint(18, 8)})
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                rounded.setPixel(corner + QPoint(dx, dy), 0);
    rounded.setPixel(10, 5, 0);
    QRegion expected(0, 0, 20, 10);
    expected -= QRegion(0, 0, 2, 2) + QRegion(18, 0, 2, 2) + QRegion(0, 8, 2, 2) + QRegion(18, 8, 2, 2)
        + QRegion(10, 5, 1, 1);
    EXPECT_TRUE((regionFromAlpha(rounded) ^ expected).isEmpty());
}

TEST(WindowShape, AShapedWindowPaintsOnlyInsideItsOutlineAndTakesInputThere)
{
    PaintedWindow window;
    const QRegion outline = QRegion(5, 0, 30, 30) + QRegion(0, 5, 40, 20);
    shapeSkinnedWindow(&window, window.buffer, outline);
    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(window.testAttribute(Qt::WA_OpaquePaintEvent)) << "the corners are not covered any more";
    EXPECT_TRUE(window.testAttribute(Qt::WA_NoSystemBackground)) << "nor filled with the window colour";
    EXPECT_EQ(window.mask(), outline);
    window.show();
    test::processEvents();

    const QImage picture = paintedIgnoringMask(window);
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "corner";
    EXPECT_EQ(qAlpha(picture.pixel(39, 29)), 0) << "corner";
    EXPECT_EQ(picture.pixel(20, 15), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(5, 0), qRgb(255, 0, 0));

    // No outline: rectangular again, and the whole window painted.
    shapeSkinnedWindow(&window, window.buffer, QRegion());
    EXPECT_TRUE(window.mask().isEmpty());
    EXPECT_EQ(paintedIgnoringMask(window).pixel(0, 0), qRgb(255, 0, 0));
}

} // namespace
} // namespace kavrel

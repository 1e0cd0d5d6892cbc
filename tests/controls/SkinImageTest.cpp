#include "ControlTestSupport.h"

#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

namespace kavrel {
namespace {

QImage filled(int w, int h, QColor color)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// The rectangles of the region that lie in one row.
std::vector<QRect> rowRuns(const QRegion& region, int y)
{
    std::vector<QRect> runs;
    for (const QRect& rect : region) {
        if (rect.top() <= y && rect.bottom() >= y)
            runs.push_back(QRect(rect.left(), y, rect.width(), 1));
    }
    return runs;
}

// Regions are compared as point sets: the outline is built from row runs,
// not merged into the fewest rectangles.
bool samePoints(const QRegion& a, const QRegion& b)
{
    return (a ^ b).isEmpty();
}

qint64 area(const QRegion& region)
{
    qint64 total = 0;
    for (const QRect& rect : region)
        total += qint64(rect.width()) * rect.height();
    return total;
}

TEST(RegionFromMask, WhiteAndMissingMasksGiveNoOutlineAndOtherMasksTheWholeRectangle)
{
    EXPECT_TRUE(region_from_mask(filled(40, 30, Qt::white)).isEmpty());
    EXPECT_TRUE(region_from_mask(QImage()).isEmpty());
    EXPECT_TRUE(region_from_mask(filled(40, 30, Qt::transparent)).isEmpty()) << "transparent becomes white";
    EXPECT_TRUE(samePoints(region_from_mask(filled(40, 30, Qt::black)), QRegion(0, 0, 40, 30)));
    // Near-white is not white: only pure white (alpha ignored) falls outside.
    EXPECT_TRUE(samePoints(region_from_mask(filled(5, 5, QColor(255, 255, 254))), QRegion(0, 0, 5, 5)));
}

// The outline as the mask flattened onto white by QPainter gives it: the rule region_from_mask keeps.
QRegion outlineOfPaintedMask(const QImage& mask)
{
    QImage flat(mask.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, mask);
    QRegion outline;
    for (int y = 0; y < flat.height(); ++y)
        for (int x = 0; x < flat.width(); ++x)
            if ((flat.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                outline |= QRect(x, y, 1, 1);
    return outline;
}

TEST(RegionFromMask, AgreesWithTheMaskPaintedOntoWhiteForEveryAlphaAndFormat)
{
    // Every alpha with white, nearly white, grey and black, straight and premultiplied.
    QImage straight(256, 4, QImage::Format_ARGB32);
    for (int a = 0; a < 256; ++a) {
        straight.setPixel(a, 0, qRgba(255, 255, 255, a));
        straight.setPixel(a, 1, qRgba(255, 254, 255, a));
        straight.setPixel(a, 2, qRgba(128, 128, 128, a));
        straight.setPixel(a, 3, qRgba(0, 0, 0, a));
    }
    QImage premultiplied(256, 3, QImage::Format_ARGB32_Premultiplied);
    for (int a = 0; a < 256; ++a) {
        premultiplied.setPixel(a, 0, qRgba(a, a, a, a));
        premultiplied.setPixel(a, 1, qRgba(a, std::max(a - 1, 0), a, a));
        premultiplied.setPixel(a, 2, qRgba(a / 2, a / 2, a / 2, a));
    }
    QImage opaque(3, 1, QImage::Format_RGB32);
    opaque.setPixel(0, 0, 0xFFFFFFFF);
    opaque.setPixel(1, 0, 0xFFFFFFFE);
    opaque.setPixel(2, 0, 0xFF000000);
    // One bit per pixel, both bit orders, and colour tables that are not plain black and white.
    QImage mono(19, 2, QImage::Format_Mono);
    mono.fill(1);
    mono.setPixel(3, 1, 0);
    mono.setPixel(9, 0, 0);
    mono.setPixel(18, 1, 0);
    QImage lsb = mono.convertToFormat(QImage::Format_MonoLSB);
    QImage translucent = mono;
    translucent.setColorTable({qRgba(255, 255, 255, 128), qRgba(0, 0, 0, 0)});
    QImage grey = lsb;
    grey.setColorTable({qRgb(250, 250, 250), qRgb(255, 255, 255)});
    for (const QImage& mask : {straight, premultiplied, opaque, mono, lsb, translucent, grey})
        EXPECT_TRUE(samePoints(region_from_mask(mask), outlineOfPaintedMask(mask))) << mask.format();
}

TEST(RegionFromMask, EachRunOfNonWhitePixelsInARowIsOneRectangle)
{
    QImage mask = filled(10, 3, Qt::white);
    for (int x : {0, 1, 2, 7, 8})
        mask.setPixelColor(x, 1, Qt::black);
    const QRegion outline = region_from_mask(mask);
    const std::vector<QRect> runs = rowRuns(outline, 1);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], QRect(0, 1, 3, 1));
    EXPECT_EQ(runs[1], QRect(7, 1, 2, 1));
    EXPECT_TRUE(rowRuns(outline, 0).empty());
    EXPECT_EQ(area(outline), 5);
}

TEST(RegionFromMask, TransparentCornersFallOutside)
{
    QImage mask = filled(20, 20, Qt::transparent);
    {
        QPainter painter(&mask);
        painter.fillRect(QRect(2, 2, 16, 16), QColor(0, 0, 0, 40)); // even faint pixels count as inside
    }
    const QRegion outline = region_from_mask(mask);
    EXPECT_TRUE(samePoints(outline, QRegion(2, 2, 16, 16)));
    EXPECT_FALSE(outline.contains(QPoint(0, 0)));
}

TEST(RegionFromMask, ManyBatchesOfRunsUniteIntoTheWholeOutline)
{
    // A checkerboard of 1-pixel squares: 100 x 100 / 2 runs, several batches of 2000.
    QImage mask = filled(100, 100, Qt::white);
    for (int y = 0; y < 100; ++y)
        for (int x = (y % 2); x < 100; x += 2)
            mask.setPixelColor(x, y, Qt::black);
    const QRegion outline = region_from_mask(mask);
    EXPECT_EQ(area(outline), 5000);
    EXPECT_TRUE(outline.contains(QPoint(99, 99)));
    EXPECT_FALSE(outline.contains(QPoint(98, 99)));
}

TEST(SkinImages, MissingFilesLoadAsWidthZeroAndPicturesLoadFromTheSkinsFolder)
{
    test::TestSkin skin;
    skin.add("thing.png", QSize(7, 5), Qt::red);
    skin.add("row.bmp", QSize(9, 4), Qt::blue);
    EXPECT_EQ(image_width(load_skin_image("missing.png")), 0);
    EXPECT_EQ(image_height(load_skin_image("missing.png")), 0);
    const QImage png = load_skin_image("thing.png");
    EXPECT_EQ(image_width(png), 7);
    EXPECT_EQ(image_height(png), 5);
    EXPECT_EQ(png.pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(image_width(load_skin_image("row.bmp")), 9);

    // A file that is not a picture is "not loaded", never a crash.
    test::writeFile(skin.folder() / "skins" / "broken.png", "\x89PNG\r\n\x1a\n garbage");
    EXPECT_EQ(image_width(load_skin_image("broken.png")), 0);
}

TEST(SkinImages, APictureIsDecodedOnceAndLoadedAgainOnlyWhenTheFileChanges)
{
    test::TestSkin skin;
    skin.add("shared.png", QSize(6, 4), Qt::red);
    const QImage first = load_skin_image("shared.png");
    const QImage second = load_skin_image("shared.png");
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.cacheKey(), second.cacheKey()) << "the second load shares the first one's pixels";

    // Writing into a loaded picture never reaches the next load.
    QImage scribbled = load_skin_image("shared.png");
    scribbled.setPixelColor(0, 0, Qt::green);
    EXPECT_EQ(load_skin_image("shared.png").pixelColor(0, 0), QColor(Qt::red));

    // Rewritten in place with the same size and at once: the new content, not the remembered one.
    skin.add("shared.png", QSize(6, 4), Qt::blue);
    EXPECT_EQ(load_skin_image("shared.png").pixelColor(1, 1), QColor(Qt::blue));
    skin.add("shared.png", QSize(3, 2), Qt::blue);
    EXPECT_EQ(image_width(load_skin_image("shared.png")), 3);

    // Gone from disk: not loaded, even though it was decoded before; broken: not loaded either.
    std::filesystem::remove(skin.folder() / "skins" / "shared.png");
    EXPECT_EQ(image_width(load_skin_image("shared.png")), 0);
    skin.add("shared.png", QSize(6, 4), Qt::red);
    EXPECT_EQ(image_width(load_skin_image("shared.png")), 6);
    test::writeFile(skin.folder() / "skins" / "shared.png", "\x89PNG\r\n\x1a\n garbage");
    EXPECT_EQ(image_width(load_skin_image("shared.png")), 0);
}

TEST(SkinImages, AOneBitOutlineStaysOneBitAndGivesTheSameOutline)
{
    // The window's outline is a one-bit picture: converting it to 32 bits on load costs a copy of the
    // window's size that reading it needs not.
    test::TestSkin skin;
    QImage mono(40, 6, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.fill(0);
    for (int x = 3; x < 37; ++x)
        mono.setPixel(x, 2, 1);
    ASSERT_TRUE(mono.save(QString::fromStdString((skin.folder() / "skins" / "outline.png").string())));
    const QImage loaded = load_skin_image("outline.png");
    EXPECT_EQ(loaded.depth(), 1);
    EXPECT_TRUE(samePoints(region_from_mask(loaded), QRegion(3, 2, 34, 1)));
}

TEST(SkinImages, PicturesLoadFromSeveralThreadsAtOnce)
{
    test::TestSkin skin;
    skin.add("a.png", QSize(8, 8), Qt::red);
    skin.add("b.png", QSize(9, 9), Qt::blue);
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&wrong] {
            for (int i = 0; i < 50; ++i) {
                if (load_skin_image(i % 2 ? "a.png" : "b.png").width() != (i % 2 ? 8 : 9))
                    ++wrong;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST(SkinImages, APreloadedPictureIsDecodedOnceEvenWhenAskedForWhileItDecodes)
{
    test::TestSkin skin;
    // Large enough that the load below arrives while the preload still decodes it.
    QImage big(1800, 1400, QImage::Format_ARGB32);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            big.setPixel(x, y, qRgba(x * 7, y * 3, x ^ y, 255));
    ASSERT_TRUE(big.save(QString::fromStdString((skin.folder() / "skins" / "big.png").string())));
    skin.add("small.png", QSize(4, 4), Qt::green);

    QImage asked;
    {
        const SkinImagePreload preload({"big.png", "missing.png", "small.png"});
        asked = load_skin_image("big.png");
    }
    EXPECT_EQ(asked.size(), big.size());
    EXPECT_EQ(asked.cacheKey(), load_skin_image("big.png").cacheKey()) << "one decode, shared";
    EXPECT_EQ(load_skin_image("small.png").pixelColor(1, 1), QColor(Qt::green));
    EXPECT_EQ(image_width(load_skin_image("missing.png")), 0);
}

TEST(SkinImages, DensePicturesArePreloadedAndSharedLikeSingleOnes)
{
    test::TestSkin skin;
    skin.add("big.png", QSize(300, 200), Qt::red);
    skin.add("big@2x.png", QSize(600, 400), Qt::blue);
    skin.add("plain.png", QSize(5, 5), Qt::green);
    setSkinPixelRatioOverride(2);
    QImage asked;
    {
        // The density is decided here, on this thread; the preload decodes the @2x version asked below.
        const SkinImagePreload preload({"big.png", "plain.png"});
        asked = load_skin_image("big.png");
    }
    EXPECT_EQ(asked.devicePixelRatio(), 2);
    EXPECT_EQ(image_size(asked), QSize(300, 200));
    EXPECT_EQ(asked.pixelColor(599, 399), QColor(Qt::blue));
    // A dense picture is shared by every control that loads it, not copied per load to set its density.
    EXPECT_EQ(load_skin_image("big.png").constBits(), asked.constBits());
    EXPECT_EQ(load_skin_image("plain.png").devicePixelRatio(), 1) << "no @2x version: the 1x one";
    setSkinPixelRatioOverride(0);
}

TEST(SkinImages, OnlyPicturesWithoutAnyTranslucentPixelAreFullyOpaque)
{
    EXPECT_FALSE(isFullyOpaque(QImage()));
    QImage premultiplied = filled(9, 4, Qt::red).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(isFullyOpaque(premultiplied));
    premultiplied.setPixel(8, 3, qPremultiply(qRgba(255, 0, 0, 254)));
    EXPECT_FALSE(isFullyOpaque(premultiplied)) << "the last pixel";
    QImage straight = filled(5, 5, Qt::blue);
    straight.setPixel(2, 2, qRgba(0, 0, 0, 0));
    EXPECT_FALSE(isFullyOpaque(straight));
    EXPECT_TRUE(isFullyOpaque(straight.convertToFormat(QImage::Format_RGB32)));
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(0, 0, 0, 255), qRgba(0, 0, 0, 10)});
    indexed.fill(0);
    EXPECT_TRUE(isFullyOpaque(indexed));
    indexed.setPixel(1, 0, 1);
    EXPECT_FALSE(isFullyOpaque(indexed));
}

TEST(SkinImages, CuttingCopiesTheRegionAndNothingFromAMissingImage)
{
    QImage source = filled(10, 8, Qt::green);
    source.setPixelColor(4, 3, Qt::red);
    const QImage whole = clone_image_area(source, 0, 0, 10, 8);
    EXPECT_EQ(whole.size(), QSize(10, 8));
    EXPECT_EQ(whole.pixelColor(4, 3), QColor(Qt::red));
    const QImage part = clone_image_area(source, 4, 3, 2, 2);
    EXPECT_EQ(part.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(part.pixelColor(1, 1), QColor(Qt::green));
    EXPECT_TRUE(clone_image_area(QImage(), 0, 0, 5, 5).isNull());
    EXPECT_TRUE(clone_image_area(source, 20, 20, 5, 5).isNull()) << "a region beside the picture";
    EXPECT_TRUE(clone_image_area(source, 0, 0, 0, 5).isNull());
}

// Backgrounds of child windows are cut from the window's picture at every start: a part inside a loaded
// picture shares its pixels instead of copying them, and stays as it was whatever happens to the picture.
TEST(SkinImages, APartInsideALoadedPictureSharesItsPixelsAndOutlivesIt)
{
    auto source
        = std::make_unique<QImage>(filled(300, 200, Qt::green).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    source->setPixelColor(120, 50, Qt::red);
    QImage part = clone_image_area(*source, 100, 40, 50, 30);
    EXPECT_EQ(part.constBits(), source->constBits() + 40 * source->bytesPerLine() + 100 * 4) << "no copy";
    EXPECT_EQ(part.pixelColor(20, 10), QColor(Qt::red));

    source->setPixelColor(121, 50, Qt::blue); // the owner writes to its picture: the part keeps its pixels
    EXPECT_EQ(part.pixelColor(21, 10), QColor(Qt::green));
    const QImage shared = part;
    part.setPixelColor(0, 0, Qt::blue); // and writing to a part changes only that part
    EXPECT_EQ(shared.pixelColor(0, 0), QColor(Qt::green));
    EXPECT_EQ(source->pixelColor(100, 40), QColor(Qt::green));
    source.reset();
    EXPECT_EQ(shared.pixelColor(20, 10), QColor(Qt::red)) << "the picture's pixels live as long as a part";
    EXPECT_EQ(part.pixelColor(20, 10), QColor(Qt::red));
}

TEST(SkinColors, ColorRefsKeepRedInTheLowByte)
{
    EXPECT_EQ(colorOfColorRef(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(colorOfColorRef(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(argbOfColorRef(0x332211, 200), 0xC8112233u);
}

TEST(WindowMessages, PostedMessagesArriveWithTheirParametersAlsoFromAnotherThread)
{
    test::MessageRecorder window;
    postWindowMessage(&window, MsgSliderSet, 3, 149);
    std::thread worker([&window] { postWindowMessage(&window, MsgApplyProgress, 70, 0); });
    worker.join();
    postWindowMessage(nullptr, MsgApplyProgress, 1, 0); // a missing window: dropped
    EXPECT_TRUE(window.messages.empty()) << "posting does not deliver at once";
    test::processEvents();
    const std::vector<test::MessageRecorder::Message> expected{{MsgSliderSet, 3, 149}, {MsgApplyProgress, 70, 0}};
    EXPECT_EQ(window.messages, expected);
    EXPECT_EQ(sendWindowMessage(&window, MsgKeyClicked, 5, 0), 0);
    EXPECT_EQ(window.messages.size(), 3u);
}

} // namespace
} // namespace kavrel

// The skin picture reader against Qt's own: the same pixels for the kinds it takes, nothing (so that Qt's
// reader decides) for other kinds and for damaged files.
#include "controls/PngDecoder.h"

#include "FastPng.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

#include <gtest/gtest.h>

namespace kavrel {
namespace {

QByteArray savedBy(const QImage& image, const char* format = "PNG")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// What the program drew from before: Qt's reader, premultiplied except for one-bit pictures.
testing::AssertionResult sameAsQtsReader(const QByteArray& png)
{
    const std::optional<QImage> ours = decodeSkinPng(png);
    if (!ours)
        return testing::AssertionFailure() << "not decoded";
    QImage qt;
    if (!qt.loadFromData(png))
        return testing::AssertionFailure() << "Qt's reader refuses it";
    if (qt.depth() == 1) {
        if (ours->depth() != 1)
            return testing::AssertionFailure() << "a one-bit picture became " << ours->depth() << " bits";
        if (ours->convertToFormat(QImage::Format_ARGB32) != qt.convertToFormat(QImage::Format_ARGB32))
            return testing::AssertionFailure() << "other one-bit pixels";
        return testing::AssertionSuccess();
    }
    if (*ours != qt.convertToFormat(QImage::Format_ARGB32_Premultiplied))
        return testing::AssertionFailure() << "other pixels or format " << int(ours->format());
    return testing::AssertionSuccess();
}

QImage randomPicture(int width, int height, QImage::Format format, quint32 seed)
{
    QImage image(width, height, format);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate() | (format == QImage::Format_RGB32 ? 0xFF000000u : 0u));
    return image;
}

TEST(SkinPngReader, GivesTheSamePixelsAsQtsReader)
{
    QImage translucent = randomPicture(61, 7, QImage::Format_ARGB32, 3);
    translucent.setPixel(0, 0, qRgba(255, 255, 255, 0));
    translucent.setPixel(1, 0, qRgba(255, 128, 1, 1));
    QImage mono(19, 5, QImage::Format_Mono);
    mono.fill(0);
    mono.setPixel(0, 0, 1);
    mono.setPixel(18, 4, 1);
    mono.setPixel(9, 2, 1);
    for (const QByteArray& png : {skin::encodeFastPng(translucent), skin::encodeFastPng(mono), savedBy(translucent),
             savedBy(randomPicture(33, 3, QImage::Format_RGB32, 5))})
        EXPECT_TRUE(sameAsQtsReader(png));

    const QDir skins(QString::fromStdString((test::buildBinDir() / "skins").string()));
    const QStringList pictures = skins.entryList({"*.png"}, QDir::Files);
    ASSERT_GE(pictures.size(), 30);
    for (const QString& name : pictures) {
        QFile file(skins.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(sameAsQtsReader(file.readAll())) << name.toStdString();
    }
}

quint32 pngCrc(const char* data, int length)
{
    quint32 crc = 0xFFFFFFFFu;
    for (int i = 0; i < length; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Rewrites the header's size and its CRC, so that only the size is wrong.
QByteArray withSize(QByteArray png, quint32 width, quint32 height)
{
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    qToBigEndian(pngCrc(png.constData() + 12, 17), png.data() + 29);
    return png;
}

TEST(SkinPngReader, LeavesOtherKindsAndDamagedFilesToQtsReader)
{
    const QByteArray good = skin::encodeFastPng(randomPicture(40, 30, QImage::Format_ARGB32, 9));
    ASSERT_TRUE(decodeSkinPng(good));

    QImage indexed(8, 8, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
    indexed.fill(1);
    EXPECT_FALSE(decodeSkinPng(savedBy(indexed))) << "palette";
    EXPECT_FALSE(decodeSkinPng(savedBy(QImage(4, 4, QImage::Format_RGBA64)))) << "16 bits";
    EXPECT_FALSE(decodeSkinPng(savedBy(indexed, "BMP"))) << "not a PNG";
    EXPECT_FALSE(decodeSkinPng(QByteArray()));

    EXPECT_FALSE(decodeSkinPng(good.left(good.size() / 2))) << "cut short";
    QByteArray flipped = good;
    flipped[good.indexOf("IDAT") + 20] = char(flipped[good.indexOf("IDAT") + 20] ^ 0x10);
    EXPECT_FALSE(decodeSkinPng(flipped)) << "a changed byte fails the chunk's CRC";
    EXPECT_FALSE(decodeSkinPng(withSize(good, 1u << 30, 1u << 30))) << "no allocation for a claimed size";
    EXPECT_FALSE(decodeSkinPng(withSize(good, 40, 31))) << "fewer rows than the header says";
}

} // namespace
} // namespace kavrel

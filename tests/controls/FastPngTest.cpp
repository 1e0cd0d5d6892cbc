// The skin generator's PNG writer, read back by Qt's own reader, and the pictures the build drew
// with it.
#include "FastPng.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtEndian>

#include <gtest/gtest.h>

namespace kavrel::skin {
namespace {

QImage decoded(const QByteArray& png)
{
    QImage image;
    image.loadFromData(png, "PNG");
    return image;
}

struct PngHeader {
    quint32 width = 0;
    quint32 height = 0;
    int bitDepth = 0;
    int colourType = -1;
};

// Checks that every row of an 8-bit RGBA or 1-bit grey PNG is stored with filter 0; the header read.
testing::AssertionResult everyRowUnfiltered(const QByteArray& png, PngHeader* read = nullptr)
{
    if (!png.startsWith("\x89PNG\r\n\x1a\n"))
        return testing::AssertionFailure() << "no PNG signature";
    qsizetype at = 8;
    PngHeader header;
    QByteArray stream;
    while (at + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        const QByteArray type = png.mid(at + 4, 4);
        const QByteArray data = png.mid(at + 8, length);
        if (type == "IHDR") {
            header = {qFromBigEndian<quint32>(data.constData()), qFromBigEndian<quint32>(data.constData() + 4), data[8],
                data[9]};
        } else if (type == "IDAT") {
            stream += data;
        }
        at += 12 + length;
    }
    if (read)
        *read = header;
    const bool rgba = header.bitDepth == 8 && header.colourType == 6;
    if (!rgba && !(header.bitDepth == 1 && header.colourType == 0))
        return testing::AssertionFailure() << "neither 8-bit RGBA nor 1-bit grey";
    const quint32 width = header.width, height = header.height;
    const quint32 rowBytes = 1 + (rgba ? 4 * width : (width + 7) / 8);
    char expected[4];
    qToBigEndian(quint32(rowBytes * height), expected);
    const QByteArray rows = qUncompress(QByteArray(expected, 4) + stream);
    if (rows.size() != qsizetype(rowBytes * height))
        return testing::AssertionFailure() << "image data of " << rows.size() << " bytes";
    for (quint32 y = 0; y < height; ++y)
        if (rows[y * rowBytes] != 0)
            return testing::AssertionFailure() << "row " << y << " has filter " << int(rows[y * rowBytes]);
    return testing::AssertionSuccess();
}

TEST(FastPng, PicturesReadBackExactlyAndEveryRowIsStoredUnfiltered)
{
    QImage straight(37, 5, QImage::Format_ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < straight.height(); ++y)
        for (int x = 0; x < straight.width(); ++x)
            straight.setPixel(x, y, random.generate());
    QImage premultiplied(13, 9, QImage::Format_ARGB32_Premultiplied);
    premultiplied.fill(Qt::transparent);
    premultiplied.setPixelColor(3, 4, QColor(200, 10, 30, 128));
    premultiplied.setPixelColor(12, 8, QColor(Qt::white));
    QImage opaque(1, 1, QImage::Format_RGB32);
    opaque.fill(QColor(1, 2, 3));

    QImage mono(11, 3, QImage::Format_Mono);
    mono.fill(0);
    mono.setPixel(0, 0, 1);
    mono.setPixel(10, 2, 1);
    mono.setPixel(8, 1, 1);

    for (const QImage& image : {straight, premultiplied, opaque, mono}) {
        const QByteArray png = encodeFastPng(image);
        EXPECT_TRUE(everyRowUnfiltered(png)) << image.width();
        const QImage back = decoded(png);
        ASSERT_EQ(back.size(), image.size());
        EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32), image.convertToFormat(QImage::Format_ARGB32))
            << image.width() << "x" << image.height();
    }

    EXPECT_TRUE(encodeFastPng(QImage()).isEmpty());
    test::TempDir folder;
    EXPECT_FALSE(writeFastPng(QImage(), QString::fromStdString((folder / "null.png").string())));
    EXPECT_FALSE(writeFastPng(opaque, QString::fromStdString((folder / "missing/x.png").string())));
    const QString path = QString::fromStdString((folder / "one.png").string());
    ASSERT_TRUE(writeFastPng(straight, path));
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_ARGB32), straight);
}

TEST(FastPng, EveryPngOfTheDrawnSkinIsStoredForFastDecoding)
{
    const QDir skins(QString::fromStdString((test::buildBinDir() / "skins").string()));
    const QStringList pictures = skins.entryList({"*.png"}, QDir::Files);
    ASSERT_GE(pictures.size(), 30);
    for (const QString& name : pictures) {
        QFile file(skins.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        PngHeader header;
        EXPECT_TRUE(everyRowUnfiltered(file.readAll(), &header)) << name.toStdString();
        if (name == "main_mask.png") {
            EXPECT_EQ(header.bitDepth, 1) << "the outline mask is one bit per pixel";
        }
    }
}

} // namespace
} // namespace kavrel::skin

#include "FastPng.h"

#include <QFile>
#include <QtEndian>

#include <array>

namespace kavrel::skin {

namespace {

std::uint32_t crc32Of(const QByteArray& bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes)
        crc = table[(crc ^ std::uint8_t(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void appendBigEndian(QByteArray& out, std::uint32_t value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

void appendChunk(QByteArray& out, const char* type, const QByteArray& data)
{
    appendBigEndian(out, std::uint32_t(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    out += typed;
    appendBigEndian(out, crc32Of(typed));
}

} // namespace

QByteArray encodeFastPng(const QImage& image)
{
    if (image.isNull())
        return {};
    const bool mono = image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB;
    const QImage pixels = mono ? image : image.convertToFormat(QImage::Format_RGBA8888);
    const int width = pixels.width();
    const int height = pixels.height();
    const qsizetype rowBytes = mono ? (qsizetype(width) + 7) / 8 : qsizetype(width) * 4;

    QByteArray rows;
    rows.reserve((rowBytes + 1) * height);
    QByteArray bits(rowBytes, '\0');
    for (int y = 0; y < height; ++y) {
        rows.append('\0'); // filter type 0: the row as it is
        if (!mono) {
            rows.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), rowBytes);
            continue;
        }
        // One bit per pixel, most significant first: 1 for a light pixel, 0 for a dark one.
        bits.fill('\0');
        for (int x = 0; x < width; ++x)
            if (qGray(pixels.pixel(x, y)) >= 128)
                bits[x / 8] = char(bits[x / 8] | (0x80 >> (x % 8)));
        rows += bits;
    }
    // qCompress gives a zlib stream behind a 4-byte length of its own; IDAT takes the stream.
    const QByteArray compressed = qCompress(rows).mid(4);

    QByteArray header;
    appendBigEndian(header, std::uint32_t(width));
    appendBigEndian(header, std::uint32_t(height));
    header.append(char(mono ? 1 : 8)); // bits per sample
    header.append(char(mono ? 0 : 6)); // grey or RGBA
    header.append(char(0)); // deflate
    header.append(char(0)); // adaptive filtering method (each row names its filter)
    header.append(char(0)); // not interlaced

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", {});
    return png;
}

bool writeFastPng(const QImage& image, const QString& path)
{
    const QByteArray png = encodeFastPng(image);
    if (png.isEmpty())
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(png) == png.size() && file.flush();
}

} // namespace kavrel::skin

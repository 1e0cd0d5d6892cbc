#include "controls/PngDecoder.h"

#include "platform/PageMemory.h"

#include <png.h>

#include <cstring>

namespace kavrel {
namespace {

constexpr int MaxSide = 16384; // larger than any window; a damaged header may claim far more

struct Source {
    const uchar* data;
    std::size_t size;
    std::size_t at = 0;
};

void readFromSource(png_structp png, png_bytep out, png_size_t length)
{
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (length > source->size - source->at)
        png_error(png, "truncated");
    std::memcpy(out, source->data + source->at, length);
    source->at += length;
}

void quietError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void quietWarning(png_structp, png_const_charp) { }

void premultiplyRow(uchar* row, int width)
{
    auto* pixels = reinterpret_cast<QRgb*>(row);
    for (int x = 0; x < width; ++x) {
        if (qAlpha(pixels[x]) != 255)
            pixels[x] = qPremultiply(pixels[x]);
    }
}

// The decode itself, the only frame holding libpng's jump target: false on any libpng error. What it
// sets up lives in the caller.
bool readInto(png_structp png, png_infop info, QImage* image)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colour = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    const bool rgb = depth == 8 && (colour == PNG_COLOR_TYPE_RGBA || colour == PNG_COLOR_TYPE_RGB);
    const bool mono = depth == 1 && colour == PNG_COLOR_TYPE_GRAY;
    if ((!rgb && !mono) || interlace != PNG_INTERLACE_NONE || png_get_valid(png, info, PNG_INFO_tRNS) || width > MaxSide
        || height > MaxSide)
        return false;
    if (rgb) {
        png_set_bgr(png); // little-endian ARGB32 is B, G, R, A in memory
        if (colour == PNG_COLOR_TYPE_RGB)
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_read_update_info(png, info);
    *image = QImage(int(width), int(height), rgb ? QImage::Format_ARGB32_Premultiplied : QImage::Format_Mono);
    if (image->isNull())
        return false;
    if (mono)
        image->setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)}); // grey 0 is black
    platform::populatePages(image->bits(), std::size_t(image->sizeInBytes()));
    for (int y = 0; y < int(height); ++y) {
        uchar* row = image->scanLine(y);
        png_read_row(png, row, nullptr);
        if (colour == PNG_COLOR_TYPE_RGBA)
            premultiplyRow(row, int(width));
    }
    png_read_end(png, nullptr);
    return true;
}

} // namespace

std::optional<QImage> decodeSkinPng(const QByteArray& bytes)
{
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.constData()), 0, 8) != 0)
        return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (!png)
        return std::nullopt;
    png_infop info = png_create_info_struct(png);
    Source source{reinterpret_cast<const uchar*>(bytes.constData()), std::size_t(bytes.size())};
    QImage image;
    bool decoded = false;
    if (info) {
        png_set_read_fn(png, &source, readFromSource);
        png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
        decoded = readInto(png, info, &image);
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (!decoded)
        return std::nullopt;
    return image;
}

} // namespace kavrel

#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace kavrel {

// A reader for the kinds of PNG file the skins are made of, faster than Qt's own: 8-bit RGBA and RGB
// pictures decode straight into premultiplied ARGB32 (the format pictures are drawn from), 1-bit grey ones
// (window outlines) into a one-bit image, with the memory of the pixels mapped in one call. Each chunk's
// CRC is checked; the zlib stream's own checksum, which covers the same bytes again, is not (it took a
// third of the decode).
//
// Nothing when the bytes are not one of these kinds (interlaced, palette, 16-bit, transparency chunk, ...)
// or are damaged: Qt's reader then decides. Otherwise the same pixels as Qt's reader gives after
// premultiplying.
std::optional<QImage> decodeSkinPng(const QByteArray& bytes);

} // namespace kavrel

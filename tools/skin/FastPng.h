#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kavrel::skin {

// A PNG written for fast decoding: 8-bit RGBA (1-bit grey for a Format_Mono image: an eighth of the
// bytes to inflate for a mask), and every row stored with filter type 0 (none).
// libpng's default adaptive filtering picks Paeth for most rows of the skin's gradients, whose
// undoing costs more at every start than the whole inflate; unfiltered rows of these flat
// pictures even compress smaller. The image is stored as drawn (premultiplied pixels are
// converted back to straight alpha).
QByteArray encodeFastPng(const QImage& image);

// Writes encodeFastPng(image) to path; false when the image is null or the file cannot be written.
bool writeFastPng(const QImage& image, const QString& path);

} // namespace kavrel::skin

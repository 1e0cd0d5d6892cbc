#pragma once

#include <QImage>
#include <QRectF>
#include <QRegion>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

class QPainter;
class QString;

// Skin images: every window and control is drawn from pictures in the skins
// folder of the program folder. An image that could not be loaded is a null
// QImage, which reports width 0; callers test the width and treat 0 as "not
// loaded". Loaded images are kept premultiplied, the format QPainter draws
// fastest.
namespace kavrel {

// Loads SkinsFolder() + fileName (PNG or BMP, with alpha where the file has it).
QImage load_skin_image(std::string_view fileName);

// Decodes these pictures of the skins folder into the loaded-picture store on a thread of its own, so
// that a program has its largest pictures decoded on another core while it sets up. A load of one of
// them meanwhile waits for that decode instead of doing it again. Only once the QApplication exists
// (its construction sets up the plugin paths the reader uses); the destructor waits for the thread.
class SkinImagePreload {
public:
    explicit SkinImagePreload(const std::vector<std::string>& fileNames);
    ~SkinImagePreload();
    SkinImagePreload(const SkinImagePreload&) = delete;
    SkinImagePreload& operator=(const SkinImagePreload&) = delete;

private:
    std::thread m_thread;
};

// Loads an image from a full path (macro folder icons, menu pictures). A file is decoded once: later
// loads of the same unchanged file share the decoded pixels (the copy detaches when written to); a file
// that changed on disk is decoded again, one that is gone loads as a null image.
QImage loadImageFile(const QString& path);

int image_width(const QImage& image);
int image_height(const QImage& image);

// A copy of the region (x, y, width, height) as an image of its own, or a null
// image when the source is not loaded or the region misses it entirely. Parts
// of the region outside the source come out transparent.
QImage clone_image_area(const QImage& image, int x, int y, int width, int height);

// Draws the source region of the image scaled into the destination rectangle.
void draw_image(QPainter& painter, const QImage& image, const QRectF& destination, const QRectF& source);
// Draws the whole image scaled into (x, y, width, height).
void draw_image(QPainter& painter, const QImage& image, int x, int y, int width, int height);

// The window outline of a mask picture: the union of the runs of pixels that
// are not pure white once the picture is flattened onto white (so transparent
// pixels fall outside). Rows are scanned top down; runs are gathered into
// regions 2000 rectangles at a time. An all-white or unloaded mask gives an
// empty region.
QRegion region_from_mask(const QImage& mask);

// True when every pixel is opaque (a null image is not).
bool isFullyOpaque(const QImage& image);

} // namespace kavrel

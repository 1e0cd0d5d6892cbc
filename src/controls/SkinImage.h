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
// On a screen scaled above 100 % the picture's @2x version (NAME@2x.png) is
// loaded instead where the skin has one, with device pixel ratio 2. Sizes and
// positions below are in window (logical) pixels whichever was loaded.
QImage load_skin_image(std::string_view fileName);

// The density skin pictures are loaded at: 2 when any screen is scaled above
// 100 %, else 1. Tests set it; 0 goes back to the screens'. The screens are
// asked on the interface thread only; another thread gets what the interface
// thread last found (1 before it asked).
int skinPixelRatio();
void setSkinPixelRatioOverride(int ratio);

// Decodes these pictures of the skins folder into the loaded-picture store on a thread of its own, so
// that a program has its largest pictures decoded on another core while it sets up. A load of one of
// them meanwhile waits for that decode instead of doing it again. At a density above 1 it decodes the
// @2x versions that the loads will ask for; the density is decided here, on the constructing
// (interface) thread, never on the preload's. Only once the QApplication exists (its construction sets
// up the plugin paths the reader uses); the destructor waits for the thread.
class SkinImagePreload {
public:
    explicit SkinImagePreload(const std::vector<std::string>& fileNames);
    ~SkinImagePreload();
    SkinImagePreload(const SkinImagePreload&) = delete;
    SkinImagePreload& operator=(const SkinImagePreload&) = delete;

private:
    std::thread m_thread;
};

// Loads an image from a full path (macro folder icons, menu pictures), its @2x version where there is
// one as above. A file is decoded once: later loads of the same unchanged file share the decoded pixels
// (the copy detaches when written to); a file that changed on disk is decoded again, one that is gone
// loads as a null image.
QImage loadImageFile(const QString& path);

int image_width(const QImage& image);
int image_height(const QImage& image);
QSize image_size(const QImage& image);

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

#pragma once

#include <QImage>
#include <QRegion>

class QWidget;

namespace kavrel {

// The painting rule of every skinned window and control: the whole picture is
// composed off-screen and copied to the widget in one block; the background
// is never erased separately. A widget keeps one buffer and reuses it:
//
//     QPainter painter(&m_buffer.begin(size()));
//     ... draw background, state images, texts ...
//     painter.end();
//     m_buffer.copyTo(this);
//
// Opaque widgets (WA_OpaquePaintEvent, set by prepareSkinnedWidget) get the
// block copied over whatever was there; others are composed over their
// parent, which Qt has painted beneath them.
class OffscreenBuffer {
public:
    // The composition surface for a widget of the given size (in window
    // pixels, at the screen's device pixel ratio), cleared to transparent.
    QImage& begin(QSize size);

    // Copies the composition into the widget (call inside its paintEvent),
    // clipped to the region when one is given.
    void copyTo(QWidget* widget, const QRegion& clip = {}) const;

    // A shaped window's outline: copies stay inside it, so the rest of a
    // translucent window stays transparent. Empty: the whole widget.
    void setOutline(const QRegion& outline) { m_outline = outline; }
    const QRegion& outline() const { return m_outline; }

    const QImage& image() const { return m_image; }

private:
    QImage m_image;
    QRegion m_outline;
};

// On X11, sizes a shown window's backing store now and maps the memory of its pixels in one call, so that
// the window's first paint does not fault them in page by page. What the window shows does not change.
void prepareBackingStore(QWidget* window);

// Sets the attributes that suppress background erasing. An opaque widget
// covers itself entirely with its own picture, so Qt need not paint the parent
// beneath it.
void prepareSkinnedWidget(QWidget* widget, bool opaque);

} // namespace kavrel

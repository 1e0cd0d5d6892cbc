#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

#include <vector>

namespace kavrel::gallery {

// A picture with text drawn on it, standing in for a skinned window whose
// controls are placed on it as children (the controls cut their backgrounds
// from the same picture, as in the real windows).
class SkinSurface : public QWidget {
public:
    SkinSurface(QWidget* parent, QImage picture, QPoint topLeft);

    const QImage& picture() const { return m_picture; }
    // A text drawn over the picture (SkinTextFormat flags).
    void addText(const QRect& rect, const QString& text, const QColor& color, const QFont& font, unsigned format);
    // A picture drawn over the background (the keyboard, a progress fill...).
    void addOverlay(const QRect& target, const QImage& image, const QRect& source = {});

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Text {
        QRect rect;
        QString text;
        QColor color;
        QFont font;
        unsigned format;
    };
    struct Overlay {
        QRect target;
        QImage image;
        QRect source;
    };
    QImage m_picture;
    std::vector<Overlay> m_overlays;
    std::vector<Text> m_texts;
};

// The gallery's page: a dark sheet with section titles and captions, on
// which sections place controls and surfaces. Sections stack downwards.
class GalleryCanvas : public QWidget {
public:
    static constexpr int Width = 1400;
    static constexpr int Margin = 32;

    GalleryCanvas();

    // Starts a section: a title and a short note; returns the y where its content begins.
    int beginSection(const QString& title, const QString& note);
    void addCaption(const QRect& rect, const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    // Reserves content height below the current section start.
    void endSection(int contentBottom);
    int bottom() const { return m_bottom; }

    // A picture drawn onto the sheet after the widgets are rendered (pop-up
    // windows, which are not children of the sheet).
    void addLatePicture(QPoint topLeft, const QImage& image);
    QImage render();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Caption {
        QRect rect;
        QString text;
        Qt::Alignment alignment;
        bool title;
    };
    struct Late {
        QPoint topLeft;
        QImage image;
    };
    std::vector<Caption> m_captions;
    std::vector<Late> m_late;
    int m_bottom = Margin;
};

QFont galleryFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// A picture's size on the sheet: a grabbed window at a scale factor above 1 has more pixels than that.
inline QSize logicalSize(const QImage& image)
{
    return image.deviceIndependentSize().toSize();
}
// An empty picture of a widget's size at the widget's density, for drawing the widget into.
QImage densityPicture(const QWidget& widget);

} // namespace kavrel::gallery

#pragma once

#include "controls/CPngBtn.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <string_view>

// The three ways every window makes its buttons in one call. Each places the
// button, gives it the text colours Btn_txt_clr_nr/_ov/_dn and, when the
// tooltip flag (BtnTips) is set and a text is given, a tooltip showing that
// text. The made button is a visible child of the parent, owned by it.
namespace kavrel {

// Skin file names of a button's normal, over and down images.
struct ButtonFiles {
    std::string_view normal;
    std::string_view over;
    std::string_view down;
};

// A latching button whose state images are the regions at its rectangle of
// three pictures (often the parent's background three times: an invisible
// hot spot). Without a rectangle it covers the first picture at (0, 0).
CPngBtn* create_cut_button(QWidget* parent, const QRect* rect, const QImage& normal, const QImage& over,
    const QImage& down, const QString& text = {}, int tooltips = 0);

// Images loaded for a skin button; complete when all three loaded.
struct ButtonImages {
    QImage normal;
    QImage over;
    QImage down;
    bool complete() const { return !normal.isNull() && !over.isNull() && !down.isNull(); }
};
ButtonImages loadButtonImages(const ButtonFiles& files);

void setupSkinButton(CPngBtn& button, const QRect& rect, const ButtonImages& images, const QImage* parentBackground,
    int latching, const QString& text, int tooltips);
void setupSkinButtonAt(CPngBtn& button, QPoint topLeft, const ButtonImages& images, const QRect* source, int latching,
    int pressShift, const QString& text, int tooltips);

// A button of three whole skin files placed with its top-left corner at the
// rectangle's (its size is the normal image's), over the region of the
// parent's picture beneath it; the application font when there is one; the
// debug frame from UIDebug. Returns nullptr, creating nothing, when a file
// does not load.
template <class Button = CPngBtn>
Button* create_skin_button(QWidget* parent, const QRect& rect, const ButtonFiles& files, const QImage* parentBackground,
    int latching, const QString& text = {}, int tooltips = 0)
{
    const ButtonImages images = loadButtonImages(files);
    if (!images.complete())
        return nullptr;
    auto* button = new Button(parent);
    setupSkinButton(*button, rect, images, parentBackground, latching, text, tooltips);
    return button;
}

// A button at a point whose images are the source region of each file (the
// whole normal image without one); no background. Returns nullptr, creating
// nothing, when a file does not load.
template <class Button = CPngBtn>
Button* create_skin_button_at(QWidget* parent, QPoint topLeft, const ButtonFiles& files, const QRect* source,
    int latching, int pressShift, const QString& text = {}, int tooltips = 0)
{
    const ButtonImages images = loadButtonImages(files);
    if (!images.complete())
        return nullptr;
    auto* button = new Button(parent);
    setupSkinButtonAt(*button, topLeft, images, source, latching, pressShift, text, tooltips);
    return button;
}

} // namespace kavrel

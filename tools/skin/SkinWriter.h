#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kavrel::skin {

// Where the windows' controls sit, as cfg.ini places them; the window
// backgrounds are drawn to fit them.
struct SkinLayout {
    QSize window;
    QRect keyboard; // rcKB
    QRect lighting; // rcLED
    QPoint profile; // ptProfile; the three buttons are 33 pixels apart
    QPoint macro; // ptMacro
    QPoint minimise; // ptMin
    QPoint exit; // ptExit
    QPoint apply; // ptApplyBtn: OK, then Cancel +63, Apply +126
    QPoint restore{33, 541};
    QRect macroList; // rcMacroList
    QRect keyList; // rcKeyList
    int macroX = 350; // Macro_Opt_X
};

// The layout of the configuration loaded last (Cfg).
SkinLayout layoutFromConfig();

// One picture of the skin and how to draw it.
struct SkinPicture {
    QString fileName;
    std::function<QImage()> draw;
};

// Every picture of the skins folder, main window ones fitted to the layout.
std::vector<SkinPicture> skinPictures(const SkinLayout& layout);

// The window icon (appico.ico), drawn at the given size.
QImage applicationIcon(int size);

// The same icon as an SVG document of the given nominal size.
QByteArray applicationIconSvg(int size);

// Writes the desktop icons into a theme folder: hicolor/<N>x<N>/apps/NAME.png
// for the sizes of DesktopIconSizes and hicolor/scalable/apps/NAME.svg.
// Returns the files that could not be written.
QStringList writeDesktopIcons(const QString& iconsFolder, const QString& name);

// Whether a skin file also comes as NAME@2x.EXT, drawn at twice the density
// for screens scaled to 150 % and more.
bool hasDoubleDensityVersion(const QString& fileName);
QString doubleDensityName(const QString& fileName);

// Draws and writes every picture into the folder (created when missing), the
// @2x versions beside them.
// Returns the names of the files that could not be written.
QStringList writeSkin(const QString& folder, const SkinLayout& layout);

} // namespace kavrel::skin

#pragma once

#include "GalleryCanvas.h"

namespace kavrel {
class CTreeCtrlEx;
}

// The gallery's sections, each placing real controls in the states it shows.
namespace kavrel::gallery {

void addMainWindow(GalleryCanvas& canvas);
void addButtonStates(GalleryCanvas& canvas);
void addMenus(GalleryCanvas& canvas);
void addMessageDialogs(GalleryCanvas& canvas);
void addSlidersAndTree(GalleryCanvas& canvas);
void addKeyFunctionPicker(GalleryCanvas& canvas);
void addMacroPage(GalleryCanvas& canvas);

// The two lists of the macro page, filled with sample macros and key rows.
CTreeCtrlEx* macroLibraryTree(QWidget* parent, const QRect& rect);
CTreeCtrlEx* keyListTree(QWidget* parent, const QRect& rect);

} // namespace kavrel::gallery

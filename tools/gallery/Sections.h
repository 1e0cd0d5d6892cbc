#pragma once

#include "GalleryCanvas.h"

// The gallery's sections, each placing real controls in the states it shows.
namespace kavrel::gallery {

void addMainWindow(GalleryCanvas& canvas);
void addButtonStates(GalleryCanvas& canvas);
void addMenus(GalleryCanvas& canvas);
void addDialogs(GalleryCanvas& canvas);

} // namespace kavrel::gallery

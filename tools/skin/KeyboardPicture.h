#pragma once

#include <QImage>

namespace kavrel::skin {

// The keyboard picture (keyimg.png) of the model loaded last (Cfg, KeyTable):
// as large as rcKB, a keycap drawn at every key's rectangle (the key whose
// outline cfg.ini gives as a polygon, at that polygon) with its legend. The
// picture is made from the key table itself, so the two always agree.
QImage keyboardPicture();

} // namespace kavrel::skin

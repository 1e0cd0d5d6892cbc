#pragma once

#include "app/Config.h"
#include "ui/SwallowedKeys.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <string_view>

// What every window of the program shares: its texts from the text table,
// the places cfg.ini gives as edges, and (SwallowedKeys.h) the keys a skinned
// window swallows.
namespace kavrel {

// The text of a "tc_" key from the language file, empty when the file lacks it.
QString text(std::string_view key);

// A cfg.ini rectangle (left, top, right, bottom; right and bottom outside) as a Qt rectangle.
QRect rectOf(const Rect& r);
QPoint pointOf(const Point& p);

} // namespace kavrel

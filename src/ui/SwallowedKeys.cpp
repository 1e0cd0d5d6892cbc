#include "ui/SwallowedKeys.h"

#include <Qt>

namespace kavrel {

bool isSwallowedKey(int qtKey, SwallowedKeys keys)
{
    switch (qtKey) {
    case Qt::Key_Escape:
        return keys.escape;
    case Qt::Key_Space:
        return keys.space;
    case Qt::Key_F1:
    case Qt::Key_Help:
        return keys.help;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return keys.enter;
    default:
        return false;
    }
}

} // namespace kavrel

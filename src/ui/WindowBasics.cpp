#include "ui/WindowBasics.h"

#include "app/Texts.h"

namespace kavrel {

QString text(std::string_view key)
{
    return QString::fromStdString(Text(key));
}

QRect rectOf(const Rect& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

QPoint pointOf(const Point& p)
{
    return {p.x, p.y};
}

} // namespace kavrel

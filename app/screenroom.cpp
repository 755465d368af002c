#include "screenroom.h"

#include <QWidget>
#include <algorithm>

namespace screenroom {

QMargins frameOf(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                    frame.bottom() - inner.bottom());
}

QRect keptWithin(QRect r, const QRect &room)
{
    r.setSize(r.size().boundedTo(room.size()));
    r.moveLeft(std::max(room.left(), std::min(r.left(), room.right() + 1 - r.width())));
    r.moveTop(std::max(room.top(), std::min(r.top(), room.bottom() + 1 - r.height())));
    return r;
}

} // namespace screenroom

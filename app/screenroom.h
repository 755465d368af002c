#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

// Keeping the program's windows wholly on the screen, frame and all: buttons below the screen's
// edge cannot be reached.
namespace screenroom {

// The window system's frame around `window` (none before it is shown).
QMargins frameOf(const QWidget *window);
// `r` made no bigger than `room` and moved, as little as it takes, into it.
QRect keptWithin(QRect r, const QRect &room);

} // namespace screenroom

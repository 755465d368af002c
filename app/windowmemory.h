#pragma once

#include <QString>

class QWidget;

// The main window's size and place, kept between starts in the user's state folder
// (startlocations::userStateDir()), never in the settings file: they are the desktop's, not the
// report's.
namespace windowmemory {

QString file(const QString &stateDir);
// Puts the window where it was, when the file says so and the place is on a screen now; false
// when it leaves the window as it is.
bool restore(QWidget *window, const QString &file);
// Creates the folder (private) when missing; false when the file could not be written.
bool save(const QWidget *window, const QString &file);

} // namespace windowmemory

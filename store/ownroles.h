#pragma once

#include <QAccessible>

class QLabel;
class QWidget;

// Roles Qt does not give the program's own widgets by itself. A screen reader meets each of the
// program's windows as a window (Qt makes a plain top-level widget a filler, which a reader
// neither announces nor lists), and a widget marked with markRole() in the role given. Called
// once before the first window is made; calling it again does nothing.
void installOwnRoles();

// Gives `widget` the role `role` for a screen reader, as a notification that is read out when it
// shows.
void markRole(QWidget *widget, QAccessible::Role role);

// Tells a screen reader a label's new words: a label marked as a notification takes them as its
// name and shows anew, which a reader reads out. Same words again are no news.
void readOut(QLabel *label);

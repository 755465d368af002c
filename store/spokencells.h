#pragma once

class QAbstractItemView;

// What a screen reader needs of a table and Qt does not tell it by itself: the current cell when
// the table takes the keyboard, not only the table's name and size.
void speakCells(QAbstractItemView *view);

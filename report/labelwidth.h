#pragma once

#include <QStringList>

class QFontMetricsF;

// The widest of the X axis labels, which spaces them, as the font measures it, for tens of
// thousands of labels at the cost of a few.
double widestLabel(const QFontMetricsF &metrics, const QStringList &labels);

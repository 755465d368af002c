#pragma once

#include <QString>

// How many grid lines, minor ticks and labels an axis of a given length in pixels can show, so
// that lines never merge into a grey wash and labels never overlap.
namespace axisspacing {

// Grid lines closer than this merge into a grey wash.
constexpr double GridSpacingPx = 6;
constexpr double MinorSpacingPx = 4;
// Room kept between two labels beside the widest label's own width.
constexpr double LabelGapPx = 12;

// Every how many of `divisions` a grid line is drawn on an axis of lengthPx: 1, every one, while
// they are at least spacingPx apart; the lines that remain sit where the divisions are.
int gridEvery(int divisions, double lengthPx, double spacingPx = GridSpacingPx);
// Minor ticks per major division of majorPx pixels (minorDivisions - 1 of them), or none when
// they would crowd.
int minorTicks(int minorDivisions, double majorPx);
// The chart cuts a time label that is wider than an even share of its axis, the axis' length
// divided by one more than the number of labels, less this on either side.
constexpr double LabelPaddingPx = 4;

// Every how many of `rows` categories a label is shown on an axis of lengthPx, so that two labels
// keep the gap between them and none is cut; 0 when not even one label fits whole.
qint64 labelEvery(double widestLabelPx, double lengthPx, double rows);
// A printf format with just enough decimals (none or one) for labels at multiples of `interval`.
QString labelFormat(double interval);

} // namespace axisspacing

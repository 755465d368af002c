#pragma once

#include <QList>
#include <QPointF>
#include <QVector>

// The points the readings' line is drawn through. Past two readings per pixel column of the plot the
// line keeps each column's lowest and highest reading: the picture stays the same, and painting (a
// marker on every point) stays bounded by the plot's width instead of growing with the readings.
namespace columnextremes {

constexpr qint64 PointsPerColumn = 2;

// Reading k is drawn in the middle of its category, [k, k + 1).
constexpr double categoryX(qint64 row)
{
    return double(row) + 0.5;
}

// The readings as (category x, value), every one of them or each column's extremes in the order
// they were taken; `columns` splits the readings evenly.
QList<QPointF> points(const QVector<double> &values, qint64 columns);

} // namespace columnextremes

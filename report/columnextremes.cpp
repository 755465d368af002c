#include "columnextremes.h"

#include <algorithm>

namespace columnextremes {

QList<QPointF> points(const QVector<double> &values, qint64 columns)
{
    const qint64 n = values.size();
    columns = std::max<qint64>(1, columns);
    QList<QPointF> at;
    if (n <= PointsPerColumn * columns) {
        at.reserve(n);
        for (qint64 k = 0; k < n; ++k)
            at.append(QPointF(categoryX(k), values.at(k)));
        return at;
    }
    at.reserve(PointsPerColumn * columns);
    for (qint64 b = 0; b < columns; ++b) {
        const qint64 first = b * n / columns;
        const qint64 last = (b + 1) * n / columns;
        if (first >= last)
            continue;
        qint64 lo = first;
        qint64 hi = first;
        for (qint64 k = first + 1; k < last; ++k) {
            if (values.at(k) < values.at(lo))
                lo = k;
            if (values.at(k) > values.at(hi))
                hi = k;
        }
        // In the order taken, so the line runs through them as it would through every reading.
        const qint64 a = std::min(lo, hi);
        const qint64 z = std::max(lo, hi);
        at.append(QPointF(categoryX(a), values.at(a)));
        if (z != a)
            at.append(QPointF(categoryX(z), values.at(z)));
    }
    return at;
}

} // namespace columnextremes

#include "axisspacing.h"

#include <algorithm>
#include <cmath>

namespace axisspacing {

int gridEvery(int divisions, double lengthPx)
{
    const int room = std::max(1, int(lengthPx / GridSpacingPx));
    return divisions <= room ? 1 : (divisions + room - 1) / room;
}

int minorTicks(int minorDivisions, double majorPx)
{
    return minorDivisions > 1 && majorPx / minorDivisions >= MinorSpacingPx ? minorDivisions - 1 : 0;
}

qint64 labelEvery(double widestLabelPx, double lengthPx, double rows)
{
    const double perRow = lengthPx / std::max(1.0, rows);
    return std::max<qint64>(1, qint64(std::ceil((widestLabelPx + LabelGapPx) / perRow)));
}

// A third of a unit reads better as one decimal than as a column of ragged ones.
QString labelFormat(double interval)
{
    for (int decimals = 0; decimals < 2; ++decimals) {
        const double scaled = interval * std::pow(10.0, decimals);
        if (std::abs(scaled - std::round(scaled)) < 1e-9 * std::max(1.0, scaled))
            return QStringLiteral("%.%1f").arg(decimals);
    }
    return QStringLiteral("%.1f");
}

} // namespace axisspacing

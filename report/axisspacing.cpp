#include "axisspacing.h"

#include <algorithm>
#include <cmath>

namespace axisspacing {

int gridEvery(int divisions, double lengthPx, double spacingPx)
{
    const int room = std::max(1, int(lengthPx / spacingPx));
    return divisions <= room ? 1 : (divisions + room - 1) / room;
}

int minorTicks(int minorDivisions, double majorPx)
{
    return minorDivisions > 1 && majorPx / minorDivisions >= MinorSpacingPx ? minorDivisions - 1 : 0;
}

qint64 labelEvery(double widestLabelPx, double lengthPx, double rows)
{
    const double perRow = lengthPx / std::max(1.0, rows);
    const qint64 spaced = std::max<qint64>(1, qint64(std::ceil((widestLabelPx + LabelGapPx) / perRow)));
    // Labels that fit whole in their even share: n labels get lengthPx / (n + 1) each.
    const qint64 whole = qint64(std::floor(lengthPx / (widestLabelPx + 2 * LabelPaddingPx))) - 1;
    if (whole < 1)
        return 0;
    const qint64 n = std::max<qint64>(1, qint64(std::ceil(rows)));
    return std::max(spaced, (n + whole - 1) / whole);
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

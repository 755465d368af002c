#pragma once

#include "pdfreport.h"

namespace pdfreport {

// The trend chart as the main window draws it, rendered through its scene so it stays vectors.
// Fits Options::trend.
void paintTrendChart(QPainter &painter, const QRectF &area, const ChartGrid &blood,
                     const ReportSnapshot &snapshot);

} // namespace pdfreport

#include "pdftrendchart.h"

#include "reportsnapshot.h"
#include "trendchart.h"

#include <QGraphicsScene>

namespace pdfreport {

namespace {
constexpr double ChartOversize = 1.3; // the chart is laid out larger than placed, for finer text
}

void paintTrendChart(QPainter &painter, const QRectF &area, const ChartGrid &blood, const ReportSnapshot &s)
{
    TrendChart chart;
    chart.setAttribute(Qt::WA_DontShowOnScreen);
    chart.resize((area.size() * ChartOversize).toSize());
    chart.show();
    // The chart lays itself out as it draws: turning the event loop here would let the link's
    // timer and the meter's bytes in halfway through a PDF.
    chart.draw(blood, int(blood.size()), s.periodCount, s.scale, s.unitText);
    chart.scene()->render(&painter, area, QRectF(QPointF(0, 0), chart.size()));
}

} // namespace pdfreport

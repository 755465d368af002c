#include "pdftrendchart.h"

#include "reportsnapshot.h"
#include "trendchart.h"

#include <QApplication>
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
    chart.draw(blood, int(blood.size()), s.periodCount, s.scale, s.unitText);
    // The chart fits its axis labels to the plot once its layout has settled.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    chart.scene()->render(&painter, area, QRectF(QPointF(0, 0), chart.size()));
}

} // namespace pdfreport

#include "trendchart.h"

// Placeholder until the chart lands.
TrendChart::TrendChart(QWidget *parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("MSChart1"));
}

void TrendChart::testButton() {}

void TrendChart::mousePressEvent(QMouseEvent *event)
{
    emit clicked();
    QChartView::mousePressEvent(event);
}

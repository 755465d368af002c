#pragma once

#include <QtCharts/QChartView>

// The trend chart: the readings and the two normal-range limits as lines.
class TrendChart : public QChartView
{
    Q_OBJECT
public:
    explicit TrendChart(QWidget *parent = nullptr);
    // The "test" button: selects the first series and shows its markers.
    void testButton();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#pragma once

#include "chartgrid.h"

#include <QSizeF>
#include <QStringList>
#include <QVector>
#include <QtCharts/QChartView>
#include <functional>

class QCategoryAxis;
class QLineSeries;
class QValueAxis;
class ReadingsLayer;
class ChartWords;

// The trend chart: the readings and the two normal-range limits as lines. The scale of the
// last drawing is kept as numbers besides the rendered axes, so it can be read back exactly.
class TrendChart : public QChartView
{
    Q_OBJECT
public:
    explicit TrendChart(QWidget *parent = nullptr);

    // Draws the chart's table: one category per row, X from 0 to the selected count with
    // periodCount divisions, Y from 0 to the scale's maximum. A scale value that is unset keeps
    // what the previous drawing had.
    void draw(const ChartGrid &grid, qint32 selectedCount, qint32 periodCount, const ChartScale &scale,
              const QString &unitText);
    // Until the first drawing: an empty chart, finished all the same, with the value axis of the
    // settings and the series named in the display unit. Does nothing once a drawing was made.
    void showEmpty(const ChartScale &scale, const QString &unitText);
    // The "test" button: selects the first series and shows its markers.
    void testButton();
    // What a screen reader is told of the report just drawn, worked out when a reader asks.
    void describeWith(std::function<QString()> words);

    // The last drawing.
    double xMinimum() const { return 0; }
    double xMaximum() const { return m_xMaximum; }
    double yMinimum() const { return 0; }
    double yMaximum() const { return m_yMaximum; }
    int xMajorDivision() const { return m_xMajorDivision; }
    int xMinorDivision() const { return 0; }
    int yMajorDivision() const { return m_yMajorDivision; }
    int yMinorDivision() const { return m_yMinorDivision; }
    int pointCount() const { return int(m_values.size()); }
    const QVector<double> &values() const { return m_values; }
    double highLimit() const { return m_high; }
    double lowLimit() const { return m_low; }
    bool markersShown() const;
    bool firstSeriesSelected() const { return m_firstSelected; }

    // What is actually painted, which stays bounded however many readings there are.
    QList<QPointF> paintedPoints() const;
    // The readings' series names them in the legend; the chart paints their line itself, as the
    // series would. Painting through the series instead is there to compare the two.
    QLineSeries *readingsSeries() const { return m_readings; }
    void paintReadingsThroughSeries(bool on);
    QLineSeries *highSeries() const { return m_highLine; }
    QLineSeries *lowSeries() const { return m_lowLine; }
    QValueAxis *valueAxis() const { return m_axisY; }
    QValueAxis *divisionAxis() const { return m_axisX; }
    QCategoryAxis *labelAxis() const { return m_labelAxis; }
    // The rows whose labels are shown on the X axis, in order.
    const QVector<int> &labelledRows() const { return m_labelledRows; }
    int drawnXDivisions() const;
    int drawnYDivisions() const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    ChartWords *m_words;
    void applyScale(const ChartScale &scale);
    void followFont();
    // Lays the chart out at once, so that it is painted once and a render straight after a
    // drawing (as the PDF's) shows it whole.
    void layOut();
    // Divisions, labels and the line's reduction for a plot of this size in pixels.
    void fitTo(const QSizeF &plotSize);
    void fitValueAxis(double plotHeight);
    void relabel(double plotWidth);
    void setReadingPoints(const QList<QPointF> &points);
    void setMarkers(bool shown);

    QLineSeries *m_readings;
    QLineSeries *m_highLine;
    QLineSeries *m_lowLine;
    QValueAxis *m_axisX;
    QValueAxis *m_axisY;
    QCategoryAxis *m_labelAxis;
    ReadingsLayer *m_layer;
    bool m_throughSeries = false;

    QStringList m_labels;
    QVector<double> m_values;
    QVector<int> m_labelledRows;
    double m_widestLabel = 0;
    double m_high = 0;
    double m_low = 0;
    double m_xMaximum = 1;
    double m_yMaximum = 100;
    int m_xMajorDivision = 1;
    int m_yMajorDivision = 5;
    int m_yMinorDivision = 0;
    bool m_firstSelected = false;
    bool m_drawn = false;
};

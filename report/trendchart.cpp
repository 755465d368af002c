#include "trendchart.h"

#include "axisspacing.h"
#include "chartcolours.h"
#include "chartwords.h"
#include "columnextremes.h"
#include "labelwidth.h"
#include "readingslayer.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QLocale>
#include <QSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

// The readings' line is meant to stand out from the two limits.
constexpr int ReadingsPenWidth = 3;
constexpr int LimitPenWidth = 2;
constexpr int FocusRingWidth = 2;
constexpr qreal MarkerSize = 7;
// The chart component stacks its grid and axes below 4 and its series at 4 (Qt 6.4): the readings
// go over the grid and the axes' lines, as a series would, and under the limit lines.
constexpr qreal ReadingsZ = 3.5;
// Used before the chart has been laid out once.
constexpr double FallbackPlotWidth = 800;
constexpr double FallbackPlotHeight = 400;

// Sets `divisions` equal divisions on [0, maximum], or every k-th of them when they would
// crowd closer than GridSpacingPx: the lines that remain sit where the divisions are.
void setDivisions(QValueAxis *axis, double maximum, int divisions, double lengthPx, double spacingPx)
{
    const int every = axisspacing::gridEvery(divisions, lengthPx, spacingPx);
    if (every == 1) {
        axis->setTickType(QValueAxis::TicksFixed);
        axis->setTickCount(divisions + 1);
        return;
    }
    // The interval before the type: the axis lays out its ticks at every change, and must never
    // do so with an interval meant for another range.
    axis->setTickAnchor(0);
    axis->setTickInterval(maximum / divisions * every);
    axis->setTickType(QValueAxis::TicksDynamic);
}

// An axis lays out a grid line and a tick for each division at every change of its range or
// ticks. A wider range with the interval of the last drawing (a week's readings, then sixty
// thousand) would lay out one per reading, and so would a narrower interval on the old range:
// a growing axis gets its divisions first, a shrinking one its range.
void setScale(QValueAxis *axis, double maximum, int divisions, double lengthPx,
              double spacingPx = axisspacing::GridSpacingPx)
{
    if (maximum > axis->max()) {
        setDivisions(axis, maximum, divisions, lengthPx, spacingPx);
        axis->setRange(0, maximum);
    } else {
        axis->setRange(0, maximum);
        setDivisions(axis, maximum, divisions, lengthPx, spacingPx);
    }
}

} // namespace

TrendChart::TrendChart(QWidget *parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("MSChart1"));
    m_words = new ChartWords(this); // before its name, which a listening reader asks for at once
    setAccessibleName(QStringLiteral("Glucose trend"));
    setRenderHint(QPainter::Antialiasing);

    QChart *c = chart();
    c->setAnimationOptions(QChart::NoAnimation);
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setMargins(QMargins(8, 8, 16, 4));
    // The lines' colours keep their contrast against this background, not the theme's.
    c->setPlotAreaBackgroundBrush(QColor(chartcolours::PlotBackground));
    c->setPlotAreaBackgroundVisible(true);

    m_readings = new QLineSeries(this);
    m_highLine = new QLineSeries(this);
    m_lowLine = new QLineSeries(this);
    m_readings->setName(tr("Glucose"));
    m_highLine->setName(tr("Normal high"));
    m_lowLine->setName(tr("Normal low"));
    c->addSeries(m_readings);
    c->addSeries(m_highLine);
    c->addSeries(m_lowLine);
    // Set after adding: the chart gives a series its theme's pen as it is added. The limits are
    // told apart by their dashes too, not by colour alone.
    m_readings->setPen(QPen(QColor(chartcolours::Readings), ReadingsPenWidth));
    m_highLine->setPen(QPen(QColor(chartcolours::NormalHigh), LimitPenWidth, Qt::DashLine));
    m_lowLine->setPen(QPen(QColor(chartcolours::NormalLow), LimitPenWidth, Qt::DashDotLine));
    m_layer = new ReadingsLayer(c);
    m_layer->setZValue(ReadingsZ);

    m_labelAxis = new QCategoryAxis(this);
    m_labelAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_labelAxis->setGridLineVisible(false);
    m_axisX = new QValueAxis(this);
    m_axisX->setLabelsVisible(false);
    m_axisX->setLineVisible(false);
    m_axisX->setMinorTickCount(0);
    // The division axis only draws grid lines, yet the chart component still makes, measures
    // and lays out a rich-text label for every division it draws, hidden or not, unless the
    // label is empty. A format that prints nothing (it ends at once) makes every label empty.
    m_axisX->setLabelFormat(QString(QChar(0)));
    m_axisY = new QValueAxis(this);
    c->addAxis(m_labelAxis, Qt::AlignBottom);
    c->addAxis(m_axisX, Qt::AlignBottom);
    c->addAxis(m_axisY, Qt::AlignLeft);
    for (QLineSeries *s : {m_readings, m_highLine, m_lowLine}) {
        s->attachAxis(m_labelAxis);
        s->attachAxis(m_axisX);
        s->attachAxis(m_axisY);
    }
    followFont();
}

void TrendChart::draw(const ChartGrid &grid, qint32 selectedCount, qint32 periodCount,
                      const ChartScale &scale, const QString &unitText)
{
    setVisible(true);
    // The old line goes first: each setting below makes the series lay out its outline again,
    // which is cheap only while it holds no points. The new points come last, once.
    setReadingPoints(QList<QPointF>());

    m_layer->setPen(m_readings->pen());
    m_readings->setName(tr("Glucose (%1)").arg(unitText));

    m_drawn = true;
    if (selectedCount > 0)
        m_xMaximum = selectedCount;
    if (periodCount > 0)
        m_xMajorDivision = periodCount;
    applyScale(scale);

    m_labels.clear();
    m_values.clear();
    m_labels.reserve(grid.size());
    m_values.reserve(grid.size());
    for (const ChartGridRow &row : grid) {
        m_labels.append(row.label);
        m_values.append(row.valueNumber);
    }
    m_high = grid.isEmpty() ? 0 : grid.first().highNumber;
    m_low = grid.isEmpty() ? 0 : grid.first().lowNumber;

    // Each series gets its points at once: appending one by one rebuilds the path every time.
    m_highLine->replace({QPointF(0, m_high), QPointF(m_xMaximum, m_high)});
    m_lowLine->replace({QPointF(0, m_low), QPointF(m_xMaximum, m_low)});
    setMarkers(true);

    m_widestLabel = widestLabel(QFontMetricsF(m_labelAxis->labelsFont()), m_labels);

    layOut();
}

void TrendChart::showEmpty(const ChartScale &scale, const QString &unitText)
{
    if (m_drawn)
        return;
    m_readings->setName(tr("Glucose (%1)").arg(unitText));
    applyScale(scale);
    layOut();
}

// A setting that does not convert keeps what the chart had for it.
void TrendChart::applyScale(const ChartScale &scale)
{
    if (scale.yMaximum)
        m_yMaximum = *scale.yMaximum;
    if (scale.yMajorDivision)
        m_yMajorDivision = *scale.yMajorDivision;
    if (scale.yMinorDivision)
        m_yMinorDivision = *scale.yMinorDivision;
}

void TrendChart::testButton()
{
    m_firstSelected = true;
    setMarkers(true);
}

bool TrendChart::markersShown() const
{
    return m_readings->pointsVisible();
}

QList<QPointF> TrendChart::paintedPoints() const
{
    return m_throughSeries ? m_readings->points() : m_layer->points();
}

void TrendChart::setReadingPoints(const QList<QPointF> &points)
{
    if (m_throughSeries)
        m_readings->replace(points);
    else
        m_layer->setPoints(points);
}

void TrendChart::setMarkers(bool shown)
{
    m_readings->setMarkerSize(MarkerSize);
    m_readings->setPointsVisible(shown);
    m_layer->setMarkers(shown, MarkerSize);
}

void TrendChart::paintReadingsThroughSeries(bool on)
{
    if (on == m_throughSeries)
        return;
    const QList<QPointF> points = paintedPoints();
    m_throughSeries = on;
    m_layer->setVisible(!on);
    m_layer->setPoints(on ? QList<QPointF>() : points);
    m_readings->replace(on ? points : QList<QPointF>());
}

void TrendChart::layOut()
{
    // Left to the event loop, the layout would come after a first paint, and every change it
    // brings would paint the chart again.
    QGraphicsLayout *layout = chart()->layout();
    // The value axis' labels take their share of the plot's width, and how many of them fit
    // depends only on its height, which nothing on the axes changes: with them in place, the plot
    // has the size that everything else is fitted to.
    layout->activate();
    fitValueAxis(chart()->plotArea().height());
    layout->activate();
    fitTo(chart()->plotArea().size());
    // The axes and the legend place their new labels at their next layout: now, not at the event
    // loop's next turn, which a render straight after a drawing would not wait for.
    layout->activate();
    if (QGraphicsLayout *legend = chart()->legend()->layout())
        legend->activate();
    m_layer->setPlot(chart()->plotArea(), m_axisX->max(), m_axisY->max());
}

void TrendChart::fitValueAxis(double plotHeight)
{
    const double height = plotHeight > 1 ? plotHeight : FallbackPlotHeight;
    // Each of its lines has a label, which the chart cuts down to "..." when it is taller than the
    // label's share of the axis: at a large font or on a low plot, fewer lines.
    const double labelRoom = QFontMetricsF(m_axisY->labelsFont()).height() + 2 * axisspacing::LabelPaddingPx;
    setScale(m_axisY, m_yMaximum, m_yMajorDivision, height - labelRoom,
             std::max(axisspacing::GridSpacingPx, labelRoom));
    m_axisY->setMinorTickCount(
        axisspacing::minorTicks(m_yMinorDivision, height / std::max(1, drawnYDivisions())));
    const double interval = m_axisY->tickType() == QValueAxis::TicksFixed ? m_yMaximum / m_yMajorDivision
                                                                          : m_axisY->tickInterval();
    m_axisY->setLabelFormat(axisspacing::labelFormat(interval));
}

// How many division lines, minor ticks, labels and points fit depends on the room the plot has.
void TrendChart::fitTo(const QSizeF &plotSize)
{
    fitValueAxis(plotSize.height());
    const double width = plotSize.width() > 1 ? plotSize.width() : FallbackPlotWidth;
    setScale(m_axisX, m_xMaximum, m_xMajorDivision, width);
    m_labelAxis->setRange(0, m_xMaximum);
    m_labelAxis->setStartValue(0);
    setReadingPoints(columnextremes::points(m_values, qint64(std::ceil(width))));
    relabel(width);
}

void TrendChart::relabel(double plotWidth)
{
    for (const QString &label : m_labelAxis->categoriesLabels())
        m_labelAxis->remove(label);
    m_labelledRows.clear();
    const qint64 n = m_labels.size();
    if (n == 0)
        return;
    const qint64 step = axisspacing::labelEvery(m_widestLabel, plotWidth, m_xMaximum);
    if (step == 0)
        return; // no room for a whole label: none rather than a cut one
    QSet<QString> used;
    const auto append = [&](qint64 k, double x) {
        // The axis tells its labels apart by text; two readings in one minute share theirs.
        QString label = m_labels.at(k);
        while (used.contains(label))
            label += QChar(0x200B);
        used.insert(label);
        m_labelAxis->append(label, x);
        m_labelledRows.append(int(k));
    };
    // A label is centred on its reading, but the axis hides one that sticks out far to the left of
    // the plot: the first reading's label starts at the plot's left edge instead, and the next
    // label shown is the first after it that keeps the gap.
    const double rowsPerPx = m_xMaximum / std::max(1.0, plotWidth);
    const double half = (m_widestLabel / 2 + axisspacing::LabelPaddingPx) * rowsPerPx;
    const double firstAt = std::max(columnextremes::categoryX(0), half);
    append(0, firstAt);
    qint64 k = step;
    while (k < n &&
           columnextremes::categoryX(k) - half < firstAt + half + axisspacing::LabelGapPx * rowsPerPx)
        k += step;
    // Nor may the last label stick out past the chart's right margin, where the view would cut it.
    const double lastAt = m_xMaximum + chart()->margins().right() * rowsPerPx - half;
    for (; k < n && columnextremes::categoryX(k) <= lastAt; k += step)
        append(k, columnextremes::categoryX(k));
}

int TrendChart::drawnXDivisions() const
{
    if (m_axisX->tickType() == QValueAxis::TicksFixed)
        return m_axisX->tickCount() - 1;
    return int(std::floor(m_xMaximum / m_axisX->tickInterval() + 1e-9));
}

int TrendChart::drawnYDivisions() const
{
    if (m_axisY->tickType() == QValueAxis::TicksFixed)
        return m_axisY->tickCount() - 1;
    return int(std::floor(m_yMaximum / m_axisY->tickInterval() + 1e-9));
}

void TrendChart::mousePressEvent(QMouseEvent *event)
{
    emit clicked();
    QChartView::mousePressEvent(event);
}

// The chart component's themes fix their own label fonts; a person's larger font must reach the
// axes and the legend as it reaches every other text.
void TrendChart::followFont()
{
    for (QAbstractAxis *axis :
         {static_cast<QAbstractAxis *>(m_labelAxis), static_cast<QAbstractAxis *>(m_axisY)})
        axis->setLabelsFont(font());
    chart()->legend()->setFont(font());
    m_widestLabel = widestLabel(QFontMetricsF(m_labelAxis->labelsFont()), m_labels);
    layOut();
}

void TrendChart::describeWith(std::function<QString()> words)
{
    m_words->setSource(std::move(words));
}

void TrendChart::changeEvent(QEvent *event)
{
    QChartView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        followFont();
}

// Tab stops on the chart, where a screen reader tells the trend in words; the eye is shown the
// stop by a ring inside the chart's edge.
void TrendChart::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    if (!hasFocus())
        return;
    painter->save();
    painter->setPen(QPen(palette().color(QPalette::Highlight), FocusRingWidth));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(mapToScene(viewport()->rect().adjusted(1, 1, -2, -2)).boundingRect());
    painter->restore();
}

void TrendChart::focusInEvent(QFocusEvent *event)
{
    QChartView::focusInEvent(event);
    viewport()->update();
}

void TrendChart::focusOutEvent(QFocusEvent *event)
{
    QChartView::focusOutEvent(event);
    viewport()->update();
}

void TrendChart::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    layOut();
}

#include "trendchart.h"

#include "readingslayer.h"

#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QLocale>
#include <QSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// The readings' line is meant to stand out from the two limits.
constexpr int ReadingsPenWidth = 3;
constexpr qreal MarkerSize = 7;
// Past two readings per pixel column of the plot the line is reduced to each column's lowest
// and highest value: the picture stays the same, and painting (a marker on every point) stays
// bounded by the plot's width instead of growing with the readings.
constexpr qint64 PointsPerColumn = 2;
// Grid lines closer than this merge into a grey wash.
constexpr double GridSpacingPx = 6;
constexpr double MinorSpacingPx = 4;
constexpr double LabelGapPx = 12;
// Up to this many labels each one is simply measured.
constexpr qsizetype MeasureEachLimit = 256;
// Labels checked against the shaper besides the widest ones, spread over the whole table.
constexpr qsizetype CheckedSpread = 32;
constexpr qsizetype CheckedWidest = 16;
// Laying the chart out can change the plot's size, which changes the divisions and labels, which
// can change the layout again; it settles in a pass or two.
constexpr int MaxLayoutPasses = 3;
// Used before the chart has been laid out once.
constexpr double FallbackPlotWidth = 800;
constexpr double FallbackPlotHeight = 400;

// Category k is drawn in the middle of its cell, [k, k + 1).
double categoryX(qint64 row)
{
    return double(row) + 0.5;
}

QList<QPointF> readingPoints(const QVector<double> &values, qint64 columns)
{
    const qint64 n = values.size();
    QList<QPointF> points;
    if (n <= PointsPerColumn * columns) {
        points.reserve(n);
        for (qint64 k = 0; k < n; ++k)
            points.append(QPointF(categoryX(k), values.at(k)));
        return points;
    }
    points.reserve(2 * columns);
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
        const qint64 a = std::min(lo, hi);
        const qint64 z = std::max(lo, hi);
        points.append(QPointF(categoryX(a), values.at(a)));
        if (z != a)
            points.append(QPointF(categoryX(z), values.at(z)));
    }
    return points;
}

double measureEach(const QFontMetricsF &metrics, const QStringList &labels)
{
    double widest = 0;
    for (const QString &label : labels)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    return widest;
}

// The widest label as the font measures it. Measuring a label shapes it afresh, which for tens
// of thousands of labels costs more than the whole rest of the report. The labels are short and
// use a handful of characters, so a label's width is taken as its characters' advances plus the
// kerning of each adjacent pair, from a table measured once for the characters present. Advances
// are whole 64ths of a pixel, so the sums are exact. The table is checked against the shaper on
// the widest labels and on a spread of others: a font that shapes these characters any other
// way is caught there, and then every label is measured after all.
double widestLabel(const QFontMetricsF &metrics, const QStringList &labels)
{
    const qsizetype n = labels.size();
    if (n <= MeasureEachLimit)
        return measureEach(metrics, labels);

    // Printable ASCII only: beyond it lie marks, surrogates and scripts that shape in context.
    constexpr char16_t First = 0x20;
    constexpr char16_t Last = 0x7e;
    std::array<int, Last + 1> slot;
    slot.fill(-1);
    QString chars;
    for (const QString &label : labels) {
        for (const QChar c : label) {
            const char16_t u = c.unicode();
            if (u < First || u > Last)
                return measureEach(metrics, labels);
            if (slot[u] < 0) {
                slot[u] = int(chars.size());
                chars.append(c);
            }
        }
    }
    const qsizetype k = chars.size();
    std::vector<double> advance(size_t(k), 0.0);
    std::vector<double> kerning(size_t(k * k), 0.0);
    for (qsizetype a = 0; a < k; ++a)
        advance[size_t(a)] = metrics.horizontalAdvance(QString(chars.at(a)));
    for (qsizetype a = 0; a < k; ++a) {
        for (qsizetype b = 0; b < k; ++b) {
            const QString pair = QString(chars.at(a)) + chars.at(b);
            kerning[size_t(a * k + b)] =
                metrics.horizontalAdvance(pair) - advance[size_t(a)] - advance[size_t(b)];
        }
    }
    auto modelled = [&](const QString &label) {
        double width = 0;
        int previous = -1;
        for (const QChar c : label) {
            const int s = slot[c.unicode()];
            width += advance[size_t(s)];
            if (previous >= 0)
                width += kerning[size_t(previous * k + s)];
            previous = s;
        }
        return width;
    };

    std::vector<double> widths(static_cast<size_t>(n));
    double widest = 0;
    for (qsizetype i = 0; i < n; ++i) {
        widths[size_t(i)] = modelled(labels.at(i));
        widest = std::max(widest, widths[size_t(i)]);
    }
    auto agrees = [&](qsizetype i) { return metrics.horizontalAdvance(labels.at(i)) == widths[size_t(i)]; };
    qsizetype checkedWidest = 0;
    for (qsizetype i = 0; i < n && checkedWidest < CheckedWidest; ++i) {
        if (widths[size_t(i)] == widest) {
            if (!agrees(i))
                return measureEach(metrics, labels);
            ++checkedWidest;
        }
    }
    for (qsizetype c = 0; c < CheckedSpread; ++c) {
        if (!agrees(c * (n - 1) / (CheckedSpread - 1)))
            return measureEach(metrics, labels);
    }
    return widest;
}

// Sets `divisions` equal divisions on [0, maximum], or every k-th of them when they would
// crowd closer than GridSpacingPx: the lines that remain sit where the divisions are.
void setDivisions(QValueAxis *axis, double maximum, int divisions, double lengthPx)
{
    const int room = std::max(1, int(lengthPx / GridSpacingPx));
    if (divisions <= room) {
        axis->setTickType(QValueAxis::TicksFixed);
        axis->setTickCount(divisions + 1);
        return;
    }
    const int every = (divisions + room - 1) / room;
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
void setScale(QValueAxis *axis, double maximum, int divisions, double lengthPx)
{
    if (maximum > axis->max()) {
        setDivisions(axis, maximum, divisions, lengthPx);
        axis->setRange(0, maximum);
    } else {
        axis->setRange(0, maximum);
        setDivisions(axis, maximum, divisions, lengthPx);
    }
}

// Just enough decimals for labels at multiples of `interval`; a third of a unit reads better
// as one decimal than as a column of ragged ones.
QString labelFormat(double interval)
{
    for (int decimals = 0; decimals < 2; ++decimals) {
        const double scaled = interval * std::pow(10.0, decimals);
        if (std::abs(scaled - std::round(scaled)) < 1e-9 * std::max(1.0, scaled))
            return QStringLiteral("%.%1f").arg(decimals);
    }
    return QStringLiteral("%.1f");
}

} // namespace

TrendChart::TrendChart(QWidget *parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("MSChart1"));
    setRenderHint(QPainter::Antialiasing);

    QChart *c = chart();
    c->setAnimationOptions(QChart::NoAnimation);
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setMargins(QMargins(8, 8, 16, 4));

    m_readings = new QLineSeries(this);
    m_highLine = new QLineSeries(this);
    m_lowLine = new QLineSeries(this);
    m_readings->setName(tr("Glucose"));
    m_highLine->setName(tr("Normal high"));
    m_lowLine->setName(tr("Normal low"));
    // The series' item appears when the series is added; the readings' layer goes inside it, so
    // that the limit lines are still painted over the readings.
    const QList<QGraphicsItem *> before = c->childItems();
    c->addSeries(m_readings);
    QList<QGraphicsItem *> added = c->childItems();
    added.removeIf([&](QGraphicsItem *item) { return before.contains(item); });
    if (added.size() == 1)
        m_layer = new ReadingsLayer(added.first());
    m_throughSeries = !m_layer;
    c->addSeries(m_highLine);
    c->addSeries(m_lowLine);

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
    applyAxes();

    // Labels are thinned to the room the plot has, which is known only once it is laid out.
    connect(c, &QChart::plotAreaChanged, this, &TrendChart::onPlotAreaChanged, Qt::QueuedConnection);
    // The line must move with the plot at once, as the series' own item does.
    connect(c, &QChart::plotAreaChanged, this, &TrendChart::updateLayerPlot);
}

void TrendChart::draw(const ChartGrid &grid, qint32 selectedCount, qint32 periodCount,
                      const ChartScale &scale, const QString &unitText)
{
    setVisible(true);
    // The old line goes first: each setting below makes the series lay out its outline again,
    // which is cheap only while it holds no points. The new points come last, once.
    setReadingPoints(QList<QPointF>());

    QPen pen = m_readings->pen();
    pen.setWidth(ReadingsPenWidth);
    pen.setStyle(Qt::SolidLine);
    m_readings->setPen(pen);
    if (m_layer)
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

    m_laidOutFor = QSizeF(plotWidth(), plotHeight());
    applyAxes();
    m_columns = plotColumns();
    setReadingPoints(readingPoints(m_values, m_columns));
    m_labelledWidth = -1;
    relabel();
    layOutNow();
}

void TrendChart::showEmpty(const ChartScale &scale, const QString &unitText)
{
    if (m_drawn)
        return;
    m_readings->setName(tr("Glucose (%1)").arg(unitText));
    applyScale(scale);
    applyAxes();
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
    if (m_layer)
        m_layer->setMarkers(shown, MarkerSize);
}

void TrendChart::paintReadingsThroughSeries(bool on)
{
    if (!m_layer || on == m_throughSeries)
        return;
    const QList<QPointF> points = paintedPoints();
    m_throughSeries = on;
    m_layer->setVisible(!on);
    m_layer->setPoints(on ? QList<QPointF>() : points);
    m_readings->replace(on ? points : QList<QPointF>());
}

void TrendChart::updateLayerPlot()
{
    if (m_layer)
        m_layer->setPlot(chart()->plotArea(), m_axisX->min(), m_axisX->max(), m_axisY->min(), m_axisY->max());
}

void TrendChart::applyAxes()
{
    setScale(m_axisX, m_xMaximum, m_xMajorDivision, plotWidth());
    m_labelAxis->setRange(0, m_xMaximum);
    m_labelAxis->setStartValue(0);
    setScale(m_axisY, m_yMaximum, m_yMajorDivision, plotHeight());
    const double majorPx = plotHeight() / std::max(1, drawnYDivisions());
    const bool roomForMinor = m_yMinorDivision > 1 && majorPx / m_yMinorDivision >= MinorSpacingPx;
    m_axisY->setMinorTickCount(roomForMinor ? m_yMinorDivision - 1 : 0);
    const double interval = m_axisY->tickType() == QValueAxis::TicksFixed ? m_yMaximum / m_yMajorDivision
                                                                          : m_axisY->tickInterval();
    m_axisY->setLabelFormat(labelFormat(interval));
    updateLayerPlot();
}

void TrendChart::layOutNow()
{
    // Left to the event loop, the layout would come after a first paint, and every change it
    // brings would paint the chart again.
    QGraphicsLayout *layout = chart()->layout();
    if (!layout)
        return;
    for (int pass = 0; pass < MaxLayoutPasses; ++pass) {
        layout->activate();
        if (!refit())
            break;
    }
}

void TrendChart::onPlotAreaChanged()
{
    refit();
}

bool TrendChart::refit()
{
    // How many division lines and labels fit depends on the room the plot has.
    const QSizeF size(plotWidth(), plotHeight());
    if (std::abs(size.width() - m_laidOutFor.width()) < 1 &&
        std::abs(size.height() - m_laidOutFor.height()) < 1)
        return false;
    m_laidOutFor = size;
    // The reduction follows the pixel columns; a line that is drawn whole either way stays.
    const qint64 columns = plotColumns();
    if (columns != m_columns) {
        const bool reduced = m_values.size() > PointsPerColumn * std::min(columns, m_columns);
        m_columns = columns;
        if (reduced)
            setReadingPoints(readingPoints(m_values, m_columns));
    }
    applyAxes();
    relabel();
    return true;
}

void TrendChart::relabel()
{
    const double width = plotWidth();
    if (std::abs(width - m_labelledWidth) < 1)
        return;
    m_labelledWidth = width;

    for (const QString &label : m_labelAxis->categoriesLabels())
        m_labelAxis->remove(label);
    m_labelledRows.clear();
    const qint64 n = m_labels.size();
    if (n == 0)
        return;
    const double perRow = width / std::max(1.0, m_xMaximum);
    const qint64 step = std::max<qint64>(1, qint64(std::ceil((m_widestLabel + LabelGapPx) / perRow)));
    QSet<QString> used;
    for (qint64 k = 0; k < n; k += step) {
        // The axis tells its labels apart by text; two readings in one minute share theirs.
        QString label = m_labels.at(k);
        while (used.contains(label))
            label += QChar(0x200B);
        used.insert(label);
        m_labelAxis->append(label, categoryX(k));
        m_labelledRows.append(int(k));
    }
}

double TrendChart::plotWidth() const
{
    const double w = chart()->plotArea().width();
    return w > 1 ? w : FallbackPlotWidth;
}

qint64 TrendChart::plotColumns() const
{
    return std::max<qint64>(1, qint64(std::ceil(plotWidth())));
}

double TrendChart::plotHeight() const
{
    const double h = chart()->plotArea().height();
    return h > 1 ? h : FallbackPlotHeight;
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

// The trend chart: the scale it draws, its series, label thinning and the bounded drawing of
// very many readings.
#include "rows.h"
#include "trendchart.h"

#include <QSignalSpy>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>
#include <cmath>

namespace {

ChartGrid makeGrid(int rows, const QString &labelEnd = QString())
{
    ChartGrid grid;
    grid.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        // A saw-tooth with one deep low and one high peak, so a reduction that loses either shows.
        double v = 100 + (i % 37);
        if (i == rows / 3)
            v = 21;
        if (i == 2 * rows / 3)
            v = 599;
        grid.push_back(ChartGridRow{
            QStringLiteral("12-5-%1 %2:%3").arg(1 + i / 96).arg(i / 4 % 24).arg(i % 60) + labelEnd,
            QString::number(v), QStringLiteral("110"), QStringLiteral("80")});
    }
    return grid;
}

ChartScale fullScale(double yMax = 600, int major = 6, int minor = 2)
{
    ChartScale s;
    s.yMaximum = yMax;
    s.yMajorDivision = major;
    s.yMinorDivision = minor;
    return s;
}

QString withoutJoiners(QString label)
{
    label.remove(QChar(0x200B));
    return label;
}

std::pair<double, double> extremes(const QList<QPointF> &points)
{
    double lowest = 1e9, highest = -1e9;
    for (const QPointF &p : points) {
        lowest = std::min(lowest, p.y());
        highest = std::max(highest, p.y());
    }
    return {lowest, highest};
}

} // namespace

class tst_TrendChart : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void scale_data();
    void scale();
    void unsetScaleKeepsThePreviousOne();
    void series_data();
    void series();
    void labelsDoNotOverlap_data();
    void labelsDoNotOverlap();
    void thinningUsesTheWidestLabel_data();
    void thinningUsesTheWidestLabel();
    void sameMinuteLabelsAreAllShown();
    void manyReadingsStayBounded_data();
    void manyReadingsStayBounded();
    void reductionFollowsThePlotWidth();
    void gridStaysBoundedBetweenDrawings();
    void testButtonShowsMarkersAndKeepsData();
    void clickIsReported();

private:
    void draw(const ChartGrid &grid, int selected, int period, const ChartScale &scale = fullScale(),
              const QString &unit = QStringLiteral("mg/dl"))
    {
        m_chart->draw(grid, selected, period, scale, unit);
    }

    TrendChart *m_chart = nullptr;
};

void tst_TrendChart::init()
{
    m_chart = new TrendChart;
    m_chart->resize(900, 480);
    m_chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_chart));
}

void tst_TrendChart::cleanup()
{
    delete m_chart;
    m_chart = nullptr;
}

void tst_TrendChart::scale_data()
{
    // minorTicks: lines between two major ones
    columns<int, int, double, int, int, int>("selected", "period", "yMax", "major", "minor", "minorTicks");
    row("5 of 9 readings, mg/dl", 5, 9, 600.0, 6, 2, 1);
    row("mmol/l", 5, 9, 33.0, 6, 2, 1);
    row("all of the period", 12, 12, 400.0, 4, 5, 4);
    row("no minor divisions", 1, 1, 600.0, 6, 0, 0);
    row("one minor division is none", 3, 3, 600.0, 6, 1, 0);
}

void tst_TrendChart::scale()
{
    const auto [selected, period, yMax, major, minor, minorTicks] =
        cells<int, int, double, int, int, int>("selected", "period", "yMax", "major", "minor", "minorTicks");

    draw(makeGrid(selected), selected, period, fullScale(yMax, major, minor));
    QCoreApplication::processEvents();

    QCOMPARE(m_chart->xMinimum(), 0.0);
    QCOMPARE(m_chart->xMaximum(), double(selected));
    QCOMPARE(m_chart->xMajorDivision(), period);
    QCOMPARE(m_chart->xMinorDivision(), 0);
    QCOMPARE(m_chart->yMinimum(), 0.0);
    QCOMPARE(m_chart->yMaximum(), yMax);
    QCOMPARE(m_chart->yMajorDivision(), major);
    QCOMPARE(m_chart->yMinorDivision(), minor);

    // What is painted.
    QCOMPARE(m_chart->divisionAxis()->min(), 0.0);
    QCOMPARE(m_chart->divisionAxis()->max(), double(selected));
    QCOMPARE(m_chart->labelAxis()->min(), 0.0);
    QCOMPARE(m_chart->labelAxis()->max(), double(selected));
    QCOMPARE(m_chart->drawnXDivisions(), period);
    QCOMPARE(m_chart->valueAxis()->min(), 0.0);
    QCOMPARE(m_chart->valueAxis()->max(), yMax);
    QCOMPARE(m_chart->drawnYDivisions(), major);
    QCOMPARE(m_chart->valueAxis()->minorTickCount(), minorTicks);
    QVERIFY(m_chart->isVisible());
}

void tst_TrendChart::unsetScaleKeepsThePreviousOne()
{
    draw(makeGrid(4), 4, 9);
    draw(makeGrid(3), 3, 5, ChartScale{});
    QCOMPARE(m_chart->xMaximum(), 3.0);
    QCOMPARE(m_chart->xMajorDivision(), 5);
    QCOMPARE(m_chart->yMaximum(), 600.0);
    QCOMPARE(m_chart->yMajorDivision(), 6);
    QCOMPARE(m_chart->yMinorDivision(), 2);
    QCOMPARE(m_chart->valueAxis()->max(), 600.0);
    QCOMPARE(m_chart->drawnYDivisions(), 6);

    ChartScale onlyMax;
    onlyMax.yMaximum = 33;
    draw(makeGrid(3), 3, 5, onlyMax, QStringLiteral("mmol/l"));
    QCOMPARE(m_chart->valueAxis()->max(), 33.0);
    QCOMPARE(m_chart->drawnYDivisions(), 6);
}

void tst_TrendChart::series_data()
{
    columns<QStringList, QString, QString>("values", "high", "low");
    row("mg/dl", QStringList{"100", "101", "102"}, "110", "80");
    row("mmol/l", QStringList{"5.6", "5.6", "5.7", "13.9"}, "6", "4");
    row("one reading", QStringList{"123"}, "110", "80");
    row("limits unread", QStringList{"90", "95"}, "0", "0");
}

void tst_TrendChart::series()
{
    const auto [values, high, low] = cells<QStringList, QString, QString>("values", "high", "low");

    ChartGrid grid;
    for (const QString &v : values)
        grid.push_back(ChartGridRow{QStringLiteral("12-5-6 9:5"), v, high, low});
    draw(grid, int(grid.size()), int(grid.size()));

    const QList<QPointF> points = m_chart->readingsSeries()->points();
    QCOMPARE(points.size(), values.size());
    for (int i = 0; i < values.size(); ++i) {
        QCOMPARE(points[i].x(), i + 0.5); // in the middle of its category
        QCOMPARE(points[i].y(), values[i].toDouble());
    }
    QCOMPARE(m_chart->pointCount(), values.size());
    for (auto [series, limit] :
         {std::pair{m_chart->highSeries(), high}, std::pair{m_chart->lowSeries(), low}}) {
        const QList<QPointF> line = series->points();
        QCOMPARE(line.size(), 2);
        QCOMPARE(line.first(), QPointF(0, limit.toDouble()));
        QCOMPARE(line.last(), QPointF(values.size(), limit.toDouble()));
    }
    QVERIFY(m_chart->readingsSeries()->pointsVisible());
    QVERIFY(m_chart->readingsSeries()->pen().width() > m_chart->highSeries()->pen().width());
    QCOMPARE(m_chart->readingsSeries()->pen().style(), Qt::SolidLine);
}

void tst_TrendChart::labelsDoNotOverlap_data()
{
    columns<int, int, bool>("rows", "width", "everyRow");
    row("a few, wide", 5, 900, true);
    row("a week, wide", 28, 1400, false);
    row("a week, narrow", 28, 500, false);
    row("a year", 1460, 900, false);
}

void tst_TrendChart::labelsDoNotOverlap()
{
    const auto [rows, width, everyRow] = cells<int, int, bool>("rows", "width", "everyRow");

    m_chart->resize(width, 480);
    const ChartGrid grid = makeGrid(rows);
    draw(grid, rows, rows);
    QTRY_VERIFY(!m_chart->labelledRows().isEmpty());
    QCoreApplication::processEvents();

    const QVector<int> labelled = m_chart->labelledRows();
    const QStringList shown = m_chart->labelAxis()->categoriesLabels();
    QCOMPARE(shown.size(), labelled.size());
    if (everyRow)
        QCOMPARE(labelled.size(), rows);
    else
        QVERIFY(labelled.size() < rows);
    QCOMPARE(labelled.first(), 0);

    const QFontMetricsF metrics(m_chart->labelAxis()->labelsFont());
    QLineSeries *series = m_chart->readingsSeries();
    for (int i = 0; i < labelled.size(); ++i) {
        QCOMPARE(withoutJoiners(shown[i]), grid[labelled[i]].label);
        QCOMPARE(m_chart->labelAxis()->endValue(shown[i]), labelled[i] + 0.5);
        if (i == 0)
            continue;
        const double left = m_chart->chart()->mapToPosition(QPointF(labelled[i - 1] + 0.5, 0), series).x();
        const double right = m_chart->chart()->mapToPosition(QPointF(labelled[i] + 0.5, 0), series).x();
        const double needed = (metrics.horizontalAdvance(grid[labelled[i - 1]].label) +
                               metrics.horizontalAdvance(grid[labelled[i]].label)) /
                              2;
        QVERIFY2(right - left >= needed,
                 qPrintable(QStringLiteral("labels %1 and %2 overlap").arg(i - 1).arg(i)));
    }
}

void tst_TrendChart::thinningUsesTheWidestLabel_data()
{
    // widestAt: a row whose label is made far wider; -1: none
    columns<int, QString, int>("rows", "labelEnd", "widestAt");
    row("a few", 40, QString(), -1);
    row("a year", 1460, QString(), -1);
    row("a year, one wide label", 1460, QString(), 777);
    row("a year, one wide label last", 1460, QString(), 1459);
    row("accented", 1460, QStringLiteral("\u00e9"), -1);
    row("combining mark", 1460, QStringLiteral("e\u0301"), 300);
    row("ten years", 14600, QString(), 9000);
}

// The labels are spaced by the widest of them as the font measures it, plus a 12 px gap: however
// the widths are found, the spacing is the one measuring every label gives.
void tst_TrendChart::thinningUsesTheWidestLabel()
{
    const auto [rows, labelEnd, widestAt] = cells<int, QString, int>("rows", "labelEnd", "widestAt");

    m_chart->resize(900, 480);
    ChartGrid grid = makeGrid(rows, labelEnd);
    if (widestAt >= 0)
        grid[widestAt].label += QStringLiteral(" WWW");
    draw(grid, rows, rows);
    QTRY_VERIFY(!m_chart->labelledRows().isEmpty());
    QCoreApplication::processEvents();

    const QFontMetricsF metrics(m_chart->labelAxis()->labelsFont());
    double widest = 0;
    for (const ChartGridRow &row : grid)
        widest = std::max(widest, metrics.horizontalAdvance(row.label));
    const double perRow = m_chart->chart()->plotArea().width() / rows;
    const int step = std::max(1, int(std::ceil((widest + 12) / perRow)));
    const QVector<int> labelled = m_chart->labelledRows();
    QCOMPARE(labelled.first(), 0);
    for (int i = 1; i < labelled.size(); ++i)
        QCOMPARE(labelled[i] - labelled[i - 1], step);
    QCOMPARE(labelled.size(), (rows + step - 1) / step);
}

void tst_TrendChart::sameMinuteLabelsAreAllShown()
{
    ChartGrid grid;
    for (const char *v : {"100", "104", "180"})
        grid.push_back(ChartGridRow{QStringLiteral("12-5-6 9:5"), QString::fromLatin1(v), "110", "80"});
    draw(grid, 3, 3);
    QCoreApplication::processEvents();
    const QStringList shown = m_chart->labelAxis()->categoriesLabels();
    QCOMPARE(shown.size(), 3);
    for (const QString &label : shown)
        QCOMPARE(withoutJoiners(label), QStringLiteral("12-5-6 9:5"));
    QCOMPARE(m_chart->readingsSeries()->count(), 3);
}

void tst_TrendChart::manyReadingsStayBounded_data()
{
    columns<int, int>("rows", "period");
    row("1000, all drawn", 1000, 1000);
    row("4000", 4000, 4000);
    row("20000 of 50000", 20000, 50000);
    row("200000", 200000, 200000);
}

void tst_TrendChart::manyReadingsStayBounded()
{
    const auto [rows, period] = cells<int, int>("rows", "period");

    draw(makeGrid(rows), rows, period);
    QCoreApplication::processEvents();

    // The scale is the true one.
    QCOMPARE(m_chart->xMaximum(), double(rows));
    QCOMPARE(m_chart->xMajorDivision(), period);
    QCOMPARE(m_chart->pointCount(), rows);
    QCOMPARE(m_chart->divisionAxis()->max(), double(rows));

    // What is painted is bounded by the width of the plot, not by the number of readings.
    const double plotWidth = m_chart->chart()->plotArea().width();
    QVERIFY(plotWidth > 100);
    QVERIFY(m_chart->drawnXDivisions() >= 1);
    QVERIFY(m_chart->drawnXDivisions() <= plotWidth / 4);
    QVERIFY(m_chart->labelledRows().size() <= plotWidth / 20);
    // At most a lowest and a highest point per pixel column; every reading while they fit.
    const int columns = int(std::ceil(plotWidth));
    const QList<QPointF> points = m_chart->readingsSeries()->points();
    if (rows <= 2 * columns)
        QCOMPARE(points.size(), rows);
    QVERIFY(points.size() <= 2 * columns);
    QVERIFY(points.size() >= std::min(rows, columns));

    // The picture keeps its extremes and runs over the whole axis.
    QCOMPARE(extremes(points), std::pair(21.0, 599.0));
    QCOMPARE(points.first().x(), 0.5);
    QVERIFY(points.last().x() >= rows - double(rows) / columns - 1); // within the last column
    for (int i = 1; i < points.size(); ++i)
        QVERIFY(points[i].x() > points[i - 1].x());
}

// A plot that grows or shrinks gets its line reduced to its new columns, keeping the extremes.
void tst_TrendChart::reductionFollowsThePlotWidth()
{
    constexpr int rows = 30000;
    m_chart->resize(1400, 480);
    draw(makeGrid(rows), rows, rows);
    QCoreApplication::processEvents();
    for (const int width : {500, 1200}) {
        const double before = m_chart->chart()->plotArea().width();
        m_chart->resize(width, 480);
        QTRY_VERIFY(m_chart->chart()->plotArea().width() != before);
        QCoreApplication::processEvents();
        const int columns = int(std::ceil(m_chart->chart()->plotArea().width()));
        const QList<QPointF> points = m_chart->readingsSeries()->points();
        QVERIFY2(points.size() <= 2 * columns && points.size() >= columns,
                 qPrintable(QStringLiteral("%1 points for %2 columns").arg(points.size()).arg(columns)));
        QCOMPARE(extremes(points), std::pair(21.0, 599.0));
        QCOMPARE(m_chart->pointCount(), rows);
    }
}

// The axis lays out a grid line per division at every change of its range or ticks. Going from
// a few readings to very many (the two redraws at the end of an upload) must never pass through
// a state with one division per reading, not even for a moment.
void tst_TrendChart::gridStaysBoundedBetweenDrawings()
{
    m_chart->resize(900, 480);
    QCoreApplication::processEvents();
    QValueAxis *axis = m_chart->divisionAxis();
    double most = 0;
    auto laidOut = [&] {
        const double span = axis->max() - axis->min();
        const double divisions = axis->tickType() == QValueAxis::TicksDynamic ? span / axis->tickInterval()
                                                                              : axis->tickCount() - 1;
        most = std::max(most, divisions);
    };
    connect(axis, &QValueAxis::rangeChanged, this, laidOut);
    connect(axis, &QValueAxis::tickTypeChanged, this, laidOut);
    connect(axis, &QValueAxis::tickIntervalChanged, this, laidOut);
    connect(axis, &QValueAxis::tickCountChanged, this, laidOut);

    for (const auto &[rows, period] : {std::pair{21, 30}, std::pair{60000, 60000}, std::pair{21, 30},
                                       std::pair{500, 60000}, std::pair{60000, 70}}) {
        draw(makeGrid(rows), rows, period);
        QCoreApplication::processEvents();
        QCOMPARE(m_chart->xMaximum(), double(rows));
    }
    QVERIFY2(most <= m_chart->chart()->plotArea().width() / 4, qPrintable(QString::number(most)));
}

void tst_TrendChart::testButtonShowsMarkersAndKeepsData()
{
    draw(makeGrid(6), 6, 9);
    const QList<QPointF> before = m_chart->readingsSeries()->points();
    m_chart->readingsSeries()->setPointsVisible(false);
    QVERIFY(!m_chart->markersShown());

    m_chart->testButton();
    QVERIFY(m_chart->markersShown());
    QVERIFY(m_chart->firstSeriesSelected());
    QCOMPARE(m_chart->readingsSeries()->points(), before);
    QCOMPARE(m_chart->xMaximum(), 6.0);
    QCOMPARE(m_chart->xMajorDivision(), 9);
    QCOMPARE(m_chart->yMaximum(), 600.0);
}

void tst_TrendChart::clickIsReported()
{
    draw(makeGrid(6), 6, 9);
    const QList<QPointF> before = m_chart->readingsSeries()->points();
    QSignalSpy clicked(m_chart, &TrendChart::clicked);
    QTest::mouseClick(m_chart->viewport(), Qt::LeftButton, {}, QPoint(200, 200));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(m_chart->readingsSeries()->points(), before);
}

QTEST_MAIN(tst_TrendChart)
#include "tst_trendchart.moc"

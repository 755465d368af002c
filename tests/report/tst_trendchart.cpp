// The trend chart as a person sees it: scale, points, limit lines, labels, and a picture that
// stays bounded however many readings it holds.
#include "rows.h"
#include "trendchart.h"

#include <QtCharts>
#include <QtTest>
#include <cmath>
#include <memory>

namespace {

// Scattered values (the first the highest of its pixel column), one deep low and one high peak,
// so a reduction that loses either shows, and long segments that markers do not cover.
ChartGrid makeGrid(int rows, int widestAt = -1)
{
    ChartGrid grid;
    for (int i = 0; i < rows; ++i) {
        const double v = i == rows / 3 ? 21 : i == 2 * rows / 3 ? 599 : i == 0 ? 460 : 60 + i * 7919 % 400;
        QString label = QStringLiteral("12-5-%1 %2:%3").arg(1 + i / 96).arg(i / 4 % 24).arg(i % 60);
        grid.push_back({i == widestAt ? label + " WWW" : label, QString::number(v), "110", "80", v, 110, 80});
    }
    return grid;
}

// The drawn line keeps the extremes, at most a lowest and a highest point per pixel column.
void checkReduced(TrendChart *chart, int rows)
{
    const int columns = int(std::ceil(chart->chart()->plotArea().width()));
    const QList<QPointF> points = chart->paintedPoints();
    QVERIFY(points.size() <= 2 * columns && points.size() >= std::min(rows, columns));
    const auto [low, high] =
        std::minmax_element(points.begin(), points.end(), [](QPointF a, QPointF b) { return a.y() < b.y(); });
    QCOMPARE(std::pair(low->y(), high->y()), std::pair(21.0, 599.0));
    QCOMPARE(points.first().x(), 0.5);
    QVERIFY(points.last().x() >= rows - double(rows) / columns - 1); // within the last column
    QCOMPARE(chart->pointCount(), rows);
}

// A pixel differs when a channel moves by more than half its range: a marker copied to whole pixels
// lands up to half a pixel from where the series draws it, which changes its edge pixels by less,
// all but a few. At most a share of the pixels that painting the readings changes may differ.
constexpr int ColourStep = 128;
constexpr double DifferingShare = 0.01;

int differing(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            n += std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                           std::abs(qBlue(p) - qBlue(q))}) > ColourStep;
        }
    return n;
}

// The chart paints the readings' line and markers itself; the picture may differ from the series'
// own by antialiasing only, so a segment or marker left out shows where readings are few.
void checkPaintedAsSeries(TrendChart *chart)
{
    // Rendered off the device's origin, as into the window of a chart that is not its own window.
    const auto grab = [chart] {
        QImage image(chart->size() + QSize(9, 31), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        chart->QWidget::render(&image, QPoint(9, 31));
        return image;
    };
    QCOMPARE(chart->readingsSeries()->count(), 0);
    const QImage own = grab();
    chart->paintReadingsThroughSeries(true);
    const QList<QPointF> points = chart->readingsSeries()->points();
    QCOMPARE(points.size(), chart->paintedPoints().size());
    const QImage series = grab();
    chart->readingsSeries()->clear();
    const int off = differing(own, series), readings = differing(series, grab());
    chart->readingsSeries()->replace(points);
    chart->paintReadingsThroughSeries(false);
    QVERIFY2(off <= DifferingShare * readings, qPrintable(QStringLiteral("%1 of %2").arg(off).arg(readings)));
}

} // namespace

class tst_TrendChart : public QObject
{
    Q_OBJECT
    std::unique_ptr<TrendChart> m_chart;
    TrendChart *chart()
    {
        if (!m_chart) {
            m_chart = std::make_unique<TrendChart>();
            m_chart->resize(900, 480);
            m_chart->show();
            (void)QTest::qWaitForWindowExposed(m_chart.get());
        }
        return m_chart.get();
    }
    // Each drawing is whole at once, as a render straight after it (into a PDF) sees it.
    void draw(const ChartGrid &grid, int period, const ChartScale &s = {600, 6, 2})
    {
        chart()->draw(grid, int(grid.size()), period, s, QStringLiteral("mg/dl"));
        const QImage atOnce = chart()->grab().toImage();
        QCoreApplication::processEvents();
        QVERIFY(chart()->grab().toImage() == atOnce);
    }
private slots:
    void cleanup() { m_chart.reset(); }
    // Scale, points in the middle of their categories, limit lines, a label for every reading. With
    // one or two readings a marker or segment left out is most of the picture.
    void drawn_data()
    {
        columns<QString, int, double, int, int, int>("values", "period", "yMax", "major", "minor",
                                                     "minorTicks");
        row("3 of 9 readings, mg/dl", "100 101 102", 9, 600.0, 6, 2, 1);
        row("all of the period", "100 120", 2, 400.0, 4, 5, 4);
        row("no minor divisions", "123", 1, 600.0, 6, 0, 0);
    }
    void drawn()
    {
        const auto [values, period, yMax, major, minor, minorTicks] =
            cells<QString, int, double, int, int, int>("values", "period", "yMax", "major", "minor",
                                                       "minorTicks");
        ChartGrid grid;
        QList<QPointF> points;
        for (const QString &v : values.split(' ')) {
            points << QPointF(grid.size() + 0.5, v.toDouble());
            grid.push_back(ChartGridRow{QStringLiteral("12-5-6 9:5"), v, "110", "80", v.toDouble(), 110, 80});
        }
        const double n = grid.size();
        draw(grid, period, ChartScale{yMax, major, minor});
        QCOMPARE(chart()->paintedPoints(), points);
        checkPaintedAsSeries(chart());
        QCOMPARE(chart()->highSeries()->points(), QList<QPointF>({{0, 110}, {n, 110}}));
        QCOMPARE(chart()->lowSeries()->points(), QList<QPointF>({{0, 80}, {n, 80}}));
        QCOMPARE(chart()->labelAxis()->categoriesLabels().size(), grid.size());
        QCOMPARE(QList<double>({chart()->divisionAxis()->min(), chart()->divisionAxis()->max(),
                                chart()->labelAxis()->min(), chart()->labelAxis()->max(),
                                chart()->valueAxis()->min(), chart()->valueAxis()->max()}),
                 QList<double>({0, n, 0, n, 0, yMax}));
        QCOMPARE(
            QList<int>({chart()->xMajorDivision(), chart()->drawnXDivisions(), chart()->drawnYDivisions(),
                        chart()->yMinorDivision(), chart()->valueAxis()->minorTickCount()}),
            QList<int>({period, period, major, minor, minorTicks}));
    }
    // Painted points bounded by the plot's width, also after a resize; labels never overlap.
    void manyReadingsStayBounded_data()
    {
        columns<int, int, int>("rows", "period", "widestAt"); // widestAt: a row with a far wider label
        row("a week", 28, 28, -1);
        row("1000, all drawn, one wide label last", 1000, 1000, 999);
        row("20000 of 50000, one wide label", 20000, 50000, 777);
    }
    void manyReadingsStayBounded()
    {
        const auto [rows, period, widestAt] = cells<int, int, int>("rows", "period", "widestAt");
        const ChartGrid grid = makeGrid(rows, widestAt);
        draw(grid, period);
        QCOMPARE(chart()->xMajorDivision(), period);
        QCOMPARE(chart()->divisionAxis()->max(), double(rows));
        const double plotWidth = chart()->chart()->plotArea().width();
        QVERIFY(chart()->drawnXDivisions() >= 1 && chart()->drawnXDivisions() <= plotWidth / 4);
        const QFontMetricsF font(chart()->labelAxis()->labelsFont());
        double widest = 0;
        for (const ChartGridRow &row : grid)
            widest = std::max(widest, font.horizontalAdvance(row.label));
        const QVector<int> at = chart()->labelledRows();
        QVERIFY(!at.isEmpty() && at.first() == 0 && at.size() <= plotWidth / 20);
        for (int i = 1; i < at.size(); ++i)
            QVERIFY((at[i] - at[i - 1]) * plotWidth / rows >= widest);
        for (const int width : {900, 500, 1400}) {
            chart()->resize(width, 480); // refitted at once
            QVERIFY(width == 900 || chart()->chart()->plotArea().width() != plotWidth);
            checkReduced(chart(), rows);
            checkPaintedAsSeries(chart());
        }
    }
    // Every label shown on the time axis is whole, the first reading's among them; fewer labels rather
    // than cut ones, at any width, also after a resize.
    void labelsWhole_data()
    {
        columns<int, int, int>("rows", "period", "width");
        row("a week of three a day", 21, 7, 900);
        row("ten readings, seven shown", 10, 10, 900);
        row("an upload's 9999 days, few readings", 7, 9999, 900);
        row("forty, narrow", 40, 40, 600);
        row("two readings, the smallest window", 2, 9999, 560);
        row("one reading", 1, 9999, 900);
        row("a year of four a day", 1460, 365, 828);
    }
    void labelsWhole()
    {
        const auto [rows, period, width] = cells<int, int, int>("rows", "period", "width");
        ChartGrid grid;
        for (int i = 0; i < rows; ++i)
            grid.push_back({QStringLiteral("26-11-%1 2%2:4%3").arg(1 + i % 28).arg(i % 4).arg(i % 10), "100",
                            "110", "80", 100, 110, 80});
        chart()->resize(width, 480);
        draw(grid, period);
        QStringList texts;
        for (QGraphicsItem *item : chart()->scene()->items())
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item); text && text->isVisible())
                texts << text->toPlainText().remove(QChar(0x200B));
        QVERIFY2(texts.filter(QRegularExpression(QString::fromUtf8("\\.\\.\\.|…"))).isEmpty(),
                 qPrintable(texts.join(" | ")));
        const QVector<int> at = chart()->labelledRows();
        QVERIFY(!at.isEmpty() && at.first() == 0);
        for (int row : at)
            QVERIFY2(texts.contains(grid[row].label), qPrintable(grid[row].label + ": " + texts.join(" | ")));
    }
    // Each line stands out from the plot's background by WCAG's 3:1 for graphics, and from the others.
    void linesStandOut()
    {
        const auto luminance = [](const QColor &c) {
            const auto linear = [](double v) {
                return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
        };
        QVERIFY(chart()->chart()->isPlotAreaBackgroundVisible());
        const double background = luminance(chart()->chart()->plotAreaBackgroundBrush().color());
        QSet<QRgb> colours;
        for (QLineSeries *s : {chart()->readingsSeries(), chart()->highSeries(), chart()->lowSeries()}) {
            const double line = luminance(s->pen().color());
            colours.insert(s->pen().color().rgb());
            QVERIFY2((std::max(line, background) + 0.05) / (std::min(line, background) + 0.05) >= 3.0,
                     qPrintable(s->name()));
        }
        QCOMPARE(colours.size(), 3);
    }
    // From few readings to very many (an upload's redraws), never a grid line per reading, even briefly.
    void gridStaysBoundedBetweenDrawings()
    {
        QValueAxis *axis = chart()->divisionAxis();
        double most = 0;
        auto laidOut = [&] {
            const double span = axis->max() - axis->min();
            most = std::max(most, axis->tickType() == QValueAxis::TicksDynamic ? span / axis->tickInterval()
                                                                               : axis->tickCount() - 1);
        };
        connect(axis, &QValueAxis::rangeChanged, this, laidOut);
        connect(axis, &QValueAxis::tickTypeChanged, this, laidOut);
        connect(axis, &QValueAxis::tickIntervalChanged, this, laidOut);
        connect(axis, &QValueAxis::tickCountChanged, this, laidOut);
        for (const auto &[rows, period] : std::initializer_list<std::pair<int, int>>{
                 {21, 30}, {60000, 60000}, {21, 30}, {500, 60000}, {60000, 70}})
            draw(makeGrid(rows), period);
        QVERIFY2(most <= chart()->chart()->plotArea().width() / 4, qPrintable(QString::number(most)));
    }
};

QTEST_MAIN(tst_TrendChart)
#include "tst_trendchart.moc"

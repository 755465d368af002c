// The report without its windows: what a run selects, charts, lists and averages; the record
// dates it reads; the statistics; and the trend chart that draws it.
#include "datetext.h"
#include "rows.h"
#include "selection.h"
#include "statistics.h"
#include "trendchart.h"

#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>
#include <cmath>
#include <memory>

namespace {

QString box(int year, int month, int day)
{
    return datetext::dateToBoxText(QDate(year, month, day));
}
const QString Tenth = box(2012, 5, 10), Third = box(2012, 5, 3), Nine = QStringLiteral("2012-5-9 8:0:00");

// "7 Day" on 10 May 2012, view ALL, the installed settings.
ReportInput week(const QString &unit = QStringLiteral("mg/dl"))
{
    return ReportInput{unit, Tenth, Third, "ALL", 0, {"20", "600", "110", "80", "6", "2"}};
}

QString line(const QString &value, const QString &dateText)
{
    return value + QLatin1Char(',') + dateText + QStringLiteral(",mg/dL,-,-");
}

QString grid(const ReportOutcome &out, QString ChartGridRow::*field = &ChartGridRow::value)
{
    QStringList texts;
    for (const ChartGridRow &row : out.grid)
        texts << row.*field;
    return texts.join(QLatin1Char('|'));
}

// A saw-tooth with one deep low and one high peak, so a reduction that loses either shows.
ChartGrid makeGrid(int rows, int widestAt = -1)
{
    ChartGrid grid;
    for (int i = 0; i < rows; ++i) {
        const double v = i == rows / 3 ? 21 : i == 2 * rows / 3 ? 599 : 100 + i % 37;
        QString label = QStringLiteral("12-5-%1 %2:%3").arg(1 + i / 96).arg(i / 4 % 24).arg(i % 60);
        grid.push_back({i == widestAt ? label + " WWW" : label, QString::number(v), "110", "80"});
    }
    return grid;
}

ChartScale fullScale(double yMax = 600, int major = 6, int minor = 2)
{
    return ChartScale{yMax, major, minor};
}

// The drawn line keeps the extremes, at most a lowest and a highest point per pixel column.
void checkReduced(TrendChart *chart, int rows)
{
    const int columns = int(std::ceil(chart->chart()->plotArea().width()));
    const QList<QPointF> points = chart->readingsSeries()->points();
    QVERIFY2(points.size() <= 2 * columns && points.size() >= std::min(rows, columns),
             qPrintable(QStringLiteral("%1 points for %2 columns").arg(points.size()).arg(columns)));
    const auto [low, high] =
        std::minmax_element(points.begin(), points.end(), [](QPointF a, QPointF b) { return a.y() < b.y(); });
    QCOMPARE(std::pair(low->y(), high->y()), std::pair(21.0, 599.0));
    QCOMPARE(points.first().x(), 0.5);
    QVERIFY(points.last().x() >= rows - double(rows) / columns - 1); // within the last column
    QCOMPARE(chart->pointCount(), rows);
}

} // namespace

class tst_Report : public QObject
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
    void draw(const ChartGrid &grid, int period, const ChartScale &s = fullScale())
    {
        chart()->draw(grid, int(grid.size()), period, s, QStringLiteral("mg/dl"));
        QCoreApplication::processEvents();
    }
private slots:
    void cleanup() { m_chart.reset(); }
    // Which readings a run charts; a morning reading first must not lend its time to the next.
    void selected_data()
    {
        columns<QString, QString, QString, int, QString, bool>("d1", "d2", "view", "timeview", "reading",
                                                               "selected");
        const QString M = "Glucose Morning Trend", N = "Glucose Noon Trend", Ni = "Glucose Night Trend";
        // clang-format off
        row("first minute of the period", Tenth, Third, "ALL", 0, "2012-5-3 0:0:00", true);
        row("last minute before it", Tenth, Third, "ALL", 0, "2012-5-2 23:59:00", false);
        row("padded date text", Tenth, Third, "ALL", 0, "2012-05-03 07:30:00", true);
        // Swapped boxes: only the distance counts, and the period ends at xt_d1.
        row("swapped: 7 days before xt_d1", Third, Tenth, "ALL", 0, "2012-4-26 9:0:00", true);
        row("swapped: 8 days before xt_d1", Third, Tenth, "ALL", 0, "2012-4-25 9:0:00", false);
        row("same dates, same day", Tenth, Tenth, "ALL", 0, "2012-5-10 0:0:00", true);
        row("same dates, day before", Tenth, Tenth, "ALL", 0, "2012-5-9 23:59:00", false);
        row("date not readable counts as the end date", Tenth, Third, "ALL", 0, "yesterday 9:0:00", true);
        row("03:59 is night", Tenth, Third, Ni, 3, "2012-5-8 3:59:00", true);
        row("04:00 is morning", Tenth, Third, M, 1, "2012-5-8 4:0:00", true);
        row("10:59 is morning", Tenth, Third, M, 1, "2012-5-8 10:59:00", true);
        row("11:00 is not morning", Tenth, Third, M, 1, "2012-5-8 11:0:00", false);
        row("11:00 is noon", Tenth, Third, N, 2, "2012-5-8 11:0:00", true);
        row("16:00 is not noon", Tenth, Third, N, 2, "2012-5-8 16:0:00", false);
        row("16:00 is night", Tenth, Third, Ni, 3, "2012-5-8 16:0:00", true);
        row("00:00 is night", Tenth, Third, Ni, 3, "2012-5-8 0:0:00", true);
        row("09:05 padded", Tenth, Third, M, 1, "2012-5-8 09:05:00", true);
        row("date only has no time of day", Tenth, Third, M, 1, "2012-5-8", false);
        row("ALL overrides the time of day", Tenth, Third, "ALL", 1, "2012-5-8", true);
        row("time without seconds", Tenth, Third, M, 1, "2012-5-8 9:5", false);
        row("all is not ALL", Tenth, Third, "all", 0, "2012-5-8 9:0:00", false);
        row("view code out of range", Tenth, Third, Ni, 7, "2012-5-8 23:0:00", false);
        // clang-format on
    }
    void selected()
    {
        const auto [d1, d2, view, timeview, reading, selected] =
            cells<QString, QString, QString, int, QString, bool>("d1", "d2", "view", "timeview", "reading",
                                                                 "selected");
        const ReportInput in{"mg/dl", d1, d2, view, qint16(timeview), week().settings};
        const StoreItems items{StoreStatus::Ok, {line("100", "2012-5-8 9:0:00"), line("200", reading)}};
        const ReportOutcome out = selection::run(in, items);
        QCOMPARE(grid(out).split('|').contains("200"), selected);
        QCOMPARE(out.list.size(), 2); // listed either way
    }
    void valuesAndAverage_data()
    {
        columns<QString, QString, QString, QString>("unit", "stored", "charted", "caption");
        const QString huge = QLocale::c().toString(1.5e308, 'f', QLocale::FloatingPointShortest);
        // clang-format off
        row("mg/dl", "mg/dl", "100 101 102", "100|101|102", "Average Value : [101.0] mg/dl");
        row("mmol/l", "mmol/l", "100 101 102", "5.6|5.6|5.7", "Average Value : [5.6] mmol/l");
        // The sum adds the rounded one-decimal values: 4.5 + 4.6 = 9.1, not 4.5 + 4.56.
        row("mmol/l sums what it shows", "mmol/l", "81 82", "4.5|4.6", "Average Value : [4.6] mmol/l");
        row("any other unit text is mg/dl", "MMOL/L", "100 103", "100|103", "Average Value : [101.5] MMOL/L");
        row("empty unit text", "", "120", "120", "Average Value : [120.0] ");
        row("leading number", "mg/dl", "123abc x 77.5", "123|0|77.5", "Average Value : [66.8] mg/dl");
        row("average rounds half away", "mg/dl", "100 101", "100|101", "Average Value : [100.5] mg/dl");
        // Each is a double, their sum is not: the average is still their mean, not "inf".
        row("sum too big for a double", "mg/dl", "1.5e308 1.5e308", huge + '|' + huge,
            "Average Value : [" + QString::number(1.5e308, 'f', 1) + "] mg/dl");
        // clang-format on
    }
    void valuesAndAverage()
    {
        const auto [unit, stored, charted, caption] =
            cells<QString, QString, QString, QString>("unit", "stored", "charted", "caption");
        QStringList lines;
        for (const QString &v : stored.split(QLatin1Char(' ')))
            lines << line(v, QStringLiteral("2012-5-9 %1:0:00").arg(8 + lines.size()));
        const ReportOutcome out = selection::run(week(unit), StoreItems{StoreStatus::Ok, lines});
        QCOMPARE(grid(out), charted);
        QCOMPARE(out.averageCaption.value_or("<none>"), caption);
    }
    // One reading as listed (mg/dl, mmol/l, date, Ctrl, TEMP) and charted (label, value).
    // clang-format off
    void oneReading_data()
    {
        columns<QString, QString, QString>("recordLine", "listed", "charted");
        row("20 is DBMin", line("20", Nine), "Low|Low|2012-5-9 8:0:00|-|-", "12-5-9 8:0|20");
        row("599", line("599", Nine), "599|33.3|2012-5-9 8:0:00|-|-", "12-5-9 8:0|599");
        row("600 is DBMax", line("600", Nine), "High|High|2012-5-9 8:0:00|-|-", "12-5-9 8:0|600");
        row("stored text kept in mg/dl", line(" 099 ", Nine), " 099 |5.5|2012-5-9 8:0:00|-|-", "12-5-9 8:0|99");
        row("not a number", line("12a", Nine), "||2012-5-9 8:0:00|-|-", "12-5-9 8:0|12");
        row("padded", "100,2012-05-09 09:05:00,mg/dL,-,-", "100|5.6|2012-05-09 09:05:00|-|-", "12-05-09 09:05|100");
        row("value only", "100", "100|5.6|||", "|100");
        row("date only", "100,2012-5-9", "100|5.6|2012-5-9||", "12-|100");
        row("empty line", "", "||||", "|0");
        row("both marks, charted", "150,2012-5-9 8:0:00,mg/dL,Ctrl,TEMP", "150|8.3|2012-5-9 8:0:00|Ctrl|TEMP",
            "12-5-9 8:0|150");
        row("extra fields ignored", "100,2012-5-9 8:0:00,mg/dL,-,TEMP,x", "100|5.6|2012-5-9 8:0:00|-|TEMP",
            "12-5-9 8:0|100");
    }
    // clang-format on
    void oneReading()
    {
        const auto [recordLine, listed, charted] =
            cells<QString, QString, QString>("recordLine", "listed", "charted");
        const StoreItems items{StoreStatus::Ok, {recordLine}};
        const ReportOutcome out = selection::run(week(), items);
        using L = ValuesListModel;
        QCOMPARE(QStringList({out.list.text(0, L::ValueColumn),
                              selection::run(week("mmol/l"), items).list.text(0, L::ValueColumn),
                              out.list.text(0, L::DateColumn), out.list.text(0, L::CtrlColumn),
                              out.list.text(0, L::TempColumn)})
                     .join('|'),
                 listed);
        QCOMPARE(grid(out, &ChartGridRow::label) + '|' + grid(out), charted);
    }
    // How a run ends on the store, the date boxes and the meter's range; no `reading`: none stored.
    void runEnds_data()
    {
        columns<StoreStatus, QString, QString, QString, QString, ReportEnd, bool>(
            "status", "reading", "d1", "dbMin", "dbMax", "end", "listRebuilt");
        const StoreStatus Ok = StoreStatus::Ok;
        const ReportEnd Failed = ReportEnd::Failed, Drawn = ReportEnd::Drawn;
        // clang-format off
        row("drawn", Ok, Nine, Tenth, "20", "600", Drawn, true);
        row("store missing", StoreStatus::Missing, "", Tenth, "20", "600", ReportEnd::StoreMissing, false);
        row("store unreadable", StoreStatus::Unreadable, "", Tenth, "20", "600", Failed, false);
        // The list empties rather than keep readings that are gone.
        row("no readings", Ok, "", Tenth, "20", "600", Failed, true);
        row("none in the period", Ok, "2011-1-1 8:0:00", Tenth, "20", "600", ReportEnd::NothingSelected, true);
        row("DBMin words", Ok, Nine, Tenth, "low", "600", Failed, false);
        row("DBMax beyond 16 bits", Ok, Nine, Tenth, "20", "32768", Failed, false);
        row("DBMax at the 16-bit edge", Ok, Nine, Tenth, "20", "32767", Drawn, true);
        row("DBMax with a half rounds", Ok, Nine, Tenth, "20", "600.5", Drawn, true);
        row("range checked before the store", StoreStatus::Missing, "", Tenth, "20", "", Failed, false);
        row("end box not a date", Ok, Nine, "xt_d1", "20", "600", Failed, true);
        row("impossible date", Ok, Nine, "2012-2-30", "20", "600", Failed, true);
        row("end box 2000 characters", Ok, Nine, QString(2000, u'2'), "20", "600", Failed, true);
        // clang-format on
    }
    void runEnds()
    {
        const auto [status, reading, d1, dbMin, dbMax, end, listRebuilt] =
            cells<StoreStatus, QString, QString, QString, QString, ReportEnd, bool>(
                "status", "reading", "d1", "dbMin", "dbMax", "end", "listRebuilt");
        ReportInput in = week();
        in.endDateText = d1;
        in.settings.DBMin = dbMin;
        in.settings.DBMax = dbMax;
        const QStringList lines = reading.isEmpty() ? QStringList() : QStringList{line("100", reading)};
        const ReportOutcome out = selection::run(in, StoreItems{status, lines});
        QCOMPARE(out.end, end);
        QCOMPARE(out.listRebuilt, listRebuilt);
        if (listRebuilt)
            QCOMPARE(out.list.size(), lines.size());
        QCOMPARE(bool(out.averageCaption), end == ReportEnd::Drawn);
    }
    void storeNotInUploadOrder()
    {
        // Newest first, an old reading in between: every selected one is charted, in store order.
        const QStringList lines{line("150", "2012-5-10 8:0:00"), line("60", "2012-3-1 8:0:00"),
                                line("120", "2012-5-8 8:0:00"), line("90", "2012-5-9 8:0:00")};
        const ReportOutcome out = selection::run(week(), StoreItems{StoreStatus::Ok, lines});
        QCOMPARE(out.periodCount, 3);
        QCOMPARE(grid(out), QStringLiteral("150|120|90"));
        QCOMPARE(grid(out, &ChartGridRow::label), QStringLiteral("12-5-10 8:0|12-5-8 8:0|12-5-9 8:0"));
        QCOMPARE(grid(out, &ChartGridRow::high) + '|' + grid(out, &ChartGridRow::low),
                 "110|110|110|80|80|80");
        QCOMPARE(*out.averageCaption, QStringLiteral("Average Value : [120.0] mg/dl"));
    }
    // settings: DBMax MajorDivision MinorDivision NormalHigh NormalLow; scale: the chart's
    // yMaximum yMajorDivision yMinorDivision ("-": unset) and the limits in the unit.
    void settings_data()
    {
        columns<bool, QString, QString>("mmol", "settings", "scale");
        // clang-format off
        row("mg/dl 600", false, "600 6 2 110 80", "600 6 2 110 80");
        row("mmol/l 600 -> 33", true, "600 6 2 110 80", "33 6 2 6 4");
        row("mmol/l 9 -> 1, half away", true, "9 6 2 120 99", "1 6 2 7 6");
        row("mmol/l limit 81, half to even", true, "600 6 2 180 81", "33 6 2 10 4");
        row("mg/dl decimals", false, "450.5 6.5 2.5 110.5 80.5", "450.5 6 2 110 80");
        row("DBMax words", false, "max 6 2 110 -80", "- 6 2 110 -80");
        row("DBMax negative", false, "-600 6 2 110 80", "- 6 2 110 80");
        row("unreadable", true, "600 six two high low", "33 - - 0 0");
        row("no major divisions", false, "600 0 0 110 80", "600 - 0 110 80");
        row("beyond 16 bits", false, "600 40000 -2 40000 80", "600 - - 0 80");
        // clang-format on
    }
    void settings()
    {
        const auto [mmol, settings, scale] = cells<bool, QString, QString>("mmol", "settings", "scale");
        const QStringList s = settings.split(QLatin1Char(' '));
        const ChartScale got = selection::chartScale({"20", s[0], s[3], s[4], s[1], s[2]}, mmol);
        auto text = [](auto v) { return v ? QString::number(*v) : QStringLiteral("-"); };
        QCOMPARE(QStringList({text(got.yMaximum), text(got.yMajorDivision), text(got.yMinorDivision),
                              QString::number(selection::limitInUnit(s[3], mmol)),
                              QString::number(selection::limitInUnit(s[4], mmol))})
                     .join(' '),
                 scale);
    }
    // clang-format off
    void recordDate_data()
    {
        columns<QString, QDate>("dateText", "date"); // invalid date: not a date
        row("as stored", "2012-5-6 9:5:00", QDate(2012, 5, 6));
        row("padded", "2012-05-06 09:05:00", QDate(2012, 5, 6));
        row("blanks before, tab after", "  \t2012-5-6\t9:5", QDate(2012, 5, 6));
        row("year 0 does not exist", "0-1-1", QDate());
        row("five-digit year", "12012-5-6", QDate());
        row("three-digit month", "2012-005-6", QDate());
        row("no such day", "2012-2-30", QDate());
        row("letter after the day", "2012-5-6x", QDate());
        row("no-break space after", QStringLiteral("2012-5-6\u00a09:5"), QDate());
        row("full-width digits", QStringLiteral("\uff12\uff10\uff11\uff12-5-6"), QDate());
    }
    // clang-format on
    void recordDate()
    {
        const auto [dateText, date] = cells<QString, QDate>("dateText", "date");
        QCOMPARE(datetext::recordDate(dateText).value_or(QDate()), date);
    }
    // The figures a clinician reads, against tables worked out by hand: "key=value" for a
    // figure, "key:label" for its label, "tod=window|count|mean|in range" for the time of day.
    void statistics_data()
    {
        const QStringList week = {"95,2026-5-1 7:30:00,mg/dL,-,-",    "140,2026-5-1 12:15:00,mg/dL,-,-",
                                  "88,2026-5-2 7:45:00,mg/dL,-,TEMP", "180,2026-5-3 19:0:00,mg/dL,-,-",
                                  "65,2026-5-4 6:50:00,mg/dL,-,-",    "120,2026-5-6 8:0:00,mg/dL,Ctrl,-",
                                  "110,2026-5-5 13:0:00,mg/dL,-,-",   "102,2026-5-7 22:10:00,mg/dL,-,-"};
        // `count` readings of 154 mg/dL from 2026-4-1, the last one `span` days later.
        auto series = [](int count, int span) {
            QStringList lines;
            for (int i = 0; i < count; ++i)
                lines << line("154",
                              QDate(2026, 4, 1).addDays(span * i / (count - 1)).toString("yyyy-M-d 8:0:00"));
            return lines;
        };
        const QString dash = QStringLiteral("\u2013");
        columns<QStringList, bool, QStringList>("lines", "mmol", "expected");
        // clang-format off
        row("typical week, mg/dL", week, false, QStringList{
            "counted=7", "control=1", "temperature=1", "lowhigh=0 / 0", "perday=1.0", "mean=111 mg/dL",
            "median=102 mg/dL", "sd=38 mg/dL", "cv=33.9 %", "lowest=65 mg/dL", "highest=180 mg/dL",
            "below=1 (14 %)", "within=4 (57 %)", "above=2 (29 %)", "under70=1 (14 %)", "under54=0 (0 %)",
            "a1c=not enough readings", "mean:Mean of blood readings", "under70:Below 70 mg/dL",
            "within:Within range (80 to 110 mg/dL)", "tod=Morning (04:00-11:00)|3|83 mg/dL|67 %",
            "tod=Noon (11:00-16:00)|2|125 mg/dL|50 %", "tod=Night (16:00-04:00)|2|141 mg/dL|50 %"});
        row("typical week, mmol/L: same counts", week, true, QStringList{
            "counted=7", "mean=6.2 mmol/L", "median=5.7 mmol/L", "sd=2.1 mmol/L", "cv=33.9 %",
            "lowest=3.6 mmol/L", "highest=10.0 mmol/L", "within=4 (57 %)", "under70:Below 3.9 mmol/L",
            "under54:Below 3.0 mmol/L", "within:Within range (4.4 to 6.1 mmol/L)",
            "tod=Morning (04:00-11:00)|3|4.6 mmol/L|67 %"});
        row("no readings", QStringList{}, false, QStringList{
            "counted=0", "none=", "perday=" + dash, "mean=" + dash, "sd=" + dash, "below=" + dash,
            "tod=Noon (11:00-16:00)|0|" + dash + "|" + dash});
        row("one reading", QStringList{line("120", Nine)}, false, QStringList{
            "counted=1", "median=120 mg/dL", "sd=" + dash, "cv=" + dash, "above=1 (100 %)"});
        row("even count: median between the middle two", QStringList{line("100", Nine), line("111", Nine)},
            false, QStringList{"median=106 mg/dL"});
        row("only control tests", QStringList{"110,2026-5-1 9:0:00,mg/dL,Ctrl,-"}, false, QStringList{
            "counted=0", "none=", "control=1", "mean=" + dash});
        row("Low and High count with their stored value", QStringList{
            line("15", Nine), line("20", Nine), line("600", Nine), line("650", Nine), line("100", Nine)},
            false, QStringList{"counted=5", "lowhigh=2 / 2", "mean=277 mg/dL", "under54=2 (40 %)"});
        row("A1c: 30 readings, 14 days", series(30, 14), false, QStringList{"a1c=7.0 % (53 mmol/mol)", "perday=2.0"});
        row("A1c: 29 readings, 14 days", series(29, 14), false, QStringList{"a1c=not enough readings"});
        row("A1c: mmol/L", series(31, 15), true, QStringList{"a1c=7.0 % (53 mmol/mol)", "mean=8.6 mmol/L"});
        // clang-format on
    }
    void statistics()
    {
        const auto [lines, mmol, expected] =
            cells<QStringList, bool, QStringList>("lines", "mmol", "expected");
        QVector<statistics::Reading> readings;
        for (const QString &l : lines)
            readings.push_back(statistics::reading(l));
        const statistics::Limits limits{80, 110, 20, 600};
        const statistics::Figures f = statistics::compute(readings, readings, limits);
        QStringList shown;
        for (const statistics::Line &l : statistics::lines(f, limits, mmol))
            shown << l.key + QLatin1Char('=') + l.value << l.key + QLatin1Char(':') + l.label;
        for (const auto &r : statistics::timeOfDayRows(f, mmol))
            shown << QStringLiteral("tod=") + QStringList{r[0], r[1], r[2], r[3]}.join(QLatin1Char('|'));
        for (const QString &e : expected)
            QVERIFY2(shown.contains(e), qPrintable(e + QStringLiteral(" not in:\n") + shown.join('\n')));
    }
    // Scale, points in the middle of their categories, limit lines, a label for every reading.
    void drawn_data()
    {
        columns<QString, int, double, int, int, int>("values", "period", "yMax", "major", "minor",
                                                     "minorTicks");
        row("3 of 9 readings, mg/dl", "100 101 102", 9, 600.0, 6, 2, 1);
        row("mmol/l", "5.6 5.6 5.7 13.9", 9, 33.0, 6, 2, 1);
        row("all of the period", "100 120", 2, 400.0, 4, 5, 4);
        row("no minor divisions", "123", 1, 600.0, 6, 0, 0);
        row("one minor division is none", "90 95 100", 3, 600.0, 6, 1, 0);
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
            grid.push_back(ChartGridRow{QStringLiteral("12-5-6 9:5"), v, "110", "80"});
        }
        const double n = grid.size();
        draw(grid, period, fullScale(yMax, major, minor));
        QCOMPARE(chart()->readingsSeries()->points(), points);
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
        // A scale left unset by the settings keeps the one drawn before.
        draw(makeGrid(3), 5, ChartScale{33, {}, {}});
        QCOMPARE(QList<double>({chart()->valueAxis()->max(), double(chart()->drawnYDivisions())}),
                 QList<double>({33, double(major)}));
    }
    // Labels are spaced by the widest of them as the font measures it, plus a 12 px gap.
    void labelsDoNotOverlap_data()
    {
        columns<int, int, int>("rows", "width", "widestAt"); // widestAt: a row whose label is far wider
        row("a few, wide", 5, 900, -1);
        row("a week, narrow", 28, 500, -1);
        row("a year", 1460, 900, -1);
        row("a year, one wide label", 1460, 900, 777);
        row("a year, one wide label last", 1460, 900, 1459);
        row("ten years", 14600, 900, 9000);
    }
    void labelsDoNotOverlap()
    {
        const auto [rows, width, widestAt] = cells<int, int, int>("rows", "width", "widestAt");
        chart()->resize(width, 480);
        const ChartGrid grid = makeGrid(rows, widestAt);
        draw(grid, rows);
        QTRY_VERIFY(!chart()->labelledRows().isEmpty());
        QCoreApplication::processEvents();

        const QFontMetricsF metrics(chart()->labelAxis()->labelsFont());
        double widest = 0;
        for (const ChartGridRow &row : grid)
            widest = std::max(widest, metrics.horizontalAdvance(row.label));
        const int step =
            std::max(1, int(std::ceil((widest + 12) / (chart()->chart()->plotArea().width() / rows))));
        const QVector<int> labelled = chart()->labelledRows();
        const QStringList shown = chart()->labelAxis()->categoriesLabels();
        QCOMPARE(labelled.size(), (rows + step - 1) / step);
        QCOMPARE(shown.size(), labelled.size());
        for (int i = 0; i < labelled.size(); ++i) {
            QCOMPARE(labelled[i], i * step);
            QCOMPARE(QString(shown[i]).remove(QChar(0x200B)), grid[labelled[i]].label);
            QCOMPARE(chart()->labelAxis()->endValue(shown[i]), labelled[i] + 0.5);
        }
    }
    // What is painted is bounded by the plot's width, also after a resize; the scale is the true one.
    void manyReadingsStayBounded_data()
    {
        columns<int, int>("rows", "period");
        row("1000, all drawn", 1000, 1000);
        row("20000 of 50000", 20000, 50000);
        row("200000", 200000, 200000);
    }
    void manyReadingsStayBounded()
    {
        const auto [rows, period] = cells<int, int>("rows", "period");
        draw(makeGrid(rows), period);
        QCOMPARE(chart()->xMajorDivision(), period);
        QCOMPARE(chart()->divisionAxis()->max(), double(rows));
        const double plotWidth = chart()->chart()->plotArea().width();
        QVERIFY(chart()->drawnXDivisions() >= 1 && chart()->drawnXDivisions() <= plotWidth / 4);
        QVERIFY(chart()->labelledRows().size() <= plotWidth / 20);
        checkReduced(chart(), rows);
        for (const int width : {500, 1400}) {
            chart()->resize(width, 480);
            QTRY_VERIFY(chart()->chart()->plotArea().width() != plotWidth);
            QCoreApplication::processEvents();
            checkReduced(chart(), rows);
        }
    }
    // From a few readings to very many (the redraws at the end of an upload) the axis must never
    // pass through a state with a grid line per reading, not even for a moment.
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

QTEST_MAIN(tst_Report)
#include "tst_report.moc"

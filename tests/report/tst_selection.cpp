// The report's selection and statistics, without any window: what a run with given controls,
// settings and store entries lists, selects, charts and writes as its average.
#include "datetext.h"
#include "rows.h"
#include "selection.h"

#include <QtTest>

namespace {

QString box(int year, int month, int day)
{
    return datetext::dateToBoxText(QDate(year, month, day));
}

// "7 Day" on 10 May 2012, view ALL, mg/dl, the installed settings.
ReportInput weekOfTenthMay()
{
    ReportInput in{"mg/dl", box(2012, 5, 10), box(2012, 5, 3), "ALL", 0, {}};
    in.settings = ReportSettings{"20", "600", "110", "80", "6", "2"};
    return in;
}

StoreItems store(const QStringList &lines)
{
    return StoreItems{StoreStatus::Ok, lines};
}

QString line(const QString &value, const QString &dateText)
{
    return value + QLatin1Char(',') + dateText + QStringLiteral(",mg/dL,-,-");
}

template <typename Row> QStringList column(const QVector<Row> &rows, QString Row::*field)
{
    QStringList out;
    for (const Row &row : rows)
        out << row.*field;
    return out;
}

QStringList values(const ChartGrid &grid)
{
    return column(grid, &ChartGridRow::value);
}

// A column of the values list as it shows.
QStringList listColumn(const ReportOutcome &out, int c)
{
    QStringList texts;
    for (int r = 0; r < out.list.size(); ++r)
        texts << out.list.text(r, c);
    return texts;
}

} // namespace

class tst_Selection : public QObject
{
    Q_OBJECT
private slots:
    void periodBoundaries_data();
    void periodBoundaries();
    void timeOfDay_data();
    void timeOfDay();
    void valuesAndAverage_data();
    void valuesAndAverage();
    void chartLabels_data();
    void chartLabels();
    void limits_data();
    void limits();
    void listValueMarks_data();
    void listValueMarks();
    void shortRecordLines_data();
    void shortRecordLines();
    void unreadableDbLimits_data();
    void unreadableDbLimits();
    void storeStates_data();
    void storeStates();
    void dateBoxesNotDates_data();
    void dateBoxesNotDates();
    void storeNotInUploadOrder();
    void chartScale_data();
    void chartScale();
};

void tst_Selection::periodBoundaries_data()
{
    columns<QString, QString, QString, bool>("d1", "d2", "reading", "selected");
    const QString tenth = box(2012, 5, 10), third = box(2012, 5, 3), ninth = box(2012, 5, 9);

    row("first minute of the period", tenth, third, "2012-5-3 0:0:00", true);
    row("last minute before it", tenth, third, "2012-5-2 23:59:00", false);
    row("end date, late", tenth, third, "2012-5-10 23:59:00", true);
    row("after the end date", tenth, third, "2012-5-12 8:0:00", true);
    row("padded date text", tenth, third, "2012-05-03 07:30:00", true);
    // Swapped boxes: only the distance counts, and the period ends at xt_d1.
    row("swapped: 7 days before xt_d1", third, tenth, "2012-4-26 9:0:00", true);
    row("swapped: 8 days before xt_d1", third, tenth, "2012-4-25 9:0:00", false);
    row("swapped: on xt_d2", third, tenth, "2012-5-10 9:0:00", true);
    row("one-day period, yesterday", tenth, ninth, "2012-5-9 0:0:00", true);
    row("one-day period, two days back", tenth, ninth, "2012-5-8 23:59:00", false);
    row("same dates, same day", tenth, tenth, "2012-5-10 0:0:00", true);
    row("same dates, day before", tenth, tenth, "2012-5-9 23:59:00", false);
    row("date not readable counts as the end date", tenth, third, "yesterday 9:0:00", true);
}

void tst_Selection::periodBoundaries()
{
    const auto [d1, d2, reading, selected] =
        cells<QString, QString, QString, bool>("d1", "d2", "reading", "selected");

    ReportInput in = weekOfTenthMay();
    in.endDateText = d1;
    in.startDateText = d2;
    const ReportOutcome out = selection::run(in, store({line("100", reading)}));
    QCOMPARE(out.periodCount, selected ? 1 : 0);
    QCOMPARE(out.selectedCount, selected ? 1 : 0);
    QCOMPARE(out.end, selected ? ReportEnd::Drawn : ReportEnd::NothingSelected);
    QCOMPARE(out.grid.size(), selected ? 1 : 0);
    QCOMPARE(out.list.size(), 1); // listed either way
}

void tst_Selection::timeOfDay_data()
{
    // window: the one view code that selects it; 0: none does
    columns<QString, int>("dateText", "window");

    row("04:00", "2012-5-8 4:0:00", 1);
    row("10:59", "2012-5-8 10:59:00", 1);
    row("11:00", "2012-5-8 11:0:00", 2);
    row("15:59", "2012-5-8 15:59:00", 2);
    row("16:00", "2012-5-8 16:0:00", 3);
    row("23:59", "2012-5-8 23:59:00", 3);
    row("00:00", "2012-5-8 0:0:00", 3);
    row("03:59", "2012-5-8 3:59:00", 3);
    row("09:05 padded", "2012-5-8 09:05:00", 1);
    row("9:5 unpadded", "2012-5-8 9:5:00", 1);
    row("16:45", "2012-5-8 16:45:00", 3);
    row("date only", "2012-5-8", 0);
    row("blank, no time", "2012-5-8 ", 0);
    row("time without seconds", "2012-5-8 9:5", 0);
    row("time is words", "2012-5-8 morning", 0);
}

void tst_Selection::timeOfDay()
{
    const auto [dateText, window] = cells<QString, int>("dateText", "window");

    // A morning reading before it must not lend its time to one without a time part.
    const StoreItems items = store({line("100", "2012-5-8 9:0:00"), line("200", dateText)});
    auto run = [&](const char *viewText, int timeview) {
        ReportInput in = weekOfTenthMay();
        in.viewText = viewText;
        in.timeview = qint16(timeview);
        return selection::run(in, items);
    };
    auto charted = [](const ReportOutcome &out) { return values(out.grid).contains("200"); };
    const ReportOutcome morning = run("Glucose Morning Trend", 1);
    QCOMPARE(morning.periodCount, 2);
    QCOMPARE(charted(morning), window == 1);
    QCOMPARE(charted(run("Glucose Noon Trend", 2)), window == 2);
    QCOMPARE(charted(run("Glucose Night Trend", 3)), window == 3);
    for (int timeview : {0, 1, 3, 9})
        QVERIFY2(charted(run("ALL", timeview)), "ALL overrides the time of day");
    QVERIFY(!charted(run("all", 0)));
    QVERIFY(!charted(run("", 0)));
    QVERIFY(!charted(run("Glucose Night Trend", 7)));
}

void tst_Selection::valuesAndAverage_data()
{
    columns<QString, QStringList, QStringList, QString>("unit", "stored", "column", "caption");
    auto row = [](const char *name, const char *unit, const QStringList &stored, const QStringList &column,
                  const QString &caption) {
        QTest::newRow(name) << QString(unit) << stored << column << caption;
    };
    const QStringList hundreds{"100", "101", "102"};

    row("mg/dl", "mg/dl", hundreds, hundreds, "Average Value : [101.0] mg/dl");
    row("mmol/l", "mmol/l", hundreds, {"5.6", "5.6", "5.7"}, "Average Value : [5.6] mmol/l");
    row("mmol/l examples", "mmol/l", {"123", "90"}, {"6.8", "5.0"}, "Average Value : [5.9] mmol/l");
    // The sum adds the rounded one-decimal values: 4.5 + 4.6 = 9.1, not 4.5 + 4.56.
    row("mmol/l sums what it shows", "mmol/l", {"81", "82"}, {"4.5", "4.6"}, "Average Value : [4.6] mmol/l");
    row("any other unit text is mg/dl", "MMOL/L", {"100", "103"}, {"100", "103"},
        "Average Value : [101.5] MMOL/L");
    row("empty unit text", "", {"120"}, {"120"}, "Average Value : [120.0] ");
    row("leading number of the value text", "mg/dl", {" 123abc", "x", "77.5"}, {"123", "0", "77.5"},
        "Average Value : [66.8] mg/dl");
    row("average rounds half away", "mg/dl", {"100", "101"}, {"100", "101"}, "Average Value : [100.5] mg/dl");
    row("a half of a tenth rounds away", "mg/dl", {"100", "100.1"}, {"100", "100.1"},
        "Average Value : [100.1] mg/dl");
    row("a value too big for a double is 0", "mg/dl", {"1e999", "50"}, {"0", "50"},
        "Average Value : [25.0] mg/dl");
    // Each is a double, their sum is not: the average is still their mean, not "inf".
    const QString huge = QLocale::c().toString(1.5e308, 'f', QLocale::FloatingPointShortest);
    row("values whose sum is too big for a double", "mg/dl", {"1.5e308", "1.5e308"}, {huge, huge},
        "Average Value : [" + QString::number(1.5e308, 'f', 1) + "] mg/dl");
}

void tst_Selection::valuesAndAverage()
{
    const auto [unit, stored, column, caption] =
        cells<QString, QStringList, QStringList, QString>("unit", "stored", "column", "caption");

    QStringList lines;
    for (int i = 0; i < stored.size(); ++i)
        lines << line(stored[i], QStringLiteral("2012-5-9 %1:0:00").arg(8 + i));
    ReportInput in = weekOfTenthMay();
    in.unitText = unit;
    const ReportOutcome out = selection::run(in, store(lines));
    QCOMPARE(values(out.grid), column);
    QCOMPARE(out.averageCaption.value_or("<none>"), caption);
    QCOMPARE(out.selectedCount, int(stored.size()));
}

void tst_Selection::chartLabels_data()
{
    columns<QString, QString>("dateText", "label");

    row("unpadded", "2012-5-6 9:5:00", "12-5-6 9:5");
    row("padded", "2012-05-06 09:05:00", "12-05-06 09:05");
    row("date only", "2012-5-6", "12-");
    row("too short for a label", "12-1", QString());
    row("empty", QString(), QString());
}

void tst_Selection::chartLabels()
{
    const auto [dateText, label] = cells<QString, QString>("dateText", "label");

    ReportInput in = weekOfTenthMay();
    in.endDateText = in.startDateText = box(2012, 5, 6);
    const ReportOutcome out = selection::run(in, store({line("100", dateText)}));
    QCOMPARE(column(out.grid, &ChartGridRow::label), QStringList{label});
}

void tst_Selection::limits_data()
{
    columns<QString, QString, QString, QString, QString>("unit", "normalHigh", "normalLow", "high", "low");

    row("mg/dl as read", "mg/dl", "110", "80", "110", "80");
    row("mmol/l 110 80", "mmol/l", "110", "80", "6", "4");
    row("mmol/l 180 81, half to even down", "mmol/l", "180", "81", "10", "4");
    row("mmol/l 99, half to even up", "mmol/l", "120", "99", "7", "6");
    row("missing limit is 0", "mg/dl", "", "80", "0", "80");
    row("unreadable limit is 0", "mmol/l", "110", "low", "6", "0");
    row("limit beyond 16 bits is 0", "mg/dl", "40000", "80", "0", "80");
    row("negative limit as read", "mg/dl", "110", "-80", "110", "-80");
    row("2000 characters is 0", "mg/dl", QString(2000, u'9'), QString(2000, u'x'), "0", "0");
    row("decimal limit, halves to even", "mg/dl", "110.5", "80.5", "110", "80");
}

void tst_Selection::limits()
{
    const auto [unit, normalHigh, normalLow, high, low] =
        cells<QString, QString, QString, QString, QString>("unit", "normalHigh", "normalLow", "high", "low");

    ReportInput in = weekOfTenthMay();
    in.unitText = unit;
    in.settings.NormalHigh = normalHigh;
    in.settings.NormalLow = normalLow;
    const ReportOutcome out =
        selection::run(in, store({line("100", "2012-5-9 8:0:00"), line("100", "2012-5-9 9:0:00")}));
    QCOMPARE(column(out.grid, &ChartGridRow::high), QStringList({high, high}));
    QCOMPARE(column(out.grid, &ChartGridRow::low), QStringList({low, low}));
}

void tst_Selection::listValueMarks_data()
{
    columns<QString, QString, QString>("stored", "mgText", "mmolText");

    row("19", "19", "Low", "Low");
    row("20 is DBMin", "20", "Low", "Low");
    row("21", "21", "21", "1.2");
    row("599", "599", "599", "33.3");
    row("600 is DBMax", "600", "High", "High");
    row("700", "700", "High", "High");
    row("stored text kept in mg/dl", " 099 ", " 099 ", "5.5");
    row("not a number", "12a", "", "");
    row("empty", "", "", "");
}

void tst_Selection::listValueMarks()
{
    const auto [stored, mgText, mmolText] = cells<QString, QString, QString>("stored", "mgText", "mmolText");

    ReportInput in = weekOfTenthMay();
    const StoreItems items = store({line(stored, "2012-5-9 8:0:00")});
    QCOMPARE(listColumn(selection::run(in, items), ValuesListModel::ValueColumn), QStringList{mgText});
    in.unitText = QStringLiteral("mmol/l");
    QCOMPARE(listColumn(selection::run(in, items), ValuesListModel::ValueColumn), QStringList{mmolText});
}

void tst_Selection::shortRecordLines_data()
{
    columns<QString, QStringList, QString>("recordLine", "dateCtrlTemp", "chartValue");
    auto row = [](const char *name, const char *recordLine, const QStringList &dateCtrlTemp,
                  const char *value) {
        QTest::newRow(name) << QString(recordLine) << dateCtrlTemp << QString(value);
    };

    row("value only", "100", {"", "", ""}, "100");
    row("value and date", "100,2012-5-9 8:0:00", {"2012-5-9 8:0:00", "", ""}, "100");
    row("no temperature mark", "100,2012-5-9 8:0:00,mg/dL,Ctrl", {"2012-5-9 8:0:00", "Ctrl", ""}, "100");
    row("empty line", "", {"", "", ""}, "0");
    row("both marks, still charted", "150,2012-5-9 8:0:00,mg/dL,Ctrl,TEMP",
        {"2012-5-9 8:0:00", "Ctrl", "TEMP"}, "150");
    row("extra fields ignored", "100,2012-5-9 8:0:00,mg/dL,-,TEMP,extra", {"2012-5-9 8:0:00", "-", "TEMP"},
        "100");
}

void tst_Selection::shortRecordLines()
{
    const auto [recordLine, dateCtrlTemp, chartValue] =
        cells<QString, QStringList, QString>("recordLine", "dateCtrlTemp", "chartValue");

    const ReportOutcome out = selection::run(weekOfTenthMay(), store({recordLine}));
    QCOMPARE(out.list.size(), 1);
    QCOMPARE(QStringList({out.list.text(0, ValuesListModel::DateColumn),
                          out.list.text(0, ValuesListModel::CtrlColumn),
                          out.list.text(0, ValuesListModel::TempColumn)}),
             dateCtrlTemp);
    // Listed, and still charted: with no readable date it counts as lying on the end date.
    QCOMPARE(values(out.grid), QStringList{chartValue});
}

void tst_Selection::unreadableDbLimits_data()
{
    columns<QString, QString, bool>("dbMin", "dbMax", "fails");

    row("installed", "20", "600", false);
    row("DBMin missing", "", "600", true);
    row("DBMax missing", "20", "", true);
    row("DBMin words", "low", "600", true);
    row("DBMax beyond 16 bits", "20", "32768", true);
    row("DBMin below 16 bits", "-32769", "600", true);
    row("DBMax at the 16-bit edge", "20", "32767", false);
    row("DBMax with a half rounds", "20", "600.5", false);
    row("DBMax with a unit", "20", "600mg", true);
    row("both negative", "-600", "-20", false);
    row("DBMax infinite", "20", "1e999", true);
    row("DBMin 2000 characters", QString(2000, u'2'), "600", true);
    row("DBMax 2000 letters", "20", QString(2000, u'x'), true);
}

void tst_Selection::unreadableDbLimits()
{
    const auto [dbMin, dbMax, fails] = cells<QString, QString, bool>("dbMin", "dbMax", "fails");

    ReportInput in = weekOfTenthMay();
    in.settings.DBMin = dbMin;
    in.settings.DBMax = dbMax;
    // Checked before the store: even a missing store takes the error path then.
    for (const StoreItems &items : {store({line("100", "2012-5-9 8:0:00")}), StoreItems{}}) {
        const ReportOutcome out = selection::run(in, items);
        if (fails) {
            QCOMPARE(out.end, ReportEnd::Failed);
            QVERIFY(!out.listRebuilt);
            QVERIFY(!out.averageCaption);
        } else {
            QCOMPARE(out.end, items.status == StoreStatus::Ok ? ReportEnd::Drawn : ReportEnd::StoreMissing);
        }
    }
}

void tst_Selection::storeStates_data()
{
    columns<StoreStatus, QStringList, ReportEnd, bool>("status", "lines", "end", "listRebuilt");

    row("missing", StoreStatus::Missing, QStringList{}, ReportEnd::StoreMissing, false);
    row("unreadable", StoreStatus::Unreadable, QStringList{}, ReportEnd::Failed, false);
    // The list empties rather than keep readings that are gone.
    row("no readings", StoreStatus::Ok, QStringList{}, ReportEnd::Failed, true);
    row("none in the period", StoreStatus::Ok, QStringList{line("100", "2011-1-1 8:0:00")},
        ReportEnd::NothingSelected, true);
    row("one in the period", StoreStatus::Ok, QStringList{line("100", "2012-5-9 8:0:00")}, ReportEnd::Drawn,
        true);
}

void tst_Selection::storeStates()
{
    const auto [status, lines, end, listRebuilt] =
        cells<StoreStatus, QStringList, ReportEnd, bool>("status", "lines", "end", "listRebuilt");

    const ReportOutcome out = selection::run(weekOfTenthMay(), StoreItems{status, lines});
    QCOMPARE(out.end, end);
    QCOMPARE(out.listRebuilt, listRebuilt);
    QCOMPARE(out.list.size(), lines.size());
    QCOMPARE(bool(out.averageCaption), end == ReportEnd::Drawn);
}

void tst_Selection::dateBoxesNotDates_data()
{
    columns<QString, QString>("d1", "d2");

    row("end box", "xt_d1", box(2012, 5, 3));
    row("start box", box(2012, 5, 10), "soon");
    row("both empty", "", "");
    row("impossible date", "2012-2-30", box(2012, 5, 3));
    row("year beyond 9999", "99999-1-1", box(2012, 5, 3));
    row("a number", box(2012, 5, 10), "20120503");
    row("2000 characters", QString(2000, u'9'), QString(2000, u'-'));
}

void tst_Selection::dateBoxesNotDates()
{
    const auto [d1, d2] = cells<QString, QString>("d1", "d2");

    ReportInput in = weekOfTenthMay();
    in.endDateText = d1;
    in.startDateText = d2;
    const ReportOutcome out =
        selection::run(in, store({line("100", "2012-5-9 8:0:00"), line("130", "2012-5-9 9:0")}));
    QCOMPARE(out.end, ReportEnd::Failed);
    QVERIFY(out.listRebuilt);
    QCOMPARE(listColumn(out, ValuesListModel::ValueColumn), QStringList({"100", "130"}));
    QCOMPARE(out.selectedCount, 0);
    QVERIFY(!out.averageCaption);
}

void tst_Selection::storeNotInUploadOrder()
{
    // Newest first, with an old reading in between: every selected one is charted, in store order.
    const QStringList lines{line("150", "2012-5-10 8:0:00"), line("60", "2012-3-1 8:0:00"),
                            line("120", "2012-5-8 8:0:00"), line("90", "2012-5-9 8:0:00"),
                            line("70", "2012-2-1 8:0:00")};
    const ReportOutcome out = selection::run(weekOfTenthMay(), store(lines));
    QCOMPARE(out.periodCount, 3);
    QCOMPARE(out.selectedCount, 3);
    QCOMPARE(values(out.grid), QStringList({"150", "120", "90"}));
    QCOMPARE(column(out.grid, &ChartGridRow::label),
             QStringList({"12-5-10 8:0", "12-5-8 8:0", "12-5-9 8:0"}));
    QCOMPARE(out.averageCaption.value_or("<none>"), QStringLiteral("Average Value : [120.0] mg/dl"));
}

void tst_Selection::chartScale_data()
{
    // settings: DBMax, MajorDivision, MinorDivision
    // scale: yMaximum, yMajorDivision, yMinorDivision; -1: unset
    columns<bool, QStringList, QVector<double>>("mmol", "settings", "scale");
    auto row = [](const char *name, bool mmol, const QStringList &settings, const QVector<double> &scale) {
        QTest::newRow(name) << mmol << settings << scale;
    };
    const QString long9(2000, u'9'), long6(2000, u'6'), longX(2000, u'x');

    row("mg/dl 600", false, {"600", "6", "2"}, {600, 6, 2});
    row("mmol/l 600 -> 33", true, {"600", "6", "2"}, {33, 6, 2});
    row("mmol/l 400 -> 22", true, {"400", "6", "2"}, {22, 6, 2});
    row("mmol/l 9 -> 1, half away", true, {"9", "6", "2"}, {1, 6, 2});
    row("mg/dl decimal kept", false, {"450.5", "6", "2"}, {450.5, 6, 2});
    row("DBMax words", false, {"max", "6", "2"}, {-1, 6, 2});
    row("DBMax 0", false, {"0", "6", "2"}, {-1, 6, 2});
    row("DBMax negative", false, {"-600", "6", "2"}, {-1, 6, 2});
    row("DBMax missing", true, {"", "6", "2"}, {-1, 6, 2});
    row("DBMax infinite", false, {"1e999", "6", "2"}, {-1, 6, 2});
    row("2000 characters", false, {long9, long6, longX}, {-1, -1, -1});
    row("divisions missing", false, {"600", "", ""}, {600, -1, -1});
    row("divisions words", false, {"600", "six", "two"}, {600, -1, -1});
    row("no major divisions", false, {"600", "0", "0"}, {600, -1, 0});
    row("negative divisions", false, {"600", "-6", "-2"}, {600, -1, -1});
    row("divisions beyond 16 bits", false, {"600", "40000", "2"}, {600, -1, 2});
    row("divisions halves to even", false, {"600", "6.5", "2.5"}, {600, 6, 2});
}

void tst_Selection::chartScale()
{
    const auto [mmol, settings, scale] =
        cells<bool, QStringList, QVector<double>>("mmol", "settings", "scale");

    ReportSettings s = weekOfTenthMay().settings;
    s.DBMax = settings[0];
    s.MajorDivision = settings[1];
    s.MinorDivision = settings[2];
    const ChartScale got = selection::chartScale(s, mmol);
    QCOMPARE(QVector<double>({got.yMaximum.value_or(-1.0), double(got.yMajorDivision.value_or(-1)),
                              double(got.yMinorDivision.value_or(-1))}),
             scale);
}

QTEST_GUILESS_MAIN(tst_Selection)
#include "tst_selection.moc"

// The report's selection and statistics, without any window: what a run with given controls,
// settings and store entries lists, selects, charts and writes as its average.
#include "datetext.h"
#include "selection.h"

#include <QtTest>

namespace {

QString box(int year, int month, int day)
{
    return datetext::dateToBoxText(QDate(year, month, day));
}

ReportSettings installedSettings()
{
    ReportSettings s;
    s.DBMin = QStringLiteral("20");
    s.DBMax = QStringLiteral("600");
    s.NormalHigh = QStringLiteral("110");
    s.NormalLow = QStringLiteral("80");
    s.MajorDivision = QStringLiteral("6");
    s.MinorDivision = QStringLiteral("2");
    return s;
}

// "7 Day" on 10 May 2012, view ALL, mg/dl.
ReportInput weekOfTenthMay()
{
    ReportInput in;
    in.unitText = QStringLiteral("mg/dl");
    in.endDateText = box(2012, 5, 10);
    in.startDateText = box(2012, 5, 3);
    in.viewText = QStringLiteral("ALL");
    in.timeview = 0;
    in.settings = installedSettings();
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

QStringList labels(const ChartGrid &grid)
{
    QStringList out;
    for (const ChartGridRow &row : grid)
        out << row.label;
    return out;
}

QStringList values(const ChartGrid &grid)
{
    QStringList out;
    for (const ChartGridRow &row : grid)
        out << row.value;
    return out;
}

QStringList listColumn(const QVector<ValuesRow> &rows, QString ValuesRow::*field)
{
    QStringList out;
    for (const ValuesRow &row : rows)
        out << row.*field;
    return out;
}

} // namespace

class tst_Selection : public QObject
{
    Q_OBJECT
private slots:
    void periodBoundaries_data();
    void periodBoundaries();
    void periodCountsAllTimesOfDay();
    void timeOfDayWindows_data();
    void timeOfDayWindows();
    void timeWithoutTimePart_data();
    void timeWithoutTimePart();
    void allOverridesTimeview_data();
    void allOverridesTimeview();
    void valuesAndAverage_data();
    void valuesAndAverage();
    void chartLabels_data();
    void chartLabels();
    void limits_data();
    void limits();
    void listValueMarks_data();
    void listValueMarks();
    void listRowsInStoreOrder();
    void shortRecordLines_data();
    void shortRecordLines();
    void unreadableDbLimits_data();
    void unreadableDbLimits();
    void storeStates_data();
    void storeStates();
    void dateBoxesNotDates_data();
    void dateBoxesNotDates();
    void storeNotInUploadOrder();
    void marksAreCharted();
    void chartScale_data();
    void chartScale();
};

void tst_Selection::periodBoundaries_data()
{
    QTest::addColumn<QString>("d1");
    QTest::addColumn<QString>("d2");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<bool>("selected");

    const QString tenth = box(2012, 5, 10);
    const QString third = box(2012, 5, 3);
    QTest::newRow("first minute of the period") << tenth << third << "2012-5-3 0:0:00" << true;
    QTest::newRow("last minute before it") << tenth << third << "2012-5-2 23:59:00" << false;
    QTest::newRow("end date, late") << tenth << third << "2012-5-10 23:59:00" << true;
    QTest::newRow("after the end date") << tenth << third << "2012-5-12 8:0:00" << true;
    QTest::newRow("a year later") << tenth << third << "2013-5-12 8:0:00" << true;
    QTest::newRow("padded date text") << tenth << third << "2012-05-03 07:30:00" << true;
    // Swapped boxes: only the distance counts, and the period ends at xt_d1.
    QTest::newRow("swapped: 7 days before xt_d1") << third << tenth << "2012-4-26 9:0:00" << true;
    QTest::newRow("swapped: 8 days before xt_d1") << third << tenth << "2012-4-25 9:0:00" << false;
    QTest::newRow("swapped: on xt_d2") << third << tenth << "2012-5-10 9:0:00" << true;
    QTest::newRow("in order: 14 days before xt_d1") << tenth << third << "2012-4-26 9:0:00" << false;
    QTest::newRow("one-day period, yesterday") << tenth << box(2012, 5, 9) << "2012-5-9 0:0:00" << true;
    QTest::newRow("one-day period, two days back")
        << tenth << box(2012, 5, 9) << "2012-5-8 23:59:00" << false;
    QTest::newRow("same dates, same day") << tenth << tenth << "2012-5-10 0:0:00" << true;
    QTest::newRow("same dates, day before") << tenth << tenth << "2012-5-9 23:59:00" << false;
    QTest::newRow("date not readable counts as the end date") << tenth << third << "yesterday 9:0:00" << true;
}

void tst_Selection::periodBoundaries()
{
    QFETCH(QString, d1);
    QFETCH(QString, d2);
    QFETCH(QString, reading);
    QFETCH(bool, selected);

    ReportInput in = weekOfTenthMay();
    in.endDateText = d1;
    in.startDateText = d2;
    const ReportOutcome out = selection::run(in, store({line(QStringLiteral("100"), reading)}));

    QCOMPARE(out.periodCount, selected ? 1 : 0);
    QCOMPARE(out.selectedCount, selected ? 1 : 0);
    QCOMPARE(out.end, selected ? ReportEnd::Drawn : ReportEnd::NothingSelected);
    QCOMPARE(out.grid.size(), selected ? 1 : 0);
    QCOMPARE(out.rows.size(), 1); // listed either way
}

void tst_Selection::periodCountsAllTimesOfDay()
{
    // Nine readings in the period, five in the morning; one more before the period.
    QStringList lines{line(QStringLiteral("90"), QStringLiteral("2012-4-1 8:0:00"))};
    const QStringList times{"5:0:00", "13:0:00",  "8:0:00", "17:0:00", "9:30:00",
                            "2:0:00", "10:59:00", "4:0:00", "11:0:00"};
    for (int i = 0; i < times.size(); ++i)
        lines << line(QString::number(100 + i), QStringLiteral("2012-5-%1 %2").arg(4 + i % 6).arg(times[i]));
    ReportInput in = weekOfTenthMay();
    in.viewText = QStringLiteral("Glucose Morning Trend");
    in.timeview = 1;

    const ReportOutcome out = selection::run(in, store(lines));
    QCOMPARE(out.periodCount, 9);
    QCOMPARE(out.selectedCount, 5);
    QCOMPARE(values(out.grid), QStringList({"100", "102", "104", "106", "107"}));
    QCOMPARE(out.rows.size(), 10);
}

void tst_Selection::timeOfDayWindows_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("window"); // the one view code that selects it

    QTest::newRow("04:00") << "4:0:00" << 1;
    QTest::newRow("10:59") << "10:59:00" << 1;
    QTest::newRow("11:00") << "11:0:00" << 2;
    QTest::newRow("15:59") << "15:59:00" << 2;
    QTest::newRow("16:00") << "16:0:00" << 3;
    QTest::newRow("23:59") << "23:59:00" << 3;
    QTest::newRow("00:00") << "0:0:00" << 3;
    QTest::newRow("03:59") << "3:59:00" << 3;
    QTest::newRow("09:05 padded") << "09:05:00" << 1;
    QTest::newRow("9:5 unpadded") << "9:5:00" << 1;
    QTest::newRow("16:45") << "16:45:00" << 3;
}

void tst_Selection::timeOfDayWindows()
{
    QFETCH(QString, time);
    QFETCH(int, window);

    const QStringList views{"", "Glucose Morning Trend", "Glucose Noon Trend", "Glucose Night Trend"};
    for (int view = 1; view <= 3; ++view) {
        ReportInput in = weekOfTenthMay();
        in.viewText = views[view];
        in.timeview = qint16(view);
        const ReportOutcome out =
            selection::run(in, store({line(QStringLiteral("100"), QStringLiteral("2012-5-8 ") + time)}));
        QCOMPARE(out.periodCount, 1);
        QCOMPARE(out.selectedCount, view == window ? 1 : 0);
    }
}

void tst_Selection::timeWithoutTimePart_data()
{
    QTest::addColumn<QString>("dateText");

    QTest::newRow("date only") << "2012-5-8";
    QTest::newRow("blank, no time") << "2012-5-8 ";
    QTest::newRow("time without seconds") << "2012-5-8 9:5";
    QTest::newRow("time is words") << "2012-5-8 morning";
}

void tst_Selection::timeWithoutTimePart()
{
    QFETCH(QString, dateText);

    // A morning reading before it must not lend its time to this one.
    const QStringList lines{line(QStringLiteral("100"), QStringLiteral("2012-5-8 9:0:00")),
                            line(QStringLiteral("200"), dateText)};
    ReportInput in = weekOfTenthMay();
    in.viewText = QStringLiteral("Glucose Morning Trend");
    in.timeview = 1;
    ReportOutcome out = selection::run(in, store(lines));
    QCOMPARE(out.selectedCount, 1);
    QCOMPARE(values(out.grid), QStringList{"100"});

    in.viewText = QStringLiteral("ALL");
    out = selection::run(in, store(lines));
    QCOMPARE(out.selectedCount, 2);
}

void tst_Selection::allOverridesTimeview_data()
{
    QTest::addColumn<QString>("viewText");
    QTest::addColumn<int>("timeview");
    QTest::addColumn<int>("selected");

    // Readings at 2:00, 9:00, 13:00 and 20:00.
    QTest::newRow("ALL, timeview 0") << "ALL" << 0 << 4;
    QTest::newRow("ALL, timeview 1") << "ALL" << 1 << 4;
    QTest::newRow("ALL, timeview 3") << "ALL" << 3 << 4;
    QTest::newRow("ALL, timeview 9") << "ALL" << 9 << 4;
    QTest::newRow("morning") << "Glucose Morning Trend" << 1 << 1;
    QTest::newRow("noon") << "Glucose Noon Trend" << 2 << 1;
    QTest::newRow("night") << "Glucose Night Trend" << 3 << 2;
    QTest::newRow("lower-case all is no override") << "all" << 0 << 0;
    QTest::newRow("no view picked, timeview 0") << "" << 0 << 0;
    QTest::newRow("unknown timeview") << "Glucose Night Trend" << 7 << 0;
}

void tst_Selection::allOverridesTimeview()
{
    QFETCH(QString, viewText);
    QFETCH(int, timeview);
    QFETCH(int, selected);

    ReportInput in = weekOfTenthMay();
    in.viewText = viewText;
    in.timeview = qint16(timeview);
    const ReportOutcome out =
        selection::run(in, store({line("100", "2012-5-9 2:0:00"), line("110", "2012-5-9 9:0:00"),
                                  line("120", "2012-5-9 13:0:00"), line("130", "2012-5-9 20:0:00")}));
    QCOMPARE(out.periodCount, 4);
    QCOMPARE(out.selectedCount, selected);
    QCOMPARE(out.end, selected ? ReportEnd::Drawn : ReportEnd::NothingSelected);
}

void tst_Selection::valuesAndAverage_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("column");
    QTest::addColumn<QString>("caption");

    QTest::newRow("mg/dl") << "mg/dl" << QStringList{"100", "101", "102"} << QStringList{"100", "101", "102"}
                           << "Average Value : [101.0] mg/dl";
    QTest::newRow("mmol/l") << "mmol/l" << QStringList{"100", "101", "102"}
                            << QStringList{"5.6", "5.6", "5.7"} << "Average Value : [5.6] mmol/l";
    QTest::newRow("mmol/l examples") << "mmol/l" << QStringList{"123", "90"} << QStringList{"6.8", "5.0"}
                                     << "Average Value : [5.9] mmol/l";
    // The sum adds the rounded one-decimal values: 4.5 + 4.6 = 9.1, not 4.5 + 4.56.
    QTest::newRow("mmol/l sums what it shows")
        << "mmol/l" << QStringList{"81", "82"} << QStringList{"4.5", "4.6"} << "Average Value : [4.6] mmol/l";
    QTest::newRow("any other unit text is mg/dl")
        << "MMOL/L" << QStringList{"100", "103"} << QStringList{"100", "103"}
        << "Average Value : [101.5] MMOL/L";
    QTest::newRow("empty unit text") << "" << QStringList{"120"} << QStringList{"120"}
                                     << "Average Value : [120.0] ";
    QTest::newRow("leading number of the value text")
        << "mg/dl" << QStringList{" 123abc", "x", "77.5"} << QStringList{"123", "0", "77.5"}
        << "Average Value : [66.8] mg/dl";
    QTest::newRow("average rounds half away") << "mg/dl" << QStringList{"100", "101"}
                                              << QStringList{"100", "101"} << "Average Value : [100.5] mg/dl";
    QTest::newRow("a half of a tenth rounds away")
        << "mg/dl" << QStringList{"100", "100.1"} << QStringList{"100", "100.1"}
        << "Average Value : [100.1] mg/dl";
    QTest::newRow("a value too big for a double is 0")
        << "mg/dl" << QStringList{"1e999", "50"} << QStringList{"0", "50"} << "Average Value : [25.0] mg/dl";
    // Each is a double, their sum is not: the average is still their mean, not "inf".
    const QString huge = QLocale::c().toString(1.5e308, 'f', QLocale::FloatingPointShortest);
    QTest::newRow("values whose sum is too big for a double")
        << "mg/dl" << QStringList{"1.5e308", "1.5e308"} << QStringList{huge, huge}
        << "Average Value : [" + QString::number(1.5e308, 'f', 1) + "] mg/dl";
}

void tst_Selection::valuesAndAverage()
{
    QFETCH(QString, unit);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, column);
    QFETCH(QString, caption);

    QStringList lines;
    for (int i = 0; i < stored.size(); ++i)
        lines << line(stored[i], QStringLiteral("2012-5-9 %1:0:00").arg(8 + i));
    ReportInput in = weekOfTenthMay();
    in.unitText = unit;
    const ReportOutcome out = selection::run(in, store(lines));

    QCOMPARE(values(out.grid), column);
    QVERIFY(out.averageCaption);
    QCOMPARE(*out.averageCaption, caption);
    QCOMPARE(out.selectedCount, int(stored.size()));
}

void tst_Selection::chartLabels_data()
{
    QTest::addColumn<QString>("dateText");
    QTest::addColumn<QString>("label");

    QTest::newRow("unpadded") << "2012-5-6 9:5:00"
                              << "12-5-6 9:5";
    QTest::newRow("padded") << "2012-05-06 09:05:00"
                            << "12-05-06 09:05";
    QTest::newRow("date only") << "2012-5-6"
                               << "12-";
    QTest::newRow("too short for a label") << "12-1"
                                           << "";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_Selection::chartLabels()
{
    QFETCH(QString, dateText);
    QFETCH(QString, label);

    ReportInput in = weekOfTenthMay();
    in.endDateText = box(2012, 5, 6);
    in.startDateText = box(2012, 5, 6);
    const ReportOutcome out = selection::run(in, store({line("100", dateText)}));
    QCOMPARE(labels(out.grid), QStringList{label});
}

void tst_Selection::limits_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("normalHigh");
    QTest::addColumn<QString>("normalLow");
    QTest::addColumn<QString>("high");
    QTest::addColumn<QString>("low");

    QTest::newRow("mg/dl as read") << "mg/dl"
                                   << "110"
                                   << "80"
                                   << "110"
                                   << "80";
    QTest::newRow("mmol/l 110 80") << "mmol/l"
                                   << "110"
                                   << "80"
                                   << "6"
                                   << "4";
    QTest::newRow("mmol/l 180 81, half to even down") << "mmol/l"
                                                      << "180"
                                                      << "81"
                                                      << "10"
                                                      << "4";
    QTest::newRow("mmol/l 99, half to even up") << "mmol/l"
                                                << "120"
                                                << "99"
                                                << "7"
                                                << "6";
    QTest::newRow("missing limit is 0") << "mg/dl"
                                        << ""
                                        << "80"
                                        << "0"
                                        << "80";
    QTest::newRow("unreadable limit is 0") << "mmol/l"
                                           << "110"
                                           << "low"
                                           << "6"
                                           << "0";
    QTest::newRow("limit beyond 16 bits is 0") << "mg/dl"
                                               << "40000"
                                               << "80"
                                               << "0"
                                               << "80";
    QTest::newRow("negative limit as read") << "mg/dl"
                                            << "110"
                                            << "-80"
                                            << "110"
                                            << "-80";
    QTest::newRow("2000 characters is 0") << "mg/dl" << QString(2000, u'9') << QString(2000, u'x') << "0"
                                          << "0";
    QTest::newRow("decimal limit, halves to even") << "mg/dl"
                                                   << "110.5"
                                                   << "80.5"
                                                   << "110"
                                                   << "80";
}

void tst_Selection::limits()
{
    QFETCH(QString, unit);
    QFETCH(QString, normalHigh);
    QFETCH(QString, normalLow);
    QFETCH(QString, high);
    QFETCH(QString, low);

    ReportInput in = weekOfTenthMay();
    in.unitText = unit;
    in.settings.NormalHigh = normalHigh;
    in.settings.NormalLow = normalLow;
    const ReportOutcome out =
        selection::run(in, store({line("100", "2012-5-9 8:0:00"), line("100", "2012-5-9 9:0:00")}));
    QCOMPARE(out.grid.size(), 2);
    for (const ChartGridRow &row : out.grid) {
        QCOMPARE(row.high, high);
        QCOMPARE(row.low, low);
    }
}

void tst_Selection::listValueMarks_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("mgText");
    QTest::addColumn<QString>("mmolText");

    QTest::newRow("19") << "19"
                        << "Low"
                        << "Low";
    QTest::newRow("20 is DBMin") << "20"
                                 << "Low"
                                 << "Low";
    QTest::newRow("21") << "21"
                        << "21"
                        << "1.2";
    QTest::newRow("599") << "599"
                         << "599"
                         << "33.3";
    QTest::newRow("600 is DBMax") << "600"
                                  << "High"
                                  << "High";
    QTest::newRow("700") << "700"
                         << "High"
                         << "High";
    QTest::newRow("stored text kept in mg/dl") << " 099 "
                                               << " 099 "
                                               << "5.5";
    QTest::newRow("not a number") << "12a"
                                  << ""
                                  << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void tst_Selection::listValueMarks()
{
    QFETCH(QString, stored);
    QFETCH(QString, mgText);
    QFETCH(QString, mmolText);

    ReportInput in = weekOfTenthMay();
    const StoreItems items = store({line(stored, "2012-5-9 8:0:00")});
    QCOMPARE(selection::run(in, items).rows.value(0).value, mgText);
    in.unitText = QStringLiteral("mmol/l");
    QCOMPARE(selection::run(in, items).rows.value(0).value, mmolText);
}

void tst_Selection::listRowsInStoreOrder()
{
    const QStringList lines{"100,2012-5-6 9:5:00,mg/dL,Ctrl,-", "250,2012-5-9 12:0:00,mg/dL,-,TEMP",
                            "90,2012-5-10 7:45:00,mg/dL,-,-"};
    ReportInput in = weekOfTenthMay();
    in.unitText = QStringLiteral("mmol/l");
    in.endDateText = box(2012, 5, 10);
    in.startDateText = box(2012, 5, 9); // the first reading is outside, yet listed

    const ReportOutcome out = selection::run(in, store(lines));
    QCOMPARE(listColumn(out.rows, &ValuesRow::num), QStringList({"1", "2", "3"}));
    QCOMPARE(listColumn(out.rows, &ValuesRow::date),
             QStringList({"2012-5-6 9:5:00", "2012-5-9 12:0:00", "2012-5-10 7:45:00"}));
    QCOMPARE(listColumn(out.rows, &ValuesRow::value), QStringList({"5.6", "13.9", "5.0"}));
    QCOMPARE(listColumn(out.rows, &ValuesRow::unit), QStringList({"mmol/l", "mmol/l", "mmol/l"}));
    QCOMPARE(listColumn(out.rows, &ValuesRow::ctrl), QStringList({"Ctrl", "-", "-"}));
    QCOMPARE(listColumn(out.rows, &ValuesRow::temp), QStringList({"-", "TEMP", "-"}));
    QCOMPARE(listColumn(out.rows, &ValuesRow::recordLine), lines);
    for (int i = 0; i < out.rows.size(); ++i)
        QCOMPARE(out.rows[i].position, i);
    QCOMPARE(out.selectedCount, 2);
}

void tst_Selection::shortRecordLines_data()
{
    QTest::addColumn<QString>("recordLine");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("ctrl");
    QTest::addColumn<QString>("temp");
    QTest::addColumn<QString>("chartValue");

    QTest::newRow("value only") << "100"
                                << ""
                                << ""
                                << ""
                                << "100";
    QTest::newRow("value and date") << "100,2012-5-9 8:0:00"
                                    << "2012-5-9 8:0:00"
                                    << ""
                                    << ""
                                    << "100";
    QTest::newRow("no temperature mark") << "100,2012-5-9 8:0:00,mg/dL,Ctrl"
                                         << "2012-5-9 8:0:00"
                                         << "Ctrl"
                                         << ""
                                         << "100";
    QTest::newRow("empty line") << ""
                                << ""
                                << ""
                                << ""
                                << "0";
    QTest::newRow("extra fields ignored") << "100,2012-5-9 8:0:00,mg/dL,-,TEMP,extra"
                                          << "2012-5-9 8:0:00"
                                          << "-"
                                          << "TEMP"
                                          << "100";
}

void tst_Selection::shortRecordLines()
{
    QFETCH(QString, recordLine);
    QFETCH(QString, date);
    QFETCH(QString, ctrl);
    QFETCH(QString, temp);
    QFETCH(QString, chartValue);

    const ReportOutcome out = selection::run(weekOfTenthMay(), store({recordLine}));
    QCOMPARE(out.rows.size(), 1);
    QCOMPARE(out.rows[0].date, date);
    QCOMPARE(out.rows[0].ctrl, ctrl);
    QCOMPARE(out.rows[0].temp, temp);
    // Listed, and still charted: with no readable date it counts as lying on the end date.
    QCOMPARE(values(out.grid), QStringList{chartValue});
}

void tst_Selection::unreadableDbLimits_data()
{
    QTest::addColumn<QString>("dbMin");
    QTest::addColumn<QString>("dbMax");
    QTest::addColumn<bool>("fails");

    QTest::newRow("installed") << "20"
                               << "600" << false;
    QTest::newRow("DBMin missing") << ""
                                   << "600" << true;
    QTest::newRow("DBMax missing") << "20"
                                   << "" << true;
    QTest::newRow("DBMin words") << "low"
                                 << "600" << true;
    QTest::newRow("DBMax beyond 16 bits") << "20"
                                          << "32768" << true;
    QTest::newRow("DBMin below 16 bits") << "-32769"
                                         << "600" << true;
    QTest::newRow("DBMax at the 16-bit edge") << "20"
                                              << "32767" << false;
    QTest::newRow("DBMax with a half rounds") << "20"
                                              << "600.5" << false;
    QTest::newRow("DBMax with a unit") << "20"
                                       << "600mg" << true;
    QTest::newRow("both negative") << "-600"
                                   << "-20" << false;
    QTest::newRow("DBMax infinite") << "20"
                                    << "1e999" << true;
    QTest::newRow("DBMin 2000 characters") << QString(2000, u'2') << "600" << true;
    QTest::newRow("DBMax 2000 letters") << "20" << QString(2000, u'x') << true;
}

void tst_Selection::unreadableDbLimits()
{
    QFETCH(QString, dbMin);
    QFETCH(QString, dbMax);
    QFETCH(bool, fails);

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
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("listRebuilt");

    QTest::newRow("missing") << int(StoreStatus::Missing) << QStringList{} << int(ReportEnd::StoreMissing)
                             << false;
    QTest::newRow("unreadable") << int(StoreStatus::Unreadable) << QStringList{} << int(ReportEnd::Failed)
                                << false;
    // The list empties rather than keep readings that are gone.
    QTest::newRow("no readings") << int(StoreStatus::Ok) << QStringList{} << int(ReportEnd::Failed) << true;
    QTest::newRow("none in the period") << int(StoreStatus::Ok) << QStringList{line("100", "2011-1-1 8:0:00")}
                                        << int(ReportEnd::NothingSelected) << true;
    QTest::newRow("one in the period") << int(StoreStatus::Ok) << QStringList{line("100", "2012-5-9 8:0:00")}
                                       << int(ReportEnd::Drawn) << true;
}

void tst_Selection::storeStates()
{
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    QFETCH(int, end);
    QFETCH(bool, listRebuilt);

    const ReportOutcome out = selection::run(weekOfTenthMay(), StoreItems{StoreStatus(status), lines});
    QCOMPARE(int(out.end), end);
    QCOMPARE(out.listRebuilt, listRebuilt);
    QCOMPARE(out.rows.size(), lines.size());
    QCOMPARE(bool(out.averageCaption), end == int(ReportEnd::Drawn));
}

void tst_Selection::dateBoxesNotDates_data()
{
    QTest::addColumn<QString>("d1");
    QTest::addColumn<QString>("d2");

    QTest::newRow("end box") << "xt_d1" << box(2012, 5, 3);
    QTest::newRow("start box") << box(2012, 5, 10) << "soon";
    QTest::newRow("both empty") << ""
                                << "";
    QTest::newRow("impossible date") << "2012-2-30" << box(2012, 5, 3);
    QTest::newRow("year beyond 9999") << "99999-1-1" << box(2012, 5, 3);
    QTest::newRow("a number") << box(2012, 5, 10) << "20120503";
    QTest::newRow("2000 characters") << QString(2000, u'9') << QString(2000, u'-');
}

void tst_Selection::dateBoxesNotDates()
{
    QFETCH(QString, d1);
    QFETCH(QString, d2);

    ReportInput in = weekOfTenthMay();
    in.endDateText = d1;
    in.startDateText = d2;
    const ReportOutcome out =
        selection::run(in, store({line("100", "2012-5-9 8:0:00"), line("130", "2012-5-9 9:0:00")}));
    QCOMPARE(out.end, ReportEnd::Failed);
    QVERIFY(out.listRebuilt);
    QCOMPARE(listColumn(out.rows, &ValuesRow::value), QStringList({"100", "130"}));
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
    QCOMPARE(labels(out.grid), QStringList({"12-5-10 8:0", "12-5-8 8:0", "12-5-9 8:0"}));
    QCOMPARE(*out.averageCaption, QStringLiteral("Average Value : [120.0] mg/dl"));
}

void tst_Selection::marksAreCharted()
{
    const ReportOutcome out = selection::run(
        weekOfTenthMay(), store({"100,2012-5-9 8:0:00,mg/dL,Ctrl,-", "200,2012-5-9 9:0:00,mg/dL,-,TEMP"}));
    QCOMPARE(values(out.grid), QStringList({"100", "200"}));
    QCOMPARE(*out.averageCaption, QStringLiteral("Average Value : [150.0] mg/dl"));
}

void tst_Selection::chartScale_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("dbMax");
    QTest::addColumn<QString>("major");
    QTest::addColumn<QString>("minor");
    QTest::addColumn<double>("yMax"); // -1: unset, the chart keeps its own
    QTest::addColumn<int>("yMajor");
    QTest::addColumn<int>("yMinor");

    QTest::newRow("mg/dl 600") << "mg/dl"
                               << "600"
                               << "6"
                               << "2" << 600.0 << 6 << 2;
    QTest::newRow("mmol/l 600 -> 33") << "mmol/l"
                                      << "600"
                                      << "6"
                                      << "2" << 33.0 << 6 << 2;
    QTest::newRow("mmol/l 400 -> 22") << "mmol/l"
                                      << "400"
                                      << "6"
                                      << "2" << 22.0 << 6 << 2;
    QTest::newRow("mmol/l 9 -> 1, half away") << "mmol/l"
                                              << "9"
                                              << "6"
                                              << "2" << 1.0 << 6 << 2;
    QTest::newRow("mg/dl decimal kept") << "mg/dl"
                                        << "450.5"
                                        << "6"
                                        << "2" << 450.5 << 6 << 2;
    QTest::newRow("DBMax words") << "mg/dl"
                                 << "max"
                                 << "6"
                                 << "2" << -1.0 << 6 << 2;
    QTest::newRow("DBMax 0") << "mg/dl"
                             << "0"
                             << "6"
                             << "2" << -1.0 << 6 << 2;
    QTest::newRow("DBMax negative") << "mg/dl"
                                    << "-600"
                                    << "6"
                                    << "2" << -1.0 << 6 << 2;
    QTest::newRow("DBMax missing") << "mmol/l"
                                   << ""
                                   << "6"
                                   << "2" << -1.0 << 6 << 2;
    QTest::newRow("DBMax infinite") << "mg/dl"
                                    << "1e999"
                                    << "6"
                                    << "2" << -1.0 << 6 << 2;
    QTest::newRow("2000 characters") << "mg/dl" << QString(2000, u'9') << QString(2000, u'6')
                                     << QString(2000, u'x') << -1.0 << -1 << -1;
    QTest::newRow("divisions missing") << "mg/dl"
                                       << "600"
                                       << ""
                                       << "" << 600.0 << -1 << -1;
    QTest::newRow("divisions words") << "mg/dl"
                                     << "600"
                                     << "six"
                                     << "two" << 600.0 << -1 << -1;
    QTest::newRow("no major divisions") << "mg/dl"
                                        << "600"
                                        << "0"
                                        << "0" << 600.0 << -1 << 0;
    QTest::newRow("negative divisions") << "mg/dl"
                                        << "600"
                                        << "-6"
                                        << "-2" << 600.0 << -1 << -1;
    QTest::newRow("divisions beyond 16 bits") << "mg/dl"
                                              << "600"
                                              << "40000"
                                              << "2" << 600.0 << -1 << 2;
    QTest::newRow("divisions halves to even") << "mg/dl"
                                              << "600"
                                              << "6.5"
                                              << "2.5" << 600.0 << 6 << 2;
}

void tst_Selection::chartScale()
{
    QFETCH(QString, unit);
    QFETCH(QString, dbMax);
    QFETCH(QString, major);
    QFETCH(QString, minor);
    QFETCH(double, yMax);
    QFETCH(int, yMajor);
    QFETCH(int, yMinor);

    ReportSettings s = installedSettings();
    s.DBMax = dbMax;
    s.MajorDivision = major;
    s.MinorDivision = minor;
    const ChartScale scale = selection::chartScale(s, unit == QLatin1String("mmol/l"));
    QCOMPARE(scale.yMaximum.value_or(-1.0), yMax);
    QCOMPARE(scale.yMajorDivision.value_or(-1), yMajor);
    QCOMPARE(scale.yMinorDivision.value_or(-1), yMinor);
}

QTEST_GUILESS_MAIN(tst_Selection)
#include "tst_selection.moc"

// The report without its windows: what a run selects, charts and lists; statistics.
#include "axisspacing.h"
#include "columnextremes.h"
#include "datetext.h"
#include "reportsnapshot.h"
#include "rows.h"
#include "selection.h"
#include "statistics.h"

#include <QtTest>
#include <cmath>

namespace {

const QString Tenth = datetext::dateToBoxText(QDate(2012, 5, 10)),
              Third = datetext::dateToBoxText(QDate(2012, 5, 3)), Nine = QStringLiteral("2012-5-9 8:0:00");

// A run's input: "7 Day" on 10 May 2012, view ALL, mg/dl, the installed settings; each call
// below changes one choice.
struct Input
{
    ReportInput in;
    Input()
    {
        in.unitText = QStringLiteral("mg/dl");
        in.endDateText = Tenth;
        in.startDateText = Third;
        in.viewText = QStringLiteral("ALL");
        ReportSettings &s = in.settings;
        s.DBMin = "20", s.DBMax = "600", s.NormalHigh = "110", s.NormalLow = "80";
        s.MajorDivision = "6", s.MinorDivision = "2";
    }
    Input &unit(const QString &text) { return in.unitText = text, *this; }
    Input &dates(const QString &d1, const QString &d2)
    {
        return in.endDateText = d1, in.startDateText = d2, *this;
    }
    Input &view(const QString &text, int code)
    {
        return in.viewText = text, in.timeview = qint16(code), *this;
    }
    Input &meterRange(const QString &min, const QString &max)
    {
        return in.settings.DBMin = min, in.settings.DBMax = max, *this;
    }
    operator const ReportInput &() const { return in; }
};
Input week()
{
    return Input();
}

QString line(const QString &value, const QString &dateText)
{
    return value + QLatin1Char(',') + dateText + QStringLiteral(",mg/dL,-,-");
}

// The chart takes the numbers beside the texts; each must say what its text says.
void checkNumbers(const ReportOutcome &out)
{
    for (const ChartGridRow &r : out.grid)
        QCOMPARE(QList<double>({r.valueNumber, r.highNumber, r.lowNumber}),
                 QList<double>({QLocale::c().toDouble(r.value), QLocale::c().toDouble(r.high),
                                QLocale::c().toDouble(r.low)}));
}

QString grid(const ReportOutcome &out, QString ChartGridRow::*field = &ChartGridRow::value)
{
    QStringList texts;
    for (const ChartGridRow &row : out.grid)
        texts << row.*field;
    return texts.join(QLatin1Char('|'));
}

} // namespace

class tst_Report : public QObject
{
    Q_OBJECT
private slots:
    void selected_data()
    {
        columns<QString, QString, QString, int, QString, QString>("d1", "d2", "view", "timeview", "reading",
                                                                  "charted");
        const QString M = "Glucose Morning Trend", N = "Glucose Noon Trend", Ni = "Glucose Night Trend";
        // clang-format off
        row("first minute of the period", Tenth, Third, "ALL", 0, "2012-5-3 0:0:00", "100|200");
        row("last minute before it", Tenth, Third, "ALL", 0, "2012-5-2 23:59:00", "100");
        // Record dates: one read is outside this period; one that cannot be read counts as the end date.
        row("padded date", Tenth, Third, "ALL", 0, "2012-04-26 07:30:00", "100");
        row("blanks and tab around the date", Tenth, Third, "ALL", 0, "  \t2012-4-6\t9:0:00", "100");
        row("no such day", Tenth, Third, "ALL", 0, "2012-2-30 9:0:00", "100|200");
        row("letter after the day", Tenth, Third, "ALL", 0, "2012-4-6x 9:0:00", "100|200");
        row("full-width digits", Tenth, Third, "ALL", 0, QStringLiteral("\uff12\uff10\uff11\uff12-4-6 9:0:00"), "100|200");
        // From the earlier box to the later, whichever holds which; nothing after the later.
        row("swapped: last day of the later box", Third, Tenth, "ALL", 0, "2012-5-10 23:59:00", "100|200");
        row("swapped: the day before the earlier", Third, Tenth, "ALL", 0, "2012-5-2 23:59:00", "100");
        row("a day after the end date", Tenth, Third, "ALL", 0, "2012-5-11 0:0:00", "100");
        row("a year after the end date", Tenth, Third, "ALL", 0, "2013-5-1 8:0:00", "100");
        row("same dates, same day", Tenth, Tenth, "ALL", 0, "2012-5-10 0:0:00", "200");
        row("03:59 is night", Tenth, Third, Ni, 3, "2012-5-8 3:59:00", "200");
        row("04:00 is morning, charted after 05:00", Tenth, Third, M, 1, "2012-5-8 4:0:00", "100|200");
        row("10:59 is morning", Tenth, Third, M, 1, "2012-5-8 10:59:00", "100|200");
        row("11:00 is not morning", Tenth, Third, M, 1, "2012-5-8 11:0:00", "100");
        row("11:00 is noon", Tenth, Third, N, 2, "2012-5-8 11:0:00", "200");
        row("16:00 is not noon", Tenth, Third, N, 2, "2012-5-8 16:0:00", "");
        row("16:00 is night", Tenth, Third, Ni, 3, "2012-5-8 16:0:00", "200");
        row("date only has no time of day", Tenth, Third, M, 1, "2012-5-8", "100");
        row("ALL overrides the time of day", Tenth, Third, "ALL", 1, "2012-5-8", "100|200");
        row("all is not ALL", Tenth, Third, "all", 0, "2012-5-8 9:0:00", "");
        row("view code out of range", Tenth, Third, Ni, 7, "2012-5-8 23:0:00", "");
        // clang-format on
    }
    void selected()
    {
        const auto [d1, d2, view, timeview, reading, charted] =
            cells<QString, QString, QString, int, QString, QString>("d1", "d2", "view", "timeview", "reading",
                                                                    "charted");
        const ReportInput in = week().dates(d1, d2).view(view, timeview);
        const StoreItems items{
            StoreStatus::Ok,
            {line("100", "2012-5-8 5:0:00"), line("60", "2012-3-1 8:0:00"), line("200", reading)}};
        const ReportOutcome out = selection::run(in, items);
        QCOMPARE(grid(out), charted);
        QCOMPARE(out.list.size(), 3); // listed either way
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
        const ReportOutcome out = selection::run(week().unit(unit), StoreItems{StoreStatus::Ok, lines});
        QCOMPARE(grid(out), charted);
        checkNumbers(out);
        QCOMPARE(out.averageCaption.value_or("<none>"), caption);
        // 110 / 18 = 6.11 and 80 / 18 = 4.44: the range lines sit where the values are converted to.
        QCOMPARE(out.grid.front().high + ' ' + out.grid.front().low, unit == "mmol/l" ? "6.1 4.4" : "110 80");
    }
    // One reading as the list shows it in each unit, its date and marks, and as charted.
    void oneReading_data()
    {
        columns<QString, QString, QString, QString, QString, QString, QString, QString>(
            "recordLine", "mgdl", "mmol", "date", "ctrl", "temp", "label", "charted");
        // clang-format off
        row("20 is DBMin", line("20", Nine), "Low", "Low", Nine, "-", "-", "12-5-9 8:0", "20");
        row("599", line("599", Nine), "599", "33.3", Nine, "-", "-", "12-5-9 8:0", "599");
        row("600 is DBMax", line("600", Nine), "High", "High", Nine, "-", "-", "12-5-9 8:0", "600");
        row("stored text kept in mg/dl", line(" 099 ", Nine), " 099 ", "5.5", Nine, "-", "-", "12-5-9 8:0", "99");
        row("not a number", line("12a", Nine), "", "", Nine, "-", "-", "12-5-9 8:0", "12");
        row("padded", "100,2012-05-09 09:05:00,mg/dL,-,-", "100", "5.6", "2012-05-09 09:05:00", "-", "-", "12-05-09 09:05", "100");
        row("value only", "100", "100", "5.6", "", "", "", "", "100");
        row("date only", "100,2012-5-9", "100", "5.6", "2012-5-9", "", "", "12-", "100");
        row("empty line", "", "", "", "", "", "", "", "0");
        row("both marks, charted", "150,2012-5-9 8:0:00,mg/dL,Ctrl,TEMP", "150", "8.3", Nine, "Ctrl", "TEMP", "12-5-9 8:0", "150");
        row("extra fields ignored", "100,2012-5-9 8:0:00,mg/dL,-,TEMP,x", "100", "5.6", Nine, "-", "TEMP", "12-5-9 8:0", "100");
        // clang-format on
    }
    void oneReading()
    {
        const auto [recordLine, mgdl, mmol, date, ctrl, temp, label, charted] =
            cells<QString, QString, QString, QString, QString, QString, QString, QString>(
                "recordLine", "mgdl", "mmol", "date", "ctrl", "temp", "label", "charted");
        const StoreItems items{StoreStatus::Ok, {recordLine}};
        const ReportOutcome out = selection::run(week(), items);
        const ReportOutcome inMmol = selection::run(week().unit("mmol/l"), items);
        using L = ValuesListModel;
        QCOMPARE(out.list.text(0, L::ValueColumn), mgdl);
        QCOMPARE(inMmol.list.text(0, L::ValueColumn), mmol);
        QCOMPARE(out.list.text(0, L::DateColumn), date);
        QCOMPARE(out.list.text(0, L::CtrlColumn), ctrl);
        QCOMPARE(out.list.text(0, L::TempColumn), temp);
        QCOMPARE(grid(out, &ChartGridRow::label), label);
        QCOMPARE(grid(out), charted);
        checkNumbers(out);
    }
    // How a run ends on the store, the date boxes and the meter's range; no `reading`: none stored.
    void runEnds_data()
    {
        // caption: "kept" where the run leaves it as it was; a hidden chart leaves no number.
        columns<StoreStatus, QString, QString, QString, QString, ReportEnd, bool, QString>(
            "status", "reading", "d1", "dbMin", "dbMax", "end", "listRebuilt", "caption");
        const StoreStatus Ok = StoreStatus::Ok;
        const ReportEnd Failed = ReportEnd::Failed, Drawn = ReportEnd::Drawn;
        const QString average = "Average Value : [100.0] mg/dl", none = "Average Value : [] mg/dl";
        // clang-format off
        row("drawn", Ok, Nine, Tenth, "20", "600", Drawn, true, average);
        row("store missing", StoreStatus::Missing, "", Tenth, "20", "600", ReportEnd::StoreMissing, false, "kept");
        row("store unreadable", StoreStatus::Unreadable, "", Tenth, "20", "600", Failed, false, none);
        // The list empties rather than keep readings that are gone.
        row("no readings", Ok, "", Tenth, "20", "600", Failed, true, none);
        row("none in the period", Ok, "2011-1-1 8:0:00", Tenth, "20", "600", ReportEnd::NothingSelected, true, none);
        row("DBMin words", Ok, Nine, Tenth, "low", "600", Failed, false, none);
        row("DBMax beyond 16 bits", Ok, Nine, Tenth, "20", "32768", Failed, false, none);
        row("DBMax at the 16-bit edge", Ok, Nine, Tenth, "20", "32767", Drawn, true, average);
        row("range checked before the store", StoreStatus::Missing, "", Tenth, "20", "", Failed, false, none);
        row("end box not a date", Ok, Nine, "xt_d1", "20", "600", Failed, true, none);
        row("end box 2000 characters", Ok, Nine, QString(2000, u'2'), "20", "600", Failed, true, none);
        // clang-format on
    }
    void runEnds()
    {
        const auto [status, reading, d1, dbMin, dbMax, end, listRebuilt, caption] =
            cells<StoreStatus, QString, QString, QString, QString, ReportEnd, bool, QString>(
                "status", "reading", "d1", "dbMin", "dbMax", "end", "listRebuilt", "caption");
        const ReportInput in = week().dates(d1, Third).meterRange(dbMin, dbMax);
        const QStringList lines = reading.isEmpty() ? QStringList() : QStringList{line("100", reading)};
        const ReportOutcome out = selection::run(in, StoreItems{status, lines});
        QCOMPARE(out.end, end);
        QCOMPARE(out.listRebuilt, listRebuilt);
        if (listRebuilt)
            QCOMPARE(out.list.size(), lines.size());
        QCOMPARE(out.averageCaption.value_or("kept"), caption);
    }
    // The value axis and the range lines from the settings texts; "-" where a setting is left unset.
    void settings_data()
    {
        columns<bool, QString, QString, QString, QString, QString, QString, QString, QString, QString,
                QString>("mmol", "DBMax", "major", "minor", "high", "low", "yTop", "majorOut", "minorOut",
                         "highLine", "lowLine");
        // clang-format off
        row("mg/dl 600", false, "600", "6", "2", "110", "80", "600", "6", "2", "110", "80");
        row("mmol/l 9 -> 1, half away; limits one decimal", true, "9", "6", "2", "120", "99", "1", "6", "2", "6.7", "5.5");
        row("mmol/l limits 180 and 81", true, "600", "6", "2", "180", "81", "33", "6", "2", "10.0", "4.5");
        row("mg/dl decimals", false, "450.5", "6.5", "2.5", "110.5", "80.5", "450.5", "6", "2", "110", "80");
        row("DBMax words", false, "max", "6", "2", "110", "-80", "-", "6", "2", "110", "-80");
        row("unreadable", true, "600", "six", "two", "high", "low", "33", "-", "-", "0.0", "0.0");
        row("no major divisions", false, "600", "0", "0", "110", "80", "600", "-", "0", "110", "80");
        row("beyond 16 bits", false, "600", "40000", "-2", "40000", "80", "600", "-", "-", "0", "80");
        // clang-format on
    }
    void settings()
    {
        const auto [mmol, dbMax, major, minor, high, low, yTop, majorOut, minorOut, highLine, lowLine] =
            cells<bool, QString, QString, QString, QString, QString, QString, QString, QString, QString,
                  QString>("mmol", "DBMax", "major", "minor", "high", "low", "yTop", "majorOut", "minorOut",
                           "highLine", "lowLine");
        const ChartScale got = selection::chartScale({"20", dbMax, high, low, major, minor}, mmol);
        auto text = [](auto v) { return v ? QString::number(*v) : QStringLiteral("-"); };
        QCOMPARE(text(got.yMaximum), yTop);
        QCOMPARE(text(got.yMajorDivision), majorOut);
        QCOMPARE(text(got.yMinorDivision), minorOut);
        QCOMPARE(selection::limitInUnit(high, mmol), highLine);
        QCOMPARE(selection::limitInUnit(low, mmol), lowLine);
    }
    // Worked out by hand: "key=value", "key:label", "tod=window|count|mean|in range".
    void statistics_data()
    {
        const QStringList week = {"95,2026-5-1 7:30:00,mg/dL,-,-",    "140,2026-5-1 12:15:00,mg/dL,-,-",
                                  "88,2026-5-2 7:45:00,mg/dL,-,TEMP", "180,2026-5-3 19:0:00,mg/dL,-,-",
                                  "65,2026-5-4 6:50:00,mg/dL,-,-",    "120,2026-5-6 8:0:00,mg/dL,Ctrl,-",
                                  "110,2026-5-5 13:0:00,mg/dL,-,-",   "102,2026-5-7 22:10:00,mg/dL,-,-"};
        // `count` readings of 154 mg/dL from 2026-4-1, the last one `span` days later.
        auto series = [](int n, int span) {
            QStringList lines;
            for (int i = 0; i < n; ++i)
                lines << line("154",
                              QDate(2026, 4, 1).addDays(span * i / (n - 1)).toString("yyyy-M-d 8:0:00"));
            return lines;
        };
        const QString dash = QStringLiteral("\u2013");
        const QDate none, may1(2026, 5, 1), may7(2026, 5, 7), apr1(2026, 4, 1), apr14(2026, 4, 14);
        // view: 0 selects every reading, else the readings in that time-of-day window; the period
        // (first, last) holds them all.
        columns<QStringList, bool, int, QDate, QDate, QStringList>("lines", "mmol", "view", "first", "last",
                                                                   "expected");
        // clang-format off
        row("typical week, mg/dL", week, false, 0, may1, may7, QStringList{
            "counted=7", "control=1", "temperature=1", "lowhigh=0 / 0", "perday=1.0", "days=6 of 7",
            "mean=111 mg/dL", "median=102 mg/dL", "sd=38 mg/dL", "cv=33.9 %", "lowest=65 mg/dL",
            "highest=180 mg/dL", "below=1 (14 %)", "within=4 (57 %)", "above=2 (29 %)", "low=1 (14 %)",
            "inrange=6 (86 %)", "mean:Mean of blood readings", "within:Within your range (80 to 110 mg/dL), your settings",
            // Morning 65 88 95: quartiles halfway, 76.5 and 91.5; noon 110 140: 117.5 and 132.5.
            "tod=Morning|04:00" + dash + "11:00|3|88 mg/dL|77" + dash + "92 mg/dL|1",
            "tod=Noon|11:00" + dash + "16:00|2|125 mg/dL|118" + dash + "133 mg/dL|0",
            "tod=Evening|16:00" + dash + "22:00|1|180 mg/dL|180" + dash + "180 mg/dL|0",
            "tod=Overnight|22:00" + dash + "04:00|1|102 mg/dL|102" + dash + "102 mg/dL|0"});
        row("typical week, mmol/L: same counts", week, true, 0, may1, may7, QStringList{
            "counted=7", "mean=6.2 mmol/L", "median=5.7 mmol/L", "sd=2.1 mmol/L", "highest=10.0 mmol/L",
            "within=4 (57 %)", "low=1 (14 %)", "within:Within your range (4.4 to 6.1 mmol/L), your settings",
            "tod=Morning|04:00" + dash + "11:00|3|4.9 mmol/L|4.3" + dash + "5.1 mmol/L|1"});
        row("no readings", QStringList{}, false, 0, none, none, QStringList{"counted=0", "none=", "perday=" + dash,
            "mean=" + dash, "below=" + dash, "tod=Noon|11:00" + dash + "16:00|0|" + dash + "|" + dash + "|0", "lows="});
        row("one reading", QStringList{line("120", Nine)}, false, 0, none, none, QStringList{
            "counted=1", "median=120 mg/dL", "sd=" + dash, "cv=" + dash, "above=1 (100 %)"});
        row("even count: median between the middle two", QStringList{line("100", Nine), line("111", Nine)},
            false, 0, none, none, QStringList{"median=106 mg/dL"});
        // 20 + 20 + 600 + 600 + 100 = 1340: the meter's Low and High count as its limits.
        row("Low and High count as the meter's limits", QStringList{
            line("15", Nine), line("20", Nine), line("600", Nine), line("650", Nine), line("100", Nine)},
            false, 0, none, none, QStringList{"counted=5", "lowhigh=2 / 2", "mean=268 mg/dL", "median=100 mg/dL",
            "lowest=Low", "highest=High", "verylow=2 (40 %)", "veryhigh=2 (40 %)",
            "lows=2012-05-09 08:00 Low Morning; 2012-05-09 08:00 Low Morning"});
        row("not a number is left out", QStringList{line("HI", Nine), line("100", Nine)}, false, 0, none, none,
            QStringList{"counted=1", "unreadable=1", "mean=100 mg/dL", "lowest=100 mg/dL"});
        row("25:10 is night, as the view reads it", QStringList{line("100", "2026-5-1 25:10:00")}, false, 0,
            none, none, QStringList{"tod=Overnight|22:00" + dash + "04:00|1|100 mg/dL|100" + dash + "100 mg/dL|0"});
        // (154 + 46.7) / 28.7 = 6.99 %; 30 readings over 14 days, 2.1 a day.
        row("A1c: 30 readings, 14 calendar days", series(30, 13), false, 0, apr1, apr14, QStringList{
            "a1c=7.0 % (53 mmol/mol)", "perday=2.1", "days=14 of 14",
            "a1cnote:    from 30 fingersticks over 14 days, at the times taken; no lab value"});
        row("A1c: 30 readings, 13 calendar days", series(30, 12), false, 0, apr1, apr14, QStringList{
            "a1c=not enough readings", "days=13 of 14"});
        row("A1c: 29 readings, 14 calendar days", series(29, 13), false, 0, apr1, apr14, QStringList{
            "a1c=not enough readings"});
        row("A1c and per day: the whole day, whatever the view", series(30, 13), false, 2, apr1, apr14,
            QStringList{"counted=0", "a1c=7.0 % (53 mmol/mol)", "perday=2.1"});
        row("per day over the period's days", series(30, 13), false, 0, apr1, QDate(2026, 4, 30), QStringList{
            "perday=1.0", "days=14 of 30"});
        // The consensus edges, one reading each side: 1, 2, 2, 2, 1 of 8; the two halves left by
        // 12 % + 25 % + 25 % + 25 % + 12 % go to the first band listed.
        const QStringList edges = {line("53", Nine),  line("54", Nine),  line("69", Nine),  line("70", Nine),
                                   line("180", Nine), line("181", Nine), line("250", Nine), line("251", Nine)};
        row("bands at their edges, mg/dL", edges, false, 0, none, none, QStringList{"verylow=1 (13 %)",
            "low=2 (25 %)", "inrange=2 (25 %)", "high=2 (25 %)", "veryhigh=1 (12 %)",
            "verylow:Very low (< 54 mg/dL), consensus targets", "high:High (181" + dash + "250 mg/dL), consensus targets"});
        row("bands at their edges, mmol/L: decided in mg/dL", edges, true, 0, none, none, QStringList{
            "verylow=1 (13 %)", "low=2 (25 %)", "inrange=2 (25 %)", "high=2 (25 %)", "veryhigh=1 (12 %)",
            "verylow:Very low (< 3.0 mmol/L), consensus targets", "low:Low (3.0" + dash + "3.8 mmol/L), consensus targets",
            "inrange:In range (3.9" + dash + "10.0 mmol/L), consensus targets",
            "high:High (10.1" + dash + "13.9 mmol/L), consensus targets", "veryhigh:Very high (> 13.9 mmol/L), consensus targets",
            "cv:Coefficient of variation (CV " + QString(QChar(0x2264)) + " 36 % is the stability target)"});
        row("thirds still sum to 100", QStringList{line("60", Nine), line("100", Nine), line("200", Nine)}, false,
            0, none, none, QStringList{"low=1 (34 %)", "inrange=1 (33 %)", "high=1 (33 %)", "verylow=0 (0 %)"});
        // Hour 8 holds 4 readings: points alone; hour 9 holds 5: its percentiles, linear between
        // the sorted values, worked out here.
        const QList<int> at8 = {100, 140, 90, 120}, at9 = {100, 120, 90, 150, 130};
        QStringList hourly;
        for (const int v : at8)
            hourly << line(QString::number(v), "2026-5-1 8:" + QString::number(hourly.size()) + ":00");
        for (const int v : at9)
            hourly << line(QString::number(v), "2026-5-2 9:" + QString::number(hourly.size()) + ":00");
        auto hourRow = [](int hour, QList<int> v) {
            std::sort(v.begin(), v.end());
            QStringList c{QString::number(hour), QString::number(v.size())};
            for (const double q : {0.10, 0.25, 0.50, 0.75, 0.90}) {
                const double at = q * (v.size() - 1);
                const int i = int(at);
                if (v.size() >= 5)
                    c << QString::number(v[i] + (at - i) * (v[std::min(i + 1, int(v.size()) - 1)] - v[i]));
            }
            return "hour=" + c.join('|');
        };
        row("an hour of 4: points; of 5: percentiles", hourly, false, 0, none, none,
            QStringList{hourRow(8, at8), hourRow(9, at9)});
        // Lows under 70, newest first, with their window; the night split at 22:00.
        row("every low, newest first; the night split", QStringList{
            line("60", "2026-5-1 23:30:00"), line("50", "2026-5-2 2:0:00"), line("65", "2026-5-1 18:0:00"),
            line("69", "2026-5-3 7:0:00"), line("70", "2026-5-3 8:0:00"), line("15", "2026-5-2 12:0:00")},
            false, 0, none, none, QStringList{"lows=2026-05-03 07:00 69 mg/dL Morning; 2026-05-02 12:00 Low Noon; "
            "2026-05-02 02:00 50 mg/dL Overnight; 2026-05-01 23:30 60 mg/dL Overnight; 2026-05-01 18:00 65 mg/dL Evening",
            "tod=Evening|16:00" + dash + "22:00|1|65 mg/dL|65" + dash + "65 mg/dL|1",
            "tod=Overnight|22:00" + dash + "04:00|2|55 mg/dL|53" + dash + "58 mg/dL|2"});
        // clang-format on
    }
    void statistics()
    {
        const auto [lines, mmol, view, first, last, expected] =
            cells<QStringList, bool, int, QDate, QDate, QStringList>("lines", "mmol", "view", "first", "last",
                                                                     "expected");
        QVector<statistics::Reading> readings;
        QVector<statistics::Reading> selected;
        for (const QString &l : lines) {
            readings.push_back(statistics::reading(l));
            const auto t = selection::timeOfDay(recordFields(l).dateText);
            if (view == 0 || (t && selection::inTimeWindow(*t, qint16(view))))
                selected.push_back(readings.back());
        }
        const statistics::Limits limits{80, 110, 20, 600};
        std::optional<statistics::PeriodDays> days;
        if (first.isValid())
            days = statistics::PeriodDays{first, last};
        const statistics::Figures f = statistics::compute(selected, readings, limits, days);
        QStringList shown;
        for (const statistics::Line &l : statistics::lines(f, limits, mmol))
            shown << l.key + QLatin1Char('=') + l.value << l.key + QLatin1Char(':') + l.label;
        for (const QStringList &r : statistics::timeOfDayRows(f, mmol))
            shown << "tod=" + r.join('|');
        for (int h = 0; h < 24; ++h) {
            const clinical::Hour &hour = f.pattern.hours[h];
            QStringList c{QString::number(h), QString::number(hour.values.size())};
            for (const double q : hour.spread.value_or(clinical::Spread{}))
                c << (hour.spread ? QString::number(q) : QString());
            shown << "hour=" + (hour.spread ? c : c.mid(0, 2)).join('|');
        }
        QStringList lows;
        for (const QStringList &r : statistics::lowRows(f, limits, mmol))
            lows << r.join(' ');
        shown << "lows=" + lows.join("; ");
        for (const QString &e : expected)
            QVERIFY2(shown.contains(e), qPrintable(e + QStringLiteral(" not in:\n") + shown.join('\n')));
    }
    // About 400 readings over 90 days; every figure recomputed here from the readings that lie
    // in the period by their dates, with whole-number arithmetic.
    void figuresFromTheReadings_data()
    {
        columns<QDate, QDate, bool>("d1", "d2", "nextYear");
        row("September", QDate(2026, 9, 30), QDate(2026, 9, 1), false);
        row("September picked in reverse order", QDate(2026, 9, 1), QDate(2026, 9, 30), false);
        row("all 90 days and a reading dated next year", QDate(2026, 11, 12), QDate(2026, 8, 15), true);
    }
    void figuresFromTheReadings()
    {
        const auto [d1, d2, nextYear] = cells<QDate, QDate, bool>("d1", "d2", "nextYear");
        struct Taken
        {
            QDate date;
            int mgdl;
            bool control;
        };
        QVector<Taken> taken;
        quint32 seed = 12345;
        const auto next = [&seed](quint32 below) {
            return (seed = seed * 1103515245u + 12345u) / 65536 % below;
        };
        for (QDate day(2026, 8, 15); day <= QDate(2026, 11, 12); day = day.addDays(1)) {
            for (quint32 n = 3 + next(4), i = 0; i < n; ++i) {
                const int k = int(taken.size());
                taken.push_back({day,
                                 k % 53 == 7   ? 15
                                 : k % 61 == 5 ? 650
                                               : 40 + int(next(330)),
                                 k % 37 == 3});
            }
        }
        if (nextYear)
            taken.push_back({QDate(2027, 3, 1), 400, false});
        QStringList lines;
        for (int k = 0; k < taken.size(); ++k)
            lines << QStringLiteral("%1,%2 %3:%4:00,mg/dL,%5,-")
                         .arg(taken[k].mgdl)
                         .arg(taken[k].date.toString("yyyy-M-d"))
                         .arg(5 + k % 17)
                         .arg(k % 60)
                         .arg(taken[k].control ? "Ctrl" : "-");
        const QDate first = std::min(d1, d2), last = std::max(d1, d2);
        qint64 chartSum = 0, bloodSum = 0;
        int charted = 0, blood = 0, lowest = 600, highest = 20;
        QSet<QDate> days;
        for (const Taken &t : taken) {
            if (t.date < first || t.date > last)
                continue;
            ++charted;
            chartSum += t.mgdl;
            if (t.control)
                continue;
            const int v = std::clamp(t.mgdl, 20, 600);
            ++blood;
            bloodSum += v;
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
            days.insert(t.date);
        }
        // A quotient to one decimal (or none), halves away from zero, of positive whole numbers.
        const auto tenths = [](qint64 num, qint64 den) {
            const qint64 t = (20 * num + den) / (2 * den);
            return QStringLiteral("%1.%2").arg(t / 10).arg(t % 10);
        };
        const auto whole = [](qint64 num, qint64 den) {
            return QString::number((2 * num + den) / (2 * den));
        };
        const qint64 periodDays = first.daysTo(last) + 1;

        ReportInput in = week();
        in.endDateText = datetext::dateToBoxText(d1);
        in.startDateText = datetext::dateToBoxText(d2);
        const StoreItems store{StoreStatus::Ok, lines};
        const ReportOutcome out = selection::run(in, store);
        const ReportSnapshot snap = makeReportSnapshot(in, out, store);
        const statistics::Figures f = statistics::compute(snap);
        QMap<QString, QString> shown;
        for (const statistics::Line &l : statistics::lines(f, statistics::limits(snap), false))
            shown[l.key] = l.value;
        QCOMPARE(out.selectedCount, charted);
        QCOMPARE(snap.selectedAt.size(), charted);
        QCOMPARE(out.averageCaption.value_or(""),
                 "Average Value : [" + tenths(chartSum, charted) + "] mg/dl");
        QCOMPARE(periodText(snap, [](const QDate &d) { return d.toString(Qt::ISODate); }),
                 first.toString(Qt::ISODate) + " to " + last.toString(Qt::ISODate));
        QCOMPARE(QStringList({shown["counted"], shown["mean"], shown["lowest"], shown["highest"],
                              shown["days"], shown["perday"]}),
                 QStringList({QString::number(blood), whole(bloodSum, blood) + " mg/dL",
                              lowest == 20 ? "Low" : QString::number(lowest) + " mg/dL",
                              highest == 600 ? "High" : QString::number(highest) + " mg/dL",
                              QStringLiteral("%1 of %2").arg(days.size()).arg(periodDays),
                              tenths(blood, periodDays)}));
    }
    // The readings the line keeps: every one up to two a pixel column, else each column's extremes.
    void columnExtremes_data()
    {
        columns<QList<double>, int, QList<int>>("values", "columns", "keptRows");
        row("two a column: every reading", QList<double>{5, 1, 7, 3}, 2, QList<int>{0, 1, 2, 3});
        row("low and high in the order taken", QList<double>{5, 1, 9, 3, 4, 2}, 2, QList<int>{1, 2, 4, 5});
        row("a flat column keeps its first", QList<double>{3, 3, 3, 3, 3, 3}, 2, QList<int>{0, 3});
        row("7 readings split 2, 2, 3", QList<double>{1, 2, 3, 4, 5, 6, 7}, 3, QList<int>{0, 1, 2, 3, 4, 6});
    }
    void columnExtremes()
    {
        const auto [values, columnCount, keptRows] =
            cells<QList<double>, int, QList<int>>("values", "columns", "keptRows");
        QList<QPointF> kept;
        for (const int k : keptRows)
            kept << QPointF(k + 0.5, values.at(k));
        QCOMPARE(columnextremes::points(values, columnCount), kept);
    }
    // Grid lines at least 6 px apart, minor ticks 4 px, labels with just enough decimals.
    void gridLines_data()
    {
        columns<double, int, int, double, int, int, QString>("maximum", "divisions", "minorDivisions",
                                                             "lengthPx", "every", "minorTicks", "format");
        row("600 in 6 on 400 px", 600.0, 6, 2, 400.0, 1, 1, QString("%.0f"));
        row("33 in 6: one decimal", 33.0, 6, 2, 400.0, 1, 1, QString("%.1f"));
        row("a third of a unit: one decimal", 10.0, 3, 0, 400.0, 1, 0, QString("%.1f"));
        row("66 fit on 400 px, minor ones do not", 66.0, 66, 2, 400.0, 1, 0, QString("%.0f"));
        row("67 thin to every second", 67.0, 67, 0, 400.0, 2, 0, QString("%.0f"));
        row("60000 on 950 px: every 380th", 60000.0, 60000, 0, 950.0, 380, 0, QString("%.0f"));
        row("minor ticks 4 px apart", 600.0, 6, 5, 120.0, 1, 4, QString("%.0f"));
        row("minor ticks just under 4 px", 600.0, 6, 5, 119.0, 1, 0, QString("%.0f"));
    }
    void gridLines()
    {
        const auto [maximum, divisions, minorDivisions, lengthPx, every, minorTicks, format] =
            cells<double, int, int, double, int, int, QString>("maximum", "divisions", "minorDivisions",
                                                               "lengthPx", "every", "minorTicks", "format");
        QCOMPARE(axisspacing::gridEvery(divisions, lengthPx), every);
        QCOMPARE(axisspacing::minorTicks(minorDivisions, lengthPx / (divisions / every)), minorTicks);
        QCOMPARE(axisspacing::labelFormat(maximum / divisions * every), format);
    }
    // A label every so many readings, so that the widest and a 12 px gap fit between two, and each
    // fits its even share of the axis (length / (labels + 1), less 4 px a side) whole; none when one does
    // not.
    void labelSpacing_data()
    {
        columns<double, double, double, qint64>("widestPx", "lengthPx", "rows", "every");
        row("widest and gap just fit", 78.0, 9000.0, 100.0, qint64(1));
        row("a pixel more: every second", 79.0, 9000.0, 100.0, qint64(2));
        row("60000 on 900 px: twelve whole", 60.0, 900.0, 60000.0, qint64(5000));
        row("ten in their even shares", 73.0, 900.0, 10.0, qint64(1));
        row("a pixel more: five", 74.0, 900.0, 10.0, qint64(2));
        row("five of 40 on 540 px", 82.0, 540.0, 40.0, qint64(8));
        row("one label, just whole", 442.0, 900.0, 3.0, qint64(3));
        row("no room for one", 443.0, 900.0, 3.0, qint64(0));
    }
    void labelSpacing()
    {
        const auto [widestPx, lengthPx, rows, every] =
            cells<double, double, double, qint64>("widestPx", "lengthPx", "rows", "every");
        QCOMPARE(axisspacing::labelEvery(widestPx, lengthPx, rows), every);
    }
};

QTEST_MAIN(tst_Report)
#include "tst_report.moc"

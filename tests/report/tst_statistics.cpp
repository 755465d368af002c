#include "rows.h"
#include "statistics.h"

#include <QtTest>

// The figures a clinician reads, checked against tables worked out by hand. Each row gives
// record lines as the store holds them (all selected, all in the period), the display unit, and
// the figures expected: "key=value" for a figure, "key:label" for its label, "tod=..." for the
// time-of-day table (window|count|mean|in range).
class tst_Statistics : public QObject
{
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
};

namespace {

// `count` readings of `value` from 2026-4-1, the last one `spanDays` later.
QStringList series(int count, int spanDays, int value)
{
    QStringList lines;
    const QDate first(2026, 4, 1);
    for (int i = 0; i < count; ++i) {
        const QDate d = first.addDays(count > 1 ? qint64(spanDays) * i / (count - 1) : 0);
        lines << QStringLiteral("%1,%2-%3-%4 8:0:00,mg/dL,-,-")
                     .arg(value)
                     .arg(d.year())
                     .arg(d.month())
                     .arg(d.day());
    }
    return lines;
}

const QStringList Week = {
    "95,2026-5-1 7:30:00,mg/dL,-,-",  "140,2026-5-1 12:15:00,mg/dL,-,-", "88,2026-5-2 7:45:00,mg/dL,-,TEMP",
    "180,2026-5-3 19:0:00,mg/dL,-,-", "65,2026-5-4 6:50:00,mg/dL,-,-",   "120,2026-5-6 8:0:00,mg/dL,Ctrl,-",
    "110,2026-5-5 13:0:00,mg/dL,-,-", "102,2026-5-7 22:10:00,mg/dL,-,-",
};

} // namespace

void tst_Statistics::figures_data()
{
    columns<QStringList, bool, QStringList>("lines", "mmol", "expected");
    row("typical week, mg/dL", Week, false,
        QStringList{"counted=7",
                    "control=1",
                    "temperature=1",
                    "lowhigh=0 / 0",
                    "perday=1.0",
                    "mean=111 mg/dL",
                    "median=102 mg/dL",
                    "sd=38 mg/dL",
                    "cv=33.9 %",
                    "lowest=65 mg/dL",
                    "highest=180 mg/dL",
                    "below=1 (14 %)",
                    "within=4 (57 %)",
                    "above=2 (29 %)",
                    "under70=1 (14 %)",
                    "under54=0 (0 %)",
                    "a1c=not enough readings",
                    "mean:Mean of blood readings",
                    "under70:Below 70 mg/dL",
                    "within:Within range (80 to 110 mg/dL)",
                    "tod=Morning (04:00-11:00)|3|83 mg/dL|67 %",
                    "tod=Noon (11:00-16:00)|2|125 mg/dL|50 %",
                    "tod=Night (16:00-04:00)|2|141 mg/dL|50 %"});
    row("typical week, mmol/L: same counts", Week, true,
        QStringList{"counted=7", "control=1", "perday=1.0", "mean=6.2 mmol/L", "median=5.7 mmol/L",
                    "sd=2.1 mmol/L", "cv=33.9 %", "lowest=3.6 mmol/L", "highest=10.0 mmol/L",
                    "below=1 (14 %)", "within=4 (57 %)", "above=2 (29 %)", "under70=1 (14 %)",
                    "under54=0 (0 %)", "under70:Below 3.9 mmol/L", "under54:Below 3.0 mmol/L",
                    "within:Within range (4.4 to 6.1 mmol/L)",
                    "tod=Morning (04:00-11:00)|3|4.6 mmol/L|67 %"});
    row("no readings", QStringList{}, false,
        QStringList{"counted=0", "none=", "perday=\u2013", "mean=\u2013", "sd=\u2013", "cv=\u2013",
                    "below=\u2013", "a1c=not enough readings", "tod=Noon (11:00-16:00)|0|\u2013|\u2013"});
    row("one reading", QStringList{"120,2026-5-1 9:0:00,mg/dL,-,-"}, false,
        QStringList{"counted=1", "perday=1.0", "mean=120 mg/dL", "median=120 mg/dL", "sd=\u2013", "cv=\u2013",
                    "above=1 (100 %)", "a1c=not enough readings"});
    row("only control tests",
        QStringList{"110,2026-5-1 9:0:00,mg/dL,Ctrl,-", "95,2026-5-2 9:0:00,mg/dL,Ctrl,-"}, false,
        QStringList{"counted=0", "none=", "control=2", "mean=\u2013", "perday=\u2013"});
    row("Low and High readings count with their stored value",
        QStringList{"15,2026-5-1 9:0:00,mg/dL,-,-", "20,2026-5-1 10:0:00,mg/dL,-,-",
                    "600,2026-5-2 9:0:00,mg/dL,-,-", "650,2026-5-2 10:0:00,mg/dL,-,-",
                    "100,2026-5-3 9:0:00,mg/dL,-,-"},
        false,
        QStringList{"counted=5", "lowhigh=2 / 2", "mean=277 mg/dL", "lowest=15 mg/dL", "highest=650 mg/dL",
                    "under54=2 (40 %)", "perday=1.7"});
    row("A1c: 30 readings, 14 days apart", series(30, 14, 154), false,
        QStringList{"a1c=7.0 % (53 mmol/mol)", "perday=2.0"});
    row("A1c: 29 readings, 14 days apart", series(29, 14, 154), false,
        QStringList{"a1c=not enough readings"});
    row("A1c: 30 readings, 13 days apart", series(30, 13, 154), false,
        QStringList{"a1c=not enough readings"});
    row("A1c: 31 readings, 15 days apart, mmol/L", series(31, 15, 154), true,
        QStringList{"a1c=7.0 % (53 mmol/mol)", "mean=8.6 mmol/L"});
}

void tst_Statistics::figures()
{
    auto [lines, mmol, expected] = cells<QStringList, bool, QStringList>("lines", "mmol", "expected");
    QVector<statistics::Reading> readings;
    for (const QString &line : lines)
        readings.push_back(statistics::reading(line));
    statistics::Limits limits;
    limits.normalLow = 80;
    limits.normalHigh = 110;
    limits.dbMin = 20;
    limits.dbMax = 600;
    const statistics::Figures f = statistics::compute(readings, readings, limits);

    QStringList shown;
    for (const statistics::Line &line : statistics::lines(f, limits, mmol))
        shown << line.key + QLatin1Char('=') + line.value << line.key + QLatin1Char(':') + line.label;
    for (const auto &r : statistics::timeOfDayRows(f, mmol))
        shown << QStringLiteral("tod=") + QStringList{r[0], r[1], r[2], r[3]}.join(QLatin1Char('|'));
    for (const QString &e : expected)
        QVERIFY2(shown.contains(e),
                 qPrintable(e + QStringLiteral("\n  got: ") + shown.join(QStringLiteral("\n  "))));
}

QTEST_GUILESS_MAIN(tst_Statistics)
#include "tst_statistics.moc"

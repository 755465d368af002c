#pragma once

#include "clinical.h"
#include "recordline.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <optional>

struct ReportSnapshot;

// The figures a clinician reads off a set of readings. Everything is computed from the stored
// mg/dL values, so no count depends on the display unit; only the texts do.
namespace statistics {

struct Reading
{
    double mgdl = 0;
    bool readable = false; // the value is a number; a hand-edited "HI" is not, and counts nowhere
    std::optional<QDate> date;
    std::optional<QTime> time;
    std::optional<double> hourValue; // hour.minutes, as the time-of-day view reads it
    bool control = false;            // "Ctrl": control solution, not blood
    bool temperature = false;        // "TEMP"
};
Reading reading(const QString &recordLine);
Reading reading(const RecordFields &fields);

struct Limits
{
    double normalLow = 0;
    double normalHigh = 0;
    std::optional<double> dbMin; // at or below: shown as "Low"
    std::optional<double> dbMax; // at or above: shown as "High"
};

// The period's first and last calendar day, both included.
struct PeriodDays
{
    QDate first;
    QDate last;
};

struct Figures
{
    int counted = 0; // blood readings with a readable value
    int controlLeftOut = 0;
    int unreadable = 0;
    int temperature = 0;
    int lowMarks = 0;  // counted as DBMin
    int highMarks = 0; // counted as DBMax
    // Figures of the whole day, whatever the view: every blood reading of the period.
    std::optional<double> perDay;
    std::optional<qint64> periodDays;
    int daysWithReadings = 0;
    double mean = 0;
    double median = 0;
    std::optional<double> sd; // sample standard deviation, from 2 readings
    std::optional<double> cv; // percent
    double lowest = 0;
    double highest = 0;
    int below = 0;
    int within = 0;
    int above = 0;
    std::array<int, clinical::BandCount> bands{}; // consensus bands, of the counted readings
    std::optional<double> a1cPercent;             // from 30 readings spanning 14 calendar days or more
    std::optional<double> a1cMmolMol;
    int a1cReadings = 0; // what the estimate rests on: the whole day's readings and days
    qint64 a1cDays = 0;
    clinical::Pattern pattern; // the period's whole day: by hour, by window, every low
};

constexpr int A1cMinReadings = 30;
constexpr int A1cMinDays = 14;

// `selected`: the readings the report selected; `period`: the period's readings whatever
// their time of day, for the time-of-day table and the figures of the whole day.
Figures compute(const QVector<Reading> &selected, const QVector<Reading> &period, const Limits &limits,
                const std::optional<PeriodDays> &days = std::nullopt);
Figures compute(const ReportSnapshot &snapshot);
Limits limits(const ReportSnapshot &snapshot);

// The figures as a person reads them, in the display unit.
struct Line
{
    QString key; // stable name, for tests and layout
    QString label;
    QString value;
};
QVector<Line> lines(const Figures &figures, const Limits &limits, bool mmol);
// The time-of-day table: window, hours, readings, median, interquartile range, lows.
QVector<QStringList> timeOfDayRows(const Figures &figures, bool mmol);
// Every low of the period, newest first: date, time, value, window.
QVector<QStringList> lowRows(const Figures &figures, const Limits &limits, bool mmol);

// A value in the display unit: whole mg/dL or mmol/L with one decimal.
QString valueText(double mgdl, bool mmol);

// The chart told in words, for a screen reader: how many readings over which days, the lowest
// and highest with their dates, the average and the counts against the normal range.
QString chartDescription(const ReportSnapshot &snapshot);

} // namespace statistics

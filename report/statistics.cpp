#include "statistics.h"

#include "datetext.h"
#include "numbertext.h"
#include "reportsnapshot.h"
#include "selection.h"
#include "units.h"

#include <QSet>
#include <algorithm>
#include <cmath>

namespace statistics {

namespace {

constexpr double HypoLevel1 = 70;
constexpr double HypoLevel2 = 54;
const QString Dash = QStringLiteral("\u2013");

bool inRange(double v, const Limits &l)
{
    return v >= l.normalLow && v <= l.normalHigh;
}

QString whole(double v)
{
    return QString::number(numbertext::roundHalfAway(v), 'f', 0);
}

QString percentOf(int part, int total)
{
    return whole(100.0 * part / total) + QStringLiteral(" %");
}

QString countAndShare(int part, int total)
{
    return QStringLiteral("%1 (%2)").arg(part).arg(percentOf(part, total));
}

} // namespace

QString valueText(double mgdl, bool mmol)
{
    return mmol ? units::mmolText(mgdl) : whole(mgdl);
}

Reading reading(const QString &recordLine)
{
    return reading(recordFields(recordLine));
}

Reading reading(const RecordFields &f)
{
    Reading r;
    if (const auto v = numbertext::toNumber(f.valueText)) {
        r.mgdl = *v;
        r.readable = true;
    }
    r.date = datetext::recordDate(f.dateText);
    const qsizetype blank = f.dateText.trimmed().indexOf(QLatin1Char(' '));
    if (blank > 0) {
        const QTime t = QTime::fromString(f.dateText.trimmed().mid(blank + 1), QStringLiteral("H:m:s"));
        if (t.isValid())
            r.time = t;
    }
    r.hourValue = selection::timeOfDay(f.dateText);
    r.control = f.ctrlMark.trimmed() == QLatin1String("Ctrl");
    r.temperature = f.tempMark.trimmed() == QLatin1String("TEMP");
    return r;
}

Limits limits(const ReportSnapshot &s)
{
    Limits l;
    l.normalLow = s.normalLow;
    l.normalHigh = s.normalHigh;
    if (s.dbMin)
        l.dbMin = *s.dbMin;
    if (s.dbMax)
        l.dbMax = *s.dbMax;
    return l;
}

Figures compute(const ReportSnapshot &s)
{
    QVector<Reading> selected;
    selected.reserve(s.selectedAt.size());
    for (const qint32 at : s.selectedAt)
        selected.push_back(reading(s.storeTexts.value(at)));
    QVector<Reading> period;
    period.reserve(s.periodAt.size());
    for (const qint32 at : s.periodAt)
        period.push_back(reading(s.storeTexts.value(at)));
    std::optional<PeriodDays> days;
    if (s.periodFirst && s.periodLast)
        days = PeriodDays{*s.periodFirst, *s.periodLast};
    return compute(selected, period, limits(s), days);
}

namespace {

// The meter reads nothing beyond its range: a value at or past a limit is that limit, as the
// list's "Low" and "High" say.
double countedValue(double mgdl, const Limits &l)
{
    if (l.dbMin && mgdl <= *l.dbMin)
        return *l.dbMin;
    if (l.dbMax && mgdl >= *l.dbMax)
        return *l.dbMax;
    return mgdl;
}

double runningMean(const QVector<double> &values)
{
    // A running mean does not overflow where a sum of huge values would.
    double mean = 0;
    for (int i = 0; i < values.size(); ++i)
        mean += (values[i] - mean) / (i + 1);
    return mean;
}

// The whole day of the period: readings per day over its days, days with readings, the A1c.
void wholeDay(Figures &f, const QVector<Reading> &period, const Limits &limits,
              const std::optional<PeriodDays> &days)
{
    QVector<double> values;
    QSet<QDate> dates;
    std::optional<QDate> first;
    std::optional<QDate> last;
    for (const Reading &r : period) {
        if (r.control || !r.readable)
            continue;
        values.push_back(countedValue(r.mgdl, limits));
        if (r.date) {
            dates.insert(*r.date);
            first = first ? std::min(*first, *r.date) : *r.date;
            last = last ? std::max(*last, *r.date) : *r.date;
        }
    }
    f.daysWithReadings = int(dates.size());
    if (days) {
        f.periodDays = days->first.daysTo(days->last) + 1;
        f.perDay = double(values.size()) / double(*f.periodDays);
    }
    if (values.size() >= A1cMinReadings && first && last && first->daysTo(*last) + 1 >= A1cMinDays) {
        f.a1cPercent = (runningMean(values) + 46.7) / 28.7;
        f.a1cMmolMol = (*f.a1cPercent - 2.15) * 10.929;
    }
}

} // namespace

Figures compute(const QVector<Reading> &selected, const QVector<Reading> &period, const Limits &limits,
                const std::optional<PeriodDays> &days)
{
    Figures f;
    QVector<double> values;
    values.reserve(selected.size());
    for (const Reading &r : selected) {
        if (r.control) {
            ++f.controlLeftOut;
            continue;
        }
        if (!r.readable) {
            ++f.unreadable;
            continue;
        }
        const double v = countedValue(r.mgdl, limits);
        values.push_back(v);
        if (r.temperature)
            ++f.temperature;
        if (limits.dbMin && r.mgdl <= *limits.dbMin)
            ++f.lowMarks;
        else if (limits.dbMax && r.mgdl >= *limits.dbMax)
            ++f.highMarks;
        if (v < limits.normalLow)
            ++f.below;
        else if (v > limits.normalHigh)
            ++f.above;
        else
            ++f.within;
        f.under70 += v < HypoLevel1 ? 1 : 0;
        f.under54 += v < HypoLevel2 ? 1 : 0;
    }
    f.counted = int(values.size());

    const char *windowNames[] = {"Morning (04:00-11:00)", "Noon (11:00-16:00)", "Night (16:00-04:00)"};
    for (int w = 0; w < 3; ++w)
        f.timeOfDay[w].name = QString::fromLatin1(windowNames[w]);
    for (const Reading &r : period) {
        if (r.control || !r.readable || !r.hourValue)
            continue;
        const double v = countedValue(r.mgdl, limits);
        for (int w = 0; w < 3; ++w) {
            // The view's own test, so a row holds exactly what that view charts.
            if (selection::inTimeWindow(*r.hourValue, qint16(w + 1))) {
                TimeOfDayRow &row = f.timeOfDay[w];
                ++row.count;
                row.mean += (v - row.mean) / row.count;
                row.inRange += inRange(v, limits) ? 1 : 0;
            }
        }
    }
    wholeDay(f, period, limits, days);

    if (f.counted == 0)
        return f;

    const double mean = runningMean(values);
    f.mean = mean;
    std::sort(values.begin(), values.end());
    f.lowest = values.front();
    f.highest = values.back();
    const int mid = f.counted / 2;
    f.median = f.counted % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    if (f.counted >= 2) {
        double squares = 0;
        for (const double v : values)
            squares += (v - mean) * (v - mean);
        f.sd = std::sqrt(squares / (f.counted - 1));
        if (mean != 0)
            f.cv = 100.0 * *f.sd / mean;
    }
    return f;
}

QVector<Line> lines(const Figures &f, const Limits &l, bool mmol)
{
    const QString unit = QLatin1Char(' ') + units::name(mmol);
    auto v = [&](double mgdl) { return valueText(mgdl, mmol) + unit; };
    const bool any = f.counted > 0;
    auto shown = [&](const QString &text) { return any ? text : Dash; };

    QVector<Line> out;
    out.push_back(
        {QStringLiteral("counted"), QStringLiteral("Blood readings counted"), QString::number(f.counted)});
    if (!any)
        out.push_back(
            {QStringLiteral("none"), QStringLiteral("No blood readings in this selection"), QString()});
    out.push_back({QStringLiteral("control"), QStringLiteral("Control tests left out (Ctrl)"),
                   QString::number(f.controlLeftOut)});
    out.push_back({QStringLiteral("unreadable"), QStringLiteral("Unreadable values left out"),
                   QString::number(f.unreadable)});
    out.push_back({QStringLiteral("temperature"), QStringLiteral("Readings with temperature warning (TEMP)"),
                   QString::number(f.temperature)});
    out.push_back({QStringLiteral("lowhigh"), QStringLiteral("Counted at the meter's limit (Low / High)"),
                   QStringLiteral("%1 / %2").arg(f.lowMarks).arg(f.highMarks)});
    out.push_back({QStringLiteral("perday"), QStringLiteral("Readings per day (whole day)"),
                   f.perDay ? numbertext::oneDecimal(*f.perDay) : Dash});
    out.push_back({QStringLiteral("days"), QStringLiteral("Days with readings"),
                   f.periodDays ? QStringLiteral("%1 of %2").arg(f.daysWithReadings).arg(*f.periodDays)
                                : QString::number(f.daysWithReadings)});
    out.push_back({QStringLiteral("mean"), QStringLiteral("Mean of blood readings"), shown(v(f.mean))});
    out.push_back({QStringLiteral("median"), QStringLiteral("Median"), shown(v(f.median))});
    out.push_back({QStringLiteral("sd"), QStringLiteral("Standard deviation"), f.sd ? v(*f.sd) : Dash});
    out.push_back({QStringLiteral("cv"), QStringLiteral("Coefficient of variation"),
                   f.cv ? numbertext::oneDecimal(*f.cv) + QStringLiteral(" %") : Dash});
    // At a limit the meter read "Low" or "High", not that number.
    const bool lowestIsLow = l.dbMin && f.lowMarks > 0 && f.lowest <= *l.dbMin;
    const bool highestIsHigh = l.dbMax && f.highMarks > 0 && f.highest >= *l.dbMax;
    out.push_back({QStringLiteral("lowest"), QStringLiteral("Lowest"),
                   shown(lowestIsLow ? QStringLiteral("Low") : v(f.lowest))});
    out.push_back({QStringLiteral("highest"), QStringLiteral("Highest"),
                   shown(highestIsHigh ? QStringLiteral("High") : v(f.highest))});
    out.push_back({QStringLiteral("below"), QStringLiteral("Below range (under %1)").arg(v(l.normalLow)),
                   shown(any ? countAndShare(f.below, f.counted) : QString())});
    out.push_back(
        {QStringLiteral("within"),
         QStringLiteral("Within range (%1 to %2)").arg(valueText(l.normalLow, mmol), v(l.normalHigh)),
         shown(any ? countAndShare(f.within, f.counted) : QString())});
    out.push_back({QStringLiteral("above"), QStringLiteral("Above range (over %1)").arg(v(l.normalHigh)),
                   shown(any ? countAndShare(f.above, f.counted) : QString())});
    out.push_back({QStringLiteral("under70"), QStringLiteral("Below %1").arg(v(HypoLevel1)),
                   shown(any ? countAndShare(f.under70, f.counted) : QString())});
    out.push_back({QStringLiteral("under54"), QStringLiteral("Below %1").arg(v(HypoLevel2)),
                   shown(any ? countAndShare(f.under54, f.counted) : QString())});
    out.push_back({QStringLiteral("a1c"), QStringLiteral("Estimated A1c (whole day, from the mean)"),
                   f.a1cPercent ? QStringLiteral("%1 % (%2 mmol/mol)")
                                      .arg(numbertext::oneDecimal(*f.a1cPercent), whole(*f.a1cMmolMol))
                                : QStringLiteral("not enough readings")});
    return out;
}

QVector<std::array<QString, 4>> timeOfDayRows(const Figures &f, bool mmol)
{
    QVector<std::array<QString, 4>> rows;
    for (const TimeOfDayRow &r : f.timeOfDay) {
        const bool any = r.count > 0;
        rows.push_back({r.name, QString::number(r.count),
                        any ? valueText(r.mean, mmol) + QLatin1Char(' ') + units::name(mmol) : Dash,
                        any ? percentOf(r.inRange, r.count) : Dash});
    }
    return rows;
}

} // namespace statistics

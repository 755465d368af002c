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

const QString Dash = QStringLiteral("\u2013");

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
    QVector<clinical::Taken> taken;
    QSet<QDate> dates;
    std::optional<QDate> first;
    std::optional<QDate> last;
    for (const Reading &r : period) {
        if (r.control || !r.readable)
            continue;
        values.push_back(countedValue(r.mgdl, limits));
        taken.push_back(
            {values.back(), limits.dbMin && r.mgdl <= *limits.dbMin, r.date, r.time, r.hourValue});
        if (r.date) {
            dates.insert(*r.date);
            first = first ? std::min(*first, *r.date) : *r.date;
            last = last ? std::max(*last, *r.date) : *r.date;
        }
    }
    f.pattern = clinical::pattern(taken);
    f.daysWithReadings = int(dates.size());
    if (days) {
        f.periodDays = days->first.daysTo(days->last) + 1;
        f.perDay = double(values.size()) / double(*f.periodDays);
    }
    f.a1cReadings = int(values.size());
    f.a1cDays = first && last ? first->daysTo(*last) + 1 : 0;
    if (values.size() >= A1cMinReadings && f.a1cDays >= A1cMinDays) {
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
        ++f.bands[clinical::band(v)];
    }
    f.counted = int(values.size());
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
    auto share = [&](int part) { return shown(any ? countAndShare(part, f.counted) : QString()); };

    // A clinician's order: the level, the ranges, the swings, the extremes; housekeeping last.
    QVector<Line> out;
    if (!any)
        out.push_back(
            {QStringLiteral("none"), QStringLiteral("No blood readings in this selection"), QString()});
    out.push_back({QStringLiteral("mean"), QStringLiteral("Mean of blood readings"), shown(v(f.mean))});
    out.push_back({QStringLiteral("a1c"), QStringLiteral("Estimated A1c (whole day, from the mean)"),
                   f.a1cPercent ? QStringLiteral("%1 % (%2 mmol/mol)")
                                      .arg(numbertext::oneDecimal(*f.a1cPercent), whole(*f.a1cMmolMol))
                                : QStringLiteral("not enough readings")});
    out.push_back({QStringLiteral("a1cnote"),
                   QStringLiteral("    from %1 fingersticks over %2 days, at the times taken; no lab value")
                       .arg(f.a1cReadings)
                       .arg(f.a1cDays),
                   QString()});
    const auto bandShares = clinical::shares(f.bands);
    static const char *bandKeys[] = {"verylow", "low", "inrange", "high", "veryhigh"};
    for (int b = 0; b < clinical::BandCount; ++b) {
        const auto band = clinical::Band(b);
        out.push_back({QLatin1String(bandKeys[b]),
                       QStringLiteral("%1 (%2), consensus targets")
                           .arg(clinical::bandName(band), clinical::bandRange(band, mmol)),
                       shown(QStringLiteral("%1 (%2 %)").arg(f.bands[b]).arg(bandShares[b]))});
    }
    out.push_back({QStringLiteral("sd"), QStringLiteral("Standard deviation"), f.sd ? v(*f.sd) : Dash});
    out.push_back({QStringLiteral("cv"),
                   QStringLiteral("Coefficient of variation (CV \u2264 36 % is the stability target)"),
                   f.cv ? numbertext::oneDecimal(*f.cv) + QStringLiteral(" %") : Dash});
    out.push_back({QStringLiteral("median"), QStringLiteral("Median"), shown(v(f.median))});
    // At a limit the meter read "Low" or "High", not that number.
    const bool lowestIsLow = l.dbMin && f.lowMarks > 0 && f.lowest <= *l.dbMin;
    const bool highestIsHigh = l.dbMax && f.highMarks > 0 && f.highest >= *l.dbMax;
    out.push_back({QStringLiteral("lowest"), QStringLiteral("Lowest"),
                   shown(lowestIsLow ? QStringLiteral("Low") : v(f.lowest))});
    out.push_back({QStringLiteral("highest"), QStringLiteral("Highest"),
                   shown(highestIsHigh ? QStringLiteral("High") : v(f.highest))});
    out.push_back({QStringLiteral("below"),
                   QStringLiteral("Below your range (under %1), your settings").arg(v(l.normalLow)),
                   share(f.below)});
    out.push_back({QStringLiteral("within"),
                   QStringLiteral("Within your range (%1 to %2), your settings")
                       .arg(valueText(l.normalLow, mmol), v(l.normalHigh)),
                   share(f.within)});
    out.push_back({QStringLiteral("above"),
                   QStringLiteral("Above your range (over %1), your settings").arg(v(l.normalHigh)),
                   share(f.above)});
    out.push_back(
        {QStringLiteral("counted"), QStringLiteral("Blood readings counted"), QString::number(f.counted)});
    out.push_back({QStringLiteral("control"), QStringLiteral("Control tests left out (Ctrl)"),
                   QString::number(f.controlLeftOut)});
    out.push_back({QStringLiteral("temperature"), QStringLiteral("Readings with temperature warning (TEMP)"),
                   QString::number(f.temperature)});
    out.push_back({QStringLiteral("lowhigh"), QStringLiteral("Counted at the meter's limit (Low / High)"),
                   QStringLiteral("%1 / %2").arg(f.lowMarks).arg(f.highMarks)});
    out.push_back({QStringLiteral("unreadable"), QStringLiteral("Unreadable values left out"),
                   QString::number(f.unreadable)});
    out.push_back({QStringLiteral("perday"), QStringLiteral("Readings per day (whole day)"),
                   f.perDay ? numbertext::oneDecimal(*f.perDay) : Dash});
    out.push_back({QStringLiteral("days"), QStringLiteral("Days with readings"),
                   f.periodDays ? QStringLiteral("%1 of %2").arg(f.daysWithReadings).arg(*f.periodDays)
                                : QString::number(f.daysWithReadings)});
    return out;
}

QVector<QStringList> timeOfDayRows(const Figures &f, bool mmol)
{
    const QString unit = QLatin1Char(' ') + units::name(mmol);
    QVector<QStringList> rows;
    for (int w = 0; w < clinical::WindowCount; ++w) {
        const clinical::WindowFigures &win = f.pattern.windows[w];
        QString median = Dash, iqr = Dash;
        if (!win.values.isEmpty()) {
            const clinical::Spread s = clinical::spread(win.values);
            median = valueText(s[2], mmol) + unit;
            iqr = valueText(s[1], mmol) + Dash + valueText(s[3], mmol) + unit;
        }
        rows.push_back({clinical::windowName(clinical::Window(w)), clinical::windowHours(clinical::Window(w)),
                        QString::number(win.values.size()), median, iqr, QString::number(win.lows)});
    }
    return rows;
}

QVector<QStringList> lowRows(const Figures &f, const Limits &, bool mmol)
{
    QVector<QStringList> rows;
    rows.reserve(f.pattern.lows.size());
    for (const clinical::LowReading &r : f.pattern.lows)
        rows.push_back({r.date ? r.date->toString(QStringLiteral("yyyy-MM-dd")) : QString(),
                        r.time ? r.time->toString(QStringLiteral("HH:mm")) : QString(),
                        r.meterLow ? QStringLiteral("Low")
                                   : valueText(r.mgdl, mmol) + QLatin1Char(' ') + units::name(mmol),
                        r.window ? clinical::windowName(*r.window) : QString()});
    return rows;
}

QString chartDescription(const ReportSnapshot &s)
{
    const Figures f = compute(s);
    if (f.counted == 0)
        return QStringLiteral("No readings in this period");
    const Limits l = limits(s);
    std::optional<QDate> first, last, lowDay, highDay;
    for (const qint32 at : s.selectedAt) {
        const Reading r = reading(s.storeTexts.value(at));
        if (r.control || !r.readable || !r.date)
            continue;
        const double v = countedValue(r.mgdl, l);
        if (!first || *r.date < *first)
            first = r.date;
        if (!last || *r.date > *last)
            last = r.date;
        if (v == f.lowest && !lowDay)
            lowDay = r.date;
        if (v == f.highest && !highDay)
            highDay = r.date;
    }
    const QString unit = s.unitText.isEmpty() ? QString() : QLatin1Char(' ') + s.unitText;
    auto value = [&](double mgdl) { return valueText(mgdl, s.mmol) + unit; };
    auto day = [](const std::optional<QDate> &d) {
        return d ? d->toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("an unknown day");
    };
    return QStringLiteral("%1 readings from %2 to %3; lowest %4 on %5, highest %6 on %7; average %8; "
                          "%9 below, %10 within and %11 above the normal range")
        .arg(f.counted)
        .arg(day(first), day(last), value(f.lowest), day(lowDay), value(f.highest), day(highDay),
             value(f.mean))
        .arg(f.below)
        .arg(f.within)
        .arg(f.above);
}

} // namespace statistics

#include "statistics.h"

#include "datetext.h"
#include "numbertext.h"
#include "reportsnapshot.h"
#include "selection.h"

#include <algorithm>
#include <cmath>

namespace statistics {

namespace {

constexpr double MgPerMmol = 18.0;
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

QString unitName(bool mmol)
{
    return mmol ? QStringLiteral("mmol/L") : QStringLiteral("mg/dL");
}

QString valueText(double mgdl, bool mmol)
{
    return mmol ? numbertext::oneDecimal(mgdl / MgPerMmol) : whole(mgdl);
}

Reading reading(const QString &recordLine)
{
    const RecordFields f = recordFields(recordLine);
    Reading r;
    const double v = numbertext::leadingNumber(f.valueText);
    r.mgdl = std::isfinite(v) ? v : 0;
    r.date = datetext::recordDate(f.dateText);
    const qsizetype blank = f.dateText.trimmed().indexOf(QLatin1Char(' '));
    if (blank > 0) {
        const QTime t = QTime::fromString(f.dateText.trimmed().mid(blank + 1), QStringLiteral("H:m:s"));
        if (t.isValid())
            r.time = t;
    }
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
    return compute(selected, period, limits(s));
}

Figures compute(const QVector<Reading> &selected, const QVector<Reading> &period, const Limits &limits)
{
    Figures f;
    QVector<double> values;
    values.reserve(selected.size());
    std::optional<QDate> first;
    std::optional<QDate> last;
    for (const Reading &r : selected) {
        if (r.control) {
            ++f.controlLeftOut;
            continue;
        }
        values.push_back(r.mgdl);
        if (r.temperature)
            ++f.temperature;
        if (limits.dbMin && r.mgdl <= *limits.dbMin)
            ++f.lowMarks;
        else if (limits.dbMax && r.mgdl >= *limits.dbMax)
            ++f.highMarks;
        if (r.mgdl < limits.normalLow)
            ++f.below;
        else if (r.mgdl > limits.normalHigh)
            ++f.above;
        else
            ++f.within;
        f.under70 += r.mgdl < HypoLevel1 ? 1 : 0;
        f.under54 += r.mgdl < HypoLevel2 ? 1 : 0;
        if (r.date) {
            first = first ? std::min(*first, *r.date) : *r.date;
            last = last ? std::max(*last, *r.date) : *r.date;
        }
    }
    f.counted = int(values.size());

    const char *windowNames[] = {"Morning (04:00-11:00)", "Noon (11:00-16:00)", "Night (16:00-04:00)"};
    for (int w = 0; w < 3; ++w)
        f.timeOfDay[w].name = QString::fromLatin1(windowNames[w]);
    for (const Reading &r : period) {
        if (r.control || !r.time)
            continue;
        // The same windows as the view: the hour decides.
        const double hour = r.time->hour();
        for (int w = 0; w < 3; ++w) {
            if (selection::inTimeWindow(hour, qint16(w + 1))) {
                TimeOfDayRow &row = f.timeOfDay[w];
                ++row.count;
                row.mean += (r.mgdl - row.mean) / row.count;
                row.inRange += inRange(r.mgdl, limits) ? 1 : 0;
            }
        }
    }

    if (f.counted == 0)
        return f;

    // A running mean does not overflow where a sum of huge values would.
    double mean = 0;
    for (int i = 0; i < f.counted; ++i)
        mean += (values[i] - mean) / (i + 1);
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
    if (first && last)
        f.perDay = double(f.counted) / double(first->daysTo(*last) + 1);
    if (f.counted >= A1cMinReadings && first && last && first->daysTo(*last) >= A1cMinDays) {
        f.a1cPercent = (mean + 46.7) / 28.7;
        f.a1cMmolMol = (*f.a1cPercent - 2.15) * 10.929;
    }
    return f;
}

QVector<Line> lines(const Figures &f, const Limits &l, bool mmol)
{
    const QString unit = QLatin1Char(' ') + unitName(mmol);
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
    out.push_back({QStringLiteral("temperature"), QStringLiteral("Readings with temperature warning (TEMP)"),
                   QString::number(f.temperature)});
    out.push_back({QStringLiteral("lowhigh"), QStringLiteral("Readings shown as Low / High"),
                   QStringLiteral("%1 / %2").arg(f.lowMarks).arg(f.highMarks)});
    out.push_back({QStringLiteral("perday"), QStringLiteral("Readings per day"),
                   f.perDay ? numbertext::oneDecimal(*f.perDay) : Dash});
    out.push_back({QStringLiteral("mean"), QStringLiteral("Mean of blood readings"), shown(v(f.mean))});
    out.push_back({QStringLiteral("median"), QStringLiteral("Median"), shown(v(f.median))});
    out.push_back({QStringLiteral("sd"), QStringLiteral("Standard deviation"), f.sd ? v(*f.sd) : Dash});
    out.push_back({QStringLiteral("cv"), QStringLiteral("Coefficient of variation"),
                   f.cv ? numbertext::oneDecimal(*f.cv) + QStringLiteral(" %") : Dash});
    out.push_back({QStringLiteral("lowest"), QStringLiteral("Lowest"), shown(v(f.lowest))});
    out.push_back({QStringLiteral("highest"), QStringLiteral("Highest"), shown(v(f.highest))});
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
    out.push_back({QStringLiteral("a1c"), QStringLiteral("Estimated A1c (an estimate from the mean)"),
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
                        any ? valueText(r.mean, mmol) + QLatin1Char(' ') + unitName(mmol) : Dash,
                        any ? percentOf(r.inRange, r.count) : Dash});
    }
    return rows;
}

} // namespace statistics

#include "clinical.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace clinical {

namespace {
// Consensus edges in mg/dL: below 54, below 70, up to 180, up to 250.
constexpr std::array<double, 4> Edges = {54, 70, 180, 250};
} // namespace

Band band(double mgdl)
{
    if (mgdl < Edges[0])
        return VeryLow;
    if (mgdl < Edges[1])
        return Low;
    if (mgdl <= Edges[2])
        return InRange;
    if (mgdl <= Edges[3])
        return High;
    return VeryHigh;
}

QString bandRange(Band b, bool mmol)
{
    static const char *mg[] = {"< 54", "54\u201369", "70\u2013180", "181\u2013250", "> 250"};
    static const char *mm[] = {"< 3.0", "3.0\u20133.8", "3.9\u201310.0", "10.1\u201313.9", "> 13.9"};
    return QString::fromUtf8(mmol ? mm[b] : mg[b]) +
           (mmol ? QStringLiteral(" mmol/L") : QStringLiteral(" mg/dL"));
}

QString bandName(Band b)
{
    static const char *names[] = {"Very low", "Low", "In range", "High", "Very high"};
    return QString::fromLatin1(names[b]);
}

std::array<int, BandCount> shares(const std::array<int, BandCount> &counts)
{
    std::array<int, BandCount> out{};
    const int total = std::accumulate(counts.begin(), counts.end(), 0);
    if (total == 0)
        return out;
    std::array<int, BandCount> order{};
    std::array<qint64, BandCount> remainder{};
    int given = 0;
    for (int b = 0; b < BandCount; ++b) {
        out[b] = int(qint64(counts[b]) * 100 / total);
        remainder[b] = qint64(counts[b]) * 100 % total;
        given += out[b];
        order[b] = b;
    }
    // Ties go to the band listed first, so the same counts always give the same shares.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return remainder[a] > remainder[b]; });
    for (int i = 0; given < 100; ++i, ++given)
        ++out[order[i]];
    return out;
}

Spread spread(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    Spread s{};
    constexpr std::array<double, 5> Quantiles = {0.10, 0.25, 0.50, 0.75, 0.90};
    for (int q = 0; q < 5; ++q) {
        const double at = Quantiles[q] * double(values.size() - 1);
        const int below = int(std::floor(at));
        const int above = std::min(int(values.size()) - 1, below + 1);
        s[q] = values[below] + (at - below) * (values[above] - values[below]);
    }
    return s;
}

Window window(int hour)
{
    hour %= 24;
    if (hour >= 4 && hour < 11)
        return Morning;
    if (hour >= 11 && hour < 16)
        return Noon;
    if (hour >= 16 && hour < 22)
        return Evening;
    return Overnight;
}

QString windowName(Window w)
{
    static const char *names[] = {"Morning", "Noon", "Evening", "Overnight"};
    return QString::fromLatin1(names[w]);
}

QString windowHours(Window w)
{
    static const char *hours[] = {"04:00\u201311:00", "11:00\u201316:00", "16:00\u201322:00",
                                  "22:00\u201304:00"};
    return QString::fromUtf8(hours[w]);
}

Pattern pattern(const QVector<Taken> &period)
{
    Pattern p;
    for (const Taken &t : period) {
        std::optional<Window> w;
        if (t.hourValue) {
            // The hour alone decides, as the view's own test reads "25:10" as night.
            const int hour = int(std::floor(*t.hourValue));
            w = window(hour);
            p.windows[*w].values.push_back(t.mgdl);
            p.windows[*w].lows += t.mgdl < LowLevel ? 1 : 0;
            if (t.time)
                p.hours[t.time->hour()].values.push_back(t.mgdl);
        }
        if (t.mgdl < LowLevel)
            p.lows.push_back({t.date, t.time, t.mgdl, t.meterLow, w});
    }
    for (Hour &h : p.hours) {
        if (h.values.size() >= SpreadMinReadings)
            h.spread = spread(h.values);
    }
    // Undated lows go last; the newest first, as a clinician asks "when was the last one".
    std::stable_sort(p.lows.begin(), p.lows.end(), [](const LowReading &a, const LowReading &b) {
        const QDateTime at(a.date.value_or(QDate()), a.time.value_or(QTime(0, 0)));
        const QDateTime bt(b.date.value_or(QDate()), b.time.value_or(QTime(0, 0)));
        if (a.date.has_value() != b.date.has_value())
            return a.date.has_value();
        return at > bt;
    });
    return p;
}

} // namespace clinical

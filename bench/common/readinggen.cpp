#include "readinggen.h"

#include "readingstore.h"
#include "storedocument.h"

#include <QDate>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace bench {
namespace {

constexpr double kReadingsPerDay = 4;
const QDate kLastDay(2026, 5, 6);
const QDate kFirstPossibleDay(2010, 1, 1);

// When people measure: fasting, after breakfast, lunch, dinner, bedtime, and the odd night.
struct Slot
{
    int fromMinute;
    int toMinute;
    double meanValue;
    double spread;
};
constexpr Slot kSlots[] = {
    {6 * 60, 8 * 60 + 30, 115, 25},   {9 * 60, 10 * 60 + 30, 165, 45},  {12 * 60, 14 * 60, 150, 40},
    {18 * 60, 20 * 60 + 30, 160, 45}, {21 * 60, 23 * 60 + 30, 140, 35}, {2 * 60, 4 * 60, 105, 30},
};

QString recordLine(int value, const QDate &day, int minuteOfDay, bool control, bool temperature)
{
    return QStringLiteral("%1,%2-%3-%4 %5:%6:00,mg/dL,%7,%8")
        .arg(value)
        .arg(day.year())
        .arg(day.month())
        .arg(day.day())
        .arg(minuteOfDay / 60)
        .arg(minuteOfDay % 60)
        .arg(control ? QStringLiteral("Ctrl") : QStringLiteral("-"))
        .arg(temperature ? QStringLiteral("TEMP") : QStringLiteral("-"));
}

} // namespace

QStringList realisticReadings(int count, quint32 seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::discrete_distribution<int> slotPick({30, 15, 20, 20, 13, 2});

    const qint64 maxDays = kFirstPossibleDay.daysTo(kLastDay) + 1;
    const qint64 days = std::clamp<qint64>(qint64(std::ceil(count / kReadingsPerDay)), 1, maxDays);
    const QDate firstDay = kLastDay.addDays(1 - days);

    QStringList lines;
    lines.reserve(count);
    for (qint64 d = 0; d < days; ++d) {
        // Spread the count evenly over the days; within a day the readings go in time order.
        const int today = int((d + 1) * count / days - d * count / days);
        std::vector<std::pair<int, int>> times; // minute of the day, slot
        for (int i = 0; i < today; ++i) {
            const int s = slotPick(random);
            const Slot &slot = kSlots[s];
            times.emplace_back(slot.fromMinute + int(unit(random) * (slot.toMinute - slot.fromMinute)), s);
        }
        std::sort(times.begin(), times.end());
        for (const auto &[minute, s] : times) {
            const Slot &slot = kSlots[s];
            const bool control = unit(random) < 0.01;
            const bool temperature = unit(random) < 0.005;
            double value = std::normal_distribution<double>(slot.meanValue, slot.spread)(random);
            if (control)
                value = 100 + unit(random) * 30; // control solution reads in its own narrow band
            else if (unit(random) < 0.02)
                value = 40 + unit(random) * 30; // a hypo now and then
            else if (unit(random) < 0.03)
                value = 250 + unit(random) * 150; // and a high
            const int mgdl = std::clamp(int(std::lround(value)), 40, 400);
            lines.append(recordLine(mgdl, firstDay.addDays(d), minute, control, temperature));
        }
    }
    return lines;
}

QByteArray storeBytes(const QStringList &lines)
{
    QFile templ(QStringLiteral(QUILLON_SOURCE_DIR "/cfg/datamb.xml"));
    StoreDocument store;
    if (!templ.open(QIODevice::ReadOnly) || !parseStore(templ.readAll(), store))
        throw std::runtime_error("cannot read the installed template cfg/datamb.xml");
    // The program's own code builds the document, so the layout is the program's by construction.
    for (const QString &line : lines)
        AddXmlNode(store.xt, StoreTags::item, line);
    return serializeStore(store);
}

} // namespace bench

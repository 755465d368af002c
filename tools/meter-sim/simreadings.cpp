#include "simreadings.h"

#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <random>

QByteArray SimReading::frame() const
{
    QByteArray f;
    f.append(char(0xFC));
    f.append(char(0x03));
    f.append(char(when.date().year() % 100));
    f.append(char(when.date().month()));
    f.append(char(when.date().day()));
    f.append(char(when.time().hour()));
    f.append(char(when.time().minute()));
    f.append(char((value >> 8) & 0xFF));
    f.append(char(value & 0xFF));
    f.append(char((control ? 0x01 : 0) | (temperature ? 0x02 : 0)));
    return f;
}

namespace simreadings {

namespace {

struct Slot
{
    int hour;
    int minute;
    int low; // typical range at that time of day, mg/dL
    int high;
};

// Later slots first, since the readings are generated backwards from the newest.
const Slot DaySlots[] = {
    {22, 0, 100, 165},
    {18, 45, 105, 180},
    {13, 0, 110, 185},
    {7, 30, 80, 135},
};

} // namespace

QVector<SimReading> generate(int count, const QDateTime &last, quint32 seed)
{
    std::mt19937 rng(seed);
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    QVector<SimReading> out;
    out.reserve(count);
    for (int day = 0; out.size() < count; ++day) {
        const QDate date = last.date().addDays(-day);
        for (const Slot &slot : DaySlots) {
            if (out.size() >= count)
                break;
            // Now and then a reading is skipped, as people do.
            if (uniform(0, 9) == 0)
                continue;
            const int jitter = uniform(-35, 35);
            const QDateTime when = QDateTime(date, QTime(slot.hour, slot.minute)).addSecs(jitter * 60);
            if (when > last)
                continue;
            SimReading r;
            r.when = QDateTime(when.date(), QTime(when.time().hour(), when.time().minute()));
            const int roll = uniform(0, 99);
            if (roll < 4) {
                r.value = uniform(52, 69); // a low
            } else if (roll < 12) {
                r.value = uniform(200, 290); // a high after a big meal
            } else {
                r.value = uniform(slot.low, slot.high);
            }
            if (uniform(0, 29) == 0) {
                r.control = true; // control solution reads in its own band
                r.value = uniform(105, 135);
            }
            r.temperature = uniform(0, 24) == 0;
            out.append(r);
        }
    }
    std::reverse(out.begin(), out.end());
    return out;
}

std::optional<QVector<SimReading>> load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QVector<SimReading> out;
    QTextStream in(&file);
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool ok = false;
        SimReading r;
        if (parts.size() >= 3) {
            r.when = QDateTime::fromString(parts[0] + QLatin1Char(' ') + parts[1],
                                           QStringLiteral("yyyy-MM-dd HH:mm"));
            r.value = parts[2].toInt(&ok);
        }
        ok = ok && r.when.isValid() && r.value >= 0 && r.value <= 0xFFFF;
        for (int i = 3; ok && i < parts.size(); ++i) {
            if (parts[i].compare(QLatin1String("ctrl"), Qt::CaseInsensitive) == 0)
                r.control = true;
            else if (parts[i].compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0)
                r.temperature = true;
            else
                ok = false;
        }
        if (!ok) {
            *error = QStringLiteral("%1:%2: expected \"YYYY-MM-DD HH:MM VALUE [ctrl] [temp]\"")
                         .arg(path)
                         .arg(lineNo);
            return std::nullopt;
        }
        out.append(r);
    }
    return out;
}

} // namespace simreadings

#include "frameparser.h"

#include "hextext.h"

namespace frameparser {

namespace {

int field(const QString &text, int firstDigit, int digits)
{
    // Digit positions count from 1; two digits make one byte of the answer.
    return int(hex_to_num(text.mid(firstDigit - 1, digits)));
}

} // namespace

int readingCount(const QString &answer)
{
    return field(answer, 5, 4);
}

Reading decodeFrame(const QString &frame)
{
    Reading r;
    const int flags = field(frame, 19, 2);
    r.control = flags & 0x01;
    r.temperature = flags & 0x02;
    r.value = field(frame, 15, 4);
    r.year = field(frame, 5, 2);
    r.month = field(frame, 7, 2);
    r.day = field(frame, 9, 2);
    r.hour = field(frame, 11, 2);
    r.minute = field(frame, 13, 2);
    return r;
}

bool hasValidDateTime(const Reading &reading, const QDate &today)
{
    constexpr int YearsPerCentury = 100;
    constexpr int HoursPerDay = 24;
    constexpr int MinutesPerHour = 60;
    if (reading.year < 0 || reading.year >= YearsPerCentury)
        return false;
    const int year = QString::number(today.year()).left(2).toInt() * YearsPerCentury + reading.year;
    return QDate(year, reading.month, reading.day).isValid() && reading.hour >= 0 &&
           reading.hour < HoursPerDay && reading.minute >= 0 && reading.minute < MinutesPerHour;
}

QString recordLine(const Reading &reading, const QDate &today)
{
    const QString century = QString::number(today.year()).left(2);
    const QString year = reading.year < 10 ? century + QLatin1Char('0') + QString::number(reading.year)
                                           : century + QString::number(reading.year);
    return QStringLiteral("%1,%2-%3-%4 %5:%6:00,mg/dL,%7,%8")
        .arg(reading.value)
        .arg(year)
        .arg(reading.month)
        .arg(reading.day)
        .arg(reading.hour)
        .arg(reading.minute)
        .arg(reading.control ? QStringLiteral("Ctrl") : QStringLiteral("-"),
             reading.temperature ? QStringLiteral("TEMP") : QStringLiteral("-"));
}

} // namespace frameparser

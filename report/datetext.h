#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// Dates as the date boxes hold them: the computer's short date format, always with a
// four-digit year, so that a date written into a box reads back as the same date.
namespace datetext {

QString shortDateFormat();
QString dateToBoxText(const QDate &date);
// A date with a time of day, as a fractional period gives it ("1.5 Day").
QString dateTimeToBoxText(const QDateTime &dateTime);
// Reads what a box holds: the short format (with or without a time), a two-digit year in the
// 1930-2029 window, or an ISO date. nullopt for text that is not a date.
std::optional<QDateTime> boxTextToDateTime(const QString &text);

// The date-time field of a record line, "2012-5-6 9:5:00"; nullopt when its date part is not a
// date. The time part is read separately by the report's time-of-day test.
std::optional<QDate> recordDate(QStringView dateText);

} // namespace datetext

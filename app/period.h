#pragma once

#include <QDate>
#include <QString>
#include <optional>

// The period rule: the period text ("7 Day", "User", anything typed) turned into the two
// dates of the report range.
namespace period {

// The number the period text begins with ("45 Day" -> 45, "abc" -> 0).
double daysBack(const QString &periodText);

struct Dates
{
    QString d1; // end date: today
    QString d2; // today minus N days; with a time of day when N has a fraction
};

// nullopt for "User", which leaves the dates alone. N too large for a date is clamped to the
// earliest date we write, so the rule never fails.
std::optional<Dates> rule(const QString &periodText, const QDate &today);

} // namespace period

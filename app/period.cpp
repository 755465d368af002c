#include "period.h"

#include "datetext.h"
#include "numbertext.h"

#include <QDateTime>
#include <cmath>

namespace period {

namespace {

// The range of dates we write into a box; both read back through the short format.
const QDate Earliest(100, 1, 1);
const QDate Latest(9999, 12, 31);

} // namespace

double daysBack(const QString &periodText)
{
    return numbertext::leadingNumberSkippingBlanks(periodText);
}

std::optional<Dates> rule(const QString &periodText, const QDate &today)
{
    if (periodText == QLatin1String("User"))
        return std::nullopt;
    const double n = daysBack(periodText);
    Dates dates;
    dates.d1 = datetext::dateToBoxText(today);

    const double maxBack = double(Earliest.daysTo(today));
    const double maxForward = double(today.daysTo(Latest));
    if (std::isnan(n) || n >= maxBack) {
        dates.d2 = datetext::dateToBoxText(Earliest);
    } else if (-n >= maxForward) {
        dates.d2 = datetext::dateToBoxText(Latest);
    } else if (n == std::floor(n)) {
        dates.d2 = datetext::dateToBoxText(today.addDays(-qint64(n)));
    } else {
        // Whole seconds, as a date-time value holds them: 1.5 days back is 12:00:00.
        const qint64 seconds = qint64(std::llround(n * 86400.0));
        const QDateTime midnight(today, QTime(0, 0));
        dates.d2 = datetext::dateTimeToBoxText(midnight.addSecs(-seconds));
    }
    return dates;
}

} // namespace period

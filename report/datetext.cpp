#include "datetext.h"

#include <QLocale>
#include <QRegularExpression>

namespace datetext {

namespace {

const QString TimeFormat = QStringLiteral("HH:mm:ss");

// The short format with its year widened to four digits where it has two.
QString widenedYear(QString format)
{
    if (format.contains(QStringLiteral("yyyy")))
        return format;
    format.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
    return format;
}

} // namespace

QString shortDateFormat()
{
    return widenedYear(QLocale::system().dateFormat(QLocale::ShortFormat));
}

QString dateToBoxText(const QDate &date)
{
    return QLocale::system().toString(date, shortDateFormat());
}

QString dateTimeToBoxText(const QDateTime &dateTime)
{
    return dateToBoxText(dateTime.date()) + QLatin1Char(' ') +
           QLocale::system().toString(dateTime.time(), TimeFormat);
}

std::optional<QDateTime> boxTextToDateTime(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QLocale locale = QLocale::system();
    const QString wide = shortDateFormat();
    const QString narrow = locale.dateFormat(QLocale::ShortFormat);

    for (const QString &format : {wide, narrow}) {
        QDate d = locale.toDate(t, format);
        if (d.isValid()) {
            // A typed two-digit year means this century or the last one, as people write it.
            if (!format.contains(QStringLiteral("yyyy")) && d.year() < 1930)
                d = d.addYears(100);
            return QDateTime(d, QTime(0, 0));
        }
        const QDateTime dt = locale.toDateTime(t, format + QLatin1Char(' ') + TimeFormat);
        if (dt.isValid())
            return dt;
    }
    for (const QString &format : {QStringLiteral("yyyy-M-d"), QStringLiteral("yyyy-M-d H:m:s")}) {
        const QDateTime dt = QDateTime::fromString(t, format);
        if (dt.isValid())
            return dt;
    }
    return std::nullopt;
}

std::optional<QDate> recordDate(const QString &dateText)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,4})-(\\d{1,2})-(\\d{1,2})(\\s|$)"));
    const auto m = pattern.match(dateText);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

} // namespace datetext

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

std::optional<QDate> recordDate(QStringView dateText)
{
    // "y-m-d" at the start, blanks before it allowed, ended by a blank or the end of the text:
    // 1 to 4 digits of year, 1 or 2 of month and of day, ASCII only. Read by hand, since every
    // report run reads the date of every stored reading.
    const qsizetype n = dateText.size();
    qsizetype i = 0;
    auto isBlank = [&dateText](qsizetype at) {
        const char16_t c = dateText.at(at).unicode();
        return c == u' ' || (c >= u'\t' && c <= u'\r');
    };
    auto number = [&](int maxDigits, int &value) {
        int digits = 0;
        value = 0;
        for (; i < n && digits < maxDigits; ++i, ++digits) {
            const char16_t c = dateText.at(i).unicode();
            if (c < u'0' || c > u'9')
                break;
            value = value * 10 + int(c - u'0');
        }
        return digits > 0;
    };
    auto dash = [&] {
        if (i >= n || dateText.at(i) != u'-')
            return false;
        ++i;
        return true;
    };
    while (i < n && isBlank(i))
        ++i;
    int year = 0;
    int month = 0;
    int day = 0;
    if (!number(4, year) || !dash() || !number(2, month) || !dash() || !number(2, day))
        return std::nullopt;
    if (i < n && !isBlank(i))
        return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

} // namespace datetext

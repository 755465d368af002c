// The date of a stored record line, as the report reads it to place each reading in the period.
#include "datetext.h"
#include "rows.h"

#include <QtTest>

class tst_DateText : public QObject
{
    Q_OBJECT
private slots:
    void recordDate_data();
    void recordDate();
};

void tst_DateText::recordDate_data()
{
    columns<QString, QDate>("dateText", "date"); // invalid date: not a date

    row("as stored", "2012-5-6 9:5:00", QDate(2012, 5, 6));
    row("padded", "2012-05-06 09:05:00", QDate(2012, 5, 6));
    row("date only", "2012-5-6", QDate(2012, 5, 6));
    row("blanks before", "  \t2012-5-6 9:5:00", QDate(2012, 5, 6));
    row("tab after", "2012-5-6\t9:5", QDate(2012, 5, 6));
    row("line end after", "2012-5-6\n", QDate(2012, 5, 6));
    row("vertical tab after", "2012-5-6\v", QDate(2012, 5, 6));
    row("year of one digit", "1-1-1", QDate(1, 1, 1));
    row("year 0 does not exist", "0-1-1", QDate());
    row("five-digit year", "12012-5-6", QDate());
    row("three-digit month", "2012-005-6", QDate());
    row("three-digit day", "2012-5-006", QDate());
    row("no such day", "2012-2-30", QDate());
    row("letter after the day", "2012-5-6x", QDate());
    row("colon after the day", "2012-5-6:9", QDate());
    row("slashes", "2012/5/6", QDate());
    row("no day", "2012-5-", QDate());
    row("empty", "", QDate());
    row("no-break space after", QStringLiteral("2012-5-6\u00a09:5"), QDate());
    row("em space before", QStringLiteral("\u20032012-5-6"), QDate());
    row("full-width digits", QStringLiteral("\uff12\uff10\uff11\uff12-5-6"), QDate());
    row("Arabic-Indic digits", QStringLiteral("2012-\u0665-6"), QDate());
}

void tst_DateText::recordDate()
{
    const auto [dateText, date] = cells<QString, QDate>("dateText", "date");

    const std::optional<QDate> read = datetext::recordDate(dateText);
    QCOMPARE(read.has_value(), date.isValid());
    if (read)
        QCOMPARE(*read, date);
}

QTEST_MAIN(tst_DateText)
#include "tst_datetext.moc"

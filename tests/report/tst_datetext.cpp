// The date of a stored record line, as the report reads it to place each reading in the period.
#include "datetext.h"

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
    QTest::addColumn<QString>("dateText");
    QTest::addColumn<QDate>("date"); // invalid: not a date

    QTest::newRow("as stored") << "2012-5-6 9:5:00" << QDate(2012, 5, 6);
    QTest::newRow("padded") << "2012-05-06 09:05:00" << QDate(2012, 5, 6);
    QTest::newRow("date only") << "2012-5-6" << QDate(2012, 5, 6);
    QTest::newRow("blanks before") << "  \t2012-5-6 9:5:00" << QDate(2012, 5, 6);
    QTest::newRow("tab after") << "2012-5-6\t9:5" << QDate(2012, 5, 6);
    QTest::newRow("line end after") << "2012-5-6\n" << QDate(2012, 5, 6);
    QTest::newRow("vertical tab after") << "2012-5-6\v" << QDate(2012, 5, 6);
    QTest::newRow("year of one digit") << "1-1-1" << QDate(1, 1, 1);
    QTest::newRow("year 0 does not exist") << "0-1-1" << QDate();
    QTest::newRow("five-digit year") << "12012-5-6" << QDate();
    QTest::newRow("three-digit month") << "2012-005-6" << QDate();
    QTest::newRow("three-digit day") << "2012-5-006" << QDate();
    QTest::newRow("no such day") << "2012-2-30" << QDate();
    QTest::newRow("letter after the day") << "2012-5-6x" << QDate();
    QTest::newRow("colon after the day") << "2012-5-6:9" << QDate();
    QTest::newRow("slashes") << "2012/5/6" << QDate();
    QTest::newRow("no day") << "2012-5-" << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("no-break space after") << QStringLiteral("2012-5-6\u00a09:5") << QDate();
    QTest::newRow("em space before") << QStringLiteral("\u20032012-5-6") << QDate();
    QTest::newRow("full-width digits") << QStringLiteral("\uff12\uff10\uff11\uff12-5-6") << QDate();
    QTest::newRow("Arabic-Indic digits") << QStringLiteral("2012-\u0665-6") << QDate();
}

void tst_DateText::recordDate()
{
    QFETCH(QString, dateText);
    QFETCH(QDate, date);

    const std::optional<QDate> read = datetext::recordDate(dateText);
    QCOMPARE(read.has_value(), date.isValid());
    if (read)
        QCOMPARE(*read, date);
}

QTEST_MAIN(tst_DateText)
#include "tst_datetext.moc"

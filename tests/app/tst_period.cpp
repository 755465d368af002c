#include "clsoperateini.h"
#include "datetext.h"
#include "mainwindow.h"
#include "mainwindowfixture.h"
#include "period.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

QDate boxDate(const QString &text)
{
    const auto dt = datetext::boxTextToDateTime(text);
    return dt ? dt->date() : QDate();
}

} // namespace

class TestPeriod : public QObject
{
    Q_OBJECT

    MainWindowFixture fx;

    QComboBox *combo1() const { return fx.child<QComboBox>("Combo1"); }
    QComboBox *d1() const { return fx.child<QComboBox>("xt_d1"); }
    QComboBox *d2() const { return fx.child<QComboBox>("xt_d2"); }

private slots:
    void cleanup() { fx.reset(); }

    void rule_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDateTime>("start");
        const QDate may10(2026, 5, 10);
        QTest::newRow("7 Day") << "7 Day" << may10 << QDateTime(QDate(2026, 5, 3), QTime(0, 0));
        QTest::newRow("1 Day") << "1 Day" << may10 << QDateTime(QDate(2026, 5, 9), QTime(0, 0));
        QTest::newRow("typed 45 Day") << "45 Day" << may10 << QDateTime(may10.addDays(-45), QTime(0, 0));
        QTest::newRow("no number") << "abc" << may10 << QDateTime(may10, QTime(0, 0));
        QTest::newRow("9999 Day") << "9999 Day" << may10 << QDateTime(may10.addDays(-9999), QTime(0, 0));
        QTest::newRow("fraction gives noon")
            << "1.5 Day" << may10 << QDateTime(QDate(2026, 5, 8), QTime(12, 0));
        QTest::newRow("negative looks ahead")
            << "-3 Day" << may10 << QDateTime(QDate(2026, 5, 13), QTime(0, 0));
        QTest::newRow("too large for a date")
            << "99999999 Day" << may10 << QDateTime(QDate(100, 1, 1), QTime(0, 0));
        QTest::newRow("far too large") << "1e300 Day" << may10 << QDateTime(QDate(100, 1, 1), QTime(0, 0));
        QTest::newRow("infinite") << "1e999 Day" << may10 << QDateTime(QDate(100, 1, 1), QTime(0, 0));
        QTest::newRow("far ahead") << "-1e300 Day" << may10 << QDateTime(QDate(9999, 12, 31), QTime(0, 0));
        QTest::newRow("leap day") << "365 Day" << QDate(2028, 2, 29)
                                  << QDateTime(QDate(2027, 3, 1), QTime(0, 0));
    }
    void rule()
    {
        QFETCH(QString, period);
        QFETCH(QDate, today);
        QFETCH(QDateTime, start);
        const auto dates = period::rule(period, today);
        QVERIFY(dates);
        QCOMPARE(boxDate(dates->d1), today);
        const auto d2 = datetext::boxTextToDateTime(dates->d2);
        QVERIFY2(d2, qPrintable(dates->d2));
        QCOMPARE(*d2, start);
    }

    void userLeavesTheDatesAlone()
    {
        QVERIFY(!period::rule(QStringLiteral("User"), QDate(2026, 5, 10)));
        QVERIFY(period::rule(QStringLiteral("user"), QDate(2026, 5, 10)));
    }

    void datesReadBack()
    {
        for (const QDate &d : {QDate(2026, 12, 6), QDate(1999, 1, 31), QDate(2029, 7, 4), QDate(1930, 2, 1),
                               QDate(100, 1, 1), QDate(9999, 12, 31)}) {
            const QString text = datetext::dateToBoxText(d);
            QVERIFY2(boxDate(text) == d, qPrintable(text));
        }
        const QDateTime noon(QDate(2026, 3, 5), QTime(12, 0));
        QCOMPARE(datetext::boxTextToDateTime(datetext::dateTimeToBoxText(noon)), noon);
    }

    void notADate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "tomorrow";
        QTest::newRow("day 32") << "2026-1-32";
        QTest::newRow("placeholder") << "xt_d1";
        QTest::newRow("2000 characters") << QString(2000, u'9');
    }
    void notADate()
    {
        QFETCH(QString, text);
        QVERIFY(!datetext::boxTextToDateTime(text));
    }

    void periodPickWaitsForTheNextTick()
    {
        MainWindow *w = fx.start();
        w->show();
        const QString before = d2()->currentText();
        combo1()->setCurrentText(QStringLiteral("30 Day"));
        QCOMPARE(d2()->currentText(), before);
        w->Timer1_Timer();
        QCOMPARE(boxDate(d1()->currentText()), QDate::currentDate());
        QCOMPARE(boxDate(d2()->currentText()), QDate::currentDate().addDays(-30));
    }

    void timerTicksMoveTheDates()
    {
        fx.start()->show();
        combo1()->setCurrentText(QStringLiteral("14 Day"));
        QTRY_COMPARE(boxDate(d2()->currentText()), QDate::currentDate().addDays(-14));
    }

    void typedPeriods_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("days");
        QTest::newRow("45 Day") << "45 Day" << 45;
        QTest::newRow("abc") << "abc" << 0;
    }
    void typedPeriods()
    {
        QFETCH(QString, typed);
        QFETCH(int, days);
        MainWindow *w = fx.start();
        w->show();
        combo1()->lineEdit()->clear();
        QTest::keyClicks(combo1()->lineEdit(), typed);
        w->Timer1_Timer();
        QCOMPARE(boxDate(d2()->currentText()), QDate::currentDate().addDays(-days));
    }

    void calendarPickSwitchesToUser()
    {
        MainWindow *w = fx.start();
        w->show();
        const QString endBefore = d1()->currentText();
        d2()->showPopup();
        auto *calendar = fx.child<QCalendarWidget>("Calendar2");
        QVERIFY(calendar->isVisible());
        const QDate picked = QDate::currentDate().addDays(-20);
        calendar->setSelectedDate(picked);
        emit calendar->clicked(picked);
        QVERIFY(calendar->isHidden());
        QCOMPARE(combo1()->currentText(), QStringLiteral("User"));
        QCOMPARE(boxDate(d2()->currentText()), picked);
        QCOMPARE(d1()->currentText(), endBefore);
        w->Timer1_Timer();
        w->Timer1_Timer();
        QCOMPARE(boxDate(d2()->currentText()), picked);
        QCOMPARE(d1()->currentText(), endBefore);
    }

    void dropDownTwiceShowsThenHides()
    {
        fx.start()->show();
        const QString text = d1()->currentText();
        auto *calendar = fx.child<QCalendarWidget>("Calendar1");
        d1()->showPopup();
        QVERIFY(calendar->isVisible());
        QCOMPARE(calendar->selectedDate(), boxDate(text));
        d1()->showPopup();
        QVERIFY(calendar->isHidden());
        QCOMPARE(d1()->currentText(), text);
        QCOMPARE(combo1()->currentText(), QStringLiteral("7 Day"));
    }

    void dropDownOnTextThatIsNotADate()
    {
        fx.start()->show();
        d1()->setEditText(QStringLiteral("someday"));
        auto *calendar = fx.child<QCalendarWidget>("Calendar1");
        calendar->setSelectedDate(QDate(2001, 1, 1));
        d1()->showPopup();
        QVERIFY(calendar->isVisible());
        QCOMPARE(calendar->selectedDate(), QDate::currentDate());
        QCOMPARE(d1()->currentText(), QStringLiteral("someday"));
    }

    void viewPicks_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("timeview");
        QTest::newRow("morning") << "Glucose Morning Trend"
                                 << "Glucose Morning Trend [04:00-11:00] " << 1;
        QTest::newRow("noon") << "Glucose Noon Trend"
                              << "Glucose  Noon  Trend  [11:00-16:00] " << 2;
        QTest::newRow("night") << "Glucose Night Trend"
                               << "Glucose  Night  Trend [16:00-04:00] " << 3;
        QTest::newRow("all") << "ALL"
                             << "Glucose Day Trend[00:00-24:00] " << 0;
    }
    void viewPicks()
    {
        QFETCH(QString, entry);
        QFETCH(QString, caption);
        QFETCH(int, timeview);
        MainWindow *w = fx.start();
        w->show();
        auto *view = fx.child<QComboBox>("sel_viewtype");
        if (entry == QLatin1String("ALL")) { // start from another view, so the pick changes something
            view->setCurrentIndex(0);
            emit view->activated(0);
        }
        const int index = view->findText(entry);
        view->setCurrentIndex(index);
        emit view->activated(index);
        QCOMPARE(fx.child<QLabel>("sel_info")->text(), caption);
        QCOMPARE(int(w->timeview), timeview);
        QCOMPARE(fx.iniValue("setting", "timesplit"), entry);
    }

    void unitPickStoresAndTypedTextDoesNot()
    {
        fx.start()->show();
        auto *unit = fx.child<QComboBox>("unit");
        unit->lineEdit()->selectAll();
        QTest::keyClicks(unit->lineEdit(), QStringLiteral("mmol/l"));
        QTest::keyClick(unit->lineEdit(), Qt::Key_Return);
        QCOMPARE(fx.iniValue("setting", "unit"), QStringLiteral("mg/dl"));
        QCOMPARE(unit->count(), 2);

        unit->setCurrentIndex(0);
        emit unit->activated(0);
        QCOMPARE(fx.iniValue("setting", "unit"), QStringLiteral("mmol/l"));
    }
};

QTEST_MAIN(TestPeriod)
#include "tst_period.moc"

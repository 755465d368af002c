#include "datetext.h"
#include "mainwindowfixture.h"
#include "period.h"
#include "rows.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

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
    // A tick through the timer's own signal, so the wiring is exercised without waiting.
    void tick() const { QVERIFY(QMetaObject::invokeMethod(fx.child<QTimer>("Timer1"), "timeout")); }

private slots:
    void cleanup() { fx.reset(); }

    void rule_data()
    {
        // An invalid start: the dates are left alone.
        columns<QString, QDate, QDateTime>("period", "today", "start");
        const QDate may10(2026, 5, 10);
        const QTime midnight(0, 0);
        row("7 Day", "7 Day", may10, QDateTime(QDate(2026, 5, 3), midnight));
        row("1 Day", "1 Day", may10, QDateTime(QDate(2026, 5, 9), midnight));
        row("typed 45 Day", "45 Day", may10, QDateTime(may10.addDays(-45), midnight));
        row("no number", "abc", may10, QDateTime(may10, midnight));
        row("9999 Day", "9999 Day", may10, QDateTime(may10.addDays(-9999), midnight));
        row("fraction gives noon", "1.5 Day", may10, QDateTime(QDate(2026, 5, 8), QTime(12, 0)));
        row("negative looks ahead", "-3 Day", may10, QDateTime(QDate(2026, 5, 13), midnight));
        row("too large for a date", "99999999 Day", may10, QDateTime(QDate(100, 1, 1), midnight));
        row("far too large", "1e300 Day", may10, QDateTime(QDate(100, 1, 1), midnight));
        row("infinite", "1e999 Day", may10, QDateTime(QDate(100, 1, 1), midnight));
        row("far ahead", "-1e300 Day", may10, QDateTime(QDate(9999, 12, 31), midnight));
        row("leap day", "365 Day", QDate(2028, 2, 29), QDateTime(QDate(2027, 3, 1), midnight));
        row("User", "User", may10, QDateTime());
        row("user in other case is no number", "user", may10, QDateTime(may10, midnight));
    }
    void rule()
    {
        auto [period, today, start] = cells<QString, QDate, QDateTime>("period", "today", "start");
        const auto dates = period::rule(period, today);
        QCOMPARE(dates.has_value(), start.isValid());
        if (!dates)
            return;
        QCOMPARE(boxDate(dates->d1), today);
        const auto d2 = datetext::boxTextToDateTime(dates->d2);
        QVERIFY2(d2, qPrintable(dates->d2));
        QCOMPARE(*d2, start);
    }

    void datesReadBack_data()
    {
        // A null text stands for the box text of the date; an invalid date means "not a date".
        columns<QString, QDate>("text", "date");
        for (const QDate &d : {QDate(2026, 12, 6), QDate(1999, 1, 31), QDate(2029, 7, 4), QDate(1930, 2, 1),
                               QDate(100, 1, 1), QDate(9999, 12, 31)})
            QTest::newRow(qPrintable(d.toString(Qt::ISODate))) << QString() << d;
        row("empty", "", QDate());
        row("letters", "tomorrow", QDate());
        row("day 32", "2026-1-32", QDate());
        row("placeholder", "xt_d1", QDate());
        row("2000 characters", QString(2000, u'9'), QDate());
    }
    void datesReadBack()
    {
        auto [text, date] = cells<QString, QDate>("text", "date");
        if (text.isNull())
            text = datetext::dateToBoxText(date);
        QVERIFY2(boxDate(text) == date, qPrintable(text));
        QCOMPARE(datetext::boxTextToDateTime(text).has_value(), date.isValid());
        const QDateTime noon(QDate(2026, 3, 5), QTime(12, 0));
        QCOMPARE(datetext::boxTextToDateTime(datetext::dateTimeToBoxText(noon)), noon);
    }

    void periodAppliesOnTheNextTick_data()
    {
        columns<QString, bool, int>("text", "typed", "days");
        row("30 Day picked", "30 Day", false, 30);
        row("typed 45 Day", "45 Day", true, 45);
        row("typed abc", "abc", true, 0);
    }
    void periodAppliesOnTheNextTick()
    {
        auto [text, typed, days] = cells<QString, bool, int>("text", "typed", "days");
        fx.start()->show();
        const QString before = d2()->currentText();
        if (typed) {
            combo1()->lineEdit()->clear();
            QTest::keyClicks(combo1()->lineEdit(), text);
        } else {
            combo1()->setCurrentText(text);
        }
        QCOMPARE(d2()->currentText(), before);
        tick();
        QCOMPARE(boxDate(d1()->currentText()), QDate::currentDate());
        QCOMPARE(boxDate(d2()->currentText()), QDate::currentDate().addDays(-days));
    }

    void calendarPickSwitchesToUser()
    {
        fx.start()->show();
        const QString endBefore = d1()->currentText();
        d2()->showPopup();
        auto *calendar = fx.child<QCalendarWidget>("Calendar2");
        QVERIFY(calendar->isVisible());
        const QDate picked = QDate::currentDate().addDays(-20);
        calendar->setSelectedDate(picked);
        emit calendar->clicked(picked);
        QVERIFY(calendar->isHidden());
        QCOMPARE(combo1()->currentText(), QStringLiteral("User"));
        for (int ticks = 0; ticks < 3; ++ticks) {
            QCOMPARE(boxDate(d2()->currentText()), picked);
            QCOMPARE(d1()->currentText(), endBefore);
            tick();
        }
    }

    void dropDownTwiceShowsThenHides_data()
    {
        // A null text keeps the date the box holds from the start.
        columns<QString, QString, QString, QDate>("box", "calendar", "text", "opensOn");
        row("a date", "xt_d2", "Calendar2", QString(), QDate::currentDate().addDays(-7));
        row("not a date opens on today", "xt_d1", "Calendar1", "someday", QDate::currentDate());
    }
    void dropDownTwiceShowsThenHides()
    {
        auto [box, calendar, text, opensOn] =
            cells<QString, QString, QString, QDate>("box", "calendar", "text", "opensOn");
        fx.start()->show();
        auto *dates = fx.child<QComboBox>(qPrintable(box));
        auto *cal = fx.child<QCalendarWidget>(qPrintable(calendar));
        if (!text.isNull())
            dates->setEditText(text);
        text = dates->currentText();
        cal->setSelectedDate(QDate(2001, 1, 1));
        dates->showPopup();
        QVERIFY(cal->isVisible());
        QCOMPARE(cal->selectedDate(), opensOn);
        dates->showPopup();
        QVERIFY(cal->isHidden());
        QCOMPARE(dates->currentText(), text);
        QCOMPARE(combo1()->currentText(), QStringLiteral("7 Day"));
    }

    void viewPicks_data()
    {
        columns<QString, QString, int>("entry", "caption", "timeview");
        row("morning", "Glucose Morning Trend", "Glucose Morning Trend [04:00-11:00] ", 1);
        row("noon", "Glucose Noon Trend", "Glucose  Noon  Trend  [11:00-16:00] ", 2);
        row("night", "Glucose Night Trend", "Glucose  Night  Trend [16:00-04:00] ", 3);
        row("all", "ALL", "Glucose Day Trend[00:00-24:00] ", 0);
    }
    void viewPicks()
    {
        auto [entry, caption, timeview] = cells<QString, QString, int>("entry", "caption", "timeview");
        MainWindow *w = fx.start();
        w->show();
        auto *view = fx.child<QComboBox>("sel_viewtype");
        // Start from another view, so that every pick changes something.
        const int other = view->findText(QStringLiteral("ALL")) == 0 ? 1 : 0;
        const int index = view->findText(entry);
        for (int i : {other, index}) {
            view->setCurrentIndex(i);
            emit view->activated(i);
        }
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

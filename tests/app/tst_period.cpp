#include "datetext.h"
#include "mainwindowfixture.h"
#include "period.h"
#include "rows.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
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

    // What a person does in the period box: types over its text or picks with the arrow keys,
    // then leaves it with Tab or by clicking into another box.
    void periodAppliesOnTheNextTick_data()
    {
        // typed: null types nothing; downs: presses of the Down key
        columns<QString, int, QString, QString, int>("typed", "downs", "leave", "shows", "days");
        row("30 Day picked with the arrow keys", QString(), 3, "tab", "30 Day", 30);
        row("typed 45 Day", "45 Day", 0, "tab", "45 Day", 45);
        row("typed abc", "abc", 0, "click", "abc", 0);
        row("typed 3 is not completed to 30 Day", "3", 0, "tab", "3", 3);
        row("typed 2 is not completed to 21 Day", "2", 0, "click", "2", 2);
        row("typed 18 is not completed to 180 Day", "18", 0, "tab", "18", 18);
        row("typed user stays as typed", "user", 0, "tab", "user", 0);
        row("typed USER stays as typed", "USER", 0, "click", "USER", 0);
        row("typed User is manual", "User", 0, "tab", "User", 7);
    }
    void periodAppliesOnTheNextTick()
    {
        auto [typed, downs, leave, shows, days] =
            cells<QString, int, QString, QString, int>("typed", "downs", "leave", "shows", "days");
        MainWindow *w = fx.start();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::mouseClick(combo1()->lineEdit(), Qt::LeftButton);
        QWidget *edit = QApplication::focusWidget();
        QCOMPARE(edit, combo1());
        const QString before = d2()->currentText();
        if (!typed.isNull()) {
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, typed);
        }
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(edit, Qt::Key_Down);
        if (leave == QLatin1String("tab"))
            QTest::keyClick(edit, Qt::Key_Tab);
        else
            QTest::mouseClick(d1()->lineEdit(), Qt::LeftButton);
        QVERIFY(!edit->hasFocus());
        QCOMPARE(combo1()->currentText(), shows);
        QCOMPARE(d2()->currentText(), before);
        tick();
        QCOMPARE(combo1()->currentText(), shows);
        QCOMPARE(boxDate(d1()->currentText()), QDate::currentDate());
        QCOMPARE(boxDate(d2()->currentText()), QDate::currentDate().addDays(-days));
    }

    // From the drop-down arrow to a day, in small steps, the calendar stays open; a click on the
    // day picks it.
    void calendarReachedWithThePointer_data()
    {
        // row, column: a cell of the calendar's grid, past its row of day names and its column
        // of week numbers; the pointer goes there from the arrow, or first to a button of the
        // calendar's own, which turns the month
        columns<QString, QString, int, int, QString>("box", "calendar", "row", "column", "button");
        row("Calendar1, a day below the arrow", "xt_d1", "Calendar1", 4, 4, QString());
        row("Calendar1, the first cell", "xt_d1", "Calendar1", 1, 1, QString());
        row("Calendar1, the last cell", "xt_d1", "Calendar1", 6, 7, QString());
        row("Calendar2, a day below the arrow", "xt_d2", "Calendar2", 3, 5, QString());
        row("Calendar2, the first cell", "xt_d2", "Calendar2", 1, 1, QString());
        row("Calendar2, the last cell", "xt_d2", "Calendar2", 6, 7, QString());
        row("Calendar1, next month first", "xt_d1", "Calendar1", 3, 3, "qt_calendar_nextmonth");
        row("Calendar1, previous month first", "xt_d1", "Calendar1", 3, 3, "qt_calendar_prevmonth");
        row("Calendar2, next month first", "xt_d2", "Calendar2", 2, 6, "qt_calendar_nextmonth");
        row("Calendar2, previous month first", "xt_d2", "Calendar2", 2, 6, "qt_calendar_prevmonth");
    }
    void calendarReachedWithThePointer()
    {
        auto [box, calendar, row, column, button] =
            cells<QString, QString, int, int, QString>("box", "calendar", "row", "column", "button");
        MainWindow *w = fx.start();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        auto *dates = fx.child<QComboBox>(qPrintable(box));
        auto *cal = fx.child<QCalendarWidget>(qPrintable(calendar));
        const QPoint arrow = MainWindowFixture::arrowOf(dates);
        QTest::mouseMove(dates, arrow);
        QTest::mouseClick(dates, Qt::LeftButton, {}, arrow);
        QVERIFY(cal->isVisible());
        auto *grid = cal->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
        QVERIFY(grid);
        const QPoint day = grid->visualRect(grid->model()->index(row, column)).center();
        QPoint from = dates->mapTo(w, arrow);
        const int month = cal->monthShown();
        if (!button.isEmpty()) {
            auto *turn = cal->findChild<QWidget *>(button);
            QVERIFY(turn);
            const QPoint onTurn = turn->rect().center();
            const auto hiddenAt = MainWindowFixture::movePointerWhile(
                w, from, turn->mapTo(w, onTurn), [cal = cal] { return cal->isVisible(); });
            QVERIFY2(!hiddenAt,
                     qPrintable(QStringLiteral("hidden at %1,%2").arg(hiddenAt->x()).arg(hiddenAt->y())));
            QTest::mouseClick(turn, Qt::LeftButton, {}, onTurn);
            QVERIFY(cal->isVisible());
            QVERIFY(cal->monthShown() != month);
            from = turn->mapTo(w, onTurn);
        }
        const auto hiddenAt = MainWindowFixture::movePointerWhile(w, from, grid->viewport()->mapTo(w, day),
                                                                  [cal = cal] { return cal->isVisible(); });
        QVERIFY2(!hiddenAt,
                 qPrintable(QStringLiteral("hidden at %1,%2").arg(hiddenAt->x()).arg(hiddenAt->y())));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, day);
        QVERIFY(cal->isHidden());
        QCOMPARE(combo1()->currentText(), QStringLiteral("User"));
        QCOMPARE(dates->currentText(), datetext::dateToBoxText(cal->selectedDate()));
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

    // Only an entry chosen from the list is a pick: it stores the unit and redraws. Whatever is
    // typed stays as typed, is never a pick, and the next "Apply" draws in it.
    void unitBox_data()
    {
        // typed: null types nothing; pick: "up", "down" (arrow keys) or "list" (the entry shown
        // is chosen in the drop-down list with the mouse); written: null leaves sys.ini as it was
        columns<QString, QString, QString, QString, QString, QString>("stored", "typed", "pick", "leave",
                                                                      "shows", "written");
        row("tabbed through, in mg/dl", "mg/dl", QString(), QString(), "tab", "mg/dl", QString());
        row("tabbed through, in mmol/l", "mmol/l", QString(), QString(), "tab", "mmol/l", QString());
        row("clicked in and out, in mg/dl", "mg/dl", QString(), QString(), "click", "mg/dl", QString());
        row("clicked in and out, in mmol/l", "mmol/l", QString(), QString(), "click", "mmol/l", QString());
        row("typed mg/dl", "mmol/l", "mg/dl", QString(), "tab", "mg/dl", QString());
        row("typed mmol/l", "mg/dl", "mmol/l", QString(), "click", "mmol/l", QString());
        row("typed MMOL/L", "mg/dl", "MMOL/L", QString(), "click", "MMOL/L", QString());
        row("typed m is not completed", "mg/dl", "m", QString(), "tab", "m", QString());
        row("arrow up picks", "mg/dl", QString(), "up", "tab", "mmol/l", "mmol/l");
        row("arrow down picks", "mmol/l", QString(), "down", "click", "mg/dl", "mg/dl");
        row("picked in the list", "mg/dl", QString(), "list mmol/l", "tab", "mmol/l", "mmol/l");
    }
    void unitBox()
    {
        auto [stored, typed, pick, leave, shows, written] =
            cells<QString, QString, QString, QString, QString, QString>("stored", "typed", "pick", "leave",
                                                                        "shows", "written");
        MainWindow *w = fx.start(MainWindowFixture::installedIniWith("setting", "unit", stored));
        fx.dir().writeFile(QStringLiteral("data/TMPDATE.xml"),
                           "<Data><xt><item>100," +
                               QDate::currentDate().toString(QStringLiteral("yyyy-M-d")).toLatin1() +
                               " 9:0:00,mg/dL,-,-</item></xt></Data>");
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto *unit = fx.child<QComboBox>("unit");
        QCOMPARE(unit->currentText(), stored);
        QCOMPARE(unit->itemText(unit->currentIndex()), stored);
        const QByteArray ini = fx.dir().readFile(QStringLiteral("cfg/sys.ini"));

        QTest::mouseClick(unit->lineEdit(), Qt::LeftButton);
        QWidget *edit = QApplication::focusWidget();
        QCOMPARE(edit, unit);
        if (!typed.isNull()) {
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return);
        }
        if (pick == QLatin1String("up") || pick == QLatin1String("down")) {
            QTest::keyClick(edit, pick == QLatin1String("up") ? Qt::Key_Up : Qt::Key_Down);
        } else if (pick.startsWith(QLatin1String("list "))) {
            QTest::mouseClick(unit, Qt::LeftButton, {}, MainWindowFixture::arrowOf(unit));
            QAbstractItemView *list = unit->view();
            QTRY_VERIFY(list->isVisible());
            // A release right after the opening press belongs to that press, not to a choice.
            QTest::qWait(QApplication::doubleClickInterval() + 50);
            const QPoint entry =
                list->visualRect(list->model()->index(unit->findText(pick.mid(5)), 0)).center();
            QTest::mouseMove(list->viewport(), entry);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
            QTRY_VERIFY(!list->isVisible());
        }
        if (leave == QLatin1String("tab"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        else
            QTest::mouseClick(d1()->lineEdit(), Qt::LeftButton);
        QVERIFY(!edit->hasFocus());
        QCOMPARE(unit->currentText(), shows);
        if (written.isNull())
            QCOMPARE(fx.dir().readFile(QStringLiteral("cfg/sys.ini")), ini);
        else
            QCOMPARE(fx.iniValue("setting", "unit"), written);

        QTest::mouseClick(fx.child<QWidget>("Frame1")->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        QCOMPARE(fx.child<QLabel>("pjvalue")->text(),
                 QStringLiteral("Average Value : [%1] %2")
                     .arg(shows == QLatin1String("mmol/l") ? "5.6" : "100.0", shows));
    }
};

QTEST_MAIN(TestPeriod)
#include "tst_period.moc"

#include "clsoperateini.h"
#include "datetext.h"
#include "logwindow.h"
#include "mainwindow.h"
#include "mainwindowfixture.h"
#include "meterlink.h"
#include "settingwindow.h"
#include "valueswindow.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

class TestStart : public QObject
{
    Q_OBJECT

    MainWindowFixture fx;

private slots:
    void cleanup() { fx.reset(); }

    void showsTheWindowAsInstalled()
    {
        MainWindow *w = fx.start();
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillon V2.0"));
        QCOMPARE(fx.child<QLabel>("Label1")->text(), QStringLiteral("Corvane"));
        QCOMPARE(fx.child<QLabel>("com_info")->text(), QStringLiteral("OFF COMM"));
        QCOMPARE(fx.child<QLabel>("pjvalue")->text(), QString());
        QCOMPARE(fx.child<QLabel>("Label3")->text(), QStringLiteral("Form"));
        QCOMPARE(fx.child<QLabel>("Label6")->text(), QStringLiteral("No Graphic Data "));
        QCOMPARE(fx.child<QComboBox>("Combo1")->currentText(), QStringLiteral("7 Day"));
        QCOMPARE(fx.child<QComboBox>("unit")->currentText(), QStringLiteral("mg/dl"));
        QVERIFY(fx.child<QCalendarWidget>("Calendar1")->isHidden());
        QVERIFY(fx.child<QCalendarWidget>("Calendar2")->isHidden());
        QVERIFY(fx.child<QWidget>("jdt")->isHidden());
        QCOMPARE(w->newxmlfile, QDir::toNativeSeparators(fx.dir().storePath()));

        QStringList periods;
        auto *combo1 = fx.child<QComboBox>("Combo1");
        for (int i = 0; i < combo1->count(); ++i)
            periods << combo1->itemText(i);
        QCOMPARE(periods, (QStringList{"1 Day", "7 Day", "14 Day", "21 Day", "30 Day", "60 Day", "90 Day",
                                       "180 Day", "User"}));
        auto *unit = fx.child<QComboBox>("unit");
        QCOMPARE(unit->count(), 2);
        QCOMPARE(unit->itemText(0), QStringLiteral("mmol/l"));
        QCOMPARE(unit->itemText(1), QStringLiteral("mg/dl"));
        const QStringList buttons = {"Apply", "Setting", "ModifyData", "test"};
        const char *names[] = {"Command1", "Command2", "Command3", "Command4"};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(fx.child<QPushButton>(names[i])->text(), buttons[i]);
    }

    void datesAreTodayAndAWeekBack()
    {
        fx.start();
        const QDate today = QDate::currentDate();
        const auto d1 = datetext::boxTextToDateTime(fx.child<QComboBox>("xt_d1")->currentText());
        const auto d2 = datetext::boxTextToDateTime(fx.child<QComboBox>("xt_d2")->currentText());
        QVERIFY(d1 && d2);
        QCOMPARE(d1->date(), today);
        QCOMPARE(d2->date(), today.addDays(-7));
    }

    void viewIsAlwaysAllAtStart_data()
    {
        QTest::addColumn<QString>("timesplit");
        QTest::newRow("noon") << "Glucose Noon Trend";
        QTest::newRow("night") << "Glucose Night Trend";
        QTest::newRow("no entry") << "Teatime";
        QTest::newRow("empty") << "";
        QTest::newRow("missing") << QString();
        QTest::newRow("a number") << "3";
        QTest::newRow("2000 characters") << QString(2000, u'N');
    }
    void viewIsAlwaysAllAtStart()
    {
        QFETCH(QString, timesplit);
        MainWindow *w = fx.start(MainWindowFixture::installedIniWith(QStringLiteral("setting"),
                                                                     QStringLiteral("timesplit"), timesplit));
        QCOMPARE(fx.child<QComboBox>("sel_viewtype")->currentText(), QStringLiteral("ALL"));
        QCOMPARE(fx.child<QLabel>("sel_info")->text(), QStringLiteral("Glucose Day Trend[00:00-24:00] "));
        QCOMPARE(w->timeview, qint16(0));
        QCOMPARE(fx.iniValue("setting", "timesplit"), QStringLiteral("ALL"));
    }

    void logWindowFollowsLogview_data()
    {
        QTest::addColumn<QString>("logview");
        QTest::addColumn<bool>("shown");
        QTest::newRow("1") << "1" << true;
        QTest::newRow("1.0") << "1.0" << true;
        QTest::newRow("01") << "01" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("2") << "2" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("letters") << "yes" << false;
        QTest::newRow("missing") << QString() << false;
        QTest::newRow("2000 characters") << QString(2000, u'1') << false;
        QTest::newRow("negative") << "-1" << false;
        QTest::newRow("huge") << "1e999" << false;
    }
    void logWindowFollowsLogview()
    {
        QFETCH(QString, logview);
        QFETCH(bool, shown);
        MainWindow *w = fx.start(
            MainWindowFixture::installedIniWith(QStringLiteral("main"), QStringLiteral("logview"), logview));
        QCOMPARE(w->logWindow()->isVisible(), shown);
        QCOMPARE(w->logWindow()->windowTitle(), QStringLiteral("logfile"));
    }

    void delayBecomesTheTimerInterval_data()
    {
        QTest::addColumn<QString>("delay");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("ticking");
        QTest::newRow("1000") << "1000" << 1000 << true;
        QTest::newRow("half to even") << "20.5" << 20 << true;
        QTest::newRow("zero gives no ticks") << "0" << 0 << false;
        QTest::newRow("negative gives no ticks") << "-5" << 0 << false;
        QTest::newRow("missing: default") << QString() << 100 << true;
        QTest::newRow("empty: default") << "" << 100 << true;
        QTest::newRow("letters: default") << "fast" << 100 << true;
        QTest::newRow("beyond 32 bits: default") << "99999999999" << 100 << true;
        QTest::newRow("infinite: default") << "1e999" << 100 << true;
        QTest::newRow("2000 characters: default") << QString(2000, u'9') << 100 << true;
    }
    void delayBecomesTheTimerInterval()
    {
        QFETCH(QString, delay);
        QFETCH(int, interval);
        QFETCH(bool, ticking);
        fx.start(MainWindowFixture::installedIniWith(QStringLiteral("comm"), QStringLiteral("delay"), delay));
        auto *timer = fx.child<QTimer>("Timer1");
        QCOMPARE(timer->interval(), interval);
        QCOMPARE(timer->isActive(), ticking);
    }

    void timeoutBecomesTheBudget_data()
    {
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<int>("waitload");
        QTest::newRow("plain") << "20" << 20;
        QTest::newRow("half to even") << "3.5" << 4;
        QTest::newRow("clamped high") << "70000" << 32767;
        QTest::newRow("clamped low") << "-70000" << -32768;
        QTest::newRow("letters: default") << "soon" << 20;
        QTest::newRow("missing: default") << QString() << 20;
        QTest::newRow("empty: default") << "" << 20;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("infinite: default") << "1e999" << 20;
        QTest::newRow("2000 characters: default") << QString(2000, u'9') << 20;
    }
    void timeoutBecomesTheBudget()
    {
        QFETCH(QString, timeout);
        QFETCH(int, waitload);
        MainWindow *w = fx.start(
            MainWindowFixture::installedIniWith(QStringLiteral("comm"), QStringLiteral("timeout"), timeout));
        QCOMPARE(int(w->link()->waitload), waitload);
    }

    void unitComesFromTheFile_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("shown");
        QTest::newRow("mmol/l") << "mmol/l"
                                << "mmol/l";
        QTest::newRow("mg/dl") << "mg/dl"
                               << "mg/dl";
        QTest::newRow("empty leaves the box empty") << ""
                                                    << "";
        QTest::newRow("anything typed") << "MMOL/L"
                                        << "MMOL/L";
        QTest::newRow("a number") << "-18"
                                  << "-18";
        QTest::newRow("missing leaves the box empty") << QString() << "";
        // A read gives at most 1023 characters.
        QTest::newRow("2000 characters") << QString(2000, u'u') << QString(1023, u'u');
    }
    void unitComesFromTheFile()
    {
        QFETCH(QString, unit);
        QFETCH(QString, shown);
        fx.start(
            MainWindowFixture::installedIniWith(QStringLiteral("setting"), QStringLiteral("unit"), unit));
        QCOMPARE(fx.child<QComboBox>("unit")->currentText(), shown);
        QCOMPARE(fx.iniValue("setting", "unit"), shown);
    }

    void missingSettingsFileStillStarts()
    {
        fx.start(QByteArray());
        QCOMPARE(fx.child<QLabel>("com_info")->text(), QStringLiteral("OFF COMM"));
        QCOMPARE(fx.child<QTimer>("Timer1")->interval(), 100);
        QCOMPARE(fx.child<QComboBox>("unit")->currentText(), QString());
    }

    void mouseDownOnTheSurfaceHidesCalendars()
    {
        MainWindow *w = fx.start();
        w->show();
        auto *d1 = fx.child<QComboBox>("xt_d1");
        const QString before = d1->currentText();
        d1->showPopup();
        auto *calendar = fx.child<QCalendarWidget>("Calendar1");
        QVERIFY(calendar->isVisible());
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() - 3));
        QVERIFY(calendar->isHidden());
        QCOMPARE(d1->currentText(), before);
    }

    void mouseOverTheBandHidesCalendars()
    {
        MainWindow *w = fx.start();
        w->show();
        fx.child<QComboBox>("xt_d2")->showPopup();
        auto *calendar = fx.child<QCalendarWidget>("Calendar2");
        QVERIFY(calendar->isVisible());
        QTest::mouseMove(fx.child<QWidget>("Frame1"), QPoint(5, 5));
        QVERIFY(calendar->isHidden());
    }

    void unloadClosesTheOtherWindowsAndStopsTheLink()
    {
        MainWindow *w = fx.start();
        w->show();
        fx.child<QPushButton>("Command2")->click();
        fx.child<QPushButton>("Command3")->click();
        w->logWindow()->show();
        QPointer<SettingWindow> setting = w->settingWindow();
        QPointer<ValuesWindow> values = w->valuesWindow(false);
        QVERIFY(setting && setting->isVisible());
        QVERIFY(values && values->isVisible());
        QVERIFY(!fx.child<QTimer>("Timer1")->isActive());

        QVERIFY(w->close());
        QVERIFY(!w->logWindow()->isVisible());
        QTRY_VERIFY(!setting || !setting->isVisible());
        QTRY_VERIFY(!values || !values->isVisible());
        // Closing the settings window would switch the timer on again; not during the unload.
        QVERIFY(!fx.child<QTimer>("Timer1")->isActive());
        QVERIFY(!w->isTimer1Enabled());
    }
};

QTEST_MAIN(TestStart)
#include "tst_start.moc"

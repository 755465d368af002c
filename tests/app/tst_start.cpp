#include "datetext.h"
#include "logwindow.h"
#include "mainwindowfixture.h"
#include "meterlink.h"
#include "rows.h"
#include "serialportcontrol.h"
#include "settingwindow.h"
#include "valueswindow.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

QStringList entries(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

class TestStart : public QObject
{
    Q_OBJECT

    MainWindowFixture fx;

    // What a window shows for the one setting a row changes.
    QString shownFor(const QString &key) const
    {
        const QTimer *timer = fx.child<QTimer>("Timer1");
        if (key == QLatin1String("logview"))
            return fx.main()->logWindow()->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden");
        if (key == QLatin1String("delay"))
            return QString::number(timer->interval()) + (timer->isActive() ? " ticking" : " still");
        if (key == QLatin1String("timeout"))
            return QString::number(fx.main()->link()->waitload);
        if (key == QLatin1String("unit"))
            return fx.child<QComboBox>("unit")->currentText();
        return fx.child<QComboBox>("sel_viewtype")->currentText();
    }

private slots:
    void cleanup() { fx.reset(); }

    void showsTheWindow_data()
    {
        // A null ini: no settings file at all.
        columns<QByteArray, QString>("ini", "unit");
        row("as installed", TempProgramDir::installedIni(), "mg/dl");
        row("no settings file", QByteArray(), "");
    }
    void showsTheWindow()
    {
        auto [ini, unit] = cells<QByteArray, QString>("ini", "unit");
        MainWindow *w = fx.start(ini);
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillon V2.0"));
        const QStringList texts{"Corvane", "OFF COMM", "",           "Form", "No Graphic Data ",
                                "Apply",   "Setting",  "ModifyData", "test"};
        const char *names[] = {"Label1",   "com_info", "pjvalue",  "Label3",  "Label6",
                               "Command1", "Command2", "Command3", "Command4"};
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(fx.child<QWidget>(names[i])->property("text").toString(), texts[i]);
        QCOMPARE(fx.child<QComboBox>("Combo1")->currentText(), QStringLiteral("7 Day"));
        QCOMPARE(entries(fx.child<QComboBox>("Combo1")),
                 (QStringList{"1 Day", "7 Day", "14 Day", "21 Day", "30 Day", "60 Day", "90 Day", "180 Day",
                              "User"}));
        QCOMPARE(entries(fx.child<QComboBox>("unit")), (QStringList{"mmol/l", "mg/dl"}));
        QCOMPARE(fx.child<QComboBox>("unit")->currentText(), unit);
        QCOMPARE(fx.child<QTimer>("Timer1")->interval(), 100);
        for (const char *hidden : {"Calendar1", "Calendar2", "jdt"})
            QVERIFY(fx.child<QWidget>(hidden)->isHidden());
        QCOMPARE(w->newxmlfile, QDir::toNativeSeparators(fx.dir().storePath()));
        const auto d1 = datetext::boxTextToDateTime(fx.child<QComboBox>("xt_d1")->currentText());
        const auto d2 = datetext::boxTextToDateTime(fx.child<QComboBox>("xt_d2")->currentText());
        QVERIFY(d1 && d2);
        QCOMPARE(d1->date(), QDate::currentDate());
        QCOMPARE(d2->date(), QDate::currentDate().addDays(-7));
    }

    void settingShapesTheStart_data()
    {
        // A null value removes the key.
        columns<QString, QString, QString, QString>("section", "key", "value", "shown");
        // Whatever the saved view, the start shows "ALL".
        row("view noon", "setting", "timesplit", "Glucose Noon Trend", "ALL");
        row("view night", "setting", "timesplit", "Glucose Night Trend", "ALL");
        row("view no entry", "setting", "timesplit", "Teatime", "ALL");
        row("view a number", "setting", "timesplit", "3", "ALL");
        row("view negative", "setting", "timesplit", "-1", "ALL");
        row("view huge", "setting", "timesplit", "1e999", "ALL");
        row("view empty", "setting", "timesplit", "", "ALL");
        row("view missing", "setting", "timesplit", QString(), "ALL");
        row("view 2000 characters", "setting", "timesplit", QString(2000, u'N'), "ALL");
        row("log 1", "main", "logview", "1", "shown");
        row("log 1.0", "main", "logview", "1.0", "shown");
        row("log 01", "main", "logview", "01", "shown");
        row("log 0", "main", "logview", "0", "hidden");
        row("log 2", "main", "logview", "2", "hidden");
        row("log negative", "main", "logview", "-1", "hidden");
        row("log huge", "main", "logview", "1e999", "hidden");
        row("log letters", "main", "logview", "yes", "hidden");
        row("log empty", "main", "logview", "", "hidden");
        row("log missing", "main", "logview", QString(), "hidden");
        row("log 2000 characters", "main", "logview", QString(2000, u'1'), "hidden");
        row("delay 1000", "comm", "delay", "1000", "1000 ticking");
        row("delay half to even", "comm", "delay", "20.5", "20 ticking");
        row("delay 0: no ticks", "comm", "delay", "0", "0 still");
        row("delay negative: no ticks", "comm", "delay", "-5", "0 still");
        row("delay beyond 32 bits", "comm", "delay", "99999999999", "100 ticking");
        row("delay infinite", "comm", "delay", "1e999", "100 ticking");
        row("delay letters", "comm", "delay", "fast", "100 ticking");
        row("delay empty", "comm", "delay", "", "100 ticking");
        row("delay missing", "comm", "delay", QString(), "100 ticking");
        row("delay 2000 characters", "comm", "delay", QString(2000, u'9'), "100 ticking");
        row("timeout 20", "comm", "timeout", "20", "20");
        row("timeout half to even", "comm", "timeout", "3.5", "4");
        row("timeout negative", "comm", "timeout", "-3", "-3");
        row("timeout clamped high", "comm", "timeout", "70000", "32767");
        row("timeout clamped low", "comm", "timeout", "-70000", "-32768");
        row("timeout infinite", "comm", "timeout", "1e999", "20");
        row("timeout letters", "comm", "timeout", "soon", "20");
        row("timeout empty", "comm", "timeout", "", "20");
        row("timeout missing", "comm", "timeout", QString(), "20");
        row("timeout 2000 characters", "comm", "timeout", QString(2000, u'9'), "20");
        row("unit mmol/l", "setting", "unit", "mmol/l", "mmol/l");
        row("unit mg/dl", "setting", "unit", "mg/dl", "mg/dl");
        row("unit as typed", "setting", "unit", "MMOL/L", "MMOL/L");
        row("unit with a trailing blank", "setting", "unit", "mmol/l ", "mmol/l ");
        row("unit negative", "setting", "unit", "-18", "-18");
        row("unit huge", "setting", "unit", "1e999", "1e999");
        row("unit empty", "setting", "unit", "", "");
        row("unit missing", "setting", "unit", QString(), "");
        row("unit 2000 characters, read cut", "setting", "unit", QString(2000, u'u'), QString(1023, u'u'));
    }
    void settingShapesTheStart()
    {
        auto [section, key, value, shown] =
            cells<QString, QString, QString, QString>("section", "key", "value", "shown");
        MainWindow *w = fx.start(MainWindowFixture::installedIniWith(section, key, value));
        QCOMPARE(shownFor(key), shown);
        QCOMPARE(fx.child<QLabel>("com_info")->text(), QStringLiteral("OFF COMM"));
        QCOMPARE(fx.child<QLabel>("sel_info")->text(), QStringLiteral("Glucose Day Trend[00:00-24:00] "));
        QCOMPARE(w->timeview, qint16(0));
        QCOMPARE(fx.iniValue("setting", "timesplit"), QStringLiteral("ALL"));
        QCOMPARE(fx.iniValue("setting", "unit"), fx.child<QComboBox>("unit")->currentText());
        QCOMPARE(w->logWindow()->windowTitle(), QStringLiteral("logfile"));
    }

    void surfaceHidesTheCalendars_data()
    {
        // Without a click the mouse moves over the band.
        columns<QString, QString, bool>("box", "calendar", "click");
        row("mouse-down on the surface", "xt_d1", "Calendar1", true);
        row("moving over the band", "xt_d2", "Calendar2", false);
    }
    void surfaceHidesTheCalendars()
    {
        auto [box, calendar, click] = cells<QString, QString, bool>("box", "calendar", "click");
        MainWindow *w = fx.start();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        auto *dates = fx.child<QComboBox>(qPrintable(box));
        auto *cal = fx.child<QCalendarWidget>(qPrintable(calendar));
        const QString before = dates->currentText();
        dates->showPopup();
        QVERIFY(cal->isVisible());
        if (click)
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() - 3));
        else
            QTest::mouseMove(fx.child<QWidget>("Frame1"), QPoint(5, 5));
        QVERIFY(cal->isHidden());
        QCOMPARE(dates->currentText(), before);
    }

    // A settings file that is there but cannot be read (a folder in its place is one that not
    // even root reads) is never replaced by the start's writes or a pick; the log says so once.
    void unreadableSettingsAreLeftAlone()
    {
        fx.start(QByteArray());
        const QString ini = fx.dir().iniPath();
        QVERIFY(QFile::remove(ini));
        QVERIFY(QDir().mkpath(ini + QStringLiteral("/kept")));
        MainWindow w{ProgramDir(fx.dir().path())};
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *unit = w.findChild<QComboBox *>(QStringLiteral("unit"));
        QTest::mouseClick(unit->lineEdit(), Qt::LeftButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(unit->currentText(), QStringLiteral("mmol/l"));

        QStringList told;
        for (int i = 0; i < w.logWindow()->loglist->count(); ++i)
            told << w.logWindow()->loglist->item(i)->text();
        QCOMPARE(
            told.filter(QStringLiteral("could not be read")),
            QStringList{QStringLiteral("The settings in %1 could not be read; they are left as they are and "
                                       "nothing is saved to them.")
                            .arg(QDir::toNativeSeparators(ini))});
        QVERIFY(w.logWindow()->isVisible());
        QVERIFY(QFileInfo(ini).isDir());
        QVERIFY(QFileInfo::exists(ini + QStringLiteral("/kept")));
    }

    // Devices this user may not open, each a file in a scratch folder that the injected check
    // refuses (the tests may run as the superuser, who may open anything). "a>b" is a link a to
    // b. "later" devices are set after the notice has been dismissed.
    void permissionNotice_data()
    {
        columns<QStringList, QStringList, QString>("devices", "later", "notice");
        row("USB adapter", QStringList{"ttyUSB0"}, QStringList(), "ttyUSB0");
        row("USB modem", QStringList{"ttyACM3"}, QStringList(), "ttyACM3");
        row("built-in port: log line only", QStringList{"ttyS0"}, QStringList(), "");
        row("link to a USB adapter", QStringList{"ttyUSB1", "by-id-meter>ttyUSB1"}, QStringList(),
            "ttyUSB1, by-id-meter");
        row("two cables, one notice", QStringList{"ttyUSB0", "ttyACM0"}, QStringList(), "ttyUSB0, ttyACM0");
        row("dismissed: stays away", QStringList{"ttyUSB0"}, QStringList{"ttyACM0"}, "");
    }
    void permissionNotice()
    {
        auto [devices, later, notice] =
            cells<QStringList, QStringList, QString>("devices", "later", "notice");
        QTemporaryDir scratch;
        MainWindow *w = fx.start();
        w->serialControl()->setAccessCheck(
            [&scratch](const QString &d) { return !d.startsWith(scratch.path()); });
        int port = 0;
        const auto plug = [&](const QStringList &names) {
            for (const QString &name : names) {
                const QString path = scratch.filePath(name.section(u'>', 0, 0));
                if (name.contains(u'>'))
                    QVERIFY(QFile::link(scratch.filePath(name.section(u'>', 1)), path));
                else
                    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
                clsOperateINI ini;
                ini.setINIFileName(fx.dir().iniPath());
                ini.WriteIniKey(QStringLiteral("comm"), QStringLiteral("port%1").arg(++port), path);
            }
        };
        const auto logLines = [&] { return fx.child<QListWidget>("loglist")->count(); };
        auto *band = fx.child<QFrame>("permission_notice");
        plug(devices);
        QTRY_COMPARE_WITH_TIMEOUT(logLines(), int(devices.size()), 10000);
        if (!later.isEmpty()) {
            QTest::mouseClick(fx.child<QPushButton>("permission_dismiss"), Qt::LeftButton);
            QVERIFY(band->isHidden());
            plug(later);
            QTRY_COMPARE_WITH_TIMEOUT(logLines(), int(devices.size() + later.size()), 10000);
        }
        QCOMPARE(band->isHidden(), notice.isEmpty());
        if (!notice.isEmpty()) {
            const QString text = fx.child<QLabel>("permission_text")->text();
            QVERIFY2(text.contains(QLatin1String("sudo usermod -aG dialout $USER")), qPrintable(text));
            const QString prefix = scratch.path() + u'/';
            QVERIFY2(text.contains(prefix + QString(notice).replace(QLatin1String(", "), ", " + prefix)),
                     qPrintable(text));
        }
    }

    void unloadClosesTheOtherWindowsAndKeepsTheTimerStopped()
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
        QVERIFY(w->close());
        QVERIFY(!w->logWindow()->isVisible());
        QVERIFY(!setting || !setting->isVisible());
        QVERIFY(!values || !values->isVisible());
        // Closing the settings window switches the timer back on, but not during the unload.
        QVERIFY(!fx.child<QTimer>("Timer1")->isActive());
        QVERIFY(!w->isTimer1Enabled());
    }
};

QTEST_MAIN(TestStart)
#include "tst_start.moc"

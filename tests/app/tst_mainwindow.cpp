#include "datetext.h"
#include "history.h"
#include "logwindow.h"
#include "mainwindowfixture.h"
#include "meterlink.h"
#include "rows.h"
#include "serialportcontrol.h"
#include "settingwindow.h"
#include "valueswindow.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

// The main window and the settings window as a person uses them, on a throw-away program folder.
class TestMainWindow : public QObject
{
    Q_OBJECT

    MainWindowFixture fx;
    const QDateTime today = QDate::currentDate().startOfDay();

    QComboBox *box(const QString &name) const { return fx.child<QComboBox>(qPrintable(name)); }
    QDateTime boxDate(const QString &name) const
    {
        return datetext::boxTextToDateTime(box(name)->currentText()).value_or(QDateTime());
    }
    MainWindow *shown(const QByteArray &ini = TempProgramDir::installedIni())
    {
        fx.start(ini)->show();
        if (!QTest::qWaitForWindowActive(fx.main()))
            qFatal("the window did not come up");
        return fx.main();
    }
    static void typeInto(QWidget *field, const QString &text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    // A tick through the timer's own signal, so the wiring is exercised without waiting.
    void tick() const { QVERIFY(QMetaObject::invokeMethod(fx.child<QTimer>("Timer1"), "timeout")); }
    bool ticking() const { return fx.child<QTimer>("Timer1")->isActive(); }
    SettingWindow *openSettings() const
    {
        QTest::mouseClick(fx.child<QPushButton>("Command2"), Qt::LeftButton);
        if (!fx.main()->settingWindow() || !QTest::qWaitForWindowActive(fx.main()->settingWindow()))
            qFatal("the settings window did not open");
        return fx.main()->settingWindow();
    }

private slots:
    void cleanup() { fx.reset(); }

    // Every caption and list entry of the start, once; the calendars closed, the store's path.
    void startCaptions()
    {
        MainWindow *w = fx.start();
        QStringList texts{w->windowTitle(), w->logWindow()->windowTitle(), box("Combo1")->currentText()};
        for (const char *name : {"Label1", "com_info", "Label3", "Label6", "Command1", "Command2", "Command3",
                                 "Command4", "sel_info"})
            texts << fx.child<QWidget>(name)->property("text").toString();
        for (const char *name : {"Combo1", "unit"})
            for (int i = 0; i < box(name)->count(); ++i)
                texts << box(name)->itemText(i);
        // clang-format off
        QCOMPARE(texts, (QStringList{"Quillon V2.0", "logfile", "7 Day", "Corvane", "OFF COMM", "Form",
                 "No Graphic Data ", "Apply", "Setting", "ModifyData", "test", "Glucose Day Trend[00:00-24:00] ",
                 "1 Day", "7 Day", "14 Day", "21 Day", "30 Day", "60 Day", "90 Day", "180 Day", "User", "mmol/l", "mg/dl"}));
        // clang-format on
        QVERIFY(fx.child<QWidget>("Calendar1")->isHidden() && fx.child<QWidget>("Calendar2")->isHidden());
        QCOMPARE(w->newxmlfile, QDir::toNativeSeparators(fx.dir().storePath()));
    }
    // What one key of the settings shapes at the start (no key: no settings file at all). The
    // link's own reading of its keys has its table with the link's tests.
    void settingShapesTheStart_data()
    {
        columns<QString, QString, QString, QString, bool, int, bool, int, QString>(
            "key", "value", "view", "unit", "logShown", "interval", "ticking", "budget", "caption");
        // Without settings the first run cannot read the meter's range and hides the chart: no average.
        const QString none = "Average Value : [] ";
        // clang-format off
        row("no settings file", "", "", "ALL", "", false, 100, true, 20, none);
        row("view noon: the start shows all", "timesplit", "Glucose Noon Trend", "ALL", "mg/dl", false, 100, true, 20, "");
        row("log 1.0", "logview", "1.0", "ALL", "mg/dl", true, 100, true, 20, "");
        row("log 2", "logview", "2", "ALL", "mg/dl", false, 100, true, 20, "");
        row("delay half to even", "delay", "20.5", "ALL", "mg/dl", false, 20, true, 20, "");
        row("delay 0: no ticks, even after the settings", "delay", "0", "ALL", "mg/dl", false, 0, false, 20, "");
        row("timeout half to even", "timeout", "2.5", "ALL", "mg/dl", false, 100, true, 2, "");
        row("unit as typed", "unit", "MMOL/L", "ALL", "MMOL/L", false, 100, true, 20, "");
        // clang-format on
    }
    void settingShapesTheStart()
    {
        auto [key, value, view, unit, logShown, interval, isTicking, budget, caption] =
            cells<QString, QString, QString, QString, bool, int, bool, int, QString>(
                "key", "value", "view", "unit", "logShown", "interval", "ticking", "budget", "caption");
        MainWindow *w = fx.start(key.isEmpty() ? QByteArray() : fx.installedIniWith(key, value));
        QCOMPARE(box("sel_viewtype")->currentText(), view);
        QCOMPARE(box("unit")->currentText(), unit);
        QCOMPARE(w->logWindow()->isVisible(), logShown);
        QCOMPARE(int(w->link()->budget()), budget);
        QCOMPARE(fx.child<QLabel>("pjvalue")->text(), caption);
        QCOMPARE(fx.iniValue("setting", "timesplit") + fx.iniValue("setting", "unit"), "ALL" + unit);
        // The timer pauses while the settings window is open, and comes back as it was.
        w->show();
        QVERIFY(openSettings() && !ticking() && w->settingWindow()->close());
        QCOMPARE(fx.child<QTimer>("Timer1")->interval(), interval);
        QCOMPARE(ticking(), isTicking);
    }

    // A settings file that cannot be read (a folder, which not even root reads) is never replaced
    // by the start's writes or a pick; the log says so once.
    void unreadableSettingsAreLeftAlone()
    {
        TempProgramDir dir;
        const QString ini = dir.iniPath();
        QVERIFY(QFile::remove(ini) && QDir().mkpath(ini + "/kept"));
        MainWindow w{ProgramDir(dir.path())};
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *unit = w.findChild<QComboBox *>("unit");
        QTest::mouseClick(unit->lineEdit(), Qt::LeftButton);
        QTest::keyClick(unit, Qt::Key_Down);
        QCOMPARE(unit->currentText(), QStringLiteral("mmol/l"));
        const auto told = w.logWindow()->loglist->findItems("could not be read", Qt::MatchContains);
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0]->text(),
                 "The settings in " + QDir::toNativeSeparators(ini) +
                     " could not be read; they are left as they are and nothing is saved to them.");
        QVERIFY(w.logWindow()->isVisible() && QFileInfo::exists(ini + "/kept"));
    }

    // Devices this user may not open: files in a scratch folder that the injected check refuses
    // (the tests may run as the superuser), of the group given. "a~b" is a link a to b; "|"
    // dismisses the notice. The notice names the devices' group, in plain text.
    void permissionNotice_data()
    {
        columns<QString, QString, QString>("devices", "notice", "group");
        row("USB cables and a link, not the built-in port", "ttyUSB0 ttyS0 ttyACM0 id~ttyUSB0",
            "ttyUSB0, ttyACM0, id", "dialout");
        row("markup in a name, another group", "ttyUSB<b>x", "ttyUSB<b>x", "uucp");
        row("dismissed: stays away", "ttyUSB0 | ttyACM0", "", "dialout");
    }
    void permissionNotice()
    {
        auto [devices, notice, group] = cells<QString, QString, QString>("devices", "notice", "group");
        QTemporaryDir scratch;
        const QString at = scratch.path() + u'/';
        fx.start()->serialControl()->setAccessCheck([&](const QString &d) { return !d.startsWith(at); });
        int port = 0;
        for (const QString &name : devices.split(u' ')) {
            const QString path = at + name.section(u'~', 0, 0);
            if (name == "|")
                QTest::mouseClick(fx.child<QPushButton>("permission_dismiss"), Qt::LeftButton);
            else if (name.contains(u'~') ? QFile::link(at + name.section(u'~', 1), path)
                                         : QFile(path).open(QIODevice::WriteOnly) &&
                                               QProcess::execute("chgrp", {group, path}) == 0) {
                const QByteArray key = "[comm]\nport" + QByteArray::number(++port) + '=' + path.toUtf8();
                fx.dir().writeIni(fx.dir().readFile("cfg/sys.ini").replace("[comm]", key));
                QTRY_COMPARE_WITH_TIMEOUT(fx.child<QListWidget>("loglist")->count(), port, 10000);
            }
        }
        const QString text = fx.child<QLabel>("permission_text")->text();
        QCOMPARE(fx.child<QFrame>("permission_notice")->isHidden(), notice.isEmpty());
        QCOMPARE(fx.child<QLabel>("permission_text")->textFormat(), Qt::PlainText);
        QVERIFY2(notice.isEmpty() || (text.contains("sudo usermod -aG " + group + " $USER") &&
                                      text.contains(at + notice.replace(", ", ", " + at))),
                 qPrintable(text));
    }

    // The settings window: "Cancel" writes nothing, "Reset" shows the defaults but keeps the
    // divisions, "Save" writes the fields as typed once they pass. Closing the main window closes
    // all, timer off.
    void settingsWindow()
    {
        shown("[setting]\nNormalLow=70\nNormalHigh=140\nDBMin=10\nDBMax=500\nMinorDivision=3\n"
              "[comm]\nusercommport=7\ndelay=100\nsettings=9600,n,8,1\n");
        const QByteArray before = fx.dir().readFile("cfg/sys.ini");
        const auto edit = [&](const QStringList &values, const char *button) {
            SettingWindow *w = openSettings();
            QStringList seen{w->windowTitle()};
            QList<QLineEdit *> fields = w->findChildren<QLineEdit *>();
            QList<QPushButton *> buttons = w->findChildren<QPushButton *>();
            std::sort(buttons.begin(), buttons.end(), [](auto *a, auto *b) { return a->y() < b->y(); });
            for (auto *b : buttons)
                seen << b->text();
            for (int i = 0; i < 7; ++i) {
                seen << fields[i]->text();
                typeInto(fields[i], values[i]);
            }
            if (values.size() > 7)
                QTest::mouseClick(w->findChild<QPushButton *>("Command3"), Qt::LeftButton);
            QTest::mouseClick(w->findChild<QPushButton *>(button), Qt::LeftButton);
            return seen;
        };
        const auto saved = [&] {
            QStringList out;
            for (const char *key :
                 {"NormalLow", "NormalHigh", "DBMin", "DBMax", "MajorDivision", "MinorDivision"})
                out << fx.iniValue("setting", key);
            return out << fx.iniValue("comm", "usercommport") << fx.iniValue("comm", "settings");
        };
        QCOMPARE(edit(QStringList(7, "66"), "Command2"),
                 (QStringList{"Setting", "Save", "Reset", "Cancel", "70", "140", "10", "500", "", "3", "7"}));
        QCOMPARE(fx.dir().readFile("cfg/sys.ini"), before);
        QVERIFY(ticking());
        edit({"x", "x", "x", "x", "5", "4", "9", "reset"}, "Command1");
        QCOMPARE(saved(), (QStringList{"80", "110", "20", "600", "5", "4", "1", "9600,n,8,1"}));
        QVERIFY(ticking() && !fx.child<QWidget>("MSChart1")->isHidden());
        const QString odd = "-1.5e999 " + QString(2000, u'8');
        edit({"90", "+120", "0", "300", "2", "0", odd}, "Command1");
        QCOMPARE(saved(), (QStringList{"90", "+120", "0", "300", "2", "0", odd.left(1023), "9600,n,8,1"}));
        QPointer<SettingWindow> setting = openSettings();
        QTest::mouseClick(fx.child<QPushButton>("Command3"), Qt::LeftButton);
        QPointer<ValuesWindow> values = fx.main()->valuesWindow(false);
        fx.main()->logWindow()->show();
        QVERIFY(values && values->isVisible() && setting->isVisible() && fx.main()->close());
        QVERIFY(!fx.main()->logWindow()->isVisible() && !values->isVisible() &&
                (!setting || !setting->isVisible()));
        QVERIFY(!ticking() && !fx.main()->isTimer1Enabled());
    }

    // Save refuses numbers the report cannot use: one message, nothing written, the window open
    // with the first such field focused.
    void settingsRefused_data()
    {
        columns<QStringList, QString, QString>("typed", "message", "focused");
        const QString head = "The settings were not saved:\n",
                      whole = " needs a whole number from -32768 to 32767.";
        // clang-format off
        row("Low above High", QStringList{"200", "140", "20", "600", "5", "0"}, head + "Normal Data Range Low needs a number below High.", "nlow");
        row("High past 16 bits, Min equal to Max", QStringList{"80", "40000", "600", "600", "5", "0"},
            head + "Normal Data Range High" + whole + "\nBG Data Range Min needs a number below Max.", "nhigh");
        row("Min letters, Max empty", QStringList{"80", "110", "abc", "", "5", "0"},
            head + "BG Data Range Min" + whole + "\nBG Data Range Max" + whole, "dbmin");
        row("a fraction of a division, minor below 0", QStringList{"80", "110", "20", "600", "2.5", "-1"},
            head + "Y Major Division" + whole + "\nY Minor Division needs 0 or more.", "mdiv");
        // clang-format on
    }
    void settingsRefused()
    {
        auto [typed, message, focused] = cells<QStringList, QString, QString>("typed", "message", "focused");
        QStringList told;
        shown()->setMessageSink([&told](const QString &text) { told << text; });
        const QByteArray before = fx.dir().readFile("cfg/sys.ini");
        QPointer<SettingWindow> w = openSettings();
        const char *names[] = {"nlow", "nhigh", "dbmin", "dbmax", "mdiv", "mdiv2"};
        for (int i = 0; i < 6; ++i) {
            auto *field = w->findChild<QLineEdit *>(names[i]);
            typeInto(field, typed[i]);
            if (typed[i].isEmpty())
                QTest::keyClick(field, Qt::Key_Backspace);
        }
        QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        QCOMPARE(told, QStringList{message});
        QCOMPARE(fx.dir().readFile("cfg/sys.ini"), before);
        QVERIFY(w && w->isVisible() && !ticking());
        QCOMPARE(w->focusWidget()->objectName(), focused);
    }

    // Typed over or picked (keys, list), then left: only a pick stores the unit, "Apply" draws in
    // the unit shown; a period applies on the next tick, its dates read back in any locale.
    void pickBoxes_data()
    {
        // keys: presses of Up and Down; "list" chooses the entry shown in the drop-down list
        columns<QString, QString, QString, QString, QString, QDateTime>("box", "typed", "keys", "leave",
                                                                        "shows", "start");
        const QDateTime week = today.addDays(-7), day100 = QDate(100, 1, 1).startOfDay();
        // clang-format off
        row("30 Day picked with the arrow keys", "Combo1", "", "DDD", "tab", "30 Day", today.addDays(-30));
        row("typed 45 Day", "Combo1", "45 Day", "", "click", "45 Day", today.addDays(-45));
        row("typed 3 is not completed to 30 Day", "Combo1", "3", "", "tab", "3", today.addDays(-3));
        row("typed abc is no number", "Combo1", "abc", "", "click", "abc", today);
        row("typed user is no number", "Combo1", "user", "", "tab", "user", today);
        row("typed User is manual", "Combo1", "User", "", "click", "User", week);
        row("fraction gives noon", "Combo1", "1.5 Day", "", "tab", "1.5 Day", today.addDays(-2).addSecs(12 * 3600));
        row("negative looks ahead", "Combo1", "-1200 Day", "", "tab", "-1200 Day", today.addDays(1200));
        row("a year with two digits far back", "Combo1", "35000 Day", "", "tab", "35000 Day", today.addDays(-35000));
        row("too large for a date", "Combo1", "99999999 Day", "", "tab", "99999999 Day", day100);
        row("infinite", "Combo1", "1e999 Day", "", "tab", "1e999 Day", day100);
        row("far ahead", "Combo1", "-1e300 Day", "", "tab", "-1e300 Day", QDate(9999, 12, 31).startOfDay());
        row("unit tabbed through", "unit", "", "", "tab", "mg/dl", week);
        row("unit clicked in and out", "unit", "", "", "click", "mg/dl", week);
        row("unit typed mmol/l", "unit", "mmol/l", "", "click", "mmol/l", week);
        row("unit typed MMOL/L", "unit", "MMOL/L", "", "tab", "MMOL/L", week);
        row("unit typed m is not completed", "unit", "m", "", "tab", "m", week);
        row("unit arrow up picks", "unit", "", "U", "click", "mmol/l", week);
        row("unit picked in the list", "unit", "", "list", "tab", "mmol/l", week);
        // clang-format on
    }
    void pickBoxes()
    {
        auto [name, typed, keys, leave, shows, start] =
            cells<QString, QString, QString, QString, QString, QDateTime>("box", "typed", "keys", "leave",
                                                                          "shows", "start");
        shown();
        const QByteArray reading =
            "<item>100," + today.toString("yyyy-M-d").toLatin1() + " 9:0:00,mg/dL,-,-</item>";
        fx.dir().writeFile("data/TMPDATE.xml", "<Data><xt>" + reading + "</xt></Data>");
        const QByteArray ini = fx.dir().readFile("cfg/sys.ini");
        const QString d2 = box("xt_d2")->currentText();
        QComboBox *picked = box(name);
        typeInto(picked->lineEdit(), typed);
        QTest::keyClick(picked, Qt::Key_Return);
        for (QChar key : keys == "list" ? QString() : keys)
            QTest::keyClick(picked, key == u'U' ? Qt::Key_Up : Qt::Key_Down);
        if (keys == "list") {
            QTest::mouseClick(picked, Qt::LeftButton, {}, MainWindowFixture::arrowOf(picked));
            QAbstractItemView *list = picked->view();
            QTRY_VERIFY(list->isVisible());
            // A release right after the opening press belongs to that press, not to a choice.
            QTest::qWait(QApplication::doubleClickInterval() + 50);
            const QPoint entry = list->visualRect(list->model()->index(picked->findText(shows), 0)).center();
            QTest::mouseMove(list->viewport(), entry);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
            QTRY_VERIFY(!list->isVisible());
        }
        if (leave == "tab")
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        else
            QTest::mouseClick(box("xt_d1")->lineEdit(), Qt::LeftButton);
        QVERIFY(!picked->hasFocus());
        QCOMPARE(picked->currentText(), shows);
        QCOMPARE(box("xt_d2")->currentText(), d2);
        const bool stores = name == "unit" && !keys.isEmpty();
        QCOMPARE(fx.dir().readFile("cfg/sys.ini") == ini, !stores);
        QCOMPARE(fx.iniValue("setting", "unit"), stores ? shows : "mg/dl");
        tick();
        QCOMPARE(boxDate("xt_d1"), today);
        QCOMPARE(boxDate("xt_d2"), start);
        QTest::mouseClick(fx.child<QPushButton>("Command1"), Qt::LeftButton);
        const QString average = shows == "mmol/l" ? "5.6" : "100.0";
        if (name == "unit")
            QCOMPARE(fx.child<QLabel>("pjvalue")->text(), "Average Value : [" + average + "] " + shows);
    }

    // A calendar opens on its box's date (else today); hiding it changes nothing. Reached with the
    // pointer in small steps, a click on a day picks it and makes the period "User" for good.
    void calendars_data()
    {
        // cell: column and row of the grid, past the week numbers and the day names; months: the
        // month arrow clicked on the way (+1 next, -1 previous, 0 none)
        columns<QString, QString, QString, QPoint, int>("box", "typed", "hide", "cell", "months");
        row("Calendar1: arrow again, first cell", "xt_d1", "", "arrow", QPoint(1, 1), 0);
        row("Calendar2: not a date, surface, last cell", "xt_d2", "someday", "surface", QPoint(7, 6), 0);
        row("Calendar1: band, next month", "xt_d1", "", "band", QPoint(3, 3), 1);
        row("Calendar2: band, previous month", "xt_d2", "", "band", QPoint(6, 2), -1);
    }
    void calendars()
    {
        auto [name, typed, hide, cell, months] =
            cells<QString, QString, QString, QPoint, int>("box", "typed", "hide", "cell", "months");
        MainWindow *w = shown();
        QComboBox *dates = box(name), *other = box(name == "xt_d1" ? "xt_d2" : "xt_d1");
        if (!typed.isEmpty())
            dates->setEditText(typed);
        const auto texts = [&] {
            return QStringList{box("Combo1")->currentText(), dates->currentText(), other->currentText()};
        };
        const QStringList before = texts();
        auto *cal = fx.child<QCalendarWidget>(name == "xt_d1" ? "Calendar1" : "Calendar2");
        const QPoint arrow = MainWindowFixture::arrowOf(dates);
        cal->setSelectedDate(QDate(2001, 1, 1));
        QTest::mouseMove(dates, arrow);
        QTest::mouseClick(dates, Qt::LeftButton, {}, arrow);
        QVERIFY(cal->isVisible());
        QCOMPARE(cal->selectedDate(), (typed.isEmpty() ? boxDate(name) : today).date());
        if (hide == "arrow")
            QTest::mouseClick(dates, Qt::LeftButton, {}, arrow);
        else if (hide == "surface")
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() - 3));
        else
            QTest::mouseMove(fx.child<QWidget>("Frame1"), QPoint(5, 5));
        QVERIFY(cal->isHidden());
        QCOMPARE(texts(), before);

        QTest::mouseClick(dates, Qt::LeftButton, {}, arrow);
        auto *grid = cal->findChild<QTableView *>();
        QPoint from = dates->mapTo(w, arrow);
        const int month = cal->monthShown();
        QList<QWidget *> way{grid->viewport()};
        if (months != 0) {
            // The month arrows are the outermost buttons of the calendar's top bar.
            QList<QToolButton *> bar = cal->findChildren<QToolButton *>();
            std::sort(bar.begin(), bar.end(), [cal](QWidget *a, QWidget *b) {
                return a->mapTo(cal, QPoint(0, 0)).x() < b->mapTo(cal, QPoint(0, 0)).x();
            });
            way.prepend(months > 0 ? static_cast<QWidget *>(bar.last()) : bar.first());
        }
        for (QWidget *target : way) {
            const bool day = target == grid->viewport();
            const QPoint at = day ? grid->visualRect(grid->model()->index(cell.y(), cell.x())).center()
                                  : target->rect().center();
            QVERIFY(MainWindowFixture::movePointerWhile(w, from, target->mapTo(w, at),
                                                        [&] { return cal->isVisible(); }));
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
            QVERIFY(day ? cal->isHidden() : cal->isVisible() && cal->monthShown() != month);
            from = target->mapTo(w, at);
        }
        for (int ticks = 0; ticks < 2; ++ticks, tick())
            QCOMPARE(texts(), (QStringList{"User", datetext::dateToBoxText(cal->selectedDate()), before[2]}));
    }

    // "All uploads" clicked: the report reads the history (the store's 100 and an earlier 200), the
    // setting is written; a start finds it as it was left.
    void allUploads_data()
    {
        columns<QByteArray, int, QString, QString>("setting", "clicks", "average", "kept");
        row("off at first", QByteArray(), 0, "100.0", "");
        row("ticked: every upload", QByteArray(), 1, "150.0", "1");
        row("ticked and unticked", QByteArray(), 2, "100.0", "0");
        row("ticked at the last start", QByteArray("history=1\n"), 0, "150.0", "1");
    }
    void allUploads()
    {
        const auto [setting, clicks, average, kept] =
            cells<QByteArray, int, QString, QString>("setting", "clicks", "average", "kept");
        shown(TempProgramDir::installedIni().replace("[setting]\n", "[setting]\n" + setting));
        const QString day = today.toString("yyyy-M-d");
        fx.dir().writeFile("data/TMPDATE.xml",
                           "<Data><xt><item>100," + day.toLatin1() + " 9:0:00,mg/dL,-,-</item></xt></Data>");
        ReadingHistory history;
        QVERIFY(history.open(fx.dir().storePath()) != ReadingHistory::Opened::Failed);
        QVERIFY(history.addReading("100," + day + " 9:0:00,mg/dL,-,-", -1, today) &&
                history.addReading("200," + day + " 8:0:00,mg/dL,-,-", -1, today));
        auto *allUploads = fx.child<QCheckBox>("historyview");
        QVERIFY(!allUploads->toolTip().isEmpty());
        QTest::mouseClick(fx.child<QPushButton>("Command1"), Qt::LeftButton);
        for (int click = 0; click < clicks; ++click)
            QTest::mouseClick(allUploads, Qt::LeftButton, {}, QPoint(8, allUploads->height() / 2));
        QCOMPARE(allUploads->isChecked(), kept == "1");
        QCOMPARE(fx.child<QLabel>("pjvalue")->text(), "Average Value : [" + average + "] mg/dl");
        QCOMPARE(fx.iniValue("setting", "history"), kept);
        const QString source =
            kept == "1" ? "all uploads since " + today.toString("yyyy-MM-dd") : "last upload";
        QVERIFY(
            fx.main()->showStatisticsWindow()->findChild<QLabel *>("statsHeading")->text().contains(source));
    }

    // A history that is no database is named on the notice band, kept aside as it was.
    void damagedHistoryKeptAside()
    {
        fx.start(TempProgramDir::installedIni(), "not a database");
        const QString text = fx.child<QLabel>("permission_text")->text();
        const QString kept = text.section(" kept as ", 1).section(' ', 0, 0);
        QVERIFY2(!fx.child<QFrame>("permission_notice")->isHidden() &&
                     kept.contains("history.sqlite.damaged-"),
                 qPrintable(text));
        QCOMPARE(TempProgramDir::readPath(kept), "not a database");
    }

    void viewPicks()
    {
        MainWindow *w = fx.start();
        QComboBox *view = box("sel_viewtype");
        QStringList seen;
        for (const char *entry :
             {"Glucose Morning Trend", "Glucose Noon Trend", "Glucose Night Trend", "ALL"}) {
            view->setCurrentIndex(view->findText(entry));
            emit view->activated(view->currentIndex());
            seen << fx.child<QLabel>("sel_info")->text() + QString::number(w->timeview) +
                        fx.iniValue("setting", "timesplit");
        }
        QCOMPARE(seen, (QStringList{"Glucose Morning Trend [04:00-11:00] 1Glucose Morning Trend",
                                    "Glucose  Noon  Trend  [11:00-16:00] 2Glucose Noon Trend",
                                    "Glucose  Night  Trend [16:00-04:00] 3Glucose Night Trend",
                                    "Glucose Day Trend[00:00-24:00] 0ALL"}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

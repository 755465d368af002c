#include "datebox.h"
#include "datetext.h"
#include "helpwindow.h"
#include "history.h"
#include "linkstatusline.h"
#include "logwindow.h"
#include "mainwindowfixture.h"
#include "meterlink.h"
#include "rows.h"
#include "serialportcontrol.h"
#include "settingwindow.h"
#include "startlocations.h"
#include "trendchart.h"
#include "valueswindow.h"
#include "windowmemory.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtCharts>
#include <numeric>

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
    // Keys as a person presses them, each to whatever has the focus: "Alt+S", "Esc", "Return"; "=text"
    // selects what the field holds and types over it ("_" for a blank); "tick" is a tick of the link timer.
    void press(const QString &script) const
    {
        for (const QString &token : script.split(u' ', Qt::SkipEmptyParts)) {
            QWidget *to =
                QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
            QVERIFY2(to || token == "tick", qPrintable("nothing has the keyboard for " + token));
            if (token == "tick") {
                tick();
            } else if (token.startsWith(u'=')) {
                QTest::keyClick(to, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(to, token.mid(1).replace(u'_', u' '));
            } else {
                QTest::keySequence(to, QKeySequence::fromString(token));
            }
            // A button's key clicks it as a press of the pointer does, down for 100 ms; a window opened
            // or closed is activated through the window system, which on a busy machine (a sanitizer's
            // build beside another) takes a while longer.
            QTest::qWait(token.startsWith("Alt+") ? 300 : 1);
        }
    }
    // The program's windows on screen, by name.
    static QString windowsShown()
    {
        QStringList names;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && !w->objectName().isEmpty() && !w->objectName().startsWith("qtooltip"))
                names << w->objectName();
        names.sort();
        return names.join(u' ');
    }
    SettingWindow *openSettings() const
    {
        QTest::mouseClick(fx.child<QPushButton>("Command2"), Qt::LeftButton);
        if (!fx.main()->settingWindow() || !QTest::qWaitForWindowActive(fx.main()->settingWindow()))
            qFatal("the settings window did not open");
        return fx.main()->settingWindow();
    }

private slots:
    void cleanup() { fx.reset(); }

    // What a screen reader says of each control: the label beside it, what a button does.
    void accessibleTexts_data()
    {
        columns<QString, QString, QString>("window", "name", "description");
        // clang-format off
        row("Combo1", "", "Report", ""); row("sel_viewtype", "", "and", "ALL. The time of day whose readings the report shows"); row("unit", "", "Unit", "");
        row("xt_d1", "", "Form", ""); row("xt_d2", "", "To", ""); row("jdt", "", "Upload progress", "");
        row("MSChart1", "", "Glucose trend", "No readings in this period");
        row("Command3", "", "ModifyData", "List every stored reading, to tick and delete readings");
        row("Command2", "", "Setting", "Edit the normal range, the chart's value axis and the meter's port");
        row("Command4", "", "test", "Mark each reading on the chart with a dot");
        row("qt_calendar_prevmonth", "", "Previous month", ""); row("qt_calendar_nextmonth", "", "Next month", "");
        row("nlow", "settings", "Low", ""); row("nhigh", "settings", "High", ""); row("dbmin", "settings", "Min", "");
        row("dbmax", "settings", "Max", ""); row("mdiv", "settings", "Y Major Division", "");
        row("mdiv2", "settings", "Y Minor Division", ""); row("comsel", "settings", "COMM", "");
        row("figures", "statistics", "Figures of the report", ""); row("timeOfDay", "statistics", "By time of day", "");
        row("patientName", "statistics", "Patient name", ""); row("helpButton", "", "Help", "");
        row("main", "", "Quillon V2.0", ""); row("setting", "settings", "Setting", "");
        row("statistics", "statistics", "Statistics", "");
        // clang-format on
    }
    void accessibleTexts()
    {
        const auto [window, name, description] =
            cells<QString, QString, QString>("window", "name", "description");
        QWidget *in = window == "settings" ? static_cast<QWidget *>((shown(), openSettings())) : shown();
        if (window == "statistics")
            QTest::mouseClick(fx.child<QPushButton>("statisticsButton"), Qt::LeftButton);
        QWidget *widget = in->objectName() == QTest::currentDataTag()
                              ? in
                              : in->findChild<QWidget *>(QTest::currentDataTag());
        QAccessibleInterface *control = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(control);
        // A window is announced as one, not as a filler.
        QVERIFY(!widget->isWindow() || control->role() == QAccessible::Window);
        // On Linux a combo box's name is its text, and the label it is labelled by names it.
        QStringList heard{control->text(QAccessible::Name)};
        for (const auto &[label, relation] : control->relations(QAccessible::Label))
            heard << label->text(QAccessible::Name).remove(QRegularExpression(":$"));
        QVERIFY2(heard.contains(name), qPrintable(heard.join(" | ")));
        if (!description.isEmpty()) // else a tooltip may stand in
            QCOMPARE(control->text(QAccessible::Description), description);
    }
    // The chart told in words after a report over known readings (mg/dL, days from today).
    void chartTold()
    {
        shown();
        // Asked before the report too: the words follow every report, not only the first asked for.
        const auto told = [this] {
            return QAccessible::queryAccessibleInterface(fx.child<QWidget>("MSChart1"))
                ->text(QAccessible::Description);
        };
        QCOMPARE(told(), "No readings in this period");
        const QVector<int> values{100, 60, 200}, days{-2, -1, 0};
        auto day = [&](int d) { return today.addDays(d).toString("yyyy-MM-dd"); };
        QString items;
        for (int i = 0; i < 3; ++i)
            items += QString("<item>%1,%2 9:0:00,mg/dL,-,-</item>").arg(values[i]).arg(day(days[i]));
        fx.dir().writeFile("data/TMPDATE.xml", ("<Data><xt>" + items + "</xt></Data>").toLatin1());
        QTest::mouseClick(fx.child<QPushButton>("Command1"), Qt::LeftButton);
        const int low = fx.iniValue("setting", "NormalLow").toInt(),
                  high = fx.iniValue("setting", "NormalHigh").toInt();
        const int below = int(std::count_if(values.begin(), values.end(), [&](int v) { return v < low; }));
        const int above = int(std::count_if(values.begin(), values.end(), [&](int v) { return v > high; }));
        auto at = [&](auto it) {
            return QString::number(*it) + " mg/dl on " + day(days[int(it - values.begin())]);
        };
        // The average under the band is a notification, read out anew with its new words; "No Graphic
        // Data " is not read beside a drawn chart.
        QAccessibleInterface *average = QAccessible::queryAccessibleInterface(fx.child<QLabel>("pjvalue"));
        QVERIFY(average->role() == QAccessible::Notification &&
                average->text(QAccessible::Name) == fx.child<QLabel>("pjvalue")->text());
        QVERIFY(fx.child<QLabel>("Label6")->isHidden());
        QCOMPARE(told(),
                 QString("3 readings from %1 to %2; lowest %3, highest %4; average %5 mg/dl; %6 below, %7 "
                         "within and %8 above the normal range")
                     .arg(day(-2), day(0), at(std::min_element(values.begin(), values.end())),
                          at(std::max_element(values.begin(), values.end())),
                          QString::number(std::accumulate(values.begin(), values.end(), 0) / 3))
                     .arg(below)
                     .arg(3 - below - above)
                     .arg(above));
    }

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
        // A screen reader reaches the text before the button that takes it away.
        QAccessibleInterface *band =
            QAccessible::queryAccessibleInterface(fx.child<QFrame>("permission_notice"));
        QVERIFY(notice.isEmpty() || (band->child(0)->text(QAccessible::Name) == text &&
                                     band->child(1)->text(QAccessible::Name) == "Dismiss"));
    }

    // The settings window: "Cancel" writes nothing, "Reset" shows the defaults but keeps the
    // divisions, "Save" writes the fields as typed once they pass; the COMM list names each port's
    // device. Closing the main window closes all, timer off.
    // With mmol/L shown, the ranges are shown and typed in mmol/L and kept in mg/dL; a range left
    // as shown keeps its stored value (4.4 would come back as 79).
    void settingsInMmol()
    {
        shown(fx.installedIniWith("unit", "mmol/l"));
        SettingWindow *w = openSettings();
        QStringList seen;
        for (const char *name : {"nlow", "nhigh", "dbmin", "dbmax"})
            seen << w->findChild<QLineEdit *>(name)->text();
        QCOMPARE(seen, (QStringList{"4.4", "6.1", "1.1", "33.3"}));
        typeInto(w->findChild<QLineEdit *>("nlow"), "4.0");
        QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        seen.clear();
        for (const char *key : {"NormalLow", "NormalHigh", "DBMin", "DBMax"})
            seen << fx.iniValue("setting", key);
        QCOMPARE(seen, (QStringList{"72", "110", "20", "600"}));
    }
    void settingsWindow()
    {
        shown("[setting]\nNormalLow=70\nNormalHigh=140\nDBMin=10\nDBMax=500\nMinorDivision=3\n"
              "[comm]\nusercommport=7\ndelay=100\nsettings=9600,n,8,1\nport3=/nonexistent/ttyMeter\n");
        const QByteArray before = fx.dir().readFile("cfg/sys.ini");
        const auto edit = [&](const QStringList &values, const char *button) {
            SettingWindow *w = openSettings();
            QStringList seen{w->windowTitle()};
            QList<QLineEdit *> fields = w->findChildren<QLineEdit *>();
            QList<QPushButton *> buttons = w->findChildren<QPushButton *>();
            std::sort(buttons.begin(), buttons.end(), [](auto *a, auto *b) { return a->y() < b->y(); });
            for (auto *b : buttons)
                seen << b->text();
            auto *comm = w->findChild<QComboBox *>("comsel");
            seen << comm->itemData(0, Qt::ToolTipRole).toString()
                 << comm->itemData(2, Qt::ToolTipRole).toString();
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
        QCOMPARE(
            edit(QStringList(7, "66"), "Command2"),
            (QStringList{"Setting", "Save", "Reset", "Cancel", "/dev/ttyUSB0",
                         "/nonexistent/ttyMeter (set in sys.ini)", "70", "140", "10", "500", "", "3", "7"}));
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
    // the unit shown; a period applies on Enter or the next tick, its dates read back in any locale.
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
        // Enter in the period box applied what was typed there; nothing else moves the dates before the tick.
        if (name == "Combo1" && !typed.isEmpty())
            QCOMPARE(boxDate("xt_d2"), start);
        else
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

    // Keys that work where a person expects them, each row from the main window with nothing else open.
    void keys_data()
    {
        // shows: the windows on screen | NormalLow and usercommport in the settings file | the link timer
        columns<QString, QString>("keys", "shows");
        const QString kept = " | 80 1 | ticking";
        // clang-format off
        row("values: Alt+M opens, Escape closes", "Alt+M Esc", "main" + kept);
        row("settings: Escape is Cancel", "Alt+S =66 Esc", "main" + kept);
        row("settings: Enter in a field saves", "Alt+S =66 Return", "main | 66 1 | ticking");
        row("settings: Enter in COMM saves", "Alt+S Tab Tab Tab Tab Tab Tab =3 Return", "main | 80 3 | ticking");
        row("settings: open, the link paused", "Alt+S =66", "main setting | 80 1 | still");
        row("statistics: Alt+T opens, Escape closes", "Alt+T Esc", "main" + kept);
        row("log and help from the statistics", "Alt+T Ctrl+L F1", "help log main statistics" + kept);
        row("help: Escape closes", "F1 Esc", "main" + kept);
        row("help: About", "F1 Alt+A", "about help main" + kept);
        row("log: Escape hides", "Ctrl+L Esc", "main" + kept);
        row("Ctrl+Q quits from another window", "Alt+M Ctrl+Q", " | 80 1 | still");
        // clang-format on
    }
    void keys()
    {
        auto [keys, shows] = cells<QString, QString>("keys", "shows");
        shown();
        press(keys);
        QCOMPARE(windowsShown() + " | " + fx.iniValue("setting", "NormalLow") + ' ' +
                     fx.iniValue("comm", "usercommport") + (ticking() ? " | ticking" : " | still"),
                 shows);
    }

    // A date typed into a box is checked on leaving it; the calendar is worked with keys alone.
    void dateBoxKeys_data()
    {
        // keys in xt_d2 after a click into it ("D-10": the date 10 days back as the box writes it);
        // shows: the period, xt_d2 in days from today, refused or not, what has the focus
        columns<QString, QString>("keys", "shows");
        // clang-format off
        row("a date typed, a tick, Tab: the period is User", "=D-10 tick Tab", "User -10 ok Command1");
        row("a date typed, Enter", "=D-3 Return", "User -3 ok xt_d2");
        row("not a date: refused, the date kept", "=30.02.2x Tab", "7 Day -7 refused Command1");
        row("Alt+Down: the calendar has the keys", "Alt+Down", "7 Day -7 ok Calendar2");
        row("Alt+Down, Left twice, Enter picks", "Alt+Down Left Left Return", "User -9 ok xt_d2");
        row("Alt+Down, Escape closes", "Alt+Down Left Esc", "7 Day -7 ok xt_d2");
        // clang-format on
    }
    void dateBoxKeys()
    {
        auto [keys, shows] = cells<QString, QString>("keys", "shows");
        shown();
        auto *d2 = static_cast<DateBox *>(box("xt_d2"));
        QTest::mouseClick(d2->lineEdit(), Qt::LeftButton);
        const QRegularExpressionMatch back = QRegularExpression("D-(\\d+)").match(keys);
        if (back.hasMatch())
            keys.replace(
                back.captured(0),
                datetext::dateToBoxText(today.date().addDays(-back.captured(1).toInt())).replace(u' ', u'_'));
        press(keys);
        QWidget *focus = QApplication::focusWidget();
        while (focus && !QStringList{"xt_d2", "Calendar2", "Command1"}.contains(focus->objectName()))
            focus = focus->parentWidget();
        QCOMPARE(QStringList({box("Combo1")->currentText(), QString::number(today.daysTo(boxDate("xt_d2"))),
                              d2->refused() ? "refused" : "ok", focus ? focus->objectName() : "?"})
                     .join(' '),
                 shows);
        QCOMPARE(d2->toolTip().startsWith("Not a date. Type it as " + datetext::shortDateFormat() +
                                          ", for example "),
                 d2->refused());
        QCOMPARE(fx.child<QWidget>("Calendar2")->isVisible(), focus && focus->objectName() == "Calendar2");
    }

    // Enter in the period box draws the period typed, at once: its dates, then "Apply".
    void enterInThePeriodBoxApplies()
    {
        shown();
        const auto at = [&](int daysAgo) {
            return today.addDays(-daysAgo).toString("yyyy-M-d").toUtf8() + " 9:0:00,mg/dL,-,-</item>";
        };
        fx.dir().writeFile("data/TMPDATE.xml",
                           "<Data><xt><item>100," + at(0) + "<item>200," + at(3) + "</xt></Data>");
        QTest::mouseClick(fx.child<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(fx.child<QLabel>("pjvalue")->text(), "Average Value : [150.0] mg/dl");
        QTest::mouseClick(box("Combo1")->lineEdit(), Qt::LeftButton);
        press("=1_Day Return");
        QCOMPARE(boxDate("xt_d2"), today.addDays(-1));
        QCOMPARE(fx.child<QLabel>("pjvalue")->text(), "Average Value : [100.0] mg/dl");
    }

    // The keyboard's place on the band shows against the band's colour.
    void bandFocusRing()
    {
        shown();
        QTest::mouseClick(box("Combo1")->lineEdit(), Qt::LeftButton);
        press("Tab");
        QWidget *band = fx.child<QWidget>("Frame1");
        QWidget *view = box("sel_viewtype");
        QVERIFY(view->hasFocus());
        const QImage picture = band->grab().toImage();
        const QColor ring = picture.pixelColor(view->geometry().left() - 2, view->geometry().center().y());
        const QColor bandColour = band->palette().color(QPalette::Window);
        QCOMPARE(ring, band->palette().color(QPalette::WindowText));
        QVERIFY(ring != bandColour);
        QTest::mouseClick(fx.child<QWidget>("MSChart1"), Qt::LeftButton);
        press("Alt+S");
        QVERIFY(fx.child<QWidget>("bandFocusRing")->isHidden());
    }

    // After a whole search of ports 1 to 16 without an answer a quiet line says so, with the log a click
    // away; the band's buttons open the log and the help, which leads to the about window; every
    // button has a tooltip.
    void noMeterFoundLogAndHelp()
    {
        QByteArray ports = "[comm]\n";
        for (int port = 1; port <= 16; ++port)
            ports +=
                "port" + QByteArray::number(port) + "=/nonexistent/ttyQ" + QByteArray::number(port) + '\n';
        shown(TempProgramDir::installedIni().replace("[comm]\n", ports));
        auto *line = fx.child<QWidget>("linkStatus");
        for (int ticks = 0; ticks < 16; ++ticks)
            tick();
        QVERIFY(line->isHidden());
        tick();
        QVERIFY(line->isVisible());
        QCOMPARE(fx.child<QLabel>("linkStatusText")->text(),
                 QString::fromUtf8("No meter found on ports 1–16. Is it connected and switched on?"));
        // Tab takes the line after the band and before the chart, as the eye does; the flat button
        // stands up while it has the keyboard.
        fx.child<QPushButton>("statisticsButton")->setFocus();
        press("Tab");
        QVERIFY(QApplication::focusWidget()->objectName() == "linkStatusLog" &&
                !fx.child<QPushButton>("linkStatusLog")->isFlat());
        // News read out while the keyboard is on the line's button leaves the keyboard there.
        static_cast<LinkStatusLine *>(line)->say("Uploaded 3 readings at 10:00");
        QCOMPARE(QApplication::focusWidget()->objectName(), "linkStatusLog");
        press("Tab");
        QCOMPARE(QApplication::focusWidget()->objectName(), "MSChart1");
        QTest::mouseClick(fx.child<QPushButton>("linkStatusLog"), Qt::LeftButton);
        QVERIFY(fx.main()->logWindow()->isVisible());
        fx.main()->logWindow()->close();
        QTest::mouseClick(fx.child<QToolButton>("logButton"), Qt::LeftButton);
        QTest::mouseClick(fx.child<QToolButton>("helpButton"), Qt::LeftButton);
        QCOMPARE(windowsShown(), "help log main");
        auto *help = fx.main()->findChild<HelpWindow *>();
        QVERIFY(help->text().contains(fx.dir().iniPath()) &&
                help->text().contains("sudo usermod -aG dialout $USER"));
        QTest::mouseClick(help->findChild<QPushButton *>("aboutButton"), Qt::LeftButton);
        const QString about = fx.child<QLabel>("aboutText")->text();
        QVERIFY2(about.contains("Quillon 2.0") && about.contains("GPL-3.0-or-later") &&
                     about.contains("href=\"https://example.org/quillon\""),
                 qPrintable(about));
        for (QAbstractButton *b : fx.main()->findChildren<QAbstractButton *>())
            QVERIFY2(!b->isVisibleTo(fx.main()) || !b->toolTip().isEmpty(), qPrintable(b->objectName()));
    }

    // The window keeps its size and place in the user's state folder, never in the settings; it is
    // never smaller than the chart needs for its axes and labels.
    void windowPlaceAndSize()
    {
        QTemporaryDir state;
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
        const QString file = windowmemory::file(startlocations::userStateDir());
        QCOMPARE(file, state.path() + "/quillon/window.ini");
        MainWindow *w = fx.start();
        const QByteArray ini = fx.dir().readFile("cfg/sys.ini");
        w->rememberGeometryIn(file);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->resize(100, 100);
        QCOMPARE(w->size(), w->minimumSize());
        QVERIFY(w->minimumHeight() >= 380 && w->minimumWidth() >= 560);
        const QRect placed(QPoint(30, 20), w->minimumSize() + QSize(10, 40));
        w->setGeometry(placed);
        QVERIFY(w->close());
        QCOMPARE(fx.dir().readFile("cfg/sys.ini"), ini);
        QCOMPARE(QFileInfo(file).dir().entryList(QDir::Files), QStringList{"window.ini"});
        QCOMPARE(QFileInfo(QFileInfo(file).path()).permissions() & 0x0077, 0);
        w = fx.start();
        w->rememberGeometryIn(file);
        QCOMPARE(w->geometry(), placed);
        qunsetenv("XDG_STATE_HOME");
    }

    // A person's large font, set while the window is open at its starting size: every control of the
    // band and every caption whole, nothing out of the window, and the chart's labels as large.
    void largeFont_data()
    {
        columns<int>("points");
        row("16 pt", 16);
        row("24 pt", 24);
    }
    void largeFont()
    {
        const auto [points] = cells<int>("points");
        const QFont usual = QApplication::font();
        const auto restore = qScopeGuard([usual] { QApplication::setFont(usual); });
        MainWindow *w = shown();
        QApplication::setFont(QFont(usual.family(), points));
        QCoreApplication::processEvents();
        const QWidget *band = fx.child<QFrame>("Frame1");
        QTest::qWait(50); // the layouts settle, the window grows to what they need
        QVERIFY(w->screen()->availableGeometry().contains(w->frameGeometry()));
        for (QWidget *c : band->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            const bool text = qobject_cast<QLabel *>(c) || qobject_cast<QAbstractButton *>(c);
            const QSize whole = text ? c->sizeHint() : c->minimumSizeHint();
            // A caption that wraps is whole when it is as high as its lines at its width.
            const bool wraps = qobject_cast<QLabel *>(c) && static_cast<QLabel *>(c)->wordWrap();
            QVERIFY2(!c->isVisible() || ((wraps ? c->height() >= c->heightForWidth(c->width())
                                                : c->size().expandedTo(whole) == c->size()) &&
                                         band->rect().contains(c->geometry())),
                     qPrintable(c->objectName()));
        }
        // The other windows fit the screen, frame and all, and the list cuts no header and no text.
        fx.dir().writeFile("data/TMPDATE.xml",
                           "<Data><xt><item>123,2026-12-31 23:59:00,mg/dL,Ctrl,TEMP</item></xt></Data>");
        for (const char *button : {"Command3", "statisticsButton"})
            QTest::mouseClick(fx.child<QPushButton>(button), Qt::LeftButton);
        for (const char *name : {"values", "statistics"})
            QVERIFY2(w->screen()->availableGeometry().contains(fx.child<QWidget>(name)->frameGeometry()),
                     name);
        auto *list = fx.child<QTableView>("vlist");
        QTRY_COMPARE(list->model()->rowCount(), 1);
        for (int c = 0; c < list->model()->columnCount(); ++c) {
            const QString header = list->model()->headerData(c, Qt::Horizontal).toString();
            const QString cell = list->model()->index(0, c).data().toString();
            const int box = c ? 0 : list->style()->pixelMetric(QStyle::PM_IndicatorWidth);
            QVERIFY2(list->columnWidth(c) > box + list->fontMetrics().horizontalAdvance(cell) &&
                         list->columnWidth(c) >
                             list->horizontalHeader()->fontMetrics().horizontalAdvance(header),
                     qPrintable(header));
        }
        const TrendChart *chart = fx.child<TrendChart>("MSChart1");
        QVERIFY(std::min({fx.child<QLabel>("Label1")->font().pointSizeF() - 1,
                          chart->labelAxis()->labelsFont().pointSizeF(),
                          chart->valueAxis()->labelsFont().pointSizeF(),
                          chart->chart()->legend()->font().pointSizeF()}) >= points);
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

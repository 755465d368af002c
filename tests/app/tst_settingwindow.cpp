#include "mainwindowfixture.h"
#include "rows.h"
#include "settingwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestSettingWindow : public QObject
{
    Q_OBJECT

    MainWindowFixture fx;

    SettingWindow *open(const QByteArray &ini = TempProgramDir::installedIni())
    {
        fx.start(ini)->show();
        fx.child<QPushButton>("Command2")->click();
        SettingWindow *w = fx.main()->settingWindow();
        if (!w)
            qFatal("the settings window did not open");
        return w;
    }
    static QLineEdit *field(SettingWindow *w, const char *name)
    {
        return w->findChild<QLineEdit *>(QLatin1String(name));
    }
    static QPushButton *button(SettingWindow *w, const QString &text)
    {
        for (QPushButton *b : w->findChildren<QPushButton *>())
            if (b->text() == text)
                return b;
        qFatal("no button %s", qPrintable(text));
    }
    bool ticking() const { return fx.child<QTimer>("Timer1")->isActive(); }

private slots:
    void cleanup() { fx.reset(); }

    void loadsTheFieldsFromTheFile()
    {
        SettingWindow *w =
            open("[setting]\nNormalLow=70\nNormalHigh=140\nDBMin=10\nDBMax=500\nMinorDivision=3\n"
                 "[comm]\nusercommport=7\n");
        QCOMPARE(w->windowTitle(), QStringLiteral("Setting"));
        const QStringList shown{"70", "140", "10", "500", "", "3"}; // no MajorDivision: empty
        const char *names[] = {"nlow", "nhigh", "dbmin", "dbmax", "mdiv", "mdiv2"};
        for (int i = 0; i < shown.size(); ++i)
            QCOMPARE(field(w, names[i])->text(), shown[i]);
        auto *port = w->findChild<QComboBox *>(QStringLiteral("comsel"));
        QCOMPARE(port->currentText(), QStringLiteral("7"));
        QCOMPARE(port->count(), 16);
    }

    void buttonsStandSaveResetCancel()
    {
        QList<QPushButton *> buttons = open()->findChildren<QPushButton *>();
        std::sort(buttons.begin(), buttons.end(),
                  [](QPushButton *a, QPushButton *b) { return a->y() < b->y(); });
        QStringList order;
        for (QPushButton *b : buttons)
            order << b->text();
        QCOMPARE(order, (QStringList{"Save", "Reset", "Cancel"}));
    }

    void resetThenCancelChangesNothing()
    {
        SettingWindow *w = open("[setting]\nNormalLow=70\nNormalHigh=140\nDBMin=10\nDBMax=500\n");
        const QByteArray before = fx.dir().readFile(QStringLiteral("cfg/sys.ini"));
        button(w, "Reset")->click();
        QCOMPARE(field(w, "nlow")->text(), QStringLiteral("80"));
        button(w, "Cancel")->click();
        QCOMPARE(fx.dir().readFile(QStringLiteral("cfg/sys.ini")), before);
        fx.child<QPushButton>("Command2")->click();
        QVERIFY(fx.main()->settingWindow());
        QCOMPARE(field(fx.main()->settingWindow(), "nlow")->text(), QStringLiteral("70"));
    }

    void resetThenSaveWritesDefaultsAndKeepsDivisions()
    {
        SettingWindow *w = open();
        field(w, "mdiv")->setText(QStringLiteral("5"));
        field(w, "mdiv2")->setText(QStringLiteral("4"));
        button(w, "Reset")->click();
        QCOMPARE(field(w, "mdiv")->text(), QStringLiteral("5"));
        QPointer<SettingWindow> closing = w;
        button(w, "Save")->click();
        const char *keys[] = {"NormalLow", "NormalHigh", "DBMin", "DBMax", "MajorDivision", "MinorDivision"};
        const QStringList saved{"80", "110", "20", "600", "5", "4"};
        for (int i = 0; i < saved.size(); ++i)
            QCOMPARE(fx.iniValue("setting", keys[i]), saved[i]);
        QCOMPARE(fx.iniValue("comm", "usercommport"), QStringLiteral("1"));
        QVERIFY(!closing || !closing->isVisible());
    }

    void savesTextAsTyped_data()
    {
        // charted: the report that follows still draws the chart.
        columns<QString, bool>("text", "charted");
        row("empty", "", false);
        row("letters", "abc", false);
        row("decimal", "12.5", true);
        row("negative", "-1", true);
        row("huge", "99999999999", false);
        row("infinite", "1e999", false);
        row("2000 characters", QString(2000, u'8'), false);
    }
    void savesTextAsTyped()
    {
        auto [text, charted] = cells<QString, bool>("text", "charted");
        SettingWindow *w = open();
        // One reading of today, so that readable settings draw it.
        const QByteArray store = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n<xt>\n<item>100," +
                                 QDate::currentDate().toString(QStringLiteral("yyyy-M-d")).toLatin1() +
                                 " 8:0:00,mg/dL,-,-</item>\n</xt>\n</Data>\n";
        fx.dir().writeFile(QStringLiteral("data/TMPDATE.xml"), store);
        for (const char *name : {"nlow", "nhigh", "dbmin", "dbmax", "mdiv", "mdiv2"})
            field(w, name)->setText(text);
        w->findChild<QComboBox *>(QStringLiteral("comsel"))->setEditText(text);
        button(w, "Save")->click();
        const QString stored = text.left(1023);
        for (const char *key :
             {"NormalLow", "NormalHigh", "DBMin", "DBMax", "MajorDivision", "MinorDivision"})
            QCOMPARE(fx.iniValue("setting", key), stored);
        QCOMPARE(fx.iniValue("comm", "usercommport"), stored);
        QCOMPARE(fx.iniValue("comm", "settings"), QStringLiteral("9600,n,8,1"));
        QCOMPARE(fx.child<QWidget>("MSChart1")->isHidden(), !charted);
        QCOMPARE(fx.dir().readFile(QStringLiteral("data/TMPDATE.xml")), store);
    }

    void timerPausesWhileOpen_data()
    {
        // how: a button's text, or "close" for the close box.
        columns<QString, QString, bool>("how", "delay", "ticksAfter");
        row("Save", "Save", "100", true);
        row("Cancel", "Cancel", "100", true);
        row("close box", "close", "100", true);
        row("interval 0 stays off", "close", "0", false);
    }
    void timerPausesWhileOpen()
    {
        auto [how, delay, ticksAfter] = cells<QString, QString, bool>("how", "delay", "ticksAfter");
        SettingWindow *w =
            open(MainWindowFixture::installedIniWith(QStringLiteral("comm"), QStringLiteral("delay"), delay));
        QVERIFY(!ticking());
        QVERIFY(fx.main()->isEnabled());
        if (how == QLatin1String("close"))
            w->close();
        else
            button(w, how)->click();
        QCOMPARE(ticking(), ticksAfter);
        QVERIFY(fx.main()->isTimer1Enabled());
    }
};

QTEST_MAIN(TestSettingWindow)
#include "tst_settingwindow.moc"

#include "clsoperateini.h"
#include "mainwindow.h"
#include "mainwindowfixture.h"
#include "settingwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

class TestSettingWindow : public QObject
{
    Q_OBJECT

    MainWindowFixture fx;

    SettingWindow *open(const QByteArray &ini = TempProgramDir::installedIni())
    {
        fx.start(ini)->show();
        fx.main()->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        SettingWindow *w = fx.main()->settingWindow();
        if (!w)
            qFatal("the settings window did not open");
        return w;
    }
    QLineEdit *field(SettingWindow *w, const char *name) const
    {
        return w->findChild<QLineEdit *>(QLatin1String(name));
    }
    QPushButton *button(SettingWindow *w, const char *text) const
    {
        for (QPushButton *b : w->findChildren<QPushButton *>())
            if (b->text() == QLatin1String(text))
                return b;
        qFatal("no button %s", text);
    }
    QTimer *timer1() const { return fx.main()->findChild<QTimer *>(QStringLiteral("Timer1")); }

private slots:
    void cleanup() { fx.reset(); }

    void loadsTheFieldsFromTheFile()
    {
        SettingWindow *w =
            open("[setting]\nNormalLow=70\nNormalHigh=140\nDBMin=10\nDBMax=500\nMinorDivision=3\n"
                 "[comm]\nusercommport=7\n");
        QCOMPARE(w->windowTitle(), QStringLiteral("Setting"));
        QCOMPARE(field(w, "nlow")->text(), QStringLiteral("70"));
        QCOMPARE(field(w, "nhigh")->text(), QStringLiteral("140"));
        QCOMPARE(field(w, "dbmin")->text(), QStringLiteral("10"));
        QCOMPARE(field(w, "dbmax")->text(), QStringLiteral("500"));
        QCOMPARE(field(w, "mdiv")->text(), QString()); // missing key: empty field
        QCOMPARE(field(w, "mdiv2")->text(), QStringLiteral("3"));
        QCOMPARE(w->findChild<QComboBox *>(QStringLiteral("comsel"))->currentText(), QStringLiteral("7"));
        QCOMPARE(w->findChild<QComboBox *>(QStringLiteral("comsel"))->count(), 16);
    }

    void buttonsStandSaveResetCancel()
    {
        SettingWindow *w = open();
        QList<QPushButton *> buttons = w->findChildren<QPushButton *>();
        std::sort(buttons.begin(), buttons.end(),
                  [](QPushButton *a, QPushButton *b) { return a->y() < b->y(); });
        w->show();
        QTRY_VERIFY(w->isVisible());
        std::sort(buttons.begin(), buttons.end(),
                  [](QPushButton *a, QPushButton *b) { return a->y() < b->y(); });
        QStringList order;
        for (QPushButton *b : buttons)
            order << b->text();
        QCOMPARE(order, (QStringList{"Save", "Reset", "Cancel"}));
    }

    void resetThenCancelChangesNothing()
    {
        const QByteArray ini = "[setting]\nNormalLow=70\nNormalHigh=140\nDBMin=10\nDBMax=500\n";
        SettingWindow *w = open(ini);
        const QByteArray before = fx.dir().readFile(QStringLiteral("cfg/sys.ini"));
        button(w, "Reset")->click();
        QCOMPARE(field(w, "nlow")->text(), QStringLiteral("80"));
        button(w, "Cancel")->click();
        QCOMPARE(fx.dir().readFile(QStringLiteral("cfg/sys.ini")), before);
        fx.main()->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        QTRY_VERIFY(fx.main()->settingWindow());
        QCOMPARE(field(fx.main()->settingWindow(), "nlow")->text(), QStringLiteral("70"));
    }

    void resetThenSaveWritesDefaultsAndKeepsDivisions()
    {
        SettingWindow *w = open();
        field(w, "mdiv")->setText(QStringLiteral("5"));
        field(w, "mdiv2")->setText(QStringLiteral("4"));
        button(w, "Reset")->click();
        QCOMPARE(field(w, "mdiv")->text(), QStringLiteral("5"));
        button(w, "Save")->click();
        QCOMPARE(fx.iniValue("setting", "NormalLow"), QStringLiteral("80"));
        QCOMPARE(fx.iniValue("setting", "NormalHigh"), QStringLiteral("110"));
        QCOMPARE(fx.iniValue("setting", "DBMin"), QStringLiteral("20"));
        QCOMPARE(fx.iniValue("setting", "DBMax"), QStringLiteral("600"));
        QCOMPARE(fx.iniValue("comm", "usercommport"), QStringLiteral("1"));
        QCOMPARE(fx.iniValue("setting", "MajorDivision"), QStringLiteral("5"));
        QCOMPARE(fx.iniValue("setting", "MinorDivision"), QStringLiteral("4"));
        QTRY_VERIFY(!fx.main()->settingWindow());
    }

    void savesTextAsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("charted"); // the report that follows still draws the chart
        QTest::newRow("empty") << "" << false;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("decimal") << "12.5" << true;
        QTest::newRow("huge") << "99999999999" << false;
        QTest::newRow("2000 characters") << QString(2000, u'8') << false;
        QTest::newRow("negative") << "-1" << true;
        QTest::newRow("infinite") << "1e999" << false;
    }
    void savesTextAsTyped()
    {
        QFETCH(QString, text);
        QFETCH(bool, charted);
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
        // The other settings survive the save untouched.
        QCOMPARE(fx.iniValue("comm", "settings"), QStringLiteral("9600,n,8,1"));
        // The report ran on what was saved: the chart only with settings it can read, and the
        // store as it was.
        QCOMPARE(fx.child<QWidget>("MSChart1")->isHidden(), !charted);
        QCOMPARE(fx.dir().readFile(QStringLiteral("data/TMPDATE.xml")), store);
    }

    void linkPausesWhileOpen_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Save") << "Save";
        QTest::newRow("Cancel") << "Cancel";
        QTest::newRow("close box") << "close";
    }
    void linkPausesWhileOpen()
    {
        QFETCH(QString, how);
        SettingWindow *w = open();
        QVERIFY(!timer1()->isActive());
        QVERIFY(fx.main()->isEnabled());
        if (how == QLatin1String("close"))
            w->close();
        else
            button(w, qPrintable(how))->click();
        QVERIFY(timer1()->isActive());
    }

    void noTicksAfterClosingWhenIntervalIsZero()
    {
        QByteArray ini = TempProgramDir::installedIni();
        ini.replace("delay=100", "delay=0");
        SettingWindow *w = open(ini);
        w->close();
        QVERIFY(!timer1()->isActive());
        QVERIFY(fx.main()->isTimer1Enabled());
    }
};

QTEST_MAIN(TestSettingWindow)
#include "tst_settingwindow.moc"

#include "clsoperateini.h"
#include "filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestClsOperateIni : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    void writeRaw(const QByteArray &bytes)
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray readRaw() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    clsOperateINI ini() const
    {
        clsOperateINI i;
        i.setINIFileName(m_path);
        return i;
    }

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("sys.ini"));
        QFile::remove(m_path);
    }

    void readsWhatTheFileHolds_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray base = "[comm]\ndelay=100\nsettings=9600,n,8,1\n[setting]\nunit=mg/dl\n";
        QTest::newRow("comma value stays one text") << base << "comm"
                                                    << "settings"
                                                    << "9600,n,8,1";
        QTest::newRow("section any case") << base << "COMM"
                                          << "delay"
                                          << "100";
        QTest::newRow("key any case") << base << "setting"
                                      << "UNIT"
                                      << "mg/dl";
        QTest::newRow("missing key") << base << "comm"
                                     << "timeout"
                                     << "";
        QTest::newRow("missing section") << base << "main"
                                         << "logview"
                                         << "";
        QTest::newRow("key of another section") << base << "setting"
                                                << "delay"
                                                << "";
        QTest::newRow("blanks around name and value")
            << QByteArray("[ comm ]\n  delay  =   250  \n") << "comm"
            << "delay"
            << "250";
        QTest::newRow("empty value") << QByteArray("[comm]\ndelay=\n") << "comm"
                                     << "delay"
                                     << "";
        QTest::newRow("value holding =") << QByteArray("[a]\nk=x=y\n") << "a"
                                         << "k"
                                         << "x=y";
        QTest::newRow("windows line ends") << QByteArray("[comm]\r\ndelay=20\r\n") << "comm"
                                           << "delay"
                                           << "20";
        QTest::newRow("first of two sections") << QByteArray("[a]\nk=1\n[a]\nk=2\n") << "a"
                                               << "k"
                                               << "1";
        QTest::newRow("comment is not a key") << QByteArray("[a]\n;k=1\nk=2\n") << "a"
                                              << "k"
                                              << "2";
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[a]\nk=1\n") << "a"
                                         << "k"
                                         << "1";
        QTest::newRow("no final line end") << QByteArray("[a]\nk=last") << "a"
                                           << "k"
                                           << "last";
        QTest::newRow("line without =") << QByteArray("[a]\njunk\nk=3\n") << "a"
                                        << "k"
                                        << "3";
        QTest::newRow("utf-8 value") << QByteArray("[a]\nk=mmol/l \xC3\xA9\n") << "a"
                                     << "k" << QString::fromUtf8("mmol/l \xC3\xA9");
    }
    void readsWhatTheFileHolds()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        writeRaw(file);
        QCOMPARE(ini().GetIniKey(section, key), expected);
        QCOMPARE(readRaw(), file);
    }

    void missingFileReadsEmptyAndStaysMissing()
    {
        QCOMPARE(ini().GetIniKey(QStringLiteral("comm"), QStringLiteral("delay")), QString());
        QVERIFY(!QFile::exists(m_path));
        clsOperateINI unset;
        QCOMPARE(unset.GetIniKey(QStringLiteral("comm"), QStringLiteral("delay")), QString());
    }

    void writeCreatesFileSectionAndKey()
    {
        QVERIFY(
            ini().WriteIniKey(QStringLiteral("setting"), QStringLiteral("unit"), QStringLiteral("mmol/l")));
        QCOMPARE(readRaw(), QByteArray("[setting]\nunit=mmol/l\n"));
    }

    void valueReadsBackAsWritten_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        QTest::newRow("plain") << "600"
                               << "600";
        QTest::newRow("commas") << "9600,n,8,1"
                                << "9600,n,8,1";
        QTest::newRow("leading blanks go") << "   80"
                                           << "80";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("inner blanks stay") << "Glucose  Noon  Trend"
                                           << "Glucose  Noon  Trend";
        QTest::newRow("1500 characters cut to 1023") << QString(1500, u'x') << QString(1023, u'x');
        QTest::newRow("2000 characters cut to 1023") << QString(2000, u'7') << QString(1023, u'7');
    }
    void valueReadsBackAsWritten()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        QVERIFY(ini().WriteIniKey(QStringLiteral("s"), QStringLiteral("k"), written));
        QCOMPARE(ini().GetIniKey(QStringLiteral("s"), QStringLiteral("k")), read);
    }

    void writeTouchesOnlyItsLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        const QByteArray user =
            "; my meter\n[comm]\ndelay=100 ; fast\nodd key=1\n\n[setting]\nunit=mg/dl\nX=y\n";
        QTest::newRow("replace in place")
            << user << "setting"
            << "unit"
            << "mmol/l"
            << QByteArray("; my meter\n[comm]\ndelay=100 ; fast\nodd key=1\n\n[setting]\nunit=mmol/l\nX=y\n");
        QTest::newRow("replace keeps other case of the name")
            << user << "SETTING"
            << "Unit"
            << "mmol/l"
            << QByteArray("; my meter\n[comm]\ndelay=100 ; fast\nodd key=1\n\n[setting]\nUnit=mmol/l\nX=y\n");
        QTest::newRow("new key before the blank line")
            << user << "comm"
            << "timeout"
            << "20"
            << QByteArray("; my meter\n[comm]\ndelay=100 ; fast\nodd "
                          "key=1\ntimeout=20\n\n[setting]\nunit=mg/dl\nX=y\n");
        QTest::newRow("new section at the end")
            << user << "main"
            << "logview"
            << "1"
            << QByteArray("; my meter\n[comm]\ndelay=100 ; fast\nodd "
                          "key=1\n\n[setting]\nunit=mg/dl\nX=y\n\n[main]\nlogview=1\n");
        QTest::newRow("windows line ends kept") << QByteArray("[a]\r\nk=1\r\n") << "a"
                                                << "k"
                                                << "2" << QByteArray("[a]\r\nk=2\r\n");
        QTest::newRow("line break cannot plant a key")
            << QByteArray("[a]\nk=1\n") << "a"
            << "k"
            << "x\n[b]\nevil=1" << QByteArray("[a]\nk=x [b] evil=1\n");
    }
    void writeTouchesOnlyItsLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        writeRaw(before);
        QVERIFY(ini().WriteIniKey(section, key, value));
        QCOMPARE(readRaw(), after);
        QCOMPARE(ini().GetIniKey(QStringLiteral("b"), QStringLiteral("evil")), QString());
    }

    void deletes_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key"); // empty: the whole section
        QTest::addColumn<QByteArray>("after");
        const QByteArray before = "[a]\nk=1\nj=2\n[b]\nk=3\n";
        QTest::newRow("one key") << "a"
                                 << "k" << QByteArray("[a]\nj=2\n[b]\nk=3\n");
        QTest::newRow("missing key leaves file") << "a"
                                                 << "zz" << before;
        QTest::newRow("missing section leaves file") << "c"
                                                     << "k" << before;
        QTest::newRow("whole section") << "A"
                                       << "" << QByteArray("[b]\nk=3\n");
        QTest::newRow("missing whole section leaves file") << "c"
                                                           << "" << before;
    }
    void deletes()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, after);
        writeRaw("[a]\nk=1\nj=2\n[b]\nk=3\n");
        if (key.isEmpty())
            ini().DelIniSec(section);
        else
            ini().DelIniKey(section, key);
        QCOMPARE(readRaw(), after);
    }

    void deletedKeyNamedTwiceDoesNotReadBack()
    {
        writeRaw("[a]\nk=1\nk=2\n[b]\nx=0\n[a]\nk=3\n");
        ini().DelIniKey(QStringLiteral("a"), QStringLiteral("K"));
        QCOMPARE(ini().GetIniKey(QStringLiteral("a"), QStringLiteral("k")), QString());
        ini().DelIniSec(QStringLiteral("a"));
        QCOMPARE(readRaw(), QByteArray("[b]\nx=0\n"));
    }

    void deleteOnMissingFileCreatesNothing()
    {
        ini().DelIniKey(QStringLiteral("a"), QStringLiteral("k"));
        ini().DelIniSec(QStringLiteral("a"));
        QVERIFY(!QFile::exists(m_path));
    }

    void createIniJoinsWithOneSeparator_data()
    {
        QTest::addColumn<QString>("drive");
        QTest::addColumn<QString>("dir");
        const QString sep = QDir::separator();
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/opt/q"
                               << "cfg/sys.ini"
                               << "/opt/q" + sep + "cfg/sys.ini";
        QTest::newRow("trailing separators") << "/opt/q//"
                                             << "cfg/sys.ini"
                                             << "/opt/q" + sep + "cfg/sys.ini";
        QTest::newRow("trailing backslashes") << "/opt/q\\\\"
                                              << "cfg/sys.ini"
                                              << "/opt/q" + sep + "cfg/sys.ini";
        QTest::newRow("leading backslashes") << "/opt/q"
                                             << "\\\\cfg/sys.ini"
                                             << "/opt/q" + sep + "cfg/sys.ini";
        QTest::newRow("both") << "/opt/q\\"
                              << "\\cfg/sys.ini"
                              << "/opt/q" + sep + "cfg/sys.ini";
        QTest::newRow("empty drive") << ""
                                     << "sys.ini" << sep + "sys.ini";
    }
    void createIniJoinsWithOneSeparator()
    {
        QFETCH(QString, drive);
        QFETCH(QString, dir);
        QFETCH(QString, expected);
        clsOperateINI i;
        const QString keepDrive = drive;
        i.CreateIni(drive, dir);
        QCOMPARE(i.INIFileName(), expected);
        QCOMPARE(drive, keepDrive);
    }

    void writeThatCannotCompleteKeepsOldFile()
    {
        const QByteArray before = "[setting]\nunit=mg/dl\nDBMax=600\n";
        writeRaw(before);
        {
            FileSizeLimit limit(64);
            QVERIFY(
                !ini().WriteIniKey(QStringLiteral("setting"), QStringLiteral("unit"), QString(200, u'x')));
        }
        QCOMPARE(readRaw(), before);
        const QStringList leftovers = QDir(m_dir.path()).entryList(QDir::Files);
        QCOMPARE(leftovers, QStringList{QStringLiteral("sys.ini")});
    }

    void writeIntoMissingFolderFailsQuietly()
    {
        clsOperateINI i;
        i.setINIFileName(m_dir.filePath(QStringLiteral("no/such/dir/sys.ini")));
        QVERIFY(!i.WriteIniKey(QStringLiteral("a"), QStringLiteral("k"), QStringLiteral("v")));
        QVERIFY(!QFile::exists(i.INIFileName()));
    }

    void twoInstancesSeeEachOthersWrites()
    {
        clsOperateINI a = ini();
        clsOperateINI b = ini();
        a.WriteIniKey(QStringLiteral("setting"), QStringLiteral("timesplit"), QStringLiteral("ALL"));
        QCOMPARE(b.GetIniKey(QStringLiteral("setting"), QStringLiteral("timesplit")), QStringLiteral("ALL"));
        b.WriteIniKey(QStringLiteral("setting"), QStringLiteral("timesplit"),
                      QStringLiteral("Glucose Noon Trend"));
        QCOMPARE(a.GetIniKey(QStringLiteral("setting"), QStringLiteral("timesplit")),
                 QStringLiteral("Glucose Noon Trend"));
    }
};

QTEST_GUILESS_MAIN(TestClsOperateIni)
#include "tst_clsoperateini.moc"

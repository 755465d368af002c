#include "clsoperateini.h"
#include "filesizelimit.h"
#include "rows.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

using B = QByteArray;

namespace {

#ifdef Q_OS_UNIX
// Runs `op` in a child process that has dropped to the unprivileged user "nobody" when started
// as root, for whom permission bits refuse nothing; gives the child's exit code.
int exitCodeAsUnprivileged(const std::function<int()> &op)
{
    constexpr uid_t Nobody = 65534;
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(Nobody) != 0 || setuid(Nobody) != 0))
            _exit(3);
        _exit(op());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
#endif

} // namespace

class TestClsOperateIni : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    // A null text means no file at all.
    void writeRaw(const QByteArray &bytes)
    {
        if (bytes.isNull())
            return;
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
        columns<QByteArray, QString, QString, QString>("file", "section", "key", "expected");
        const B base = "[comm]\ndelay=100\nsettings=9600,n,8,1\n[setting]\nunit=mg/dl\n";
        row("no file, and none made", B(), "comm", "delay", "");
        row("comma value stays one text", base, "comm", "settings", "9600,n,8,1");
        row("section any case", base, "COMM", "delay", "100");
        row("key any case", base, "setting", "UNIT", "mg/dl");
        row("missing key", base, "comm", "timeout", "");
        row("missing section", base, "main", "logview", "");
        row("key of another section", base, "setting", "delay", "");
        row("blanks around name and value", B("[ comm ]\n  delay  =   250  \n"), "comm", "delay", "250  ");
        row("trailing blank of a hand edit", B("[setting]\nunit=mmol/l \r\n"), "setting", "unit", "mmol/l ");
        row("empty value", B("[comm]\ndelay=\n"), "comm", "delay", "");
        row("value holding =", B("[a]\nk=x=y\n"), "a", "k", "x=y");
        row("windows line ends", B("[comm]\r\ndelay=20\r\n"), "comm", "delay", "20");
        row("first of two sections", B("[a]\nk=1\n[a]\nk=2\n"), "a", "k", "1");
        row("comment is not a key", B("[a]\n;k=1\nk=2\n"), "a", "k", "2");
        row("byte order mark", B("\xEF\xBB\xBF[a]\nk=1\n"), "a", "k", "1");
        row("no final line end", B("[a]\nk=last"), "a", "k", "last");
        row("line without =", B("[a]\njunk\nk=3\n"), "a", "k", "3");
        row("utf-8 value", B("[a]\nk=mmol/l \xC3\xA9\n"), "a", "k", QString::fromUtf8("mmol/l \xC3\xA9"));
    }
    void readsWhatTheFileHolds()
    {
        auto [file, section, key, expected] =
            cells<QByteArray, QString, QString, QString>("file", "section", "key", "expected");
        writeRaw(file);
        QCOMPARE(ini().GetIniKey(section, key), expected);
        QCOMPARE(readRaw(), file);
        QCOMPARE(QFile::exists(m_path), !file.isNull());
    }

    void valueReadsBack_data()
    {
        columns<QString, QString>("written", "read");
        row("plain", "600", "600");
        row("leading blanks go", "   80", "80");
        row("trailing blanks stay", " \tmmol/l \t ", "mmol/l \t ");
        row("empty", "", "");
        row("inner blanks stay", "Glucose  Noon  Trend", "Glucose  Noon  Trend");
        row("1500 characters cut to 1023", QString(1500, u'x'), QString(1023, u'x'));
        row("2000 characters cut to 1023", QString(2000, u'7'), QString(1023, u'7'));
    }
    void valueReadsBack()
    {
        auto [written, read] = cells<QString, QString>("written", "read");
        // An instance that wrote before must still see a later write made through another one.
        clsOperateINI earlier = ini();
        QVERIFY(earlier.WriteIniKey(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("old")));
        QVERIFY(ini().WriteIniKey(QStringLiteral("s"), QStringLiteral("k"), written));
        QCOMPARE(earlier.GetIniKey(QStringLiteral("s"), QStringLiteral("k")), read);
    }

    void writeTouchesOnlyItsLine_data()
    {
        columns<QByteArray, QString, QString, QString, QByteArray>("before", "section", "key", "value",
                                                                   "after");
        const B head = "; my meter\n[comm]\ndelay=100 ; fast\nodd key=1\n";
        const B user = head + "\n[setting]\nunit=mg/dl\nX=y\n";
        row("creates file, section and key", B(), "setting", "unit", "mmol/l", B("[setting]\nunit=mmol/l\n"));
        row("replace in place", user, "setting", "unit", "mmol/l", head + "\n[setting]\nunit=mmol/l\nX=y\n");
        row("replace takes the caller's case", user, "SETTING", "Unit", "mmol/l",
            head + "\n[setting]\nUnit=mmol/l\nX=y\n");
        row("new key before the blank line", user, "comm", "timeout", "20",
            head + "timeout=20\n" + user.mid(head.size()));
        row("new section at the end", user, "main", "logview", "1", user + "\n[main]\nlogview=1\n");
        row("windows line ends kept", B("[a]\r\nk=1\r\n"), "a", "k", "2", B("[a]\r\nk=2\r\n"));
        row("line break cannot plant a key", B("[a]\nk=1\n"), "a", "k", "x\n[b]\nevil=1",
            B("[a]\nk=x [b] evil=1\n"));
    }
    void writeTouchesOnlyItsLine()
    {
        auto [before, section, key, value, after] = cells<QByteArray, QString, QString, QString, QByteArray>(
            "before", "section", "key", "value", "after");
        writeRaw(before);
        QVERIFY(ini().WriteIniKey(section, key, value));
        QCOMPARE(readRaw(), after);
        QCOMPARE(ini().GetIniKey(QStringLiteral("b"), QStringLiteral("evil")), QString());
    }

    void deletes_data()
    {
        // An empty key deletes the whole section; a null file is no file.
        columns<QByteArray, QString, QString, QByteArray>("before", "section", "key", "after");
        const B file = "[a]\nk=1\nj=2\n[b]\nk=3\n";
        const B twice = "[a]\nk=1\nk=2\n[b]\nx=0\n[a]\nk=3\n";
        row("one key", file, "a", "k", B("[a]\nj=2\n[b]\nk=3\n"));
        row("missing key leaves file", file, "a", "zz", file);
        row("missing section leaves file", file, "c", "k", file);
        row("whole section", file, "A", "", B("[b]\nk=3\n"));
        row("missing whole section leaves file", file, "c", "", file);
        row("key named twice, first section", twice, "a", "K", B("[a]\n[b]\nx=0\n[a]\nk=3\n"));
        row("section named twice", twice, "a", "", B("[b]\nx=0\n"));
        row("key on no file makes none", B(), "a", "k", B());
        row("section on no file makes none", B(), "a", "", B());
    }
    void deletes()
    {
        auto [before, section, key, after] =
            cells<QByteArray, QString, QString, QByteArray>("before", "section", "key", "after");
        writeRaw(before);
        if (key.isEmpty())
            ini().DelIniSec(section);
        else
            ini().DelIniKey(section, key);
        QCOMPARE(readRaw(), after);
        QCOMPARE(QFile::exists(m_path), !after.isNull());
        if (!key.isEmpty())
            QCOMPARE(ini().GetIniKey(section, key), QString());
    }

    void createIniJoinsWithOneSeparator_data()
    {
        columns<QString, QString, QString>("drive", "dir", "expected");
        const QString joined = QStringLiteral("/opt/q") + QDir::separator() + "cfg/sys.ini";
        row("plain", "/opt/q", "cfg/sys.ini", joined);
        row("trailing separators", "/opt/q//", "cfg/sys.ini", joined);
        row("trailing backslashes", "/opt/q\\\\", "cfg/sys.ini", joined);
        row("leading backslashes", "/opt/q", "\\\\cfg/sys.ini", joined);
        row("both", "/opt/q\\", "\\cfg/sys.ini", joined);
        row("empty drive", "", "sys.ini", QDir::separator() + QStringLiteral("sys.ini"));
    }
    void createIniJoinsWithOneSeparator()
    {
        auto [drive, dir, expected] = cells<QString, QString, QString>("drive", "dir", "expected");
        const QString driveBefore = drive, dirBefore = dir;
        clsOperateINI i;
        i.CreateIni(drive, dir);
        QCOMPARE(i.INIFileName(), expected);
        QCOMPARE(drive, driveBefore);
        QCOMPARE(dir, dirBefore);
    }

    void writeThatCannotCompleteKeepsOldFile()
    {
        const B before = "[setting]\nunit=mg/dl\nDBMax=600\n";
        writeRaw(before);
        {
            FileSizeLimit limit(64);
            QVERIFY(
                !ini().WriteIniKey(QStringLiteral("setting"), QStringLiteral("unit"), QString(200, u'x')));
        }
        QCOMPARE(readRaw(), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("sys.ini")});
    }

    void unreadableFileIsKept_data()
    {
        columns<QString>("operation");
        row("write", "write");
        row("delete a key", "delete key");
        row("delete a section", "delete section");
    }
    void unreadableFileIsKept()
    {
#ifndef Q_OS_UNIX
        QSKIP("POSIX permissions only");
#else
        QFETCH(QString, operation);
        const B before = "[setting]\nunit=mmol/l\nDBMax=400\n[main]\nlogview=1\n";
        writeRaw(before);
        // Anyone may write it but nobody may read it; the folder lets anyone replace it.
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::WriteOwner | QFileDevice::WriteGroup |
                                                  QFileDevice::WriteOther));
        QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7777)));
        const int outcome = exitCodeAsUnprivileged([&] {
            const clsOperateINI i = ini();
            if (i.readable())
                return 2;
            if (operation == QLatin1String("write"))
                return int(i.WriteIniKey(QStringLiteral("setting"), QStringLiteral("timesplit"), "ALL"));
            if (operation == QLatin1String("delete key"))
                return int(i.DelIniKey(QStringLiteral("setting"), QStringLiteral("unit")));
            return int(i.DelIniSec(QStringLiteral("setting")));
        });
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(outcome, 0);
        QCOMPARE(readRaw(), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("sys.ini")});
#endif
    }

    void writeIntoMissingFolderFailsQuietly()
    {
        clsOperateINI i;
        i.setINIFileName(m_dir.filePath(QStringLiteral("no/such/dir/sys.ini")));
        QVERIFY(!i.WriteIniKey(QStringLiteral("a"), QStringLiteral("k"), QStringLiteral("v")));
        QVERIFY(!QFile::exists(i.INIFileName()));
    }
};

QTEST_GUILESS_MAIN(TestClsOperateIni)
#include "tst_clsoperateini.moc"

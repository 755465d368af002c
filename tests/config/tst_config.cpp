// Settings: numbers as text (exact ranges, halves), the INI file, and where a start keeps its files.

#include "clsoperateini.h"
#include "filesizelimit.h"
#include "numbertext.h"
#include "patient.h"
#include "rows.h"
#include "settingscheck.h"
#include "startlocations.h"

#include <QProcess>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace numbertext;
using B = QByteArray;
using Q = QString;

class TestConfig : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    clsOperateINI m_ini; // sys.ini in m_root
    Q at(const Q &relative) const { return m_root->path() + QLatin1Char('/') + relative; }
    void put(const Q &relative, const B &bytes) const // a null text means no file at all
    {
        QDir().mkpath(QFileInfo(at(relative)).path());
        QFile file(at(relative));
        QVERIFY(bytes.isNull() || (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()));
    }
    B bytes(const Q &path) const
    {
        QFile file(QFileInfo(path).isRelative() ? at(path) : path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : B();
    }

private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_ini.setINIFileName(at("sys.ini"));
        qputenv("HOME", at("home").toLocal8Bit());
    }

    // A text as each parser reads it: toInt16 (-1: refused), the leading number skipping blanks or not.
    void parse_data()
    {
        columns<Q, int, double, double>("text", "i16", "skip", "plain");
        // clang-format off
        row("blanks around", "  80 ", 80, 80.0, 80.0);
        row("half to even down", "12.5", 12, 12.5, 12.5);
        row("half to even up", "13.5", 14, 13.5, 13.5);
        row("highest", "32767.4", 32767, 32767.4, 32767.4);
        row("rounds out of range", "32767.5", -1, 32767.5, 32767.5);
        row("empty", "", -1, 0.0, 0.0);
        row("nan", "nan", -1, 0.0, 0.0);
        row("number then letters", "600x", -1, 600.0, 600.0);
        row("blanks inside", "1 5 Day", -1, 15.0, 1.0);
        row("second point stops", "1.2.3", -1, 1.2, 1.2);
        row("e without digits", "2e Day", -1, 2.0, 2.0);
        row("too large is infinite, not a crash", "1e999 Day", -1, qInf(), qInf());
        row("lowest", "-32768", -32768, -32768.0, -32768.0);
        // clang-format on
    }
    void parse()
    {
        const auto [text, i16, skip, plain] = cells<Q, int, double, double>("text", "i16", "skip", "plain");
        QCOMPARE(int(toInt16(text).value_or(-1)), i16);
        QCOMPARE(leadingNumberSkippingBlanks(text), skip);
        QCOMPARE(leadingNumber(text), plain);
        QVERIFY(toInt32(QStringLiteral("2147483647")) && !toInt32(QStringLiteral("2147483648")));
    }

    void rounding_data()
    {
        columns<double, double, double, Q>("v", "even", "away", "text"); // text: oneDecimal
        // clang-format off
        row("4.5", 4.5, 4.0, 5.0, "4.5");
        row("5.5", 5.5, 6.0, 6.0, "5.5");
        row("-2.5", -2.5, -2.0, -3.0, "-2.5");
        row("trailing zero kept", 90.0 / 18, 5.0, 5.0, "5.0");
        row("too large to scale", 1.5e308, 1.5e308, 1.5e308, Q::number(1.5e308, 'f', 1));
        row("5.65 as a sum, a hair below in binary, is a half", 5.6 + 0.05, 6.0, 6.0, "5.7");
        row("negative decimal half away", -0.25, -0.0, -0.0, "-0.3");
        row("no negative zero", -0.04, -0.0, -0.0, "0.0");
        // clang-format on
    }
    void rounding()
    {
        const auto [v, even, away, text] = cells<double, double, double, Q>("v", "even", "away", "text");
        QCOMPARE(roundHalfEven(v), even);
        QCOMPARE(roundHalfAway(v), away);
        QCOMPARE(oneDecimal(v), text);
    }

    // A read changes nothing; a write or delete touches only its line. An empty key deletes the section.
    void ini_data()
    {
        columns<Q, B, Q, Q, Q, B>("op", "before", "section", "key", "value", "after");
        const B base = "[comm]\ndelay=100\nsettings=9600,n,8,1\n[setting]\nunit=mg/dl\n";
        const B head = "; my meter\n[comm]\ndelay=100 ; fast\nodd key=1\n";
        const B user = head + "\n[setting]\nunit=mg/dl\nX=y\n";
        const B twice = "[a]\nk=1\nk=2\n[b]\nx=0\n[A]\nk=3\n";
        // clang-format off
        row("no file, and none made", "read", B(), "comm", "delay", "", B());
        row("comma value stays one text", "read", base, "comm", "settings", "9600,n,8,1", base);
        row("section and key any case, not another section's", "read", base, "SETTING", "DELAY", "", base);
        row("blanks around name and value, the last one kept", "read", B("[ comm ]\r\n  delay  =   250  \r\n"), "comm", "delay", "250  ", B("[ comm ]\r\n  delay  =   250  \r\n"));
        row("first of two sections, not a comment", "read", B("[a]\n;k=0\nk=1\n[a]\nk=2\n"), "a", "K", "1", B("[a]\n;k=0\nk=1\n[a]\nk=2\n"));
        row("byte order mark, no final line end", "read", B("\xEF\xBB\xBF[a]\nk=last"), "a", "k", "last", B("\xEF\xBB\xBF[a]\nk=last"));
        row("value cut to 1023 characters", "read", B("[a]\nk=") + B(2000, 'x'), "a", "k", Q(1023, u'x'), B("[a]\nk=") + B(2000, 'x'));
        row("write creates file, section and key", "write", B(), "setting", "unit", "mmol/l", B("[setting]\nunit=mmol/l\n"));
        row("write in place, in the caller's case", "write", user, "SETTING", "Unit", "mmol/l", head + "\n[setting]\nUnit=mmol/l\nX=y\n");
        row("new key before the blank line", "write", user, "comm", "timeout", "20", head + "timeout=20\n" + user.mid(head.size()));
        row("windows line ends kept", "write", B("[a]\r\nk=1\r\n"), "a", "k", "2", B("[a]\r\nk=2\r\n"));
        row("line break cannot plant a key", "write", B("[a]\nk=1\n"), "a", "k", "x\n[b]\nevil=1", B("[a]\nk=x [b] evil=1\n"));
        row("delete the key in the first section", "delete", twice, "a", "K", "", B("[a]\n[b]\nx=0\n[A]\nk=3\n"));
        row("delete a section named twice", "delete", twice, "a", "", "", B("[b]\nx=0\n"));
        // Health data: the file turns private with the first patient written.
        row("patient: file made private", "patient", base, "patient", "", "Ann Lee|1960-01-02|A-7", base + "\n[patient]\nname=Ann Lee\nbirthdate=1960-01-02\nidentifier=A-7\n");
        row("nobody: no section written", "patient", base, "patient", "", "||", base);
        // clang-format on
    }
    void ini()
    {
        const auto [op, before, section, key, value, after] =
            cells<Q, B, Q, Q, Q, B>("op", "before", "section", "key", "value", "after");
        put("sys.ini", before);
        if (op == "read")
            QCOMPARE(m_ini.GetIniKey(section, key), value);
        else if (op == "write")
            QVERIFY(m_ini.WriteIniKey(section, key, value));
        else if (op == "patient") {
            QVERIFY(QFile::setPermissions(at("sys.ini"), QFile::Permissions(0x6644)));
            const QStringList v = value.split('|');
            QVERIFY(patient::write(at("sys.ini"), {v[0], v[1], v[2]}));
            QCOMPARE(patient::line(patient::read(at("sys.ini"))).count(u'\u00b7'), value == "||" ? 0 : 2);
            QCOMPARE(QFile::permissions(at("sys.ini")) & 0x0077,
                     QFile::Permissions(value == "||" ? 0x0044 : 0));
        } else
            QVERIFY(key.isEmpty() ? m_ini.DelIniSec(section) : m_ini.DelIniKey(section, key));
        QCOMPARE(bytes("sys.ini"), after);
        QCOMPARE(QFile::exists(at("sys.ini")), !after.isNull());
    }

    // A full disk, or a file "nobody" may not read (root reads through any bits), keeps the settings.
    void iniThatCannotBeRewrittenIsKept()
    {
        const B before = "[setting]\nunit=mmol/l\nDBMax=400\n[main]\nlogview=1\n";
        put("sys.ini", before);
        std::optional<FileSizeLimit> full(64);
        QVERIFY(!m_ini.WriteIniKey(QStringLiteral("setting"), QStringLiteral("unit"), Q(200, u'x')));
        full.reset();
        QVERIFY(QFile::setPermissions(at("sys.ini"), QFile::Permissions(0x2222))); // write-only, for all
        QVERIFY(QFile::setPermissions(m_root->path(), QFile::Permissions(0x7777)));
        const pid_t pid = fork();
        if (pid == 0)
            _exit(setgid(65534) || setuid(65534) || m_ini.readable() ||
                  m_ini.WriteIniKey("setting", "timesplit", "ALL") || m_ini.DelIniSec("main"));
        int status = -1;
        QVERIFY(pid > 0 && waitpid(pid, &status, 0) == pid && status == 0);
        QCOMPARE(bytes("sys.ini"), before);
        QCOMPARE(QDir(m_root->path()).entryList(QDir::Files), QStringList{QStringLiteral("sys.ini")});
    }

    // The settings window's number fields, in its order: what Save refuses, one line each.
    void settingsCheck_data()
    {
        columns<QStringList, QStringList>("fields", "problems");
        const Q whole = " needs a whole number from -32768 to 32767.";
        // clang-format off
        row("installed values", QStringList{"80", "110", "20", "600", "5", "0"}, QStringList());
        row("16-bit ends, blanks, a sign, a whole decimal", QStringList{"-32768", " 32767 ", "+0", "80.0", "32767", "32767"}, QStringList());
        row("empty, letters, a fraction, past 16 bits", QStringList{"", "abc", "1.5", "32768", "-32769", "1e999"},
            QStringList{"Normal Data Range Low" + whole, "Normal Data Range High" + whole, "BG Data Range Min" + whole,
                        "BG Data Range Max" + whole, "Y Major Division" + whole, "Y Minor Division" + whole});
        row("Low equal to High, Min above Max", QStringList{"110", "110", "600", "20", "1", "0"},
            QStringList{"Normal Data Range Low needs a number below High.", "BG Data Range Min needs a number below Max."});
        row("Max no number: Min not compared", QStringList{"200", "140", "700", "x", "5", "0"},
            QStringList{"Normal Data Range Low needs a number below High.", "BG Data Range Max" + whole});
        row("divisions one under their least", QStringList{"80", "110", "20", "600", "0", "-1"},
            QStringList{"Y Major Division needs 1 or more.", "Y Minor Division needs 0 or more."});
        // clang-format on
    }
    void settingsCheck()
    {
        const auto [f, problems] = cells<QStringList, QStringList>("fields", "problems");
        QStringList seen;
        for (const auto &p : settingscheck::problems({f[0], f[1], f[2], f[3], f[4], f[5]}))
            seen << p.text;
        QCOMPARE(seen, problems);
    }

    // Then the folders are handed to a second account (daemon, whose group is its own) and
    // `change` made: "path uid gid mode" hands one folder on, "path link" puts a link at a name.
    // That account's next start must refuse with every '|'-part of `refused`, or accept.
    void startLocations_data()
    {
        columns<Q, Q, Q, Q, Q, Q, Q>("defaults", "xdg", "programDir", "ini", "store", "change", "refused");
        const auto portable = [](const char *name, const char *change, const char *refused) {
            row(name, Q("usr/share/quillon"), Q("@/x"), Q("@/p/q"), Q("p/q/cfg/sys.ini"),
                Q("p/q/data/TMPDATE.xml"), Q(change), Q(refused));
        };
        const Q mend = "|\n  chmod go-w '@/p/q",
                owner = "|\n  sudo chown daemon '@/p/q"; // @: the scratch root
        // clang-format off
        row("build folder: portable", "usr/bin/cfg", "@/x", "", "usr/bin/cfg/sys.ini", "usr/bin/data/TMPDATE.xml", "", "");
        row("installed, XDG relative: ignored", "usr/share/quillon", "x", "", "home/.config/quillon/sys.ini", "home/.local/share/quillon/TMPDATE.xml", "", "");
        row("installed, other-writable data", "usr/share/quillon", "x", "", "home/.config/quillon/sys.ini", "home/.local/share/quillon/TMPDATE.xml", "home/.local/share/quillon 1 1 0707", "quillon belongs to daemon (group daemon, mode 0707) and can be written by every account|chmod go-w");
        portable("--program-dir, missing folders", "", "");
        portable("program folder of another account", "p/q 65534 1 0700", qPrintable("p/q belongs to nobody (group daemon, mode 0700), not to you (daemon)" + owner + "'"));
        portable("program folder other-writable", "p/q 1 1 0777", qPrintable("p/q belongs to daemon (group daemon, mode 0777) and can be written by every account" + mend + "'"));
        portable("program folder, shared group", "p/q 1 100 0770", "p/q belongs to daemon (group users, mode 0770) and can be written by the members of the group users");
        portable("program folder, the user's private group", "p/q 1 1 0770", "");
        portable("cfg of another account", "p/q/cfg 65534 1 0700", qPrintable("p/q/cfg belongs to nobody" + owner + "/cfg'"));
        portable("cfg other-writable", "p/q/cfg 1 1 0703", qPrintable("p/q/cfg belongs to daemon (group daemon, mode 0703)" + mend + "/cfg'"));
        portable("cfg, shared group", "p/q/cfg 1 100 0730", "p/q/cfg belongs to daemon (group users, mode 0730)");
        portable("data of another account", "p/q/data 65534 65534 0700", "p/q/data belongs to nobody (group nogroup, mode 0700)");
        portable("data other-writable", "p/q/data 1 1 1777", "p/q/data belongs to daemon (group daemon, mode 1777) and can");
        portable("data, shared group", "p/q/data 1 100 0770", "p/q/data belongs to daemon (group users, mode 0770) and can");
        portable("data a link", "p/q/data link", "p/q/data is a symbolic link");
        portable("link at the store", "p/q/data/TMPDATE.xml link", "TMPDATE.xml is a symbolic link (to @/home/.bashrc)|rm '");
        portable("link at the backup", "p/q/data/TMPDATE.xml.back link", "TMPDATE.xml.back is a symbolic link");
        portable("link at the template", "p/q/cfg/datamb.xml link", "datamb.xml is a symbolic link");
        portable("link at the settings", "p/q/cfg/sys.ini link", "sys.ini is a symbolic link");
        portable("link at the lock", "p/q/data/quillon.lock link", "quillon.lock is a symbolic link");
        // clang-format on
    }
    // A first start copies the defaults into private folders, never writing them; later starts keep edits.
    void startLocations()
    {
        const auto [defaults, xdg, programDir, ini, store, change, refused] =
            cells<Q, Q, Q, Q, Q, Q, Q>("defaults", "xdg", "programDir", "ini", "store", "change", "refused");
        put(defaults + "/sys.ini", "settings\n");
        put(defaults + "/datamb.xml", "template\n");
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            qputenv(name, Q(xdg).replace('@', m_root->path()).toLocal8Bit());
        const Q exeDir = at("usr/bin"), programPath = Q(programDir).replace('@', m_root->path());
        const auto where = startlocations::resolve(exeDir, programPath);
        QCOMPARE(startlocations::prepare(where), QStringList());
        QCOMPARE(where.dir.iniPath() + " " + where.dir.storePath(), at(ini) + " " + at(store));
        QCOMPARE(bytes(where.dir.iniPath()) + bytes(where.dir.templatePath()), B("settings\ntemplate\n"));
        const QStringList existed = {m_root->path(), at("home"), at("p"), exeDir, at("usr/bin/cfg")};
        for (Q dir : {where.dir.configDir(), where.dir.dataDir()})
            for (; !existed.contains(dir); dir = QFileInfo(dir).path())
                QCOMPARE((QFileInfo(dir).permissions() & QFile::Permissions(0x7077)).toInt(), 0x7000);
        QCOMPARE(QDir(at(defaults)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
        put(defaults + "/sys.ini", "upgraded settings\n"); // portable: the user's file, edited next
        put(ini, "the user's edits\n");
        QCOMPARE(startlocations::prepare(startlocations::resolve(exeDir, programPath)), QStringList());
        QCOMPARE(bytes(ini), B("the user's edits\n"));

        QCOMPARE(QProcess::execute("chown", {"-R", "1:1", m_root->path()}), 0);
        const QStringList op = change.split(' ');
        if (op.value(1) == "link") {
            QVERIFY(!QFileInfo::exists(at(op[0])) || QDir().rename(at(op[0]), at(op[0] + ".moved")));
            QVERIFY(QFile::link(at("home/.bashrc"), at(op[0])));
        } else if (!change.isEmpty()) {
            QVERIFY(::chown(QFile::encodeName(at(op[0])), op[1].toUInt(), op[2].toUInt()) == 0);
            QVERIFY(::chmod(QFile::encodeName(at(op[0])), op[3].toUInt(nullptr, 8)) == 0);
        }
        const pid_t pid = fork();
        if (pid == 0) {
            if (setgroups(0, nullptr) || setgid(1) || setuid(1))
                _exit(2);
            const Q text = startlocations::refusals(startlocations::resolve(exeDir, programPath)).join('\n');
            bool expected = refused.isEmpty() == text.isEmpty();
            for (const Q &part : Q(refused).replace('@', m_root->path()).split('|', Qt::SkipEmptyParts))
                expected = expected && text.contains(part);
            if (!expected)
                qWarning("refusals: %s", qPrintable(text));
            _exit(expected ? 0 : 1);
        }
        int status = -1;
        QVERIFY(pid > 0 && waitpid(pid, &status, 0) == pid);
        QCOMPARE(status, 0);
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"

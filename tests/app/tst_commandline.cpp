#include "rows.h"
#include "tempprogramdir.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

// The built program itself, started as a user starts it, its home and XDG folders in scratch.
class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_scratch;
    // Without a display the xcb platform aborts the program: what needs no window does without.
    void start(QProcess &p, const QStringList &args, bool display = true) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY"), env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", display ? "offscreen" : "xcb");
        env.remove("XDG_RUNTIME_DIR");
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR"})
            env.insert(name, m_scratch.filePath(name));
        p.setProcessEnvironment(env);
        p.start(QUILLON_EXE, args);
    }

private slots:
    // before: what another computer, account or process left. exit -1: the start waits on a
    // message box for the person after saying it (and is then ended); @: the scratch folder.
    void answers_data()
    {
        columns<QString, int, QString, QString>("arg", "exit", "says", "before");
        row("--help", "--help", 0, "--program-dir <DIR>", "");
        row("-h", "-h", 0, "Usage:", "");
        row("--version", "--version", 0, "Quillon 2.0\n", "");
        row("-v", "-v", 0, "Quillon 2.0\n", "");
        row("unknown option, no display", "--bogus", 2, "quillon: Unknown option 'bogus'.", "");
        row("option for a folder", "--program-dir --help", 2, "needs a folder, not the option \"--help\"",
            "");
        row("stray argument", "x", 2, "quillon: unexpected argument \"x\"; see --help", "");
        row("--program-dir empty", "--program-dir=", 2, "quillon: --program-dir needs a folder", "");
        row("--program-dir on a file", "--program-dir=" QUILLON_EXE, 1, "Could not create the folder", "");
        row("--program-dir that cannot be made", qPrintable("--program-dir=@/chain/a/" + QString(300, 'x')),
            1, "Could not create the folder", "");
        row("lock from another computer", "--program-dir=@/held", -1,
            "lock file @/held/data/quillon.lock says that Quillon runs on the computer \"faraway\" (process "
            "4242)",
            "lock");
        row("socket folder made by another account", "--program-dir=@/held", -1,
            "not listening for a second start: The folder @/TMPDIR/quillon-0 belongs to nobody", "squat");
        row("running copy answers without end", "--program-dir=@/held", -1,
            "Quillon is already running for @/held/data", "endless");
    }
    // Help, the version and mistakes answer with no display, help on standard output, errors on
    // standard error.
    void answers()
    {
        auto [arg, exit, says, before] =
            cells<QString, int, QString, QString>("arg", "exit", "says", "before");
        const QString folder = m_scratch.filePath("held"), tmp = m_scratch.filePath("TMPDIR");
        QVERIFY(QDir().mkpath(tmp));
        QProcess first, p, squatter;
        if (before == "lock") {
            QVERIFY(QDir().mkpath(folder + "/data"));
            QVERIFY(QFile::setPermissions(folder + "/data",
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QFile lock(folder + "/data/quillon.lock");
            QVERIFY(lock.open(QIODevice::WriteOnly) && lock.write("4242\nquillon\nfaraway\n") > 0);
        } else if (before == "squat") {
            QVERIFY(QDir(tmp).mkdir("quillon-0"));
            QCOMPARE(QProcess::execute("chown", {"65534", tmp + "/quillon-0"}), 0);
        } else if (before == "endless") { // the socket's name taken over by one that never stops
            start(first, {"--program-dir", folder});
            QString socket;
            const auto findSocket = [&] {
                QDirIterator it(tmp, QDir::System | QDir::AllDirs | QDir::NoDotAndDotDot,
                                QDirIterator::Subdirectories);
                while (socket.isEmpty() && it.hasNext())
                    socket = it.nextFileInfo().isDir() ? QString() : it.filePath();
                return !socket.isEmpty();
            };
            QTRY_VERIFY_WITH_TIMEOUT(findSocket(), 20000);
            QVERIFY(QFile::remove(socket));
            squatter.start("socat", {"UNIX-LISTEN:" + socket, "EXEC:cat /dev/zero"});
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 20000);
        }
        start(p, arg.replace('@', m_scratch.path()).split(' '), exit == 1 || exit == -1);
        QString said;
        if (exit == -1) {
            QTRY_VERIFY2_WITH_TIMEOUT(
                (said += p.readAllStandardError()).contains(QString(says).replace('@', m_scratch.path())),
                qPrintable(said), 20000);
            QCOMPARE(p.state(), QProcess::Running);
            for (QProcess *started : {&p, &first, &squatter})
                started->kill(), started->waitForFinished(20000);
            QVERIFY(before != "lock" ||
                    TempProgramDir::readPath(folder + "/data/quillon.lock").contains("faraway"));
            QDir(folder).removeRecursively(), QDir(tmp + "/quillon-0").removeRecursively();
            return;
        }
        QVERIFY(p.waitForFinished(20000));
        said = exit ? p.readAllStandardError() : p.readAllStandardOutput();
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == exit && said.contains(says),
                 qPrintable(said));
        QCOMPARE(QDir(m_scratch.path()).entryList({"XDG_*", "chain"}, QDir::AllEntries), QStringList());
    }

    // --program-dir on an empty folder fills it; a second start for it exits at once and brings
    // the first forward; a copy that crashed leaves a lock the next start takes over.
    void oneCopyPerFolder()
    {
        const QString folder = m_scratch.filePath("portable"), lock = folder + "/data/quillon.lock";
        QVERIFY(QDir().mkpath(folder));
        QProcess first, second, third;
        const auto holds = [&](const QProcess &p) {
            return TempProgramDir::readPath(lock).startsWith(QByteArray::number(p.processId()) + '\n');
        };
        start(first, {"--program-dir", folder});
        QTRY_VERIFY_WITH_TIMEOUT(holds(first), 20000);
        for (const QString file : {"/cfg/sys.ini", "/cfg/datamb.xml"})
            QCOMPARE(TempProgramDir::readPath(folder + file),
                     TempProgramDir::readPath(QUILLON_SOURCE_DIR + file));
        QCOMPARE(QFileInfo(folder + "/data").permissions() & QFile::Permissions(0x7077),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        start(second, {"--program-dir", folder});
        QVERIFY(second.waitForFinished(20000));
        const QString said = second.readAllStandardError();
        QVERIFY2(second.exitCode() == 0 && said.contains("its window was brought forward"), qPrintable(said));
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        QVERIFY(first.waitForFinished(20000) && QFileInfo::exists(lock));
        start(third, {"--program-dir", folder});
        QTRY_VERIFY_WITH_TIMEOUT(holds(third), 20000);
        third.kill();
        QVERIFY(third.waitForFinished(20000) && !QFileInfo::exists(m_scratch.filePath("XDG_CONFIG_HOME")));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

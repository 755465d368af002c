#include "rows.h"
#include "tempprogramdir.h"

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
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            env.insert(name, m_scratch.filePath(name));
        p.setProcessEnvironment(env);
        p.start(QUILLON_EXE, args);
    }

private slots:
    void answers_data()
    {
        columns<QString, int, QString>("arg", "exit", "says");
        row("--help", "--help", 0, "--program-dir <DIR>");
        row("-h", "-h", 0, "Usage:");
        row("--version", "--version", 0, "Quillon 2.0\n");
        row("-v", "-v", 0, "Quillon 2.0\n");
        row("unknown option", "--bogus", 1, "Unknown option 'bogus'.");
        row("stray argument", "x", 2, "quillon: unexpected argument \"x\"; see --help");
        row("--program-dir empty", "--program-dir=", 2, "quillon: --program-dir needs a folder");
        row("--program-dir on a file", "--program-dir=" QUILLON_EXE, 1, "Could not create the folder");
    }
    // Help and the version answer on standard output, with no display; errors on standard error.
    void answers()
    {
        auto [arg, exit, says] = cells<QString, int, QString>("arg", "exit", "says");
        QProcess p;
        start(p, {arg}, exit != 0);
        QVERIFY(p.waitForFinished(20000));
        const QString said = exit ? p.readAllStandardError() : p.readAllStandardOutput();
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == exit && said.contains(says),
                 qPrintable(said));
        QCOMPARE(QDir(m_scratch.path()).entryList({"XDG_*"}, QDir::AllEntries), QStringList());
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

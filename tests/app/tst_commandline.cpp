#include "rows.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Exe = QStringLiteral(QUILLON_EXE);
constexpr int WaitMs = 20000;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The built program itself, started as a user starts it.
class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_scratch;
    QProcessEnvironment environment(bool display) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        // Without a display, the xcb platform aborts the program: what needs no window must
        // get by without one.
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   display ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), m_scratch.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_scratch.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_scratch.filePath(QStringLiteral("data")));
        return env;
    }

private slots:
    void answers_data()
    {
        columns<QStringList, bool, int, QString, QString>("args", "display", "exit", "out", "err");
        row("--help", QStringList{"--help"}, false, 0, "--program-dir <DIR>", "");
        row("-h", QStringList{"-h"}, false, 0, "Usage:", "");
        row("--version", QStringList{"--version"}, false, 0, "Quillon 2.0\n", "");
        row("-v", QStringList{"-v"}, false, 0, "Quillon 2.0\n", "");
        row("unknown option", QStringList{"--bogus"}, true, 1, "", "Unknown option 'bogus'.");
        row("stray argument", QStringList{"x"}, true, 2, "", "unexpected argument \"x\"; see --help");
        row("--program-dir without a folder", QStringList{"--program-dir"}, true, 1, "", "Missing value");
        row("--program-dir empty", QStringList{"--program-dir="}, true, 2, "",
            "--program-dir needs a folder");
        row("--program-dir on a file", QStringList{"--program-dir", QUILLON_EXE}, true, 1, "",
            "Could not create the folder");
    }
    void answers()
    {
        auto [args, display, exit, out, err] =
            cells<QStringList, bool, int, QString, QString>("args", "display", "exit", "out", "err");
        QProcess p;
        p.setProcessEnvironment(environment(display));
        p.start(Exe, args);
        QVERIFY(p.waitForFinished(WaitMs));
        const QString stdOut = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == exit, qPrintable(stdErr));
        QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
        // Answering never leaves files behind.
        QVERIFY(!QFileInfo::exists(m_scratch.filePath(QStringLiteral("config"))));
        QVERIFY(!QFileInfo::exists(m_scratch.filePath(QStringLiteral("data"))));
    }

    // --program-dir on an empty folder fills it; a second start for it exits at once and brings
    // the first forward; a copy that crashed leaves a lock the next start takes over.
    void oneCopyPerFolder()
    {
        const QString folder = m_scratch.filePath(QStringLiteral("portable"));
        QVERIFY(QDir().mkpath(folder));
        const QString lock = folder + QStringLiteral("/data/quillon.lock");
        const QStringList args{QStringLiteral("--program-dir"), folder};
        const auto holds = [&lock](const QProcess &p) {
            return readFile(lock).startsWith(QByteArray::number(p.processId()) + '\n');
        };

        QProcess first;
        first.setProcessEnvironment(environment(true));
        first.start(Exe, args);
        QTRY_VERIFY_WITH_TIMEOUT(holds(first), WaitMs);
        QCOMPARE(readFile(folder + QStringLiteral("/cfg/sys.ini")),
                 readFile(QUILLON_SOURCE_DIR "/cfg/sys.ini"));
        QCOMPARE(readFile(folder + QStringLiteral("/cfg/datamb.xml")),
                 readFile(QUILLON_SOURCE_DIR "/cfg/datamb.xml"));
        QCOMPARE(QFileInfo(folder + QStringLiteral("/data")).permissions() & QFile::Permissions(0x7077),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcess second;
        second.setProcessEnvironment(environment(true));
        second.start(Exe, args);
        QVERIFY(second.waitForFinished(WaitMs));
        const QString said = QString::fromLocal8Bit(second.readAllStandardError());
        QVERIFY2(second.exitCode() == 0 && said.contains(QLatin1String("its window was brought forward")),
                 qPrintable(said));
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        QVERIFY(first.waitForFinished(WaitMs));
        QVERIFY(QFileInfo::exists(lock));
        QProcess third;
        third.setProcessEnvironment(environment(true));
        third.start(Exe, args);
        QTRY_VERIFY_WITH_TIMEOUT(holds(third), WaitMs);
        QCOMPARE(third.state(), QProcess::Running);
        third.kill();
        QVERIFY(third.waitForFinished(WaitMs));
        QVERIFY(!QFileInfo::exists(m_scratch.filePath(QStringLiteral("config"))));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

#include "rows.h"
#include "startlocations.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

using startlocations::Mode;

namespace {

constexpr QFile::Permissions Private0700 = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
// The owner's, group's and others' bits, without Qt's extra "user" bits.
constexpr QFile::Permissions OwnerGroupOther = QFile::Permissions(0x7077);

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Every path, size and time below a folder: what "nothing written there" compares.
QStringList snapshot(const QString &dir)
{
    QStringList entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries << it.filePath() + QLatin1Char(' ') + QString::number(it.fileInfo().size()) +
                       QLatin1Char(' ') + QString::number(it.fileInfo().lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

} // namespace

// A scratch root holding an executable's folder (usr/bin) and, as a row asks, the installation's
// defaults (usr/share/quillon) or a build's cfg/ beside the executable, plus the user's home.
class TestStartLocations : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    QString at(const QString &relative) const { return m_root->path() + QLatin1Char('/') + relative; }
    QString exeDir() const { return at(QStringLiteral("usr/bin")); }
    // "@/x" is x below the scratch root; a null text unsets the variable.
    void setEnv(const char *name, const QString &value) const
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, QString(value).replace(QLatin1Char('@'), m_root->path()).toLocal8Bit());
    }
    void layOut(const QString &layout) const
    {
        QDir().mkpath(exeDir());
        if (layout == QLatin1String("installed")) {
            writeFile(at("usr/share/quillon/sys.ini"), "installed settings\n");
            writeFile(at("usr/share/quillon/datamb.xml"), "installed template\n");
        } else {
            writeFile(at("usr/bin/cfg/sys.ini"), "build settings\n");
            writeFile(at("usr/bin/cfg/datamb.xml"), "build template\n");
        }
    }

private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QDir().mkpath(at("home"));
        setEnv("HOME", QStringLiteral("@/home"));
    }
    void cleanupTestCase()
    {
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
    }

    void pathsOfEachMode_data()
    {
        columns<QString, QString, QString, QString, QString, QString, QString, QString>(
            "layout", "xdgConfig", "xdgData", "programDir", "ini", "store", "template", "settings");
        row("build folder: portable", "build", "@/c", "@/d", "", "usr/bin/cfg/sys.ini",
            "usr/bin/data/TMPDATE.xml", "usr/bin/cfg/datamb.xml", "build settings\n");
        row("installed, XDG folders set", "installed", "@/c", "@/d", "", "c/quillon/sys.ini",
            "d/quillon/TMPDATE.xml", "usr/share/quillon/datamb.xml", "installed settings\n");
        row("installed, XDG unset", "installed", QString(), QString(), "", "home/.config/quillon/sys.ini",
            "home/.local/share/quillon/TMPDATE.xml", "usr/share/quillon/datamb.xml", "installed settings\n");
        row("installed, XDG relative: ignored", "installed", "c", "d", "", "home/.config/quillon/sys.ini",
            "home/.local/share/quillon/TMPDATE.xml", "usr/share/quillon/datamb.xml", "installed settings\n");
        row("--program-dir, empty folder", "installed", "@/c", "@/d", "@/p", "p/cfg/sys.ini",
            "p/data/TMPDATE.xml", "p/cfg/datamb.xml", "installed settings\n");
        row("--program-dir, missing folders", "installed", "@/c", "@/d", "@/p/q/r", "p/q/r/cfg/sys.ini",
            "p/q/r/data/TMPDATE.xml", "p/q/r/cfg/datamb.xml", "installed settings\n");
        row("--program-dir from a build", "build", "@/c", "@/d", "@/p", "p/cfg/sys.ini", "p/data/TMPDATE.xml",
            "p/cfg/datamb.xml", "build settings\n");
    }
    void pathsOfEachMode()
    {
        auto [layout, xdgConfig, xdgData, programDir, ini, store, tmpl, settings] =
            cells<QString, QString, QString, QString, QString, QString, QString, QString>(
                "layout", "xdgConfig", "xdgData", "programDir", "ini", "store", "template", "settings");
        layOut(layout);
        setEnv("XDG_CONFIG_HOME", xdgConfig);
        setEnv("XDG_DATA_HOME", xdgData);
        if (programDir == QLatin1String("@/p"))
            QDir().mkpath(at("p"));
        const QStringList installation = snapshot(at("usr/share"));

        const auto locations =
            startlocations::resolve(exeDir(), QString(programDir).replace(QLatin1Char('@'), m_root->path()));
        QCOMPARE(startlocations::prepare(locations), QStringList());

        const bool installed = layout == QLatin1String("installed") && programDir.isEmpty();
        QCOMPARE(locations.mode, installed ? Mode::Installed : Mode::Portable);
        QCOMPARE(locations.dir.iniPath(), at(ini));
        QCOMPARE(locations.dir.storePath(), at(store));
        QCOMPARE(locations.dir.templatePath(), at(tmpl));
        QCOMPARE(readFile(at(ini)), settings.toUtf8());
        QVERIFY(QFileInfo::exists(at(tmpl)));
        QVERIFY(QFileInfo(locations.dir.dataDir()).isDir());
        // Every folder the start created is the user's alone; the installation is untouched.
        const QStringList existed = {m_root->path(), at("home"), at("p"), at("usr/bin"), at("usr/bin/cfg")};
        for (QString dir : {locations.dir.configDir(), locations.dir.dataDir()}) {
            for (; !existed.contains(dir); dir = QFileInfo(dir).path())
                QCOMPARE(QFileInfo(dir).permissions() & OwnerGroupOther, Private0700);
        }
        QCOMPARE(snapshot(at("usr/share")), installation);
    }

    // The first start copies the defaults; later starts, and an upgrade that changes the
    // defaults, keep the user's own settings.
    void firstStartCopiesLaterStartsKeep()
    {
        layOut(QStringLiteral("installed"));
        setEnv("XDG_CONFIG_HOME", QStringLiteral("@/c"));
        setEnv("XDG_DATA_HOME", QStringLiteral("@/d"));
        const auto locations = startlocations::resolve(exeDir(), QString());
        QVERIFY(startlocations::prepare(locations).isEmpty());
        QCOMPARE(readFile(locations.dir.iniPath()), QByteArray("installed settings\n"));
        writeFile(locations.dir.iniPath(), "the user's edits\n");
        writeFile(at("usr/share/quillon/sys.ini"), "upgraded settings\n");
        QVERIFY(startlocations::prepare(startlocations::resolve(exeDir(), QString())).isEmpty());
        QCOMPARE(readFile(locations.dir.iniPath()), QByteArray("the user's edits\n"));
    }

    // A broken installation is said, not hidden; the program still starts on its own defaults.
    void noDefaultsIsSaid()
    {
        QDir().mkpath(exeDir());
        setEnv("XDG_CONFIG_HOME", QStringLiteral("@/c"));
        const QStringList problems = startlocations::prepare(startlocations::resolve(exeDir(), QString()));
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains(at("usr/share/quillon")), qPrintable(problems[0]));
    }
};

QTEST_GUILESS_MAIN(TestStartLocations)
#include "tst_startlocations.moc"

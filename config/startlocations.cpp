#include "startlocations.h"

#include "nolink.h"
#include "ownership.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace startlocations {

namespace {

const QString AppFolder = QStringLiteral("quillon");
const QString IniName = QStringLiteral("sys.ini");
const QString TemplateName = QStringLiteral("datamb.xml");
constexpr QFile::Permissions PrivateDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions PrivateFile = QFile::ReadOwner | QFile::WriteOwner;

QString xdgDir(const char *variable, const QString &fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    const QString base = QDir::isAbsolutePath(value) ? value : QDir::homePath() + fallbackBelowHome;
    return QDir::cleanPath(base + QLatin1Char('/') + AppFolder);
}

bool hasSettings(const QString &dir)
{
    return QFileInfo(dir + QLatin1Char('/') + IniName).isFile();
}

// Every folder missing on the way is created private: the folders hold health data. `made`
// collects the folders created, deepest last.
bool makePrivateDirs(const QString &path, QStringList &made)
{
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent != clean && !makePrivateDirs(parent, made))
        return false;
    if (QDir().mkdir(clean, PrivateDir)) {
        made << clean;
        return true;
    }
    return QFileInfo(clean).isDir();
}

bool makePrivateDirs(const QString &path)
{
    QStringList made;
    if (makePrivateDirs(path, made))
        return true;
    while (!made.isEmpty())
        QDir().rmdir(made.takeLast());
    return false;
}

void copyIfMissing(const QString &from, const QString &to, QStringList &problems)
{
    if (QFileInfo::exists(to))
        return;
    if (!QFile::copy(from, to)) {
        // Another start may have copied it in the meantime.
        if (!QFileInfo::exists(to))
            problems << QStringLiteral("Could not copy %1 to %2.")
                            .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to));
        return;
    }
    QFile::setPermissions(to, PrivateFile);
}

} // namespace

QString installedDefaultsDir(const QString &exeDir)
{
    return QDir::cleanPath(exeDir + QStringLiteral("/../share/") + AppFolder);
}

QString userConfigDir()
{
    return xdgDir("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString userDataDir()
{
    return xdgDir("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString userStateDir()
{
    return xdgDir("XDG_STATE_HOME", QStringLiteral("/.local/state"));
}

Locations resolve(const QString &exeDir, const QString &programDir)
{
    const QString installed = installedDefaultsDir(exeDir);
    if (!programDir.isEmpty()) {
        // A named folder is filled from the installation, or from the build's own cfg/.
        const QString build = exeDir + QStringLiteral("/cfg");
        const QString dir = QDir::cleanPath(QFileInfo(programDir).absoluteFilePath());
        return {Mode::Portable, ProgramDir(dir), hasSettings(installed) ? installed : build};
    }
    const QString cfg = exeDir + QStringLiteral("/cfg");
    if (hasSettings(cfg))
        return {Mode::Portable, ProgramDir(QDir::cleanPath(exeDir)), installed};
    return {
        Mode::Installed,
        ProgramDir::installed(userConfigDir(), userDataDir(), installed + QLatin1Char('/') + TemplateName),
        installed};
}

QStringList refusals(const Locations &locations)
{
    QStringList found;
    const ProgramDir &dir = locations.dir;
    QStringList folders{dir.configDir(), dir.dataDir()};
    if (locations.mode == Mode::Portable)
        folders.prepend(dir.path());
    for (const QString &folder : folders) {
        const QString why = ownership::folderRefusal(folder);
        if (!why.isEmpty())
            found << why;
    }
    for (const QString &name : {dir.iniPath(), dir.templatePath(), dir.storePath(),
                                ProgramDir::backupPath(dir.storePath()), dir.lockPath()}) {
        if (nolink::isLink(name))
            found << nolink::linkRefusal(name) +
                         QStringLiteral("\nRemove the link with:\n  rm %1").arg(ownership::shellQuoted(name));
    }
    return found;
}

QStringList prepare(const Locations &locations)
{
    QStringList problems;
    const ProgramDir &dir = locations.dir;
    for (const QString &folder : {dir.configDir(), dir.dataDir()}) {
        if (!makePrivateDirs(folder))
            problems << QStringLiteral("Could not create the folder %1.").arg(folder);
    }
    if (QFileInfo::exists(dir.iniPath()) &&
        (locations.mode == Mode::Installed || QFileInfo::exists(dir.templatePath())))
        return problems;
    if (!hasSettings(locations.defaultsDir)) {
        problems << QStringLiteral("No default settings to copy from in %1.")
                        .arg(QDir::toNativeSeparators(locations.defaultsDir));
        return problems;
    }
    copyIfMissing(locations.defaultsDir + QLatin1Char('/') + IniName, dir.iniPath(), problems);
    if (locations.mode == Mode::Portable)
        copyIfMissing(locations.defaultsDir + QLatin1Char('/') + TemplateName, dir.templatePath(), problems);
    return problems;
}

} // namespace startlocations

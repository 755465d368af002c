#include "linkmessages.h"

#include "programdir.h"

#include <QDir>
#include <QFile>

#include <grp.h>
#include <sys/stat.h>

namespace linkmessages {

QString backupFailed(const QString &storePath)
{
    return QStringLiteral("The readings could not be saved: the readings already on this computer could "
                          "not be backed up to %1, so they were left as they are.\n\nCheck that the "
                          "data folder can be written to, then reconnect the meter.")
        .arg(QDir::toNativeSeparators(ProgramDir::backupPath(storePath)));
}

QString templateFailed(const QString &storePath, const QString &templatePath)
{
    return QStringLiteral("The readings could not be saved: the empty store %1 could not be copied to "
                          "%2.\n\nThe readings already on this computer are still in %2 or in its "
                          "backup copy %3. Check the installation, then reconnect the meter.")
        .arg(QDir::toNativeSeparators(templatePath), QDir::toNativeSeparators(storePath),
             QDir::toNativeSeparators(ProgramDir::backupPath(storePath)));
}

QString appendFailed(const QString &storePath, int reading, int count)
{
    return QStringLiteral("The readings could not be saved: reading %1 of %2 could not be written to "
                          "%3, and the upload was stopped.\n\nThe readings from before this upload are "
                          "in the backup copy %4. Check that the data folder can be written to, then "
                          "reconnect the meter.")
        .arg(reading)
        .arg(count)
        .arg(QDir::toNativeSeparators(storePath),
             QDir::toNativeSeparators(ProgramDir::backupPath(storePath)));
}

QString permissionNotice(const QStringList &devices)
{
    // The group that may open the device is the device's own: dialout on Debian, uucp or
    // another elsewhere.
    QStringList groups;
    for (const QString &device : devices) {
        struct stat st;
        const group *gr =
            ::stat(QFile::encodeName(device).constData(), &st) == 0 ? ::getgrgid(st.st_gid) : nullptr;
        const QString name = gr ? QString::fromLocal8Bit(gr->gr_name) : QStringLiteral("dialout");
        if (!groups.contains(name))
            groups << name;
    }
    return QStringLiteral(
               "Quillon may not open %1, so it cannot reach a meter there: your user is not in the "
               "group that may use %2. Run\n\n    sudo usermod -aG %3 $USER\n\n"
               "then log out and back in.")
        .arg(devices.join(QStringLiteral(", ")),
             devices.size() > 1 ? QStringLiteral("them") : QStringLiteral("it"),
             groups.join(QLatin1Char(',')));
}

QString noMeterFound()
{
    return QStringLiteral("No meter found on ports 1\u201316. Is it connected and switched on?");
}

QString uploaded(int readings, const QTime &at)
{
    return QStringLiteral("Uploaded %1 %2 at %3")
        .arg(readings)
        .arg(readings == 1 ? QStringLiteral("reading") : QStringLiteral("readings"),
             at.toString(QStringLiteral("hh:mm")));
}

QString readingOf(int count)
{
    return QStringLiteral("Reading %v of ") + QString::number(count);
}

QString readingsDone(int done, int count)
{
    return QStringLiteral("%1 of %2 readings").arg(done).arg(count);
}

} // namespace linkmessages

#include "ownership.h"

#include "nolink.h"

#include <QDir>
#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ownership {

namespace {

QString userName(uid_t uid)
{
    const passwd *pw = ::getpwuid(uid);
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
}

QString groupName(gid_t gid)
{
    const group *gr = ::getgrgid(gid);
    return gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(gid);
}

// The group a umask of 002 leaves writable is harmless only when the user is alone in it.
bool isPrivateGroup(gid_t gid, const QString &user)
{
    const group *gr = ::getgrgid(gid);
    if (!gr || QString::fromLocal8Bit(gr->gr_name) != user)
        return false;
    for (char **member = gr->gr_mem; *member; ++member) {
        if (QString::fromLocal8Bit(*member) != user)
            return false;
    }
    return true;
}

} // namespace

QString shellQuoted(const QString &path)
{
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString folderRefusal(const QString &folder)
{
    struct stat st;
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return QString(); // made private when it is created
    const QString shown = QDir::toNativeSeparators(folder);
    if (S_ISLNK(st.st_mode))
        return nolink::linkRefusal(folder) +
               QStringLiteral(" Put a real folder there, or name the folder the link points to.");
    if (!S_ISDIR(st.st_mode))
        return QString(); // not a folder at all: making it fails, and says so
    const QString me = userName(::geteuid());
    const QString owner = userName(st.st_uid);
    const QString mode = QStringLiteral("%1").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    const QString facts = QStringLiteral("The folder %1 belongs to %2 (group %3, mode %4)")
                              .arg(shown, owner, groupName(st.st_gid), mode);
    const QString why = QStringLiteral("another account could change your settings and readings there, "
                                       "or make Quillon overwrite your other files.");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("%1, not to you (%2): %3\nIf the folder is yours, mend it with:\n"
                              "  sudo chown %2 %4 && chmod go-w %4")
            .arg(facts, me, why, shellQuoted(folder));
    const bool otherWrites = st.st_mode & S_IWOTH;
    const bool groupWrites = (st.st_mode & S_IWGRP) && !isPrivateGroup(st.st_gid, me);
    if (otherWrites || groupWrites)
        return QStringLiteral("%1 and can be written by %2: %3\nMend it with:\n  chmod go-w %4")
            .arg(facts,
                 otherWrites ? QStringLiteral("every account")
                             : QStringLiteral("the members of the group %1").arg(groupName(st.st_gid)),
                 why, shellQuoted(folder));
    return QString();
}

} // namespace ownership

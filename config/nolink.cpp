#include "nolink.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nolink {

bool isLink(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool openForReading(QFile &file, const QString &path)
{
    // O_NOFOLLOW: a link planted after any earlier look is refused by the open itself.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

QString linkRefusal(const QString &path)
{
    return QStringLiteral("%1 is a symbolic link (to %2). Quillon does not read or write its files "
                          "through links, which could make it overwrite another of your files.")
        .arg(QDir::toNativeSeparators(path), QFileInfo(path).symLinkTarget());
}

} // namespace nolink

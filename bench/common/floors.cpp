#include "floors.h"

#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace bench {

bool replaceFileBare(const QString &path, const QByteArray &bytes)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".floor";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += n;
    }
    const bool synced = ::fdatasync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    return synced && closed && std::rename(temporary.constData(), target.constData()) == 0;
}

void settleDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
#ifdef Q_OS_LINUX
    ::syncfs(fd);
#else
    ::sync();
#endif
    ::close(fd);
}

} // namespace bench

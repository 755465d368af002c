#include "filestamp.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
#ifdef Q_OS_UNIX
constexpr qint64 kNsPerSecond = 1'000'000'000;

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * kNsPerSecond + t.tv_nsec;
}
#endif
} // namespace

std::optional<FileStamp> FileStamp::of(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = qint64(st.st_size);
#ifdef Q_OS_DARWIN
    stamp.modifiedNs = nanoseconds(st.st_mtimespec);
    stamp.changedNs = nanoseconds(st.st_ctimespec);
#else
    stamp.modifiedNs = nanoseconds(st.st_mtim);
    stamp.changedNs = nanoseconds(st.st_ctim);
#endif
    stamp.inode = quint64(st.st_ino);
    stamp.device = quint64(st.st_dev);
    return stamp;
#else
    Q_UNUSED(path);
    return std::nullopt;
#endif
}

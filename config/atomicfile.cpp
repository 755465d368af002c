#include "atomicfile.h"

#include "nolink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t modeOf(QFileDevice::Permissions p)
{
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR},  {QFileDevice::WriteOwner, S_IWUSR},
        {QFileDevice::ExeOwner, S_IXUSR},   {QFileDevice::ReadGroup, S_IRGRP},
        {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH},  {QFileDevice::WriteOther, S_IWOTH},
        {QFileDevice::ExeOther, S_IXOTH}};
    for (const auto &[permission, bit] : bits)
        mode |= p.testFlag(permission) ? bit : 0;
    return mode;
}

QString reasonFor(int error, const QString &path)
{
    const QString name = QDir::toNativeSeparators(path);
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("The folder %1 does not exist.").arg(folder);
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("The folder %1 cannot be written to.").arg(folder);
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("The file %1 could not be written completely: the disk is full.").arg(name);
    case EFBIG:
        return QStringLiteral("The file %1 could not be written completely: it would exceed the "
                              "largest file size allowed.")
            .arg(name);
    default:
        return QStringLiteral("The file %1 could not be written: %2.")
            .arg(name, QString::fromLocal8Bit(std::strerror(error)));
    }
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why + QStringLiteral(" Any earlier file of that name is unchanged.");
    return false;
}

} // namespace

bool writeFileAtomically(const QString &path, const QByteArray &bytes,
                         std::optional<QFileDevice::Permissions> permissions, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    const QString shown = QDir::toNativeSeparators(path);
    // A new file without permissions given is private too: what the program writes is the user's.
    mode_t mode = permissions ? modeOf(*permissions) : S_IRUSR | S_IWUSR;
    struct stat st;
    if (::lstat(name.constData(), &st) == 0) {
        if (S_ISLNK(st.st_mode))
            return fail(error, nolink::linkRefusal(path));
        if (S_ISDIR(st.st_mode))
            return fail(error, QStringLiteral("%1 is a folder, not a file.").arg(shown));
        if (!S_ISREG(st.st_mode))
            return fail(error, QStringLiteral("%1 is not a plain file.").arg(shown));
        if (::access(name.constData(), W_OK) != 0)
            return fail(error, QStringLiteral("The file %1 is read-only.").arg(shown));
        if (!permissions)
            mode = st.st_mode & 07777;
    }

    // The temporary file is made beside the target with O_EXCL, private from its first byte;
    // rename() then puts it in the target's place, replacing whatever name is there rather
    // than following it.
    QByteArray temporary = name + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(error, reasonFor(errno, path));
    const auto abandon = [&](int why) {
        ::close(fd);
        ::unlink(temporary.constData());
        return fail(error, reasonFor(why, path));
    };
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return abandon(n < 0 ? errno : ENOSPC);
        done += n;
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return abandon(errno);
    if (::close(fd) != 0) {
        const int why = errno;
        ::unlink(temporary.constData());
        return fail(error, reasonFor(why, path));
    }
    if (::rename(temporary.constData(), name.constData()) != 0) {
        const int why = errno;
        ::unlink(temporary.constData());
        return fail(error, reasonFor(why, path));
    }
    return true;
}

#include "atomicfile.h"

#include <QSaveFile>

bool writeFileAtomically(const QString &path, const QByteArray &bytes,
                         std::optional<QFileDevice::Permissions> permissions)
{
    // Unbuffered on purpose: buffered, a full disk or a file size limit makes the flush inside
    // commit() write part of the file, Qt drops that error, and commit() renames the truncated
    // file over the good one. Unbuffered, write() itself comes back short.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (permissions && !file.setPermissions(*permissions)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

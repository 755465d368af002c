#include "reportfile.h"

#include "atomicfile.h"

#include <QFileInfo>

bool writeReportFile(const QString &path, const QByteArray &bytes, QString *error)
{
    if (writeFileAtomically(path, bytes, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return true;
    if (error) {
        const QFileInfo dir(QFileInfo(path).absolutePath());
        *error = !dir.isDir() ? QStringLiteral("The folder %1 does not exist.").arg(dir.filePath())
                 : !dir.isWritable()
                     ? QStringLiteral("The folder %1 cannot be written to.").arg(dir.filePath())
                     : QStringLiteral("The file %1 could not be written completely "
                                      "(is the disk full?). Any earlier file of that "
                                      "name is unchanged.")
                           .arg(path);
    }
    return false;
}

#include "reportfile.h"

#include "atomicfile.h"

bool writeReportFile(const QString &path, const QByteArray &bytes, QString *error)
{
    return writeFileAtomically(path, bytes, QFileDevice::ReadOwner | QFileDevice::WriteOwner, error);
}

#include "programfolder.h"

#include "benchrunner.h"

#include <QDir>
#include <QFile>

namespace bench {
namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure("cannot read " + path.toStdString());
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw Failure("cannot write " + path.toStdString());
}

} // namespace

QByteArray installedIni()
{
    return readFile(QStringLiteral(QUILLON_SOURCE_DIR "/cfg/sys.ini"));
}

QByteArray withIniKey(const QByteArray &ini, const QByteArray &section, const QByteArray &key,
                      const QByteArray &value)
{
    QList<QByteArray> lines = ini.split('\n');
    const QByteArray header = '[' + section + ']';
    const QByteArray line = key + '=' + value;
    qsizetype start = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray trimmed = lines[i].trimmed();
        if (trimmed.startsWith('[')) {
            if (start >= 0)
                break; // the section ended without the key
            if (trimmed == header)
                start = i;
        } else if (start >= 0 && trimmed.startsWith(key + '=')) {
            lines[i] = line;
            return lines.join('\n');
        }
    }
    if (start < 0) {
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        lines << header << line << QByteArray();
    } else {
        lines.insert(start + 1, line);
    }
    return lines.join('\n');
}

void layOutProgramDir(const QString &dir, const QByteArray &ini, const QByteArray &store)
{
    QDir root(dir);
    if (!root.mkpath(QStringLiteral("cfg")) || !root.mkpath(QStringLiteral("data")))
        throw Failure("cannot make the program directory " + dir.toStdString());
    writeFile(root.filePath(QStringLiteral("cfg/sys.ini")), ini);
    writeFile(root.filePath(QStringLiteral("cfg/datamb.xml")),
              readFile(QStringLiteral(QUILLON_SOURCE_DIR "/cfg/datamb.xml")));
    if (!store.isEmpty())
        writeFile(root.filePath(QStringLiteral("data/TMPDATE.xml")), store);
}

} // namespace bench

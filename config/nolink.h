#pragma once

#include <QFile>
#include <QString>

// The program's own files are reached by their names alone: a symbolic link at one of them could
// have been put there to make a read or a write land on another of the user's files.
namespace nolink {

// True when the name itself is a symbolic link (dangling or not).
bool isLink(const QString &path);
// Opens the file for reading unless its name is a link; `file` keeps the open handle.
bool openForReading(QFile &file, const QString &path);
// A sentence saying that `path` is a link and where it points, for a message.
QString linkRefusal(const QString &path);

} // namespace nolink

#pragma once

#include <QByteArray>
#include <QString>

// Writes an exported file the way the store is written: atomically (a failed write leaves any
// earlier file whole) and readable by the user alone, since it holds health data. A symbolic
// link at the name is refused: a link the person chose is resolved where they chose it. On
// failure `error` says why in words a person understands.
bool writeReportFile(const QString &path, const QByteArray &bytes, QString *error);

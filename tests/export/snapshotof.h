#pragma once

// A store of these record lines, reported over [from, to] with the installed settings.
#include "readingstore.h"
#include "reportsnapshot.h"
#include "selection.h"
#include "tempprogramdir.h"

inline ReportSnapshot snapshotOf(const TempProgramDir &dir, const QStringList &lines, QString from,
                                 QString to)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<Data><xt>\n";
    for (const QString &line : lines)
        xml += "<item>" + line.toHtmlEscaped().toUtf8() + "</item>\n";
    dir.writeFile("data/TMPDATE.xml", xml + "</xt></Data>\n");
    const ReportInput input{"mg/dl", to, from, "ALL", 0, {"20", "600", "110", "80", "6", "2"}};
    const StoreItems store = ReadStoreItems(dir.storePath());
    return makeReportSnapshot(input, selection::run(input, store), store);
}

#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

// What the link tells the user. The first two are the meter's own wording, kept as users of
// the meter know it.
namespace linkmessages {

inline QString uploadUnsucceed()
{
    return QStringLiteral("Upload Unsucceed! ,Reconnect Please.");
}

inline QString noDatabase()
{
    return QStringLiteral("Not found Glucose database!");
}

// The store could not be prepared or written: nothing of this upload counts as done.
QString backupFailed(const QString &storePath);
QString templateFailed(const QString &storePath, const QString &templatePath);
QString appendFailed(const QString &storePath, int reading, int count);

// The quiet line under the band: a whole search of the ports without an answer, an upload done,
// and the progress bar's text during one.
QString noMeterFound();
QString uploaded(int readings, const QTime &at);
QString readingOf(int count);              // "Reading %v of N", %v left for the bar
QString readingsDone(int done, int count); // the bar in words for a screen reader

// The main window's notice for USB serial devices this user may not open, with the one fix.
QString permissionNotice(const QStringList &devices);

} // namespace linkmessages

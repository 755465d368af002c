#pragma once

#include <QString>
#include <functional>

class QWidget;
class ReadingHistory;
struct ReportSnapshot;

// What the buttons for the doctor do once pressed: ask where to (and, for many readings, what
// to include), make the file or the printout, and say so when it fails.
namespace reportactions {

// Holds the meter link (true) while a document is made, and lets it go again (false).
using LinkHold = std::function<void(bool hold)>;
// Asks the person where to save; empty when they cancel. The file dialog unless one is handed in.
using FileChooser = std::function<QString(QWidget *parent, const QString &caption, const QString &suggested,
                                          const QString &filter)>;

// Each gives the file written; empty when nothing was (cancelled, or failed and said so).
QString saveSelectedCsv(QWidget *parent, const ReportSnapshot &snapshot, const FileChooser &choose = {});
// Every reading of the store, or of the history when one is given.
QString saveAllCsv(QWidget *parent, const QString &storePath, const QString &iniPath,
                   const FileChooser &choose = {}, const ReadingHistory *history = nullptr);
QString savePdf(QWidget *parent, const ReportSnapshot &snapshot, const LinkHold &hold,
                const FileChooser &choose = {});
// What a window says after a save: "Saved to" and the file.
QString savedTo(const QString &path);
void print(QWidget *parent, const ReportSnapshot &snapshot, const LinkHold &hold);

} // namespace reportactions

#pragma once

#include <QString>
#include <functional>

class QWidget;
struct ReportSnapshot;

// What the buttons for the doctor do once pressed: ask where to (and, for many readings, what
// to include), make the file or the printout, and say so when it fails.
namespace reportactions {

// Holds the meter link (true) while a document is made, and lets it go again (false).
using LinkHold = std::function<void(bool hold)>;

void saveSelectedCsv(QWidget *parent, const ReportSnapshot &snapshot);
void saveAllCsv(QWidget *parent, const QString &storePath, const QString &iniPath);
void savePdf(QWidget *parent, const ReportSnapshot &snapshot, const LinkHold &hold);
void print(QWidget *parent, const ReportSnapshot &snapshot, const LinkHold &hold);

} // namespace reportactions

#pragma once

#include <QDateTime>
#include <QPageSize>
#include <QString>
#include <functional>

class QLocale;
class QPagedPaintDevice;
class QPrinter;
struct ReportSnapshot;

// The report for the doctor: page 1 with the period, the figures, the trend chart and the
// readings by time of day; then the readings table with page numbers. One drawing serves the
// PDF file and the printer.
namespace pdfreport {

// Above this many selected readings the person chooses between the whole table and the
// statistics and charts alone before the document is made.
constexpr int TableChoiceAbove = 1000;
bool asksTableChoice(const ReportSnapshot &snapshot);

struct Options
{
    bool withTable = true;
    QDateTime made = QDateTime::currentDateTime();
};

// Told after each page (pages done, pages in all); returning false stops the document.
using Progress = std::function<bool(int done, int total)>;

enum class Result
{
    Done,
    Cancelled,
    Failed
};

// A4, or Letter where the locale measures in US units.
QPageSize pageSizeFor(const QLocale &locale);

// Draws the whole document on a device whose page layout is set.
Result paint(QPagedPaintDevice &device, const ReportSnapshot &snapshot, const Options &options,
             const Progress &progress = {});
// The document as a PDF file, written atomically and readable by the user alone; nothing is
// written when it fails or is cancelled.
Result writePdf(const QString &path, const ReportSnapshot &snapshot, const Options &options,
                const Progress &progress, QString *error);
// The document on a printer as the print dialog set it up. Printed to a file, it is written as
// writePdf() writes: whole, atomically, readable by the user alone. On failure `error` says why.
Result print(QPrinter &printer, const ReportSnapshot &snapshot, const Options &options,
             const Progress &progress = {}, QString *error = nullptr);

} // namespace pdfreport

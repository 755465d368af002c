#pragma once

#include "chartgrid.h"

#include <QByteArray>
#include <QDateTime>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <functional>

class QLocale;
class QPagedPaintDevice;
class QPainter;
class QRectF;
struct ReportSnapshot;

// The report for the doctor: page 1 with who and which period, the figures, the consensus bands,
// the readings against time and the day's pattern; every low; then the readings table. One drawing serves the
// PDF file and the printer (pdfprint.h).
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
// The document's page: portrait, the same margins on paper as in the file.
QPageLayout pageLayout(const QPageSize &size);
constexpr int PdfResolution = 300;

// Draws the whole document on a device whose page layout is set.
Result paint(QPagedPaintDevice &device, const ReportSnapshot &snapshot, const Options &options,
             const Progress &progress = {});
// The document as a PDF file, written atomically and readable by the user alone; nothing is
// written when it fails or is cancelled.
Result writePdf(const QString &path, const ReportSnapshot &snapshot, const Options &options,
                const Progress &progress, QString *error);
// The whole document in memory, so that only a finished one ever reaches the disk.
Result pdfBytes(QByteArray &bytes, const QPageLayout &layout, int resolution, const ReportSnapshot &snapshot,
                const Options &options, const Progress &progress, QString *error);

} // namespace pdfreport

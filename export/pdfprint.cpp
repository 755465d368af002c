#include "pdfprint.h"

#include "reportfile.h"

#include <QByteArray>
#include <QPrinter>

namespace pdfreport {

Result print(QPrinter &printer, const ReportSnapshot &snapshot, const Options &options,
             const Progress &progress, QString *error)
{
    printer.setDocName(QStringLiteral("Blood glucose report"));
    // The paper the dialog chose, with the document's own margins: printed or saved, the
    // pages are the same. A printer that cannot print so near the edge keeps its minimum.
    const QPageLayout layout = pageLayout(printer.pageLayout().pageSize());
    printer.setPageLayout(layout);
    // Printed to a file, it is health data like the PDF: the printer would write the file as it
    // goes, readable by others and cut short on a full disk.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        QByteArray bytes;
        const Result result = pdfBytes(bytes, layout, PdfResolution, snapshot, options, progress, error);
        if (result != Result::Done)
            return result;
        return writeReportFile(printer.outputFileName(), bytes, error) ? Result::Done : Result::Failed;
    }
    const Result result = paint(printer, snapshot, options, progress);
    if (result == Result::Failed && error)
        *error = QStringLiteral("The report could not be printed.");
    return result;
}

} // namespace pdfreport

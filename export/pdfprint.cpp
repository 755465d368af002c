#include "pdfprint.h"

#include "reportfile.h"

#include <QByteArray>
#include <QPrinter>

namespace pdfreport {

Result print(QPrinter &printer, const ReportSnapshot &snapshot, const Options &options,
             const Progress &progress, QString *error)
{
    printer.setDocName(QStringLiteral("Blood glucose report"));
    // Printed to a file, it is health data like the PDF: the printer would write the file as it
    // goes, readable by others and cut short on a full disk.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        QByteArray bytes;
        const Result result =
            pdfBytes(bytes, printer.pageLayout(), printer.resolution(), snapshot, options, progress, error);
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

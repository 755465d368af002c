#include "pdfprint.h"

#include <QFile>
#include <QPrinter>

namespace pdfreport {

Result print(QPrinter &printer, const ReportSnapshot &snapshot, const Options &options,
             const Progress &progress)
{
    printer.setDocName(QStringLiteral("Blood glucose report"));
    const Result result = paint(printer, snapshot, options, progress);
    // Printed to a file, it is health data like the PDF.
    if (!printer.outputFileName().isEmpty() && QFile::exists(printer.outputFileName()))
        QFile::setPermissions(printer.outputFileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return result;
}

} // namespace pdfreport

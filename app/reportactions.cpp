#include "reportactions.h"

#include "csvexport.h"
#include "nolink.h"
#include "pdfprint.h"
#include "pdfreport.h"
#include "reportfile.h"
#include "reportsnapshot.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <optional>

namespace reportactions {

namespace {

// The writer never follows a link; one the person picked in a dialog is theirs to follow, once,
// after they have seen where it leads. Empty when they decline.
QString resolvedChoice(QWidget *parent, const QString &path)
{
    if (!nolink::isLink(path))
        return path;
    const QString target = QFileInfo(path).symLinkTarget();
    const auto answer =
        QMessageBox::question(parent, QStringLiteral("Quillon"),
                              QStringLiteral("%1 is a link to %2.\nWrite the file there?")
                                  .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(target)));
    return answer == QMessageBox::Yes ? target : QString();
}

QString askFile(QWidget *parent, const FileChooser &choose, const QString &caption, const QString &stem,
                const QString &suffix, const QString &filter)
{
    const QString suggested = QDir::home().filePath(
        QStringLiteral("%1-%2.%3").arg(stem, QDate::currentDate().toString(Qt::ISODate), suffix));
    QString path = choose ? choose(parent, caption, suggested, filter)
                          : QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    if (path.isEmpty())
        return path;
    if (!path.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive))
        path += QLatin1Char('.') + suffix;
    return resolvedChoice(parent, path);
}

void failed(QWidget *parent, const QString &what, const QString &why)
{
    QMessageBox::warning(parent, what, why);
}

// `caption` and `stem` tell the two exports apart: every stored reading, or the report's.
QString writeCsv(QWidget *parent, const QByteArray &bytes, const FileChooser &choose, const QString &caption,
                 const QString &stem)
{
    const QString path =
        askFile(parent, choose, caption, stem, QStringLiteral("csv"), QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return path;
    QString error;
    if (writeReportFile(path, bytes, &error))
        return path;
    failed(parent, QStringLiteral("CSV not saved"), error);
    return QString();
}

// Asked before anything is made: with many readings the table runs to many pages.
std::optional<pdfreport::Options> askOptions(QWidget *parent, const ReportSnapshot &snapshot)
{
    pdfreport::Options options;
    if (!pdfreport::asksTableChoice(snapshot))
        return options;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Report for the doctor"),
                    QStringLiteral("The report holds %1 readings. Include the table of every reading (many "
                                   "pages), or the statistics and charts alone?")
                        .arg(snapshot.selectedAt.size()),
                    QMessageBox::Cancel, parent);
    QPushButton *whole = box.addButton(QStringLiteral("Whole table"), QMessageBox::AcceptRole);
    QPushButton *alone =
        box.addButton(QStringLiteral("Statistics and charts alone"), QMessageBox::AcceptRole);
    box.setDefaultButton(alone);
    box.exec();
    if (box.clickedButton() == whole)
        return options;
    if (box.clickedButton() != alone)
        return std::nullopt;
    options.withTable = false;
    return options;
}

// Makes the document with the link held and a progress bar showing.
pdfreport::Result make(QWidget *parent, const LinkHold &hold,
                       const std::function<pdfreport::Result(const pdfreport::Progress &)> &work)
{
    if (hold)
        hold(true);
    QProgressDialog progress(QStringLiteral("Making the report…"), QStringLiteral("Cancel"), 0, 1, parent);
    progress.setObjectName(QStringLiteral("reportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    const pdfreport::Result result = work([&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    progress.reset();
    if (hold)
        hold(false);
    return result;
}

} // namespace

QString savedTo(const QString &path)
{
    return QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(path));
}

QString saveSelectedCsv(QWidget *parent, const ReportSnapshot &snapshot, const FileChooser &choose)
{
    return writeCsv(parent, csvexport::selectedReadings(snapshot), choose,
                    QStringLiteral("Export the report's readings as CSV"),
                    QStringLiteral("glucose-report-readings"));
}

QString saveAllCsv(QWidget *parent, const QString &storePath, const QString &iniPath,
                   const FileChooser &choose, const ReadingHistory *history)
{
    QByteArray bytes;
    QString error;
    if (!csvexport::allReadings(storePath, csvexport::rangeMarksFromIni(iniPath), &bytes, &error, history)) {
        failed(parent, QStringLiteral("CSV not saved"), error);
        return QString();
    }
    return writeCsv(parent, bytes, choose, QStringLiteral("Export every stored reading as CSV"),
                    QStringLiteral("glucose-all-readings"));
}

QString savePdf(QWidget *parent, const ReportSnapshot &snapshot, const LinkHold &hold,
                const FileChooser &choose)
{
    const auto options = askOptions(parent, snapshot);
    if (!options)
        return QString();
    const QString path =
        askFile(parent, choose, QStringLiteral("Save the report as PDF"), QStringLiteral("glucose-report"),
                QStringLiteral("pdf"), QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return path;
    QString error;
    const auto result = make(parent, hold, [&](const pdfreport::Progress &progress) {
        return pdfreport::writePdf(path, snapshot, *options, progress, &error);
    });
    if (result == pdfreport::Result::Failed)
        failed(parent, QStringLiteral("PDF not saved"), error);
    return result == pdfreport::Result::Done ? path : QString();
}

void print(QWidget *parent, const ReportSnapshot &snapshot, const LinkHold &hold)
{
    const auto options = askOptions(parent, snapshot);
    if (!options)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(pdfreport::pageSizeFor(QLocale::system()));
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        const QString path = resolvedChoice(parent, printer.outputFileName());
        if (path.isEmpty())
            return;
        printer.setOutputFileName(path);
    }
    QString error;
    const auto result = make(parent, hold, [&](const pdfreport::Progress &progress) {
        return pdfreport::print(printer, snapshot, *options, progress, &error);
    });
    if (result == pdfreport::Result::Failed)
        failed(parent, QStringLiteral("Not printed"), error);
}

} // namespace reportactions

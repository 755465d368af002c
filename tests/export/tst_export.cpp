// The documents a person takes to the doctor, checked as the files they are: the CSV's bytes
// against a golden file, the PDF's text and pages through poppler's own tools.
#include "csvexport.h"
#include "filesizelimit.h"
#include "pdfreport.h"
#include "readingstore.h"
#include "reportfile.h"
#include "reportsnapshot.h"
#include "rows.h"
#include "selection.h"
#include "tempprogramdir.h"

#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QtTest>

namespace {

ReportSnapshot snapshotOf(const TempProgramDir &dir, const QStringList &lines, QString from, QString to)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<Data><xt>\n";
    for (const QString &line : lines)
        xml += "<item>" + line.toHtmlEscaped().toUtf8() + "</item>\n";
    dir.writeFile("data/TMPDATE.xml", xml + "</xt></Data>\n");
    const ReportInput input{"mg/dl", to, from, "ALL", 0, {"20", "600", "110", "80", "6", "2"}};
    const StoreItems store = ReadStoreItems(dir.storePath());
    return makeReportSnapshot(input, selection::run(input, store), store);
}

} // namespace

class tst_Export : public QObject
{
    Q_OBJECT
private slots:
    // The readings of the store and those the report selected give the golden file's bytes,
    // readable by their owner alone; a write that fails keeps that file, with no stray beside it.
    void csv()
    {
        const QStringList lines = {"123,2026-5-1 7:30:00,mg/dL,-,-",
                                   "15,2026-5-1 12:5:00,mg/dL,-,-",
                                   "650,2026-5-2 19:45:00,mg/dL,-,TEMP",
                                   "110,2026-5-3 8:0:00,mg/dL,Ctrl,-",
                                   "=HYPERLINK(\"http://x\"),2026-5-3 9:0:00,mg/dL,-,-",
                                   "95,last tuesday 7:00,mg/dL,-,-",
                                   "-5,2026-5-4 21:10:00,mg/dL,-,-"};
        TempProgramDir dir;
        const QByteArray selected =
            csvexport::selectedReadings(snapshotOf(dir, lines, "2000-1-1", "2026-5-4"));
        QByteArray all;
        QString error;
        QVERIFY(csvexport::allReadings(dir.storePath(), csvexport::rangeMarksFromIni(dir.iniPath()), &all,
                                       &error));
        QFile golden(QStringLiteral(QUILLON_SOURCE_DIR "/tests/export/golden/readings.csv"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        const QByteArray expected = golden.readAll();
        const QString target = dir.filePath("readings.csv");
        for (const QByteArray &bytes : {all, selected}) {
            QVERIFY(writeReportFile(target, bytes, &error));
            QCOMPARE(dir.readFile("readings.csv"), expected);
            QCOMPARE(QFile::permissions(target) & 0x0077, QFileDevice::Permissions());
        }
        // mmol/L rounded as the decimal reads: 98.1 / 18 is 5.45, a hair below it as a double.
        QVERIFY(csvexport::csv({"98.1,2026-5-1 7:30:00,mg/dL,-,-"}, {}).contains(",98.1,5.5,"));
        const FileSizeLimit diskFull(64);
        QVERIFY(!writeReportFile(target, QByteArray(4000, 'x'), &error));
        QCOMPARE(dir.readFile("readings.csv"), expected);
        QCOMPARE(QDir(dir.path()).entryList({"readings.csv*"}, QDir::Files).size(), 1);
    }
    // An earlier file at the target (or at the end of a link there) stays as it was while the
    // document is made, and after a failure, which says why; nothing beside it is ever readable
    // by others. limit: a file size limit in bytes, 0 for none.
    void document_data()
    {
        columns<bool, bool, QString, int, QString, QString>("printer", "withTable", "pages", "limit",
                                                            "target", "says");
        row("PDF, with the table", false, true, "Page 1 of 3|Page 2 of 3|Page 3 of 3|2026-05-07|22:10|TEMP",
            0, "file", "");
        row("printed to a file, with the table", true, true, "Page 1 of 3|Page 3 of 3", 0, "file", "");
        row("PDF file, statistics and charts alone", false, false, "Page 1 of 1", 0, "file", "");
        row("printed to a file over the size limit", true, true, "", 20000, "file", "largest file size");
        row("PDF at a link", false, false, "", 0, "link", "is a symbolic link (to ");
        row("PDF onto a folder", false, false, "", 0, "folder", "is a folder");
    }
    void document()
    {
        auto [printer, withTable, pages, limit, target, says] =
            cells<bool, bool, QString, int, QString, QString>("printer", "withTable", "pages", "limit",
                                                              "target", "says");
        // 59 blood readings and a control test: the table takes two more pages.
        QStringList lines{"120,2026-5-6 8:0:00,mg/dL,Ctrl,-"};
        for (int i = 0; i < 58; ++i)
            lines << QStringLiteral("100,2026-4-%1 %2:15:00,mg/dL,-,-").arg(28 + i / 20).arg(i % 20 + 3);
        lines << "159,2026-5-7 22:10:00,mg/dL,-,TEMP";
        TempProgramDir dir;
        const ReportSnapshot snapshot = snapshotOf(dir, lines, "2026-4-28", "2026-5-7");
        const pdfreport::Options options{withTable, QDateTime(QDate(2026, 5, 8), QTime(9, 30))};
        const QString pdf = dir.filePath("report.pdf"),
                      earlier = target == "link" ? "elsewhere" : "report.pdf";
        dir.writeFile(earlier, "the earlier report\n");
        QVERIFY(
            QFile::setPermissions(dir.filePath(earlier), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(target != "link" || QFile::link(dir.filePath(earlier), pdf));
        QVERIFY(target != "folder" || (QFile::remove(pdf) && QDir(dir.path()).mkdir("report.pdf")));
        int pagesDone = 0;
        bool kept = true;
        const auto progress = [&, folder = target == "folder"](int, int) {
            kept = kept && (folder || dir.readFile(earlier) == "the earlier report\n");
            for (const QFileInfo &file :
                 QDir(dir.path()).entryInfoList({"report.pdf*", "elsewhere*"}, QDir::Files))
                kept = kept && !(file.permissions() & 0x0077);
            return ++pagesDone > 0;
        };
        QString error;
        QPrinter device(QPrinter::HighResolution);
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(pdf);
        std::optional<FileSizeLimit> sizeLimit;
        if (limit)
            sizeLimit.emplace(limit);
        const auto result = printer ? pdfreport::print(device, snapshot, options, progress, &error)
                                    : pdfreport::writePdf(pdf, snapshot, options, progress, &error);
        sizeLimit.reset();
        QVERIFY(kept);
        QVERIFY2(error.contains(says), qPrintable(error));
        if (!says.isEmpty()) {
            QCOMPARE(result, pdfreport::Result::Failed);
            QCOMPARE(QDir(dir.path()).entryList({"report.pdf*", "elsewhere*"}, QDir::AllEntries).size(),
                     target == "link" ? 2 : 1);
            QVERIFY(target == "folder" || dir.readFile(earlier) == "the earlier report\n");
            return;
        }
        QCOMPARE(result, pdfreport::Result::Done);
        QCOMPARE(QFile::permissions(pdf) & 0x0077, QFileDevice::Permissions());
        QCOMPARE(pagesDone, withTable ? 3 : 1);
        QCOMPARE(QProcess::execute("pdftotext", {"-layout", pdf, dir.filePath("report.txt")}), 0);
        const QString text = QString::fromUtf8(dir.readFile("report.txt"));
        const QString firstPage =
            "Blood glucose report|Period: 2026-04-28 to 2026-05-07|View: whole day (ALL)|"
            "Made: 2026-05-08 09:30|Blood readings counted|Mean of blood readings|101 mg/dL|"
            "Control tests left out (Ctrl)|Readings by time of day|Trend of the selected readings|";
        for (const QString &e : (firstPage + pages).split('|'))
            QVERIFY2(text.contains(e), qPrintable(e + " not in:\n" + text.left(3000)));
        // The first page holds ink beyond its texts: the charts are drawn.
        const QString png = dir.filePath("page");
        QCOMPARE(QProcess::execute("pdftoppm", {"-r", "40", "-l", "1", "-singlefile", "-png", pdf, png}), 0);
        const QImage page(png + ".png");
        qint64 inked = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                inked += qGray(page.pixel(x, y)) < 200;
        QVERIFY2(inked > page.width() * page.height() / 100, qPrintable(QString::number(inked)));
    }
};

QTEST_MAIN(tst_Export)
#include "tst_export.moc"

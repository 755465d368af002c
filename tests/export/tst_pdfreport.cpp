// The report for the doctor, checked as the file it is: its text and pages through poppler's
// own tools, as a PDF and printed to a file.
#include "filesizelimit.h"
#include "pdfprint.h"
#include "pdftrendchart.h"
#include "rows.h"
#include "snapshotof.h"

#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QtTest>

class tst_PdfReport : public QObject
{
    Q_OBJECT
private slots:
    // An earlier file at the target (or at the end of a link there) stays as it was while the
    // document is made, and after a failure, which says why; nothing beside it is ever readable
    // by others. limit: a file size limit in bytes, 0 for none; controlsOnly: every reading a
    // control test, with the date boxes picked in reverse order.
    void document_data()
    {
        columns<bool, bool, bool, QString, int, QString, QString>("printer", "withTable", "controlsOnly",
                                                                  "pages", "limit", "target", "says");
        const QString blood = "Mean of blood readings|101 mg/dL|";
        // clang-format off
        row("PDF, with the table", false, true, false, blood + "Page 1 of 3|Page 2 of 3|Page 3 of 3|2026-05-07|22:10|TEMP", 0, "file", "");
        row("printed to a file, with the table", true, true, false, blood + "Page 1 of 3|Page 3 of 3", 0, "file", "");
        row("PDF file, statistics and charts alone", false, false, false, blood + "Page 1 of 1", 0, "file", "");
        // A control test is no blood reading: the doctor's trend chart has nothing to draw.
        row("control tests alone, dates reversed", false, false, true, "Page 1 of 1|No Graphic Data", 0, "file", "");
        row("printed to a file over the size limit", true, true, false, "", 20000, "file", "largest file size");
        row("PDF at a link", false, false, false, "", 0, "link", "is a symbolic link (to ");
        row("PDF onto a folder", false, false, false, "", 0, "folder", "is a folder");
        // clang-format on
    }
    void document()
    {
        auto [printer, withTable, controlsOnly, pages, limit, target, says] =
            cells<bool, bool, bool, QString, int, QString, QString>("printer", "withTable", "controlsOnly",
                                                                    "pages", "limit", "target", "says");
        // 59 blood readings and a control test: the table takes two more pages.
        const QString mark = controlsOnly ? "Ctrl" : "-";
        QStringList lines{"120,2026-5-6 8:0:00,mg/dL,Ctrl,-"};
        for (int i = 0; i < 58; ++i)
            lines << QStringLiteral("100,2026-4-%1 %2:15:00,mg/dL,%3,-")
                         .arg(28 + i / 20)
                         .arg(i % 20 + 3)
                         .arg(mark);
        lines << QStringLiteral("159,2026-5-7 22:10:00,mg/dL,%1,TEMP").arg(mark);
        TempProgramDir dir;
        const QString first = "2026-4-28", last = "2026-5-7";
        const ReportSnapshot snapshot =
            controlsOnly ? snapshotOf(dir, lines, last, first) : snapshotOf(dir, lines, first, last);
        const pdfreport::Options options{withTable, QDateTime(QDate(2026, 5, 8), QTime(9, 30)),
                                         &pdfreport::paintTrendChart};
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
            "Blood glucose report|Period: 2026-04-28 to 2026-05-07|Readings: last upload|View: whole day "
            "(ALL)|"
            "Made: 2026-05-08 09:30|Blood readings counted|Control tests left out (Ctrl)|Readings by time of "
            "day|"
            "Trend of the selected readings|";
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

QTEST_MAIN(tst_PdfReport)
#include "tst_pdfreport.moc"

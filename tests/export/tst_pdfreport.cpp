// The report for the doctor, checked as the file it is: its text and pages through poppler's
// own tools, as a PDF and printed to a file.
#include "filesizelimit.h"
#include "pdfprint.h"
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
        columns<bool, bool, bool, QString, int, QString, QString, int>(
            "printer", "withTable", "controlsOnly", "pages", "limit", "target", "says", "value");
        const QString blood = "Mean of blood readings|101 mg/dL|";
        // clang-format off
        row("PDF, with the table", false, true, false, blood + "Page 1 of 3|Page 2 of 3|Page 3 of 3|2026-05-07|22:10|TEMP", 0, "file", "", 100);
        row("printed to a file, with the table", true, true, false, blood + "Page 1 of 3|Page 3 of 3", 0, "file", "", 100);
        row("PDF file, statistics and charts alone", false, false, false, blood + "Page 1 of 1", 0, "file", "", 100);
        // A control test is no blood reading: the doctor's trend chart has nothing to draw.
        row("control tests alone, dates reversed", false, false, true, "Page 1 of 1|No Graphic Data", 0, "file", "", 100);
        row("printed to a file over the size limit", true, true, false, "", 20000, "file", "largest file size", 100);
        row("PDF at a link", false, false, false, "", 0, "link", "is a symbolic link (to ", 100);
        row("PDF onto a folder", false, false, false, "", 0, "folder", "is a folder", 100);
        // 58 lows: every one listed newest first, as many as a page holds, the rest counted.
        row("PDF with more lows than a page holds", false, false, false, "Page 1 of 2|Page 2 of 2|Readings under 70 mg/dL, newest first|2026-04-30|6 more lows, older", 0, "file", "", 60);
        // clang-format on
    }
    void document()
    {
        auto [printer, withTable, controlsOnly, pages, limit, target, says, value] =
            cells<bool, bool, bool, QString, int, QString, QString, int>(
                "printer", "withTable", "controlsOnly", "pages", "limit", "target", "says", "value");
        // 59 blood readings and a control test: the table takes two more pages.
        const QString mark = controlsOnly ? "Ctrl" : "-";
        QStringList lines{"120,2026-5-6 8:0:00,mg/dL,Ctrl,-"};
        for (int i = 0; i < 58; ++i)
            lines << QStringLiteral("%4,2026-4-%1 %2:15:00,mg/dL,%3,-")
                         .arg(28 + i / 20)
                         .arg(i % 20 + 3)
                         .arg(mark)
                         .arg(value);
        lines << QStringLiteral("159,2026-5-7 22:10:00,mg/dL,%1,TEMP").arg(mark);
        TempProgramDir dir;
        const QString first = "2026-4-28", last = "2026-5-7";
        ReportSnapshot snapshot =
            controlsOnly ? snapshotOf(dir, lines, last, first) : snapshotOf(dir, lines, first, last);
        snapshot.patient = {"Ann Lee", "1960-01-02", "A-7"};
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
        QCOMPARE(pagesDone, (withTable ? 3 : 1) + (value < 70 ? 1 : 0));
        // Printed to a file or saved, the same pages: every word at the same place.
        const auto boxes = [&](const QString &file) {
            QProcess::execute("pdftotext", {"-bbox", file, file + ".html"});
            return dir.readFile(QFileInfo(file).fileName() + ".html");
        };
        if (printer) {
            QCOMPARE(pdfreport::writePdf(dir.filePath("saved.pdf"), snapshot, options, {}, &error),
                     pdfreport::Result::Done);
            QCOMPARE(boxes(pdf), boxes(dir.filePath("saved.pdf")));
        }
        QCOMPARE(QProcess::execute("pdftotext", {"-layout", pdf, dir.filePath("report.txt")}), 0);
        const QString text = QString::fromUtf8(dir.readFile("report.txt"));
        const QString firstPage =
            "Blood glucose report|Period: 2026-04-28 to 2026-05-07|View: whole day (ALL)|"
            "Made: 2026-05-08 09:30|Source: the meter's readings in the store, last upload|Patient: Ann "
            "Lee|Date of birth: 1960-01-02|Identifier: A-7|"
            "(10 days; days with readings: |Blood readings counted|Control tests left out "
            "(Ctrl)|The day's pattern, whole period|Readings over the period|Consensus targets|"
            "In range (70–180 mg/dL)|";
        for (const QString &e : (firstPage + pages).split('|'))
            QVERIFY2(text.contains(e), qPrintable(e + " not in:\n" + text.left(3000)));
        QCOMPARE(text.count(QStringLiteral("Ann Lee \u00b7 born 1960-01-02 \u00b7 ID A-7")), pagesDone);
        // The readings' blue stands where the two charts do (the trend about 50-68 % down page 1,
        // the day's pattern 72-90 %), and nowhere there without blood readings.
        const QString png = dir.filePath("page");
        QCOMPARE(QProcess::execute("pdftoppm", {"-r", "60", "-l", "1", "-singlefile", "-png", pdf, png}), 0);
        const QImage page(png + ".png");
        const auto blue = [&page](double from, double to) {
            qint64 n = 0;
            for (int y = int(from * page.height()); y < int(to * page.height()); ++y)
                for (int x = 0; x < page.width(); ++x)
                    n += page.pixelColor(x, y).blue() > page.pixelColor(x, y).red() + 60;
            return n;
        };
        QCOMPARE(QList<bool>({blue(0.50, 0.68) > 3, blue(0.72, 0.90) > 3}), QList<bool>(2, !controlsOnly));
    }
};

QTEST_MAIN(tst_PdfReport)
#include "tst_pdfreport.moc"

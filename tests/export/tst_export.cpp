#include "csvexport.h"
#include "filesizelimit.h"
#include "pdfreport.h"
#include "readingstore.h"
#include "reportfile.h"
#include "reportsnapshot.h"
#include "rows.h"
#include "selection.h"
#include "tempprogramdir.h"

#include <QApplication>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QtTest>

// The documents a person takes to the doctor, checked as the files they are: bytes of the CSV
// against a golden file, the PDF's text and pictures through poppler's own tools.
class tst_Export : public QObject
{
    Q_OBJECT

private slots:
    void csvGolden_data();
    void csvGolden();
    void failedWrite_data();
    void failedWrite();
    void document_data();
    void document();
};

namespace {

const QStringList CsvStore = {
    "123,2026-5-1 7:30:00,mg/dL,-,-",
    "15,2026-5-1 12:5:00,mg/dL,-,-",
    "650,2026-5-2 19:45:00,mg/dL,-,TEMP",
    "110,2026-5-3 8:0:00,mg/dL,Ctrl,-",
    "=HYPERLINK(\"http://x\"),2026-5-3 9:0:00,mg/dL,-,-",
    "95,last tuesday 7:00,mg/dL,-,-",
    "-5,2026-5-4 21:10:00,mg/dL,-,-",
};

QByteArray storeXml(const QStringList &lines)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<Data><xt>\n";
    for (const QString &line : lines)
        xml += "<item>" + line.toHtmlEscaped().toUtf8() + "</item>\n";
    return xml + "</xt></Data>\n";
}

ReportSnapshot snapshotOf(const TempProgramDir &dir, const QStringList &lines, const QString &from,
                          const QString &to)
{
    dir.writeFile(QStringLiteral("data/TMPDATE.xml"), storeXml(lines));
    ReportInput input;
    input.unitText = QStringLiteral("mg/dl");
    input.endDateText = to;
    input.startDateText = from;
    input.viewText = QStringLiteral("ALL");
    input.settings = {"20", "600", "110", "80", "6", "2"};
    const StoreItems store = ReadStoreItems(dir.storePath());
    return makeReportSnapshot(input, selection::run(input, store), store);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString tool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The share of a page's pixels that are not paper.
double inkedShare(const QString &png)
{
    const QImage image(png);
    if (image.isNull())
        return 0;
    qint64 inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += qGray(image.pixel(x, y)) < 200 ? 1 : 0;
    return double(inked) / (qint64(image.width()) * image.height());
}

} // namespace

void tst_Export::csvGolden_data()
{
    columns<bool>("fromStore");
    row("all readings, read from the store", true);
    row("the readings the report selected", false);
}

void tst_Export::csvGolden()
{
    auto [fromStore] = cells<bool>("fromStore");
    TempProgramDir dir;
    const ReportSnapshot snapshot =
        snapshotOf(dir, CsvStore, QStringLiteral("2000-1-1"), QStringLiteral("2026-5-4"));
    QByteArray bytes;
    if (fromStore) {
        QString error;
        QVERIFY2(csvexport::allReadings(dir.storePath(), csvexport::rangeMarksFromIni(dir.iniPath()), &bytes,
                                        &error),
                 qPrintable(error));
    } else {
        QCOMPARE(snapshot.selectedAt.size(), CsvStore.size());
        bytes = csvexport::selectedReadings(snapshot);
    }
    const QString target = dir.filePath(QStringLiteral("readings.csv"));
    QString error;
    QVERIFY(writeReportFile(target, bytes, &error));
    QCOMPARE(fileBytes(target),
             fileBytes(QStringLiteral(QUILLON_SOURCE_DIR "/tests/export/golden/readings.csv")));
    QCOMPARE(QFile::permissions(target) & 0x0077, QFileDevice::Permissions());
}

void tst_Export::failedWrite_data()
{
    columns<QString, bool>("target", "sizeLimit");
    row("the disk fills up", QStringLiteral("readings.csv"), true);
    row("the folder is missing", QStringLiteral("gone/readings.csv"), false);
}

void tst_Export::failedWrite()
{
    auto [target, sizeLimit] = cells<QString, bool>("target", "sizeLimit");
    TempProgramDir dir;
    const QByteArray earlier = "an earlier export\r\n";
    dir.writeFile(QStringLiteral("readings.csv"), earlier);
    const QByteArray bytes =
        csvexport::csv(QStringList(200, QStringLiteral("123,2026-5-1 7:30:00,mg/dL,-,-")), {});
    QString error;
    bool written = true;
    {
        std::optional<FileSizeLimit> full;
        if (sizeLimit)
            full.emplace(64);
        written = writeReportFile(dir.filePath(target), bytes, &error);
    }
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(dir.readFile(QStringLiteral("readings.csv")), earlier);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("readings.csv*")}, QDir::Files),
             QStringList{QStringLiteral("readings.csv")});
}

void tst_Export::document_data()
{
    columns<bool, bool, QStringList>("printer", "withTable", "expected");
    const QStringList firstPage = {"Blood glucose report",
                                   "Period: 2026-04-28 to 2026-05-07",
                                   "View: whole day (ALL)",
                                   "Made: 2026-05-08 09:30",
                                   "Blood readings counted",
                                   "Mean of blood readings",
                                   "101 mg/dL",
                                   "Control tests left out (Ctrl)",
                                   "Readings by time of day",
                                   "Trend of the selected readings"};
    row("PDF file, with the table", false, true,
        firstPage + QStringList{"Page 1 of 3", "Page 2 of 3", "Page 3 of 3", "2026-05-07", "22:10", "TEMP"});
    row("printed to a file, with the table", true, true,
        firstPage + QStringList{"Page 1 of 3", "Page 3 of 3"});
    row("PDF file, statistics and charts alone", false, false, firstPage + QStringList{"Page 1 of 1"});
}

void tst_Export::document()
{
    auto [printer, withTable, expected] = cells<bool, bool, QStringList>("printer", "withTable", "expected");
    // A week of readings and 52 more of 100 mg/dL: 59 blood readings, one control test, and a
    // table over two more pages.
    QStringList lines;
    for (int i = 0; i < 52; ++i)
        lines << QStringLiteral("100,2026-4-%1 %2:15:00,mg/dL,-,-").arg(28 + i / 18).arg(i % 18 + 5);
    lines << "95,2026-5-1 7:30:00,mg/dL,-,-"
          << "140,2026-5-1 12:15:00,mg/dL,-,-"
          << "88,2026-5-2 7:45:00,mg/dL,-,TEMP"
          << "180,2026-5-3 19:0:00,mg/dL,-,-"
          << "65,2026-5-4 6:50:00,mg/dL,-,-"
          << "120,2026-5-6 8:0:00,mg/dL,Ctrl,-"
          << "110,2026-5-5 13:0:00,mg/dL,-,-"
          << "102,2026-5-7 22:10:00,mg/dL,-,-";
    TempProgramDir dir;
    const ReportSnapshot snapshot =
        snapshotOf(dir, lines, QStringLiteral("2026-4-28"), QStringLiteral("2026-5-7"));
    QCOMPARE(snapshot.selectedAt.size(), 60);

    pdfreport::Options options;
    options.withTable = withTable;
    options.made = QDateTime(QDate(2026, 5, 8), QTime(9, 30));
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QVector<int> pagesDone;
    const auto progress = [&pagesDone](int done, int) {
        pagesDone << done;
        return true;
    };
    if (printer) {
        QPrinter device(QPrinter::HighResolution);
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(pdf);
        QCOMPARE(pdfreport::print(device, snapshot, options, progress), pdfreport::Result::Done);
    } else {
        QString error;
        QCOMPARE(pdfreport::writePdf(pdf, snapshot, options, progress, &error), pdfreport::Result::Done);
    }
    QCOMPARE(QFile::permissions(pdf) & 0x0077, QFileDevice::Permissions());
    QCOMPARE(pagesDone.size(), withTable ? 3 : 1);

    const QString text =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (const QString &e : expected)
        QVERIFY2(text.contains(e), qPrintable(e + QStringLiteral(" not in:\n") + text.left(3000)));

    const QString prefix = dir.filePath(QStringLiteral("page"));
    const int last = withTable ? 2 : 1;
    QCOMPARE(tool(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-f"), QStringLiteral("1"),
                   QStringLiteral("-l"), QString::number(last), QStringLiteral("-png"), pdf, prefix}),
             QString());
    for (int page = 1; page <= last; ++page) {
        const double ink = inkedShare(prefix + QStringLiteral("-%1.png").arg(page));
        QVERIFY2(ink > 0.01, qPrintable(QStringLiteral("page %1 is blank: %2").arg(page).arg(ink)));
    }
}

QTEST_MAIN(tst_Export)
#include "tst_export.moc"

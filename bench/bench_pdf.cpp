// The report for the doctor as a PDF file: page 1 (figures, trend chart, readings by time of
// day) and the readings table, from the snapshot of a report over every reading.
//
// Timed against two targets a person waits for (2 s for 1,000 readings, 60 s for 65,535 with
// the table), and against a floor for information: the same table rows written as plain text
// lines on the same pages by a bare QPdfWriter, and the file written the same way.

#include "benchrunner.h"
#include "readinggen.h"

#include "pdfreport.h"
#include "readingstore.h"
#include "reportfile.h"
#include "reportsnapshot.h"
#include "selection.h"
#include "statistics.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kSmall = 1000;
constexpr int kLarge = 65535;
constexpr double kSmallLimitMs = 2000;
constexpr double kLargeLimitMs = 60000;
constexpr int kRowsPerPage = 54; // as on an A4 page

ReportSnapshot snapshotOf(int size)
{
    StoreItems store;
    store.status = StoreStatus::Ok;
    store.texts = bench::realisticReadings(size);
    ReportInput input;
    input.unitText = QStringLiteral("mg/dl");
    input.endDateText = QStringLiteral("2026-5-6");
    input.startDateText = QStringLiteral("2000-1-1");
    input.viewText = QStringLiteral("ALL");
    input.settings = {"20", "600", "110", "80", "6", "2"};
    const ReportSnapshot s = makeReportSnapshot(input, selection::run(input, store), store);
    if (s.selectedAt.size() != size)
        throw bench::Failure("the report did not select every reading");
    return s;
}

double makePdf(const ReportSnapshot &s, const QString &path)
{
    int pages = 0;
    QString error;
    pdfreport::Options options;
    const auto time = bench::timed([&] {
        const auto result = pdfreport::writePdf(
            path, s, options,
            [&pages](int, int total) {
                pages = total;
                return true;
            },
            &error);
        if (result != pdfreport::Result::Done)
            throw bench::Failure("the PDF was not written: " + error.toStdString());
    });
    // Page 1, the lows' page when there are any, then the table.
    const int lowsPage = statistics::compute(s).pattern.lows.isEmpty() ? 0 : 1;
    const int expected = 1 + lowsPage + (int(s.selectedAt.size()) + kRowsPerPage - 1) / kRowsPerPage;
    if (pages != expected || QFile(path).size() < 1000)
        throw bench::Failure("the PDF does not hold every page");
    return std::chrono::duration<double, std::milli>(time).count();
}

// The bare minimum: one text line per reading on as many pages, and the file written.
void floorPdf(const ReportSnapshot &s, const QString &path)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        QPainter p(&writer);
        const double scale = 300 / 72.0;
        p.scale(scale, scale);
        QFont f(QStringLiteral("Helvetica"));
        f.setPointSizeF(9 / scale);
        p.setFont(f);
        for (int i = 0; i < s.selectedAt.size(); ++i) {
            if (i > 0 && i % kRowsPerPage == 0)
                writer.newPage();
            p.drawText(QPointF(0, 13 * (i % kRowsPerPage) + 9), s.storeTexts.at(s.selectedAt.at(i)));
        }
    }
    QString error;
    if (!writeReportFile(path, buffer.data(), &error))
        throw bench::Failure("the floor could not write its file");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::Runner runner(argc, argv);
    const QString root = runner.workDir();

    auto small = std::make_shared<std::unique_ptr<ReportSnapshot>>();
    const auto smallSnapshot = [small]() -> const ReportSnapshot & {
        if (!*small)
            *small = std::make_unique<ReportSnapshot>(snapshotOf(kSmall));
        return **small;
    };
    runner.add(bench::RatioCase{"PDF report, 1000 readings, against plain text lines", 0,
                                [smallSnapshot, root] {
                                    bench::Pair pair;
                                    const ReportSnapshot &s = smallSnapshot();
                                    const QString path = root + QStringLiteral("/report-1000.pdf");
                                    pair.work = bench::Nanoseconds(qint64(makePdf(s, path) * 1e6));
                                    pair.floor = bench::timed([&] { floorPdf(s, path); });
                                    return pair;
                                },
                                true, 7});
    runner.add(bench::LimitCase{"PDF report, 1000 readings, median of 5", "ms", kSmallLimitMs,
                                [smallSnapshot, root] {
                                    std::vector<double> times;
                                    for (int i = 0; i < 5; ++i)
                                        times.push_back(makePdf(smallSnapshot(),
                                                                root + QStringLiteral("/report-1000.pdf")));
                                    std::sort(times.begin(), times.end());
                                    return times[times.size() / 2];
                                },
                                false});
    runner.add(bench::LimitCase{"PDF report, 65535 readings with the table, median of 3", "ms", kLargeLimitMs,
                                [root] {
                                    const ReportSnapshot s = snapshotOf(kLarge);
                                    std::vector<double> times;
                                    for (int i = 0; i < 3; ++i)
                                        times.push_back(
                                            makePdf(s, root + QStringLiteral("/report-65535.pdf")));
                                    std::sort(times.begin(), times.end());
                                    return times[times.size() / 2];
                                },
                                false});
    return runner.run();
}

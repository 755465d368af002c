// DrawReport, the whole report run behind the main window, against reading the same store with
// a streaming parser and painting the same window with an empty chart.
//
// The work: the real MainWindow's DrawReport on a store of N readings (store read, selection,
// values list rebuilt, chart data set) and one paint of the main window. The period is
// "9999 Day", as after an upload, so every reading is listed and charted.

#include "benchrunner.h"
#include "programfolder.h"
#include "readinggen.h"

#include "mainwindow.h"
#include "programdir.h"
#include "trendchart.h"
#include "valueslistmodel.h"
#include "valueswindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QXmlStreamReader>

#include <chrono>
#include <memory>

namespace {

using namespace std::chrono_literals;

constexpr int kSizes[] = {1000, 10000, 65535};
constexpr int kSmokeSize = 1000;
constexpr double kMaxRatio = 3.0;
// Long enough for the values window's own refresh after its load to have come and gone.
constexpr auto kSettle = 700ms;

void processEventsFor(std::chrono::milliseconds span)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < span.count())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The floor's read: every item's text, streamed.
int streamItems(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw bench::Failure("cannot read the store");
    QXmlStreamReader reader(&file);
    int items = 0;
    qsizetype characters = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("item")) {
            characters += reader.readElementText().size();
            ++items;
        }
    }
    if (reader.hasError() || characters == 0)
        throw bench::Failure("the floor could not read the store");
    return items;
}

struct Fixture
{
    int size = 0;
    std::unique_ptr<ProgramDir> dir;
    std::unique_ptr<MainWindow> window;
    TrendChart *chart = nullptr;
    QString unitText;
};

std::shared_ptr<Fixture> makeFixture(const QString &root, int size)
{
    auto f = std::make_shared<Fixture>();
    f->size = size;
    const QString folder = root + QStringLiteral("/report-%1").arg(size);
    // No link ticks: the report alone is measured.
    bench::layOutProgramDir(folder, bench::withIniKey(bench::installedIni(), "comm", "delay", "0"),
                            bench::storeBytes(bench::realisticReadings(size)));
    f->dir = std::make_unique<ProgramDir>(folder);
    f->window = std::make_unique<MainWindow>(*f->dir);
    f->window->setMessageSink([](const QString &) {});
    f->window->Form_Load();
    // The period after an upload: every reading.
    f->window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentText(QStringLiteral("9999 Day"));
    f->window->applyPeriodRule();
    f->window->show();
    processEventsFor(kSettle);
    f->chart = f->window->findChild<TrendChart *>(QStringLiteral("MSChart1"));
    f->unitText = f->window->findChild<QComboBox *>(QStringLiteral("unit"))->currentText();
    if (!f->chart)
        throw bench::Failure("no chart on the main window");
    return f;
}

bench::Pair sample(Fixture &f)
{
    bench::Pair pair;
    MainWindow &w = *f.window;
    QImage painted;
    pair.work = bench::timed([&] {
        w.DrawReport(w.newxmlfile);
        painted = w.grab().toImage();
    });
    const ValuesWindow *values = w.valuesWindow(false);
    if (!values || values->model()->rowCount() != f.size)
        throw bench::Failure("the values list does not hold every reading");
    if (f.chart->isHidden() || f.chart->pointCount() != f.size)
        throw bench::Failure("the chart does not show every reading");
    if (painted.isNull())
        throw bench::Failure("the window was not painted");

    // The same window, its chart empty: the paint the work cannot go below.
    f.chart->draw(ChartGrid(), 0, 0, ChartScale(), f.unitText);
    QApplication::processEvents();
    int items = 0;
    pair.floor = bench::timed([&] {
        items = streamItems(w.newxmlfile);
        painted = w.grab().toImage();
    });
    if (items != f.size || painted.isNull())
        throw bench::Failure("the floor did not read every item");
    return pair;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::Runner runner(argc, argv);

    for (const int size : kSizes) {
        if (runner.smoke() && size != kSmokeSize)
            continue;
        std::shared_ptr<Fixture> fixture;
        runner.add({"DrawReport, " + std::to_string(size) + " readings", kMaxRatio,
                    [fixture, root = runner.workDir(), size]() mutable {
                        if (!fixture)
                            fixture = makeFixture(root, size);
                        return sample(*fixture);
                    },
                    size == kSmokeSize});
    }
    return runner.run();
}

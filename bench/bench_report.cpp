// DrawReport, the whole report run behind the main window, against reading the same store with
// a streaming parser and painting the same window with an empty chart.
//
// The work: the real MainWindow's DrawReport on a store of N readings (store read, selection,
// values list rebuilt, chart data set), everything it leaves queued (the timed span ends only
// when the event loop is idle) and one paint of the main window. The period is "9999 Day", as
// after an upload, so every reading is listed and charted. One case also has the values window
// on screen, its list scrolled from top to bottom and painted on the way, so that a list that
// makes its texts on demand pays for the rows a person looks at.

#include "benchrunner.h"
#include "programfolder.h"
#include "readinggen.h"

#include "mainwindow.h"
#include "programdir.h"
#include "trendchart.h"
#include "valueslistmodel.h"
#include "valueswindow.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTableView>
#include <QXmlStreamReader>

#include <chrono>
#include <memory>

namespace {

using namespace std::chrono_literals;

constexpr int kSizes[] = {1000, 10000, 65535};
constexpr int kSmokeSize = 1000;
constexpr int kScrolledSize = 65535;
constexpr double kMaxRatio = 2.5;
// Positions of the list's scroll bar, top to bottom, as when its thumb is dragged down.
constexpr int kScrollSteps = 64;
// Long enough for the values window's own refresh after its load to have come and gone.
constexpr auto kSettle = 700ms;

void processEventsFor(std::chrono::milliseconds span)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < span.count())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Delivers whatever is queued (signals, layout and paint requests, due timers) until nothing is
// left: work pushed past the timed span would not be measured.
void settle()
{
    constexpr int GiveUp = 10000;
    int rounds = 0;
    while (QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents)) {
        if (++rounds == GiveUp)
            throw bench::Failure("the event loop does not become idle");
    }
}

// Counts the paints a widget gets.
struct PaintCounter : QObject
{
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// The floor's rows: as many as the values list, each cell a text made once, so painting them
// costs what painting a list at the least costs.
class BareRows : public QAbstractTableModel
{
public:
    BareRows(int rows, const QStringList &cells) : m_rows(rows), m_cells(cells) {}
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_cells.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole)
            return m_cells.at(index.column());
        if (role == Qt::CheckStateRole && index.column() == 0)
            return Qt::Unchecked;
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return QAbstractTableModel::flags(index) |
               (index.column() == 0 ? Qt::ItemIsUserCheckable : Qt::NoItemFlags);
    }

private:
    int m_rows;
    QStringList m_cells;
};

// Drags the list's scroll bar from top to bottom, painting the values window at each stop.
void scrollTopToBottom(QWidget *window, QTableView *view)
{
    QScrollBar *bar = view->verticalScrollBar();
    for (int step = 0; step <= kScrollSteps; ++step) {
        bar->setValue(bar->minimum() + int(qint64(bar->maximum() - bar->minimum()) * step / kScrollSteps));
        if (window->grab().isNull())
            throw bench::Failure("the values window was not painted");
    }
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
    // Set when the values window is on screen and scrolled.
    ValuesWindow *values = nullptr;
    QTableView *list = nullptr;
    std::unique_ptr<BareRows> bareRows;
    std::unique_ptr<PaintCounter> chartPaints = std::make_unique<PaintCounter>();
};

std::shared_ptr<Fixture> makeFixture(const QString &root, int size, bool scrolled)
{
    auto f = std::make_shared<Fixture>();
    f->size = size;
    const QString folder = root + QStringLiteral("/report-%1%2").arg(size).arg(scrolled ? "-scrolled" : "");
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
    if (scrolled) {
        f->values = f->window->showValuesWindow();
        f->list = f->values->findChild<QTableView *>(QStringLiteral("vlist"));
        if (!f->list)
            throw bench::Failure("no list in the values window");
    }
    processEventsFor(kSettle);
    f->chart = f->window->findChild<TrendChart *>(QStringLiteral("MSChart1"));
    f->unitText = f->window->findChild<QComboBox *>(QStringLiteral("unit"))->currentText();
    if (!f->chart)
        throw bench::Failure("no chart on the main window");
    f->chart->viewport()->installEventFilter(f->chartPaints.get());
    if (scrolled) {
        // One row of typical texts: number, date-time, value, unit, marks.
        f->bareRows = std::make_unique<BareRows>(
            size, QStringList{QString::number(size), QStringLiteral("2026-5-6 19:45:00"),
                              QStringLiteral("123"), f->unitText, QStringLiteral("-"), QStringLiteral("-")});
    }
    return f;
}

bench::Pair sample(Fixture &f)
{
    bench::Pair pair;
    MainWindow &w = *f.window;
    QImage painted;
    if (f.list)
        f.list->verticalScrollBar()->setValue(0);
    settle();
    const int paintsBefore = f.chartPaints->count;
    // The window is on screen: the event loop paints it once the report is done, as it does for
    // a person.
    pair.work = bench::timed([&] {
        w.DrawReport(w.newxmlfile);
        settle();
        if (f.list)
            scrollTopToBottom(f.values, f.list);
    });
    if (f.chartPaints->count == paintsBefore)
        throw bench::Failure("the chart was not painted");
    painted = w.grab().toImage();
    const ValuesWindow *values = w.valuesWindow(false);
    if (!values || values->model()->rowCount() != f.size)
        throw bench::Failure("the values list does not hold every reading");
    if (f.list && f.list->rowAt(0) < f.size - f.list->viewport()->height())
        throw bench::Failure("the values list was not scrolled to its end");
    if (f.chart->isHidden() || f.chart->pointCount() != f.size)
        throw bench::Failure("the chart does not show every reading");
    if (painted.isNull())
        throw bench::Failure("the window was not painted");

    // The same window, its chart empty: the paint the work cannot go below.
    f.chart->draw(ChartGrid(), 0, 0, ChartScale(), f.unitText);
    QHeaderView *header = f.list ? f.list->horizontalHeader() : nullptr;
    QVector<int> widths;
    for (int c = 0; header && c < header->count(); ++c)
        widths << header->sectionSize(c);
    if (f.list) {
        // The same view with the same column widths, over rows that cost nothing to make.
        f.list->setModel(f.bareRows.get());
        for (int c = 0; c < int(widths.size()); ++c)
            f.list->setColumnWidth(c, widths.at(c));
        f.list->verticalScrollBar()->setValue(0);
    }
    settle();
    int items = 0;
    // The floor paints with grab(): the empty chart leaves nothing for the event loop to paint.
    pair.floor = bench::timed([&] {
        items = streamItems(w.newxmlfile);
        painted = w.grab().toImage();
        if (f.list)
            scrollTopToBottom(f.values, f.list);
    });
    if (items != f.size || painted.isNull())
        throw bench::Failure("the floor did not read every item");
    if (f.list) {
        f.list->setModel(f.values->model());
        for (int c = 0; c < int(widths.size()); ++c)
            f.list->setColumnWidth(c, widths.at(c));
    }
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
                            fixture = makeFixture(root, size, false);
                        return sample(*fixture);
                    },
                    size == kSmokeSize});
    }
    if (!runner.smoke()) {
        std::shared_ptr<Fixture> fixture;
        runner.add(
            {"DrawReport, " + std::to_string(kScrolledSize) + " readings, values list scrolled top to bottom",
             kMaxRatio,
             [fixture, root = runner.workDir()]() mutable {
                 if (!fixture)
                     fixture = makeFixture(root, kScrolledSize, true);
                 return sample(*fixture);
             },
             false});
    }
    return runner.run();
}

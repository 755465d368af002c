// Peak resident memory of the program with a store of 65,535 readings (the most a meter can
// announce): the real main window starts on it and draws its report over every reading, the
// values window is shown, an upload from the meter simulator runs through the real link and
// store code, and the full store is reported and painted once more, as after an upload of that
// size. The peak is VmHWM of this process.

#include "benchrunner.h"
#include "floors.h"
#include "programfolder.h"
#include "readinggen.h"

#include "mainwindow.h"
#include "programdir.h"
#include "readingstore.h"
#include "valueslistmodel.h"
#include "valueswindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <chrono>

namespace {

using namespace std::chrono_literals;

constexpr int kStore = 65535;
constexpr int kSmokeStore = 1000;
constexpr int kUpload = 200;
constexpr int kSmokeUpload = 10;
constexpr double kLimitMb = 150;
constexpr auto kGiveUp = 120s;

double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        throw bench::Failure("cannot read /proc/self/status");
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    throw bench::Failure("no VmHWM in /proc/self/status");
}

void processEventsFor(std::chrono::milliseconds span)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < span.count())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

double reportAndUpload(const QString &root, int storeSize, int uploadSize, const QByteArray &delayMs)
{
    // The meter is plugged in once the first report has settled: a redraw of the whole store in
    // the middle of the greeting could make the link miss the meter's answers.
    const QString folder = root + QStringLiteral("/memory");
    const QString meterLink = folder + QStringLiteral("/meter");
    QByteArray ini = bench::withIniKey(bench::installedIni(), "comm", "delay", delayMs);
    ini = bench::withIniKey(ini, "comm", "port1", QFile::encodeName(meterLink));
    for (int port = 2; port <= 16; ++port)
        ini = bench::withIniKey(ini, "comm", "port" + QByteArray::number(port),
                                "/nonexistent/quillon-bench/ttyQ" + QByteArray::number(port));
    const QByteArray fullStore = bench::storeBytes(bench::realisticReadings(storeSize));
    bench::layOutProgramDir(folder, ini, fullStore);
    const ProgramDir dir(folder);

    QStringList messages;
    MainWindow window(dir);
    window.setMessageSink([&messages](const QString &text) { messages << text; });
    auto *period = window.findChild<QComboBox *>(QStringLiteral("Combo1"));
    // Every reading in the report, from the start on.
    period->setCurrentText(QStringLiteral("9999 Day"));
    window.Form_Load();
    window.show();
    window.showValuesWindow();
    window.grab();
    processEventsFor(700ms); // the values window's own refresh after its load

    // The upload: its end sets the period to "9999 Day" again and shows the values window. The
    // last week is drawn first (as "Apply" does): a chart of the whole store stays on screen
    // otherwise, and the layout change when the progress bar appears repaints it in the middle
    // of the upload.
    period->setCurrentText(QStringLiteral("7 Day"));
    window.applyPeriodRule();
    window.DrawReport(window.newxmlfile);
    // Only then is the meter plugged in: a report that holds the thread while the link greets
    // the meter lets two answers meet in one read, which the greeting takes for a wrong answer.
    QProcess sim;
    sim.setProgram(QStringLiteral(METER_SIM));
    sim.setArguments({QStringLiteral("--readings"), QString::number(uploadSize), QStringLiteral("--sessions"),
                      QStringLiteral("1"), QStringLiteral("--link"), meterLink});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    if (!sim.waitForStarted() || !sim.waitForReadyRead())
        throw bench::Failure("the meter simulator did not start");
    QElapsedTimer clock;
    clock.start();
    while (period->currentText() != QLatin1String("9999 Day") && messages.isEmpty() &&
           clock.elapsed() < std::chrono::milliseconds(kGiveUp).count())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    window.setTimer1Enabled(false);
    sim.terminate();
    sim.waitForFinished();
    if (!messages.isEmpty())
        throw bench::Failure("the upload failed: " + messages.first().toStdString());
    if (period->currentText() != QLatin1String("9999 Day"))
        throw bench::Failure("the upload did not end");
    if (ReadStoreItems(dir.storePath()).texts.size() != uploadSize)
        throw bench::Failure("the store does not hold the upload");

    // The full store again, reported and painted as at the end of an upload of that size.
    if (!bench::replaceFileBare(dir.storePath(), fullStore))
        throw bench::Failure("cannot put the full store back");
    window.DrawReport(window.newxmlfile);
    window.grab();
    if (ValuesWindow *values = window.valuesWindow(false))
        values->grab();
    processEventsFor(700ms); // the values window's own refresh, and whatever else is queued
    if (window.valuesWindow(false)->model()->rowCount() != storeSize)
        throw bench::Failure("the values list does not hold the full store");
    return peakMegabytes();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::Runner runner(argc, argv);
    const int storeSize = runner.smoke() ? kSmokeStore : kStore;
    const int uploadSize = runner.smoke() ? kSmokeUpload : kUpload;
    // The peak does not depend on the tick. A smoke run shares the machine with the whole test
    // suite, where a flushed append can hold the thread past a short tick: the link then asks
    // again before it has read the answer, and two answers arrive as one. It only proves the
    // case works, so it takes a tick long enough for a loaded machine.
    const QByteArray delayMs = runner.smoke() ? QByteArrayLiteral("250") : QByteArrayLiteral("20");
    runner.add(bench::LimitCase{
        "peak RSS, " + std::to_string(storeSize) + " readings, after a report and an upload", "MB", kLimitMb,
        [root = runner.workDir(), storeSize, uploadSize, delayMs] {
            return reportAndUpload(root, storeSize, uploadSize, delayMs);
        },
        true});
    return runner.run();
}

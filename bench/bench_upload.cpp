// A whole upload from the meter simulator over a pseudo-terminal, through the real main window:
// its timer, the serial control, the link, the store's fsync'd appends and the report at the
// end. The protocol itself sets the floor: one tick to wake the meter, one each for the
// greeting, the clock and the count, one per reading and one to end, so N + 5 ticks of the
// timer's period. The upload keeps up when it takes no longer than that, and when no tick ever
// starts a whole period late.

#include "benchrunner.h"
#include "programfolder.h"
#include "readinggen.h"

#include "mainwindow.h"
#include "programdir.h"
#include "readingstore.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kReadings = 1000;
constexpr int kSmokeReadings = 10;
constexpr auto kPeriod = 20ms;
constexpr int kProtocolTicks = 5; // wake, greeting, clock, count, end
constexpr double kMaxRatio = 1.1;
constexpr int kSamples = 5; // each one is a real upload of about 20 seconds
constexpr auto kSimStart = 10s;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Times every event the program handles at the top of the event loop: the ticks of its timer
// and, between them, the receive notifications with the appends they make.
class TimingApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth > 0 || !m_watching)
            return QApplication::notify(receiver, event);
        const bool tick = receiver == m_timer && event->type() == QEvent::Timer;
        const Clock::time_point start = Clock::now();
        ++m_depth;
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        const Clock::duration spent = Clock::now() - start;
        if (tick) {
            m_tickStarts.push_back(start);
            m_busy.push_back(spent);
        } else if (!m_busy.empty()) {
            m_busy.back() += spent;
        }
        return handled;
    }

    void watch(QTimer *timer)
    {
        m_timer = timer;
        m_watching = true;
        m_tickStarts.clear();
        m_busy.clear();
    }
    void stop() { m_watching = false; }
    // When each tick began, and how long the program was busy from it up to the next tick.
    const std::vector<Clock::time_point> &tickStarts() const { return m_tickStarts; }
    const std::vector<Clock::duration> &busy() const { return m_busy; }

private:
    QObject *m_timer = nullptr;
    bool m_watching = false;
    int m_depth = 0;
    std::vector<Clock::time_point> m_tickStarts;
    std::vector<Clock::duration> m_busy;
};

TimingApplication *timingApp()
{
    return static_cast<TimingApplication *>(QCoreApplication::instance());
}

// What the samples saw of the ticks, for the lag case and the log.
struct TickRecord
{
    Clock::duration worstLag{};
};

QByteArray simIni(const QByteArray &pty)
{
    QByteArray ini = bench::installedIni();
    ini = bench::withIniKey(ini, "comm", "delay", QByteArray::number(qint64(kPeriod.count())));
    ini = bench::withIniKey(ini, "comm", "port1", pty);
    // The other ports lead nowhere; the meter is found on the first one tried.
    for (int port = 2; port <= 16; ++port)
        ini = bench::withIniKey(ini, "comm", "port" + QByteArray::number(port),
                                "/nonexistent/quillon-bench/ttyQ" + QByteArray::number(port));
    return ini;
}

bench::Pair upload(const QString &root, int readings, TickRecord &record)
{
    static int run = 0;
    const QString folder = root + QStringLiteral("/upload-%1").arg(++run);

    // The program reaches the meter through a link of its own, which goes with the simulator: a
    // pseudo-terminal's number is handed to the next one opened, and a window still searching
    // for this meter must not find another test's there.
    QDir().mkpath(folder);
    const QString meterLink = folder + QStringLiteral("/meter");
    QProcess sim;
    sim.setProgram(QStringLiteral(METER_SIM));
    sim.setArguments({QStringLiteral("--readings"), QString::number(readings), QStringLiteral("--sessions"),
                      QStringLiteral("1"), QStringLiteral("--link"), meterLink});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    if (!sim.waitForStarted(int(std::chrono::milliseconds(kSimStart).count())) ||
        !sim.waitForReadyRead(int(std::chrono::milliseconds(kSimStart).count())))
        throw bench::Failure("the meter simulator did not start");
    const QByteArray pty = sim.readLine().trimmed();
    if (!pty.startsWith("/dev/"))
        throw bench::Failure("the meter simulator named no device");

    // A store from an earlier upload, which this one backs up and replaces.
    bench::layOutProgramDir(folder, simIni(QFile::encodeName(meterLink)),
                            bench::storeBytes(bench::realisticReadings(readings)));
    const ProgramDir dir(folder);
    QStringList messages;
    MainWindow window(dir);
    window.setMessageSink([&messages](const QString &text) { messages << text; });
    auto *timer = window.findChild<QTimer *>(QStringLiteral("Timer1"));
    auto *period = window.findChild<QComboBox *>(QStringLiteral("Combo1"));
    if (!timer || !period)
        throw bench::Failure("the main window lacks Timer1 or Combo1");

    // The end tick has run when the period shows "9999 Day" right after a tick.
    Clock::time_point ended{};
    QObject::connect(timer, &QTimer::timeout, &window, [&] {
        if (ended == Clock::time_point{} && period->currentText() == QLatin1String("9999 Day"))
            ended = Clock::now();
    });

    window.Form_Load(); // starts the timer as its last step
    const Clock::time_point started = Clock::now();
    timingApp()->watch(timer);
    const Clock::duration floor = (readings + kProtocolTicks) * kPeriod;
    const Clock::time_point giveUp = started + 3 * floor + 10s;
    while (ended == Clock::time_point{} && messages.isEmpty() && Clock::now() < giveUp)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    timingApp()->stop();
    window.setTimer1Enabled(false);
    sim.terminate();
    sim.waitForFinished(int(std::chrono::milliseconds(kSimStart).count()));

    if (!messages.isEmpty())
        throw bench::Failure("the upload failed: " + messages.first().toStdString());
    if (ended == Clock::time_point{})
        throw bench::Failure("the upload did not end");
    const StoreItems stored = ReadStoreItems(dir.storePath());
    if (stored.status != StoreStatus::Ok || stored.texts.size() != readings)
        throw bench::Failure("the store does not hold the uploaded readings");

    // How far each tick started behind the timer's schedule, and how busy each tick was.
    const auto &starts = timingApp()->tickStarts();
    std::vector<Clock::duration> busy = timingApp()->busy();
    Clock::duration worstLag{};
    for (size_t k = 0; k < starts.size(); ++k)
        worstLag = std::max(worstLag, starts[k] - (started + Clock::duration((k + 1) * kPeriod)));
    record.worstLag = std::max(record.worstLag, worstLag);
    std::sort(busy.begin(), busy.end());
    if (!busy.empty())
        std::fprintf(stderr,
                     "  %zu ticks; busy per tick: median %.2f ms, 99th %.2f ms, longest %.2f ms; "
                     "largest lag behind the timer %.2f ms\n",
                     busy.size(), ms(busy[busy.size() / 2]), ms(busy[busy.size() * 99 / 100]),
                     ms(busy.back()), ms(worstLag));

    bench::Pair pair;
    pair.work = std::chrono::duration_cast<bench::Nanoseconds>(ended - started);
    pair.floor = std::chrono::duration_cast<bench::Nanoseconds>(floor);
    return pair;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimingApplication app(argc, argv);
    bench::Runner runner(argc, argv);
    const QString root = runner.workDir();
    auto record = std::make_shared<TickRecord>();

    const int readings = runner.smoke() ? kSmokeReadings : kReadings;
    const std::string name = "upload, " + std::to_string(readings) + " readings, delay 20 ms";
    runner.add(bench::RatioCase{name, kMaxRatio,
                                [root, readings, record] { return upload(root, readings, *record); }, true,
                                kSamples});
    // A tick that starts a whole period late has lost its slot: the upload fell behind.
    runner.add(bench::LimitCase{name + ": largest lag of a tick", "ms", double(kPeriod.count()),
                                [root, readings, record] {
                                    if (record->worstLag == Clock::duration{})
                                        upload(root, readings, *record);
                                    return ms(record->worstLag);
                                },
                                true});
    return runner.run();
}

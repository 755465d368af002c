// The start of the program, from starting its process to the first paint of its main window,
// with a store of 1,000 readings, against a bare Qt Widgets window with an empty chart started
// the same way. Both run as their own processes (start_app, start_bare) and say when they have
// painted; the time is taken from outside.

#include "benchrunner.h"
#include "programfolder.h"
#include "readinggen.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <chrono>

namespace {

using namespace std::chrono_literals;

constexpr int kReadings = 1000;
constexpr int kSmokeReadings = 10;
constexpr double kMaxRatio = 2.0;
constexpr auto kGiveUp = 30s;

// From the start of the process until it reports its first paint.
bench::Nanoseconds startToFirstPaint(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bool painted = false;
    const bench::Nanoseconds time = bench::timed([&] {
        process.start(program, arguments);
        const int wait = int(std::chrono::milliseconds(kGiveUp).count());
        while (!painted && process.waitForReadyRead(wait))
            painted = process.readAll().contains("painted");
    });
    process.waitForFinished(int(std::chrono::milliseconds(kGiveUp).count()));
    if (!painted)
        throw bench::Failure(("no first paint from " + program).toStdString());
    return time;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bench::Runner runner(argc, argv);

    const int readings = runner.smoke() ? kSmokeReadings : kReadings;
    const QString dir = runner.workDir() + QStringLiteral("/start");
    bench::layOutProgramDir(dir, bench::installedIni(),
                            bench::storeBytes(bench::realisticReadings(readings)));

    runner.add(bench::RatioCase{"start to first paint, " + std::to_string(readings) + " readings", kMaxRatio,
                                [dir] {
                                    bench::Pair pair;
                                    pair.work = startToFirstPaint(QStringLiteral(START_APP), {dir});
                                    pair.floor = startToFirstPaint(QStringLiteral(START_BARE), {});
                                    return pair;
                                },
                                true});
    return runner.run();
}

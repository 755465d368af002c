// The reading history against the store it sits beside: the import of a store at first start,
// and the report run (read, selection, statistics' snapshot) over the history against the same
// run over a store of the same readings; then a history of thirty years, timed and weighed.

#include "benchrunner.h"
#include "readinggen.h"

#include "datetext.h"
#include "history.h"
#include "reportrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kStoreSize = 65535;
constexpr int kThirtyYears = 500000;
constexpr double kMaxRatio = 2.0;

void writeStore(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bench::storeBytes(bench::realisticReadings(count))) < 0)
        throw bench::Failure("the store cannot be written");
}

// A folder with a store of `count` readings and, unless `bare`, the history made from it.
QString folder(const QString &root, int count, bool bare)
{
    const QString dir = root + QStringLiteral("/h%1").arg(count);
    if (QFile::exists(dir + "/TMPDATE.xml"))
        return dir;
    QDir().mkpath(dir);
    writeStore(dir + "/TMPDATE.xml", count);
    if (!bare) {
        ReadingHistory history;
        if (history.open(dir + "/TMPDATE.xml") != ReadingHistory::Opened::Created)
            throw bench::Failure("the history was not made");
    }
    return dir;
}

ReportInput input(const QString &store, const ReadingHistory *history)
{
    ReportInput in;
    in.unitText = QStringLiteral("mg/dl");
    in.endDateText = datetext::dateToBoxText(QDate(2026, 5, 6));
    in.startDateText = datetext::dateToBoxText(QDate(2026, 5, 6).addDays(-9999));
    in.viewText = QStringLiteral("ALL");
    in.settings = {"20", "600", "110", "80", "6", "2"};
    in.storePath = store;
    in.history = history;
    return in;
}

ReportResult checkedRun(const ReportInput &in, int count)
{
    ReportResult result = report::run(in);
    // The history keeps a reading sent twice once: a made-up store may hold a few such.
    if (result.outcome.list.size() < count * 99 / 100)
        throw bench::Failure("the report did not list every reading");
    return result;
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bench::Runner runner(argc, argv);
    const QString root = runner.workDir();
    const int size = runner.smoke() ? 1000 : kStoreSize;

    runner.add(
        bench::LimitCase{"history, import of a store of " + std::to_string(size) + " readings", "s", 2.0,
                         [root, size] {
                             const QString dir = folder(root, size, true);
                             QFile::remove(dir + "/history.sqlite");
                             const auto took = bench::timed([&] {
                                 ReadingHistory history;
                                 if (history.open(dir + "/TMPDATE.xml") != ReadingHistory::Opened::Created)
                                     throw bench::Failure("the history was not made");
                             });
                             return std::chrono::duration<double>(took).count();
                         },
                         true});
    runner.add(bench::RatioCase{"report over a history of " + std::to_string(size) + " readings", kMaxRatio,
                                [root, size] {
                                    const QString store = folder(root, size, false) + "/TMPDATE.xml";
                                    ReadingHistory history;
                                    history.open(store);
                                    bench::Pair pair;
                                    pair.work =
                                        bench::timed([&] { checkedRun(input(store, &history), size); });
                                    pair.floor =
                                        bench::timed([&] { checkedRun(input(store, nullptr), size); });
                                    return pair;
                                },
                                true, 5});
    if (runner.smoke())
        return runner.run();
    // Made in a child, so that the import's memory is not counted against the report's.
    const auto thirtyYears = [root] {
        const QString dir = root + QStringLiteral("/h%1").arg(kThirtyYears);
        if (!QFile::exists(dir + "/history.sqlite")) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                folder(root, kThirtyYears, false);
                QFile::remove(dir + "/TMPDATE.xml");
                ::_exit(0);
            }
            int status = 0;
            if (pid < 0 || ::waitpid(pid, &status, 0) != pid || status != 0)
                throw bench::Failure("the history of thirty years was not made");
        }
        return dir + "/TMPDATE.xml";
    };
    runner.add(bench::LimitCase{"report over a history of 500,000 readings", "s", 1.0, [thirtyYears] {
                                    const QString store = thirtyYears();
                                    ReadingHistory history;
                                    history.open(store);
                                    const auto took = bench::timed(
                                        [&] { checkedRun(input(store, &history), kThirtyYears); });
                                    return std::chrono::duration<double>(took).count();
                                }});
    runner.add(bench::LimitCase{"report over a history of 500,000 readings: peak memory", "MB", 300.0,
                                [] { return peakMegabytes(); }});
    return runner.run();
}

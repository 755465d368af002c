// The store's append, SaveXmlItem, against writing the same bytes the bare atomic way.
//
// "SaveXmlItem, N readings" is the append that brings the store to N readings, as the last one
// of an upload of N does: the store was last written by our own append. "…, full load" is the
// same append after someone else rewrote the store, which must load and parse it whole.

#include "benchrunner.h"
#include "floors.h"
#include "readinggen.h"

#include "readingstore.h"

#include <QCoreApplication>
#include <QFile>

#include <memory>

namespace {

constexpr int kSizes[] = {100, 1000, 10000, 65535};
constexpr int kSmokeSize = 100;
constexpr double kMaxRatio = 2.0;
constexpr int kFullLoadSamples = 9;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw bench::Failure("cannot read the store back");
    return file.readAll();
}

// Everything a size needs, made once: the readings and the stores before and after.
struct Stores
{
    QStringList lines;
    QByteArray twoShort; // all but the last two readings
    QByteArray oneShort; // all but the last reading
    QByteArray whole;    // what a full save writes after the last reading
};

std::shared_ptr<const Stores> makeStores(int size)
{
    auto stores = std::make_shared<Stores>();
    stores->lines = bench::realisticReadings(size);
    stores->twoShort = bench::storeBytes(stores->lines.mid(0, size - 2));
    stores->oneShort = bench::storeBytes(stores->lines.mid(0, size - 1));
    stores->whole = bench::storeBytes(stores->lines);
    return stores;
}

void put(const QString &path, const QByteArray &bytes)
{
    if (!bench::replaceFileBare(path, bytes))
        throw bench::Failure("cannot write the store");
}

// The timed append, checked byte for byte against a full save, then the floor on the same bytes.
bench::Pair appendAndFloor(const QString &path, const Stores &stores)
{
    bench::Pair pair;
    bench::settleDisk(path);
    bool appended = false;
    pair.work = bench::timed([&] { appended = SaveXmlItem(stores.lines.last(), path); });
    if (!appended)
        throw bench::Failure("SaveXmlItem failed");
    const QByteArray after = readFile(path);
    if (after != stores.whole)
        throw bench::Failure("SaveXmlItem wrote other bytes than a full save does");
    bench::settleDisk(path);
    bool replaced = false;
    pair.floor = bench::timed([&] { replaced = bench::replaceFileBare(path, after); });
    if (!replaced)
        throw bench::Failure("the floor could not write the store");
    return pair;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bench::Runner runner(argc, argv);
    const QString path = runner.workDir() + QStringLiteral("/TMPDATE.xml");

    for (const int size : kSizes) {
        if (runner.smoke() && size != kSmokeSize)
            continue;
        const auto stores = makeStores(size);
        const std::string name = "SaveXmlItem, " + std::to_string(size) + " readings";

        // Our own append wrote the store just before, as during an upload.
        runner.add({name, kMaxRatio,
                    [path, stores] {
                        put(path, stores->twoShort);
                        if (!SaveXmlItem(stores->lines.at(stores->lines.size() - 2), path))
                            throw bench::Failure("SaveXmlItem failed");
                        return appendAndFloor(path, *stores);
                    },
                    size == kSmokeSize});

        // Someone else wrote the store: nothing may be taken on trust.
        runner.add({name + ", full load", 0,
                    [path, stores] {
                        put(path, stores->oneShort);
                        return appendAndFloor(path, *stores);
                    },
                    size == kSmokeSize, kFullLoadSamples});
    }
    return runner.run();
}

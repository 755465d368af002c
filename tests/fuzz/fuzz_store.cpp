// The store on an arbitrary file: the report's read, two appends, a delete by key and a delete by
// place. A file the read cannot use stays byte for byte as it was; every change the operations
// report as done is exactly the change asked for, and leaves the file private.
#include "fuzzcheck.h"
#include "readingstore.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList without(QStringList texts, const QString &key)
{
    texts.removeIf([&key](const QString &t) { return t.contains(key); });
    return texts;
}

} // namespace

// Input: one byte of flags, the lengths of the record line and the key, then the line, the key
// and the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TMPDATE.xml"));
    const uint8_t flags = data[0];
    const size_t lineLength = std::min<size_t>(data[1] % 64, size - 3);
    const size_t keyLength = std::min<size_t>(data[2] % 24, size - 3 - lineLength);
    const char *at = reinterpret_cast<const char *>(data + 3);
    const QString line = (flags & 1) ? QStringLiteral("123,2026-3-5 14:7:00,mg/dL,-,-")
                                     : QString::fromUtf8(at, qsizetype(lineLength));
    const QString key = QString::fromUtf8(at + lineLength, qsizetype(keyLength));
    const QByteArray file(at + lineLength + keyLength, qsizetype(size - 3 - lineLength - keyLength));

    QFile::remove(path);
    {
        QFile f(path);
        check(f.open(QIODevice::WriteOnly) && f.write(file) == file.size(),
              "the input file could be written");
    }

    const StoreItems before = ReadStoreItems(path);
    check(before.status != StoreStatus::Missing, "a file that exists reads as present");

    // A change refused leaves the file as it was (an unreadable store is never changed); one made
    // leaves exactly `expected` to read, in a private file.
    QByteArray was = bytesOf(path);
    QStringList texts = before.texts;
    const auto changed = [&](bool done, const QStringList &expected, const char *what) {
        check(!done || before.status == StoreStatus::Ok, "an unreadable store is not changed");
        if (!done) {
            check(bytesOf(path) == was, "a change that fails leaves the file as it was");
            return false;
        }
        const StoreItems after = ReadStoreItems(path);
        check(after.status == StoreStatus::Ok && after.texts == expected, what);
        check(bytesOf(path) == was || QFile::permissions(path) == QFile::Permissions(0x6600),
              "a written store is readable by its owner alone");
        was = bytesOf(path);
        texts = expected;
        return true;
    };
    // Append, then append again (the second may take the quick path).
    for (int round = 0; round < 2; ++round) {
        if (!changed(SaveXmlItem(line, path), texts + QStringList{line},
                     "an append adds the item after the others"))
            break;
    }
    if (!key.isEmpty())
        changed(DelXmlItem(path, QStringList{QString(), key}), without(texts, key),
                "a delete by key removes exactly the matching items, the rest in order");
    // Delete by place: the reading picked, and nothing else.
    if (!texts.isEmpty()) {
        const int position = int((flags >> 1) % uint8_t(std::min<qsizetype>(texts.size(), 127)));
        QStringList rest = texts;
        rest.removeAt(position);
        changed(DelXmlItemsAt(path, {StoreItemRef{position, texts.at(position)}}), rest,
                "a delete by place removes exactly that item, the rest in order");
    }
    return 0;
}

#include "appendcache.h"

#include "readingstore.h"
#include "storedocument.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

// File times tick with the kernel's coarse clock, so a write in place that keeps the size can
// leave every stamp as it was. Comparing the bytes closes that gap; it costs a read from the page
// cache, small beside the write and the flush to disk that an append makes anyway.
bool fileHolds(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != bytes.size())
        return false;
    if (bytes.isEmpty())
        return true;
    if (const uchar *mapped = file.map(0, bytes.size()))
        return std::memcmp(mapped, bytes.constData(), size_t(bytes.size())) == 0;
    return file.readAll() == bytes;
}

} // namespace

std::optional<SavedStore> AppendCache::take(const QString &path)
{
    std::optional<SavedStore> saved;
    {
        QMutexLocker lock(&m_mutex);
        saved.swap(m_saved);
    }
    if (!saved || saved->path != path)
        return std::nullopt;
    // Never trust the cache over the file: any sign of another writer means a full load.
    const std::optional<FileStamp> now = FileStamp::of(path);
    if (!now || *now != saved->stamp || !fileHolds(path, saved->bytes))
        return std::nullopt;
    return saved;
}

void AppendCache::keep(SavedStore saved)
{
    QMutexLocker lock(&m_mutex);
    m_saved = std::move(saved);
}

void AppendCache::forget()
{
    QMutexLocker lock(&m_mutex);
    m_saved.reset();
}

AppendCache &appendCache()
{
    static AppendCache cache;
    return cache;
}

std::optional<qsizetype> provenInsertPoint(const QByteArray &saved)
{
    // A probe text that the store does not hold, so it can be found again without doubt.
    QString probe = QStringLiteral("quillon-probe");
    while (saved.contains(probe.toLatin1()))
        probe += QLatin1Char('-');

    StoreDocument store;
    if (!parseStore(saved, store))
        return std::nullopt;
    AddXmlNode(store.xt, StoreTags::item, probe);
    const QByteArray withProbe = serializeStore(store);

    const QByteArray probeLine = serializeItem(probe);
    const qsizetype at = withProbe.indexOf(probeLine);
    if (at < 0 || withProbe.size() != saved.size() + probeLine.size())
        return std::nullopt;
    const bool spliced =
        QByteArrayView(withProbe).first(at) == QByteArrayView(saved).first(at) &&
        QByteArrayView(withProbe).sliced(at + probeLine.size()) == QByteArrayView(saved).sliced(at);
    return spliced ? std::optional<qsizetype>(at) : std::nullopt;
}

bool itemLineIsStable(const QByteArray &itemLine)
{
    // Alone the line reads as UTF-8, in the store as whatever the declaration says; ASCII reads
    // the same either way (the probe already proved the store itself reads back).
    const bool ascii =
        std::all_of(itemLine.cbegin(), itemLine.cend(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii)
        return false;
    QDomDocument doc;
    return doc.setContent(itemLine) && doc.toByteArray(0) == itemLine;
}

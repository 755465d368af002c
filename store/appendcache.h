#pragma once

#include "filestamp.h"

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <optional>

// What our last append left on disk, so that the next one can skip parsing the store: for a
// large store the parse and the rewrite from the DOM are nearly all of an append's time. An
// append then splices its <item> line into these bytes. It is only worth anything while the file
// is provably the one we wrote: the same path, size, times, inode and device, and the same bytes.
struct SavedStore
{
    QString path;
    FileStamp stamp;
    QByteArray bytes;
    qsizetype insertAt = -1; // where the next <item> line goes: just before the closing tag of xt
};

// One saved store for the whole process: an upload appends to one store, reading after reading.
class AppendCache
{
public:
    // The saved store of `path` when the file there is still the one we wrote, stamp and bytes. It leaves the
    // cache either way: whoever takes it writes the file and keeps the new state, or no one does.
    std::optional<SavedStore> take(const QString &path);
    void keep(SavedStore saved);
    void forget();

private:
    QMutex m_mutex;
    std::optional<SavedStore> m_saved;
};

AppendCache &appendCache();

// Where a full append (load these bytes, add an item to xt, save) would put the item, proven by
// doing one with a probe item: the bytes must come back unchanged but for the probe's line.
// Nothing when they do not, or when the bytes are no store.
std::optional<qsizetype> provenInsertPoint(const QByteArray &saved);

// True when this item line, read back and written again, gives the same bytes: only then do the
// spliced bytes stay what a full save would write at the next append. An empty item does not
// (<item></item> comes back as <item/>), and a line beyond ASCII is not vouched for.
bool itemLineIsStable(const QByteArray &itemLine);

#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// What the file system says about a file that any rewrite of it changes: a rename over it brings
// a new inode, a write in place a new size or new times. The change time cannot be set back by a
// user, so a tool that restores the modification time after an edit (cp -p, rsync -t) still
// shows. Times come from the kernel's coarse clock, so an edit in place that keeps the size and
// lands in the same clock tick as the previous write goes unseen; nothing short of reading the
// file back would see it.
struct FileStamp
{
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;

    // Nothing for a path that is not a regular file, and nothing where the platform cannot tell
    // inodes apart (then no one can prove a file unchanged).
    static std::optional<FileStamp> of(const QString &path);

    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        return a.size == b.size && a.modifiedNs == b.modifiedNs && a.changedNs == b.changedNs &&
               a.inode == b.inode && a.device == b.device;
    }
    friend bool operator!=(const FileStamp &a, const FileStamp &b) { return !(a == b); }
};
